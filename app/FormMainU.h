// The main window: the list of registered image folders, the commands that edit it, the
// background folder search (run by TFolderSearch) and the settings record. One instance,
// FormMain, alive for the whole run; it hands the slideshow and the dialogs what they read of
// it (ListBox1, FSettings, FImageExtensions). UI thread only.
#pragma once

#include "app/FolderSearch.h"
#include "app/Settings.h"
#include "app/portable/FolderListEditing.h"
#include "framework/win32/Actions.h"
#include "framework/win32/ComCtrls.h"
#include "framework/win32/Forms.h"
#include "framework/win32/StdCtrls.h"
#include "imaging/ArchiveReader.h"
#include "plugins/SPIs.h"

#include <memory>
#include <span>
#include <string>
#include <vector>

namespace tovane {

class TFormMain : public TForm {
public:
    // folders: the command-line arguments, registered at the end of FormCreate.
    // iniPath: the settings file (the executable's path with ".ini" in the program).
    // Made as TBuiltForm<TFormMain>, which raises what the plug-in search raises (an
    // OnSearching failure): the window is then not created. A plug-in lacking a required
    // export is reported and skipped.
    explicit TFormMain(std::vector<std::wstring> folders = {},
                       std::wstring iniPath = SettingsFilePath());
    ~TFormMain() override;

    TListBox ListBox1;
    TStatusBar StatusBar1;
    std::unique_ptr<TSPIs> SPIs;
    // The archives among the places, read by the collection's archive modules (made once the
    // modules are found).
    std::unique_ptr<TArchiveReader> Archives;

    TAction actOpen;
    TAction actAppendOpen;
    TAction actDeleteDir;
    TAction EditSelectAll1;
    TAction actOption;
    TAction actSlideShow;
    TAction actDirUp;
    TAction actDirDown;
    TAction actFindSuspend;

    TMainMenu MainMenu1;
    TMenuItem File1, Open1, A1, N1, Exit1;
    TMenuItem Edit1, Delete1, N2, A2;
    TMenuItem O1, O2;
    TMenuItem Help1, About1;

    // Read by the slideshow, the options dialog and the folder-pick dialog.
    std::vector<std::string> FImageExtensions;
    SlideShowSettings FSettings = DefaultSlideShowSettings();

    SearchState CurrentSearchState() const noexcept { return FSearch.State(); }
    // The running search, or null (read-only, for the program's own checks).
    const TFindThread* FindThread() const noexcept { return FSearch.Thread(); }
    // The single entry of every registration (dialog, drop, command line).
    void RegisterFolder(const std::wstring& path, bool clearFirst);

    void LoadSettings();
    void SaveWindowPos();
    void SaveSlideShowSettings();

    // The settings file this window reads and writes.
    const std::wstring& IniPath() const noexcept { return FIniPath; }

private:
    // The form description and the action table: FormMainU.form.cpp.
    void LoadForm() override;
    static std::span<const TActionRow<TFormMain>> ActionTable();
    // The plug-in collection searches its places once the form has been read.
    void Loaded() override;

    void FormCreate(TObject& Sender);
    void FormDestroy(TObject& Sender);
    void ListBox1DblClick(TObject& Sender);
    void ListBox1Change(TObject& Sender);
    void Exit1Click(TObject& Sender);
    void About1Click(TObject& Sender);
    void actOpenExecute(TObject& Sender);
    void actAppendOpenExecute(TObject& Sender);
    void actSlideShowExecute(TObject& Sender);
    void actOptionExecute(TObject& Sender);
    // Publishes the colour target for the decoding modules (PublishColourTarget).
    void PublishTarget();
    void actDeleteDirExecute(TObject& Sender);
    void actDirUpExecute(TObject& Sender);
    void actDirDownExecute(TObject& Sender);
    void actFindSuspendExecute(TObject& Sender);
    void EditSelectAll1Execute(TObject& Sender);
    void WMDropFiles(HDROP drop);

    void OpenFolderDialog(bool clearFirst);
    bool SessionMessage(UINT msg, WPARAM wParam, LRESULT& result);

    FolderListModel ReadFolderList() const;
    void WriteFolderList(const FolderListModel& model);

    TFolderSearch FSearch{*this, ListBox1, StatusBar1, FImageExtensions};
    std::vector<std::wstring> FCommandLineFolders;
    std::wstring FIniPath;
};

// The main window of the run.
extern std::unique_ptr<TFormMain> FormMain;

} // namespace tovane
