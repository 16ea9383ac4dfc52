// The options dialog as a real window: filling from the record, writing back on OK, the
// interval field and its spin buttons, the colour panels and the colour dialog, the ways the
// dialog ends, and the tab order.
#include "dialogs/FormOptionU.h"
#include "dialogsSupport.h"

#include "framework/win32/Application.h"
#include "framework/win32/Text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tovane {
namespace {

using dialogstest::PressKey;
using dialogstest::Pump;
using dialogstest::RunSoon;

SlideShowSettings Record(std::int32_t interval, bool second, std::uint32_t fg, std::uint32_t bg,
                         bool sugu, std::uint8_t last, bool allDir, bool subDir) {
    return {interval, second, fg, bg, sugu, static_cast<LastActionKind>(last), allDir, subDir};
}

void ExpectSame(const SlideShowSettings& a, const SlideShowSettings& b) {
    EXPECT_EQ(a.Interval, b.Interval);
    EXPECT_EQ(a.bSecond, b.bSecond);
    EXPECT_EQ(a.FGColor, b.FGColor);
    EXPECT_EQ(a.BGColor, b.BGColor);
    EXPECT_EQ(a.SuguStart, b.SuguStart);
    EXPECT_EQ(static_cast<int>(a.LastAction), static_cast<int>(b.LastAction));
    EXPECT_EQ(a.bAllDir, b.bAllDir);
    EXPECT_EQ(a.bFindSubDir, b.bFindSubDir);
    EXPECT_EQ(a.ColorManage, b.ColorManage);
    EXPECT_EQ(a.Order, b.Order);
    EXPECT_EQ(a.Resume, b.Resume);
}

// Confirms the dialog as the OK button does.
void ConfirmOk(TFormOption& dialog) {
    dialog.ButtonOK.Click();
    EXPECT_EQ(dialog.ModalResult(), mrOk);
}

TEST(OptionDialog, FormDescription) {
    SlideShowSettings s = DefaultSlideShowSettings();
    TBuiltForm<TFormOption> dialog(nullptr, s);
    EXPECT_EQ(dialog.Caption(), "オプション");
    EXPECT_EQ(dialog.ClientWidth(), 358);
    EXPECT_EQ(dialog.ClientHeight(), 539);
    ASSERT_EQ(dialog.RadioGroupLast.ItemCount(), 4);
    ASSERT_EQ(dialog.RadioGroupTani.ItemCount(), 2);
    EXPECT_EQ(dialog.UpDownInterval.Min(), 0);
    EXPECT_EQ(dialog.UpDownInterval.Max(), 1000);
    EXPECT_EQ(dialog.PanelFGColor.BevelInner(), TBevelCut::Raised);
    EXPECT_EQ(dialog.PanelFGColor.BevelOuter(), TBevelCut::Raised);
    EXPECT_EQ(dialog.PanelBGColor.BevelInner(), TBevelCut::Raised);
    EXPECT_EQ(dialog.PanelBGColor.BevelOuter(), TBevelCut::Raised);
    EXPECT_EQ(dialog.ColorDialog1.Color(), 0x00FFFFFFu);
    for (COLORREF c : dialog.ColorDialog1.CustomColors())
        EXPECT_EQ(c, 0x00FFFFFFu);
    const char* const names[] = {"メイン画面に戻る", "最初の画像に戻って待機",
                                 "最後の画像のまま待機", "繰り返す"};
    for (int i = 0; i < 4; ++i) {
        wchar_t text[64] = {};
        GetWindowTextW(dialog.RadioGroupLast.ButtonHandle(i), text, 64);
        EXPECT_EQ(WideToUtf8(text), names[i]) << i;
    }
    const char* const orders[] = {"名前順", "自然順", "撮影日時順", "シャッフル"};
    ASSERT_EQ(dialog.RadioGroupOrder.ItemCount(), 4);
    for (int i = 0; i < 4; ++i) {
        wchar_t text[64] = {};
        GetWindowTextW(dialog.RadioGroupOrder.ButtonHandle(i), text, 64);
        EXPECT_EQ(WideToUtf8(text), orders[i]) << i;
    }
    EXPECT_EQ(dialog.CheckBoxResume.Caption(), "前回の続きから表示(&E)");
}

TEST(OptionDialog, ConfirmingWithoutChangesKeepsEverySetting) {
    const std::vector<SlideShowSettings> records = {
        DefaultSlideShowSettings(),
        Record(0, false, 0x00123456, 0x00FFEEDD, true, 0, true, false),
        Record(1000, true, 0, 0x00FFFFFF, false, 1, false, true),
        Record(537, false, 0x0000FF00, 0x00808080, true, 3, true, true),
        [] {
            SlideShowSettings r = DefaultSlideShowSettings();
            r.Order = 2;
            r.Resume = false;
            return r;
        }(),
        [] {
            SlideShowSettings r = DefaultSlideShowSettings();
            r.Order = 9; // of a later version: no choice shown, kept
            return r;
        }(),
    };
    for (const SlideShowSettings& before : records) {
        SlideShowSettings s = before;
        TBuiltForm<TFormOption> dialog(nullptr, s);
        ConfirmOk(dialog);
        ExpectSame(s, before);
    }
}

TEST(OptionDialog, ControlsShowTheRecord) {
    SlideShowSettings s = Record(1000, false, 0x000000FF, 0x00FF0000, true, 1, true, false);
    TBuiltForm<TFormOption> dialog(nullptr, s);
    EXPECT_EQ(dialog.EditInterval.Text(), "1,000");
    EXPECT_EQ(dialog.RadioGroupTani.ItemIndex(), 1);
    EXPECT_EQ(dialog.PanelFGColor.Color(), 0x000000FFu);
    EXPECT_EQ(dialog.PanelBGColor.Color(), 0x00FF0000u);
    EXPECT_TRUE(dialog.CheckBoxSlideShow.Checked());
    EXPECT_TRUE(dialog.CheckBoxAllDir.Checked());
    EXPECT_EQ(dialog.RadioGroupLast.ItemIndex(), 1);
    EXPECT_FALSE(dialog.CheckBoxFindSubDir.Checked());
}

TEST(OptionDialog, LastActionAboveThreeSelectsTheLastChoiceAndComesBackAsThree) {
    for (std::uint8_t last : {4, 7, 255}) {
        SlideShowSettings s = DefaultSlideShowSettings();
        s.LastAction = static_cast<LastActionKind>(last);
        TBuiltForm<TFormOption> dialog(nullptr, s);
        EXPECT_EQ(dialog.RadioGroupLast.ItemIndex(), 3);
        ConfirmOk(dialog);
        EXPECT_EQ(static_cast<int>(s.LastAction), 3) << int(last);
    }
}

TEST(OptionDialog, SwitchingSecondsToMillisecondsKeepsTheNumber) {
    SlideShowSettings s = DefaultSlideShowSettings();
    s.Interval = 10;
    s.bSecond = true;
    TBuiltForm<TFormOption> dialog(nullptr, s);
    dialog.Show();
    SendMessageW(dialog.RadioGroupTani.ButtonHandle(1), BM_CLICK, 0, 0);
    Pump();
    ConfirmOk(dialog);
    EXPECT_EQ(s.Interval, 10);
    EXPECT_FALSE(s.bSecond);
}

TEST(OptionDialog, EveryChangedControlIsWrittenOnOk) {
    SlideShowSettings s = DefaultSlideShowSettings();
    TBuiltForm<TFormOption> dialog(nullptr, s);
    dialog.Show();
    dialog.EditInterval.SetText("250");
    SendMessageW(dialog.RadioGroupTani.ButtonHandle(1), BM_CLICK, 0, 0);
    dialog.PanelFGColor.SetColor(0x00010203);
    dialog.PanelBGColor.SetColor(0x00040506);
    SendMessageW(dialog.CheckBoxSlideShow.Handle(), BM_CLICK, 0, 0);
    SendMessageW(dialog.CheckBoxAllDir.Handle(), BM_CLICK, 0, 0);
    SendMessageW(dialog.CheckBoxFindSubDir.Handle(), BM_CLICK, 0, 0);
    SendMessageW(dialog.RadioGroupLast.ButtonHandle(0), BM_CLICK, 0, 0);
    EXPECT_TRUE(dialog.CheckBoxColorManage.Checked());
    SendMessageW(dialog.CheckBoxColorManage.Handle(), BM_CLICK, 0, 0);
    SendMessageW(dialog.RadioGroupOrder.ButtonHandle(1), BM_CLICK, 0, 0);
    SendMessageW(dialog.CheckBoxResume.Handle(), BM_CLICK, 0, 0);
    Pump();
    ConfirmOk(dialog);
    SlideShowSettings expected = Record(250, false, 0x00010203, 0x00040506, true, 0, true, false);
    expected.ColorManage = false;
    expected.Order = 1;
    expected.Resume = false;
    ExpectSame(s, expected);
}

TEST(OptionDialog, UpAndDownKeysStepWithinTheRangeWithoutWrapping) {
    SlideShowSettings s = DefaultSlideShowSettings();
    s.Interval = 999;
    TBuiltForm<TFormOption> dialog(nullptr, s);
    dialog.Show();
    dialog.EditInterval.SetFocus();
    PressKey(VK_UP);
    EXPECT_EQ(dialog.EditInterval.Text(), "1,000");
    PressKey(VK_UP);
    EXPECT_EQ(dialog.EditInterval.Text(), "1,000");
    EXPECT_EQ(dialog.UpDownInterval.Position(), 1000);

    dialog.UpDownInterval.SetPosition(1);
    PressKey(VK_DOWN);
    EXPECT_EQ(dialog.EditInterval.Text(), "0");
    PressKey(VK_DOWN);
    EXPECT_EQ(dialog.EditInterval.Text(), "0");
    ConfirmOk(dialog);
    EXPECT_EQ(s.Interval, 0);
}

TEST(OptionDialog, SpinButtonsStepWithinTheRangeWithoutWrapping) {
    SlideShowSettings s = DefaultSlideShowSettings();
    s.Interval = 999;
    TBuiltForm<TFormOption> dialog(nullptr, s);
    dialog.Show();
    Pump();
    const HWND spin = dialog.UpDownInterval.Handle();
    const int w = dialog.UpDownInterval.Width();
    const int h = dialog.UpDownInterval.Height();
    auto click = [&](bool up) {
        const LPARAM at = MAKELPARAM(w / 2, up ? 2 : h - 3);
        SendMessageW(spin, WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageW(spin, WM_LBUTTONUP, 0, at);
        Pump();
    };
    click(true);
    EXPECT_EQ(dialog.EditInterval.Text(), "1,000");
    click(true);
    EXPECT_EQ(dialog.EditInterval.Text(), "1,000");
    dialog.UpDownInterval.SetPosition(1);
    click(false);
    EXPECT_EQ(dialog.EditInterval.Text(), "0");
    click(false);
    EXPECT_EQ(dialog.EditInterval.Text(), "0");
}

TEST(OptionDialog, StoredIntervalOutsideTheRangeShowsAndStoresTheNearerEnd) {
    const std::pair<std::int32_t, std::int32_t> cases[] = {
        {5000, 1000}, {-3, 0}, {65541, 1000}, {70000, 1000}};
    for (const auto& [stored, shown] : cases) {
        SlideShowSettings s = DefaultSlideShowSettings();
        s.Interval = stored;
        TBuiltForm<TFormOption> dialog(nullptr, s);
        EXPECT_EQ(dialog.UpDownInterval.Position(), shown) << stored;
        ConfirmOk(dialog);
        EXPECT_EQ(s.Interval, shown) << stored;
    }
}

TEST(OptionDialog, TypedTextCountsOnlyWhenAWholeNumberInTheRange) {
    const std::pair<const char*, std::int32_t> cases[] = {{"500", 500}, {"1,000", 1000}, {"0", 0},
                                                          {"abc", 10},  {"2000", 10},    {"-1", 10},
                                                          {"12.5", 10}, {"1001", 10}};
    for (const auto& [typed, expected] : cases) {
        SlideShowSettings s = DefaultSlideShowSettings();
        s.Interval = 10;
        TBuiltForm<TFormOption> dialog(nullptr, s);
        dialog.EditInterval.SetText(typed);
        ConfirmOk(dialog);
        EXPECT_EQ(s.Interval, expected) << typed;
    }
}

TEST(OptionDialog, FieldShowsThePositionThatStandsWhenItLosesTheFocus) {
    SlideShowSettings s = DefaultSlideShowSettings();
    s.Interval = 42;
    TBuiltForm<TFormOption> dialog(nullptr, s);
    dialog.Show();
    dialog.EditInterval.SetFocus();
    dialog.EditInterval.SetText("4x");
    dialog.CheckBoxAllDir.SetFocus();
    Pump();
    EXPECT_EQ(dialog.EditInterval.Text(), "42");
    dialog.EditInterval.SetFocus();
    dialog.EditInterval.SetText("1000");
    dialog.CheckBoxAllDir.SetFocus();
    Pump();
    EXPECT_EQ(dialog.EditInterval.Text(), "1,000");
}

TEST(OptionDialog, TabOrder) {
    SlideShowSettings s = DefaultSlideShowSettings();
    TBuiltForm<TFormOption> dialog(nullptr, s);
    dialog.Show();
    Pump();
    dialog.ButtonOK.SetFocus();
    // A radio group's focus is on one of its buttons.
    auto focusedControl = [&]() -> HWND {
        HWND f = GetFocus();
        for (TRadioGroup* g :
             {&dialog.RadioGroupTani, &dialog.RadioGroupLast, &dialog.RadioGroupOrder})
            if (f != nullptr && GetParent(f) == g->Handle())
                return g->Handle();
        return f;
    };
    const std::vector<std::pair<HWND, const char*>> order = {
        {dialog.Button2.Handle(), "Button2"},
        {dialog.CheckBoxFindSubDir.Handle(), "CheckBoxFindSubDir"},
        {dialog.EditInterval.Handle(), "EditInterval"},
        {dialog.RadioGroupTani.Handle(), "RadioGroupTani"},
        {dialog.CheckBoxSlideShow.Handle(), "CheckBoxSlideShow"},
        {dialog.RadioGroupLast.Handle(), "RadioGroupLast"},
        {dialog.CheckBoxAllDir.Handle(), "CheckBoxAllDir"},
        {dialog.RadioGroupOrder.Handle(), "RadioGroupOrder"},
        {dialog.CheckBoxResume.Handle(), "CheckBoxResume"},
        {dialog.CheckBoxColorManage.Handle(), "CheckBoxColorManage"},
        {dialog.ButtonOK.Handle(), "ButtonOK"},
    };
    for (const auto& [expected, name] : order) {
        PressKey(VK_TAB);
        EXPECT_EQ(focusedControl(), expected) << name;
    }
}

TEST(OptionDialog, ArrowKeysMoveTheChoiceWithinARadioGroup) {
    SlideShowSettings s = DefaultSlideShowSettings();
    s.bSecond = true;
    s.LastAction = laFirstAndWait;
    TBuiltForm<TFormOption> dialog(nullptr, s);
    dialog.Show();
    Pump();
    ::SetFocus(dialog.RadioGroupTani.ButtonHandle(0));
    PressKey(VK_DOWN);
    EXPECT_EQ(dialog.RadioGroupTani.ItemIndex(), 1);
    ::SetFocus(dialog.RadioGroupLast.ButtonHandle(1));
    PressKey(VK_DOWN);
    PressKey(VK_DOWN);
    EXPECT_EQ(dialog.RadioGroupLast.ItemIndex(), 3);
    PressKey(VK_UP);
    EXPECT_EQ(dialog.RadioGroupLast.ItemIndex(), 2);
    ConfirmOk(dialog);
    EXPECT_FALSE(s.bSecond);
    EXPECT_EQ(static_cast<int>(s.LastAction), 2);
}

void PressAlt(char letter) {
    PostMessageW(GetFocus(), WM_SYSCHAR, static_cast<WPARAM>(letter), 1 | (1 << 29));
    Pump();
}

TEST(OptionDialog, AcceleratorsFocusTheIntervalFieldRadioGroupsAndCheckBoxes) {
    SlideShowSettings s = DefaultSlideShowSettings();
    s.bSecond = false;
    s.LastAction = laFirstAndWait;
    TBuiltForm<TFormOption> dialog(nullptr, s);
    dialog.Show();
    Pump();
    dialog.ButtonOK.SetFocus();
    PressAlt('i');
    EXPECT_EQ(GetFocus(), dialog.EditInterval.Handle());
    PressAlt('u');
    EXPECT_EQ(GetFocus(), dialog.RadioGroupTani.ButtonHandle(1));
    PressAlt('l');
    EXPECT_EQ(GetFocus(), dialog.RadioGroupLast.ButtonHandle(1));
    PressAlt('r'); // a check box's accelerator focuses and toggles it
    EXPECT_EQ(GetFocus(), dialog.CheckBoxFindSubDir.Handle());
    EXPECT_FALSE(dialog.CheckBoxFindSubDir.Checked());
    // Moving the focus by accelerator changes no radio choice.
    EXPECT_EQ(dialog.RadioGroupTani.ItemIndex(), 1);
    EXPECT_EQ(dialog.RadioGroupLast.ItemIndex(), 1);
}

// How a modal run ends, and what it leaves in the record.
struct EndCase {
    const char* Name;
    std::function<void(TFormOption&)> End;
    int Result;
};

TEST(OptionDialog, EnterConfirmsAndEscCloseBoxAndCancelLeaveTheRecord) {
    const std::vector<EndCase> cases = {
        {"Enter", [](TFormOption&) { PressKey(VK_RETURN); }, mrOk},
        {"Esc", [](TFormOption&) { PressKey(VK_ESCAPE); }, mrCancel},
        {"close box", [](TFormOption& d) { SendMessageW(d.Handle(), WM_SYSCOMMAND, SC_CLOSE, 0); },
         mrCancel},
        {"Cancel button", [](TFormOption& d) { SendMessageW(d.Button2.Handle(), BM_CLICK, 0, 0); },
         mrCancel},
    };
    for (const EndCase& c : cases) {
        const SlideShowSettings before = DefaultSlideShowSettings();
        SlideShowSettings s = before;
        TBuiltForm<TFormOption> dialog(nullptr, s);
        RunSoon([&] {
            SendMessageW(dialog.CheckBoxAllDir.Handle(), BM_CLICK, 0, 0);
            dialog.PanelBGColor.SetColor(0x00345678);
            dialog.ButtonOK.SetFocus();
            c.End(dialog);
            // Should the key not end the run, end it here so the test goes on.
            RunSoon([&] { dialog.SetModalResult(-1); }, 2000);
        });
        const int result = dialog.ShowModal();
        EXPECT_EQ(result, c.Result) << c.Name;
        if (c.Result == mrOk) {
            EXPECT_TRUE(s.bAllDir) << c.Name;
            EXPECT_EQ(s.BGColor, 0x00345678u) << c.Name;
        } else {
            ExpectSame(s, before);
        }
        Pump(2100); // lets the fallback timer of this case pass while the dialog lives
    }
}

// Presses and releases a colour panel with a mouse button; onDialog runs while the colour
// dialog is open (its window, or nullptr if none opened) and must close it.
// Calls onDialog with the colour dialog once it is open (a busy machine takes its time), or
// with null after `tries` looks 50 ms apart.
void WhenColorDialogOpens(HWND owner, const std::function<void(HWND)>& onDialog, int tries) {
    RunSoon(
        [owner, onDialog, tries] {
            const HWND found = dialogstest::FindColorDialog(owner);
            if (found != nullptr || tries <= 1)
                onDialog(found);
            else
                WhenColorDialogOpens(owner, onDialog, tries - 1);
        },
        50);
}

void ClickPanel(TFormOption& dialog, TPanel& panel, UINT down, UINT up, WPARAM keys,
                const std::function<void(HWND)>& onDialog, bool& loweredWhilePressed) {
    SendMessageW(panel.Handle(), down, keys, MAKELPARAM(5, 5));
    loweredWhilePressed =
        panel.BevelInner() == TBevelCut::Lowered && panel.BevelOuter() == TBevelCut::Lowered;
    WhenColorDialogOpens(dialog.Handle(), onDialog, 200);
    SendMessageW(panel.Handle(), up, 0, MAKELPARAM(5, 5));
}

// For ClickPanel: notes whether the colour dialog opened, and in it chooses the colour and
// confirms.
std::function<void(HWND)> ChooseColour(bool& opened, int r, int g, int b) {
    return [&opened, r, g, b](HWND cd) {
        opened = cd != nullptr;
        if (cd) {
            dialogstest::SetColorDialogRgb(cd, r, g, b);
            PostMessageW(cd, WM_COMMAND, IDOK, 0);
        }
    };
}

TEST(OptionDialog, ColourPanelOpensTheColourDialogWithAnyButton) {
    SlideShowSettings s = DefaultSlideShowSettings();
    s.FGColor = 0x00FFFFFF;
    s.BGColor = 0x00336699;
    const SlideShowSettings before = s;
    TBuiltForm<TFormOption> dialog(nullptr, s);
    dialog.Show();
    Pump();

    bool lowered = false;
    bool opened = false;
    // Left button, then Cancel in the colour dialog: the panel keeps its colour.
    ClickPanel(
        dialog, dialog.PanelBGColor, WM_LBUTTONDOWN, WM_LBUTTONUP, MK_LBUTTON,
        [&](HWND cd) {
            opened = cd != nullptr;
            if (cd) {
                // The dialog starts at the panel's colour.
                EXPECT_EQ(GetDlgItemInt(cd, 706, nullptr, FALSE), 0x99u);
                EXPECT_EQ(GetDlgItemInt(cd, 707, nullptr, FALSE), 0x66u);
                EXPECT_EQ(GetDlgItemInt(cd, 708, nullptr, FALSE), 0x33u);
                PostMessageW(cd, WM_COMMAND, IDCANCEL, 0);
            }
        },
        lowered);
    EXPECT_TRUE(lowered);
    EXPECT_TRUE(opened);
    EXPECT_EQ(dialog.PanelBGColor.Color(), 0x00336699u);
    EXPECT_EQ(dialog.PanelBGColor.BevelInner(), TBevelCut::Raised);
    EXPECT_EQ(dialog.PanelBGColor.BevelOuter(), TBevelCut::Raised);

    // Right button, a colour chosen and confirmed: the panel takes it.
    opened = false;
    ClickPanel(dialog, dialog.PanelBGColor, WM_RBUTTONDOWN, WM_RBUTTONUP, MK_RBUTTON,
               ChooseColour(opened, 255, 0, 0), lowered);
    EXPECT_TRUE(lowered);
    EXPECT_TRUE(opened);
    EXPECT_EQ(dialog.PanelBGColor.Color(), 0x000000FFu);

    // Middle button on the other panel: the dialog opens too.
    opened = false;
    ClickPanel(dialog, dialog.PanelFGColor, WM_MBUTTONDOWN, WM_MBUTTONUP, MK_MBUTTON,
               ChooseColour(opened, 0, 128, 0), lowered);
    EXPECT_TRUE(opened);
    EXPECT_EQ(dialog.PanelFGColor.Color(), 0x00008000u);
    EXPECT_EQ(dialog.PanelBGColor.Color(), 0x000000FFu);

    // Nothing reaches the record until OK; Cancel leaves it as it was.
    ExpectSame(s, before);
    SendMessageW(dialog.Button2.Handle(), BM_CLICK, 0, 0);
    EXPECT_EQ(dialog.ModalResult(), mrCancel);
    ExpectSame(s, before);
}

TEST(OptionDialog, ColourChosenThenOkWritesIt) {
    SlideShowSettings s = DefaultSlideShowSettings();
    TBuiltForm<TFormOption> dialog(nullptr, s);
    dialog.Show();
    Pump();
    bool lowered = false;
    bool opened = false;
    ClickPanel(dialog, dialog.PanelFGColor, WM_LBUTTONDOWN, WM_LBUTTONUP, MK_LBUTTON,
               ChooseColour(opened, 0, 0, 255), lowered);
    ConfirmOk(dialog);
    EXPECT_EQ(s.FGColor, 0x00FF0000u);
}

} // namespace
} // namespace tovane
