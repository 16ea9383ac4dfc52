#include "slideshow/portable/PictureList.h"

#include <stdexcept>
#include <utility>

namespace tovane {

void TPictureList::Assign(std::wstring place, std::vector<std::wstring> names, bool inArchive) {
    FPlace = std::move(place);
    FInArchive = inArchive;
    FNames = std::move(names);
    FPlaces.clear();
    FPlacesInArchive.clear();
    FIndex = -1;
}

void TPictureList::Assign(const std::vector<TPictureLocation>& pictures) {
    FNames.clear();
    FPlaces.clear();
    FPlacesInArchive.clear();
    for (const TPictureLocation& picture : pictures) {
        FNames.push_back(picture.Name);
        FPlaces.push_back(picture.Place);
        FPlacesInArchive.push_back(picture.InArchive);
    }
    if (!FPlaces.empty()) {
        FPlace = FPlaces.front();
        FInArchive = FPlacesInArchive.front();
    }
    FIndex = -1;
}

void TPictureList::Clear() {
    FNames.clear();
    FPlaces.clear();
    FPlacesInArchive.clear();
    FIndex = -1;
}

const std::wstring& TPictureList::Item(int index) const {
    if (index < 0 || index >= Count())
        throw std::out_of_range("picture list index");
    return FNames[static_cast<std::size_t>(index)];
}

TPictureLocation TPictureList::Location(int index) const {
    const std::wstring& name = Item(index);
    if (FPlaces.empty())
        return TPictureLocation{FPlace, name, FInArchive};
    const auto i = static_cast<std::size_t>(index);
    return TPictureLocation{FPlaces[i], name, FPlacesInArchive[i]};
}

std::vector<TPictureLocation> TPictureList::Locations() const {
    std::vector<TPictureLocation> locations;
    for (int i = 0; i < Count(); ++i)
        locations.push_back(Location(i));
    return locations;
}

void TPictureList::SetItemIndex(int index) noexcept {
    FIndex = index >= 0 && index < Count() ? index : -1;
    if (FIndex >= 0 && !FPlaces.empty()) {
        FPlace = FPlaces[static_cast<std::size_t>(FIndex)];
        FInArchive = FPlacesInArchive[static_cast<std::size_t>(FIndex)];
    }
}

TPictureLocation TPictureList::Selected() const {
    return FIndex >= 0 ? Location(FIndex) : TPictureLocation{};
}

} // namespace tovane
