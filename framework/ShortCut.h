// Keyboard shortcuts of actions: a virtual-key code plus the modifier keys held with it, in one
// 16-bit value (the key in the low byte, Shift, Ctrl and Alt in the top bits). A shortcut
// matches a key press only when the key and the set of modifiers are exactly the same, so a
// bare key ("Enter") runs nothing while Ctrl, Shift or Alt is held. Portable: no <windows.h>.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tovane {

using TShortCut = std::uint16_t;

constexpr TShortCut scNone = 0;
constexpr TShortCut scShift = 0x2000;
constexpr TShortCut scCtrl = 0x4000;
constexpr TShortCut scAlt = 0x8000;

// Virtual-key codes the shortcut texts name (the platform's values).
namespace vk {
constexpr unsigned Back = 0x08, Tab = 0x09, Return = 0x0D, Escape = 0x1B, Space = 0x20,
                   Prior = 0x21, Next = 0x22, End = 0x23, Home = 0x24, Left = 0x25, Up = 0x26,
                   Right = 0x27, Down = 0x28, Insert = 0x2D, Delete = 0x2E, Numpad0 = 0x60,
                   Multiply = 0x6A, Add = 0x6B, Subtract = 0x6D, Decimal = 0x6E, Divide = 0x6F,
                   F1 = 0x70, F24 = 0x87;
} // namespace vk

struct TKeyModifiers {
    bool Shift = false;
    bool Ctrl = false;
    bool Alt = false;
};

constexpr TShortCut MakeShortCut(unsigned key, TKeyModifiers mods = {}) {
    return static_cast<TShortCut>((key & 0xFF) | (mods.Shift ? scShift : 0) |
                                  (mods.Ctrl ? scCtrl : 0) | (mods.Alt ? scAlt : 0));
}

constexpr unsigned ShortCutKey(TShortCut sc) {
    return sc & 0xFF;
}

// True when the key press (key with exactly these modifiers) is the shortcut. scNone matches
// nothing.
bool ShortCutMatches(TShortCut shortCut, unsigned key, TKeyModifiers mods);

// "Ctrl+O", "Alt+Up", "Shift+Ctrl+F5", "Del", "Enter", "Num 2", "A". Modifier and key names
// are read without regard to case; an unknown name gives scNone.
TShortCut TextToShortCut(std::string_view text);
// The display form used in menus ("Ctrl+O", "Del"); empty for scNone.
std::string ShortCutToText(TShortCut shortCut);

} // namespace tovane
