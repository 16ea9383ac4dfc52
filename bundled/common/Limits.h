// The largest picture the bundled library decoders accept, checked against the header's size
// before anything of the picture's size is allocated. A 32-bit process has far less room for
// the decoded picture and its DIB than a 64-bit one.
#pragma once

#include <cstdint>

namespace bundled {

constexpr std::uint32_t MaxSide = 65535;
constexpr std::uint64_t MaxPixels = sizeof(void*) == 8 ? 256ull << 20 : 64ull << 20;
// The same for the plug-ins' descriptions.
constexpr const char* LimitsText =
    sizeof(void*) == 8
        ? "refuses pictures wider or taller than 65535 pixels or larger than 256 megapixels"
        : "refuses pictures wider or taller than 65535 pixels or larger than 64 megapixels";

constexpr bool WithinLimits(std::uint64_t width, std::uint64_t height) {
    return width > 0 && height > 0 && width <= MaxSide && height <= MaxSide &&
           width * height <= MaxPixels;
}

} // namespace bundled
