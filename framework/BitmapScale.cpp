#include "framework/BitmapScale.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace tovane {

namespace {

// Source pixels covering one destination pixel along one axis, with their shares.
struct TSpan {
    std::int32_t First = 0;
    std::vector<float> Weights; // sum to 1
};

std::vector<TSpan> Spans(std::int32_t sourceSize, std::int32_t destSize) {
    std::vector<TSpan> spans(static_cast<std::size_t>(destSize));
    const double scale = static_cast<double>(sourceSize) / destSize;
    for (std::int32_t d = 0; d < destSize; ++d) {
        const double start = d * scale;
        const double end = std::min<double>((d + 1) * scale, sourceSize);
        TSpan& s = spans[static_cast<std::size_t>(d)];
        s.First = std::min(static_cast<std::int32_t>(start), sourceSize - 1);
        double total = 0;
        for (std::int32_t i = s.First; i < sourceSize && i < end; ++i) {
            const double w = std::min<double>(end, i + 1) - std::max<double>(start, i);
            if (w <= 0)
                break;
            s.Weights.push_back(static_cast<float>(w));
            total += w;
        }
        if (s.Weights.empty() || total <= 0) {
            s.Weights.assign(1, 1.0f);
            total = 1;
        }
        for (float& w : s.Weights)
            w = static_cast<float>(w / total);
    }
    return spans;
}

// One source row (y from the top) as blue, green, red floats.
void DecodeRow(const TDib& d, std::int32_t y, std::vector<float>& out) {
    const std::uint8_t* row = d.ScanLine(y);
    float* o = out.data();
    if (d.Compression == DibRgb && (d.BitCount == 24 || d.BitCount == 32)) {
        const int step = d.BitCount / 8;
        for (std::int32_t x = 0; x < d.Width; ++x, row += step, o += 3) {
            o[0] = row[0];
            o[1] = row[1];
            o[2] = row[2];
        }
        return;
    }
    for (std::int32_t x = 0; x < d.Width; ++x, o += 3) {
        const std::uint32_t c = d.PixelColor(x, y); // 0x00BBGGRR
        o[0] = static_cast<float>((c >> 16) & 0xFF);
        o[1] = static_cast<float>((c >> 8) & 0xFF);
        o[2] = static_cast<float>(c & 0xFF);
    }
}

} // namespace

TDib ResampleArea(const TDib& source, std::int32_t width, std::int32_t height) {
    if (source.Empty() || !source.IsWellFormed())
        throw EInvalidGraphic("Cannot resample an empty bitmap");
    TDib out = TDib::Create(width, height, 32, true);
    const std::vector<TSpan> columns = Spans(source.Width, width);
    const std::vector<TSpan> rows = Spans(source.Height, height);

    std::vector<float> decoded(static_cast<std::size_t>(source.Width) * 3);
    std::vector<float> narrowed(static_cast<std::size_t>(width) * 3);
    std::vector<float> sum(static_cast<std::size_t>(width) * 3);
    // The last source row narrowed, kept because neighbouring destination rows share it.
    std::int32_t cachedRow = -1;
    std::vector<float> cached(narrowed.size());

    for (std::int32_t dy = 0; dy < height; ++dy) {
        const TSpan& rs = rows[static_cast<std::size_t>(dy)];
        std::fill(sum.begin(), sum.end(), 0.0f);
        for (std::size_t k = 0; k < rs.Weights.size(); ++k) {
            const std::int32_t sy = rs.First + static_cast<std::int32_t>(k);
            if (sy != cachedRow) {
                DecodeRow(source, sy, decoded);
                for (std::int32_t dx = 0; dx < width; ++dx) {
                    const TSpan& cs = columns[static_cast<std::size_t>(dx)];
                    float b = 0, g = 0, r = 0;
                    const float* p = decoded.data() + static_cast<std::size_t>(cs.First) * 3;
                    for (float w : cs.Weights) {
                        b += p[0] * w;
                        g += p[1] * w;
                        r += p[2] * w;
                        p += 3;
                    }
                    cached[static_cast<std::size_t>(dx) * 3] = b;
                    cached[static_cast<std::size_t>(dx) * 3 + 1] = g;
                    cached[static_cast<std::size_t>(dx) * 3 + 2] = r;
                }
                cachedRow = sy;
            }
            const float w = rs.Weights[k];
            for (std::size_t i = 0; i < sum.size(); ++i)
                sum[i] += cached[i] * w;
        }
        std::uint8_t* o = out.ScanLine(dy);
        for (std::int32_t dx = 0; dx < width; ++dx, o += 4)
            for (int c = 0; c < 3; ++c)
                o[c] = static_cast<std::uint8_t>(
                    std::clamp(std::lround(sum[static_cast<std::size_t>(dx) * 3 + c]), 0L, 255L));
    }
    return out;
}

} // namespace tovane
