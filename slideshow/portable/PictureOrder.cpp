#include "slideshow/portable/PictureOrder.h"

#include <algorithm>
#include <unordered_map>

namespace tovane {

namespace {

// The value of a digit, ASCII or full-width; -1 for any other character.
int DigitValue(wchar_t c) noexcept {
    if (c >= L'0' && c <= L'9')
        return c - L'0';
    if (c >= 0xFF10 && c <= 0xFF19)
        return c - 0xFF10;
    return -1;
}

std::size_t RunEnd(std::wstring_view s, std::size_t at, bool digits) {
    while (at < s.size() && (DigitValue(s[at]) >= 0) == digits)
        ++at;
    return at;
}

// Two runs of digits by value: without their leading zeros, the longer is larger, and runs of
// one length compare digit by digit.
int CompareNumbers(std::wstring_view a, std::wstring_view b) {
    auto significant = [](std::wstring_view s) {
        std::size_t i = 0;
        while (i + 1 < s.size() && DigitValue(s[i]) == 0)
            ++i;
        return s.substr(i);
    };
    const std::wstring_view x = significant(a), y = significant(b);
    if (x.size() != y.size())
        return x.size() < y.size() ? -1 : 1;
    for (std::size_t i = 0; i < x.size(); ++i)
        if (const int d = DigitValue(x[i]) - DigitValue(y[i]); d != 0)
            return d;
    return 0;
}

int CompareKeys(std::wstring_view a, std::wstring_view b, TNameSortKey plainKey) {
    const int c = plainKey(a).compare(plainKey(b));
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

} // namespace

TPictureOrder PictureOrderOf(int value) noexcept {
    return value >= 0 && value <= 3 ? static_cast<TPictureOrder>(value) : TPictureOrder::Plain;
}

int NaturalCompare(std::wstring_view a, std::wstring_view b, TNameSortKey plainKey) {
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        const bool digitA = DigitValue(a[i]) >= 0, digitB = DigitValue(b[j]) >= 0;
        if (digitA && digitB) {
            const std::size_t ei = RunEnd(a, i, true), ej = RunEnd(b, j, true);
            if (const int c = CompareNumbers(a.substr(i, ei - i), b.substr(j, ej - j)); c != 0)
                return c;
            i = ei;
            j = ej;
            continue;
        }
        const std::size_t ei = RunEnd(a, i, false), ej = RunEnd(b, j, false);
        if (digitA || digitB || CompareKeys(a.substr(i, ei - i), b.substr(j, ej - j), plainKey))
            break; // the names part here: the plain order of what follows decides
        i = ei;
        j = ej;
    }
    if (const int c = CompareKeys(a.substr(i), b.substr(j), plainKey); c != 0)
        return c;
    // Equal numbers spelt differently (01 and 1, ５ and 5): the plain order of the names.
    return CompareKeys(a, b, plainKey);
}

void OrderNames(std::vector<std::wstring>& names, TPictureOrder order, TNameSortKey plainKey,
                const std::vector<TDatedName>& dated, std::mt19937_64& random) {
    auto natural = [plainKey](const std::wstring& x, const std::wstring& y) {
        return NaturalCompare(x, y, plainKey) < 0;
    };
    switch (order) {
    case TPictureOrder::Plain:
        return;
    case TPictureOrder::Natural:
        std::stable_sort(names.begin(), names.end(), natural);
        return;
    case TPictureOrder::DateTaken: {
        std::unordered_map<std::wstring, std::int64_t> taken;
        for (const TDatedName& d : dated)
            taken.emplace(d.Name, d.Taken);
        auto when = [&taken](const std::wstring& name) {
            const auto it = taken.find(name);
            return it == taken.end() ? std::int64_t{0} : it->second;
        };
        std::stable_sort(names.begin(), names.end(),
                         [&](const std::wstring& x, const std::wstring& y) {
                             const std::int64_t tx = when(x), ty = when(y);
                             return tx != ty ? tx < ty : natural(x, y);
                         });
        return;
    }
    case TPictureOrder::Shuffle:
        std::shuffle(names.begin(), names.end(), random);
        return;
    }
}

} // namespace tovane
