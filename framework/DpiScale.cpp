#include "framework/DpiScale.h"

#include <cstdint>

namespace tovane {

int ScaleDpi(int value, int toDpi, int fromDpi) noexcept {
    if (fromDpi <= 0)
        return value;
    const std::int64_t product = static_cast<std::int64_t>(value) * toDpi;
    const std::int64_t half = fromDpi / 2;
    const std::int64_t rounded =
        product >= 0 ? (product + half) / fromDpi : -((-product + half) / fromDpi);
    return static_cast<int>(rounded);
}

} // namespace tovane
