// Where each place's slideshow was left: the picture shown last and the one after it in the
// list then, for the most recent places. Kept as UTF-8 text, one place a line:
// place TAB picture TAB next picture (no file name holds a tab or a line break).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tovane {

struct TResumePoint {
    std::string Place; // UTF-8, as the picture list spells it
    std::string Name;  // the picture shown last
    std::string Next;  // the picture after it then; empty when it was the last
    friend bool operator==(const TResumePoint&, const TResumePoint&) = default;
};

class TResumePoints {
public:
    static constexpr std::size_t kMaxPlaces = 500;

    // Lines that do not read as a point (no tab, an empty place or name) are left out, as are
    // places named twice after their first (most recent) line.
    static TResumePoints Parse(std::string_view text);
    std::string Text() const;

    // The point of place; nullptr when there is none.
    const TResumePoint* Find(std::string_view place) const;
    // Makes the point the most recent of its place; the least recent past kMaxPlaces go.
    void Remember(TResumePoint point);
    const std::vector<TResumePoint>& Points() const noexcept { return FPoints; }

private:
    std::vector<TResumePoint> FPoints; // the most recent first
};

// The index a show resumes at among names (the place's pictures in the list's order): the
// picture left at; when it is gone, the one that followed it then; when that is gone too, the
// first that the order puts after the picture (less: the list's order); 0 when none does.
template <typename Name, typename Less>
int ResumeIndex(const std::vector<Name>& names, const Name& left, const Name& next, Less less) {
    for (const Name* wanted : {&left, &next})
        for (std::size_t i = 0; i < names.size(); ++i)
            if (!wanted->empty() && names[i] == *wanted)
                return static_cast<int>(i);
    for (std::size_t i = 0; i < names.size(); ++i)
        if (less(left, names[i]))
            return static_cast<int>(i);
    return 0;
}

} // namespace tovane
