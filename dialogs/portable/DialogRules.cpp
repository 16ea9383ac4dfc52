#include "dialogs/portable/DialogRules.h"

#include "framework/Paths.h"

#include <algorithm>

namespace tovane {

int IntervalSpinPosition(std::int32_t interval) {
    return static_cast<int>(std::clamp<std::int32_t>(interval, IntervalMin, IntervalMax));
}

std::vector<AboutRow> AboutRowsFor(std::string_view fileName, std::string_view pluginInfo,
                                   const std::vector<std::string>& extensions,
                                   const std::vector<std::string>& formatNames, LeadByteRule lead) {
    std::vector<AboutRow> rows;
    rows.reserve(extensions.size());
    for (std::size_t k = 0; k < extensions.size(); ++k) {
        AboutRow row;
        if (k == 0) {
            row.FileName = ExtractFileName(fileName, lead);
            row.Info = std::string(pluginInfo);
        }
        row.Extensions = extensions[k];
        if (k < formatNames.size())
            row.FormatName = formatNames[k];
        rows.push_back(std::move(row));
    }
    return rows;
}

} // namespace tovane
