// Import plug-in for JPEG through libjpeg-turbo (with its SIMD code): baseline, progressive,
// grey and CMYK pictures, shown the way their EXIF orientation says. Upright pictures are
// decoded straight into the DIB's rows. An RGB picture's ICC profile (APP2) is honoured.
#include "bundled/common/ColourGlue.h"
#include "bundled/common/Exif.h"
#include "bundled/common/Limits.h"
#include "bundled/common/PluginKit.h"
#include "bundled/common/Sniff.h"

#include <algorithm>
#include <csetjmp>
#include <memory>
#include <cstdio> // jpeglib.h needs FILE
#include <string>
#include <vector>

#include <jerror.h>
#include <jpeglib.h>

namespace bundled {
namespace {

// libjpeg reports errors through a callback that must not return: it jumps back to the
// setjmp of Guarded. Warnings are counted; only a premature end of the data matters.
struct ErrorManager {
    jpeg_error_mgr Base;
    std::jmp_buf Jump;
    bool DataEnded = false;
};

[[noreturn]] void OnError(j_common_ptr info) {
    std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->Jump, 1);
}

void OnMessage(j_common_ptr info, int level) {
    if (level < 0 && info->err->msg_code == JWRN_JPEG_EOF)
        reinterpret_cast<ErrorManager*>(info->err)->DataEnded = true;
}

void Silent(j_common_ptr) {
}

// libjpeg's progress monitor: called before each row of MCUs is read (inside
// jpeg_start_decompress, for every scan of a progressive picture) and for each row given out.
// Nothing may jump or throw out of it through libjpeg's frames. A stop the host asks for
// empties the source instead: libjpeg then reads only the end marker that its memory source
// supplies (finishing the scan at hand on zeros), and the decode stops at its next check.
struct ProgressMonitor {
    jpeg_progress_mgr Base;
    Progress* Host = nullptr;
};

void OnProgress(j_common_ptr info) noexcept {
    auto* monitor = reinterpret_cast<ProgressMonitor*>(info->progress);
    const jpeg_progress_mgr& p = monitor->Base;
    // libjpeg's own estimate: the passes done, and how far the current one is.
    const double pass =
        p.pass_limit > 0 ? std::min(1.0, static_cast<double>(p.pass_counter) / p.pass_limit) : 0.0;
    const double whole = (p.completed_passes + pass) / std::max(p.total_passes, 1);
    if (!monitor->Host->Report(static_cast<std::uint64_t>(whole * 100000), 100000)) {
        jpeg_source_mgr* source = reinterpret_cast<j_decompress_ptr>(info)->src;
        source->bytes_in_buffer = 0;
    }
}

// One decompression of the bytes in memory. libjpeg's jumps skip C++ destructors, so every
// buffer lives here, outside the guarded steps.
class Decompressor {
public:
    explicit Decompressor(std::span<const std::uint8_t> data) : FData(data) {
        FInfo.err = jpeg_std_error(&FErrors.Base);
        FErrors.Base.error_exit = OnError;
        FErrors.Base.emit_message = OnMessage;
        FErrors.Base.output_message = Silent;
    }
    Decompressor(const Decompressor&) = delete;
    Decompressor& operator=(const Decompressor&) = delete;
    ~Decompressor() {
        if (FCreated)
            jpeg_destroy_decompress(&FInfo);
    }

    // Reads the header; the size and orientation are known after it.
    SusieResult ReadHeader() {
        if (FData.size() > 0xFFFFFFFFu)
            return SusieNoMemory;
        if (setjmp(FErrors.Jump))
            return ErrorResult();
        jpeg_create_decompress(&FInfo);
        FCreated = true;
        jpeg_mem_src(&FInfo, FData.data(), static_cast<unsigned long>(FData.size()));
        jpeg_save_markers(&FInfo, JPEG_APP0 + 2, 0xFFFF);
        if (jpeg_read_header(&FInfo, TRUE) != JPEG_HEADER_OK)
            return SusieBrokenData;
        FOrientation = NormalOrientation(JpegExifOrientation(FData));
        // The DIB is always 24-bit, turned where the orientation says.
        if (!WithinLimits(SwapsAxes() ? Height() : Width(), SwapsAxes() ? Width() : Height(), 24))
            return SusieNoMemory;
        return SusieSuccess;
    }

    bool SwapsAxes() const { return OrientationSwapsAxes(FOrientation); }
    std::uint32_t Width() const { return FInfo.image_width; }
    std::uint32_t Height() const { return FInfo.image_height; }
    unsigned Components() const { return static_cast<unsigned>(FInfo.num_components); }
    void Density(unsigned& x, unsigned& y) const {
        x = FInfo.X_density;
        y = FInfo.Y_density;
        if (FInfo.density_unit == 2) { // dots per centimetre
            x = (x * 254 + 50) / 100;
            y = (y * 254 + 50) / 100;
        } else if (FInfo.density_unit != 1) {
            x = y = 0;
        }
    }

    SusieResult Decode(Progress& progress, DibBuilder& dib) {
        const bool cmyk = FInfo.jpeg_color_space == JCS_CMYK || FInfo.jpeg_color_space == JCS_YCCK;
        const bool upright = FOrientation == 1;
        const std::uint32_t w = Width(), h = Height();
        if (!dib.Create(SwapsAxes() ? h : w, SwapsAxes() ? w : h, 24))
            return SusieNoMemory;
        // Where the rows go: the DIB itself, or a picture to be turned, in BGRX.
        if (!upright) {
            FStored.Width = w;
            FStored.Height = h;
            FStored.Pixels.resize(std::size_t{w} * h * 4);
        }
        if (cmyk) {
            FRow.resize(std::size_t{w} * 4);
            FBgrx.resize(std::size_t{w} * 4);
        } else if (Components() == 3) {
            // Converted on another thread as the rows come.
            const Layout layout = upright ? Layout::Bgr8 : Layout::Bgra8;
            if (Conversion c = ModuleColourManager().Plan(ColourSourceOf(), CurrentColourTarget(),
                                                          layout, layout))
                FConverter = std::make_unique<RowConverter>(std::move(c), w, upright ? 3 : 4);
        }
        const SusieResult r = ReadRows(progress, dib, cmyk, upright);
        if (FConverter)
            FConverter->Finish();
        if (r != SusieSuccess || upright)
            return r;
        const PixelImage shown = ApplyOrientation(FStored, FOrientation);
        FStored = PixelImage{};
        for (std::uint32_t y = 0; y < shown.Height; ++y)
            PackDibRow(shown.Pixels.data() + std::size_t{shown.Width} * 4 * y, 4, ChannelOrder::Bgr,
                       shown.Width, 24, dib.RowFromTop(y));
        return SusieSuccess;
    }

private:
    SusieResult ErrorResult() const {
        switch (FErrors.Base.msg_code) {
        case JERR_NO_SOI:
            return SusieUnknownFormat;
        case JERR_OUT_OF_MEMORY:
        case JERR_IMAGE_TOO_BIG:
            return SusieNoMemory;
        default:
            return SusieBrokenData;
        }
    }

    // The profile the APP2 segments carry, if any.
    ColourSource ColourSourceOf() const {
        std::vector<std::span<const std::uint8_t>> app2;
        for (jpeg_saved_marker_ptr m = FInfo.marker_list; m; m = m->next)
            if (m->marker == JPEG_APP0 + 2)
                app2.emplace_back(m->data, m->data_length);
        ColourSource source;
        source.Icc = JoinJpegIccChunks(app2);
        return source;
    }

    std::uint8_t* Destination(DibBuilder& dib, bool upright, std::uint32_t y) {
        return upright ? dib.RowFromTop(y) : FStored.Pixels.data() + std::size_t{Width()} * 4 * y;
    }

    // Adobe's CMYK JPEGs store the inks inverted; others store them as they are.
    void CmykToBgrx(std::uint8_t* out) const {
        const bool inverted = FInfo.saw_Adobe_marker;
        for (std::uint32_t x = 0; x < Width(); ++x) {
            const std::uint8_t* p = &FRow[std::size_t{x} * 4];
            const unsigned k = inverted ? p[3] : 255u - p[3];
            for (int c = 0; c < 3; ++c) {
                const unsigned ink = inverted ? p[2 - c] : 255u - p[2 - c];
                out[x * 4 + c] = static_cast<std::uint8_t>((ink * k + 127) / 255);
            }
            out[x * 4 + 3] = 255;
        }
    }

    SusieResult ReadRows(Progress& progress, DibBuilder& dib, bool cmyk, bool upright) {
        if (setjmp(FErrors.Jump))
            return progress.Aborted() ? SusieAborted : ErrorResult();
        FInfo.out_color_space = cmyk ? JCS_CMYK : upright ? JCS_EXT_BGR : JCS_EXT_BGRX;
        FMonitor.Base.progress_monitor = OnProgress;
        FMonitor.Host = &progress;
        FInfo.progress = &FMonitor.Base;
        jpeg_start_decompress(&FInfo);
        if (progress.Aborted())
            return SusieAborted;
        if (FInfo.output_width != Width() || FInfo.output_height != Height())
            return SusieBrokenData;
        const std::uint32_t h = Height();
        while (FInfo.output_scanline < h) {
            const std::uint32_t y = FInfo.output_scanline;
            JSAMPROW row = cmyk ? FRow.data() : Destination(dib, upright, y);
            if (jpeg_read_scanlines(&FInfo, &row, 1) != 1)
                return SusieBrokenData;
            if (FConverter)
                FConverter->Add(row);
            if (cmyk) {
                std::uint8_t* bgrx = upright ? FBgrx.data() : Destination(dib, false, y);
                CmykToBgrx(bgrx);
                if (upright)
                    PackDibRow(bgrx, 4, ChannelOrder::Bgr, Width(), 24, dib.RowFromTop(y));
            }
            if (progress.Aborted())
                return SusieAborted;
            if (FErrors.DataEnded)
                return SusieBrokenData;
        }
        jpeg_finish_decompress(&FInfo);
        return FErrors.DataEnded ? SusieBrokenData : SusieSuccess;
    }

    std::span<const std::uint8_t> FData;
    jpeg_decompress_struct FInfo{};
    ErrorManager FErrors{};
    ProgressMonitor FMonitor{};
    bool FCreated = false;
    int FOrientation = 1;
    PixelImage FStored;
    std::vector<std::uint8_t> FRow, FBgrx;    // a CMYK row and its colours
    std::unique_ptr<RowConverter> FConverter; // to the display's colours, when they differ
};

} // namespace

const LibraryPluginFacts& LibraryPlugin() {
    static const LibraryPluginFacts plugin{
        PictureFormat::Jpeg,
        "JPEG import filter (libjpeg-turbo)",
        {"*.jpg", "JPEG", "*.jpeg", "JPEG", "*.jpe", "JPEG", "*.jfif", "JPEG"}};
    return plugin;
}

SusieResult ReadFacts(std::span<const std::uint8_t> data, std::string_view, PictureFacts& facts) {
    Decompressor jpeg(data);
    if (const SusieResult r = jpeg.ReadHeader(); r != SusieSuccess)
        return r;
    facts.Width = jpeg.SwapsAxes() ? jpeg.Height() : jpeg.Width();
    facts.Height = jpeg.SwapsAxes() ? jpeg.Width() : jpeg.Height();
    facts.BitCount = std::min(jpeg.Components(), 3u) * 8;
    jpeg.Density(facts.DpiX, facts.DpiY);
    if (jpeg.SwapsAxes())
        std::swap(facts.DpiX, facts.DpiY);
    return SusieSuccess;
}

SusieResult Decode(std::span<const std::uint8_t> data, std::string_view, Progress& progress,
                   DibBuilder& dib) {
    return ReadHeaderThenDecode<Decompressor>(data, progress, dib);
}

} // namespace bundled
