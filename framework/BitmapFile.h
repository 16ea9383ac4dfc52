// Windows bitmap files ("BMP") and the device-independent bitmap they hold.
//
// TDib is a value: header fields, colour table and pixel rows, with the rows laid out as the GDI
// expects them (each padded to a multiple of 4 bytes). The reader accepts 1, 4, 8, 16, 24 and
// 32 bits per pixel; uncompressed, RLE4, RLE8 and bit-field pixels; bottom-up and top-down
// rows; the OS/2 core header (12 bytes) and the 40, 52, 56, 108 and 124-byte Windows headers.
// RLE pixels are expanded when read: a TDib is always uncompressed (DibRgb, 4 or 8 bits,
// bottom-up) or bit fields (DibBitfields, 16 or 32 bits), so every holder can address its pixels
// directly. A malformed file raises EInvalidGraphic with the reason; nothing is read or written
// outside the data, and all size arithmetic is checked.
#pragma once

#include "framework/ByteBuffer.h"
#include "framework/Exceptions.h"
#include "framework/PictureLimits.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace tovane {

class TStream;

// Compression values of the info header.
inline constexpr std::uint32_t DibRgb = 0;
inline constexpr std::uint32_t DibRle8 = 1;
inline constexpr std::uint32_t DibRle4 = 2;
inline constexpr std::uint32_t DibBitfields = 3;

// Header sizes the reader knows.
inline constexpr std::uint32_t DibCoreHeaderSize = 12; // OS/2 1.x
inline constexpr std::uint32_t DibInfoHeaderSize = 40;
inline constexpr std::uint32_t DibV4HeaderSize = 108;
inline constexpr std::uint32_t DibV5HeaderSize = 124;
inline constexpr std::uint32_t BitmapFileHeaderSize = 14;

// One colour-table entry, stored blue, green, red, reserved.
struct TRgbQuad {
    std::uint8_t Blue = 0;
    std::uint8_t Green = 0;
    std::uint8_t Red = 0;
    std::uint8_t Reserved = 0;
    friend bool operator==(const TRgbQuad&, const TRgbQuad&) = default;
};

// Limits on what the reader accepts. The defaults are the viewer's one limit (PictureLimits.h),
// which the bundled plug-ins keep as well; the fuzz targets lower them.
struct TDibLimits {
    std::int32_t MaxDimension = MaxPictureSide;    // width and height each
    std::uint64_t MaxImageBytes = MaxPictureBytes; // the decoded pixel rows
};

struct TDib {
    std::int32_t Width = 0;  // > 0, or 0 for an empty bitmap
    std::int32_t Height = 0; // > 0 (the magnitude), or 0 for an empty bitmap
    bool TopDown = false;    // Bits holds the top row first (a negative height in the file)
    std::uint16_t BitCount = 0;
    std::uint32_t Compression = DibRgb; // DibRgb or DibBitfields
    // Bit masks of the channels; set (nonzero red, green, blue) exactly when Compression is
    // DibBitfields. AlphaMask is kept from V4/V5 headers and written back with them.
    std::uint32_t RedMask = 0;
    std::uint32_t GreenMask = 0;
    std::uint32_t BlueMask = 0;
    std::uint32_t AlphaMask = 0;
    std::int32_t XPelsPerMeter = 0;
    std::int32_t YPelsPerMeter = 0;
    std::uint32_t ClrImportant = 0;
    // The colour table: up to 2^BitCount entries for 1, 4 and 8 bits (a pixel value past its end
    // means black; a file without any entry reads as a full black table), usually none for the
    // deeper ones.
    std::vector<TRgbQuad> Colors;
    // Height rows of Stride() bytes, in the order TopDown says.
    TByteBuffer Bits;

    // A zero-filled bitmap of the given shape (BitCount 1, 4, 8, 16, 24 or 32; DibRgb). The
    // colour table is left empty. Raises EInvalidGraphic for a shape outside the limits.
    static TDib Create(std::int32_t width, std::int32_t height, std::uint16_t bitCount,
                       bool topDown = false, const TDibLimits& limits = {});

    bool Empty() const { return Width == 0 || Height == 0; }
    // True when the fields describe a bitmap this module can write and draw: a known depth and
    // compression, masks exactly for bit fields, at most 2^BitCount colours for 1, 4 and 8 bits
    // (256 otherwise), and Bits of exactly Stride() * Height bytes; or everything empty.
    bool IsWellFormed() const;
    // Bytes per row: ((Width * BitCount + 31) / 32) * 4.
    std::uint32_t Stride() const;
    // Row y counted from the top of the picture (0 = top), whatever the storage order.
    std::uint8_t* ScanLine(std::int32_t y);
    const std::uint8_t* ScanLine(std::int32_t y) const;
    // The colour of pixel (x, y), y from the top, as a Windows colour value 0x00BBGGRR.
    std::uint32_t PixelColor(std::int32_t x, std::int32_t y) const;
    // Stores a palette index (1, 4, 8 bits) or a raw pixel value (16, 24, 32 bits).
    void SetPixelValue(std::int32_t x, std::int32_t y, std::uint32_t value);
    std::uint32_t PixelValue(std::int32_t x, std::int32_t y) const;

    // The packed bitmap information for the GDI (StretchDIBits, CreateDIBSection): a 40-byte
    // header (negative height when TopDown; biClrUsed = Colors.size()), the three masks when
    // DibBitfields, then the colour table.
    std::vector<std::uint8_t> InfoBlock() const;

    friend bool operator==(const TDib&, const TDib&) = default;
};

// Reads a bitmap file that starts at the stream's position. On success the position is just
// past the pixel data; on failure it is unspecified (callers that retry note it first).
TDib ReadBitmapFile(TStream& stream, const TDibLimits& limits = {});
// Reads a bitmap file held in memory.
TDib ReadBitmapFile(std::span<const std::uint8_t> file, const TDibLimits& limits = {});
// Reads a bitmap file that fills the buffer, taking the buffer over: uncompressed pixel rows
// stay where they lie in it (the file's headers stay allocated with them) instead of being
// copied. The buffer is consumed whether or not the file is valid.
TDib ReadBitmapFile(TByteBuffer&& file, const TDibLimits& limits = {});
// A DIB given as its two parts: the bitmap-information block (header, masks, colour table)
// and the pixel data. Extra bytes after either are ignored.
TDib ReadDib(std::span<const std::uint8_t> info, std::span<const std::uint8_t> pixels,
             const TDibLimits& limits = {});
// The same, taking the pixel buffer over: uncompressed rows stay where they lie in it.
TDib ReadDib(std::span<const std::uint8_t> info, TByteBuffer&& pixels,
             const TDibLimits& limits = {});

// Writes a bitmap file at the stream's position: file header, 40-byte info header (a V5
// header when AlphaMask is set), masks, colour table, pixel rows. An empty TDib raises
// EInvalidGraphic.
void WriteBitmapFile(const TDib& dib, TStream& stream);
std::vector<std::uint8_t> WriteBitmapFile(const TDib& dib);

} // namespace tovane
