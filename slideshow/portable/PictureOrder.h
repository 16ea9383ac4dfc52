// The orders a place's pictures can be listed in ("[SlideShow] Order"), and the comparisons
// behind them. The plain order, the names sorted ignoring case, is the system's (the file
// listing's sort key); the other orders are decided here from it.
#pragma once

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace tovane {

enum class TPictureOrder : std::uint8_t {
    Plain = 0,     // the names ignoring case, as text: img10 before img2
    Natural = 1,   // runs of digits by their value: img2 before img10
    DateTaken = 2, // when the photo was taken (else the file's write time), ties by Natural
    Shuffle = 3,   // a random order
};

// The order a stored setting asks for; a value outside 0 to 3 lists in the plain order.
TPictureOrder PictureOrderOf(int value) noexcept;

// The plain order's sort key of a name (or of a piece of one): keys compare as bytes.
using TNameSortKey = std::string (*)(std::wstring_view name);

// Natural order: <0, 0 or >0. A run of digits (ASCII or full-width, mixed too) compares with a
// run of digits by its value, however long; everything else compares as the plain order does.
// Names equal so (01 and 1) compare by the plain order of the whole names.
int NaturalCompare(std::wstring_view a, std::wstring_view b, TNameSortKey plainKey);

// A picture's name and the moment it was taken, as a number that grows with the time
// (YYYYMMDDhhmmss in local time).
struct TDatedName {
    std::wstring Name;
    std::int64_t Taken = 0;
};

// Puts names into the order asked for. Names come in the plain order; Plain leaves them so.
// dated gives each name's moment and is read only for DateTaken (it must then list the same
// names); random is drawn from only for Shuffle.
void OrderNames(std::vector<std::wstring>& names, TPictureOrder order, TNameSortKey plainKey,
                const std::vector<TDatedName>& dated, std::mt19937_64& random);

// The order of a shuffled list's next round: the same pictures (names, or locations) in a new
// random order whose first is not the last of the round before (when there are two or more).
template <typename Picture>
std::vector<Picture> NextShuffleRound(const std::vector<Picture>& round, std::mt19937_64& random) {
    std::vector<Picture> next = round;
    std::shuffle(next.begin(), next.end(), random);
    if (next.size() >= 2 && next.front() == round.back()) {
        // Swapped with any other place: every order that does not repeat stays as likely.
        std::uniform_int_distribution<std::size_t> other(1, next.size() - 1);
        std::swap(next.front(), next[other(random)]);
    }
    return next;
}

} // namespace tovane
