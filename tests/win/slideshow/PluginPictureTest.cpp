// The slideshow over pictures that only a plug-in decodes: the picture container creates the
// class registered for the extension (TSPIBitmap), which runs the real test modules.
#include "framework/win32/Application.h"
#include "imaging/PluginHost.h"
#include "imaging/SPIBmp.h"
#include "plugins/SPIs.h"
#include "plugins/portable/SPIRules.h"
#include "slideshow/FormSlideShowU.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

using namespace tovane;

namespace {

class OneFolderSource : public TSlideShowSource {
public:
    explicit OneFolderSource(std::string folder) : FFolder(std::move(folder)) {}
    int FolderCount() override { return 1; }
    std::wstring Folder(int) override { return AnsiToWide(FFolder); }
    int CurrentFolder() override { return 0; }
    void SetCurrentFolder(int) override {}
    SlideShowSettings Settings() override {
        SlideShowSettings s = DefaultSlideShowSettings();
        s.Interval = 100;
        s.bSecond = true;
        return s;
    }
    std::vector<std::string> ImageExtensions() override { return {"bmp", "any", "err", "flt"}; }

private:
    std::string FFolder;
};

std::string ProgramFolder() {
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string s = path;
    return s.substr(0, s.rfind('\\') + 1);
}

void WriteText(const std::string& path, const char* text) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    WriteFile(h, text, static_cast<DWORD>(strlen(text)), &written, nullptr);
    CloseHandle(h);
}

class SlideShowPlugins : public testing::Test {
protected:
    void SetUp() override {
        InitializeSpiBmp();
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        Folder =
            std::string(temp) + "tovane-slideshow-plugins-" + std::to_string(GetCurrentProcessId());
        CreateDirectoryA(Folder.c_str(), nullptr);
        WriteText(Folder + "\\a.any", "anything at all");
        WriteText(Folder + "\\b.err", "the module fails on this");
        WriteText(Folder + "\\c.txt", "not listed");
        Application().OnException = [this](const std::string& m) { Errors.push_back(m); };
        Form =
            std::make_unique<TBuiltForm<TFormSlideShow>>(std::make_unique<OneFolderSource>(Folder));
    }
    void TearDown() override {
        Form.reset();
        Application().OnException = nullptr;
        Spis.reset();
        FinalizeSpiBmp();
        SetCurrentDirectoryA("C:\\");
        for (const char* name : {"a.any", "b.err", "c.txt", "d.flt"})
            DeleteFileA((Folder + "\\" + name).c_str());
        RemoveDirectoryA(Folder.c_str());
    }

    // The collection of the one test module named.
    void LoadPlugin(const char* name) {
        Spis = std::make_unique<TSPIs>();
        Spis->Search(ProgramFolder() + "testplugins\\" + name + "\\" + DefaultSPIMask);
        ASSERT_EQ(Spis->Count(), 1) << name << " not built";
    }

    void Start() {
        Form->FileListBox1.SetDirectory(AnsiToWide(Folder));
        Form->Show();
        Settle();
    }

    // Runs the message loop until the picture asked for has arrived (read-ahead mode).
    void Settle() {
        Application().ProcessMessages();
        const DWORD until = GetTickCount() + 10000;
        while (Form->Loading() && GetTickCount() < until) {
            Sleep(1);
            Application().ProcessMessages();
        }
    }

    std::unique_ptr<TSPIs> Spis;
    std::string Folder;
    std::unique_ptr<TFormSlideShow> Form;
    std::vector<std::string> Errors;
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
    WriteText(Folder + "\\d.flt", "the first module faults on this");
    Spis = std::make_unique<TSPIs>();
    Spis->Isolation = std::make_unique<TPluginHost>();
    for (const char* name : {"fault_av", "decode_any"})
        Spis->Search(ProgramFolder() + "testplugins\\" + name + "\\" + DefaultSPIMask);
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
