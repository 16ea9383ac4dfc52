#include "framework/Exceptions.h"
#include "framework/Strings.h"

#include <gtest/gtest.h>

using namespace tovane;

TEST(Strings, CaseRulesTouchAsciiOnly) {
    EXPECT_EQ(AsciiLower("JPG.Jpeg"), "jpg.jpeg");
    EXPECT_EQ(AsciiUpper(".bmp"), ".BMP");
    // "ア" is 0x83 0x41: its trail byte is the code of "A" and must stay as it is.
    EXPECT_EQ(AsciiLower("\x83\x41.JPG", IsCp932LeadByte), "\x83\x41.jpg");
    EXPECT_EQ(AsciiLower("\x83\x41"), "\x83\x61"); // what a byte-wise rule would do
    EXPECT_FALSE(SameTextAscii("\x83\x41", "\x83\x61", IsCp932LeadByte));
    EXPECT_TRUE(SameTextAscii("\x83\x41X", "\x83\x41x", IsCp932LeadByte));
    EXPECT_TRUE(SameTextAscii("C:\\Photos", "c:\\PHOTOS"));
    EXPECT_FALSE(SameTextAscii("abc", "abcd"));
    EXPECT_LT(CompareTextAscii("img10.jpg", "IMG2.jpg"), 0);
    EXPECT_GT(CompareTextAscii("b", "A"), 0);
    // Bytes compare unsigned: a double-byte name sorts after ASCII names.
    EXPECT_GT(CompareTextAscii("\x95\x5C", "z"), 0);
}

TEST(Strings, FormatGrowsAsNeeded) {
    EXPECT_EQ(Format("フォルダ数 %d", 12), "フォルダ数 12");
    const std::string longText(5000, 'x');
    EXPECT_EQ(Format("[%s]", longText.c_str()).size(), 5002u);
    EXPECT_EQ(Format("%s", ""), "");
}

TEST(Strings, ParsesProfileIntegers) {
    int v = -7;
    EXPECT_TRUE(TryParseInt("30", v));
    EXPECT_EQ(v, 30);
    EXPECT_TRUE(TryParseInt("0x1E", v));
    EXPECT_EQ(v, 30);
    EXPECT_TRUE(TryParseInt("$1e", v));
    EXPECT_EQ(v, 30);
    EXPECT_TRUE(TryParseInt("-12", v));
    EXPECT_EQ(v, -12);
    EXPECT_TRUE(TryParseInt("0xFFFFFFFF", v));
    EXPECT_EQ(v, -1);
    EXPECT_TRUE(TryParseInt("16777215", v));
    EXPECT_EQ(v, 16777215);
    v = 99;
    for (const char* bad : {"1E", "ten", "", "0x", "$", "12 ", "2147483648", "0x100000000", "-"}) {
        EXPECT_FALSE(TryParseInt(bad, v)) << bad;
        EXPECT_EQ(v, 99) << bad;
    }
    EXPECT_TRUE(TryParseInt("-2147483648", v));
    EXPECT_EQ(v, -2147483647 - 1);
    EXPECT_TRUE(TryParseInt("0", v));
    EXPECT_EQ(v, 0);
}

TEST(Exceptions, ListIndexErrorNamesTheIndex) {
    try {
        ThrowListIndexError(5);
        FAIL();
    } catch (const EListError& e) {
        EXPECT_STREQ(e.what(), "List index out of bounds (5)");
    }
    EXPECT_THROW(throw EAbort(), Exception);
}
