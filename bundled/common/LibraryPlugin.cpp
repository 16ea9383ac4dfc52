// PluginTexts and CanDecode of the plug-ins over decoding libraries, from what each says of
// itself (LibraryPlugin).
#include "bundled/common/Limits.h"
#include "bundled/common/PluginKit.h"

namespace bundled {

const std::vector<std::string>& PluginTexts() {
    static const std::vector<std::string> texts = [] {
        const LibraryPluginFacts& plugin = LibraryPlugin();
        std::vector<std::string> t{"00IN", plugin.Description + "; " + LimitsText()};
        t.insert(t.end(), plugin.Filters.begin(), plugin.Filters.end());
        return t;
    }();
    return texts;
}

bool CanDecode(std::span<const std::uint8_t> head, std::string_view fileName) {
    return SniffFormat(head, fileName) == LibraryPlugin().Format;
}

} // namespace bundled
