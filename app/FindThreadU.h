// The background folder search: walks registered folders (and, on request, every folder below
// them) and lists each folder that directly holds an image file, and each archive that holds a
// picture entry, once, in the main window's folder list; after each folder walked it shows the
// list's item count. An archive's list of entries is read, never its contents.
#pragma once

#include "framework/win32/Thread.h"

#include <atomic>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace tovane {

class TArchiveReader;

// What the search needs of the main window. Every call comes on the UI thread, inside a call
// the search hands it (in the order of the walk). Folder paths are UTF-16. The sink must outlive
// the search.
class IFindThreadSink {
public:
    // True when the folder list holds dir, compared whole and ignoring case.
    virtual bool HasFolder(const std::wstring& dir) = 0;
    // Appends dir as the new last item of the folder list.
    virtual void AppendFolder(const std::wstring& dir) = 0;
    // Number of items of the folder list, whoever added them.
    virtual int FolderCount() = 0;
    // Sets the folder-count panel of the status bar (UTF-8).
    virtual void SetFolderCountText(const std::string& text) = 0;

protected:
    ~IFindThreadSink() = default;
};

class TFindThread : public TThread {
public:
    enum class AddResult {
        Queued,     // the folder will be searched
        NotAFolder, // no such folder: ignored
        Finished,   // the search has taken its last folder and is ending: start a new one
    };

    // Created suspended with firstFolder queued. imageExtensions (ANSI) is copied (the list is
    // fixed after start-up), so the search tests extensions without the UI thread. archives
    // (null: archives are not looked into) must outlive the search.
    TFindThread(IFindThreadSink& sink, const std::vector<std::string>& imageExtensions,
                const std::wstring& firstFolder, bool findSubDir,
                TArchiveReader* archives = nullptr);
    ~TFindThread() override;

    // UI thread. Queues dir when it is an existing folder, or an archive file. A folder queued here
    // is searched unless the search is stopped; once the search has found its queue empty it
    // accepts nothing more and answers Finished.
    AddResult AddFolder(const std::wstring& dir);
    // The sub-folder flag the search was created with; it keeps it to its end.
    bool FindSubDir() const noexcept { return FFindSubDir; }

protected:
    void Execute() override;

private:
    // Identity of a folder on its volume, to recognise a link back to a folder being walked.
    struct FolderId {
        unsigned long Volume;
        unsigned long IndexHigh;
        unsigned long IndexLow;
        bool operator==(const FolderId&) const = default;
    };
    static std::optional<FolderId> FolderIdOf(const std::wstring& dir);

    bool TakeFirst(std::wstring& dir);
    void DropFirst();
    void ScanFolder(const std::wstring& dir);
    void TestFile(const std::wstring& dir, const wchar_t* fileName);
    // Lists the archive when it holds a picture entry.
    void TestArchive(const std::wstring& path);
    bool IsArchiveFile(const std::wstring& path) const;
    void QueueFolderCount();
    void CheckFoundFile(const std::wstring& dir); // UI thread
    void ShowFolderCount();                       // UI thread

    IFindThreadSink& FSink;
    const std::vector<std::wstring> FImageExtensions;
    TArchiveReader* const FArchives;

    bool FFindSubDir;
    // Set once the folder under scan has had an image file (its listing is on its way to the UI
    // thread): its further files are not tested. Cleared where a folder's walk starts and ends,
    // so a parent's files are tested again after each of its sub-folders.
    bool FFound = false;
    std::atomic<unsigned> FCountsQueued{0}; // count calls made so far (wraps harmlessly)
    std::deque<std::wstring> FQueue;        // guarded by FQueueLock
    std::mutex FQueueLock;
    bool FQueueClosed = false; // guarded by FQueueLock
};

} // namespace tovane
