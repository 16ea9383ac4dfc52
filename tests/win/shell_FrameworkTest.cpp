// The component runtime under real windows: key routing to actions, modal runs, the error
// report, list box selection rules, status bar, radio group, spin buttons, file controls.
#include "shell_Support.h"

#include "framework/Exceptions.h"
#include "framework/Strings.h"
#include "framework/win32/Actions.h"
#include "framework/win32/ComCtrls.h"
#include "framework/win32/ExtCtrls.h"
#include "framework/win32/FileCtrls.h"
#include "framework/win32/Fonts.h"
#include "framework/win32/StdCtrls.h"
#include "framework/win32/Text.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <span>

using namespace tovane;
using shelltest::PumpUntil;
using shelltest::TBareForm;

namespace {

class Framework : public shelltest::TShellTest {};

void PostKey(HWND target, UINT vk, bool alt = false) {
    PostMessageW(target, alt ? WM_SYSKEYDOWN : WM_KEYDOWN, vk, alt ? (1L << 29) | 1 : 1);
    PostMessageW(target, alt ? WM_SYSKEYUP : WM_KEYUP, vk,
                 alt ? (1L << 29) | 0xC0000001 : 0xC0000001);
}

struct ListForm {
    TBareForm Form;
    TListBox List;
    TAction Action;
    int Runs = 0;
    ListForm() {
        List.Create(Form, {.Align = TAlign::Client}, {.MultiSelect = true});
        for (const wchar_t* s : {L"a", L"b", L"c", L"d", L"e"})
            List.Add(s);
        Action.Create(Form, {});
        Action.OnExecute = [this](TObject&) { ++Runs; };
        Form.Show();
        List.SetFocus();
        List.SetItemIndex(0);
    }
};

// What a TStepsForm writes down: the steps of its making and unmaking, and its window.
struct StepsLog {
    std::vector<std::string> Steps;
    HWND Window = nullptr;
};

// A form whose description may fail after the window has been made.
class TStepsForm : public TForm {
public:
    TStepsForm(StepsLog& log, bool failLoad) : FLog(log), FFailLoad(failLoad) {}

    TListBox List;
    TAction actMenu; // caption and key from the table when loaded
    TAction actKey;  // its key from the table in OnCreate
    int Runs = 0;

private:
    static std::span<const TActionRow<TStepsForm>> ActionTable() {
        static const TActionRow<TStepsForm> rows[] = {
            {&TStepsForm::actMenu, "&Menu", TextToShortCut("Ctrl+M"), &TStepsForm::Run},
            {&TStepsForm::actKey, "", scNone, &TStepsForm::Run, TextToShortCut("F5")},
        };
        return rows;
    }
    void LoadForm() override {
        CreateForm({.ClientWidth = 200, .ClientHeight = 100});
        FLog.Window = Handle();
        List.Create(*this, {.Align = TAlign::Client});
        CreateActions(*this, ActionTable());
        OnCreate = [this](TObject&) {
            FLog.Steps.push_back(actKey.ShortCut() == scNone ? "OnCreate" : "OnCreate, key given");
            AssignCreateShortCuts(*this, ActionTable());
        };
        OnDestroy = [this](TObject&) {
            FLog.Steps.push_back(List.Handle() != nullptr ? "OnDestroy" : "OnDestroy, list gone");
        };
        FLog.Steps.push_back("LoadForm");
        if (FFailLoad)
            throw Exception("the description failed");
    }
    void Loaded() override { FLog.Steps.push_back("Loaded"); }
    void Run(TObject&) { ++Runs; }

    StepsLog& FLog;
    bool FFailLoad;
};

} // namespace

TEST_F(Framework, FormsAreBuiltLoadedCreatedAndDestroyedInOrder) {
    StepsLog log;
    {
        TBuiltForm<TStepsForm> form(log, false);
        EXPECT_EQ(log.Steps, (std::vector<std::string>{"LoadForm", "Loaded", "OnCreate"}));
        EXPECT_EQ(form.actMenu.Caption(), "&Menu");
        EXPECT_EQ(form.FindShortCut('M', {.Ctrl = true}), &form.actMenu);
        TAction* key = form.FindShortCut(VK_F5, {});
        ASSERT_EQ(key, &form.actKey) << "the key OnCreate assigns";
        key->Execute();
        form.actMenu.Execute();
        EXPECT_EQ(form.Runs, 2) << "both rows run the handler they name";
    }
    EXPECT_EQ(log.Steps.back(), "OnDestroy") << "OnDestroy runs while the controls live";
    EXPECT_FALSE(IsWindow(log.Window));

    StepsLog failed;
    EXPECT_THROW(TBuiltForm<TStepsForm>(failed, true), Exception);
    EXPECT_EQ(failed.Steps, (std::vector<std::string>{"LoadForm"}))
        << "neither OnCreate nor OnDestroy";
    ASSERT_NE(failed.Window, nullptr);
    EXPECT_FALSE(IsWindow(failed.Window)) << "the window of a failed description is destroyed";
    EXPECT_TRUE(Errors.empty());
}

TEST_F(Framework, ActionsSeeAKeyBeforeTheFocusedControl) {
    ListForm f;
    // No action has Down yet: the list box moves its caret.
    PostKey(f.List.Handle(), VK_DOWN);
    ASSERT_TRUE(PumpUntil([&] { return f.List.ItemIndex() == 1; }));
    f.Action.SetShortCut(TextToShortCut("Down"));
    PostKey(f.List.Handle(), VK_DOWN);
    ASSERT_TRUE(PumpUntil([&] { return f.Runs == 1; }));
    shelltest::Pump();
    EXPECT_EQ(f.List.ItemIndex(), 1) << "the list box saw a key that an action took";
}

TEST_F(Framework, BareKeyShortcutDoesNotRunWithAModifierHeld) {
    ListForm f;
    f.Action.SetShortCut(TextToShortCut("Down"));
    shelltest::SetCtrlHeld(true);
    PostKey(f.List.Handle(), VK_DOWN);
    shelltest::Pump(100);
    shelltest::SetCtrlHeld(false);
    EXPECT_EQ(f.Runs, 0);
    PostKey(f.List.Handle(), VK_DOWN, /*alt*/ true);
    shelltest::Pump(100);
    EXPECT_EQ(f.Runs, 0);
}

TEST_F(Framework, AltArrowRunsOnlyTheAltShortcut) {
    ListForm f;
    f.Action.SetShortCut(TextToShortCut("Alt+Up"));
    PostKey(f.List.Handle(), VK_UP);
    shelltest::Pump(100);
    EXPECT_EQ(f.Runs, 0);
    PostKey(f.List.Handle(), VK_UP, /*alt*/ true);
    ASSERT_TRUE(PumpUntil([&] { return f.Runs == 1; }));
}

TEST_F(Framework, ErrorLeavingAnActionIsReportedAndTheLoopGoesOn) {
    ListForm f;
    f.Action.SetShortCut(TextToShortCut("Del"));
    f.Action.OnExecute = [&](TObject&) {
        ++f.Runs;
        throw Exception("フォルダが見つかりません");
    };
    PostKey(f.List.Handle(), VK_DELETE);
    PostKey(f.List.Handle(), VK_DELETE);
    ASSERT_TRUE(PumpUntil([&] { return f.Runs == 2; }));
    ASSERT_EQ(Errors.size(), 2u);
    EXPECT_EQ(Errors[0], "フォルダが見つかりません");
    // A failed action still owns its key: the list box does not see it.
    f.Action.SetShortCut(TextToShortCut("Down"));
    PostKey(f.List.Handle(), VK_DOWN);
    ASSERT_TRUE(PumpUntil([&] { return f.Runs == 3; }));
    shelltest::Pump();
    EXPECT_EQ(f.List.ItemIndex(), 0);
}

TEST_F(Framework, AbortIsSilent) {
    ListForm f;
    f.List.OnDblClick = [](TObject&) { throw EAbort(); };
    SendMessageW(f.Form.Handle(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(f.List.Handle()), LBN_DBLCLK),
                 reinterpret_cast<LPARAM>(f.List.Handle()));
    EXPECT_TRUE(Errors.empty());
}

TEST_F(Framework, ModalRunEndsWithTheButtonsResultAndReenablesTheOwner) {
    TBareForm owner;
    owner.Show();
    TBareForm dialog(
        &owner,
        TFormProps{.ClientWidth = 200, .ClientHeight = 100, .BorderStyle = TBorderStyle::Dialog});
    TButton ok, cancel;
    ok.Create(dialog, {.Left = 10, .Top = 10, .Width = 75, .Height = 25, .Caption = "&OK"},
              {.Default = true, .ModalResult = mrOk});
    cancel.Create(dialog,
                  {.Left = 100, .Top = 10, .Width = 75, .Height = 25, .Caption = "キャンセル"},
                  {.Cancel = true, .ModalResult = mrCancel});
    bool ownerDisabledDuringRun = false;
    int clicks = 0;
    ok.OnClick = [&](TObject&) {
        ++clicks;
        ownerDisabledDuringRun = !IsWindowEnabled(owner.Handle());
    };
    // Enter anywhere in the dialog clicks the default button.
    PostKey(dialog.Handle(), VK_RETURN);
    EXPECT_EQ(dialog.ShowModal(), mrOk);
    EXPECT_EQ(clicks, 1);
    EXPECT_TRUE(ownerDisabledDuringRun);
    EXPECT_TRUE(IsWindowEnabled(owner.Handle()));
    EXPECT_FALSE(IsWindowVisible(dialog.Handle()));

    // Esc clicks the cancel button; the close box counts as Cancel.
    PostKey(dialog.Handle(), VK_ESCAPE);
    EXPECT_EQ(dialog.ShowModal(), mrCancel);
    PostMessageW(dialog.Handle(), WM_CLOSE, 0, 0);
    EXPECT_EQ(dialog.ShowModal(), mrCancel);
    EXPECT_EQ(clicks, 1);
}

TEST_F(Framework, CloseActionNoneKeepsAModalFormOpen) {
    TBareForm dialog;
    int closes = 0;
    dialog.OnClose = [&](TObject&, TCloseAction& action) {
        if (++closes == 1)
            action = TCloseAction::None;
    };
    PostMessageW(dialog.Handle(), WM_CLOSE, 0, 0);
    PostMessageW(dialog.Handle(), WM_CLOSE, 0, 0);
    EXPECT_EQ(dialog.ShowModal(), mrCancel);
    EXPECT_EQ(closes, 2);
}

TEST_F(Framework, ErrorInOnShowIsReportedAndTheFormStillOpens) {
    TBareForm form;
    form.OnShow = [](TObject&) { throw Exception("画像を読めません"); };
    form.Show();
    EXPECT_TRUE(IsWindowVisible(form.Handle()));
    ASSERT_EQ(Errors.size(), 1u);
    EXPECT_EQ(Errors[0], "画像を読めません");
}

TEST_F(Framework, MenuItemsRunTheirActions) {
    TBareForm form;
    TAction act;
    act.Create(form, {.Caption = "フォルダ登録(&O)", .ShortCut = TextToShortCut("Ctrl+O")});
    int runs = 0;
    act.OnExecute = [&](TObject&) { ++runs; };
    TMainMenu menu;
    TMenuItem file, open;
    open.Set({.Action = &act});
    file.Set({.Caption = "ファイル(&F)", .Items = {&open}});
    menu.Create(form, {&file});
    HMENU popup = GetSubMenu(menu.Handle(), 0);
    wchar_t text[64] = L"";
    GetMenuStringW(popup, 0, text, 64, MF_BYPOSITION);
    EXPECT_EQ(WideToUtf8(text), "フォルダ登録(&O)\tCtrl+O");
    SendMessageW(form.Handle(), WM_COMMAND, GetMenuItemID(popup, 0), 0);
    EXPECT_EQ(runs, 1);
}

TEST_F(Framework, ListBoxCaretIsIndependentOfTheSelection) {
    ListForm f;
    f.List.SetSelected(3, true);
    f.List.SetItemIndex(1);
    EXPECT_EQ(f.List.ItemIndex(), 1);
    EXPECT_TRUE(f.List.Selected(3));
    EXPECT_FALSE(f.List.Selected(1));
    EXPECT_EQ(f.List.SelCount(), 1);
    // Moving an item carries its selection; the others keep theirs.
    f.List.SetSelected(0, true);
    f.List.Move(3, 1);
    EXPECT_EQ(f.List.Items(), (std::vector<std::wstring>{L"a", L"d", L"b", L"c", L"e"}));
    EXPECT_TRUE(f.List.Selected(0));
    EXPECT_TRUE(f.List.Selected(1));
    EXPECT_FALSE(f.List.Selected(3));
    f.List.SelectAll();
    EXPECT_EQ(f.List.SelCount(), 5);
    EXPECT_EQ(f.List.IndexOf(L"D"), 1);
    EXPECT_EQ(f.List.IndexOf(L"x"), -1);
    EXPECT_EQ(SendMessageW(f.List.Handle(), LB_GETCOUNT, 0, 0), 5);
    f.List.Clear();
    EXPECT_EQ(f.List.ItemIndex(), -1);
    EXPECT_THROW(f.List.Item(0), EListError);
}

TEST_F(Framework, ListBoxLookUpFollowsEveryChangeOfTheItems) {
    ListForm f; // a b c d e
    f.List.Add(L"B");
    f.List.Delete(1); // the first "b" goes, its capital twin stays
    EXPECT_EQ(f.List.IndexOf(L"b"), 4);
    f.List.Delete(4);
    EXPECT_EQ(f.List.IndexOf(L"b"), -1);
    f.List.Insert(0, L"C:\\Photos");
    f.List.Move(0, 3);
    EXPECT_EQ(f.List.IndexOf(L"c:\\PHOTOS"), 3);
    // Only ASCII letters ignore case, as they always did in code-page names.
    f.List.Add(L"caf\u00E9");
    EXPECT_EQ(f.List.IndexOf(L"CAF\u00C9"), -1);
    EXPECT_EQ(f.List.IndexOf(L"CAF\u00E9"), 5);
    f.List.Clear();
    EXPECT_EQ(f.List.IndexOf(L"c:\\photos"), -1);
    f.List.Add(L"c:\\photos");
    EXPECT_EQ(f.List.IndexOf(L"C:\\Photos"), 0);
}

TEST_F(Framework, ListBoxKeepsNamesOutsideTheCodePage) {
    ListForm f;
    const std::wstring path = L"C:\\\u8868\\\uD55C\U0001F600"; // C:\表\한😀
    f.List.Add(path);
    EXPECT_EQ(f.List.Item(5), path);
    wchar_t wide[32] = L"";
    SendMessageW(f.List.Handle(), LB_GETTEXT, 5, reinterpret_cast<LPARAM>(wide));
    EXPECT_EQ(std::wstring(wide), path);
}

TEST_F(Framework, StatusBarPanels) {
    TBareForm form;
    TStatusBar bar;
    bar.Create(form, {}, {90, 60, 50});
    bar.SetPanelText(1, "検索中...");
    bar.SetPanelText(2, " *.bmp;");
    wchar_t text[32] = L"";
    SendMessageW(bar.Handle(), SB_GETTEXTW, 1, reinterpret_cast<LPARAM>(text));
    EXPECT_EQ(std::wstring(text), L"検索中...");
    EXPECT_EQ(bar.PanelText(2), " *.bmp;");
    int edges[3] = {};
    EXPECT_EQ(SendMessageW(bar.Handle(), SB_GETPARTS, 3, reinterpret_cast<LPARAM>(edges)), 3);
    EXPECT_EQ(edges[0], 90);
    EXPECT_EQ(edges[1], 150);
    EXPECT_THROW(bar.SetPanelText(3, "x"), EListError);
    // Aligned to the bottom of the client area.
    EXPECT_EQ(bar.Top() + bar.Height(), form.ClientHeight());
}

TEST_F(Framework, RadioGroupClampsItsIndex) {
    TBareForm form;
    TRadioGroup group;
    group.Create(form, {.Left = 8, .Top = 8, .Width = 200, .Height = 113, .Caption = "単位(&U)"});
    EXPECT_EQ(group.ItemIndex(), -1);
    for (const char* s :
         {"メイン画面に戻る", "最初の画像に戻って待機", "最後の画像のまま待機", "繰り返す"})
        group.AddItem(s);
    group.SetItemIndex(7);
    EXPECT_EQ(group.ItemIndex(), 3);
    group.SetItemIndex(1);
    EXPECT_EQ(group.ItemIndex(), 1);
    EXPECT_EQ(SendMessageW(group.ButtonHandle(1), BM_GETCHECK, 0, 0), BST_CHECKED);
}

TEST_F(Framework, SpinButtonsStayInRangeAndShowThousands) {
    TBareForm form;
    TEdit edit;
    TUpDown spin;
    edit.Create(form, {.Left = 120, .Top = 32, .Width = 50, .Height = 20, .Caption = "0"});
    spin.Create(form, {.Left = 170, .Top = 32, .Width = 15, .Height = 20},
                {.Associate = &edit, .Min = 0, .Max = 1000});
    spin.SetPosition(1000);
    EXPECT_EQ(edit.Text(), "1,000");
    // A step up from the top stays there.
    SendMessageW(spin.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 2));
    SendMessageW(spin.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(5, 2));
    EXPECT_EQ(spin.Position(), 1000);
    edit.SetText("12");
    EXPECT_EQ(spin.Position(), 12);
}

TEST_F(Framework, LabelSizesItselfToItsText) {
    TBareForm form;
    TLabel label;
    label.Create(form, {.Left = 4, .Top = 4, .Caption = "x"});
    const int narrow = label.Width();
    label.SetCaption("表示間隔 500 ミリ秒");
    EXPECT_GT(label.Width(), narrow);
    EXPECT_GT(label.Height(), 0);
}

TEST_F(Framework, JapaneseFontsResolveToInstalledFaces) {
    const std::wstring fixed = ResolveFontFace({.Name = "ＭＳ ゴシック", .FixedPitch = true});
    const std::wstring prop = ResolveFontFace({.Name = "ＭＳ Ｐゴシック"});
    EXPECT_TRUE(FontFaceInstalled(fixed)) << WideToUtf8(fixed);
    EXPECT_TRUE(FontFaceInstalled(prop)) << WideToUtf8(prop);
    // The fixed-pitch stand-in really is fixed-pitch.
    UniqueFont font =
        CreateFontFor({.Name = "ＭＳ ゴシック", .Height = 12, .FixedPitch = true}, 96);
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font.Get());
    SIZE narrow{}, wide{};
    GetTextExtentPoint32W(dc, L"iiii", 4, &narrow);
    GetTextExtentPoint32W(dc, L"WWWW", 4, &wide);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    EXPECT_EQ(narrow.cx, wide.cx) << WideToUtf8(fixed);
}

TEST_F(Framework, TimerFiresWhileEnabled) {
    TBareForm form;
    TTimer timer;
    timer.Create(form, 10, false);
    int ticks = 0;
    timer.OnTimer = [&](TObject&) { ++ticks; };
    shelltest::Pump(60);
    EXPECT_EQ(ticks, 0);
    timer.SetEnabled(true);
    EXPECT_TRUE(PumpUntil([&] { return ticks >= 2; }));
    timer.SetEnabled(false);
    const int seen = ticks;
    shelltest::Pump(60);
    EXPECT_EQ(ticks, seen);
}

TEST_F(Framework, FileListShowsMatchingFilesOfEveryKindSortedIgnoringCase) {
    shelltest::TScratchDir dir;
    dir.MakeFile("b.BMP");
    dir.MakeFile("A.bmp");
    dir.MakeFile("c.jpg");
    dir.MakeFile("hidden.bmp", FILE_ATTRIBUTE_HIDDEN);
    dir.MakeFile("ro.bmp", FILE_ATTRIBUTE_READONLY);
    dir.MakeFile("note.txt");
    dir.MakeDir("folder.bmp");
    TBareForm form;
    TFileListBox files;
    files.Create(form, {.Visible = false});
    files.SetMask("*.bmp;*.jpg;");
    char before[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, before);
    files.SetDirectory(AnsiToWide(dir.Path() + "\\"));
    EXPECT_EQ(files.Directory(), AnsiToWide(dir.Path())); // spelled without the backslash
    EXPECT_EQ(files.Items(),
              (std::vector<std::wstring>{L"A.bmp", L"b.BMP", L"c.jpg", L"hidden.bmp", L"ro.bmp"}));
    EXPECT_EQ(files.ItemIndex(), -1);
    EXPECT_EQ(files.FileName(), L"");
    files.SetItemIndex(1);
    EXPECT_EQ(files.FileName(), AnsiToWide(dir.Path() + "\\b.BMP"));
    // The listed folder does not become the current folder (which could then be neither renamed
    // nor removed, and which started processes inherit).
    char cwd[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, cwd);
    EXPECT_STREQ(cwd, before);
    files.SetMask("*.bmp;");
    EXPECT_EQ(files.Count(), 4);
    EXPECT_THROW(files.SetDirectory(AnsiToWide(dir.Sub("missing"))), Exception);
}

TEST_F(Framework, FolderListShowsThePathAndTheSubFolders) {
    shelltest::TScratchDir dir;
    dir.MakeDir("zeta");
    dir.MakeDir("Alpha");
    dir.MakeFile("file.bmp");
    SetCurrentDirectoryA(dir.Path().c_str());
    TBareForm form;
    TDirectoryListBox folders;
    TFileListBox files;
    folders.Create(form, {.Left = 0, .Top = 0, .Width = 185, .Height = 177});
    files.Create(form, {.Left = 190, .Top = 0, .Width = 100, .Height = 100});
    folders.SetFileList(&files);
    ASSERT_TRUE(SameTextAscii(WideToAnsi(folders.Directory()), dir.Path()));
    const int n = folders.Count();
    ASSERT_GE(n, 3);
    EXPECT_EQ(folders.Item(n - 2), L"Alpha");
    EXPECT_EQ(folders.Item(n - 1), L"zeta");
    EXPECT_EQ(folders.Item(0).substr(1), L":\\");
    EXPECT_EQ(folders.ItemIndex(), n - 3); // the open folder
    // Opening a sub-folder lists it and points the file list at it.
    folders.OpenItem(n - 1);
    EXPECT_TRUE(SameTextAscii(WideToAnsi(folders.Directory()), dir.Sub("zeta")));
    EXPECT_TRUE(SameTextAscii(WideToAnsi(files.Directory()), dir.Sub("zeta")));
    // Opening the parent (the item above the open one) goes back up.
    folders.OpenItem(folders.ItemIndex() - 1);
    EXPECT_TRUE(SameTextAscii(WideToAnsi(folders.Directory()), dir.Path()));
    EXPECT_EQ(files.Items(), std::vector<std::wstring>{L"file.bmp"});
}

TEST_F(Framework, ChoosingADriveOpensItsCurrentFolder) {
    shelltest::TScratchDir dir;
    SetCurrentDirectoryA(dir.Path().c_str());
    TBareForm form;
    TDriveComboBox drives;
    TDirectoryListBox folders;
    TFileListBox files;
    drives.Create(form, {.Left = 0, .Top = 0, .Width = 185});
    folders.Create(form, {.Left = 0, .Top = 30, .Width = 185, .Height = 100});
    files.Create(form, {.Left = 190, .Top = 0, .Width = 100, .Height = 100});
    drives.SetDirList(&folders);
    folders.SetDriveCombo(&drives);
    folders.SetFileList(&files);
    EXPECT_EQ(drives.Drive(), AsciiLowerChar(dir.Path()[0]));
    // Drive Z: is the Unix root under Wine; its current folder is its root here.
    const int count = static_cast<int>(SendMessageW(drives.Handle(), CB_GETCOUNT, 0, 0));
    int z = -1;
    for (int i = 0; i < count; ++i) {
        wchar_t text[64] = L"";
        SendMessageW(drives.Handle(), CB_GETLBTEXT, static_cast<WPARAM>(i),
                     reinterpret_cast<LPARAM>(text));
        if (text[0] == L'z')
            z = i;
    }
    ASSERT_GE(z, 0);
    SendMessageW(drives.Handle(), CB_SETCURSEL, static_cast<WPARAM>(z), 0);
    SendMessageW(form.Handle(), WM_COMMAND,
                 MAKEWPARAM(GetDlgCtrlID(drives.Handle()), CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(drives.Handle()));
    EXPECT_EQ(drives.Drive(), 'z');
    EXPECT_TRUE(SameTextAscii(WideToAnsi(folders.Directory().substr(0, 2)), "Z:"));
    EXPECT_EQ(files.Directory(), folders.Directory());
    EXPECT_TRUE(Errors.empty());
}

TEST_F(Framework, EditKeepsItsEventsWhenSpinButtonsTakeItAsBuddy) {
    TBareForm form;
    TEdit edit;
    TUpDown spin;
    edit.Create(form, {.Left = 8, .Top = 8, .Width = 50, .Height = 20, .Caption = "0"});
    spin.Create(form, {.Left = 58, .Top = 8, .Width = 15, .Height = 20},
                {.Associate = &edit, .Min = 0, .Max = 1000});
    int changes = 0;
    edit.OnChange = [&](TObject&) { ++changes; };
    EXPECT_EQ(TControl::FromHandle(edit.Handle()), &edit);
    edit.SetText("5");
    EXPECT_GE(changes, 1);
}

TEST_F(Framework, AcceleratorsOfLabelsAndRadioGroupsMoveTheFocus) {
    TBareForm form;
    TButton button;
    TLabel label;
    TEdit edit;
    TRadioGroup group;
    button.Create(form, {.Left = 200, .Top = 8, .Width = 75, .Height = 25, .Caption = "&OK"});
    label.Create(form, {.Left = 8, .Top = 8, .Caption = "画像の表示間隔(&I)"});
    edit.Create(form, {.Left = 120, .Top = 8, .Width = 40, .Height = 20});
    group.Create(form, {.Left = 8, .Top = 40, .Width = 120, .Height = 60, .Caption = "単位(&U)"},
                 {"秒", "ミリ秒"});
    group.SetItemIndex(1);
    form.Show();
    button.SetFocus();
    auto altChar = [&](wchar_t c) {
        PostMessageW(GetFocus(), WM_SYSCHAR, c, (1L << 29) | 1);
        shelltest::Pump(30);
    };
    altChar(L'i');
    EXPECT_EQ(GetFocus(), edit.Handle());
    altChar(L'u');
    EXPECT_EQ(GetFocus(), group.ButtonHandle(1));
}

namespace {

struct ReportSeen {
    std::wstring Text;
    std::wstring Caption;
    HWND Owner = nullptr;
};
ReportSeen* Seen = nullptr;

BOOL CALLBACK FindStaticText(HWND h, LPARAM param) {
    wchar_t cls[32] = L"";
    GetClassNameW(h, cls, 32);
    wchar_t text[256] = L"";
    GetWindowTextW(h, text, 256);
    if (std::wstring(cls) == L"Static" && text[0] != 0)
        *reinterpret_cast<std::wstring*>(param) = text;
    return TRUE;
}

void CALLBACK CloseReport(HWND, UINT, UINT_PTR id, DWORD) {
    HWND box = FindWindowW(L"#32770", nullptr);
    if (box == nullptr || Seen == nullptr)
        return;
    KillTimer(nullptr, id);
    EnumChildWindows(box, FindStaticText, reinterpret_cast<LPARAM>(&Seen->Text));
    wchar_t caption[64] = L"";
    GetWindowTextW(box, caption, 64);
    Seen->Caption = caption;
    Seen->Owner = GetWindow(box, GW_OWNER);
    PostMessageW(box, WM_COMMAND, IDOK, 0);
}

} // namespace

TEST_F(Framework, StandardErrorReportIsAMessageBoxOwnedByTheActiveWindow) {
    Application().OnException = nullptr;
    ListForm f;
    f.Action.SetShortCut(TextToShortCut("Del"));
    f.Action.OnExecute = [](TObject&) { throw Exception("書き込めません"); };
    ReportSeen seen;
    Seen = &seen;
    const UINT_PTR timer = SetTimer(nullptr, 0, 20, CloseReport);
    PostKey(f.List.Handle(), VK_DELETE);
    PumpUntil([&] { return !seen.Text.empty(); });
    KillTimer(nullptr, timer);
    Seen = nullptr;
    EXPECT_EQ(WideToUtf8(seen.Text), "書き込めません");
    EXPECT_EQ(WideToUtf8(seen.Caption), Application().Title());
    EXPECT_EQ(seen.Owner, f.Form.Handle());
    // The loop goes on: the next key still reaches the list box.
    PostKey(f.List.Handle(), VK_DOWN);
    EXPECT_TRUE(PumpUntil([&] { return f.List.ItemIndex() == 1; }));
}

TEST_F(Framework, FileControlsTakeJapaneseNamesAndDoubleClicks) {
    shelltest::TScratchDir dir;
    const std::wstring landscape = L"\u98A8\u666F"; // 風景
    const std::wstring photo = L"\u5199\u771F.bmp"; // 写真.bmp
    // Outside code page 932: a wave dash (its best fit would be the full-width tilde) and an
    // emoji; "〜" sorts after every name of the code page.
    const std::wstring outside = L"\u301C\U0001F600.bmp";
    const std::wstring folder = AnsiToWide(dir.Path()) + L"\\" + landscape;
    CreateDirectoryW(folder.c_str(), nullptr);
    for (const std::wstring& name : {photo, outside})
        CloseHandle(CreateFileW((folder + L"\\" + name).c_str(), GENERIC_WRITE, 0, nullptr,
                                CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    SetCurrentDirectoryA(dir.Path().c_str());
    TBareForm form;
    TDirectoryListBox folders;
    TFileListBox files;
    folders.Create(form, {.Left = 0, .Top = 0, .Width = 185, .Height = 177});
    files.Create(form, {.Left = 190, .Top = 0, .Width = 100, .Height = 100});
    files.SetMask("*.bmp;");
    folders.SetFileList(&files);
    form.Show();
    const int index = folders.IndexOf(landscape);
    ASSERT_GE(index, 0);
    // A single click only highlights; a double click opens.
    RECT r{};
    SendMessageW(folders.Handle(), LB_GETITEMRECT, static_cast<WPARAM>(index),
                 reinterpret_cast<LPARAM>(&r));
    const LPARAM at = MAKELPARAM(r.left + 20, (r.top + r.bottom) / 2);
    SendMessageW(folders.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageW(folders.Handle(), WM_LBUTTONUP, 0, at);
    EXPECT_TRUE(SameTextAscii(WideToAnsi(folders.Directory()), dir.Path()));
    SendMessageW(folders.Handle(), WM_LBUTTONDBLCLK, MK_LBUTTON, at);
    SendMessageW(folders.Handle(), WM_LBUTTONUP, 0, at);
    EXPECT_EQ(folders.Directory(), folder);
    EXPECT_EQ(files.Items(), (std::vector<std::wstring>{photo, outside}));
    files.SetItemIndex(1);
    EXPECT_EQ(files.FileName(), folder + L"\\" + outside);
    EXPECT_EQ(GetFileAttributesW(files.FileName().c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);
}

namespace {

COLORREF PixelOf(TControl& c, int x, int y) {
    RedrawWindow(c.Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    HDC dc = GetDC(c.Handle());
    const COLORREF color = GetPixel(dc, x, y);
    ReleaseDC(c.Handle(), dc);
    return color;
}

} // namespace

TEST_F(Framework, PanelsAndImagesPaintTheirColoursAndPictures) {
    TBareForm form;
    TPanel panel;
    TImage image;
    TLabel label;
    panel.Create(form, {.Left = 10, .Top = 10, .Width = 60, .Height = 40, .Color = RGB(200, 0, 0)},
                 {.BevelInner = TBevelCut::Lowered, .BevelOuter = TBevelCut::Lowered});
    image.Create(form, {.Left = 100, .Top = 10, .Width = 40, .Height = 40}, {.Stretch = true});
    label.Create(form, {.Left = 10, .Top = 80, .Caption = "Tovane", .FontColor = RGB(255, 255, 0)},
                 {.Transparent = true});
    form.SetColor(RGB(0, 0, 80));
    form.Show();
    // Showing leaves the form's background to its first WM_PAINT, which must paint it.
    shelltest::Pump();
    HDC formDc = GetDC(form.Handle());
    EXPECT_EQ(GetPixel(formDc, 250, 200), RGB(0, 0, 80));
    ReleaseDC(form.Handle(), formDc);
    EXPECT_EQ(PixelOf(panel, 30, 20), RGB(200, 0, 0));
    // Lowered: the top-left edge is the shadow colour.
    EXPECT_EQ(PixelOf(panel, 0, 0), GetSysColor(COLOR_BTNSHADOW));
    panel.SetBevels(TBevelCut::Raised, TBevelCut::Raised);
    EXPECT_EQ(PixelOf(panel, 0, 0), GetSysColor(COLOR_BTNHIGHLIGHT));
    // An empty image and the label's background show the form's colour.
    EXPECT_EQ(PixelOf(image, 20, 20), RGB(0, 0, 80));
    EXPECT_EQ(PixelOf(label, 0, 0), RGB(0, 0, 80));
    // A 2 x 2 bitmap of four colours stretched over 40 x 40 covers the whole image, its rows
    // apart (smoothing may blend neighbouring pixels, so only differences are checked).
    shelltest::TScratchDir dir;
    image.Picture().LoadFromFile(dir.MakeBitmap("p.bmp"));
    const COLORREF top = PixelOf(image, 10, 5);
    const COLORREF bottom = PixelOf(image, 10, 35);
    EXPECT_NE(top, RGB(0, 0, 80));
    EXPECT_NE(bottom, RGB(0, 0, 80));
    EXPECT_NE(PixelOf(image, 38, 38), RGB(0, 0, 80));
    EXPECT_NE(top, bottom);
}

TEST_F(Framework, BevelStaysBelowTheControlsItSurrounds) {
    TBareForm form;
    TBevel bevel;
    TPanel inside;
    bevel.Create(form, {.Left = 8, .Top = 8, .Width = 200, .Height = 80});
    inside.Create(form, {.Left = 20, .Top = 20, .Width = 40, .Height = 20, .Color = RGB(0, 160, 0)},
                  {.BevelOuter = TBevelCut::None});
    form.SetColor(RGB(90, 0, 90));
    form.Show();
    EXPECT_EQ(PixelOf(inside, 10, 10), RGB(0, 160, 0));
    EXPECT_EQ(PixelOf(bevel, 150, 50), RGB(90, 0, 90));
}

TEST_F(Framework, TheApplicationWindowStandsForTheProgramInTheTaskBar) {
    auto text = [](HWND h) {
        wchar_t buffer[128] = L"";
        GetWindowTextW(h, buffer, 128);
        return WideToUtf8(buffer);
    };
    TBareForm main;
    TBareForm dialog(&main);
    const HWND app = Application().Handle();
    // Every top-level form is owned by the application window; forms with an owner keep it.
    EXPECT_EQ(GetWindow(main.Handle(), GW_OWNER), app);
    EXPECT_EQ(GetWindow(dialog.Handle(), GW_OWNER), main.Handle());
    // Only the application window asks for a task bar button, and it shows the title.
    EXPECT_EQ(GetWindowLongW(main.Handle(), GWL_EXSTYLE) & WS_EX_APPWINDOW, 0);
    EXPECT_EQ(GetWindowLongW(app, GWL_EXSTYLE) & WS_EX_TOOLWINDOW, 0);
    EXPECT_EQ(GetWindow(app, GW_OWNER), nullptr);
    EXPECT_EQ(text(app), "Tovane");
    main.SetCaption("Tovane - C:\\pics");
    EXPECT_EQ(text(app), "Tovane");
    Application().SetTitle("別名");
    EXPECT_EQ(text(app), "別名");
    Application().SetTitle("Tovane");

    Application().SetMainForm(&main);
    ShowWindow(app, SW_SHOWNOACTIVATE);
    main.Show();
    // Minimising the main form minimises the program: the form goes with the application
    // window instead of becoming an icon of its own.
    SendMessageW(main.Handle(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
    shelltest::Pump(50);
    EXPECT_TRUE(IsIconic(app));
    EXPECT_FALSE(IsIconic(main.Handle()));
    EXPECT_FALSE(IsWindowVisible(main.Handle()));
    Application().Restore();
    EXPECT_TRUE(PumpUntil([&] { return IsWindowVisible(main.Handle()) != FALSE; }));
    EXPECT_FALSE(IsIconic(app));
    // The same from the task bar's side: its button minimises and restores the program.
    SendMessageW(app, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    shelltest::Pump(50);
    EXPECT_TRUE(IsIconic(app));
    EXPECT_FALSE(IsWindowVisible(main.Handle()));
    SendMessageW(app, WM_SYSCOMMAND, SC_RESTORE, 0);
    EXPECT_TRUE(PumpUntil([&] { return IsWindowVisible(main.Handle()) != FALSE; }));
    EXPECT_FALSE(IsIconic(app));

    // Closing the program from the task bar closes the main form.
    int closes = 0;
    main.OnClose = [&](TObject&, TCloseAction& action) {
        ++closes;
        action = TCloseAction::None; // the test's loop goes on
    };
    SendMessageW(app, WM_SYSCOMMAND, SC_CLOSE, 0);
    SendMessageW(app, WM_CLOSE, 0, 0);
    EXPECT_EQ(closes, 2);
    ShowWindow(app, SW_HIDE);
    Application().SetMainForm(nullptr);
    EXPECT_TRUE(Errors.empty());
}
