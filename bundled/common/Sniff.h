// Recognises picture formats by the signature at the start of the data. Used by the bundled
// import plug-ins' IsSupported on the host's 2 KB header; no <windows.h>, so it is tested natively.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string_view>
#include <vector>

namespace bundled {

enum class PictureFormat {
    Unknown,
    Jpeg,
    Png,
    Gif,
    Tiff,
    Bmp,
    Ico,
    JpegXr,
    WebP,
    Heif,
    Avif,
    Tga,
    Psd,
    Pnm,
    Hdr,
};

// The format whose signature the data starts with; Unknown when none matches. TGA has no
// signature: it is recognised only by a plausible header and a TGA extension in fileName.
PictureFormat SniffFormat(std::span<const std::uint8_t> head, std::string_view fileName);

// Whether the text after fileName's last '.' equals one of the extensions (ASCII letters
// compared without case). A '.' byte is never the second byte of a code page 932 character, so
// the last '.' is a real dot; a double-byte suffix simply matches nothing.
bool HasExtension(std::string_view fileName, std::initializer_list<std::string_view> extensions);

// The sizes of the pictures a PNG (its IHDR) or a GIF (every image descriptor) says it holds,
// read without decoding; none for other data or where the header is cut off. Some decoders read
// all of such a file's pixels when they open it, before they tell its size.
struct StoredSize {
    std::uint32_t Width = 0, Height = 0;
    friend bool operator==(const StoredSize&, const StoredSize&) = default;
};
std::vector<StoredSize> StoredPictureSizes(std::span<const std::uint8_t> data);

} // namespace bundled
