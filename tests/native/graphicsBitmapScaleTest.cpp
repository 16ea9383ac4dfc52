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
