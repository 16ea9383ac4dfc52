#include "plugins/ArchiveCalls.h"

#include "framework/PictureLimits.h"
#include "framework/Streams.h"
#include "framework/win32/ModuleFile.h"
#include "framework/win32/Text.h"
#include "plugins/portable/ArchiveRecords.h"

#include <optional>
#include <span>

namespace tovane {

namespace {

// The archive's name as an ANSI module can take it; nothing when the code page cannot hold it.
std::optional<std::string> AnsiName(const std::wstring& archive) {
    if (std::optional<std::string> exact = WideToAnsiExact(archive))
        return exact;
    if (const std::optional<std::wstring> shortName = ShortPathOf(archive))
        return WideToAnsiExact(*shortName);
    return std::nullopt;
}

int WINAPI GoOn(int, int, SusieUserData) {
    return 0; // some modules call the callback without looking whether there is one
}

bool IsFolderName(const std::wstring& name) {
    return name.empty() || name.back() == L'\\';
}

std::vector<TArchiveEntry> EntriesOf(const UniqueLocal& block, int bits, bool wide) {
    std::vector<TArchiveEntry> entries;
    if (!block)
        return entries;
    const std::size_t size = LocalSize(block.Get());
    const TLocalLock locked(block.Get());
    if (locked.Address() == nullptr)
        return entries;
    const std::vector<TArchiveRecord> records = ReadArchiveRecords(
        std::span(static_cast<const std::uint8_t*>(locked.Address()), size), bits, wide);
    for (const TArchiveRecord& r : records) {
        TArchiveEntry entry;
        if (wide) {
            const std::u16string name = JoinEntryPath(r.WidePath, r.WideFileName);
            entry.Name.assign(name.begin(), name.end());
        } else {
            entry.Name = AnsiToWide(JoinEntryPath(r.Path, r.FileName, SystemLeadByte));
        }
        if (IsFolderName(entry.Name))
            continue;
        entry.Position = r.Position;
        entry.Size = r.Size;
        entry.Encrypted = r.Method == EncryptedMethod;
        entries.push_back(std::move(entry));
    }
    return entries;
}

} // namespace

TArchiveListing ListArchiveEntries(const TAmSPI& spi, const std::wstring& archive) {
    TArchiveListing listing;
    HLOCAL records = nullptr;
    const int bits = static_cast<int>(sizeof(void*) * 8);
    if (spi.HasWideCalls()) {
        listing.Value = spi.GetArchiveInfoW(archive.c_str(), 0, 0, &records);
    } else if (const std::optional<std::string> ansi = AnsiName(archive)) {
        listing.Value = spi.GetArchiveInfo(ansi->c_str(), 0, 0, &records);
    } else {
        TMemoryStream bytes;
        TFileStream file(archive, TFileMode::fmOpenRead);
        bytes.LoadFromStream(file);
        listing.Value = spi.GetArchiveInfo(static_cast<const char*>(bytes.Memory()),
                                           static_cast<SusieLength>(bytes.Size()), 1, &records);
    }
    // Whatever the result, a block handed over is the caller's to free.
    const UniqueLocal block(records);
    if (listing.Value == 0)
        listing.Entries = EntriesOf(block, bits, spi.HasWideCalls());
    return listing;
}

TEntryBytes ReadArchiveEntry(const TAmSPI& spi, const std::wstring& archive,
                             const TArchiveEntry& entry) {
    TEntryBytes bytes;
    if (entry.Size > MaxPictureBytes) {
        bytes.Value = ArchiveEntryTooLarge;
        return bytes;
    }
    const auto position = static_cast<SusieLength>(entry.Position);
    HLOCAL block = nullptr;
    if (spi.HasWideCalls()) {
        bytes.Value = spi.GetFileW(archive.c_str(), position, reinterpret_cast<wchar_t*>(&block),
                                   SusieDestinationMemory, &GoOn, 0);
    } else if (const std::optional<std::string> ansi = AnsiName(archive)) {
        bytes.Value = spi.GetFile(ansi->c_str(), position, reinterpret_cast<char*>(&block),
                                  SusieDestinationMemory, &GoOn, 0);
    } else {
        bytes.Value = ArchiveNameUnreachable;
        return bytes;
    }
    bytes.Block.Reset(block);
    if (bytes.Value != 0) {
        bytes.Block.Reset();
        return bytes;
    }
    const std::size_t held = bytes.Block ? LocalSize(bytes.Block.Get()) : 0;
    if (held > MaxPictureBytes) {
        bytes.Block.Reset();
        bytes.Value = ArchiveEntryTooLarge;
        return bytes;
    }
    // A module may round its block up; the stated size is the entry's when it fits.
    bytes.Size =
        entry.Size != 0 && entry.Size <= held ? static_cast<std::size_t>(entry.Size) : held;
    return bytes;
}

} // namespace tovane
