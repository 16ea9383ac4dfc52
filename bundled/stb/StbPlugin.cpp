// Import plug-in for formats the system's decoders lack: TGA, PSD (the flattened composite),
// binary PNM (ppm, pgm) and Radiance HDR (tone-mapped to 8 bits), decoded with stb_image.
// Pictures are measured before stb_image decodes them and refused above the viewer's limit.
#include "bundled/common/Limits.h"
#include "bundled/common/PluginKit.h"
#include "bundled/common/Sniff.h"
#include "bundled/stb/StbLimits.h"

#include "stb_image.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

static_assert(BUNDLED_STB_MAX_SIDE == tovane::MaxPictureSide);

namespace bundled {
namespace {

struct StbFree {
    void operator()(void* pixels) const noexcept { stbi_image_free(pixels); }
};
template <typename T> using StbPixels = std::unique_ptr<T, StbFree>;

struct Measured {
    int Width = 0, Height = 0, Channels = 0;
    bool Hdr = false;
};

SusieResult FailureResult() {
    const char* reason = stbi_failure_reason();
    if (reason && (std::strcmp(reason, "too large") == 0 || std::strcmp(reason, "outofmem") == 0))
        return SusieNoMemory;
    if (reason && std::strcmp(reason, "unknown image type") == 0)
        return SusieUnknownFormat;
    return SusieBrokenData;
}

bool HasAlpha(const Measured& m) {
    return m.Channels == 2 || m.Channels == 4;
}

// What the DIB will be: Radiance pictures are tone-mapped to 24 bits.
unsigned DibBitCount(const Measured& m) {
    return HasAlpha(m) && !m.Hdr ? 32 : 24;
}

// Reads the picture's size from its header and applies the limits.
SusieResult Measure(std::span<const std::uint8_t> data, Measured& m) {
    if (data.size() > static_cast<std::size_t>(INT_MAX))
        return SusieNoMemory;
    const auto* bytes = reinterpret_cast<const stbi_uc*>(data.data());
    const int size = static_cast<int>(data.size());
    if (!stbi_info_from_memory(bytes, size, &m.Width, &m.Height, &m.Channels))
        return FailureResult();
    if (m.Width <= 0 || m.Height <= 0 || m.Channels < 1 || m.Channels > 4)
        return SusieBrokenData;
    m.Hdr = stbi_is_hdr_from_memory(bytes, size) != 0;
    if (!WithinLimits(static_cast<std::uint32_t>(m.Width), static_cast<std::uint32_t>(m.Height),
                      DibBitCount(m)))
        return SusieNoMemory;
    return SusieSuccess;
}

// Feeds stb_image from memory and notes whether it asked for bytes past the end: stb_image
// reads zeros there and would deliver a truncated file as a whole picture. It asks in two ways:
// refilling its own buffer (the first read's destination), where a short read is the normal end
// and only an empty one means missing data; and reading a block straight into the picture, where
// any short read means missing data. How far it has read is stb_image's progress: the first
// half of the decode's, reported every 32nd of the data (at most every 64 KB); once the host asks
// to stop, nothing more is read (stb_image then runs to its end on zeros, without the data's work).
class Reader {
public:
    Reader(std::span<const std::uint8_t> data, Progress& progress) noexcept
        : FData(data), FProgress(progress) {}
    static const stbi_io_callbacks Callbacks;
    bool Overran() const noexcept { return FOverran; }

private:
    static int Read(void* user, char* out, int size) noexcept {
        auto* r = static_cast<Reader*>(user);
        if (r->FAt >= r->FNextReport) {
            r->FNextReport = r->FAt + std::clamp<std::size_t>(r->FData.size() / 32, 1024, 1 << 16);
            if (!r->FProgress.Report(r->FAt, 2 * r->FData.size()))
                return 0;
        }
        if (r->FProgress.Aborted())
            return 0;
        if (!r->FRefillBuffer)
            r->FRefillBuffer = out;
        const std::size_t wanted = static_cast<std::size_t>(std::max(size, 0));
        const std::size_t n = std::min(r->FData.size() - r->FAt, wanted);
        if (n < wanted && (out != r->FRefillBuffer || n == 0))
            r->FOverran = true;
        std::memcpy(out, r->FData.data() + r->FAt, n);
        r->FAt += n;
        return static_cast<int>(n);
    }
    static void Skip(void* user, int count) noexcept {
        auto* r = static_cast<Reader*>(user);
        const std::size_t left = r->FData.size() - r->FAt;
        if (count < 0)
            return;
        if (static_cast<std::size_t>(count) > left)
            r->FOverran = true;
        r->FAt += std::min(left, static_cast<std::size_t>(count));
    }
    static int AtEnd(void* user) noexcept {
        const auto* r = static_cast<const Reader*>(user);
        return r->FAt >= r->FData.size() ? 1 : 0;
    }

    std::span<const std::uint8_t> FData;
    Progress& FProgress;
    std::size_t FAt = 0, FNextReport = 0;
    const char* FRefillBuffer = nullptr;
    bool FOverran = false;
};

const stbi_io_callbacks Reader::Callbacks = {&Reader::Read, &Reader::Skip, &Reader::AtEnd};

// What both decoders check once stb has read the picture: that it read, stayed within the
// data and has the size measured before; then the first half of the progress.
template <typename T>
SusieResult CheckRead(const StbPixels<T>& pixels, const Reader& reader, int w, int h,
                      const Measured& m, Progress& progress) {
    if (progress.Aborted())
        return SusieAborted;
    if (!pixels)
        return FailureResult();
    if (reader.Overran() || w != m.Width || h != m.Height)
        return SusieBrokenData;
    if (!progress.Report(50, 100))
        return SusieAborted;
    return SusieSuccess;
}

// The second half of the progress, for each row given out; false: abort.
bool ReportRows(Progress& progress, int y, int h) {
    return progress.Report(static_cast<std::uint64_t>(h) + static_cast<std::uint64_t>(y) + 1,
                           2 * static_cast<std::uint64_t>(h));
}

SusieResult DecodeHdr(std::span<const std::uint8_t> data, const Measured& m, Progress& progress,
                      DibBuilder& dib) {
    int w = 0, h = 0, channels = 0;
    Reader reader(data, progress);
    StbPixels<float> pixels(
        stbi_loadf_from_callbacks(&Reader::Callbacks, &reader, &w, &h, &channels, 3));
    if (const SusieResult r = CheckRead(pixels, reader, w, h, m, progress); r != SusieSuccess)
        return r;
    if (!dib.Create(static_cast<std::uint32_t>(w), static_cast<std::uint32_t>(h), 24))
        return SusieNoMemory;
    std::vector<std::uint8_t> row(static_cast<std::size_t>(w) * 3);
    for (int y = 0; y < h; ++y) {
        const float* in = pixels.get() + static_cast<std::size_t>(y) * w * 3;
        for (std::size_t i = 0; i < row.size(); ++i)
            row[i] = ToneMap(in[i]);
        PackDibRow(row.data(), 3, ChannelOrder::Rgb, static_cast<std::uint32_t>(w), 24,
                   dib.RowFromTop(static_cast<std::uint32_t>(y)));
        if (!ReportRows(progress, y, h))
            return SusieAborted;
    }
    return SusieSuccess;
}

SusieResult DecodeLdr(std::span<const std::uint8_t> data, const Measured& m, Progress& progress,
                      DibBuilder& dib) {
    const int wanted = HasAlpha(m) ? 4 : 3;
    int w = 0, h = 0, channels = 0;
    Reader reader(data, progress);
    StbPixels<stbi_uc> pixels(
        stbi_load_from_callbacks(&Reader::Callbacks, &reader, &w, &h, &channels, wanted));
    if (const SusieResult r = CheckRead(pixels, reader, w, h, m, progress); r != SusieSuccess)
        return r;
    const unsigned bitCount = wanted == 4 ? 32 : 24;
    if (!dib.Create(static_cast<std::uint32_t>(w), static_cast<std::uint32_t>(h), bitCount))
        return SusieNoMemory;
    for (int y = 0; y < h; ++y) {
        PackDibRow(pixels.get() + static_cast<std::size_t>(y) * w * wanted,
                   static_cast<unsigned>(wanted), ChannelOrder::Rgb, static_cast<std::uint32_t>(w),
                   bitCount, dib.RowFromTop(static_cast<std::uint32_t>(y)));
        if (!ReportRows(progress, y, h))
            return SusieAborted;
    }
    dib.DropOpaqueAlpha();
    return SusieSuccess;
}

} // namespace

const std::vector<std::string>& PluginTexts() {
    static const std::vector<std::string> texts{
        "00IN",
        "TGA, PSD, PNM and Radiance HDR import filter (stb_image); " + LimitsText(),
        "*.tga;*.vda;*.icb;*.vst",
        "Truevision TGA",
        "*.psd",
        "Photoshop (composite image)",
        "*.ppm;*.pgm;*.pnm",
        "Portable anymap (binary)",
        "*.hdr",
        "Radiance HDR (tone-mapped)",
    };
    return texts;
}

bool CanDecode(std::span<const std::uint8_t> head, std::string_view fileName) {
    switch (SniffFormat(head, fileName)) {
    case PictureFormat::Tga:
    case PictureFormat::Psd:
    case PictureFormat::Pnm:
    case PictureFormat::Hdr:
        return true;
    default:
        return false;
    }
}

SusieResult ReadFacts(std::span<const std::uint8_t> data, std::string_view, PictureFacts& facts) {
    Measured m;
    if (const SusieResult r = Measure(data, m); r != SusieSuccess)
        return r;
    facts.Width = static_cast<std::uint32_t>(m.Width);
    facts.Height = static_cast<std::uint32_t>(m.Height);
    facts.BitCount = static_cast<unsigned>(m.Channels) * (m.Hdr ? 32u : 8u);
    return SusieSuccess;
}

SusieResult Decode(std::span<const std::uint8_t> data, std::string_view, Progress& progress,
                   DibBuilder& dib) {
    Measured m;
    if (const SusieResult r = Measure(data, m); r != SusieSuccess)
        return r;
    return m.Hdr ? DecodeHdr(data, m, progress, dib) : DecodeLdr(data, m, progress, dib);
}

} // namespace bundled
