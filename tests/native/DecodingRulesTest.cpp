#include "imaging/portable/DecodeRules.h"

#include <gtest/gtest.h>

#include <climits>

using namespace tovane;

TEST(MulDivRounded, RoundsHalvesAwayFromZero) {
    EXPECT_EQ(MulDivRounded(1, 1, 2), 1);   // 0.5 -> 1
    EXPECT_EQ(MulDivRounded(-1, 1, 2), -1); // -0.5 -> -1
    EXPECT_EQ(MulDivRounded(1, -1, 2), -1);
    EXPECT_EQ(MulDivRounded(1, 1, -2), -1);
    EXPECT_EQ(MulDivRounded(-1, -1, -2), -1);
    EXPECT_EQ(MulDivRounded(-1, 1, -2), 1);
    EXPECT_EQ(MulDivRounded(1, 1, 3), 0);    // 0.33 -> 0
    EXPECT_EQ(MulDivRounded(2, 1, 3), 1);    // 0.67 -> 1
    EXPECT_EQ(MulDivRounded(5, 97, 10), 49); // 48.5 -> 49
}

TEST(MulDivRounded, ZeroDenominatorAndOverflowGiveMinusOne) {
    EXPECT_EQ(MulDivRounded(5, 97, 0), -1);
    EXPECT_EQ(MulDivRounded(INT_MAX, 97, 1), -1);
    EXPECT_EQ(MulDivRounded(INT_MIN, 1, 1), -1); // below -INT_MAX
    EXPECT_EQ(MulDivRounded(INT_MAX, 1, 1), INT_MAX);
    EXPECT_EQ(MulDivRounded(-INT_MAX, 1, 1), -INT_MAX);
    // The product may exceed 32 bits as long as the quotient does not.
    EXPECT_EQ(MulDivRounded(INT_MAX, 97, 100), 2083059138);
    EXPECT_EQ(MulDivRounded(INT_MIN, 1, -1), -1); // would be 2^31
}

TEST(PluginProgressPercent, SpansTwoToNinetyNine) {
    EXPECT_EQ(PluginProgressPercent(0, 100), 2);
    EXPECT_EQ(PluginProgressPercent(100, 100), 99);
    EXPECT_EQ(PluginProgressPercent(50, 100), 51);   // 48.5 rounds up
    EXPECT_EQ(PluginProgressPercent(1, 3), 34);      // 32.33
    EXPECT_EQ(PluginProgressPercent(0, 0), 1);       // zero denominator
    EXPECT_EQ(PluginProgressPercent(INT_MAX, 1), 1); // overflow
}

TEST(PluginProgressPercent, TruncatesOutOfRangeValuesToAByte) {
    EXPECT_EQ(PluginProgressPercent(300, 100), 293 - 256);
    EXPECT_EQ(PluginProgressPercent(-1, 1), 256 - 95); // -97 + 2
}

TEST(MemorySource, OffsetZeroIsAlwaysOffered) {
    EXPECT_TRUE(MemorySourceReachesOffset(0, 0));
    EXPECT_TRUE(MemorySourceReachesOffset(5, 0));
    EXPECT_EQ(MemorySourceLength(0, 0), 0);
    EXPECT_EQ(MemorySourceLength(5, 0), 5);
}

TEST(MemorySource, LaterOffsetNeedsDataPastIt) {
    EXPECT_FALSE(MemorySourceReachesOffset(0, 128));
    EXPECT_FALSE(MemorySourceReachesOffset(100, 128));
    EXPECT_FALSE(MemorySourceReachesOffset(128, 128));
    EXPECT_TRUE(MemorySourceReachesOffset(129, 128));
    EXPECT_EQ(MemorySourceLength(129, 128), 1);
    EXPECT_EQ(MemorySourceLength(3000, 128), 2872);
}

TEST(MemorySource, LengthNeverNegativeNorBeyondThirtyTwoBits) {
    EXPECT_EQ(MemorySourceLength(100, 128), 0);
    EXPECT_EQ(MemorySourceLength(0x1'0000'0000LL, 0), INT32_MAX);
}

TEST(LoaderExtension, TakesTheFinalComponentsLastDot) {
    EXPECT_EQ(LoaderExtension("C:\\pics\\a.JPG", IsCp932LeadByte), ".JPG");
    EXPECT_EQ(LoaderExtension("C:\\pics.d\\noext", IsCp932LeadByte), "");
    EXPECT_EQ(LoaderExtension("archive.tar.gz", IsCp932LeadByte), ".gz");
    EXPECT_EQ(LoaderExtension("", IsCp932LeadByte), "");
    EXPECT_EQ(LoaderExtension(".png", IsCp932LeadByte), ".png");
}

TEST(LoaderExtension, TrailByteOfADoubleByteCharacterIsNoSeparator) {
    // 0x81 0x5C is one character of code page 932 whose second byte equals "\".
    const std::string name = "dir\\a.b\x81\x5C"
                             "c";
    EXPECT_EQ(LoaderExtension(name, IsCp932LeadByte), ".b\x81\x5C"
                                                      "c");
    EXPECT_EQ(LoaderExtension(name, IsSingleByte), "");
}

TEST(IsBitmapFirst, AnyLetterCaseOfBmp) {
    EXPECT_TRUE(IsBitmapFirst("x.bmp", IsCp932LeadByte));
    EXPECT_TRUE(IsBitmapFirst("C:\\a\\x.Bmp", IsCp932LeadByte));
    EXPECT_TRUE(IsBitmapFirst("x.BMP", IsCp932LeadByte));
    EXPECT_FALSE(IsBitmapFirst("x.bmpx", IsCp932LeadByte));
    EXPECT_FALSE(IsBitmapFirst("bmp", IsCp932LeadByte));
    EXPECT_FALSE(IsBitmapFirst("", IsCp932LeadByte));
    EXPECT_FALSE(IsBitmapFirst("x.bmp\\y", IsCp932LeadByte));
    EXPECT_FALSE(IsBitmapFirst("x.dib", IsCp932LeadByte));
}

TEST(ChoosePluginFileForm, PathThenShortFormThenMemory) {
    // A code page of ASCII only; the short form of every name is "C:\SHORT~1.JPG" or, on a
    // volume without short names, the long name itself.
    const ExactAnsiConversion ascii = [](std::wstring_view w) -> std::optional<std::string> {
        std::string s;
        for (wchar_t c : w) {
            if (c >= 0x80)
                return std::nullopt;
            s += static_cast<char>(c);
        }
        return s;
    };
    const ShortNameLookup shortNames = [](const std::wstring&) {
        return std::optional<std::wstring>(L"C:\\SHORT~1.JPG");
    };
    const ShortNameLookup longNamesOnly = [](const std::wstring& p) {
        return std::optional<std::wstring>(p);
    };
    const ShortNameLookup none = [](const std::wstring&) { return std::optional<std::wstring>(); };
    struct Case {
        const wchar_t* Path;
        const ShortNameLookup* Short;
        bool InMemory;
        const char* Ansi;
    };
    for (const Case& c : {Case{L"C:\\plain.jpg", &none, false, "C:\\plain.jpg"},
                          Case{L"C:\\caf\u00E9.jpg", &shortNames, false, "C:\\SHORT~1.JPG"},
                          Case{L"C:\\caf\u00E9.jpg", &longNamesOnly, true, ""},
                          Case{L"C:\\caf\u00E9.jpg", &none, true, ""}}) {
        const PluginFileForm form = ChoosePluginFileForm(c.Path, ascii, *c.Short);
        EXPECT_EQ(form.InMemory, c.InMemory);
        EXPECT_EQ(form.Path, c.Ansi);
    }
}
