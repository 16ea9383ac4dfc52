#include "framework/Strings.h"

#include <climits>
#include <cstdio>
#include <vector>

namespace tovane {

char AsciiLowerChar(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

char AsciiUpperChar(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool IsCp932LeadByte(unsigned char byte) {
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

bool IsSingleByte(unsigned char) { return false; }

namespace {

template <typename Map> std::string MapLetters(std::string_view s, LeadByteRule lead, Map map) {
    std::string out(s);
    for (std::size_t i = 0; i < out.size(); ++i) {
        if (lead(static_cast<unsigned char>(out[i]))) {
            ++i; // the trail byte stays as it is
            continue;
        }
        out[i] = map(out[i]);
    }
    return out;
}

} // namespace

std::string AsciiLower(std::string_view s, LeadByteRule lead) {
    return MapLetters(s, lead, AsciiLowerChar);
}

std::string AsciiUpper(std::string_view s, LeadByteRule lead) {
    return MapLetters(s, lead, AsciiUpperChar);
}

int CompareTextAscii(std::string_view a, std::string_view b, LeadByteRule lead) {
    const std::size_t n = a.size() < b.size() ? a.size() : b.size();
    bool trail = false;
    for (std::size_t i = 0; i < n; ++i) {
        auto ca = static_cast<unsigned char>(a[i]);
        auto cb = static_cast<unsigned char>(b[i]);
        if (!trail) {
            ca = static_cast<unsigned char>(AsciiLowerChar(static_cast<char>(ca)));
            cb = static_cast<unsigned char>(AsciiLowerChar(static_cast<char>(cb)));
        }
        if (ca != cb)
            return ca < cb ? -1 : 1;
        // Equal bytes so far: both strings agree on whether the next byte is a trail byte.
        trail = !trail && lead(static_cast<unsigned char>(a[i]));
    }
    if (a.size() == b.size())
        return 0;
    return a.size() < b.size() ? -1 : 1;
}

bool SameTextAscii(std::string_view a, std::string_view b, LeadByteRule lead) {
    return a.size() == b.size() && CompareTextAscii(a, b, lead) == 0;
}

std::string FormatV(const char* fmt, va_list args) {
    va_list copy;
    va_copy(copy, args);
    const int needed = std::vsnprintf(nullptr, 0, fmt, copy);
    va_end(copy);
    if (needed <= 0)
        return std::string();
    std::vector<char> buffer(static_cast<std::size_t>(needed) + 1);
    std::vsnprintf(buffer.data(), buffer.size(), fmt, args);
    return std::string(buffer.data(), static_cast<std::size_t>(needed));
}

std::string Format(const char* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    std::string out = FormatV(fmt, args);
    va_end(args);
    return out;
}

namespace {

int DigitValue(char c, int base) {
    int v = -1;
    if (c >= '0' && c <= '9')
        v = c - '0';
    else if (c >= 'a' && c <= 'f')
        v = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F')
        v = c - 'A' + 10;
    return v < base ? v : -1;
}

} // namespace

bool TryParseInt(std::string_view text, int& value) {
    std::size_t i = 0;
    // Leading blanks are tolerated as the platform's own conversion does.
    while (i < text.size() && text[i] == ' ')
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    int base = 10;
    if (i < text.size() && text[i] == '$') {
        base = 16;
        ++i;
    } else if (text.size() - i > 2 && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i >= text.size())
        return false;
    // Hexadecimal texts cover the whole 32-bit pattern (0xFFFFFFFF is -1), as colour values
    // are written that way; decimal texts must fit a signed 32-bit value.
    unsigned long long acc = 0;
    for (; i < text.size(); ++i) {
        const int d = DigitValue(text[i], base);
        if (d < 0)
            return false;
        acc = acc * static_cast<unsigned>(base) + static_cast<unsigned>(d);
        if (acc > 0xFFFFFFFFull)
            return false;
    }
    long long result;
    if (base == 16) {
        result = static_cast<long long>(static_cast<int>(static_cast<unsigned>(acc)));
        if (negative)
            result = -result;
        if (result > INT_MAX || result < INT_MIN)
            return false;
    } else {
        result = negative ? -static_cast<long long>(acc) : static_cast<long long>(acc);
        if (result > INT_MAX || result < INT_MIN)
            return false;
    }
    value = static_cast<int>(result);
    return true;
}

} // namespace tovane
