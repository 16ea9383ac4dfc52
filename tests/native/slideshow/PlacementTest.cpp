#include "slideshow/portable/Placement.h"

#include <gtest/gtest.h>

#include <climits>

using namespace tovane;

namespace {

struct Row {
    int w, h;
    double bairitu;
    int W, H;
    int width, height, left, top;
    const char* label;
};

std::string Label(const Row& r, const ImagePlacement& p) {
    return IndexLabelText(r.bairitu, p, r.w, r.h);
}

} // namespace

TEST(SlideShowPlacement, WorkedPlacements) {
    const Row rows[] = {
        {800, 600, 1.0, 1024, 768, 800, 600, 112, 84, "100%"},
        {800, 600, 1.5, 1024, 768, 1024, 768, 0, 0, "150% ( 128.0% )"},
        {4000, 3000, 1.0, 1280, 1024, 1280, 960, 0, 32, "100% ( 32.0% )"},
        {4000, 3000, 0.5, 1280, 1024, 1280, 960, 0, 32, "50% ( 32.0% )"},
        {640, 480, 2.0, 1280, 1024, 1280, 960, 0, 32, "200%"},
        {640, 480, 5.0, 1280, 1024, 1280, 960, 0, 32, "500% ( 200.0% )"},
        {300, 1000, 1.0, 1280, 1024, 300, 1000, 490, 12, "100%"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(testing::Message() << r.w << "x" << r.h << " at " << r.bairitu);
        const ImagePlacement p = PlaceImage(r.w, r.h, r.bairitu, r.W, r.H);
        EXPECT_EQ(p.Width, r.width);
        EXPECT_EQ(p.Height, r.height);
        EXPECT_EQ(p.Left, r.left);
        EXPECT_EQ(p.Top, r.top);
        EXPECT_EQ(Label(r, p), r.label);
    }
}

TEST(SlideShowPlacement, PictureOfTheWindowsSizeIsNotFitted) {
    const ImagePlacement p = PlaceImage(1024, 768, 1.0, 1024, 768);
    EXPECT_EQ(p.Left, 0);
    EXPECT_EQ(p.Top, 0);
    EXPECT_EQ(p.Width, 1024);
    EXPECT_EQ(p.Height, 768);
    EXPECT_FALSE(p.Fitted());
    EXPECT_EQ(IndexLabelText(1.0, p, 1024, 768), "100%");
}

TEST(SlideShowPlacement, OnePixelWiderIsFittedByTheWidth) {
    const ImagePlacement p = PlaceImage(1025, 768, 1.0, 1024, 768);
    EXPECT_EQ(p.Width, 1024);
    EXPECT_EQ(p.Height, 767); // 768 / (1025 / 1024) = 767.25...
    EXPECT_EQ(p.Left, 0);
    EXPECT_EQ(p.Top, 0); // (768 - 767) halved toward zero
    EXPECT_TRUE(p.Fitted());
    EXPECT_EQ(IndexLabelText(1.0, p, 1025, 768), "100% ( 99.9% )");
}

TEST(SlideShowPlacement, EqualRatiosTakeTheHeightRuleInExtendedPrecision) {
    // 1190 x 833 has exactly the proportions of 1000 x 700. The height rule gives 700 and a
    // width of 1190 / (833 / 700), which in 80-bit arithmetic lies just below 1000 (in 64-bit
    // doubles it would round to 1000 exactly). The width rule would have given 1000 x 699.
    const ImagePlacement p = PlaceImage(1190, 833, 1.0, 1000, 700);
    EXPECT_EQ(p.Height, 700);
    EXPECT_EQ(p.Width, 999);
    EXPECT_EQ(p.Left, 0);
    EXPECT_EQ(p.Top, 0);
    const ImagePlacement q = PlaceImage(1070, 749, 1.0, 1000, 700);
    EXPECT_EQ(q.Height, 700);
    EXPECT_EQ(q.Width, 999);
}

TEST(SlideShowPlacement, TruncationHappensOnceAtTheEnd) {
    // 333 x 1.5 = 499.5 truncates to 499; the halving of odd remainders goes toward zero.
    const ImagePlacement p = PlaceImage(333, 201, 1.5, 1024, 768);
    EXPECT_EQ(p.ScaledWidth, 499);
    EXPECT_EQ(p.ScaledHeight, 301);
    EXPECT_EQ(p.Width, 499);
    EXPECT_EQ(p.Left, 262); // (1024 - 499) / 2 = 262.5
    EXPECT_EQ(p.Top, 233);  // (768 - 301) / 2 = 233.5
}

TEST(SlideShowPlacement, MagnifyingAFittedPictureKeepsItsSizeOnScreen) {
    // Tall picture, height-limited at every factor: the first number of the label grows, the
    // size on screen and the real scale stay.
    const ImagePlacement a = PlaceImage(1000, 2000, 1.0, 1280, 1024);
    const ImagePlacement b = PlaceImage(1000, 2000, 1.5, 1280, 1024);
    EXPECT_EQ(a.Height, 1024);
    EXPECT_EQ(b.Height, 1024);
    EXPECT_EQ(a.Width, 512);
    EXPECT_EQ(b.Width, 512);
    EXPECT_EQ(IndexLabelText(1.0, a, 1000, 2000), "100% ( 51.2% )");
    EXPECT_EQ(IndexLabelText(1.5, b, 1000, 2000), "150% ( 51.2% )");
}

TEST(SlideShowPlacement, EmptyPictureIsCentredWithNoSuffix) {
    const ImagePlacement p = PlaceImage(0, 0, 1.0, 1024, 768);
    EXPECT_EQ(p.Width, 0);
    EXPECT_EQ(p.Height, 0);
    EXPECT_EQ(p.Left, 512);
    EXPECT_EQ(p.Top, 384);
    EXPECT_EQ(IndexLabelText(1.0, p, 0, 0), "100%");
}

TEST(SlideShowPlacement, PictureWithNoHeightFittedByWidthShowsTheWidthScale) {
    const ImagePlacement p = PlaceImage(2048, 0, 1.0, 1024, 768);
    EXPECT_EQ(p.Width, 1024);
    EXPECT_EQ(p.Height, 0);
    EXPECT_EQ(p.Top, 384);
    EXPECT_EQ(IndexLabelText(1.0, p, 2048, 0), "100% ( 50.0% )");
    // A picture with no width that is too tall: height rule, width 0.
    const ImagePlacement q = PlaceImage(0, 2000, 1.0, 1024, 768);
    EXPECT_EQ(q.Width, 0);
    EXPECT_EQ(q.Height, 768);
    EXPECT_EQ(q.Left, 512);
    EXPECT_FALSE(q.Fitted()); // sw is 0 and stays 0: no suffix
}

TEST(SlideShowPlacement, HugeSizesSaturateInsteadOfOverflowing) {
    const ImagePlacement p = PlaceImage(INT_MAX, INT_MAX, 5.0, 1280, 1024);
    EXPECT_EQ(p.ScaledWidth, INT_MAX);
    EXPECT_EQ(p.Height, 1024); // square: the height limits
    EXPECT_EQ(p.Width, 1024);
    EXPECT_EQ(p.Left, 128);
}

TEST(SlideShowPlacement, IndexLabelRoundsTheMagnificationWithoutDecimals) {
    const ImagePlacement p = PlaceImage(10, 10, 0.5, 1024, 768);
    EXPECT_EQ(IndexLabelText(0.5, p, 10, 10), "50%");
    EXPECT_EQ(IndexLabelText(4.5, PlaceImage(10, 10, 4.5, 1024, 768), 10, 10), "450%");
}

TEST(SlideShowPlacement, DigitCount) {
    EXPECT_EQ(DigitCount(0), 1);
    EXPECT_EQ(DigitCount(-5), 1);
    EXPECT_EQ(DigitCount(INT_MIN), 1);
    EXPECT_EQ(DigitCount(9), 1);
    EXPECT_EQ(DigitCount(10), 2);
    EXPECT_EQ(DigitCount(99), 2);
    EXPECT_EQ(DigitCount(100), 3);
    EXPECT_EQ(DigitCount(INT_MAX), 10);
}

TEST(SlideShowPlacement, NumberedLinesAlignTheirNumbers) {
    // 9 folders and 9 images: one place.
    EXPECT_EQ(LabelNumberDigits(9, 9), 1);
    EXPECT_EQ(NumberedLine(1, 1, 9, "C:\\a"), "1 / 9  C:\\a");
    // 9 folders and 10 images: both lines take two places.
    EXPECT_EQ(LabelNumberDigits(9, 10), 2);
    EXPECT_EQ(NumberedLine(2, 3, 9, "C:\\a"), " 3 /  9  C:\\a");
    EXPECT_EQ(NumberedLine(2, 10, 10, "x.bmp"), "10 / 10  x.bmp");
    // 100 folders and 5 images: three.
    EXPECT_EQ(LabelNumberDigits(100, 5), 3);
    EXPECT_EQ(NumberedLine(3, 1, 5, "x.bmp"), "  1 /   5  x.bmp");
    // A longer number is not cut, an empty image list reads 0 / 0.
    EXPECT_EQ(NumberedLine(1, 123, 5, ""), "123 / 5  ");
    // The text is taken as bytes: a percent sign or a double-byte name passes through.
    EXPECT_EQ(NumberedLine(1, 1, 1, "100%\x95\x5C.bmp"), "1 / 1  100%\x95\x5C.bmp");
}
