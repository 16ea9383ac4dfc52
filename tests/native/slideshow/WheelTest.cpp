#include "slideshow/portable/Wheel.h"

#include <gtest/gtest.h>

#include <climits>
#include <vector>

using namespace tovane;

TEST(Wheel, EachNotchHasItsAction) {
    struct Case {
        int Delta;
        bool Ctrl, Shift;
        TWheelAction Expected;
    };
    const Case cases[] = {
        {-120, false, false, TWheelAction::NextGraphic},
        {120, false, false, TWheelAction::PreviousGraphic},
        {120, true, false, TWheelAction::BairituUp},
        {-120, true, false, TWheelAction::BairituDown},
        {-120, false, true, TWheelAction::None},
        {120, true, true, TWheelAction::None},
        {0, false, false, TWheelAction::None},
    };
    for (const Case& c : cases)
        EXPECT_EQ(WheelAction(c.Delta, c.Ctrl, c.Shift), c.Expected)
            << c.Delta << " " << c.Ctrl << " " << c.Shift;
}

TEST(Wheel, PartsOfANotchAddUpToWholeOnes) {
    struct Case {
        const char* Name;
        std::vector<int> Deltas;
        std::vector<bool> Ctrl; // per report; empty: never held
        std::vector<int> Notches;
    };
    const Case cases[] = {
        {"plain notches", {-120, -120, 120}, {}, {-1, -1, 1}},
        {"a fast turn", {-360}, {}, {-3}},
        {"a touchpad's small steps", {-40, -40, -40, -40, -80}, {}, {0, 0, -1, 0, -1}},
        {"past a notch keeps the rest", {-150, -90}, {}, {-1, -1}},
        {"turning back forgets the part", {-100, 30, 90}, {}, {0, 0, 1}},
        {"Ctrl pressed midway starts afresh", {-100, -100, -20}, {false, true, true}, {0, 0, -1}},
        {"no overflow", {INT_MIN, INT_MIN}, {}, {INT_MIN / 120, INT_MIN / 120}},
    };
    for (const Case& c : cases) {
        TWheelNotches wheel;
        for (std::size_t i = 0; i < c.Deltas.size(); ++i)
            EXPECT_EQ(wheel.Add(c.Deltas[i], !c.Ctrl.empty() && c.Ctrl[i]), c.Notches[i])
                << c.Name << " #" << i;
    }
}
