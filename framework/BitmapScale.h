// Area-averaging resampling of a TDib: every destination pixel is the mean of the source area
// it covers (a box filter), which is what a good downscale needs and what the GDI's HALFTONE
// stretch does on Windows but not everywhere. Portable; the result is a new 32-bit top-down
// bitmap (blue, green, red, 0 per pixel).
#pragma once

#include "framework/BitmapFile.h"
#include "framework/WorkerThread.h"

namespace tovane {

// The picture resampled to width x height (each at least 1). An empty source raises
// EInvalidGraphic; the size limits are those of TDib::Create.
TDib ResampleArea(const TDib& source, std::int32_t width, std::int32_t height,
                  TWorkerThread* helper = nullptr);
// The same into out, which is a 32-bit top-down bitmap of the wanted size whose Bits may lie
// anywhere (shared memory, say). A large picture is shrunk by two threads: the caller's and
// helper, or one started for the call when there is no helper.
void ResampleAreaInto(const TDib& source, TDib& out, TWorkerThread* helper = nullptr);
// The same through the plain loops alone, which builds without vector units run (tests compare
// the two).
void ResampleAreaIntoPortable(const TDib& source, TDib& out);
// A bitmap of the shape ResampleArea makes (32 bits, top-down, width x height) over rows that
// lie elsewhere (shared memory, say): rows holds width * height * 4 bytes.
TDib ResampledShape(std::int32_t width, std::int32_t height, TByteBuffer rows);

} // namespace tovane
