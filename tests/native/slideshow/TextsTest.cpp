#include "slideshow/portable/SlideShowTexts.h"

#include "settings/portable/SettingsRules.h"

#include <gtest/gtest.h>

#include <climits>

using namespace tovane;

TEST(SlideShowTexts, StateAndIntervalLabels) {
    EXPECT_EQ(PlayStateText(true), "< スライドショー動作中 >");
    EXPECT_EQ(PlayStateText(false), "< スライドショー停止中 >");
    EXPECT_EQ(IntervalText(10, true), "表示間隔 10 秒");
    EXPECT_EQ(IntervalText(500, false), "表示間隔 500 ミリ秒");
}

TEST(SlideShowTexts, TimerInterval) {
    EXPECT_EQ(TimerIntervalMs(10, true), 10000u);
    EXPECT_EQ(TimerIntervalMs(500, false), 500u);
    EXPECT_EQ(TimerIntervalMs(0, true), 0u);
    // Values an edited settings file may hold: no overflow, no negative interval.
    EXPECT_EQ(TimerIntervalMs(INT_MAX, true), static_cast<unsigned>(INT_MAX));
    EXPECT_EQ(TimerIntervalMs(3000000, true), static_cast<unsigned>(INT_MAX));
    EXPECT_EQ(TimerIntervalMs(-5, false), 0u);
    EXPECT_EQ(TimerIntervalMs(INT_MIN, true), 0u);
}

TEST(SlideShowTexts, LastActionLabelNeverLeavesTheTable) {
    const char* const names[] = {"a", "b", "c", "d"};
    EXPECT_EQ(LastActionLabelText(0, names), "a");
    EXPECT_EQ(LastActionLabelText(3, names), "d");
    EXPECT_EQ(LastActionLabelText(4, names), "[4]");
    EXPECT_EQ(LastActionLabelText(-1, names), "[-1]");
    EXPECT_EQ(LastActionLabelText(INT_MIN, names), "[-2147483648]");
    // With the program's table.
    EXPECT_EQ(LastActionLabelText(laFirstAndWait, LastActionNames), "最初の画像に戻って待機");
    EXPECT_EQ(LastActionLabelText(200, LastActionNames), "[200]");
}
