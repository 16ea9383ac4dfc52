#include "framework/BitmapScale.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <thread>
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

// A column span in the form the row pass uses: the first and last pixels carry their own
// shares, the pixels between them all the same share, so they are summed as integers first.
struct TRowSpan {
    std::int32_t First = 0;
    std::int32_t Count = 0;
    float FirstWeight = 0;
    float InnerWeight = 0;
    float LastWeight = 0;
};

std::vector<TRowSpan> RowSpans(const std::vector<TSpan>& spans) {
    std::vector<TRowSpan> out(spans.size());
    for (std::size_t i = 0; i < spans.size(); ++i) {
        const std::vector<float>& w = spans[i].Weights;
        TRowSpan& r = out[i];
        r.First = spans[i].First;
        r.Count = static_cast<std::int32_t>(w.size());
        r.FirstWeight = w.front();
        r.LastWeight = w.back();
        r.InnerWeight = w.size() > 2 ? w[1] : 0.0f;
    }
    return out;
}

// One source row (y from the top) as bytes of blue, green and red, `step` bytes a pixel: the
// row itself for 24 and 32 bits, else decoded into scratch as blue, green, red, 0.
const std::uint8_t* SourceRow(const TDib& d, std::int32_t y, std::vector<std::uint8_t>& scratch,
                              int& step) {
    const std::uint8_t* row = d.ScanLine(y);
    if (d.Compression == DibRgb && (d.BitCount == 24 || d.BitCount == 32)) {
        step = d.BitCount / 8;
        return row;
    }
    step = 4;
    std::uint8_t* o = scratch.data();
    for (std::int32_t x = 0; x < d.Width; ++x, o += 4) {
        const std::uint32_t c = d.PixelColor(x, y); // 0x00BBGGRR
        o[0] = static_cast<std::uint8_t>(c >> 16);
        o[1] = static_cast<std::uint8_t>(c >> 8);
        o[2] = static_cast<std::uint8_t>(c);
    }
    return scratch.data();
}

// The row narrowed to the destination's width: blue, green, red floats per column.
void NarrowRow(const std::uint8_t* row, int step, const std::vector<TRowSpan>& columns,
               float* out) {
    for (const TRowSpan& cs : columns) {
        const std::uint8_t* p = row + static_cast<std::size_t>(cs.First) * step;
        float b = p[0] * cs.FirstWeight, g = p[1] * cs.FirstWeight, r = p[2] * cs.FirstWeight;
        if (cs.Count > 1) {
            std::uint32_t sb = 0, sg = 0, sr = 0;
            for (std::int32_t i = 1; i < cs.Count - 1; ++i) {
                p += step;
                sb += p[0];
                sg += p[1];
                sr += p[2];
            }
            p += step;
            b += static_cast<float>(sb) * cs.InnerWeight + p[0] * cs.LastWeight;
            g += static_cast<float>(sg) * cs.InnerWeight + p[1] * cs.LastWeight;
            r += static_cast<float>(sr) * cs.InnerWeight + p[2] * cs.LastWeight;
        }
        out[0] = b;
        out[1] = g;
        out[2] = r;
        out += 3;
    }
}

// Destination rows [firstRow, endRow) of out.
void ResampleRows(const TDib& source, TDib& out, const std::vector<TRowSpan>& columns,
                  const std::vector<TSpan>& rows, std::int32_t firstRow, std::int32_t endRow) {
    const std::size_t width = static_cast<std::size_t>(out.Width);
    std::vector<std::uint8_t> scratch(static_cast<std::size_t>(source.Width) * 4);
    std::vector<float> sum(width * 3);
    // The last source row narrowed, kept because neighbouring destination rows share it.
    std::int32_t cachedRow = -1;
    std::vector<float> cached(width * 3);

    for (std::int32_t dy = firstRow; dy < endRow; ++dy) {
        const TSpan& rs = rows[static_cast<std::size_t>(dy)];
        std::fill(sum.begin(), sum.end(), 0.0f);
        for (std::size_t k = 0; k < rs.Weights.size(); ++k) {
            const std::int32_t sy = rs.First + static_cast<std::int32_t>(k);
            if (sy != cachedRow) {
                int step = 0;
                const std::uint8_t* row = SourceRow(source, sy, scratch, step);
                NarrowRow(row, step, columns, cached.data());
                cachedRow = sy;
            }
            const float w = rs.Weights[k];
            for (std::size_t i = 0; i < sum.size(); ++i)
                sum[i] += cached[i] * w;
        }
        std::uint8_t* o = out.ScanLine(dy);
        for (std::size_t i = 0; i < width; ++i, o += 4)
            for (int c = 0; c < 3; ++c)
                o[c] = static_cast<std::uint8_t>(std::clamp(std::lround(sum[i * 3 + c]), 0L, 255L));
    }
}

// Sources of at least this many pixels are shrunk by two threads, each taking half the rows.
constexpr std::uint64_t kParallelPixels = 1u << 20;

} // namespace

TDib ResampleArea(const TDib& source, std::int32_t width, std::int32_t height) {
    if (source.Empty() || !source.IsWellFormed())
        throw EInvalidGraphic("Cannot resample an empty bitmap");
    TDib out = TDib::Create(width, height, 32, true);
    const std::vector<TRowSpan> columns = RowSpans(Spans(source.Width, width));
    const std::vector<TSpan> rows = Spans(source.Height, height);

    const std::uint64_t pixels =
        static_cast<std::uint64_t>(source.Width) * static_cast<std::uint64_t>(source.Height);
    if (pixels < kParallelPixels || height < 2) {
        ResampleRows(source, out, columns, rows, 0, height);
        return out;
    }
    const std::int32_t middle = height / 2;
    std::exception_ptr failure;
    std::thread upper([&] {
        try {
            ResampleRows(source, out, columns, rows, 0, middle);
        } catch (...) {
            failure = std::current_exception();
        }
    });
    ResampleRows(source, out, columns, rows, middle, height);
    upper.join();
    if (failure)
        std::rethrow_exception(failure);
    return out;
}

} // namespace tovane
