#include "framework/BitmapScale.h"

#include <algorithm>
#include <exception>
#include <thread>
#include <vector>

namespace tovane {

namespace {

// Source pixels covering one destination pixel along one axis, with their shares in units of
// 1/destSize of a source pixel. Destination pixel d covers [d * S / D, (d + 1) * S / D) of a
// source of S pixels: in those units its bounds are d * S and (d + 1) * S, source pixel i spans
// [i * D, (i + 1) * D), so every share is an integer and a destination pixel's shares sum to S.
// The sums below are therefore exact, and the mean is rounded once at the end.
struct TSpan {
    std::int32_t First = 0;
    std::vector<std::uint32_t> Weights;
};

std::vector<TSpan> Spans(std::int32_t sourceSize, std::int32_t destSize) {
    std::vector<TSpan> spans(static_cast<std::size_t>(destSize));
    const auto s = static_cast<std::uint64_t>(sourceSize);
    const auto d = static_cast<std::uint64_t>(destSize);
    for (std::uint64_t k = 0; k < d; ++k) {
        const std::uint64_t lo = k * s;
        const std::uint64_t hi = lo + s;
        TSpan& span = spans[static_cast<std::size_t>(k)];
        span.First = static_cast<std::int32_t>(lo / d);
        for (std::uint64_t i = lo / d; i < s && i * d < hi; ++i)
            span.Weights.push_back(
                static_cast<std::uint32_t>(std::min(hi, (i + 1) * d) - std::max(lo, i * d)));
    }
    return spans;
}

// One source row (y from the top) as bytes of blue, green and red, `step` bytes a pixel: the
// row itself for 24 and 32 bits, else decoded into scratch as blue, green, red, 0.
const std::uint8_t* SourceRow(const TDib& d, std::int32_t y, std::vector<std::uint8_t>& scratch,
                              std::size_t& step) {
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

// The hot loops, kept plain so that the compiler vectorises them. sum[i] += row[i] * weight (a
// weight that fits 16 bits makes it a 16 x 16 bit multiply, which the vector units do
// directly).
template <typename T>
void AddWeighted(std::uint32_t* __restrict sum, const T* __restrict row, std::size_t count,
                 std::uint32_t weight) {
    if (weight <= 0xFFFF) {
        const auto w16 = static_cast<std::uint16_t>(weight);
        for (std::size_t i = 0; i < count; ++i)
            sum[i] += static_cast<std::uint32_t>(static_cast<std::uint16_t>(row[i])) * w16;
        return;
    }
    for (std::size_t i = 0; i < count; ++i)
        sum[i] += row[i] * weight;
}

// whole[i] += row[i]: the rows a destination row covers entirely, summed without weights.
void AddRow(std::uint16_t* __restrict whole, const std::uint8_t* __restrict row,
            std::size_t count) {
    for (std::size_t i = 0; i < count; ++i)
        whole[i] = static_cast<std::uint16_t>(whole[i] + row[i]);
}

// Rows summed into 16 bits before they are weighted: 257 rows of 255 fit.
constexpr std::size_t kWholeRowsAtOnce = 257;

// n / d rounded to the nearest integer, halves up, for n < 2^53: through a multiply by the
// reciprocal (a 64-bit division per channel costs more than the rest of the shrink), corrected
// by one where the multiply rounded the wrong way.
class TRoundedDivision {
public:
    explicit TRoundedDivision(std::uint64_t d) : FD(d), FInverse(1.0 / static_cast<double>(d)) {}
    std::uint64_t operator()(std::uint64_t n) const {
        n += FD / 2;
        auto q = static_cast<std::uint64_t>(static_cast<double>(n) * FInverse);
        if (q * FD > n)
            --q;
        else if ((q + 1) * FD <= n)
            ++q;
        return q;
    }

private:
    std::uint64_t FD;
    double FInverse;
};

// Destination rows [firstRow, endRow) of out: the covering source rows are summed with their
// shares (rows covered whole first summed as they are), then each destination pixel sums its
// columns of that and divides by its whole area.
void ResampleRows(const TDib& source, TDib& out, const std::vector<TSpan>& columns,
                  const std::vector<TSpan>& rows, std::int32_t firstRow, std::int32_t endRow) {
    std::vector<std::uint8_t> scratch(static_cast<std::size_t>(source.Width) * 4);
    std::vector<std::uint32_t> sum(scratch.size());
    std::vector<std::uint16_t> whole(scratch.size());
    const auto wholeWeight = static_cast<std::uint32_t>(out.Height); // a row's full share
    const TRoundedDivision mean(static_cast<std::uint64_t>(source.Width) *
                                static_cast<std::uint64_t>(source.Height));

    for (std::int32_t dy = firstRow; dy < endRow; ++dy) {
        const TSpan& rs = rows[static_cast<std::size_t>(dy)];
        std::fill(sum.begin(), sum.end(), 0u);
        std::size_t step = 4;
        std::size_t values = 0;
        std::size_t wholeRows = 0;
        const auto flushWhole = [&] {
            if (wholeRows == 0)
                return;
            AddWeighted(sum.data(), whole.data(), values, wholeWeight);
            std::fill(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(values), 0);
            wholeRows = 0;
        };
        for (std::size_t k = 0; k < rs.Weights.size(); ++k) {
            const std::uint8_t* row =
                SourceRow(source, rs.First + static_cast<std::int32_t>(k), scratch, step);
            values = static_cast<std::size_t>(source.Width) * step;
            if (rs.Weights[k] != wholeWeight) {
                AddWeighted(sum.data(), row, values, rs.Weights[k]);
                continue;
            }
            if (wholeRows == kWholeRowsAtOnce)
                flushWhole();
            AddRow(whole.data(), row, values);
            ++wholeRows;
        }
        flushWhole();
        std::uint8_t* o = out.ScanLine(dy);
        for (const TSpan& cs : columns) {
            std::uint64_t b = 0, g = 0, r = 0;
            const std::uint32_t* p = sum.data() + static_cast<std::size_t>(cs.First) * step;
            for (const std::uint32_t w : cs.Weights) {
                b += std::uint64_t{p[0]} * w;
                g += std::uint64_t{p[1]} * w;
                r += std::uint64_t{p[2]} * w;
                p += step;
            }
            o[0] = static_cast<std::uint8_t>(mean(b));
            o[1] = static_cast<std::uint8_t>(mean(g));
            o[2] = static_cast<std::uint8_t>(mean(r));
            o += 4;
        }
    }
}

// Sources of at least this many pixels are shrunk by two threads, each taking half the rows.
constexpr std::uint64_t kParallelPixels = 1u << 20;

} // namespace

TDib ResampleArea(const TDib& source, std::int32_t width, std::int32_t height) {
    if (source.Empty() || !source.IsWellFormed())
        throw EInvalidGraphic("Cannot resample an empty bitmap");
    TDib out = TDib::Create(width, height, 32, true);
    ResampleAreaInto(source, out);
    return out;
}

TDib ResampledShape(std::int32_t width, std::int32_t height, TByteBuffer rows) {
    TDib out;
    out.Width = width;
    out.Height = height;
    out.TopDown = true;
    out.BitCount = 32;
    out.Bits = std::move(rows);
    return out;
}

void ResampleAreaInto(const TDib& source, TDib& out) {
    if (source.Empty() || !source.IsWellFormed())
        throw EInvalidGraphic("Cannot resample an empty bitmap");
    if (out.Empty() || out.BitCount != 32 || out.Compression != DibRgb || !out.TopDown ||
        !out.IsWellFormed())
        throw EInvalidGraphic("Cannot resample into this bitmap");
    const std::int32_t width = out.Width;
    const std::int32_t height = out.Height;
    const std::vector<TSpan> columns = Spans(source.Width, width);
    const std::vector<TSpan> rows = Spans(source.Height, height);

    const std::uint64_t pixels =
        static_cast<std::uint64_t>(source.Width) * static_cast<std::uint64_t>(source.Height);
    if (pixels < kParallelPixels || height < 2) {
        ResampleRows(source, out, columns, rows, 0, height);
        return;
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
}

} // namespace tovane
