#include "framework/ShortCut.h"

#include <gtest/gtest.h>

using namespace tovane;

namespace {

struct ParseCase {
    const char* Text;
    TShortCut Expected;
};

const ParseCase ParseCases[] = {
    {"Ctrl+O", MakeShortCut('O', {.Ctrl = true})},
    {"ctrl+o", MakeShortCut('O', {.Ctrl = true})},
    {"Alt+Up", MakeShortCut(vk::Up, {.Alt = true})},
    {"Alt+Down", MakeShortCut(vk::Down, {.Alt = true})},
    {"Ctrl+S", MakeShortCut('S', {.Ctrl = true})},
    {"Ctrl+A", MakeShortCut('A', {.Ctrl = true})},
    {"Del", MakeShortCut(vk::Delete)},
    {"Enter", MakeShortCut(vk::Return)},
    {"Esc", MakeShortCut(vk::Escape)},
    {"Space", MakeShortCut(vk::Space)},
    {"PgDn", MakeShortCut(vk::Next)},
    {"Shift+Ctrl+F5", MakeShortCut(vk::F1 + 4, {.Shift = true, .Ctrl = true})},
    {"F12", MakeShortCut(vk::F1 + 11)},
    {"Num 2", MakeShortCut(vk::Numpad0 + 2)},
    {"2", MakeShortCut('2')},
    {"", scNone},
    {"Ctrl+", scNone},
    {"Hyper+X", scNone},
    {"F25", scNone},
    {"F0", scNone},
    {"Ctrl+Nothing", scNone},
};

} // namespace

TEST(ShortCut, ParsesNamesAndModifiers) {
    for (const ParseCase& c : ParseCases)
        EXPECT_EQ(TextToShortCut(c.Text), c.Expected) << c.Text;
}

TEST(ShortCut, DisplayTextReadsBack) {
    for (const char* text : {"Ctrl+O", "Alt+Up", "Del", "Ctrl+A", "Enter", "Shift+Ctrl+Alt+F5",
                             "Num 0", "PgUp", "Tab"}) {
        EXPECT_EQ(ShortCutToText(TextToShortCut(text)), text);
    }
    EXPECT_EQ(ShortCutToText(scNone), "");
}

struct MatchCase {
    const char* ShortCut;
    unsigned Key;
    TKeyModifiers Mods;
    bool Matches;
};

// Bare keys run only with no modifier held, and a modifier shortcut wants exactly its
// modifiers: Ctrl+Up is not Alt+Up, Alt+Shift+Up is not Alt+Up.
const MatchCase MatchCases[] = {
    {"Enter", vk::Return, {}, true},
    {"Enter", vk::Return, {.Ctrl = true}, false},
    {"Enter", vk::Return, {.Shift = true}, false},
    {"Enter", vk::Return, {.Alt = true}, false},
    {"Alt+Up", vk::Up, {.Alt = true}, true},
    {"Alt+Up", vk::Up, {}, false},
    {"Alt+Up", vk::Up, {.Ctrl = true}, false},
    {"Alt+Up", vk::Up, {.Shift = true, .Alt = true}, false},
    {"Alt+Up", vk::Down, {.Alt = true}, false},
    {"Ctrl+S", 'S', {.Ctrl = true}, true},
    {"Ctrl+S", 'S', {}, false},
    {"Ctrl+S", 'S', {.Ctrl = true, .Alt = true}, false},
    {"Num 2", vk::Numpad0 + 2, {}, true},
    {"Num 2", '2', {}, false},
    {"2", '2', {}, true},
};

TEST(ShortCut, MatchesExactlyTheModifiersHeld) {
    for (const MatchCase& c : MatchCases)
        EXPECT_EQ(ShortCutMatches(TextToShortCut(c.ShortCut), c.Key, c.Mods), c.Matches)
            << c.ShortCut << " key " << c.Key << " shift " << c.Mods.Shift << " ctrl "
            << c.Mods.Ctrl << " alt " << c.Mods.Alt;
}

TEST(ShortCut, NoneMatchesNothing) {
    EXPECT_FALSE(ShortCutMatches(scNone, 0, {}));
    EXPECT_FALSE(ShortCutMatches(scNone, 'A', {}));
    EXPECT_FALSE(ShortCutMatches(MakeShortCut('A'), 0x141, {}));
}
