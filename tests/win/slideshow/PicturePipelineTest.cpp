// The slideshow's picture pipeline over the slow test module: pictures decoded ahead are shown
// without a plug-in call, superseded decodes are cancelled through the progress callback, the
// window keeps answering during a decode, and nothing arrives after the window closed.
#include "framework/win32/Application.h"
#include "framework/win32/Text.h"
#include "imaging/SPIBmp.h"
#include "slideshow/FormSlideShowU.h"
#include "tests/win/DecodingSupport.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

using namespace tovane;
using namespace decoding_test;

namespace {

class SlowFolderSource : public TSlideShowSource {
public:
    std::string Dir;
    bool ReadAhead = true;
    int FolderCount() override { return 1; }
    std::wstring Folder(int) override { return AnsiToWide(Dir); }
    int CurrentFolder() override { return 0; }
    void SetCurrentFolder(int) override {}
    SlideShowSettings Settings() override {
        SlideShowSettings s = DefaultSlideShowSettings();
        s.Interval = 100;
        s.bSecond = true;
        s.ReadAhead = ReadAhead;
        return s;
    }
    std::vector<std::string> ImageExtensions() override { return {"slw"}; }
};

class PicturePipeline : public testing::Test {
protected:
    void SetUp() override {
        InitializeSpiBmp();
        Spis = MakeCollection({"decode_slow"});
        Application().OnException = [this](const std::string& m) { Errors.push_back(m); };
        auto source = std::make_unique<SlowFolderSource>();
        Source = source.get();
        Source->Dir =
            ScratchFolder() + testing::UnitTest::GetInstance()->current_test_info()->name();
        CreateDirectoryA(Source->Dir.c_str(), nullptr);
        Form = std::make_unique<TBuiltForm<TFormSlideShow>>(std::move(source));
    }
    void TearDown() override {
        Form.reset();
        Application().OnException = nullptr;
        Spis.reset();
        FinalizeSpiBmp();
        SetCurrentDirectoryA("C:\\");
    }

    // Pictures p0.slw, p1.slw, ... each taking ms milliseconds to decode.
    void Pictures(const std::vector<int>& ms) {
        for (std::size_t i = 0; i < ms.size(); ++i)
            Write(i, std::to_string(ms[i]));
    }
    void Write(std::size_t i, const std::string& text) {
        const std::string path = Source->Dir + "\\p" + std::to_string(i) + ".slw";
        HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        DWORD written = 0;
        WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        CloseHandle(file);
    }

    void Start() {
        Form->FileListBox1.SetDirectory(AnsiToWide(Source->Dir));
        Form->Show();
    }
    void Key(unsigned vk) {
        PostMessageW(Form->Handle(), WM_KEYDOWN, vk, 1);
        Application().ProcessMessages();
    }
    // Runs the message loop until done() or 10 s.
    bool PumpUntil(const std::function<bool()>& done) {
        const DWORD until = GetTickCount() + 10000;
        while (!done() && GetTickCount() < until) {
            Sleep(2);
            Application().ProcessMessages();
        }
        return done();
    }
    bool Settle() {
        return PumpUntil([&] { return !Form->Loading(); });
    }
    // Until the decoding thread has no more to do.
    void ReadAheadDone() {
        PumpUntil([&] { return Form->Pipeline()->Idle(); });
    }
    std::string FileLabel() const { return Form->LabelFile.Caption(); }

    std::unique_ptr<TSPIs> Spis;
    SlowFolderSource* Source = nullptr;
    std::unique_ptr<TFormSlideShow> Form;
    std::vector<std::string> Errors;
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
    Source->ReadAhead = false;
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
