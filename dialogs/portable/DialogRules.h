// Rules of the options dialog and the about box that need no window: what the interval field
// shows for a stored interval, and the rows that the about box lists for one plug-in.
#pragma once

#include "framework/Strings.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tovane {

// The interval field offers 0 to 1000, step 1.
inline constexpr int IntervalMin = 0;
inline constexpr int IntervalMax = 1000;

// The spin position that shows a stored interval: the value itself when it lies within the
// field's range, else the nearer end of the range. The whole 32-bit value is compared, so a
// large interval never wraps round to a small one.
int IntervalSpinPosition(std::int32_t interval);

// One row of the about box's plug-in list (ANSI texts as the plug-in gave them).
struct AboutRow {
    std::string FileName;   // the module's file name; only in a plug-in's first row
    std::string Extensions; // the filter entry, patterns still joined by ";"
    std::string FormatName; // the format name of that entry
    std::string Info;       // the plug-in's description; only in its first row
};

// The rows of one plug-in: one per filter entry, in order; none when it has no entries.
// fileName is the module's full path; the row shows the part after its last "\" or ":".
// A filter entry without a matching format name gets an empty one.
std::vector<AboutRow> AboutRowsFor(std::string_view fileName, std::string_view pluginInfo,
                                   const std::vector<std::string>& extensions,
                                   const std::vector<std::string>& formatNames, LeadByteRule lead);

} // namespace tovane
