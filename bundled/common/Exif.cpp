#include "bundled/common/Exif.h"

#include <string_view>

namespace bundled {
namespace {

class TiffReader {
public:
    TiffReader(std::span<const std::uint8_t> tiff, bool bigEndian) : FTiff(tiff), FBig(bigEndian) {}
    bool Has(std::size_t at, std::size_t n) const {
        return at <= FTiff.size() && n <= FTiff.size() - at;
    }
    unsigned U16(std::size_t at) const {
        return FBig ? (FTiff[at] << 8) | FTiff[at + 1] : FTiff[at] | (FTiff[at + 1] << 8);
    }
    std::uint32_t U32(std::size_t at) const {
        const std::uint32_t a = U16(at), b = U16(at + 2);
        return FBig ? (a << 16) | b : a | (b << 16);
    }

private:
    std::span<const std::uint8_t> FTiff;
    bool FBig;
};

int OrientationInTiff(std::span<const std::uint8_t> tiff) {
    if (tiff.size() < 8)
        return 0;
    bool big;
    if (tiff[0] == 'I' && tiff[1] == 'I')
        big = false;
    else if (tiff[0] == 'M' && tiff[1] == 'M')
        big = true;
    else
        return 0;
    const TiffReader r(tiff, big);
    if (r.U16(2) != 42)
        return 0;
    const std::size_t ifd = r.U32(4);
    if (!r.Has(ifd, 2))
        return 0;
    const unsigned count = r.U16(ifd);
    for (unsigned i = 0; i < count; ++i) {
        const std::size_t entry = ifd + 2 + std::size_t{i} * 12;
        if (!r.Has(entry, 12))
            return 0;
        if (r.U16(entry) != 274)
            continue;
        if (r.U16(entry + 2) != 3 || r.U32(entry + 4) != 1) // one SHORT
            return 0;
        const unsigned value = r.U16(entry + 8);
        return value >= 1 && value <= 8 ? static_cast<int>(value) : 0;
    }
    return 0;
}

} // namespace

int JpegExifOrientation(std::span<const std::uint8_t> jpeg) {
    if (jpeg.size() < 4 || jpeg[0] != 0xFF || jpeg[1] != 0xD8)
        return 0;
    std::size_t at = 2;
    while (at + 4 <= jpeg.size()) {
        if (jpeg[at] != 0xFF)
            return 0;
        const std::uint8_t marker = jpeg[at + 1];
        if (marker == 0xFF) { // fill byte
            ++at;
            continue;
        }
        if (marker == 0xDA || marker == 0xD9) // pictures start, or the end: no EXIF before it
            return 0;
        const std::size_t length = (std::size_t{jpeg[at + 2]} << 8) | jpeg[at + 3];
        if (length < 2 || at + 2 + length > jpeg.size())
            return 0;
        const std::span<const std::uint8_t> body = jpeg.subspan(at + 4, length - 2);
        constexpr std::string_view exif("Exif\0\0", 6);
        if (marker == 0xE1 && body.size() >= exif.size() &&
            std::string_view(reinterpret_cast<const char*>(body.data()), exif.size()) == exif)
            return OrientationInTiff(body.subspan(exif.size()));
        at += 2 + length;
    }
    return 0;
}

} // namespace bundled
