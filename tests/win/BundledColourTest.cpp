// Colour management in the plug-ins over the decoder libraries, as a host sees it: pictures with
// a Display P3 or Adobe RGB profile (or AVIF's CICP codes) come out within two levels of
// ImageMagick's conversion of the same stored pixels; sRGB-tagged, untagged and damaged-profile
// pictures keep their stored pixels byte for byte; the display's profile, named by the
// environment the program sets, is the target; a PQ ramp is tone-mapped without clipping.
#include "BundledSupport.h"
#include "bundled/common/ColourEnvironment.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <optional>
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

// Sets an environment variable for as long as it lives (null: removes it).
class ScopedVariable {
public:
    ScopedVariable(const wchar_t* name, const wchar_t* value) : FName(name) {
        wchar_t old[1024];
        const DWORD n = GetEnvironmentVariableW(name, old, 1024);
        if (n > 0 && n < 1024)
            FOld = std::wstring(old, n);
        SetEnvironmentVariableW(name, value);
    }
    ~ScopedVariable() { SetEnvironmentVariableW(FName, FOld ? FOld->c_str() : nullptr); }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
    const wchar_t* FName;
    std::optional<std::wstring> FOld;
};

// Each test starts with colour management on and no display profile (sRGB).
class BundledColour : public ::testing::Test {
protected:
    ScopedVariable FManage{bundled::ColourManageVariable, nullptr};
    ScopedVariable FDisplay{bundled::DisplayProfileVariable, nullptr};
};

Decoded Decode(const std::string& module, const std::vector<std::uint8_t>& bytes) {
    return Module(module).FromMemory(bytes);
}
Decoded DecodeFixture(const std::string& module, const std::string& name) {
    return Module(module).FromFile(FixturePath(name));
}

TEST_F(BundledColour, ConvertsEmbeddedProfilesAndCicpToSrgbWithinTwoLevels) {
    const struct {
        const char* Module;
        const char* Name;
        unsigned BitCount;
    } table[] = {
        {"ifjpeg", "p3.jpg", 24},           {"ifjpeg", "p3-big.jpg", 24}, // three segments
        {"ifjpeg", "adobe.jpg", 24},        {"ifpng", "p3.png", 24},
        {"ifpng", "adobe.png", 24},         {"ifpng", "p3-16.png", 24},
        {"ifpng", "p3-interlaced.png", 24}, {"ifpng", "p3-alpha.png", 32},
        {"ifwebp", "p3.webp", 24},          {"ifavif", "p3.avif", 24},
        {"ifavif", "p3-10.avif", 24},       {"ifavif", "cicp-p3.avif", 24},
    };
    for (const auto& t : table) {
        SCOPED_TRACE(t.Name);
        ASSERT_TRUE(Module(t.Module).Loaded()) << t.Module;
        ExpectDecodesLikeTheReference(Module(t.Module), t.Name, t.BitCount, 2);
    }
}

TEST_F(BundledColour, WicModuleConvertsWithTheProfileWicGives) {
    // The WIC here hands out PNG's iCCP profile as a colour context (a JPEG's it does not).
    ExpectDecodesLikeTheReference(Module("ifwic"), "p3.png", 24, 2);
    EXPECT_EQ(DecodeFixture("ifwic", "srgb-debian.png").Rgba,
              DecodeFixture("ifwic", "vivid.png").Rgba);
}

TEST_F(BundledColour, ConvertsToTheDisplaysProfileTheEnvironmentNames) {
    const std::string adobe = FixturePath("adobe.icc");
    const std::wstring wide(adobe.begin(), adobe.end());
    const ScopedVariable display(bundled::DisplayProfileVariable, wide.c_str());
    const Decoded shown = DecodeFixture("ifpng", "p3.png");
    ASSERT_EQ(shown.Result, 0);
    const int difference =
        MaxDifference(shown.Rgba, ReadWholeFile(FixturePath("p3.png.adobe.rgba")));
    EXPECT_GE(difference, 0);
    // lcms2's optimised 8-bit transform (what a plug-in uses, for speed) is within 3 of the exact
    // one where Adobe RGB's pure gamma curve rises steeply out of black.
    EXPECT_LE(difference, 3);
    // A display profile that cannot be read means sRGB.
    const ScopedVariable missing(bundled::DisplayProfileVariable, L"C:\\no\\such\\display.icc");
    EXPECT_LE(MaxDifference(DecodeFixture("ifpng", "p3.png").Rgba,
                            ReadWholeFile(FixturePath("p3.png.rgba"))),
              2);
}

TEST_F(BundledColour, SrgbTaggedAndUntaggedPicturesKeepTheirStoredPixels) {
    const struct {
        const char* Module;
        const char* Untagged;
        const char* Srgb;
        const char* P3;
    } table[] = {
        {"ifjpeg", "vivid.jpg", "srgb-debian.jpg", "p3.jpg"},
        {"ifpng", "vivid.png", "srgb-debian.png", "p3.png"},
    };
    for (const auto& t : table) {
        SCOPED_TRACE(t.Module);
        const Decoded untagged = DecodeFixture(t.Module, t.Untagged);
        const Decoded srgb = DecodeFixture(t.Module, t.Srgb);
        const Decoded p3 = DecodeFixture(t.Module, t.P3);
        ASSERT_EQ(untagged.Result, 0);
        ASSERT_EQ(srgb.Result, 0);
        EXPECT_EQ(srgb.Rgba, untagged.Rgba);
        EXPECT_NE(p3.Rgba, untagged.Rgba) << "the P3 picture is converted";
        const ScopedVariable off(bundled::ColourManageVariable, L"0");
        EXPECT_EQ(DecodeFixture(t.Module, t.P3).Rgba, untagged.Rgba) << "management off";
        EXPECT_EQ(DecodeFixture(t.Module, t.Untagged).Rgba, untagged.Rgba);
    }
}

// The bytes with 64 bytes overwritten, skip bytes after the first marker.
std::vector<std::uint8_t> Damaged(std::vector<std::uint8_t> bytes, const char* marker,
                                  std::size_t skip) {
    const auto at = std::search(bytes.begin(), bytes.end(), marker, marker + std::strlen(marker));
    EXPECT_NE(at, bytes.end()) << marker;
    if (at == bytes.end())
        return bytes;
    const auto from = at + static_cast<std::ptrdiff_t>(skip);
    std::fill(from, std::min(from + 64, bytes.end()), std::uint8_t{0xA5});
    return bytes;
}

TEST_F(BundledColour, DamagedProfilesAreIgnoredAndThePictureShown) {
    // JPEG: the profile's tag table (after the segment's 14 bytes and the 128-byte header).
    const Decoded jpeg =
        Decode("ifjpeg", Damaged(ReadWholeFile(FixturePath("p3.jpg")), "ICC_PROFILE", 14 + 128));
    ASSERT_EQ(jpeg.Result, 0);
    EXPECT_EQ(jpeg.Rgba, DecodeFixture("ifjpeg", "vivid.jpg").Rgba);
    // WebP: the ICCP chunk's data from its start (its size field kept).
    const Decoded webp =
        Decode("ifwebp", Damaged(ReadWholeFile(FixturePath("p3.webp")), "ICCP", 8));
    ASSERT_EQ(webp.Result, 0);
    const ScopedVariable off(bundled::ColourManageVariable, L"0");
    EXPECT_EQ(webp.Rgba, DecodeFixture("ifwebp", "p3.webp").Rgba);
}

TEST_F(BundledColour, PqRampIsToneMappedWithoutClipping) {
    const Decoded shown = DecodeFixture("ifavif", "pq.avif");
    ASSERT_EQ(shown.Result, 0);
    ASSERT_EQ(shown.Width, 1024u);
    const std::size_t y = shown.Height / 2;
    int clipped = 0, last = 0, drops = 0;
    for (std::size_t x = 0; x < shown.Width; ++x) {
        const std::uint8_t* p = &shown.Rgba[(y * shown.Width + x) * 4];
        const int v = std::max({p[0], p[1], p[2]});
        clipped += p[0] == 255 || p[1] == 255 || p[2] == 255;
        drops += v + 1 < last; // the coding's noise aside, it never goes darker
        last = std::max(last, v);
    }
    EXPECT_LE(clipped, static_cast<int>(shown.Width / 100)) << "of " << shown.Width;
    EXPECT_EQ(drops, 0);
    EXPECT_GE(last, 250) << "the ramp's top comes near white";
    // As stored (management off), the top of the signal is cut at 255 as before.
    const ScopedVariable off(bundled::ColourManageVariable, L"0");
    const Decoded stored = DecodeFixture("ifavif", "pq.avif");
    ASSERT_EQ(stored.Result, 0);
    EXPECT_NE(stored.Rgba, shown.Rgba);
}

} // namespace
