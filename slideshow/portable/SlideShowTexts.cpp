#include "slideshow/portable/SlideShowTexts.h"

#include "framework/Strings.h"

#include <climits>

namespace tovane {

std::string PlayStateText(bool playing) {
    return playing ? "< スライドショー動作中 >" : "< スライドショー停止中 >";
}

std::string IntervalText(int interval, bool bSecond) {
    return bSecond ? Format("表示間隔 %d 秒", interval) : Format("表示間隔 %d ミリ秒", interval);
}

unsigned TimerIntervalMs(int interval, bool bSecond) {
    long long ms = bSecond ? static_cast<long long>(interval) * 1000 : interval;
    if (ms < 0)
        return 0;
    if (ms > INT_MAX)
        ms = INT_MAX;
    return static_cast<unsigned>(ms);
}

std::string LastActionLabelText(int value, std::span<const char* const> names) {
    if (value >= 0 && static_cast<std::size_t>(value) < names.size())
        return names[static_cast<std::size_t>(value)];
    return Format("[%d]", value);
}

} // namespace tovane
