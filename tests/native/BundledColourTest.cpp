// The bundled plug-ins' colour rules: profiles found in each format's chunks, the sRGB verdict,
// the cached transforms, and the HDR tone-mapping curve. Profiles come from Debian's
// icc-profiles-free where it is installed, else from lcms2 itself.
#include "bundled/common/Colour.h"

#include <gtest/gtest.h>

#include <lcms2.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

using namespace bundled;

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Saved(cmsHPROFILE p) {
    cmsUInt32Number n = 0;
    cmsSaveProfileToMem(p, nullptr, &n);
    Bytes b(n);
    cmsSaveProfileToMem(p, b.data(), &n);
    cmsCloseProfile(p);
    return b;
}

// Display P3: P3 primaries, D65, sRGB's curve.
Bytes DisplayP3() {
    const cmsFloat64Number params[5] = {2.4, 1.0 / 1.055, 0.055 / 1.055, 1.0 / 12.92, 0.04045};
    cmsToneCurve* curve = cmsBuildParametricToneCurve(nullptr, 4, params);
    cmsToneCurve* curves[3] = {curve, curve, curve};
    const cmsCIExyY white{0.3127, 0.3290, 1};
    const cmsCIExyYTRIPLE p3{{0.680, 0.320, 1}, {0.265, 0.690, 1}, {0.150, 0.060, 1}};
    Bytes b = Saved(cmsCreateRGBProfile(&white, &p3, curves));
    cmsFreeToneCurve(curve);
    return b;
}

Bytes FileOr(const char* path, Bytes otherwise) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return otherwise;
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

Bytes SrgbFile() {
    return FileOr("/usr/share/color/icc/sRGB.icc", Saved(cmsCreate_sRGBProfile()));
}

Bytes Chunk(unsigned seq, unsigned count, const Bytes& part) {
    Bytes b{'I',
            'C',
            'C',
            '_',
            'P',
            'R',
            'O',
            'F',
            'I',
            'L',
            'E',
            0,
            static_cast<std::uint8_t>(seq),
            static_cast<std::uint8_t>(count)};
    b.insert(b.end(), part.begin(), part.end());
    return b;
}

TEST(BundledColour, JoinsJpegProfileChunksInTheirNumberedOrder) {
    const Bytes a{1, 2, 3}, b{4, 5}, c{6};
    const Bytes exif{'E', 'x', 'i', 'f', 0, 0, 9, 9, 9, 9, 9, 9, 9, 9, 9};
    struct Case {
        const char* Name;
        std::vector<Bytes> Segments;
        Bytes Joined;
    } cases[] = {
        {"one chunk", {Chunk(1, 1, a)}, a},
        {"out of order, among others",
         {Chunk(2, 3, b), exif, Chunk(3, 3, c), Chunk(1, 3, a)},
         {1, 2, 3, 4, 5, 6}},
        {"a chunk missing", {Chunk(1, 3, a), Chunk(3, 3, c)}, {}},
        {"a chunk twice", {Chunk(1, 2, a), Chunk(1, 2, a)}, {}},
        {"counts disagree", {Chunk(1, 2, a), Chunk(2, 3, b)}, {}},
        {"number past the count", {Chunk(2, 1, a)}, {}},
        {"number zero", {Chunk(0, 1, a)}, {}},
        {"no profile", {exif}, {}},
        {"header cut short", {Bytes{'I', 'C', 'C', '_', 'P'}}, {}},
    };
    for (const Case& c : cases) {
        std::vector<std::span<const std::uint8_t>> spans(c.Segments.begin(), c.Segments.end());
        EXPECT_EQ(JoinJpegIccChunks(spans), c.Joined) << c.Name;
    }
}

Bytes WebPFile(bool iccFlag, const Bytes& icc, std::uint32_t claimedSize = 0) {
    auto le32 = [](Bytes& b, std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    };
    Bytes body{'W', 'E', 'B', 'P', 'V', 'P', '8', 'X'};
    le32(body, 10);
    body.push_back(iccFlag ? 0x20 : 0);
    body.insert(body.end(), 9, 0);
    body.insert(body.end(), {'I', 'C', 'C', 'P'});
    le32(body, claimedSize ? claimedSize : static_cast<std::uint32_t>(icc.size()));
    body.insert(body.end(), icc.begin(), icc.end());
    if (icc.size() & 1)
        body.push_back(0);
    body.insert(body.end(), {'V', 'P', '8', 'L', 0, 0, 0, 0});
    Bytes file{'R', 'I', 'F', 'F'};
    le32(file, static_cast<std::uint32_t>(body.size()));
    file.insert(file.end(), body.begin(), body.end());
    return file;
}

TEST(BundledColour, FindsTheWebPProfileOnlyWhereTheFlagsAnnounceIt) {
    const Bytes icc{7, 7, 7};
    const Bytes withIcc = WebPFile(true, icc);
    const auto found = WebPIccChunk(withIcc);
    EXPECT_EQ(Bytes(found.begin(), found.end()), icc);
    EXPECT_TRUE(WebPIccChunk(WebPFile(false, icc)).empty());
    EXPECT_TRUE(WebPIccChunk(WebPFile(true, icc, 0x7FFFFFFF)).empty()) << "past the data";
    const Bytes simple{'R', 'I', 'F', 'F', 4, 0, 0, 0, 'W', 'E', 'B', 'P', 'V', 'P', '8', ' '};
    EXPECT_TRUE(WebPIccChunk(simple).empty());
}

TEST(BundledColour, LeavesSrgbUntaggedAndDamagedProfilesAlone) {
    ColourManager manager;
    const ColourTarget target;
    Bytes damaged = DisplayP3();
    std::memset(damaged.data() + 128, 0xEE, 64); // the tag table
    PngColourChunks srgbGamma;                   // what encoders write for sRGB
    srgbGamma.Gamma = 45455;
    PngColourChunks srgbChunk;
    srgbChunk.Srgb = true;
    Bytes grey = Saved(cmsCreateGrayProfile(cmsD50_xyY(), nullptr));
    struct Case {
        const char* Name;
        ColourSource Source;
    } cases[] = {
        {"untagged", {}},
        {"sRGB profile", {SrgbFile(), {}, {}}},
        {"lcms2's sRGB", {Saved(cmsCreate_sRGBProfile()), {}, {}}},
        {"damaged", {damaged, {}, {}}},
        {"truncated", {Bytes(damaged.begin(), damaged.begin() + 200), {}, {}}},
        {"not a profile", {Bytes(500, 0x42), {}, {}}},
        {"a grey profile", {grey, {}, {}}},
        {"PNG sRGB chunk", {{}, srgbChunk, {}}},
        {"PNG gAMA 1/2.2", {{}, srgbGamma, {}}},
        {"CICP BT.709 sRGB", {{}, {}, Cicp{1, 13}}},
        {"CICP unspecified", {{}, {}, Cicp{2, 2}}},
        {"CICP PQ (tone-mapped instead)", {{}, {}, Cicp{9, 16}}},
    };
    for (const Case& c : cases)
        EXPECT_FALSE(manager.Plan(c.Source, target, Layout::Bgr8, Layout::Bgr8)) << c.Name;
    ColourTarget off;
    off.Manage = false;
    EXPECT_FALSE(manager.Plan({DisplayP3(), {}, {}}, off, Layout::Bgr8, Layout::Bgr8));
}

// Converts one BGR pixel with the plan for the source.
std::vector<int> ConvertBgr(ColourManager& m, const ColourSource& s, const ColourTarget& t,
                            std::vector<std::uint8_t> bgr) {
    const Conversion c = m.Plan(s, t, Layout::Bgr8, Layout::Bgr8);
    if (!c)
        return {};
    std::vector<std::uint8_t> out(bgr.size());
    c.Convert(bgr.data(), out.data(), bgr.size() / 3);
    return {out.begin(), out.end()};
}

TEST(BundledColour, ConvertsWideGamutColoursForTheTarget) {
    ColourManager manager;
    const ColourSource p3{DisplayP3(), {}, {}};
    // Pure P3 red lies outside sRGB: it clips to sRGB red (B, G, R); white stays white.
    const std::vector<int> red = ConvertBgr(manager, p3, {}, {0, 0, 255, 255, 255, 255});
    ASSERT_EQ(red.size(), 6u);
    EXPECT_LE(red[0], 2);
    EXPECT_LE(red[1], 2);
    EXPECT_GE(red[2], 253);
    for (int i = 3; i < 6; ++i)
        EXPECT_GE(red[i], 254);
    const ColourTarget p3Display{true, DisplayP3()};
    PngColourChunks linear; // gAMA 1.0: a linear picture, made sRGB-like by a profile
    linear.Gamma = 100000;
    const std::vector<int> mid = ConvertBgr(manager, {{}, linear, {}}, {}, {128, 128, 128});
    ASSERT_EQ(mid.size(), 3u);
    EXPECT_NEAR(mid[0], 188, 2) << "linear 0.5 is sRGB 188";
    // The display's profile is the target: P3 source shown on a P3 display is unchanged.
    const std::vector<int> same = ConvertBgr(manager, p3, p3Display, {10, 128, 250, 200, 30, 60});
    const std::vector<int> stored{10, 128, 250, 200, 30, 60};
    ASSERT_EQ(same.size(), 6u);
    for (int i = 0; i < 6; ++i)
        EXPECT_NEAR(same[i], stored[i], 1) << i;
    // A damaged display profile means sRGB.
    const ColourTarget broken{true, Bytes(300, 1)};
    EXPECT_EQ(ConvertBgr(manager, p3, broken, {0, 0, 255}),
              ConvertBgr(manager, p3, {}, {0, 0, 255}));
}

// Every layout pair the plug-ins use, for several pairs of profiles, against lcms2's exact
// (unoptimised) transform over a spread of colours: the fast tables, where they are taken, stay
// within a level; lcms2's optimised transform, where they are not, within three.
TEST(BundledColour, ConversionsAgreeWithTheExactTransform) {
    const Bytes adobe = FileOr("/usr/share/color/icc/compatibleWithAdobeRGB1998.icc", {});
    PngColourChunks linear;
    linear.Gamma = 100000;
    struct Pair {
        const char* Name;
        ColourSource Source;
        Bytes SourceBytes; // for the exact transform
        ColourTarget Target;
        int Tolerance;
    };
    ColourManager manager;
    std::vector<Pair> pairs = {
        {"P3 to sRGB", {DisplayP3(), {}, {}}, DisplayP3(), {}, 1},
        {"linear PNG to sRGB", {{}, linear, {}}, {}, {}, 1},
    };
    if (!adobe.empty()) {
        pairs.push_back({"Adobe RGB to sRGB", {adobe, {}, {}}, adobe, {}, 1});
        pairs.push_back({"P3 to an Adobe RGB display", {DisplayP3(), {}, {}}, DisplayP3(),
                         {true, adobe}, 3});
    }
    const struct {
        Layout In, Out;
        cmsUInt32Number InType, OutType;
        unsigned InBytes, OutBytes;
    } layouts[] = {{Layout::Bgr8, Layout::Bgr8, TYPE_BGR_8, TYPE_BGR_8, 3, 3},
                   {Layout::Bgra8, Layout::Bgra8, TYPE_BGRA_8, TYPE_BGRA_8, 4, 4},
                   {Layout::Rgb8, Layout::Bgr8, TYPE_RGB_8, TYPE_BGR_8, 3, 3},
                   {Layout::Rgba8, Layout::Bgra8, TYPE_RGBA_8, TYPE_BGRA_8, 4, 4}};
    std::vector<std::uint8_t> colours;
    std::uint32_t seed = 12345;
    for (int i = 0; i < 4 * 20000; ++i) {
        seed = seed * 1103515245 + 12345;
        colours.push_back(static_cast<std::uint8_t>(seed >> 16));
    }
    for (Pair& p : pairs) {
        if (p.SourceBytes.empty()) { // the PNG's made profile: linear light, sRGB's primaries
            cmsToneCurve* g = cmsBuildGamma(nullptr, 1.0);
            cmsToneCurve* c[3] = {g, g, g};
            const cmsCIExyY white{0.3127, 0.3290, 1};
            const cmsCIExyYTRIPLE bt709{{0.64, 0.33, 1}, {0.30, 0.60, 1}, {0.15, 0.06, 1}};
            p.SourceBytes = Saved(cmsCreateRGBProfile(&white, &bt709, c));
            cmsFreeToneCurve(g);
        }
        const Bytes target = p.Target.DisplayIcc.empty() ? Saved(cmsCreate_sRGBProfile())
                                                         : p.Target.DisplayIcc;
        cmsHPROFILE from = cmsOpenProfileFromMem(p.SourceBytes.data(),
                                                 static_cast<cmsUInt32Number>(p.SourceBytes.size()));
        cmsHPROFILE to =
            cmsOpenProfileFromMem(target.data(), static_cast<cmsUInt32Number>(target.size()));
        for (const auto& l : layouts) {
            SCOPED_TRACE(std::string(p.Name) + ", layout " + std::to_string(int(l.In)));
            const Conversion c = manager.Plan(p.Source, p.Target, l.In, l.Out);
            ASSERT_TRUE(c);
            cmsHTRANSFORM exact = cmsCreateTransform(
                from, l.InType, to, l.OutType, INTENT_PERCEPTUAL,
                cmsFLAGS_BLACKPOINTCOMPENSATION | cmsFLAGS_NOOPTIMIZE |
                    (l.InBytes == 4 ? cmsFLAGS_COPY_ALPHA : 0));
            ASSERT_NE(exact, nullptr);
            const std::size_t n = colours.size() / 4;
            std::vector<std::uint8_t> ours(n * l.OutBytes), theirs(ours.size());
            c.Convert(colours.data(), ours.data(), n);
            cmsDoTransform(exact, colours.data(), theirs.data(), static_cast<cmsUInt32Number>(n));
            cmsDeleteTransform(exact);
            int worst = 0;
            for (std::size_t i = 0; i < ours.size(); ++i)
                worst = std::max(worst, std::abs(int{ours[i]} - int{theirs[i]}));
            EXPECT_LE(worst, p.Tolerance);
        }
        cmsCloseProfile(from);
        cmsCloseProfile(to);
    }
}

TEST(BundledColour, KeepsOneTransformPerPairOfProfilesAndLayouts) {
    ColourManager manager;
    const ColourSource p3{DisplayP3(), {}, {}};
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(manager.Plan(p3, {}, Layout::Bgr8, Layout::Bgr8));
    EXPECT_EQ(manager.TransformsMade(), 1u);
    EXPECT_TRUE(manager.Plan(p3, {}, Layout::Bgra8, Layout::Bgra8));
    EXPECT_EQ(manager.TransformsMade(), 2u);
    const Bytes adobe = FileOr("/usr/share/color/icc/compatibleWithAdobeRGB1998.icc", {});
    if (!adobe.empty()) {
        EXPECT_TRUE(manager.Plan({adobe, {}, {}}, {}, Layout::Bgr8, Layout::Bgr8));
        EXPECT_TRUE(manager.Plan(p3, {true, adobe}, Layout::Bgr8, Layout::Bgr8));
        EXPECT_EQ(manager.TransformsMade(), 4u);
    }
    const std::size_t made = manager.TransformsMade();
    EXPECT_TRUE(manager.Plan(p3, {}, Layout::Bgr8, Layout::Bgr8));
    EXPECT_EQ(manager.TransformsMade(), made) << "the first pair is still kept";
}

TEST(BundledColour, CopiesAlphaAndReadsDeepSamples) {
    ColourManager manager;
    const ColourSource p3{DisplayP3(), {}, {}};
    const Conversion bgra = manager.Plan(p3, {}, Layout::Bgra8, Layout::Bgra8);
    ASSERT_TRUE(bgra);
    const std::uint8_t in[8] = {255, 255, 255, 17, 0, 0, 0, 200};
    std::uint8_t out[8]{};
    bgra.Convert(in, out, 2);
    EXPECT_EQ(out[3], 17);
    EXPECT_EQ(out[7], 200);
    // A 16-bit big-endian PNG sample and its 8-bit rounding give the same colour within one
    // level; the 16 bits are used (an odd low byte moves the result no more than rounding).
    const Conversion deep = manager.Plan(p3, {}, Layout::Bgr16Be, Layout::Bgr8);
    const Conversion flat = manager.Plan(p3, {}, Layout::Bgr8, Layout::Bgr8);
    ASSERT_TRUE(deep && flat);
    const std::uint8_t be[6] = {0x40, 0x40, 0x80, 0x80, 0xC0, 0xC0};
    const std::uint8_t eight[3] = {0x40, 0x80, 0xC0};
    std::uint8_t a[3], b[3];
    deep.Convert(be, a, 1);
    flat.Convert(eight, b, 1);
    for (int i = 0; i < 3; ++i)
        EXPECT_NEAR(a[i], b[i], 1) << i;
}

TEST(BundledColour, PqCurveRoundTripsAndKnowsItsLandmarks) {
    EXPECT_NEAR(PqToNits(1.0), 10000, 1e-6);
    EXPECT_NEAR(PqToNits(0.0), 0, 1e-9);
    EXPECT_NEAR(NitsToPq(100), 0.5081, 1e-3);
    EXPECT_NEAR(NitsToPq(203), 0.5806, 1e-3);
    for (const double nits : {0.01, 1.0, 100.0, 203.0, 1000.0, 4000.0})
        EXPECT_NEAR(PqToNits(NitsToPq(nits)), nits, nits * 1e-9);
    EXPECT_NEAR(HlgToScene(0.5), 1.0 / 12, 1e-9);
    EXPECT_NEAR(HlgToScene(1.0), 1.0, 1e-6);
}

TEST(BundledColour, ToneMapsHdrIntoTheReferenceWhiteWithoutClipping) {
    for (const double peak : {10000.0, 1000.0}) {
        const HdrToneMapper mapper(HdrTransfer::Pq, 1023, peak);
        double last = -1;
        for (int i = 0; i <= 1000; ++i) {
            const double nits = peak * i / 1000.0;
            const double mapped = mapper.MapNits(nits);
            EXPECT_GE(mapped, last) << nits; // never goes back
            EXPECT_LE(mapped, HdrToneMapper::ReferenceWhiteNits + 1e-9);
            last = mapped;
        }
        // Shadows pass untouched; only the peak reaches the reference white.
        EXPECT_NEAR(mapper.MapNits(5), 5, 1e-6);
        EXPECT_NEAR(mapper.MapNits(peak), HdrToneMapper::ReferenceWhiteNits, 0.5);
        EXPECT_LT(mapper.MapNits(peak * 0.5), HdrToneMapper::ReferenceWhiteNits - 1);
        EXPECT_LT(mapper.MapNits(peak * 0.9), mapper.MapNits(peak * 0.99)) << "still rising";
    }
    // A 10-bit grey ramp over the whole PQ range: linear light rising to 1.0 and no further,
    // and colours keep the ratios of their channels.
    const HdrToneMapper mapper(HdrTransfer::Pq, 1023);
    std::vector<std::uint16_t> ramp;
    for (unsigned v = 0; v <= 1023; ++v)
        ramp.insert(ramp.end(), {static_cast<std::uint16_t>(v), static_cast<std::uint16_t>(v),
                                 static_cast<std::uint16_t>(v)});
    std::vector<float> light(ramp.size());
    mapper.LinearRow(ramp.data(), 3, 1024, light.data());
    // What rounds to 255 once sRGB-encoded: above 0.9957 of the white.
    int atTop = 0;
    for (std::size_t i = 3; i < light.size(); i += 3) {
        EXPECT_GE(light[i], light[i - 3]);
        atTop += light[i] > 0.9957f;
    }
    EXPECT_LE(atTop, 10) << "of 1024";
    EXPECT_NEAR(light.back(), 1.0f, 1e-3f);
    const std::uint16_t colour[4] = {800, 600, 400, 1023};
    float mapped[3];
    mapper.LinearRow(colour, 4, 1, mapped);
    EXPECT_NEAR(mapped[1] / mapped[0], PqToNits(600 / 1023.0) / PqToNits(800 / 1023.0), 1e-4);
    // HLG: its nominal peak becomes the reference white.
    const HdrToneMapper hlg(HdrTransfer::Hlg, 1023);
    const std::uint16_t white[3] = {1023, 1023, 1023};
    hlg.LinearRow(white, 3, 1, mapped);
    EXPECT_NEAR(mapped[0], 1.0f, 2e-3f);
}

TEST(BundledColour, LinearLightBecomesTheTargetsEncoding) {
    ColourManager manager;
    const Conversion c = manager.PlanLinear(1, {}, Layout::Rgb8);
    ASSERT_TRUE(c);
    const float light[9] = {0, 0, 0, 0.5f, 0.5f, 0.5f, 1, 1, 1};
    std::uint8_t out[9];
    c.Convert(light, out, 3);
    EXPECT_EQ(out[0], 0);
    EXPECT_NEAR(out[3], 188, 1);
    EXPECT_EQ(out[6], 255);
}

} // namespace
