#include "slideshow/portable/ImageList.h"

#include "framework/Paths.h"

#include <algorithm>

namespace tovane {

namespace {

// A text split into characters: one byte, or a lead byte with its trail byte.
std::vector<std::string_view> Characters(std::string_view s, LeadByteRule lead) {
    std::vector<std::string_view> out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size();) {
        const std::size_t len =
            (lead(static_cast<unsigned char>(s[i])) && i + 1 < s.size()) ? 2 : 1;
        out.push_back(s.substr(i, len));
        i += len;
    }
    return out;
}

bool SameCharacter(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    if (a.size() == 1)
        return AsciiLowerChar(a[0]) == AsciiLowerChar(b[0]);
    return a == b;
}

bool MatchCharacters(const std::vector<std::string_view>& pattern,
                     const std::vector<std::string_view>& name) {
    // Greedy match with one backtracking point: the latest "*" and the name position it took.
    std::size_t p = 0, n = 0;
    std::size_t starP = std::string_view::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == "*") {
            starP = p++;
            starN = n;
        } else if (p < pattern.size() &&
                   (pattern[p] == "?" || SameCharacter(pattern[p], name[n]))) {
            ++p;
            ++n;
        } else if (starP != std::string_view::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == "*")
        ++p;
    return p == pattern.size();
}

} // namespace

std::string BuildImageMask(const std::vector<std::string>& extensions) {
    std::string mask;
    for (const std::string& ext : extensions)
        mask += Format("*.%s;", ext.c_str());
    return mask;
}

bool MatchesWildcard(std::string_view pattern, std::string_view name, LeadByteRule lead) {
    if (pattern.empty())
        return false;
    const auto p = Characters(pattern, lead);
    const auto chars = Characters(name, lead);
    if (MatchCharacters(p, chars))
        return true;
    const bool hasDot = std::find(chars.begin(), chars.end(), ".") != chars.end();
    if (hasDot)
        return false;
    std::string dotted(name);
    dotted += '.';
    return MatchCharacters(p, Characters(dotted, lead));
}

bool MatchesImageMask(std::string_view mask, std::string_view name, LeadByteRule lead) {
    // The pieces are separated by ";"; the byte after a lead byte is never a separator.
    std::size_t start = 0;
    for (std::size_t i = 0; i <= mask.size(); ++i) {
        if (i < mask.size() && lead(static_cast<unsigned char>(mask[i])) && i + 1 < mask.size()) {
            ++i;
            continue;
        }
        if (i == mask.size() || mask[i] == ';') {
            if (MatchesWildcard(mask.substr(start, i - start), name, lead))
                return true;
            start = i + 1;
        }
    }
    return false;
}

void SortImageNames(std::vector<std::string>& names, LeadByteRule lead) {
    std::sort(names.begin(), names.end(), [lead](const std::string& a, const std::string& b) {
        const int c = CompareTextAscii(a, b, lead);
        return c != 0 ? c < 0 : a < b;
    });
}

std::vector<std::string> ImageListNames(const std::vector<FolderEntry>& entries,
                                        std::string_view mask, LeadByteRule lead) {
    std::vector<std::string> names;
    for (const FolderEntry& e : entries)
        if (!e.IsFolder && MatchesImageMask(mask, e.Name, lead))
            names.push_back(e.Name);
    SortImageNames(names, lead);
    return names;
}

std::string ImageFullPath(std::string_view folder, std::string_view name, LeadByteRule lead) {
    std::string path = IncludeTrailingBackslash(folder, lead);
    path += name;
    return path;
}

} // namespace tovane
