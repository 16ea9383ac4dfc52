// The settings file: the executable's path with ".ini", read and written through the
// platform's profile-string functions. Every pass opens the file afresh; nothing is cached.
// The rules (keys, defaults, conversions, order) are in settings/portable/SettingsRules.h.
#pragma once

#include "settings/portable/SettingsRules.h"

#include <string>

namespace tovane {

// The running executable's full path with its extension replaced by ".ini", in UTF-16 so that
// a folder of any name works.
std::wstring SettingsFilePath();

// current: the window's geometry before reading (its design size decides the centred
// default); screen: the screen's width and height. Missing keys take their defaults.
WindowGeometry ReadWindowGeometry(const std::wstring& iniPath, const WindowGeometry& current,
                                  int screenWidth, int screenHeight);
SlideShowSettings ReadSlideShowSettings(const std::wstring& iniPath);
// "[Plugins] Isolate": whether plug-in modules run in the decoding host (1, the default) or in
// this process (0).
bool ReadPluginIsolation(const std::wstring& iniPath);
// "[Color] Manage" (settings/portable/SettingsRules.h).
bool ReadColorManagement(const std::wstring& iniPath);

// Write "Window" or "SlideShow". A pass stops at the first key that cannot be written and
// raises tovane::Exception "<path> に書き込めません".
void WriteWindowGeometry(const std::wstring& iniPath, const WindowGeometry& geometry);
void WriteSlideShowSettings(const std::wstring& iniPath, const SlideShowSettings& settings);
void WriteColorManagement(const std::wstring& iniPath, bool manage);

} // namespace tovane
