// Message-loop and folder-link helpers for the search area's Wine tests.
#pragma once

#include "tests/win/Harness.h"

#include <windows.h>

#include <functional>
#include <string>

namespace searchtest {

// Runs a message loop of this thread until done() holds or the time is up; answers done().
inline bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 20000) {
    return harness::PumpUntil(done, static_cast<int>(timeoutMs));
}

// Runs the message loop for a while, whatever happens.
inline void PumpFor(DWORD ms) {
    PumpUntil([] { return false; }, ms);
}

// Wine's name of a path on the Unix side, or empty when not running under Wine.
inline std::string UnixPathOf(const std::string& path) {
    using UnixName = char*(CDECL*)(LPCWSTR);
    const auto unixName = reinterpret_cast<UnixName>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    if (!unixName)
        return std::string();
    std::wstring wide(path.begin(), path.end());
    char* name = unixName(wide.c_str());
    std::string out = name ? name : "";
    if (name)
        HeapFree(GetProcessHeap(), 0, name);
    return out;
}

// Runs a Unix program under Wine (given by its path on the drive that maps "/") and waits.
inline bool RunUnix(std::string command) {
    STARTUPINFOA si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                        &pi))
        return false;
    WaitForSingleObject(pi.hProcess, 10000);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return true;
}

// Makes link a folder link to target, as a Unix symbolic link where the system runs on one
// (the way such links reach a program under Wine), else as a Windows symbolic link.
inline bool MakeFolderLink(const std::string& target, const std::string& link) {
    if (!UnixPathOf(target).empty())
        RunUnix("Z:\\bin\\ln -sn \"" + UnixPathOf(target) + "\" \"" + UnixPathOf(link) + "\"");
    else
        CreateSymbolicLinkA(link.c_str(), target.c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY);
    // A Unix program may finish after its process handle signals: wait for the link.
    for (int i = 0; i < 100; ++i) {
        const DWORD a = GetFileAttributesA(link.c_str());
        if (a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY))
            return true;
        Sleep(20);
    }
    return false;
}

} // namespace searchtest
