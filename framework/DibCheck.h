// Checks a plug-in's decoded picture against the memory it came in.
//
// A plug-in hands back two memory blocks: the bitmap information (a BITMAPINFOHEADER or a later
// Windows header, then the bit-field masks and the colour table) and the pixel array. Nothing
// in them can be trusted: CheckDibBlocks reads the header, derives how many bytes of each block
// the picture needs, with all arithmetic in 64 bits and limited to 32, and compares that with
// the sizes of the blocks (LocalSize). Real plug-ins return blocks larger than needed, so only
// a block that is too small fails; the colour table's length comes from the header, never from
// the block size. A picture larger than the bitmap reader accepts fails here, before any
// copy of it is made.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace tovane {

class TStream;

// What the picture needs of its two blocks. All offsets are from the start of the info block.
struct TDibLayout {
    std::uint32_t HeaderSize = 0;       // biSize: 40, 52, 56, 108 or 124
    std::int32_t Width = 0;             // biWidth, > 0
    std::int32_t Height = 0;            // biHeight as stored: negative for a top-down picture
    std::uint16_t BitCount = 0;         // 1, 4, 8, 16, 24 or 32
    std::uint32_t Compression = 0;      // DibRgb, DibRle8, DibRle4 or DibBitfields
    std::uint32_t ColorCount = 0;       // colour-table entries: biClrUsed, or 2/16/256 when it is 0
                                        // for 1/4/8 bits (none for deeper pictures)
    std::uint32_t MaskBytes = 0;        // 12 when the masks follow a 40-byte header, else 0
    std::uint32_t ColorTableOffset = 0; // HeaderSize + MaskBytes
    std::uint32_t InfoSize = 0;         // ColorTableOffset + 4 * ColorCount: the bytes to copy
    std::uint32_t Stride = 0;           // ((Width * BitCount + 31) / 32) * 4
    std::uint32_t ImageSize = 0;        // Stride * |Height|; for RLE the header's biSizeImage
};

struct TDibCheck {
    std::optional<TDibLayout> Layout; // set when the blocks are consistent
    std::string Reason;               // why not, in English, for logs and tests
    // The blocks are consistent but the picture is larger than a bitmap may be (the bitmap
    // reader's TDibLimits): Reason is then a message for the user, giving its size.
    bool TooLarge = false;

    bool Ok() const { return Layout.has_value(); }
};

// info: the first byte of the information block, infoBlockSize bytes readable (nullptr with
// size 0 fails cleanly). pixelBlockSize: the bytes of the pixel block.
TDibCheck CheckDibBlocks(const void* info, std::size_t infoBlockSize, std::size_t pixelBlockSize);

// Writes a Windows bitmap file made of the two blocks as the layout describes them: the
// 14-byte file header (size 14 + InfoSize + ImageSize, pixel offset 14 + InfoSize), the first
// InfoSize bytes of the info block unchanged, then the first ImageSize bytes of the pixels. The
// layout must come from CheckDibBlocks of these same blocks.
void WriteBitmapFileFromBlocks(TStream& stream, const TDibLayout& layout, const void* info,
                               const void* pixels);

} // namespace tovane
