// The about box as a real window: the list of plug-ins, its columns and style, the size
// limit and the list following the window.
#include "dialogs/FormAboutBoxU.h"
#include "dialogsSupport.h"

#include "framework/win32/Application.h"
#include "framework/win32/Text.h"
#include "plugins/SPIs.h"

#include "TovaneVersion.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace tovane {
namespace {

using dialogstest::Pump;
using dialogstest::RunSoon;

std::string TestPlugin(const std::string& name) {
    return dialogstest::ProgramFolder() + "testplugins\\" + name + "\\" + name +
           (DefaultSPIMask + 1);
}

// A collection holding exactly the named test plug-ins, in order (no automatic search).
std::unique_ptr<TSPIs> CollectionOf(const std::vector<std::string>& names) {
    auto spis = std::make_unique<TSPIs>();
    spis->AutoSearch = false;
    for (const std::string& n : names) {
        auto spi = LoadPlugin(TestPlugin(n));
        EXPECT_NE(spi, nullptr) << n;
        if (spi)
            spis->Add(std::move(spi));
    }
    return spis;
}

// A key for the box: to its focused control, or to the box itself while the focus has not
// reached it yet (a busy machine), so that the modal loop always sees it.
void PressInBox(HWND box, UINT vk) {
    const HWND focus = GetFocus();
    const HWND target = focus != nullptr && (focus == box || IsChild(box, focus)) ? focus : box;
    PostMessageW(target, WM_KEYDOWN, vk, 1);
    PostMessageW(target, WM_KEYUP, vk, 0xC0000001);
}

TEST(AboutBox, WithoutPluginsTheListIsEmptyAndTheBoxOpensAndCloses) {
    ASSERT_EQ(TSPIs::Instance(), nullptr);
    TBuiltForm<TFormAboutBox> box(nullptr);
    EXPECT_EQ(box.ListView1.Count(), 0);
    bool wasVisible = false;
    RunSoon([&] {
        wasVisible = IsWindowVisible(box.Handle()) != FALSE;
        PressInBox(box.Handle(), VK_RETURN); // OK is the default button
    });
    EXPECT_EQ(box.ShowModal(), mrOk);
    EXPECT_TRUE(wasVisible);
    // Esc closes it too, as it closes the system's boxes with only OK; the box opens as a
    // dialog, so that a window manager gives it the keyboard focus.
    LONG_PTR exStyle = 0;
    RunSoon([&] {
        exStyle = GetWindowLongPtrW(box.Handle(), GWL_EXSTYLE);
        PressInBox(box.Handle(), VK_ESCAPE);
    });
    EXPECT_EQ(box.ShowModal(), mrCancel);
    EXPECT_NE(exStyle & WS_EX_DLGMODALFRAME, 0);
}

TEST(AboutBox, OneRowPerFilterEntryWithNameAndInformationInThePluginsFirstRow) {
    auto spis = CollectionOf({"dialogs_none", "dialogs_three"});
    ASSERT_EQ(spis->Count(), 2);
    TBuiltForm<TFormAboutBox> box(nullptr);
    ASSERT_EQ(box.ListView1.Count(), 3);
    EXPECT_EQ(box.ListView1.Text(0, 0), std::string("dialogs_three") + (DefaultSPIMask + 1));
    EXPECT_EQ(box.ListView1.Text(0, 1), "*.tha;*.thb");
    EXPECT_EQ(box.ListView1.Text(0, 2), "Three A");
    EXPECT_EQ(box.ListView1.Text(0, 3), "Three entries test plug-in");
    EXPECT_EQ(box.ListView1.Text(1, 1), "*.thc");
    EXPECT_EQ(box.ListView1.Text(1, 2), "Three C");
    EXPECT_EQ(box.ListView1.Text(2, 1), "*.thd");
    EXPECT_EQ(box.ListView1.Text(2, 2), "Three D");
    for (int row = 1; row < 3; ++row) {
        EXPECT_EQ(box.ListView1.Text(row, 0), "") << row;
        EXPECT_EQ(box.ListView1.Text(row, 3), "") << row;
    }
}

#if defined(_WIN64)
// A 32-bit module, loaded in its host (here one that only holds the description), is marked in
// its first row; a 64-bit one beside it is not.
TEST(AboutBox, AThirtyTwoBitModuleIsMarked) {
    struct TDescribedOnly final : TSPIIsolation {
        std::string Preflight(const std::string&) override { return std::string(); }
    } host;
    auto spis = CollectionOf({"dialogs_none"});
    spis->Add(TSPI::CreateHosted(
        SPIDescription{"C:\\plug\\old.spi", "00IN", "old", {"*.o1", "*.o2"}, {"O1", "O2"}, 32},
        host));
    TBuiltForm<TFormAboutBox> box(nullptr);
    ASSERT_EQ(box.ListView1.Count(), 2);
    EXPECT_EQ(box.ListView1.Text(0, 0), "old.spi (32bit)");
    EXPECT_EQ(box.ListView1.Text(1, 0), "");
    EXPECT_EQ(box.ListView1.Text(1, 1), "*.o2");
}
#endif

TEST(AboutBox, RowsFollowTheCollectionOrderAndItsStateAtOpening) {
    auto spis = CollectionOf({"dialogs_three", "dialogs_three"});
    // The same module twice gives two plug-ins; the first goes before the box opens.
    ASSERT_GE(spis->Count(), 1);
    spis->Add(LoadPlugin(TestPlugin("dialogs_none")));
    const int threes = spis->Count() - 1;
    {
        TBuiltForm<TFormAboutBox> box(nullptr);
        EXPECT_EQ(box.ListView1.Count(), 3 * threes);
    }
    spis->Delete(0);
    TBuiltForm<TFormAboutBox> box(nullptr);
    EXPECT_EQ(box.ListView1.Count(), 3 * (threes - 1));
}

TEST(AboutBox, ColumnsAndListStyle) {
    TBuiltForm<TFormAboutBox> box(nullptr);
    EXPECT_EQ(box.Caption(), "バージョン情報");
    const HWND lv = box.ListView1.Handle();
    const char* const names[] = {"ファイル名", "対応拡張子", "ファイル形式", "情報"};
    const int widths[] = {70, 90, 150, 300};
    for (int i = 0; i < 4; ++i) {
        wchar_t text[64] = {};
        LVCOLUMNW col{};
        col.mask = LVCF_TEXT | LVCF_WIDTH;
        col.pszText = text;
        col.cchTextMax = 64;
        ASSERT_TRUE(SendMessageW(lv, LVM_GETCOLUMNW, static_cast<WPARAM>(i),
                                 reinterpret_cast<LPARAM>(&col)));
        EXPECT_EQ(WideToUtf8(text), names[i]) << i;
        EXPECT_EQ(col.cx, widths[i]) << i;
    }
    EXPECT_EQ(GetWindowLongW(lv, GWL_STYLE) & LVS_TYPEMASK, LVS_REPORT);
    const auto ex = SendMessageW(lv, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0);
    EXPECT_TRUE(ex & LVS_EX_GRIDLINES);
    EXPECT_TRUE(ex & LVS_EX_FULLROWSELECT);
    const LONG style = GetWindowLongW(box.Handle(), GWL_STYLE);
    EXPECT_TRUE(style & WS_THICKFRAME);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_FALSE(style & WS_MINIMIZEBOX);
    EXPECT_FALSE(style & WS_MAXIMIZEBOX);
}

TEST(AboutBox, ListTakesTheFocusFirstThenOk) {
    TBuiltForm<TFormAboutBox> box(nullptr);
    box.Show();
    Pump();
    EXPECT_EQ(GetFocus(), box.ListView1.Handle());
    dialogstest::PressKey(VK_TAB);
    EXPECT_EQ(GetFocus(), box.Button1.Handle());
}

TEST(AboutBox, NeverSmallerThanItsDesignSizeAndTheListFollowsTheWindow) {
    TBuiltForm<TFormAboutBox> box(nullptr);
    box.Show();
    Pump();
    EXPECT_EQ(box.Width(), 650);
    EXPECT_EQ(box.Height(), 325);
    MINMAXINFO info{};
    SendMessageW(box.Handle(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    EXPECT_EQ(info.ptMinTrackSize.x, 650);
    EXPECT_EQ(info.ptMinTrackSize.y, 325);

    const int listWidth = box.ListView1.Width();
    const int listHeight = box.ListView1.Height();
    SetWindowPos(box.Handle(), nullptr, 0, 0, 300, 200, SWP_NOMOVE | SWP_NOZORDER);
    Pump();
    EXPECT_EQ(box.Width(), 650);
    EXPECT_EQ(box.Height(), 325);

    SetWindowPos(box.Handle(), nullptr, 0, 0, 900, 500, SWP_NOMOVE | SWP_NOZORDER);
    Pump();
    EXPECT_EQ(box.Width(), 900);
    EXPECT_EQ(box.ListView1.Left(), 8);
    EXPECT_EQ(box.ListView1.Top(), 96);
    EXPECT_EQ(box.ListView1.Width(), listWidth + 250);
    EXPECT_EQ(box.ListView1.Height(), listHeight + 175);
    EXPECT_EQ(box.Button1.Left(), 560); // the button keeps its place
}

TEST(AboutBox, TheFrameAroundTheNameBlockShowsTheFormsBackgroundInside) {
    TBuiltForm<TFormAboutBox> box(nullptr);
    box.Show();
    Pump();
    UpdateWindow(box.Handle());
    HDC dc = GetDC(box.Handle());
    const COLORREF inside = GetPixel(dc, 60, 60);
    const COLORREF beside = GetPixel(dc, 600, 60);
    ReleaseDC(box.Handle(), dc);
    EXPECT_EQ(inside, beside);
    EXPECT_EQ(inside, GetSysColor(COLOR_BTNFACE));
}

TEST(AboutBox, NameBlockAndTheAddressIsTheProgramsFolder) {
    TBuiltForm<TFormAboutBox> box(nullptr);
    EXPECT_EQ(box.Label1.Caption(), "Tovane");
    EXPECT_TRUE(box.Label1.Font().Bold);
    EXPECT_EQ(box.Label4.Caption(), TOVANE_VERSION);
    std::string folder = dialogstest::ProgramFolder();
    folder.pop_back();
    EXPECT_EQ(TFormAboutBox::AuthorAddress(), folder);
    EXPECT_EQ(box.Label3.Caption(), AnsiToUtf8(folder));
    EXPECT_NE(GetFileAttributesA(TFormAboutBox::AuthorAddress().c_str()), INVALID_FILE_ATTRIBUTES);
}

} // namespace
} // namespace tovane
