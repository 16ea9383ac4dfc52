#include "framework/win32/Text.h"

#include <algorithm>

#include "framework/Strings.h"

#include <windows.h>

namespace tovane {

namespace {

std::wstring ToWide(UINT codePage, std::string_view s) {
    if (s.empty())
        return std::wstring();
    const int n =
        MultiByteToWideChar(codePage, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(codePage, 0, s.data(), static_cast<int>(s.size()), out.data(), n);
    return out;
}

std::string FromWide(UINT codePage, std::wstring_view w) {
    if (w.empty())
        return std::string();
    const int n = WideCharToMultiByte(codePage, 0, w.data(), static_cast<int>(w.size()), nullptr, 0,
                                      nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(codePage, 0, w.data(), static_cast<int>(w.size()), out.data(), n, nullptr,
                        nullptr);
    return out;
}

} // namespace

std::wstring AnsiToWide(std::string_view ansi) {
    return ToWide(CP_ACP, ansi);
}
std::string WideToAnsi(std::wstring_view wide) {
    return FromWide(CP_ACP, wide);
}
std::wstring Utf8ToWide(std::string_view utf8) {
    return ToWide(CP_UTF8, utf8);
}
std::string WideToUtf8(std::wstring_view wide) {
    return FromWide(CP_UTF8, wide);
}
std::string AnsiToUtf8(std::string_view ansi) {
    return WideToUtf8(AnsiToWide(ansi));
}
std::string Utf8ToAnsi(std::string_view utf8) {
    return WideToAnsi(Utf8ToWide(utf8));
}

std::optional<std::string> WideToAnsiExact(std::wstring_view wide) {
    if (wide.empty())
        return std::string();
    const int wn = static_cast<int>(wide.size());
    BOOL usedDefault = FALSE;
    const int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), wn, nullptr, 0,
                                      nullptr, &usedDefault);
    if (n <= 0 || usedDefault)
        return std::nullopt;
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), wn, out.data(), n, nullptr,
                        &usedDefault);
    if (usedDefault || AnsiToWide(out) != wide)
        return std::nullopt;
    return out;
}

std::string WideToAnsiNoBestFit(std::wstring_view wide) {
    if (wide.empty())
        return std::string();
    const int wn = static_cast<int>(wide.size());
    const int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), wn, nullptr, 0,
                                      "?", nullptr);
    std::string out(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
    if (n > 0)
        WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), wn, out.data(), n, "?",
                            nullptr);
    return out;
}

std::string NameSortKey(std::wstring_view name) {
    if (const std::optional<std::string> ansi = WideToAnsiExact(name))
        return AsciiLower(*ansi, SystemLeadByte);
    std::string key;
    key.reserve(name.size() * 2);
    for (std::size_t i = 0; i < name.size();) {
        // One character: a surrogate pair stays together.
        const std::size_t n =
            (name[i] >= 0xD800 && name[i] <= 0xDBFF && i + 1 < name.size()) ? 2 : 1;
        const std::wstring_view ch = name.substr(i, n);
        i += n;
        if (const std::optional<std::string> ansi = WideToAnsiExact(ch)) {
            // One byte: an ASCII letter is lowered; two bytes: a double-byte character, kept.
            key += ansi->size() == 1 ? std::string(1, AsciiLowerChar((*ansi)[0])) : *ansi;
            continue;
        }
        // 0xFF leads no character of a double-byte code page.
        for (const wchar_t unit : ch) {
            key += '\xFF';
            key += static_cast<char>((unit >> 8) & 0xFF);
            key += static_cast<char>(unit & 0xFF);
        }
    }
    return key;
}

bool SystemLeadByte(unsigned char byte) {
    return IsDBCSLeadByte(byte) != FALSE;
}

void SortByNameSortKey(std::vector<std::wstring>& names) {
    std::vector<std::pair<std::string, std::wstring>> keyed;
    keyed.reserve(names.size());
    for (std::wstring& name : names)
        keyed.emplace_back(NameSortKey(name), std::move(name));
    std::stable_sort(keyed.begin(), keyed.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (std::size_t i = 0; i < names.size(); ++i)
        names[i] = std::move(keyed[i].second);
}

} // namespace tovane
