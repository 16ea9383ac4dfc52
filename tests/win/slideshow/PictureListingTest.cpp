// The slideshow's listing of a folder in each order, over real files: the names, their write
// times and the EXIF block of a photo.
#include "framework/win32/Text.h"
#include "imaging/portable/PhotoDate.h"
#include "slideshow/PictureListing.h"
#include "tests/win/Harness.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

using namespace tovane;

namespace {

std::vector<std::wstring> Names(const TPictureList& list) {
    return list.Items();
}

void SetWriteTime(const std::string& path, int year, int month, int day) {
    const SYSTEMTIME local{
        static_cast<WORD>(year), static_cast<WORD>(month), 0, static_cast<WORD>(day), 12, 0, 0, 0};
    SYSTEMTIME utc;
    FILETIME time;
    ASSERT_TRUE(TzSpecificLocalTimeToSystemTime(nullptr, &local, &utc));
    ASSERT_TRUE(SystemTimeToFileTime(&utc, &time));
    HANDLE file =
        CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(SetFileTime(file, nullptr, nullptr, &time));
    CloseHandle(file);
}

// A JPEG's start with an EXIF block whose DateTimeOriginal is date.
std::string JpegTakenAt(const std::string& date) {
    std::string tiff("II*\0\x08\0\0\0", 8);
    tiff += std::string("\x01\0\x69\x87\x04\0\x01\0\0\0\x1A\0\0\0\0\0\0\0", 18); // IFD0
    tiff += std::string("\x01\0\x03\x90\x02\0\x14\0\0\0\x2C\0\0\0\0\0\0\0", 18); // Exif IFD
    tiff += date + '\0';
    std::string jpeg("\xFF\xD8\xFF\xE1", 4);
    const std::size_t length = tiff.size() + 8;
    jpeg += static_cast<char>(length >> 8);
    jpeg += static_cast<char>(length & 0xFF);
    jpeg += std::string("Exif\0\0", 6) + tiff + "\xFF\xDA";
    return jpeg;
}

} // namespace

TEST(PictureListing, ListsInTheOrderAsked) {
    harness::ScratchFolder scratch("listing");
    for (int i = 1; i <= 12; ++i)
        scratch.Write("img" + std::to_string(i) + ".jpg", "x");
    const std::wstring place = AnsiToWide(scratch.Path());

    const TPictureList plain = ListPictures(place, "*.jpg;");
    ASSERT_EQ(plain.Count(), 12);
    EXPECT_EQ(plain.Item(1), L"img10.jpg");
    const TPictureList natural = ListPictures(place, "*.jpg;", {TPictureOrder::Natural});
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(natural.Item(i), L"img" + std::to_wstring(i + 1) + L".jpg");

    // A shuffle of one seed is the same wherever the place is listed (decoding ahead lists it
    // on another thread); another seed gives another order of the same names.
    const TListingOrder shuffled{TPictureOrder::Shuffle, 42};
    const TPictureList once = ListPictures(place, "*.jpg;", shuffled);
    EXPECT_EQ(Names(once), Names(ListPictures(place, "*.jpg;", shuffled)));
    std::vector<std::wstring> other = Names(ListPictures(place, "*.jpg;", {shuffled.Order, 43}));
    EXPECT_NE(other, Names(once));
    std::sort(other.begin(), other.end());
    std::vector<std::wstring> all = Names(plain);
    std::sort(all.begin(), all.end());
    EXPECT_EQ(other, all);
}

TEST(PictureListing, DateTakenFromExifElseTheWriteTime) {
    harness::ScratchFolder scratch("dated");
    // Written in 2022, taken in 2019: the photo's date counts.
    SetWriteTime(scratch.Write("photo.jpg", JpegTakenAt("2019:05:01 10:00:00")), 2022, 1, 1);
    SetWriteTime(scratch.Write("new.jpg", "no exif"), 2021, 3, 1);
    SetWriteTime(scratch.Write("old.jpg", "no exif"), 2018, 3, 1);
    // Equal times: natural order.
    SetWriteTime(scratch.Write("same10.jpg", "no exif"), 2020, 6, 1);
    SetWriteTime(scratch.Write("same9.jpg", "no exif"), 2020, 6, 1);

    EXPECT_EQ(PictureTakenAt(AnsiToWide(scratch.Sub("photo.jpg"))),
              DateTimeNumber(2019, 5, 1, 10, 0, 0));
    EXPECT_EQ(PictureTakenAt(AnsiToWide(scratch.Sub("old.jpg"))),
              DateTimeNumber(2018, 3, 1, 12, 0, 0));
    EXPECT_EQ(PictureTakenAt(AnsiToWide(scratch.Sub("gone.jpg"))), 0);

    const TPictureList list =
        ListPictures(AnsiToWide(scratch.Path()), "*.jpg;", {TPictureOrder::DateTaken});
    EXPECT_EQ(Names(list), (std::vector<std::wstring>{L"old.jpg", L"photo.jpg", L"same9.jpg",
                                                      L"same10.jpg", L"new.jpg"}));
}
