// The bitmap type: its shape, rows and pixels.
#include "framework/BitmapFile.h"

#include "framework/BitmapLayout.h"

#include <bit>
#include <limits>

namespace tovane {

namespace bitmap_layout {

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

} // namespace bitmap_layout

using namespace bitmap_layout;

namespace {

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

} // namespace

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

} // namespace tovane
