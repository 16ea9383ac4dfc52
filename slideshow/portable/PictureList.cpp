#include "slideshow/portable/PictureList.h"

#include <stdexcept>
#include <utility>

namespace tovane {

void TPictureList::Assign(std::wstring place, std::vector<std::wstring> names, bool inArchive) {
    FPlace = std::move(place);
    FNames = std::move(names);
    FInArchive = inArchive;
    FIndex = -1;
}

void TPictureList::Clear() {
    FNames.clear();
    FIndex = -1;
}

const std::wstring& TPictureList::Item(int index) const {
    if (index < 0 || index >= Count())
        throw std::out_of_range("picture list index");
    return FNames[static_cast<std::size_t>(index)];
}

TPictureLocation TPictureList::Location(int index) const {
    return TPictureLocation{FPlace, Item(index), FInArchive};
}

void TPictureList::SetItemIndex(int index) noexcept {
    FIndex = index >= 0 && index < Count() ? index : -1;
}

TPictureLocation TPictureList::Selected() const {
    return FIndex >= 0 ? Location(FIndex) : TPictureLocation{};
}

} // namespace tovane
