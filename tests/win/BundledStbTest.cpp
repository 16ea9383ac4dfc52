// The stb_image import plug-in: TGA, PSD, PNM and Radiance HDR decoded to ImageMagick's pixels,
// and truncated and damaged files refused. (Its description and its limit are checked with the
// other bundled plug-ins', in BundledLibrariesTest.cpp.)
#include "BundledSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using namespace bundled_test;

namespace {

const Plugin& Stb() {
    static const Plugin plugin("ifstb");
    return plugin;
}

std::vector<std::uint8_t> Bytes(const std::string& text) {
    return {text.begin(), text.end()};
}

class StbDecodes : public testing::TestWithParam<const char*> {};

TEST_P(StbDecodes, FromFileAndMemoryExactlyLikeTheReference) {
    ASSERT_TRUE(Stb().Loaded());
    const std::string path = FixturePath(GetParam());
    const std::vector<std::uint8_t> bytes = ReadWholeFile(path);
    const std::vector<std::uint8_t> reference = ReadWholeFile(path + ".rgba");
    ASSERT_FALSE(bytes.empty());
    ASSERT_FALSE(reference.empty());
    EXPECT_TRUE(Stb().Supports(path, bytes));

    PictureInfo info{};
    ASSERT_EQ(Stb().PictureInfoOf(path.c_str(), 0, 0, info), 0);
    EXPECT_EQ(info.width, 37);
    EXPECT_EQ(info.height, 23);
    EXPECT_EQ(info.hInfo, nullptr);

    const Decoded file = Stb().FromFile(path);
    ASSERT_EQ(file.Result, 0);
    ASSERT_EQ(file.HeaderProblem, "");
    EXPECT_EQ(MaxDifference(file.Rgba, reference), 0);
    const Decoded memory = Stb().FromMemory(bytes);
    ASSERT_EQ(memory.Result, 0);
    EXPECT_EQ(memory.Rgba, file.Rgba);
}

INSTANTIATE_TEST_SUITE_P(Formats, StbDecodes,
                         testing::Values("photo.tga", "top.tga", "rle.tga", "alpha.tga",
                                         "photo.psd", "photo.ppm", "grey.pgm"),
                         [](const testing::TestParamInfo<const char*>& p) {
                             return TestName(p.param);
                         });

TEST(StbPlugin, KeepsAlphaOnlyWhereThePictureHasIt) {
    ASSERT_TRUE(Stb().Loaded());
    EXPECT_EQ(Stb().FromFile(FixturePath("alpha.tga")).BitCount, 32u);
    EXPECT_EQ(Stb().FromFile(FixturePath("photo.tga")).BitCount, 24u);
}

TEST(StbPlugin, KnowsATgaOnlyByItsExtension) {
    ASSERT_TRUE(Stb().Loaded());
    const std::vector<std::uint8_t> tga = ReadWholeFile(FixturePath("photo.tga"));
    EXPECT_TRUE(Stb().Supports("C:\\pictures\\PHOTO.TGA", tga));
    EXPECT_FALSE(Stb().Supports("C:\\pictures.tga\\photo", tga));
    for (const char* name : {"photo.jpg", "photo.png", "photo.gif", "photo.bmp"})
        EXPECT_FALSE(Stb().Supports(name, ReadWholeFile(FixturePath(name)))) << name;
}

TEST(StbPlugin, DecodesAfterAMacBinaryHeader) {
    ASSERT_TRUE(Stb().Loaded());
    const std::vector<std::uint8_t> psd = ReadWholeFile(FixturePath("photo.psd"));
    const TempFile file(Prefixed(128, 0, psd), ".psd");
    const Decoded d = Stb().FromFile(file.Path(), 128);
    ASSERT_EQ(d.Result, 0);
    EXPECT_EQ(d.Rgba, ReadWholeFile(FixturePath("photo.psd.rgba")));
}

// Radiance pixels are RGBE: value = mantissa / 256 * 2^(exponent - 128). Shown through
// x / (1 + x) and gamma 2.2: 1.0 -> 186, 0.5 -> 155, 0.25 -> 123, 8.0 -> 242.
TEST(StbPlugin, ToneMapsRadianceHdr) {
    ASSERT_TRUE(Stb().Loaded());
    std::vector<std::uint8_t> hdr = Bytes("#?RADIANCE\nFORMAT=32-bit_rle_rgbe\n\n-Y 2 +X 3\n");
    const std::uint8_t pixels[] = {
        128, 64,  32, 129, 0,   0,   0,   0,   128, 128, 128, 132,  // 1, .5, .25 | 0 | 8
        32,  128, 64, 129, 128, 128, 128, 129, 0,   0,   128, 129}; // .25, 1, .5 | 1 | 0, 0, 1
    hdr.insert(hdr.end(), std::begin(pixels), std::end(pixels));
    EXPECT_TRUE(Stb().Supports("x.hdr", hdr));
    const Decoded d = Stb().FromMemory(hdr);
    ASSERT_EQ(d.Result, 0);
    ASSERT_EQ(d.Width, 3u);
    ASSERT_EQ(d.Height, 2u);
    EXPECT_EQ(d.BitCount, 24u);
    const std::vector<std::uint8_t> expected = {186, 155, 123, 255, 0,   0,   0,   255,
                                                242, 242, 242, 255, 123, 186, 155, 255,
                                                186, 186, 186, 255, 0,   0,   186, 255};
    EXPECT_LE(MaxDifference(d.Rgba, expected), 1);
}

TEST(StbPlugin, RefusesTruncatedAndDamagedPictures) {
    ASSERT_TRUE(Stb().Loaded());
    for (const char* name :
         {"photo.tga", "rle.tga", "alpha.tga", "photo.psd", "photo.ppm", "grey.pgm"}) {
        const std::vector<std::uint8_t> bytes = ReadWholeFile(FixturePath(name));
        // (A PSD's last byte may be a no-op of its run-length code; eight bytes are not.)
        for (std::size_t keep : {bytes.size() / 2, bytes.size() - 8, std::size_t{20}}) {
            const std::vector<std::uint8_t> cut(bytes.begin(), bytes.begin() + keep);
            const Decoded d = Stb().FromMemory(cut);
            EXPECT_TRUE(d.Result == 2 || d.Result == 3)
                << name << " cut to " << keep << " gave " << d.Result;
            EXPECT_FALSE(d.InfoHandleSet || d.BitsHandleSet);
        }
    }
    // Structures that no decoder can read: a TGA of kind 77, a PSD of 99 channels, a PNM
    // whose width is not a number.
    std::vector<std::uint8_t> tga = ReadWholeFile(FixturePath("photo.tga"));
    tga[2] = 77;
    EXPECT_NE(Stb().FromMemory(tga).Result, 0);
    std::vector<std::uint8_t> psd = ReadWholeFile(FixturePath("photo.psd"));
    psd[13] = 99;
    EXPECT_NE(Stb().FromMemory(psd).Result, 0);
    EXPECT_NE(Stb().FromMemory(Bytes("P6\nab 2\n255\n" + std::string(12, 'x'))).Result, 0);
}

TEST(StbPlugin, SurvivesDamageAnywhere) {
    ASSERT_TRUE(Stb().Loaded());
    for (const char* name : {"photo.tga", "rle.tga", "photo.psd", "photo.ppm"}) {
        const std::vector<std::uint8_t> bytes = ReadWholeFile(FixturePath(name));
        for (std::size_t at = 0; at < std::min<std::size_t>(bytes.size(), 400); ++at) {
            std::vector<std::uint8_t> damaged = bytes;
            damaged[at] ^= 0xA5;
            const Decoded d = Stb().FromMemory(damaged);
            ASSERT_TRUE(d.Result >= 0 && d.Result <= 4)
                << name << " byte " << at << " gave " << d.Result;
            if (d.Result == 0) {
                ASSERT_EQ(d.HeaderProblem, "") << name << " byte " << at;
            }
        }
    }
}

int WINAPI StopAtOnce(int, int, LONG_PTR) {
    return 1;
}

TEST(StbPlugin, StopsWhenTheCallbackAsks) {
    ASSERT_TRUE(Stb().Loaded());
    const std::string path = FixturePath("photo.psd");
    const Decoded d = Stb().Picture(path.c_str(), 0, 0, StopAtOnce, 0);
    EXPECT_EQ(d.Result, 1);
    EXPECT_FALSE(d.InfoHandleSet || d.BitsHandleSet);
}

} // namespace
