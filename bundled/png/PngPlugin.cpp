// Import plug-in for PNG through libpng: every bit depth and colour type, interlaced or not.
// 16-bit samples are scaled to 8 bits (rounded, not cut), and transparency (an alpha channel or
// a tRNS chunk) gives a 32-bit DIB with its alpha. libpng writes the rows straight into the DIB,
// unless the picture's colours (an iCCP profile; else its sRGB, gAMA and cHRM chunks) differ from
// sRGB: then the rows are converted into it, 16-bit ones from their 16 bits.
#include "bundled/common/ColourGlue.h"
#include "bundled/common/Limits.h"
#include "bundled/common/PluginKit.h"
#include "bundled/common/Sniff.h"

#include <algorithm>
#include <csetjmp>
#include <cstring>
#include <string>
#include <vector>

#include <png.h>

namespace bundled {
namespace {

// libpng's read callback over the bytes in memory; reading past their end is an error.
struct MemoryReader {
    std::span<const std::uint8_t> Data;
    std::size_t At = 0;
    bool OutOfMemory = false;
};

void ReadBytes(png_structp png, png_bytep out, png_size_t count) {
    auto* reader = static_cast<MemoryReader*>(png_get_io_ptr(png));
    if (count > reader->Data.size() - reader->At)
        png_error(png, "truncated");
    std::memcpy(out, reader->Data.data() + reader->At, count);
    reader->At += count;
}

void Silent(png_structp, png_const_charp) {
}

[[noreturn]] void OnError(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}

// libpng's errors jump back to the setjmp in the steps below, past any C++ destructor, so
// nothing with one is created inside them.
class PngReader {
public:
    explicit PngReader(std::span<const std::uint8_t> data) {
        FReader.Data = data;
        FPng = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, OnError, Silent);
        if (FPng)
            FInfo = png_create_info_struct(FPng);
    }
    PngReader(const PngReader&) = delete;
    PngReader& operator=(const PngReader&) = delete;
    ~PngReader() { png_destroy_read_struct(&FPng, FInfo ? &FInfo : nullptr, nullptr); }

    SusieResult ReadHeader() {
        if (!FPng || !FInfo)
            return SusieNoMemory;
        if (setjmp(png_jmpbuf(FPng)))
            return SusieBrokenData;
        png_set_read_fn(FPng, &FReader, ReadBytes);
        png_read_info(FPng, FInfo);
        FWidth = png_get_image_width(FPng, FInfo);
        FHeight = png_get_image_height(FPng, FInfo);
        FColourType = png_get_color_type(FPng, FInfo);
        FHasAlpha = (FColourType & PNG_COLOR_MASK_ALPHA) != 0 ||
                    png_get_valid(FPng, FInfo, PNG_INFO_tRNS) != 0;
        if (!WithinLimits(FWidth, FHeight, FHasAlpha ? 32 : 24))
            return SusieNoMemory;
        ReadColourChunks();
        return SusieSuccess;
    }

    std::uint32_t Width() const { return FWidth; }
    std::uint32_t Height() const { return FHeight; }
    unsigned SourceBitCount() const {
        return static_cast<unsigned>(png_get_channels(FPng, FInfo)) *
               png_get_bit_depth(FPng, FInfo);
    }
    void Density(unsigned& x, unsigned& y) const {
        png_uint_32 px = 0, py = 0;
        int unit = 0;
        if (png_get_pHYs(FPng, FInfo, &px, &py, &unit) && unit == PNG_RESOLUTION_METER) {
            x = static_cast<unsigned>(std::min<png_uint_32>((px * 254ull + 5000) / 10000, 65535));
            y = static_cast<unsigned>(std::min<png_uint_32>((py * 254ull + 5000) / 10000, 65535));
        }
    }

    SusieResult Decode(Progress& progress, DibBuilder& dib) {
        if (!dib.Create(FWidth, FHeight, FHasAlpha ? 32 : 24))
            return SusieNoMemory;
        FDeep = png_get_bit_depth(FPng, FInfo) == 16;
        FConversion =
            ModuleColourManager().Plan(FColour, CurrentColourTarget(),
                                       FDeep ? (FHasAlpha ? Layout::Bgra16Be : Layout::Bgr16Be)
                                             : (FHasAlpha ? Layout::Bgra8 : Layout::Bgr8),
                                       FHasAlpha ? Layout::Bgra8 : Layout::Bgr8);
        if (FConversion) {
            // Rows of the stored depth, here before conversion: one, or all of an interlaced
            // picture (whose passes build on the rows read before).
            const bool interlaced = png_get_interlace_type(FPng, FInfo) != PNG_INTERLACE_NONE;
            FRowBytes = std::size_t{FWidth} * (FHasAlpha ? 4 : 3) * (FDeep ? 2 : 1);
            FRows.resize(FRowBytes * (interlaced ? FHeight : 1));
        }
        const SusieResult r = ReadRows(progress, dib);
        if (r == SusieSuccess)
            dib.DropOpaqueAlpha();
        return r;
    }

private:
    // libpng hands the iCCP profile out decompressed; it drops a damaged one with a warning.
    void ReadColourChunks() {
        png_charp name = nullptr;
        int compression = 0;
        png_bytep profile = nullptr;
        png_uint_32 length = 0;
        if (png_get_valid(FPng, FInfo, PNG_INFO_iCCP) &&
            png_get_iCCP(FPng, FInfo, &name, &compression, &profile, &length) && profile &&
            length > 0) {
            FColour.Icc.assign(profile, profile + length);
            return;
        }
        PngColourChunks chunks;
        chunks.Srgb = png_get_valid(FPng, FInfo, PNG_INFO_sRGB) != 0;
        png_fixed_point gamma = 0;
        if (png_get_valid(FPng, FInfo, PNG_INFO_gAMA) && png_get_gAMA_fixed(FPng, FInfo, &gamma) &&
            gamma > 0)
            chunks.Gamma = static_cast<std::uint32_t>(gamma);
        chunks.HasChromaticities = png_get_valid(FPng, FInfo, PNG_INFO_cHRM) &&
                                   png_get_cHRM(FPng, FInfo, &chunks.White[0], &chunks.White[1],
                                                &chunks.Red[0], &chunks.Red[1], &chunks.Green[0],
                                                &chunks.Green[1], &chunks.Blue[0], &chunks.Blue[1]);
        if (chunks.Srgb || chunks.Gamma != 0 || chunks.HasChromaticities)
            FColour.Png = chunks;
    }

    SusieResult ReadRows(Progress& progress, DibBuilder& dib) {
        if (setjmp(png_jmpbuf(FPng)))
            return SusieBrokenData;
        // Whatever is stored becomes 8-bit BGR, or BGRA where it has transparency.
        png_set_expand(FPng);
        if (!FConversion || !FDeep)
            png_set_scale_16(FPng);
        png_set_gray_to_rgb(FPng);
        png_set_bgr(FPng);
        const int passes = png_set_interlace_handling(FPng);
        png_read_update_info(FPng, FInfo);
        const std::size_t rowBytes =
            FConversion ? FRowBytes : std::size_t{FWidth} * (FHasAlpha ? 4 : 3);
        if (png_get_rowbytes(FPng, FInfo) != rowBytes)
            return SusieBrokenData;
        const std::uint64_t rows = std::uint64_t{FHeight} * static_cast<unsigned>(passes);
        const bool allRows = FConversion && FRows.size() > FRowBytes;
        std::uint64_t done = 0;
        for (int pass = 0; pass < passes; ++pass) {
            for (std::uint32_t y = 0; y < FHeight; ++y) {
                png_bytep row = !FConversion ? dib.RowFromTop(y)
                                : allRows    ? FRows.data() + FRowBytes * y
                                             : FRows.data();
                png_read_row(FPng, row, nullptr);
                if (FConversion && !allRows)
                    FConversion.Convert(row, dib.RowFromTop(y), FWidth);
                if (!progress.Report(++done, rows)) // every row of every pass
                    return SusieAborted;
            }
        }
        png_read_end(FPng, nullptr);
        if (allRows)
            for (std::uint32_t y = 0; y < FHeight; ++y)
                FConversion.Convert(FRows.data() + FRowBytes * y, dib.RowFromTop(y), FWidth);
        return SusieSuccess;
    }

    MemoryReader FReader;
    png_structp FPng = nullptr;
    png_infop FInfo = nullptr;
    std::uint32_t FWidth = 0, FHeight = 0;
    int FColourType = 0;
    bool FHasAlpha = false;
    ColourSource FColour;
    Conversion FConversion; // to the display's colours, when they differ
    bool FDeep = false;     // 16-bit samples
    std::size_t FRowBytes = 0;
    std::vector<std::uint8_t> FRows; // stored rows awaiting conversion
};

} // namespace

const LibraryPluginFacts& LibraryPlugin() {
    static const LibraryPluginFacts plugin{
        PictureFormat::Png, "PNG import filter (libpng)", {"*.png", "PNG"}};
    return plugin;
}

SusieResult ReadFacts(std::span<const std::uint8_t> data, std::string_view, PictureFacts& facts) {
    PngReader png(data);
    if (const SusieResult r = png.ReadHeader(); r != SusieSuccess)
        return r;
    facts.Width = png.Width();
    facts.Height = png.Height();
    facts.BitCount = png.SourceBitCount();
    png.Density(facts.DpiX, facts.DpiY);
    return SusieSuccess;
}

SusieResult Decode(std::span<const std::uint8_t> data, std::string_view, Progress& progress,
                   DibBuilder& dib) {
    return ReadHeaderThenDecode<PngReader>(data, progress, dib);
}

} // namespace bundled
