#include "app/portable/SettingsRules.h"

#include "framework/Strings.h"

#include <iterator>

namespace tovane {

const char* const LastActionNames[4] = {"メイン画面に戻る", "最初の画像に戻って待機",
                                        "最後の画像のまま待機", "繰り返す"};

const char* LastActionName(std::uint8_t value) {
    return value < std::size(LastActionNames) ? LastActionNames[value] : "";
}

SlideShowSettings DefaultSlideShowSettings() {
    return SlideShowSettings{10, true, 16777215u, 0u, false, laStayAtLast, false, true};
}

int ReadProfileInt(ProfileStore& store, const char* section, const char* key, int def) {
    int value = def;
    return TryParseInt(store.ReadString(section, key), value) ? value : def;
}

bool ReadProfileBool(ProfileStore& store, const char* section, const char* key, bool def) {
    return ReadProfileInt(store, section, key, def ? 1 : 0) != 0;
}

int CentredPosition(int screenExtent, int windowExtent) {
    // Integer division truncates toward zero, also for a screen smaller than the window.
    return (screenExtent - windowExtent) / 2;
}

WindowGeometry ReadWindowGeometry(ProfileStore& store, const WindowGeometry& current,
                                  int screenWidth, int screenHeight) {
    WindowGeometry g = current;
    g.Top = ReadProfileInt(store, WindowSection, "Top", CentredPosition(screenHeight, g.Height));
    g.Left = ReadProfileInt(store, WindowSection, "Left", CentredPosition(screenWidth, g.Width));
    g.Width = ReadProfileInt(store, WindowSection, "Width", 600);
    g.Height = ReadProfileInt(store, WindowSection, "Height", 400);
    return g;
}

SlideShowSettings ReadSlideShowSettings(ProfileStore& store) {
    const SlideShowSettings d = DefaultSlideShowSettings();
    const char* s = SlideShowSection;
    SlideShowSettings r = d;
    r.Interval = ReadProfileInt(store, s, "Interval", d.Interval);
    r.bSecond = ReadProfileBool(store, s, "bSecond", d.bSecond);
    r.FGColor = static_cast<std::uint32_t>(
        ReadProfileInt(store, s, "FGColor", static_cast<int>(d.FGColor)));
    r.BGColor = static_cast<std::uint32_t>(
        ReadProfileInt(store, s, "BGColor", static_cast<int>(d.BGColor)));
    r.SuguStart = ReadProfileBool(store, s, "SuguStart", d.SuguStart);
    // The record keeps the low eight bits of whatever the file holds (258 -> 2).
    r.LastAction = static_cast<LastActionKind>(
        static_cast<std::uint8_t>(ReadProfileInt(store, s, "LastAction", d.LastAction)));
    r.bAllDir = ReadProfileBool(store, s, "bAllDir", d.bAllDir);
    r.bFindSubDir = ReadProfileBool(store, s, "bFindSubDir", d.bFindSubDir);
    r.ReadAhead = ReadProfileBool(store, s, "ReadAhead", d.ReadAhead);
    return r;
}

namespace {

bool WriteInt(ProfileStore& store, const char* section, const char* key, long long value) {
    return store.WriteString(section, key, std::to_string(value));
}

bool WriteBool(ProfileStore& store, const char* section, const char* key, bool value) {
    return store.WriteString(section, key, value ? "1" : "0");
}

} // namespace

bool WriteWindowGeometry(ProfileStore& store, const WindowGeometry& g) {
    const char* s = WindowSection;
    return WriteInt(store, s, "Left", g.Left) && WriteInt(store, s, "Top", g.Top) &&
           WriteInt(store, s, "Width", g.Width) && WriteInt(store, s, "Height", g.Height);
}

bool WriteSlideShowSettings(ProfileStore& store, const SlideShowSettings& v) {
    const char* s = SlideShowSection;
    // Colours are stored as the signed 32-bit value the reader gives back.
    return WriteInt(store, s, "Interval", v.Interval) &&
           WriteBool(store, s, "bSecond", v.bSecond) &&
           WriteInt(store, s, "FGColor", static_cast<std::int32_t>(v.FGColor)) &&
           WriteInt(store, s, "BGColor", static_cast<std::int32_t>(v.BGColor)) &&
           WriteBool(store, s, "SuguStart", v.SuguStart) &&
           WriteInt(store, s, "LastAction", static_cast<std::uint8_t>(v.LastAction)) &&
           WriteBool(store, s, "bAllDir", v.bAllDir) &&
           WriteBool(store, s, "bFindSubDir", v.bFindSubDir);
}

} // namespace tovane
