// The slideshow's picture pipeline over the slow test module: pictures decoded ahead are shown
// without a plug-in call, superseded decodes are cancelled through the progress callback, the
// window keeps answering during a decode, and nothing arrives after the window closed.
#include "framework/win32/Application.h"
#include "framework/win32/Text.h"
#include "imaging/SPIBmp.h"
#include "slideshow/FormSlideShowU.h"
#include "slideshow/PictureListing.h"
#include "slideshow/ResumeFile.h"
#include "tests/win/DecodingSupport.h"
#include "tests/win/slideshow/TestSource.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

using namespace tovane;
using namespace decoding_test;

namespace {

class PicturePipeline : public OneFolderSlideShow {
protected:
    void SetUp() override {
        OneFolderSlideShow::SetUp();
        Spis = MakeCollection({"decode_slow"});
        Dir = ScratchFolder() + testing::UnitTest::GetInstance()->current_test_info()->name();
        CreateDirectoryA(Dir.c_str(), nullptr);
        MakeForm(Dir, {"slw"}); // reading ahead, as by default
    }
    void TearDown() override {
        OneFolderSlideShow::TearDown();
        SetCurrentDirectoryA("C:\\");
    }

    // Pictures p0.slw, p1.slw, ... each taking ms milliseconds to decode.
    void Pictures(const std::vector<int>& ms) {
        for (std::size_t i = 0; i < ms.size(); ++i)
            Write(i, std::to_string(ms[i]));
    }
    void Write(std::size_t i, const std::string& text) {
        harness::WriteWholeFile(Dir + "\\p" + std::to_string(i) + ".slw", text);
    }

    void Start() {
        Form->SetPlace(AnsiToWide(Dir));
        Form->Show();
    }
    void Key(unsigned vk) {
        PostMessageW(Form->Handle(), WM_KEYDOWN, vk, 1);
        Application().ProcessMessages();
    }
    // Runs the message loop until done() or 10 s.
    bool PumpUntil(const std::function<bool()>& done) { return harness::PumpUntil(done, 10000); }
    bool Settle() {
        return PumpUntil([&] { return !Form->Loading(); });
    }
    // Until the decoding thread has no more to do.
    void ReadAheadDone() {
        PumpUntil([&] { return Form->Pipeline()->Idle(); });
    }
    std::string FileLabel() const { return Form->LabelFile.Caption(); }

    std::string Dir; // the one folder, of its own per test
};

} // namespace

TEST_F(PicturePipeline, PicturesDecodedAheadAndMagnificationNeedNoPluginCall) {
    Pictures({50, 50, 50});
    Start();
    ASSERT_TRUE(Settle());
    EXPECT_EQ(FileLabel(), "1 / 3  p0.slw");
    ReadAheadDone();
    DecodeStats& s = Stats("decode_slow");
    EXPECT_EQ(s.pictureCalls, 3); // p0, then p1 and p2 ahead
    ResetStats("decode_slow");
    Key(VK_RIGHT);
    EXPECT_FALSE(Form->Loading()); // shown at once
    EXPECT_EQ(FileLabel(), "2 / 3  p1.slw");
    Key('2');
    Key('2');
    EXPECT_FALSE(Form->Loading());
    EXPECT_EQ(Form->LabelIndex.Caption(), "200%");
    EXPECT_EQ(Form->Image1.Width(), 2);
    Key(VK_LEFT);
    EXPECT_EQ(FileLabel(), "1 / 3  p0.slw");
    EXPECT_EQ(s.pictureCalls, 0);
    EXPECT_TRUE(Errors.empty());
}

TEST_F(PicturePipeline, QuickStepsShowTheLastAndSkipTheRest) {
    Pictures({300, 300, 300, 300, 300, 300, 300});
    LocalFreeRecorder frees;
    Start();
    ASSERT_TRUE(PumpUntil([&] { return Stats("decode_slow").pictureCalls == 1; }));
    for (int k = 0; k < 5; ++k)
        PostMessageW(Form->Handle(), WM_KEYDOWN, VK_RIGHT, 1);
    Application().ProcessMessages();
    EXPECT_EQ(Form->FileListBox1.ItemIndex(), 5); // moved five places at once
    EXPECT_EQ(FileLabel(), "");                   // nothing shown yet
    ASSERT_TRUE(Settle());
    EXPECT_EQ(FileLabel(), "6 / 7  p5.slw");
    EXPECT_TRUE(Form->Image1.Visible());
    ReadAheadDone();
    const DecodeStats& s = Stats("decode_slow");
    EXPECT_GE(s.abortedCalls, 1); // p0 was cancelled
    // p5, then p6 and p4 ahead: none of the pictures passed over was decoded to its end.
    EXPECT_EQ(Form->Pipeline()->Counters().Decoded, 3);
    EXPECT_TRUE(frees.AllFreedOnce(s));
    EXPECT_TRUE(Errors.empty());
}

TEST_F(PicturePipeline, WindowAnswersDuringADecodeAndClosingDropsIt) {
    Pictures({2000, 50});
    LocalFreeRecorder frees;
    Start();
    DecodeStats& s = Stats("decode_slow");
    ASSERT_TRUE(PumpUntil([&] { return s.pictureCalls == 1; }));
    Key(VK_TAB); // handled while the module is still at work
    EXPECT_EQ(s.pictureReturns, 0);
    EXPECT_FALSE(Form->LabelPath.Visible());
    // The loading text shows once the picture is late.
    EXPECT_TRUE(PumpUntil([&] { return Form->LabelLoading.Visible(); }));
    EXPECT_EQ(Form->LabelLoading.Caption(), "読み込み中…");
    Key(VK_ESCAPE);
    EXPECT_FALSE(Form->Visible());
    EXPECT_FALSE(Form->LabelLoading.Visible());
    ASSERT_TRUE(PumpUntil([&] { return s.pictureReturns == 1; }));
    Sleep(50);
    Application().ProcessMessages();
    EXPECT_EQ(Form->Image1.Picture().Graphic(), nullptr); // nothing delivered late
    EXPECT_EQ(s.abortedCalls, 1);
    EXPECT_TRUE(frees.AllFreedOnce(s));
    EXPECT_TRUE(Errors.empty());
}

TEST_F(PicturePipeline, ChangedFileIsDecodedAgain) {
    Pictures({10, 10});
    Start();
    ASSERT_TRUE(Settle());
    ReadAheadDone();
    ResetStats("decode_slow");
    Key(VK_RIGHT);
    ReadAheadDone();
    Write(0, "10,0000FF"); // red instead of white, another size, and a later write time
    Key(VK_LEFT);
    // The cached picture at once (this thread opens no file), then the file's new one.
    EXPECT_FALSE(Form->Loading());
    EXPECT_EQ(FileLabel(), "1 / 2  p0.slw");
    const auto blue = [&] {
        const auto* shown = dynamic_cast<TBitmap*>(Form->Image1.Picture().Graphic());
        return shown != nullptr ? shown->Dib().Bits.data()[0] : -1;
    };
    EXPECT_EQ(blue(), 0xFF);
    EXPECT_TRUE(PumpUntil([&] { return blue() == 0x00; }));
    ReadAheadDone();
    EXPECT_EQ(Stats("decode_slow").pictureCalls, 1);
    EXPECT_EQ(blue(), 0x00);
    EXPECT_EQ(FileLabel(), "1 / 2  p0.slw");
    // A picture whose file is gone since: loaded again, as an uncached one is.
    ASSERT_TRUE(DeleteFileA((Dir + "\\p1.slw").c_str()));
    Key(VK_RIGHT);
    EXPECT_EQ(FileLabel(), "2 / 2  p1.slw");
    EXPECT_TRUE(PumpUntil([&] { return Stats("decode_slow").pictureCalls == 2; }));
}

TEST_F(PicturePipeline, WithoutReadAheadEveryShowDecodes) {
    Source->Values.ReadAhead = false;
    Pictures({10, 10, 10});
    Start();
    EXPECT_FALSE(Form->Loading());
    EXPECT_EQ(Form->Pipeline(), nullptr);
    EXPECT_EQ(FileLabel(), "1 / 3  p0.slw"); // loaded inside the show
    DecodeStats& s = Stats("decode_slow");
    EXPECT_EQ(s.pictureCalls, 1);
    Key(VK_RIGHT);
    Key('2');
    Key(VK_LEFT);
    EXPECT_EQ(s.pictureCalls, 4); // nothing decoded ahead, nothing cached
    EXPECT_EQ(FileLabel(), "1 / 3  p0.slw");
}

// The main window tells the slideshow each move of its folder cursor: the picture a show of the
// place would start at is decoded once the cursor rests there, and Enter needs no module call.
TEST_F(PicturePipeline, ThePictureOfThePlaceTheCursorRestsOnIsReadyAtEnter) {
    Pictures({50});
    DecodeStats& s = Stats("decode_slow");
    Form->FolderCursorMoved();
    ASSERT_TRUE(PumpUntil([&] { return s.pictureReturns == 1; }));
    ReadAheadDone();
    EXPECT_EQ(Form->Pipeline()->Counters().Decoded, 1);
    ResetStats("decode_slow");
    Start(); // Enter
    EXPECT_FALSE(Form->Loading());
    EXPECT_TRUE(Form->Image1.Visible());
    EXPECT_EQ(FileLabel(), "1 / 1  p0.slw");
    ReadAheadDone();
    EXPECT_EQ(s.pictureCalls, 0);
    EXPECT_EQ(s.isSupportedCalls, 0);
    EXPECT_EQ(Form->Pipeline()->Counters().Decoded, 1);
    EXPECT_TRUE(Errors.empty());
}

TEST_F(PicturePipeline, ACursorPassingOverPlacesDecodesNothingAndResumeChoosesThePicture) {
    Pictures({50, 50, 50});
    const std::string other = Dir + "\\other";
    CreateDirectoryA(other.c_str(), nullptr);
    harness::WriteWholeFile(other + "\\q.slw", "50");
    Source->Folders.push_back(other);
    // The place was left at p1 last time.
    const std::wstring resume = AnsiToWide(Dir + "\\Tovane.resume");
    Source->ResumePath = resume;
    TResumePoints points;
    points.Remember(
        {WideToUtf8(ListPictures(AnsiToWide(Dir), "*.slw").Directory()), "p1.slw", "p2.slw"});
    ASSERT_TRUE(WriteResumeFile(resume, points));
    DecodeStats& s = Stats("decode_slow");
    // Moves 50 ms apart: each cancels the wait of the one before.
    for (int k = 0; k < 6; ++k) {
        Source->Current = k % 2 == 0 ? 1 : 0;
        Form->FolderCursorMoved();
        harness::Pump(50);
    }
    EXPECT_EQ(s.pictureCalls, 0);
    EXPECT_EQ(s.isSupportedCalls, 0);
    ASSERT_TRUE(PumpUntil([&] { return s.pictureReturns == 1; }));
    ReadAheadDone();
    EXPECT_EQ(s.pictureCalls, 1);
    EXPECT_TRUE(Contains(s.lastFile, "\\p1.slw")) << s.lastFile;
    Start();
    EXPECT_FALSE(Form->Loading());
    EXPECT_EQ(FileLabel(), "2 / 3  p1.slw");
    EXPECT_TRUE(Errors.empty());
}

// A shuffle across folders starts at a picture of any folder: that one is made ready.
TEST_F(PicturePipeline, TheFirstPictureOfAShuffleAcrossFoldersIsReadyAtEnter) {
    Pictures({50, 50});
    const std::string other = Dir + "\\other";
    CreateDirectoryA(other.c_str(), nullptr);
    for (const char* name : {"q0.slw", "q1.slw"})
        harness::WriteWholeFile(other + "\\" + name, "50");
    Source->Folders.push_back(other);
    Source->Values.bAllDir = true;
    Source->Values.Order = 3;
    DecodeStats& s = Stats("decode_slow");
    Form->FolderCursorMoved();
    ASSERT_TRUE(PumpUntil([&] { return s.pictureReturns == 1; }));
    ReadAheadDone();
    const std::string prepared = s.lastFile;
    Start();
    EXPECT_FALSE(Form->Loading());
    EXPECT_EQ(Form->FileListBox1.Count(), 4);
    EXPECT_TRUE(Contains(prepared, WideToAnsi(Form->FileListBox1.Selected().Path()))) << prepared;
    EXPECT_TRUE(Errors.empty());
}

namespace {

// The pipeline alone, over a collection of its own (made before the pipeline, which looks up
// the decoding host once).
struct BarePipeline {
    explicit BarePipeline(std::initializer_list<const char*> modules, bool isolated = false)
        : Spis((InitializeSpiBmp(), std::make_unique<TSPIs>())) {
        if (isolated)
            Spis->Isolation = std::make_unique<TPluginHost>(TPluginHost::DefaultHostPath(), 60000);
        for (const char* name : modules)
            Spis->Search(PluginFolder(name) + DefaultSPIMask);
        if (std::data(modules)[0] == std::string("decode_block"))
            ResetStats("decode_block");
        Pipeline = std::make_unique<TPicturePipeline>();
        Pipeline->OnPicture = [this](std::uint64_t ticket, TPictureAnswer& answer) {
            Tickets.push_back(ticket);
            Answers.push_back(std::move(answer));
        };
    }
    TPluginHost& Host() { return static_cast<TPluginHost&>(*Spis->Isolation); }

    std::unique_ptr<TSPIs> Spis;
    std::unique_ptr<TPicturePipeline> Pipeline;
    std::vector<std::uint64_t> Tickets;
    std::vector<TPictureAnswer> Answers;
};

TShowSize Fixed(int w, int h) {
    return [w, h](int, int) { return TPictureSize{w, h}; };
}

// Set, the blocking test module goes on.
struct Release {
    Release() : Event(CreateEventA(nullptr, TRUE, FALSE, DECODE_BLOCK_EVENT)) {}
    ~Release() { Now(); }
    void Now() { SetEvent(Event.Get()); }
    UniqueKernelHandle Event;
};

} // namespace

// A request for a picture already being decoded is answered, at its own size, once the decode
// ends: the earlier request's size is not kept.
TEST(PicturePipelineAlone, APictureAskedForAgainWhileDecodingComesAtTheNewSize) {
    Release release;
    BarePipeline p({"decode_block"});
    const std::string path = WriteScratch("handed.blk", {1});
    const TPicturePipeline::TShowResult first =
        p.Pipeline->Show(TPictureLocation::OfFile(AnsiToWide(path)), Fixed(20, 15));
    ASSERT_NE(first.Ticket, 0u);
    ASSERT_TRUE(harness::PumpUntil([] { return Stats("decode_block").pictureCalls == 1; }));
    const TPicturePipeline::TShowResult second =
        p.Pipeline->Show(TPictureLocation::OfFile(AnsiToWide(path)), Fixed(10, 7));
    ASSERT_NE(second.Ticket, 0u);
    release.Now();
    ASSERT_TRUE(harness::PumpUntil([&] { return !p.Answers.empty(); }));
    harness::PumpUntil([&] { return p.Pipeline->Idle(); });
    ASSERT_EQ(p.Tickets, std::vector<std::uint64_t>{second.Ticket});
    ASSERT_TRUE(p.Answers[0].Picture);
    EXPECT_EQ(p.Answers[0].Picture->Graphic->Width(), 10);
    EXPECT_EQ(p.Answers[0].Picture->Width, 40);
    EXPECT_EQ(Stats("decode_block").pictureCalls, 1) << "decoded once";
}

// A module's fault is reported with the show it happened for, not again from the cache.
TEST(PicturePipelineAlone, AFaultIsReportedOnceNotAtEveryShowFromTheCache) {
    BarePipeline p({"fault_av", "decode_any"}, true);
    const std::wstring path = AnsiToWide(WriteScratch("once.flt", {1, 2, 3}));
    std::vector<std::size_t> faults;
    for (int show = 0; show < 3; ++show) {
        TPicturePipeline::TShowResult r =
            p.Pipeline->Show(TPictureLocation::OfFile(path), Fixed(1, 1));
        if (!r.Picture) {
            ASSERT_TRUE(harness::PumpUntil([&] { return !p.Answers.empty(); }, 20000));
            ASSERT_TRUE(p.Answers.back().Picture);
            r.Picture = std::move(p.Answers.back().Picture);
            p.Answers.clear();
        }
        faults.push_back(r.Picture->Faults.size());
    }
    EXPECT_EQ(faults, (std::vector<std::size_t>{1, 0, 0}));
}

// After DropCache (the colour target changed) a picture shown before is decoded again.
TEST(PicturePipelineAlone, ADroppedCacheDecodesAgain) {
    BarePipeline p({"decode_any"});
    const TPictureLocation picture =
        TPictureLocation::OfFile(AnsiToWide(WriteScratch("again.any", {1, 2, 3})));
    const auto show = [&] {
        if (p.Pipeline->Show(picture, Fixed(1, 1)).Picture)
            return true; // from the cache
        EXPECT_TRUE(harness::PumpUntil([&] { return !p.Answers.empty(); }, 20000));
        p.Answers.clear();
        return false;
    };
    EXPECT_FALSE(show());
    EXPECT_TRUE(show());
    p.Pipeline->DropCache();
    EXPECT_EQ(p.Pipeline->CachedCount(), 0u);
    EXPECT_FALSE(show());
    EXPECT_EQ(p.Pipeline->Counters().Decoded, 2u);
}

// Closing on a module that hangs in the host ends that host at once, and the next picture is
// decoded by a fresh one; a module that answers nothing in this process is left behind when the
// pipeline goes, without waiting for it.
TEST(PicturePipelineAlone, ClosingOnAHungModuleNeitherWaitsNorKeepsTheHost) {
    {
        BarePipeline p({"fault_hang", "decode_any"}, true);
        const std::wstring hung = AnsiToWide(WriteScratch("hangs.flt", {1}));
        p.Pipeline->Show(TPictureLocation::OfFile(hung), Fixed(1, 1));
        ASSERT_TRUE(harness::PumpUntil([&] { return p.Host().ProcessId() != 0; }));
        Sleep(300); // into GetPicture
        const UniqueKernelHandle host(OpenProcess(SYNCHRONIZE, FALSE, p.Host().ProcessId()));
        ASSERT_TRUE(host);
        p.Pipeline->CancelAll();
        // Well before the host's 60 s hang limit.
        EXPECT_TRUE(harness::PumpUntil(
            [&] { return WaitForSingleObject(host.Get(), 0) == WAIT_OBJECT_0; }, 10000));
        const std::wstring next = AnsiToWide(WriteScratch("next.any", {1}));
        const TPicturePipeline::TShowResult r =
            p.Pipeline->Show(TPictureLocation::OfFile(next), Fixed(1, 1));
        EXPECT_TRUE(r.Picture || harness::PumpUntil([&] { return !p.Answers.empty(); }, 10000));
        EXPECT_TRUE(p.Answers.empty() || p.Answers[0].Picture);
    }
    Release release;
    BarePipeline p({"decode_block"});
    p.Pipeline->Show(TPictureLocation::OfFile(AnsiToWide(WriteScratch("left.blk", {1}))),
                     Fixed(1, 1));
    ASSERT_TRUE(harness::PumpUntil([] { return Stats("decode_block").pictureCalls == 1; }));
    p.Pipeline.reset();
    EXPECT_EQ(Stats("decode_block").pictureReturns, 0) << "the module was waited for";
    release.Now();
    EXPECT_TRUE(harness::PumpUntil([] { return Stats("decode_block").pictureReturns == 1; }));
    harness::PumpUntil([] { return false; }, 100); // the left thread drops its result and ends
    EXPECT_TRUE(p.Answers.empty());
}
