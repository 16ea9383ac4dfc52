#include "imaging/portable/PictureCache.h"

#include <algorithm>

namespace tovane {

std::size_t DefaultPictureCacheBytes(std::uint64_t physicalMemoryBytes, unsigned pointerBits) {
    const std::uint64_t kAtMost = pointerBits <= 32 ? 512ull << 20 : 1ull << 30;
    const std::uint64_t quarter = physicalMemoryBytes / 4;
    return static_cast<std::size_t>(std::min(quarter, kAtMost));
}

} // namespace tovane
