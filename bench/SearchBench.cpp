// Cost of the background folder search against a bare recursive FindFirstFileA walk of the same
// tree, in one run. The tree (2,000 folders, 50,000 files, a fifth of them images; empty files)
// is made once in the temporary folder and kept. The search runs as in the main window: a
// TFindThread at the lowest priority, its calls served by this thread's message loop, filling a
// real list box and status bar. The time runs until the search's end handler, so every call
// has been served. Warm cache: the median of several interleaved runs.
//
// With the archive module beside it (and the data of make-archives.py), also: a search over 200
// folders that each hold pictures and a ZIP of pictures, against the bare walk plus reading
// each archive's list of files once; and a ZIP of 1,000 photos opened as a slideshow would (its
// list, then its first picture) against decoding that photo from a file.
//   bench_search [RUNS]
#include "app/FindThreadU.h"
#include "framework/win32/Picture.h"
#include "imaging/ArchiveReader.h"
#include "imaging/PluginHost.h"
#include "imaging/SPIBmp.h"
#include "slideshow/PictureListing.h"
#include "framework/Strings.h"
#include "framework/win32/ComCtrls.h"
#include "framework/win32/Forms.h"
#include "framework/win32/Handles.h"
#include "framework/win32/StdCtrls.h"
#include "framework/win32/Text.h"

#include "bench/BenchSupport.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr int TopFolders = 40;
constexpr int SubFoldersEach = 49;        // 40 + 40 * 49 = 2,000 folders
constexpr int FilesEach = 25;             // 2,000 * 25 = 50,000 files
constexpr int ImagesEach = FilesEach / 5; // a fifth of them images
constexpr int FolderCount = TopFolders * (1 + SubFoldersEach);

const char* const ImageExt[] = {"jpg", "png", "bmp"};
const char* const OtherExt[] = {"txt", "dat"};

std::string TreeRoot() {
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    return std::string(temp) + "tovane-bench-search";
}

void MakeFiles(const std::string& folder, int seed) {
    for (int i = 0; i < FilesEach; ++i) {
        // The images are spread among the other files, not all first.
        const bool image = (i * 7 + seed) % FilesEach < ImagesEach;
        char name[64];
        std::snprintf(name, sizeof name, "\\file%03d.%s", i,
                      image ? ImageExt[(i + seed) % 3] : OtherExt[(i + seed) % 2]);
        tovane::UniqueFile file(CreateFileA((folder + name).c_str(), GENERIC_WRITE, 0, nullptr,
                                            CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) {
            std::fprintf(stderr, "cannot create %s%s\n", folder.c_str(), name);
            std::exit(2);
        }
    }
}

// Makes the tree unless a finished one is there (its stamp file is written last).
std::string MakeTree() {
    const std::string root = TreeRoot();
    const std::string stamp = root + "\\tree-complete.stamp";
    if (GetFileAttributesA(stamp.c_str()) != INVALID_FILE_ATTRIBUTES)
        return root;
    std::printf("making the tree in %s ...\n", root.c_str());
    std::fflush(stdout);
    CreateDirectoryA(root.c_str(), nullptr);
    int seed = 0;
    for (int t = 0; t < TopFolders; ++t) {
        char top[32];
        std::snprintf(top, sizeof top, "\\dir%02d", t);
        const std::string topPath = root + top;
        CreateDirectoryA(topPath.c_str(), nullptr);
        MakeFiles(topPath, seed++);
        for (int s = 0; s < SubFoldersEach; ++s) {
            char sub[32];
            std::snprintf(sub, sizeof sub, "\\sub%02d", s);
            const std::string subPath = topPath + sub;
            CreateDirectoryA(subPath.c_str(), nullptr);
            MakeFiles(subPath, seed++);
        }
    }
    tovane::UniqueFile done(CreateFileA(stamp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    return root;
}

// The baseline: every entry of the tree visited once, folders entered recursively.
// With identify, each folder is also opened for its volume and file index, as the search does
// to recognise links back to a folder being walked.
void BareWalk(const std::string& folder, long& files, long& folders, bool identify = false) {
    WIN32_FIND_DATAA data;
    tovane::UniqueFind find(FindFirstFileA((folder + "\\*.*").c_str(), &data));
    if (!find)
        return;
    ++folders;
    if (identify) {
        tovane::UniqueFile handle(
            CreateFileA(folder.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                        nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        BY_HANDLE_FILE_INFORMATION info;
        if (!handle || !GetFileInformationByHandle(handle.Get(), &info))
            ++files; // counted so that a failure shows as a wrong total
    }
    do {
        if (data.cFileName[0] == '.' &&
            (!data.cFileName[1] || (data.cFileName[1] == '.' && !data.cFileName[2])))
            continue;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            BareWalk(folder + "\\" + data.cFileName, files, folders, identify);
        else
            ++files;
    } while (FindNextFileA(find.Get(), &data));
}

// What the main window gives the search: its list box and status bar, real controls on a
// hidden form, used as the main window uses them.
class WindowSink : public tovane::IFindThreadSink {
public:
    WindowSink() : Form(nullptr, tovane::TFormProps{.ClientWidth = 400, .ClientHeight = 300}) {
        List.Create(Form, {.Align = tovane::TAlign::Client}, {.MultiSelect = true});
        Status.Create(Form, {.Align = tovane::TAlign::Bottom}, {100, 100, 200});
    }
    bool HasFolder(const std::wstring& dir) override {
        ++Lookups;
        return List.IndexOf(dir) >= 0;
    }
    void AppendFolder(const std::wstring& dir) override { List.Add(dir); }
    int FolderCount() override { return List.Count(); }
    void SetFolderCountText(const std::string& text) override {
        ++CountTexts;
        Status.SetPanelText(0, text);
    }

    class Window : public tovane::TForm {
    public:
        Window(tovane::TForm* owner, tovane::TFormProps props)
            : TForm(owner), FProps(std::move(props)) {}

    private:
        void LoadForm() override { CreateForm(FProps); }
        tovane::TFormProps FProps;
    };
    tovane::TBuiltForm<Window> Form;
    tovane::TListBox List;
    tovane::TStatusBar Status;
    long Lookups = 0;    // calls for an image file
    long CountTexts = 0; // calls at a folder's end
};

// One search of the tree, to its end, served by a GetMessage loop as the window's.
std::size_t Search(const std::string& root, long* calls = nullptr,
                   tovane::ThreadPriority priority = tovane::ThreadPriority::Lowest,
                   tovane::TArchiveReader* archives = nullptr) {
    WindowSink sink;
    bool ended = false;
    tovane::TFindThread thread(sink, {"bmp", "jpg", "png"}, tovane::AnsiToWide(root), true,
                               archives);
    thread.OnTerminate = [&] { ended = true; };
    thread.SetPriority(priority);
    thread.Resume();
    MSG msg;
    while (!ended && GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    if (calls)
        *calls = sink.Lookups + sink.CountTexts;
    if (sink.Status.PanelText(0) != tovane::Format("フォルダ数 %d", sink.List.Count())) {
        std::fprintf(stderr, "the count panel was not brought up to date\n");
        std::exit(1);
    }
    return static_cast<std::size_t>(sink.List.Count());
}

// What the search's calls would cost if the walk waited for each: a thread that hands empty
// messages to this thread's message loop and waits for each to be answered, as many as the
// search made calls.
constexpr UINT WM_ROUND_TRIP = WM_APP + 0x100;

class RoundTrips : public tovane::TThread {
public:
    RoundTrips(long count, DWORD uiThread, HANDLE answered)
        : FCount(count), FUiThread(uiThread), FAnswered(answered) {}
    ~RoundTrips() override { StopAndWait(); }

protected:
    void Execute() override {
        for (long i = 0; i < FCount && !Terminated(); ++i) {
            PostThreadMessageW(FUiThread, WM_ROUND_TRIP, 0, 0);
            WaitForSingleObject(FAnswered, INFINITE);
        }
    }

private:
    long FCount;
    DWORD FUiThread;
    HANDLE FAnswered;
};

void RunRoundTrips(long count) {
    const tovane::UniqueKernelHandle answered(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    RoundTrips thread(count, GetCurrentThreadId(), answered.Get());
    bool ended = false;
    thread.OnTerminate = [&] { ended = true; };
    thread.SetPriority(tovane::ThreadPriority::Lowest);
    thread.Resume();
    MSG msg;
    while (!ended && GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (msg.hwnd == nullptr && msg.message == WM_ROUND_TRIP) {
            SetEvent(answered.Get());
            continue;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

using bench::Median;
using bench::Seconds;

// ---- archives ----

constexpr int ArchiveFolders = 200;

std::string ArchiveData() {
    return bench::BinFolder() + "bench-data\\search-archives";
}

std::string ArchiveFolder(const std::string& root, int i) {
    char name[32];
    std::snprintf(name, sizeof name, "\\dir%03d", i);
    return root + name;
}

// 200 folders, each with ten files (half of them pictures) and a copy of small.zip; made once.
std::string MakeArchiveTree(const std::string& smallZip) {
    const std::string root = TreeRoot() + "-archives";
    const std::string stamp = root + "\\tree-complete.stamp";
    if (GetFileAttributesA(stamp.c_str()) != INVALID_FILE_ATTRIBUTES)
        return root;
    CreateDirectoryA(root.c_str(), nullptr);
    for (int i = 0; i < ArchiveFolders; ++i) {
        const std::string folder = ArchiveFolder(root, i);
        CreateDirectoryA(folder.c_str(), nullptr);
        for (int k = 0; k < 10; ++k) {
            const std::string file = folder + "\\f" + std::to_string(k) + (k % 2 ? ".txt" : ".jpg");
            tovane::UniqueFile f(CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr,
                                             CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        }
        if (!CopyFileA(smallZip.c_str(), (folder + "\\set.zip").c_str(), FALSE)) {
            std::fprintf(stderr, "cannot copy %s\n", smallZip.c_str());
            std::exit(2);
        }
    }
    tovane::UniqueFile done(CreateFileA(stamp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    return root;
}

// A reader as the program makes it, its decoding host started (on an archive outside the tree).
std::unique_ptr<tovane::TArchiveReader> WarmReader(const tovane::TSPIs& spis) {
    auto reader = std::make_unique<tovane::TArchiveReader>(spis, true);
    reader->Entries(tovane::AnsiToWide(ArchiveData() + "\\small.zip"));
    return reader;
}

void ArchiveFigures(int runs) {
    const std::string data = ArchiveData();
    const std::string book = data + "\\book.zip";
    if (GetFileAttributesA(book.c_str()) == INVALID_FILE_ATTRIBUTES) {
        std::printf("(no archive figures: %s is missing)\n", book.c_str());
        return;
    }
    const tovane::SpiBmpUnit spiBmp;
    tovane::TSPIs spis;
    spis.Isolation = std::make_unique<tovane::TPluginHost>();
    spis.Search(bench::BinFolder() + tovane::DefaultSPIMask);
    const std::string root = MakeArchiveTree(data + "\\small.zip");
    const std::wstring photo = tovane::AnsiToWide(data + "\\photo.jpg");
    const std::wstring bookPath = tovane::AnsiToWide(book);
    {
        auto reader = WarmReader(spis);
        const std::size_t listed = Search(root, nullptr, tovane::ThreadPriority::Lowest, reader.get());
        if (listed != 2 * ArchiveFolders) {
            std::fprintf(stderr, "the archive tree listed %zu places, not %d\n", listed,
                         2 * ArchiveFolders);
            std::exit(1);
        }
        tovane::TPicture warm;
        warm.LoadFromFile(photo);
    }
    std::vector<double> walkTimes, readTimes, searchTimes, openTimes, aloneTimes;
    std::size_t pictures = 0;
    for (int i = 0; i < runs; ++i) {
        walkTimes.push_back(Seconds([&] {
            long f = 0, d = 0;
            BareWalk(root, f, d);
        }));
        auto reader = WarmReader(spis);
        readTimes.push_back(Seconds([&] {
            for (int k = 0; k < ArchiveFolders; ++k)
                reader->Entries(tovane::AnsiToWide(ArchiveFolder(root, k) + "\\set.zip"));
        }));
        reader = WarmReader(spis);
        searchTimes.push_back(Seconds(
            [&] { Search(root, nullptr, tovane::ThreadPriority::Lowest, reader.get()); }));
        reader = WarmReader(spis);
        openTimes.push_back(Seconds([&] {
            const tovane::TPictureList list =
                tovane::ListPictures(bookPath, "*.bmp;*.jpg;*.png;", {}, reader.get());
            pictures = static_cast<std::size_t>(list.Count());
            tovane::TPicture picture;
            tovane::LoadPictureAt(picture, list.Location(0), reader.get());
        }));
        aloneTimes.push_back(Seconds([&] {
            tovane::TPicture picture;
            picture.LoadFromFile(photo);
        }));
    }
    const double walk = Median(walkTimes), reads = Median(readTimes),
                 search = Median(searchTimes), open = Median(openTimes),
                 alone = Median(aloneTimes);
    std::printf("%s: %d folders, each with pictures and a ZIP; median of %d runs\n", root.c_str(),
                ArchiveFolders, runs);
    std::printf("  %-44s %8.3f s\n", "bare FindFirstFileA walk", walk);
    std::printf("  %-44s %8.3f s\n", "reading the 200 archives' lists", reads);
    std::printf("  %-44s %8.3f s   ratio %.2f to walk + lists (target 1.50)\n",
                "TFindThread search with archives", search, search / (walk + reads));
    std::printf("%s (%zu pictures):\n", book.c_str(), pictures);
    std::printf("  %-44s %8.3f s\n", "the first photo decoded from a file", alone);
    std::printf("  %-44s %8.3f s   %+.0f ms (target +100 ms)\n",
                "the ZIP listed and its first photo shown", open, (open - alone) * 1000);
}

} // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const std::string root = MakeTree();

    long files = 0, folders = 0;
    BareWalk(root, files, folders);
    long calls = 0;
    const std::size_t listed = Search(root, &calls);
    // Every folder but the root holds images.
    if (files != 1L + FolderCount * FilesEach || folders != FolderCount + 1 ||
        listed != static_cast<std::size_t>(FolderCount)) {
        std::fprintf(stderr, "unexpected tree: %ld files, %ld folders, %zu listed\n", files,
                     folders, listed);
        return 1;
    }

    std::vector<double> walkTimes, identifyTimes, searchTimes, normalTimes, tripTimes;
    for (int i = 0; i < runs; ++i) { // interleaved, so drifts of the machine hit all alike
        walkTimes.push_back(Seconds([&] {
            long f = 0, d = 0;
            BareWalk(root, f, d);
        }));
        identifyTimes.push_back(Seconds([&] {
            long f = 0, d = 0;
            BareWalk(root, f, d, true);
        }));
        searchTimes.push_back(Seconds([&] { Search(root); }));
        tripTimes.push_back(Seconds([&] { RunRoundTrips(calls); }));
        normalTimes.push_back(
            Seconds([&] { Search(root, nullptr, tovane::ThreadPriority::Normal); }));
    }
    const double walk = Median(walkTimes), identify = Median(identifyTimes),
                 search = Median(searchTimes), normal = Median(normalTimes),
                 trips = Median(tripTimes);
    std::printf("%s: %ld folders, %ld files, %zu listed; median of %d runs\n", root.c_str(),
                folders, files, listed, runs);
    std::printf("  %-44s %8.3f s   ratio 1.00\n", "bare FindFirstFileA walk (baseline)", walk);
    std::printf("  %-44s %8.3f s   ratio %.2f   (%ld list and count updates)\n",
                "TFindThread search, to its end handler", search, search / walk, calls);
    std::printf("  %-44s %8.3f s   ratio %.2f\n", "the same at normal priority", normal,
                normal / walk);
    std::printf("For reference:\n");
    std::printf("  %-44s %8.3f s   ratio %.2f   (%.1f us each)\n", "as many calls, each waited for",
                trips, trips / walk, calls ? trips / static_cast<double>(calls) * 1e6 : 0.0);
    std::printf("  %-44s %8.3f s   ratio %.2f   (the search opens only links)\n",
                "walk + opening each folder", identify, identify / walk);
    ArchiveFigures(runs);
    return 0;
}
