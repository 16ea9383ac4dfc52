#include "framework/FileFormats.h"

#include <gtest/gtest.h>

using namespace tovane;

namespace {
const TGraphicClassInfo Base{"TBase", nullptr, nullptr};
const TGraphicClassInfo Derived{"TDerived", &Base, nullptr};
const TGraphicClassInfo Other{"TOther", nullptr, nullptr};
} // namespace

TEST(FileFormats, LatestRegistrationWinsIgnoringCase) {
    TFileFormatRegistry r;
    EXPECT_EQ(r.Find("bmp"), nullptr);
    r.Register("bmp", "Bitmaps", &Base);
    r.Register("BMP", "Plug-in bitmaps", &Derived);
    ASSERT_NE(r.Find("Bmp"), nullptr);
    EXPECT_EQ(r.Find("Bmp")->GraphicClass, &Derived);
    EXPECT_EQ(r.Find("bmp")->Description, "Plug-in bitmaps");
    EXPECT_EQ(r.Find("bm"), nullptr);
    r.Register("", "Empty", &Other);
    ASSERT_NE(r.Find(""), nullptr);
    EXPECT_EQ(r.Find("")->GraphicClass, &Other);
}

TEST(FileFormats, UnregisterRemovesClassAndDescendants) {
    TFileFormatRegistry r;
    r.Register("bmp", "Bitmaps", &Base);
    r.Register("jpg", "JPEG", &Derived);
    r.Register("png", "PNG", &Other);
    r.Register("bmp", "Plug-in", &Derived);
    r.UnregisterGraphicClass(&Derived);
    ASSERT_NE(r.Find("bmp"), nullptr);
    EXPECT_EQ(r.Find("bmp")->GraphicClass, &Base); // the earlier registration shows again
    EXPECT_EQ(r.Find("jpg"), nullptr);
    r.UnregisterGraphicClass(&Base);
    EXPECT_EQ(r.Find("bmp"), nullptr);
    ASSERT_EQ(r.Formats().size(), 1u);
    EXPECT_EQ(r.Formats()[0].Extension, "png");
}
