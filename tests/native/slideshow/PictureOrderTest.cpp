#include "imaging/portable/PhotoDate.h"
#include "slideshow/portable/PictureList.h"
#include "slideshow/portable/PictureOrder.h"
#include "slideshow/portable/ShuffleRounds.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

using namespace tovane;

namespace {

// The plain order's key as the listing makes it for names of no code page: ASCII letters
// lowered, every code unit as two bytes, high byte first.
std::string PlainKey(std::wstring_view name) {
    std::string key;
    for (wchar_t c : name) {
        if (c >= L'A' && c <= L'Z')
            c = static_cast<wchar_t>(c - L'A' + L'a');
        key += static_cast<char>((c >> 8) & 0xFF);
        key += static_cast<char>(c & 0xFF);
    }
    return key;
}

int Sign(int v) {
    return (v > 0) - (v < 0);
}

} // namespace

TEST(PictureOrder, NaturalOrderCases) {
    struct Case {
        const wchar_t* A;
        const wchar_t* B;
        int Expected;
    };
    const Case cases[] = {
        {L"img2.jpg", L"img10.jpg", -1},
        {L"IMG2.jpg", L"img10.jpg", -1}, // case ignored, as in the plain order
        {L"img2.jpg", L"img2.png", -1},  // no number decides: plain order
        {L"img", L"img1", -1},           // a name before its longer self
        {L"img 1", L"img2", -1},         // the space sorts before a digit, as in plain order
        {L"x9y", L"x10a", -1},           // the number decides before what follows it
        {L"a2b10", L"a2b9", 1},          // every run of digits counts
        {L"img02.jpg", L"img2.jpg", -1}, // equal values: plain order ("0" before "2")
        {L"img1.jpg", L"img01.jpg", 1},  //
        {L"a0", L"a00", -1},             //
        {L"img007", L"img7", -1},        //
        {L"img010", L"img9", 1},         // leading zeros do not make a number larger
        {L"a99999999999999999999", L"a100000000000000000000", -1}, // past 64 bits
        {L"写真２.jpg", L"写真10.jpg", -1},                        // full-width digits are digits
        {L"写真１０.jpg", L"写真10.jpg", 1}, // one value in two widths: plain order
        {L"a1２", L"a11", 1},                // one run of mixed width: 12
        {L"第3話", L"第12話", -1},
        {L"さくら", L"ひまわり", -1}, // no digits: plain order
        {L"img10.jpg", L"img10.jpg", 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Sign(NaturalCompare(c.A, c.B, PlainKey)), c.Expected)
            << testing::PrintToString(std::wstring(c.A)) << " "
            << testing::PrintToString(std::wstring(c.B));
        EXPECT_EQ(Sign(NaturalCompare(c.B, c.A, PlainKey)), -c.Expected);
    }
}

TEST(PictureOrder, OrdersTheNamesAsAsked) {
    std::vector<std::wstring> plain;
    for (int i = 1; i <= 12; ++i)
        plain.push_back(L"img" + std::to_wstring(i) + L".jpg");
    std::sort(plain.begin(), plain.end(),
              [](const auto& a, const auto& b) { return PlainKey(a) < PlainKey(b); });
    ASSERT_EQ(plain[1], L"img10.jpg");
    std::mt19937_64 random(1);

    std::vector<std::wstring> names = plain;
    OrderNames(names, TPictureOrder::Plain, PlainKey, {}, random);
    EXPECT_EQ(names, plain);

    OrderNames(names, TPictureOrder::Natural, PlainKey, {}, random);
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(names[static_cast<std::size_t>(i)], L"img" + std::to_wstring(i + 1) + L".jpg");

    // Date taken: the older first; equal moments (and names of no known moment) by natural order.
    names = {L"b10", L"b2", L"a", L"c"};
    const std::vector<TDatedName> dated = {{L"a", 20240102030405},
                                           {L"b10", 20230101000000},
                                           {L"b2", 20230101000000},
                                           {L"c", 20200101000000}};
    OrderNames(names, TPictureOrder::DateTaken, PlainKey, dated, random);
    EXPECT_EQ(names, (std::vector<std::wstring>{L"c", L"b2", L"b10", L"a"}));

    // Shuffle: the same names, not in the order given, and another order from another seed.
    names = plain;
    OrderNames(names, TPictureOrder::Shuffle, PlainKey, {}, random);
    std::vector<std::wstring> again = plain;
    std::mt19937_64 other(2);
    OrderNames(again, TPictureOrder::Shuffle, PlainKey, {}, other);
    EXPECT_NE(names, plain);
    EXPECT_NE(names, again);
    std::sort(names.begin(), names.end());
    std::sort(again.begin(), again.end());
    std::vector<std::wstring> sorted = plain;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(names, sorted);
    EXPECT_EQ(again, sorted);

    EXPECT_EQ(PictureOrderOf(3), TPictureOrder::Shuffle);
    EXPECT_EQ(PictureOrderOf(4), TPictureOrder::Plain);
    EXPECT_EQ(PictureOrderOf(-1), TPictureOrder::Plain);
}

TEST(PictureOrder, EachShuffleRoundIsANewOrderThatDoesNotRepeatAtTheBoundary) {
    for (std::size_t n : {1u, 2u, 3u, 12u}) {
        std::vector<std::wstring> round;
        for (std::size_t i = 0; i < n; ++i)
            round.push_back(L"p" + std::to_wstring(i));
        std::vector<std::wstring> sorted = round;
        std::sort(sorted.begin(), sorted.end());
        std::mt19937_64 random(n);
        int changed = 0;
        for (int r = 0; r < 200; ++r) {
            const std::vector<std::wstring> next = NextShuffleRound(round, random);
            if (n >= 2) {
                ASSERT_NE(next.front(), round.back()) << n << " round " << r;
            }
            changed += next != round;
            std::vector<std::wstring> names = next;
            std::sort(names.begin(), names.end());
            ASSERT_EQ(names, sorted); // every picture once per round
            round = next;
        }
        if (n >= 3) {
            EXPECT_GT(changed, 150) << n; // a new order, not the last one again
        }
    }
}

// Left and Right through the visited rounds of a repeating shuffle across two places: back into
// the round before and forward again through the same order; a new order only past the newest.
TEST(PictureOrder, ShuffleRoundsGoBackAcrossTheBoundaryAndForwardThroughTheSameOrder) {
    const std::vector<TPictureLocation> first = {
        {L"C:\\a", L"1.jpg"}, {L"C:\\b", L"1.jpg"}, {L"C:\\a", L"2.jpg"}, {L"C:\\b", L"2.jpg"}};
    std::mt19937_64 random(7);
    TShuffleRounds rounds;
    rounds.Begin(first);
    EXPECT_FALSE(rounds.Back()); // nothing before the first round
    const std::vector<TPictureLocation> second = rounds.Forward(random);
    EXPECT_NE(second.front(), first.back());
    ASSERT_TRUE(rounds.Back());
    EXPECT_EQ(rounds.Shown(), first);
    EXPECT_FALSE(rounds.Back()); // two rounds are kept
    EXPECT_EQ(rounds.Forward(random), second);
    const std::vector<TPictureLocation> third = rounds.Forward(random);
    EXPECT_NE(third.front(), second.back());
    std::vector<std::wstring> keys;
    for (const TPictureLocation& picture : third)
        keys.push_back(picture.Key());
    std::sort(keys.begin(), keys.end());
    EXPECT_EQ(keys, (std::vector<std::wstring>{L"C:\\a\\1.jpg", L"C:\\a\\2.jpg", L"C:\\b\\1.jpg",
                                               L"C:\\b\\2.jpg"}));
    ASSERT_TRUE(rounds.Back());
    EXPECT_EQ(rounds.Shown(), second);

    // A list of the round: each picture keeps its place, and the list's place is the selected
    // picture's.
    TPictureList list;
    list.Assign(third);
    EXPECT_EQ(list.Locations(), third);
    for (int i : {3, 0}) {
        list.SetItemIndex(i);
        EXPECT_EQ(list.Directory(), third[static_cast<std::size_t>(i)].Place);
        EXPECT_EQ(list.Selected(), third[static_cast<std::size_t>(i)]);
    }
}

namespace {

using Bytes = std::vector<std::uint8_t>;

void Put(Bytes& b, std::uint32_t v, int n, bool big) {
    for (int i = 0; i < n; ++i) {
        const int shift = big ? 8 * (n - 1 - i) : 8 * i;
        b.push_back(static_cast<std::uint8_t>(v >> shift));
    }
}

void Put(Bytes& b, std::string_view text) {
    b.insert(b.end(), text.begin(), text.end());
}

// A TIFF block whose IFD0 points to an Exif IFD holding DateTimeOriginal.
Bytes ExifTiff(std::string_view date, bool big = false) {
    Bytes b;
    Put(b, big ? "MM" : "II");
    Put(b, 42, 2, big);
    Put(b, 8, 4, big);
    // IFD0 at 8: one entry, the Exif IFD pointer, then no next IFD.
    Put(b, 1, 2, big);
    Put(b, 0x8769, 2, big);
    Put(b, 4, 2, big);
    Put(b, 1, 4, big);
    Put(b, 26, 4, big);
    Put(b, 0, 4, big);
    // Exif IFD at 26: DateTimeOriginal, ASCII of 20 at 44.
    Put(b, 1, 2, big);
    Put(b, 0x9003, 2, big);
    Put(b, 2, 2, big);
    Put(b, 20, 4, big);
    Put(b, 44, 4, big);
    Put(b, 0, 4, big);
    Put(b, date);
    b.push_back(0);
    return b;
}

Bytes Jpeg(const Bytes& tiff) {
    Bytes b = {0xFF, 0xD8, 0xFF, 0xE0, 0, 4, 0, 0}; // SOI and a short APP0
    b.insert(b.end(), {0xFF, 0xE1});
    Put(b, static_cast<std::uint32_t>(tiff.size() + 8), 2, true);
    Put(b, std::string_view("Exif\0\0", 6));
    b.insert(b.end(), tiff.begin(), tiff.end());
    b.insert(b.end(), {0xFF, 0xDA, 0, 2});
    return b;
}

Bytes Png(const Bytes& tiff) {
    Bytes b;
    Put(b, "\x89PNG\r\n\x1A\n");
    Put(b, 13, 4, true);
    Put(b, "IHDR");
    b.insert(b.end(), 13 + 4, 0);
    Put(b, static_cast<std::uint32_t>(tiff.size()), 4, true);
    Put(b, "eXIf");
    b.insert(b.end(), tiff.begin(), tiff.end());
    Put(b, 0, 4, true);
    return b;
}

Bytes Webp(const Bytes& tiff) {
    Bytes b;
    Put(b, "RIFF");
    Put(b, 0, 4, false);
    Put(b, "WEBPVP8X");
    Put(b, 10, 4, false);
    b.insert(b.end(), 10, 0);
    Put(b, "EXIF");
    Put(b, static_cast<std::uint32_t>(tiff.size()), 4, false);
    b.insert(b.end(), tiff.begin(), tiff.end());
    return b;
}

Bytes Box(std::string_view type, const Bytes& body) {
    Bytes b;
    Put(b, static_cast<std::uint32_t>(body.size() + 8), 4, true);
    Put(b, type);
    b.insert(b.end(), body.begin(), body.end());
    return b;
}

// An AVIF with a picture item (1) and an Exif item (2) after the meta box.
Bytes Avif(const Bytes& tiff) {
    Bytes ftyp;
    Put(ftyp, "avif");
    Put(ftyp, 0, 4, true);
    Put(ftyp, "mif1");
    auto infe = [](std::uint16_t id, std::string_view type) {
        Bytes e = {2, 0, 0, 0};
        Put(e, id, 2, true);
        Put(e, 0, 2, true);
        Put(e, type);
        e.push_back(0);
        return Box("infe", e);
    };
    Bytes iinf = {0, 0, 0, 0, 0, 2};
    for (const Bytes& e : {infe(1, "av01"), infe(2, "Exif")})
        iinf.insert(iinf.end(), e.begin(), e.end());
    const Bytes item = [&] {
        Bytes i;
        Put(i, 0, 4, true); // the TIFF header right after this offset
        i.insert(i.end(), tiff.begin(), tiff.end());
        return i;
    }();
    auto build = [&](std::uint32_t itemAt) {
        // iloc version 0, offsets and lengths of 4 bytes, no base offset.
        Bytes iloc = {0, 0, 0, 0, 0x44, 0x00};
        Put(iloc, 2, 2, true);
        for (std::uint16_t id : {1, 2}) {
            Put(iloc, id, 2, true);
            Put(iloc, 0, 2, true); // data reference
            Put(iloc, 1, 2, true); // one extent
            Put(iloc, id == 2 ? itemAt : 0, 4, true);
            Put(iloc, id == 2 ? static_cast<std::uint32_t>(item.size()) : 0, 4, true);
        }
        Bytes meta = {0, 0, 0, 0};
        for (const Bytes& box : {Box("hdlr", Bytes(20, 0)), Box("iinf", iinf), Box("iloc", iloc)})
            meta.insert(meta.end(), box.begin(), box.end());
        Bytes file = Box("ftyp", ftyp);
        const Bytes m = Box("meta", meta);
        file.insert(file.end(), m.begin(), m.end());
        return file;
    };
    Bytes file = build(0);
    file = build(static_cast<std::uint32_t>(file.size()));
    file.insert(file.end(), item.begin(), item.end());
    return file;
}

} // namespace

TEST(PhotoDate, ReadsDateTimeOriginalFromEachFormat) {
    const std::int64_t when = DateTimeNumber(2021, 7, 4, 18, 30, 5);
    const Bytes tiff = ExifTiff("2021:07:04 18:30:05");
    struct Case {
        const char* Name;
        Bytes File;
    };
    const Case cases[] = {
        {"tiff", tiff},       {"big-endian tiff", ExifTiff("2021:07:04 18:30:05", true)},
        {"jpeg", Jpeg(tiff)}, {"png", Png(tiff)},
        {"webp", Webp(tiff)}, {"avif", Avif(tiff)}};
    for (const Case& c : cases) {
        EXPECT_EQ(PhotoTakenAt(c.File), when) << c.Name;
        // Cut inside its EXIF block: no date, and no read past the end.
        const Bytes cut(c.File.begin(), c.File.end() - 12);
        EXPECT_EQ(PhotoTakenAt(cut), std::nullopt) << c.Name;
    }
}

TEST(PhotoDate, NoDateWhereNoneReadsAsOne) {
    const Bytes cases[] = {
        Jpeg(ExifTiff("0000:00:00 00:00:00")), // a camera that knew no date
        Jpeg(ExifTiff("                   ")),
        Jpeg(ExifTiff("2021-07-04 18:30:05")),
        Jpeg(ExifTiff("2021:13:04 18:30:05")),
        Bytes{0xFF, 0xD8, 0xFF, 0xDA, 0, 2}, // a JPEG without EXIF
        Bytes{'B', 'M', 0, 0},
        Bytes{},
    };
    for (const Bytes& file : cases)
        EXPECT_EQ(PhotoTakenAt(file), std::nullopt);
}
