// How the program tells the bundled plug-ins where pictures are shown, in its own process and in
// the decoding host alike (which inherits the program's environment when it starts): two
// environment variables, read by the plug-ins at every picture.
#pragma once

namespace bundled {

// "0": pixels as stored; anything else, or unset: colour management on.
inline constexpr wchar_t ColourManageVariable[] = L"TOVANE_COLOR_MANAGE";
// The path of the display's ICC profile; unset or empty: sRGB.
inline constexpr wchar_t DisplayProfileVariable[] = L"TOVANE_DISPLAY_PROFILE";

} // namespace bundled
