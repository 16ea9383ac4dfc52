// The EXIF orientation reader used where WIC has no JPEG metadata reader.
#include "bundled/common/Exif.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

using bundled::JpegExifOrientation;

namespace {

using Bytes = std::vector<std::uint8_t>;

// A JPEG head: start marker, the given segments, then the start of the picture data.
Bytes Jpeg(const std::vector<Bytes>& segments) {
    Bytes j = {0xFF, 0xD8};
    for (const Bytes& s : segments)
        j.insert(j.end(), s.begin(), s.end());
    j.insert(j.end(), {0xFF, 0xDA, 0x00, 0x02});
    return j;
}

Bytes Segment(std::uint8_t marker, const Bytes& body) {
    const std::size_t n = body.size() + 2;
    Bytes s = {0xFF, marker, static_cast<std::uint8_t>(n >> 8), static_cast<std::uint8_t>(n)};
    s.insert(s.end(), body.begin(), body.end());
    return s;
}

// "Exif\0\0" and a TIFF block with IFD0 holding the given entries (tag, type, count, value).
Bytes Exif(bool bigEndian, const std::vector<std::array<unsigned, 4>>& entries) {
    Bytes b = {'E', 'x', 'i', 'f', 0, 0};
    auto u16 = [&](unsigned v) {
        if (bigEndian)
            b.insert(b.end(), {std::uint8_t(v >> 8), std::uint8_t(v)});
        else
            b.insert(b.end(), {std::uint8_t(v), std::uint8_t(v >> 8)});
    };
    auto u32 = [&](unsigned v) {
        if (bigEndian) {
            u16(v >> 16);
            u16(v & 0xFFFF);
        } else {
            u16(v & 0xFFFF);
            u16(v >> 16);
        }
    };
    const std::uint8_t order = bigEndian ? 'M' : 'I';
    b.insert(b.end(), {order, order});
    u16(42);
    u32(8);
    u16(static_cast<unsigned>(entries.size()));
    for (const auto& e : entries) {
        u16(e[0]);
        u16(e[1]);
        u32(e[2]);
        u16(e[3]); // a SHORT sits in the first two bytes of the value field
        u16(0);
    }
    u32(0);
    return b;
}

const Bytes Jfif = Segment(0xE0, {'J', 'F', 'I', 'F', 0, 1, 1, 0, 0, 1, 0, 1, 0, 0});

TEST(BundledExif, FindsTheOrientationInEitherByteOrder) {
    EXPECT_EQ(JpegExifOrientation(Jpeg({Segment(0xE1, Exif(false, {{274, 3, 1, 6}}))})), 6);
    EXPECT_EQ(JpegExifOrientation(Jpeg({Segment(0xE1, Exif(true, {{274, 3, 1, 8}}))})), 8);
    // Behind a JFIF segment and other tags.
    EXPECT_EQ(JpegExifOrientation(
                  Jpeg({Jfif, Segment(0xE1, Exif(false, {{271, 2, 4, 0}, {274, 3, 1, 3}}))})),
              3);
}

TEST(BundledExif, AnswersNothingWithoutAUsableTag) {
    EXPECT_EQ(JpegExifOrientation(Jpeg({Jfif})), 0);
    EXPECT_EQ(JpegExifOrientation(Jpeg({Segment(0xE1, Exif(false, {{271, 2, 4, 0}}))})), 0);
    EXPECT_EQ(JpegExifOrientation(Jpeg({Segment(0xE1, Exif(false, {{274, 3, 1, 9}}))})), 0);
    EXPECT_EQ(JpegExifOrientation(Jpeg({Segment(0xE1, Exif(false, {{274, 4, 1, 6}}))})), 0)
        << "not a SHORT";
    EXPECT_EQ(JpegExifOrientation(Jpeg({Segment(0xE1, {'h', 't', 't', 'p', ':'})})), 0) << "XMP";
    EXPECT_EQ(JpegExifOrientation(Bytes{0x89, 'P', 'N', 'G'}), 0);
    EXPECT_EQ(JpegExifOrientation({}), 0);
}

TEST(BundledExif, StaysInsideDamagedData) {
    const Bytes good = Jpeg({Jfif, Segment(0xE1, Exif(false, {{274, 3, 1, 6}}))});
    for (std::size_t n = 0; n < good.size(); ++n)
        EXPECT_LE(JpegExifOrientation(Bytes(good.begin(), good.begin() + n)), 8) << n;
    Bytes hugeCount = Jpeg({Segment(0xE1, Exif(false, {{271, 2, 4, 0}}))});
    hugeCount[2 + 4 + 6 + 8] = 0xFF; // IFD0 claims 65535 entries
    hugeCount[2 + 4 + 6 + 9] = 0xFF;
    EXPECT_EQ(JpegExifOrientation(hugeCount), 0);
    Bytes farIfd = Jpeg({Segment(0xE1, Exif(false, {{274, 3, 1, 6}}))});
    farIfd[2 + 4 + 6 + 7] = 0x7F; // IFD0 offset far past the end
    EXPECT_EQ(JpegExifOrientation(farIfd), 0);
}

} // namespace
