// libFuzzer target: the bitmap file reader (and, through it, the writer).
#include "tests/fuzz/graphicsFuzzChecks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    graphics_fuzz::CheckBitmapFileInput(data, size);
    return 0;
}
