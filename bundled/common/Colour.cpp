#include "bundled/common/Colour.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <list>
#include <map>
#include <system_error>
#include <optional>
#include <tuple>

#include <lcms2.h>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace bundled {

// ---------------------------------------------------------------- where profiles are kept

std::vector<std::uint8_t>
JoinJpegIccChunks(const std::vector<std::span<const std::uint8_t>>& app2) {
    static constexpr char signature[] = "ICC_PROFILE"; // with its terminating zero: 12 bytes
    constexpr std::size_t head = sizeof signature + 2;
    std::vector<std::span<const std::uint8_t>> chunks;
    unsigned count = 0;
    for (const auto& segment : app2) {
        if (segment.size() < head || std::memcmp(segment.data(), signature, sizeof signature) != 0)
            continue;
        const unsigned seq = segment[sizeof signature], n = segment[sizeof signature + 1];
        if (n == 0 || seq == 0 || seq > n || (count != 0 && n != count))
            return {};
        if (count == 0) {
            count = n;
            chunks.resize(n);
        }
        if (!chunks[seq - 1].empty() || segment.size() == head)
            return {};
        chunks[seq - 1] = segment.subspan(head);
    }
    std::vector<std::uint8_t> joined;
    for (const auto& chunk : chunks) {
        if (chunk.empty())
            return {};
        joined.insert(joined.end(), chunk.begin(), chunk.end());
    }
    return joined;
}

namespace {
std::uint32_t Le32(const std::uint8_t* p) {
    return p[0] | p[1] << 8 | p[2] << 16 | std::uint32_t{p[3]} << 24;
}
} // namespace

std::span<const std::uint8_t> WebPIccChunk(std::span<const std::uint8_t> file) {
    if (file.size() < 30 || std::memcmp(file.data(), "RIFF", 4) != 0 ||
        std::memcmp(file.data() + 8, "WEBPVP8X", 8) != 0)
        return {};
    constexpr std::uint8_t iccFlag = 0x20;
    if ((file[20] & iccFlag) == 0)
        return {};
    for (std::size_t at = 12; file.size() - at >= 8;) {
        const std::uint64_t size = Le32(file.data() + at + 4);
        if (size > file.size() - at - 8)
            return {};
        if (std::memcmp(file.data() + at, "ICCP", 4) == 0)
            return file.subspan(at + 8, static_cast<std::size_t>(size));
        at += 8 + static_cast<std::size_t>(size) + (size & 1);
        if (at > file.size())
            return {};
    }
    return {};
}

HdrTransfer HdrTransferOf(const Cicp& cicp) {
    switch (cicp.Transfer) {
    case 16:
        return HdrTransfer::Pq;
    case 18:
        return HdrTransfer::Hlg;
    default:
        return HdrTransfer::None;
    }
}

// ---------------------------------------------------------------- profiles

namespace {

struct ProfileClose {
    void operator()(void* p) const noexcept { cmsCloseProfile(p); }
};
using ProfileHandle = std::unique_ptr<void, ProfileClose>;
struct CurveFree {
    void operator()(cmsToneCurve* c) const noexcept { cmsFreeToneCurve(c); }
};
using CurveHandle = std::unique_ptr<cmsToneCurve, CurveFree>;

ProfileHandle OpenProfile(std::span<const std::uint8_t> bytes) {
    if (bytes.empty() || bytes.size() > 0xFFFFFFFFu)
        return nullptr;
    return ProfileHandle(
        cmsOpenProfileFromMem(bytes.data(), static_cast<cmsUInt32Number>(bytes.size())));
}

ProfileBytes Saved(cmsHPROFILE profile) {
    ProfileBytes saved;
    cmsUInt32Number size = 0;
    if (profile && cmsSaveProfileToMem(profile, nullptr, &size) && size > 0) {
        saved.Bytes.resize(size);
        if (!cmsSaveProfileToMem(profile, saved.Bytes.data(), &size))
            saved.Bytes.clear();
    }
    saved.Fingerprint = FingerprintOf(saved.Bytes);
    return saved;
}

const ProfileBytes& SrgbProfile() {
    static const ProfileBytes srgb = [] {
        const ProfileHandle p(cmsCreate_sRGBProfile());
        return Saved(p.get());
    }();
    return srgb;
}

CurveHandle SrgbCurve() {
    const cmsFloat64Number params[5] = {2.4, 1.0 / 1.055, 0.055 / 1.055, 1.0 / 12.92, 0.04045};
    return CurveHandle(cmsBuildParametricToneCurve(nullptr, 4, params));
}

// An RGB matrix-shaper profile of the given white, primaries (x, y each) and one curve for all
// three channels.
ProfileBytes RgbProfile(const double white[2], const double primaries[3][2], CurveHandle curve) {
    if (!curve)
        return {};
    const cmsCIExyY w{white[0], white[1], 1.0};
    const cmsCIExyYTRIPLE p{{primaries[0][0], primaries[0][1], 1.0},
                            {primaries[1][0], primaries[1][1], 1.0},
                            {primaries[2][0], primaries[2][1], 1.0}};
    cmsToneCurve* curves[3] = {curve.get(), curve.get(), curve.get()};
    const ProfileHandle profile(cmsCreateRGBProfile(&w, &p, curves));
    return Saved(profile.get());
}

constexpr double D65[2] = {0.3127, 0.3290};
constexpr double Bt709[3][2] = {{0.64, 0.33}, {0.30, 0.60}, {0.15, 0.06}};

// White and primaries of a CICP ColourPrimaries value; BT.709's for values not known here.
void PrimariesOf(int code, double white[2], double primaries[3][2]) {
    static constexpr struct {
        int Code;
        double White[2];
        double Rgb[3][2];
    } table[] = {
        {1, {0.3127, 0.3290}, {{0.64, 0.33}, {0.30, 0.60}, {0.15, 0.06}}},
        {5, {0.3127, 0.3290}, {{0.64, 0.33}, {0.29, 0.60}, {0.15, 0.06}}},
        {6, {0.3127, 0.3290}, {{0.630, 0.340}, {0.310, 0.595}, {0.155, 0.070}}},
        {7, {0.3127, 0.3290}, {{0.630, 0.340}, {0.310, 0.595}, {0.155, 0.070}}},
        {9, {0.3127, 0.3290}, {{0.708, 0.292}, {0.170, 0.797}, {0.131, 0.046}}},
        {11, {0.314, 0.351}, {{0.680, 0.320}, {0.265, 0.690}, {0.150, 0.060}}},
        {12, {0.3127, 0.3290}, {{0.680, 0.320}, {0.265, 0.690}, {0.150, 0.060}}},
    };
    const auto* entry = &table[0];
    for (const auto& e : table)
        if (e.Code == code)
            entry = &e;
    std::copy_n(entry->White, 2, white);
    for (int i = 0; i < 3; ++i)
        std::copy_n(entry->Rgb[i], 2, primaries[i]);
}

bool IsRgbProfile(std::span<const std::uint8_t> bytes) {
    const ProfileHandle p = OpenProfile(bytes);
    return p && cmsGetColorSpace(p.get()) == cmsSigRgbData;
}

bool Near(const double a[2], const double b[2]) {
    return std::abs(a[0] - b[0]) <= 0.01 && std::abs(a[1] - b[1]) <= 0.01;
}

std::optional<ProfileBytes> PngProfile(const PngColourChunks& png) {
    if (png.Srgb)
        return SrgbProfile();
    if (png.Gamma == 0 && !png.HasChromaticities)
        return std::nullopt;
    const bool srgbPrimaries =
        !png.HasChromaticities || (Near(png.White, D65) && Near(png.Red, Bt709[0]) &&
                                   Near(png.Green, Bt709[1]) && Near(png.Blue, Bt709[2]));
    // gAMA 1/2.2 is what encoders write for sRGB pictures.
    const bool srgbGamma = png.Gamma == 0 || (png.Gamma >= 45000 && png.Gamma <= 46000);
    if (srgbPrimaries && srgbGamma)
        return SrgbProfile();
    const double primaries[3][2] = {
        {png.Red[0], png.Red[1]}, {png.Green[0], png.Green[1]}, {png.Blue[0], png.Blue[1]}};
    CurveHandle curve =
        png.Gamma == 0 ? SrgbCurve() : CurveHandle(cmsBuildGamma(nullptr, 100000.0 / png.Gamma));
    ProfileBytes made = srgbPrimaries ? RgbProfile(D65, Bt709, std::move(curve))
                                      : RgbProfile(png.White, primaries, std::move(curve));
    if (made.Bytes.empty())
        return std::nullopt;
    return made;
}

std::optional<ProfileBytes> CicpProfile(const Cicp& codes) {
    if (HdrTransferOf(codes) != HdrTransfer::None)
        return std::nullopt;
    // The BT.709 family of transfers is shown as sRGB, as every viewer does.
    const bool srgbTransfer = codes.Transfer == 1 || codes.Transfer == 2 || codes.Transfer == 6 ||
                              codes.Transfer == 13 || codes.Transfer == 14 || codes.Transfer == 15;
    const bool bt709 = codes.Primaries == 1 || codes.Primaries == 2;
    if (bt709 && srgbTransfer)
        return SrgbProfile();
    double white[2], primaries[3][2];
    PrimariesOf(codes.Primaries, white, primaries);
    CurveHandle curve;
    switch (codes.Transfer) {
    case 4:
        curve.reset(cmsBuildGamma(nullptr, 2.2));
        break;
    case 5:
        curve.reset(cmsBuildGamma(nullptr, 2.8));
        break;
    case 8:
        curve.reset(cmsBuildGamma(nullptr, 1.0));
        break;
    default:
        curve = SrgbCurve();
        break;
    }
    ProfileBytes made = RgbProfile(white, primaries, std::move(curve));
    if (made.Bytes.empty())
        return std::nullopt;
    return made;
}

} // namespace

std::uint64_t FingerprintOf(std::span<const std::uint8_t> bytes) {
    std::uint64_t h = 0xCBF29CE484222325ull; // FNV-1a
    for (const std::uint8_t b : bytes)
        h = (h ^ b) * 0x100000001B3ull;
    return h ^ bytes.size();
}

std::optional<ProfileBytes> SourceProfile(const ColourSource& source) {
    if (!source.Icc.empty()) {
        if (!IsRgbProfile(source.Icc))
            return std::nullopt;
        return ProfileBytes{source.Icc, FingerprintOf(source.Icc)};
    }
    if (source.Png)
        return PngProfile(*source.Png);
    if (source.Codes)
        return CicpProfile(*source.Codes);
    return std::nullopt;
}

// ---------------------------------------------------------------- conversions

namespace {

// Where R, G, B (and a fourth channel) sit in an 8-bit layout's pixel.
struct Channels8 {
    unsigned Step, R, G, B;
    bool Fourth;
};

std::optional<Channels8> Channels8Of(Layout layout) {
    switch (layout) {
    case Layout::Bgr8:
        return Channels8{3, 2, 1, 0, false};
    case Layout::Bgra8:
        return Channels8{4, 2, 1, 0, true};
    case Layout::Rgb8:
        return Channels8{3, 0, 1, 2, false};
    case Layout::Rgba8:
        return Channels8{4, 0, 1, 2, true};
    default:
        return std::nullopt;
    }
}

} // namespace

// A conversion between two matrix-shaper profiles at 8 bits, done by tables: each input
// channel's light times the matrix of both profiles' colorants (nine tables of 256), summed, and
// each output channel's curve sampled at 65536 steps of light. It is used only where it agrees
// with lcms2's exact transform within a level (checked when made), and is several times faster
// than lcms2's own 8-bit transforms.
struct MatrixShaper8 {
    static constexpr std::int32_t White = 32767; // 15 bits, to saturate in SSE2's signed packs
    struct alignas(16) Light3 {
        std::int32_t Out[4]; // the input value's part of each output channel; the fourth is 0
    };
    Light3 Light[3][256]; // [input channel][value]
    std::uint8_t Encode[3][White + 1];
    Channels8 In, Out;
    void (*Kernel)(const MatrixShaper8&, const std::uint8_t*, std::uint8_t*, std::size_t) = nullptr;

    void Convert(const std::uint8_t* from, std::uint8_t* to, std::size_t pixels) const {
        Kernel(*this, from, to, pixels);
    }
};

namespace {

// One kernel per pair of layouts, the channels' places known to the compiler.
template <unsigned InStep, unsigned InR, unsigned InG, unsigned InB, unsigned OutStep,
          unsigned OutR, unsigned OutG, unsigned OutB, bool CopyFourth>
void ConvertPixels(const MatrixShaper8& t, const std::uint8_t* from, std::uint8_t* to,
                   std::size_t pixels) {
    for (std::size_t i = 0; i < pixels; ++i, from += InStep, to += OutStep) {
        const MatrixShaper8::Light3& r = t.Light[0][from[InR]];
        const MatrixShaper8::Light3& g = t.Light[1][from[InG]];
        const MatrixShaper8::Light3& b = t.Light[2][from[InB]];
#ifdef __SSE2__
        const __m128i sum =
            _mm_add_epi32(_mm_add_epi32(_mm_load_si128(reinterpret_cast<const __m128i*>(r.Out)),
                                        _mm_load_si128(reinterpret_cast<const __m128i*>(g.Out))),
                          _mm_load_si128(reinterpret_cast<const __m128i*>(b.Out)));
        const __m128i light = _mm_max_epi16(_mm_packs_epi32(sum, sum), _mm_setzero_si128());
        to[OutR] = t.Encode[0][_mm_extract_epi16(light, 0)];
        to[OutG] = t.Encode[1][_mm_extract_epi16(light, 1)];
        to[OutB] = t.Encode[2][_mm_extract_epi16(light, 2)];
#else
        const auto encode = [](std::int32_t v) {
            return static_cast<std::uint32_t>(std::clamp(v, 0, MatrixShaper8::White));
        };
        to[OutR] = t.Encode[0][encode(r.Out[0] + g.Out[0] + b.Out[0])];
        to[OutG] = t.Encode[1][encode(r.Out[1] + g.Out[1] + b.Out[1])];
        to[OutB] = t.Encode[2][encode(r.Out[2] + g.Out[2] + b.Out[2])];
#endif
        if constexpr (CopyFourth)
            to[3] = from[3];
    }
}

using Kernel8 = void (*)(const MatrixShaper8&, const std::uint8_t*, std::uint8_t*, std::size_t);

Kernel8 KernelFor(Layout in, Layout out) {
    const auto pair = [](Layout a, Layout b) {
        return static_cast<int>(a) * 16 + static_cast<int>(b);
    };
    switch (pair(in, out)) {
    case pair(Layout::Bgr8, Layout::Bgr8):
        return ConvertPixels<3, 2, 1, 0, 3, 2, 1, 0, false>;
    case pair(Layout::Bgra8, Layout::Bgra8):
        return ConvertPixels<4, 2, 1, 0, 4, 2, 1, 0, true>;
    case pair(Layout::Rgb8, Layout::Bgr8):
        return ConvertPixels<3, 0, 1, 2, 3, 2, 1, 0, false>;
    case pair(Layout::Rgba8, Layout::Bgra8):
        return ConvertPixels<4, 0, 1, 2, 4, 2, 1, 0, true>;
    default:
        return nullptr; // lcms2's transform serves the rest
    }
}

} // namespace

struct Conversion::Transform {
    cmsHTRANSFORM Handle = nullptr;
    std::unique_ptr<MatrixShaper8> Tables;
    std::size_t InBytes = 0, OutBytes = 0; // per pixel
    Transform() = default;
    Transform(const Transform&) = delete;
    Transform& operator=(const Transform&) = delete;
    ~Transform() {
        if (Handle)
            cmsDeleteTransform(Handle);
    }
};

void Conversion::Convert(const void* in, void* out, std::size_t pixels) const {
    const auto* from = static_cast<const std::uint8_t*>(in);
    auto* to = static_cast<std::uint8_t*>(out);
    if (FTransform->Tables) {
        FTransform->Tables->Convert(from, to, pixels);
        return;
    }
    constexpr std::size_t most = 0x10000000; // cmsDoTransform counts in 32 bits
    while (pixels > 0) {
        const std::size_t n = std::min(pixels, most);
        cmsDoTransform(FTransform->Handle, from, to, static_cast<cmsUInt32Number>(n));
        from += n * FTransform->InBytes;
        to += n * FTransform->OutBytes;
        pixels -= n;
    }
}

namespace {

// The colorants of a matrix-shaper profile as the matrix from its linear RGB to XYZ, and its
// three curves; false for any other profile.
bool MatrixAndCurves(cmsHPROFILE p, double m[3][3], const cmsToneCurve* curves[3]) {
    if (!cmsIsMatrixShaper(p) || cmsGetColorSpace(p) != cmsSigRgbData)
        return false;
    const cmsTagSignature colorants[3] = {cmsSigRedColorantTag, cmsSigGreenColorantTag,
                                          cmsSigBlueColorantTag};
    const cmsTagSignature trcs[3] = {cmsSigRedTRCTag, cmsSigGreenTRCTag, cmsSigBlueTRCTag};
    for (int c = 0; c < 3; ++c) {
        const auto* xyz = static_cast<const cmsCIEXYZ*>(cmsReadTag(p, colorants[c]));
        curves[c] = static_cast<const cmsToneCurve*>(cmsReadTag(p, trcs[c]));
        if (!xyz || !curves[c])
            return false;
        m[0][c] = xyz->X;
        m[1][c] = xyz->Y;
        m[2][c] = xyz->Z;
    }
    return true;
}

bool Invert(const double m[3][3], double inv[3][3]) {
    const double det = m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) -
                       m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
                       m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
    if (std::abs(det) < 1e-12)
        return false;
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) {
            const int r1 = (c + 1) % 3, r2 = (c + 2) % 3, c1 = (r + 1) % 3, c2 = (r + 2) % 3;
            inv[r][c] = (m[r1][c1] * m[r2][c2] - m[r1][c2] * m[r2][c1]) / det;
        }
    return true;
}

// The tables for a pair of matrix-shaper profiles, or null when either is not one, or when
// they disagree with exact by more than a level somewhere on a grid of colours.
std::unique_ptr<MatrixShaper8> MakeTables(cmsHPROFILE source, cmsHPROFILE target, Layout in,
                                          Layout out, cmsHTRANSFORM exact) {
    const std::optional<Channels8> inChannels = Channels8Of(in), outChannels = Channels8Of(out);
    const Kernel8 kernel = KernelFor(in, out);
    double from[3][3], to[3][3], toInverse[3][3];
    const cmsToneCurve *fromCurves[3], *toCurves[3];
    if (!inChannels || !outChannels || !kernel || !exact ||
        !MatrixAndCurves(source, from, fromCurves) || !MatrixAndCurves(target, to, toCurves) ||
        !Invert(to, toInverse))
        return nullptr;
    auto tables = std::make_unique<MatrixShaper8>();
    tables->In = *inChannels;
    tables->Out = *outChannels;
    tables->Kernel = kernel;
    for (int i = 0; i < 3; ++i)
        for (int v = 0; v < 256; ++v) {
            const double light = cmsEvalToneCurveFloat(fromCurves[i], v / 255.0f);
            for (int o = 0; o < 3; ++o) {
                double k = 0;
                for (int j = 0; j < 3; ++j)
                    k += toInverse[o][j] * from[j][i];
                tables->Light[i][v].Out[o] =
                    static_cast<std::int32_t>(std::lround(k * light * MatrixShaper8::White));
            }
        }
    for (int o = 0; o < 3; ++o) {
        const std::unique_ptr<cmsToneCurve, CurveFree> reverse(cmsReverseToneCurve(toCurves[o]));
        if (!reverse)
            return nullptr;
        for (int i = 0; i <= MatrixShaper8::White; ++i) {
            const double e = cmsEvalToneCurveFloat(
                reverse.get(), static_cast<float>(i) / static_cast<float>(MatrixShaper8::White));
            tables->Encode[o][i] =
                static_cast<std::uint8_t>(std::lround(std::clamp(e, 0.0, 1.0) * 255));
        }
    }
    // The check: every 15th level of each channel, and the darks level by level.
    std::vector<std::uint8_t> grid;
    const auto add = [&](int r, int g, int b) {
        std::uint8_t px[4] = {};
        px[inChannels->R] = static_cast<std::uint8_t>(r);
        px[inChannels->G] = static_cast<std::uint8_t>(g);
        px[inChannels->B] = static_cast<std::uint8_t>(b);
        grid.insert(grid.end(), px, px + inChannels->Step);
    };
    for (int r = 0; r <= 255; r += 15)
        for (int g = 0; g <= 255; g += 15)
            for (int b = 0; b <= 255; b += 15)
                add(r, g, b);
    for (int v = 0; v < 32; ++v)
        for (const auto& [r, g, b] : {std::tuple{v, 0, 0}, {0, v, 0}, {0, 0, v}, {v, v, v}})
            add(r, g, b);
    const std::size_t n = grid.size() / inChannels->Step;
    std::vector<std::uint8_t> fast(n * outChannels->Step), slow(fast.size());
    tables->Convert(grid.data(), fast.data(), n);
    cmsDoTransform(exact, grid.data(), slow.data(), static_cast<cmsUInt32Number>(n));
    for (std::size_t i = 0; i < fast.size(); ++i)
        if (std::abs(int{fast[i]} - int{slow[i]}) > 1)
            return nullptr;
    return tables;
}

} // namespace

RowConverter::RowConverter(Conversion conversion, std::size_t width, std::size_t pixelBytes)
    : FConversion(std::move(conversion)), FWidth(width), FRowBytes(width * pixelBytes) {
    try {
        FThread = std::thread([this] { Run(); });
    } catch (const std::system_error&) {
        FStored.resize(FRowBytes);
    }
}

RowConverter::~RowConverter() {
    Finish();
}

void RowConverter::Convert(std::uint8_t* row, std::vector<std::uint8_t>& stored) const {
    std::copy_n(row, FRowBytes, stored.data());
    FConversion.Convert(stored.data(), row, FWidth);
}

void RowConverter::Add(std::uint8_t* row) {
    if (!FThread.joinable()) {
        Convert(row, FStored);
        return;
    }
    std::unique_lock<std::mutex> lock(FLock);
    FQueue.push_back(row);
    if (FQueue.size() >= Batch) {
        lock.unlock();
        FWake.notify_one();
    }
}

void RowConverter::Finish() {
    if (!FThread.joinable())
        return;
    {
        const std::lock_guard<std::mutex> guard(FLock);
        FFinishing = true;
    }
    FWake.notify_one();
    FThread.join();
}

void RowConverter::Run() {
    std::vector<std::uint8_t> stored(FRowBytes);
    std::vector<std::uint8_t*> rows;
    for (;;) {
        {
            std::unique_lock<std::mutex> lock(FLock);
            FWake.wait(lock, [this] { return FFinishing || FQueue.size() >= Batch; });
            rows.swap(FQueue);
            if (rows.empty() && FFinishing)
                return;
        }
        for (std::uint8_t* row : rows)
            Convert(row, stored);
        rows.clear();
    }
}

namespace {

cmsUInt32Number LcmsFormat(Layout layout) {
    switch (layout) {
    case Layout::Bgr8:
        return TYPE_BGR_8;
    case Layout::Bgra8:
        return TYPE_BGRA_8;
    case Layout::Rgb8:
        return TYPE_RGB_8;
    case Layout::Rgba8:
        return TYPE_RGBA_8;
    case Layout::Rgb16:
        return TYPE_RGB_16;
    case Layout::Rgba16:
        return TYPE_RGBA_16;
    case Layout::Bgr16Be:
        return TYPE_BGR_16_SE;
    case Layout::Bgra16Be:
        return TYPE_BGRA_16_SE;
    case Layout::RgbFloat:
        return TYPE_RGB_FLT;
    }
    return 0;
}

bool HasExtra(Layout layout) {
    return layout == Layout::Bgra8 || layout == Layout::Rgba8 || layout == Layout::Rgba16 ||
           layout == Layout::Bgra16Be;
}

std::size_t PixelBytes(Layout layout) {
    const cmsUInt32Number f = LcmsFormat(layout);
    return T_BYTES(f) * (T_CHANNELS(f) + T_EXTRA(f));
}

bool Deep(Layout layout) {
    return layout == Layout::Rgb16 || layout == Layout::Rgba16 || layout == Layout::Bgr16Be ||
           layout == Layout::Bgra16Be;
}

} // namespace

struct ColourManager::State {
    using Key = std::tuple<std::uint64_t, std::uint64_t, Layout, Layout>;
    static constexpr std::size_t Kept = 8;

    std::mutex Lock;
    std::list<std::pair<Key, std::shared_ptr<const Conversion::Transform>>>
        Transforms; // newest first
    std::map<std::uint64_t, bool> SrgbVerdicts;
    std::size_t Made = 0;

    // The transform of the pair, made when not kept; null when lcms2 cannot make it (kept too).
    std::shared_ptr<const Conversion::Transform>
    Get(const ProfileBytes& from, const ProfileBytes& to, Layout in, Layout out) {
        const Key key{from.Fingerprint, to.Fingerprint, in, out};
        const std::lock_guard<std::mutex> guard(Lock);
        for (auto i = Transforms.begin(); i != Transforms.end(); ++i)
            if (i->first == key) {
                Transforms.splice(Transforms.begin(), Transforms, i);
                return i->second;
            }
        std::shared_ptr<const Conversion::Transform> made;
        const ProfileHandle source = OpenProfile(from.Bytes), target = OpenProfile(to.Bytes);
        if (source && target) {
            ++Made;
            cmsUInt32Number flags = cmsFLAGS_BLACKPOINTCOMPENSATION;
            if (HasExtra(in) && HasExtra(out))
                flags |= cmsFLAGS_COPY_ALPHA;
            // lcms2's optimised 16-bit pipelines are off by a dozen levels where a colour falls
            // outside the target's gamut near a channel's zero (its interpolated shaper); deep
            // pictures are rare enough to take the exact one. 8-bit pictures between
            // matrix-shaper profiles take the tables, checked against the exact transform.
            const bool tablesMayServe = KernelFor(in, out) != nullptr;
            if (Deep(in) || tablesMayServe)
                flags |= cmsFLAGS_NOOPTIMIZE;
            auto transform = std::make_shared<Conversion::Transform>();
            transform->Handle = cmsCreateTransform(source.get(), LcmsFormat(in), target.get(),
                                                   LcmsFormat(out), INTENT_PERCEPTUAL, flags);
            if (transform->Handle && tablesMayServe) {
                transform->Tables =
                    MakeTables(source.get(), target.get(), in, out, transform->Handle);
                // The tables, or else lcms2's optimised transform.
                cmsDeleteTransform(transform->Handle);
                transform->Handle =
                    transform->Tables
                        ? nullptr
                        : cmsCreateTransform(source.get(), LcmsFormat(in), target.get(),
                                             LcmsFormat(out), INTENT_PERCEPTUAL,
                                             flags & ~cmsFLAGS_NOOPTIMIZE);
            }
            if (transform->Handle || transform->Tables) {
                transform->InBytes = PixelBytes(in);
                transform->OutBytes = PixelBytes(out);
                made = std::move(transform);
            }
        }
        Transforms.emplace_front(key, made);
        if (Transforms.size() > Kept)
            Transforms.pop_back();
        return made;
    }
};

ColourManager::ColourManager() : FState(std::make_unique<State>()) {
}

ColourManager::~ColourManager() = default;

std::size_t ColourManager::TransformsMade() const {
    const std::lock_guard<std::mutex> guard(FState->Lock);
    return FState->Made;
}

bool ColourManager::IsSrgb(const ProfileBytes& profile) {
    {
        const std::lock_guard<std::mutex> guard(FState->Lock);
        if (const auto i = FState->SrgbVerdicts.find(profile.Fingerprint);
            i != FState->SrgbVerdicts.end())
            return i->second;
    }
    bool srgb = false;
    const ProfileHandle p = OpenProfile(profile.Bytes);
    const ProfileHandle s = OpenProfile(SrgbProfile().Bytes);
    if (p && s && cmsGetColorSpace(p.get()) == cmsSigRgbData) {
        if (cmsHTRANSFORM t = cmsCreateTransform(p.get(), TYPE_RGB_16, s.get(), TYPE_RGB_16,
                                                 INTENT_RELATIVE_COLORIMETRIC, cmsFLAGS_NOCACHE)) {
            // A grid of colours every 15 levels, each of which must come back within two
            // levels: sRGB profiles of different makers differ by about one at the primaries
            // (the icc-profiles-free one by 1.4 at pure green), wide-gamut ones by dozens.
            std::vector<std::uint16_t> grid, back;
            for (int r = 0; r <= 255; r += 15)
                for (int g = 0; g <= 255; g += 15)
                    for (int b = 0; b <= 255; b += 15)
                        for (const int v : {r, g, b})
                            grid.push_back(static_cast<std::uint16_t>(v * 257));
            back.resize(grid.size());
            cmsDoTransform(t, grid.data(), back.data(),
                           static_cast<cmsUInt32Number>(grid.size() / 3));
            cmsDeleteTransform(t);
            srgb = true;
            for (std::size_t i = 0; i < grid.size(); ++i)
                if (std::abs(int{back[i]} - int{grid[i]}) > 2 * 257)
                    srgb = false;
        }
    }
    const std::lock_guard<std::mutex> guard(FState->Lock);
    FState->SrgbVerdicts[profile.Fingerprint] = srgb;
    return srgb;
}

namespace {

// The display's profile when it is an RGB one lcms2 can read, else sRGB.
ProfileBytes TargetProfile(const ColourTarget& target) {
    if (!target.DisplayIcc.empty() && IsRgbProfile(target.DisplayIcc))
        return ProfileBytes{target.DisplayIcc, FingerprintOf(target.DisplayIcc)};
    return SrgbProfile();
}

} // namespace

Conversion ColourManager::Plan(const ColourSource& source, const ColourTarget& target, Layout in,
                               Layout out) {
    if (!target.Manage)
        return {};
    const std::optional<ProfileBytes> from = SourceProfile(source);
    if (!from || IsSrgb(*from))
        return {};
    const ProfileBytes to = TargetProfile(target);
    if (auto t = FState->Get(*from, to, in, out))
        return Conversion(std::move(t));
    // A display profile lcms2 cannot convert to: sRGB then.
    if (to.Fingerprint != SrgbProfile().Fingerprint)
        if (auto t = FState->Get(*from, SrgbProfile(), in, out))
            return Conversion(std::move(t));
    return {};
}

Conversion ColourManager::PlanLinear(int primaries, const ColourTarget& target, Layout out) {
    double white[2], rgb[3][2];
    PrimariesOf(primaries, white, rgb);
    const ProfileBytes from = RgbProfile(white, rgb, CurveHandle(cmsBuildGamma(nullptr, 1.0)));
    if (from.Bytes.empty())
        return {};
    const ProfileBytes to = TargetProfile(target);
    if (auto t = FState->Get(from, to, Layout::RgbFloat, out))
        return Conversion(std::move(t));
    if (auto t = FState->Get(from, SrgbProfile(), Layout::RgbFloat, out))
        return Conversion(std::move(t));
    return {};
}

// ---------------------------------------------------------------- HDR

namespace {
constexpr double PqM1 = 2610.0 / 16384, PqM2 = 2523.0 / 4096 * 128, PqC1 = 3424.0 / 4096,
                 PqC2 = 2413.0 / 4096 * 32, PqC3 = 2392.0 / 4096 * 32;
constexpr double HlgA = 0.17883277, HlgB = 1 - 4 * HlgA, HlgC = 0.55991073;
constexpr double HlgSystemGamma = 1.2;
} // namespace

double PqToNits(double signal) {
    const double e = std::pow(std::clamp(signal, 0.0, 1.0), 1 / PqM2);
    return 10000 * std::pow(std::max(e - PqC1, 0.0) / (PqC2 - PqC3 * e), 1 / PqM1);
}

double NitsToPq(double nits) {
    const double y = std::pow(std::clamp(nits / 10000, 0.0, 1.0), PqM1);
    return std::pow((PqC1 + PqC2 * y) / (1 + PqC3 * y), PqM2);
}

double HlgToScene(double signal) {
    const double e = std::clamp(signal, 0.0, 1.0);
    return e <= 0.5 ? e * e / 3 : (std::exp((e - HlgC) / HlgA) + HlgB) / 12;
}

HdrToneMapper::HdrToneMapper(HdrTransfer transfer, unsigned top, double sourcePeakNits)
    : FTransfer(transfer), FTop(std::max(top, 1u)),
      FSourcePeak(sourcePeakNits > 0             ? sourcePeakNits
                  : transfer == HdrTransfer::Hlg ? HlgDisplayPeakNits
                                                 : 10000.0) {
    FSourcePeakPq = NitsToPq(FSourcePeak);
    FMaxLum = std::min(1.0, NitsToPq(ReferenceWhiteNits) / FSourcePeakPq);
    FKneeStart = std::max(0.0, 1.5 * FMaxLum - 0.5);
    if (FTransfer == HdrTransfer::Pq) {
        FNits.resize(std::size_t{FTop} + 1);
        FRatio.resize(FNits.size());
        for (unsigned s = 0; s <= FTop; ++s) {
            const double nits = PqToNits(static_cast<double>(s) / FTop);
            FNits[s] = static_cast<float>(nits);
            FRatio[s] =
                nits > 0 ? static_cast<float>(MapNits(nits) / nits / ReferenceWhiteNits) : 0.0f;
        }
    }
}

double HdrToneMapper::MapNits(double nits) const {
    if (!(nits > 0))
        return 0;
    // In PQ space normalised to the picture's range: below the knee as it is; above it a Möbius
    // shoulder x -> s (x + a) / (x + b), in units of the target's peak, that meets the line in
    // value and slope at the knee and reaches the target's peak at the picture's. (BT.2390's
    // Hermite spline ends flat: the top tenth of a PQ ramp would round to one value.)
    const double e1 = std::min(1.0, NitsToPq(nits) / FSourcePeakPq);
    double e2 = e1;
    if (FMaxLum < 1 && e1 > FKneeStart) {
        const double peak = 1 / FMaxLum, j = FKneeStart / FMaxLum, x = e1 / FMaxLum;
        const double a = -j * j * (peak - 1) / (j * j - 2 * j + peak);
        const double b = (j * j - 2 * j * peak + peak) / (peak - 1);
        const double scale = (b * b + 2 * b * j + j * j) / (b - a);
        e2 = std::min(1.0, scale * (x + a) / (x + b)) * FMaxLum;
    }
    return std::min(PqToNits(e2 * FSourcePeakPq), ReferenceWhiteNits);
}

void HdrToneMapper::LinearRow(const std::uint16_t* in, unsigned channels, std::size_t width,
                              float* out) const {
    for (std::size_t x = 0; x < width; ++x, in += channels, out += 3) {
        const unsigned s[3] = {std::min<unsigned>(in[0], FTop), std::min<unsigned>(in[1], FTop),
                               std::min<unsigned>(in[2], FTop)};
        if (FTransfer == HdrTransfer::Pq) {
            const float ratio = FRatio[std::max({s[0], s[1], s[2]})];
            for (int c = 0; c < 3; ++c)
                out[c] = FNits[s[c]] * ratio;
            continue;
        }
        // HLG's reference OOTF: scene light to display light, by the scene's luminance.
        double light[3];
        for (int c = 0; c < 3; ++c)
            light[c] = HlgToScene(static_cast<double>(s[c]) / FTop);
        const double ys = 0.2627 * light[0] + 0.6780 * light[1] + 0.0593 * light[2];
        const double gain = ys > 0 ? HlgDisplayPeakNits * std::pow(ys, HlgSystemGamma - 1) : 0;
        for (double& v : light)
            v *= gain;
        const double most = std::max({light[0], light[1], light[2]});
        const double ratio = most > 0 ? MapNits(most) / most / ReferenceWhiteNits : 0;
        for (int c = 0; c < 3; ++c)
            out[c] = static_cast<float>(light[c] * ratio);
    }
}

} // namespace bundled
