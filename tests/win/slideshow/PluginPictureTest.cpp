// The slideshow over pictures that only a plug-in decodes: the picture container creates the
// class registered for the extension (TSPIBitmap), which runs the real test modules.
#include "framework/win32/Application.h"
#include "imaging/PluginHost.h"
#include "imaging/SPIBmp.h"
#include "plugins/SPIs.h"
#include "plugins/portable/SPIRules.h"
#include "slideshow/FormSlideShowU.h"
#include "tests/win/Harness.h"
#include "tests/win/slideshow/TestSource.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

using namespace tovane;

namespace {

class SlideShowPlugins : public OneFolderSlideShow {
protected:
    void SetUp() override {
        OneFolderSlideShow::SetUp();
        Scratch.Write("a.any", "anything at all");
        Scratch.Write("b.err", "the module fails on this");
        Scratch.Write("c.txt", "not listed");
        MakeForm(Folder, {"bmp", "any", "err", "flt"});
    }

    // The collection of the one test module named.
    void LoadPlugin(const char* name) {
        Spis = std::make_unique<TSPIs>();
        Spis->Search(harness::ProgramFolder() + "testplugins\\" + name + "\\" + DefaultSPIMask);
        ASSERT_EQ(Spis->Count(), 1) << name << " not built";
    }

    void Start() {
        Form->SetPlace(AnsiToWide(Folder));
        Form->Show();
        Settle();
    }

    // Runs the message loop until the picture asked for has arrived (read-ahead mode).
    void Settle() {
        Application().ProcessMessages();
        harness::PumpUntil([&] { return !Form->Loading(); }, 10000);
    }

    harness::ScratchFolder Scratch{"slideshow-plugins"};
    const std::string& Folder = Scratch.Path();
};

} // namespace

TEST_F(SlideShowPlugins, PictureDecodedByAPluginIsPlacedAndMagnified) {
    LoadPlugin("decode_any");
    Start();
    ASSERT_TRUE(Errors.empty()) << Errors.front();
    EXPECT_EQ(Form->FileListBox1.Count(), 2); // a.any and b.err; c.txt is no image
    EXPECT_EQ(Form->LabelFile.Caption(), "1 / 2  a.any");
    EXPECT_TRUE(Form->Image1.Visible());
    EXPECT_EQ(Form->Image1.Width(), 1); // the module's 1x1 picture
    EXPECT_EQ(Form->Image1.Height(), 1);
    PostMessageW(Form->Handle(), WM_KEYDOWN, '2', 1);
    PostMessageW(Form->Handle(), WM_KEYDOWN, '2', 1);
    Settle();
    EXPECT_EQ(Form->Image1.Width(), 2);
    EXPECT_EQ(Form->LabelIndex.Caption(), "200%");
    Form->Close();
}

TEST_F(SlideShowPlugins, PictureNoPluginDecodesIsReported) {
    LoadPlugin("decode_error");
    Start();
    // a.any: no picture format is registered for its extension. b.err: the module registered
    // for it fails.
    for (int k = 0; k < 2; ++k) {
        SCOPED_TRACE(k);
        ASSERT_EQ(Errors.size(), static_cast<std::size_t>(k + 1));
        EXPECT_TRUE(Form->Visible());
        EXPECT_FALSE(Form->Image1.Visible());
        EXPECT_FALSE(Form->Timer1.Enabled());
        EXPECT_EQ(Form->FileListBox1.ItemIndex(), k);
        PostMessageW(Form->Handle(), WM_KEYDOWN, VK_RIGHT, 1);
        Settle();
    }
    EXPECT_EQ(Errors.back(), SpiCouldNotDecode);
    Form->Close();
}

TEST_F(SlideShowPlugins, AModuleFaultingInTheDecodingHostIsReportedAndTheShowGoesOn) {
    Scratch.Write("d.flt", "the first module faults on this");
    Spis = std::make_unique<TSPIs>();
    Spis->Isolation = std::make_unique<TPluginHost>();
    for (const char* name : {"fault_av", "decode_any"})
        Spis->Search(harness::ProgramFolder() + "testplugins\\" + name + "\\" + DefaultSPIMask);
    ASSERT_EQ(Spis->Count(), 2);
    Start();
    ASSERT_TRUE(Errors.empty()) << Errors.front();
    EXPECT_EQ(Form->FileListBox1.Count(), 3);
    // b.err: no module reads it; d.flt: fault_av faults, decode_any reads it.
    for (int k = 1; k <= 2; ++k) {
        PostMessageW(Form->Handle(), WM_KEYDOWN, VK_RIGHT, 1);
        Settle();
        ASSERT_EQ(Errors.size(), static_cast<std::size_t>(k));
    }
    EXPECT_EQ(Form->LabelFile.Caption(), "3 / 3  d.flt");
    EXPECT_TRUE(Form->Image1.Visible());
    EXPECT_NE(Errors.back().find("fault_av"), std::string::npos) << Errors.back();
    EXPECT_NE(Errors.back().find("異常終了しました"), std::string::npos) << Errors.back();
    // The next picture comes from a fresh host.
    PostMessageW(Form->Handle(), WM_KEYDOWN, VK_LEFT, 1);
    PostMessageW(Form->Handle(), WM_KEYDOWN, VK_LEFT, 1);
    Settle();
    EXPECT_EQ(Form->LabelFile.Caption(), "1 / 3  a.any");
    EXPECT_TRUE(Form->Image1.Visible());
    Form->Close();
}
