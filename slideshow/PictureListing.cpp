#include "slideshow/PictureListing.h"

#include "framework/FileMask.h"
#include "framework/win32/FileCtrls.h"
#include "framework/win32/Handles.h"
#include "framework/win32/Text.h"
#include "imaging/ArchiveReader.h"
#include "imaging/portable/PhotoDate.h"

#include <windows.h>

#include <algorithm>
#include <functional>
#include <vector>

namespace tovane {

namespace {

// A photo's EXIF lies at its start (a JPEG's APP1 holds at most 64 KiB); reading no more keeps a
// folder of large pictures quick to list.
constexpr DWORD kHeadBytes = 128 * 1024;

std::int64_t LocalNumber(const FILETIME& utc) {
    FILETIME local;
    SYSTEMTIME t;
    if (!FileTimeToLocalFileTime(&utc, &local) || !FileTimeToSystemTime(&local, &t))
        return 0;
    return DateTimeNumber(t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond);
}

std::vector<std::wstring> Ordered(const std::wstring& folder, std::vector<std::wstring> names,
                                  const TListingOrder& order, bool inArchive = false) {
    std::vector<TDatedName> dated;
    if (order.Order == TPictureOrder::DateTaken && !inArchive) {
        dated.reserve(names.size());
        for (const std::wstring& name : names)
            dated.push_back({name, PictureTakenAt(TPictureLocation{folder, name}.Path())});
    }
    std::mt19937_64 random(order.Seed ^ std::hash<std::wstring>{}(folder));
    OrderNames(names, order.Order, NameSortKey, dated, random);
    return names;
}

} // namespace

std::int64_t PictureTakenAt(const std::wstring& path) {
    UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file)
        return 0;
    std::vector<std::uint8_t> head(kHeadBytes);
    DWORD got = 0;
    if (ReadFile(file.Get(), head.data(), kHeadBytes, &got, nullptr)) {
        head.resize(got);
        if (const auto taken = PhotoTakenAt(head))
            return *taken;
    }
    FILETIME written;
    return GetFileTime(file.Get(), nullptr, nullptr, &written) ? LocalNumber(written) : 0;
}

bool IsArchivePlace(const std::wstring& place, const TArchiveReader* archives) {
    return archives != nullptr && archives->IsArchiveFile(place);
}

namespace {

// The entries of the archive whose names match mask, by their paths inside it; raises when no
// archive module reads it.
std::vector<std::wstring> MatchingEntries(const std::wstring& archive, const std::string& mask,
                                          TArchiveReader& archives) {
    const std::optional<std::vector<TArchiveEntry>> entries = archives.Entries(archive);
    if (!entries)
        throw Exception(WideToUtf8(archive) + ": 書庫を読めません");
    const std::wstring wideMask = AnsiToWide(mask);
    std::vector<std::wstring> names;
    for (const TArchiveEntry& entry : *entries) {
        const std::size_t slash = entry.Name.find_last_of(L'\\');
        if (MatchesMask(slash == std::wstring::npos ? entry.Name : entry.Name.substr(slash + 1),
                        wideMask))
            names.push_back(entry.Name);
    }
    SortByNameSortKey(names); // the plain order, as a folder's files come
    return names;
}

} // namespace

TPictureList ListPictures(const std::wstring& place, const std::string& mask,
                          const TListingOrder& order, TArchiveReader* archives) {
    TPictureList list;
    if (IsArchivePlace(place, archives)) {
        list.Assign(place, Ordered(place, MatchingEntries(place, mask, *archives), order, true),
                    true);
        return list;
    }
    const std::wstring folder = ResolveFolder(place);
    list.Assign(folder, Ordered(folder, ListMatchingFiles(folder, mask), order));
    return list;
}

TPictureList ListPicturesAcrossPlaces(const std::vector<std::wstring>& places,
                                      const std::string& mask, std::uint64_t seed,
                                      std::map<std::wstring, int>* folders,
                                      TArchiveReader* archives) {
    std::vector<TPictureLocation> pictures;
    for (std::size_t i = 0; i < places.size(); ++i) {
        TPictureList place;
        try {
            place = ListPictures(places[i], mask, {}, archives);
        } catch (...) {
            continue; // gone, or not to be read now
        }
        if (folders != nullptr)
            folders->emplace(place.Directory(), static_cast<int>(i));
        for (int k = 0; k < place.Count(); ++k)
            pictures.push_back(place.Location(k));
    }
    std::mt19937_64 random(seed);
    std::shuffle(pictures.begin(), pictures.end(), random);
    TPictureList list;
    list.Assign(pictures);
    return list;
}

void RelistPictures(TPictureList& list, const std::string& mask, const TListingOrder& order,
                    TArchiveReader* archives) {
    if (list.Directory().empty())
        return;
    if (list.InArchive()) {
        std::vector<std::wstring> names;
        try {
            if (archives != nullptr)
                names = MatchingEntries(list.Directory(), mask, *archives);
        } catch (const std::exception&) {
            // gone or unreadable now: no pictures
        }
        list.Assign(list.Directory(), Ordered(list.Directory(), std::move(names), order, true),
                    true);
        return;
    }
    list.Assign(list.Directory(),
                Ordered(list.Directory(), ListMatchingFiles(list.Directory(), mask), order));
}

} // namespace tovane
