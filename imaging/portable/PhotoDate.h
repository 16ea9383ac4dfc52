// When a photo was taken, as its EXIF DateTimeOriginal (tag 36867 of the Exif IFD) says, read
// from the start of a JPEG, TIFF, PNG (eXIf chunk), WebP (EXIF chunk) or AVIF/HEIF file (its
// Exif item).
#pragma once

#include <cstdint>
#include <optional>
#include <span>

namespace tovane {

// The head of the file's bytes: the EXIF block must lie inside it. The moment as the number
// YYYYMMDDhhmmss (the camera's local time); empty when the file carries none that reads as a
// date and time.
std::optional<std::int64_t> PhotoTakenAt(std::span<const std::uint8_t> head);

// The same number for a calendar date and time.
constexpr std::int64_t DateTimeNumber(int year, int month, int day, int hour, int minute,
                                      int second) {
    return ((((std::int64_t{year} * 100 + month) * 100 + day) * 100 + hour) * 100 + minute) * 100 +
           second;
}

} // namespace tovane
