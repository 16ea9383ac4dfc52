// The slideshow's model of a picture list: the pictures of one place in the slideshow's order
// and the one shown. The window, its navigation rules and the picture pipeline's read-ahead all
// read this one list; whoever lists a place (slideshow/PictureListing.h) fills it.
#pragma once

#include "imaging/portable/PictureLocation.h"

#include <string>
#include <vector>

namespace tovane {

class TPictureList {
public:
    // The place and its pictures' names in the list's order; nothing selected. inArchive: the
    // place is an archive, the names its entries' paths.
    void Assign(std::wstring place, std::vector<std::wstring> names, bool inArchive = false);
    // Pictures of any places (a shuffle across places), in the list's order; nothing selected.
    void Assign(const std::vector<TPictureLocation>& pictures);
    void Clear();

    // The place listed; empty before the first Assign. A list of several places gives the
    // place of the selected picture (of the first while none is selected).
    const std::wstring& Directory() const noexcept { return FPlace; }
    // Whether that place is an archive.
    bool InArchive() const noexcept { return FInArchive; }
    int Count() const noexcept { return static_cast<int>(FNames.size()); }
    const std::vector<std::wstring>& Items() const noexcept { return FNames; }
    // The name of picture index (0 to Count() - 1).
    const std::wstring& Item(int index) const;
    TPictureLocation Location(int index) const;
    // Every picture's location, in the list's order.
    std::vector<TPictureLocation> Locations() const;

    // The selected picture; -1 when none is. Selecting an index outside the list selects none.
    int ItemIndex() const noexcept { return FIndex; }
    void SetItemIndex(int index) noexcept;
    // The selected picture's location; empty when nothing is selected.
    TPictureLocation Selected() const;

private:
    std::wstring FPlace;
    bool FInArchive = false;
    std::vector<std::wstring> FNames;
    // For a list of several places: each picture's place and whether it is an archive; else
    // empty.
    std::vector<std::wstring> FPlaces;
    std::vector<bool> FPlacesInArchive;
    int FIndex = -1;
};

} // namespace tovane
