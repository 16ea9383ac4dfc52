#include "imaging/ArchiveReader.h"

#include "framework/Paths.h"
#include "framework/Streams.h"
#include "framework/Strings.h"
#include "framework/win32/Handles.h"
#include "framework/win32/Text.h"
#include "imaging/PluginHost.h"
#include "imaging/portable/DecodeRules.h"
#include "plugins/portable/SPIRules.h"

#include <windows.h>

#include <algorithm>
#include <array>

namespace tovane {

namespace {

std::wstring AsciiLowerWide(std::wstring text) {
    for (wchar_t& c : text)
        if (c >= L'A' && c <= L'Z')
            c = static_cast<wchar_t>(c - L'A' + L'a');
    return text;
}

// The archive's first bytes, as IsSupported is shown them (zeros past a short file's end).
bool ReadHeader(const std::wstring& archive, std::array<std::uint8_t, 2048>& header) {
    header.fill(0);
    const UniqueFile file(CreateFileW(archive.c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, 0, nullptr));
    DWORD got = 0;
    return file &&
           ReadFile(file.Get(), header.data(), static_cast<DWORD>(header.size()), &got, nullptr);
}

// A module's block, locked for as long as the buffer that took its bytes over lives.
class TLockedLocalBlock final : public TExternalBlock {
public:
    explicit TLockedLocalBlock(UniqueLocal block) : FBlock(std::move(block)), FLock(FBlock.Get()) {}
    void* Address() const noexcept { return FLock.Address(); }

private:
    UniqueLocal FBlock;
    TLocalLock FLock;
};

std::string ValueText(int value) {
    switch (value) {
    case 3:
        return "データが壊れています";
    case ArchiveEntryTooLarge:
        return "大きすぎるため読み込みません";
    case ArchiveNameUnreachable:
        return "書庫の名前をこの Susie Plugin に渡せません";
    default:
        return "書庫から取り出せませんでした (エラー " + std::to_string(value) + ")";
    }
}

} // namespace

TArchiveReader::TArchiveReader(const TSPIs& spis, bool isolate) : FSpis(spis) {
    bool any32 = false;
    for (int i = 0; i < spis.Count(); ++i) {
        const auto* spi = dynamic_cast<const TAmSPI*>(&spis.Items(i));
        if (spi == nullptr)
            continue;
        any32 = any32 || spi->Bits() != static_cast<int>(sizeof(void*) * 8);
        for (const std::string& filter : spi->Extensions())
            for (const std::string& ext : RegisteredExtensions(filter))
                if (!ext.empty()) {
                    FExtensions.push_back(AsciiLowerWide(AnsiToWide(ext)));
                    FAnsiExtensions.push_back(ext);
                }
    }
    if (isolate && !FExtensions.empty())
        FHost = std::make_unique<TPluginHost>();
    if constexpr (sizeof(void*) == 8)
        if (any32)
            FHost32 = TPluginHost::ForModules32();
}

TArchiveReader::~TArchiveReader() = default;

bool TArchiveReader::IsArchiveName(const std::wstring& path) const {
    const std::wstring name = AsciiLowerWide(path);
    return std::any_of(FExtensions.begin(), FExtensions.end(), [&](const std::wstring& ext) {
        return name.size() > ext.size() + 1 && name.ends_with(ext) &&
               name[name.size() - ext.size() - 1] == L'.';
    });
}

bool TArchiveReader::IsArchiveFile(const std::wstring& path) const {
    if (!IsArchiveName(path))
        return false;
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

TPluginHost* TArchiveReader::HostFor(const TAmSPI& spi) const {
    if (spi.Bits() != static_cast<int>(sizeof(void*) * 8))
        return FHost32.get();
    return FHost && !FHost->Unavailable() ? FHost.get() : nullptr;
}

void TArchiveReader::NoteFault(const std::string& modulePath, const std::wstring& archive, int kind,
                               bool nowSkipped) {
    FReports.push_back(host::PictureFaultMessage(
        static_cast<host::TFaultKind>(kind),
        AnsiToUtf8(ExtractFileName(modulePath, SystemLeadByte)), WideToUtf8(archive), nowSkipped));
}

std::optional<TArchiveListing> TArchiveReader::TryList(const TAmSPI& spi,
                                                       const std::wstring& archive,
                                                       const std::string& ansiName,
                                                       const void* header) {
    TPluginHost* host = HostFor(spi);
    if (host == nullptr && spi.Host() != nullptr)
        return std::nullopt; // a module only a host can run, and that host is not there
    try {
        if (host != nullptr) {
            if (host->IsSkipped(spi) || host->IsSupported(spi, ansiName, header) == 0)
                return std::nullopt;
            return host->ListArchive(spi, archive);
        }
        if (spi.IsSupported(ansiName.c_str(), header) == 0)
            return std::nullopt;
        return ListArchiveEntries(spi, archive);
    } catch (const EPluginFault& fault) {
        NoteFault(spi.FileName(), archive, static_cast<int>(fault.Kind), fault.NowSkipped);
    } catch (const std::exception&) {
        // The host could not make the call, or the file could not be read: not this module's.
    }
    return std::nullopt;
}

const TArchiveReader::TListed* TArchiveReader::Listed(const std::wstring& archive) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(archive.c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return nullptr;
    const TStamp stamp{(static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow,
                       (static_cast<std::uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                           data.ftLastWriteTime.dwLowDateTime};
    const std::wstring key = AsciiLowerWide(archive);
    if (auto found = FListed.find(key); found != FListed.end()) {
        if (found->second.Stamp == stamp) {
            found->second.LastUse = ++FUses;
            return &found->second;
        }
        FListed.erase(found);
    }
    std::array<std::uint8_t, 2048> header;
    if (!ReadHeader(archive, header))
        return nullptr;
    const std::string ansiName = WideToAnsiNoBestFit(archive);
    std::vector<TAmSPI*> modules;
    FSpis.CollectLoaders<TAmSPI>(LoaderExtension(ansiName, SystemLeadByte), modules);
    for (const TAmSPI* spi : modules) {
        std::optional<TArchiveListing> listing = TryList(*spi, archive, ansiName, header.data());
        if (!listing || listing->Value != 0)
            continue;
        if (FListed.size() >= KeptLists)
            FListed.erase(
                std::min_element(FListed.begin(), FListed.end(), [](const auto& a, const auto& b) {
                    return a.second.LastUse < b.second.LastUse;
                }));
        TListed& listed = FListed[key];
        listed.LastUse = ++FUses;
        listed.Module = spi;
        listed.Stamp = stamp;
        listed.Entries = std::move(listing->Entries);
        return &listed;
    }
    return nullptr;
}

std::optional<std::vector<TArchiveEntry>> TArchiveReader::Entries(const std::wstring& archive) {
    std::lock_guard lock(FLock);
    const TListed* listed = Listed(archive);
    if (listed == nullptr)
        return std::nullopt;
    return listed->Entries;
}

TByteBuffer TArchiveReader::Read(const std::wstring& archive, const std::wstring& name) {
    std::lock_guard lock(FLock);
    const std::string named = WideToUtf8(name);
    const TListed* listed = Listed(archive);
    if (listed == nullptr)
        throw EArchiveEntry(named + ": 書庫を読めません");
    const auto entry = std::find_if(listed->Entries.begin(), listed->Entries.end(),
                                    [&](const TArchiveEntry& e) { return e.Name == name; });
    if (entry == listed->Entries.end())
        throw EArchiveEntry(named + ": 書庫の中に見つかりません");
    if (entry->Encrypted)
        throw EArchiveEntry(named + ": " + ArchiveEntryEncrypted);
    const TAmSPI& spi = *listed->Module;
    TPluginHost* host = HostFor(spi);
    if (host == nullptr && spi.Host() != nullptr)
        throw EArchiveEntry(named + ": " + ValueText(-1));
    try {
        if (host != nullptr) {
            TPluginHost::TEntry got = host->ReadArchiveEntry(spi, archive, *entry);
            if (got.Value != 0)
                throw EArchiveEntry(named + ": " + ValueText(got.Value));
            return std::move(got.Bytes);
        }
        TEntryBytes got = ReadArchiveEntry(spi, archive, *entry);
        if (got.Value != 0)
            throw EArchiveEntry(named + ": " + ValueText(got.Value));
        if (got.Size == 0)
            return TByteBuffer();
        // The bytes stay in the module's block, which the buffer takes over.
        auto block = std::make_unique<TLockedLocalBlock>(std::move(got.Block));
        auto* address = static_cast<std::uint8_t*>(block->Address());
        if (address == nullptr)
            throw EArchiveEntry(named + ": " + ValueText(ArchiveEntryTooLarge));
        return TByteBuffer::Adopt(address, got.Size, std::move(block));
    } catch (const EPluginFault& fault) {
        NoteFault(spi.FileName(), archive, static_cast<int>(fault.Kind), fault.NowSkipped);
        throw EArchiveEntry(FReports.back());
    } catch (const EHostCallFailed& e) {
        throw EArchiveEntry(named + ": " + e.what());
    } catch (const EHostUnavailable& e) {
        throw EArchiveEntry(named + ": " + e.what());
    }
}

void LoadPictureAt(TPicture& picture, const TPictureLocation& location, TArchiveReader* archives) {
    if (!location.InArchive) {
        picture.LoadFromFile(location.Path());
        return;
    }
    if (archives == nullptr)
        throw EArchiveEntry(WideToUtf8(location.Name) + ": 書庫を読めません");
    TMemoryStream bytes;
    bytes.Adopt(archives->Read(location.Place, location.Name));
    picture.LoadFromStream(bytes, location.Name);
}

std::vector<std::string> TArchiveReader::TakeReports() {
    std::lock_guard lock(FLock);
    return std::exchange(FReports, {});
}

} // namespace tovane
