// What the bitmap reader and the block check must hold for any input. The fuzz targets and the
// corpus replay test share these: an input either yields a consistent result or is refused
// with EInvalidGraphic (the reader) or a reason (the check); anything else throws
// std::logic_error, which libFuzzer reports as a crash and the replay test as a failure.
#pragma once

#include "framework/BitmapFile.h"
#include "framework/BitmapScale.h"
#include "framework/DibCheck.h"
#include "framework/Streams.h"

#include <algorithm>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <vector>

namespace graphics_fuzz {

// Small enough that a fuzz run stays fast, large enough for every path.
inline tovane::TDibLimits FuzzLimits() {
    tovane::TDibLimits limits;
    limits.MaxDimension = 4096;
    limits.MaxImageBytes = 1 << 20;
    return limits;
}

inline void Require(bool condition, const char* what) {
    if (!condition)
        throw std::logic_error(what);
}

// A bitmap the reader accepted: consistent, every pixel readable, and the writer's file of it
// reads back the same.
inline void CheckReadBitmap(const tovane::TDib& d) {
    Require(d.IsWellFormed(), "the reader returned a malformed bitmap");
    Require(!d.Empty(), "the reader returned an empty bitmap");
    std::uint32_t mix = 0;
    for (std::int32_t y = 0; y < d.Height; ++y)
        for (std::int32_t x = 0; x < d.Width; ++x)
            mix ^= d.PixelColor(x, y);
    (void)mix;
    const std::vector<std::uint8_t> file = tovane::WriteBitmapFile(d);
    Require(tovane::ReadBitmapFile(std::span<const std::uint8_t>(file), FuzzLimits()) == d,
            "a written bitmap does not read back the same");
    const std::vector<std::uint8_t> info = d.InfoBlock();
    Require(info.size() >= 40, "the info block lacks its header");
    // Shrunk as TBitmap draws it, and grown a little.
    const tovane::TDib small =
        tovane::ResampleArea(d, std::max(1, d.Width / 3), std::max(1, d.Height / 2));
    Require(small.IsWellFormed() && small.BitCount == 32, "a malformed resampled bitmap");
    const tovane::TDib grown = tovane::ResampleArea(d, std::min(d.Width + 1, 64), 3);
    Require(grown.IsWellFormed(), "a malformed resampled bitmap");
}

// Input: a bitmap file. Also read from a memory stream, and its tail as the two blocks.
inline void CheckBitmapFileInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    bool fromBytes = false;
    tovane::TDib d;
    try {
        d = tovane::ReadBitmapFile(bytes, FuzzLimits());
        fromBytes = true;
    } catch (const tovane::EInvalidGraphic&) {
    }
    if (fromBytes)
        CheckReadBitmap(d);

    tovane::TMemoryStream stream;
    stream.WriteBuffer(data, static_cast<std::int64_t>(size));
    stream.SetPosition(0);
    try {
        const tovane::TDib s = tovane::ReadBitmapFile(stream, FuzzLimits());
        Require(fromBytes && s == d, "stream and memory readers disagree");
        Require(stream.Position() <= stream.Size(), "the reader left the stream past its end");
    } catch (const tovane::EInvalidGraphic&) {
        Require(!fromBytes, "stream and memory readers disagree");
    }

    // The reader that keeps the pixel rows in the buffer it is given.
    try {
        const tovane::TDib b = tovane::ReadBitmapFile(stream.TakeBuffer(), FuzzLimits());
        Require(fromBytes && b == d, "buffer and memory readers disagree");
    } catch (const tovane::EInvalidGraphic&) {
        Require(!fromBytes, "buffer and memory readers disagree");
    }

    if (size > 14) {
        const std::span<const std::uint8_t> info = bytes.subspan(14);
        try {
            CheckReadBitmap(tovane::ReadDib(info, info.subspan(info.size() / 2), FuzzLimits()));
        } catch (const tovane::EInvalidGraphic&) {
        }
    }
}

// Input: 4 bytes of pixel-block size (little-endian, taken modulo 1 MiB), then the information
// block. An accepted layout must lie within both blocks, and the file written from the blocks
// must be read, or refused, by the reader.
inline void CheckDibBlocksInput(const std::uint8_t* data, std::size_t size) {
    if (size < 4)
        return;
    const std::size_t pixelSize =
        (data[0] | (data[1] << 8) | (data[2] << 16) | (std::size_t(data[3]) << 24)) % (1 << 20);
    const std::vector<std::uint8_t> info(data + 4, data + size); // exactly the block, no slack
    const tovane::TDibCheck check =
        tovane::CheckDibBlocks(info.empty() ? nullptr : info.data(), info.size(), pixelSize);
    if (!check.Ok()) {
        Require(!check.Reason.empty(), "a refusal without a reason");
        return;
    }
    const tovane::TDibLayout& l = *check.Layout;
    Require(l.InfoSize <= info.size(), "the layout reaches past the information block");
    Require(l.ImageSize <= pixelSize, "the layout reaches past the pixel block");
    Require(l.ColorTableOffset + 4ull * l.ColorCount == l.InfoSize, "inconsistent info size");
    Require(l.Width > 0 && l.Height != 0, "accepted an empty picture");
    std::vector<std::uint8_t> pixels(pixelSize, 0x5A);
    tovane::TMemoryStream file;
    tovane::WriteBitmapFileFromBlocks(file, l, info.data(), pixels.data());
    Require(file.Size() == 14 + std::int64_t{l.InfoSize} + l.ImageSize, "wrong file size");
    file.SetPosition(0);
    try {
        CheckReadBitmap(tovane::ReadBitmapFile(file, FuzzLimits()));
    } catch (const tovane::EInvalidGraphic&) {
    }
}

} // namespace graphics_fuzz
