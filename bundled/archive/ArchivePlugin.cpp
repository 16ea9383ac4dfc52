// The bundled archive module ("00AM") over libarchive: ZIP and CBZ, 7z, RAR 4 and 5, LZH, tar
// (plain and compressed). The exports, as Susie hosts call them:
//   GetArchiveInfo(buf, len, flag, lphInf): flag & 7 == 0: buf is the archive's path, len where
//     the archive starts in the file; == 1: buf is the archive in memory, len its size. Hands
//     out a LocalAlloc'd array of records, one per file entry (folders and links left out), in
//     the archive's order, ended by a record whose method[0] is 0. A damaged archive lists the
//     entries read before the damage, when there is at least one.
//   GetFileInfo(buf, len, filename, flag, info): the record of the entry with that inner path
//     ('\' or '/' between its folders; flag 0x80: without case). SusieUnknownFormat when the
//     archive has no such entry.
//   GetFile(src, len, dest, flag, progress, lData): src is the archive's path (it starts at the
//     file's first byte) and len the entry's position from its record; (flag >> 8) & 7 == 1:
//     dest is an HLOCAL* that receives the bytes; == 0: dest is a folder, and the entry is
//     written there under its own name (never into another folder). An archive in memory is not
//     taken (SusieNotImplemented): the length argument then gives its size and leaves no room
//     for the entry's position.
// The W exports take UTF-16 paths and names and fill records with UTF-16 names. The ANSI ones
// give names in the system code page, a character it cannot hold as '?' (never a look-alike):
// such a name is found again by GetFileInfo in that form, but is best taken by position.
// An entry larger unpacked than the viewer's picture limit is refused with SusieNoMemory,
// by its stated size before reading and by what it gives while reading; a damaged entry gives
// SusieBrokenData (so does one that gives more than its stated size, as soon as it does), and
// so does one that needs a password (its method is "encrypt").
#include "bundled/archive/ArchiveReader.h"
#include "bundled/archive/portable/ArchiveRules.h"
#include "bundled/common/Limits.h"
#include "bundled/common/LocalMemory.h"
#include "bundled/common/SusieApi.h"
#include "bundled/common/SusieArchiveApi.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <exception>
#include <limits>
#include <new>
#include <string>
#include <type_traits>
#include <vector>

using bundled::SusieProgressCallback;

extern "C" {
__declspec(dllexport) int WINAPI
    GetArchiveInfo(LPCSTR buf, LONG_PTR len, unsigned int flag, HLOCAL* lphInf);
__declspec(dllexport) int WINAPI
    GetArchiveInfoW(LPCWSTR buf, LONG_PTR len, unsigned int flag, HLOCAL* lphInf);
__declspec(dllexport) int WINAPI GetFileInfo(LPCSTR buf, LONG_PTR len, LPCSTR filename,
                                             unsigned int flag, susie::FileInfo* lpInfo);
__declspec(dllexport) int WINAPI GetFileInfoW(LPCWSTR buf, LONG_PTR len, LPCWSTR filename,
                                              unsigned int flag, susie::FileInfoW* lpInfo);
__declspec(dllexport) int WINAPI GetFile(LPCSTR src, LONG_PTR len, LPSTR dest, unsigned int flag,
                                         SusieProgressCallback progress, LONG_PTR lData);
__declspec(dllexport) int WINAPI GetFileW(LPCWSTR src, LONG_PTR len, LPWSTR dest, unsigned int flag,
                                          SusieProgressCallback progress, LONG_PTR lData);
}

namespace bundled::archive {
namespace {

constexpr std::size_t HeaderBytes = 2048;

std::u16string ToU16(std::wstring_view text) {
    return {text.begin(), text.end()};
}

std::wstring ToWide(std::u16string_view text) {
    return {text.begin(), text.end()};
}

std::u16string AnsiToU16(const char* text) {
    if (!text || !*text)
        return {};
    const int n = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (n <= 1)
        return {};
    std::wstring wide(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text, -1, wide.data(), n);
    wide.resize(static_cast<std::size_t>(n - 1));
    return ToU16(wide);
}

// In the system code page; what it cannot hold becomes '?', never a look-alike character.
std::string U16ToAnsi(std::u16string_view text) {
    if (text.empty())
        return {};
    const std::wstring wide = ToWide(text);
    const int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(),
                                      static_cast<int>(wide.size()), nullptr, 0, "?", nullptr);
    std::string ansi(static_cast<std::size_t>(std::max(n, 0)), '\0');
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), static_cast<int>(wide.size()),
                        ansi.data(), n, "?", nullptr);
    return ansi;
}

bool IsLeadByte(unsigned char c) {
    return IsDBCSLeadByte(c) != FALSE;
}

template <std::size_t N> void CopyName(char (&field)[N], std::u16string_view name) {
    const std::string ansi = U16ToAnsi(name);
    const std::size_t n = AnsiFit(ansi, N, &IsLeadByte);
    std::memcpy(field, ansi.data(), n);
    field[n] = '\0';
}

template <std::size_t N> void CopyName(char16_t (&field)[N], std::u16string_view name) {
    const std::size_t n = Utf16Fit(name, N);
    std::copy_n(name.data(), n, field);
    field[n] = u'\0';
}

template <typename Char> void FillRecord(susie::BasicFileInfo<Char>& record, const EntryHeader& e) {
    record = susie::BasicFileInfo<Char>{};
    const std::size_t m = std::min(e.Method.size(), susie::RecordMethodBytes - 1);
    std::memcpy(record.method, e.Method.data(), m);
    record.position = static_cast<susie::RecordSize>(e.Index);
    record.filesize = static_cast<susie::RecordSize>(
        std::min<std::uint64_t>(e.Size, std::numeric_limits<susie::RecordSize>::max()));
    using Time = susie::RecordTime;
    record.timestamp = static_cast<Time>(std::clamp<std::int64_t>(
        e.WriteTime, std::numeric_limits<Time>::min(), std::numeric_limits<Time>::max()));
    const RecordName name = SplitInnerPath(e.InnerPath);
    CopyName(record.path, name.Folder);
    CopyName(record.filename, name.Name);
}

// The source of GetArchiveInfo and GetFileInfo: a path and an offset, or memory.
SusieResult SourceOf(const std::u16string& path, const void* memory, LONG_PTR len, unsigned flag,
                     ArchiveSource& source) {
    switch (flag & SusieSourceMask) {
    case SusieSourceFile:
        if (path.empty() || len < 0)
            return SusieReadError;
        source.Path = ToWide(path);
        source.Offset = static_cast<std::uint64_t>(len);
        return SusieSuccess;
    case SusieSourceMemory:
        if (!memory || len < 0)
            return SusieBrokenData;
        source.Memory = {static_cast<const std::uint8_t*>(memory), static_cast<std::size_t>(len)};
        return SusieSuccess;
    default:
        return SusieUnknownFormat;
    }
}

// Every file entry of the archive, in its order; entries read before damage count.
SusieResult ListFiles(const ArchiveSource& source, std::vector<EntryHeader>& files) {
    ArchiveReader reader;
    if (const SusieResult r = reader.Open(source); r != SusieSuccess)
        return r;
    EntryHeader header;
    for (;;) {
        switch (reader.Next(header)) {
        case ArchiveReader::Step::Entry:
            if (header.Regular)
                files.push_back(std::move(header));
            break;
        case ArchiveReader::Step::End:
            return SusieSuccess;
        case ArchiveReader::Step::Damaged:
            return files.empty() ? SusieBrokenData : SusieSuccess;
        }
    }
}

template <typename Char> SusieResult ArchiveInfo(const ArchiveSource& source, HLOCAL* lphInf) {
    std::vector<EntryHeader> files;
    if (const SusieResult r = ListFiles(source, files); r != SusieSuccess)
        return r;
    using Record = susie::BasicFileInfo<Char>;
    LocalBlock block(
        LocalAlloc(LMEM_MOVEABLE | LMEM_ZEROINIT, (files.size() + 1) * sizeof(Record)));
    if (!block.Get())
        return SusieNoMemory;
    {
        LocalLockGuard lock(block.Get());
        auto* records = reinterpret_cast<Record*>(lock.Address());
        if (!records)
            return SusieNoMemory;
        for (std::size_t i = 0; i < files.size(); ++i)
            FillRecord(records[i], files[i]);
        // The last record stays zero: method[0] == 0 ends the array.
    }
    *lphInf = block.Release();
    return SusieSuccess;
}

bool SameName(std::u16string_view a, std::u16string_view b, bool ignoreCase) {
    if (a.size() != b.size())
        return false;
    if (!ignoreCase)
        return a == b;
    const std::wstring wa = ToWide(a), wb = ToWide(b);
    return CompareStringOrdinal(wa.data(), static_cast<int>(wa.size()), wb.data(),
                                static_cast<int>(wb.size()), TRUE) == CSTR_EQUAL;
}

// The entry named wanted: by its UTF-16 inner path, or (ansi) by the inner path as the ANSI
// record spells it, '?' for what the code page lacks.
SusieResult FindFile(const ArchiveSource& source, std::u16string_view wanted, bool ignoreCase,
                     bool ansi, EntryHeader& found) {
    std::vector<EntryHeader> files;
    if (const SusieResult r = ListFiles(source, files); r != SusieSuccess)
        return r;
    const std::u16string target = NormalisedInnerPath(wanted);
    for (EntryHeader& e : files) {
        const std::u16string name = NormalisedInnerPath(e.InnerPath);
        if (SameName(name, target, ignoreCase) ||
            (ansi && SameName(AnsiToU16(U16ToAnsi(name).c_str()), target, ignoreCase))) {
            found = std::move(e);
            return SusieSuccess;
        }
    }
    return SusieUnknownFormat;
}

// A moveable local block that grows as the entry's bytes come.
class LocalBuffer {
public:
    ~LocalBuffer() { Unlock(); }
    bool Reserve(std::size_t capacity) {
        if (capacity <= FCapacity)
            return true;
        Unlock();
        if (!FBlock.Get()) {
            FBlock = LocalBlock(LocalAlloc(LMEM_MOVEABLE, std::max<std::size_t>(capacity, 1)));
            if (!FBlock.Get())
                return false;
        } else if (HLOCAL larger = LocalReAlloc(FBlock.Get(), capacity, LMEM_MOVEABLE)) {
            FBlock.Release(); // LocalReAlloc has taken the old handle over
            FBlock = LocalBlock(larger);
        } else {
            return false;
        }
        FCapacity = std::max<std::size_t>(capacity, 1);
        FAddress = static_cast<std::uint8_t*>(LocalLock(FBlock.Get()));
        return FAddress != nullptr;
    }
    bool Append(std::span<const std::uint8_t> bytes) {
        if (FSize + bytes.size() > FCapacity &&
            !Reserve(std::max(FSize + bytes.size(), FCapacity * 2)))
            return false;
        std::memcpy(FAddress + FSize, bytes.data(), bytes.size());
        FSize += bytes.size();
        return true;
    }
    // Unlocked and cut to the bytes it holds.
    HLOCAL Release() {
        Unlock();
        if (FSize == 0) {
            // An empty entry: a block of no bytes, as LocalSize tells the host.
            if (HLOCAL empty = LocalAlloc(LMEM_MOVEABLE, 0)) {
                FBlock.Reset();
                return empty;
            }
            if (!FBlock.Get() && !Reserve(1))
                return nullptr;
            Unlock();
        }
        if (FSize > 0 && FSize < FCapacity) {
            if (HLOCAL exact = LocalReAlloc(FBlock.Get(), FSize, LMEM_MOVEABLE)) {
                FBlock.Release();
                FBlock = LocalBlock(exact);
            }
        }
        return FBlock.Release();
    }

private:
    void Unlock() {
        if (FAddress)
            LocalUnlock(FBlock.Get());
        FAddress = nullptr;
    }
    LocalBlock FBlock;
    std::uint8_t* FAddress = nullptr;
    std::size_t FSize = 0, FCapacity = 0;
};

class FileHandle {
public:
    explicit FileHandle(HANDLE h) : FHandle(h) {}
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    ~FileHandle() { Close(); }
    HANDLE Get() const { return FHandle; }
    bool Valid() const { return FHandle != INVALID_HANDLE_VALUE; }
    void Close() {
        if (Valid())
            CloseHandle(FHandle);
        FHandle = INVALID_HANDLE_VALUE;
    }

private:
    HANDLE FHandle;
};

// Where GetFile puts the entry: a local block for the caller, or a file in a folder.
struct Destination {
    HLOCAL* Memory = nullptr;
    std::wstring Folder;
};

SusieResult ExtractFile(const std::u16string& archivePath, LONG_PTR position,
                        const Destination& dest, SusieProgressCallback callback, LONG_PTR lData) {
    if (archivePath.empty() || position < 0)
        return SusieReadError;
    ArchiveSource source;
    source.Path = ToWide(archivePath);
    ArchiveReader reader;
    if (const SusieResult r = reader.Open(source); r != SusieSuccess)
        return r;
    EntryHeader header;
    for (;;) {
        const ArchiveReader::Step step = reader.Next(header);
        if (step == ArchiveReader::Step::End)
            return SusieUnknownFormat; // no entry at that position
        if (step == ArchiveReader::Step::Damaged)
            return SusieBrokenData;
        if (header.Index == static_cast<std::size_t>(position))
            break;
    }
    if (!header.Regular)
        return SusieUnknownFormat;
    if (header.Encrypted)
        return SusieBrokenData;
    if (header.SizeKnown && !WithinEntryLimit(header.Size))
        return SusieNoMemory;

    const std::uint64_t stated = header.SizeKnown ? header.Size : 0;
    const ReadProgress progress = [&](std::uint64_t done) {
        if (!callback)
            return true;
        const std::uint64_t total = std::max(done, stated);
        // Both within the picture limit, far below INT_MAX.
        return callback(static_cast<int>(std::min<std::uint64_t>(done, INT_MAX)),
                        static_cast<int>(std::min<std::uint64_t>(total, INT_MAX)), lData) == 0;
    };
    if (callback &&
        callback(0, static_cast<int>(std::min<std::uint64_t>(stated, INT_MAX)), lData) != 0)
        return SusieAborted;

    if (dest.Memory) {
        // A stated size is the block's size from the start (an entry that gives more is
        // damaged). Without one the chunks are kept as they come and copied into one block at
        // the end, rather than the block growing by copies up to the limit.
        LocalBuffer buffer;
        std::vector<std::vector<std::uint8_t>> pieces;
        std::size_t unstated = 0;
        if (header.SizeKnown && !buffer.Reserve(static_cast<std::size_t>(stated)))
            return SusieNoMemory;
        const SusieResult r = reader.ReadData(
            header,
            [&](std::span<const std::uint8_t> chunk) {
                if (header.SizeKnown)
                    return buffer.Append(chunk);
                pieces.emplace_back(chunk.begin(), chunk.end());
                unstated += chunk.size();
                return true;
            },
            progress);
        if (r != SusieSuccess)
            return r;
        if (!header.SizeKnown) {
            if (!buffer.Reserve(unstated))
                return SusieNoMemory;
            for (const std::vector<std::uint8_t>& piece : pieces)
                buffer.Append(piece);
        }
        HLOCAL handle = buffer.Release();
        if (!handle)
            return SusieNoMemory;
        *dest.Memory = handle;
        return SusieSuccess;
    }

    // Into the folder under the entry's own name, made safe: never a path into another folder.
    const std::u16string name = SafeFileName(SplitInnerPath(header.InnerPath).Name);
    if (name.empty() || dest.Folder.empty())
        return SusieBrokenData;
    std::wstring target = dest.Folder;
    if (target.back() != L'\\' && target.back() != L'/')
        target += L'\\';
    target += ToWide(name);
    const DWORD attributes = GetFileAttributesW(dest.Folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return SusieInternalError; // the interface has no code for an unwritable destination
    // Written beside under a name of its own and put in place when whole: a file of that name
    // already there is replaced only by a complete entry, never lost to a damaged one.
    const std::wstring part = target + L"." + std::to_wstring(GetCurrentProcessId()) + L".part";
    FileHandle file(CreateFileW(part.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid())
        return SusieInternalError;
    bool writeFailed = false;
    SusieResult r = reader.ReadData(
        header,
        [&](std::span<const std::uint8_t> chunk) {
            DWORD written = 0;
            writeFailed = !WriteFile(file.Get(), chunk.data(), static_cast<DWORD>(chunk.size()),
                                     &written, nullptr) ||
                          written != chunk.size();
            return !writeFailed;
        },
        progress);
    if (writeFailed)
        r = SusieInternalError;
    file.Close();
    if (r == SusieSuccess && !MoveFileExW(part.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING))
        r = SusieInternalError;
    if (r != SusieSuccess)
        DeleteFileW(part.c_str()); // no half-written file is left behind
    return r;
}

std::u16string WideArg(LPCWSTR text) {
    return text ? std::u16string(reinterpret_cast<const char16_t*>(text)) : std::u16string();
}

// What the exports answer for an exception: none leaves the module.
SusieResult Failure(const std::exception_ptr& e) {
    try {
        std::rethrow_exception(e);
    } catch (const std::bad_alloc&) {
        return SusieNoMemory;
    } catch (...) {
        return SusieInternalError;
    }
}

const std::vector<std::string>& PluginTexts() {
    static const std::vector<std::string> texts = {
        "00AM",
        "axarchive: ZIP, 7z, RAR, LZH and tar archives (" + LibraryVersions() +
            "); refuses entries larger than " + std::to_string(tovane::MaxPictureBytes >> 20) +
            " MiB",
        "*.zip;*.cbz",
        "ZIP archive",
        "*.7z;*.cb7",
        "7-Zip archive",
        "*.rar;*.cbr",
        "RAR archive",
        "*.lzh;*.lha",
        "LZH archive",
        "*.tar;*.cbt",
        "tar archive",
        "*.tar.gz;*.tgz;*.tar.bz2;*.tbz2;*.tbz;*.tar.xz;*.txz;*.tar.zst;*.tzst",
        "Compressed tar archive",
    };
    return texts;
}

} // namespace
} // namespace bundled::archive

using namespace bundled;
using namespace bundled::archive;

// In 32-bit modules the calling convention is part of the type: these fail if an export lost
// its __stdcall.
static_assert(
    std::is_same_v<decltype(&GetArchiveInfo), int(WINAPI*)(LPCSTR, LONG_PTR, unsigned, HLOCAL*)>);
static_assert(std::is_same_v<decltype(&GetFileInfo),
                             int(WINAPI*)(LPCSTR, LONG_PTR, LPCSTR, unsigned, susie::FileInfo*)>);
static_assert(std::is_same_v<decltype(&GetFile), int(WINAPI*)(LPCSTR, LONG_PTR, LPSTR, unsigned,
                                                              SusieProgressCallback, LONG_PTR)>);
static_assert(std::is_same_v<decltype(&GetFileW), int(WINAPI*)(LPCWSTR, LONG_PTR, LPWSTR, unsigned,
                                                               SusieProgressCallback, LONG_PTR)>);

extern "C" int WINAPI GetPluginInfo(int infono, LPSTR buf, int buflen) {
    try {
        const std::vector<std::string>& texts = PluginTexts();
        if (infono < 0 || static_cast<std::size_t>(infono) >= texts.size() || !buf || buflen <= 0)
            return 0;
        const std::string& text = texts[static_cast<std::size_t>(infono)];
        const std::size_t n = std::min(text.size(), static_cast<std::size_t>(buflen - 1));
        std::memcpy(buf, text.data(), n);
        buf[n] = '\0';
        return static_cast<int>(n);
    } catch (...) {
        return 0;
    }
}

// dw is the address of the file's first 2048 bytes, zero-padded (never a file handle).
extern "C" int WINAPI IsSupported(LPCSTR filename, void* dw) {
    try {
        if (!dw)
            return 0;
        const std::span<const std::uint8_t> head(static_cast<const std::uint8_t*>(dw), HeaderBytes);
        return SniffArchive(head, filename ? filename : "") != ArchiveKind::None ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

extern "C" int WINAPI GetArchiveInfo(LPCSTR buf, LONG_PTR len, unsigned int flag, HLOCAL* lphInf) {
    try {
        if (!lphInf)
            return SusieInternalError;
        *lphInf = nullptr;
        ArchiveSource source;
        const bool file = (flag & SusieSourceMask) == SusieSourceFile;
        if (const SusieResult r = SourceOf(file ? AnsiToU16(buf) : u"", buf, len, flag, source);
            r != SusieSuccess)
            return r;
        return ArchiveInfo<char>(source, lphInf);
    } catch (...) {
        return Failure(std::current_exception());
    }
}

extern "C" int WINAPI GetArchiveInfoW(LPCWSTR buf, LONG_PTR len, unsigned int flag,
                                      HLOCAL* lphInf) {
    try {
        if (!lphInf)
            return SusieInternalError;
        *lphInf = nullptr;
        ArchiveSource source;
        const bool file = (flag & SusieSourceMask) == SusieSourceFile;
        if (const SusieResult r = SourceOf(file ? WideArg(buf) : u"", buf, len, flag, source);
            r != SusieSuccess)
            return r;
        return ArchiveInfo<char16_t>(source, lphInf);
    } catch (...) {
        return Failure(std::current_exception());
    }
}

namespace {

// GetFileInfo of either width: the record of the entry named (path: the archive's, empty for
// memory; ansiNames: the name is matched as the ANSI call spells names).
template <typename Char>
SusieResult FileInfoOf(const std::u16string& path, const void* buf, LONG_PTR len,
                       const std::u16string& name, unsigned flag, bool ansiNames,
                       susie::BasicFileInfo<Char>& record) {
    ArchiveSource source;
    if (const SusieResult r = SourceOf(path, buf, len, flag, source); r != SusieSuccess)
        return r;
    EntryHeader found;
    if (const SusieResult r =
            FindFile(source, name, (flag & susie::IgnoreCase) != 0, ansiNames, found);
        r != SusieSuccess)
        return r;
    FillRecord(record, found);
    return SusieSuccess;
}

} // namespace

extern "C" int WINAPI GetFileInfo(LPCSTR buf, LONG_PTR len, LPCSTR filename, unsigned int flag,
                                  susie::FileInfo* lpInfo) {
    try {
        if (!lpInfo || !filename)
            return SusieInternalError;
        const bool file = (flag & SusieSourceMask) == SusieSourceFile;
        return FileInfoOf(file ? AnsiToU16(buf) : u"", buf, len, AnsiToU16(filename), flag, true,
                          *lpInfo);
    } catch (...) {
        return Failure(std::current_exception());
    }
}

extern "C" int WINAPI GetFileInfoW(LPCWSTR buf, LONG_PTR len, LPCWSTR filename, unsigned int flag,
                                   susie::FileInfoW* lpInfo) {
    try {
        if (!lpInfo || !filename)
            return SusieInternalError;
        const bool file = (flag & SusieSourceMask) == SusieSourceFile;
        return FileInfoOf(file ? WideArg(buf) : u"", buf, len, WideArg(filename), flag, false,
                          *lpInfo);
    } catch (...) {
        return Failure(std::current_exception());
    }
}

namespace {

SusieResult GetFileFrom(const std::u16string& path, LONG_PTR len, void* dest, bool wideDest,
                        unsigned flag, SusieProgressCallback progress, LONG_PTR lData) {
    if ((flag & SusieSourceMask) != SusieSourceFile)
        return SusieNotImplemented;
    if (!dest)
        return SusieInternalError;
    Destination destination;
    switch ((flag >> susie::DestinationShift) & susie::DestinationMask) {
    case susie::DestinationMemory:
        destination.Memory = static_cast<HLOCAL*>(dest);
        *destination.Memory = nullptr;
        break;
    case susie::DestinationFolder:
        destination.Folder = wideDest ? ToWide(WideArg(static_cast<LPCWSTR>(dest)))
                                      : ToWide(AnsiToU16(static_cast<LPCSTR>(dest)));
        break;
    default:
        return SusieNotImplemented;
    }
    return ExtractFile(path, len, destination, progress, lData);
}

} // namespace

extern "C" int WINAPI GetFile(LPCSTR src, LONG_PTR len, LPSTR dest, unsigned int flag,
                              SusieProgressCallback progress, LONG_PTR lData) {
    try {
        return GetFileFrom(AnsiToU16(src), len, dest, false, flag, progress, lData);
    } catch (...) {
        return Failure(std::current_exception());
    }
}

extern "C" int WINAPI GetFileW(LPCWSTR src, LONG_PTR len, LPWSTR dest, unsigned int flag,
                               SusieProgressCallback progress, LONG_PTR lData) {
    try {
        return GetFileFrom(WideArg(src), len, dest, true, flag, progress, lData);
    } catch (...) {
        return Failure(std::current_exception());
    }
}

extern "C" int WINAPI ConfigurationDlg(HWND, int) {
    return SusieNotImplemented;
}
