// A small console tool that looks at a running Tovane.exe from outside, for scripts/run:
//   shell_probe wait-done [seconds]  waits until the main window's search has finished (status
//                                    panel 1 reads "検索完了"), or until no search has started
//                                    for a while; prints the panels and the folder count
//                                    and each item of the folder list ("item: ...")
//   shell_probe labels               prints the text of each label of the slideshow window
//   shell_probe close                posts WM_CLOSE to the main window
// Exit code 0 on success, 1 when the window was not found or the wait timed out.
#include "framework/win32/Text.h"
#include "tests/win/Harness.h"

#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

HWND MainWindow() {
    return harness::FindTopWindow([](HWND h) {
        return harness::ClassOf(h) == L"TovaneWindow" &&
               harness::TextOf(h).rfind("Tovane", 0) == 0 &&
               FindWindowExW(h, nullptr, STATUSCLASSNAMEW, nullptr) != nullptr;
    });
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
            const std::string state = harness::RemotePanelText(bar, 1);
            const bool done = state == "検索完了";
            if (state.empty() && idleSince == 0)
                idleSince = now;
            if (!state.empty())
                idleSince = 0;
            if (done || (idleSince != 0 && now - idleSince > 3000)) {
                HWND list = FindWindowExW(main, nullptr, L"LISTBOX", nullptr);
                std::printf("caption: %s\nfolders: %ld\npanels: [%s] [%s] [%s]\n",
                            harness::TextOf(main).c_str(),
                            static_cast<long>(SendMessageW(list, LB_GETCOUNT, 0, 0)),
                            harness::RemotePanelText(bar, 0).c_str(), state.c_str(),
                            harness::RemotePanelText(bar, 2).c_str());
                const auto count = static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0));
                for (int i = 0; i < count; ++i) {
                    std::wstring item(
                        static_cast<std::size_t>(SendMessageW(list, LB_GETTEXTLEN, i, 0)) + 1, L'\0');
                    item.resize(static_cast<std::size_t>(
                        SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(item.data()))));
                    std::printf("item: %s\n", tovane::WideToUtf8(item).c_str());
                }
                return 0;
            }
        }
        Sleep(200);
    }
}

// The slideshow: a visible window of the program's class that is not the main window.
int Labels() {
    HWND show = harness::FindTopWindow([](HWND h) {
        return harness::ClassOf(h) == L"TovaneWindow" && IsWindowVisible(h) &&
               FindWindowExW(h, nullptr, STATUSCLASSNAMEW, nullptr) == nullptr;
    });
    if (show == nullptr)
        return 1;
    for (HWND child = FindWindowExW(show, nullptr, L"STATIC", nullptr); child != nullptr;
         child = FindWindowExW(show, child, L"STATIC", nullptr))
        if (IsWindowVisible(child))
            std::printf("label: %s\n", harness::TextOf(child).c_str());
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "wait-done")
        return WaitDone(argc > 2 ? std::atoi(argv[2]) : 60);
    if (command == "labels")
        return Labels();
    if (command == "close") {
        HWND main = MainWindow();
        if (main == nullptr)
            return 1;
        PostMessageW(main, WM_CLOSE, 0, 0);
        return 0;
    }
    std::fprintf(stderr, "usage: shell_probe wait-done [seconds] | labels | close\n");
    return 2;
}
