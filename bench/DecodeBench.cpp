// Cost of loading a big plug-in picture through the host, as the viewer loads it: the plug-in
// collection with the benchmark module (bench_big: 6000 x 4000, 24 bits, 72 MB of pixels) and
// TPicture::LoadFromFile, which goes through TSPIBitmap. Times are medians of several runs,
// reported against one plain memcpy of the image's bytes measured in the same run; the module's
// own GetPicture (allocating and filling the blocks) is timed too, so the host's share shows.
// Peak memory is measured in fresh child processes (a process's peak never goes down): one
// that loads the picture and one that only allocates and touches as many bytes as the image
// holds, which shows what the counters mean on this system.
//   bench_decode [RUNS]
#include "framework/win32/Picture.h"
#include "imaging/SPIBmp.h"
#include "framework/Streams.h"
#include "plugins/SPIs.h"

#include "bench/BenchSupport.h"

#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int ImageWidth = 6000;
constexpr int ImageHeight = 4000;
constexpr std::size_t ImageBytes = std::size_t{ImageWidth} * 3 * ImageHeight; // rows need no pad

using bench::BinFolder;

std::string PluginFolder() {
    return BinFolder() + "testplugins\\bench_big\\";
}

using bench::Median;
using bench::Seconds;

// The collection as the main window makes it, with the benchmark module as its only plug-in.
std::unique_ptr<tovane::TSPIs> MakeCollection() {
    auto spis = std::make_unique<tovane::TSPIs>();
    spis->Search(PluginFolder() + tovane::DefaultSPIMask);
    if (spis->Count() != 1) {
        std::fprintf(stderr, "cannot load the module bench_big in %s\n", PluginFolder().c_str());
        std::exit(2);
    }
    return spis;
}

void LoadThroughHost(const std::string& path) {
    tovane::TPicture picture;
    picture.LoadFromFile(path);
    if (picture.Width() != ImageWidth || std::abs(picture.Height()) != ImageHeight) {
        std::fprintf(stderr, "loaded %d x %d, not %d x %d\n", picture.Width(), picture.Height(),
                     ImageWidth, ImageHeight);
        std::exit(1);
    }
}

PROCESS_MEMORY_COUNTERS_EX MemoryCounters() {
    PROCESS_MEMORY_COUNTERS_EX c{};
    c.cb = sizeof c;
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&c),
                         sizeof c);
    return c;
}

// Child process: the peak growth of the counters over one piece of work, as multiples of the
// image size.
int MeasureMemory(const char* what) {
    const std::string path = bench::WriteBigPictureFile();
    tovane::SpiBmpUnit unit;
    std::unique_ptr<tovane::TSPIs> spis = MakeCollection();
    const PROCESS_MEMORY_COUNTERS_EX before = MemoryCounters();
    if (!std::strcmp(what, "load")) {
        LoadThroughHost(path);
    } else { // "touch": as many bytes as the image, every page written
        void* block = VirtualAlloc(nullptr, ImageBytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
        if (!block)
            return 2;
        std::memset(block, 1, ImageBytes);
        VirtualFree(block, 0, MEM_RELEASE);
    }
    const PROCESS_MEMORY_COUNTERS_EX after = MemoryCounters();
    auto ratio = [](SIZE_T peak, SIZE_T base) {
        return peak > base ? static_cast<double>(peak - base) / static_cast<double>(ImageBytes)
                           : 0.0;
    };
    std::printf("  %-24s peak pagefile +%7.1f MB (%.2f x image), peak working set +%7.1f MB "
                "(%.2f x image)\n",
                what, static_cast<double>(after.PeakPagefileUsage - before.PagefileUsage) / 1e6,
                ratio(after.PeakPagefileUsage, before.PagefileUsage),
                static_cast<double>(after.PeakWorkingSetSize - before.WorkingSetSize) / 1e6,
                ratio(after.PeakWorkingSetSize, before.WorkingSetSize));
    std::printf("  %-24s (before: pagefile %.1f MB, peak %.1f MB; working set %.1f MB, peak "
                "%.1f MB)\n",
                "", static_cast<double>(before.PagefileUsage) / 1e6,
                static_cast<double>(before.PeakPagefileUsage) / 1e6,
                static_cast<double>(before.WorkingSetSize) / 1e6,
                static_cast<double>(before.PeakWorkingSetSize) / 1e6);
    std::fflush(stdout);
    return 0;
}

// Runs this program again with the arguments and waits; its output goes to ours.
bool RunChild(const std::string& arguments) {
    char exe[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    std::string command = std::string("\"") + exe + "\" " + arguments;
    STARTUPINFOA si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    si.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    si.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION pi{};
    std::fflush(stdout);
    if (!CreateProcessA(exe, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi))
        return false;
    tovane::UniqueKernelHandle process(pi.hProcess), thread(pi.hThread);
    WaitForSingleObject(process.Get(), INFINITE);
    DWORD code = 1;
    GetExitCodeProcess(process.Get(), &code);
    return code == 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 2 && !std::strcmp(argv[1], "--memory"))
        return MeasureMemory(argv[2]);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;

    std::printf("Peak memory over one load (each in a fresh process), image %zu bytes:\n",
                ImageBytes);
    if (!RunChild("--memory touch") || !RunChild("--memory load")) {
        std::fprintf(stderr, "a memory measurement failed\n");
        return 1;
    }

    const std::string path = bench::WriteBigPictureFile();
    tovane::SpiBmpUnit unit;
    std::unique_ptr<tovane::TSPIs> spis = MakeCollection();
    auto* plugin = dynamic_cast<tovane::TInSPI*>(&spis->Items(0));
    if (!plugin)
        return 2;

    std::vector<char> source(ImageBytes, 1), target(ImageBytes, 2);
    tovane::TSPIGraphic loaded;
    loaded.LoadFromFile(path);
    using Case = bench::TimedCase<void>;
    std::vector<Case> cases = {
        {"memcpy of the image (baseline)",
         [&] { std::memcpy(target.data(), source.data(), ImageBytes); },
         {}},
        {"module GetPicture alone",
         [&] {
             HLOCAL info = nullptr, bits = nullptr;
             const int result = plugin->GetPicture(path.c_str(), 0, 0, &info, &bits, nullptr, 0);
             tovane::UniqueLocal infoBlock(info), bitsBlock(bits);
             if (result != 0) {
                 std::fprintf(stderr, "GetPicture answered %d\n", result);
                 std::exit(1);
             }
         },
         {}},
        {"TPicture::LoadFromFile", [&] { LoadThroughHost(path); }, {}},
        // Where the load's time goes: its steps one by one.
        {"  fresh 72 MB block, touched",
         [&] {
             void* block =
                 VirtualAlloc(nullptr, ImageBytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
             if (!block)
                 std::exit(2);
             std::memset(block, 3, ImageBytes);
             VirtualFree(block, 0, MEM_RELEASE);
         },
         {}},
        {"  decoding job (TSPIGraphic)",
         [&] {
             tovane::TSPIGraphic graphic;
             graphic.LoadFromFile(path);
         },
         {}},
        {"  conversion to a TBitmap",
         [&] {
             // The bitmap file written into one block whose pixel rows the bitmap keeps.
             const std::unique_ptr<tovane::TGraphic> bitmap =
                 loaded.ConvertTo(&tovane::TBitmap::ClassInfo);
             if (bitmap->Width() != ImageWidth)
                 std::exit(1);
         },
         {}},
    };
    for (Case& c : cases) // warm up: first-use costs stay out of the figures
        Seconds(c.Run);
    for (int i = 0; i < runs; ++i) // interleaved, so drifts of the machine hit all alike
        for (Case& c : cases)
            c.Times.push_back(Seconds(c.Run));

    std::printf("Load time, median of %d runs:\n", runs);
    const double baseline = Median(cases.front().Times);
    for (const Case& c : cases) {
        const double m = Median(c.Times);
        std::printf("  %-32s %8.3f s   ratio %.2f\n", c.Name, m, m / baseline);
    }
    std::printf("  %-32s %8.3f s   ratio %.2f\n", "host's share (load - module)",
                Median(cases[2].Times) - Median(cases[1].Times),
                (Median(cases[2].Times) - Median(cases[1].Times)) / baseline);
    return 0;
}
