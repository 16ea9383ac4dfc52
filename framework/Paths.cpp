#include "framework/Paths.h"

namespace tovane {

std::size_t LastDelimiter(std::string_view delimiters, std::string_view s, LeadByteRule lead) {
    // Walk forward so that trail bytes are recognised as such; remember the last hit.
    std::size_t found = std::string_view::npos;
    for (std::size_t i = 0; i < s.size(); ++i) {
        const auto byte = static_cast<unsigned char>(s[i]);
        if (lead(byte) && i + 1 < s.size()) {
            ++i;
            continue;
        }
        if (delimiters.find(s[i]) != std::string_view::npos)
            found = i;
    }
    return found;
}

std::string ExtractFilePath(std::string_view path, LeadByteRule lead) {
    const std::size_t i = LastDelimiter("\\:", path, lead);
    return i == std::string_view::npos ? std::string() : std::string(path.substr(0, i + 1));
}

std::string ExtractFileDir(std::string_view path, LeadByteRule lead) {
    std::size_t i = LastDelimiter("\\:", path, lead);
    if (i == std::string_view::npos)
        return std::string();
    // Keep the separator of a root ("C:\" or "\") so the result still names it.
    if (i > 0 && path[i] == '\\' && LastDelimiter("\\:", path.substr(0, i), lead) != i - 1)
        return std::string(path.substr(0, i));
    return std::string(path.substr(0, i + 1));
}

std::string ExtractFileName(std::string_view path, LeadByteRule lead) {
    const std::size_t i = LastDelimiter("\\:", path, lead);
    return std::string(i == std::string_view::npos ? path : path.substr(i + 1));
}

std::string ExtractFileExt(std::string_view path, LeadByteRule lead) {
    const std::size_t i = LastDelimiter(".\\:", path, lead);
    if (i == std::string_view::npos || path[i] != '.')
        return std::string();
    return std::string(path.substr(i));
}

std::string IncludeTrailingBackslash(std::string_view path, LeadByteRule lead) {
    if (path.empty())
        return std::string();
    const std::size_t i = LastDelimiter("\\", path, lead);
    if (i == path.size() - 1)
        return std::string(path);
    std::string out(path);
    out += '\\';
    return out;
}

} // namespace tovane
