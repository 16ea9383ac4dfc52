// The options dialog's form description. Creation order is the tab order: ButtonOK, Button2,
// CheckBoxFindSubDir, EditInterval, RadioGroupTani, CheckBoxSlideShow, RadioGroupLast,
// CheckBoxAllDir, RadioGroupOrder, CheckBoxResume, CheckBoxColorManage; labels, spin buttons and
// colour panels take no focus.
#include "dialogs/FormOptionU.h"

#include "dialogs/portable/DialogRules.h"

namespace tovane {

void TFormOption::LoadForm() {
    CreateForm({.Caption = "オプション",
                .ClientWidth = 358,
                .ClientHeight = 539,
                .BorderStyle = TBorderStyle::Dialog,
                .Position = TPosition::DesktopCenter,
                .Font = {.Name = "ＭＳ Ｐゴシック", .Height = 12, .Charset = SHIFTJIS_CHARSET}});

    ButtonOK.Create(*this, {.Left = 272, .Top = 8, .Width = 75, .Height = 25, .Caption = "&OK"},
                    {.Default = true, .ModalResult = mrOk});
    Button2.Create(*this,
                   {.Left = 272, .Top = 40, .Width = 75, .Height = 25, .Caption = "キャンセル"},
                   {.Cancel = true, .ModalResult = mrCancel});

    GroupBox1.Create(*this,
                     {.Left = 8, .Top = 8, .Width = 257, .Height = 57, .Caption = "フォルダ指定"});
    CheckBoxFindSubDir.Create(GroupBox1, {.Left = 16,
                                          .Top = 24,
                                          .Width = 177,
                                          .Height = 17,
                                          .Caption = "サブフォルダまで検索する(&R)"});

    GroupBox2.Create(
        *this, {.Left = 8, .Top = 80, .Width = 257, .Height = 337, .Caption = "スライドショー"});
    // The label's accelerator moves the focus to the control created next: EditInterval.
    Label1.Create(GroupBox2, {.Left = 16, .Top = 36, .Caption = "画像の表示間隔(&I)"});
    EditInterval.Create(GroupBox2,
                        {.Left = 120, .Top = 32, .Width = 33, .Height = 20, .Caption = "0"});
    UpDownInterval.Create(GroupBox2, {.Left = 153, .Top = 32, .Width = 15, .Height = 20},
                          {.Associate = &EditInterval,
                           .Min = IntervalMin,
                           .Max = IntervalMax,
                           .Increment = 1,
                           .Wrap = false,
                           .Thousands = true,
                           .ArrowKeys = true});
    EditInterval.SetSpin(&UpDownInterval);
    RadioGroupTani.Create(
        GroupBox2, {.Left = 176, .Top = 16, .Width = 65, .Height = 57, .Caption = "単位(&U)"},
        {"秒", "ミリ秒"});
    Label3.Create(GroupBox2, {.Left = 16, .Top = 87, .Caption = "文字色"});
    PanelFGColor.Create(GroupBox2, {.Left = 64, .Top = 80, .Width = 73, .Height = 25},
                        {.BevelInner = TBevelCut::Raised, .BevelOuter = TBevelCut::Raised});
    Label2.Create(GroupBox2, {.Left = 16, .Top = 119, .Caption = "背景色"});
    PanelBGColor.Create(GroupBox2, {.Left = 64, .Top = 112, .Width = 73, .Height = 25},
                        {.BevelInner = TBevelCut::Raised, .BevelOuter = TBevelCut::Raised});
    CheckBoxSlideShow.Create(GroupBox2, {.Left = 16,
                                         .Top = 152,
                                         .Width = 201,
                                         .Height = 17,
                                         .Caption = "すぐにスライドショーを開始する(&S)"});
    RadioGroupLast.Create(GroupBox2,
                          {.Left = 16,
                           .Top = 208,
                           .Width = 225,
                           .Height = 113,
                           .Caption = "最後の画像までいった後の動作(&L)"},
                          {}, 1);
    CheckBoxAllDir.Create(GroupBox2, {.Left = 16,
                                      .Top = 176,
                                      .Width = 209,
                                      .Height = 17,
                                      .Caption = "全フォルダを一気にスライドショー(&A)"});

    // The order of the pictures and where a show starts.
    RadioGroupOrder.Create(
        *this, {.Left = 8, .Top = 424, .Width = 257, .Height = 57, .Caption = "並び順(&O)"},
        {"名前順", "自然順", "撮影日時順", "シャッフル"}, 2);
    CheckBoxResume.Create(
        *this,
        {.Left = 16, .Top = 488, .Width = 209, .Height = 17, .Caption = "前回の続きから表示(&E)"});
    // Last: what the pictures' colour profiles do.
    CheckBoxColorManage.Create(
        *this,
        {.Left = 16, .Top = 512, .Width = 241, .Height = 17, .Caption = "カラーマネジメント"});

    OnCreate = [this](TObject& s) { FormCreate(s); };
    PanelBGColor.OnMouseDown = [this](TObject& s, TMouseButton b, TShiftState sh, int x, int y) {
        PanelBGColorMouseDown(s, b, sh, x, y);
    };
    PanelBGColor.OnMouseUp = [this](TObject& s, TMouseButton b, TShiftState sh, int x, int y) {
        PanelBGColorMouseUp(s, b, sh, x, y);
    };
    PanelFGColor.OnMouseDown = PanelBGColor.OnMouseDown;
    PanelFGColor.OnMouseUp = PanelBGColor.OnMouseUp;
    ButtonOK.OnClick = [this](TObject& s) { ButtonOKClick(s); };
}

} // namespace tovane
