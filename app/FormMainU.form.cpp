// The main window's form description: layout, captions, fonts, the action table, the menu and
// the bindings of its events to the handlers in FormMainU.cpp.
#include "app/FormMainU.h"

namespace tovane {

std::span<const TActionRow<TFormMain>> TFormMain::ActionTable() {
    using F = TFormMain;
    // Action, caption, shortcut, handler; the last column is the shortcut FormCreate assigns.
    static const TActionRow<F> rows[] = {
        {&F::actOpen, "フォルダ登録(&O)", TextToShortCut("Ctrl+O"), &F::actOpenExecute},
        {&F::actAppendOpen, "フォルダの追加登録(&A)", scNone, &F::actAppendOpenExecute},
        {&F::actDeleteDir, "削除(&D)", TextToShortCut("Del"), &F::actDeleteDirExecute},
        {&F::EditSelectAll1, "すべて選択(&A)", TextToShortCut("Ctrl+A"), &F::EditSelectAll1Execute},
        {&F::actOption, "オプション(&O)", scNone, &F::actOptionExecute},
        {&F::actSlideShow, "", scNone, &F::actSlideShowExecute, TextToShortCut("Enter")},
        {&F::actDirUp, "", scNone, &F::actDirUpExecute, TextToShortCut("Alt+Up")},
        {&F::actDirDown, "", scNone, &F::actDirDownExecute, TextToShortCut("Alt+Down")},
        {&F::actFindSuspend, "", TextToShortCut("Ctrl+S"), &F::actFindSuspendExecute},
    };
    return rows;
}

void TFormMain::LoadForm() {
    CreateForm({.Caption = "Tovane",
                .Width = 600,
                .Height = 400,
                .Font = {.Name = "ＭＳ Ｐゴシック", .Height = 12, .Charset = SHIFTJIS_CHARSET}});

    SPIs = std::make_unique<TSPIs>();
    SPIs->SearchOptions = {TSPISearchOption::spsSusieDir, TSPISearchOption::spsAppDir,
                           TSPISearchOption::spsSystemDir, TSPISearchOption::spsWindowsDir};
    SPIs->GraphicPreview = false;

    StatusBar1.Create(*this, {}, {90, 60, 50});
    ListBox1.Create(*this,
                    {.Align = TAlign::Client,
                     .Font = TFont{.Name = "ＭＳ ゴシック",
                                   .Height = 12,
                                   .FixedPitch = true,
                                   .Charset = SHIFTJIS_CHARSET}},
                    {.MultiSelect = true, .ItemHeight = 12});

    CreateActions(*this, ActionTable());

    Open1.Set({.Action = &actOpen});
    A1.Set({.Action = &actAppendOpen});
    N1.Set({.Caption = "-"});
    Exit1.Set({.Caption = "終了(&X)"});
    File1.Set({.Caption = "ファイル(&F)", .Items = {&Open1, &A1, &N1, &Exit1}});
    Delete1.Set({.Action = &actDeleteDir});
    N2.Set({.Caption = "-"});
    A2.Set({.Action = &EditSelectAll1});
    Edit1.Set({.Caption = "編集(&E)", .Items = {&Delete1, &N2, &A2}});
    O2.Set({.Action = &actOption});
    O1.Set({.Caption = "オプション(&O)", .Items = {&O2}});
    About1.Set({.Caption = "バージョン情報(&A)"});
    Help1.Set({.Caption = "ヘルプ(&H)", .Items = {&About1}});
    MainMenu1.Create(*this, {&File1, &Edit1, &O1, &Help1});

    OnCreate = [this](TObject& s) { FormCreate(s); };
    OnDestroy = [this](TObject& s) { FormDestroy(s); };
    OnDropFiles = [this](HDROP drop) { WMDropFiles(drop); };
    OnMessage = [this](UINT msg, WPARAM wParam, LPARAM, LRESULT& result) {
        return SessionMessage(msg, wParam, result);
    };
    ListBox1.OnDblClick = [this](TObject& s) { ListBox1DblClick(s); };
    ListBox1.OnChange = [this](TObject& s) { ListBox1Change(s); };
    Exit1.OnClick = [this](TObject& s) { Exit1Click(s); };
    About1.OnClick = [this](TObject& s) { About1Click(s); };
}

} // namespace tovane
