// The about box's form description (outer size 650 x 325, never smaller; the list follows
// every edge of the window).
#include "dialogs/FormAboutBoxU.h"

#include "framework/win32/Text.h"

#include "TovaneVersion.h"

namespace tovane {

void TFormAboutBox::LoadForm() {
    const TFont font{.Name = "ＭＳ Ｐゴシック", .Height = 12, .Charset = SHIFTJIS_CHARSET};
    TFont bold = font;
    bold.Bold = true;
    CreateForm({.Caption = "バージョン情報",
                .Width = 650,
                .Height = 325,
                .MinWidth = 650,
                .MinHeight = 325,
                .BorderStyle = TBorderStyle::Sizeable,
                .MinimizeBox = false,
                .MaximizeBox = false,
                .Position = TPosition::DesktopCenter,
                .Font = font});

    Image1.Create(*this, {.Left = 176, .Top = 16, .Width = 32, .Height = 32});
    Label1.Create(*this, {.Left = 232, .Top = 16, .Caption = "Tovane", .Font = bold});
    Label4.Create(*this, {.Left = 280, .Top = 16, .Caption = TOVANE_VERSION});
    Label2.Create(*this, {.Left = 216, .Top = 40, .Caption = "Tovane developers"});
    Label3.Create(*this,
                  {.Left = 168,
                   .Top = 56,
                   .Width = 212,
                   .Height = 12,
                   .Caption = AnsiToUtf8(AuthorAddress()),
                   .Cursor = TCursor::Hand},
                  {.ShowAccelChar = false});
    // Siblings made earlier lie above: the frame goes under the name block it surrounds.
    Bevel1.Create(*this, {.Left = 8, .Top = 8, .Width = 537, .Height = 73});
    ListView1.Create(
        *this,
        {.Left = 8,
         .Top = 96,
         .Width = 626,
         .Height = 192,
         .Anchors = akLeft | akTop | akRight | akBottom},
        {.Columns = {{"ファイル名", 70}, {"対応拡張子", 90}, {"ファイル形式", 150}, {"情報", 300}},
         .GridLines = true,
         .RowSelect = true});
    Button1.Create(*this, {.Left = 560, .Top = 8, .Width = 75, .Height = 25, .Caption = "&OK"},
                   {.Default = true, .ModalResult = mrOk});

    OnCreate = [this](TObject& s) { FormCreate(s); };
    Label3.OnClick = [this](TObject& s) { Label3Click(s); };
}

} // namespace tovane
