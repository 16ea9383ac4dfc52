// Tovane.exe as a user starts it: a copy in a folder of its own (so its settings file and
// plug-ins are the test's), folders on the command line, closed through its window.
#include "shell_Support.h"

#include "framework/Paths.h"
#include "framework/Strings.h"
#include "framework/win32/Text.h"
#include "plugins/portable/SPIRules.h"

#include <gtest/gtest.h>

#include <commctrl.h>

using namespace tovane;

namespace {

struct Process {
    PROCESS_INFORMATION Info{};
    ~Process() {
        if (Info.hProcess != nullptr) {
            if (WaitForSingleObject(Info.hProcess, 0) == WAIT_TIMEOUT)
                TerminateProcess(Info.hProcess, 99);
            CloseHandle(Info.hProcess);
            CloseHandle(Info.hThread);
        }
    }
    DWORD Wait(DWORD ms) {
        if (WaitForSingleObject(Info.hProcess, ms) != WAIT_OBJECT_0)
            return STILL_ACTIVE;
        DWORD code = 0;
        GetExitCodeProcess(Info.hProcess, &code);
        return code;
    }
};

bool Start(Process& p, const std::string& exe, const std::vector<std::string>& args) {
    std::string cmd = "\"" + exe + "\"";
    for (const std::string& a : args)
        cmd += " \"" + a + "\"";
    STARTUPINFOA si{};
    si.cb = sizeof si;
    return CreateProcessA(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &si, &p.Info) != FALSE;
}

// A visible top-level window of the process, of the given class.
HWND WindowOf(const Process& p, const wchar_t* cls) {
    return harness::FindTopWindow([&](HWND h) {
        DWORD pid = 0;
        GetWindowThreadProcessId(h, &pid);
        return pid == p.Info.dwProcessId && harness::ClassOf(h) == cls;
    });
}

BOOL CALLBACK CollectTexts(HWND h, LPARAM param) {
    reinterpret_cast<std::string*>(param)->append(harness::TextOf(h) + "\n");
    return TRUE;
}

} // namespace

TEST(TovaneExe, RegistersTheCommandLineAndClosesCleanly) {
    shelltest::TScratchDir dir;
    const std::string exe = dir.Sub("Tovane.exe");
    ASSERT_TRUE(CopyFileA((harness::ProgramFolder() + "Tovane.exe").c_str(), exe.c_str(), FALSE));
    const std::string pics = dir.MakeDir("pics");
    dir.MakeBitmap("pics\\a.bmp");
    const std::string more = dir.MakeDir("more");
    dir.MakeBitmap("more\\b.BMP");
    Process p;
    ASSERT_TRUE(Start(p, exe, {pics, dir.Sub("missing"), more}));
    HWND main = nullptr;
    HWND bar = nullptr;
    ASSERT_TRUE(shelltest::PumpUntil(
        [&] {
            main = WindowOf(p, L"TovaneWindow");
            bar =
                main != nullptr ? FindWindowExW(main, nullptr, STATUSCLASSNAMEW, nullptr) : nullptr;
            return bar != nullptr && shelltest::RemotePanelText(bar, 1) == "検索完了";
        },
        15000));
    EXPECT_EQ(harness::TextOf(main), "Tovane - " + AnsiToUtf8(pics));
    HWND list = FindWindowExW(main, nullptr, L"LISTBOX", nullptr);
    ASSERT_EQ(SendMessageW(list, LB_GETCOUNT, 0, 0), 2);
    wchar_t item[MAX_PATH] = L"";
    SendMessageW(list, LB_GETTEXT, 1, reinterpret_cast<LPARAM>(item));
    EXPECT_EQ(WideToAnsi(item), more);
    EXPECT_EQ(shelltest::RemotePanelText(bar, 2), " *.bmp;");

    PostMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(p.Wait(15000), 0u);
    const std::string ini = dir.Sub("Tovane.ini");
    EXPECT_NE(GetPrivateProfileIntA("Window", "Width", -1, ini.c_str()), -1);
}

TEST(TovaneExe, InvalidPluginIsReportedAndTheProgramStarts) {
    // Named as this build's modules are, or the program would not find it.
    const std::string name = std::string("no_info") + (tovane::DefaultSPIMask + 1);
    const std::string plugin = harness::ProgramFolder() + "testplugins\\no_info\\" + name;
    ASSERT_NE(GetFileAttributesA(plugin.c_str()), INVALID_FILE_ATTRIBUTES) << plugin;
    shelltest::TScratchDir dir;
    const std::string exe = dir.Sub("Tovane.exe");
    ASSERT_TRUE(CopyFileA((harness::ProgramFolder() + "Tovane.exe").c_str(), exe.c_str(), FALSE));
    ASSERT_TRUE(CopyFileA(plugin.c_str(), dir.Sub(name).c_str(), FALSE));
    Process p;
    ASSERT_TRUE(Start(p, exe, {}));
    HWND box = nullptr;
    ASSERT_TRUE(
        shelltest::PumpUntil([&] { return (box = WindowOf(p, L"#32770")) != nullptr; }, 15000));
    EXPECT_EQ(harness::TextOf(box), "Tovane");
    std::string texts;
    EnumChildWindows(box, CollectTexts, reinterpret_cast<LPARAM>(&texts));
    EXPECT_NE(texts.find("GetPluginInfo"), std::string::npos) << texts;
    EXPECT_NE(texts.find(name), std::string::npos) << texts;
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    HWND main = nullptr;
    ASSERT_TRUE(shelltest::PumpUntil(
        [&] {
            main = WindowOf(p, L"TovaneWindow");
            return main != nullptr && FindWindowExW(main, nullptr, STATUSCLASSNAMEW, nullptr);
        },
        15000));
    PostMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(p.Wait(15000), 0u);
}
