// Where a picture lives: a named picture inside a place. Today every place is a folder and
// every picture a file of it; the cache key, the labels, the decoding host's source and the
// error reports all go through this one value, so that other kinds of place need no change
// there.
#pragma once

#include <string>

namespace tovane {

struct TPictureLocation {
    std::wstring Place; // as the folder list spells it (no trailing backslash but a root's)
    std::wstring Name;  // the picture's name inside its place

    // The location of a file by its full path.
    static TPictureLocation OfFile(const std::wstring& path);

    bool Empty() const noexcept { return Name.empty(); }
    // The file to read: the place, a backslash unless it ends in one, and the name.
    std::wstring Path() const;
    // What labels and reports call it.
    const std::wstring& DisplayName() const noexcept { return Name; }
    const std::wstring& PlaceLabel() const noexcept { return Place; }
    // Names the picture among all others (the cache's key); equal for equal locations.
    std::wstring Key() const { return Path(); }

    friend bool operator==(const TPictureLocation&, const TPictureLocation&) = default;
};

} // namespace tovane
