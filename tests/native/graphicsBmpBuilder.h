// Builds bitmap files and information blocks byte by byte, so tests can say exactly what a
// header claims, lies included.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <vector>

namespace graphics_test {

using Bytes = std::vector<std::uint8_t>;

inline void Put16(Bytes& b, std::uint32_t v) {
    b.push_back(static_cast<std::uint8_t>(v));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
}
inline void Put32(Bytes& b, std::uint32_t v) {
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}
inline std::uint32_t Get32(const Bytes& b, std::size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (std::uint32_t(b[at + 3]) << 24);
}
inline void Set32(Bytes& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

struct InfoHeader {
    std::uint32_t Size = 40;
    std::int32_t Width = 1;
    std::int32_t Height = 1;
    std::uint16_t BitCount = 24;
    std::uint32_t Compression = 0;
    std::uint32_t SizeImage = 0;
    std::uint32_t ClrUsed = 0;
    std::uint32_t Masks[4] = {0, 0, 0, 0}; // written inside headers of 52 bytes and more
};

// The header of hdr.Size bytes (40 or more), zero-padded.
inline Bytes Header(const InfoHeader& h) {
    Bytes b;
    Put32(b, h.Size);
    Put32(b, static_cast<std::uint32_t>(h.Width));
    Put32(b, static_cast<std::uint32_t>(h.Height));
    Put16(b, 1);
    Put16(b, h.BitCount);
    Put32(b, h.Compression);
    Put32(b, h.SizeImage);
    Put32(b, 2835);
    Put32(b, 2835);
    Put32(b, h.ClrUsed);
    Put32(b, 0);
    if (h.Size >= 52)
        for (int i = 0; i < (h.Size >= 56 ? 4 : 3); ++i)
            Put32(b, h.Masks[i]);
    b.resize(h.Size, 0);
    return b;
}

// A file: "BM", sizes, the given pixel offset (0 = right after info), info, pixels.
inline Bytes File(const Bytes& info, const Bytes& pixels, std::uint32_t offBits = 0) {
    Bytes b{'B', 'M'};
    Put32(b, static_cast<std::uint32_t>(14 + info.size() + pixels.size()));
    Put32(b, 0);
    Put32(b, offBits != 0 ? offBits : static_cast<std::uint32_t>(14 + info.size()));
    b.insert(b.end(), info.begin(), info.end());
    b.insert(b.end(), pixels.begin(), pixels.end());
    return b;
}

inline Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

// n colour-table entries: entry i = (blue i, green 2i, red 3i).
inline Bytes Palette(std::uint32_t n) {
    Bytes b;
    for (std::uint32_t i = 0; i < n; ++i) {
        b.push_back(static_cast<std::uint8_t>(i));
        b.push_back(static_cast<std::uint8_t>(2 * i));
        b.push_back(static_cast<std::uint8_t>(3 * i));
        b.push_back(0);
    }
    return b;
}

} // namespace graphics_test
