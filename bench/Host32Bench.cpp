// Cost of the 32-bit decoding host: a 6000 x 4000 JPEG decoded by the bundled 32-bit ifjpeg.spi
// through the decoding job, from the 64-bit program through tovane-host32.exe, against the same
// module's decode inside the 32-bit build. One run: the 64-bit program starts the 32-bit half of
// this benchmark and asks it for one decode at a time, interleaved with its own. Medians,
// reported as a ratio to the 32-bit decode.
//   bench_host32 [RUNS]                      (win64 build; from its bin/)
//   bench_host32 --serve MODULE PICTURE      (win32 build; the baseline, driven by the above:
//                                             one decode per line on its input, one time back)
#include "imaging/PluginHost.h"
#include "imaging/SPIBmp.h"
#include "plugins/SPIs.h"

#include "bench/BenchSupport.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

using bench::BinFolder;
using bench::Median;
using bench::Seconds;

constexpr int Width = 6000;

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "bench_host32: %s\n", what);
    std::exit(2);
}

// The decoding job as the viewer's picture control runs it.
void Decode(const std::string& picture) {
    tovane::TSPIGraphic graphic;
    graphic.LoadFromFile(tovane::AnsiToWide(picture));
    if (graphic.Width() != Width)
        Fail("the picture did not decode");
}

std::unique_ptr<tovane::TSPIs> LoadModule(const std::string& module, bool host32) {
    auto spis = std::make_unique<tovane::TSPIs>();
    if (host32)
        spis->Isolation32 = tovane::TPluginHost::ForModules32();
    spis->Search(module);
    if (spis->Count() != 1)
        Fail("cannot load the module");
    return spis;
}

// The 32-bit half: decodes once per line read, answering each with the seconds it took.
int Serve(const std::string& module, const std::string& picture) {
    if (sizeof(void*) != 4)
        Fail("--serve is the 32-bit build's part");
    const auto spis = LoadModule(module, false);
    char line[64];
    while (std::fgets(line, sizeof line, stdin) != nullptr) {
        const double s = Seconds([&] { Decode(picture); });
        std::printf("%.6f\n", s);
        std::fflush(stdout);
    }
    return 0;
}

// The 32-bit half, started with pipes on its input and output.
class TBaseline {
public:
    TBaseline(const std::string& module, const std::string& picture) {
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        HANDLE childIn = nullptr, childOut = nullptr;
        if (!CreatePipe(&childIn, &FToChild, &inherit, 0) ||
            !CreatePipe(&FFromChild, &childOut, &inherit, 0))
            Fail("no pipes");
        SetHandleInformation(FToChild, HANDLE_FLAG_INHERIT, 0);
        SetHandleInformation(FFromChild, HANDLE_FLAG_INHERIT, 0);
        const std::string exe = BinFolder() + "bench32\\bench_host32.exe";
        std::string command = "\"" + exe + "\" --serve \"" + module + "\" \"" + picture + "\"";
        STARTUPINFOA si{};
        si.cb = sizeof si;
        si.dwFlags = STARTF_USESTDHANDLES;
        si.hStdInput = childIn;
        si.hStdOutput = childOut;
        si.hStdError = GetStdHandle(STD_ERROR_HANDLE);
        PROCESS_INFORMATION pi{};
        if (!CreateProcessA(exe.c_str(), command.data(), nullptr, nullptr, TRUE, 0, nullptr,
                            nullptr, &si, &pi))
            Fail("cannot start bench32\\bench_host32.exe");
        CloseHandle(childIn);
        CloseHandle(childOut);
        CloseHandle(pi.hThread);
        FProcess = pi.hProcess;
    }
    ~TBaseline() {
        CloseHandle(FToChild); // its input ends: it ends
        WaitForSingleObject(FProcess, 10000);
        CloseHandle(FProcess);
        CloseHandle(FFromChild);
    }
    TBaseline(const TBaseline&) = delete;
    TBaseline& operator=(const TBaseline&) = delete;

    // One decode in the 32-bit build: the seconds it measured.
    double Decode() {
        DWORD n = 0;
        if (!WriteFile(FToChild, "decode\n", 7, &n, nullptr))
            Fail("the 32-bit half has gone");
        std::string answer;
        char c = 0;
        while (ReadFile(FFromChild, &c, 1, &n, nullptr) && n == 1 && c != '\n')
            answer += c;
        if (answer.empty())
            Fail("the 32-bit half did not decode");
        return std::atof(answer.c_str());
    }

private:
    HANDLE FToChild = nullptr;
    HANDLE FFromChild = nullptr;
    HANDLE FProcess = nullptr;
};

} // namespace

int main(int argc, char** argv) {
    const tovane::SpiBmpUnit unit;
    if (argc == 4 && std::strcmp(argv[1], "--serve") == 0)
        return Serve(argv[2], argv[3]);
    if (sizeof(void*) != 8)
        Fail("run the 64-bit build's bench_host32");
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
    const std::string picture = BinFolder() + "bench-data\\photo-6000x4000.jpg";
    const std::string module = BinFolder() + "modules32\\ifjpeg.spi";
    if (GetFileAttributesA(picture.c_str()) == INVALID_FILE_ATTRIBUTES)
        Fail("no bench-data\\photo-6000x4000.jpg (cmake --build <build> --target bench_data)");

    const auto spis = LoadModule(module, true);
    TBaseline baseline(module, picture);
    std::vector<double> host32, inside32;
    Decode(picture); // warm up: the host's start and the module's first load stay out
    baseline.Decode();
    for (int i = 0; i < runs; ++i) { // interleaved, so drifts of the machine hit both alike
        inside32.push_back(baseline.Decode());
        host32.push_back(Seconds([&] { Decode(picture); }));
    }
    const double base = Median(inside32);
    const double ours = Median(host32);
    std::printf("6000 x 4000 JPEG by the 32-bit ifjpeg.spi, decoding job, median of %d runs:\n",
                runs);
    std::printf("  %-44s %8.3f s   ratio 1.00\n", "inside the 32-bit build (baseline)", base);
    std::printf("  %-44s %8.3f s   ratio %.2f\n", "64-bit program through tovane-host32.exe", ours,
                ours / base);
    return 0;
}
