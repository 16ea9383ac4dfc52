// The plug-in host's pure rules: registered extensions, trial order, version classes, the
// self-description buffer and the 64-bit picture-information layouts.
#include "plugins/portable/ArchiveRecords.h"
#include "plugins/portable/SPIRules.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <functional>
#include <map>
#include <optional>
#include <string>

namespace tovane {
namespace {

using Strings = std::vector<std::string>;

TEST(RegisteredExtensions, TakesAnEntryApartFromItsEnd) {
    EXPECT_EQ(RegisteredExtensions("*.jpg;*.jpeg;*.jpe"), (Strings{"jpe", "jpeg", "jpg"}));
    EXPECT_EQ(RegisteredExtensions("*.png"), (Strings{"png"}));
}

TEST(RegisteredExtensions, KeepsEverythingAfterTheFirstDot) {
    EXPECT_EQ(RegisteredExtensions("*.tar.gz"), (Strings{"tar.gz"}));
    EXPECT_EQ(RegisteredExtensions("*.tgz;*.tar.gz"), (Strings{"tar.gz", "tgz"}));
}

TEST(RegisteredExtensions, EmptyAndDotlessPieces) {
    // A trailing ";" gives one empty piece, handled first; a leading one gives nothing more,
    // since the rest before it is empty.
    EXPECT_EQ(RegisteredExtensions("*.xq;"), (Strings{"", "xq"}));
    EXPECT_EQ(RegisteredExtensions(";*.xq"), (Strings{"xq"}));
    EXPECT_EQ(RegisteredExtensions("*.a;;*.b"), (Strings{"b", "", "a"}));
    EXPECT_EQ(RegisteredExtensions("README"), (Strings{"README"}));
    EXPECT_EQ(RegisteredExtensions(""), Strings{});
}

TEST(DeclaresExtension, OnlyTheLastPatternOfAnEntryCounts) {
    const Strings entries{"*.jpg;*.jpeg"};
    EXPECT_TRUE(DeclaresExtension(entries, ".jpeg", IsCp932LeadByte));
    EXPECT_TRUE(DeclaresExtension(entries, ".JPEG", IsCp932LeadByte));
    EXPECT_FALSE(DeclaresExtension(entries, ".jpg", IsCp932LeadByte));
    EXPECT_FALSE(DeclaresExtension(entries, "", IsCp932LeadByte));
    EXPECT_FALSE(DeclaresExtension(Strings{"*."}, "", IsCp932LeadByte));
    EXPECT_TRUE(DeclaresExtension(Strings{"*.tar.gz"}, ".gz", IsCp932LeadByte));
}

struct Loader {
    const char* name;
    Strings extensions;
};

Strings Order(const std::vector<Loader>& loaders, std::string_view fileName,
              std::vector<const Loader*> target = {}) {
    std::vector<const Loader*> candidates;
    for (const Loader& l : loaders)
        candidates.push_back(&l);
    CollectByExtension<const Loader*>(
        std::span<const Loader* const>(candidates), fileName, target,
        [](const Loader* l) -> const Strings& { return l->extensions; }, IsCp932LeadByte);
    Strings names;
    for (const Loader* l : target)
        names.push_back(l->name);
    return names;
}

const std::vector<Loader> kLoaders{
    {"a", {"*.png"}}, {"b", {"*.jpg;*.jpeg", "*.jpe"}}, {"c", {"*.gif"}}, {"d", {"*.JPE"}}};

TEST(CollectByExtension, DeclaringLoadersComeFirstInReverseOrder) {
    EXPECT_EQ(Order(kLoaders, "C:\\pics\\x.jpe"), (Strings{"d", "b", "a", "c"}));
    EXPECT_EQ(Order(kLoaders, ".GIF"), (Strings{"c", "a", "b", "d"}));
    EXPECT_EQ(Order(kLoaders, "x.jpeg"), (Strings{"b", "a", "c", "d"}));
    // jpg is not the last pattern of b's entry.
    EXPECT_EQ(Order(kLoaders, "x.jpg"), (Strings{"a", "b", "c", "d"}));
}

TEST(CollectByExtension, NoExtensionKeepsCollectionOrder) {
    EXPECT_EQ(Order(kLoaders, "C:\\pics\\noext"), (Strings{"a", "b", "c", "d"}));
    EXPECT_EQ(Order(kLoaders, "C:\\pics.d\\noext"), (Strings{"a", "b", "c", "d"}));
    EXPECT_EQ(Order({}, "x.png"), Strings{});
}

TEST(CollectByExtension, KeepsWhatTheTargetHeld) {
    const Loader earlier{"z", {}};
    EXPECT_EQ(Order(kLoaders, "x.png", {&earlier}), (Strings{"a", "z", "b", "c", "d"}));
}

TEST(CollectByExtension, DoubleByteNameDoesNotHideTheDot) {
    // 0x95 0x5C is one character whose second byte is "\"; the extension after it stands.
    const std::string name = "C:\\\x95\x5C.png";
    EXPECT_EQ(Order(kLoaders, name), (Strings{"a", "b", "c", "d"}));
    const std::string folderDot = "C:\\a.png\\\x95\x5C";
    EXPECT_EQ(Order({{"p", {"*.png"}}, {"q", {"*.gif"}}}, folderDot), (Strings{"p", "q"}));
}

TEST(SPIKindForVersion, ComparesExactly) {
    EXPECT_EQ(SPIKindForVersion("00IN"), SPIKind::Import);
    EXPECT_EQ(SPIKindForVersion("00AM"), SPIKind::Archive);
    EXPECT_EQ(SPIKindForVersion("00XN"), SPIKind::Xn);
    EXPECT_EQ(SPIKindForVersion("00in"), SPIKind::Plain);
    EXPECT_EQ(SPIKindForVersion(""), SPIKind::Plain);
    EXPECT_EQ(SPIKindForVersion("00IN "), SPIKind::Plain);
}

TEST(PluginInfoText, StopsAtTheFirstNulOrTheBufferEnd) {
    std::array<char, 8> b{'0', '0', 'I', 'N', '\0', 'x', 'y', 'z'};
    EXPECT_EQ(PluginInfoText(b), "00IN");
    std::array<char, 4> full{'a', 'b', 'c', 'd'};
    EXPECT_EQ(PluginInfoText(full), "abcd");
    // Past the 256 bytes of the announced buffer nothing is text.
    EXPECT_EQ(PluginInfoText(std::string(300, 'x')), std::string(256, 'x'));
}

TEST(ReadFilterPairs, StopsAtAnUnansweredEmptyOrRepeatedPairAndAtTheBound) {
    using Answers = std::map<int, std::string>;
    struct Case {
        const char* name;
        std::function<std::optional<std::string>(int)> query;
        std::size_t pairs;
    };
    const auto table = [](Answers a) {
        return [a](int i) -> std::optional<std::string> {
            const auto it = a.find(i);
            return it == a.end() ? std::nullopt : std::optional(it->second);
        };
    };
    const Case cases[] = {
        {"two pairs", table({{2, "*.a"}, {3, "A"}, {4, "*.b"}, {5, "B"}}), 2},
        {"half a pair", table({{2, "*.a"}, {3, "A"}, {4, "*.b"}}), 1},
        {"empty pair", table({{2, "*.a"}, {3, "A"}, {4, ""}, {5, ""}, {6, "*.c"}, {7, "C"}}), 1},
        {"one empty half", table({{2, ""}, {3, "A"}}), 1},
        {"repeated pair", [](int i) { return std::optional<std::string>(i % 2 ? "X" : "*.x"); }, 1},
        {"every index new", [](int i) { return std::optional<std::string>(std::to_string(i / 2)); },
         std::size_t{MaxFilterPairs}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> ext, names;
        ReadFilterPairs(c.query, ext, names);
        EXPECT_EQ(ext.size(), c.pairs) << c.name;
        EXPECT_EQ(names.size(), c.pairs) << c.name;
    }
}

// Records as a module leaves them in a buffer filled with the sentinel.
using Record = std::array<unsigned char, PictureInfoRecordSize>;
constexpr unsigned char kSentinel = 0xA5;

Record Written(std::size_t handleAt, std::size_t handleSize, bool touchPadding) {
    Record r;
    r.fill(kSentinel);
    for (std::size_t i = 0; i < 22; ++i)
        r[i] = static_cast<unsigned char>(i);
    if (touchPadding)
        r[22] = r[23] = 0;
    const unsigned char handle[8] = {0x30, 0x12, 0x4C, 0x00, 0x00, 0x00, 0x00, 0x00};
    for (std::size_t i = 0; i < handleSize; ++i)
        r[handleAt + i] = handle[i];
    return r;
}

TEST(WrittenInfoHandleOffset, TellsTheTwoLayoutsApart) {
    EXPECT_EQ(WrittenInfoHandleOffset(Written(24, 8, false), kSentinel, 8), 24u);
    EXPECT_EQ(WrittenInfoHandleOffset(Written(24, 8, true), kSentinel, 8), 24u);
    EXPECT_EQ(WrittenInfoHandleOffset(Written(22, 8, false), kSentinel, 8), 22u);
    // Fewer than 8 bytes at 22 would leave sentinel bytes in the handle: no handle is read.
    for (std::size_t partial : {1u, 4u, 7u})
        EXPECT_EQ(WrittenInfoHandleOffset(Written(22, partial, false), kSentinel, 8), std::nullopt)
            << partial;
}

TEST(WrittenInfoHandleOffset, NullHandlesAndUnwrittenRecords) {
    Record padNull = Written(24, 0, false);
    std::fill(padNull.begin() + 24, padNull.end(), 0);
    EXPECT_EQ(WrittenInfoHandleOffset(padNull, kSentinel, 8), 24u);
    Record packNull = Written(22, 0, false);
    std::fill(packNull.begin() + 22, packNull.begin() + 30, 0);
    EXPECT_EQ(WrittenInfoHandleOffset(packNull, kSentinel, 8), 22u);
    EXPECT_EQ(WrittenInfoHandleOffset(Written(0, 0, false), kSentinel, 8), std::nullopt);
}

// A 32-bit module writes the one packed record: its 4-byte handle at 22, of any value.
TEST(WrittenInfoHandleOffset, FourByteHandlesAreReadWhenAnyOfTheirBytesWasWritten) {
    Record r = Written(22, 4, false);
    EXPECT_EQ(WrittenInfoHandleOffset(r, kSentinel, 4), 22u);
    r[22] = r[23] = kSentinel; // a handle whose low bytes happen to be the sentinel
    EXPECT_EQ(WrittenInfoHandleOffset(r, kSentinel, 4), 22u);
    std::fill(r.begin() + 22, r.begin() + 26, 0); // a null handle
    EXPECT_EQ(WrittenInfoHandleOffset(r, kSentinel, 4), 22u);
    EXPECT_EQ(WrittenInfoHandleOffset(Written(0, 0, false), kSentinel, 4), std::nullopt);
}

TEST(SearchOptions, SetOperations) {
    TSPISearchOptions o{TSPISearchOption::spsSusieDir, TSPISearchOption::spsWindowsDir};
    EXPECT_TRUE(o.Contains(TSPISearchOption::spsSusieDir));
    EXPECT_FALSE(o.Contains(TSPISearchOption::spsAppDir));
    EXPECT_TRUE(o.Contains(TSPISearchOption::spsWindowsDir));
    o.Exclude(TSPISearchOption::spsSusieDir);
    o.Include(TSPISearchOption::spsCurrentDir);
    EXPECT_EQ(
        o, (TSPISearchOptions{TSPISearchOption::spsCurrentDir, TSPISearchOption::spsWindowsDir}));
}

TEST(ModuleMachine, IsReadFromThePeHeaderWhereTheDosHeaderPointsAndNowhereElse) {
    // A DOS header pointing at a PE header at offset peAt with the given machine field.
    const auto image = [](std::uint32_t peAt, std::uint16_t machine, std::size_t size) {
        std::vector<std::uint8_t> b(size, 0);
        b[0] = 'M', b[1] = 'Z';
        for (int i = 0; i < 4; ++i)
            b[0x3C + i] = static_cast<std::uint8_t>(peAt >> (8 * i));
        if (peAt + 6 <= size) {
            b[peAt] = 'P', b[peAt + 1] = 'E';
            b[peAt + 4] = static_cast<std::uint8_t>(machine);
            b[peAt + 5] = static_cast<std::uint8_t>(machine >> 8);
        }
        return b;
    };
    struct Case {
        const char* Name;
        std::vector<std::uint8_t> Head;
        ModuleMachine Expected;
    };
    std::vector<std::uint8_t> notMz = image(0x80, 0x014C, 512);
    notMz[0] = 'X';
    std::vector<std::uint8_t> notPe = image(0x80, 0x014C, 512);
    notPe[0x81] = 'X';
    const Case cases[] = {
        {"i386", image(0x80, 0x014C, 512), ModuleMachine::X86},
        {"amd64", image(0x80, 0x8664, 512), ModuleMachine::X64},
        {"arm64", image(0x80, 0xAA64, 512), ModuleMachine::Other},
        {"header at the very end", image(506, 0x014C, 512), ModuleMachine::X86},
        {"header cut short", image(507, 0x014C, 512), ModuleMachine::Unknown},
        {"header pointer past the bytes", image(0xFFFFFFF0u, 0x014C, 512), ModuleMachine::Unknown},
        {"no MZ", notMz, ModuleMachine::Unknown},
        {"no PE signature", notPe, ModuleMachine::Unknown},
        {"shorter than a DOS header", std::vector<std::uint8_t>{'M', 'Z'}, ModuleMachine::Unknown},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ModuleMachineOf(c.Head), c.Expected) << c.Name;
}

// Archive modules' entry records: each layout read from bytes laid out as such a module writes
// them, the ending record and a block cut short.
struct RecordCase {
    int Bits;
    bool Wide;
    std::size_t Size;     // the record's
    std::size_t Field;    // bytes of each position, size and timestamp
    std::size_t NameUnit; // bytes of one unit of a name
};

std::vector<std::uint8_t> RecordBytes(const RecordCase& c, const char* method, std::uint64_t pos,
                                      std::uint64_t size, const std::string& folder,
                                      const std::string& name) {
    std::vector<std::uint8_t> r(c.Size, 0);
    std::memcpy(r.data(), method, std::strlen(method));
    const auto put = [&](std::size_t at, std::uint64_t v) {
        for (std::size_t i = 0; i < c.Field; ++i)
            r[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    put(8, pos);
    put(8 + c.Field, size / 2);
    put(8 + 2 * c.Field, size);
    put(8 + 3 * c.Field, 0xFFFFFFFFu); // -1 as a 32-bit time
    const std::size_t pathAt = 8 + 4 * c.Field;
    for (std::size_t i = 0; i < folder.size(); ++i)
        r[pathAt + i * c.NameUnit] = static_cast<std::uint8_t>(folder[i]);
    for (std::size_t i = 0; i < name.size(); ++i)
        r[pathAt + 200 * c.NameUnit + i * c.NameUnit] = static_cast<std::uint8_t>(name[i]);
    return r;
}

TEST(ArchiveRecords, EachLayoutIsReadUpToTheEndingRecord) {
    const RecordCase cases[] = {{32, false, 428, 4, 1},
                                {64, false, 448, 8, 1},
                                {32, true, 828, 4, 2},
                                {64, true, 848, 8, 2}};
    for (const RecordCase& c : cases) {
        SCOPED_TRACE(std::to_string(c.Bits) + (c.Wide ? " wide" : " narrow"));
        EXPECT_EQ(ArchiveRecordSize(c.Bits, c.Wide), c.Size);
        std::vector<std::uint8_t> block = RecordBytes(c, "deflate", 0, 1000, "", "a.png");
        const auto second = RecordBytes(c, "store", 7, 0x12345678, "sub\\", "b.jpg");
        block.insert(block.end(), second.begin(), second.end());
        block.resize(block.size() + c.Size, 0); // the ending record
        block.resize(block.size() + c.Size, 1); // past the end: never read
        const std::vector<TArchiveRecord> records = ReadArchiveRecords(block, c.Bits, c.Wide);
        ASSERT_EQ(records.size(), 2u);
        EXPECT_EQ(records[1].Method, "store");
        EXPECT_EQ(records[1].Position, 7u);
        EXPECT_EQ(records[1].Size, 0x12345678u);
        EXPECT_EQ(records[1].CompressedSize, 0x12345678u / 2);
        EXPECT_EQ(records[0].Timestamp, c.Bits == 32 ? -1 : 0xFFFFFFFFll);
        if (c.Wide) {
            EXPECT_EQ(records[1].WidePath, u"sub\\");
            EXPECT_EQ(records[1].WideFileName, u"b.jpg");
        } else {
            EXPECT_EQ(records[1].Path, "sub\\");
            EXPECT_EQ(records[1].FileName, "b.jpg");
        }
        // Without an ending record, only whole records within the block count.
        block.resize(c.Size + c.Size / 2);
        EXPECT_EQ(ReadArchiveRecords(block, c.Bits, c.Wide).size(), 1u);
    }
}

bool Cp932Lead(unsigned char c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

TEST(ArchiveRecords, EntryPathsJoinWithOneBackslash) {
    const struct {
        std::string Folder, Name, Path;
    } cases[] = {
        {"", "a.png", "a.png"},
        {"sub", "a.png", "sub\\a.png"},
        {"sub/", "a.png", "sub\\a.png"},
        {"\\sub\\\\deep\\", "a.png", "sub\\deep\\a.png"},
        {"", "x/y.png", "x\\y.png"},
        // "表" is 0x95 0x5C in code page 932: its trail byte is no separator, and the separator
        // after it is kept.
        {"\x95\x5C", "a.png", "\x95\x5C\\a.png"},
        {"\x95\x5C\\", "\x95\x5C.png", "\x95\x5C\\\x95\x5C.png"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(JoinEntryPath(c.Folder, c.Name, Cp932Lead), c.Path) << c.Folder << "|" << c.Name;
    EXPECT_EQ(JoinEntryPath(u"/sub/", u"\u8868.png"), u"sub\\\u8868.png");
}

} // namespace
} // namespace tovane
