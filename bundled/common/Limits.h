// The largest picture the bundled plug-ins decode: the viewer's own limit (PictureLimits.h),
// checked on the DIB a plug-in would deliver, from the picture's header, before anything of the
// picture's size is allocated. A larger picture is refused with "no memory".
#pragma once

#include "framework/PictureLimits.h"

#include <cstdint>
#include <string>

namespace bundled {

// Whether a DIB of width x height pixels at bitCount bits is within the limit.
constexpr bool WithinLimits(std::uint64_t width, std::uint64_t height, unsigned bitCount) {
    return tovane::DibWithinLimits(width, height, bitCount);
}

// The same for the plug-ins' descriptions.
inline std::string LimitsText() {
    return "refuses pictures wider or taller than " + std::to_string(tovane::MaxPictureSide) +
           " pixels or larger than " + std::to_string(tovane::MaxPictureBytes >> 20) +
           " MiB as a bitmap";
}

} // namespace bundled
