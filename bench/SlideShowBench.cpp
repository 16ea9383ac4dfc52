// How the slideshow feels with camera pictures: the real Tovane.exe with the bundled plug-ins
// over six 6000 x 4000 JPEGs, driven as a user drives it (SendInput) and watched on the screen
// (BitBlt of the screen's centre, about every millisecond).
//
// Measured, each from the key press to the settled picture on screen:
//  - a step to a picture decoded ahead (after a pause longer than one decode),
//  - a jump to a picture not decoded ahead (End),
//  - "2" (magnification, from the cached picture; the label changes),
//  - Enter on the folder after its list cursor rested there for a second (the viewer started
//    anew over a small folder and the pictures' folder, Down onto the latter), against the Enter
//    of the run above, on a list nothing was selected in; and beside it the Enter on a folder of
//    one 64 x 64 bitmap (what the show's window costs when its picture takes no time),
// and the longest answer of the window to a message (WM_NULL) during the whole run, starting
// right after Enter; the peak working set of Tovane.exe. The viewer runs RUNS times (default 3),
// each from a fresh start; medians are reported. The baseline, in the same run: the
// bundled plug-in's own GetPicture of the same file in this process (no conversion, no drawing),
// timed while a thread watches the screen as the steps do (that watching takes a share of the
// processors from whatever decodes; the unwatched time is reported beside it).
//   bench_slideshow PICTURE_FOLDER [RUNS]
// The folder holds p0.jpg ... p5.jpg, each with a square of its own colour in the middle
// (bench/CMakeLists.txt makes them: target bench_slideshow_data).
#include "bench/BenchSupport.h"
#include "plugins/SPIs.h"
#include "plugins/portable/SPIRules.h"

#include <windows.h>
#include <psapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace {

// The colours of the middle squares of p0 ... p5 (0x00BBGGRR), as scripts make them.
constexpr COLORREF kMiddle[6] = {RGB(255, 0, 0),   RGB(0, 255, 0),   RGB(0, 0, 255),
                                 RGB(255, 255, 0), RGB(255, 0, 255), RGB(0, 255, 255)};
constexpr int kPictureBytes = 6000 * 4000 * 3;

double Now() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) / static_cast<double>(frequency.QuadPart);
}

using bench::BinFolder;

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "bench_slideshow: %s\n", what);
    std::exit(1);
}

// A folder of its own with Tovane.exe and the bundled modules, so the run's settings file does
// not land in the build.
std::string CopyProgram() {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const std::string dir = std::string(temp) + "tovane-bench-slideshow\\";
    CreateDirectoryA(dir.c_str(), nullptr);
    DeleteFileA((dir + "Tovane.ini").c_str());
    const std::string bin = BinFolder();
    for (const char* program : {"Tovane.exe", "tovane-host.exe"})
        if (!CopyFileA((bin + program).c_str(), (dir + program).c_str(), FALSE))
            Fail("cannot copy the program");
    WIN32_FIND_DATAA fd;
    HANDLE find = FindFirstFileA((bin + tovane::DefaultSPIMask).c_str(), &fd);
    if (find != INVALID_HANDLE_VALUE) {
        do
            CopyFileA((bin + fd.cFileName).c_str(), (dir + fd.cFileName).c_str(), FALSE);
        while (FindNextFileA(find, &fd));
        FindClose(find);
    }
    return dir;
}

// The bundled module that decodes the file first, as the viewer orders them, timed on its own.
double PluginDecodeSeconds(const std::string& programDir, const std::string& file) {
    tovane::TSPIs spis;
    spis.Search(programDir + tovane::DefaultSPIMask);
    std::vector<tovane::TInSPI*> loaders;
    spis.CollectLoaders(".jpg", loaders);
    std::vector<char> header(2048, 0);
    if (FILE* f = std::fopen(file.c_str(), "rb")) {
        header.resize(std::fread(header.data(), 1, header.size(), f));
        header.resize(2048, 0);
        std::fclose(f);
    }
    for (tovane::TInSPI* spi : loaders) {
        if (spi->IsSupported(file.c_str(), header.data()) == 0)
            continue;
        std::vector<double> runs;
        for (int k = 0; k < 3; ++k) {
            HLOCAL info = nullptr, bits = nullptr;
            int result = -1;
            runs.push_back(bench::Seconds(
                [&] { result = spi->GetPicture(file.c_str(), 0, 0, &info, &bits, nullptr, 0); }));
            if (result != 0)
                Fail("the bundled module cannot decode the benchmark picture");
            LocalFree(info);
            LocalFree(bits);
        }
        std::printf("baseline module: %s\n", spi->FileName().c_str());
        return bench::Median(runs);
    }
    Fail("no bundled module decodes the benchmark picture");
}

struct FindWindows {
    DWORD Process;
    HWND Main = nullptr;
    HWND Full = nullptr;
};

BOOL CALLBACK CollectWindow(HWND window, LPARAM data) {
    auto& w = *reinterpret_cast<FindWindows*>(data);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != w.Process || !IsWindowVisible(window))
        return TRUE;
    RECT r;
    GetWindowRect(window, &r);
    if (r.right - r.left == GetSystemMetrics(SM_CXSCREEN) &&
        r.bottom - r.top == GetSystemMetrics(SM_CYSCREEN))
        w.Full = window;
    else if (r.right > r.left && r.bottom > r.top &&
             FindWindowExW(window, nullptr, L"LISTBOX", nullptr))
        w.Main = window;
    return TRUE;
}

FindWindows Windows(DWORD process) {
    FindWindows w{process};
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&w));
    return w;
}

// The processor time of the viewer and of its decoding host (found by name: the host does the
// decoding, the viewer waits for it), in 100 ns units.
unsigned long long ViewerCpu(HANDLE viewer) {
    auto cpu = [](HANDLE process) {
        FILETIME created, exited, kernel, user;
        if (!GetProcessTimes(process, &created, &exited, &kernel, &user))
            return 0ull;
        return (static_cast<unsigned long long>(kernel.dwHighDateTime) << 32 |
                kernel.dwLowDateTime) +
               (static_cast<unsigned long long>(user.dwHighDateTime) << 32 | user.dwLowDateTime);
    };
    unsigned long long total = cpu(viewer);
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 entry{sizeof entry};
    const DWORD viewerId = GetProcessId(viewer);
    for (BOOL more = Process32First(snapshot, &entry); more;
         more = Process32Next(snapshot, &entry)) {
        if (entry.th32ParentProcessID != viewerId || _stricmp(entry.szExeFile, "tovane-host.exe"))
            continue;
        if (HANDLE host =
                OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ProcessID)) {
            total += cpu(host);
            CloseHandle(host);
        }
    }
    CloseHandle(snapshot);
    return total;
}

// Waits until the viewer and its host have used little processor time for a second (only
// painting and this benchmark's messages: the decoding thread is idle), and at least atLeast.
void WaitIdle(HANDLE process, double atLeast) {
    const double earliest = Now() + atLeast;
    unsigned long long last = ViewerCpu(process);
    const double until = Now() + 30;
    for (int quiet = 0; quiet < 4 && Now() < until;) {
        Sleep(250);
        const unsigned long long now = ViewerCpu(process);
        // Under a tenth of a processor: no decode runs.
        quiet = now - last < 250000 ? quiet + 1 : 0;
        last = now;
    }
    while (Now() < earliest)
        Sleep(50);
}

template <typename F> bool WaitFor(double seconds, F&& done) {
    const double until = Now() + seconds;
    while (Now() < until) {
        if (done())
            return true;
        Sleep(5);
    }
    return done();
}

// The screen's pixels, read through the GDI as any program reads them.
class ScreenProbe {
public:
    ScreenProbe() : FScreen(GetDC(nullptr)), FMemory(CreateCompatibleDC(FScreen)) {
        FBitmap = CreateCompatibleBitmap(FScreen, 16, 16);
        SelectObject(FMemory, FBitmap);
    }
    ~ScreenProbe() {
        DeleteDC(FMemory);
        DeleteObject(FBitmap);
        ReleaseDC(nullptr, FScreen);
    }
    COLORREF At(int x, int y) {
        BitBlt(FMemory, 0, 0, 1, 1, FScreen, x, y, SRCCOPY);
        return GetPixel(FMemory, 0, 0);
    }
    // A checksum of a 16 x 16 patch.
    unsigned Patch(int x, int y) {
        BitBlt(FMemory, 0, 0, 16, 16, FScreen, x, y, SRCCOPY);
        unsigned sum = 0;
        for (int j = 0; j < 16; ++j)
            for (int i = 0; i < 16; ++i)
                sum = sum * 31 + GetPixel(FMemory, i, j);
        return sum;
    }

private:
    HDC FScreen;
    HDC FMemory;
    HBITMAP FBitmap;
};

bool Near(COLORREF a, COLORREF b) {
    return std::abs(GetRValue(a) - GetRValue(b)) < 40 &&
           std::abs(GetGValue(a) - GetGValue(b)) < 40 && std::abs(GetBValue(a) - GetBValue(b)) < 40;
}

void Press(WORD vk) {
    INPUT in[2] = {};
    in[0].type = in[1].type = INPUT_KEYBOARD;
    in[0].ki.wVk = in[1].ki.wVk = vk;
    in[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, in, sizeof(INPUT));
}

// The plug-in's decode while another thread watches the screen as StepTo does: the decodes
// the viewer makes during a step share the processors with that watching.
double WatchedDecodeSeconds(const std::string& programDir, const std::string& file) {
    std::atomic<bool> watching{true};
    std::thread watcher([&] {
        ScreenProbe screen;
        const int cx = GetSystemMetrics(SM_CXSCREEN) / 2, cy = GetSystemMetrics(SM_CYSCREEN) / 2;
        while (watching) {
            screen.At(cx, cy);
            Sleep(1);
        }
    });
    const double seconds = PluginDecodeSeconds(programDir, file);
    watching = false;
    watcher.join();
    return seconds;
}

// Key press to the middle of the screen showing picture k.
double StepTo(ScreenProbe& screen, WORD vk, COLORREF middle) {
    const int cx = GetSystemMetrics(SM_CXSCREEN) / 2, cy = GetSystemMetrics(SM_CYSCREEN) / 2;
    const double start = Now();
    Press(vk);
    while (!Near(screen.At(cx, cy), middle)) {
        if (Now() - start > 30)
            Fail("the picture did not appear");
        Sleep(1);
    }
    return Now() - start;
}

double StepTo(ScreenProbe& screen, WORD vk, int k) {
    return StepTo(screen, vk, kMiddle[k]);
}

// Key press to the magnification label changing.
double LabelChange(ScreenProbe& screen, WORD vk) {
    const int x = 8, y = 32;
    const unsigned before = screen.Patch(x, y);
    const double start = Now();
    Press(vk);
    while (screen.Patch(x, y) == before) {
        if (Now() - start > 30)
            Fail("the label did not change");
        Sleep(1);
    }
    return Now() - start;
}

// One run of the viewer, from its start to Esc.
struct Trial {
    double FirstPicture = 0;
    std::vector<double> AheadSteps;
    double Jump = 0;
    double Magnify = 0;
    double Reset = 0;
    double WorstAnswer = 0;
    const char* WorstPhase = "";
    std::size_t PeakWorkingSet = 0;
};

// A running viewer over folders given on its command line, in a job so it never outlives the
// benchmark; its main window once its list holds every folder.
struct Viewer {
    HANDLE Job = nullptr;
    PROCESS_INFORMATION Process{};
    HWND Main = nullptr;
};

Viewer StartViewer(const std::string& program, const std::vector<std::string>& folders) {
    Viewer v;
    v.Job = CreateJobObjectW(nullptr, nullptr);
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    SetInformationJobObject(v.Job, JobObjectExtendedLimitInformation, &limits, sizeof limits);
    DeleteFileA((program + "Tovane.ini").c_str());
    DeleteFileA((program + "Tovane.resume").c_str());
    std::string command = "\"" + program + "Tovane.exe\"";
    for (const std::string& folder : folders)
        command += " \"" + folder + "\"";
    STARTUPINFOA si{sizeof si};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        program.c_str(), &si, &v.Process))
        Fail("cannot start Tovane.exe");
    AssignProcessToJobObject(v.Job, v.Process.hProcess);
    const LRESULT count = static_cast<LRESULT>(folders.size());
    if (!WaitFor(30, [&] {
            v.Main = Windows(v.Process.dwProcessId).Main;
            HWND list = v.Main ? FindWindowExW(v.Main, nullptr, L"LISTBOX", nullptr) : nullptr;
            return list && SendMessageW(list, LB_GETCOUNT, 0, 0) >= count;
        }))
        Fail("the folder was not listed");
    Sleep(500);
    SetForegroundWindow(v.Main);
    return v;
}

void StopViewer(Viewer& v) {
    Press(VK_ESCAPE);
    Sleep(300);
    TerminateProcess(v.Process.hProcess, 0);
    WaitForSingleObject(v.Process.hProcess, 5000);
    CloseHandle(v.Process.hThread);
    CloseHandle(v.Process.hProcess);
    CloseHandle(v.Job);
}

// A folder holding one small magenta bitmap, listed before the pictures' folder so that the list's
// cursor can be moved onto that one.
std::string SmallFolder(const std::string& programDir) {
    const std::string dir = programDir + "small";
    CreateDirectoryA(dir.c_str(), nullptr);
    // A 64 x 64 24-bit bitmap file: the headers and 64 rows of 192 bytes.
    constexpr unsigned kPixelBytes = 64 * 192;
    std::vector<unsigned char> file(54 + kPixelBytes, 0);
    for (unsigned i = 0; i < kPixelBytes; ++i)
        file[54 + i] = i % 3 == 1 ? 0 : 0xFF; // blue, green, red
    const auto put = [&](std::size_t at, unsigned value, int bytes) {
        for (int i = 0; i < bytes; ++i)
            file[at + i] = static_cast<unsigned char>(value >> (8 * i));
    };
    file[0] = 'B';
    file[1] = 'M';
    put(2, static_cast<unsigned>(file.size()), 4);
    put(10, 54, 4);
    put(14, 40, 4);
    put(18, 64, 4);
    put(22, 64, 4);
    put(26, 1, 2);
    put(28, 24, 2);
    put(34, kPixelBytes, 4);
    if (FILE* f = std::fopen((dir + "\\a.bmp").c_str(), "wb")) {
        std::fwrite(file.data(), 1, file.size(), f);
        std::fclose(f);
    }
    return dir;
}

// Enter on the pictures' folder once the list's cursor has rested on it for a second (the
// program lists the folder and decodes its first picture meanwhile), to the first picture on
// screen; and the main window's longest answer to a message during that second.
struct RestedEnter {
    double Enter = 0;
    double WorstAnswer = 0;
    double SmallEnter = 0; // Enter on the small bitmap's folder, in a viewer of its own
};

RestedEnter EnterAfterRest(const std::string& program, const std::string& folder) {
    Viewer v = StartViewer(program, {SmallFolder(program), folder});
    RestedEnter r;
    Press(VK_DOWN);
    for (const double until = Now() + 1; Now() < until; Sleep(5)) {
        const double start = Now();
        DWORD_PTR result;
        SendMessageTimeoutW(v.Main, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &result);
        r.WorstAnswer = std::max(r.WorstAnswer, Now() - start);
    }
    ScreenProbe screen;
    r.Enter = StepTo(screen, VK_RETURN, 0);
    StopViewer(v);
    // What the show itself costs at Enter: its window and a picture that takes no time.
    Viewer small = StartViewer(program, {SmallFolder(program)});
    r.SmallEnter = StepTo(screen, VK_RETURN, RGB(255, 0, 255));
    StopViewer(small);
    return r;
}

Trial RunViewer(const std::string& program, const std::string& folder) {
    Trial t;
    Viewer v = StartViewer(program, {folder});
    const HWND main = v.Main;
    PROCESS_INFORMATION& pi = v.Process;

    // The window's answers to a message, all through the run.
    std::atomic<bool> sampling{true};
    std::atomic<double> worstAnswer{0};
    // What the benchmark was doing when the longest answer was seen.
    std::atomic<const char*> phase{"Enter"};
    std::atomic<const char*> worstPhase{""};
    std::thread sampler([&] {
        while (sampling) {
            const char* during = phase;
            const double start = Now();
            DWORD_PTR result;
            SendMessageTimeoutW(main, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &result);
            const double took = Now() - start;
            if (took > worstAnswer) {
                worstAnswer = took;
                worstPhase = during;
            }
            Sleep(5);
        }
    });

    ScreenProbe screen;
    t.FirstPicture = StepTo(screen, VK_RETURN, 0);
    // Between presses, the decoding thread finishes what it decodes ahead.
    const double pause = 4 * t.FirstPicture;
    phase = "reading ahead after the first picture";
    WaitIdle(pi.hProcess, pause);
    phase = "Right";
    t.AheadSteps.push_back(StepTo(screen, VK_RIGHT, 1));
    phase = "reading ahead";
    WaitIdle(pi.hProcess, pause);
    phase = "Right";
    t.AheadSteps.push_back(StepTo(screen, VK_RIGHT, 2));
    phase = "reading ahead";
    WaitIdle(pi.hProcess, pause);
    // From 2, the pictures decoded ahead are 3, 4 and 1: the last one is not among them.
    phase = "End";
    t.Jump = StepTo(screen, VK_END, 5);
    phase = "reading ahead";
    WaitIdle(pi.hProcess, pause);
    phase = "Left";
    t.AheadSteps.push_back(StepTo(screen, VK_LEFT, 4));
    phase = "reading ahead";
    WaitIdle(pi.hProcess, pause);
    phase = "\"2\"";
    t.Magnify = LabelChange(screen, '2');
    Sleep(500);
    phase = "\"0\"";
    t.Reset = LabelChange(screen, '0');
    Sleep(500);
    sampling = false;
    sampler.join();
    t.WorstAnswer = worstAnswer;
    t.WorstPhase = worstPhase;

    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof memory;
    GetProcessMemoryInfo(pi.hProcess, &memory, sizeof memory);
    t.PeakWorkingSet = memory.PeakWorkingSetSize;
    StopViewer(v);
    return t;
}

template <typename T, typename F> double MedianOf(const std::vector<T>& items, F&& value) {
    std::vector<double> v;
    for (const T& item : items)
        v.push_back(value(item));
    return bench::Median(v);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2)
        Fail("usage: bench_slideshow PICTURE_FOLDER [RUNS]");
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
    char full[MAX_PATH] = {};
    GetFullPathNameA(argv[1], MAX_PATH, full, nullptr);
    const std::string folder = full;
    std::string pictures = folder;
    if (pictures.back() != '\\')
        pictures += '\\';
    const std::string program = CopyProgram();
    const std::string first = pictures + "p0.jpg";

    // The viewer runs several times, each from a fresh start (so that its jump finds a picture
    // that is not cached); the module's own decode is timed before every run and after the last.
    std::vector<double> watched{WatchedDecodeSeconds(program, first)};
    std::vector<double> unwatched{PluginDecodeSeconds(program, first)};
    std::vector<Trial> trials;
    std::vector<RestedEnter> rests;
    for (int k = 0; k < runs; ++k) {
        trials.push_back(RunViewer(program, folder));
        rests.push_back(EnterAfterRest(program, folder));
        watched.push_back(WatchedDecodeSeconds(program, first));
        unwatched.push_back(PluginDecodeSeconds(program, first));
    }
    const double plugin = bench::Median(watched);
    const double idle = bench::Median(unwatched);

    MEMORYSTATUSEX status{};
    status.dwLength = sizeof status;
    GlobalMemoryStatusEx(&status);
    const double cacheBound =
        static_cast<double>(std::min<DWORDLONG>(status.ullTotalPhys / 4, DWORDLONG{1} << 30));
    const double mib = 1024.0 * 1024.0;
    const auto list = [](const std::vector<double>& v) {
        std::string out;
        for (double x : v)
            out += (out.empty() ? "" : ", ") + std::to_string(static_cast<int>(x * 1000 + 0.5));
        return out;
    };
    std::vector<double> steps, jumps, worst;
    std::size_t peak = 0;
    const char* worstPhase = "";
    double worstOfAll = 0;
    for (const Trial& t : trials) {
        steps.insert(steps.end(), t.AheadSteps.begin(), t.AheadSteps.end());
        jumps.push_back(t.Jump);
        worst.push_back(t.WorstAnswer);
        peak = std::max(peak, t.PeakWorkingSet);
        if (t.WorstAnswer > worstOfAll) {
            worstOfAll = t.WorstAnswer;
            worstPhase = t.WorstPhase;
        }
    }
    const double jump = bench::Median(jumps);

    std::printf("%d runs of the viewer; medians, every value in brackets (ms)\n", runs);
    std::printf("plug-in's own decode of one picture: %.0f ms while the screen is watched as "
                "during a step [%s] (the ratios use it); %.0f ms unwatched [%s]\n",
                plugin * 1000, list(watched).c_str(), idle * 1000, list(unwatched).c_str());
    std::printf("Enter to the first picture:           %.0f ms (%.2fx the decode)\n",
                MedianOf(trials, [](const Trial& t) { return t.FirstPicture; }) * 1000,
                MedianOf(trials, [](const Trial& t) { return t.FirstPicture; }) / plugin);
    const double enter = MedianOf(trials, [](const Trial& t) { return t.FirstPicture; });
    std::vector<double> restedEnters, restAnswers, smallEnters;
    for (const RestedEnter& r : rests) {
        restedEnters.push_back(r.Enter);
        restAnswers.push_back(r.WorstAnswer);
        smallEnters.push_back(r.SmallEnter);
    }
    const double rested = bench::Median(restedEnters);
    std::printf(
        "Enter, the folder selected 1 s before: %.0f ms (target at most 50; %.2fx the Enter "
        "with nothing selected before) [%s]; the main window's longest answer to a "
        "message during that second: %.0f ms [%s]\n",
        rested * 1000, rested / enter, list(restedEnters).c_str(),
        *std::max_element(restAnswers.begin(), restAnswers.end()) * 1000,
        list(restAnswers).c_str());
    std::printf("Enter on a folder of one 64 x 64 bitmap:  %.0f ms (the show's own cost) [%s]\n",
                bench::Median(smallEnters) * 1000, list(smallEnters).c_str());
    std::printf("step to a picture decoded ahead:     %.0f ms, longest %.0f ms (target at most "
                "50) [%s]\n",
                bench::Median(steps) * 1000, *std::max_element(steps.begin(), steps.end()) * 1000,
                list(steps).c_str());
    std::printf("jump to a picture not decoded ahead: %.0f ms (%.2fx the decode; target 1.15; "
                "%.2fx the unwatched one) [%s]\n",
                jump * 1000, jump / plugin, jump / idle, list(jumps).c_str());
    std::printf("magnification \"2\":                   %.0f ms (target at most 150); \"0\": %.0f "
                "ms\n",
                MedianOf(trials, [](const Trial& t) { return t.Magnify; }) * 1000,
                MedianOf(trials, [](const Trial& t) { return t.Reset; }) * 1000);
    std::printf("longest answer to a message:         %.0f ms (target at most 50), during %s; "
                "each run's [%s]\n",
                worstOfAll * 1000, worstPhase, list(worst).c_str());
    std::printf("peak working set: %.0f MiB; cache bound %.0f MiB + two pictures %.0f MiB = %.0f "
                "MiB (%.2fx)\n",
                peak / mib, cacheBound / mib, 2 * kPictureBytes / mib,
                (cacheBound + 2 * kPictureBytes) / mib, peak / (cacheBound + 2 * kPictureBytes));
    return 0;
}
