// TSPIGraphic and TSPIBitmap against real test modules: reader order, notifications, palettes,
// top-down pictures, drawing, saving, and the picture-format registry.
#include "framework/win32/Canvas.h"
#include "framework/win32/Picture.h"
#include "framework/win32/Text.h"
#include "imaging/SPIBmp.h"
#include "tests/win/DecodingSupport.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace tovane;
using namespace decoding_test;

namespace {

class DecodingGraphic : public WithSpiBmp {};

const std::vector<std::uint32_t> Sixteen = {
    0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0,
    0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};

// A 4-bit 2x2 picture using colours 9 (top-left) and 12.
std::vector<std::uint8_t> FourBitPicture() {
    const std::vector<std::uint8_t> rows = {0xC9, 0, 0, 0, 0x9C, 0, 0, 0}; // bottom, top
    return RawPicture(InfoBlock(2, 2, 4, 16, Sixteen), rows);
}

// The 2x2 24-bit picture stored top-down: top row red, white; bottom row blue, green.
std::vector<std::uint8_t> TopDownPicture() {
    const std::vector<std::uint8_t> rows = {
        0,   0, 255, 255, 255, 255, 0, 0, // top
        255, 0, 0,   0,   255, 0,   0, 0, // bottom
    };
    return RawPicture(InfoBlock(2, -2, 24), rows);
}

std::string LoadingBy(const char* name) {
    return std::string("Loading by [") + name + (sizeof(void*) == 8 ? ".sph]" : ".spi]");
}

} // namespace

TEST_F(DecodingGraphic, PictureLoadGoesThroughTSPIBitmapWithTheFullNotificationSequence) {
    Spis = MakeCollection({"decode_raw"});
    ASSERT_NE(FileFormats().Find("tvr"), nullptr);
    EXPECT_EQ(FileFormats().Find("tvr")->GraphicClass, &TSPIBitmap::ClassInfo);

    TPicture picture;
    std::vector<Notification> seen;
    picture.OnProgress = Recorder(seen);
    picture.LoadFromFile(WriteScratch("sequence.tvr", TinyPicture()));
    ASSERT_NE(picture.Graphic(), nullptr);
    EXPECT_TRUE(picture.Graphic()->InheritsFrom(&TSPIBitmap::ClassInfo));
    EXPECT_EQ(picture.Width(), 2);
    EXPECT_EQ(picture.Height(), 2);

    const std::vector<std::pair<int, std::string>> expected = {
        {0, "Loading Graphic by Susie Plugin"},
        {1, "Seeking enabled Susie Plugins"},
        {1, LoadingBy("decode_raw")},
        {2, ""},
        {99, ""},
        {100, "Loaded Graphic"}};
    ASSERT_EQ(seen.size(), expected.size());
    for (std::size_t i = 0; i < seen.size(); ++i) {
        EXPECT_EQ(seen[i].Percent, expected[i].first) << i;
        EXPECT_EQ(seen[i].Msg, expected[i].second) << i;
    }
    EXPECT_EQ(seen[0].Stage, psStarting);
    EXPECT_EQ(seen.back().Stage, psEnding);
    EXPECT_TRUE(seen.back().RedrawNow);
    EXPECT_EQ(seen.back().R, TRect(0, 0, 2, 2));
    EXPECT_EQ(seen[2].Sender, picture.Graphic()); // forwarded as the bitmap's own

    TBitmap& bitmap = picture.Bitmap();
    EXPECT_EQ(bitmap.Dib().PixelColor(0, 0), 0x0000FFu); // red top-left
    EXPECT_EQ(bitmap.Dib().PixelColor(1, 0), 0xFFFFFFu);
    EXPECT_EQ(bitmap.Dib().PixelColor(0, 1), 0xFF0000u);
    EXPECT_EQ(bitmap.Dib().PixelColor(1, 1), 0x00FF00u);
    EXPECT_EQ(bitmap.GetPalette(), nullptr); // 24 bits: no palette copy
}

TEST_F(DecodingGraphic, BmpNamesInAnyCaseGoToThePlainReaderFirst) {
    Spis = MakeCollection({"decode_any"});
    for (const char* name : {"plain.bmp", "plain2.Bmp", "plain3.BMP"}) {
        TSPIBitmap bitmap;
        bitmap.LoadFromFile(WriteScratch(name, BitmapFile3x2()));
        EXPECT_EQ(bitmap.Width(), 3) << name;
        EXPECT_EQ(bitmap.Height(), 2) << name;
    }
    EXPECT_EQ(Stats("decode_any").isSupportedCalls, 0);
}

TEST_F(DecodingGraphic, BmpNameThePlainReaderRejectsGoesToThePlugins) {
    Spis = MakeCollection({"decode_raw"});
    TSPIBitmap bitmap;
    bitmap.LoadFromFile(WriteScratch("notabitmap.bmp", TinyPicture()));
    EXPECT_EQ(bitmap.Width(), 2);
    EXPECT_EQ(Stats("decode_raw").pictureCalls, 1);
}

TEST_F(DecodingGraphic, ValidBitmapUnderAnotherExtensionLoadsAsTheSecondChoice) {
    Spis = MakeCollection({"decode_raw"});
    TSPIBitmap bitmap;
    bitmap.LoadFromFile(WriteScratch("really-a-bitmap.tvr", BitmapFile3x2()));
    EXPECT_EQ(bitmap.Width(), 3);
    EXPECT_EQ(Stats("decode_raw").isSupportedCalls, 2); // the plug-ins were asked first
}

TEST_F(DecodingGraphic, FourBitPictureKeepsACopyOfItsPalette) {
    Spis = MakeCollection({"decode_raw"});
    TSPIBitmap bitmap;
    bitmap.LoadFromFile(WriteScratch("four.tvr", FourBitPicture()));
    ASSERT_EQ(bitmap.Width(), 2);
    EXPECT_EQ(bitmap.Dib().BitCount, 4);
    EXPECT_EQ(bitmap.Dib().PixelColor(0, 0), 0x0000FFu); // entry 9, red
    EXPECT_EQ(bitmap.Dib().PixelColor(1, 0), 0xFF0000u); // entry 12, blue
    const HPALETTE palette = bitmap.GetPalette();
    ASSERT_NE(palette, nullptr);
    PALETTEENTRY entries[16] = {};
    ASSERT_EQ(GetPaletteEntries(palette, 0, 16, entries), 16u);
    for (int i = 0; i < 16; ++i) {
        const std::uint32_t rgb =
            (entries[i].peRed << 16) | (entries[i].peGreen << 8) | entries[i].peBlue;
        EXPECT_EQ(rgb, Sixteen[i]) << i;
    }
}

TEST_F(DecodingGraphic, GraphicDescribesTheDecodedHeader) {
    Spis = MakeCollection({"decode_raw"});
    TSPIGraphic graphic;
    graphic.LoadFromFile(WriteScratch("describe.tvr", FourBitPicture()));
    EXPECT_EQ(graphic.Width(), 2);
    EXPECT_EQ(graphic.Height(), 2);
    EXPECT_TRUE(graphic.Is4Bit());
    PALETTEENTRY entries[17] = {};
    EXPECT_EQ(GetPaletteEntries(graphic.GetPalette(), 0, 17, entries), 16u);

    // Size changes have no effect.
    graphic.SetWidth(10);
    graphic.SetHeight(10);
    EXPECT_EQ(graphic.Width(), 2);
}

TEST_F(DecodingGraphic, TopDownPictureKeepsItsNegativeHeightAndItsOrientation) {
    Spis = MakeCollection({"decode_raw"});
    const std::string path = WriteScratch("topdown.tvr", TopDownPicture());
    TSPIGraphic graphic;
    graphic.LoadFromFile(path);
    EXPECT_EQ(graphic.Height(), -2);
    EXPECT_EQ(graphic.Job()->Layout()->ImageSize, 16u);

    // Drawn the right way up: the top-left pixel is red.
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP target = CreateCompatibleBitmap(screen, 2, 2);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(dc, target);
    {
        TCanvas canvas(dc);
        graphic.Draw(canvas, TRect(0, 0, 2, 2));
    }
    EXPECT_EQ(GetPixel(dc, 0, 0), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(dc, 0, 1), RGB(0, 0, 255));
    SelectObject(dc, old);
    DeleteObject(target);
    DeleteDC(dc);

    TSPIBitmap bitmap;
    bitmap.LoadFromFile(path);
    EXPECT_EQ(bitmap.Height(), 2);
    EXPECT_EQ(bitmap.Dib().PixelColor(0, 0), 0x0000FFu);
    EXPECT_EQ(bitmap.Dib().PixelColor(0, 1), 0xFF0000u);
}

TEST_F(DecodingGraphic, EmptyGraphicDrawsNothingAndHasNothingToSave) {
    TSPIGraphic graphic;
    EXPECT_TRUE(graphic.Empty());
    EXPECT_EQ(graphic.Width(), 0);
    EXPECT_EQ(graphic.GetPalette(), nullptr);
    HDC dc = CreateCompatibleDC(nullptr);
    TCanvas canvas(dc);
    graphic.Draw(canvas, TRect(0, 0, 5, 5)); // must not touch the job it does not have
    DeleteDC(dc);
    TMemoryStream out;
    EXPECT_THROW(graphic.SaveToStream(out), EInvalidGraphic);
    EXPECT_EQ(out.Size(), 0);
}

TEST_F(DecodingGraphic, SavesTheBlocksAsABitmapFile) {
    Spis = MakeCollection({"decode_raw"});
    TSPIGraphic graphic;
    graphic.LoadFromFile(WriteScratch("save.tvr", FourBitPicture()));
    TMemoryStream out;
    graphic.SaveToStream(out);
    const auto* b = static_cast<const std::uint8_t*>(out.Memory());
    const std::uint32_t infoSize = 40 + 4 * 16, imageSize = 8;
    ASSERT_EQ(out.Size(), 14 + infoSize + imageSize);
    EXPECT_EQ(b[0], 'B');
    EXPECT_EQ(b[1], 'M');
    std::uint32_t fileSize, offset;
    std::memcpy(&fileSize, b + 2, 4);
    std::memcpy(&offset, b + 10, 4);
    EXPECT_EQ(fileSize, 14 + infoSize + imageSize);
    EXPECT_EQ(offset, 14 + infoSize);
    const std::vector<std::uint8_t> raw = FourBitPicture();
    EXPECT_EQ(std::memcmp(b + 14, raw.data() + 12, infoSize + imageSize), 0);
}

TEST_F(DecodingGraphic, ConvertToKeepsTheImageConvertAndReleaseGivesItBack) {
    LocalFreeRecorder frees;
    Spis = MakeCollection({"decode_raw"});
    TSPIGraphic graphic;
    graphic.LoadFromFile(WriteScratch("convert.tvr", TinyPicture()));
    std::unique_ptr<TGraphic> copy = graphic.ConvertTo(&TBitmap::ClassInfo);
    EXPECT_EQ(copy->Width(), 2);
    EXPECT_FALSE(graphic.Empty());
    EXPECT_EQ(frees.Count(Stats("decode_raw").allocs[1]), 0);

    std::unique_ptr<TGraphic> moved = graphic.ConvertAndRelease(&TBitmap::ClassInfo);
    EXPECT_EQ(moved->Width(), 2);
    EXPECT_TRUE(graphic.Empty());
    EXPECT_TRUE(frees.AllFreedOnce(Stats("decode_raw")));
}

TEST_F(DecodingGraphic, AssignFromAPluginGraphicCopiesImageAndFourBitPalette) {
    Spis = MakeCollection({"decode_raw"});
    TSPIGraphic graphic;
    graphic.LoadFromFile(WriteScratch("assign.tvr", FourBitPicture()));
    TSPIBitmap bitmap;
    bitmap.Assign(graphic);
    EXPECT_EQ(bitmap.Width(), 2);
    EXPECT_FALSE(graphic.Empty());
    ASSERT_NE(bitmap.GetPalette(), nullptr);
    EXPECT_NE(bitmap.GetPalette(), graphic.GetPalette());
}

TEST_F(DecodingGraphic, StreamPositionIsRestoredWhenBothReadersFail) {
    Spis = MakeCollection({"decode_raw"});
    TSPIBitmap bitmap;
    bitmap.LoadFromFile(WriteScratch("before.tvr", TinyPicture()));
    ASSERT_EQ(bitmap.Width(), 2);

    TMemoryStream junk;
    const char text[] = "neither a bitmap nor a raw test picture";
    junk.WriteBuffer(text, sizeof text);
    junk.SetPosition(7);
    std::vector<Notification> seen;
    bitmap.OnProgress = Recorder(seen);
    try {
        bitmap.LoadFromStream(junk);
        FAIL() << "no exception";
    } catch (const EInvalidGraphic& e) {
        EXPECT_STREQ(e.what(), "Susie Plugins could not decode");
    }
    EXPECT_EQ(junk.Position(), 7);
    EXPECT_EQ(bitmap.Width(), 2); // the previous picture stays
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.back().Msg, "Loaded Graphic");
    EXPECT_EQ(seen.back().R, TRect(0, 0, 2, 2));
}

TEST_F(DecodingGraphic, NamedStreamLoadsByTheNamesOrder) {
    Spis = MakeCollection({"decode_raw"});
    const std::vector<std::uint8_t> bytes = BitmapFile3x2();
    TMemoryStream memory;
    memory.WriteBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
    memory.SetPosition(0);
    TSPIBitmap bitmap;
    bitmap.LoadFromStreamWithName(memory, "x.bmp");
    EXPECT_EQ(bitmap.Width(), 3);
    EXPECT_EQ(Stats("decode_raw").isSupportedCalls, 0); // plain reader first

    memory.SetPosition(0);
    bitmap.OnLoadFromStreamWithName()(memory, "x.tvr");
    EXPECT_EQ(bitmap.Width(), 3);
    // Plug-ins first (78 bytes reach only offset 0), then the plain reader.
    EXPECT_EQ(Stats("decode_raw").isSupportedCalls, 1);
}

TEST_F(DecodingGraphic, SilentAbortDuringAReaderCountsAsThatReadersFailure) {
    Spis = MakeCollection({"decode_raw"});
    TSPIBitmap bitmap;
    bitmap.OnProgress = [](TGraphic*, TProgressStage stage, std::uint8_t, bool, const TRect&,
                           const std::string& msg) {
        if (stage == psStarting && msg == "Loading Graphic by Susie Plugin")
            throw EAbort();
    };
    // The plug-in reader is aborted; the plain reader then reads the bitmap.
    bitmap.LoadFromFile(WriteScratch("aborted.tvr", BitmapFile3x2()));
    EXPECT_EQ(bitmap.Width(), 3);
    EXPECT_EQ(Stats("decode_raw").isSupportedCalls, 0);

    // With nothing the plain reader takes, the load fails as undecodable.
    EXPECT_THROW(bitmap.LoadFromFile(WriteScratch("aborted2.tvr", TinyPicture())), EInvalidGraphic);
}

TEST_F(DecodingGraphic, LyingHeaderFailsTheLoad) {
    Spis = MakeCollection({"decode_raw"});
    TPicture picture;
    const std::vector<std::uint8_t> rows(16, 0);
    try {
        picture.LoadFromFile(WriteScratch("liar.tvr", RawPicture(InfoBlock(4000, 4000, 32), rows)));
        FAIL() << "no exception";
    } catch (const EInvalidGraphic& e) {
        // The message says which size the picture claimed.
        const std::string message = e.what();
        EXPECT_EQ(message.rfind("Susie Plugins could not decode\n", 0), 0u) << message;
        EXPECT_NE(message.find("64000000 bytes"), std::string::npos) << message;
    }
    EXPECT_EQ(picture.Graphic(), nullptr);
}

TEST_F(DecodingGraphic, LoadThroughTSPIBitmapFreesEveryBlockOnce) {
    LocalFreeRecorder frees;
    Spis = MakeCollection({"decode_raw"});
    TSPIBitmap bitmap;
    bitmap.LoadFromFile(WriteScratch("release.tvr", TinyPicture()));
    EXPECT_EQ(Stats("decode_raw").allocCount, 3);
    EXPECT_TRUE(frees.AllFreedOnce(Stats("decode_raw")));
}

TEST_F(DecodingGraphic, UnitShutdownRemovesThePluginFormats) {
    Spis = MakeCollection({"decode_raw"});
    ASSERT_NE(FileFormats().Find("tvr"), nullptr);
    FinalizeSpiBmp();
    EXPECT_EQ(FileFormats().Find("tvr"), nullptr);
    EXPECT_NE(FileFormats().Find("bmp"), nullptr); // the plain bitmap's own stays
    EXPECT_EQ(TSPIs::DefaultGraphicClass(), &TSPIBitmap::ClassInfo);
}

TEST_F(DecodingGraphic, ColourTableDefaultsToTheDepthWhenUsedColoursIsZero) {
    Spis = MakeCollection({"decode_raw"});
    const std::vector<std::uint8_t> rows = {0x40, 0, 0, 0, 0x80, 0, 0, 0}; // 2x2, 1 bit, bottom-up
    TSPIGraphic graphic;
    graphic.LoadFromFile(
        WriteScratch("mono.tvr", RawPicture(InfoBlock(2, 2, 1, 0, {0x000000, 0xFFFFFF}), rows)));
    PALETTEENTRY entries[4] = {};
    EXPECT_EQ(GetPaletteEntries(graphic.GetPalette(), 0, 4, entries), 2u);
    EXPECT_EQ(entries[1].peRed, 255);
    EXPECT_FALSE(graphic.Is4Bit());

    TSPIBitmap bitmap;
    bitmap.Assign(graphic);
    EXPECT_EQ(bitmap.GetPalette(), nullptr);             // only 4-bit pictures get the palette copy
    EXPECT_EQ(bitmap.Dib().PixelColor(0, 0), 0xFFFFFFu); // top row: 1, 0
    EXPECT_EQ(bitmap.Dib().PixelColor(1, 0), 0x000000u);
    EXPECT_EQ(bitmap.Dib().PixelColor(0, 1), 0x000000u); // bottom row: 0, 1
    EXPECT_EQ(bitmap.Dib().PixelColor(1, 1), 0xFFFFFFu);
}

// The bit-field masks that follow a 40-byte header belong to the information block: the
// bitmap file written from the blocks keeps them, so the colours survive the conversion.
TEST_F(DecodingGraphic, BitFieldMasksAreKeptInTheConvertedBitmap) {
    Spis = MakeCollection({"decode_raw"});
    std::vector<std::uint8_t> info = InfoBlock(2, 1, 32, 0, {}, 3);
    for (std::uint32_t mask : {0x0000F800u, 0x000007E0u, 0x0000001Fu}) // 5-6-5 in 32 bits
        for (int i = 0; i < 4; ++i)
            info.push_back(static_cast<std::uint8_t>(mask >> (8 * i)));
    const std::vector<std::uint8_t> pixels = {0x00, 0xF8, 0, 0, 0x1F, 0x00, 0, 0}; // red, blue
    TSPIBitmap bitmap;
    bitmap.LoadFromFile(WriteScratch("fields.tvr", RawPicture(info, pixels)));
    ASSERT_EQ(bitmap.Width(), 2);
    EXPECT_EQ(bitmap.Dib().PixelColor(0, 0), 0x0000FFu);
    EXPECT_EQ(bitmap.Dib().PixelColor(1, 0), 0xFF0000u);
}

TEST_F(DecodingGraphic, AssignLoadedGraphicTakesWhatTheReadersGive) {
    TSPIBitmap bitmap;
    try {
        bitmap.AssignLoadedGraphic(nullptr);
        FAIL() << "no exception";
    } catch (const EInvalidGraphic& e) {
        EXPECT_STREQ(e.what(), "Susie Plugins could not decode");
    }
    auto plain = std::make_unique<TBitmap>();
    plain->SetDib(TDib::Create(5, 4, 24));
    bitmap.AssignLoadedGraphic(std::move(plain));
    EXPECT_EQ(bitmap.Width(), 5);
    EXPECT_EQ(bitmap.Height(), 4);
}

namespace {

// A reader whose every load fails with the given kind of error.
template <class Error> class TFailingGraphic : public TBitmap {
public:
    static const TGraphicClassInfo ClassInfo;
    TGraphicClass ClassType() const override { return &ClassInfo; }
    using TGraphic::LoadFromFile;
    void LoadFromFile(const std::wstring& name) override { throw Error(WideToUtf8(name)); }
};
template <class Error>
const TGraphicClassInfo TFailingGraphic<Error>::ClassInfo{
    "TFailingGraphic", &TBitmap::ClassInfo,
    []() -> std::unique_ptr<TGraphic> { return std::make_unique<TFailingGraphic<Error>>(); }};

} // namespace

TEST_F(DecodingGraphic, NamesOutsideTheCodePageLoadByBothReaders) {
    Spis = MakeCollection({"decode_raw"});
    TPicture picture;
    picture.LoadFromFile(WriteScratchW(L"\U0001F600.bmp", BitmapFile3x2()));
    EXPECT_EQ(picture.Width(), 3);
    picture.LoadFromFile(WriteScratchW(L"\u5199\u771F\U0001F600.tvr", TinyPicture()));
    EXPECT_EQ(picture.Width(), 2);
    EXPECT_EQ(Stats("decode_raw").pictureCalls, 1);
}

TEST_F(DecodingGraphic, OnlyTheUnreachableNameFailureOutlivesTheOtherReader) {
    const auto& plain = TFailingGraphic<EInvalidGraphic>::ClassInfo;
    const auto& unreachable = TFailingGraphic<ESPIUnreachableName>::ClassInfo;
    EXPECT_EQ(LoadFileByClasses(&plain, L"a.tvr", &plain, false, nullptr), nullptr);
    for (bool bitmapFirst : {false, true})
        EXPECT_THROW(LoadFileByClasses(&unreachable, L"a.tvr", &plain, bitmapFirst, nullptr),
                     ESPIUnreachableName);
}
