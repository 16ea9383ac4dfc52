#include "imaging/portable/DecodeRules.h"

#include "framework/Paths.h"

#include <algorithm>
#include <limits>

namespace tovane {

int MulDivRounded(int number, int numerator, int denominator) {
    if (denominator == 0)
        return -1;
    std::int64_t product = static_cast<std::int64_t>(number) * numerator;
    std::int64_t divisor = denominator;
    if (divisor < 0) {
        divisor = -divisor;
        product = -product;
    }
    // Round half away from zero: move the product half a divisor outwards, then truncate.
    const std::int64_t half = divisor / 2;
    const std::int64_t result = (product >= 0 ? product + half : product - half) / divisor;
    if (result > std::numeric_limits<std::int32_t>::max() ||
        result < -std::numeric_limits<std::int32_t>::max())
        return -1;
    return static_cast<int>(result);
}

std::uint8_t PluginProgressPercent(int numerator, int denominator) {
    // The sum is computed in full and then cut to its low byte, as a byte-sized field keeps it.
    const std::int64_t sum =
        static_cast<std::int64_t>(MulDivRounded(numerator, 97, denominator)) + 2;
    return static_cast<std::uint8_t>(static_cast<std::uint64_t>(sum) & 0xFF);
}

bool MemorySourceReachesOffset(std::int64_t sourceSize, int offset) {
    return offset == 0 || sourceSize > offset;
}

std::int32_t MemorySourceLength(std::int64_t sourceSize, int offset) {
    const std::int64_t rest = sourceSize - offset;
    return static_cast<std::int32_t>(
        std::clamp<std::int64_t>(rest, 0, std::numeric_limits<std::int32_t>::max()));
}

std::string LoaderExtension(std::string_view fileName, LeadByteRule lead) {
    return ExtractFileExt(fileName, lead);
}

bool IsBitmapFirst(std::string_view fileName, LeadByteRule lead) {
    return AsciiUpper(LoaderExtension(fileName, lead), lead) == ".BMP";
}

PluginFileForm ChoosePluginFileForm(const std::wstring& path, const ExactAnsiConversion& exact,
                                    const ShortNameLookup& shortName) {
    if (std::optional<std::string> ansi = exact(path))
        return {false, std::move(*ansi)};
    if (const std::optional<std::wstring> shortPath = shortName(path))
        if (std::optional<std::string> ansi = exact(*shortPath))
            return {false, std::move(*ansi)};
    return {true, std::string()};
}

} // namespace tovane
