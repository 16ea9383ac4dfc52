// The decoding job against real test modules: candidate order, MacBinary offsets, sources,
// progress, failures, the header check and the release of every plug-in block.
#include "imaging/InSPIAbleData.h"
#include "framework/win32/Text.h"
#include "imaging/SPIBmp.h"
#include "tests/win/DecodingSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>

using namespace tovane;
using namespace decoding_test;

namespace {

// The colour of pixel (x, y), y from the top, of the job's 24-bit image.
std::uint32_t PixelOf(TInSPIAbleData& job, int x, int y) {
    const TDibLayout& l = *job.Layout();
    const int row = l.Height < 0 ? y : (l.Height - 1 - y);
    const auto* p = static_cast<const std::uint8_t*>(job.LockBits()) + row * l.Stride + x * 3;
    return p[2] | (p[1] << 8) | (p[0] << 16);
}

constexpr std::uint32_t Red = 0x0000FF, Blue = 0xFF0000;

class DecodingJob : public WithSpiBmp {
protected:
    TSPIGraphic Owner; // the Sender of the notifications
};

std::vector<std::uint8_t> WithMacBinaryHeader(const std::vector<std::uint8_t>& picture) {
    std::vector<std::uint8_t> v(128 + picture.size(), 0x11);
    std::copy(picture.begin(), picture.end(), v.begin() + 128);
    return v;
}

} // namespace

TEST_F(DecodingJob, MacBinaryHeaderIsFoundOnTheSecondChanceBeforeTheNextPlugin) {
    Spis = MakeCollection({"decode_raw", "decode_any"});
    const std::string path = WriteScratch("macbin.dat", WithMacBinaryHeader(TinyPicture()));

    TInSPIAbleFromFile job(&Owner, path);
    job.Decode();
    ASSERT_FALSE(job.IsEmpty());
    EXPECT_EQ(job.Layout()->Width, 2);
    EXPECT_EQ(PixelOf(job, 0, 0), Red);
    EXPECT_EQ(Stats("decode_raw").isSupportedCalls, 2);
    EXPECT_EQ(Stats("decode_raw").lastFlag, 0u);
    EXPECT_EQ(Stats("decode_raw").lastLen, 128);
    EXPECT_STREQ(Stats("decode_raw").lastFile, path.c_str());
    EXPECT_EQ(Stats("decode_any").isSupportedCalls, 0);

    // From memory the plug-in gets the address past the header and the bytes that remain.
    const std::vector<std::uint8_t> bytes = ReadWholeFile(path);
    TMemoryStream memory;
    memory.WriteBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
    TInSPIAbleFromStream fromMemory(&Owner, memory, "macbin.dat");
    ResetStats("decode_raw");
    fromMemory.Decode();
    ASSERT_FALSE(fromMemory.IsEmpty());
    EXPECT_EQ(Stats("decode_raw").lastFlag, 1u);
    EXPECT_EQ(Stats("decode_raw").lastLen, static_cast<LONG_PTR>(bytes.size() - 128));
    EXPECT_EQ(std::memcmp(Stats("decode_raw").lastData, "TVRW", 4), 0);
}

TEST_F(DecodingJob, WithoutMacBinaryModeOnlyOffsetZeroIsTried) {
    Spis = MakeCollection({"decode_raw", "decode_any"});
    Spis->MacBinary = false;
    TInSPIAbleFromFile job(&Owner,
                           WriteScratch("macbin-off.dat", WithMacBinaryHeader(TinyPicture())));
    job.Decode();
    ASSERT_FALSE(job.IsEmpty());
    EXPECT_EQ(job.Layout()->Width, 1); // the next plug-in's picture
    EXPECT_EQ(PixelOf(job, 0, 0), Red);
    EXPECT_EQ(Stats("decode_raw").isSupportedCalls, 1);
    EXPECT_EQ(Stats("decode_any").isSupportedCalls, 1);
}

TEST_F(DecodingJob, ShortSourcesShowZerosPastTheirEnd) {
    Spis = MakeCollection({"decode_raw"});
    const std::vector<std::uint8_t> ten = {'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', 'I', 'J'};

    // A file: both offsets are offered; past the data the header is zero.
    TInSPIAbleFromFile file(&Owner, WriteScratch("short.dat", ten));
    file.Decode();
    EXPECT_TRUE(file.IsEmpty());
    const DecodeStats& s = Stats("decode_raw");
    EXPECT_EQ(s.isSupportedCalls, 2);
    for (unsigned char b : s.lastHeader) // the view at offset 128
        ASSERT_EQ(b, 0);

    // Memory no longer than the offset is offered at offset 0 only.
    ResetStats("decode_raw");
    TMemoryStream memory;
    memory.WriteBuffer(ten.data(), 10);
    TInSPIAbleFromStream fromMemory(&Owner, memory, "short.dat");
    fromMemory.Decode();
    EXPECT_EQ(s.isSupportedCalls, 1);
    EXPECT_EQ(std::memcmp(s.lastHeader, "ABCDEFGHIJ", 10), 0);
    for (int i = 10; i < 2048; ++i)
        ASSERT_EQ(s.lastHeader[i], 0) << i;

    // 129 bytes reach past the offset: a second attempt sees the last byte, then zeros.
    ResetStats("decode_raw");
    std::vector<std::uint8_t> longer(129, 0);
    longer[128] = 'Z';
    TMemoryStream memory2;
    memory2.WriteBuffer(longer.data(), 129);
    TInSPIAbleFromStream fromMemory2(&Owner, memory2, "");
    fromMemory2.Decode();
    EXPECT_EQ(s.isSupportedCalls, 2);
    EXPECT_EQ(s.lastHeader[0], 'Z');
    EXPECT_EQ(s.lastHeader[1], 0);

    // An empty memory stream: offset 0 only, with zeros.
    ResetStats("decode_raw");
    TMemoryStream empty;
    TInSPIAbleFromStream fromEmpty(&Owner, empty, "");
    fromEmpty.Decode();
    EXPECT_TRUE(fromEmpty.IsEmpty());
    EXPECT_EQ(s.isSupportedCalls, 1);
}

TEST_F(DecodingJob, NamelessMemorySourceKeepsCollectionOrder) {
    Spis = MakeCollection({"decode_any", "decode_raw"});
    const std::vector<std::uint8_t> bytes = TinyPicture();
    TMemoryStream memory;
    memory.WriteBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));

    TInSPIAbleFromStream nameless(&Owner, memory, "");
    nameless.Decode();
    ASSERT_FALSE(nameless.IsEmpty());
    EXPECT_EQ(nameless.Layout()->Width, 1); // decode_any came first
    EXPECT_STREQ(Stats("decode_any").lastName, "");
    EXPECT_EQ(Stats("decode_raw").isSupportedCalls, 0);

    // Named, the plug-in declaring the extension moves to the front.
    TInSPIAbleFromStream named(&Owner, memory, "C:\\x\\pic.TVR");
    named.Decode();
    ASSERT_FALSE(named.IsEmpty());
    EXPECT_EQ(named.Layout()->Width, 2);
    EXPECT_STREQ(Stats("decode_raw").lastName, "C:\\x\\pic.TVR");
}

TEST_F(DecodingJob, MemoryStreamIsDecodedFromItsStartInPlace) {
    Spis = MakeCollection({"decode_raw"});
    const std::vector<std::uint8_t> bytes = TinyPicture();
    TMemoryStream memory;
    memory.WriteBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
    memory.SetPosition(50);

    TInSPIAbleFromStream job(&Owner, memory, "");
    EXPECT_EQ(job.Memory(), memory.Memory()); // no copy
    job.Decode();
    ASSERT_FALSE(job.IsEmpty());
    EXPECT_EQ(std::memcmp(Stats("decode_raw").lastData, "TVRW", 4), 0);
    EXPECT_EQ(memory.Position(), 50);
}

TEST_F(DecodingJob, OtherStreamsAreCopiedWholeFromTheirStart) {
    Spis = MakeCollection({"decode_raw"});
    const std::string path = WriteScratch("stream.tvr", TinyPicture());
    TFileStream file(path, TFileMode::fmOpenRead);
    file.SetPosition(30);

    TInSPIAbleFromStream job(&Owner, file, path);
    EXPECT_EQ(file.Position(), file.Size());
    EXPECT_EQ(job.Size(), file.Size());
    job.Decode();
    ASSERT_FALSE(job.IsEmpty());
    EXPECT_EQ(PixelOf(job, 1, 1), 0x00FF00u);
}

TEST_F(DecodingJob, ForcedLoaderIsTheOnlyPluginAsked) {
    Spis = MakeCollection({"decode_raw", "decode_any"});
    Spis->GraphicForcedLoader = dynamic_cast<TInSPI*>(&Spis->Items(1));
    ASSERT_NE(Spis->GraphicForcedLoader, nullptr);

    TInSPIAbleFromFile job(&Owner, WriteScratch("forced.tvr", TinyPicture()));
    job.Decode();
    ASSERT_FALSE(job.IsEmpty());
    EXPECT_EQ(job.Layout()->Width, 1);
    EXPECT_EQ(Stats("decode_raw").isSupportedCalls, 0);
}

TEST_F(DecodingJob, WithoutCollectionNothingIsTried) {
    std::vector<Notification> seen;
    TInSPIAbleFromFile job(&Owner, WriteScratch("nocollection.tvr", TinyPicture()));
    job.OnProgress = Recorder(seen);
    job.Decode();
    EXPECT_TRUE(job.IsEmpty());
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[1].Msg, "Seeking enabled Susie Plugins");
    EXPECT_EQ(seen[2].Stage, psEnding);
}

TEST_F(DecodingJob, NotificationsOfARun) {
    Spis = MakeCollection({"decode_raw"});
    std::vector<Notification> seen;
    TInSPIAbleFromFile job(&Owner, WriteScratch("notify.tvr", TinyPicture()));
    job.OnProgress = Recorder(seen);
    job.Decode();
    ASSERT_FALSE(job.IsEmpty());

    const std::string loadingBy =
        std::string("Loading by [decode_raw") + (sizeof(void*) == 8 ? ".sph]" : ".spi]");
    const std::vector<std::pair<int, std::string>> expected = {
        {0, "Loading Graphic by Susie Plugin"},
        {1, "Seeking enabled Susie Plugins"},
        {1, loadingBy},
        {2, ""},
        {99, ""},
        {100, "Loaded Graphic by Susie Plugin"}};
    ASSERT_EQ(seen.size(), expected.size());
    for (std::size_t i = 0; i < seen.size(); ++i) {
        EXPECT_EQ(seen[i].Percent, expected[i].first) << i;
        EXPECT_EQ(seen[i].Msg, expected[i].second) << i;
        EXPECT_EQ(seen[i].Sender, &Owner) << i;
        EXPECT_EQ(seen[i].R, TRect(0, 0, 0, 0)) << i;
        EXPECT_EQ(seen[i].RedrawNow, i + 1 == seen.size()) << i;
    }
    EXPECT_EQ(seen[0].Stage, psStarting);
    EXPECT_EQ(seen[3].Stage, psRunning);
    EXPECT_EQ(seen[5].Stage, psEnding);
}

TEST_F(DecodingJob, PluginProgressPercentagesIncludingAZeroDenominator) {
    Spis = MakeCollection({"decode_progress"});
    std::vector<Notification> seen;
    TInSPIAbleFromFile job(&Owner, WriteScratch("progress.prg", {1, 2, 3}));
    job.OnProgress = Recorder(seen);
    job.Decode();
    ASSERT_FALSE(job.IsEmpty());

    std::vector<int> percents;
    for (const Notification& n : seen)
        if (n.Stage == psRunning && n.Msg.empty())
            percents.push_back(n.Percent);
    EXPECT_EQ(percents, (std::vector<int>{2, 26, 1, 99})); // 0/4, 1/4, 2/0, 4/4
    const DecodeStats& s = Stats("decode_progress");
    ASSERT_EQ(s.callbackCount, 4);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(s.callbackResults[i], 0);
}

TEST_F(DecodingJob, WithoutHandlerTheCallbackAlwaysAnswersGoOn) {
    Spis = MakeCollection({"decode_progress"});
    TInSPIAbleFromFile job(&Owner, WriteScratch("nohandler.prg", {1}));
    job.Decode();
    ASSERT_FALSE(job.IsEmpty());
    const DecodeStats& s = Stats("decode_progress");
    ASSERT_EQ(s.callbackCount, 4);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(s.callbackResults[i], 0);
}

TEST_F(DecodingJob, SilentAbortInsideAPluginStopsOnlyThatPlugin) {
    Spis = MakeCollection({"decode_progress", "decode_any"});
    int aborts = 0;
    TInSPIAbleFromFile job(&Owner, WriteScratch("abort.prg", {1}));
    job.OnProgress = [&](TGraphic*, TProgressStage stage, std::uint8_t, bool, const TRect&,
                         const std::string& msg) {
        if (stage == psRunning && msg.empty()) {
            ++aborts;
            throw EAbort();
        }
    };
    job.Decode();
    ASSERT_FALSE(job.IsEmpty());
    EXPECT_EQ(PixelOf(job, 0, 0), Red); // decode_any's picture
    const DecodeStats& s = Stats("decode_progress");
    EXPECT_EQ(s.pictureCalls, 2); // offsets 0 and 128, each stopped at its first call
    EXPECT_EQ(s.callbackCount, 2);
    EXPECT_EQ(s.callbackResults[0], 1);
    EXPECT_EQ(aborts, 2);
}

TEST_F(DecodingJob, OtherFailureOfTheHandlerReachesTheCallerAfterThePluginReturned) {
    Spis = MakeCollection({"decode_progress", "decode_any"});
    std::vector<Notification> seen;
    TInSPIAbleFromFile job(&Owner, WriteScratch("failure.prg", {1}));
    job.OnProgress = [&](TGraphic* sender, TProgressStage stage, std::uint8_t percent, bool redraw,
                         const TRect& r, const std::string& msg) {
        seen.push_back(Notification{sender, stage, percent, redraw, r, msg});
        if (stage == psRunning && msg.empty())
            throw std::runtime_error("handler failed");
    };
    EXPECT_THROW(
        {
            try {
                job.Decode();
            } catch (const std::runtime_error& e) {
                EXPECT_STREQ(e.what(), "handler failed");
                throw;
            }
        },
        std::runtime_error);
    const DecodeStats& s = Stats("decode_progress");
    EXPECT_EQ(s.pictureReturns, 1); // the plug-in returned before the failure went on
    EXPECT_EQ(s.callbackCount, 1);
    EXPECT_EQ(s.callbackResults[0], 1); // asked to stop
    EXPECT_EQ(Stats("decode_any").isSupportedCalls, 0);
    EXPECT_TRUE(job.IsEmpty());
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.back().Stage, psEnding); // the ending notification still went out
}

TEST_F(DecodingJob, ErrorResultsAndMissingHandlesLetTheNextPluginDecode) {
    LocalFreeRecorder frees;
    Spis = MakeCollection({"decode_error", "decode_half", "decode_any"});
    TInSPIAbleFromFile job(&Owner, WriteScratch("errors.dat", {1, 2}));
    job.Decode();
    ASSERT_FALSE(job.IsEmpty());
    EXPECT_EQ(PixelOf(job, 0, 0), Red);
    EXPECT_EQ(Stats("decode_error").pictureCalls, 2);
    EXPECT_EQ(Stats("decode_half").pictureCalls, 2);
    // The handles stored with an error result are not the program's to free.
    EXPECT_EQ(frees.Count(reinterpret_cast<HLOCAL>(0x123450)), 0);
    EXPECT_EQ(frees.Count(reinterpret_cast<HLOCAL>(0x123460)), 0);
    // The lone info block of the half success is freed, once per attempt.
    EXPECT_EQ(Stats("decode_half").allocCount, 4); // two attempts: text + info each
    EXPECT_TRUE(frees.AllFreedOnce(Stats("decode_half")));
}

TEST_F(DecodingJob, EveryPluginBlockIsFreedExactlyOnce) {
    LocalFreeRecorder frees;
    Spis = MakeCollection({"decode_raw"});
    const DecodeStats& s = Stats("decode_raw");
    {
        TInSPIAbleFromFile job(&Owner, WriteScratch("freed.tvr", TinyPicture()));
        job.Decode();
        ASSERT_FALSE(job.IsEmpty());
        job.LockInfo();
        job.LockBits();
        EXPECT_EQ(s.allocCount, 3); // text information, info, pixels
        for (int i = 0; i < s.allocCount; ++i)
            EXPECT_EQ(frees.Count(s.allocs[i]), 0);

        // A second run gives the first image back before it starts.
        job.Decode();
        ASSERT_FALSE(job.IsEmpty());
        EXPECT_EQ(s.allocCount, 6);
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(frees.Count(s.allocs[i]), 1);
        EXPECT_EQ(job.InfoHandle(), s.allocs[4]);
    }
    EXPECT_TRUE(frees.AllFreedOnce(s));
}

TEST_F(DecodingJob, PreviewIsAskedFirstWhenEnabled) {
    Spis = MakeCollection({"decode_preview"});
    TInSPIAbleFromFile picture(&Owner, WriteScratch("preview.pvw", {1}));
    picture.Decode();
    ASSERT_FALSE(picture.IsEmpty());
    EXPECT_EQ(PixelOf(picture, 0, 0), Blue);
    EXPECT_EQ(Stats("decode_preview").previewCalls, 0);

    Spis->GraphicPreview = true;
    TInSPIAbleFromFile preview(&Owner, WriteScratch("preview.pvw", {1}));
    preview.Decode();
    ASSERT_FALSE(preview.IsEmpty());
    EXPECT_EQ(PixelOf(preview, 0, 0), 0x00FF00u);
    EXPECT_EQ(Stats("decode_preview").previewCalls, 1);
}

TEST_F(DecodingJob, PluginWithoutPreviewExportFallsBackToThePicture) {
    Spis = MakeCollection({"decode_raw"});
    Spis->GraphicPreview = true;
    TInSPIAbleFromFile job(&Owner, WriteScratch("nopreview.tvr", TinyPicture()));
    job.Decode();
    ASSERT_FALSE(job.IsEmpty());
    EXPECT_EQ(Stats("decode_raw").pictureCalls, 1);
}

// Headers that claim more than their blocks hold are refused before any of their bytes past
// the header is read, and the blocks are freed.
TEST_F(DecodingJob, LyingHeadersAreRefused) {
    Spis = MakeCollection({"decode_raw"});
    struct Case {
        const char* what;
        std::vector<std::uint8_t> picture;
        bool tooLarge = false; // ends the load at once, saying so
    };
    const std::vector<std::uint8_t> rows(16, 0);
    const std::vector<Case> cases = {
        {"pixels larger than their block", RawPicture(InfoBlock(100, 100, 24), rows)},
        {"colour table past the info block", RawPicture(InfoBlock(2, 2, 8, 200), rows)},
        {"8 bits without its 256 colours", RawPicture(InfoBlock(2, 2, 8), rows)},
        {"info block shorter than its header", RawPicture(InfoBlock(2, 2, 24), rows, 20)},
        {"header size larger than the block",
         RawPicture(InfoBlock(2, 2, 24, 0, {}, 0, 124), rows, 60)},
        {"odd bit depth", RawPicture(InfoBlock(2, 2, 7), rows)},
        {"unknown compression", RawPicture(InfoBlock(2, 2, 24, 0, {}, 9), rows)},
        {"size arithmetic overflow", RawPicture(InfoBlock(0x7FFFFFFF, 0x7FFFFFFF, 32), rows), true},
        {"larger than a bitmap may be", RawPicture(InfoBlock(20000, 15000, 24), rows), true},
        {"negative width", RawPicture(InfoBlock(-2, 2, 24), rows)},
        {"zero height", RawPicture(InfoBlock(2, 0, 24), rows)},
    };
    for (const Case& c : cases) {
        ResetStats("decode_raw");
        LocalFreeRecorder frees; // handles are reused from case to case
        {
            TInSPIAbleFromFile job(&Owner, WriteScratch("lying.tvr", c.picture));
            if (c.tooLarge) {
                try {
                    job.Decode();
                    ADD_FAILURE() << c.what << ": no error";
                } catch (const EInvalidGraphic& e) {
                    EXPECT_NE(std::string(e.what()).find("too large"), std::string::npos)
                        << e.what();
                }
            } else {
                job.Decode();
            }
            EXPECT_TRUE(job.IsEmpty()) << c.what;
            EXPECT_FALSE(job.RefusalReason().empty()) << c.what;
            EXPECT_EQ(Stats("decode_raw").pictureCalls, 1) << c.what;
        }
        EXPECT_TRUE(frees.AllFreedOnce(Stats("decode_raw"))) << c.what;
    }
}

TEST_F(DecodingJob, BlocksLargerThanNeededAreAccepted) {
    Spis = MakeCollection({"decode_raw"});
    const std::vector<std::uint8_t> rows(16, 0x80);
    TInSPIAbleFromFile job(
        &Owner, WriteScratch("roomy.tvr", RawPicture(InfoBlock(2, 2, 24), rows, 4096, 4096)));
    job.Decode();
    ASSERT_FALSE(job.IsEmpty());
    EXPECT_EQ(job.Layout()->InfoSize, 40u);
    EXPECT_EQ(job.Layout()->ImageSize, 16u);
}

TEST_F(DecodingJob, FailureInTheJobsOwnNotificationsEndsTheRun) {
    Spis = MakeCollection({"decode_raw", "decode_any"});
    std::vector<Notification> seen;
    TInSPIAbleFromFile job(&Owner, WriteScratch("ownabort.tvr", TinyPicture()));
    job.OnProgress = [&](TGraphic* sender, TProgressStage stage, std::uint8_t percent, bool redraw,
                         const TRect& r, const std::string& msg) {
        seen.push_back(Notification{sender, stage, percent, redraw, r, msg});
        if (msg.rfind("Loading by [", 0) == 0)
            throw EAbort();
    };
    EXPECT_THROW(job.Decode(), EAbort);
    EXPECT_EQ(Stats("decode_raw").isSupportedCalls, 0);
    EXPECT_EQ(Stats("decode_any").isSupportedCalls, 0);
    ASSERT_EQ(seen.size(), 4u);
    EXPECT_EQ(seen[3].Stage, psEnding);

    // A failure in the starting notification: nothing follows it.
    seen.clear();
    job.OnProgress = [&](TGraphic*, TProgressStage stage, std::uint8_t, bool, const TRect&,
                         const std::string&) {
        seen.push_back(Notification{});
        if (stage == psStarting)
            throw std::runtime_error("refused");
    };
    EXPECT_THROW(job.Decode(), std::runtime_error);
    EXPECT_EQ(seen.size(), 1u);
}

// ---- Names outside the code page ----

namespace {

const ShortNameLookup NoShortNames = [](const std::wstring&) {
    return std::optional<std::wstring>();
};

} // namespace

TEST_F(DecodingJob, PluginsGetAPathThatNamesTheFileNeverABestFit) {
    Spis = MakeCollection({"decode_raw"});
    struct Case {
        const wchar_t* Name;
        bool Fits; // the long name fits code page 932
    };
    // A wave dash (best fit: the full-width tilde, another name), Japanese with an emoji,
    // Hangul, an accent (best fit: the plain letter); and a Japanese name that fits. Wine
    // gives every name a short form.
    for (const Case& c : {Case{L"\u301C.tvr", false}, Case{L"\u5199\u771F\U0001F600.tvr", false},
                          Case{L"\uD55C\uAD6D.tvr", false}, Case{L"caf\u00E9.tvr", false},
                          Case{L"\u5199\u771F.tvr", true}}) {
        const std::wstring path = WriteScratchW(c.Name, TinyPicture());
        TInSPIAbleFromFile job(&Owner, path);
        ASSERT_FALSE(job.InMemory());
        job.Decode();
        ASSERT_FALSE(job.IsEmpty()) << WideToUtf8(c.Name);
        const DecodeStats& s = Stats("decode_raw");
        EXPECT_EQ(s.lastFlag, 0u);
        EXPECT_EQ(std::string(s.lastName), s.lastFile);
        // The long name when it fits, else the short form: either names this very file.
        const std::optional<std::wstring> shortPath = SystemShortName(path);
        ASSERT_TRUE(shortPath.has_value());
        EXPECT_EQ(AnsiToWide(s.lastFile), c.Fits ? path : *shortPath) << s.lastFile;
    }
}

TEST_F(DecodingJob, AFileWithoutAnyAnsiNameGoesInMemory) {
    Spis = MakeCollection({"decode_raw"});
    const std::wstring path = WriteScratchW(L"\u5199\u771F\U0001F600.tvr", TinyPicture());
    TInSPIAbleFromFile job(&Owner, path, NoShortNames);
    ASSERT_TRUE(job.InMemory());
    job.Decode();
    ASSERT_FALSE(job.IsEmpty());
    EXPECT_EQ(PixelOf(job, 0, 0), Red);
    const DecodeStats& s = Stats("decode_raw");
    EXPECT_EQ(s.lastFlag, 1u);
    EXPECT_EQ(s.lastLen, static_cast<LONG_PTR>(TinyPicture().size()));
    // The name the plug-ins are shown keeps the extension and names no file.
    const std::string fits = WideToAnsi(path.substr(0, path.size() - 6));
    EXPECT_EQ(job.PluginName().substr(0, fits.size()), fits);
    EXPECT_TRUE(job.PluginName().ends_with("?.tvr"));
    EXPECT_EQ(std::string(s.lastName), job.PluginName());
}

TEST_F(DecodingJob, AModuleForFilePathsOnlyFailsThatFileByName) {
    Spis = MakeCollection({"decode_rawfile"});
    const std::wstring path = WriteScratchW(L"\u301C\U0001F600.tvr", TinyPicture());
    TInSPIAbleFromFile job(&Owner, path, NoShortNames);
    job.Decode();
    EXPECT_TRUE(job.IsEmpty());
    EXPECT_NE(job.FailureText().find(WideToUtf8(path)), std::string::npos) << job.FailureText();
    // Nothing else breaks: a file with a path is decoded by the same module.
    TInSPIAbleFromFile other(&Owner, WriteScratch("paths.tvr", TinyPicture()));
    other.Decode();
    EXPECT_FALSE(other.IsEmpty());
}
