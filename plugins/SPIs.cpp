// The plug-in collection: search, ownership, order and format registration.
#include "plugins/SPIs.h"

#include "framework/FileFormats.h"
#include "framework/FileMask.h"
#include "framework/Paths.h"
#include "framework/Strings.h"
#include "framework/win32/ModuleFile.h"
#include "framework/win32/Text.h"

#include <cstring>

namespace tovane {

namespace {

TSPIs* GInstance = nullptr;
TGraphicClass GDefaultGraphicClass = nullptr;

// Where the Susie viewer records its plug-in folder, under the current user's root.
constexpr const char* SusiePluginKey = "Software\\Velmoran\\Susie\\Plug-in";

// The "Path" value, or empty when the key or a string value is missing. Read access is all the
// program needs, so a key the user may only read is still honoured.
std::string SusiePluginFolder() {
    HKEY raw = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, SusiePluginKey, 0, KEY_READ, &raw) != ERROR_SUCCESS)
        return std::string();
    const UniqueRegKey key(raw);
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExA(key.Get(), "Path", nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ) || size == 0)
        return std::string();
    std::string value(size, '\0');
    if (RegQueryValueExA(key.Get(), "Path", nullptr, &type, reinterpret_cast<BYTE*>(value.data()),
                         &size) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return std::string();
    value.resize(std::min<std::size_t>(size, value.size()));
    value.resize(std::strlen(value.c_str())); // up to the terminating NUL
    if (type == REG_EXPAND_SZ && !value.empty()) {
        const DWORD n = ExpandEnvironmentStringsA(value.c_str(), nullptr, 0);
        if (n > 0) {
            std::string expanded(n, '\0');
            if (ExpandEnvironmentStringsA(value.c_str(), expanded.data(), n) > 0) {
                expanded.resize(std::strlen(expanded.c_str()));
                value = expanded;
            }
        }
    }
    return value;
}

// The program's folder as the plug-in calls spell paths: its short form when the code page
// cannot spell its name (a folder named "Zoë" on a Japanese system, say).
std::string ProgramFolder() {
    return AnsiPathOf(ProgramFolderW());
}

// Text from a Win32 call of the shape (buffer, size) -> length, 0 on failure; a result larger
// than the buffer asks for a larger one.
template <typename Call> std::string AskFolder(Call call) {
    std::string buffer(MAX_PATH, '\0');
    for (;;) {
        const UINT n = call(buffer.data(), static_cast<UINT>(buffer.size()));
        if (n == 0)
            return std::string();
        if (n < buffer.size()) {
            buffer.resize(n);
            return buffer;
        }
        buffer.resize(n + 1);
    }
}

bool IsCandidateFile(DWORD attributes) {
    return (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN)) == 0;
}

// The processor the module file is built for; Unknown when it cannot be read.
ModuleMachine MachineOfFile(const std::string& path) {
    const UniqueFile file(CreateFileA(path.c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                      nullptr));
    if (!file)
        return ModuleMachine::Unknown;
    std::uint8_t head[4096];
    DWORD n = 0;
    if (!ReadFile(file.Get(), head, sizeof head, &n, nullptr))
        return ModuleMachine::Unknown;
    return ModuleMachineOf(std::span<const std::uint8_t>(head, n));
}

// Whether this process cannot load a module built for the machine, but a 32-bit host can.
bool NeedsHost32(ModuleMachine machine) {
    return sizeof(void*) == 8 && machine == ModuleMachine::X86;
}

} // namespace

TSPIs::TSPIs() {
    if (GInstance != nullptr)
        throw ESPIDupCreateSPIs();
    GInstance = this;
}

TSPIs::~TSPIs() {
    if (GInstance == this)
        GInstance = nullptr;
    Clear();
}

TSPIs* TSPIs::Instance() {
    return GInstance;
}

TGraphicClass TSPIs::DefaultGraphicClass() {
    return GDefaultGraphicClass;
}

void TSPIs::SetDefaultGraphicClass(TGraphicClass graphicClass) {
    GDefaultGraphicClass = graphicClass;
}

void TSPIs::Loaded() {
    if (AutoSearch)
        Search(AutoSearchMask());
}

std::string TSPIs::AutoSearchMask() const {
    std::string mask = DefaultSPIMask;
    if (Isolation32 && mask != SPI32Mask)
        mask += std::string(";") + SPI32Mask;
    return mask;
}

void TSPIs::CheckIndex(int index, int upper) const {
    if (index < 0 || index > upper)
        ThrowListIndexError(index);
}

TSPI& TSPIs::Items(int index) const {
    CheckIndex(index, Count() - 1);
    return *FList[static_cast<std::size_t>(index)];
}

void TSPIs::Add(std::unique_ptr<TSPI> spi) {
    Insert(Count(), std::move(spi));
}

void TSPIs::Insert(int index, std::unique_ptr<TSPI> spi) {
    CheckIndex(index, Count());
    TSPI* const inserted = spi.get();
    FList.insert(FList.begin() + index, std::move(spi));
    if (auto* import = dynamic_cast<TInSPI*>(inserted))
        RegisterFormats(*import);
}

void TSPIs::Delete(int index) {
    CheckIndex(index, Count() - 1);
    // The forced loader is only borrowed: never leave it pointing at a destroyed plug-in.
    if (FList[static_cast<std::size_t>(index)].get() == GraphicForcedLoader)
        GraphicForcedLoader = nullptr;
    FList.erase(FList.begin() + index);
}

int TSPIs::IndexOf(std::string_view path) const {
    for (std::size_t i = 0; i < FList.size(); ++i)
        if (SameTextAscii(FList[i]->FileName(), path, SystemLeadByte))
            return static_cast<int>(i);
    return -1;
}

void TSPIs::Clear() {
    while (!FList.empty())
        Delete(0);
}

void TSPIs::RegisterFormats(TInSPI& spi) {
    const auto& entries = spi.Extensions();
    const auto& names = spi.FormatNames();
    for (std::size_t k = 0; k < entries.size() && k < names.size(); ++k) {
        const std::string description = names[k];
        // One class per entry: what a handler leaves carries on to the entry's next piece.
        TGraphicClass graphicClass = GDefaultGraphicClass;
        for (const std::string& extension : RegisteredExtensions(entries[k])) {
            if (OnPictureRegister)
                OnPictureRegister(*this, spi, extension, description, graphicClass);
            if (graphicClass != nullptr)
                FileFormats().Register(extension, description, graphicClass);
        }
    }
}

void TSPIs::Search(std::string_view mask) {
    const std::string folder = ExtractFilePath(mask, SystemLeadByte);
    if (!folder.empty()) {
        SearchFolder(IncludeTrailingBackslash(folder, SystemLeadByte),
                     ExtractFileName(mask, SystemLeadByte));
        return;
    }
    SearchLocations(mask);
}

void TSPIs::SearchLocations(std::string_view mask) {
    const auto visit = [&](const std::string& folder) {
        if (!folder.empty())
            SearchFolder(IncludeTrailingBackslash(folder, SystemLeadByte), mask);
    };
    if (SearchOptions.Contains(TSPISearchOption::spsSusieDir))
        visit(SusiePluginFolder());
    if (SearchOptions.Contains(TSPISearchOption::spsAppDir))
        visit(ProgramFolder());
    if (SearchOptions.Contains(TSPISearchOption::spsCurrentDir))
        visit(AskFolder([](char* b, UINT n) { return UINT(GetCurrentDirectoryA(n, b)); }));
    if (SearchOptions.Contains(TSPISearchOption::spsSystemDir))
        visit(AskFolder([](char* b, UINT n) { return GetSystemDirectoryA(b, n); }));
    if (SearchOptions.Contains(TSPISearchOption::spsWindowsDir))
        visit(AskFolder([](char* b, UINT n) { return GetWindowsDirectoryA(b, n); }));
}

std::unique_ptr<TSPI> TSPIs::LoadCandidate(const std::string& candidate) {
    if (Isolation32 && NeedsHost32(MachineOfFile(candidate))) {
        // It runs in its host whatever Isolation says: this process cannot load it.
        TSPIIsolation::THostedLoad load = Isolation32->LoadHosted(candidate);
        if (!load.Fault.empty())
            FPreflightFaults.push_back(std::move(load.Fault));
        if (!load.Description)
            return nullptr;
        return TSPI::CreateHosted(*load.Description, *Isolation32);
    }
    if (Isolation) {
        std::string fault = Isolation->Preflight(candidate);
        if (!fault.empty()) {
            FPreflightFaults.push_back(std::move(fault));
            return nullptr;
        }
    }
    return LoadPlugin(candidate);
}

void TSPIs::SearchFolder(const std::string& folder, std::string_view mask) {
    // Gather first, so that what is loaded does not change which files are candidates.
    std::vector<std::string> candidates;
    {
        // Several patterns: the folder is listed once and each name matched, so that the
        // candidates keep the file system's order across the patterns.
        const bool several = SplitMask(mask).size() > 1;
        WIN32_FIND_DATAA data;
        const std::string pattern = folder + (several ? std::string("*") : std::string(mask));
        const UniqueFind find(FindFirstFileA(pattern.c_str(), &data));
        if (!find)
            return;
        do {
            if (!IsCandidateFile(data.dwFileAttributes))
                continue;
            if (several && !MatchesMask(data.cFileName, mask, SystemLeadByte))
                continue;
            std::string path = folder + data.cFileName;
            if (IndexOf(path) == -1)
                candidates.push_back(std::move(path));
        } while (FindNextFileA(find.Get(), &data));
    }

    for (const std::string& candidate : candidates) {
        bool accept = true;
        if (OnSearching)
            OnSearching(*this, candidate, accept);
        if (!accept)
            continue;
        std::unique_ptr<TSPI> spi;
        try {
            spi = LoadCandidate(candidate);
        } catch (const ESPIInvalidAPI& e) {
            if (OnLoadError)
                OnLoadError(*this, e);
            continue;
        }
        if (!spi)
            continue;
        TSPI* const loaded = spi.get();
        try {
            accept = true;
            if (OnSearch)
                OnSearch(*this, *loaded, accept);
            if (accept)
                Add(std::move(spi));
        } catch (const std::exception&) {
            // The plug-in is left out, also when adding had already put it in the list.
            std::erase_if(FList, [loaded](const auto& p) { return p.get() == loaded; });
        }
    }
}

} // namespace tovane
