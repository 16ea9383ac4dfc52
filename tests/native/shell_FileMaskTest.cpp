#include "framework/FileMask.h"

#include <gtest/gtest.h>

using namespace tovane;

TEST(FileMask, SplitsAtSemicolonsAndDropsEmptyPieces) {
    EXPECT_EQ(SplitMask("*.bmp;*.jpg;"), (std::vector<std::string>{"*.bmp", "*.jpg"}));
    EXPECT_EQ(SplitMask(";;*.a"), (std::vector<std::string>{"*.a"}));
    EXPECT_TRUE(SplitMask("").empty());
    EXPECT_TRUE(SplitMask(";").empty());
}

struct MaskCase {
    const char* Name;
    const char* Mask;
    bool Matches;
};

const MaskCase MaskCases[] = {
    {"a.bmp", "*.bmp;*.jpg;", true},
    {"A.BMP", "*.bmp;", true},
    {"photo.JpG", "*.bmp;*.jpg;", true},
    {"a.jpeg", "*.bmp;*.jpg;", false}, // no short-name quirks: .jpeg is not .jpg
    {"a.html", "*.htm", false},
    {"a.bmp.txt", "*.bmp", false},
    {"bmp", "*.bmp", false},
    {".bmp", "*.bmp", true},
    {"x.b", "*.?", true},
    {"x.bm", "*.?", false},
    {"readme", "*.*", true},
    {"README", "*.bmp;*.;", true}, // an empty extension in the list
    {"a.bmp", "*.", false},
    {"a.", "*.", true},
    {"anything", "", false},
    {"anything", ";", false},
    {"a.bmp", "A*.B?P", true},
    {"aaab", "*a*b", true},
    {"abc", "*a*b", false},
};

TEST(FileMask, MatchesNamesIgnoringAsciiCase) {
    for (const MaskCase& c : MaskCases)
        EXPECT_EQ(MatchesMask(c.Name, c.Mask, IsCp932LeadByte), c.Matches)
            << c.Name << " / " << c.Mask;
}

TEST(FileMask, DoubleByteCharacterIsOneCharacter) {
    // "表" is 0x95 0x5C in code page 932: its trail byte is a backslash and must not be taken
    // for one, and "?" stands for the whole character.
    const std::string hyo = "\x95\x5C";
    EXPECT_TRUE(MatchesPattern(hyo + ".bmp", "?.bmp", IsCp932LeadByte));
    EXPECT_FALSE(MatchesPattern(hyo + ".bmp", "??.bmp", IsCp932LeadByte));
    EXPECT_TRUE(MatchesPattern(hyo + ".bmp", "??.bmp", IsSingleByte));
    // A trail byte that is an ASCII letter is compared exactly ("ア" is 0x83 0x41, 'A').
    const std::string a = "\x83\x41";
    EXPECT_FALSE(MatchesPattern("\x83\x61.bmp", a + ".bmp", IsCp932LeadByte));
    EXPECT_TRUE(MatchesPattern(a + ".BMP", a + ".bmp", IsCp932LeadByte));
}

TEST(FileMask, Utf16NamesMatchByCharacterAndAsciiCaseOnly) {
    // An emoji is a surrogate pair in UTF-16: "?" stands for the pair.
    const std::wstring smile = L"\xD83D\xDE00.bmp";
    EXPECT_TRUE(MatchesPattern(smile, L"?.bmp"));
    EXPECT_FALSE(MatchesPattern(smile, L"??.bmp"));
    EXPECT_TRUE(MatchesMask(L"PHOTO.JPG", L"*.bmp;*.jpg;"));
    EXPECT_FALSE(MatchesMask(L"photo.jpeg", L"*.bmp;*.jpg;"));
    EXPECT_FALSE(MatchesPattern(L"\u00C9t\u00E9.bmp", L"\u00E9t\u00E9.bmp"));
    EXPECT_TRUE(MatchesPattern(L"README", L"*."));
    EXPECT_FALSE(MatchesMask(L"a.bmp", L""));
}
