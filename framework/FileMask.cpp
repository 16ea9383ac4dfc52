#include "framework/FileMask.h"

namespace tovane {

namespace {

// Characters of an ANSI string as byte ranges: one byte, or two for a lead byte and its trail.
std::vector<std::string_view> Chars(std::string_view s, LeadByteRule lead) {
    std::vector<std::string_view> out;
    for (std::size_t i = 0; i < s.size();) {
        const std::size_t n = (lead(static_cast<unsigned char>(s[i])) && i + 1 < s.size()) ? 2 : 1;
        out.push_back(s.substr(i, n));
        i += n;
    }
    return out;
}

bool SameChar(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    if (a.size() == 1)
        return AsciiLowerChar(a[0]) == AsciiLowerChar(b[0]);
    return a == b;
}

// Characters of a UTF-16 name: one unit, or a surrogate pair.
std::vector<std::wstring_view> Chars(std::wstring_view s) {
    std::vector<std::wstring_view> out;
    for (std::size_t i = 0; i < s.size();) {
        const std::size_t n = (s[i] >= 0xD800 && s[i] <= 0xDBFF && i + 1 < s.size()) ? 2 : 1;
        out.push_back(s.substr(i, n));
        i += n;
    }
    return out;
}

bool SameChar(std::wstring_view a, std::wstring_view b) {
    if (a.size() != b.size())
        return false;
    if (a.size() == 1 && a[0] < 0x80 && b[0] < 0x80)
        return AsciiLowerChar(static_cast<char>(a[0])) == AsciiLowerChar(static_cast<char>(b[0]));
    return a == b;
}

template <class Char> bool IsOne(std::basic_string_view<Char> c, char ascii) {
    return c.size() == 1 && c[0] == static_cast<Char>(ascii);
}

// Classic wildcard walk over characters with one back-tracking point for the latest "*".
template <class Char>
bool MatchChars(const std::vector<std::basic_string_view<Char>>& n,
                const std::vector<std::basic_string_view<Char>>& p) {
    std::size_t ni = 0, pi = 0, starP = std::string_view::npos, starN = 0;
    while (ni < n.size()) {
        if (pi < p.size() && IsOne(p[pi], '*')) {
            starP = pi++;
            starN = ni;
        } else if (pi < p.size() && (IsOne(p[pi], '?') || SameChar(p[pi], n[ni]))) {
            ++pi;
            ++ni;
        } else if (starP != std::string_view::npos) {
            pi = starP + 1;
            ni = ++starN;
        } else {
            return false;
        }
    }
    while (pi < p.size() && IsOne(p[pi], '*'))
        ++pi;
    return pi == p.size();
}

} // namespace

std::vector<std::string> SplitMask(std::string_view mask) {
    std::vector<std::string> out;
    while (!mask.empty()) {
        const std::size_t semi = mask.find(';');
        const std::string_view piece = mask.substr(0, semi);
        if (!piece.empty())
            out.emplace_back(piece);
        if (semi == std::string_view::npos)
            break;
        mask.remove_prefix(semi + 1);
    }
    return out;
}

bool MatchesPattern(std::string_view name, std::string_view pattern, LeadByteRule lead) {
    if (pattern.empty())
        return false;
    if (pattern == "*.*" || pattern == "*")
        return true;
    // As on the platform, a pattern ending in "." asks for names without an extension: "*."
    // matches "README".
    if (pattern.back() == '.' && name.find('.') == std::string_view::npos)
        return MatchesPattern(name, pattern.substr(0, pattern.size() - 1), lead);
    return MatchChars(Chars(name, lead), Chars(pattern, lead));
}

bool MatchesPattern(std::wstring_view name, std::wstring_view pattern) {
    if (pattern.empty())
        return false;
    if (pattern == L"*.*" || pattern == L"*")
        return true;
    if (pattern.back() == L'.' && name.find(L'.') == std::wstring_view::npos)
        return MatchesPattern(name, pattern.substr(0, pattern.size() - 1));
    return MatchChars(Chars(name), Chars(pattern));
}

bool MatchesMask(std::string_view name, std::string_view mask, LeadByteRule lead) {
    for (const std::string& pattern : SplitMask(mask))
        if (MatchesPattern(name, pattern, lead))
            return true;
    return false;
}

bool MatchesMask(std::wstring_view name, std::wstring_view mask) {
    while (!mask.empty()) {
        const std::size_t semi = mask.find(L';');
        if (MatchesPattern(name, mask.substr(0, semi)))
            return true;
        if (semi == std::wstring_view::npos)
            break;
        mask.remove_prefix(semi + 1);
    }
    return false;
}

} // namespace tovane
