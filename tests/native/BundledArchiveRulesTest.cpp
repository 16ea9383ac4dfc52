// The archive module's rules: which data it claims, the record's method and names, the file
// name an entry may be written under, and names cut to the record's fields.
#include "bundled/archive/portable/ArchiveRules.h"
#include "bundled/common/SusieArchiveApi.h" // its layouts are checked where it is compiled

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

using namespace bundled::archive;

namespace {

std::vector<std::uint8_t> Head(std::string_view start, std::size_t at = 0) {
    std::vector<std::uint8_t> head(2048, 0);
    std::memcpy(head.data() + at, start.data(), start.size());
    return head;
}

// A tar header block of an old tar (no "ustar" magic) with its checksum.
std::vector<std::uint8_t> OldTarHeader(bool rightSum) {
    std::vector<std::uint8_t> head = Head("picture.png");
    std::memcpy(head.data() + 100, "0000644", 8);
    std::memcpy(head.data() + 124, "00000000012", 12);
    unsigned sum = 0;
    for (std::size_t i = 0; i < 512; ++i)
        sum += (i >= 148 && i < 156) ? ' ' : head[i];
    char field[9];
    std::snprintf(field, sizeof field, "%06o", rightSum ? sum : sum + 1);
    std::memcpy(head.data() + 148, field, 7);
    head[155] = ' ';
    return head;
}

std::vector<std::uint8_t> LzhHeader(std::string_view method, std::uint8_t level) {
    std::vector<std::uint8_t> head = Head(method, 2);
    head[0] = 30;
    head[20] = level;
    return head;
}

} // namespace

TEST(ArchiveRules, ClaimsArchivesByTheirSignature) {
    struct Case {
        const char* What;
        std::vector<std::uint8_t> Head;
        const char* Name;
        ArchiveKind Want;
    };
    const std::vector<Case> cases = {
        {"ZIP", Head("PK\x03\x04\x14"), "book.dat", ArchiveKind::Zip},
        {"empty ZIP", Head("PK\x05\x06"), "empty.zip", ArchiveKind::Zip},
        {"spanned ZIP", Head("PK\x07\x08PK\x03\x04"), "a.zip", ArchiveKind::Zip},
        {"ZIP-like text", Head("PK is a name"), "a.zip", ArchiveKind::None},
        {"7z", Head("7z\xBC\xAF\x27\x1C"), "set.cb7", ArchiveKind::SevenZip},
        {"RAR 4", Head(std::string_view("Rar!\x1A\x07\x00", 7)), "a.cbr", ArchiveKind::Rar},
        {"RAR 5", Head(std::string_view("Rar!\x1A\x07\x01\x00", 8)), "a.rar", ArchiveKind::Rar},
        {"RAR 5 cut", Head(std::string_view("Rar!\x1A\x07\x02", 7)), "a.rar", ArchiveKind::None},
        {"LZH -lh5-", LzhHeader("-lh5-", 1), "a.lzh", ArchiveKind::Lzh},
        {"LZH -lzs-", LzhHeader("-lzs-", 0), "a.lzh", ArchiveKind::Lzh},
        {"LZH level 3 is not read", LzhHeader("-lh5-", 3), "a.lzh", ArchiveKind::None},
        {"LZH unknown method", LzhHeader("-lh9-", 1), "a.lzh", ArchiveKind::None},
        {"ustar", Head("ustar", 257), "a.tar", ArchiveKind::Tar},
        {"old tar by its checksum", OldTarHeader(true), "a.tar", ArchiveKind::Tar},
        {"old tar, wrong checksum", OldTarHeader(false), "a.tar", ArchiveKind::None},
        {"tar.gz", Head("\x1F\x8B\x08"), "set.tar.gz", ArchiveKind::CompressedTar},
        {"TGZ", Head("\x1F\x8B\x08"), "SET.TGZ", ArchiveKind::CompressedTar},
        {"gzip without a tar name", Head("\x1F\x8B\x08"), "picture.svgz", ArchiveKind::None},
        {"tar name without gzip", Head("GIF89a"), "set.tar.gz", ArchiveKind::None},
        {"tar.bz2", Head("BZh9"), "a.tar.bz2", ArchiveKind::CompressedTar},
        {"tar.xz",
         Head(std::string_view("\xFD"
                               "7zXZ\0",
                               6)),
         "a.txz", ArchiveKind::CompressedTar},
        {"tar.zst", Head("\x28\xB5\x2F\xFD"), "a.tar.zst", ArchiveKind::CompressedTar},
        {"PNG", Head("\x89PNG\r\n\x1A\n"), "a.zip", ArchiveKind::None},
        {"zeros", Head(""), "a.tar", ArchiveKind::None},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SniffArchive(c.Head, c.Name), c.Want) << c.What;
    // Fewer bytes than a signature needs: nothing read past them.
    const std::vector<std::uint8_t> two = {'P', 'K'};
    EXPECT_EQ(SniffArchive(two, "a.zip"), ArchiveKind::None);
}

TEST(ArchiveRules, MethodNamesFitTheRecord) {
    struct Case {
        const char* Format;
        const char* Filter;
        bool Encrypted;
        const char* Want;
    };
    const std::vector<Case> cases = {
        {"ZIP 1.0 (uncompressed)", "none", false, "store"},
        {"ZIP 2.0 (deflation)", "none", false, "deflate"},
        {"ZIP 2.0 (deflation)", "none", true, "encrypt"},
        {"ZIP 4.6 (bzip)", "none", false, "bzip2"},
        {"ZIP 6.3 (lzma)", "none", false, "lzma"},
        {"ZIP 6.3 (deflation-64-bit)", "none", false, "defl64"},
        {"ZIP 2.0 (reduced-3)", "none", false, "reduce"},
        {"ZIP 6.3 (ibm-terse-new)", "none", false, "ibm-ter"},
        {"ZIP", "none", false, "zip"},
        {"lha -lh5-", "none", false, "-lh5-"},
        {"7-Zip", "none", false, "7z"},
        {"RAR", "none", false, "rar"},
        {"RAR5", "none", true, "encrypt"},
        {"GNU tar format", "none", false, "store"},
        {"POSIX pax interchange format", "gzip", false, "gzip"},
        {"POSIX ustar format", "zstd", false, "zstd"},
    };
    for (const Case& c : cases) {
        const std::string method = MethodName(c.Format, c.Filter, c.Encrypted);
        EXPECT_EQ(method, c.Want) << c.Format;
        EXPECT_LE(method.size(), 7u) << c.Format;
    }
}

TEST(ArchiveRules, InnerPathsBecomeFolderAndName) {
    struct Case {
        std::u16string Inner, Folder, Name;
    };
    const std::vector<Case> cases = {
        {u"page1.png", u"", u"page1.png"},
        {u"vol1/page1.png", u"vol1\\", u"page1.png"},
        {u"vol1\\sub/本.png", u"vol1\\sub\\", u"本.png"},
        {u"/abs/x.png", u"abs\\", u"x.png"},
        {u"./a/./b.png", u"a\\", u"b.png"},
        {u"a//b.png", u"a\\", u"b.png"},
        {u"../x.png", u"..\\", u"x.png"},
        {u"folder/", u"folder\\", u""},
    };
    for (const Case& c : cases) {
        const RecordName name = SplitInnerPath(c.Inner);
        EXPECT_EQ(name.Folder, c.Folder);
        EXPECT_EQ(name.Name, c.Name);
        EXPECT_EQ(NormalisedInnerPath(c.Inner), c.Folder + c.Name);
    }
}

TEST(ArchiveRules, SafeFileNamesStayInTheFolder) {
    struct Case {
        std::u16string Name, Want;
    };
    const std::vector<Case> cases = {
        {u"page1.png", u"page1.png"},
        {u"本の表紙.png", u"本の表紙.png"},
        {u"..", u""},
        {u".", u""},
        {u"...", u""},
        {u"a.png. ", u"a.png"},
        {u"C:x.png", u"C_x.png"},
        {u"a<b>|c?*\".png", u"a_b__c___.png"},
        {u"con", u"_con"},
        {u"NUL.txt", u"_NUL.txt"},
        {u"com1.png", u"_com1.png"},
        {u"comic.png", u"comic.png"},
        {u"a\tb", u"a_b"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SafeFileName(c.Name), c.Want);
}

TEST(ArchiveRules, NamesAreCutWithoutSplittingCharacters) {
    // Code page 932's lead bytes, as far as the test's text needs them.
    const auto lead = [](unsigned char c) { return (c >= 0x81 && c <= 0x9F) || c >= 0xE0; };
    const std::string kanji = "\x96\x7B"; // one double-byte character
    EXPECT_EQ(AnsiFit("abcdef", 4, lead), 3u);
    EXPECT_EQ(AnsiFit("ab" + kanji, 4, lead), 2u); // the character would need the NUL's place
    EXPECT_EQ(AnsiFit("ab" + kanji, 5, lead), 4u);
    EXPECT_EQ(AnsiFit("abc", 0, lead), 0u);
    EXPECT_EQ(Utf16Fit(u"abcdef", 4), 3u);
    EXPECT_EQ(Utf16Fit(u"ab\U0001F600", 4), 2u); // a surrogate pair is not cut in half
    EXPECT_EQ(Utf16Fit(u"ab\U0001F600", 5), 4u);
}
