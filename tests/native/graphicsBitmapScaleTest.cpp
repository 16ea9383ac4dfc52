#include "framework/BitmapScale.h"

#include <gtest/gtest.h>

using namespace tovane;

namespace {
int Red(std::uint32_t c) {
    return c & 0xFF;
}
int Green(std::uint32_t c) {
    return (c >> 8) & 0xFF;
}
int Blue(std::uint32_t c) {
    return (c >> 16) & 0xFF;
}
} // namespace

TEST(ResampleArea, AveragesTheAreaEachPixelCovers) {
    TDib board = TDib::Create(16, 16, 24);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            board.SetPixelValue(x, y, (x + y) % 2 ? 0xFFFFFF : 0);
    const TDib small = ResampleArea(board, 4, 4);
    EXPECT_EQ(small.BitCount, 32);
    EXPECT_TRUE(small.TopDown);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) {
            const std::uint32_t c = small.PixelColor(x, y);
            EXPECT_NEAR(Green(c), 127.5, 0.6) << x << "," << y;
            EXPECT_EQ(Red(c), Green(c));
            EXPECT_EQ(Blue(c), Green(c));
        }

    // Two pixels into one: red and blue make purple; a paletted source reads its table.
    TDib pair = TDib::Create(2, 1, 1);
    pair.Colors = {TRgbQuad{0, 0, 255, 0}, TRgbQuad{255, 0, 0, 0}};
    pair.SetPixelValue(1, 0, 1);
    const std::uint32_t purple = ResampleArea(pair, 1, 1).PixelColor(0, 0);
    EXPECT_NEAR(Red(purple), 127.5, 0.6);
    EXPECT_EQ(Green(purple), 0);
    EXPECT_NEAR(Blue(purple), 127.5, 0.6);
}

TEST(ResampleArea, KeepsPixelsAtTheSameSizeAndFractionalFactorsKeepTheMean) {
    TDib d = TDib::Create(3, 2, 24, false);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            d.SetPixelValue(x, y, static_cast<std::uint32_t>(x * 80 + y * 20) * 0x010101u);
    const TDib same = ResampleArea(d, 3, 2);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(same.PixelColor(x, y), d.PixelColor(x, y)) << x << "," << y;

    // 3 x 2 into 2 x 1: each output pixel takes one and a half columns of both rows. Column
    // means are 10, 90, 170: (10 + 90 / 2) / 1.5 = 36.7 and (90 / 2 + 170) / 1.5 = 143.3.
    const TDib two = ResampleArea(d, 2, 1);
    EXPECT_EQ(Green(two.PixelColor(0, 0)), 37);
    EXPECT_EQ(Green(two.PixelColor(1, 0)), 143);

    // Growing: a single pixel fills everything.
    TDib one = TDib::Create(1, 1, 24);
    one.SetPixelValue(0, 0, 0x123456);
    const TDib grown = ResampleArea(one, 3, 2);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(grown.PixelColor(x, y), one.PixelColor(0, 0));
    EXPECT_THROW(ResampleArea(TDib{}, 1, 1), EInvalidGraphic);
    EXPECT_THROW(ResampleArea(one, 0, 1), EInvalidGraphic);
}

TEST(ResampleArea, LargePicturesShrinkTheSameInBothHalves) {
    // Large enough to be shared between two threads; 10 x 8 blocks, each the mean of its block.
    TDib big = TDib::Create(1280, 1024, 24, false);
    for (int y = 0; y < 1024; ++y) {
        std::uint8_t* row = big.ScanLine(y);
        for (int x = 0; x < 1280; ++x, row += 3) {
            row[0] = static_cast<std::uint8_t>(x % 200); // blue
            row[1] = static_cast<std::uint8_t>(y % 160); // green
            row[2] = static_cast<std::uint8_t>((x + y) % 7 * 30);
        }
    }
    const TDib small = ResampleArea(big, 128, 128);
    for (int dy = 0; dy < 128; ++dy)
        for (int dx = 0; dx < 128; ++dx) {
            double b = 0, g = 0, r = 0;
            for (int y = dy * 8; y < dy * 8 + 8; ++y)
                for (int x = dx * 10; x < dx * 10 + 10; ++x) {
                    b += x % 200;
                    g += y % 160;
                    r += (x + y) % 7 * 30;
                }
            const std::uint32_t c = small.PixelColor(dx, dy);
            ASSERT_NEAR(Blue(c), b / 80, 0.51) << dx << "," << dy;
            ASSERT_NEAR(Green(c), g / 80, 0.51) << dx << "," << dy;
            ASSERT_NEAR(Red(c), r / 80, 0.51) << dx << "," << dy;
        }
}
