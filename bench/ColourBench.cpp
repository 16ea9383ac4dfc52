// What colour management adds to a decode: ifjpeg on a 6000 x 4000 JPEG with a Display P3
// profile, decoded with management off (the stored pixels, as before) and on (converted to
// sRGB), interleaved in one run. The first managed decode makes the transform; the others take
// it from the module's cache. Prints medians and their ratio.
//   bench_colour [PICTURE] [RUNS]
#include "bench/BenchSupport.h"
#include "bundled/common/ColourEnvironment.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

namespace {

struct ModuleFree {
    void operator()(HMODULE m) const noexcept { FreeLibrary(m); }
};

bool Decode(bench::GetPictureFn getPicture, const std::vector<std::uint8_t>& bytes) {
    HLOCAL info = nullptr, bits = nullptr;
    const int result = getPicture(reinterpret_cast<const char*>(bytes.data()),
                                  static_cast<LONG_PTR>(bytes.size()), 1, &info, &bits, nullptr, 0);
    if (info)
        LocalFree(info);
    if (bits)
        LocalFree(bits);
    return result == 0;
}

} // namespace

int main(int argc, char** argv) {
    const std::string path =
        argc > 1 ? argv[1] : bench::BinFolder() + "bench-data\\photo-6000x4000-p3.jpg";
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 7;
    std::ifstream in(path, std::ios::binary);
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
#ifdef _WIN64
    const std::string module = bench::BinFolder() + "ifjpeg.sph";
#else
    const std::string module = bench::BinFolder() + "ifjpeg.spi";
#endif
    const std::unique_ptr<std::remove_pointer_t<HMODULE>, ModuleFree> jpeg(
        LoadLibraryA(module.c_str()));
    const auto getPicture =
        jpeg ? reinterpret_cast<bench::GetPictureFn>(
                   reinterpret_cast<void (*)()>(GetProcAddress(jpeg.get(), "GetPicture")))
             : nullptr;
    if (bytes.empty() || !getPicture) {
        std::fprintf(stderr, "no picture (%s) or no ifjpeg\n", path.c_str());
        return 2;
    }
    SetEnvironmentVariableW(bundled::DisplayProfileVariable, nullptr); // the target is sRGB
    std::vector<double> stored, managed;
    for (int i = -1; i < runs; ++i) { // the first round warms up (and makes the transform)
        SetEnvironmentVariableW(bundled::ColourManageVariable, L"0");
        double s = 0, m = 0;
        bool ok = true;
        s = bench::Seconds([&] { ok = Decode(getPicture, bytes) && ok; });
        SetEnvironmentVariableW(bundled::ColourManageVariable, L"1");
        m = bench::Seconds([&] { ok = Decode(getPicture, bytes) && ok; });
        if (!ok) {
            std::fprintf(stderr, "a decode failed\n");
            return 1;
        }
        if (i >= 0) {
            stored.push_back(s);
            managed.push_back(m);
        }
    }
    const double s = bench::Median(stored), m = bench::Median(managed);
    std::printf("ifjpeg, 6000 x 4000 JPEG with a Display P3 profile, median of %d runs:\n", runs);
    std::printf("  as stored %7.3f s | converted to sRGB %7.3f s | ratio %.3f (+%.1f %%)\n", s, m,
                m / s, (m / s - 1) * 100);
    return 0;
}
