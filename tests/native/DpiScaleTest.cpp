#include "framework/DpiScale.h"

#include <gtest/gtest.h>

using namespace tovane;

TEST(DpiScale, RoundsAsMulDiv) {
    struct Case {
        int Value, ToDpi, FromDpi, Expected;
    };
    const Case cases[] = {
        {12, 96, 96, 12},                               // 100 %: unchanged
        {12, 144, 96, 18},                              // 150 %
        {75, 144, 96, 113},                             // 112.5: a half rounds away from zero
        {-75, 144, 96, -113},                           // and so does a negative half
        {131, 144, 96, 197},                            // 196.5
        {25, 120, 96, 31},                              // 125 %: 31.25
        {17, 192, 96, 34},                              // 200 %
        {1, 144, 96, 2},                                // 1.5
        {3, 96, 144, 2},                                // back from 150 %: exactly 2
        {113, 96, 144, 75},                             // 75.33: back where it came from
        {18, 192, 144, 24},                             // from one monitor to another
        {0, 144, 96, 0},      {40000, 288, 96, 120000}, // no overflow on large sizes
        {12, 144, 0, 12},                               // an unknown DPI leaves the value alone
    };
    for (const Case& c : cases)
        EXPECT_EQ(ScaleDpi(c.Value, c.ToDpi, c.FromDpi), c.Expected)
            << c.Value << " from " << c.FromDpi << " to " << c.ToDpi;
}
