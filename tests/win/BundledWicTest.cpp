// The WIC import plug-in as a host sees it: its self-description, recognition of the 2 KB
// header, and pictures decoded to the pixels ImageMagick reads from the same files.
#include "BundledSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace bundled_test;

namespace {

const Plugin& Wic() {
    static const Plugin plugin("ifwic");
    return plugin;
}

struct Fixture {
    const char* Name;
    int Tolerance;     // largest channel difference allowed against the reference
    unsigned BitCount; // what the plug-in should deliver
};

void PrintTo(const Fixture& f, std::ostream* os) {
    *os << f.Name;
}

class WicDecodes : public testing::TestWithParam<Fixture> {};

TEST(WicPlugin, Loads) {
    ASSERT_TRUE(Wic().Loaded());
}

TEST(WicPlugin, DescribesItselfAndEachFormat) {
    ASSERT_TRUE(Wic().Loaded());
    EXPECT_EQ(Wic().Info(0), "00IN");
    EXPECT_FALSE(Wic().Info(1).empty());
    std::vector<std::pair<std::string, std::string>> pairs;
    for (int i = 2;; i += 2) {
        const std::string filter = Wic().Info(i), name = Wic().Info(i + 1);
        if (filter.empty() || name.empty())
            break;
        pairs.emplace_back(filter, name);
    }
    auto has = [&](const char* filter, const char* name) {
        for (const auto& p : pairs)
            if (p.first == filter && p.second == name)
                return true;
        return false;
    };
    // JPEG, PNG, WebP and AVIF are left to the library plug-ins, which a host then tries first.
    for (const auto& p : pairs)
        for (const char* name : {"JPEG", "PNG", "WebP", "AVIF"})
            EXPECT_NE(p.second, name);
    EXPECT_TRUE(has("*.gif", "GIF"));
    EXPECT_TRUE(has("*.tif;*.tiff", "TIFF"));
    EXPECT_TRUE(has("*.bmp;*.dib;*.rle", "Windows Bitmap"));
    EXPECT_TRUE(has("*.ico", "Windows Icon"));
    int result = 1;
    Wic().Info(2 + 2 * static_cast<int>(pairs.size()), 255, &result);
    EXPECT_EQ(result, 0) << "no text past the last pair";
    Wic().Info(-1, 255, &result);
    EXPECT_EQ(result, 0);
}

TEST(WicPlugin, CutsTextToTheBuffer) {
    ASSERT_TRUE(Wic().Loaded());
    int result = 0;
    EXPECT_EQ(Wic().Info(3, 3, &result), "GI");
    EXPECT_EQ(result, 2);
}

TEST_P(WicDecodes, FromFileAndMemoryLikeTheReference) {
    ASSERT_TRUE(Wic().Loaded());
    const Fixture f = GetParam();
    ExpectDecodesLikeTheReference(Wic(), f.Name, f.BitCount, f.Tolerance);
}

INSTANTIATE_TEST_SUITE_P(Formats, WicDecodes,
                         testing::Values(Fixture{"photo.jpg", 3, 24}, Fixture{"busy.jpg", 3, 24},
                                         Fixture{"photo.png", 0, 24}, Fixture{"palette.png", 0, 24},
                                         Fixture{"alpha.png", 0, 32}, Fixture{"deep.png", 1, 24},
                                         Fixture{"grey.png", 0, 24}, Fixture{"photo.gif", 0, 24},
                                         Fixture{"photo.tif", 0, 24}, Fixture{"lzw.tif", 0, 24},
                                         Fixture{"photo.bmp", 0, 24}, Fixture{"photo.ico", 0, 24},
                                         Fixture{"alpha.ico", 0, 32}, Fixture{"sizes.ico", 0, 24},
                                         Fixture{"animated.gif", 0, 24},
                                         Fixture{"clear.gif", 0, 32}),
                         [](const testing::TestParamInfo<Fixture>& p) {
                             return TestName(p.param.Name);
                         });

TEST(WicPlugin, LeavesFormatsItLacksToOthers) {
    ASSERT_TRUE(Wic().Loaded());
    for (const char* name : {"photo.tga", "photo.psd", "photo.ppm"}) {
        const std::string path = FixturePath(name);
        EXPECT_FALSE(Wic().Supports(path, ReadWholeFile(path))) << name;
    }
    EXPECT_FALSE(Wic().Supports("empty.jpg", {}));
    EXPECT_EQ(Wic().FromMemory(std::vector<std::uint8_t>(300, 0x41)).Result, 2);
}

TEST(WicPlugin, DecodesFromAnOffsetPastAMacBinaryHeader) {
    ASSERT_TRUE(Wic().Loaded());
    const std::vector<std::uint8_t> png = ReadWholeFile(FixturePath("photo.png"));
    const TempFile file(Prefixed(128, 0x5A, png), ".png");

    PictureInfo info{};
    ASSERT_EQ(Wic().PictureInfoOf(file.Path().c_str(), 128, 0, info), 0);
    EXPECT_EQ(info.width, 37);
    EXPECT_EQ(info.height, 23);
    const Decoded d = Wic().FromFile(file.Path(), 128);
    ASSERT_EQ(d.Result, 0);
    EXPECT_EQ(d.Rgba, ReadWholeFile(FixturePath("photo.png.rgba")));
    EXPECT_NE(Wic().FromFile(file.Path(), 0).Result, 0) << "the header is no picture";
}

TEST(WicPlugin, ReportsAMissingFileAsAReadError) {
    ASSERT_TRUE(Wic().Loaded());
    const Decoded d = Wic().FromFile(FixturePath("no-such-file.png"));
    EXPECT_EQ(d.Result, 6);
    EXPECT_FALSE(d.InfoHandleSet || d.BitsHandleSet);
    PictureInfo info{};
    EXPECT_EQ(Wic().PictureInfoOf(FixturePath("no-such-file.png").c_str(), 0, 0, info), 6);
    const std::string path = FixturePath("photo.png");
    EXPECT_EQ(Wic().FromFile(path, 1 << 20).Result, 6) << "offset past the end";
}

// Cut off halfway, or after the header. This WIC's TIFF decoder hands back a TIFF cut inside
// its uncompressed strips as a picture, so for TIFF only a sound result is required.
TEST(WicPlugin, RefusesTruncatedPictures) {
    ASSERT_TRUE(Wic().Loaded());
    for (const char* name :
         {"busy.jpg", "photo.png", "photo.gif", "photo.tif", "photo.bmp", "photo.ico"}) {
        const bool tiff = std::string(name).ends_with(".tif");
        const std::vector<std::uint8_t> bytes = ReadWholeFile(FixturePath(name));
        for (std::size_t keep : {bytes.size() / 2, std::size_t{40}}) {
            const std::vector<std::uint8_t> cut(bytes.begin(), bytes.begin() + keep);
            const Decoded d = Wic().FromMemory(cut);
            if (tiff && d.Result == 0) {
                EXPECT_EQ(d.HeaderProblem, "") << name;
                continue;
            }
            EXPECT_TRUE(d.Result == 2 || d.Result == 3)
                << name << " cut to " << keep << " gave " << d.Result;
            EXPECT_FALSE(d.InfoHandleSet || d.BitsHandleSet) << name;
        }
    }
}

// Every byte of each picture damaged in turn: whatever comes back is a result code of the API,
// and a success is a sound DIB.
TEST(WicPlugin, SurvivesDamageAnywhere) {
    ASSERT_TRUE(Wic().Loaded());
    for (const char* name :
         {"photo.jpg", "photo.png", "photo.gif", "photo.tif", "photo.bmp", "photo.ico"}) {
        const std::vector<std::uint8_t> bytes = ReadWholeFile(FixturePath(name));
        for (std::size_t at = 0; at < bytes.size(); at += 7) {
            std::vector<std::uint8_t> damaged = bytes;
            damaged[at] ^= 0xA5;
            const Decoded d = Wic().FromMemory(damaged);
            ASSERT_TRUE(d.Result == 0 || d.Result == 2 || d.Result == 3 || d.Result == 4)
                << name << " byte " << at << " gave " << d.Result;
            if (d.Result == 0) {
                ASSERT_EQ(d.HeaderProblem, "") << name << " byte " << at;
            } else {
                ASSERT_FALSE(d.InfoHandleSet || d.BitsHandleSet) << name << " byte " << at;
            }
        }
    }
}

struct ProgressLog {
    std::vector<std::pair<int, int>> Calls;
    int StopAtCall = -1; // the call (counted from 0) on which to ask for a stop
};

int WINAPI LogProgress(int done, int total, LONG_PTR user) {
    auto* log = reinterpret_cast<ProgressLog*>(user);
    log->Calls.emplace_back(done, total);
    return static_cast<int>(log->Calls.size()) - 1 == log->StopAtCall ? 1 : 0;
}

TEST(WicPlugin, ReportsProgressUpToTheEnd) {
    ASSERT_TRUE(Wic().Loaded());
    const std::string path = FixturePath("busy.jpg");
    ProgressLog log;
    const Decoded d =
        Wic().Picture(path.c_str(), 0, 0, LogProgress, reinterpret_cast<LONG_PTR>(&log));
    ASSERT_EQ(d.Result, 0);
    ASSERT_GE(log.Calls.size(), 3u);
    EXPECT_EQ(log.Calls.front().first, 0);
    EXPECT_EQ(log.Calls.back().first, log.Calls.back().second);
    for (const auto& [done, total] : log.Calls)
        EXPECT_TRUE(done >= 0 && done <= total && total > 0);
}

TEST(WicPlugin, StopsWhenTheCallbackAsks) {
    ASSERT_TRUE(Wic().Loaded());
    const std::string path = FixturePath("busy.jpg");
    ProgressLog counting;
    Wic().Picture(path.c_str(), 0, 0, LogProgress, reinterpret_cast<LONG_PTR>(&counting));
    for (int stopAt = 0; stopAt < static_cast<int>(counting.Calls.size()); ++stopAt) {
        ProgressLog log;
        log.StopAtCall = stopAt;
        const Decoded d =
            Wic().Picture(path.c_str(), 0, 0, LogProgress, reinterpret_cast<LONG_PTR>(&log));
        EXPECT_EQ(d.Result, 1) << "stop at call " << stopAt;
        EXPECT_FALSE(d.InfoHandleSet || d.BitsHandleSet);
        EXPECT_EQ(static_cast<int>(log.Calls.size()), stopAt + 1) << "no call after the stop";
    }
}

struct Orientation {
    int Value;
    const char* Reference;
    bool SwapsAxes;
};

void PrintTo(const Orientation& o, std::ostream* os) {
    *os << o.Value;
}

class WicOrients : public testing::TestWithParam<Orientation> {};

TEST_P(WicOrients, ShowsTheJpegTheWayItsExifSays) {
    ASSERT_TRUE(Wic().Loaded());
    const Orientation o = GetParam();
    const std::vector<std::uint8_t> jpeg =
        WithExifOrientation(ReadWholeFile(FixturePath("photo.jpg")), o.Value);
    const std::uint32_t w = o.SwapsAxes ? 23 : 37, h = o.SwapsAxes ? 37 : 23;

    PictureInfo info{};
    ASSERT_EQ(Wic().PictureInfoOf(reinterpret_cast<const char*>(jpeg.data()),
                                  static_cast<LONG_PTR>(jpeg.size()), 1, info),
              0);
    EXPECT_EQ(info.width, static_cast<long>(w));
    EXPECT_EQ(info.height, static_cast<long>(h));

    const Decoded d = Wic().FromMemory(jpeg);
    ASSERT_EQ(d.Result, 0);
    EXPECT_EQ(d.Width, w);
    EXPECT_EQ(d.Height, h);
    const int difference = MaxDifference(d.Rgba, ReadWholeFile(FixturePath(o.Reference)));
    EXPECT_GE(difference, 0);
    EXPECT_LE(difference, 3);
}

INSTANTIATE_TEST_SUITE_P(Exif, WicOrients,
                         testing::Values(Orientation{2, "photo-2.rgba", false},
                                         Orientation{3, "photo-3.rgba", false},
                                         Orientation{6, "photo-6.rgba", true},
                                         Orientation{8, "photo-8.rgba", true},
                                         Orientation{1, "photo.jpg.rgba", false}),
                         [](const testing::TestParamInfo<Orientation>& p) {
                             return "Orientation" + std::to_string(p.param.Value);
                         });

TEST(WicPlugin, ReadsTheHeaderFromAFileHandleOfOldHosts) {
    ASSERT_TRUE(Wic().Loaded());
    const std::string path = FixturePath("photo.gif");
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    const auto isSupported = Export<IsSupportedFn>(Wic().Module(), "IsSupported");
    if (reinterpret_cast<std::uintptr_t>(file) > 0xFFFF) {
        CloseHandle(file);
        GTEST_SKIP() << "this system's handle values do not look like handles to a plug-in";
    }
    EXPECT_NE(isSupported(path.c_str(), file), 0);
    CloseHandle(file);
}

} // namespace
