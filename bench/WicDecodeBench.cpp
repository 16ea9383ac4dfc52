// Decode time of the bundled WIC import plug-in against WIC's own decode of the same JPEG, in
// one run: the plug-in from a file and from memory (a 24-bit DIB), and a plain WIC decode in the
// decoder's own format (24-bit BGR; the baseline) from the file and from memory, and to 32-bit
// BGRA. Prints the median of several runs and the ratios to the baseline.
//   bench_wic_decode [JPEG] [RUNS]
#include "bench/BenchSupport.h"

#include <windows.h>
#include <wincodec.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

namespace {

using bench::GetPictureFn;
using bench::ProgressCallback;

using bench::BinFolder;

double Seconds(const std::function<bool()>& run) {
    bool ok = false;
    const double seconds = bench::Seconds([&] { ok = run(); });
    if (!ok) {
        std::fprintf(stderr, "a decode failed\n");
        std::exit(1);
    }
    return seconds;
}

using bench::Median;

template <typename T> struct Releaser {
    T* p = nullptr;
    ~Releaser() {
        if (p)
            p->Release();
    }
};

// WIC's own decode: the first frame copied out in one call, in the decoder's own pixel format
// or converted to 32-bit BGRA.
bool WicDecode(IWICImagingFactory* factory, const std::string& path,
               const std::vector<std::uint8_t>* memory, bool toBgra) {
    Releaser<IWICBitmapDecoder> decoder;
    Releaser<IWICStream> stream;
    if (memory) {
        if (FAILED(factory->CreateStream(&stream.p)) ||
            FAILED(stream.p->InitializeFromMemory(const_cast<BYTE*>(memory->data()),
                                                  static_cast<DWORD>(memory->size()))) ||
            FAILED(factory->CreateDecoderFromStream(stream.p, nullptr,
                                                    WICDecodeMetadataCacheOnDemand, &decoder.p)))
            return false;
    } else {
        const std::wstring wide(path.begin(), path.end());
        if (FAILED(factory->CreateDecoderFromFilename(wide.c_str(), nullptr, GENERIC_READ,
                                                      WICDecodeMetadataCacheOnDemand, &decoder.p)))
            return false;
    }
    Releaser<IWICBitmapFrameDecode> frame;
    UINT w = 0, h = 0;
    if (FAILED(decoder.p->GetFrame(0, &frame.p)) || FAILED(frame.p->GetSize(&w, &h)))
        return false;
    if (!toBgra) { // a JPEG's own format is 24-bit BGR
        std::vector<std::uint8_t> pixels(std::size_t{w} * h * 3);
        return SUCCEEDED(
            frame.p->CopyPixels(nullptr, w * 3, static_cast<UINT>(pixels.size()), pixels.data()));
    }
    Releaser<IWICFormatConverter> converter;
    if (FAILED(factory->CreateFormatConverter(&converter.p)) ||
        FAILED(converter.p->Initialize(frame.p, GUID_WICPixelFormat32bppBGRA,
                                       WICBitmapDitherTypeNone, nullptr, 0.0,
                                       WICBitmapPaletteTypeCustom)))
        return false;
    std::vector<std::uint8_t> pixels(std::size_t{w} * h * 4);
    return SUCCEEDED(
        converter.p->CopyPixels(nullptr, w * 4, static_cast<UINT>(pixels.size()), pixels.data()));
}

bool PluginDecode(GetPictureFn getPicture, const char* source, LONG_PTR length, unsigned flag) {
    HLOCAL info = nullptr, bits = nullptr;
    const int result = getPicture(source, length, flag, &info, &bits, nullptr, 0);
    if (info)
        LocalFree(info);
    if (bits)
        LocalFree(bits);
    return result == 0;
}

} // namespace

int main(int argc, char** argv) {
    const std::string path = argc > 1 ? argv[1] : BinFolder() + "bench-data\\photo-6000x4000.jpg";
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 7;
    std::ifstream in(path, std::ios::binary);
    const std::vector<std::uint8_t> memory{std::istreambuf_iterator<char>(in),
                                           std::istreambuf_iterator<char>()};
    if (memory.empty()) {
        std::fprintf(stderr, "no picture at %s (cmake --build <build> --target bench_data)\n",
                     path.c_str());
        return 2;
    }
#ifdef _WIN64
    const char* module = "ifwic.sph";
#else
    const char* module = "ifwic.spi";
#endif
    HMODULE plugin = LoadLibraryA((BinFolder() + module).c_str());
    const auto getPicture = plugin ? reinterpret_cast<GetPictureFn>(reinterpret_cast<void (*)()>(
                                         GetProcAddress(plugin, "GetPicture")))
                                   : nullptr;
    if (!getPicture) {
        std::fprintf(stderr, "cannot load %s\n", module);
        return 2;
    }
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)))
        return 2;
    Releaser<IWICImagingFactory> factory;
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                IID_PPV_ARGS(&factory.p))))
        return 2;

    using Case = bench::TimedCase<bool>;
    std::vector<Case> cases = {
        {"WIC decode, file (baseline)",
         [&] { return WicDecode(factory.p, path, nullptr, false); },
         {}},
        {"WIC decode, memory", [&] { return WicDecode(factory.p, path, &memory, false); }, {}},
        {"WIC decode to BGRA, file", [&] { return WicDecode(factory.p, path, nullptr, true); }, {}},
        {"plug-in GetPicture, file",
         [&] { return PluginDecode(getPicture, path.c_str(), 0, 0); },
         {}},
        {"plug-in GetPicture, memory",
         [&] {
             return PluginDecode(getPicture, reinterpret_cast<const char*>(memory.data()),
                                 static_cast<LONG_PTR>(memory.size()), 1);
         },
         {}},
    };
    for (Case& c : cases) // warm up: first-use costs stay out of the figures
        Seconds(c.Run);
    for (int i = 0; i < runs; ++i) // interleaved, so drifts of the machine hit all alike
        for (Case& c : cases)
            c.Times.push_back(Seconds(c.Run));

    std::printf("%s (%zu bytes), median of %d runs\n", path.c_str(), memory.size(), runs);
    const double baseline = Median(cases.front().Times);
    for (const Case& c : cases) {
        const double m = Median(c.Times);
        std::printf("  %-30s %8.3f s   ratio %.2f\n", c.Name, m, m / baseline);
    }
    factory.p->Release();
    factory.p = nullptr;
    CoUninitialize();
    FreeLibrary(plugin);
    return 0;
}
