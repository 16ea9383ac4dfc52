#include "bundled/common/Pixels.h"

#include <cmath>
#include <cstring>

namespace bundled {

std::size_t DibStride(std::uint32_t width, unsigned bitCount) {
    return ((std::size_t{width} * bitCount + 31) / 32) * 4;
}

void PackDibRow(const std::uint8_t* source, unsigned sourceChannels, ChannelOrder order,
                std::uint32_t width, unsigned bitCount, std::uint8_t* row) {
    const unsigned outBytes = bitCount / 8;
    const bool swap = order == ChannelOrder::Rgb;
    std::uint8_t* out = row;
    if (sourceChannels == outBytes && !swap) { // the same layout
        std::memcpy(out, source, std::size_t{width} * outBytes);
        out += std::size_t{width} * outBytes;
    } else {
        for (std::uint32_t x = 0; x < width; ++x, source += sourceChannels, out += outBytes) {
            std::uint8_t b, g, r, a = 255;
            if (sourceChannels <= 2) {
                b = g = r = source[0];
                if (sourceChannels == 2)
                    a = source[1];
            } else {
                b = source[swap ? 2 : 0];
                g = source[1];
                r = source[swap ? 0 : 2];
                if (sourceChannels == 4)
                    a = source[3];
            }
            out[0] = b;
            out[1] = g;
            out[2] = r;
            if (outBytes == 4)
                out[3] = a;
        }
    }
    std::memset(out, 0, DibStride(width, bitCount) - (out - row));
}

bool AllOpaque(const std::uint8_t* bits, std::uint32_t width, std::uint32_t height) {
    const std::size_t count = std::size_t{width} * height;
    for (std::size_t i = 0; i < count; ++i)
        if (bits[i * 4 + 3] != 255)
            return false;
    return true;
}

void CompactDib32To24(std::uint8_t* bits, std::uint32_t width, std::uint32_t height) {
    // Every byte moves to an address no greater than its own, so a forward pass never
    // overwrites a byte that is still to be read.
    const std::size_t stride = DibStride(width, 24);
    for (std::uint32_t y = 0; y < height; ++y) {
        const std::uint8_t* in = bits + std::size_t{y} * width * 4;
        std::uint8_t* out = bits + std::size_t{y} * stride;
        for (std::uint32_t x = 0; x < width; ++x) {
            out[x * 3 + 0] = in[x * 4 + 0];
            out[x * 3 + 1] = in[x * 4 + 1];
            out[x * 3 + 2] = in[x * 4 + 2];
        }
        std::memset(out + std::size_t{width} * 3, 0, stride - std::size_t{width} * 3);
    }
}

int NormalOrientation(int orientation) {
    return orientation >= 1 && orientation <= 8 ? orientation : 1;
}

bool OrientationSwapsAxes(int orientation) {
    return NormalOrientation(orientation) >= 5;
}

PixelImage ApplyOrientation(const PixelImage& stored, int orientation) {
    const int o = NormalOrientation(orientation);
    const std::uint32_t w = stored.Width, h = stored.Height;
    PixelImage shown;
    shown.Width = OrientationSwapsAxes(o) ? h : w;
    shown.Height = OrientationSwapsAxes(o) ? w : h;
    shown.Pixels.resize(std::size_t{w} * h * 4);
    for (std::uint32_t y = 0; y < shown.Height; ++y) {
        for (std::uint32_t x = 0; x < shown.Width; ++x) {
            std::uint32_t sx = x, sy = y; // the stored pixel shown at (x, y)
            switch (o) {
            case 2:
                sx = w - 1 - x;
                break;
            case 3:
                sx = w - 1 - x;
                sy = h - 1 - y;
                break;
            case 4:
                sy = h - 1 - y;
                break;
            case 5:
                sx = y;
                sy = x;
                break;
            case 6:
                sx = y;
                sy = h - 1 - x;
                break;
            case 7:
                sx = w - 1 - y;
                sy = h - 1 - x;
                break;
            case 8:
                sx = w - 1 - y;
                sy = x;
                break;
            default:
                break;
            }
            std::memcpy(&shown.Pixels[(std::size_t{y} * shown.Width + x) * 4],
                        &stored.Pixels[(std::size_t{sy} * w + sx) * 4], 4);
        }
    }
    return shown;
}

std::uint8_t ToneMap(float radiance) {
    if (!(radiance > 0.0f) || std::isnan(radiance))
        return 0;
    if (std::isinf(radiance))
        return 255;
    const double mapped = radiance / (1.0 + radiance);
    const double display = std::pow(mapped, 1.0 / 2.2) * 255.0 + 0.5;
    return static_cast<std::uint8_t>(display >= 255.0 ? 255 : display);
}

} // namespace bundled
