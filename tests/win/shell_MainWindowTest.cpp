// The real main window in this process: start-up over real plug-in modules (an import plug-in
// and an archive plug-in beside the test program), registration from the command line, the
// dialog and drops, the search states, and the list commands driven by keys.
#include "shell_Support.h"

#include "SearchWinTestSupport.h"

#include "app/FormMainU.h"
#include "app/MainWindowSlideShowSource.h"
#include "dialogs/FormOpenDirU.h"
#include "framework/Paths.h"
#include "framework/Strings.h"
#include "framework/win32/Text.h"
#include "imaging/SPIBmp.h"
#include "slideshow/FormSlideShowU.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <algorithm>

using namespace tovane;
using shelltest::PumpUntil;

namespace {

class MainWindow : public shelltest::TShellTest {
protected:
    void SetUp() override {
        TShellTest::SetUp();
        Ini = Dir.Sub("settings.ini");
        // No sub-folder search: each registered folder is exactly one list item.
        WritePrivateProfileStringA("SlideShow", "bFindSubDir", "0", Ini.c_str());
        for (const char* name : {"one", "two", "three", "four", "five"}) {
            const std::string folder = Dir.MakeDir(name);
            Dir.MakeBitmap(std::string(name) + "\\a.bmp");
            Folders.push_back(folder);
        }
        Dir.MakeDir("empty");
        Dir.MakeFile("one\\note.txt");
        Dir.MakeFile("one\\b.xq");
    }
    void TearDown() override {
        FormMain.reset();
        TShellTest::TearDown();
        shelltest::SetCtrlHeld(false);
    }
    void Start(const std::vector<std::string>& args = {}) {
        std::vector<std::wstring> wide;
        for (const std::string& arg : args)
            wide.push_back(AnsiToWide(arg));
        FormMain = std::make_unique<TBuiltForm<TFormMain>>(std::move(wide), AnsiToWide(Ini));
        FormMain->Show();
        FormMain->ListBox1.SetFocus();
    }
    static bool WaitDone() {
        return PumpUntil([] { return FormMain->CurrentSearchState() == SearchState::Done; });
    }
    static std::string Panel(int i) {
        wchar_t text[256] = L"";
        SendMessageW(FormMain->StatusBar1.Handle(), SB_GETTEXTW, static_cast<WPARAM>(i),
                     reinterpret_cast<LPARAM>(text));
        return WideToUtf8(text);
    }
    static std::string Caption() {
        wchar_t text[512] = L"";
        GetWindowTextW(FormMain->Handle(), text, 512);
        return WideToUtf8(text);
    }
    // The test folders' names fit the code page: the list is compared in ANSI.
    static std::vector<std::string> Items() {
        std::vector<std::string> items;
        for (const std::wstring& item : FormMain->ListBox1.Items())
            items.push_back(WideToAnsi(item));
        return items;
    }
    // The key is handled at once, as the message loop handles it, before anything else waiting
    // (a search's end, say); then the messages it caused are handled.
    static void Key(UINT vk, bool alt = false) {
        MSG msg{};
        msg.hwnd = FormMain->ListBox1.Handle();
        msg.message = alt ? WM_SYSKEYDOWN : WM_KEYDOWN;
        msg.wParam = vk;
        msg.lParam = alt ? (1L << 29) | 1 : 1;
        Application().ProcessMessage(msg);
        shelltest::Pump(30);
    }
    // Fills the list with the five folders (one search, waited for).
    void FillFive() {
        FormMain->RegisterFolder(AnsiToWide(Folders[0]), true);
        for (std::size_t i = 1; i < Folders.size(); ++i)
            FormMain->RegisterFolder(AnsiToWide(Folders[i]), false);
        ASSERT_TRUE(WaitDone());
        ASSERT_EQ(Items(), Folders);
    }
    static void Select(std::initializer_list<int> indexes) {
        for (int i = 0; i < FormMain->ListBox1.Count(); ++i)
            FormMain->ListBox1.SetSelected(i, false);
        for (int i : indexes)
            FormMain->ListBox1.SetSelected(i, true);
    }
    static std::vector<int> SelectedIndexes() {
        std::vector<int> out;
        for (int i = 0; i < FormMain->ListBox1.Count(); ++i)
            if (FormMain->ListBox1.Selected(i))
                out.push_back(i);
        return out;
    }

    SpiBmpUnit Decoding;
    shelltest::TScratchDir Dir;
    std::string Ini;
    std::vector<std::string> Folders;
};

} // namespace

TEST_F(MainWindow, KeepsArchivePluginsAndShowsTheImageMask) {
    Start();
    EXPECT_EQ(Caption(), "Tovane");
    // The archive plug-in stays, and reads archives; its extension is no picture's.
    ASSERT_EQ(FormMain->SPIs->Count(), 2);
    EXPECT_EQ(FormMain->SPIs->Items(0).APIVersion(), "00AM"); // found first in its folder
    EXPECT_EQ(FormMain->SPIs->Items(1).APIVersion(), "00IN");
    ASSERT_NE(FormMain->Archives, nullptr);
    EXPECT_TRUE(FormMain->Archives->IsArchiveName(L"C:\\x\\set.ARC"));
    EXPECT_EQ(FormMain->FImageExtensions,
              (std::vector<std::string>{"bmp", "jpg", "jpeg", "jpe", "tar.gz", "xq", ""}));
    EXPECT_EQ(Panel(2), " *.bmp;*.jpg;*.jpeg;*.jpe;*.tar.gz;*.xq;*.;");
    EXPECT_EQ(Panel(0), "");
    EXPECT_EQ(Panel(1), "");
    EXPECT_EQ(FormMain->actSlideShow.ShortCut(), TextToShortCut("Enter"));
    EXPECT_EQ(FormMain->actDirUp.ShortCut(), TextToShortCut("Alt+Up"));
    EXPECT_EQ(FormMain->actDirDown.ShortCut(), TextToShortCut("Alt+Down"));
    EXPECT_EQ(FormMain->actFindSuspend.ShortCut(), TextToShortCut("Ctrl+S"));
    EXPECT_TRUE(Errors.empty());
}

TEST_F(MainWindow, CommandLineSearchesExistingFoldersInOrderAfterOneEmptying) {
    // Spelled in lower case after the drive: registration takes the names as the disk has them
    // (the drive letter stays as given).
    const std::string second = Folders[1].substr(0, 2) + AsciiLower(Folders[1].substr(2));
    Start({Folders[2], Dir.Sub("missing"), second});
    EXPECT_EQ(Caption(), "Tovane - " + AnsiToUtf8(Folders[2]));
    EXPECT_EQ(Panel(1), "検索中...");
    ASSERT_TRUE(WaitDone());
    EXPECT_EQ(Items(), (std::vector<std::string>{Folders[2], Folders[1]}));
    EXPECT_EQ(Panel(1), "検索完了");
    EXPECT_FALSE(Panel(0).empty());
    EXPECT_EQ(Caption(), "Tovane - " + AnsiToUtf8(Folders[2]));
}

TEST_F(MainWindow, RegisteringWhileSearchingJoinsTheRunningSearch) {
    Start();
    FormMain->RegisterFolder(AnsiToWide(Folders[0]), true);
    // Still Searching: the termination can only be seen through the message loop.
    FormMain->RegisterFolder(AnsiToWide(Folders[1]), true);
    FormMain->RegisterFolder(AnsiToWide(Dir.Sub("one\\a.bmp")), true); // a file: ignored
    ASSERT_TRUE(WaitDone());
    EXPECT_EQ(Items(), (std::vector<std::string>{Folders[0], Folders[1]}));
    EXPECT_EQ(Caption(), "Tovane - " + AnsiToUtf8(Folders[0]));
    // Done: the next registration starts a new search, emptying the list.
    FormMain->RegisterFolder(AnsiToWide(Folders[2]), true);
    EXPECT_EQ(Caption(), "Tovane - " + AnsiToUtf8(Folders[2]));
    ASSERT_TRUE(WaitDone());
    EXPECT_EQ(Items(), std::vector<std::string>{Folders[2]});
    // Without emptying, the new results follow the old ones.
    FormMain->RegisterFolder(AnsiToWide(Folders[3]), false);
    ASSERT_TRUE(WaitDone());
    EXPECT_EQ(Items(), (std::vector<std::string>{Folders[2], Folders[3]}));
}

TEST_F(MainWindow, RegisteringWhileSuspendedDropsTheOldSearch) {
    Start();
    FormMain->RegisterFolder(AnsiToWide(Folders[0]), true);
    FormMain->RegisterFolder(AnsiToWide(Folders[1]), false);
    shelltest::SetCtrlHeld(true);
    Key('S');
    shelltest::SetCtrlHeld(false);
    EXPECT_EQ(FormMain->CurrentSearchState(), SearchState::Suspended);
    EXPECT_EQ(Panel(1), "検索中断");
    FormMain->RegisterFolder(AnsiToWide(Folders[4]), true);
    EXPECT_EQ(Panel(1), "検索中...");
    EXPECT_EQ(Caption(), "Tovane - " + AnsiToUtf8(Folders[4]));
    ASSERT_TRUE(WaitDone());
    shelltest::Pump(100); // nothing late arrives from the dropped search
    EXPECT_EQ(Items(), std::vector<std::string>{Folders[4]});
}

TEST_F(MainWindow, SuspendAndResumeWithCtrlS) {
    Start();
    // None: Ctrl+S does nothing.
    shelltest::SetCtrlHeld(true);
    Key('S');
    EXPECT_EQ(Panel(1), "");
    FormMain->RegisterFolder(AnsiToWide(Folders[0]), true);
    Key('S');
    EXPECT_EQ(FormMain->CurrentSearchState(), SearchState::Suspended);
    Key('S');
    shelltest::SetCtrlHeld(false);
    EXPECT_NE(FormMain->CurrentSearchState(), SearchState::Suspended);
    ASSERT_TRUE(WaitDone());
    EXPECT_EQ(Items(), std::vector<std::string>{Folders[0]});
    // Done: Ctrl+S does nothing.
    shelltest::SetCtrlHeld(true);
    Key('S');
    shelltest::SetCtrlHeld(false);
    EXPECT_EQ(Panel(1), "検索完了");
}

TEST_F(MainWindow, DeleteKeepsACurrentSelectedItem) {
    Start();
    FillFive();
    Key(VK_DELETE); // nothing selected: nothing happens
    EXPECT_EQ(Items().size(), 5u);
    Select({3, 4});
    Key(VK_DELETE);
    EXPECT_EQ(Items(), (std::vector<std::string>{Folders[0], Folders[1], Folders[2]}));
    EXPECT_EQ(FormMain->ListBox1.ItemIndex(), 2);
    EXPECT_EQ(SelectedIndexes(), std::vector<int>{2});
    Select({0});
    Key(VK_DELETE);
    EXPECT_EQ(Items(), (std::vector<std::string>{Folders[1], Folders[2]}));
    EXPECT_EQ(FormMain->ListBox1.ItemIndex(), 0);
    EXPECT_EQ(SelectedIndexes(), std::vector<int>{0});
    shelltest::SetCtrlHeld(true);
    Key('A');
    shelltest::SetCtrlHeld(false);
    EXPECT_EQ(SelectedIndexes(), (std::vector<int>{0, 1}));
    Key(VK_DELETE);
    EXPECT_TRUE(Items().empty());
    EXPECT_EQ(FormMain->ListBox1.ItemIndex(), -1);
    // Enter on an empty list does nothing.
    Key(VK_RETURN);
    EXPECT_TRUE(Errors.empty());
}

TEST_F(MainWindow, AltArrowsMoveTheSelectedBlock) {
    Start();
    FillFive();
    Select({0, 2});
    Key(VK_UP, true); // the first item is selected: nothing moves
    EXPECT_EQ(Items(), Folders);
    Select({2, 3});
    Key(VK_UP, true);
    EXPECT_EQ(Items(), (std::vector<std::string>{Folders[0], Folders[2], Folders[3], Folders[1],
                                                 Folders[4]}));
    EXPECT_EQ(SelectedIndexes(), (std::vector<int>{1, 2}));
    Key(VK_DOWN, true);
    Key(VK_DOWN, true);
    EXPECT_EQ(Items(), (std::vector<std::string>{Folders[0], Folders[1], Folders[4], Folders[2],
                                                 Folders[3]}));
    EXPECT_EQ(SelectedIndexes(), (std::vector<int>{3, 4}));
    Key(VK_DOWN, true); // the last item is selected: nothing moves
    EXPECT_EQ(SelectedIndexes(), (std::vector<int>{3, 4}));
    // Up without Alt moves the caret, not the items.
    Key(VK_UP);
    EXPECT_EQ(Items()[3], Folders[2]);
}

TEST_F(MainWindow, DroppedFoldersAreRegistered) {
    Start();
    FormMain->RegisterFolder(AnsiToWide(Folders[4]), true);
    ASSERT_TRUE(WaitDone());
    // Without Ctrl: the list is emptied once, every dropped folder is searched, files ignored.
    HDROP drop = shelltest::MakeDrop({Folders[0], Dir.Sub("one\\a.bmp"), Folders[1]});
    SendMessageW(FormMain->Handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0);
    ASSERT_TRUE(WaitDone());
    EXPECT_EQ(Items(), (std::vector<std::string>{Folders[0], Folders[1]}));
    EXPECT_EQ(Caption(), "Tovane - " + AnsiToUtf8(Folders[0]));
    // With Ctrl: added after what is there, whatever the name.
    const std::wstring photos = AnsiToWide(Dir.Path()) + L"\\\u5199\u771F\U0001F600";
    CreateDirectoryW(photos.c_str(), nullptr);
    ASSERT_TRUE(
        CopyFileW(AnsiToWide(Dir.Sub("one\\a.bmp")).c_str(), (photos + L"\\a.bmp").c_str(), FALSE));
    shelltest::SetCtrlHeld(true);
    drop = shelltest::MakeDrop(std::vector<std::wstring>{AnsiToWide(Folders[3]), photos});
    SendMessageW(FormMain->Handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0);
    shelltest::SetCtrlHeld(false);
    ASSERT_TRUE(WaitDone());
    EXPECT_EQ(FormMain->ListBox1.Items(),
              (std::vector<std::wstring>{AnsiToWide(Folders[0]), AnsiToWide(Folders[1]),
                                         AnsiToWide(Folders[3]), photos}));
}

// A long dropped name is registered whole: never cut to a shorter sibling, never ignored.
TEST_F(MainWindow, DroppedLongNameIsRegisteredWholeNotCutToAnotherFolder) {
    Start();
    // A folder whose path is 254 characters long, and a sibling whose name continues it.
    const std::string base = Dir.Path() + "\\";
    const std::string shortName(254 - base.size(), 'p');
    const std::string shortFolder = Dir.MakeDir(shortName);
    ASSERT_EQ(shortFolder.size(), 254u);
    Dir.MakeBitmap(shortName + "\\a.bmp");
    const std::string longFolder = Dir.MakeDir(shortName + "xyz");
    // Its picture's path is past the path limit: copied there by the long form.
    ASSERT_TRUE(CopyFileW(AnsiToWide(shortFolder + "\\a.bmp").c_str(),
                          (L"\\\\?\\" + AnsiToWide(longFolder) + L"\\a.bmp").c_str(), FALSE));
    ASSERT_NE(GetFileAttributesA(longFolder.c_str()), INVALID_FILE_ATTRIBUTES);
    HDROP drop = shelltest::MakeDrop({longFolder, Folders[0]});
    SendMessageW(FormMain->Handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0);
    ASSERT_TRUE(WaitDone());
    EXPECT_EQ(Items(), (std::vector<std::string>{longFolder, Folders[0]}));
}

namespace {

// Drives the folder-pick dialog from inside its modal run.
struct DialogScript {
    std::function<void(TFormOpenDir&)> Step;
    bool Ran = false;
};
DialogScript* ActiveScript = nullptr;

void CALLBACK RunScript(HWND, UINT, UINT_PTR id, DWORD) {
    HWND h = FindWindowW(L"TovaneWindow", L"フォルダ登録");
    auto* dialog = dynamic_cast<TFormOpenDir*>(TForm::FromHandle(h));
    if (dialog == nullptr || !IsWindowVisible(h) || ActiveScript == nullptr)
        return;
    KillTimer(nullptr, id);
    ActiveScript->Ran = true;
    ActiveScript->Step(*dialog);
}

void RunWithDialog(const std::function<void()>& command, std::function<void(TFormOpenDir&)> step,
                   bool& ran) {
    DialogScript script{std::move(step)};
    ActiveScript = &script;
    const UINT_PTR timer = SetTimer(nullptr, 0, 20, RunScript);
    command();
    KillTimer(nullptr, timer);
    ActiveScript = nullptr;
    ran = script.Ran;
}

int ItemOf(TListBox& list, const std::string& text) {
    return list.IndexOf(AnsiToWide(text));
}

} // namespace

TEST_F(MainWindow, FolderDialogRegistersTheOpenFolderOnOk) {
    Start();
    SetCurrentDirectoryA(Dir.Path().c_str());
    std::vector<std::string> files;
    std::string startedIn;
    bool ran = false;
    RunWithDialog([] { FormMain->actOpen.Execute(); },
                  [&](TFormOpenDir& d) {
                      startedIn = WideToAnsi(d.DirectoryListBox1.Directory());
                      d.DirectoryListBox1.OpenItem(ItemOf(d.DirectoryListBox1, "one"));
                      for (const std::wstring& file : d.FileListBox1.Items())
                          files.push_back(WideToAnsi(file));
                      // Highlighting a sub-folder does not open it; Enter means OK.
                      d.DirectoryListBox1.SetItemIndex(0);
                      PostMessageW(d.DirectoryListBox1.Handle(), WM_KEYDOWN, VK_RETURN, 1);
                  },
                  ran);
    ASSERT_TRUE(ran);
    EXPECT_TRUE(SameTextAscii(startedIn, Dir.Path()));
    EXPECT_EQ(files, (std::vector<std::string>{"a.bmp", "b.xq"})) << "note.txt is not an image";
    EXPECT_EQ(Caption(), "Tovane - " + AnsiToUtf8(Folders[0]));
    ASSERT_TRUE(WaitDone());
    EXPECT_EQ(Items(), std::vector<std::string>{Folders[0]});

    // The next dialog opens where the last one left off; "add" keeps the list.
    RunWithDialog([] { FormMain->actAppendOpen.Execute(); },
                  [&](TFormOpenDir& d) {
                      startedIn = WideToAnsi(d.DirectoryListBox1.Directory());
                      d.DirectoryListBox1.OpenItem(d.DirectoryListBox1.ItemIndex() - 1);
                      d.DirectoryListBox1.OpenItem(ItemOf(d.DirectoryListBox1, "two"));
                      d.Button1.Click();
                  },
                  ran);
    ASSERT_TRUE(ran);
    EXPECT_TRUE(SameTextAscii(startedIn, Folders[0]));
    ASSERT_TRUE(WaitDone());
    EXPECT_EQ(Items(), (std::vector<std::string>{Folders[0], Folders[1]}));
}

TEST_F(MainWindow, FolderDialogRegistersAnArchiveChosenInItsFileList) {
    Dir.MakeFile("one\\set.arc"); // the archive plug-in's extension
    Start();
    SetCurrentDirectoryA(Dir.Path().c_str());
    std::vector<std::string> files;
    bool ran = false;
    RunWithDialog([] { FormMain->actOpen.Execute(); },
                  [&](TFormOpenDir& d) {
                      d.DirectoryListBox1.OpenItem(ItemOf(d.DirectoryListBox1, "one"));
                      for (const std::wstring& file : d.FileListBox1.Items())
                          files.push_back(WideToAnsi(file));
                      d.FileListBox1.SetItemIndex(ItemOf(d.FileListBox1, "set.arc"));
                      d.Button1.Click();
                  },
                  ran);
    ASSERT_TRUE(ran);
    EXPECT_EQ(files, (std::vector<std::string>{"a.bmp", "b.xq", "set.arc"}));
    // The archive is the place registered (this test module lists no entries of it).
    EXPECT_EQ(Caption(), "Tovane - " + AnsiToUtf8(Folders[0]) + "\\set.arc");
}

TEST_F(MainWindow, FolderDialogCancelRegistersNothing) {
    Start();
    SetCurrentDirectoryA(Folders[2].c_str());
    bool ran = false;
    RunWithDialog(
        [] { FormMain->actOpen.Execute(); },
        [](TFormOpenDir& d) { PostMessageW(d.FileListBox1.Handle(), WM_KEYDOWN, VK_ESCAPE, 1); },
        ran);
    ASSERT_TRUE(ran);
    RunWithDialog([] { FormMain->actOpen.Execute(); },
                  [](TFormOpenDir& d) { PostMessageW(d.Handle(), WM_CLOSE, 0, 0); }, ran);
    ASSERT_TRUE(ran);
    shelltest::Pump(50);
    EXPECT_EQ(FormMain->CurrentSearchState(), SearchState::None);
    EXPECT_EQ(Caption(), "Tovane");
    EXPECT_TRUE(Items().empty());
}

TEST_F(MainWindow, ClosingSavesTheWindowPosition) {
    Start();
    FormMain->SetBounds(33, 44, 500, 300);
    FormMain->RegisterFolder(AnsiToWide(Folders[0]),
                             true); // a search still running at the end is stopped
    FormMain.reset();
    EXPECT_EQ(GetPrivateProfileIntA("Window", "Left", -1, Ini.c_str()), 33);
    EXPECT_EQ(GetPrivateProfileIntA("Window", "Top", -1, Ini.c_str()), 44);
    EXPECT_EQ(GetPrivateProfileIntA("Window", "Width", -1, Ini.c_str()), 500);
    EXPECT_EQ(GetPrivateProfileIntA("Window", "Height", -1, Ini.c_str()), 300);
    // And the next start takes it back.
    Start();
    EXPECT_EQ(FormMain->Left(), 33);
    EXPECT_EQ(FormMain->Width(), 500);
}

// A search that has taken its last folder but whose end the message loop has not yet seen:
// the case in which a registration starts a fresh thread that continues the same search.
static void WaitUntilTheSearchHasEndedUnseen() {
    for (int i = 0; i < 2000 && !FormMain->FindThread()->Finished(); ++i)
        Sleep(5);
    ASSERT_TRUE(FormMain->FindThread()->Finished());
    ASSERT_EQ(FormMain->CurrentSearchState(), SearchState::Searching);
}

TEST_F(MainWindow, AFolderRegisteredAsASearchEndsKeepsThatSearchsSubFolderFlag) {
    const std::string deep = Dir.MakeDir("deep");
    Dir.MakeDir("deep\\sub");
    Dir.MakeBitmap("deep\\sub\\a.bmp");
    Start(); // the file says: no sub-folders
    FormMain->RegisterFolder(AnsiToWide(Dir.Sub("empty")), true);
    WaitUntilTheSearchHasEndedUnseen();
    FormMain->FSettings.bFindSubDir = true; // changed while that search runs
    FormMain->RegisterFolder(AnsiToWide(deep), true);
    EXPECT_TRUE(FormMain->FindThread() != nullptr && !FormMain->FindThread()->FindSubDir());
    ASSERT_TRUE(WaitDone());
    EXPECT_TRUE(Items().empty()) << Items()[0];
}

// Refuses window creation for the search thread's hidden window: the thread cannot start.
static HHOOK RefusingHook = nullptr;
static LRESULT CALLBACK RefuseSyncWindows(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_CREATEWND) {
        const auto* cbt = reinterpret_cast<const CBT_CREATEWNDW*>(lParam);
        if (!IS_INTRESOURCE(cbt->lpcs->lpszClass) &&
            std::wstring(cbt->lpcs->lpszClass) == L"TovaneThreadSync")
            return 1;
    }
    return CallNextHookEx(RefusingHook, code, wParam, lParam);
}

TEST_F(MainWindow, ASearchThreadThatCannotStartLeavesNoSearchBehind) {
    Start();
    FormMain->RegisterFolder(AnsiToWide(Dir.Sub("empty")), true);
    WaitUntilTheSearchHasEndedUnseen();
    RefusingHook = SetWindowsHookExW(WH_CBT, RefuseSyncWindows, nullptr, GetCurrentThreadId());
    ASSERT_NE(RefusingHook, nullptr);
    EXPECT_THROW(FormMain->RegisterFolder(AnsiToWide(Folders[0]), true), Exception);
    UnhookWindowsHookEx(RefusingHook);
    EXPECT_EQ(FormMain->FindThread(), nullptr);
    EXPECT_EQ(FormMain->CurrentSearchState(), SearchState::Failed);
    EXPECT_EQ(Panel(1), "検索失敗");
    // The next registration searches afresh.
    FormMain->RegisterFolder(AnsiToWide(Folders[1]), true);
    ASSERT_TRUE(WaitDone());
    EXPECT_EQ(Items(), std::vector<std::string>{Folders[1]});
}

// A list box that refuses every new item, as one out of memory does.
static WNDPROC ListBoxProc = nullptr;
static LRESULT CALLBACK RefuseAdding(HWND h, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == LB_ADDSTRING || msg == LB_INSERTSTRING)
        return LB_ERRSPACE;
    return CallWindowProcW(ListBoxProc, h, msg, wParam, lParam);
}

TEST_F(MainWindow, ASearchThatCannotListAFolderEndsAsFailedAndSaysWhy) {
    Start();
    const HWND list = FormMain->ListBox1.Handle();
    ListBoxProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&RefuseAdding)));
    FormMain->RegisterFolder(AnsiToWide(Folders[0]), true);
    ASSERT_TRUE(PumpUntil([] { return FormMain->CurrentSearchState() != SearchState::Searching; }));
    SetWindowLongPtrW(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ListBoxProc));
    EXPECT_EQ(FormMain->CurrentSearchState(), SearchState::Failed);
    EXPECT_EQ(Panel(1), "検索失敗");
    EXPECT_EQ(Errors, std::vector<std::string>{"リストに追加できません"});
}

TEST_F(MainWindow, EndingTheSessionStopsTheSearchAndSavesTheWindow) {
    Start();
    FormMain->SetBounds(21, 32, 480, 310);
    FormMain->RegisterFolder(AnsiToWide(Folders[0]), true);
    EXPECT_EQ(SendMessageW(FormMain->Handle(), WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF), TRUE);
    // Asked, but the session goes on: nothing is done yet.
    SendMessageW(FormMain->Handle(), WM_ENDSESSION, FALSE, ENDSESSION_LOGOFF);
    EXPECT_EQ(GetPrivateProfileIntA("Window", "Left", -1, Ini.c_str()), -1);
    SendMessageW(FormMain->Handle(), WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
    EXPECT_EQ(FormMain->FindThread(), nullptr);
    EXPECT_EQ(GetPrivateProfileIntA("Window", "Left", -1, Ini.c_str()), 21);
    EXPECT_EQ(GetPrivateProfileIntA("Window", "Height", -1, Ini.c_str()), 310);
}

TEST_F(MainWindow, ExitDoesNotWaitLongForASearchBlockedInTheSystem) {
    Start();
    FormMain->SetBounds(40, 50, 420, 320);
    // A tree that takes a while to walk, held at once.
    FormMain->FSettings.bFindSubDir = true;
    char windows[MAX_PATH];
    ASSERT_GT(GetWindowsDirectoryA(windows, MAX_PATH), 0u);
    FormMain->RegisterFolder(AnsiToWide(windows), true);
    FormMain->actFindSuspend.Execute();
    if (FormMain->FindThread() == nullptr || FormMain->FindThread()->Finished())
        GTEST_SKIP() << "the search ended before it could be held";
    // Parked at its pause point (it holds no lock there), then frozen as a thread that waits
    // on an unreachable network folder is.
    Sleep(300);
    const HANDLE worker = FormMain->FindThread()->Handle();
    HANDLE held = nullptr;
    ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), worker, GetCurrentProcess(), &held, 0, FALSE,
                                DUPLICATE_SAME_ACCESS));
    ASSERT_NE(SuspendThread(held), static_cast<DWORD>(-1));
    const ULONGLONG start = GetTickCount64();
    FormMain.reset();
    const ULONGLONG took = GetTickCount64() - start;
    ResumeThread(held);
    WaitForSingleObject(held, 5000);
    CloseHandle(held);
    EXPECT_LT(took, 10000u) << "exit waited for the blocked search";
    EXPECT_EQ(GetPrivateProfileIntA("Window", "Left", -1, Ini.c_str()), 40);
    EXPECT_EQ(GetPrivateProfileIntA("Window", "Height", -1, Ini.c_str()), 320);
}

TEST_F(MainWindow, AStoredPositionOffTheScreenIsBroughtBack) {
    WritePrivateProfileStringA("Window", "Left", "3000", Ini.c_str());
    WritePrivateProfileStringA("Window", "Top", "2000", Ini.c_str());
    Start();
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_LE(FormMain->Left() + 100, work.right);
    EXPECT_LE(FormMain->Top() + 50, work.bottom);
    EXPECT_EQ(FormMain->Width(), 600);
}

TEST_F(MainWindow, FolderDialogOpensWhenTheCurrentFolderIsGone) {
    Start();
    FormMain->RegisterFolder(AnsiToWide(Folders[3]), true);
    ASSERT_TRUE(WaitDone());
    const std::string gone = Dir.MakeDir("gone");
    ASSERT_TRUE(SetCurrentDirectoryA(gone.c_str()));
    // The system keeps its current folder from being removed; a card pulled out does not ask.
    ASSERT_TRUE(searchtest::RunUnix("Z:\\bin\\rmdir \"" + searchtest::UnixPathOf(gone) + "\""));
    // A Unix program may finish after its process handle signals: wait for the folder to go.
    for (int i = 0; i < 100 && GetFileAttributesA(gone.c_str()) != INVALID_FILE_ATTRIBUTES; ++i)
        Sleep(20);
    ASSERT_EQ(GetFileAttributesA(gone.c_str()), INVALID_FILE_ATTRIBUTES);
    std::string startedIn;
    bool ran = false;
    RunWithDialog([] { FormMain->actOpen.Execute(); },
                  [&](TFormOpenDir& d) {
                      startedIn = WideToAnsi(d.DirectoryListBox1.Directory());
                      d.Button2.Click();
                  },
                  ran);
    EXPECT_TRUE(ran);
    EXPECT_TRUE(SameTextAscii(startedIn, Folders[3])) << startedIn;
    EXPECT_TRUE(Errors.empty()) << Errors[0];
}

TEST_F(MainWindow, MenuCommandsAreTheActions) {
    Start();
    HMENU bar = GetMenu(FormMain->Handle());
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(GetMenuItemCount(bar), 4);
    wchar_t text[64] = L"";
    GetMenuStringW(bar, 0, text, 64, MF_BYPOSITION);
    EXPECT_EQ(WideToUtf8(text), "ファイル(&F)");
    HMENU edit = GetSubMenu(bar, 1);
    GetMenuStringW(edit, 0, text, 64, MF_BYPOSITION);
    EXPECT_EQ(WideToUtf8(text), "削除(&D)\tDel");
    GetMenuStringW(edit, 2, text, 64, MF_BYPOSITION);
    EXPECT_EQ(WideToUtf8(text), "すべて選択(&A)\tCtrl+A");
    FillFive();
    SendMessageW(FormMain->Handle(), WM_COMMAND, GetMenuItemID(edit, 2), 0);
    EXPECT_EQ(FormMain->ListBox1.SelCount(), 5);
    // Exit closes the main window, which ends the application's loop.
    HMENU file = GetSubMenu(bar, 0);
    Application().SetMainForm(FormMain.get());
    SendMessageW(FormMain->Handle(), WM_COMMAND, GetMenuItemID(file, 3), 0);
    EXPECT_FALSE(IsWindowVisible(FormMain->Handle()));
    MSG msg;
    EXPECT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    Application().SetMainForm(nullptr);
}

TEST_F(MainWindow, EnterShowsTheSlideshowOfTheCurrentFolderAndFollowsItsMoves) {
    Start();
    FormSlideShow = std::make_unique<TBuiltForm<TFormSlideShow>>(MakeMainWindowSlideShowSource());
    FillFive();
    // Current item 2, selected together with item 4; the slideshow moves one folder on (Page
    // Down) and closes (Esc): the remembered item loses its selection, the new one gains it.
    Select({2, 4});
    FormMain->ListBox1.SetItemIndex(2);
    PostMessageW(FormSlideShow->Handle(), WM_KEYDOWN, VK_NEXT, 1);
    PostMessageW(FormSlideShow->Handle(), WM_KEYDOWN, VK_ESCAPE, 1);
    FormMain->actSlideShow.Execute();
    EXPECT_FALSE(IsWindowVisible(FormSlideShow->Handle()));
    EXPECT_EQ(FormMain->ListBox1.ItemIndex(), 3);
    EXPECT_EQ(SelectedIndexes(), (std::vector<int>{3, 4}));
    EXPECT_TRUE(SameTextAscii(WideToAnsi(FormSlideShow->FileListBox1.Directory()), Folders[3]));
    // Enter in the list (run by the main loop), then Esc in the slideshow (run by its modal
    // loop): closed where it started, the selection stays as it was.
    PostMessageW(FormMain->ListBox1.Handle(), WM_KEYDOWN, VK_RETURN, 1);
    PostMessageW(FormSlideShow->Handle(), WM_KEYDOWN, VK_ESCAPE, 1);
    shelltest::Pump(100);
    EXPECT_EQ(FormMain->ListBox1.ItemIndex(), 3);
    EXPECT_EQ(SelectedIndexes(), (std::vector<int>{3, 4}));
    EXPECT_EQ(Errors, std::vector<std::string>{});
    FormSlideShow.reset();
}

TEST_F(MainWindow, ThePictureOfTheFolderTheCursorRestsOnIsDecodedBeforeEnter) {
    Start();
    FormSlideShow = std::make_unique<TBuiltForm<TFormSlideShow>>(MakeMainWindowSlideShowSource());
    FillFive();
    FormMain->ListBox1.SetItemIndex(0);
    Key(VK_DOWN);
    ASSERT_EQ(FormMain->ListBox1.ItemIndex(), 1);
    const auto decoded = [] { return FormSlideShow->Pipeline()->Counters().Decoded; };
    ASSERT_TRUE(PumpUntil([&] { return decoded() == 1; }));
    PostMessageW(FormSlideShow->Handle(), WM_KEYDOWN, VK_ESCAPE, 1);
    FormMain->actSlideShow.Execute();
    EXPECT_TRUE(SameTextAscii(WideToAnsi(FormSlideShow->FileListBox1.Directory()), Folders[1]));
    EXPECT_TRUE(FormSlideShow->Image1.Visible());
    EXPECT_EQ(decoded(), 1);
    EXPECT_EQ(Errors, std::vector<std::string>{});
    FormSlideShow.reset();
}

// Closes the slideshow once its second picture is on screen (pictures arrive from the
// decoding thread).
void CALLBACK CloseSlideShowOnSecondPicture(HWND, UINT, UINT_PTR, DWORD) {
    if (FormSlideShow != nullptr && FormSlideShow->Visible() && !FormSlideShow->Loading() &&
        FormSlideShow->FileListBox1.ItemIndex() == 1)
        PostMessageW(FormSlideShow->Handle(), WM_KEYDOWN, VK_ESCAPE, 1);
}

TEST_F(MainWindow, NamesOutsideTheCodePageAreSearchedListedAndShown) {
    // 한국 and café hold a picture each; plain holds ok.bmp and 😀.bmp.
    const std::string ok = Dir.MakeBitmap("ok.bmp");
    const std::wstring root = AnsiToWide(Dir.MakeDir("tree"));
    const std::wstring korea = root + L"\\\uD55C\uAD6D", cafe = root + L"\\caf\u00E9",
                       plain = root + L"\\plain";
    for (const std::wstring& d : {korea, cafe, plain})
        CreateDirectoryW(d.c_str(), nullptr);
    for (const std::wstring& picture : {korea + L"\\\u301C.bmp", cafe + L"\\a.bmp",
                                        plain + L"\\ok.bmp", plain + L"\\\U0001F600.bmp"})
        ASSERT_TRUE(CopyFileW(AnsiToWide(ok).c_str(), picture.c_str(), FALSE));
    WritePrivateProfileStringA("SlideShow", "bFindSubDir", "1", Ini.c_str());
    Start();
    FormSlideShow = std::make_unique<TBuiltForm<TFormSlideShow>>(MakeMainWindowSlideShowSource());
    FormMain->RegisterFolder(root, true);
    ASSERT_TRUE(WaitDone());
    std::vector<std::wstring> listed = FormMain->ListBox1.Items();
    std::sort(listed.begin(), listed.end());
    EXPECT_EQ(listed, (std::vector<std::wstring>{cafe, plain, korea}));
    EXPECT_EQ(Panel(0), "フォルダ数 3");
    EXPECT_EQ(Caption(), "Tovane - " + WideToUtf8(root));

    // The slideshow of plain: ok.bmp (names of the code page sort first), then 😀.bmp.
    FormMain->ListBox1.SetItemIndex(FormMain->ListBox1.IndexOf(plain));
    PostMessageW(FormSlideShow->Handle(), WM_KEYDOWN, VK_RIGHT, 1);
    const UINT_PTR closer = SetTimer(nullptr, 0, 20, CloseSlideShowOnSecondPicture);
    FormMain->actSlideShow.Execute();
    KillTimer(nullptr, closer);
    EXPECT_EQ(FormSlideShow->FileListBox1.Items(),
              (std::vector<std::wstring>{L"ok.bmp", L"\U0001F600.bmp"}));
    EXPECT_EQ(FormSlideShow->LabelFile.Caption(), WideToUtf8(L"2 / 2  \U0001F600.bmp"));
    EXPECT_EQ(FormSlideShow->LabelPath.Caption().substr(7), WideToUtf8(plain));
    EXPECT_EQ(Errors, std::vector<std::string>{});
    FormSlideShow.reset();
}

// A plug-in without a required export beside the program: reported once, skipped, and the
// main window starts with the other plug-ins.
TEST(MainWindowStartUp, InvalidPluginIsReportedAndSkipped) {
    char exe[MAX_PATH];
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    const std::string dir = ExtractFilePath(exe, SystemLeadByte);
    // Named as this build's modules are, or the main window would not find it.
    const std::string name = std::string("no_info") + (DefaultSPIMask + 1);
    const std::string bad = dir + name;
    const std::string source = dir + "..\\testplugins\\no_info\\" + name;
    ASSERT_NE(GetFileAttributesA(source.c_str()), INVALID_FILE_ATTRIBUTES) << source;
    ASSERT_TRUE(CopyFileA(source.c_str(), bad.c_str(), FALSE));
    SpiBmpUnit decoding;
    shelltest::TScratchDir dir2;
    std::vector<std::string> reports;
    Application().OnException = [&](const std::string& m) { reports.push_back(m); };
    {
        TBuiltForm<TFormMain> form(std::vector<std::wstring>{}, AnsiToWide(dir2.Sub("x.ini")));
        EXPECT_EQ(form.SPIs->Count(), 2); // the import and the archive plug-in
        EXPECT_EQ(form.SPIs->IndexOf(bad), -1);
    }
    Application().OnException = nullptr;
    DeleteFileA(bad.c_str());
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_NE(reports[0].find("GetPluginInfo"), std::string::npos) << reports[0];
    EXPECT_NE(reports[0].find(name), std::string::npos) << reports[0];
    EXPECT_EQ(TSPIs::Instance(), nullptr);
}
