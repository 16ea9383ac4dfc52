// Reads the EXIF orientation (tag 274 of IFD0) from a JPEG's APP1 segment, for systems whose
// WIC cannot answer the metadata query. No <windows.h>: tested natively.
#pragma once

#include <cstdint>
#include <span>

namespace bundled {

// 1..8 as stored; 0 when the JPEG carries no readable orientation.
int JpegExifOrientation(std::span<const std::uint8_t> jpeg);

} // namespace bundled
