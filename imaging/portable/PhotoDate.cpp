#include "imaging/portable/PhotoDate.h"

#include <cstring>
#include <string_view>

namespace tovane {

namespace {

using Bytes = std::span<const std::uint8_t>;

bool Has(Bytes b, std::size_t at, std::size_t n) {
    return at <= b.size() && n <= b.size() - at;
}

std::uint32_t BigEndian(Bytes b, std::size_t at, int n) {
    std::uint32_t v = 0;
    for (int i = 0; i < n; ++i)
        v = (v << 8) | b[at + static_cast<std::size_t>(i)];
    return v;
}

bool StartsWith(Bytes b, std::size_t at, std::string_view text) {
    return Has(b, at, text.size()) && std::memcmp(b.data() + at, text.data(), text.size()) == 0;
}

class Tiff {
public:
    explicit Tiff(Bytes b) : F(b) {}
    bool Valid() const {
        return F.size() >= 8 && (StartsWith(F, 0, "II") || StartsWith(F, 0, "MM")) && U16(2) == 42;
    }
    bool Has(std::size_t at, std::size_t n) const { return tovane::Has(F, at, n); }
    unsigned U16(std::size_t at) const {
        return F[0] == 'M' ? (F[at] << 8) | F[at + 1] : F[at] | (F[at + 1] << 8);
    }
    std::uint32_t U32(std::size_t at) const {
        const std::uint32_t a = U16(at), b = U16(at + 2);
        return F[0] == 'M' ? (a << 16) | b : a | (b << 16);
    }
    // The entry of tag in the IFD at offset ifd; npos when there is none.
    std::size_t Find(std::size_t ifd, unsigned tag) const {
        if (!Has(ifd, 2))
            return std::string_view::npos;
        const unsigned count = U16(ifd);
        for (unsigned i = 0; i < count; ++i) {
            const std::size_t entry = ifd + 2 + std::size_t{i} * 12;
            if (!Has(entry, 12))
                break;
            if (U16(entry) == tag)
                return entry;
        }
        return std::string_view::npos;
    }
    Bytes Span(std::size_t at, std::size_t n) const { return F.subspan(at, n); }

private:
    Bytes F;
};

int Number(Bytes b, std::size_t at, int n) {
    int v = 0;
    for (int i = 0; i < n; ++i) {
        const std::uint8_t c = b[at + static_cast<std::size_t>(i)];
        if (c < '0' || c > '9')
            return -1;
        v = v * 10 + (c - '0');
    }
    return v;
}

// "YYYY:MM:DD hh:mm:ss"; cameras that know no date write blanks or zeros.
std::optional<std::int64_t> ParseExifDate(Bytes s) {
    if (s.size() < 19 || s[4] != ':' || s[7] != ':' || s[10] != ' ' || s[13] != ':' || s[16] != ':')
        return std::nullopt;
    const int year = Number(s, 0, 4), month = Number(s, 5, 2), day = Number(s, 8, 2),
              hour = Number(s, 11, 2), minute = Number(s, 14, 2), second = Number(s, 17, 2);
    if (year < 1 || month < 1 || month > 12 || day < 1 || day > 31 || hour < 0 || hour > 23 ||
        minute < 0 || minute > 59 || second < 0 || second > 60)
        return std::nullopt;
    return DateTimeNumber(year, month, day, hour, minute, second);
}

std::optional<std::int64_t> TakenInTiff(Bytes tiff) {
    const Tiff t(tiff);
    if (!t.Valid())
        return std::nullopt;
    const std::size_t pointer = t.Find(t.U32(4), 0x8769);             // the Exif IFD
    if (pointer == std::string_view::npos || t.U16(pointer + 2) != 4) // LONG
        return std::nullopt;
    const std::size_t entry = t.Find(t.U32(pointer + 8), 0x9003); // DateTimeOriginal
    if (entry == std::string_view::npos || t.U16(entry + 2) != 2) // ASCII
        return std::nullopt;
    const std::uint32_t count = t.U32(entry + 4);
    const std::size_t at = count <= 4 ? entry + 8 : t.U32(entry + 8);
    if (count < 19 || !t.Has(at, 19))
        return std::nullopt;
    return ParseExifDate(t.Span(at, 19));
}

// An Exif block as JPEG and WebP hold it, "Exif\0\0" first, or a bare TIFF.
std::optional<std::int64_t> TakenInExifBlock(Bytes block) {
    if (StartsWith(block, 0, std::string_view("Exif\0\0", 6)))
        block = block.subspan(6);
    return TakenInTiff(block);
}

std::optional<std::int64_t> TakenInJpeg(Bytes b) {
    std::size_t at = 2;
    while (Has(b, at, 4)) {
        if (b[at] != 0xFF)
            return std::nullopt;
        const std::uint8_t marker = b[at + 1];
        if (marker == 0xFF) { // fill byte
            ++at;
            continue;
        }
        if (marker == 0xDA || marker == 0xD9) // the picture's data, or its end: no EXIF
            return std::nullopt;
        const std::size_t length = BigEndian(b, at + 2, 2);
        if (length < 2 || !Has(b, at + 2, length))
            return std::nullopt;
        const Bytes body = b.subspan(at + 4, length - 2);
        if (marker == 0xE1 && StartsWith(body, 0, std::string_view("Exif\0\0", 6)))
            return TakenInExifBlock(body);
        at += 2 + length;
    }
    return std::nullopt;
}

std::optional<std::int64_t> TakenInPng(Bytes b) {
    std::size_t at = 8;
    while (Has(b, at, 12)) {
        const std::size_t length = BigEndian(b, at, 4);
        if (!Has(b, at + 8, length))
            return std::nullopt;
        if (StartsWith(b, at + 4, "eXIf"))
            return TakenInExifBlock(b.subspan(at + 8, length));
        if (StartsWith(b, at + 4, "IEND"))
            return std::nullopt;
        at += 12 + length;
    }
    return std::nullopt;
}

std::optional<std::int64_t> TakenInWebp(Bytes b) {
    std::size_t at = 12;
    while (Has(b, at, 8)) {
        const std::size_t length =
            b[at + 4] | (b[at + 5] << 8) | (b[at + 6] << 16) | (std::size_t{b[at + 7]} << 24);
        if (!Has(b, at + 8, length))
            return std::nullopt;
        if (StartsWith(b, at, "EXIF"))
            return TakenInExifBlock(b.subspan(at + 8, length));
        at += 8 + length + (length & 1);
    }
    return std::nullopt;
}

// ISO base media boxes (AVIF, HEIF): the meta box names its items (iinf), one of kind "Exif",
// and says where their bytes are (iloc); the item starts with the offset of its TIFF header.
struct Box {
    std::size_t Body = 0, End = 0;
};

std::optional<Box> FindBox(Bytes b, std::size_t from, std::size_t end, std::string_view type) {
    std::size_t at = from;
    while (at + 8 <= end && Has(b, at, 8)) {
        std::size_t size = BigEndian(b, at, 4), header = 8;
        if (size == 1) {
            if (!Has(b, at, 16) || BigEndian(b, at + 8, 4) != 0)
                return std::nullopt;
            size = BigEndian(b, at + 12, 4);
            header = 16;
        } else if (size == 0) {
            size = end - at;
        }
        if (size < header || size > end - at)
            return std::nullopt;
        if (StartsWith(b, at + 4, type))
            return Box{at + header, at + size};
        at += size;
    }
    return std::nullopt;
}

std::optional<std::uint32_t> ExifItemId(Bytes b, const Box& iinf) {
    if (!Has(b, iinf.Body, 6))
        return std::nullopt;
    const bool wide = b[iinf.Body] != 0;
    std::size_t at = iinf.Body + 4 + (wide ? 4 : 2);
    while (const auto infe = FindBox(b, at, iinf.End, "infe")) {
        const std::uint8_t version = b[infe->Body];
        if (version >= 2) {
            const std::size_t idBytes = version == 2 ? 2 : 4;
            const std::size_t type = infe->Body + 4 + idBytes + 2;
            if (Has(b, type, 4) && type + 4 <= infe->End && StartsWith(b, type, "Exif"))
                return BigEndian(b, infe->Body + 4, static_cast<int>(idBytes));
        }
        at = infe->End;
    }
    return std::nullopt;
}

std::optional<std::int64_t> TakenInIsoMedia(Bytes b) {
    const auto meta = FindBox(b, 0, b.size(), "meta");
    if (!meta)
        return std::nullopt;
    const std::size_t inside = meta->Body + 4; // a full box: version and flags
    const auto iinf = FindBox(b, inside, meta->End, "iinf");
    const auto iloc = FindBox(b, inside, meta->End, "iloc");
    if (!iinf || !iloc)
        return std::nullopt;
    const auto id = ExifItemId(b, *iinf);
    if (!id || !Has(b, iloc->Body, 8))
        return std::nullopt;
    const std::uint8_t version = b[iloc->Body];
    const int offsetSize = b[iloc->Body + 4] >> 4, lengthSize = b[iloc->Body + 4] & 15,
              baseSize = b[iloc->Body + 5] >> 4,
              indexSize = version >= 1 ? (b[iloc->Body + 5] & 15) : 0;
    const int idSize = version < 2 ? 2 : 4;
    std::size_t at = iloc->Body + 6;
    const int countSize = version < 2 ? 2 : 4;
    if (!Has(b, at, static_cast<std::size_t>(countSize)) || offsetSize > 4 || lengthSize > 4 ||
        baseSize > 4 || indexSize > 4)
        return std::nullopt;
    const std::uint32_t items = BigEndian(b, at, countSize);
    at += static_cast<std::size_t>(countSize);
    auto read = [&](int n, std::uint32_t& v) {
        if (!Has(b, at, static_cast<std::size_t>(n)) || at + n > iloc->End)
            return false;
        v = n == 0 ? 0 : BigEndian(b, at, n);
        at += static_cast<std::size_t>(n);
        return true;
    };
    for (std::uint32_t i = 0; i < items; ++i) {
        std::uint32_t itemId = 0, method = 0, reference = 0, base = 0, extents = 0;
        if (!read(idSize, itemId) || (version >= 1 && !read(2, method)) || !read(2, reference) ||
            !read(baseSize, base) || !read(2, extents))
            return std::nullopt;
        for (std::uint32_t e = 0; e < extents; ++e) {
            std::uint32_t index = 0, offset = 0, length = 0;
            if (!read(indexSize, index) || !read(offsetSize, offset) || !read(lengthSize, length))
                return std::nullopt;
            // The Exif item's first extent, stored in the file itself (method 0).
            if (itemId != *id || e != 0)
                continue;
            if ((method & 15) != 0)
                return std::nullopt;
            const std::size_t start = std::size_t{base} + offset;
            if (!Has(b, start, length) || length < 4)
                return std::nullopt;
            const Bytes item = b.subspan(start, length);
            const std::size_t tiff = 4 + std::size_t{BigEndian(item, 0, 4)};
            if (tiff > item.size())
                return std::nullopt;
            return TakenInTiff(item.subspan(tiff));
        }
    }
    return std::nullopt;
}

} // namespace

std::optional<std::int64_t> PhotoTakenAt(Bytes head) {
    if (StartsWith(head, 0, "\xFF\xD8"))
        return TakenInJpeg(head);
    if (StartsWith(head, 0, "II*") || StartsWith(head, 0, std::string_view("MM\0*", 4)))
        return TakenInTiff(head);
    if (StartsWith(head, 0, "\x89PNG\r\n\x1A\n"))
        return TakenInPng(head);
    if (StartsWith(head, 0, "RIFF") && StartsWith(head, 8, "WEBP"))
        return TakenInWebp(head);
    if (StartsWith(head, 4, "ftyp"))
        return TakenInIsoMedia(head);
    return std::nullopt;
}

} // namespace tovane
