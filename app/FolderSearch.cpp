#include "app/FolderSearch.h"

#include "framework/win32/Application.h"
#include "framework/win32/Text.h"

#include <exception>

namespace tovane {

TFolderSearch::TFolderSearch(TForm& window, TListBox& folders, TStatusBar& status,
                             const std::vector<std::string>& imageExtensions)
    : FWindow(window), FFolders(folders), FStatus(status), FImageExtensions(imageExtensions) {
}

TFolderSearch::~TFolderSearch() {
    Stop();
}

void TFolderSearch::Register(const std::wstring& path, bool clearFirst, bool findSubDir) {
    switch (RegisterStepFor(FState)) {
    case RegisterStep::JoinRunningSearch:
        if (FFindThread != nullptr &&
            FFindThread->AddFolder(path) != TFindThread::AddResult::Finished)
            return;
        // The running search had already taken its last folder and is ending: what it found
        // and has not yet handed over is listed first, then the folder is searched by a fresh
        // thread that continues the same search (list, caption and sub-folder flag stay).
        if (FFindThread != nullptr) {
            const bool runningFindSubDir = FFindThread->FindSubDir();
            FFindThread->WaitFor();
            FFindThread.reset();
            Launch(path, runningFindSubDir);
            return;
        }
        Start(path, clearFirst, findSubDir);
        return;
    case RegisterStep::DiscardSuspendedThenStart:
        // The suspended search is stopped and joined; it delivers nothing more and its
        // termination handler never runs.
        FFindThread.reset();
        Start(path, clearFirst, findSubDir);
        return;
    case RegisterStep::Start:
        Start(path, clearFirst, findSubDir);
        return;
    }
}

void TFolderSearch::Start(const std::wstring& path, bool clearFirst, bool findSubDir) {
    if (clearFirst)
        FFolders.Clear();
    Launch(path, findSubDir);
    FWindow.SetCaption("Tovane - " + WideToUtf8(path));
    FState = SearchState::Searching;
    ShowState();
}

void TFolderSearch::Launch(const std::wstring& path, bool findSubDir) {
    try {
        FFindThread = std::make_unique<TFindThread>(static_cast<IFindThreadSink&>(*this),
                                                    FImageExtensions, path, findSubDir, FArchives);
    } catch (...) {
        // No thread, no search: the next registration starts afresh.
        FFindThread.reset();
        FState = SearchState::Failed;
        ShowState();
        throw;
    }
    FFindThread->OnTerminate = [this] { Terminated(); };
    FFindThread->SetPriority(ThreadPriority::Lowest);
    FFindThread->Resume();
}

void TFolderSearch::ShowState() {
    FStatus.SetPanelText(1, SearchStateName(FState));
}

void TFolderSearch::Terminated() {
    // A failure of the walk or of listing a folder (a list that refuses an item) ends it.
    const std::exception_ptr failure = FFindThread->FatalException();
    FFindThread.reset();
    FState = failure ? SearchState::Failed : SearchState::Done;
    ShowState();
    if (failure)
        Application().Dispatch([&] { std::rethrow_exception(failure); });
}

void TFolderSearch::ToggleSuspend() {
    if (FFindThread == nullptr)
        return;
    if (FState == SearchState::Searching)
        FFindThread->Suspend();
    else if (FState == SearchState::Suspended)
        FFindThread->Resume();
    else
        return;
    FState = SuspendToggled(FState);
    ShowState();
}

void TFolderSearch::Terminate() noexcept {
    if (FFindThread != nullptr)
        FFindThread->Terminate();
}

void TFolderSearch::Stop() noexcept {
    if (FFindThread == nullptr)
        return;
    FFindThread->Terminate();
    // A thread blocked in the system (an unreachable network folder) is not waited for past
    // this: it delivers nothing after the stop, and its object is left to it, since it is
    // still running in it; the process's end takes both.
    constexpr DWORD StopWaitMs = 2000;
    if (FFindThread->WaitFor(StopWaitMs))
        FFindThread.reset();
    else
        static_cast<void>(FFindThread.release());
}

bool TFolderSearch::HasFolder(const std::wstring& dir) {
    return FFolders.IndexOf(dir) >= 0;
}

void TFolderSearch::AppendFolder(const std::wstring& dir) {
    FFolders.Add(dir);
}

int TFolderSearch::FolderCount() {
    return FFolders.Count();
}

void TFolderSearch::SetFolderCountText(const std::string& utf8) {
    FStatus.SetPanelText(0, utf8);
}

} // namespace tovane
