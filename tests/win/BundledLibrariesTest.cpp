// The plug-ins over the field's decoder libraries (ifjpeg, ifpng, ifwebp, ifavif) as a host sees
// them: their self-descriptions, pictures decoded to ImageMagick's pixels of the same files,
// EXIF orientation, truncated and damaged files refused cleanly, and a stop asked by the
// progress callback. What every bundled plug-in shares is checked here for ifwic and ifstb as
// well: the limit in their descriptions and headers above it refused.
//
// Tolerances are against ImageMagick's decode of the same file, so they measure two decoders,
// not the compression: lossless pictures must match exactly (16-bit PNG within 1, rounding);
// JPEG, lossy WebP and AVIF within 3 per channel (other rounding in the colour conversion). The
// AVIF references are libavif's decode (ImageMagick drops AVIF's alpha).
#include "BundledSupport.h"
#include "framework/PictureLimits.h"
#include "plugins/SPIs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <vector>

using namespace bundled_test;

namespace {

const Plugin& Module(const std::string& name) {
    static std::map<std::string, std::unique_ptr<Plugin>> loaded;
    auto& p = loaded[name];
    if (!p)
        p = std::make_unique<Plugin>(name);
    return *p;
}

struct Described {
    const char* Module;
    std::vector<std::pair<std::string, std::string>> Pairs;
    bool AllPairs = true; // ifwic names more formats where the system has more decoders
};

TEST(BundledPlugins, DescribeEachExtensionAndTheirLimits) {
    const std::vector<Described> table = {
        {"ifjpeg", {{"*.jpg", "JPEG"}, {"*.jpeg", "JPEG"}, {"*.jpe", "JPEG"}, {"*.jfif", "JPEG"}}},
        {"ifpng", {{"*.png", "PNG"}}},
        {"ifwebp", {{"*.webp", "WebP"}}},
        {"ifavif", {{"*.avif", "AVIF"}}},
        {"ifstb",
         {{"*.tga;*.vda;*.icb;*.vst", "Truevision TGA"},
          {"*.psd", "Photoshop (composite image)"},
          {"*.ppm;*.pgm;*.pnm", "Portable anymap (binary)"},
          {"*.hdr", "Radiance HDR (tone-mapped)"}}},
        {"ifwic",
         {{"*.gif", "GIF"},
          {"*.tif;*.tiff", "TIFF"},
          {"*.bmp;*.dib;*.rle", "Windows Bitmap"},
          {"*.ico", "Windows Icon"}},
         false},
    };
    // The viewer's limit, in the numbers it is defined with.
    const std::string limits = "wider or taller than " + std::to_string(tovane::MaxPictureSide) +
                               " pixels or larger than " +
                               std::to_string(tovane::MaxPictureBytes >> 20) + " MiB as a bitmap";
    for (const Described& d : table) {
        const Plugin& p = Module(d.Module);
        ASSERT_TRUE(p.Loaded()) << d.Module;
        EXPECT_EQ(p.Info(0), "00IN");
        EXPECT_NE(p.Info(1).find(limits), std::string::npos) << p.Info(1);
        int index = 2;
        for (const auto& [filter, name] : d.Pairs) {
            EXPECT_EQ(p.Info(index++), filter) << d.Module;
            EXPECT_EQ(p.Info(index++), name) << d.Module;
        }
        int result = 1;
        p.Info(index, 255, &result);
        if (d.AllPairs) {
            EXPECT_EQ(result, 0) << d.Module << ": text past the last pair";
        }
    }
}

struct Fixture {
    const char* Module;
    const char* Name;
    int Tolerance;
    unsigned BitCount;
};

void PrintTo(const Fixture& f, std::ostream* os) {
    *os << f.Module << " " << f.Name;
}

class LibraryDecodes : public testing::TestWithParam<Fixture> {};

TEST_P(LibraryDecodes, FromFileAndMemoryLikeTheReference) {
    const Fixture f = GetParam();
    const Plugin& p = Module(f.Module);
    ASSERT_TRUE(p.Loaded());
    ExpectDecodesLikeTheReference(p, f.Name, f.BitCount, f.Tolerance);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, LibraryDecodes,
    testing::Values(
        Fixture{"ifjpeg", "photo.jpg", 3, 24}, Fixture{"ifjpeg", "busy.jpg", 3, 24},
        Fixture{"ifjpeg", "progressive.jpg", 3, 24}, Fixture{"ifjpeg", "grey.jpg", 3, 24},
        Fixture{"ifjpeg", "cmyk.jpg", 3, 24}, Fixture{"ifpng", "photo.png", 0, 24},
        Fixture{"ifpng", "palette.png", 0, 24}, Fixture{"ifpng", "palette4.png", 0, 24},
        Fixture{"ifpng", "alpha.png", 0, 32}, Fixture{"ifpng", "deep.png", 1, 24},
        Fixture{"ifpng", "deep-alpha.png", 1, 32}, Fixture{"ifpng", "grey.png", 0, 24},
        Fixture{"ifpng", "grey16.png", 1, 24}, Fixture{"ifpng", "grey-alpha.png", 0, 32},
        Fixture{"ifpng", "mono.png", 0, 24}, Fixture{"ifpng", "colourkey.png", 0, 32},
        Fixture{"ifpng", "clear.png", 0, 32}, Fixture{"ifpng", "interlaced.png", 0, 24},
        Fixture{"ifwebp", "lossy.webp", 3, 24}, Fixture{"ifwebp", "lossless.webp", 0, 24},
        Fixture{"ifwebp", "alpha.webp", 3, 32}, Fixture{"ifwebp", "alpha-lossless.webp", 0, 32},
        Fixture{"ifwebp", "animated.webp", 0, 24}, Fixture{"ifavif", "photo.avif", 3, 24},
        Fixture{"ifavif", "alpha.avif", 3, 32}, Fixture{"ifavif", "deep10.avif", 3, 24},
        Fixture{"ifavif", "deep12.avif", 3, 24}),
    [](const testing::TestParamInfo<Fixture>& p) { return TestName(p.param.Name); });

struct Orientation {
    int Value;
    const char* Reference;
    bool SwapsAxes;
};

TEST(LibraryPlugins, ShowTheJpegTheWayItsExifSays) {
    const Plugin& p = Module("ifjpeg");
    ASSERT_TRUE(p.Loaded());
    for (const Orientation o :
         {Orientation{6, "photo-6.rgba", true}, Orientation{8, "photo-8.rgba", true},
          Orientation{3, "photo-3.rgba", false}}) {
        const std::vector<std::uint8_t> jpeg =
            WithExifOrientation(ReadWholeFile(FixturePath("photo.jpg")), o.Value);
        const std::uint32_t w = o.SwapsAxes ? 23 : 37, h = o.SwapsAxes ? 37 : 23;
        PictureInfo info{};
        ASSERT_EQ(p.PictureInfoOf(reinterpret_cast<const char*>(jpeg.data()),
                                  static_cast<LONG_PTR>(jpeg.size()), 1, info),
                  0);
        EXPECT_EQ(info.width, static_cast<long>(w)) << o.Value;
        EXPECT_EQ(info.height, static_cast<long>(h)) << o.Value;
        const Decoded d = p.FromMemory(jpeg);
        ASSERT_EQ(d.Result, 0) << o.Value;
        EXPECT_EQ(d.Width, w);
        EXPECT_EQ(d.Height, h);
        const int difference = MaxDifference(d.Rgba, ReadWholeFile(FixturePath(o.Reference)));
        EXPECT_GE(difference, 0) << o.Value;
        EXPECT_LE(difference, 3) << o.Value;
    }
}

// GetPictureInfo of a file reads its first bytes only, and the whole file when the headers
// reach further (here comment segments push the frame header past a quarter of a megabyte).
TEST(LibraryPlugins, ReadTheJpegFactsOfAFileWhateverItsHeadersLength) {
    const Plugin& p = Module("ifjpeg");
    ASSERT_TRUE(p.Loaded());
    const std::vector<std::uint8_t> turned =
        WithExifOrientation(ReadWholeFile(FixturePath("photo.jpg")), 6);
    for (const int comments : {0, 6}) {
        std::vector<std::uint8_t> jpeg(turned.begin(), turned.begin() + 2); // SOI
        for (int k = 0; k < comments; ++k) {
            const std::uint16_t length = 60000;
            jpeg.insert(jpeg.end(), {0xFF, 0xFE, static_cast<std::uint8_t>(length >> 8),
                                     static_cast<std::uint8_t>(length & 0xFF)});
            jpeg.insert(jpeg.end(), length - 2, 'x');
        }
        jpeg.insert(jpeg.end(), turned.begin() + 2, turned.end());
        const TempFile file(jpeg, ".jpg");
        PictureInfo info{};
        ASSERT_EQ(p.PictureInfoOf(file.Path().c_str(), 0, 0, info), 0) << comments;
        EXPECT_EQ(info.width, 23) << comments;
        EXPECT_EQ(info.height, 37) << comments;
    }
}

class LibraryRefuses : public testing::TestWithParam<Fixture> {};

// Cut off halfway, before its last bytes, or after the first 40: a clean error, no handles.
// Then bytes spread over the file damaged in turn (every one in small files, about 200 in
// larger ones): a result code of the API, and a success is a sound DIB.
TEST_P(LibraryRefuses, TruncatedAndDamagedPictures) {
    const Fixture f = GetParam();
    const Plugin& p = Module(f.Module);
    ASSERT_TRUE(p.Loaded());
    const std::vector<std::uint8_t> bytes = ReadWholeFile(FixturePath(f.Name));
    ASSERT_GT(bytes.size(), 100u);
    for (std::size_t keep : {bytes.size() / 2, bytes.size() - 8, std::size_t{40}}) {
        const std::vector<std::uint8_t> cut(bytes.begin(), bytes.begin() + keep);
        const Decoded d = p.FromMemory(cut);
        EXPECT_TRUE(d.Result == 2 || d.Result == 3) << "cut to " << keep << " gave " << d.Result;
        EXPECT_FALSE(d.InfoHandleSet || d.BitsHandleSet);
    }
    const std::size_t step = std::max<std::size_t>(1, bytes.size() / 200);
    for (std::size_t at = 0; at < bytes.size(); at += step) {
        std::vector<std::uint8_t> damaged = bytes;
        damaged[at] ^= 0xA5;
        const Decoded d = p.FromMemory(damaged);
        ASSERT_TRUE(d.Result == 0 || d.Result == 2 || d.Result == 3 || d.Result == 4)
            << "byte " << at << " gave " << d.Result;
        if (d.Result == 0) {
            ASSERT_EQ(d.HeaderProblem, "") << "byte " << at;
        } else {
            ASSERT_FALSE(d.InfoHandleSet || d.BitsHandleSet) << "byte " << at;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Formats, LibraryRefuses,
    testing::Values(Fixture{"ifjpeg", "photo.jpg"}, Fixture{"ifjpeg", "progressive.jpg"},
                    Fixture{"ifpng", "photo.png"}, Fixture{"ifpng", "palette4.png"},
                    Fixture{"ifwebp", "lossy.webp"}, Fixture{"ifwebp", "alpha-lossless.webp"},
                    Fixture{"ifwebp", "animated.webp"}, Fixture{"ifavif", "alpha.avif"},
                    Fixture{"ifavif", "deep10.avif"}),
    [](const testing::TestParamInfo<Fixture>& p) { return TestName(p.param.Name); });

// PNG's chunk checksum (CRC-32 of the chunk's type and data).
std::uint32_t Crc32(const std::uint8_t* data, std::size_t size) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

std::vector<std::uint8_t> Text(const std::string& text) {
    return {text.begin(), text.end()};
}

void PutLittleEndian(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t v, int n) {
    for (int i = 0; i < n; ++i)
        bytes[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// A GIF of one w x h picture whose data is only a clear and an end code.
std::vector<std::uint8_t> Gif(std::uint32_t w, std::uint32_t h) {
    std::vector<std::uint8_t> g = Text("GIF89a");
    g.resize(13 + 6 + 10);
    PutLittleEndian(g, 6, w, 2);
    PutLittleEndian(g, 8, h, 2);
    g[10] = 0x80; // a global table of two colours
    g[19] = 0x2C; // the image descriptor
    PutLittleEndian(g, 24, w, 2);
    PutLittleEndian(g, 26, h, 2);
    g.insert(g.end(), {2, 1, 0x2C, 0, ';'}); // code size 2, one sub-block, the trailer
    return g;
}

// A little-endian TIFF of one uncompressed grey w x h strip, of which 64 bytes are there.
std::vector<std::uint8_t> Tiff(std::uint32_t w, std::uint32_t h) {
    const std::vector<std::pair<std::uint16_t, std::uint32_t>> tags = {
        {256, w}, {257, h}, {258, 8}, {259, 1}, {262, 1}, {273, 8}, {277, 1}, {278, h}, {279, 64}};
    std::vector<std::uint8_t> t = Text(std::string("II*\0", 4));
    t.resize(8 + 64 + 2 + 12 * tags.size() + 4);
    PutLittleEndian(t, 4, 8 + 64, 4);
    PutLittleEndian(t, 72, static_cast<std::uint32_t>(tags.size()), 2);
    std::size_t at = 74;
    for (const auto& [tag, value] : tags) {
        PutLittleEndian(t, at, tag, 2);
        PutLittleEndian(t, at + 2, 4, 2); // LONG
        PutLittleEndian(t, at + 4, 1, 4);
        PutLittleEndian(t, at + 8, value, 4);
        at += 12;
    }
    return t;
}

// A bitmap file header and info header for w x h pixels at 24 bits, with 64 bytes of pixels.
std::vector<std::uint8_t> Bmp(std::uint32_t w, std::uint32_t h) {
    std::vector<std::uint8_t> b(54 + 64, 0);
    b[0] = 'B';
    b[1] = 'M';
    PutLittleEndian(b, 2, static_cast<std::uint32_t>(b.size()), 4);
    PutLittleEndian(b, 10, 54, 4);
    PutLittleEndian(b, 14, 40, 4);
    PutLittleEndian(b, 18, w, 4);
    PutLittleEndian(b, 22, h, 4);
    b[26] = 1;
    b[28] = 24;
    return b;
}

std::vector<std::uint8_t> Tga(std::uint32_t w, std::uint32_t h) {
    std::vector<std::uint8_t> t(18 + 64, 0);
    t[2] = 2; // uncompressed true colour
    PutLittleEndian(t, 12, w, 2);
    PutLittleEndian(t, 14, h, 2);
    t[16] = 24;
    return t;
}

// The viewer's one limit (PictureLimits.h), on the DIB a plug-in would deliver: headers above
// it over a few bytes of data are refused as "no memory" (4) by both exports, before anything of
// the picture's size is decoded or allocated; those at or just within it are not refused.
TEST(BundledPlugins, RefuseHeadersAboveTheirLimits) {
    auto sized = [](std::vector<std::uint8_t> bytes, std::size_t at, std::uint32_t w,
                    std::uint32_t h, bool bigEndian32) {
        if (bigEndian32) {
            for (int i = 0; i < 4; ++i) {
                bytes[at + i] = static_cast<std::uint8_t>(w >> (24 - 8 * i));
                bytes[at + 4 + i] = static_cast<std::uint8_t>(h >> (24 - 8 * i));
            }
        } else { // JPEG's frame header: height, then width, 16 bits each
            bytes[at] = static_cast<std::uint8_t>(h >> 8);
            bytes[at + 1] = static_cast<std::uint8_t>(h);
            bytes[at + 2] = static_cast<std::uint8_t>(w >> 8);
            bytes[at + 3] = static_cast<std::uint8_t>(w);
        }
        return bytes;
    };
    const std::vector<std::uint8_t> jpeg = ReadWholeFile(FixturePath("photo.jpg"));
    std::size_t frame = 0; // the baseline frame header's height field
    for (std::size_t i = 2; i + 1 < jpeg.size(); ++i)
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xC0) {
            frame = i + 5;
            break;
        }
    ASSERT_NE(frame, 0u);
    // PNG: IHDR's width and height follow the signature and the chunk's length and type, then
    // its bit depth and colour type (photo.png: 8-bit RGB; 6 is RGBA); its checksum is made to
    // match.
    auto png = [&](std::uint32_t w, std::uint32_t h, std::uint8_t colourType = 2) {
        std::vector<std::uint8_t> bytes =
            sized(ReadWholeFile(FixturePath("photo.png")), 16, w, h, true);
        bytes[25] = colourType;
        const std::uint32_t crc = Crc32(&bytes[12], 17);
        for (int i = 0; i < 4; ++i)
            bytes[29 + i] = static_cast<std::uint8_t>(crc >> (24 - 8 * i));
        return bytes;
    };
    constexpr std::uint32_t side = tovane::MaxPictureSide;
    // As many rows of 16384 pixels as fit at 24 bits: at 32 bits they do not.
    constexpr auto rows = static_cast<std::uint32_t>(tovane::MaxPictureBytes / (16384 * 3));
    struct Case {
        const char* Module;
        std::vector<std::uint8_t> Bytes;
        bool Refused;
    };
    const std::vector<Case> cases = {
        {"ifjpeg", sized(jpeg, frame, 65535, 65535, false), true},
        {"ifpng", png(side + 1, 1), true},
        {"ifpng", png(65535, 65535), true},
        {"ifpng", png(16384, rows, 6), true},
        {"ifpng", png(16384, rows), false},
        {"ifpng", png(side, 1), false},
        {"ifwic", png(30000, 30000), true},
        {"ifwic", Gif(20000, 20000), true},
        {"ifwic", Tiff(30000, 30000), true},
        {"ifwic", Bmp(50000, 50000), true},
        {"ifwic", Bmp(side + 1, 1), true},
        {"ifstb", Tga(65535, 65535), true},
        {"ifstb", Text("P6\n30000 30000\n255\n" + std::string(64, '\0')), true},
        {"ifstb", Text("P5\n" + std::to_string(side + 1) + " 1\n255\n" + std::string(64, 'A')),
         true},
        {"ifstb", Text("P5\n" + std::to_string(side) + " 1\n255\n" + std::string(side, 'A')),
         false},
    };
    for (const Case& c : cases) {
        const Plugin& p = Module(c.Module);
        ASSERT_TRUE(p.Loaded());
        const int picture = p.FromMemory(c.Bytes).Result;
        PictureInfo info{};
        const int facts = p.PictureInfoOf(reinterpret_cast<const char*>(c.Bytes.data()),
                                          static_cast<LONG_PTR>(c.Bytes.size()), 1, info);
        if (c.Refused) {
            EXPECT_EQ(picture, 4) << c.Module << " case " << &c - cases.data();
            EXPECT_EQ(facts, 4) << c.Module << " case " << &c - cases.data();
        } else {
            EXPECT_NE(picture, 4) << c.Module << " case " << &c - cases.data();
            EXPECT_EQ(facts, 0) << c.Module << " case " << &c - cases.data();
        }
    }
    // Within the limit, a picture one limit wide is decoded.
    const Decoded wide = Module("ifstb").FromMemory(cases.back().Bytes);
    ASSERT_EQ(wide.Result, 0);
    EXPECT_EQ(wide.Width, side);
    EXPECT_EQ(wide.Rgba[4 * (side - 1)], 'A');
}

struct ProgressLog {
    std::vector<int> Thousandths; // each call's done / total, in thousandths
    int StopAtCall = -1;          // the call (counted from 0) on which to ask for a stop
};

int WINAPI LogProgress(int done, int total, LONG_PTR user) {
    auto* log = reinterpret_cast<ProgressLog*>(user);
    EXPECT_TRUE(done >= 0 && done <= total && total > 0) << done << "/" << total;
    log->Thousandths.push_back(total > 0 ? static_cast<int>(1000ll * done / total) : -1);
    return static_cast<int>(log->Thousandths.size()) - 1 == log->StopAtCall ? 1 : 0;
}

ProgressLog DecodeLogged(const Plugin& p, const std::string& path, int stopAtCall = -1,
                         int* result = nullptr) {
    ProgressLog log;
    log.StopAtCall = stopAtCall;
    const Decoded d = p.Picture(path.c_str(), 0, 0, LogProgress, reinterpret_cast<LONG_PTR>(&log));
    if (result)
        *result = d.Result;
    EXPECT_TRUE(d.Result == 0 || !(d.InfoHandleSet || d.BitsHandleSet)) << path;
    return log;
}

struct ProgressCase {
    const char* Module;
    const char* Name;
    int LongestStretch; // in thousandths of the whole
};

void PrintTo(const ProgressCase& c, std::ostream* os) {
    *os << c.Module << " " << c.Name;
}

class BundledProgress : public testing::TestWithParam<ProgressCase> {};

// A decode tells the host how far it is all along, through the library's own hooks: from 0 to
// the whole, never back, a few hundred calls at most, and no stretch between two calls longer
// than a small part of the whole: the scans of a progressive JPEG are read inside
// jpeg_start_decompress, an animation's first frame is decoded in slices, WIC's pixels are
// copied in bands, stb_image is heard as it reads. This system's TIFF decoder reads the whole
// file in one read when it opens it (half of WIC's scale at once, and no work in it), then decodes
// strip by strip as the bands are copied. libheif reports nothing of its AV1 decode: for AVIF
// only the steps around it are heard.
TEST_P(BundledProgress, IsReportedThroughoutTheDecode) {
    const ProgressCase c = GetParam();
    const Plugin& p = Module(c.Module);
    ASSERT_TRUE(p.Loaded());
    int result = -1;
    const ProgressLog log = DecodeLogged(p, FixturePath(c.Name), -1, &result);
    ASSERT_EQ(result, 0);
    ASSERT_GE(log.Thousandths.size(), 2u);
    EXPECT_LE(log.Thousandths.size(), 260u) << "progress calls stay cheap";
    EXPECT_EQ(log.Thousandths.front(), 0);
    EXPECT_EQ(log.Thousandths.back(), 1000);
    int longest = 0;
    for (std::size_t i = 1; i < log.Thousandths.size(); ++i) {
        const int step = log.Thousandths[i] - log.Thousandths[i - 1];
        EXPECT_GE(step, 0) << "call " << i;
        longest = std::max(longest, step);
    }
    EXPECT_LE(longest, c.LongestStretch);
}

INSTANTIATE_TEST_SUITE_P(Fixtures, BundledProgress,
                         testing::Values(ProgressCase{"ifjpeg", "busy-progressive.jpg", 60},
                                         ProgressCase{"ifjpeg", "busy.jpg", 60},
                                         ProgressCase{"ifpng", "interlaced.png", 60},
                                         ProgressCase{"ifwebp", "busy-animated.webp", 60},
                                         ProgressCase{"ifwebp", "lossy.webp", 60},
                                         ProgressCase{"ifwic", "busy.gif", 60},
                                         ProgressCase{"ifwic", "busy.tif", 500},
                                         ProgressCase{"ifstb", "busy.tga", 60},
                                         ProgressCase{"ifavif", "photo.avif", 850}),
                         [](const testing::TestParamInfo<ProgressCase>& p) {
                             return std::string(p.param.Module) + "_" + TestName(p.param.Name);
                         });

// Stopped at one of its progress calls (the first ones, a spread of the others, the last): result
// 1, no handles, no call after the stop. busy-progressive.jpg is stopped inside
// jpeg_start_decompress too.
TEST(LibraryPlugins, StopWhenTheCallbackAsks) {
    for (const Fixture f :
         {Fixture{"ifjpeg", "busy.jpg"}, Fixture{"ifjpeg", "busy-progressive.jpg"},
          Fixture{"ifpng", "interlaced.png"}, Fixture{"ifwebp", "lossy.webp"},
          Fixture{"ifwebp", "animated.webp"}, Fixture{"ifwebp", "busy-animated.webp"},
          Fixture{"ifavif", "photo.avif"}, Fixture{"ifstb", "busy.tga"}}) {
        const Plugin& p = Module(f.Module);
        ASSERT_TRUE(p.Loaded());
        const std::string path = FixturePath(f.Name);
        const int calls = static_cast<int>(DecodeLogged(p, path).Thousandths.size());
        EXPECT_GE(calls, 3) << f.Name;
        std::vector<int> stops = {0, 1, 2};
        for (int at = 3; at < calls - 1; at += 23)
            stops.push_back(at);
        stops.push_back(calls - 1);
        for (const int at : stops) {
            int result = -1;
            const ProgressLog log = DecodeLogged(p, path, at, &result);
            EXPECT_EQ(result, 1) << f.Name << " stopped at call " << at;
            EXPECT_EQ(static_cast<int>(log.Thousandths.size()), at + 1)
                << f.Name << ": no call after the stop";
        }
    }
}

// A file is read a chunk at a time, each chunk told to the host (a large file on a slow share
// takes long), and a stop between chunks ends the read: a PNG followed by 4 MB that no decoder
// reads.
TEST(BundledPlugins, ReportTheFileReadAndStopInIt) {
    const Plugin& p = Module("ifpng");
    ASSERT_TRUE(p.Loaded());
    std::vector<std::uint8_t> bytes = ReadWholeFile(FixturePath("photo.png"));
    bytes.resize(bytes.size() + (4 << 20), 0);
    const TempFile file(bytes, ".png");
    ProgressLog memory;
    ASSERT_EQ(p.Picture(reinterpret_cast<const char*>(bytes.data()),
                        static_cast<LONG_PTR>(bytes.size()), 1, LogProgress,
                        reinterpret_cast<LONG_PTR>(&memory))
                  .Result,
              0);
    int result = -1;
    const ProgressLog read = DecodeLogged(p, file.Path(), -1, &result);
    ASSERT_EQ(result, 0);
    EXPECT_GE(read.Thousandths.size(), memory.Thousandths.size() + 4) << "a call per megabyte";
    const ProgressLog stopped = DecodeLogged(p, file.Path(), 1, &result);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(stopped.Thousandths.size(), 2u);
    EXPECT_LT(stopped.Thousandths.back(), read.Thousandths.back() / 10) << "stopped in the read";
}

// The host's trial order over the program's folder: for each extension, the library plug-in
// comes before ifwic, which still decodes these formats as the fallback.
TEST(LibraryPlugins, AreTriedBeforeTheWicPlugin) {
    tovane::TSPIs spis;
    spis.AutoSearch = false;
    spis.Search(ProgramFolder() + tovane::DefaultSPIMask);
    const std::string suffix = tovane::DefaultSPIMask + 1; // ".sph" or ".spi"
    for (const auto& [extension, first] :
         std::vector<std::pair<const char*, const char*>>{{".jpg", "ifjpeg"},
                                                          {".jfif", "ifjpeg"},
                                                          {".png", "ifpng"},
                                                          {".webp", "ifwebp"},
                                                          {".avif", "ifavif"}}) {
        std::vector<tovane::TInSPI*> loaders;
        spis.CollectLoaders<tovane::TInSPI>(extension, loaders);
        ASSERT_FALSE(loaders.empty());
        EXPECT_TRUE(loaders.front()->FileName().ends_with(first + suffix))
            << extension << " goes first to " << loaders.front()->FileName();
        const auto wic = std::find_if(loaders.begin(), loaders.end(), [&](tovane::TInSPI* p) {
            return p->FileName().ends_with("ifwic" + suffix);
        });
        EXPECT_NE(wic, loaders.end()) << extension;
    }
}

} // namespace
