#include "framework/BitmapScale.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

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
    // A kept helper thread does the same, piece after piece.
    TWorkerThread helper;
    for (int run = 0; run < 2; ++run) {
        TDib again = TDib::Create(128, 128, 32, true);
        ResampleAreaInto(big, again, &helper);
        ASSERT_EQ(0, std::memcmp(again.Bits.data(), small.Bits.data(), small.Bits.size()));
    }
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

// Every output pixel is the mean of the exact area it covers, rounded to the nearest value:
// fractional factors both ways, shrinking one axis while growing the other, and each depth; rows
// long enough for the vector loops and their tails, runs of many whole rows or columns; through
// the vector loops and through the plain ones.
TEST(ResampleArea, EachPixelIsTheRoundedMeanOfItsArea) {
    struct Case {
        int W, H, Bits, ToW, ToH;
    };
    const Case cases[] = {{7, 5, 24, 3, 2},   {13, 11, 32, 4, 5},  {5, 9, 8, 2, 7},
                          {9, 3, 24, 4, 7},   {6, 6, 4, 6, 5},     {31, 17, 16, 7, 3},
                          {1, 40, 24, 1, 3},  {40, 1, 32, 6, 1},   {2, 1200, 24, 1, 2},
                          {61, 23, 24, 9, 4}, {37, 700, 32, 5, 2}, {300, 5, 24, 2, 3}};
    for (const Case& k : cases) {
        TDib d = TDib::Create(k.W, k.H, static_cast<std::uint16_t>(k.Bits), k.W % 2 == 0);
        if (k.Bits <= 8)
            for (int i = 0; i < (1 << k.Bits); ++i)
                d.Colors.push_back(TRgbQuad{static_cast<std::uint8_t>(i * 37),
                                            static_cast<std::uint8_t>(255 - i * 11),
                                            static_cast<std::uint8_t>(i * 101), 0});
        std::uint32_t seed = 12345;
        for (int y = 0; y < k.H; ++y)
            for (int x = 0; x < k.W; ++x) {
                seed = seed * 1103515245 + 12345;
                d.SetPixelValue(x, y,
                                (seed >> 8) & ((k.Bits >= 24) ? 0xFFFFFF : (1u << k.Bits) - 1));
            }
        TDib vector = TDib::Create(k.ToW, k.ToH, 32, true);
        TDib portable = TDib::Create(k.ToW, k.ToH, 32, true);
        ResampleAreaInto(d, vector);
        ResampleAreaIntoPortable(d, portable);
        ASSERT_EQ(portable.Bits.size(), vector.Bits.size());
        ASSERT_EQ(0, std::memcmp(portable.Bits.data(), vector.Bits.data(), vector.Bits.size()))
            << k.W << "x" << k.H << " -> " << k.ToW << "x" << k.ToH;
        const TDib& out = vector;
        const double sx = static_cast<double>(k.W) / k.ToW, sy = static_cast<double>(k.H) / k.ToH;
        for (int oy = 0; oy < k.ToH; ++oy)
            for (int ox = 0; ox < k.ToW; ++ox) {
                double mean[3] = {}; // red, green, blue
                for (int y = 0; y < k.H; ++y)
                    for (int x = 0; x < k.W; ++x) {
                        const double wx = std::max(0.0, std::min(x + 1.0, (ox + 1) * sx) -
                                                            std::max<double>(x, ox * sx));
                        const double wy = std::max(0.0, std::min(y + 1.0, (oy + 1) * sy) -
                                                            std::max<double>(y, oy * sy));
                        const std::uint32_t c = d.PixelColor(x, y);
                        for (int ch = 0; ch < 3; ++ch)
                            mean[ch] += ((c >> (8 * ch)) & 0xFF) * wx * wy / (sx * sy);
                    }
                const std::uint32_t c = out.PixelColor(ox, oy);
                ASSERT_NEAR(Red(c), mean[0], 0.5 + 1e-6)
                    << k.W << "x" << k.H << " " << ox << "," << oy;
                ASSERT_NEAR(Green(c), mean[1], 0.5 + 1e-6)
                    << k.W << "x" << k.H << " " << ox << "," << oy;
                ASSERT_NEAR(Blue(c), mean[2], 0.5 + 1e-6)
                    << k.W << "x" << k.H << " " << ox << "," << oy;
            }
    }
}

TEST(WorkerThread, RunsPiecesInTurnAndRaisesTheirFailures) {
    TWorkerThread worker;
    int done = 0;
    for (int i = 0; i < 3; ++i) {
        worker.Start([&] { ++done; });
        worker.Wait();
    }
    EXPECT_EQ(done, 3);
    worker.Start([] { throw EInvalidGraphic("on the worker"); });
    EXPECT_THROW(worker.Wait(), EInvalidGraphic);
    worker.Start([&] { ++done; }); // a failure leaves the thread working
    worker.Wait();
    EXPECT_EQ(done, 4);
}
