// The Win32 graphics classes under Wine: drawing into a memory DC and reading pixels back,
// palettes, ANSI file names and the picture container's registry.
#include "framework/FileFormats.h"
#include "framework/win32/Canvas.h"
#include "framework/win32/Graphics.h"
#include "framework/win32/Picture.h"
#include "framework/win32/Text.h"
#include "tests/win/Harness.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

using namespace tovane;

namespace {

// A 32-bit top-down DIB section selected into a memory DC: the target of every drawing test.
class TTarget {
public:
    TTarget(int width, int height, COLORREF background = RGB(1, 2, 3))
        : FWidth(width), FDC(CreateCompatibleDC(nullptr)) {
        BITMAPINFO bi{};
        bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        bi.bmiHeader.biWidth = width;
        bi.bmiHeader.biHeight = -height;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
        FBitmap.Reset(CreateDIBSection(FDC, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
        FBits = static_cast<std::uint32_t*>(bits);
        FOld = SelectObject(FDC, FBitmap.Get());
        Canvas.SetHandle(FDC);
        Canvas.FillRect(TRect(0, 0, width, height), background);
    }
    ~TTarget() {
        SelectObject(FDC, FOld);
        DeleteDC(FDC);
    }
    COLORREF Pixel(int x, int y) {
        GdiFlush();
        const std::uint32_t v = FBits[y * FWidth + x];
        return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
    }
    HDC DC() const { return FDC; }
    TCanvas Canvas;

private:
    int FWidth;
    HDC FDC;
    UniqueBitmapHandle FBitmap;
    std::uint32_t* FBits = nullptr;
    HGDIOBJ FOld = nullptr;
};

// 2 x 2 pixels: red, green on top; blue, white below.
TDib Quad(std::uint16_t bits, bool topDown) {
    TDib d = TDib::Create(2, 2, bits, topDown);
    const COLORREF colours[4] = {RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255),
                                 RGB(255, 255, 255)};
    for (int i = 0; i < 4; ++i) {
        const int x = i % 2, y = i / 2;
        const COLORREF c = colours[i];
        if (bits <= 8) {
            d.Colors.push_back(TRgbQuad{GetBValue(c), GetGValue(c), GetRValue(c), 0});
            d.SetPixelValue(x, y, bits == 1 ? (i == 3 ? 1 : 0) : i);
        } else if (bits == 16) {
            d.SetPixelValue(x, y,
                            ((GetRValue(c) >> 3) << 10) | ((GetGValue(c) >> 3) << 5) |
                                (GetBValue(c) >> 3));
        } else {
            d.SetPixelValue(x, y, (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c));
        }
    }
    if (bits == 1)
        d.Colors = {TRgbQuad{0, 0, 0, 0}, TRgbQuad{255, 255, 255, 0}};
    return d;
}

// A file name in the test program's scratch folder (removed at the end).
std::string TempName(const std::string& stem) {
    static const harness::ScratchFolder scratch("graphics");
    return scratch.Sub(stem);
}

// A graphic of its own class for the registry tests: loads anything, counts, reports progress.
class TTestGraphic : public TGraphic {
public:
    static const TGraphicClassInfo ClassInfo;
    static inline int Loads = 0;
    TGraphicClass ClassType() const override { return &ClassInfo; }
    void Draw(TCanvas&, const TRect&) override {}
    bool GetEmpty() override { return FWidth == 0; }
    int GetWidth() override { return FWidth; }
    int GetHeight() override { return 7; }
    void SetWidth(int) override {}
    void SetHeight(int) override {}
    using TGraphic::LoadFromFile;
    void LoadFromFile(const std::wstring& name) override {
        ++Loads;
        if (name.find(L"fail") != std::wstring::npos)
            throw EInvalidGraphic("test graphic refuses " + WideToUtf8(name));
        Progress(this, psEnding, 100, true, TRect(0, 0, 5, 7), "done");
        FWidth = 5;
        Changed();
    }
    void LoadFromStream(TStream&) override {}
    // Writes a 5 x 7 24-bit bitmap file, so that TBitmap can take it over by Assign.
    void SaveToStream(TStream& stream) override { WriteBitmapFile(TDib::Create(5, 7, 24), stream); }

private:
    int FWidth = 0;
};
const TGraphicClassInfo TTestGraphic::ClassInfo{
    "TTestGraphic", &TGraphic::ClassInfo,
    [] { return std::unique_ptr<TGraphic>(new TTestGraphic); }};

} // namespace

TEST(Bitmap, DrawsEveryDepthAndRowOrderStretched) {
    for (std::uint16_t bits : {1, 4, 8, 16, 24, 32})
        for (bool topDown : {false, true}) {
            SCOPED_TRACE(testing::Message() << bits << " bits, top-down " << topDown);
            TBitmap bitmap;
            bitmap.SetDib(Quad(bits, topDown));
            bitmap.SetStretchQuality(TStretchQuality::ColorOnColor);
            TTarget target(8, 8);
            target.Canvas.StretchDraw(TRect(2, 2, 6, 6), bitmap);
            EXPECT_EQ(target.Pixel(0, 0), RGB(1, 2, 3)); // outside the rectangle
            EXPECT_EQ(target.Pixel(6, 6), RGB(1, 2, 3));
            if (bits == 1) {
                EXPECT_EQ(target.Pixel(2, 2), RGB(0, 0, 0));
                EXPECT_EQ(target.Pixel(5, 5), RGB(255, 255, 255));
                continue;
            }
            EXPECT_EQ(target.Pixel(2, 2), RGB(255, 0, 0)); // each source pixel covers 2 x 2
            EXPECT_EQ(target.Pixel(3, 3), RGB(255, 0, 0));
            EXPECT_EQ(target.Pixel(5, 2), RGB(0, 255, 0));
            EXPECT_EQ(target.Pixel(2, 5), RGB(0, 0, 255));
            EXPECT_EQ(target.Pixel(5, 5), RGB(255, 255, 255));
        }
}

TEST(Bitmap, DrawUsesTheCanvasCopyModeAndPutsTheDcBack) {
    TBitmap bitmap;
    bitmap.SetDib(Quad(24, false));
    TTarget target(2, 2, RGB(0, 0, 0));
    target.Canvas.SetCopyMode(NOTSRCCOPY);
    const int modeBefore = SetStretchBltMode(target.DC(), BLACKONWHITE);
    target.Canvas.Draw(0, 0, bitmap);
    EXPECT_EQ(target.Pixel(0, 0), RGB(0, 255, 255)); // red inverted
    EXPECT_EQ(target.Pixel(1, 1), RGB(0, 0, 0));     // white inverted
    EXPECT_EQ(GetStretchBltMode(target.DC()), BLACKONWHITE);
    SetStretchBltMode(target.DC(), modeBefore);
}

// Downscaling a one-pixel checkerboard: the filtering stretch averages it to grey, the fast
// one keeps pure black or white.
TEST(Bitmap, HalftoneDownscaleFilters) {
    TDib d = TDib::Create(16, 16, 24);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            d.SetPixelValue(x, y, (x + y) % 2 ? 0xFFFFFF : 0);
    TBitmap bitmap;
    bitmap.SetDib(d);
    EXPECT_EQ(bitmap.StretchQuality(), TStretchQuality::Halftone);
    TTarget smooth(4, 4);
    smooth.Canvas.StretchDraw(TRect(0, 0, 4, 4), bitmap);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) {
            const int grey = GetGValue(smooth.Pixel(x, y));
            EXPECT_GT(grey, 64) << x << "," << y;
            EXPECT_LT(grey, 192) << x << "," << y;
        }
    // The resampled copy follows changes of the picture.
    TDib red = TDib::Create(16, 16, 24);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            red.SetPixelValue(x, y, 0xFF0000);
    bitmap.SetDib(red);
    smooth.Canvas.StretchDraw(TRect(0, 0, 4, 4), bitmap);
    EXPECT_EQ(smooth.Pixel(2, 2), RGB(255, 0, 0));
    bitmap.SetDib(d);
    bitmap.SetStretchQuality(TStretchQuality::ColorOnColor);
    TTarget fast(4, 4);
    fast.Canvas.StretchDraw(TRect(0, 0, 4, 4), bitmap);
    const int g = GetGValue(fast.Pixel(1, 1));
    EXPECT_TRUE(g == 0 || g == 255) << g;
}

TEST(Bitmap, PaletteIsTakenOverCopiedAndSelectedOnlyWhileDrawing) {
    LOGPALETTE log{0x300, 1, {{10, 20, 30, 0}}};
    UniquePalette original(CreatePalette(&log));
    ASSERT_TRUE(original);
    UniquePalette copy = CopyPalette(original.Get());
    ASSERT_TRUE(copy);
    EXPECT_NE(copy.Get(), original.Get());
    PALETTEENTRY entry{};
    ASSERT_EQ(GetPaletteEntries(copy.Get(), 0, 1, &entry), 1u);
    EXPECT_EQ(entry.peRed, 10);
    EXPECT_EQ(entry.peBlue, 30);
    EXPECT_FALSE(CopyPalette(nullptr));

    TBitmap bitmap;
    bitmap.SetDib(Quad(4, false));
    const HPALETTE taken = copy.Get();
    bitmap.SetPalette(std::move(copy));
    EXPECT_EQ(bitmap.GetPalette(), taken);
    TBitmap other;
    other.Assign(bitmap);
    EXPECT_NE(other.GetPalette(), nullptr);
    EXPECT_NE(other.GetPalette(), taken); // its own copy
    EXPECT_EQ(other.Dib(), bitmap.Dib());

    TTarget target(2, 2);
    const HGDIOBJ before = GetCurrentObject(target.DC(), OBJ_PAL);
    target.Canvas.Draw(0, 0, bitmap);
    EXPECT_EQ(GetCurrentObject(target.DC(), OBJ_PAL), before);
    EXPECT_EQ(target.Pixel(0, 0), RGB(255, 0, 0));

    // A new picture read from a file drops the palette of the old one.
    TMemoryStream file;
    bitmap.SaveToStream(file);
    file.SetPosition(0);
    bitmap.LoadFromStream(file);
    EXPECT_EQ(bitmap.GetPalette(), nullptr);
}

TEST(Bitmap, FilesWithJapaneseAnsiNamesRoundTrip) {
    ASSERT_EQ(GetACP(), 932u) << "tests run with code page 932";
    const std::string name = TempName("\x83\x65\x83\x58\x83\x67.bmp"); // katakana "tesuto"
    TBitmap bitmap;
    bitmap.SetDib(Quad(8, true));
    bitmap.SaveToFile(name);
    TBitmap loaded;
    loaded.LoadFromFile(name);
    EXPECT_EQ(loaded.Dib(), bitmap.Dib());
    EXPECT_EQ(loaded.Width(), 2);
    EXPECT_TRUE(DeleteFileA(name.c_str()));
    try {
        loaded.LoadFromFile(name);
        FAIL() << "loaded a deleted file";
    } catch (const EFOpenError& e) {
        // The message is UTF-8: the katakana arrive converted.
        EXPECT_NE(std::string(e.what()).find("\xE3\x83\x86\xE3\x82\xB9\xE3\x83\x88"),
                  std::string::npos)
            << e.what();
    }
    EXPECT_EQ(loaded.Dib(), bitmap.Dib()); // a failed load keeps the picture
}

TEST(Bitmap, ResizingKeepsTheTopLeftAndAssignConvertsOtherGraphics) {
    TBitmap bitmap;
    bitmap.SetDib(Quad(24, false));
    bitmap.SetWidth(3);
    bitmap.SetHeight(1);
    EXPECT_EQ(bitmap.Width(), 3);
    EXPECT_EQ(bitmap.Height(), 1);
    EXPECT_EQ(bitmap.Dib().PixelColor(0, 0), RGB(255, 0, 0));
    EXPECT_EQ(bitmap.Dib().PixelColor(1, 0), RGB(0, 255, 0));
    EXPECT_EQ(bitmap.Dib().PixelColor(2, 0), RGB(0, 0, 0));

    // An empty bitmap given a size becomes a 24-bit one.
    TBitmap fresh;
    fresh.SetWidth(3);
    EXPECT_TRUE(fresh.Empty());
    fresh.SetHeight(2);
    EXPECT_FALSE(fresh.Empty());
    EXPECT_EQ(fresh.Dib().BitCount, 24);
    EXPECT_TRUE(fresh.Dib().IsWellFormed());

    TTestGraphic other;
    other.LoadFromFile("x.tst");
    int changes = 0;
    bitmap.OnChange = [&](TGraphic& sender) {
        EXPECT_EQ(&sender, &bitmap);
        ++changes;
    };
    bitmap.Assign(other);
    EXPECT_EQ(bitmap.Width(), 5);
    EXPECT_EQ(bitmap.Height(), 7);
    EXPECT_EQ(changes, 1);
    EXPECT_TRUE(bitmap.Modified());
    // The base class refuses to take a picture it does not know.
    try {
        other.Assign(bitmap);
        FAIL() << "assigned";
    } catch (const EConvertError& e) {
        EXPECT_STREQ(e.what(), "Cannot assign a TBitmap to a TTestGraphic");
    }
    EXPECT_TRUE(TBitmap().InheritsFrom(&TGraphic::ClassInfo));
    EXPECT_FALSE(other.InheritsFrom(&TBitmap::ClassInfo));
    EXPECT_EQ(TBitmap::ClassInfo.Create()->ClassType(), &TBitmap::ClassInfo);
}

TEST(Picture, LoadsBitmapsByExtensionThroughTheRegistry) {
    const TFileFormat* bmp = FileFormats().Find("bmp");
    ASSERT_NE(bmp, nullptr) << "bmp is registered at start-up";
    EXPECT_EQ(bmp->GraphicClass, &TBitmap::ClassInfo);

    const std::string name = TempName("picture.BMP");
    TBitmap source;
    source.SetDib(Quad(24, false));
    source.SaveToFile(name);
    TPicture picture;
    int changes = 0;
    picture.OnChange = [&](TPicture&) { ++changes; };
    picture.LoadFromFile(name);
    ASSERT_NE(picture.Graphic(), nullptr);
    EXPECT_TRUE(picture.Graphic()->InheritsFrom(&TBitmap::ClassInfo));
    EXPECT_EQ(picture.Width(), 2);
    EXPECT_EQ(picture.Height(), 2);
    EXPECT_EQ(changes, 1);
    picture.Bitmap().SetWidth(4); // the held graphic's changes reach the picture
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(picture.Width(), 4);

    // A file that is no bitmap: the load fails and the picture keeps what it had.
    const std::string junk = TempName("junk.bmp");
    TMemoryStream bytes;
    bytes.WriteBuffer("not a bitmap", 12);
    bytes.SaveToFile(junk);
    EXPECT_THROW(picture.LoadFromFile(junk), EInvalidGraphic);
    EXPECT_EQ(picture.Width(), 4);
    DeleteFileA(name.c_str());
    DeleteFileA(junk.c_str());
}

TEST(Picture, RegistryDecidesTheClassAndUnknownExtensionsFail) {
    TPicture picture;
    try {
        picture.LoadFromFile("C:\\pictures\\photo.xyz");
        FAIL() << "loaded an unknown extension";
    } catch (const EInvalidGraphic& e) {
        EXPECT_STREQ(e.what(), "Unknown picture file extension (.xyz)");
    }
    EXPECT_THROW(picture.LoadFromFile("C:\\pictures\\noextension"), EInvalidGraphic);

    TPicture::RegisterFileFormat("tst", "Test pictures", &TTestGraphic::ClassInfo);
    std::vector<std::string> messages;
    picture.OnProgress = [&](TGraphic* sender, TProgressStage stage, std::uint8_t percent,
                             bool redraw, const TRect& r, const std::string& msg) {
        EXPECT_NE(sender, nullptr);
        EXPECT_EQ(stage, psEnding);
        EXPECT_EQ(percent, 100);
        EXPECT_TRUE(redraw);
        EXPECT_EQ(r, TRect(0, 0, 5, 7));
        messages.push_back(msg);
    };
    TTestGraphic::Loads = 0;
    picture.LoadFromFile("C:\\pictures\\a.TsT"); // case of the extension ignored
    EXPECT_EQ(TTestGraphic::Loads, 1);
    ASSERT_NE(picture.Graphic(), nullptr);
    EXPECT_EQ(picture.Graphic()->ClassType(), &TTestGraphic::ClassInfo);
    EXPECT_EQ(messages, std::vector<std::string>{"done"});
    // The dot that counts is the last one of the final component, double-byte aware: the
    // second byte of 0x83 0x2E is no dot.
    EXPECT_THROW(picture.LoadFromFile("C:\\dir.bmp\\b\x83.tst"), EInvalidGraphic);
    picture.LoadFromFile("C:\\dir.bmp\\b\x83..tst");
    EXPECT_EQ(TTestGraphic::Loads, 2);
    EXPECT_THROW(picture.LoadFromFile("C:\\fail.tst"), EInvalidGraphic);
    EXPECT_EQ(picture.Width(), 5); // kept

    TPicture::UnregisterGraphicClass(&TTestGraphic::ClassInfo);
    EXPECT_EQ(FileFormats().Find("tst"), nullptr);
    EXPECT_NE(FileFormats().Find("bmp"), nullptr); // other classes stay
    EXPECT_THROW(picture.LoadFromFile("C:\\pictures\\a.tst"), EInvalidGraphic);
}

TEST(FileStream, ReadsAFileThatAnotherProgramKeepsOpenForWriting) {
    const std::string name = TempName("shared.bin");
    UniqueFile writer(CreateFileA(name.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(writer);
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(writer.Get(), "abc", 3, &written, nullptr));
    {
        TFileStream reader(name, TFileMode::fmOpenRead);
        EXPECT_EQ(reader.Size(), 3);
        char buf[3];
        reader.ReadBuffer(buf, 3);
        EXPECT_EQ(std::string(buf, 3), "abc");
        // Our writers share reading only, so one is refused while the other program writes.
        EXPECT_THROW(TFileStream(name, TFileMode::fmOpenReadWrite), EFOpenError);
    }
    writer.Reset();
    EXPECT_TRUE(DeleteFileA(name.c_str()));
}
