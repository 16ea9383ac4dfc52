// Decode time of the library plug-ins (ifjpeg, ifpng, ifwebp, ifavif) on 6000 x 4000 pictures,
// against the WIC plug-in on the same file where the system's WIC reads the format, and against
// one memcpy of the decoded picture's bytes (24-bit), all in one run. Each GetPicture is given
// the file in memory, so reading the disk stays out of the figures. Prints medians and ratios.
//   bench_library_decode [FOLDER] [RUNS]
#include "bench/BenchSupport.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace {

using bench::GetPictureFn;
using bench::IsSupportedFn;
using bench::ProgressCallback;

using bench::BinFolder;

struct ModuleFree {
    void operator()(HMODULE m) const noexcept { FreeLibrary(m); }
};

class Module {
public:
    explicit Module(const std::string& name) {
#ifdef _WIN64
        const char* suffix = ".sph";
#else
        const char* suffix = ".spi";
#endif
        FModule.reset(LoadLibraryA((BinFolder() + name + suffix).c_str()));
        if (FModule) {
            FIsSupported = reinterpret_cast<IsSupportedFn>(
                reinterpret_cast<void (*)()>(GetProcAddress(FModule.get(), "IsSupported")));
            FGetPicture = reinterpret_cast<GetPictureFn>(
                reinterpret_cast<void (*)()>(GetProcAddress(FModule.get(), "GetPicture")));
        }
    }
    bool Loaded() const {
        return FIsSupported && FGetPicture;
    }
    bool Supports(const std::vector<std::uint8_t>& bytes) const {
        std::vector<std::uint8_t> head(2048, 0);
        std::memcpy(head.data(), bytes.data(), std::min<std::size_t>(bytes.size(), head.size()));
        return FIsSupported("picture", head.data()) != 0;
    }
    // The picture's width and height, 0 when the decode failed.
    bool Decode(const std::vector<std::uint8_t>& bytes) const {
        HLOCAL info = nullptr, bits = nullptr;
        const int result =
            FGetPicture(reinterpret_cast<const char*>(bytes.data()),
                        static_cast<LONG_PTR>(bytes.size()), 1, &info, &bits, nullptr, 0);
        if (info)
            LocalFree(info);
        if (bits)
            LocalFree(bits);
        return result == 0;
    }

private:
    std::unique_ptr<std::remove_pointer_t<HMODULE>, ModuleFree> FModule;
    IsSupportedFn FIsSupported = nullptr;
    GetPictureFn FGetPicture = nullptr;
};

std::vector<std::uint8_t> ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

double TimeDecode(const Module& m, const std::vector<std::uint8_t>& bytes) {
    bool ok = true;
    const double s = bench::Seconds([&] { ok = m.Decode(bytes); });
    if (!ok) {
        std::fprintf(stderr, "a decode failed\n");
        std::exit(1);
    }
    return s;
}

} // namespace

int main(int argc, char** argv) {
    const std::string folder = argc > 1 ? argv[1] : BinFolder() + "bench-data\\";
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    const Module wic("ifwic");
    struct Format {
        const char* File;
        const char* Plugin;
    };
    const Format formats[] = {{"photo-6000x4000.jpg", "ifjpeg"},
                              {"photo-6000x4000.png", "ifpng"},
                              {"photo-6000x4000.webp", "ifwebp"},
                              {"photo-6000x4000.avif", "ifavif"}};
    // The baseline: one copy of a 6000 x 4000 24-bit picture.
    std::vector<std::uint8_t> from(std::size_t{6000} * 4000 * 3, 1), to(from.size());
    std::printf("median of %d runs; ratios to one memcpy of the 72 MB picture\n", runs);
    for (const Format& f : formats) {
        const std::vector<std::uint8_t> bytes = ReadAll(folder + f.File);
        const Module plugin(f.Plugin);
        if (bytes.empty() || !plugin.Loaded()) {
            std::printf("  %-22s skipped (no picture, or no %s)\n", f.File, f.Plugin);
            continue;
        }
        const bool wicReads = wic.Loaded() && wic.Supports(bytes) && wic.Decode(bytes);
        std::vector<double> copy, library, system;
        TimeDecode(plugin, bytes);       // warm up
        for (int i = 0; i < runs; ++i) { // interleaved, so drifts of the machine hit all alike
            copy.push_back(bench::Seconds([&] { std::memcpy(to.data(), from.data(), to.size()); }));
            library.push_back(TimeDecode(plugin, bytes));
            if (wicReads)
                system.push_back(TimeDecode(wic, bytes));
        }
        const double c = bench::Median(copy), l = bench::Median(library);
        std::printf("  %-22s memcpy %7.4f s | %-6s %7.3f s = %6.1f memcpy", f.File, c, f.Plugin, l,
                    l / c);
        if (wicReads) {
            const double s = bench::Median(system);
            std::printf(" | ifwic %7.3f s = %6.1f memcpy | %s/ifwic %.2f", s, s / c, f.Plugin,
                        l / s);
        } else {
            std::printf(" | ifwic cannot read it");
        }
        std::printf("\n");
    }
    return 0;
}
