// The byte order, row layout and shape checks that the bitmap type, the bitmap file reader and
// the bitmap file writer share. Internal to those three (framework/BitmapFile.h is the
// interface).
#pragma once

#include "framework/BitmapFile.h"
#include "framework/Strings.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tovane::bitmap_layout {

[[noreturn]] inline void Invalid(const std::string& why) {
    throw EInvalidGraphic("Invalid bitmap: " + why);
}

inline std::uint16_t Get16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
inline std::uint32_t Get32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
inline std::int32_t GetI32(const std::uint8_t* p) {
    return static_cast<std::int32_t>(Get32(p));
}

inline void Put16(std::vector<std::uint8_t>& out, std::uint32_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}
inline void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

inline bool KnownDepth(std::uint32_t bits) {
    return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

inline std::uint64_t StrideOf(std::uint64_t width, std::uint64_t bits) {
    return ((width * bits + 31) / 32) * 4;
}

// The shape checks shared by the reader and TDib::Create; returns the pixel bytes.
std::uint64_t CheckShape(std::int64_t width, std::int64_t height, std::uint32_t bits,
                         const TDibLimits& limits);

} // namespace tovane::bitmap_layout
