#include "slideshow/PictureListing.h"

#include "framework/win32/FileCtrls.h"

namespace tovane {

TPictureList ListPictures(const std::wstring& place, const std::string& mask) {
    const std::wstring folder = ResolveFolder(place);
    TPictureList list;
    list.Assign(folder, ListMatchingFiles(folder, mask));
    return list;
}

void RelistPictures(TPictureList& list, const std::string& mask) {
    if (list.Directory().empty())
        return;
    list.Assign(list.Directory(), ListMatchingFiles(list.Directory(), mask));
}

} // namespace tovane
