#include "tests/win/Harness.h"

#include "framework/win32/Application.h"
#include "framework/win32/Text.h"

#include <commctrl.h>

#include <fstream>
#include <iterator>

namespace harness {

std::string ProgramFolder() {
    char path[MAX_PATH * 4] = {};
    const DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
    const std::string s(path, n);
    return s.substr(0, s.find_last_of('\\') + 1);
}

std::string TempFolder() {
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    char full[MAX_PATH] = {};
    if (GetLongPathNameA(temp, full, MAX_PATH) == 0)
        return temp;
    std::string s = full;
    if (s.empty() || s.back() != '\\')
        s += '\\';
    return s;
}

void RemoveTree(const std::string& path) {
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((path + "\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = data.cFileName;
            if (name == "." || name == "..")
                continue;
            const std::string full = path + "\\" + name;
            SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
                if (!DeleteFileA(full.c_str()))
                    RemoveDirectoryA(full.c_str());
            } else if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(full);
            } else {
                DeleteFileA(full.c_str());
            }
        } while (FindNextFileA(find, &data));
        FindClose(find);
    }
    RemoveDirectoryA(path.c_str());
}

namespace {

bool WriteTo(HANDLE file, std::string_view content) {
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const BOOL ok =
        WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == content.size();
}

} // namespace

bool WriteWholeFile(const std::string& path, std::string_view content) {
    return WriteTo(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr),
                   content);
}

bool WriteWholeFile(const std::wstring& path, std::string_view content) {
    return WriteTo(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr),
                   content);
}

std::vector<std::uint8_t> ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

ScratchFolder::ScratchFolder(const std::string& name) {
    static int counter = 0;
    FPath = TempFolder() + "tovane-" + std::to_string(GetCurrentProcessId()) + "-" +
            std::to_string(++counter) + "-" + name;
    // A folder of this name can be left by an earlier run that ended early (the system reuses
    // process ids): start empty.
    RemoveTree(FPath);
    CreateDirectoryA(FPath.c_str(), nullptr);
}

ScratchFolder::~ScratchFolder() {
    // A folder that is current cannot be removed.
    SetCurrentDirectoryA(TempFolder().c_str());
    RemoveTree(FPath);
}

std::string ScratchFolder::MakeDir(const std::string& relative) const {
    const std::string p = Sub(relative);
    CreateDirectoryA(p.c_str(), nullptr);
    return p;
}

std::string ScratchFolder::Write(const std::string& relative, std::string_view content) const {
    const std::string p = Sub(relative);
    WriteWholeFile(p, content);
    return p;
}

bool PumpUntil(const std::function<bool()>& done, int timeoutMs) {
    const DWORD start = GetTickCount();
    while (!done()) {
        if (static_cast<int>(GetTickCount() - start) > timeoutMs)
            return done();
        tovane::Application().ProcessMessages();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
    return true;
}

void Pump(int ms) {
    const DWORD start = GetTickCount();
    do {
        tovane::Application().ProcessMessages();
        Sleep(1);
    } while (static_cast<int>(GetTickCount() - start) < ms);
}

namespace {

struct WindowSearch {
    const std::function<bool(HWND)>* Match;
    HWND Found = nullptr;
};

BOOL CALLBACK TryWindow(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<WindowSearch*>(param);
    if (IsWindowVisible(window) && (*search->Match)(window)) {
        search->Found = window;
        return FALSE;
    }
    return TRUE;
}

} // namespace

HWND FindTopWindow(const std::function<bool(HWND)>& match) {
    WindowSearch search{&match};
    EnumWindows(TryWindow, reinterpret_cast<LPARAM>(&search));
    return search.Found;
}

std::wstring ClassOf(HWND window) {
    wchar_t name[256] = L"";
    GetClassNameW(window, name, 256);
    return name;
}

std::string TextOf(HWND window) {
    wchar_t text[512] = L"";
    GetWindowTextW(window, text, 512);
    return tovane::WideToUtf8(text);
}

std::string RemotePanelText(HWND statusBar, int panel) {
    DWORD pid = 0;
    GetWindowThreadProcessId(statusBar, &pid);
    HANDLE process =
        OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    if (process == nullptr)
        return std::string();
    constexpr SIZE_T size = 512 * sizeof(wchar_t);
    std::wstring text;
    if (void* remote = VirtualAllocEx(process, nullptr, size, MEM_COMMIT, PAGE_READWRITE)) {
        const wchar_t zero = 0;
        WriteProcessMemory(process, remote, &zero, sizeof zero, nullptr);
        SendMessageW(statusBar, SB_GETTEXTW, static_cast<WPARAM>(panel),
                     reinterpret_cast<LPARAM>(remote));
        wchar_t buffer[512] = L"";
        ReadProcessMemory(process, remote, buffer, size - sizeof(wchar_t), nullptr);
        text = buffer;
        VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    }
    CloseHandle(process);
    return tovane::WideToUtf8(text);
}

} // namespace harness
