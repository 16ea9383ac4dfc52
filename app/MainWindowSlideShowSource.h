// The slideshow's source in the program: the main window.
#pragma once

#include "slideshow/SlideShowSource.h"

#include <memory>

namespace tovane {

// The main window's folder list, FSettings and FImageExtensions, read through FormMain at each
// use (an Exception when the main window does not exist).
std::unique_ptr<TSlideShowSource> MakeMainWindowSlideShowSource();

} // namespace tovane
