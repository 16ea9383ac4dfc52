// Pixel work shared by the bundled import plug-ins, kept free of <windows.h> so it is tested
// natively: DIB row packing, the alpha check, EXIF orientation and HDR tone mapping.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace bundled {

// Bytes in one DIB row of the given width and bit count, padded to a multiple of 4.
std::size_t DibStride(std::uint32_t width, unsigned bitCount);

// Byte order of the pixels handed to PackDibRow.
enum class ChannelOrder { Bgr, Rgb };

// Writes one DIB row (B, G, R[, A] per pixel; bitCount 24 or 32) from width source pixels of
// sourceChannels bytes each: 1 = grey, 2 = grey + alpha, 3 = colour, 4 = colour + alpha. A
// missing alpha is written as opaque (255). Padding bytes are zeroed.
void PackDibRow(const std::uint8_t* source, unsigned sourceChannels, ChannelOrder order,
                std::uint32_t width, unsigned bitCount, std::uint8_t* row);

// Whether every pixel of a bottom-up 32-bit DIB has alpha 255.
bool AllOpaque(const std::uint8_t* bits, std::uint32_t width, std::uint32_t height);

// Rewrites a 32-bit DIB as a 24-bit one in the same memory, dropping alpha. The result occupies
// DibStride(width, 24) * height bytes at the start of bits.
void CompactDib32To24(std::uint8_t* bits, std::uint32_t width, std::uint32_t height);

// EXIF orientation (tag 274): 1 = as stored; 2 mirrored; 3 turned 180 degrees; 4 flipped
// upside down; 5 transposed; 6 to be turned 90 degrees clockwise; 7 transversed; 8 to be turned
// 90 degrees anticlockwise. Values outside 1..8 count as 1.
int NormalOrientation(int orientation);
bool OrientationSwapsAxes(int orientation);

// A picture of 4-byte pixels, rows top-down and unpadded.
struct PixelImage {
    std::uint32_t Width = 0;
    std::uint32_t Height = 0;
    std::vector<std::uint8_t> Pixels;
};

// The picture as it is meant to be seen, given its stored pixels and EXIF orientation.
PixelImage ApplyOrientation(const PixelImage& stored, int orientation);

// Maps a linear radiance value to an 8-bit display value: Reinhard's x / (1 + x), then the
// display gamma 2.2. Negative and non-finite values give 0.
std::uint8_t ToneMap(float radiance);

} // namespace bundled
