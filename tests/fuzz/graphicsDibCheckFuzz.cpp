// libFuzzer target: the check of a plug-in's bitmap blocks.
#include "tests/fuzz/graphicsFuzzChecks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    graphics_fuzz::CheckDibBlocksInput(data, size);
    return 0;
}
