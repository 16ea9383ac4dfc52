// The main window's form description: layout, captions, fonts, actions, menu and the bindings
// of its events to the handlers in FormMainU.cpp.
#include "app/FormMainU.h"

namespace tovane {

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

    actOpen.Create(*this, {.Caption = "フォルダ登録(&O)", .ShortCut = TextToShortCut("Ctrl+O")});
    actAppendOpen.Create(*this, {.Caption = "フォルダの追加登録(&A)"});
    actDeleteDir.Create(*this, {.Caption = "削除(&D)", .ShortCut = TextToShortCut("Del")});
    EditSelectAll1.Create(*this,
                          {.Caption = "すべて選択(&A)", .ShortCut = TextToShortCut("Ctrl+A")});
    actOption.Create(*this, {.Caption = "オプション(&O)"});
    actSlideShow.Create(*this, {});
    actDirUp.Create(*this, {});
    actDirDown.Create(*this, {});
    actFindSuspend.Create(*this, {.ShortCut = TextToShortCut("Ctrl+S")});

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
    Exit1.OnClick = [this](TObject& s) { Exit1Click(s); };
    About1.OnClick = [this](TObject& s) { About1Click(s); };
    actOpen.OnExecute = [this](TObject& s) { actOpenExecute(s); };
    actAppendOpen.OnExecute = [this](TObject& s) { actAppendOpenExecute(s); };
    actSlideShow.OnExecute = [this](TObject& s) { actSlideShowExecute(s); };
    actOption.OnExecute = [this](TObject& s) { actOptionExecute(s); };
    actDeleteDir.OnExecute = [this](TObject& s) { actDeleteDirExecute(s); };
    actDirUp.OnExecute = [this](TObject& s) { actDirUpExecute(s); };
    actDirDown.OnExecute = [this](TObject& s) { actDirDownExecute(s); };
    actFindSuspend.OnExecute = [this](TObject& s) { actFindSuspendExecute(s); };
    EditSelectAll1.OnExecute = [this](TObject& s) { EditSelectAll1Execute(s); };
}

} // namespace tovane
