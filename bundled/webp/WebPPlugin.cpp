// Import plug-in for WebP through libwebp: lossy and lossless pictures, with or without alpha,
// and the first frame of an animation. The picture (or the frame) is decoded straight into the
// DIB, fed in slices so that progress can be reported and an abort honoured between them. The
// colours of a picture with an ICC profile (its ICCP chunk) are then converted in the DIB.
#include "bundled/common/ColourGlue.h"
#include "bundled/common/Limits.h"
#include "bundled/common/PluginKit.h"
#include "bundled/common/Sniff.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include <webp/decode.h>
#include <webp/demux.h>

namespace bundled {
namespace {

SusieResult ResultOf(VP8StatusCode status) {
    switch (status) {
    case VP8_STATUS_OK:
        return SusieSuccess;
    case VP8_STATUS_OUT_OF_MEMORY:
        return SusieNoMemory;
    case VP8_STATUS_UNSUPPORTED_FEATURE:
        return SusieUnknownFormat;
    default:
        return SusieBrokenData;
    }
}

SusieResult ReadFeatures(std::span<const std::uint8_t> data, WebPBitstreamFeatures& features) {
    if (const VP8StatusCode s = WebPGetFeatures(data.data(), data.size(), &features);
        s != VP8_STATUS_OK)
        return s == VP8_STATUS_NOT_ENOUGH_DATA ? SusieBrokenData : ResultOf(s);
    // An animation's canvas (the size given here) becomes a 32-bit DIB.
    if (!WithinLimits(static_cast<std::uint32_t>(features.width),
                      static_cast<std::uint32_t>(features.height),
                      features.has_alpha || features.has_animation ? 32 : 24))
        return SusieNoMemory;
    return SusieSuccess;
}

struct IncrementalDecoderFree {
    void operator()(WebPIDecoder* decoder) const noexcept { WebPIDelete(decoder); }
};
struct DemuxerFree {
    void operator()(WebPDemuxer* demuxer) const noexcept { WebPDemuxDelete(demuxer); }
};

// Decodes a bitstream (a whole still file, or an animation frame's chunks) into the DIB's rows,
// flipped by the decoder as DIB rows run bottom-up: the picture's top left pixel goes to column
// x, row y from the top. The bitstream is fed in slices, so that progress is reported and a stop
// honoured between them.
SusieResult DecodeInto(std::span<const std::uint8_t> bitstream, std::uint32_t x, std::uint32_t y,
                       std::uint32_t w, std::uint32_t h, Progress& progress, DibBuilder& dib) {
    const bool alpha = dib.BitCount() == 32;
    const std::size_t stride = DibStride(dib.Width(), dib.BitCount());
    WebPDecoderConfig config;
    if (!WebPInitDecoderConfig(&config))
        return SusieInternalError;
    config.options.flip = 1; // the bottom row first, as the DIB stores it
    config.output.colorspace = alpha ? MODE_BGRA : MODE_BGR;
    config.output.is_external_memory = 1;
    config.output.u.RGBA.rgba = dib.RowFromTop(y + h - 1) + std::size_t{x} * (alpha ? 4 : 3);
    config.output.u.RGBA.stride = static_cast<int>(stride);
    config.output.u.RGBA.size = stride * (h - 1) + std::size_t{w} * (alpha ? 4 : 3);
    std::unique_ptr<WebPIDecoder, IncrementalDecoderFree> decoder(WebPIDecode(nullptr, 0, &config));
    if (!decoder)
        return SusieNoMemory;
    // Sixty-four slices or more, none below 256 bytes or above 1 MB.
    const std::size_t slice = std::clamp<std::size_t>(bitstream.size() / 64, 256, 1 << 20);
    for (std::size_t fed = 0; fed < bitstream.size();) {
        fed = std::min(bitstream.size(), fed + slice);
        const VP8StatusCode s = WebPIUpdate(decoder.get(), bitstream.data(), fed);
        if (s == VP8_STATUS_OK)
            return SusieSuccess;
        if (s != VP8_STATUS_SUSPENDED)
            return ResultOf(s);
        if (!progress.Report(fed, bitstream.size()))
            return SusieAborted;
    }
    return SusieBrokenData; // the data ended before the picture
}

// Converts the colours of the DIB's rows from y (from the top) to y + h, columns x to x + w,
// when the file's profile asks for it.
void ConvertColours(std::span<const std::uint8_t> data, std::uint32_t x, std::uint32_t y,
                    std::uint32_t w, std::uint32_t h, DibBuilder& dib) {
    ColourSource source;
    const std::span<const std::uint8_t> icc = WebPIccChunk(data);
    source.Icc.assign(icc.begin(), icc.end());
    const bool alpha = dib.BitCount() == 32;
    const Layout layout = alpha ? Layout::Bgra8 : Layout::Bgr8;
    const Conversion conversion =
        ModuleColourManager().Plan(source, CurrentColourTarget(), layout, layout);
    if (!conversion)
        return;
    const std::size_t pixelBytes = alpha ? 4 : 3;
    std::vector<std::uint8_t> stored(std::size_t{w} * pixelBytes);
    for (std::uint32_t row = y; row < y + h; ++row) {
        std::uint8_t* at = dib.RowFromTop(row) + std::size_t{x} * pixelBytes;
        std::copy_n(at, stored.size(), stored.data());
        conversion.Convert(stored.data(), at, w);
    }
}

SusieResult DecodeStill(std::span<const std::uint8_t> data, const WebPBitstreamFeatures& features,
                        Progress& progress, DibBuilder& dib) {
    const auto w = static_cast<std::uint32_t>(features.width);
    const auto h = static_cast<std::uint32_t>(features.height);
    if (!dib.Create(w, h, features.has_alpha ? 32 : 24))
        return SusieNoMemory;
    const SusieResult r = DecodeInto(data, 0, 0, w, h, progress, dib);
    if (r == SusieSuccess)
        ConvertColours(data, 0, 0, w, h, dib);
    return r;
}

// Whether the data holds all of the RIFF container its header announces.
bool Complete(std::span<const std::uint8_t> data) {
    if (data.size() < 12)
        return false;
    const std::uint64_t size =
        data[4] | data[5] << 8 | data[6] << 16 | std::uint64_t{data[7]} << 24;
    return data.size() >= size + 8;
}

// The animation's canvas once its first frame is drawn: transparent, and the frame decoded in
// its place (the first frame replaces the canvas; blending begins with the second). The demuxer
// accepts an animation cut off after its first frame; such a file counts as broken, as any other
// truncated picture.
SusieResult DecodeFirstFrame(std::span<const std::uint8_t> data, Progress& progress,
                             DibBuilder& dib) {
    if (!Complete(data))
        return SusieBrokenData;
    const WebPData webp{data.data(), data.size()};
    std::unique_ptr<WebPDemuxer, DemuxerFree> demuxer(WebPDemux(&webp));
    if (!demuxer)
        return SusieBrokenData;
    const std::uint32_t cw = WebPDemuxGetI(demuxer.get(), WEBP_FF_CANVAS_WIDTH);
    const std::uint32_t ch = WebPDemuxGetI(demuxer.get(), WEBP_FF_CANVAS_HEIGHT);
    if (!WithinLimits(cw, ch, 32))
        return SusieNoMemory;
    WebPIterator frame;
    if (!WebPDemuxGetFrame(demuxer.get(), 1, &frame))
        return SusieBrokenData;
    const auto x = static_cast<std::uint32_t>(frame.x_offset);
    const auto y = static_cast<std::uint32_t>(frame.y_offset);
    const auto w = static_cast<std::uint32_t>(frame.width);
    const auto h = static_cast<std::uint32_t>(frame.height);
    const std::span<const std::uint8_t> bitstream(frame.fragment.bytes, frame.fragment.size);
    WebPDemuxReleaseIterator(&frame);
    // (The demuxer has checked that the frame lies within the canvas.)
    if (w == 0 || h == 0 || x + w > cw || y + h > ch)
        return SusieBrokenData;
    if (!dib.Create(cw, ch, 32))
        return SusieNoMemory;
    if (x != 0 || y != 0 || w != cw || h != ch)
        for (std::uint32_t row = 0; row < ch; ++row)
            std::fill_n(dib.RowFromTop(row), std::size_t{cw} * 4, std::uint8_t{0});
    if (const SusieResult r = DecodeInto(bitstream, x, y, w, h, progress, dib); r != SusieSuccess)
        return r;
    ConvertColours(data, x, y, w, h, dib);
    dib.DropOpaqueAlpha();
    return SusieSuccess;
}

} // namespace

const LibraryPluginFacts& LibraryPlugin() {
    static const LibraryPluginFacts plugin{
        PictureFormat::WebP,
        "WebP import filter (libwebp; first frame of an animation)",
        {"*.webp", "WebP"}};
    return plugin;
}

SusieResult ReadFacts(std::span<const std::uint8_t> data, std::string_view, PictureFacts& facts) {
    WebPBitstreamFeatures features;
    if (const SusieResult r = ReadFeatures(data, features); r != SusieSuccess)
        return r;
    facts.Width = static_cast<std::uint32_t>(features.width);
    facts.Height = static_cast<std::uint32_t>(features.height);
    facts.BitCount = features.has_alpha ? 32 : 24;
    return SusieSuccess;
}

SusieResult Decode(std::span<const std::uint8_t> data, std::string_view, Progress& progress,
                   DibBuilder& dib) {
    WebPBitstreamFeatures features;
    if (const SusieResult r = ReadFeatures(data, features); r != SusieSuccess)
        return r;
    return features.has_animation ? DecodeFirstFrame(data, progress, dib)
                                  : DecodeStill(data, features, progress, dib);
}

} // namespace bundled
