// Texts of the slideshow's state labels and the timer interval the settings give. All texts
// are UTF-8.
#pragma once

#include <span>
#include <string>

namespace tovane {

// Fixed caption of LabelAllDir.
inline constexpr const char* kAllDirCaption = "全フォルダ一気";
// Shown while a picture is slow to arrive.
inline constexpr const char* kLoadingText = "読み込み中…";

// Text of LabelSSState.
std::string PlayStateText(bool playing);

// Text of LabelInterval: the interval as set, in seconds or milliseconds.
std::string IntervalText(int interval, bool bSecond);

// Timer interval in milliseconds: interval x 1000 with bSecond, else interval. Values that do
// not fit a timer saturate at INT_MAX; a negative interval gives 0 (the timer never fires).
unsigned TimerIntervalMs(int interval, bool bSecond);

// Text of LabelLastAction: names[value] for a value the table holds; for any other value the
// number in brackets ("[7]"), so an edited settings file never makes the lookup leave the table.
std::string LastActionLabelText(int value, std::span<const char* const> names);

} // namespace tovane
