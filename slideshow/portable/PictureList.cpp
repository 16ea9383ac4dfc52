#include "slideshow/portable/PictureList.h"

#include <stdexcept>
#include <utility>

namespace tovane {

void TPictureList::Assign(std::wstring place, std::vector<std::wstring> names) {
    FPlace = std::move(place);
    FNames = std::move(names);
    FPlaces.clear();
    FIndex = -1;
}

void TPictureList::Assign(const std::vector<TPictureLocation>& pictures) {
    FNames.clear();
    FPlaces.clear();
    for (const TPictureLocation& picture : pictures) {
        FNames.push_back(picture.Name);
        FPlaces.push_back(picture.Place);
    }
    if (!FPlaces.empty())
        FPlace = FPlaces.front();
    FIndex = -1;
}

void TPictureList::Clear() {
    FNames.clear();
    FPlaces.clear();
    FIndex = -1;
}

const std::wstring& TPictureList::Item(int index) const {
    if (index < 0 || index >= Count())
        throw std::out_of_range("picture list index");
    return FNames[static_cast<std::size_t>(index)];
}

TPictureLocation TPictureList::Location(int index) const {
    const std::wstring& name = Item(index);
    return TPictureLocation{FPlaces.empty() ? FPlace : FPlaces[static_cast<std::size_t>(index)],
                            name};
}

std::vector<TPictureLocation> TPictureList::Locations() const {
    std::vector<TPictureLocation> locations;
    for (int i = 0; i < Count(); ++i)
        locations.push_back(Location(i));
    return locations;
}

void TPictureList::SetItemIndex(int index) noexcept {
    FIndex = index >= 0 && index < Count() ? index : -1;
    if (FIndex >= 0 && !FPlaces.empty())
        FPlace = FPlaces[static_cast<std::size_t>(FIndex)];
}

TPictureLocation TPictureList::Selected() const {
    return FIndex >= 0 ? Location(FIndex) : TPictureLocation{};
}

} // namespace tovane
