#include "settings/portable/SettingsRules.h"

#include "framework/Strings.h"

#include <algorithm>
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
    g.Width = ReadProfileInt(store, WindowSection, "Width", current.Width);
    g.Height = ReadProfileInt(store, WindowSection, "Height", current.Height);
    return g;
}

namespace {

// Overlap of two spans [a, a + an) and [b, b + bn); 0 when apart.
long long Overlap(long long a, long long an, long long b, long long bn) {
    return std::max(0LL, std::min(a + an, b + bn) - std::max(a, b));
}

// Distance between two spans; 0 when they meet.
long long Gap(long long a, long long an, long long b, long long bn) {
    return std::max({0LL, b - (a + an), a - (b + bn)});
}

// Start of a span of length n moved into [lo, lo + room), its start first when it is longer.
int Clamp(long long at, long long n, long long lo, long long room) {
    return static_cast<int>(std::max(lo, std::min(at, lo + room - n)));
}

} // namespace

WindowGeometry PlaceOnWorkAreas(WindowGeometry w, const std::vector<WindowGeometry>& workAreas,
                                const WindowGeometry& defaultSize) {
    if (w.Width <= 0 || w.Height <= 0) {
        w.Width = defaultSize.Width;
        w.Height = defaultSize.Height;
    }
    if (workAreas.empty())
        return w;
    constexpr long long CaptionHeight = 50, CaptionWidth = 100;
    const long long stripHeight = std::min<long long>(w.Height, CaptionHeight);
    const WindowGeometry* nearest = nullptr;
    long long bestOverlap = -1, bestGap = 0;
    for (const WindowGeometry& a : workAreas) {
        const long long ox = Overlap(w.Left, w.Width, a.Left, a.Width);
        const long long oy = Overlap(w.Top, stripHeight, a.Top, a.Height);
        if (ox >= std::min<long long>(w.Width, CaptionWidth) && oy >= stripHeight)
            return w;
        const long long overlap = ox * Overlap(w.Top, w.Height, a.Top, a.Height);
        const long long gx = Gap(w.Left, w.Width, a.Left, a.Width);
        const long long gy = Gap(w.Top, w.Height, a.Top, a.Height);
        const long long gap = gx * gx + gy * gy;
        if (nearest == nullptr || overlap > bestOverlap ||
            (overlap == bestOverlap && gap < bestGap)) {
            nearest = &a;
            bestOverlap = overlap;
            bestGap = gap;
        }
    }
    w.Left = Clamp(w.Left, w.Width, nearest->Left, nearest->Width);
    w.Top = Clamp(w.Top, w.Height, nearest->Top, nearest->Height);
    return w;
}

WindowGeometry WorkAreaToScreen(const WindowGeometry& normal, const WindowGeometry& monitor,
                                const WindowGeometry& workArea) {
    WindowGeometry g = normal;
    g.Left += workArea.Left - monitor.Left;
    g.Top += workArea.Top - monitor.Top;
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
    r.Order = static_cast<std::uint8_t>(ReadProfileInt(store, s, "Order", d.Order));
    r.Resume = ReadProfileBool(store, s, "Resume", d.Resume);
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
           WriteBool(store, s, "bFindSubDir", v.bFindSubDir) &&
           WriteInt(store, s, "Order", v.Order) && WriteBool(store, s, "Resume", v.Resume);
}

bool ReadColorManagement(ProfileStore& store) {
    return ReadProfileBool(store, ColorSection, "Manage", true);
}

bool WriteColorManagement(ProfileStore& store, bool manage) {
    return WriteBool(store, ColorSection, "Manage", manage);
}

} // namespace tovane
