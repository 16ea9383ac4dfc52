// The largest picture the viewer holds, as the bitmap it becomes: the bitmap reader's defaults
// (TDibLimits), the check of a plug-in's blocks (DibCheck) and the bundled plug-ins, which refuse
// a larger picture from its header before decoding it, all take it from here. No <windows.h>:
// the bundled plug-ins include it too.
#pragma once

#include <cstdint>

namespace tovane {

// Width and height each at most 262144 pixels.
inline constexpr std::int32_t MaxPictureSide = 0x40000;
// The bitmap's pixel rows at most 768 MiB. A 32-bit process holds the plug-in's copy, the
// decoding host's and the viewer's in 2 GiB of address space: a third of that there.
inline constexpr std::uint64_t MaxPictureBytes = sizeof(void*) == 8 ? 0x30000000ull : 0x10000000ull;

// Bytes of one row of a bitmap, padded to 4 bytes.
constexpr std::uint64_t DibRowBytes(std::uint64_t width, unsigned bitCount) {
    return (width * bitCount + 31) / 32 * 4;
}

// Whether a width x height bitmap of bitCount bits per pixel is within the limits.
constexpr bool DibWithinLimits(std::uint64_t width, std::uint64_t height, unsigned bitCount) {
    // The side limits come first: then the product cannot overflow.
    return width > 0 && height > 0 && width <= MaxPictureSide && height <= MaxPictureSide &&
           bitCount <= 64 && DibRowBytes(width, bitCount) * height <= MaxPictureBytes;
}

static_assert(DibWithinLimits(MaxPictureSide, 1, 32) && !DibWithinLimits(MaxPictureSide + 1, 1, 1));
static_assert(DibWithinLimits(16384, MaxPictureBytes / (16384 * 3), 24) &&
              !DibWithinLimits(16384, MaxPictureBytes / (16384 * 3), 32));

} // namespace tovane
