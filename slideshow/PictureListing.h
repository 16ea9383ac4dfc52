// Lists a place's pictures for the slideshow's picture list. The one unit that knows a place is
// a folder, and the one place the list's order is decided.
#pragma once

#include "slideshow/portable/PictureList.h"

#include <string>

namespace tovane {

// The pictures of the folder whose names match mask (ANSI, as "*.jpg;*.png"), in the list's
// order: sorted ignoring case. The place is spelt as the system spells the folder (its full path,
// no trailing backslash but a root's). Raises an Exception when the folder cannot be opened.
// Any thread.
TPictureList ListPictures(const std::wstring& place, const std::string& mask);

// Lists the list's place again by mask (no pictures when it cannot be read now); nothing
// selected afterwards.
void RelistPictures(TPictureList& list, const std::string& mask);

} // namespace tovane
