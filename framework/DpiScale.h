// Scaling of design sizes by the DPI of the monitor a window is on. Form descriptions give
// positions, sizes and font heights in pixels of a 96-DPI screen; a window on a 144-DPI
// monitor shows them 1.5 times as large. Portable: the Win32 side only reads the DPI.
#pragma once

namespace tovane {

// The DPI that form descriptions are written for (100 %).
constexpr int kDesignDpi = 96;

// value * toDpi / fromDpi, rounded as MulDiv rounds (to the nearest, halves away from zero),
// so that scaling here and in the system's own metrics agree. A fromDpi of 0 or below leaves
// the value as it is.
int ScaleDpi(int value, int toDpi, int fromDpi = kDesignDpi) noexcept;

} // namespace tovane
