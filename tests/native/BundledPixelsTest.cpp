// Pixel work of the bundled plug-ins: DIB rows, the alpha check, orientation, tone mapping.
#include "bundled/common/Pixels.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

using namespace bundled;

namespace {

TEST(BundledPixels, PadsDibRowsToFourBytes) {
    EXPECT_EQ(DibStride(1, 24), 4u);
    EXPECT_EQ(DibStride(37, 24), 112u);
    EXPECT_EQ(DibStride(4, 24), 12u);
    EXPECT_EQ(DibStride(37, 32), 148u);
    EXPECT_EQ(DibStride(100000, 32), 400000u);
}

TEST(BundledPixels, PacksEachSourceLayoutAsBgr) {
    const std::uint8_t grey[] = {10, 20};
    const std::uint8_t greyAlpha[] = {10, 99, 20, 0};
    const std::uint8_t rgb[] = {1, 2, 3, 4, 5, 6};
    const std::uint8_t rgba[] = {1, 2, 3, 200, 4, 5, 6, 0};
    std::vector<std::uint8_t> row(8, 0xEE);

    PackDibRow(grey, 1, ChannelOrder::Rgb, 2, 24, row.data());
    EXPECT_EQ(row, (std::vector<std::uint8_t>{10, 10, 10, 20, 20, 20, 0, 0}));
    PackDibRow(greyAlpha, 2, ChannelOrder::Rgb, 2, 32, row.data());
    EXPECT_EQ(row, (std::vector<std::uint8_t>{10, 10, 10, 99, 20, 20, 20, 0}));
    PackDibRow(rgb, 3, ChannelOrder::Rgb, 2, 24, row.data());
    EXPECT_EQ(row, (std::vector<std::uint8_t>{3, 2, 1, 6, 5, 4, 0, 0}));
    PackDibRow(rgb, 3, ChannelOrder::Bgr, 2, 32, row.data());
    EXPECT_EQ(row, (std::vector<std::uint8_t>{1, 2, 3, 255, 4, 5, 6, 255}));
    PackDibRow(rgba, 4, ChannelOrder::Rgb, 2, 32, row.data());
    EXPECT_EQ(row, (std::vector<std::uint8_t>{3, 2, 1, 200, 6, 5, 4, 0}));
    PackDibRow(rgb, 3, ChannelOrder::Bgr, 2, 24, row.data());
    EXPECT_EQ(row, (std::vector<std::uint8_t>{1, 2, 3, 4, 5, 6, 0, 0}));
    PackDibRow(rgba, 4, ChannelOrder::Bgr, 2, 24, row.data());
    EXPECT_EQ(row, (std::vector<std::uint8_t>{1, 2, 3, 4, 5, 6, 0, 0}));
}

TEST(BundledPixels, CompactsAnOpaque32BitDibInPlace) {
    // 3 x 2 pixels: 12 bytes a row at 32 bits, 12 at 24 (9 + 3 padding).
    std::vector<std::uint8_t> bits;
    for (int i = 0; i < 6; ++i)
        bits.insert(bits.end(),
                    {std::uint8_t(i * 3), std::uint8_t(i * 3 + 1), std::uint8_t(i * 3 + 2), 255});
    EXPECT_TRUE(AllOpaque(bits.data(), 3, 2));
    CompactDib32To24(bits.data(), 3, 2);
    const std::vector<std::uint8_t> expected = {0, 1,  2,  3,  4,  5,  6,  7,  8,  0, 0, 0,
                                                9, 10, 11, 12, 13, 14, 15, 16, 17, 0, 0, 0};
    EXPECT_EQ(std::vector<std::uint8_t>(bits.begin(), bits.begin() + 24), expected);
    std::vector<std::uint8_t> oneClear(4 * 4, 255);
    oneClear[4 * 3 + 3] = 254;
    EXPECT_FALSE(AllOpaque(oneClear.data(), 2, 2));
}

// A 3 x 2 picture whose pixels are numbered 0..5 in reading order:
//   0 1 2
//   3 4 5
PixelImage Numbered() {
    PixelImage p;
    p.Width = 3;
    p.Height = 2;
    for (std::uint8_t i = 0; i < 6; ++i)
        p.Pixels.insert(p.Pixels.end(), {i, i, i, 255});
    return p;
}

std::vector<int> Numbers(const PixelImage& p) {
    std::vector<int> n;
    for (std::size_t i = 0; i < p.Pixels.size(); i += 4)
        n.push_back(p.Pixels[i]);
    return n;
}

TEST(BundledPixels, TurnsPicturesAsEachExifOrientationSays) {
    struct Case {
        int Orientation;
        std::uint32_t Width;
        std::vector<int> Shown;
    };
    const Case cases[] = {
        {1, 3, {0, 1, 2, 3, 4, 5}}, {2, 3, {2, 1, 0, 5, 4, 3}}, // mirrored
        {3, 3, {5, 4, 3, 2, 1, 0}},                             // half turn
        {4, 3, {3, 4, 5, 0, 1, 2}},                             // upside down
        {5, 2, {0, 3, 1, 4, 2, 5}},                             // transposed
        {6, 2, {3, 0, 4, 1, 5, 2}},                             // quarter turn clockwise
        {7, 2, {5, 2, 4, 1, 3, 0}},                             // transversed
        {8, 2, {2, 5, 1, 4, 0, 3}},                             // quarter turn anticlockwise
        {0, 3, {0, 1, 2, 3, 4, 5}},                             // out of range: as stored
        {9, 3, {0, 1, 2, 3, 4, 5}},
    };
    for (const Case& c : cases) {
        const PixelImage shown = ApplyOrientation(Numbered(), c.Orientation);
        EXPECT_EQ(shown.Width, c.Width) << c.Orientation;
        EXPECT_EQ(shown.Height, 6 / c.Width) << c.Orientation;
        EXPECT_EQ(Numbers(shown), c.Shown) << c.Orientation;
        EXPECT_EQ(OrientationSwapsAxes(c.Orientation), c.Width == 2) << c.Orientation;
    }
}

TEST(BundledPixels, ToneMapsRadianceToDisplayValues) {
    EXPECT_EQ(ToneMap(0.0f), 0);
    EXPECT_EQ(ToneMap(-1.0f), 0);
    EXPECT_EQ(ToneMap(std::numeric_limits<float>::quiet_NaN()), 0);
    EXPECT_EQ(ToneMap(std::numeric_limits<float>::infinity()), 255);
    EXPECT_EQ(ToneMap(1.0f), 186); // (1/2)^(1/2.2)
    EXPECT_EQ(ToneMap(8.0f), 242); // (8/9)^(1/2.2)
    EXPECT_EQ(ToneMap(1e30f), 255);
    int previous = -1;
    for (float x = 0.0f; x < 100.0f; x += 0.37f) {
        const int v = ToneMap(x);
        EXPECT_GE(v, previous) << x;
        previous = v;
    }
}

} // namespace
