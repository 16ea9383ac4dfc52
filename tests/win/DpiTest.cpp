// Forms at 144 DPI (150 %). Wine takes the DPI from the registry value LogPixels when a
// process starts, so the test sets it, runs this program once more as a child (the
// HighDpiChild tests) and puts the value back. The child puts it back too, as soon as it has
// read its DPI: the other test programs of the prefix never see it, even if this one is killed.
#include "dialogs/FormOptionU.h"
#include "framework/BitmapFile.h"
#include "framework/win32/Application.h"
#include "framework/win32/ComCtrls.h"
#include "framework/win32/Dpi.h"
#include "framework/win32/Forms.h"
#include "framework/win32/StdCtrls.h"
#include "framework/win32/Text.h"
#include "slideshow/FormSlideShowU.h"
#include "tests/win/Harness.h"

#include <commctrl.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

using namespace tovane;

namespace {

constexpr const wchar_t* kDesktopKey = L"Control Panel\\Desktop";
constexpr const char* kChildVariable = "TOVANE_DPI_CHILD";
// The value to put back: a number, or "none" when there was no value.
constexpr const char* kRestoreVariable = "TOVANE_DPI_RESTORE";

std::string SavedLogPixels() {
    DWORD value = 0, size = sizeof value, type = 0;
    if (RegGetValueW(HKEY_CURRENT_USER, kDesktopKey, L"LogPixels", RRF_RT_REG_DWORD, &type, &value,
                     &size) != ERROR_SUCCESS)
        return "none";
    return std::to_string(value);
}

void SetLogPixels(const std::string& saved) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kDesktopKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return;
    if (saved == "none") {
        RegDeleteValueW(key, L"LogPixels");
    } else {
        const DWORD value = static_cast<DWORD>(std::stoul(saved));
        RegSetValueExW(key, L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                       sizeof value);
    }
    RegCloseKey(key);
}

struct RestoreLogPixels {
    std::string Saved;
    ~RestoreLogPixels() { SetLogPixels(Saved); }
};

bool InChild() {
    return std::getenv(kChildVariable) != nullptr;
}

int FontHeightOf(HWND control) {
    auto font = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
    LOGFONTW lf{};
    if (font == nullptr || GetObjectW(font, sizeof lf, &lf) == 0)
        return 0;
    return lf.lfHeight;
}

RECT WindowRect(HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    return r;
}

// A form like the main window: a list of fixed item height over a status bar of panels, and a
// label anchored to the right edge.
class TTestFormDescription : public TForm {
public:
    TStatusBar Status;
    TListBox List;
    TLabel Right;

private:
    void LoadForm() override {
        CreateForm({.Caption = "dpi", .ClientWidth = 400, .ClientHeight = 300});
        Status.Create(*this, {}, {90, 60, 50});
        List.Create(*this, {.Align = TAlign::Client}, {.ItemHeight = 12});
        Right.Create(*this,
                     {.Left = 300,
                      .Top = 8,
                      .Width = 60,
                      .Height = 16,
                      .Anchors = akTop | akRight,
                      .Caption = "right"},
                     {.AutoSize = false});
        List.Add(L"C:\\");
    }
};
using TTestForm = TBuiltForm<TTestFormDescription>;

std::vector<int> PanelEdges(const TStatusBar& status) {
    int edges[8] = {};
    const auto n = SendMessageW(status.Handle(), SB_GETPARTS, 8, reinterpret_cast<LPARAM>(edges));
    return std::vector<int>(edges, edges + n);
}

// One folder holding one small bitmap.
class OnePictureSource : public TSlideShowSource {
public:
    OnePictureSource() {
        harness::WriteWholeFile(FScratch.Sub("p.bmp"), WriteBitmapFile(TDib::Create(5, 7, 24)));
    }
    int FolderCount() override { return 1; }
    std::wstring Folder(int) override { return AnsiToWide(FScratch.Path()); }
    int CurrentFolder() override { return 0; }
    void SetCurrentFolder(int) override {}
    SlideShowSettings Settings() override { return DefaultSlideShowSettings(); }
    std::vector<std::string> ImageExtensions() override { return {"bmp"}; }

private:
    harness::ScratchFolder FScratch{"dpi"};
};

} // namespace

// The parent: LogPixels = 144 for the child's start only.
TEST(HighDpi, FormsAt144DpiInAChildProcess) {
    if (InChild())
        GTEST_SKIP() << "this is the child";
    RestoreLogPixels restore{SavedLogPixels()};
    SetLogPixels("144");
    wchar_t program[MAX_PATH];
    GetModuleFileNameW(nullptr, program, MAX_PATH);
    std::wstring command = L"\"" + std::wstring(program) + L"\" --gtest_filter=HighDpiChild.*";
    SetEnvironmentVariableA(kChildVariable, "1");
    SetEnvironmentVariableA(kRestoreVariable, restore.Saved.c_str());
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    const BOOL started = CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                        nullptr, &si, &pi);
    SetEnvironmentVariableA(kChildVariable, nullptr);
    SetEnvironmentVariableA(kRestoreVariable, nullptr);
    ASSERT_TRUE(started) << GetLastError();
    const bool ended = WaitForSingleObject(pi.hProcess, 120000) == WAIT_OBJECT_0;
    if (!ended)
        TerminateProcess(pi.hProcess, 1);
    EXPECT_TRUE(ended) << "the child hung";
    DWORD code = 1;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    EXPECT_EQ(code, 0u) << "the tests at 144 DPI failed (their output is above)";
    EXPECT_EQ(SavedLogPixels(), restore.Saved) << "the child did not put LogPixels back";
}

class HighDpiChild : public testing::Test {
protected:
    static void SetUpTestSuite() {
        if (!InChild())
            return;
        DeclarePerMonitorDpiAwareness();
        Dpi = SystemDpi(); // read now: the value goes back at once
        if (const char* saved = std::getenv(kRestoreVariable))
            SetLogPixels(saved);
    }

    void SetUp() override {
        if (!InChild())
            GTEST_SKIP() << "runs in the child of HighDpi.FormsAt144DpiInAChildProcess";
        ASSERT_EQ(Dpi, 144) << "LogPixels did not reach the program";
    }

    static inline int Dpi = 0;
};

TEST_F(HighDpiChild, DialogSizesAndFontsAreOneAndAHalfTimesTheDesign) {
    SlideShowSettings settings = DefaultSlideShowSettings();
    TBuiltForm<TFormOption> form(nullptr, settings);
    EXPECT_EQ(form.Dpi(), 144);
    EXPECT_EQ(form.ClientWidth(), 537);  // 358
    EXPECT_EQ(form.ClientHeight(), 809); // 539: 808.5 rounds up
    EXPECT_EQ(form.ButtonOK.Left(), 408);
    EXPECT_EQ(form.ButtonOK.Top(), 12);
    EXPECT_EQ(form.ButtonOK.Width(), 113); // 75
    EXPECT_EQ(form.ButtonOK.Height(), 38); // 25
    // Inside a group box: positions relative to it.
    EXPECT_EQ(form.CheckBoxFindSubDir.Left(), 24);
    EXPECT_EQ(form.CheckBoxFindSubDir.Top(), 36);
    EXPECT_EQ(form.RadioGroupLast.Height(), 170); // 113: 169.5
    // Fonts: 12 pixels at 96 DPI are 18 at 144, inherited or given.
    EXPECT_EQ(FontHeightOf(form.ButtonOK.Handle()), -18);
    EXPECT_EQ(FontHeightOf(form.RadioGroupLast.ButtonHandle(0)), -18);
    // The label measures itself in its font: taller than the 12-pixel text could be.
    EXPECT_GE(form.Label1.Height(), 18);
}

TEST_F(HighDpiChild, ListStatusBarAndAnchorsScaleAndFollowADpiChange) {
    TTestForm form;
    EXPECT_EQ(form.ClientWidth(), 600);
    EXPECT_EQ(form.ClientHeight(), 450);
    EXPECT_EQ(SendMessageW(form.List.Handle(), LB_GETITEMHEIGHT, 0, 0), 18);
    EXPECT_EQ(PanelEdges(form.Status), (std::vector<int>{135, 225, -1}));
    EXPECT_EQ(form.Right.Left(), 450);
    EXPECT_EQ(form.ClientWidth() - (form.Right.Left() + form.Right.Width()), 60); // 40 at 96

    // Onto a monitor at 200 %: the suggested rectangle, and every size again from the design.
    const RECT before = WindowRect(form.Handle());
    RECT suggested{before.left + 10, before.top + 10,
                   before.left + 10 + (before.right - before.left) * 4 / 3,
                   before.top + 10 + (before.bottom - before.top) * 4 / 3};
    SendMessageW(form.Handle(), WM_DPICHANGED, MAKEWPARAM(192, 192),
                 reinterpret_cast<LPARAM>(&suggested));
    EXPECT_EQ(form.Dpi(), 192);
    const RECT after = WindowRect(form.Handle());
    EXPECT_TRUE(EqualRect(&after, &suggested));
    EXPECT_EQ(SendMessageW(form.List.Handle(), LB_GETITEMHEIGHT, 0, 0), 24);
    EXPECT_EQ(FontHeightOf(form.List.Handle()), -24);
    EXPECT_EQ(PanelEdges(form.Status), (std::vector<int>{180, 300, -1}));
    // The list fills what the status bar leaves; the label keeps its scaled distance to the
    // right edge (80 at 192 DPI).
    EXPECT_EQ(form.List.Width(), form.ClientWidth());
    EXPECT_EQ(form.List.Top(), 0);
    EXPECT_EQ(form.List.Height(), form.Status.Top());
    EXPECT_EQ(form.ClientWidth() - (form.Right.Left() + form.Right.Width()), 80);
    EXPECT_EQ(form.Right.Top(), 16);
}

TEST_F(HighDpiChild, SlideShowCoversTheMainWindowsMonitorWithScaledLabels) {
    TTestForm main;
    Application().SetMainForm(&main);
    std::vector<std::string> errors;
    Application().OnException = [&](const std::string& m) { errors.push_back(m); };
    struct Unset {
        ~Unset() {
            Application().SetMainForm(nullptr);
            Application().OnException = nullptr;
        }
    } unset;
    main.Show();
    auto source = std::make_unique<OnePictureSource>();
    const std::wstring folder = source->Folder(0);
    auto slideShow = std::make_unique<TBuiltForm<TFormSlideShow>>(std::move(source));
    slideShow->SetPlace(folder);
    slideShow->Show();
    Application().ProcessMessages();
    EXPECT_TRUE(errors.empty()) << errors.front();
    const RECT monitor = MonitorRectOf(main.Handle());
    const RECT covered = WindowRect(slideShow->Handle());
    EXPECT_TRUE(EqualRect(&covered, &monitor))
        << covered.left << "," << covered.top << " " << covered.right << "," << covered.bottom;
    EXPECT_EQ(slideShow->LabelFile.Top(), 24); // 16
    EXPECT_EQ(slideShow->LabelIndex.Top(), 48);
    EXPECT_EQ(FontHeightOf(slideShow->LabelPath.Handle()), -18);
    EXPECT_EQ(FontHeightOf(slideShow->LabelSSState.Handle()), -18);
    // The right-hand column keeps its left edge 131 design pixels from the right edge.
    EXPECT_NEAR(slideShow->ClientWidth() - slideShow->LabelSSState.Left(), 197, 1);
    slideShow->Close();
    slideShow.reset();
}
