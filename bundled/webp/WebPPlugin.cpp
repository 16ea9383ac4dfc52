// Import plug-in for WebP through libwebp: lossy and lossless pictures, with or without alpha,
// and the first frame of an animation. A still picture is decoded straight into the DIB (flipped
// by the decoder, as DIB rows run bottom-up), fed in slices so that progress can be reported
// and an abort honoured between them.
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
struct AnimDecoderFree {
    void operator()(WebPAnimDecoder* decoder) const noexcept { WebPAnimDecoderDelete(decoder); }
};

SusieResult DecodeStill(std::span<const std::uint8_t> data, const WebPBitstreamFeatures& features,
                        Progress& progress, DibBuilder& dib) {
    const auto w = static_cast<std::uint32_t>(features.width);
    const auto h = static_cast<std::uint32_t>(features.height);
    const bool alpha = features.has_alpha != 0;
    if (!dib.Create(w, h, alpha ? 32 : 24))
        return SusieNoMemory;
    WebPDecoderConfig config;
    if (!WebPInitDecoderConfig(&config))
        return SusieInternalError;
    config.options.flip = 1; // the bottom row first, as the DIB stores it
    config.output.colorspace = alpha ? MODE_BGRA : MODE_BGR;
    config.output.is_external_memory = 1;
    config.output.u.RGBA.rgba = dib.RowFromTop(h - 1);
    config.output.u.RGBA.stride = static_cast<int>(DibStride(w, alpha ? 32 : 24));
    config.output.u.RGBA.size = DibStride(w, alpha ? 32 : 24) * h;
    std::unique_ptr<WebPIDecoder, IncrementalDecoderFree> decoder(WebPIDecode(nullptr, 0, &config));
    if (!decoder)
        return SusieNoMemory;
    // Sixteen slices or more, none above 1 MB.
    const std::size_t slice = std::clamp<std::size_t>(data.size() / 16, 4096, 1 << 20);
    for (std::size_t fed = 0; fed < data.size();) {
        fed = std::min(data.size(), fed + slice);
        const VP8StatusCode s = WebPIUpdate(decoder.get(), data.data(), fed);
        if (s == VP8_STATUS_OK)
            return SusieSuccess;
        if (s != VP8_STATUS_SUSPENDED)
            return ResultOf(s);
        if (!progress.Report(static_cast<int>(fed * 1000 / data.size()), 1000))
            return SusieAborted;
    }
    return SusieBrokenData; // the data ended before the picture
}

// Whether the data holds all of the RIFF container its header announces.
bool Complete(std::span<const std::uint8_t> data) {
    if (data.size() < 12)
        return false;
    const std::uint64_t size =
        data[4] | data[5] << 8 | data[6] << 16 | std::uint64_t{data[7]} << 24;
    return data.size() >= size + 8;
}

// The animation's canvas once its first frame is drawn. The demuxer accepts an animation cut
// off after its first frame; such a file counts as broken, as any other truncated picture.
SusieResult DecodeFirstFrame(std::span<const std::uint8_t> data, Progress& progress,
                             DibBuilder& dib) {
    if (!Complete(data))
        return SusieBrokenData;
    WebPAnimDecoderOptions options;
    if (!WebPAnimDecoderOptionsInit(&options))
        return SusieInternalError;
    options.color_mode = MODE_BGRA;
    const WebPData webp{data.data(), data.size()};
    std::unique_ptr<WebPAnimDecoder, AnimDecoderFree> decoder(WebPAnimDecoderNew(&webp, &options));
    if (!decoder)
        return SusieBrokenData;
    WebPAnimInfo info;
    if (!WebPAnimDecoderGetInfo(decoder.get(), &info) ||
        !WithinLimits(info.canvas_width, info.canvas_height, 32))
        return SusieNoMemory;
    if (!progress.Report(1, 3))
        return SusieAborted;
    std::uint8_t* canvas = nullptr;
    int timestamp = 0;
    if (!WebPAnimDecoderGetNext(decoder.get(), &canvas, &timestamp) || !canvas)
        return SusieBrokenData;
    if (!progress.Report(2, 3))
        return SusieAborted;
    if (!dib.Create(info.canvas_width, info.canvas_height, 32))
        return SusieNoMemory;
    for (std::uint32_t y = 0; y < info.canvas_height; ++y)
        PackDibRow(canvas + std::size_t{info.canvas_width} * 4 * y, 4, ChannelOrder::Bgr,
                   info.canvas_width, 32, dib.RowFromTop(y));
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
