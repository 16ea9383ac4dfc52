#include "framework/BitmapScale.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <optional>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tovane {

namespace {

// The source pixels covering one destination pixel along one axis, with their shares in units
// of 1/destSize of a source pixel. Destination pixel d covers [d * S / D, (d + 1) * S / D) of a
// source of S pixels: in those units its bounds are d * S and (d + 1) * S and source pixel i
// spans [i * D, (i + 1) * D), so every share is an integer and a destination pixel's shares sum
// to S. The sums below are therefore exact, and the mean is rounded once at the end. Only the
// first and the last pixel of a run can be covered in part: those between are covered whole
// (share D) and are summed without weights.
struct TRun {
    std::size_t First = 0;
    std::uint32_t FirstWeight = 0;
    std::uint32_t Whole = 0;      // pixels covered whole after the first one
    std::uint32_t LastWeight = 0; // 0: the run ends with its whole pixels (or its first)
};

std::vector<TRun> Runs(std::int32_t sourceSize, std::int32_t destSize) {
    std::vector<TRun> runs(static_cast<std::size_t>(destSize));
    const auto s = static_cast<std::uint64_t>(sourceSize);
    const auto d = static_cast<std::uint64_t>(destSize);
    const auto share = [&](std::uint64_t i, std::uint64_t lo, std::uint64_t hi) {
        return static_cast<std::uint32_t>(std::min(hi, (i + 1) * d) - std::max(lo, i * d));
    };
    for (std::uint64_t k = 0; k < d; ++k) {
        const std::uint64_t lo = k * s;
        const std::uint64_t hi = lo + s;
        const std::uint64_t first = lo / d;
        const std::uint64_t end = std::min(s, (hi + d - 1) / d); // past the last pixel touched
        TRun& run = runs[static_cast<std::size_t>(k)];
        run.First = static_cast<std::size_t>(first);
        run.FirstWeight = share(first, lo, hi);
        if (end - first > 1) {
            run.Whole = static_cast<std::uint32_t>(end - first - 2);
            run.LastWeight = share(end - 1, lo, hi);
        }
    }
    return runs;
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

// The hot loops, kept plain so that the compiler vectorises them; a weight that fits 16 bits
// makes each multiply a 16 x 16 bit one, which the vector units do directly.

// sum[i] = (or +=) row[i] * weight.
template <bool Assign, typename T>
void Weighted(std::uint32_t* __restrict sum, const T* __restrict row, std::size_t count,
              std::uint32_t weight) {
    if (weight <= 0xFFFF) {
        const auto w16 = static_cast<std::uint16_t>(weight);
        for (std::size_t i = 0; i < count; ++i) {
            const std::uint32_t v =
                static_cast<std::uint32_t>(static_cast<std::uint16_t>(row[i])) * w16;
            sum[i] = Assign ? v : sum[i] + v;
        }
        return;
    }
    for (std::size_t i = 0; i < count; ++i)
        sum[i] = Assign ? row[i] * weight : sum[i] + row[i] * weight;
}

// whole[i] = (or, once started, +=) row[i]: the rows a destination row covers entirely, summed
// without weights.
void WholeRow(std::uint16_t* __restrict whole, const std::uint8_t* __restrict row,
              std::size_t count, bool started) {
    if (!started) {
        for (std::size_t i = 0; i < count; ++i)
            whole[i] = row[i];
        return;
    }
    for (std::size_t i = 0; i < count; ++i)
        whole[i] = static_cast<std::uint16_t>(whole[i] + row[i]);
}

// The same for two rows at once, which halves the reading and writing of whole.
void WholeRows(std::uint16_t* __restrict whole, const std::uint8_t* __restrict row,
               const std::uint8_t* __restrict next, std::size_t count, bool started) {
    if (!started) {
        for (std::size_t i = 0; i < count; ++i)
            whole[i] = static_cast<std::uint16_t>(row[i] + next[i]);
        return;
    }
    for (std::size_t i = 0; i < count; ++i)
        whole[i] = static_cast<std::uint16_t>(whole[i] + row[i] + next[i]);
}

// A destination row's sums in one pass, from value from on: its first row, its whole rows and its
// last row, each with its share (whole or last may be null). Every sum is at most 255 times the
// source height.
void CombineRows(std::uint32_t* __restrict sum, const std::uint8_t* __restrict first,
                 std::uint16_t firstWeight, const std::uint16_t* __restrict whole,
                 std::uint16_t wholeWeight, const std::uint8_t* __restrict last,
                 std::uint16_t lastWeight, std::size_t from, std::size_t count) {
    for (std::size_t i = from; i < count; ++i)
        sum[i] = std::uint32_t{first[i]} * firstWeight +
                 (whole != nullptr ? std::uint32_t{whole[i]} * wholeWeight : 0) +
                 (last != nullptr ? std::uint32_t{last[i]} * lastWeight : 0);
}

#if defined(__SSE2__)
// CombineRows sixteen values at a time: the first and the last row's shares through one
// multiply-add of pairs (both shares below 2^15), the whole rows' share through 16-bit
// multiplies. whole or last may be null.
void CombineRowsVector(std::uint32_t* sum, const std::uint8_t* first, std::uint16_t firstWeight,
                       const std::uint16_t* whole, std::uint16_t wholeWeight,
                       const std::uint8_t* last, std::uint16_t lastWeight, std::size_t count) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i pairWeights =
        _mm_set1_epi32(static_cast<int>(firstWeight | (std::uint32_t{lastWeight} << 16)));
    const __m128i ww = _mm_set1_epi16(static_cast<short>(wholeWeight));
    const auto load = [](const void* at) {
        return _mm_loadu_si128(static_cast<const __m128i*>(at));
    };
    std::size_t i = 0;
    for (; i + 16 <= count; i += 16) {
        const __m128i f = load(first + i);
        const __m128i l = last != nullptr ? load(last + i) : zero;
        const __m128i fLo = _mm_unpacklo_epi8(f, zero), fHi = _mm_unpackhi_epi8(f, zero);
        const __m128i lLo = _mm_unpacklo_epi8(l, zero), lHi = _mm_unpackhi_epi8(l, zero);
        __m128i s[4] = {_mm_madd_epi16(_mm_unpacklo_epi16(fLo, lLo), pairWeights),
                        _mm_madd_epi16(_mm_unpackhi_epi16(fLo, lLo), pairWeights),
                        _mm_madd_epi16(_mm_unpacklo_epi16(fHi, lHi), pairWeights),
                        _mm_madd_epi16(_mm_unpackhi_epi16(fHi, lHi), pairWeights)};
        if (whole != nullptr)
            for (int h = 0; h < 2; ++h) {
                const __m128i w = load(whole + i + 8 * h);
                const __m128i lo = _mm_mullo_epi16(w, ww), hi = _mm_mulhi_epu16(w, ww);
                s[2 * h] = _mm_add_epi32(s[2 * h], _mm_unpacklo_epi16(lo, hi));
                s[2 * h + 1] = _mm_add_epi32(s[2 * h + 1], _mm_unpackhi_epi16(lo, hi));
            }
        for (int k = 0; k < 4; ++k)
            _mm_storeu_si128(reinterpret_cast<__m128i*>(sum + i + 4 * k), s[k]);
    }
    CombineRows(sum, first, firstWeight, whole, wholeWeight, last, lastWeight, i, count);
}
#endif

// Rows summed into 16 bits before they are weighted: 257 rows of 255 fit.
constexpr std::uint32_t kWholeRowsAtOnce = 257;

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

// The weighted sums of the source rows under one destination row into sum.
class TRowSummer {
public:
    TRowSummer(const TDib& source, std::int32_t destHeight, bool vector)
        : FVector(vector), FSource(source), FScratch(static_cast<std::size_t>(source.Width) * 4),
          FLast(FScratch.size()), FWhole(FScratch.size()),
          FWholeWeight(static_cast<std::uint32_t>(destHeight)) {
        SourceRow(source, 0, FScratch, FStep);
    }
    std::size_t Step() const { return FStep; }
    std::size_t Values() const { return static_cast<std::size_t>(FSource.Width) * FStep; }

    void Sum(const TRun& run, std::uint32_t* sum) {
        const std::size_t values = Values();
        const auto y = static_cast<std::int32_t>(run.First);
        if (run.Whole <= kWholeRowsAtOnce && FWholeWeight <= 0xFFFF && run.FirstWeight <= 0xFFFF &&
            run.LastWeight <= 0xFFFF) {
            for (std::uint32_t k = 0; k < run.Whole; k += 2) {
                const auto at = y + 1 + static_cast<std::int32_t>(k);
                if (k + 1 < run.Whole)
                    WholeRows(FWhole.data(), Row(at, FScratch), Row(at + 1, FLast), values, k != 0);
                else
                    WholeRow(FWhole.data(), Row(at, FScratch), values, k != 0);
            }
            const std::uint8_t* last =
                run.LastWeight != 0 ? Row(y + 1 + static_cast<std::int32_t>(run.Whole), FLast)
                                    : nullptr;
            const std::uint8_t* first = Row(y, FScratch);
            const std::uint16_t* whole = run.Whole != 0 ? FWhole.data() : nullptr;
            const auto fw = static_cast<std::uint16_t>(run.FirstWeight);
            const auto ww = static_cast<std::uint16_t>(FWholeWeight);
            const auto lw = static_cast<std::uint16_t>(run.LastWeight);
#if defined(__SSE2__)
            if (FVector && fw < 0x8000 && lw < 0x8000) {
                CombineRowsVector(sum, first, fw, whole, ww, last, lw, values);
                return;
            }
#endif
            CombineRows(sum, first, fw, whole, ww, last, lw, 0, values);
            return;
        }
        // Very large shrinks: whole rows summed 257 at a time, weights of any size.
        Weighted<true>(sum, Row(y, FScratch), values, run.FirstWeight);
        std::uint32_t pending = 0;
        for (std::uint32_t k = 0; k < run.Whole; ++k) {
            WholeRow(FWhole.data(), Row(y + 1 + static_cast<std::int32_t>(k), FScratch), values,
                     pending != 0);
            if (++pending == kWholeRowsAtOnce || k + 1 == run.Whole) {
                Weighted<false>(sum, FWhole.data(), values, FWholeWeight);
                pending = 0;
            }
        }
        if (run.LastWeight != 0)
            Weighted<false>(sum, Row(y + 1 + static_cast<std::int32_t>(run.Whole), FScratch),
                            values, run.LastWeight);
    }

private:
    const std::uint8_t* Row(std::int32_t y, std::vector<std::uint8_t>& scratch) {
        return SourceRow(FSource, y, scratch, FStep);
    }

    bool FVector;
    const TDib& FSource;
    std::vector<std::uint8_t> FScratch;
    // Scratch of its own for the last row (the first row's is reused), and for the second of two
    // whole rows summed at once.
    std::vector<std::uint8_t> FLast;
    std::vector<std::uint16_t> FWhole;
    std::uint32_t FWholeWeight;
    std::size_t FStep = 4;
};

// One destination row across from the sums of its source rows: each pixel sums its columns with
// their shares and divides by its whole area.
void ResampleAcross(std::uint8_t* o, const std::uint32_t* sum, const std::vector<TRun>& columns,
                    std::size_t step, std::uint64_t wholeWeight, const TRoundedDivision& mean) {
    for (const TRun& c : columns) {
        const std::uint32_t* p = sum + c.First * step;
        std::uint64_t b = std::uint64_t{p[0]} * c.FirstWeight;
        std::uint64_t g = std::uint64_t{p[1]} * c.FirstWeight;
        std::uint64_t r = std::uint64_t{p[2]} * c.FirstWeight;
        p += step;
        std::uint64_t wb = 0, wg = 0, wr = 0;
        for (std::uint32_t k = 0; k < c.Whole; ++k, p += step) {
            wb += p[0];
            wg += p[1];
            wr += p[2];
        }
        b += wb * wholeWeight + std::uint64_t{p[0]} * c.LastWeight;
        g += wg * wholeWeight + std::uint64_t{p[1]} * c.LastWeight;
        r += wr * wholeWeight + std::uint64_t{p[2]} * c.LastWeight;
        o[0] = static_cast<std::uint8_t>(mean(b));
        o[1] = static_cast<std::uint8_t>(mean(g));
        o[2] = static_cast<std::uint8_t>(mean(r));
        o += 4;
    }
}

#if defined(__SSE2__)
// ResampleAcross with the three channels of a pixel in one vector: whole columns summed in 32
// bits (the caller makes sure they fit 31), the shares and the rounded mean in doubles, which
// hold every sum exactly (below 2^53). sum holds a value more than the row so that a pixel of
// three values can be read as four.
void ResampleAcrossVector(std::uint8_t* o, const std::uint32_t* sum,
                          const std::vector<TRun>& columns, std::size_t step,
                          std::uint64_t wholeWeight, std::uint64_t area) {
    const __m128d ww = _mm_set1_pd(static_cast<double>(wholeWeight));
    const __m128d d = _mm_set1_pd(static_cast<double>(area));
    const __m128d half = _mm_set1_pd(static_cast<double>(area / 2));
    const __m128d inverse = _mm_set1_pd(1.0 / static_cast<double>(area));
    const __m128d one = _mm_set1_pd(1.0);
    const auto load = [](const std::uint32_t* at) {
        return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
    };
    // Two channels' rounded means (as in TRoundedDivision) from the low halves of f, w and l.
    const auto mean = [&](__m128i f, __m128i w, __m128i l, __m128d fw, __m128d lw) {
        __m128d n = _mm_add_pd(_mm_mul_pd(_mm_cvtepi32_pd(f), fw), half);
        n = _mm_add_pd(n, _mm_mul_pd(_mm_cvtepi32_pd(w), ww));
        n = _mm_add_pd(n, _mm_mul_pd(_mm_cvtepi32_pd(l), lw));
        const __m128d q = _mm_cvtepi32_pd(_mm_cvttpd_epi32(_mm_mul_pd(n, inverse)));
        const __m128d over = _mm_cmpgt_pd(_mm_mul_pd(q, d), n);
        const __m128d under = _mm_cmple_pd(_mm_mul_pd(_mm_add_pd(q, one), d), n);
        return _mm_cvttpd_epi32(
            _mm_add_pd(_mm_sub_pd(q, _mm_and_pd(over, one)), _mm_and_pd(under, one)));
    };
    for (const TRun& c : columns) {
        const std::uint32_t* p = sum + c.First * step;
        const __m128i f = load(p);
        p += step;
        __m128i w = _mm_setzero_si128();
        for (std::uint32_t k = 0; k < c.Whole; ++k, p += step)
            w = _mm_add_epi32(w, load(p));
        const __m128i l = load(p); // past the run when it has no last pixel: weighted by 0
        const __m128d fw = _mm_set1_pd(c.FirstWeight);
        const __m128d lw = _mm_set1_pd(c.LastWeight);
        const __m128i blueGreen = mean(f, w, l, fw, lw);
        const __m128i red =
            mean(_mm_srli_si128(f, 8), _mm_srli_si128(w, 8), _mm_srli_si128(l, 8), fw, lw);
        const __m128i words = _mm_packs_epi32(_mm_unpacklo_epi64(blueGreen, red), red);
        const auto pixel =
            static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(words, words)));
        const std::uint32_t bgr = pixel & 0x00FFFFFFu;
        std::memcpy(o, &bgr, 4);
        o += 4;
    }
}
#endif

// Destination rows [firstRow, endRow) of out.
void ResampleRows(const TDib& source, TDib& out, const std::vector<TRun>& columns,
                  const std::vector<TRun>& rows, std::int32_t firstRow, std::int32_t endRow,
                  bool vector) {
    TRowSummer summer(source, out.Height, vector);
    std::vector<std::uint32_t> sum(summer.Values() + 4);
    const std::uint64_t area =
        static_cast<std::uint64_t>(source.Width) * static_cast<std::uint64_t>(source.Height);
    const TRoundedDivision mean(area);
#if defined(__SSE2__)
    // The vector pass sums a run's whole columns in 32 bits, signed.
    std::uint64_t mostWhole = 0;
    for (const TRun& c : columns)
        mostWhole = std::max<std::uint64_t>(mostWhole, c.Whole);
    const bool vectorAcross =
        vector && (mostWhole + 2) * 255 * static_cast<std::uint64_t>(source.Height) < (1u << 31);
#endif
    for (std::int32_t dy = firstRow; dy < endRow; ++dy) {
        summer.Sum(rows[static_cast<std::size_t>(dy)], sum.data());
#if defined(__SSE2__)
        if (vectorAcross) {
            ResampleAcrossVector(out.ScanLine(dy), sum.data(), columns, summer.Step(),
                                 static_cast<std::uint64_t>(out.Width), area);
            continue;
        }
#endif
        ResampleAcross(out.ScanLine(dy), sum.data(), columns, summer.Step(),
                       static_cast<std::uint64_t>(out.Width), mean);
    }
}

// Sources of at least this many pixels are shrunk by two threads, each taking half the rows.
constexpr std::uint64_t kParallelPixels = 1u << 20;

} // namespace

TDib ResampleArea(const TDib& source, std::int32_t width, std::int32_t height,
                  TWorkerThread* helper) {
    if (source.Empty() || !source.IsWellFormed())
        throw EInvalidGraphic("Cannot resample an empty bitmap");
    TDib out = TDib::Create(width, height, 32, true);
    ResampleAreaInto(source, out, helper);
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

namespace {

void Resample(const TDib& source, TDib& out, bool vector, TWorkerThread* helper) {
    if (source.Empty() || !source.IsWellFormed())
        throw EInvalidGraphic("Cannot resample an empty bitmap");
    if (out.Empty() || out.BitCount != 32 || out.Compression != DibRgb || !out.TopDown ||
        !out.IsWellFormed())
        throw EInvalidGraphic("Cannot resample into this bitmap");
    const std::int32_t width = out.Width;
    const std::int32_t height = out.Height;
    const std::vector<TRun> columns = Runs(source.Width, width);
    const std::vector<TRun> rows = Runs(source.Height, height);

    const std::uint64_t pixels =
        static_cast<std::uint64_t>(source.Width) * static_cast<std::uint64_t>(source.Height);
    if (pixels < kParallelPixels || height < 2) {
        ResampleRows(source, out, columns, rows, 0, height, vector);
        return;
    }
    std::optional<TWorkerThread> own; // a thread for this call alone when none is given
    if (helper == nullptr)
        helper = &own.emplace();
    const std::int32_t middle = height / 2;
    helper->Start([&] { ResampleRows(source, out, columns, rows, 0, middle, vector); });
    std::exception_ptr failure;
    try {
        ResampleRows(source, out, columns, rows, middle, height, vector);
    } catch (...) {
        failure = std::current_exception();
    }
    helper->Wait(); // the helper's rows are written before anything leaves
    if (failure)
        std::rethrow_exception(failure);
}

} // namespace

void ResampleAreaInto(const TDib& source, TDib& out, TWorkerThread* helper) {
    Resample(source, out, true, helper);
}

void ResampleAreaIntoPortable(const TDib& source, TDib& out) {
    Resample(source, out, false, nullptr);
}

} // namespace tovane
