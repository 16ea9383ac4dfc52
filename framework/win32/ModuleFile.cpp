#include "framework/win32/ModuleFile.h"

#include "framework/win32/Text.h"

#include <optional>
#include <vector>

namespace tovane {

namespace {

template <typename Char, typename Get> std::basic_string<Char> GrowingModuleName(Get get) {
    std::basic_string<Char> buffer(MAX_PATH, Char{});
    for (;;) {
        const DWORD n = get(buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0)
            return {};
        if (n < buffer.size()) {
            buffer.resize(n);
            return buffer;
        }
        buffer.resize(buffer.size() * 2);
    }
}

} // namespace

std::string ModuleFileName(HMODULE module) {
    return GrowingModuleName<char>(
        [module](char* b, DWORD n) { return GetModuleFileNameA(module, b, n); });
}

std::wstring ModuleFileNameW(HMODULE module) {
    return GrowingModuleName<wchar_t>(
        [module](wchar_t* b, DWORD n) { return GetModuleFileNameW(module, b, n); });
}

std::wstring FolderOf(const std::wstring& path) {
    const std::size_t at = path.find_last_of(L"\\/:");
    return at == std::wstring::npos ? std::wstring() : path.substr(0, at + 1);
}

std::wstring ProgramFolderW() {
    return FolderOf(ModuleFileNameW());
}

std::optional<std::wstring> ShortPathOf(const std::wstring& path) {
    const DWORD n = GetShortPathNameW(path.c_str(), nullptr, 0);
    if (n == 0)
        return std::nullopt;
    std::wstring shortPath(n, L'\0');
    const DWORD got = GetShortPathNameW(path.c_str(), shortPath.data(), n);
    if (got == 0 || got >= n)
        return std::nullopt;
    shortPath.resize(got);
    return shortPath;
}

std::string AnsiPathOf(const std::wstring& path) {
    if (const std::optional<std::string> exact = WideToAnsiExact(path))
        return *exact;
    const std::optional<std::wstring> shortPath = ShortPathOf(path);
    return shortPath ? WideToAnsiExact(*shortPath).value_or(std::string()) : std::string();
}

void RestrictLibrarySearch() {
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    // For a system without the call's effect, the current folder is taken out of the classic
    // search order too.
    SetDllDirectoryW(L"");
}

HMODULE LoadModuleWithItsFolder(const std::string& pathAnsi) {
    DWORD oldMode = 0;
    const bool modeSet =
        SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &oldMode) != FALSE;
    // The folder search needs a full path.
    std::string full = pathAnsi;
    const DWORD n = GetFullPathNameA(pathAnsi.c_str(), 0, nullptr, nullptr);
    if (n > 0) {
        std::string buffer(n, '\0');
        const DWORD got = GetFullPathNameA(pathAnsi.c_str(), n, buffer.data(), nullptr);
        if (got > 0 && got < n) {
            buffer.resize(got);
            full = buffer;
        }
    }
    HMODULE module = LoadLibraryExA(
        full.c_str(), nullptr, LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (module == nullptr && GetLastError() == ERROR_INVALID_PARAMETER)
        module = LoadLibraryA(full.c_str()); // a system without the search flags
    if (modeSet)
        SetThreadErrorMode(oldMode, nullptr);
    return module;
}

} // namespace tovane
