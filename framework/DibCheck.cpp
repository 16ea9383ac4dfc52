#include "framework/DibCheck.h"

#include "framework/BitmapFile.h"
#include "framework/Streams.h"
#include "framework/Strings.h"

#include <cstring>
#include <limits>

namespace tovane {

namespace {

std::uint32_t Get32(const std::uint8_t* p) {
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = (v << 8) | p[i];
    return v;
}

TDibCheck Fail(std::string reason) {
    return TDibCheck{std::nullopt, std::move(reason)};
}

bool PluginHeaderSize(std::uint32_t size) {
    return size == DibInfoHeaderSize || size == 52 || size == 56 || size == DibV4HeaderSize ||
           size == DibV5HeaderSize;
}

} // namespace

TDibCheck CheckDibBlocks(const void* info, std::size_t infoBlockSize, std::size_t pixelBlockSize) {
    if (info == nullptr || infoBlockSize < 4)
        return Fail(Format("the information block (%llu bytes) holds no header",
                           static_cast<unsigned long long>(infoBlockSize)));
    const auto* h = static_cast<const std::uint8_t*>(info);
    TDibLayout l;
    l.HeaderSize = Get32(h);
    if (!PluginHeaderSize(l.HeaderSize))
        return Fail(Format("unsupported header size %u", l.HeaderSize));
    if (l.HeaderSize > infoBlockSize)
        return Fail(Format("the %u-byte header does not fit the %llu-byte information block",
                           l.HeaderSize, static_cast<unsigned long long>(infoBlockSize)));
    l.Width = static_cast<std::int32_t>(Get32(h + 4));
    l.Height = static_cast<std::int32_t>(Get32(h + 8));
    l.BitCount = static_cast<std::uint16_t>(h[14] | (h[15] << 8));
    l.Compression = Get32(h + 16);
    const std::uint32_t sizeImage = Get32(h + 20);
    const std::uint32_t clrUsed = Get32(h + 32);

    if (l.Width <= 0)
        return Fail(Format("width %d is not positive", l.Width));
    if (l.Height == 0 || l.Height == std::numeric_limits<std::int32_t>::min())
        return Fail(Format("height %d is not usable", l.Height));
    const std::uint32_t bits = l.BitCount;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        return Fail(Format("unsupported bit depth %u", bits));
    const bool rle = l.Compression == DibRle8 || l.Compression == DibRle4;
    switch (l.Compression) {
    case DibRgb:
        break;
    case DibRle8:
    case DibRle4:
        if (bits != (l.Compression == DibRle8 ? 8u : 4u))
            return Fail(Format("compression %u with %u bits per pixel", l.Compression, bits));
        if (l.Height < 0)
            return Fail("a run-length encoded picture cannot be top-down");
        if (sizeImage == 0)
            return Fail("a run-length encoded picture without its data size");
        break;
    case DibBitfields:
        if (bits != 16 && bits != 32)
            return Fail(Format("bit-field compression with %u bits per pixel", bits));
        break;
    default:
        return Fail(Format("unsupported compression %u", l.Compression));
    }

    // Deeper pictures need no colour table: one of any declared length is ignored.
    if (clrUsed > 256 && bits <= 8)
        return Fail(Format("colour count %u exceeds 256", clrUsed));
    l.ColorCount = clrUsed > 256 ? 0 : clrUsed;
    if (l.ColorCount == 0 && bits <= 8)
        l.ColorCount = 1u << bits;
    l.MaskBytes = (l.Compression == DibBitfields && l.HeaderSize == DibInfoHeaderSize) ? 12 : 0;
    l.ColorTableOffset = l.HeaderSize + l.MaskBytes;
    l.InfoSize = l.ColorTableOffset + 4 * l.ColorCount; // at most 124 + 12 + 1024
    if (l.InfoSize > infoBlockSize)
        return Fail(Format("the header describes %u bytes of information but the block holds %llu",
                           l.InfoSize, static_cast<unsigned long long>(infoBlockSize)));

    const std::uint64_t height =
        l.Height < 0 ? std::uint64_t(-std::int64_t{l.Height}) : std::uint64_t(l.Height);
    const std::uint64_t stride = ((std::uint64_t(l.Width) * bits + 31) / 32) * 4;
    // The picture becomes a bitmap of these rows: one limit, the bitmap reader's, decides
    // before anything is copied whether it can be held at all.
    const std::uint64_t rows = stride * height; // < 2^35 * 2^31
    const TDibLimits limits;
    if (rows > limits.MaxImageBytes || height > std::uint64_t(limits.MaxDimension) ||
        std::uint64_t(l.Width) > std::uint64_t(limits.MaxDimension)) {
        TDibCheck tooLarge = Fail(Format(
            "The picture is too large: %d x %d pixels at %u bits need %llu MiB (at most %llu MiB)",
            l.Width, static_cast<int>(height), bits,
            static_cast<unsigned long long>((rows + 0xFFFFF) >> 20),
            static_cast<unsigned long long>(limits.MaxImageBytes >> 20)));
        tooLarge.TooLarge = true;
        return tooLarge;
    }
    const std::uint64_t imageSize = rle ? sizeImage : rows;
    constexpr std::uint64_t maxSize = std::numeric_limits<std::int32_t>::max();
    if (imageSize > maxSize || BitmapFileHeaderSize + l.InfoSize + imageSize > maxSize)
        return Fail(Format("%u bytes of run-length data exceed 2 GiB", sizeImage));
    l.Stride = static_cast<std::uint32_t>(stride);
    l.ImageSize = static_cast<std::uint32_t>(imageSize);
    if (l.ImageSize > pixelBlockSize)
        return Fail(Format("the picture needs %u bytes of pixels but the block holds %llu",
                           l.ImageSize, static_cast<unsigned long long>(pixelBlockSize)));
    return TDibCheck{l, {}};
}

void WriteBitmapFileFromBlocks(TStream& stream, const TDibLayout& layout, const void* info,
                               const void* pixels) {
    const std::uint32_t offBits = BitmapFileHeaderSize + layout.InfoSize;
    const std::uint32_t fileSize = offBits + layout.ImageSize; // checked: below 2 GiB
    std::uint8_t header[BitmapFileHeaderSize] = {'B', 'M'};
    for (int i = 0; i < 4; ++i) {
        header[2 + i] = static_cast<std::uint8_t>(fileSize >> (8 * i));
        header[10 + i] = static_cast<std::uint8_t>(offBits >> (8 * i));
    }
    stream.WriteBuffer(header, sizeof header);
    stream.WriteBuffer(info, layout.InfoSize);
    stream.WriteBuffer(pixels, layout.ImageSize);
}

} // namespace tovane
