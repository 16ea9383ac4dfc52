// Archives as places, over a test archive module whose archive is a text list of real files
// (am_list): the entries the slideshow lists, an entry decoded from memory by an import module,
// a protected entry, and an archive module that faults in the decoding host.
#include "framework/win32/Picture.h"
#include "framework/win32/Text.h"
#include "imaging/ArchiveReader.h"
#include "imaging/PluginHost.h"
#include "slideshow/PictureListing.h"
#include "tests/win/DecodingSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace tovane;
using namespace decoding_test;

namespace {

// "本" in code page 932.
const std::string Hon = "\x96\x7B";

// A list archive of three pictures (one in the folder "本"), a text file and a protected
// picture, each entry a real raw-format picture file.
std::wstring MakeArchive(const std::string& name) {
    const std::string picture = WriteScratch(name + "-picture.tvr", TinyPicture());
    std::string list = "TARC\r\n";
    for (const std::string& entry :
         std::vector<std::string>{"b.tvr", Hon + "\\a.tvr", "readme.txt", "c.tvr", "locked.tvr"})
        list += entry + "\t" + picture + "\r\n";
    return AnsiToWide(
        WriteScratch(name + ".tarc", std::vector<std::uint8_t>(list.begin(), list.end())));
}

// The named test modules in the order given (archive modules keep no call record to reset).
std::unique_ptr<TSPIs> Collection(std::initializer_list<const char*> names) {
    auto spis = std::make_unique<TSPIs>();
    for (const char* name : names)
        spis->Search(PluginFolder(name) + DefaultSPIMask);
    EXPECT_EQ(spis->Count(), static_cast<int>(names.size()));
    return spis;
}

class ArchivePlace : public WithSpiBmp, public ::testing::WithParamInterface<bool> {};

} // namespace

TEST_P(ArchivePlace, ListsAndDecodesItsEntries) {
    const bool isolated = GetParam();
    Spis = Collection({"decode_raw", "am_list"});
    TArchiveReader archives(*Spis, isolated);
    const std::wstring archive = MakeArchive(isolated ? "hosted" : "here");
    ASSERT_TRUE(archives.IsArchiveName(archive));
    ASSERT_TRUE(IsArchivePlace(archive, &archives));

    const TPictureList list = ListPictures(archive, "*.bmp;*.tvr;", {}, &archives);
    // The plain order of the inner paths; the text file is no picture.
    const std::vector<std::wstring> expected{L"b.tvr", L"c.tvr", L"locked.tvr", L"\u672C\\a.tvr"};
    EXPECT_EQ(list.Items(), expected);
    EXPECT_TRUE(list.InArchive());
    EXPECT_EQ(list.Directory(), archive);

    TPicture picture;
    LoadPictureAt(picture, list.Location(3), &archives);
    EXPECT_EQ(picture.Width(), 2);
    EXPECT_EQ(picture.Height(), 2);
    EXPECT_EQ(list.Location(3).Key(), archive + L"|\u672C\\a.tvr");

    try {
        LoadPictureAt(picture, list.Location(2), &archives);
        ADD_FAILURE() << "a protected entry was read";
    } catch (const EArchiveEntry& e) {
        EXPECT_NE(std::string(e.what()).find(ArchiveEntryEncrypted), std::string::npos) << e.what();
    }
    EXPECT_THROW(LoadPictureAt(picture, {archive, L"gone.tvr", true}, &archives), EArchiveEntry);
    EXPECT_TRUE(archives.TakeReports().empty());
}

INSTANTIATE_TEST_SUITE_P(HereAndInTheHost, ArchivePlace, ::testing::Values(false, true));

TEST_F(WithSpiBmp, AnArchiveModuleThatFaultsCostsTheArchive) {
    Spis = Collection({"decode_raw", "am_list", "am_list_fault"});
    TArchiveReader archives(*Spis, true);
    const std::wstring archive = MakeArchive("faulting");
    // Of the modules that declare the extension, the last in the collection is asked first: the
    // faulting one; the next one lists the archive.
    const auto entries = archives.Entries(archive);
    ASSERT_TRUE(entries);
    EXPECT_EQ(entries->size(), 5u);
    const std::vector<std::string> reports = archives.TakeReports();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_NE(reports[0].find("am_list_fault"), std::string::npos) << reports[0];
}
