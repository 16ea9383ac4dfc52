// Colour management shared by the bundled import plug-ins, free of <windows.h> so that it is
// tested natively: where each format keeps a picture's colour profile, which profiles count as
// sRGB, the conversion to the display's profile through Little CMS 2 (transforms cached per
// pair of profiles and pixel layouts), and the tone mapping of HDR (PQ and HLG) pictures.
//
// The rule the plug-ins follow: a picture without a profile, or whose profile is sRGB (or a
// damaged one), keeps its stored pixels byte for byte; any other RGB profile is converted to the
// target (the display's profile, else sRGB) with the perceptual intent and black-point
// compensation. HDR pictures are always tone-mapped while colour management is on.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <thread>
#include <vector>

namespace bundled {

// ---------------------------------------------------------------- where profiles are kept

// JPEG: the profile split over APP2 segments that begin "ICC_PROFILE\0", a sequence number
// (from 1) and the count of segments. Given the payload of every APP2 segment in file order
// (other APP2 segments are skipped), the joined profile; empty when there is none, or when its
// chunks are missing, repeated or disagree on the count.
std::vector<std::uint8_t> JoinJpegIccChunks(const std::vector<std::span<const std::uint8_t>>& app2);

// WebP: the ICCP chunk of an extended file (VP8X) whose flags announce a profile; empty when
// there is none or the chunks run past the data.
std::span<const std::uint8_t> WebPIccChunk(std::span<const std::uint8_t> file);

// PNG without an iCCP chunk: what its sRGB, gAMA and cHRM chunks say.
struct PngColourChunks {
    bool Srgb = false;
    std::uint32_t Gamma = 0; // gAMA times 100000 (45455 for 1/2.2); 0 when absent
    bool HasChromaticities = false;
    double White[2]{}, Red[2]{}, Green[2]{}, Blue[2]{}; // x, y
};

// AVIF (and video) coding-independent code points: colour primaries and transfer.
struct Cicp {
    int Primaries = 2; // 2: unspecified
    int Transfer = 2;
};
enum class HdrTransfer { None, Pq, Hlg };
HdrTransfer HdrTransferOf(const Cicp& cicp);

// What a picture says about its colours; at most one of these is used, in this order.
struct ColourSource {
    std::vector<std::uint8_t> Icc;
    std::optional<PngColourChunks> Png;
    std::optional<Cicp> Codes;
};

// Where the pictures go. DisplayIcc is the display's profile; empty (or damaged) means sRGB.
struct ColourTarget {
    bool Manage = true;
    std::vector<std::uint8_t> DisplayIcc;
};

// ---------------------------------------------------------------- profiles and conversions

// An ICC profile as bytes, with a fingerprint of them (the cache's key).
struct ProfileBytes {
    std::vector<std::uint8_t> Bytes;
    std::uint64_t Fingerprint = 0;
};
std::uint64_t FingerprintOf(std::span<const std::uint8_t> bytes);

// The profile standing for a source, or nothing when it has none that works: no profile, a
// damaged one, one that is not RGB. PNG chunks that describe sRGB (an sRGB chunk, or gAMA 1/2.2
// with sRGB's or no chromaticities) give sRGB's profile; CICP values give a profile of those
// primaries and transfer (HDR transfers give none: see HdrToneMapper).
std::optional<ProfileBytes> SourceProfile(const ColourSource& source);

// The pixel layouts the plug-ins hand over. "16" layouts use the whole 0..65535 range in the
// machine's byte order, "16Be" in big-endian order (PNG's); Float is RGB linear light, 1.0
// white. The fourth channel of the 4-channel layouts is copied (alpha, or padding).
enum class Layout { Bgr8, Bgra8, Rgb8, Rgba8, Rgb16, Rgba16, Bgr16Be, Bgra16Be, RgbFloat };

// One lcms2 transform, shared with the cache that made it. Input and output do not overlap.
class Conversion {
public:
    struct Transform;
    Conversion() = default;
    explicit Conversion(std::shared_ptr<const Transform> transform)
        : FTransform(std::move(transform)) {}
    explicit operator bool() const noexcept { return FTransform != nullptr; }
    void Convert(const void* in, void* out, std::size_t pixels) const;

private:
    std::shared_ptr<const Transform> FTransform;
};

// Converts rows in place on a thread of its own while a decoder reads the next ones (where no
// thread can be had, at once). The rows must stay put until Finish, which the destructor also
// calls.
class RowConverter {
public:
    RowConverter(Conversion conversion, std::size_t width, std::size_t pixelBytes);
    ~RowConverter();
    RowConverter(const RowConverter&) = delete;
    RowConverter& operator=(const RowConverter&) = delete;
    void Add(std::uint8_t* row);
    // Waits until every row given is converted.
    void Finish();

private:
    static constexpr std::size_t Batch = 16; // rows a wake-up is worth

    void Convert(std::uint8_t* row, std::vector<std::uint8_t>& stored) const;
    void Run();

    Conversion FConversion;
    std::size_t FWidth, FRowBytes;
    std::mutex FLock;
    std::condition_variable FWake;
    std::vector<std::uint8_t*> FQueue;
    bool FFinishing = false;
    std::vector<std::uint8_t> FStored; // a row's pixels before conversion, where no thread runs
    std::thread FThread;
};

// Makes conversions and keeps the last few transforms, keyed by both profiles' fingerprints
// and the layouts, with each profile's verdict on whether it is sRGB. Safe to use from several
// threads.
class ColourManager {
public:
    ColourManager();
    ~ColourManager();
    ColourManager(const ColourManager&) = delete;
    ColourManager& operator=(const ColourManager&) = delete;

    // The conversion of a source's pixels for the target; empty when the pixels stay as stored
    // (management off, no working profile, an sRGB profile, or one lcms2 cannot use).
    Conversion Plan(const ColourSource& source, const ColourTarget& target, Layout in, Layout out);
    // The conversion of linear light (RgbFloat) in the given CICP primaries for the target,
    // which tone-mapped HDR pixels take; empty only when lcms2 cannot make it.
    Conversion PlanLinear(int primaries, const ColourTarget& target, Layout out);

    // Whether the profile's colours are sRGB's, within two levels at 8 bits.
    bool IsSrgb(const ProfileBytes& profile);
    // Transforms lcms2 was asked to make so far (a cache hit makes none).
    std::size_t TransformsMade() const;

private:
    struct State;
    std::unique_ptr<State> FState;
};

// ---------------------------------------------------------------- HDR

// SMPTE ST 2084 (PQ): signal 0..1 to cd/m2 0..10000, and back.
double PqToNits(double signal);
double NitsToPq(double nits);
// ARIB STD-B67 (HLG): signal 0..1 to scene light 0..1.
double HlgToScene(double signal);

// Brings HDR pixels to an SDR display: the picture's light in cd/m2 (PQ as coded; HLG through
// its reference OOTF for a 1000 cd/m2 display, system gamma 1.2) is mapped after the EETF of
// ITU-R BT.2390 (in PQ space, from the picture's peak to the target's, the knee at 1.5 maxLum -
// 0.5), with a Möbius shoulder in place of its Hermite spline so that the curve still rises at
// the peak. It is applied to the largest of the three channels and the others are scaled alike
// (hues kept; no channel clips). The target peak is the SDR reference white, 203 cd/m2, which
// becomes 1.0.
class HdrToneMapper {
public:
    static constexpr double ReferenceWhiteNits = 203.0;
    static constexpr double HlgDisplayPeakNits = 1000.0;

    // Samples run from 0 to top (1023, 4095, ...); sourcePeakNits is the picture's brightest
    // light (its MaxCLL), 0 when unknown (10000 for PQ, 1000 for HLG).
    HdrToneMapper(HdrTransfer transfer, unsigned top, double sourcePeakNits = 0);
    // cd/m2 of the largest channel in, cd/m2 out (at most ReferenceWhiteNits).
    double MapNits(double nits) const;
    // One row of width pixels of channels (3 or 4) 16-bit samples to linear light RGB, 1.0 the
    // reference white (a fourth channel is skipped).
    void LinearRow(const std::uint16_t* in, unsigned channels, std::size_t width, float* out) const;
    double SourcePeakNits() const { return FSourcePeak; }

private:
    HdrTransfer FTransfer;
    unsigned FTop;
    double FSourcePeak;
    double FSourcePeakPq, FMaxLum, FKneeStart;
    // PQ: each sample's light, and the factor that maps a pixel whose largest sample it is.
    std::vector<float> FNits, FRatio;
};

} // namespace bundled
