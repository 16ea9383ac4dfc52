#include "app/portable/FolderSpelling.h"

namespace tovane {

namespace {

// Index of the first "\" at or after from that is not the trail byte of a double-byte
// character; the size of s when there is none. from must start a character.
std::size_t NextSeparator(std::string_view s, std::size_t from, LeadByteRule lead) {
    for (std::size_t i = from; i < s.size(); ++i) {
        if (lead(static_cast<unsigned char>(s[i]))) {
            ++i;
            continue;
        }
        if (s[i] == '\\')
            return i;
    }
    return s.size();
}

} // namespace

std::string NormalizeFolderPathWith(std::string_view absolutePath, const DiskNameLookup& lookup,
                                    LeadByteRule lead) {
    const std::string_view s = absolutePath;
    if (s.size() < 2 || s[1] != ':')
        return std::string(s);
    std::string result(s.substr(0, 2));
    // Components start after the root's "\" ("C:\" is three bytes).
    for (std::size_t from = 3; from < s.size();) {
        const std::size_t end = NextSeparator(s, from, lead);
        const std::optional<std::string> name = lookup(std::string(s.substr(0, end)));
        result += '\\';
        if (!name) {
            result += s.substr(from);
            break;
        }
        result += *name;
        from = end + 1;
    }
    // "C:" alone means the current folder of drive C, not its root.
    if (result.size() == 2)
        result += '\\';
    return result;
}

} // namespace tovane
