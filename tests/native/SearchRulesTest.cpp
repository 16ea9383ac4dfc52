#include "app/portable/CommandLine.h"
#include "app/portable/FolderListEditing.h"
#include "app/portable/FolderSpelling.h"
#include "app/portable/SearchState.h"
#include "settings/portable/ImageExtensions.h"

#include <gtest/gtest.h>

#include <map>

using namespace tovane;

namespace {

using Entries = std::vector<std::vector<std::string>>;
using Strings = std::vector<std::string>;

Strings Build(const Entries& entries) {
    return BuildImageExtensions(entries, IsCp932LeadByte);
}

} // namespace

TEST(ImageExtensions, BitmapFirstThenPluginOrderWithoutDuplicates) {
    EXPECT_EQ(Build({}), Strings{"bmp"});
    // jpg and jpeg in that order; JPG in capitals and bmp add nothing.
    EXPECT_EQ(Build({{"*.jpg;*.jpeg"}, {"*.JPG", "*.Png"}, {"*.bmp;*.pic"}}),
              (Strings{"bmp", "jpg", "jpeg", "png", "pic"}));
    // Several entries of one plug-in are taken in order, each with several extensions.
    EXPECT_EQ(Build({{"*.tif;*.tiff;*.TIF", "*.gif"}}), (Strings{"bmp", "tif", "tiff", "gif"}));
}

TEST(ImageExtensions, OddEntriesFollowTheCuttingRule) {
    // An entry that leaves no text adds the empty extension, once.
    EXPECT_EQ(Build({{"*."}, {"", "*"}}), (Strings{"bmp", ""}));
    // A trailing ";" leaves an empty rest; the two characters after each ";" are dropped
    // whatever they are.
    EXPECT_EQ(Build({{"*.mag;"}}), (Strings{"bmp", "mag", ""}));
    EXPECT_EQ(Build({{"*.a;xxb;*.c"}}), (Strings{"bmp", "a", "b", "c"}));
    // Only ASCII letters are lowered; the trail byte 0x5A of a double-byte character stays.
    const std::string ext = "\x83\x5A"
                            "X";
    EXPECT_EQ(Build({{"*." + ext}}), (Strings{"bmp", "\x83\x5A"
                                                     "x"}));
}

TEST(ImageExtensions, MembershipAndFileExtensions) {
    const Strings list{"bmp", "jpg", ""};
    EXPECT_TRUE(ContainsExtension(list, "JPG", IsCp932LeadByte));
    EXPECT_TRUE(ContainsExtension(list, "", IsCp932LeadByte));
    EXPECT_FALSE(ContainsExtension(list, "jpeg", IsCp932LeadByte));
    // "ア" is 0x83 0x41 and "ヂ" 0x83 0x61: trail bytes are not letters, so they differ.
    EXPECT_FALSE(ContainsExtension({"\x83\x41"}, "\x83\x61", IsCp932LeadByte));
    EXPECT_TRUE(ContainsExtension({"\x83\x41"
                                   "a"},
                                  "\x83\x41"
                                  "A",
                                  IsCp932LeadByte));
    EXPECT_EQ(FileExtensionOf("a.b.JPG", IsCp932LeadByte), "JPG");
    EXPECT_EQ(FileExtensionOf("README", IsCp932LeadByte), "");
    EXPECT_EQ(FileExtensionOf(".hidden", IsCp932LeadByte), "hidden");
    EXPECT_EQ(FileExtensionOf("name.", IsCp932LeadByte), "");
}

TEST(ImageExtensions, Utf16NamesAgainstTheList) {
    EXPECT_EQ(FileExtensionOf(L"\xD83D\xDE00.JPG"), L"JPG");
    EXPECT_EQ(FileExtensionOf(L"a.b\\c"), L"");
    EXPECT_EQ(FileExtensionOf(L"README"), L"");
    const std::vector<std::wstring> list{L"bmp", L"jpg", L"\u00E9"};
    EXPECT_TRUE(ContainsExtension(list, L"JPG"));
    EXPECT_FALSE(ContainsExtension(list, L"\u00C9")); // only ASCII letters ignore case
    EXPECT_FALSE(ContainsExtension(list, L"jpeg"));
}

TEST(ImageExtensions, Masks) {
    EXPECT_EQ(StatusBarMask({"bmp"}), " *.bmp;");
    EXPECT_EQ(StatusBarMask({"bmp", "jpg", "jpeg"}), " *.bmp;*.jpg;*.jpeg;");
    EXPECT_EQ(FileMask({"bmp", "jpg"}), "*.bmp;*.jpg;");
}

namespace {

FolderListModel List(int count, std::vector<int> selected, int itemIndex) {
    FolderListModel m;
    for (int i = 0; i < count; ++i)
        m.Items.push_back(std::wstring(1, static_cast<wchar_t>(L'a' + i)));
    m.Selected.assign(count, false);
    for (int i : selected)
        m.Selected[i] = true;
    m.ItemIndex = itemIndex;
    return m;
}

std::string Text(const FolderListModel& m) {
    std::string s;
    for (std::size_t i = 0; i < m.Items.size(); ++i)
        s += static_cast<char>(m.Selected[i] ? m.Items[i][0] - L'a' + 'A' : m.Items[i][0]);
    return s;
}

} // namespace

TEST(FolderList, DeleteSelected) {
    auto m = List(5, {}, 2);
    EXPECT_FALSE(DeleteSelectedFolders(m));
    EXPECT_EQ(Text(m), "abcde");
    EXPECT_EQ(m.ItemIndex, 2);

    // The last two of five: the new last item is current and selected.
    m = List(5, {3, 4}, 4);
    EXPECT_TRUE(DeleteSelectedFolders(m));
    EXPECT_EQ(Text(m), "abC");
    EXPECT_EQ(m.ItemIndex, 2);

    // Scattered items: the lowest deleted index is current and selected; other selections
    // are gone with their items.
    m = List(6, {1, 4}, 0);
    EXPECT_TRUE(DeleteSelectedFolders(m));
    EXPECT_EQ(Text(m), "aCdf");
    EXPECT_EQ(m.ItemIndex, 1);

    m = List(3, {0, 1, 2}, 1);
    EXPECT_TRUE(DeleteSelectedFolders(m));
    EXPECT_TRUE(m.Items.empty());
    EXPECT_EQ(m.ItemIndex, -1);
}

TEST(FolderList, MoveUp) {
    auto m = List(5, {0, 3}, 3);
    EXPECT_FALSE(MoveSelectedFoldersUp(m));
    EXPECT_EQ(Text(m), "AbcDe");

    m = List(5, {2, 3}, 3);
    EXPECT_TRUE(MoveSelectedFoldersUp(m));
    EXPECT_EQ(Text(m), "aCDbe");
    EXPECT_EQ(m.ItemIndex, 2); // the focus moved with its item

    // Separate blocks move independently; a passed item keeps its own state and focus.
    m = List(6, {1, 3, 5}, 2);
    EXPECT_TRUE(MoveSelectedFoldersUp(m));
    EXPECT_EQ(Text(m), "BaDcFe");
    EXPECT_EQ(m.ItemIndex, 3);

    m = List(0, {}, -1);
    EXPECT_FALSE(MoveSelectedFoldersUp(m));
}

TEST(FolderList, MoveDown) {
    auto m = List(4, {1, 3}, 1);
    EXPECT_FALSE(MoveSelectedFoldersDown(m));
    EXPECT_EQ(Text(m), "aBcD");

    m = List(5, {1, 2}, 0);
    EXPECT_TRUE(MoveSelectedFoldersDown(m));
    EXPECT_EQ(Text(m), "adBCe");
    EXPECT_EQ(m.ItemIndex, 0);

    m = List(1, {}, -1);
    EXPECT_FALSE(MoveSelectedFoldersDown(m));
}

TEST(SearchStates, NamesAndTransitions) {
    EXPECT_STREQ(SearchStateName(SearchState::None), "");
    EXPECT_STREQ(SearchStateName(SearchState::Searching), "検索中...");
    EXPECT_STREQ(SearchStateName(SearchState::Suspended), "検索中断");
    EXPECT_STREQ(SearchStateName(SearchState::Done), "検索完了");
    EXPECT_STREQ(SearchStateName(SearchState::Failed), "検索失敗");
    EXPECT_STREQ(SearchStateName(static_cast<SearchState>(9)), "");

    EXPECT_EQ(RegisterStepFor(SearchState::None), RegisterStep::Start);
    EXPECT_EQ(RegisterStepFor(SearchState::Searching), RegisterStep::JoinRunningSearch);
    EXPECT_EQ(RegisterStepFor(SearchState::Suspended), RegisterStep::DiscardSuspendedThenStart);
    EXPECT_EQ(RegisterStepFor(SearchState::Done), RegisterStep::Start);
    EXPECT_EQ(RegisterStepFor(SearchState::Failed), RegisterStep::Start);

    EXPECT_EQ(SuspendToggled(SearchState::Searching), SearchState::Suspended);
    EXPECT_EQ(SuspendToggled(SearchState::Suspended), SearchState::Searching);
    EXPECT_EQ(SuspendToggled(SearchState::None), SearchState::None);
    EXPECT_EQ(SuspendToggled(SearchState::Done), SearchState::Done);
}

namespace {

// A disk as a map from upper-cased path prefix to the stored name of its last component.
struct FakeDisk {
    std::map<std::string, std::string> names;
    std::vector<std::string> asked;
    DiskNameLookup Lookup() {
        return [this](const std::string& prefix) -> std::optional<std::string> {
            asked.push_back(prefix);
            auto it = names.find(AsciiUpper(prefix, IsCp932LeadByte));
            if (it == names.end())
                return std::nullopt;
            return it->second;
        };
    }
};

} // namespace

TEST(NormalizeFolderPath, SpellsEachComponentAsOnDisk) {
    FakeDisk disk;
    disk.names = {{"C:\\PHOTOS", "Photos"},
                  {"C:\\PHOTOS\\LONGNA~1", "Long Name"},
                  {"C:\\PHOTOS\\LONGNA~1\\2024", "2024"}};
    EXPECT_EQ(NormalizeFolderPathWith("c:\\photos\\longna~1\\2024", disk.Lookup(), IsCp932LeadByte),
              "c:\\Photos\\Long Name\\2024");
    EXPECT_EQ(disk.asked,
              (Strings{"c:\\photos", "c:\\photos\\longna~1", "c:\\photos\\longna~1\\2024"}));
    // A trailing "\" is dropped, but a drive root keeps its own ("C:" is the drive's current
    // folder).
    EXPECT_EQ(NormalizeFolderPathWith("C:\\photos\\", disk.Lookup(), IsCp932LeadByte),
              "C:\\Photos");
    EXPECT_EQ(NormalizeFolderPathWith("C:\\", disk.Lookup(), IsCp932LeadByte), "C:\\");
    EXPECT_EQ(NormalizeFolderPathWith("C:", disk.Lookup(), IsCp932LeadByte), "C:\\");
}

TEST(NormalizeFolderPath, KeepsTheRestFromAMissingComponent) {
    FakeDisk disk;
    disk.names = {{"C:\\PHOTOS", "Photos"}, {"C:\\PHOTOS\\GONE\\X", "x"}};
    EXPECT_EQ(NormalizeFolderPathWith("C:\\photos\\gone\\x\\", disk.Lookup(), IsCp932LeadByte),
              "C:\\Photos\\gone\\x\\");
    // Paths without a drive letter are left alone, and nothing is looked up.
    disk.asked.clear();
    EXPECT_EQ(NormalizeFolderPathWith("\\\\server\\share\\a", disk.Lookup(), IsCp932LeadByte),
              "\\\\server\\share\\a");
    EXPECT_EQ(NormalizeFolderPathWith("", disk.Lookup(), IsCp932LeadByte), "");
    EXPECT_TRUE(disk.asked.empty());
}

TEST(NormalizeFolderPath, TrailByteIsNotASeparator) {
    // "表" is 0x95 0x5C: the component "表示" must be looked up whole.
    const std::string hyouji = "\x95\x5C\x8E\xA6";
    FakeDisk disk;
    disk.names = {{"D:\\" + hyouji, hyouji}, {"D:\\" + hyouji + "\\A", "A"}};
    EXPECT_EQ(NormalizeFolderPathWith("D:\\" + hyouji + "\\a", disk.Lookup(), IsCp932LeadByte),
              "D:\\" + hyouji + "\\A");
    EXPECT_EQ(disk.asked, (Strings{"D:\\" + hyouji, "D:\\" + hyouji + "\\a"}));
}

TEST(CommandLine, SplitsLikeTheSystemButAQuotedFolderMayEndInABackslash) {
    using W = std::vector<std::wstring>;
    const struct {
        const wchar_t* line;
        W args;
    } cases[] = {
        {L"tovane.exe", W{}},
        {L"\"C:\\Program Files\\tovane.exe\"  a  b", W{L"a", L"b"}},
        {L"t \"D:\\My Pics\\\" E:\\x", W{L"D:\\My Pics\\", L"E:\\x"}},
        {L"t \"D:\\My Pics\\\"", W{L"D:\\My Pics\\"}},
        {L"t \"D:\\\\\" x", W{L"D:\\", L"x"}},
        {L"t a\\\\b \"c d\" \"\"", W{L"a\\\\b", L"c d", L""}},
        // Escaped quotes inside an argument keep the standard meaning.
        {L"t \"a\\\"b\" c\\\"d", W{L"a\"b", L"c\"d"}},
        {L"t ab\"c d\"e\tf", W{L"abc de", L"f"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SplitCommandLine(c.line), c.args) << std::wstring(c.line).size();
}
