// Font choice at run time: the face named in a description when it is installed, otherwise a
// Japanese face of the same pitch that is (the named faces are Windows faces; under Wine the
// installed CJK faces are IPA and Noto CJK).
#pragma once

#include "framework/win32/Controls.h"

#include <string>

namespace tovane {

// The face that CreateFont should be given for this font.
std::wstring ResolveFontFace(const TFont& font);
bool FontFaceInstalled(const std::wstring& face);
// The font at a DPI: its design height (pixels at 96 DPI) scaled by dpi.
UniqueFont CreateFontFor(const TFont& font, int dpi);

} // namespace tovane
