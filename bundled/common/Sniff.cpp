#include "bundled/common/Sniff.h"

#include <algorithm>
#include <cstring>

namespace bundled {
namespace {

bool StartsWith(std::span<const std::uint8_t> head, std::string_view magic,
                std::size_t offset = 0) {
    return head.size() >= offset + magic.size() &&
           std::memcmp(head.data() + offset, magic.data(), magic.size()) == 0;
}

unsigned Le16(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<unsigned>(b[at] | (b[at + 1] << 8));
}

std::uint32_t Le32(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<std::uint32_t>(b[at]) | (static_cast<std::uint32_t>(b[at + 1]) << 8) |
           (static_cast<std::uint32_t>(b[at + 2]) << 16) |
           (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

bool IsBmp(std::span<const std::uint8_t> head) {
    if (!StartsWith(head, "BM") || head.size() < 18)
        return false;
    switch (Le32(head, 14)) { // size of the header that follows the file header
    case 12:
    case 16:
    case 40:
    case 52:
    case 56:
    case 64:
    case 108:
    case 124:
        return true;
    default:
        return false;
    }
}

bool IsIco(std::span<const std::uint8_t> head) {
    if (head.size() < 6 + 16 || Le16(head, 0) != 0 || Le16(head, 2) != 1 || Le16(head, 4) == 0)
        return false;
    // First directory entry: reserved byte 0 and a non-empty image.
    return head[6 + 3] == 0 && Le32(head, 6 + 8) != 0;
}

// ISO base media files (HEIF, AVIF) name their kind by the brands of the leading 'ftyp' box.
PictureFormat SniffIsoBrand(std::span<const std::uint8_t> head) {
    if (!StartsWith(head, "ftyp", 4) || head.size() < 16)
        return PictureFormat::Unknown;
    std::size_t boxSize = (std::size_t{head[0]} << 24) | (std::size_t{head[1]} << 16) |
                          (std::size_t{head[2]} << 8) | head[3];
    boxSize = std::min(boxSize, head.size());
    bool heif = false;
    for (std::size_t at = 8; at + 4 <= boxSize; at += 4) {
        if (at == 12)
            continue; // minor version, not a brand
        std::string_view brand(reinterpret_cast<const char*>(head.data() + at), 4);
        if (brand == "avif" || brand == "avis")
            return PictureFormat::Avif;
        if (brand == "heic" || brand == "heix" || brand == "hevc" || brand == "hevx" ||
            brand == "mif1" || brand == "msf1" || brand == "heim" || brand == "heis")
            heif = true;
    }
    return heif ? PictureFormat::Heif : PictureFormat::Unknown;
}

bool IsPlausibleTgaHeader(std::span<const std::uint8_t> head) {
    if (head.size() < 18)
        return false;
    const unsigned colorMapType = head[1], imageType = head[2], bits = head[16];
    if (colorMapType > 1)
        return false;
    const bool mapped = imageType == 1 || imageType == 9;
    const bool trueColor = imageType == 2 || imageType == 10;
    const bool grey = imageType == 3 || imageType == 11;
    if (!mapped && !trueColor && !grey)
        return false;
    if (mapped != (colorMapType == 1))
        return false;
    if (mapped && bits != 8 && bits != 16)
        return false;
    if (trueColor && bits != 15 && bits != 16 && bits != 24 && bits != 32)
        return false;
    if (grey && bits != 8 && bits != 16)
        return false;
    return Le16(head, 12) != 0 && Le16(head, 14) != 0; // width, height
}

bool IsPnmSpace(std::uint8_t c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

} // namespace

bool HasExtension(std::string_view fileName, std::initializer_list<std::string_view> extensions) {
    const std::size_t dot = fileName.rfind('.');
    if (dot == std::string_view::npos)
        return false;
    const std::string_view ext = fileName.substr(dot + 1);
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    return std::any_of(extensions.begin(), extensions.end(), [&](std::string_view e) {
        return e.size() == ext.size() &&
               std::equal(e.begin(), e.end(), ext.begin(),
                          [&](char a, char b) { return lower(a) == lower(b); });
    });
}

namespace {

std::uint32_t BigEndian32(std::span<const std::uint8_t> d, std::size_t at) {
    return std::uint32_t{d[at]} << 24 | std::uint32_t{d[at + 1]} << 16 |
           std::uint32_t{d[at + 2]} << 8 | d[at + 3];
}

// Past a GIF's data sub-blocks from at; data.size() when they run off the end.
std::size_t SkipSubBlocks(std::span<const std::uint8_t> d, std::size_t at) {
    while (at < d.size() && d[at] != 0)
        at += std::size_t{d[at]} + 1;
    return at < d.size() ? at + 1 : d.size();
}

void GifSizes(std::span<const std::uint8_t> d, std::vector<StoredSize>& sizes) {
    std::size_t at = 13; // signature and logical screen descriptor
    if (d.size() < at)
        return;
    if (d[10] & 0x80)
        at += 3u << ((d[10] & 7) + 1); // the global colour table
    while (at < d.size()) {
        if (d[at] == 0x21) { // an extension: its label, then its sub-blocks
            at = SkipSubBlocks(d, at + 2);
        } else if (d[at] == 0x2C && at + 10 <= d.size()) {
            sizes.push_back({Le16(d, at + 5), Le16(d, at + 7)});
            const std::uint8_t flags = d[at + 9];
            at += 10;
            if (flags & 0x80)
                at += 3u << ((flags & 7) + 1); // a local colour table
            at = SkipSubBlocks(d, at + 1);     // past the code size and the image data
        } else {
            return; // the trailer, or something no GIF holds
        }
    }
}

} // namespace

std::vector<StoredSize> StoredPictureSizes(std::span<const std::uint8_t> data) {
    std::vector<StoredSize> sizes;
    if (StartsWith(data, "\x89PNG\r\n\x1A\n") && data.size() >= 24 && StartsWith(data, "IHDR", 12))
        sizes.push_back({BigEndian32(data, 16), BigEndian32(data, 20)});
    else if (StartsWith(data, "GIF87a") || StartsWith(data, "GIF89a"))
        GifSizes(data, sizes);
    return sizes;
}

PictureFormat SniffFormat(std::span<const std::uint8_t> head, std::string_view fileName) {
    if (StartsWith(head, "\xFF\xD8\xFF"))
        return PictureFormat::Jpeg;
    if (StartsWith(head, "\x89PNG\r\n\x1A\n"))
        return PictureFormat::Png;
    if (StartsWith(head, "GIF87a") || StartsWith(head, "GIF89a"))
        return PictureFormat::Gif;
    if (StartsWith(head, std::string_view("II*\0", 4)) ||
        StartsWith(head, std::string_view("MM\0*", 4)))
        return PictureFormat::Tiff;
    if (StartsWith(head, "II\xBC\x01"))
        return PictureFormat::JpegXr;
    if (IsBmp(head))
        return PictureFormat::Bmp;
    if (IsIco(head))
        return PictureFormat::Ico;
    if (StartsWith(head, "RIFF") && StartsWith(head, "WEBPVP8", 8))
        return PictureFormat::WebP;
    if (const PictureFormat iso = SniffIsoBrand(head); iso != PictureFormat::Unknown)
        return iso;
    if (StartsWith(head, std::string_view("8BPS\0\x01", 6)))
        return PictureFormat::Psd;
    if ((StartsWith(head, "P5") || StartsWith(head, "P6")) && head.size() > 2 &&
        IsPnmSpace(head[2]))
        return PictureFormat::Pnm;
    if (StartsWith(head, "#?RADIANCE\n") || StartsWith(head, "#?RGBE\n"))
        return PictureFormat::Hdr;
    if (HasExtension(fileName, {"tga", "vda", "icb", "vst"}) && IsPlausibleTgaHeader(head))
        return PictureFormat::Tga;
    return PictureFormat::Unknown;
}

} // namespace bundled
