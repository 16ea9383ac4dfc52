// The folder-pick dialog's form description.
#include "dialogs/FormOpenDirU.h"

namespace tovane {

void TFormOpenDir::LoadForm() {
    CreateForm({.Caption = "フォルダ登録",
                .ClientWidth = 396,
                .ClientHeight = 249,
                .BorderStyle = TBorderStyle::Dialog,
                .Position = TPosition::DesktopCenter,
                .Font = {.Name = "ＭＳ Ｐゴシック", .Height = 12, .Charset = SHIFTJIS_CHARSET}});

    DriveComboBox1.Create(*this, {.Left = 8, .Top = 8, .Width = 185, .Height = 20});
    DirectoryListBox1.Create(*this, {.Left = 8, .Top = 32, .Width = 185, .Height = 177}, 16);
    FileListBox1.Create(*this, {.Left = 200, .Top = 8, .Width = 185, .Height = 201}, 12);
    Button1.Create(*this, {.Left = 232, .Top = 216, .Width = 75, .Height = 25, .Caption = "&OK"},
                   {.Default = true, .ModalResult = mrOk});
    Button2.Create(*this,
                   {.Left = 312, .Top = 216, .Width = 75, .Height = 25, .Caption = "キャンセル"},
                   {.Cancel = true, .ModalResult = mrCancel});

    DriveComboBox1.SetDirList(&DirectoryListBox1);
    DirectoryListBox1.SetDriveCombo(&DriveComboBox1);
    DirectoryListBox1.SetFileList(&FileListBox1);
    FileListBox1.SetDirectory(DirectoryListBox1.Directory());

    OnCreate = [this](TObject& s) { FormCreate(s); };
}

} // namespace tovane
