// Format recognition of the bundled plug-ins on the host's 2 KB header.
#include "bundled/common/Sniff.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using bundled::PictureFormat;
using bundled::SniffFormat;

namespace {

std::vector<std::uint8_t> Head(std::string text) {
    text.resize(2048, '\0'); // the host pads short data with zeros
    return {text.begin(), text.end()};
}

PictureFormat Sniff(const std::string& text, const char* name = "x") {
    return SniffFormat(Head(text), name);
}

std::string Tga(std::uint8_t colorMap, std::uint8_t type, std::uint8_t bits) {
    std::string t(18, '\0');
    t[1] = static_cast<char>(colorMap);
    t[2] = static_cast<char>(type);
    t[12] = 37;
    t[14] = 23;
    t[16] = static_cast<char>(bits);
    return t;
}

TEST(BundledSniff, RecognisesSignatures) {
    EXPECT_EQ(Sniff("\xFF\xD8\xFF\xE0"), PictureFormat::Jpeg);
    EXPECT_EQ(Sniff("\x89PNG\r\n\x1A\n"), PictureFormat::Png);
    EXPECT_EQ(Sniff("GIF89a"), PictureFormat::Gif);
    EXPECT_EQ(Sniff("GIF87a"), PictureFormat::Gif);
    EXPECT_EQ(Sniff(std::string("II*\0", 4)), PictureFormat::Tiff);
    EXPECT_EQ(Sniff(std::string("MM\0*", 4)), PictureFormat::Tiff);
    EXPECT_EQ(Sniff("II\xBC\x01"), PictureFormat::JpegXr);
    EXPECT_EQ(Sniff(std::string("RIFF\x10\0\0\0WEBPVP8 ", 16)), PictureFormat::WebP);
    EXPECT_EQ(Sniff(std::string("\0\0\0\x18"
                                "ftypheic\0\0\0\0mif1heic",
                                24)),
              PictureFormat::Heif);
    EXPECT_EQ(Sniff(std::string("\0\0\0\x1C"
                                "ftypavif\0\0\0\0avifmif1miaf",
                                28)),
              PictureFormat::Avif);
    EXPECT_EQ(Sniff(std::string("8BPS\0\x01", 6)), PictureFormat::Psd);
    EXPECT_EQ(Sniff("P6\n37 23\n255\n"), PictureFormat::Pnm);
    EXPECT_EQ(Sniff("P5 37 23 255 "), PictureFormat::Pnm);
    EXPECT_EQ(Sniff("#?RADIANCE\nFORMAT=32-bit_rle_rgbe\n"), PictureFormat::Hdr);
    EXPECT_EQ(Sniff("#?RGBE\n"), PictureFormat::Hdr);
}

TEST(BundledSniff, RejectsNearMisses) {
    EXPECT_EQ(Sniff(""), PictureFormat::Unknown);
    EXPECT_EQ(Sniff("\xFF\xD8"), PictureFormat::Unknown);
    EXPECT_EQ(Sniff("GIF88a"), PictureFormat::Unknown);
    EXPECT_EQ(Sniff(std::string("RIFF\x10\0\0\0WAVEfmt ", 16)), PictureFormat::Unknown);
    EXPECT_EQ(Sniff(std::string("\0\0\0\x14"
                                "ftypmp42\0\0\0\0isom",
                                20)),
              PictureFormat::Unknown);
    EXPECT_EQ(Sniff(std::string("8BPS\0\x02", 6)), PictureFormat::Unknown) << "large document";
    EXPECT_EQ(Sniff("P3\n1 1\n255\n"), PictureFormat::Unknown) << "text PNM";
    EXPECT_EQ(Sniff("P6x"), PictureFormat::Unknown);
    EXPECT_EQ(Sniff("#?RADIANCEX"), PictureFormat::Unknown);
}

TEST(BundledSniff, TellsBitmapsAndIconsByTheirHeaders) {
    std::string bmp = "BM" + std::string(12, '\0') + std::string("\x28\0\0\0", 4);
    EXPECT_EQ(Sniff(bmp), PictureFormat::Bmp);
    bmp[14] = 41; // no such header size
    EXPECT_EQ(Sniff(bmp), PictureFormat::Unknown);
    EXPECT_EQ(Sniff("BMx"), PictureFormat::Unknown);

    std::string ico(6 + 16, '\0');
    ico[2] = 1;      // icon
    ico[4] = 1;      // one image
    ico[6 + 8] = 40; // of 40 bytes
    EXPECT_EQ(Sniff(ico), PictureFormat::Ico);
    std::string none = ico;
    none[4] = 0;
    EXPECT_EQ(Sniff(none), PictureFormat::Unknown) << "no images";
    std::string cursor = ico;
    cursor[2] = 2;
    EXPECT_EQ(Sniff(cursor), PictureFormat::Unknown);
    // Zero-padded data that starts with two zero bytes is not an icon.
    EXPECT_EQ(Sniff(std::string(4, '\0')), PictureFormat::Unknown);
}

TEST(BundledSniff, TakesTgaOnlyWithItsExtensionAndAPlausibleHeader) {
    EXPECT_EQ(Sniff(Tga(0, 2, 24), "a.tga"), PictureFormat::Tga);
    EXPECT_EQ(Sniff(Tga(0, 10, 32), "A.TGA"), PictureFormat::Tga);
    EXPECT_EQ(Sniff(Tga(1, 1, 8), "a.vda"), PictureFormat::Tga);
    EXPECT_EQ(Sniff(Tga(0, 3, 8), "dir\\a.Icb"), PictureFormat::Tga);
    EXPECT_EQ(Sniff(Tga(0, 2, 24), "a.bin"), PictureFormat::Unknown);
    EXPECT_EQ(Sniff(Tga(0, 2, 24), "a.tga.bak"), PictureFormat::Unknown);
    EXPECT_EQ(Sniff(Tga(0, 2, 24), ""), PictureFormat::Unknown);
    EXPECT_EQ(Sniff(Tga(1, 2, 24), "a.tga"), PictureFormat::Unknown) << "map on true colour";
    EXPECT_EQ(Sniff(Tga(0, 1, 8), "a.tga"), PictureFormat::Unknown) << "mapped without a map";
    EXPECT_EQ(Sniff(Tga(0, 2, 12), "a.tga"), PictureFormat::Unknown);
    EXPECT_EQ(Sniff(Tga(0, 7, 24), "a.tga"), PictureFormat::Unknown);
    std::string empty = Tga(0, 2, 24);
    empty[12] = 0;
    EXPECT_EQ(Sniff(empty, "a.tga"), PictureFormat::Unknown) << "zero width";
}

TEST(BundledSniff, ComparesExtensionsWithoutCaseAfterTheLastDot) {
    using bundled::HasExtension;
    EXPECT_TRUE(HasExtension("C:\\x\\a.TgA", {"png", "tga"}));
    EXPECT_FALSE(HasExtension("C:\\x.tga\\a", {"tga"}));
    EXPECT_FALSE(HasExtension("tga", {"tga"}));
    EXPECT_FALSE(HasExtension("a.tgax", {"tga"}));
    EXPECT_FALSE(HasExtension("a.", {"tga"}));
    // A double-byte name (code page 932) whose trail byte is 0x5C does not confuse the match.
    EXPECT_TRUE(HasExtension("\x95\x5C.tga", {"tga"}));
}

// The sizes a header gives before any decoder opens the data: PNG's IHDR, and every picture of
// a GIF, found past its colour tables, extensions and image data; what a cut-off GIF still holds.
TEST(BundledSniff, ReadsTheStoredSizesOfPngAndGif) {
    using bundled::StoredPictureSizes;
    using bundled::StoredSize;
    auto sizes = [](const std::string& bytes) {
        return StoredPictureSizes(
            {reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()});
    };
    const std::string png = std::string("\x89PNG\r\n\x1A\n\0\0\0\x0DIHDR", 16) +
                            std::string("\0\x04\0\x01\0\0\0\x02", 8);
    EXPECT_EQ(sizes(png), (std::vector<StoredSize>{{262145, 2}}));
    EXPECT_TRUE(sizes(png.substr(0, 23)).empty());

    // Logical screen 8 x 8 with a global table of 4 colours; a comment; a 3 x 2 picture with a
    // local table of 2 colours; a 65535 x 1 picture.
    std::string gif = std::string("GIF89a\x08\0\x08\0\x81\0\0", 13) + std::string(12, 'c');
    gif += std::string("\x21\xFE\x03"
                       "abc\0",
                       7);
    gif += std::string("\x2C\0\0\0\0\x03\0\x02\0\x80", 10) + std::string(6, 'c');
    gif += std::string("\x02\x02\x44\x01\0", 5);
    const std::string second = std::string("\x2C\0\0\0\0\xFF\xFF\x01\0\0\x02\x01\x44\0;", 15);
    EXPECT_EQ(sizes(gif + second), (std::vector<StoredSize>{{3, 2}, {65535, 1}}));
    EXPECT_EQ(sizes(gif + second.substr(0, 5)), (std::vector<StoredSize>{{3, 2}}));
    EXPECT_TRUE(sizes(std::string("\xFF\xD8\xFF\xE0", 4)).empty());
}

} // namespace
