// The portable progress rule agrees with the platform's MulDiv.
#include "imaging/portable/DecodeRules.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <climits>

TEST(DecodingRules, MulDivMatchesThePlatform) {
    const int values[] = {0,     1,       -1,      2,       -2,          3,           5,    7,
                          50,    97,      99,      100,     101,         255,         1000, -1000,
                          65536, 1 << 20, INT_MAX, INT_MIN, INT_MAX - 1, INT_MIN + 1, 22139};
    for (int a : values)
        for (int b : values)
            for (int c : values) {
                // For a negative divisor Wine negates divisor and multiplicand in 32 bits,
                // which overflows for INT_MIN; the native tests cover those cases.
                if (c == INT_MIN || (c < 0 && a == INT_MIN))
                    continue;
                ASSERT_EQ(tovane::MulDivRounded(a, b, c), MulDiv(a, b, c))
                    << a << " " << b << " " << c;
            }
}

TEST(DecodingRules, ProgressPercentFollowsThePlatformMulDiv) {
    for (int denominator : {0, 1, 3, 4, 7, 100, 1000, 65535, -5})
        for (int numerator = -10; numerator <= 1010; ++numerator)
            ASSERT_EQ(tovane::PluginProgressPercent(numerator, denominator),
                      static_cast<std::uint8_t>(MulDiv(numerator, 97, denominator) + 2))
                << numerator << "/" << denominator;
}
