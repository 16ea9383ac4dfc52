// Lists a place's pictures for the slideshow's picture list. The one unit that knows whether a
// place is a folder or an archive, and the one place the list's order is decided.
#pragma once

#include "slideshow/portable/PictureList.h"
#include "slideshow/portable/PictureOrder.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace tovane {

class TArchiveReader;

// The order to list in. A shuffle draws from Seed and the place's name, so the same place
// listed again with the same seed (on any thread: decoding ahead) gives the same order.
struct TListingOrder {
    TPictureOrder Order = TPictureOrder::Plain;
    std::uint64_t Seed = 0;
};

// The pictures of the folder whose names match mask (ANSI, as "*.jpg;*.png"), in the order
// asked for; the plain order sorts them ignoring case. The place is spelt as the system spells
// the folder (its full path, no trailing backslash but a root's). Raises an Exception when the
// folder cannot be opened. Any thread.
//
// A place that is an archive file (by an archive module's extension, with archives given) is
// listed by its entries instead: those whose names match mask, by their paths inside it (an
// entry that is itself an archive matches no picture's mask and is left out).
TPictureList ListPictures(const std::wstring& place, const std::string& mask,
                          const TListingOrder& order = {}, TArchiveReader* archives = nullptr);

// The pictures of every place (a shuffle across places): each listed by mask as ListPictures
// lists it in the plain order (a place that cannot be opened gives none), then all of them in one
// random order drawn from seed. folders, when given, receives each listed place's index in
// places, by the place's spelling in the list. Any thread.
TPictureList ListPicturesAcrossPlaces(const std::vector<std::wstring>& places,
                                      const std::string& mask, std::uint64_t seed,
                                      std::map<std::wstring, int>* folders = nullptr,
                                      TArchiveReader* archives = nullptr);

// Lists the list's place again by mask (no pictures when it cannot be read now); nothing
// selected afterwards.
void RelistPictures(TPictureList& list, const std::string& mask, const TListingOrder& order = {},
                    TArchiveReader* archives = nullptr);

// Whether the place is an archive that archives can read (a file, not a folder, of an archive
// module's extension).
bool IsArchivePlace(const std::wstring& place, const TArchiveReader* archives);

// When the file was taken as a photo (its EXIF DateTimeOriginal), else when it was last
// written, as YYYYMMDDhhmmss in local time; 0 when neither can be read.
std::int64_t PictureTakenAt(const std::wstring& path);

} // namespace tovane
