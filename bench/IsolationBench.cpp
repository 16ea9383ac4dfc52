// Cost of running the plug-ins in the decoding host: the same 6000 x 4000 picture (test module
// bench_big) loaded as the viewer loads it (TPicture::LoadFromFile through TSPIBitmap), in this
// process and through tovane-host.exe, interleaved in one run; and the time to start a host
// (process, pipe, greeting). Medians, reported as ratios against the in-process load.
//   bench_isolation [RUNS]
#include "framework/win32/Picture.h"
#include "imaging/PluginHost.h"
#include "imaging/SPIBmp.h"
#include "plugins/SPIs.h"

#include "bench/BenchSupport.h"

#include <windows.h>

#include <cstdio>
#include <algorithm>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

using bench::Median;
using bench::Seconds;

using bench::BinFolder;

void Load(const std::string& path) {
    tovane::TPicture picture;
    picture.LoadFromFile(path);
    if (picture.Width() != 6000) {
        std::fprintf(stderr, "the picture did not load\n");
        std::exit(1);
    }
}

} // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
    const std::string path = bench::WriteBigPictureFile();
    tovane::SpiBmpUnit unit;
    tovane::TSPIs spis;
    spis.Search(BinFolder() + "testplugins\\bench_big\\" + tovane::DefaultSPIMask);
    if (spis.Count() != 1) {
        std::fprintf(stderr, "cannot load the module bench_big\n");
        return 2;
    }
    // The host is parked here while the in-process loads run, so it keeps running between.
    std::unique_ptr<tovane::TSPIIsolation> host = std::make_unique<tovane::TPluginHost>();
    const auto inProcess = [&] { Load(path); };
    const auto throughHost = [&] {
        spis.Isolation = std::move(host);
        Load(path);
        host = std::move(spis.Isolation);
    };
    // The decoding job alone, without the conversion into a plain bitmap.
    const auto jobInProcess = [&] {
        tovane::TSPIGraphic graphic;
        graphic.LoadFromFile(path);
    };
    const auto jobThroughHost = [&] {
        spis.Isolation = std::move(host);
        jobInProcess();
        host = std::move(spis.Isolation);
    };
    // Only the start is timed; ending the host is not. For scale, the same program started
    // without a pipe to connect to, which ends at once: what any process start costs here.
    std::vector<double> starts;
    std::vector<double> bareStarts;
    const auto bareStart = [&] {
        const std::wstring exe = tovane::TPluginHost::DefaultHostPath();
        std::wstring command = L"\"" + exe + L"\"";
        STARTUPINFOW si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        bareStarts.push_back(Seconds([&] {
            if (!CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE,
                                CREATE_NO_WINDOW, nullptr, nullptr, &si, &pi))
                std::exit(2);
            WaitForSingleObject(pi.hProcess, INFINITE);
        }));
        CloseHandle(pi.hProcess);
        CloseHandle(pi.hThread);
    };
    const auto hostStart = [&] {
        tovane::TPluginHost fresh;
        starts.push_back(Seconds([&] { fresh.Start(); }));
    };
    using Case = bench::TimedCase<void>;
    std::vector<Case> cases = {{"load in process (baseline)", inProcess, {}},
                               {"load through the host", throughHost, {}},
                               {"  decoding job in process", jobInProcess, {}},
                               {"  decoding job through the host", jobThroughHost, {}}};
    for (Case& c : cases) // warm up: the module's first load in the host stays out
        Seconds(c.Run);
    hostStart();
    bareStart();
    starts.clear();
    bareStarts.clear();
    for (int i = 0; i < runs; ++i) { // interleaved, so drifts of the machine hit all alike
        for (Case& c : cases)
            c.Times.push_back(Seconds(c.Run));
        hostStart();
        bareStart();
    }

    std::printf("6000 x 4000 x 24 bits, median of %d runs:\n", runs);
    const double baseline = Median(cases.front().Times);
    for (const Case& c : cases) {
        const double m = Median(c.Times);
        std::printf("  %-32s %8.3f s   ratio %.2f\n", c.Name, m, m / baseline);
    }
    std::printf("  %-32s %8.3f s   ratio %.2f to a bare start and exit of it, %.3f s\n",
                "host start (process, pipe, greeting)", Median(starts),
                Median(starts) / Median(bareStarts), Median(bareStarts));
    return 0;
}
