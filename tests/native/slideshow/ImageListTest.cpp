#include "slideshow/portable/ImageList.h"

#include <gtest/gtest.h>

using namespace tovane;

TEST(SlideShowImageList, MaskHasOnePatternPerExtension) {
    EXPECT_EQ(BuildImageMask({"bmp", "jpg", "png"}), "*.bmp;*.jpg;*.png;");
    EXPECT_EQ(BuildImageMask({}), "");
    EXPECT_EQ(BuildImageMask({"bmp", ""}), "*.bmp;*.;");
}

TEST(SlideShowImageList, WildcardsIgnoreLetterCase) {
    EXPECT_TRUE(MatchesWildcard("*.jpg", "a.JPG"));
    EXPECT_TRUE(MatchesWildcard("*.JPG", "photo.jpg"));
    EXPECT_TRUE(MatchesWildcard("*.jpg", ".jpg"));
    EXPECT_TRUE(MatchesWildcard("*.jpg", "a.b.jpg"));
    EXPECT_FALSE(MatchesWildcard("*.jpg", "a.jpeg"));
    EXPECT_FALSE(MatchesWildcard("*.jpg", "a.jpg.txt"));
    EXPECT_FALSE(MatchesWildcard("*.jpg", "jpg"));
    EXPECT_TRUE(MatchesWildcard("img?.png", "img1.png"));
    EXPECT_FALSE(MatchesWildcard("img?.png", "img.png"));
    EXPECT_TRUE(MatchesWildcard("*a*b*", "xxaYYbzz"));
    EXPECT_FALSE(MatchesWildcard("*a*b*", "xxbYYazz"));
    EXPECT_FALSE(MatchesWildcard("", "a"));
}

TEST(SlideShowImageList, EmptyExtensionMatchesNamesWithoutOne) {
    EXPECT_TRUE(MatchesWildcard("*.", "README"));
    EXPECT_FALSE(MatchesWildcard("*.", "a.txt"));
    EXPECT_TRUE(MatchesWildcard("*.*", "README"));
    EXPECT_TRUE(MatchesWildcard("*.*", "a.txt"));
}

TEST(SlideShowImageList, DoubleByteNamesMatchByCharacter) {
    // "ソ" is 0x83 0x5C: its trail byte is a backslash; "ア" 0x83 0x41 has "A" as trail byte.
    EXPECT_TRUE(MatchesWildcard("*.bmp", "\x83\x5C.bmp", IsCp932LeadByte));
    EXPECT_TRUE(MatchesWildcard("?.bmp", "\x83\x5C.bmp", IsCp932LeadByte));
    EXPECT_FALSE(MatchesWildcard("?.bmp", "\x83\x5C.bmp")); // byte-wise, "?" is one byte
    // The trail byte is not case-folded: "ア" is not "ャ"-like 0x83 0x61.
    EXPECT_FALSE(MatchesWildcard("\x83\x61.bmp", "\x83\x41.bmp", IsCp932LeadByte));
    EXPECT_TRUE(MatchesWildcard("\x83\x41.BMP", "\x83\x41.bmp", IsCp932LeadByte));
    // A trail byte 0x3F ("?") or 0x2A ("*") in a pattern is not a wildcard.
    EXPECT_FALSE(MatchesWildcard("\x83\x3F.bmp", "\x83\x40.bmp", IsCp932LeadByte));
}

TEST(SlideShowImageList, MaskPiecesAndTheEmptyLastPiece) {
    const char* mask = "*.bmp;*.jpg;";
    EXPECT_TRUE(MatchesImageMask(mask, "a.BMP"));
    EXPECT_TRUE(MatchesImageMask(mask, "b.jpg"));
    EXPECT_FALSE(MatchesImageMask(mask, "c.png"));
    EXPECT_FALSE(MatchesImageMask(mask, "noext")); // the empty piece matches nothing
    EXPECT_FALSE(MatchesImageMask("", "a.bmp"));
    EXPECT_FALSE(MatchesImageMask(";;", "a.bmp"));
    EXPECT_TRUE(MatchesImageMask("*.bmp;*.;", "noext")); // an empty extension asks for it
}

TEST(SlideShowImageList, ListsMatchingFilesSortedIgnoringCase) {
    const std::vector<FolderEntry> entries = {
        {"img2.jpg", false}, {"IMG10.JPG", false}, {"sub.jpg", true}, {"b.txt", false},
        {"a.bmp", false},    {"A.bmp", false},     {"_x.bmp", false}, {"Zeta.png", false},
    };
    const auto names = ImageListNames(entries, "*.bmp;*.jpg;*.png;");
    // Plain string order, not numeric; folders never listed; equal-but-for-case by bytes;
    // letters compare as lower case, so "_" (0x5F) comes before them.
    const std::vector<std::string> expected = {"_x.bmp",    "A.bmp",    "a.bmp",
                                               "IMG10.JPG", "img2.jpg", "Zeta.png"};
    EXPECT_EQ(names, expected);
}

TEST(SlideShowImageList, FullPathOfAName) {
    EXPECT_EQ(ImageFullPath("C:\\pics", "a.bmp"), "C:\\pics\\a.bmp");
    EXPECT_EQ(ImageFullPath("C:\\", "a.bmp"), "C:\\a.bmp");
    // A folder ending in "ソ" (trail byte 0x5C) still needs its backslash.
    EXPECT_EQ(ImageFullPath("C:\\\x83\x5C", "a.bmp", IsCp932LeadByte), "C:\\\x83\x5C\\a.bmp");
}
