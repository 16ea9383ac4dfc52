// Import plug-in for AVIF through libheif (the container: items, grids, alpha, rotation and
// mirroring) and dav1d (the AV1 pictures): 8, 10 and 12 bits, reduced to 8 for the DIB, with or
// without alpha. The primary picture of the file is shown. Its colours (an ICC profile, else its
// CICP primaries and transfer) are converted to the display's from the decoded samples, deep
// ones from all their bits; PQ and HLG pictures are tone-mapped.
#include "bundled/common/ColourGlue.h"
#include "bundled/common/Limits.h"
#include "bundled/common/PluginKit.h"
#include "bundled/common/Sniff.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include <libheif/heif.h>

namespace bundled {
namespace {

struct ContextFree {
    void operator()(heif_context* c) const noexcept { heif_context_free(c); }
};
struct HandleFree {
    void operator()(heif_image_handle* h) const noexcept { heif_image_handle_release(h); }
};
struct ImageFree {
    void operator()(heif_image* i) const noexcept { heif_image_release(i); }
};
struct OptionsFree {
    void operator()(heif_decoding_options* o) const noexcept { heif_decoding_options_free(o); }
};
struct NclxFree {
    void operator()(heif_color_profile_nclx* n) const noexcept { heif_nclx_color_profile_free(n); }
};

SusieResult ResultOf(const heif_error& error) {
    switch (error.code) {
    case heif_error_Ok:
        return SusieSuccess;
    case heif_error_Unsupported_filetype:
    case heif_error_Unsupported_feature:
        return SusieUnknownFormat;
    case heif_error_Memory_allocation_error:
        return SusieNoMemory;
    default:
        return SusieBrokenData;
    }
}

// The file read (without a copy of its bytes) and its primary picture's handle.
struct AvifFile {
    std::unique_ptr<heif_context, ContextFree> Context;
    std::unique_ptr<heif_image_handle, HandleFree> Primary;
    std::uint32_t Width = 0, Height = 0; // as shown, after rotation
    bool Alpha = false;

    SusieResult Open(std::span<const std::uint8_t> data) {
        Context.reset(heif_context_alloc());
        if (!Context)
            return SusieNoMemory;
        if (const heif_error e = heif_context_read_from_memory_without_copy(
                Context.get(), data.data(), data.size(), nullptr);
            e.code != heif_error_Ok)
            return ResultOf(e);
        heif_image_handle* handle = nullptr;
        if (const heif_error e = heif_context_get_primary_image_handle(Context.get(), &handle);
            e.code != heif_error_Ok)
            return ResultOf(e);
        Primary.reset(handle);
        const int w = heif_image_handle_get_width(handle), h = heif_image_handle_get_height(handle);
        if (w <= 0 || h <= 0)
            return SusieBrokenData;
        Width = static_cast<std::uint32_t>(w);
        Height = static_cast<std::uint32_t>(h);
        Alpha = heif_image_handle_has_alpha_channel(handle) != 0;
        if (!WithinLimits(Width, Height, Alpha ? 32 : 24))
            return SusieNoMemory;
        return SusieSuccess;
    }
};

// The picture's ICC profile (from the container), and its CICP codes (the container's, else the
// coded picture's).
ColourSource ColoursOf(const heif_image_handle* handle, const heif_image* image) {
    ColourSource source;
    if (const std::size_t size = heif_image_handle_get_raw_color_profile_size(handle); size > 0) {
        source.Icc.resize(size);
        if (heif_image_handle_get_raw_color_profile(handle, source.Icc.data()).code !=
            heif_error_Ok)
            source.Icc.clear();
    }
    heif_color_profile_nclx* nclx = nullptr;
    if (heif_image_handle_get_nclx_color_profile(handle, &nclx).code != heif_error_Ok || !nclx)
        if (heif_image_get_nclx_color_profile(image, &nclx).code != heif_error_Ok)
            nclx = nullptr;
    if (const std::unique_ptr<heif_color_profile_nclx, NclxFree> codes(nclx); codes)
        source.Codes = Cicp{static_cast<int>(codes->color_primaries),
                            static_cast<int>(codes->transfer_characteristics)};
    return source;
}

// Zeroes the padding of a DIB row the conversion wrote.
void ZeroPadding(std::uint8_t* row, std::uint32_t width, unsigned bitCount) {
    const std::size_t used = std::size_t{width} * (bitCount / 8);
    std::fill(row + used, row + DibStride(width, bitCount), std::uint8_t{0});
}

} // namespace

const LibraryPluginFacts& LibraryPlugin() {
    static const LibraryPluginFacts plugin{
        PictureFormat::Avif, "AVIF import filter (libheif and dav1d)", {"*.avif", "AVIF"}};
    return plugin;
}

SusieResult ReadFacts(std::span<const std::uint8_t> data, std::string_view, PictureFacts& facts) {
    AvifFile file;
    if (const SusieResult r = file.Open(data); r != SusieSuccess)
        return r;
    facts.Width = file.Width;
    facts.Height = file.Height;
    const int bits = heif_image_handle_get_luma_bits_per_pixel(file.Primary.get());
    facts.BitCount = static_cast<unsigned>(bits > 0 ? bits : 8) * (file.Alpha ? 4 : 3);
    return SusieSuccess;
}

SusieResult Decode(std::span<const std::uint8_t> data, std::string_view, Progress& progress,
                   DibBuilder& dib) {
    AvifFile file;
    if (const SusieResult r = file.Open(data); r != SusieSuccess)
        return r;
    // libheif reports nothing of its decode (this version calls no progress hook, and has no way
    // to stop one): the callback is heard before and after it, and for the rows given out.
    if (!progress.Report(5, 100, true))
        return SusieAborted;
    std::unique_ptr<heif_decoding_options, OptionsFree> options(heif_decoding_options_alloc());
    if (!options)
        return SusieNoMemory;
    // Deeper pictures come as 16-bit samples, rounded to 8 bits here: libheif's own reduction
    // to 8-bit RGB cuts the YUV samples before the colour conversion, which is visibly coarser.
    const bool deep = heif_image_handle_get_luma_bits_per_pixel(file.Primary.get()) > 8;
    const heif_chroma chroma =
        deep
            ? (file.Alpha ? heif_chroma_interleaved_RRGGBBAA_LE : heif_chroma_interleaved_RRGGBB_LE)
            : (file.Alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB);
    heif_image* decoded = nullptr;
    if (const heif_error e = heif_decode_image(file.Primary.get(), &decoded, heif_colorspace_RGB,
                                               chroma, options.get());
        e.code != heif_error_Ok)
        return ResultOf(e);
    const std::unique_ptr<heif_image, ImageFree> image(decoded);
    if (!progress.Report(90, 100, true))
        return SusieAborted;
    int stride = 0;
    const std::uint8_t* pixels =
        heif_image_get_plane_readonly(image.get(), heif_channel_interleaved, &stride);
    const int w = heif_image_get_width(image.get(), heif_channel_interleaved);
    const int h = heif_image_get_height(image.get(), heif_channel_interleaved);
    const int bits = heif_image_get_bits_per_pixel_range(image.get(), heif_channel_interleaved);
    const unsigned channels = file.Alpha ? 4 : 3;
    if (!pixels || w <= 0 || h <= 0 ||
        !WithinLimits(static_cast<std::uint32_t>(w), static_cast<std::uint32_t>(h), channels * 8) ||
        (deep ? bits <= 8 || bits > 16 : bits != 8) ||
        stride < w * static_cast<int>(channels) * (deep ? 2 : 1))
        return SusieBrokenData;
    if (!dib.Create(static_cast<std::uint32_t>(w), static_cast<std::uint32_t>(h),
                    file.Alpha ? 32 : 24))
        return SusieNoMemory;
    // How the rows become the DIB's: tone-mapped (HDR), converted to the display's colours, or
    // as stored.
    const ColourSource colours = ColoursOf(file.Primary.get(), image.get());
    const ColourTarget target = CurrentColourTarget();
    const HdrTransfer hdr = target.Manage && colours.Icc.empty() && colours.Codes
                                ? HdrTransferOf(*colours.Codes)
                                : HdrTransfer::None;
    const unsigned top = (1u << bits) - 1;
    const auto width = static_cast<std::uint32_t>(w);
    Conversion conversion;
    std::unique_ptr<HdrToneMapper> toneMapper;
    if (hdr != HdrTransfer::None) {
        conversion =
            ModuleColourManager().PlanLinear(colours.Codes->Primaries, target, Layout::Rgb8);
        heif_content_light_level level{};
        if (heif_image_has_content_light_level(image.get()))
            heif_image_get_content_light_level(image.get(), &level);
        if (conversion)
            toneMapper = std::make_unique<HdrToneMapper>(hdr, top, level.max_content_light_level);
    } else {
        conversion = ModuleColourManager().Plan(colours, target,
                                                deep ? (file.Alpha ? Layout::Rgba16 : Layout::Rgb16)
                                                     : (file.Alpha ? Layout::Rgba8 : Layout::Rgb8),
                                                file.Alpha ? Layout::Bgra8 : Layout::Bgr8);
    }
    std::vector<std::uint8_t> reduced(deep || toneMapper ? std::size_t{width} * channels : 0);
    std::vector<std::uint16_t> samples(deep || toneMapper ? std::size_t{width} * channels : 0);
    std::vector<float> light(toneMapper ? std::size_t{width} * 3 : 0);
    std::vector<std::uint8_t> mapped(toneMapper ? std::size_t{width} * 3 : 0);
    for (int y = 0; y < h; ++y) {
        const std::uint8_t* row =
            pixels + static_cast<std::size_t>(stride) * static_cast<std::size_t>(y);
        std::uint8_t* out = dib.RowFromTop(static_cast<std::uint32_t>(y));
        if (deep || toneMapper)
            for (std::size_t i = 0; i < samples.size(); ++i)
                samples[i] = static_cast<std::uint16_t>(std::min(
                    deep ? unsigned{row[2 * i]} | unsigned{row[2 * i + 1]} << 8u : unsigned{row[i]},
                    top));
        if (toneMapper) {
            toneMapper->LinearRow(samples.data(), channels, width, light.data());
            conversion.Convert(light.data(), mapped.data(), width);
            for (std::uint32_t x = 0; x < width; ++x) {
                std::copy_n(&mapped[std::size_t{x} * 3], 3, &reduced[std::size_t{x} * channels]);
                if (channels == 4)
                    reduced[std::size_t{x} * 4 + 3] = static_cast<std::uint8_t>(
                        (samples[std::size_t{x} * 4 + 3] * 255u + top / 2) / top);
            }
            row = reduced.data();
        } else if (conversion) {
            if (deep) {
                for (std::uint16_t& v : samples)
                    v = static_cast<std::uint16_t>((v * 65535u + top / 2) / top);
                conversion.Convert(samples.data(), out, width);
            } else {
                conversion.Convert(row, out, width);
            }
            ZeroPadding(out, width, dib.BitCount());
        } else if (deep) {
            for (std::size_t i = 0; i < reduced.size(); ++i)
                reduced[i] = static_cast<std::uint8_t>((samples[i] * 255u + top / 2) / top);
            row = reduced.data();
        }
        if (toneMapper || !conversion)
            PackDibRow(row, channels, ChannelOrder::Rgb, width, dib.BitCount(), out);
        if (!progress.Report(900 + 100 * static_cast<std::uint64_t>(y + 1) / h, 1000))
            return SusieAborted;
    }
    dib.DropOpaqueAlpha();
    return SusieSuccess;
}

} // namespace bundled
