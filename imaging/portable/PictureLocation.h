// Where a picture lives: a named picture inside a place. A place is a folder, whose pictures
// are its files, or an archive, whose pictures are its entries; the cache key, the labels, the
// decoding host's source and the error reports all go through this one value.
#pragma once

#include <string>

namespace tovane {

struct TPictureLocation {
    std::wstring Place;     // as the folder list spells it (no trailing backslash but a root's)
    std::wstring Name;      // the picture's name inside its place (an entry's path in an archive)
    bool InArchive = false; // the place is an archive file

    // The location of a file by its full path.
    static TPictureLocation OfFile(const std::wstring& path);

    bool Empty() const noexcept { return Name.empty(); }
    // The file to read: the place, a backslash unless it ends in one, and the name; for an
    // archive's entry, the archive.
    std::wstring Path() const;
    // What labels and reports call it.
    const std::wstring& DisplayName() const noexcept { return Name; }
    const std::wstring& PlaceLabel() const noexcept { return Place; }
    // Names the picture among all others (the cache's key); equal for equal locations. An
    // entry's is the archive's path, "|" (no file name holds one) and the entry's path.
    std::wstring Key() const { return InArchive ? Place + L"|" + Name : Path(); }

    friend bool operator==(const TPictureLocation&, const TPictureLocation&) = default;
};

} // namespace tovane
