// The bundled archive module (axarchive) as a host calls it, on archives made at build time
// (tests/data/bundled/make-archives.py): what it says of itself, which data it claims, the
// records of each format (ANSI and UTF-16 names, sizes, order), entries unpacked to memory equal
// to the pictures they were made from, and the failures: damaged archives and entries, bombs,
// encrypted entries, names that point out of the folder an entry is written into.
#include "bundled/common/SusieArchiveApi.h"
#include "plugins/SusieAPI.h"
#include "tests/win/Harness.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <string>
#include <vector>

namespace {

using ProgressCallback = int(WINAPI*)(int, int, LONG_PTR);
using GetPluginInfoFn = int(WINAPI*)(int, LPSTR, int);
using IsSupportedFn = int(WINAPI*)(LPCSTR, void*);
using GetArchiveInfoFn = int(WINAPI*)(LPCSTR, LONG_PTR, unsigned, HLOCAL*);
using GetArchiveInfoWFn = int(WINAPI*)(LPCWSTR, LONG_PTR, unsigned, HLOCAL*);
using GetFileInfoFn = int(WINAPI*)(LPCSTR, LONG_PTR, LPCSTR, unsigned, susie::FileInfo*);
using GetFileInfoWFn = int(WINAPI*)(LPCWSTR, LONG_PTR, LPCWSTR, unsigned, susie::FileInfoW*);
using GetFileFn = int(WINAPI*)(LPCSTR, LONG_PTR, LPSTR, unsigned, ProgressCallback, LONG_PTR);
using GetFileWFn = int(WINAPI*)(LPCWSTR, LONG_PTR, LPWSTR, unsigned, ProgressCallback, LONG_PTR);

// The module's records and the program's are one layout.
static_assert(sizeof(susie::FileInfo) == sizeof(tovane::ArchiveFileInfo) &&
              sizeof(susie::FileInfoW) == sizeof(tovane::ArchiveFileInfoW));
static_assert(offsetof(susie::FileInfo, timestamp) ==
                  offsetof(tovane::ArchiveFileInfo, timestamp) &&
              offsetof(susie::FileInfo, filename) == offsetof(tovane::ArchiveFileInfo, filename) &&
              offsetof(susie::FileInfoW, crc) == offsetof(tovane::ArchiveFileInfoW, crc));

constexpr int Success = 0, Aborted = 1, BrokenData = 3, NoMemory = 4;
constexpr unsigned ToMemory = 1u << susie::DestinationShift;

template <typename F> F Export(HMODULE module, const char* name) {
    return reinterpret_cast<F>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

std::wstring Wide(const std::string& utf8, UINT codePage = CP_UTF8) {
    std::wstring out(utf8.size() + 1, L'\0');
    out.resize(static_cast<std::size_t>(
        MultiByteToWideChar(codePage, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(),
                            static_cast<int>(out.size()))));
    return out;
}

// The UTF-8 name in the system code page, as Windows converts it ('?' for what it lacks).
std::string Ansi(const std::string& utf8) {
    const std::wstring w = Wide(utf8);
    std::string out(w.size() * 2 + 1, '\0');
    out.resize(static_cast<std::size_t>(
        WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, w.data(), static_cast<int>(w.size()),
                            out.data(), static_cast<int>(out.size()), "?", nullptr)));
    return out;
}

std::string Fixture(const std::string& name) {
    return harness::ProgramFolder() + "archive-fixtures\\" + name;
}

std::vector<std::uint8_t> Picture(const std::string& id) {
    return harness::ReadWholeFile(Fixture(id + ".png"));
}

// A record's inner path as UTF-8, from the UTF-16 record.
std::string InnerPath(const susie::FileInfoW& r) {
    const std::wstring w = reinterpret_cast<const wchar_t*>(r.path) +
                           std::wstring(reinterpret_cast<const wchar_t*>(r.filename));
    std::string out(w.size() * 4 + 1, '\0');
    out.resize(static_cast<std::size_t>(
        WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), out.data(),
                            static_cast<int>(out.size()), nullptr, nullptr)));
    return out;
}

std::vector<std::uint8_t> Bytes(HLOCAL block, std::size_t size) {
    std::vector<std::uint8_t> out;
    if (const void* p = LocalLock(block)) {
        out.assign(static_cast<const std::uint8_t*>(p), static_cast<const std::uint8_t*>(p) + size);
        LocalUnlock(block);
    }
    return out;
}

// A file's bytes by its UTF-16 path; empty when it cannot be read.
std::vector<std::uint8_t> ReadWide(const std::wstring& path) {
    std::vector<std::uint8_t> out;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return out;
    out.resize(GetFileSize(file, nullptr));
    DWORD got = 0;
    if (!ReadFile(file, out.data(), static_cast<DWORD>(out.size()), &got, nullptr))
        got = 0;
    out.resize(got);
    CloseHandle(file);
    return out;
}

template <typename Record> std::vector<Record> Records(HLOCAL block) {
    std::vector<Record> out;
    if (auto* r = static_cast<const Record*>(LocalLock(block))) {
        for (; r->method[0] != 0; ++r)
            out.push_back(*r);
        LocalUnlock(block);
    }
    LocalFree(block);
    return out;
}

class ArchiveModule {
public:
    ArchiveModule() {
#ifdef _WIN64
        Module = LoadLibraryA((harness::ProgramFolder() + "axarchive.sph").c_str());
#else
        Module = LoadLibraryA((harness::ProgramFolder() + "axarchive.spi").c_str());
#endif
        PluginInfo = Export<GetPluginInfoFn>(Module, "GetPluginInfo");
        Supported = Export<IsSupportedFn>(Module, "IsSupported");
        ArchiveInfo = Export<GetArchiveInfoFn>(Module, "GetArchiveInfo");
        ArchiveInfoW = Export<GetArchiveInfoWFn>(Module, "GetArchiveInfoW");
        FileInfo = Export<GetFileInfoFn>(Module, "GetFileInfo");
        FileInfoW = Export<GetFileInfoWFn>(Module, "GetFileInfoW");
        File = Export<GetFileFn>(Module, "GetFile");
        FileW = Export<GetFileWFn>(Module, "GetFileW");
    }
    ~ArchiveModule() {
        if (Module)
            FreeLibrary(Module);
    }
    bool Complete() const {
        return PluginInfo && Supported && ArchiveInfo && ArchiveInfoW && FileInfo && FileInfoW &&
               File && FileW && GetProcAddress(Module, "ConfigurationDlg");
    }
    std::string Info(int index) const {
        char buffer[512] = {};
        return PluginInfo(index, buffer, sizeof buffer) > 0 ? buffer : "";
    }
    int List(const std::string& path, std::vector<susie::FileInfo>& out,
             LONG_PTR offset = 0) const {
        HLOCAL block = nullptr;
        const int r = ArchiveInfo(path.c_str(), offset, 0, &block);
        out = r == Success ? Records<susie::FileInfo>(block) : std::vector<susie::FileInfo>();
        return r;
    }
    int ListW(const std::wstring& path, std::vector<susie::FileInfoW>& out) const {
        HLOCAL block = nullptr;
        const int r = ArchiveInfoW(path.c_str(), 0, 0, &block);
        out = r == Success ? Records<susie::FileInfoW>(block) : std::vector<susie::FileInfoW>();
        return r;
    }
    // The entry at position to memory; the block's bytes in out. (A ZIP read by its local
    // headers alone may not state a size before the data: its record then says 0.)
    int Unpack(const std::string& path, const susie::FileInfoW& record,
               std::vector<std::uint8_t>& out, ProgressCallback progress = nullptr,
               LONG_PTR data = 0) const {
        HLOCAL block = nullptr;
        const int r = File(path.c_str(), static_cast<LONG_PTR>(record.position),
                           reinterpret_cast<LPSTR>(&block), ToMemory, progress, data);
        out.clear();
        if (block) {
            out = Bytes(block, LocalSize(block));
            LocalFree(block);
        }
        return r;
    }

    HMODULE Module = nullptr;
    GetPluginInfoFn PluginInfo = nullptr;
    IsSupportedFn Supported = nullptr;
    GetArchiveInfoFn ArchiveInfo = nullptr;
    GetArchiveInfoWFn ArchiveInfoW = nullptr;
    GetFileInfoFn FileInfo = nullptr;
    GetFileInfoWFn FileInfoW = nullptr;
    GetFileFn File = nullptr;
    GetFileWFn FileW = nullptr;
};

const ArchiveModule& Module() {
    static ArchiveModule module;
    return module;
}

class BundledArchive : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(Module().Complete()) << "axarchive or one of its exports"; }
};

} // namespace

TEST_F(BundledArchive, DescribesItselfAsAnArchiveModule) {
    const ArchiveModule& m = Module();
    EXPECT_EQ(m.Info(0), "00AM");
    EXPECT_NE(m.Info(1).find("libarchive"), std::string::npos) << m.Info(1);
    const std::vector<std::pair<std::string, std::string>> pairs = {
        {"*.zip;*.cbz", "ZIP archive"}, {"*.7z;*.cb7", "7-Zip archive"},
        {"*.rar;*.cbr", "RAR archive"}, {"*.lzh;*.lha", "LZH archive"},
        {"*.tar;*.cbt", "tar archive"},
    };
    for (std::size_t i = 0; i < pairs.size(); ++i) {
        EXPECT_EQ(m.Info(static_cast<int>(2 + 2 * i)), pairs[i].first);
        EXPECT_EQ(m.Info(static_cast<int>(3 + 2 * i)), pairs[i].second);
    }
    EXPECT_NE(m.Info(12).find("*.tar.gz"), std::string::npos);
    EXPECT_EQ(m.Info(14), "");
}

TEST_F(BundledArchive, ClaimsArchivesByTheirFirstBytes) {
    struct Case {
        const char* File;
        const char* NameGiven; // the name the host passes beside the bytes
        bool Claimed;
    };
    const std::vector<Case> cases = {
        {"book.zip", "book.bin", true},
        {"utf8.cbz", "utf8.cbz", true},
        {"set.7z", "x", true},
        {"unicode.rar", "x", true},
        {"stored5.rar", "x", true},
        {"cp932.lzh", "x", true},
        {"set.tar", "x", true},
        {"set.tar.gz", "set.tar.gz", true},
        {"set.tar.gz", "set.gz", false},
        {"set.tar.xz", "set.txz", true},
        {"set.tar.zst", "set.tar.zst", true},
        {"p1.png", "p1.zip", false},
    };
    for (const Case& c : cases) {
        std::vector<std::uint8_t> head = harness::ReadWholeFile(Fixture(c.File));
        ASSERT_FALSE(head.empty()) << c.File;
        head.resize(2048, 0);
        EXPECT_EQ(Module().Supported(c.NameGiven, head.data()) != 0, c.Claimed) << c.File;
    }
}

namespace {

struct Listed {
    const char* InnerPath; // UTF-8, '\' between folders
    const char* Picture;   // the source's id; null: checked by size and Content alone
    std::size_t Size = 0;
    const char* Content = nullptr;
};

struct ListCase {
    const char* File;
    std::vector<Listed> Entries;
    const char* Method = nullptr; // of every entry, when given
    bool InOrder = true;          // else as a set (7z sorts its entries itself)
};

const std::vector<Listed> Book = {
    {"表紙.png", "p1"}, {"第1章\\ソース.png", "p2"}, {"第1章\\一.png", "p3"}};

} // namespace

// Each format's records, ANSI and UTF-16 alike, and each entry unpacked to memory.
TEST_F(BundledArchive, ListsAndUnpacksEveryFormat) {
    const std::vector<ListCase> cases = {
        {"book.zip", Book, "deflate"},
        {"utf8.cbz", {{"Zoë.png", "p1"}, {"中文\\简体.png", "p2"}}},
        {"set.7z", Book, "7z", false},
        {"set.tar", Book, "store"},
        {"set.tar.gz", Book, "gzip"},
        {"set.tar.bz2", Book, "bzip2"},
        {"set.tar.xz", Book, "xz"},
        {"set.tar.zst", Book, "zstd"},
        {"unicode.rar",
         {{"表だよ\\新しいフォルダ\\新規テキスト ドキュメント.txt", nullptr, 0},
          {"表だよ\\漢字長いファイル名long-filename-in-漢字.txt", nullptr, 5, "kanji"}},
         "rar"},
        {"stored5.rar",
         {{"helloworld.txt", nullptr, 29, "hello libarchive test suite!\n"}},
         "rar5"},
        {"cp932.lzh", {{"漢字.txt", nullptr, 8}, {"表.txt", nullptr, 4}}},
    };
    const ArchiveModule& m = Module();
    for (const ListCase& c : cases) {
        SCOPED_TRACE(c.File);
        const std::string path = Fixture(c.File);
        std::vector<susie::FileInfo> ansi;
        std::vector<susie::FileInfoW> wide;
        ASSERT_EQ(m.List(path, ansi), Success);
        ASSERT_EQ(m.ListW(Wide(path, CP_ACP), wide), Success);
        ASSERT_EQ(ansi.size(), wide.size());
        // The RAR sample holds more entries than its first two files.
        ASSERT_GE(wide.size(), c.Entries.size());
        if (std::string(c.File) != "unicode.rar") {
            ASSERT_EQ(wide.size(), c.Entries.size());
        }
        for (std::size_t i = 0; i < c.Entries.size(); ++i) {
            const Listed& want = c.Entries[i];
            std::size_t at = i;
            if (!c.InOrder) {
                at = 0;
                while (at < wide.size() && InnerPath(wide[at]) != want.InnerPath)
                    ++at;
            }
            ASSERT_LT(at, wide.size()) << want.InnerPath;
            const susie::FileInfoW& w = wide[at];
            const susie::FileInfo& a = ansi[at];
            SCOPED_TRACE(want.InnerPath);
            EXPECT_EQ(InnerPath(w), want.InnerPath);
            EXPECT_EQ(std::string(a.path) + a.filename, Ansi(want.InnerPath));
            EXPECT_EQ(a.position, w.position);
            EXPECT_EQ(a.filesize, w.filesize);
            if (c.Method) {
                EXPECT_STREQ(reinterpret_cast<const char*>(w.method), c.Method);
            }
            const std::vector<std::uint8_t> source =
                want.Picture ? Picture(want.Picture) : std::vector<std::uint8_t>();
            const std::size_t size = want.Picture ? source.size() : want.Size;
            EXPECT_EQ(w.filesize, size);
            std::vector<std::uint8_t> bytes;
            ASSERT_EQ(m.Unpack(path, w, bytes), Success);
            EXPECT_EQ(bytes.size(), w.filesize);
            if (want.Picture) {
                EXPECT_EQ(bytes, source);
            }
            if (want.Content) {
                EXPECT_EQ(std::string(bytes.begin(), bytes.end()), want.Content);
            }
        }
    }
}

TEST_F(BundledArchive, ReadsArchivesFromMemoryAndBehindAnOffset) {
    const ArchiveModule& m = Module();
    const std::vector<std::uint8_t> zip = harness::ReadWholeFile(Fixture("book.zip"));
    HLOCAL block = nullptr;
    ASSERT_EQ(m.ArchiveInfo(reinterpret_cast<LPCSTR>(zip.data()), static_cast<LONG_PTR>(zip.size()),
                            1, &block),
              Success);
    const std::vector<susie::FileInfo> fromMemory = Records<susie::FileInfo>(block);
    ASSERT_EQ(fromMemory.size(), 3u);
    EXPECT_EQ(std::string(fromMemory[2].path) + fromMemory[2].filename, Ansi("第1章\\一.png"));

    // As a MacBinary header puts it: 128 bytes before the archive.
    harness::ScratchFolder scratch("archive-offset");
    std::vector<std::uint8_t> prefixed(128 + zip.size(), 0xAB);
    std::copy(zip.begin(), zip.end(), prefixed.begin() + 128);
    const std::string path = scratch.Sub("prefixed.zip");
    ASSERT_TRUE(harness::WriteWholeFile(path, prefixed));
    std::vector<susie::FileInfo> behind;
    ASSERT_EQ(m.List(path, behind, 128), Success);
    ASSERT_EQ(behind.size(), 3u);
    EXPECT_EQ(behind[1].filesize, Picture("p2").size());
}

TEST_F(BundledArchive, FindsAnEntryByItsInnerPath) {
    const ArchiveModule& m = Module();
    const std::string book = Fixture("book.zip");
    struct Case {
        std::string Name;
        unsigned Flag;
        bool Found;
    };
    const std::vector<Case> cases = {
        {Ansi("第1章\\一.png"), 0, true},  {Ansi("第1章/一.png"), 0, true},
        {Ansi("第1章\\一.PNG"), 0, false}, {Ansi("第1章\\一.PNG"), susie::IgnoreCase, true},
        {Ansi("一.png"), 0, false},
    };
    for (const Case& c : cases) {
        susie::FileInfo info{};
        const int r = m.FileInfo(book.c_str(), 0, c.Name.c_str(), c.Flag, &info);
        EXPECT_EQ(r == Success, c.Found) << c.Name;
        if (c.Found) {
            EXPECT_EQ(info.filesize, Picture("p3").size());
            EXPECT_EQ(std::string(info.filename), Ansi("一.png"));
        }
    }
    // A name outside the code page: by UTF-16, and by the ANSI record's own spelling.
    const std::string cbz = Fixture("utf8.cbz");
    susie::FileInfoW wide{};
    ASSERT_EQ(m.FileInfoW(Wide(cbz).c_str(), 0, Wide("中文/简体.png").c_str(), 0, &wide), Success);
    EXPECT_EQ(wide.filesize, Picture("p2").size());
    susie::FileInfo ansi{};
    ASSERT_EQ(m.FileInfo(cbz.c_str(), 0, Ansi("Zoë.png").c_str(), 0, &ansi), Success);
    EXPECT_EQ(ansi.filesize, Picture("p1").size());
}

TEST_F(BundledArchive, DamagedArchivesListWhatReads) {
    const ArchiveModule& m = Module();
    // Cut in the second entry's data: the first unpacks, the second is damaged.
    std::vector<susie::FileInfoW> damaged;
    ASSERT_EQ(m.ListW(Wide(Fixture("damaged.zip")), damaged), Success);
    ASSERT_EQ(damaged.size(), 2u);
    EXPECT_EQ(InnerPath(damaged[0]), "one.png");
    EXPECT_EQ(InnerPath(damaged[1]), "two.png");
    std::vector<std::uint8_t> bytes;
    EXPECT_EQ(m.Unpack(Fixture("damaged.zip"), damaged[0], bytes), Success);
    EXPECT_EQ(bytes, Picture("p1"));
    EXPECT_EQ(m.Unpack(Fixture("damaged.zip"), damaged[1], bytes), BrokenData);
    // An entry whose data no longer matches its CRC.
    std::vector<susie::FileInfoW> crc;
    ASSERT_EQ(m.ListW(Wide(Fixture("crc.zip")), crc), Success);
    ASSERT_EQ(crc.size(), 1u);
    EXPECT_EQ(m.Unpack(Fixture("crc.zip"), crc[0], bytes), BrokenData);
    // No archive at all.
    std::vector<susie::FileInfo> none;
    EXPECT_NE(m.List(Fixture("p1.png"), none), Success);
}

// A gigabyte of zeros: said in its header (refused before reading), said to be 1000 bytes
// (damaged as soon as it gives more), and not said at all (refused at the limit while reading).
// The times are printed, not asserted.
TEST_F(BundledArchive, BombsAreRefusedWhileReading) {
    const ArchiveModule& m = Module();
    struct Case {
        const char* File;
        std::size_t Entries, Bomb, Sound; // how many the archive lists; which is which
        int Result;
    };
    const std::vector<Case> cases = {
        {"bomb.zip", 3, 0, 2, NoMemory},
        {"bomb.zip", 3, 1, 2, BrokenData},
        {"stream.zip", 2, 1, 0, NoMemory},
    };
    for (const Case& c : cases) {
        const std::string path = Fixture(c.File);
        std::vector<susie::FileInfoW> entries;
        ASSERT_EQ(m.ListW(Wide(path), entries), Success) << c.File;
        ASSERT_EQ(entries.size(), c.Entries) << c.File;
        const susie::FileInfoW& bomb = entries[c.Bomb];
        const auto started = std::chrono::steady_clock::now();
        std::vector<std::uint8_t> bytes;
        EXPECT_EQ(m.Unpack(path, bomb, bytes), c.Result) << InnerPath(bomb);
        const double ms =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started)
                .count();
        std::printf("%s: %s (says %llu bytes) refused in %.0f ms\n", c.File,
                    InnerPath(bomb).c_str(), static_cast<unsigned long long>(bomb.filesize), ms);
        EXPECT_EQ(m.Unpack(path, entries[c.Sound], bytes), Success) << c.File;
        EXPECT_EQ(bytes, Picture("p1")) << c.File;
    }
}

TEST_F(BundledArchive, EncryptedEntriesAreMarkedAndNotUnpacked) {
    const ArchiveModule& m = Module();
    for (const char* file : {"secret.zip", "secret.7z", "secret.rar"}) {
        SCOPED_TRACE(file);
        std::vector<susie::FileInfoW> entries;
        ASSERT_EQ(m.ListW(Wide(Fixture(file)), entries), Success);
        ASSERT_FALSE(entries.empty());
        for (const susie::FileInfoW& e : entries) {
            EXPECT_STREQ(reinterpret_cast<const char*>(e.method), "encrypt") << InnerPath(e);
            std::vector<std::uint8_t> bytes;
            EXPECT_EQ(m.Unpack(Fixture(file), e, bytes), BrokenData) << InnerPath(e);
        }
    }
}

TEST_F(BundledArchive, WritesIntoTheFolderOnly) {
    const ArchiveModule& m = Module();
    harness::ScratchFolder scratch("archive-out");
    const std::string folder = scratch.MakeDir("out");
    const std::string path = Fixture("escape.zip");
    std::vector<susie::FileInfo> entries;
    ASSERT_EQ(m.List(path, entries), Success);
    ASSERT_EQ(entries.size(), 3u);
    const std::vector<std::pair<std::string, std::string>> written = {
        {"escape.png", "p1"}, {"escape2.png", "p2"}, {"abs.png", "p3"}};
    for (std::size_t i = 0; i < entries.size(); ++i) {
        std::string dest = folder;
        EXPECT_EQ(m.File(path.c_str(), static_cast<LONG_PTR>(entries[i].position), dest.data(), 0,
                         nullptr, 0),
                  Success);
        EXPECT_EQ(harness::ReadWholeFile(folder + "\\" + written[i].first),
                  Picture(written[i].second));
    }
    // Nothing beside the folder, nothing above it.
    EXPECT_EQ(GetFileAttributesA(scratch.Sub("escape.png").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetFileAttributesA(scratch.Sub("escape2.png").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetFileAttributesA((harness::TempFolder() + "escape.png").c_str()),
              INVALID_FILE_ATTRIBUTES);
    // A damaged entry leaves the file of its name as it was, and nothing beside it.
    std::vector<susie::FileInfo> damaged;
    ASSERT_EQ(m.List(Fixture("damaged.zip"), damaged), Success);
    ASSERT_EQ(damaged.size(), 2u);
    const std::string kept = scratch.Write("out\\two.png", "the user's own file");
    std::string into = folder;
    EXPECT_EQ(m.File(Fixture("damaged.zip").c_str(), static_cast<LONG_PTR>(damaged[1].position),
                     into.data(), 0, nullptr, 0),
              BrokenData);
    const std::vector<std::uint8_t> after = harness::ReadWholeFile(kept);
    EXPECT_EQ(std::string(after.begin(), after.end()), "the user's own file");
    WIN32_FIND_DATAA found;
    const HANDLE part = FindFirstFileA((folder + "\\*.part").c_str(), &found);
    EXPECT_EQ(part, INVALID_HANDLE_VALUE) << "a part left: " << found.cFileName;
    if (part != INVALID_HANDLE_VALUE)
        FindClose(part);
    // A name outside the code page, written by the UTF-16 export under its own name.
    std::vector<susie::FileInfoW> utf8;
    ASSERT_EQ(m.ListW(Wide(Fixture("utf8.cbz")), utf8), Success);
    ASSERT_EQ(utf8.size(), 2u);
    std::wstring dest = Wide(folder, CP_ACP);
    ASSERT_EQ(m.FileW(Wide(Fixture("utf8.cbz"), CP_ACP).c_str(),
                      static_cast<LONG_PTR>(utf8[1].position), dest.data(), 0, nullptr, 0),
              Success);
    const std::wstring wideName = Wide(folder, CP_ACP) + L"\\" + Wide("简体.png");
    EXPECT_EQ(ReadWide(wideName), Picture("p2"));
    DeleteFileW(wideName.c_str()); // the scratch folder's clean-up goes by ANSI names
}

namespace {

// What a progress callback was told; it answers "stop" at call StopAt.
struct Seen {
    std::vector<std::pair<int, int>> Calls;
    int StopAt = -1;
};

int WINAPI Watch(int done, int total, LONG_PTR data) {
    auto* seen = reinterpret_cast<Seen*>(data);
    seen->Calls.emplace_back(done, total);
    return static_cast<int>(seen->Calls.size()) - 1 == seen->StopAt ? 1 : 0;
}

} // namespace

TEST_F(BundledArchive, ProgressIsToldAndCanStop) {
    const ArchiveModule& m = Module();
    const ProgressCallback callback = &Watch;
    std::vector<susie::FileInfoW> entries;
    ASSERT_EQ(m.ListW(Wide(Fixture("book.zip")), entries), Success);
    std::vector<std::uint8_t> bytes;
    Seen all;
    ASSERT_EQ(m.Unpack(Fixture("book.zip"), entries[2], bytes, callback,
                       reinterpret_cast<LONG_PTR>(&all)),
              Success);
    ASSERT_GE(all.Calls.size(), 2u);
    const int size = static_cast<int>(Picture("p3").size());
    EXPECT_EQ(all.Calls.front(), std::make_pair(0, size));
    EXPECT_EQ(all.Calls.back(), std::make_pair(size, size));
    Seen stop;
    stop.StopAt = 0;
    EXPECT_EQ(m.Unpack(Fixture("book.zip"), entries[2], bytes, callback,
                       reinterpret_cast<LONG_PTR>(&stop)),
              Aborted);
    EXPECT_EQ(stop.Calls.size(), 1u);
}
