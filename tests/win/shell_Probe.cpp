// A small console tool that looks at a running Tovane.exe from outside, for scripts/run:
//   shell_probe wait-done [seconds]  waits until the main window's search has finished (status
//                                    panel 1 reads "検索完了"), or until no search has started
//                                    for a while; prints the panels and the folder count
//   shell_probe close                posts WM_CLOSE to the main window
// Exit code 0 on success, 1 when the window was not found or the wait timed out.
#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

struct Found {
    HWND Main = nullptr;
};

BOOL CALLBACK FindMain(HWND h, LPARAM param) {
    wchar_t cls[64] = L"";
    GetClassNameW(h, cls, 64);
    wchar_t title[16] = L"";
    GetWindowTextW(h, title, 16);
    if (std::wstring(cls) == L"TovaneWindow" && std::wstring(title).rfind(L"Tovane", 0) == 0 &&
        FindWindowExW(h, nullptr, STATUSCLASSNAMEW, nullptr) != nullptr) {
        reinterpret_cast<Found*>(param)->Main = h;
        return FALSE;
    }
    return TRUE;
}

HWND MainWindow() {
    Found found;
    EnumWindows(FindMain, reinterpret_cast<LPARAM>(&found));
    return found.Main;
}

std::string ToUtf8(const std::wstring& w) {
    if (w.empty())
        return std::string();
    const int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0,
                                      nullptr, nullptr);
    std::string s(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), s.data(), n, nullptr,
                        nullptr);
    return s;
}

// A status bar's panel text: the common control writes into memory of its own process.
std::wstring PanelText(HWND bar, int panel) {
    DWORD pid = 0;
    GetWindowThreadProcessId(bar, &pid);
    HANDLE process =
        OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    if (process == nullptr)
        return L"";
    constexpr SIZE_T size = 512 * sizeof(wchar_t);
    void* remote = VirtualAllocEx(process, nullptr, size, MEM_COMMIT, PAGE_READWRITE);
    std::wstring text;
    if (remote != nullptr) {
        const wchar_t zero = 0;
        WriteProcessMemory(process, remote, &zero, sizeof zero, nullptr);
        SendMessageW(bar, SB_GETTEXTW, static_cast<WPARAM>(panel),
                     reinterpret_cast<LPARAM>(remote));
        wchar_t buffer[512] = L"";
        ReadProcessMemory(process, remote, buffer, size - sizeof(wchar_t), nullptr);
        buffer[511] = 0;
        text = buffer;
        VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    }
    CloseHandle(process);
    return text;
}

int WaitDone(int seconds) {
    const DWORD start = GetTickCount();
    DWORD idleSince = 0;
    for (;;) {
        const DWORD now = GetTickCount();
        if (static_cast<int>(now - start) > seconds * 1000) {
            std::printf("timed out\n");
            return 1;
        }
        HWND main = MainWindow();
        if (main != nullptr) {
            HWND bar = FindWindowExW(main, nullptr, STATUSCLASSNAMEW, nullptr);
            const std::wstring state = PanelText(bar, 1);
            const bool done = state == L"検索完了";
            if (state.empty() && idleSince == 0)
                idleSince = now;
            if (!state.empty())
                idleSince = 0;
            if (done || (idleSince != 0 && now - idleSince > 3000)) {
                HWND list = FindWindowExW(main, nullptr, L"LISTBOX", nullptr);
                wchar_t caption[512] = L"";
                GetWindowTextW(main, caption, 512);
                std::printf("caption: %s\nfolders: %ld\npanels: [%s] [%s] [%s]\n",
                            ToUtf8(caption).c_str(),
                            static_cast<long>(SendMessageW(list, LB_GETCOUNT, 0, 0)),
                            ToUtf8(PanelText(bar, 0)).c_str(), ToUtf8(state).c_str(),
                            ToUtf8(PanelText(bar, 2)).c_str());
                return 0;
            }
        }
        Sleep(200);
    }
}

} // namespace

int main(int argc, char** argv) {
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "wait-done")
        return WaitDone(argc > 2 ? std::atoi(argv[2]) : 60);
    if (command == "close") {
        HWND main = MainWindow();
        if (main == nullptr)
            return 1;
        PostMessageW(main, WM_CLOSE, 0, 0);
        return 0;
    }
    std::fprintf(stderr, "usage: shell_probe wait-done [seconds] | close\n");
    return 2;
}
