// The file of resume points (slideshow/portable/ResumePoints.h): UTF-8, so that places and
// names outside the code page survive; replaced whole, never left half written.
#pragma once

#include "slideshow/portable/ResumePoints.h"

#include <string>

namespace tovane {

// The file's points; none when it is missing or cannot be read.
TResumePoints ReadResumeFile(const std::wstring& path);

// Writes the points to a file beside path and moves it over path in one step; false, with path
// as it was, when either fails.
bool WriteResumeFile(const std::wstring& path, const TResumePoints& points);

} // namespace tovane
