#include "framework/BitmapFile.h"
#include "framework/DibCheck.h"
#include "framework/Streams.h"

#include "tests/native/graphicsBmpBuilder.h"

#include <gtest/gtest.h>

#include <limits>

using namespace tovane;
using namespace graphics_test;

namespace {
TDibCheck Check(const Bytes& info, std::size_t pixelBlock) {
    return CheckDibBlocks(info.data(), info.size(), pixelBlock);
}

std::string Reason(const InfoHeader& h, std::size_t extraInfo = 2048,
                   std::size_t pixelBlock = 1 << 20) {
    const TDibCheck c = Check(Concat({Header(h), Bytes(extraInfo, 0)}), pixelBlock);
    return c.Ok() ? "" : c.Reason;
}
} // namespace

TEST(DibCheck, DerivesTheSizesOfAnOrdinaryHeader) {
    InfoHeader h;
    h.Width = 13;
    h.Height = 7;
    h.BitCount = 8;
    const Bytes info = Concat({Header(h), Palette(256)});
    const TDibCheck c = Check(info, 16 * 7);
    ASSERT_TRUE(c.Ok()) << c.Reason;
    const TDibLayout& l = *c.Layout;
    EXPECT_EQ(l.HeaderSize, 40u);
    EXPECT_EQ(l.ColorCount, 256u); // biClrUsed 0 at 8 bits
    EXPECT_EQ(l.ColorTableOffset, 40u);
    EXPECT_EQ(l.InfoSize, 40u + 1024);
    EXPECT_EQ(l.Stride, 16u);
    EXPECT_EQ(l.ImageSize, 16u * 7);
    // One byte short in either block fails, and says which.
    EXPECT_NE(Check(Bytes(info.begin(), info.end() - 1), 16 * 7).Reason.find("information"),
              std::string::npos);
    EXPECT_NE(Check(info, 16 * 7 - 1).Reason.find("pixels"), std::string::npos);
}

TEST(DibCheck, ColourCountFollowsTheHeaderNotTheBlock) {
    for (auto [bits, used, want] : {std::tuple{1, 0u, 2u},
                                    {4, 0u, 16u},
                                    {8, 0u, 256u},
                                    {8, 16u, 16u},
                                    {4, 256u, 256u},
                                    {24, 0u, 0u},
                                    {24, 5u, 5u},
                                    {16, 0u, 0u},
                                    {32, 0u, 0u},
                                    // Deeper pictures need no table: a long one is ignored.
                                    {16, 257u, 0u},
                                    {24, 1000u, 0u},
                                    {32, 0xFFFFFFFFu, 0u}}) {
        InfoHeader h;
        h.BitCount = static_cast<std::uint16_t>(bits);
        h.ClrUsed = used;
        // Plug-ins hand back blocks larger than needed: the extra bytes are no colours.
        const TDibCheck c = Check(Concat({Header(h), Bytes(4096, 0)}), 4096);
        ASSERT_TRUE(c.Ok()) << c.Reason;
        EXPECT_EQ(c.Layout->ColorCount, want) << bits << " bits, biClrUsed " << used;
        EXPECT_EQ(c.Layout->InfoSize, 40 + 4 * want);
    }
    InfoHeader h;
    h.BitCount = 8;
    h.ClrUsed = 257;
    EXPECT_NE(Reason(h).find("colour count"), std::string::npos);
}

TEST(DibCheck, TopDownKeepsTheSignAndSizesByMagnitude) {
    InfoHeader h;
    h.Width = 10;
    h.Height = -3;
    h.BitCount = 24;
    const TDibCheck c = Check(Header(h), 32 * 3);
    ASSERT_TRUE(c.Ok()) << c.Reason;
    EXPECT_EQ(c.Layout->Height, -3);
    EXPECT_EQ(c.Layout->ImageSize, 32u * 3);
}

TEST(DibCheck, MasksAndLargerHeadersMoveTheColourTable) {
    InfoHeader h;
    h.BitCount = 32;
    h.Compression = DibBitfields;
    TDibCheck c = Check(Concat({Header(h), Bytes(12, 0xFF)}), 4);
    ASSERT_TRUE(c.Ok()) << c.Reason;
    EXPECT_EQ(c.Layout->MaskBytes, 12u);
    EXPECT_EQ(c.Layout->ColorTableOffset, 52u);
    EXPECT_EQ(c.Layout->InfoSize, 52u);
    EXPECT_FALSE(Check(Concat({Header(h), Bytes(11, 0xFF)}), 4).Ok());

    h.Size = 124; // masks inside the header
    c = Check(Header(h), 4);
    ASSERT_TRUE(c.Ok()) << c.Reason;
    EXPECT_EQ(c.Layout->MaskBytes, 0u);
    EXPECT_EQ(c.Layout->InfoSize, 124u);

    h = InfoHeader{};
    h.Size = 108;
    h.BitCount = 4;
    c = Check(Concat({Header(h), Palette(16)}), 4);
    ASSERT_TRUE(c.Ok()) << c.Reason;
    EXPECT_EQ(c.Layout->ColorTableOffset, 108u);
    EXPECT_EQ(c.Layout->InfoSize, 108u + 64);
}

TEST(DibCheck, RefusesImpossibleHeaders) {
    EXPECT_FALSE(CheckDibBlocks(nullptr, 0, 100).Ok());
    EXPECT_FALSE(Check(Bytes{40, 0, 0}, 100).Ok());
    auto refused = [](auto change, const char* word) {
        InfoHeader h;
        change(h);
        const std::string r = Reason(h);
        EXPECT_NE(r.find(word), std::string::npos) << "reason: '" << r << "'";
    };
    refused([](InfoHeader& h) { h.Size = 12; }, "header size");
    refused([](InfoHeader& h) { h.Size = 64; }, "header size");
    refused([](InfoHeader& h) { h.Width = 0; }, "width");
    refused([](InfoHeader& h) { h.Width = -5; }, "width");
    refused([](InfoHeader& h) { h.Height = 0; }, "height");
    refused([](InfoHeader& h) { h.Height = std::numeric_limits<std::int32_t>::min(); }, "height");
    refused([](InfoHeader& h) { h.BitCount = 2; }, "bit depth");
    refused([](InfoHeader& h) { h.Compression = 4; }, "compression");
    refused([](InfoHeader& h) { h.Compression = DibRle8; }, "compression"); // at 24 bits
    refused([](InfoHeader& h) { h.Compression = DibBitfields; }, "bit-field");
    refused(
        [](InfoHeader& h) {
            h.BitCount = 8;
            h.Compression = DibRle8;
            h.SizeImage = 10;
            h.Height = -1;
        },
        "top-down");
    refused(
        [](InfoHeader& h) {
            h.BitCount = 8;
            h.Compression = DibRle8;
        },
        "data size");
}

// Sizes whose 32-bit arithmetic would wrap: refused, never wrapped into small numbers.
TEST(DibCheck, SizeArithmeticDoesNotOverflow) {
    for (auto [w, h, bits] : {std::tuple{0x7FFFFFFF, 0x7FFFFFFF, 32},
                              {0x20000000, 1, 32},
                              {0x08000000, 0x10, 32},
                              {65536, 65536, 8},
                              {1, -0x7FFFFFFF, 24}}) {
        InfoHeader hdr;
        hdr.Width = w;
        hdr.Height = h;
        hdr.BitCount = static_cast<std::uint16_t>(bits);
        const TDibCheck c =
            Check(Concat({Header(hdr), Palette(256)}), std::numeric_limits<std::size_t>::max());
        EXPECT_FALSE(c.Ok()) << w << " x " << h << " x " << bits;
        EXPECT_TRUE(c.TooLarge) << c.Reason;
    }
}

// The check refuses what the bitmap reader's limits refuse, and says how large it is.
TEST(DibCheck, TheBitmapReadersSizeLimitDecidesAndTheMessageGivesTheSize) {
    struct Case {
        std::int32_t w, h;
        std::uint16_t bits;
        bool ok;
    };
    const TDibLimits limits;
    for (const Case& k : {Case{0x4000, 0xC000, 8, true},  // exactly the limit
                          Case{0x4000, 0xC001, 8, false}, // one row more
                          Case{20000, 15000, 24, false},  // a 300-megapixel scan
                          Case{limits.MaxDimension + 1, 1, 1, false}}) {
        InfoHeader hdr;
        hdr.Width = k.w;
        hdr.Height = k.h;
        hdr.BitCount = k.bits;
        const TDibCheck c = Check(Concat({Header(hdr), Palette(256)}), 0xC0000000u);
        EXPECT_EQ(c.Ok(), k.ok) << k.w << " x " << k.h << ": " << c.Reason;
        EXPECT_EQ(c.TooLarge, !k.ok);
        if (!c.Ok()) {
            EXPECT_NE(c.Reason.find("too large"), std::string::npos) << c.Reason;
        }
    }
    InfoHeader hdr;
    hdr.Width = 20000;
    hdr.Height = 15000;
    hdr.BitCount = 24;
    EXPECT_NE(Reason(hdr).find("20000 x 15000 pixels at 24 bits need 859 MiB (at most 768 MiB)"),
              std::string::npos)
        << Reason(hdr);
}

// The blocks written out as a file read back as the same picture, whatever header they use.
TEST(DibCheck, BlocksWrittenAsAFileReadBack) {
    struct Case {
        std::uint32_t Size, Compression, ClrUsed;
        std::uint16_t Bits;
        std::int32_t Height;
    };
    for (const Case& k : {Case{40, 0, 0, 8, 3}, Case{40, 0, 5, 8, -3}, Case{40, 3, 0, 32, 3},
                          Case{124, 3, 0, 16, -3}, Case{108, 0, 0, 4, 3}, Case{40, 0, 0, 24, 3}}) {
        InfoHeader h;
        h.Size = k.Size;
        h.Width = 5;
        h.Height = k.Height;
        h.BitCount = k.Bits;
        h.Compression = k.Compression;
        h.ClrUsed = k.ClrUsed;
        h.Masks[0] = k.Bits == 16 ? 0xF800 : 0xFF0000;
        h.Masks[1] = k.Bits == 16 ? 0x07E0 : 0x00FF00;
        h.Masks[2] = k.Bits == 16 ? 0x001F : 0x0000FF;
        Bytes info = Header(h);
        if (k.Compression == DibBitfields && k.Size == 40)
            for (int i = 0; i < 3; ++i)
                Put32(info, h.Masks[i]);
        info = Concat({info, Palette(256), Bytes(300, 0xAB)}); // oversized block
        Bytes pixels(1000);
        for (std::size_t i = 0; i < pixels.size(); ++i)
            pixels[i] = static_cast<std::uint8_t>(i * 7);
        const TDibCheck c = Check(info, pixels.size());
        ASSERT_TRUE(c.Ok()) << c.Reason;
        TMemoryStream file;
        WriteBitmapFileFromBlocks(file, *c.Layout, info.data(), pixels.data());
        ASSERT_EQ(file.Size(), 14 + c.Layout->InfoSize + c.Layout->ImageSize);
        file.SetPosition(0);
        const TDib d = ReadBitmapFile(file);
        EXPECT_EQ(d.TopDown, k.Height < 0);
        EXPECT_EQ(Bytes(d.Bits.begin(), d.Bits.end()),
                  Bytes(pixels.begin(), pixels.begin() + c.Layout->ImageSize));
        EXPECT_EQ(d.Colors.size(), k.Bits <= 8 ? c.Layout->ColorCount : 0u);
        EXPECT_EQ(ReadDib(info, pixels), d);
    }
}
