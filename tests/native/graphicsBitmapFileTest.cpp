#include "framework/BitmapFile.h"
#include "framework/Streams.h"

#include "tests/native/graphicsBmpBuilder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <limits>
#include <string>

using namespace tovane;
using namespace graphics_test;

namespace {

Bytes ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

std::string Fixture(const std::string& name) {
    return std::string(TOVANE_GRAPHICS_FIXTURES) + "/" + name;
}

// Every pixel of the picture against the reference rows (8-bit RGB, top row first).
void ExpectPixels(const TDib& d, const Bytes& rgb) {
    ASSERT_EQ(rgb.size(), std::size_t(d.Width) * d.Height * 3);
    for (int y = 0; y < d.Height; ++y)
        for (int x = 0; x < d.Width; ++x) {
            const std::size_t i = (std::size_t(y) * d.Width + x) * 3;
            const std::uint32_t want = rgb[i] | (rgb[i + 1] << 8) | (rgb[i + 2] << 16);
            ASSERT_EQ(d.PixelColor(x, y), want) << "pixel " << x << "," << y;
        }
}

TDib ReadBytes(const Bytes& file) {
    return ReadBitmapFile(std::span<const std::uint8_t>(file));
}

// The reason of the EInvalidGraphic the file raises ("" when it is read).
std::string Refusal(const Bytes& file, const TDibLimits& limits = {}) {
    try {
        ReadBitmapFile(std::span<const std::uint8_t>(file), limits);
        return "";
    } catch (const EInvalidGraphic& e) {
        return e.what();
    }
}

struct FixtureCase {
    const char* Name;
    std::uint32_t HeaderSize; // as stored in the file
    std::uint16_t BitCount;
    std::uint32_t Compression; // as held after reading
};

class BitmapFixture : public ::testing::TestWithParam<FixtureCase> {};

} // namespace

// Files written by another program read as that program reads them, and survive a round trip
// through the writer unchanged.
TEST_P(BitmapFixture, ReadsAsTheReferenceAndRoundTrips) {
    const FixtureCase& c = GetParam();
    const Bytes file = ReadAll(Fixture(std::string(c.Name) + ".bmp"));
    ASSERT_FALSE(file.empty());
    EXPECT_EQ(Get32(file, 14), c.HeaderSize);
    const TDib d = ReadBytes(file);
    EXPECT_TRUE(d.IsWellFormed());
    EXPECT_EQ(d.Width, 13);
    EXPECT_EQ(d.Height, 7);
    EXPECT_EQ(d.BitCount, c.BitCount);
    EXPECT_EQ(d.Compression, c.Compression);
    ExpectPixels(d, ReadAll(Fixture(std::string(c.Name) + ".rgb")));

    const Bytes written = WriteBitmapFile(d);
    EXPECT_EQ(ReadBytes(written), d);
    TMemoryStream stream;
    WriteBitmapFile(d, stream);
    ASSERT_EQ(stream.Size(), static_cast<std::int64_t>(written.size()));
    EXPECT_EQ(std::memcmp(stream.Memory(), written.data(), written.size()), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Graphics, BitmapFixture,
    ::testing::Values(FixtureCase{"pal1", 40, 1, DibRgb}, FixtureCase{"v4pal1", 108, 1, DibRgb},
                      FixtureCase{"pal4", 40, 4, DibRgb}, FixtureCase{"os2", 12, 4, DibRgb},
                      FixtureCase{"pal8", 40, 8, DibRgb}, FixtureCase{"rle8", 40, 8, DibRgb},
                      FixtureCase{"rgb24", 40, 24, DibRgb},
                      FixtureCase{"rgb555", 124, 16, DibBitfields},
                      FixtureCase{"rgb565", 124, 16, DibBitfields},
                      FixtureCase{"v5argb", 124, 32, DibBitfields}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(BitmapFile, EveryDepthRoundTripsBottomUpAndTopDown) {
    for (std::uint16_t bits : {1, 4, 8, 16, 24, 32})
        for (bool topDown : {false, true}) {
            SCOPED_TRACE(testing::Message() << bits << " bits, top-down " << topDown);
            TDib d = TDib::Create(11, 5, bits, topDown);
            if (bits <= 8)
                for (std::uint32_t i = 0; i < (1u << bits); ++i)
                    d.Colors.push_back(TRgbQuad{std::uint8_t(i), std::uint8_t(255 - i), 7, 0});
            const std::uint32_t maxValue =
                bits >= 32 ? 0xFFFFFF : (1u << std::min<int>(bits, 24)) - 1;
            for (int y = 0; y < 5; ++y)
                for (int x = 0; x < 11; ++x)
                    d.SetPixelValue(x, y, (x * 37u + y * 101u) % (maxValue + 1));
            const Bytes file = WriteBitmapFile(d);
            // Header as written: a 40-byte header, the sign of the height tells the row order.
            EXPECT_EQ(Get32(file, 2), file.size());
            EXPECT_EQ(Get32(file, 14), 40u);
            EXPECT_EQ(static_cast<std::int32_t>(Get32(file, 22)), topDown ? -5 : 5);
            EXPECT_EQ(Get32(file, 10), 14 + 40 + d.Colors.size() * 4);
            const TDib back = ReadBytes(file);
            EXPECT_EQ(back, d);
            for (int y = 0; y < 5; ++y)
                for (int x = 0; x < 11; ++x)
                    ASSERT_EQ(back.PixelValue(x, y), (x * 37u + y * 101u) % (maxValue + 1));
        }
}

TEST(BitmapFile, TopDownRowsAreStoredTopFirstAndBottomUpRowsBottomFirst) {
    const Bytes rows = {1, 2, 3, 0, 4, 5, 6, 0}; // two rows of one 24-bit pixel, padded
    InfoHeader h;
    h.Height = -2;
    const TDib top = ReadBytes(File(Header(h), rows));
    EXPECT_TRUE(top.TopDown);
    EXPECT_EQ(top.Height, 2);
    EXPECT_EQ(top.PixelColor(0, 0), 0x010203u); // first row in the file is the top
    h.Height = 2;
    const TDib bottom = ReadBytes(File(Header(h), rows));
    EXPECT_FALSE(bottom.TopDown);
    EXPECT_EQ(bottom.PixelColor(0, 0), 0x040506u);
    EXPECT_EQ(bottom.ScanLine(1), bottom.Bits.data());
}

TEST(BitmapFile, BitFieldsFollowingAnInfoHeaderAndInsideV4Headers) {
    // 32 bits with the masks after a 40-byte header, in an unusual order (R low, B high).
    InfoHeader h;
    h.BitCount = 32;
    h.Compression = DibBitfields;
    Bytes masks;
    Put32(masks, 0x000000FF);
    Put32(masks, 0x0000FF00);
    Put32(masks, 0x00FF0000);
    Bytes pixel;
    Put32(pixel, 0x00332211);
    TDib d = ReadBytes(File(Concat({Header(h), masks}), pixel));
    EXPECT_EQ(d.Compression, DibBitfields);
    EXPECT_EQ(d.PixelColor(0, 0), 0x332211u);

    // 16 bits, 4-4-4 masks in a V4 header, with an alpha mask.
    h = InfoHeader{};
    h.Size = 108;
    h.BitCount = 16;
    h.Compression = DibBitfields;
    h.Masks[0] = 0x0F00;
    h.Masks[1] = 0x00F0;
    h.Masks[2] = 0x000F;
    h.Masks[3] = 0xF000;
    pixel.clear();
    Put32(pixel, 0x0F80); // red 15, green 8, blue 0; padded row
    d = ReadBytes(File(Header(h), pixel));
    EXPECT_EQ(d.AlphaMask, 0xF000u);
    EXPECT_EQ(d.PixelColor(0, 0), 0x0088FFu);
    // Written back with an alpha mask: a V5 header that keeps it.
    const Bytes file = WriteBitmapFile(d);
    EXPECT_EQ(Get32(file, 14), 124u);
    EXPECT_EQ(ReadBytes(file), d);

    // Bit fields with the alpha mask after a 40-byte header (compression 6).
    h = InfoHeader{};
    h.BitCount = 32;
    h.Compression = 6;
    Put32(masks, 0xFF000000);
    pixel.clear();
    Put32(pixel, 0x80112233);
    d = ReadBytes(File(Concat({Header(h), masks}), pixel));
    EXPECT_EQ(d.AlphaMask, 0xFF000000u);
    EXPECT_EQ(d.PixelColor(0, 0), 0x112233u);
}

TEST(BitmapFile, InfoBlockIsWhatTheGdiExpects) {
    TDib d = TDib::Create(3, 2, 8, true);
    d.Colors = {TRgbQuad{1, 2, 3, 0}, TRgbQuad{4, 5, 6, 0}};
    Bytes info = d.InfoBlock();
    ASSERT_EQ(info.size(), 40u + 8);
    EXPECT_EQ(static_cast<std::int32_t>(Get32(info, 8)), -2);
    EXPECT_EQ(Get32(info, 32), 2u); // biClrUsed
    EXPECT_EQ(Get32(info, 20), 8u); // biSizeImage: 2 rows of 4
    // A paletted bitmap without colours gets a full (black) table, never a short one.
    d.Colors.clear();
    info = d.InfoBlock();
    EXPECT_EQ(info.size(), 40u + 1024);
    EXPECT_EQ(Get32(info, 32), 256u);
    d = TDib::Create(1, 1, 16);
    d.Compression = DibBitfields;
    d.RedMask = 0xF800;
    d.GreenMask = 0x07E0;
    d.BlueMask = 0x001F;
    info = d.InfoBlock();
    ASSERT_EQ(info.size(), 52u);
    EXPECT_EQ(Get32(info, 40), 0xF800u);
}

// RLE8: encoded runs, an absolute block with its pad byte, a delta, end of line, a run that
// overflows its row (clipped), and end of bitmap.
TEST(BitmapFile, Rle8ExpandsRunsDeltasAndEndsOfLine) {
    InfoHeader h;
    h.Width = 5;
    h.Height = 3;
    h.BitCount = 8;
    h.Compression = DibRle8;
    const Bytes data = {
        3, 7,             // bottom row: 7 7 7
        0, 3, 1, 2, 9, 0, // absolute 1 2 9 (+ pad): row full at x = 6? clipped at 5
        0, 0,             // end of line
        0, 2, 1, 1,       // delta: x + 1, y + 1 (to the top row, x = 1)
        9, 4,             // run of 4 clipped at the row's end
        0, 1,             // end of bitmap
        5, 5,             // never read
    };
    const TDib d = ReadBytes(File(Concat({Header(h), Palette(16)}), data));
    EXPECT_EQ(d.Compression, DibRgb);
    EXPECT_FALSE(d.TopDown);
    auto row = [&](int y) {
        std::vector<std::uint32_t> v;
        for (int x = 0; x < 5; ++x)
            v.push_back(d.PixelValue(x, y));
        return v;
    };
    EXPECT_EQ(row(2), (std::vector<std::uint32_t>{7, 7, 7, 1, 2})); // bottom
    EXPECT_EQ(row(1), (std::vector<std::uint32_t>{0, 0, 0, 0, 0})); // skipped by the delta
    EXPECT_EQ(row(0), (std::vector<std::uint32_t>{0, 4, 4, 4, 4})); // top
}

TEST(BitmapFile, Rle4ExpandsAlternatingNibblesAndOddAbsoluteBlocks) {
    InfoHeader h;
    h.Width = 7;
    h.Height = 2;
    h.BitCount = 4;
    h.Compression = DibRle4;
    const Bytes data = {
        5, 0x12,                      // 1 2 1 2 1
        0, 0,                         // end of line
        0, 3,    0xAB, 0xC0,          // absolute A B C (2 bytes, already even)
        0, 5,    0x34, 0x56, 0x70, 0, // absolute 3 4 5 6 7 (3 bytes + pad) -> clipped at 7
    };
    const TDib d = ReadBytes(File(Concat({Header(h), Palette(16)}), data));
    std::vector<std::uint32_t> bottom, top;
    for (int x = 0; x < 7; ++x) {
        bottom.push_back(d.PixelValue(x, 1));
        top.push_back(d.PixelValue(x, 0));
    }
    EXPECT_EQ(bottom, (std::vector<std::uint32_t>{1, 2, 1, 2, 1, 0, 0}));
    EXPECT_EQ(top, (std::vector<std::uint32_t>{0xA, 0xB, 0xC, 3, 4, 5, 6}));
}

TEST(BitmapFile, RleDataEndingBetweenCodesEndsThePictureInsideACodeFails) {
    InfoHeader h;
    h.Width = 4;
    h.Height = 2;
    h.BitCount = 8;
    h.Compression = DibRle8;
    const Bytes info = Concat({Header(h), Palette(4)});
    EXPECT_EQ(Refusal(File(info, {2, 1})), ""); // no end of bitmap: the rest stays 0
    EXPECT_NE(Refusal(File(info, {2, 1, 0})), "");
    EXPECT_NE(Refusal(File(info, {0, 2, 1})), "");       // delta without its offsets
    EXPECT_NE(Refusal(File(info, {0, 4, 1, 2, 3})), ""); // absolute block cut short
    // A delta past the top ends the picture instead of writing outside it.
    EXPECT_EQ(Refusal(File(info, {0, 2, 200, 200, 4, 9})), "");
    h.Height = -2;
    EXPECT_NE(Refusal(File(Concat({Header(h), Palette(4)}), {0, 1})).find("top-down"),
              std::string::npos);
}

TEST(BitmapFile, ReadingFromAStreamStopsAfterThePixels) {
    TDib a = TDib::Create(2, 2, 24);
    a.SetPixelValue(1, 1, 0xABCDEF);
    TDib b = TDib::Create(3, 1, 8);
    b.Colors = {TRgbQuad{9, 9, 9, 0}};
    TMemoryStream s;
    WriteBitmapFile(a, s);
    const std::int64_t second = s.Position();
    WriteBitmapFile(b, s);
    s.SetPosition(0);
    EXPECT_EQ(ReadBitmapFile(s), a);
    EXPECT_EQ(s.Position(), second);
    EXPECT_EQ(ReadBitmapFile(s), b);
    EXPECT_EQ(s.Position(), s.Size());
}

TEST(BitmapFile, ColourTablesFollowTheHeaderAndThePixelOffset) {
    InfoHeader h;
    h.Width = 2;
    h.BitCount = 8;
    const Bytes pixels = {1, 0xFF, 0, 0};
    // biClrUsed 2: two entries, pixel 0xFF past the table reads as black.
    h.ClrUsed = 2;
    TDib d = ReadBytes(File(Concat({Header(h), Palette(2)}), pixels));
    EXPECT_EQ(d.Colors.size(), 2u);
    EXPECT_EQ(d.PixelColor(0, 0), 0x010203u); // entry 1: blue 1, green 2, red 3
    EXPECT_EQ(d.PixelColor(1, 0), 0u);
    // biClrUsed absurdly large: the table ends where the pixel offset says.
    h.ClrUsed = 0xFFFFFFFF;
    d = ReadBytes(File(Concat({Header(h), Palette(3)}), pixels));
    EXPECT_EQ(d.Colors.size(), 3u);
    // A pixel offset of 0 (or inside the header): the pixels follow the declared table.
    h.ClrUsed = 2;
    Bytes file = File(Concat({Header(h), Palette(2)}), pixels);
    Set32(file, 10, 0);
    EXPECT_EQ(ReadBytes(file).PixelValue(0, 0), 1u);
    Set32(file, 10, 20);
    EXPECT_EQ(ReadBytes(file).PixelValue(0, 0), 1u);
    // A gap between the table and the pixels is skipped.
    file = File(Concat({Header(h), Palette(2), Bytes(6, 0xEE)}), pixels);
    EXPECT_EQ(ReadBytes(file).PixelValue(0, 0), 1u);
    Set32(file, 10, 14 + 40 + 8); // now the gap is where the pixels are
    EXPECT_EQ(ReadBytes(file).PixelValue(0, 0), 0xEEu);
    // No room at all for the table: a full black one, so that the file written back (whose
    // biClrUsed 0 promises 256 entries) reads as the same bitmap.
    file = File(Header(h), pixels);
    Set32(file, 10, 14 + 40);
    d = ReadBytes(file);
    EXPECT_EQ(d.Colors, std::vector<TRgbQuad>(256));
    EXPECT_EQ(ReadBytes(WriteBitmapFile(d)), d);
    // OS/2 core header with three-byte entries.
    Bytes core;
    Put32(core, 12);
    Put16(core, 2);
    Put16(core, 1);
    Put16(core, 1);
    Put16(core, 1);
    d = ReadBytes(File(Concat({core, Bytes{1, 2, 3, 4, 5, 6}}), {0x40, 0, 0, 0}));
    EXPECT_EQ(d.Colors, (std::vector<TRgbQuad>{{1, 2, 3, 0}, {4, 5, 6, 0}}));
    EXPECT_EQ(d.PixelColor(0, 0), 0x010203u);
    EXPECT_EQ(d.PixelColor(1, 0), 0x040506u);
}

TEST(BitmapFile, MalformedFilesAreRefusedWithTheirReason) {
    InfoHeader ok;
    ok.Width = 2;
    ok.Height = 2;
    const Bytes pixels(16, 0);
    EXPECT_EQ(Refusal(File(Header(ok), pixels)), "");

    auto with = [&](auto change) {
        InfoHeader h = ok;
        change(h);
        return Refusal(File(Header(h), pixels));
    };
    auto mentions = [](const std::string& reason, const char* word) {
        return reason.find(word) != std::string::npos;
    };
    EXPECT_TRUE(mentions(with([](InfoHeader& h) { h.Width = 0; }), "width"));
    EXPECT_TRUE(mentions(with([](InfoHeader& h) { h.Width = -2; }), "width"));
    EXPECT_TRUE(mentions(with([](InfoHeader& h) { h.Height = 0; }), "height"));
    EXPECT_TRUE(
        mentions(with([](InfoHeader& h) { h.Height = std::numeric_limits<int>::min(); }), "limit"));
    EXPECT_TRUE(mentions(with([](InfoHeader& h) { h.BitCount = 7; }), "bit depth"));
    EXPECT_TRUE(mentions(with([](InfoHeader& h) { h.BitCount = 0; }), "bit depth"));
    EXPECT_TRUE(mentions(with([](InfoHeader& h) { h.Compression = 4; }), "JPEG"));
    EXPECT_TRUE(mentions(with([](InfoHeader& h) { h.Compression = 5; }), "PNG"));
    EXPECT_TRUE(mentions(with([](InfoHeader& h) { h.Compression = 9; }), "compression"));
    EXPECT_TRUE(mentions(with([](InfoHeader& h) { h.Compression = DibRle8; }), "RLE8"));
    EXPECT_TRUE(mentions(with([](InfoHeader& h) { h.Compression = DibBitfields; }), "bit-field"));
    EXPECT_TRUE(mentions(with([](InfoHeader& h) { h.Size = 41; }), "header size"));
    EXPECT_TRUE(mentions(with([](InfoHeader& h) {
                             h.Size = 64;
                             h.Compression = 4;
                         }),
                         "OS/2"));
    EXPECT_TRUE(mentions(with([](InfoHeader& h) { h.Height = 3; }), "truncated"));
    EXPECT_TRUE(mentions(with([](InfoHeader& h) {
                             h.Width = 0x7FFFFFFF;
                             h.Height = 0x7FFFFFFF;
                         }),
                         "limit"));

    const Bytes good = File(Header(ok), pixels);
    EXPECT_TRUE(mentions(Refusal(Bytes(good.begin(), good.begin() + 10)), "too short"));
    EXPECT_TRUE(mentions(Refusal(Bytes(good.begin(), good.begin() + 30)), "truncated"));
    Bytes bad = good;
    bad[0] = 'X';
    EXPECT_TRUE(mentions(Refusal(bad), "BM"));
    bad = good;
    Set32(bad, 10, 100000); // pixels past the end
    EXPECT_TRUE(mentions(Refusal(bad), "past the end"));
    // Masks announced but the file ends first.
    InfoHeader fields = ok;
    fields.BitCount = 32;
    fields.Compression = DibBitfields;
    EXPECT_TRUE(mentions(Refusal(File(Header(fields), {})), "masks"));
    EXPECT_TRUE(
        mentions(Refusal(File(Concat({Header(fields), Bytes(12, 0)}), Bytes(16, 0))), "zero"));
}

TEST(BitmapFile, LimitsBoundTheDecodedSize) {
    InfoHeader h;
    h.Width = 100;
    h.Height = 100;
    h.BitCount = 8;
    h.Compression = DibRle8;
    const Bytes file = File(Concat({Header(h), Palette(2)}), {0, 1});
    EXPECT_EQ(Refusal(file), "");
    TDibLimits small;
    small.MaxImageBytes = 5000;
    EXPECT_NE(Refusal(file, small).find("limit"), std::string::npos);
    small = TDibLimits{};
    small.MaxDimension = 99;
    EXPECT_NE(Refusal(file, small).find("limit"), std::string::npos);
    EXPECT_THROW(TDib::Create(0, 1, 24), EInvalidGraphic);
    EXPECT_THROW(TDib::Create(1, 1, 2), EInvalidGraphic);
}

TEST(BitmapFile, WritingRefusesEmptyAndMalformedBitmaps) {
    EXPECT_THROW(WriteBitmapFile(TDib{}), EInvalidGraphic);
    TDib d = TDib::Create(2, 2, 24);
    d.Bits.resize(d.Bits.size() - 1);
    EXPECT_THROW(WriteBitmapFile(d), EInvalidGraphic);
    d = TDib::Create(2, 2, 1);
    d.Colors.resize(3);
    EXPECT_THROW(WriteBitmapFile(d), EInvalidGraphic);
    d = TDib::Create(2, 2, 24);
    d.Compression = DibBitfields;
    d.RedMask = 0xFF;
    EXPECT_THROW(WriteBitmapFile(d), EInvalidGraphic);
}

TEST(BitmapFile, ReadDibTakesTheTwoBlocksApart) {
    InfoHeader h;
    h.Width = 3;
    h.BitCount = 4;
    h.ClrUsed = 3;
    const Bytes info = Concat({Header(h), Palette(3), Bytes(100, 0xCC)}); // block larger
    const TDib d = ReadDib(info, Bytes{0x12, 0x00, 0, 0, 0xFF});
    EXPECT_EQ(d.Colors.size(), 3u);
    EXPECT_EQ(d.PixelValue(0, 0), 1u);
    EXPECT_EQ(d.PixelValue(1, 0), 2u);
    EXPECT_EQ(d.Bits.size(), 4u);
    EXPECT_THROW(ReadDib(info, Bytes{0x12}), EInvalidGraphic);
}
