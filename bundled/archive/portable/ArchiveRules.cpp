#include "bundled/archive/portable/ArchiveRules.h"

#include "framework/PictureLimits.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace bundled::archive {
namespace {

bool StartsWith(std::span<const std::uint8_t> head, std::size_t at, std::string_view magic) {
    return head.size() >= at + magic.size() &&
           std::memcmp(head.data() + at, magic.data(), magic.size()) == 0;
}

char AsciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Whether name ends in suffix, ASCII letters compared without case. The suffixes are ASCII, and
// no trail byte of code page 932 is a '.', so a match is a real extension.
bool EndsWithNoCase(std::string_view name, std::string_view suffix) {
    if (name.size() < suffix.size())
        return false;
    const std::string_view tail = name.substr(name.size() - suffix.size());
    return std::equal(tail.begin(), tail.end(), suffix.begin(),
                      [](char a, char b) { return AsciiLower(a) == AsciiLower(b); });
}

bool EndsWithAny(std::string_view name, std::initializer_list<std::string_view> suffixes) {
    return std::any_of(suffixes.begin(), suffixes.end(),
                       [&](std::string_view s) { return EndsWithNoCase(name, s); });
}

// A tar header block: its checksum (the bytes summed with the checksum field as spaces) agrees
// with the octal number in that field. Old tars carry no "ustar" magic; this is their signature.
bool TarChecksumHolds(std::span<const std::uint8_t> head) {
    if (head.size() < 512 || head[0] == 0)
        return false;
    unsigned stored = 0;
    std::size_t i = 148;
    while (i < 156 && head[i] == ' ')
        ++i;
    bool digits = false;
    for (; i < 156 && head[i] >= '0' && head[i] <= '7'; ++i) {
        stored = stored * 8 + (head[i] - '0');
        digits = true;
    }
    if (!digits || (i < 156 && head[i] != ' ' && head[i] != 0))
        return false;
    unsigned sum = 0;
    for (std::size_t k = 0; k < 512; ++k)
        sum += (k >= 148 && k < 156) ? ' ' : head[k];
    return sum == stored;
}

// LZH's level 0 to 2 headers: the method "-lh?-" or "-lz?-" at offset 2, the level at 20.
bool IsLzhHeader(std::span<const std::uint8_t> head) {
    if (head.size() < 22 || head[2] != '-' || head[3] != 'l' || head[6] != '-')
        return false;
    const std::uint8_t kind = head[4], variant = head[5];
    const bool lh = kind == 'h' && ((variant >= '0' && variant <= '7') || variant == 'd');
    const bool lz = kind == 'z' && (variant == 's' || variant == '4' || variant == '5');
    return (lh || lz) && head[20] <= 2;
}

bool IsCompressed(std::span<const std::uint8_t> head) {
    return StartsWith(head, 0, "\x1F\x8B\x08") || // gzip
           (StartsWith(head, 0, "BZh") && head.size() > 3 && head[3] >= '1' && head[3] <= '9') ||
           StartsWith(head, 0,
                      std::string_view("\xFD"
                                       "7zXZ\0",
                                       6)) ||       // xz
           StartsWith(head, 0, "\x28\xB5\x2F\xFD"); // zstd
}

bool IsSeparator(char16_t c) {
    return c == u'\\' || c == u'/';
}

} // namespace

ArchiveKind SniffArchive(std::span<const std::uint8_t> head, std::string_view fileName) {
    if (StartsWith(head, 0, "PK\x03\x04") || StartsWith(head, 0, "PK\x05\x06") ||
        StartsWith(head, 0, "PK\x07\x08PK\x03\x04") || StartsWith(head, 0, "PK00PK\x03\x04"))
        return ArchiveKind::Zip;
    if (StartsWith(head, 0, "7z\xBC\xAF\x27\x1C"))
        return ArchiveKind::SevenZip;
    if (StartsWith(head, 0, std::string_view("Rar!\x1A\x07\x00", 7)) ||
        StartsWith(head, 0, std::string_view("Rar!\x1A\x07\x01\x00", 8)))
        return ArchiveKind::Rar;
    if (IsLzhHeader(head))
        return ArchiveKind::Lzh;
    if (StartsWith(head, 257, "ustar") || TarChecksumHolds(head))
        return ArchiveKind::Tar;
    if (IsCompressed(head) && EndsWithAny(fileName, {".tar.gz", ".tgz", ".tar.bz2", ".tbz2", ".tbz",
                                                     ".tar.xz", ".txz", ".tar.zst", ".tzst"}))
        return ArchiveKind::CompressedTar;
    return ArchiveKind::None;
}

std::string MethodName(std::string_view formatName, std::string_view filterName, bool encrypted) {
    if (encrypted)
        return "encrypt";
    // ZIP: "ZIP 2.0 (deflation)", the entry's method in brackets.
    if (formatName.starts_with("ZIP")) {
        const std::size_t open = formatName.find('('), close = formatName.rfind(')');
        if (open == std::string_view::npos || close == std::string_view::npos || close < open)
            return "zip";
        const std::string_view method = formatName.substr(open + 1, close - open - 1);
        static constexpr std::array<std::pair<std::string_view, std::string_view>, 8> Short = {{
            {"uncompressed", "store"},
            {"deflation", "deflate"},
            {"deflation-64-bit", "defl64"},
            {"bzip", "bzip2"},
            {"shrinking", "shrink"},
            {"imploded", "implode"},
            {"ppmd-1", "ppmd"},
            {"wav-pack", "wavpack"},
        }};
        for (const auto& [name, shortName] : Short)
            if (method == name)
                return std::string(shortName);
        if (method.starts_with("reduced"))
            return "reduce";
        return std::string(method.substr(0, 7));
    }
    // LZH: "lha -lh5-".
    if (formatName.starts_with("lha -"))
        return std::string(formatName.substr(4, 5));
    if (formatName == "7-Zip")
        return "7z";
    if (formatName == "RAR")
        return "rar";
    if (formatName == "RAR5")
        return "rar5";
    // tar and the rest: the outer compression, if any.
    if (!filterName.empty() && filterName != "none")
        return std::string(filterName.substr(0, 7));
    return "store";
}

RecordName SplitInnerPath(std::u16string_view innerPath) {
    std::u16string path;
    path.reserve(innerPath.size());
    for (std::size_t i = 0; i < innerPath.size();) {
        // Leading separators and "." steps say nothing about where the entry lies.
        if (IsSeparator(innerPath[i])) {
            ++i;
            continue;
        }
        const std::size_t end = std::min(innerPath.find_first_of(u"\\/", i), innerPath.size());
        const std::u16string_view step = innerPath.substr(i, end - i);
        if (step != u".") {
            path += step;
            if (end < innerPath.size())
                path += u'\\';
        }
        i = end;
    }
    RecordName result;
    const std::size_t last = path.rfind(u'\\');
    if (last == std::u16string::npos) {
        result.Name = std::move(path);
    } else {
        result.Folder = path.substr(0, last + 1);
        result.Name = path.substr(last + 1);
    }
    return result;
}

std::u16string NormalisedInnerPath(std::u16string_view innerPath) {
    RecordName name = SplitInnerPath(innerPath);
    return name.Folder + name.Name;
}

std::u16string SafeFileName(std::u16string_view name) {
    std::u16string safe;
    safe.reserve(name.size() + 1);
    for (const char16_t c : name) {
        const bool forbidden =
            c < 0x20 || std::u16string_view(u"<>:\"/\\|?*").find(c) != std::u16string_view::npos;
        safe += forbidden ? u'_' : c;
    }
    // Windows drops trailing dots and spaces from a name: "..." would be the folder itself.
    while (!safe.empty() && (safe.back() == u'.' || safe.back() == u' '))
        safe.pop_back();
    if (safe.empty())
        return safe;
    // A device name opens the device wherever it stands, with any extension.
    const std::u16string_view stem = std::u16string_view(safe).substr(0, safe.find(u'.'));
    std::u16string upper;
    for (char16_t c : stem)
        upper += (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - u'a' + u'A') : c;
    static constexpr std::array<std::u16string_view, 6> Devices = {u"CON", u"PRN",    u"AUX",
                                                                   u"NUL", u"CONIN$", u"CONOUT$"};
    const bool numbered = upper.size() == 4 &&
                          (upper.starts_with(u"COM") || upper.starts_with(u"LPT")) &&
                          upper[3] >= u'0' && upper[3] <= u'9';
    if (numbered || std::find(Devices.begin(), Devices.end(), upper) != Devices.end())
        safe.insert(safe.begin(), u'_');
    return safe;
}

std::size_t AnsiFit(std::string_view text, std::size_t capacity,
                    bool (*isLeadByte)(unsigned char)) {
    if (capacity == 0)
        return 0;
    std::size_t fit = 0;
    while (fit < text.size()) {
        const std::size_t width =
            isLeadByte(static_cast<unsigned char>(text[fit])) && fit + 1 < text.size() ? 2 : 1;
        if (fit + width > capacity - 1)
            break;
        fit += width;
    }
    return fit;
}

std::size_t Utf16Fit(std::u16string_view text, std::size_t capacity) {
    if (capacity == 0)
        return 0;
    std::size_t fit = std::min(text.size(), capacity - 1);
    // A high surrogate whose low half would be cut off goes too.
    if (fit > 0 && fit < text.size() && text[fit - 1] >= 0xD800 && text[fit - 1] <= 0xDBFF)
        --fit;
    return fit;
}

bool WithinEntryLimit(std::uint64_t bytes) {
    return bytes <= tovane::MaxPictureBytes;
}

} // namespace bundled::archive
