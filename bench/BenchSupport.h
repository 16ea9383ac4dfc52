// Shared by the benchmarks: wall-clock seconds of one run and the median of several runs
// (benchmarks report ratios of medians measured in the same run), the cases they time, where
// the build's files are, and the Susie exports they call directly.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace bench {

using ProgressCallback = int(WINAPI*)(int, int, LONG_PTR);
using IsSupportedFn = int(WINAPI*)(LPCSTR, void*);
using GetPictureFn = int(WINAPI*)(LPCSTR, LONG_PTR, unsigned, HLOCAL*, HLOCAL*, ProgressCallback,
                                  LONG_PTR);

// One timed case: its name, what one run does (R: what a run answers), the times measured.
template <typename R> struct TimedCase {
    const char* Name;
    std::function<R()> Run;
    std::vector<double> Times;
};

// The build's bin folder (the benchmark's own), with a trailing "\".
inline std::string BinFolder() {
    char path[MAX_PATH] = {};
    const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    const std::string s(path, n);
    return s.substr(0, s.find_last_of('\\') + 1);
}

// The picture file of the benchmark module bench_big, in bin/bench-data: only its header
// matters to the module. Ends the program when it cannot be written.
inline std::string WriteBigPictureFile() {
    const std::string folder = BinFolder() + "bench-data";
    CreateDirectoryA(folder.c_str(), nullptr);
    const std::string path = folder + "\\picture-6000x4000.big";
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        static const char header[] = "BIGPIC benchmark";
        std::fwrite(header, 1, sizeof header, f);
        std::fclose(f);
        return path;
    }
    std::fprintf(stderr, "cannot write %s\n", path.c_str());
    std::exit(2);
}

inline double Seconds(const std::function<void()>& run) {
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    run();
    QueryPerformanceCounter(&end);
    return static_cast<double>(end.QuadPart - start.QuadPart) /
           static_cast<double>(frequency.QuadPart);
}

inline double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace bench
