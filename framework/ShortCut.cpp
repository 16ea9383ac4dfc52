#include "framework/ShortCut.h"

#include "framework/Strings.h"

#include <array>
#include <cstdio>

namespace tovane {

namespace {

struct KeyName {
    unsigned Key;
    const char* Name;
};

// The first name of a key is its display name; later ones are accepted when reading.
constexpr std::array<KeyName, 20> KeyNames{{
    {vk::Back, "BkSp"},  {vk::Tab, "Tab"},       {vk::Return, "Enter"}, {vk::Return, "Return"},
    {vk::Escape, "Esc"}, {vk::Escape, "Escape"}, {vk::Space, "Space"},  {vk::Prior, "PgUp"},
    {vk::Next, "PgDn"},  {vk::End, "End"},       {vk::Home, "Home"},    {vk::Left, "Left"},
    {vk::Up, "Up"},      {vk::Right, "Right"},   {vk::Down, "Down"},    {vk::Insert, "Ins"},
    {vk::Delete, "Del"}, {vk::Delete, "Delete"}, {vk::Prior, "PageUp"}, {vk::Next, "PageDown"},
}};

unsigned KeyFromName(std::string_view name) {
    if (name.size() == 1) {
        const char c = AsciiUpperChar(name[0]);
        if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))
            return static_cast<unsigned char>(c);
        return 0;
    }
    for (const KeyName& k : KeyNames)
        if (SameTextAscii(name, k.Name))
            return k.Key;
    if ((name[0] == 'F' || name[0] == 'f') && name.size() <= 3) {
        int n = 0;
        for (char c : name.substr(1)) {
            if (c < '0' || c > '9')
                return 0;
            n = n * 10 + (c - '0');
        }
        if (n >= 1 && n <= 24)
            return vk::F1 + static_cast<unsigned>(n - 1);
        return 0;
    }
    if (name.size() == 5 && SameTextAscii(name.substr(0, 4), "Num ") && name[4] >= '0' &&
        name[4] <= '9')
        return vk::Numpad0 + static_cast<unsigned>(name[4] - '0');
    return 0;
}

} // namespace

bool ShortCutMatches(TShortCut shortCut, unsigned key, TKeyModifiers mods) {
    if (shortCut == scNone || key == 0 || key > 0xFF)
        return false;
    return shortCut == MakeShortCut(key, mods);
}

TShortCut TextToShortCut(std::string_view text) {
    TKeyModifiers mods;
    for (;;) {
        const std::size_t plus = text.find('+');
        // A lone "+" or a trailing "+" is the key itself, not a separator.
        if (plus == std::string_view::npos || plus == 0 || plus + 1 == text.size())
            break;
        const std::string_view mod = text.substr(0, plus);
        if (SameTextAscii(mod, "Shift"))
            mods.Shift = true;
        else if (SameTextAscii(mod, "Ctrl") || SameTextAscii(mod, "Control"))
            mods.Ctrl = true;
        else if (SameTextAscii(mod, "Alt"))
            mods.Alt = true;
        else
            return scNone;
        text.remove_prefix(plus + 1);
    }
    if (text.empty())
        return scNone;
    const unsigned key = KeyFromName(text);
    return key == 0 ? scNone : MakeShortCut(key, mods);
}

std::string ShortCutToText(TShortCut shortCut) {
    const unsigned key = ShortCutKey(shortCut);
    if (key == 0)
        return std::string();
    std::string name;
    if ((key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9')) {
        name = std::string(1, static_cast<char>(key));
    } else if (key >= vk::F1 && key <= vk::F24) {
        name = "F" + std::to_string(key - vk::F1 + 1);
    } else if (key >= vk::Numpad0 && key <= vk::Numpad0 + 9) {
        name = "Num " + std::to_string(key - vk::Numpad0);
    } else {
        for (const KeyName& k : KeyNames)
            if (k.Key == key) {
                name = k.Name;
                break;
            }
        if (name.empty()) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "#%u", key);
            name = buf;
        }
    }
    std::string text;
    if (shortCut & scShift)
        text += "Shift+";
    if (shortCut & scCtrl)
        text += "Ctrl+";
    if (shortCut & scAlt)
        text += "Alt+";
    return text + name;
}

} // namespace tovane
