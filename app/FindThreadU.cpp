#include "app/FindThreadU.h"

#include "framework/win32/Handles.h"
#include "framework/win32/Text.h"
#include "imaging/ArchiveReader.h"
#include "settings/portable/ImageExtensions.h"

#include <windows.h>

#include <algorithm>
#include <cwchar>
#include <utility>

namespace tovane {

namespace {

bool IsFolder(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsDotEntry(const wchar_t* name) {
    return !std::wcscmp(name, L".") || !std::wcscmp(name, L"..");
}

// A registered drive root already ends in "\": no second separator is added.
std::wstring ChildPath(const std::wstring& dir, const wchar_t* name) {
    return (dir.empty() || dir.back() == L'\\' ? dir : dir + L'\\') + name;
}

// The form of a path the file functions take past MAX_PATH characters ("\\?\C:\..." or
// "\\?\UNC\server\..."); shorter paths, and paths of other forms, as they are.
std::wstring LongPathForm(const std::wstring& path) {
    if (path.size() < MAX_PATH - 12 || path.rfind(L"\\\\?\\", 0) == 0)
        return path;
    if (path.size() >= 3 && path[1] == L':' && path[2] == L'\\')
        return L"\\\\?\\" + path;
    if (path.rfind(L"\\\\", 0) == 0)
        return L"\\\\?\\UNC\\" + path.substr(2);
    return path;
}

std::vector<std::wstring> WideExtensions(const std::vector<std::string>& ansi) {
    std::vector<std::wstring> wide;
    for (const std::string& ext : ansi)
        wide.push_back(AnsiToWide(ext));
    return wide;
}

// Links that the volume cannot identify are still followed; this bound keeps such a cycle
// from growing without end. No real folder tree comes near it.
constexpr std::size_t MaxDepth = 4096;

} // namespace

TFindThread::TFindThread(IFindThreadSink& sink, const std::vector<std::string>& imageExtensions,
                         const std::wstring& firstFolder, bool findSubDir, TArchiveReader* archives)
    : FSink(sink), FImageExtensions(WideExtensions(imageExtensions)), FArchives(archives),
      FFindSubDir(findSubDir) {
    AddFolder(firstFolder);
}

TFindThread::~TFindThread() {
    // The walk must end before the queue and the strings it uses go away.
    StopAndWait();
}

TFindThread::AddResult TFindThread::AddFolder(const std::wstring& dir) {
    if (!IsFolder(dir) && !IsArchiveFile(dir))
        return AddResult::NotAFolder;
    std::lock_guard lock(FQueueLock);
    if (FQueueClosed)
        return AddResult::Finished;
    FQueue.push_back(dir);
    return AddResult::Queued;
}

bool TFindThread::TakeFirst(std::wstring& dir) {
    std::lock_guard lock(FQueueLock);
    // Finding the queue empty and closing it is one step, so a folder added by the UI thread
    // is either taken by this loop or refused with Finished, never lost in between.
    if (FQueue.empty() || Terminated()) {
        FQueueClosed = true;
        return false;
    }
    dir = FQueue.front();
    return true;
}

void TFindThread::DropFirst() {
    std::lock_guard lock(FQueueLock);
    FQueue.pop_front();
}

void TFindThread::Execute() {
    std::wstring dir;
    for (;;) {
        CheckPaused();
        if (!TakeFirst(dir))
            return;
        // A queued archive is looked into; a folder gone meanwhile is walked as an empty one.
        if (IsArchiveFile(dir))
            TestArchive(dir);
        else
            ScanFolder(dir);
        DropFirst();
    }
}

std::optional<TFindThread::FolderId> TFindThread::FolderIdOf(const std::wstring& dir) {
    UniqueFile file(CreateFileW(LongPathForm(dir).c_str(), 0,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION info;
    if (!file || !GetFileInformationByHandle(file.Get(), &info))
        return std::nullopt;
    return FolderId{info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow};
}

// Walks dir depth first, a sub-folder at the point where the enumeration meets it. The walk
// keeps its own stack of open enumerations instead of recursing, so no folder depth can
// exhaust the thread's stack; the order of entries is the same.
void TFindThread::ScanFolder(const std::wstring& dir) {
    struct Level {
        std::wstring Dir;
        std::optional<FolderId> Id;
        bool IdKnown = false; // Id is looked up only once a link needs it
        UniqueFind Find;
        WIN32_FIND_DATAW Data;
        bool Started = false;
    };
    std::vector<Level> stack;
    auto enter = [&](const std::wstring& folder) {
        FFound = false;
        Level& level = stack.emplace_back();
        level.Dir = folder;
        // Folders past the path limit are walked too.
        const std::wstring pattern = LongPathForm(ChildPath(folder, L"*.*"));
        level.Find.Reset(FindFirstFileW(pattern.c_str(), &level.Data));
    };
    // A folder that the walk is inside already: following it again would never end. Only a
    // link (a reparse point) can lead back there, so only links cost opening the folders.
    auto onPath = [&](const std::wstring& link) {
        const std::optional<FolderId> id = FolderIdOf(link);
        return id && std::any_of(stack.begin(), stack.end(), [&](Level& level) {
                   if (!level.IdKnown) {
                       level.Id = FolderIdOf(level.Dir);
                       level.IdKnown = true;
                   }
                   return level.Id == id;
               });
    };

    enter(dir);
    while (!stack.empty()) {
        Level& level = stack.back();
        bool haveEntry;
        if (!level.Started) {
            level.Started = true;
            haveEntry = static_cast<bool>(level.Find);
        } else {
            // A stop ends the enumeration before the next entry is fetched.
            haveEntry = !Terminated() && FindNextFileW(level.Find.Get(), &level.Data);
        }
        if (!haveEntry) {
            stack.pop_back();
            if (Terminated())
                return;
            FFound = false;
            QueueFolderCount();
            continue;
        }
        CheckPaused();

        const wchar_t* name = level.Data.cFileName;
        if (IsDotEntry(name))
            continue;
        if (level.Data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            // A folder is never taken for an image file, also when sub-folders are not walked.
            if (!FFindSubDir)
                continue;
            const std::wstring child = ChildPath(level.Dir, name);
            const bool link = level.Data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT;
            if (stack.size() >= MaxDepth || (link && onPath(child)))
                continue;
            enter(child); // level is not used after this
            continue;
        }
        if (!FFound)
            TestFile(level.Dir, name);
        if (FArchives != nullptr && FArchives->IsArchiveName(name))
            TestArchive(ChildPath(level.Dir, name));
    }
}

// The extension list is fixed, so the file is tested here; only an image file makes a call to
// the UI thread. That call lists the folder unless it is listed already; either way the folder
// stands in the list once it has run, so the folder's further files need no call (a call for
// them could only find it listed). The walk does not wait for the call: the UI thread runs the
// calls in the order they were made, so the list's order is that of the walk.
void TFindThread::TestFile(const std::wstring& dir, const wchar_t* fileName) {
    if (!ContainsExtension(FImageExtensions, FileExtensionOf(fileName)))
        return;
    FFound = true;
    Queue([this, dir] { CheckFoundFile(dir); });
}

bool TFindThread::IsArchiveFile(const std::wstring& path) const {
    return FArchives != nullptr && FArchives->IsArchiveFile(path);
}

void TFindThread::TestArchive(const std::wstring& path) {
    if (FArchives == nullptr)
        return;
    const std::optional<std::vector<TArchiveEntry>> entries = FArchives->Entries(path);
    if (!entries)
        return;
    const bool holdsPicture = std::any_of(entries->begin(), entries->end(), [&](const auto& e) {
        return ContainsExtension(FImageExtensions, FileExtensionOf(e.Name));
    });
    if (holdsPicture)
        Queue([this, path] { CheckFoundFile(path); });
}

void TFindThread::CheckFoundFile(const std::wstring& dir) {
    if (!FSink.HasFolder(dir))
        FSink.AppendFolder(dir);
}

// The count is read when the call runs, so of several count calls waiting in a row only the
// last needs to run: the UI thread skips one that a later count call follows.
void TFindThread::QueueFolderCount() {
    const unsigned serial = ++FCountsQueued;
    Queue([this, serial] {
        if (serial == FCountsQueued.load())
            ShowFolderCount();
    });
}

void TFindThread::ShowFolderCount() {
    FSink.SetFolderCountText(Format("フォルダ数 %d", FSink.FolderCount()));
}

} // namespace tovane
