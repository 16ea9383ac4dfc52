// The folder search's lifecycle as the main window runs it: which registration starts a new
// search and which joins the running one, the launch of the search thread, suspend and resume,
// the end of a search and the stop at exit. It lists what the search finds in the main
// window's folder list, shows the state and the folder count in its status bar and the searched
// folder in its caption. UI thread only.
#pragma once

#include "app/FindThreadU.h"
#include "app/portable/SearchState.h"
#include "framework/win32/ComCtrls.h"
#include "framework/win32/Forms.h"
#include "framework/win32/StdCtrls.h"

#include <memory>
#include <string>
#include <vector>

namespace tovane {

class TFolderSearch : private IFindThreadSink {
public:
    // window, folders and status are the main window and its controls; imageExtensions is its
    // extension list, read at each launch. All must outlive the search.
    TFolderSearch(TForm& window, TListBox& folders, TStatusBar& status,
                  const std::vector<std::string>& imageExtensions);
    ~TFolderSearch();
    TFolderSearch(const TFolderSearch&) = delete;
    TFolderSearch& operator=(const TFolderSearch&) = delete;

    SearchState State() const noexcept { return FState; }
    // The running search, or null.
    const TFindThread* Thread() const noexcept { return FFindThread.get(); }

    // Searches the existing folder path: it joins the running search, or a new search starts
    // (clearing the list first when clearFirst, descending into sub-folders when findSubDir).
    // Raises what starting the thread raises; the state is then Failed.
    void Register(const std::wstring& path, bool clearFirst, bool findSubDir);
    // What the searches from now on read archives with (null: archives are not looked into);
    // it must outlive this object.
    void UseArchives(TArchiveReader* archives) noexcept { FArchives = archives; }
    // The suspend command: a running search is suspended, a suspended one resumes.
    void ToggleSuspend();
    // Asks the search to end: nothing reaches the list after this.
    void Terminate() noexcept;
    // Ends the search and waits for its thread a while (an unreachable network folder can
    // hold it in the system; it is then left to end by itself).
    void Stop() noexcept;

private:
    void Start(const std::wstring& path, bool clearFirst, bool findSubDir);
    void Launch(const std::wstring& path, bool findSubDir);
    void ShowState();
    void Terminated();

    // IFindThreadSink, called on the UI thread inside the calls the search hands it.
    bool HasFolder(const std::wstring& dir) override;
    void AppendFolder(const std::wstring& dir) override;
    int FolderCount() override;
    void SetFolderCountText(const std::string& utf8) override;

    TForm& FWindow;
    TListBox& FFolders;
    TStatusBar& FStatus;
    const std::vector<std::string>& FImageExtensions;
    std::unique_ptr<TFindThread> FFindThread;
    TArchiveReader* FArchives = nullptr;
    SearchState FState = SearchState::None;
};

} // namespace tovane
