// The folder-pick dialog: drives, the folder tree of the chosen drive and the image files (and
// archives) of the open folder. Created by the main window for each use, shown modally; after
// OK the caller takes the open folder, FileListBox1.Directory(), or the archive chosen in the
// file list, FileListBox1.FileName().
#pragma once

#include "framework/win32/FileCtrls.h"
#include "framework/win32/Forms.h"
#include "framework/win32/StdCtrls.h"

#include <string>
#include <vector>

namespace tovane {

class TFormOpenDir : public TForm {
public:
    // Made as TBuiltForm<TFormOpenDir>.
    // imageExtensions: the files the list shows (the main window's FImageExtensions).
    // registeredFolders: where the dialog opens when the current folder has become unreachable
    // (the main window's folder list), tried in order.
    // archiveExtensions: the archives the list shows besides, which can be chosen as places.
    TFormOpenDir(TForm* owner, std::vector<std::string> imageExtensions,
                 const std::vector<std::wstring>& registeredFolders,
                 std::vector<std::string> archiveExtensions = {});

    TDriveComboBox DriveComboBox1;
    TDirectoryListBox DirectoryListBox1;
    TFileListBox FileListBox1;
    TButton Button1;
    TButton Button2;

private:
    void LoadForm() override; // FormOpenDirU.form.cpp
    void FormCreate(TObject& Sender);

    std::vector<std::string> FImageExtensions;
    std::vector<std::string> FArchiveExtensions;
};

} // namespace tovane
