#include "framework/BitmapFile.h"

#include "framework/Streams.h"
#include "framework/Strings.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>

namespace tovane {

namespace {

[[noreturn]] void Invalid(const std::string& why) {
    throw EInvalidGraphic("Invalid bitmap: " + why);
}

std::uint16_t Get16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
std::uint32_t Get32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
std::int32_t GetI32(const std::uint8_t* p) {
    return static_cast<std::int32_t>(Get32(p));
}

void Put16(std::vector<std::uint8_t>& out, std::uint32_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}
void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

bool KnownDepth(std::uint32_t bits) {
    return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

std::uint64_t StrideOf(std::uint64_t width, std::uint64_t bits) {
    return ((width * bits + 31) / 32) * 4;
}

// The shape checks shared by the reader and TDib::Create; returns the pixel bytes.
std::uint64_t CheckShape(std::int64_t width, std::int64_t height, std::uint32_t bits,
                         const TDibLimits& limits) {
    if (width <= 0)
        Invalid(Format("width %lld is not positive", static_cast<long long>(width)));
    if (height <= 0)
        Invalid(Format("height %lld is not positive", static_cast<long long>(height)));
    if (width > limits.MaxDimension || height > limits.MaxDimension)
        Invalid(Format("%lld x %lld pixels exceeds the limit of %d per side",
                       static_cast<long long>(width), static_cast<long long>(height),
                       limits.MaxDimension));
    if (!KnownDepth(bits))
        Invalid(Format("unsupported bit depth %u", bits));
    // Both factors are below 2^19 and 2^35, so the product cannot overflow 64 bits.
    const std::uint64_t bytes =
        StrideOf(static_cast<std::uint64_t>(width), bits) * static_cast<std::uint64_t>(height);
    if (bytes > limits.MaxImageBytes || bytes > std::numeric_limits<std::uint32_t>::max())
        Invalid(Format("%lld x %lld pixels at %u bits needs %llu bytes, more than the limit of "
                       "%llu",
                       static_cast<long long>(width), static_cast<long long>(height), bits,
                       static_cast<unsigned long long>(bytes),
                       static_cast<unsigned long long>(limits.MaxImageBytes)));
    return bytes;
}

// A channel of a bit-field pixel widened to 8 bits by repeating its bits, as the GDI does
// (5 bits v become v << 3 | v >> 2); wider channels keep their top 8 bits.
std::uint32_t Channel(std::uint32_t value, std::uint32_t mask) {
    if (mask == 0)
        return 0;
    const int shift = std::countr_zero(mask);
    const int width = std::bit_width(mask >> shift);
    const std::uint32_t v = (value & mask) >> shift;
    if (width >= 8)
        return (v >> (width - 8)) & 0xFF;
    std::uint32_t wide = 0;
    int filled = 0;
    while (filled < 8) {
        wide = (wide << width) | v;
        filled += width;
    }
    return (wide >> (filled - 8)) & 0xFF;
}

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

} // namespace

// ---- TDib ----

TDib TDib::Create(std::int32_t width, std::int32_t height, std::uint16_t bitCount, bool topDown,
                  const TDibLimits& limits) {
    const std::uint64_t bytes = CheckShape(width, height, bitCount, limits);
    TDib d;
    d.Width = width;
    d.Height = height;
    d.TopDown = topDown;
    d.BitCount = bitCount;
    d.Bits.assign(static_cast<std::size_t>(bytes), 0);
    return d;
}

std::uint32_t TDib::Stride() const {
    if (Width <= 0)
        return 0;
    return static_cast<std::uint32_t>(StrideOf(static_cast<std::uint64_t>(Width), BitCount));
}

bool TDib::IsWellFormed() const {
    if (Width == 0 && Height == 0 && Bits.empty())
        return true;
    if (Width <= 0 || Height <= 0 || !KnownDepth(BitCount))
        return false;
    if (Compression == DibRgb) {
        if (RedMask != 0 || GreenMask != 0 || BlueMask != 0 || AlphaMask != 0)
            return false;
    } else if (Compression == DibBitfields) {
        if ((BitCount != 16 && BitCount != 32) || (RedMask | GreenMask | BlueMask) == 0)
            return false;
    } else {
        return false;
    }
    const std::size_t maxColors = BitCount <= 8 ? (std::size_t{1} << BitCount) : 256;
    if (Colors.size() > maxColors)
        return false;
    return Bits.size() == std::uint64_t{Stride()} * static_cast<std::uint64_t>(Height);
}

std::uint8_t* TDib::ScanLine(std::int32_t y) {
    const std::int32_t row = TopDown ? y : Height - 1 - y;
    return Bits.data() + static_cast<std::size_t>(row) * Stride();
}

const std::uint8_t* TDib::ScanLine(std::int32_t y) const {
    const std::int32_t row = TopDown ? y : Height - 1 - y;
    return Bits.data() + static_cast<std::size_t>(row) * Stride();
}

std::uint32_t TDib::PixelValue(std::int32_t x, std::int32_t y) const {
    const std::uint8_t* row = ScanLine(y);
    const auto ux = static_cast<std::size_t>(x);
    switch (BitCount) {
    case 1:
        return (row[ux / 8] >> (7 - ux % 8)) & 1;
    case 4:
        return ux % 2 == 0 ? row[ux / 2] >> 4 : row[ux / 2] & 0x0F;
    case 8:
        return row[ux];
    case 16:
        return Get16(row + ux * 2);
    case 24:
        return row[ux * 3] | (row[ux * 3 + 1] << 8) | (row[ux * 3 + 2] << 16);
    default:
        return Get32(row + ux * 4);
    }
}

void TDib::SetPixelValue(std::int32_t x, std::int32_t y, std::uint32_t value) {
    std::uint8_t* row = ScanLine(y);
    const auto ux = static_cast<std::size_t>(x);
    switch (BitCount) {
    case 1: {
        const auto bit = static_cast<std::uint8_t>(0x80 >> (ux % 8));
        row[ux / 8] =
            static_cast<std::uint8_t>((value & 1) ? (row[ux / 8] | bit) : (row[ux / 8] & ~bit));
        break;
    }
    case 4:
        row[ux / 2] = ux % 2 == 0
                          ? static_cast<std::uint8_t>((row[ux / 2] & 0x0F) | ((value & 0x0F) << 4))
                          : static_cast<std::uint8_t>((row[ux / 2] & 0xF0) | (value & 0x0F));
        break;
    case 8:
        row[ux] = static_cast<std::uint8_t>(value);
        break;
    case 16:
        row[ux * 2] = static_cast<std::uint8_t>(value);
        row[ux * 2 + 1] = static_cast<std::uint8_t>(value >> 8);
        break;
    case 24:
        row[ux * 3] = static_cast<std::uint8_t>(value);
        row[ux * 3 + 1] = static_cast<std::uint8_t>(value >> 8);
        row[ux * 3 + 2] = static_cast<std::uint8_t>(value >> 16);
        break;
    default:
        for (int i = 0; i < 4; ++i)
            row[ux * 4 + i] = static_cast<std::uint8_t>(value >> (8 * i));
        break;
    }
}

std::uint32_t TDib::PixelColor(std::int32_t x, std::int32_t y) const {
    const std::uint32_t v = PixelValue(x, y);
    std::uint32_t r = 0;
    std::uint32_t g = 0;
    std::uint32_t b = 0;
    if (BitCount <= 8) {
        if (v >= Colors.size())
            return 0;
        const TRgbQuad& q = Colors[v];
        r = q.Red;
        g = q.Green;
        b = q.Blue;
    } else if (Compression == DibBitfields) {
        r = Channel(v, RedMask);
        g = Channel(v, GreenMask);
        b = Channel(v, BlueMask);
    } else if (BitCount == 16) {
        r = Channel(v, 0x7C00);
        g = Channel(v, 0x03E0);
        b = Channel(v, 0x001F);
    } else {
        r = (v >> 16) & 0xFF;
        g = (v >> 8) & 0xFF;
        b = v & 0xFF;
    }
    return r | (g << 8) | (b << 16);
}

namespace {

// The colour table as written: the entries held, or for a paletted bitmap without any, a full
// black table (a header with biClrUsed 0 promises 2^BitCount entries).
std::size_t WrittenColors(const TDib& d) {
    if (d.BitCount <= 8 && d.Colors.empty())
        return std::size_t{1} << d.BitCount;
    return d.Colors.size();
}

void PutInfoHeader(std::vector<std::uint8_t>& out, const TDib& d, std::uint32_t headerSize) {
    Put32(out, headerSize);
    Put32(out, static_cast<std::uint32_t>(d.Width));
    Put32(out, static_cast<std::uint32_t>(d.TopDown ? -d.Height : d.Height));
    Put16(out, 1);
    Put16(out, d.BitCount);
    Put32(out, d.Compression);
    Put32(out, static_cast<std::uint32_t>(d.Bits.size()));
    Put32(out, static_cast<std::uint32_t>(d.XPelsPerMeter));
    Put32(out, static_cast<std::uint32_t>(d.YPelsPerMeter));
    Put32(out, static_cast<std::uint32_t>(WrittenColors(d)));
    Put32(out, d.ClrImportant);
}

void PutColors(std::vector<std::uint8_t>& out, const TDib& d) {
    const std::size_t n = WrittenColors(d);
    for (std::size_t i = 0; i < n; ++i) {
        const TRgbQuad q = i < d.Colors.size() ? d.Colors[i] : TRgbQuad{};
        out.insert(out.end(), {q.Blue, q.Green, q.Red, 0});
    }
}

void RequireWellFormed(const TDib& d) {
    if (d.Empty())
        throw EInvalidGraphic("Cannot write an empty bitmap");
    if (!d.IsWellFormed())
        throw EInvalidGraphic("Cannot write a malformed bitmap");
}

// Everything of the file before the pixels.
std::vector<std::uint8_t> FileHead(const TDib& d) {
    RequireWellFormed(d);
    const bool v5 = d.Compression == DibBitfields && d.AlphaMask != 0;
    std::vector<std::uint8_t> info;
    PutInfoHeader(info, d, v5 ? DibV5HeaderSize : DibInfoHeaderSize);
    if (d.Compression == DibBitfields) {
        Put32(info, d.RedMask);
        Put32(info, d.GreenMask);
        Put32(info, d.BlueMask);
    }
    if (v5) {
        Put32(info, d.AlphaMask);
        Put32(info, 0x73524742);            // 'sRGB'
        info.resize(info.size() + 36 + 12); // endpoints and gamma: unused with sRGB
        Put32(info, 4);                     // LCS_GM_IMAGES
        info.resize(DibV5HeaderSize, 0);    // profile offset and size, reserved
    }
    PutColors(info, d);

    const std::uint64_t offBits = BitmapFileHeaderSize + info.size();
    const std::uint64_t fileSize = offBits + d.Bits.size();
    if (fileSize > std::numeric_limits<std::uint32_t>::max())
        throw EInvalidGraphic("The bitmap is too large for a bitmap file");
    std::vector<std::uint8_t> head{'B', 'M'};
    Put32(head, static_cast<std::uint32_t>(fileSize));
    Put32(head, 0);
    Put32(head, static_cast<std::uint32_t>(offBits));
    head.insert(head.end(), info.begin(), info.end());
    return head;
}

} // namespace

std::vector<std::uint8_t> TDib::InfoBlock() const {
    RequireWellFormed(*this);
    std::vector<std::uint8_t> out;
    PutInfoHeader(out, *this, DibInfoHeaderSize);
    if (Compression == DibBitfields) {
        Put32(out, RedMask);
        Put32(out, GreenMask);
        Put32(out, BlueMask);
    }
    PutColors(out, *this);
    return out;
}

// ---- Reading and writing files ----

namespace {

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

void WriteBitmapFile(const TDib& dib, TStream& stream) {
    const std::vector<std::uint8_t> head = FileHead(dib);
    stream.WriteBuffer(head.data(), static_cast<std::int64_t>(head.size()));
    stream.WriteBuffer(dib.Bits.data(), static_cast<std::int64_t>(dib.Bits.size()));
}

std::vector<std::uint8_t> WriteBitmapFile(const TDib& dib) {
    std::vector<std::uint8_t> out = FileHead(dib);
    out.insert(out.end(), dib.Bits.begin(), dib.Bits.end());
    return out;
}

} // namespace tovane
