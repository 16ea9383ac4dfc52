#include "framework/Paths.h"

#include <gtest/gtest.h>

using namespace tovane;

namespace {
// "表" in code page 932 is 0x95 0x5C: its trail byte is the backslash code.
const std::string Hyou = "\x95\x5C";
// "ソ" is 0x83 0x5C, "．" (full-width dot) is 0x81 0x44; neither trail is a separator.
const std::string So = "\x83\x5C";
} // namespace

TEST(Paths, SplitsAtLastSeparator) {
    EXPECT_EQ(ExtractFilePath("C:\\dir\\file.jpg", IsCp932LeadByte), "C:\\dir\\");
    EXPECT_EQ(ExtractFileName("C:\\dir\\file.jpg", IsCp932LeadByte), "file.jpg");
    EXPECT_EQ(ExtractFileExt("C:\\dir\\file.tar.gz", IsCp932LeadByte), ".gz");
    EXPECT_EQ(ExtractFileExt("C:\\dir.d\\file", IsCp932LeadByte), "");
    EXPECT_EQ(ExtractFileExt(".jpg", IsCp932LeadByte), ".jpg");
    EXPECT_EQ(ExtractFileName("C:file", IsCp932LeadByte), "file");
    EXPECT_EQ(ExtractFilePath("file", IsCp932LeadByte), "");
    EXPECT_EQ(ExtractFileDir("C:\\dir\\file", IsCp932LeadByte), "C:\\dir");
    EXPECT_EQ(ExtractFileDir("C:\\file", IsCp932LeadByte), "C:\\");
}

TEST(Paths, TrailByteIsNeverASeparatorInCodePage932) {
    const std::string folder = "C:\\" + Hyou;               // C:\表
    const std::string path = folder + "\\" + So + ".jpg"; // C:\表\ソ.jpg
    EXPECT_EQ(ExtractFilePath(path, IsCp932LeadByte), folder + "\\");
    EXPECT_EQ(ExtractFileName(path, IsCp932LeadByte), So + ".jpg");
    EXPECT_EQ(ExtractFileName(folder, IsCp932LeadByte), Hyou);
    EXPECT_EQ(ExtractFileExt("C:\\a\\" + Hyou, IsCp932LeadByte), "");
    // With a single-byte rule the same bytes do split, which is what the rule parameter is for.
    EXPECT_EQ(ExtractFileName(folder, IsSingleByte), "");
}

TEST(Paths, IncludeTrailingBackslashLooksAtWholeCharacters) {
    EXPECT_EQ(IncludeTrailingBackslash("", IsCp932LeadByte), "");
    EXPECT_EQ(IncludeTrailingBackslash("C:\\a", IsCp932LeadByte), "C:\\a\\");
    EXPECT_EQ(IncludeTrailingBackslash("C:\\a\\", IsCp932LeadByte), "C:\\a\\");
    // A folder whose name ends in 表 still needs its separator.
    EXPECT_EQ(IncludeTrailingBackslash("C:\\" + Hyou, IsCp932LeadByte), "C:\\" + Hyou + "\\");
}

TEST(Paths, Cp932LeadBytes) {
    EXPECT_FALSE(IsCp932LeadByte(0x80));
    EXPECT_TRUE(IsCp932LeadByte(0x81));
    EXPECT_TRUE(IsCp932LeadByte(0x9F));
    EXPECT_FALSE(IsCp932LeadByte(0xA0));
    EXPECT_FALSE(IsCp932LeadByte(0xDF)); // half-width katakana are single bytes
    EXPECT_TRUE(IsCp932LeadByte(0xE0));
    EXPECT_TRUE(IsCp932LeadByte(0xFC));
    EXPECT_FALSE(IsCp932LeadByte(0xFD));
    // A lead byte at the very end has no trail; the byte itself is not a separator anyway.
    EXPECT_EQ(ExtractFileName("a\\b\x81", IsCp932LeadByte), "b\x81");
}
