// The slideshow's picture pipeline over the slow test module: pictures decoded ahead are shown
// without a plug-in call, superseded decodes are cancelled through the progress callback, the
// window keeps answering during a decode, and nothing arrives after the window closed.
#include "framework/win32/Application.h"
#include "framework/win32/Text.h"
#include "imaging/SPIBmp.h"
#include "slideshow/FormSlideShowU.h"
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
        Form->FileListBox1.SetDirectory(AnsiToWide(Dir));
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
    Write(0, "10,0000FF"); // another size, and a later write time
    Key(VK_LEFT);
    ASSERT_TRUE(Settle());
    EXPECT_EQ(Stats("decode_slow").pictureCalls, 1);
    EXPECT_EQ(FileLabel(), "1 / 2  p0.slw");
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
