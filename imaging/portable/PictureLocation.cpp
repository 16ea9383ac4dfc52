#include "imaging/portable/PictureLocation.h"

namespace tovane {

TPictureLocation TPictureLocation::OfFile(const std::wstring& path) {
    const std::size_t slash = path.find_last_of(L"\\/");
    if (slash == std::wstring::npos)
        return {std::wstring(), path, false};
    // A root keeps its backslash, as the folder list spells it.
    const bool root = slash == 2 && path.size() > 1 && path[1] == L':';
    return {path.substr(0, root ? slash + 1 : slash), path.substr(slash + 1), false};
}

std::wstring TPictureLocation::Path() const {
    if (InArchive)
        return Place;
    if (Place.empty())
        return Name;
    const wchar_t last = Place.back();
    return last == L'\\' || last == L'/' ? Place + Name : Place + L'\\' + Name;
}

} // namespace tovane
