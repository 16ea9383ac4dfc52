// Where a picture lives and the slideshow's list of them: a file's location splits into its
// folder and name and joins back to the same path; the list's selection never points outside it.
#include "slideshow/portable/PictureList.h"

#include <gtest/gtest.h>

using namespace tovane;

TEST(PictureLocation, AFilesPathSplitsIntoPlaceAndNameAndJoinsBack) {
    struct Case {
        const wchar_t* Path;
        const wchar_t* Place;
        const wchar_t* Name;
    };
    for (const Case& c :
         {Case{L"C:\\photos\\a.jpg", L"C:\\photos", L"a.jpg"},
          Case{L"C:\\a.jpg", L"C:\\", L"a.jpg"}, // a root keeps its backslash
          Case{L"\\\\server\\share\\b.png", L"\\\\server\\share", L"b.png"},
          Case{L"写真\\猫.webp", L"写真", L"猫.webp"}, Case{L"c.bmp", L"", L"c.bmp"}}) {
        const TPictureLocation location = TPictureLocation::OfFile(c.Path);
        EXPECT_EQ(location.Place, c.Place);
        EXPECT_EQ(location.Name, c.Name);
        EXPECT_EQ(location.Path(), c.Path);
        EXPECT_EQ(location.Key(), c.Path);
    }
}

TEST(PictureList, SelectsOnlyWhatItHoldsAndForgetsTheSelectionOnANewListing) {
    TPictureList list;
    EXPECT_TRUE(list.Selected().Empty());
    list.Assign(L"C:\\f", {L"a.jpg", L"b.jpg"});
    list.SetItemIndex(1);
    EXPECT_EQ(list.Selected(), (TPictureLocation{L"C:\\f", L"b.jpg"}));
    EXPECT_EQ(list.Selected().Path(), L"C:\\f\\b.jpg");
    for (int outside : {2, -1, -7}) {
        list.SetItemIndex(outside);
        EXPECT_EQ(list.ItemIndex(), -1);
        EXPECT_TRUE(list.Selected().Empty());
    }
    list.SetItemIndex(0);
    list.Assign(L"C:\\g", {L"c.jpg"});
    EXPECT_EQ(list.ItemIndex(), -1);
    list.Clear(); // a place that cannot be read now: no pictures, still the same place
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.Directory(), L"C:\\g");
    EXPECT_THROW(list.Item(0), std::out_of_range);
}
