// The bitmap file reader: headers, colour tables, masks and pixels (RLE expanded), checked
// against the data and the limits.
#include "framework/BitmapFile.h"

#include "framework/BitmapLayout.h"
#include "framework/Streams.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace tovane {

using namespace bitmap_layout;

namespace {

// What the information block says, before any pixel is read.
struct TParsedInfo {
    TDib Dib;                               // all fields but Bits
    std::uint32_t FileCompression = DibRgb; // as stored, RLE included
    std::uint32_t SizeImage = 0;
    std::uint64_t TablesStart = 0; // header + masks
    std::uint64_t DeclaredEnd = 0; // header + masks + the colour table the header declares
    std::uint64_t ImageBytes = 0;  // Stride * Height of the expanded picture
};

bool KnownHeaderSize(std::uint32_t size) {
    return size == DibCoreHeaderSize || size == DibInfoHeaderSize || size == 52 || size == 56 ||
           size == 64 || size == DibV4HeaderSize || size == DibV5HeaderSize;
}

// Parses the information block. Its colour table may be shorter than declared: only the
// entries that lie within the block and before tableEnd (the pixel offset of a file, counted
// from the header) are kept. A tableEnd before the colour table's start is no limit.
TParsedInfo ParseInfo(std::span<const std::uint8_t> info, const TDibLimits& limits,
                      std::uint64_t tableEnd = std::numeric_limits<std::uint64_t>::max()) {
    if (info.size() < 4)
        Invalid("the information header is truncated");
    const std::uint32_t headerSize = Get32(info.data());
    if (!KnownHeaderSize(headerSize))
        Invalid(Format("unknown information header size %u", headerSize));
    if (info.size() < headerSize)
        Invalid(Format("the %u-byte information header is truncated", headerSize));
    const std::uint8_t* h = info.data();

    TParsedInfo p;
    TDib& d = p.Dib;
    std::int64_t width = 0;
    std::int64_t height = 0;
    std::uint32_t bits = 0;
    std::uint32_t clrUsed = 0;
    std::uint32_t entrySize = 4;
    if (headerSize == DibCoreHeaderSize) {
        width = Get16(h + 4);
        height = Get16(h + 6);
        bits = Get16(h + 10);
        entrySize = 3;
        if (bits != 1 && bits != 4 && bits != 8 && bits != 24)
            Invalid(Format("unsupported bit depth %u in an OS/2 header", bits));
    } else {
        width = GetI32(h + 4);
        height = GetI32(h + 8);
        bits = Get16(h + 14);
        p.FileCompression = Get32(h + 16);
        p.SizeImage = Get32(h + 20);
        d.XPelsPerMeter = GetI32(h + 24);
        d.YPelsPerMeter = GetI32(h + 28);
        clrUsed = Get32(h + 32);
        d.ClrImportant = Get32(h + 36);
    }
    if (height < 0) {
        d.TopDown = true;
        height = -height; // from a 32-bit value: no overflow in 64 bits
    }

    const std::uint32_t c = p.FileCompression;
    if (headerSize == 64 && c != DibRgb && c != DibRle8 && c != DibRle4)
        Invalid(Format("unsupported OS/2 compression %u", c)); // Huffman 1D, RLE24
    if (c == 4 || c == 5)
        Invalid(c == 4 ? "JPEG-compressed bitmaps are not supported"
                       : "PNG-compressed bitmaps are not supported");
    bool bitfields = false;
    std::uint32_t maskCount = 0;
    switch (c) {
    case DibRgb:
        break;
    case DibRle8:
    case DibRle4:
        if (bits != (c == DibRle8 ? 8u : 4u))
            Invalid(Format("RLE%u compression with %u bits per pixel", c == DibRle8 ? 8 : 4, bits));
        if (d.TopDown)
            Invalid("an RLE bitmap cannot be top-down");
        break;
    case DibBitfields:
    case 6: // bit fields with an alpha mask
        if (bits != 16 && bits != 32)
            Invalid(Format("bit-field compression with %u bits per pixel", bits));
        bitfields = true;
        maskCount = c == 6 ? 4 : 3;
        break;
    default:
        Invalid(Format("unknown compression %u", c));
    }
    const std::uint64_t imageBytes = CheckShape(width, height, bits, limits);

    std::uint32_t maskBytes = 0;
    if (bitfields) {
        const std::uint8_t* m = h + 40;
        if (headerSize < 52) { // the masks follow the header
            maskBytes = 4 * maskCount;
            if (info.size() < headerSize + maskBytes)
                Invalid("the bit-field masks are truncated");
        } else { // the masks are part of the header; the alpha mask from 56 bytes on
            maskCount = headerSize >= 56 ? 4 : 3;
        }
        d.Compression = DibBitfields;
        d.RedMask = Get32(m);
        d.GreenMask = Get32(m + 4);
        d.BlueMask = Get32(m + 8);
        d.AlphaMask = maskCount == 4 ? Get32(m + 12) : 0;
        if (bits == 16) {
            d.RedMask &= 0xFFFF;
            d.GreenMask &= 0xFFFF;
            d.BlueMask &= 0xFFFF;
            d.AlphaMask &= 0xFFFF;
        }
        if ((d.RedMask | d.GreenMask | d.BlueMask) == 0)
            Invalid("the bit-field masks are all zero");
    }

    std::uint64_t declared = clrUsed;
    if (bits <= 8) {
        const std::uint64_t full = std::uint64_t{1} << bits;
        if (declared == 0 || headerSize == DibCoreHeaderSize)
            declared = full;
    }
    const std::uint64_t tableStart = std::uint64_t{headerSize} + maskBytes;
    p.TablesStart = tableStart;
    p.DeclaredEnd = tableStart + declared * entrySize;
    std::uint64_t kept =
        bits <= 8 ? std::min<std::uint64_t>(declared, std::uint64_t{1} << bits) : 0;
    std::uint64_t room = info.size();
    if (tableEnd >= tableStart)
        room = std::min(room, tableEnd);
    kept = std::min<std::uint64_t>(kept, (room - tableStart) / entrySize);
    if (bits <= 8 && kept == 0) {
        // No entry at all: the GDI shows such a picture black, and the file written back
        // (biClrUsed 0) promises a full table, so hold a full black one.
        d.Colors.resize(std::size_t{1} << bits);
    }
    if (kept > 0)
        d.Colors.resize(static_cast<std::size_t>(kept));
    for (std::size_t i = 0; i < kept; ++i) {
        const std::uint8_t* e = h + tableStart + i * entrySize;
        d.Colors[i] = TRgbQuad{e[0], e[1], e[2], 0};
    }

    d.Width = static_cast<std::int32_t>(width);
    d.Height = static_cast<std::int32_t>(height);
    d.BitCount = static_cast<std::uint16_t>(bits);
    p.ImageBytes = imageBytes;
    return p;
}

// Expands RLE4/RLE8 data into the zero-filled bottom-up rows of d. Runs and absolute blocks
// that reach past a row's end are clipped; a delta or end-of-line past the top ends the
// picture; data that ends between codes ends it too, data that ends inside a code is an error.
// Returns the bytes consumed.
std::size_t ExpandRle(TDib& d, bool rle4, std::span<const std::uint8_t> data) {
    const std::uint32_t width = static_cast<std::uint32_t>(d.Width);
    const std::uint32_t height = static_cast<std::uint32_t>(d.Height);
    const std::uint32_t stride = d.Stride();
    std::uint32_t x = 0;
    std::uint32_t y = 0; // storage row: 0 = bottom
    auto put = [&](std::uint32_t value) {
        if (x < width) {
            std::uint8_t* row = d.Bits.data() + std::size_t{y} * stride;
            if (rle4) {
                std::uint8_t& b = row[x / 2];
                b = (x % 2 == 0) ? static_cast<std::uint8_t>((b & 0x0F) | (value << 4))
                                 : static_cast<std::uint8_t>((b & 0xF0) | (value & 0x0F));
            } else {
                row[x] = static_cast<std::uint8_t>(value);
            }
            ++x;
        }
    };
    std::size_t pos = 0;
    const std::size_t n = data.size();
    while (y < height) {
        if (pos == n)
            break;
        if (n - pos < 2)
            Invalid("RLE data ends inside a code");
        const std::uint32_t count = data[pos];
        const std::uint32_t value = data[pos + 1];
        pos += 2;
        if (count > 0) {
            for (std::uint32_t i = 0; i < count && x < width; ++i)
                put(rle4 ? ((i % 2 == 0) ? value >> 4 : value & 0x0F) : value);
            continue;
        }
        if (value == 0) { // end of line
            x = 0;
            ++y;
        } else if (value == 1) { // end of bitmap
            break;
        } else if (value == 2) { // delta
            if (n - pos < 2)
                Invalid("RLE data ends inside a delta");
            x = std::min(width, x + data[pos]);
            y += data[pos + 1];
            pos += 2;
        } else { // absolute block of `value` pixels, padded to a 16-bit boundary
            std::size_t bytes = rle4 ? (value + 1) / 2 : value;
            bytes += bytes % 2;
            if (n - pos < bytes)
                Invalid("RLE data ends inside an absolute block");
            for (std::uint32_t i = 0; i < value && x < width; ++i) {
                const std::uint8_t b = data[pos + (rle4 ? i / 2 : i)];
                put(rle4 ? ((i % 2 == 0) ? b >> 4 : b & 0x0F) : b);
            }
            pos += bytes;
        }
    }
    return pos;
}

// The longest RLE data a picture can use that still changes pixels: beyond it only no-op
// codes (zero deltas) could follow. Bounds what is read from a stream.
std::uint64_t RleReadCap(const TParsedInfo& p) {
    return p.ImageBytes * 4 + std::uint64_t(p.Dib.Height) * 4 + 0x10000;
}

void DecodePixels(TParsedInfo& p, std::span<const std::uint8_t> pixels, std::size_t* consumed) {
    TDib& d = p.Dib;
    if (p.FileCompression == DibRle8 || p.FileCompression == DibRle4) {
        d.Bits.assign(static_cast<std::size_t>(p.ImageBytes), 0);
        std::span<const std::uint8_t> data = pixels;
        if (p.SizeImage != 0 && p.SizeImage <= data.size())
            data = data.first(p.SizeImage);
        const std::size_t used = ExpandRle(d, p.FileCompression == DibRle4, data);
        if (consumed)
            *consumed = used;
        return;
    }
    if (pixels.size() < p.ImageBytes)
        Invalid(Format("the pixel data is truncated (%llu of %llu bytes)",
                       static_cast<unsigned long long>(pixels.size()),
                       static_cast<unsigned long long>(p.ImageBytes)));
    d.Bits.assign(pixels.first(static_cast<std::size_t>(p.ImageBytes)));
    if (consumed)
        *consumed = static_cast<std::size_t>(p.ImageBytes);
}

// Where the pixels start, counted from the start of the information header: the file's offset
// when it lies at or past the colour table's start (a table may be shorter than declared),
// else (an offset of 0 or one inside the headers) right after the declared colour table.
std::uint64_t PixelStart(const TParsedInfo& p, std::uint32_t offBits) {
    if (offBits >= BitmapFileHeaderSize && offBits - BitmapFileHeaderSize >= p.TablesStart)
        return offBits - BitmapFileHeaderSize;
    return p.DeclaredEnd;
}

// A read-only stream over bytes that someone else owns, so that files in memory take the same
// path as streams.
class TSpanStream : public TStream {
public:
    explicit TSpanStream(std::span<const std::uint8_t> bytes) : FBytes(bytes) {}
    std::int64_t Read(void* buffer, std::int64_t count) override {
        if (count <= 0 || FPosition >= FBytes.size())
            return 0;
        const auto n = static_cast<std::size_t>(
            std::min<std::uint64_t>(static_cast<std::uint64_t>(count), FBytes.size() - FPosition));
        std::memcpy(buffer, FBytes.data() + FPosition, n);
        FPosition += n;
        return static_cast<std::int64_t>(n);
    }
    std::int64_t Write(const void*, std::int64_t) override { return 0; }
    std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override {
        const std::int64_t base = origin == TSeekOrigin::soBeginning ? 0
                                  : origin == TSeekOrigin::soCurrent
                                      ? static_cast<std::int64_t>(FPosition)
                                      : static_cast<std::int64_t>(FBytes.size());
        std::int64_t target = 0;
        if (__builtin_add_overflow(base, offset, &target) || target < 0)
            throw EStreamError("Stream seek outside the stream");
        FPosition = static_cast<std::size_t>(target);
        return target;
    }
    void SetSize(std::int64_t) override { throw EStreamError("The stream is read-only"); }
    std::int64_t Size() override { return static_cast<std::int64_t>(FBytes.size()); }

private:
    std::span<const std::uint8_t> FBytes;
    std::size_t FPosition = 0;
};

// Reads up to count bytes (fewer at the end of the stream) into a new buffer.
std::vector<std::uint8_t> ReadUpTo(TStream& stream, std::uint64_t count) {
    std::vector<std::uint8_t> out(static_cast<std::size_t>(count));
    const std::int64_t got = stream.Read(out.data(), static_cast<std::int64_t>(count));
    out.resize(static_cast<std::size_t>(std::max<std::int64_t>(got, 0)));
    return out;
}

// Masks (16 at most) and a full colour table (256 entries of 4 bytes).
constexpr std::uint64_t MaxTablesBytes = 16 + 1024;

// A bitmap file's headers read from a stream, and where its pixels lie.
struct TFileHeaders {
    TParsedInfo Parsed;
    std::uint64_t PixelStart = 0; // stream position of the pixel data
    std::uint64_t Available = 0;  // bytes from there to the end of the stream
};

TFileHeaders ReadFileHeaders(TStream& stream, const TDibLimits& limits) {
    const std::int64_t start = stream.Position();
    const std::int64_t total = stream.Size();
    if (start > total)
        Invalid("the stream is positioned past its end");

    std::uint8_t fileHeader[BitmapFileHeaderSize];
    if (stream.Read(fileHeader, sizeof fileHeader) != static_cast<std::int64_t>(sizeof fileHeader))
        Invalid("the file is too short for a bitmap file header");
    if (fileHeader[0] != 'B' || fileHeader[1] != 'M')
        Invalid("the file does not start with \"BM\"");
    const std::uint32_t offBits = Get32(fileHeader + 10);

    std::vector<std::uint8_t> info = ReadUpTo(stream, 4);
    if (info.size() < 4)
        Invalid("the information header is truncated");
    const std::uint32_t headerSize = Get32(info.data());
    if (!KnownHeaderSize(headerSize))
        Invalid(Format("unknown information header size %u", headerSize));
    std::vector<std::uint8_t> rest = ReadUpTo(stream, headerSize - 4);
    info.insert(info.end(), rest.begin(), rest.end());
    if (info.size() < headerSize)
        Invalid(Format("the %u-byte information header is truncated", headerSize));

    // The masks and colour table: as much as any table can need (what follows may be pixels;
    // the pixel offset decides where the table ends).
    rest = ReadUpTo(stream, MaxTablesBytes);
    info.insert(info.end(), rest.begin(), rest.end());

    TFileHeaders f{ParseInfo(info, limits,
                             offBits >= BitmapFileHeaderSize ? offBits - BitmapFileHeaderSize : 0)};
    f.PixelStart =
        static_cast<std::uint64_t>(start) + BitmapFileHeaderSize + PixelStart(f.Parsed, offBits);
    if (f.PixelStart > static_cast<std::uint64_t>(total))
        Invalid("the pixel data starts past the end of the file");
    f.Available = static_cast<std::uint64_t>(total) - f.PixelStart;
    return f;
}

bool IsRle(const TParsedInfo& p) {
    return p.FileCompression == DibRle8 || p.FileCompression == DibRle4;
}

void RequireUncompressedPixels(const TFileHeaders& f) {
    if (f.Available < f.Parsed.ImageBytes)
        Invalid(Format("the pixel data is truncated (%llu of %llu bytes)",
                       static_cast<unsigned long long>(f.Available),
                       static_cast<unsigned long long>(f.Parsed.ImageBytes)));
}

// Reads the pixels that start at the stream's position into the parsed bitmap.
TDib ReadFilePixels(TStream& stream, TFileHeaders& f) {
    TParsedInfo& p = f.Parsed;
    stream.SetPosition(static_cast<std::int64_t>(f.PixelStart));
    if (IsRle(p)) {
        std::uint64_t length = std::min(f.Available, RleReadCap(p));
        if (p.SizeImage != 0 && p.SizeImage <= length)
            length = p.SizeImage;
        const std::vector<std::uint8_t> data = ReadUpTo(stream, length);
        std::size_t used = 0;
        DecodePixels(p, data, &used);
        stream.SetPosition(static_cast<std::int64_t>(f.PixelStart + used));
    } else {
        RequireUncompressedPixels(f);
        p.Dib.Bits = TByteBuffer::Uninitialized(static_cast<std::size_t>(p.ImageBytes));
        stream.ReadBuffer(p.Dib.Bits.data(), static_cast<std::int64_t>(p.ImageBytes));
    }
    return std::move(p.Dib);
}

} // namespace

TDib ReadBitmapFile(TStream& stream, const TDibLimits& limits) {
    TFileHeaders f = ReadFileHeaders(stream, limits);
    return ReadFilePixels(stream, f);
}

TDib ReadBitmapFile(std::span<const std::uint8_t> file, const TDibLimits& limits) {
    TSpanStream stream(file);
    return ReadBitmapFile(stream, limits);
}

TDib ReadBitmapFile(TByteBuffer&& file, const TDibLimits& limits) {
    TByteBuffer owned(std::move(file));
    TSpanStream stream(owned);
    TFileHeaders f = ReadFileHeaders(stream, limits);
    if (IsRle(f.Parsed))
        return ReadFilePixels(stream, f);
    RequireUncompressedPixels(f);
    f.Parsed.Dib.Bits = std::move(owned).Slice(static_cast<std::size_t>(f.PixelStart),
                                               static_cast<std::size_t>(f.Parsed.ImageBytes));
    return std::move(f.Parsed.Dib);
}

TDib ReadDib(std::span<const std::uint8_t> info, std::span<const std::uint8_t> pixels,
             const TDibLimits& limits) {
    TParsedInfo p = ParseInfo(info, limits);
    DecodePixels(p, pixels, nullptr);
    return std::move(p.Dib);
}

TDib ReadDib(std::span<const std::uint8_t> info, TByteBuffer&& pixels, const TDibLimits& limits) {
    TByteBuffer owned(std::move(pixels));
    TParsedInfo p = ParseInfo(info, limits);
    if (p.FileCompression == DibRle8 || p.FileCompression == DibRle4 ||
        owned.size() < p.ImageBytes) {
        DecodePixels(p, owned, nullptr);
        return std::move(p.Dib);
    }
    p.Dib.Bits = std::move(owned).Slice(0, static_cast<std::size_t>(p.ImageBytes));
    return std::move(p.Dib);
}

} // namespace tovane
