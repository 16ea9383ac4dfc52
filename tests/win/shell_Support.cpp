#include "shell_Support.h"

#include "framework/win32/Text.h"

#include <commctrl.h>
#include <shlobj.h>

#include <cstring>

namespace shelltest {

bool PumpUntil(const std::function<bool()>& pred, int timeoutMs) {
    const DWORD start = GetTickCount();
    while (!pred()) {
        if (static_cast<int>(GetTickCount() - start) > timeoutMs)
            return pred();
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

void RemoveTree(const std::string& path) {
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((path + "\\*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = fd.cFileName;
            if (name == "." || name == "..")
                continue;
            const std::string full = path + "\\" + name;
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(full);
            } else {
                SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(full.c_str());
            }
        } while (FindNextFileA(h, &fd));
        FindClose(h);
    }
    RemoveDirectoryA(path.c_str());
}

} // namespace

TScratchDir::TScratchDir() {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    char full[MAX_PATH];
    GetLongPathNameA(temp, full, MAX_PATH);
    static int counter = 0;
    FPath = std::string(full) + "tovane_shell_" + std::to_string(GetCurrentProcessId()) + "_" +
            std::to_string(++counter);
    if (!FPath.empty() && FPath.back() == '\\')
        FPath.pop_back();
    CreateDirectoryA(FPath.c_str(), nullptr);
}

TScratchDir::~TScratchDir() {
    // A folder that is current cannot be removed.
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    SetCurrentDirectoryA(temp);
    RemoveTree(FPath);
}

std::string TScratchDir::MakeDir(const std::string& relative) const {
    const std::string p = Sub(relative);
    CreateDirectoryA(p.c_str(), nullptr);
    return p;
}

std::string TScratchDir::MakeFile(const std::string& relative, DWORD attributes) const {
    const std::string p = Sub(relative);
    HANDLE h = CreateFileA(p.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        WriteFile(h, "x", 1, &written, nullptr);
        CloseHandle(h);
    }
    if (attributes != 0)
        SetFileAttributesA(p.c_str(), attributes);
    return p;
}

std::string TScratchDir::MakeBitmap(const std::string& relative) const {
    const std::string p = Sub(relative);
    // File header, info header, two rows of two pixels padded to 8 bytes.
    unsigned char bmp[54 + 16] = {'B', 'M', 70, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0,  40,
                                  0,   0,   0,  2, 0, 0, 0, 2, 0, 0, 0,  1, 0, 24, 0};
    for (int i = 54; i < 70; ++i)
        bmp[i] = static_cast<unsigned char>(i * 7);
    HANDLE h = CreateFileA(p.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        WriteFile(h, bmp, sizeof bmp, &written, nullptr);
        CloseHandle(h);
    }
    return p;
}

HDROP MakeDrop(const std::vector<std::wstring>& paths) {
    std::size_t size = sizeof(DROPFILES) + sizeof(wchar_t);
    for (const std::wstring& p : paths)
        size += (p.size() + 1) * sizeof(wchar_t);
    HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
    auto* df = static_cast<DROPFILES*>(GlobalLock(mem));
    df->pFiles = sizeof(DROPFILES);
    df->fWide = TRUE;
    auto* out = reinterpret_cast<wchar_t*>(reinterpret_cast<char*>(df) + sizeof(DROPFILES));
    for (const std::wstring& p : paths) {
        std::memcpy(out, p.c_str(), (p.size() + 1) * sizeof(wchar_t));
        out += p.size() + 1;
    }
    GlobalUnlock(mem);
    return static_cast<HDROP>(mem);
}

HDROP MakeDrop(const std::vector<std::string>& paths) {
    std::vector<std::wstring> wide;
    for (const std::string& p : paths)
        wide.push_back(tovane::AnsiToWide(p));
    return MakeDrop(wide);
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

void SetCtrlHeld(bool held) {
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_CONTROL] = held ? 0x80 : 0;
    keys[VK_LCONTROL] = held ? 0x80 : 0;
    SetKeyboardState(keys);
}

} // namespace shelltest
