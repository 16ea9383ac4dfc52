// The folder-pick dialog: drives, the folder tree of the chosen drive and the image files of
// the open folder. Created by the main window for each use, shown modally; after OK the caller
// takes the open folder, FileListBox1.Directory().
#pragma once

#include "framework/win32/FileCtrls.h"
#include "framework/win32/Forms.h"
#include "framework/win32/StdCtrls.h"

namespace tovane {

class TFormOpenDir : public TForm {
public:
    // Made as TBuiltForm<TFormOpenDir>.
    explicit TFormOpenDir(TForm* owner);

    TDriveComboBox DriveComboBox1;
    TDirectoryListBox DirectoryListBox1;
    TFileListBox FileListBox1;
    TButton Button1;
    TButton Button2;

private:
    void LoadForm() override; // FormOpenDirU.form.cpp
    void FormCreate(TObject& Sender);
};

} // namespace tovane
