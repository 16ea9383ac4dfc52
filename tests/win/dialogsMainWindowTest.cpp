// The dialogs as the main window opens them: the options command edits the main window's
// record and saves the settings file on OK only; the about box lists the main window's
// plug-ins. Both dialogs are released when they close.
#include "dialogsSupport.h"

#include "app/FormMainU.h"
#include "dialogs/FormAboutBoxU.h"
#include "dialogs/FormOptionU.h"
#include "framework/win32/Application.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

namespace tovane {
namespace {

using dialogstest::PressKey;
using dialogstest::RunSoon;

template <class T> T* ActiveDialog() {
    return dynamic_cast<T*>(TForm::FromHandle(GetActiveWindow()));
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

class DialogsFromMainWindow : public ::testing::Test {
protected:
    void SetUp() override {
        Ini = harness::TempFolder() + "tovane_dialogs_" + std::to_string(GetCurrentProcessId()) +
              "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".ini";
        DeleteFileA(Ini.c_str());
        Application().OnException = [this](const std::string& m) { Errors.push_back(m); };
    }
    void TearDown() override {
        FormMain.reset();
        Application().OnException = nullptr;
        DeleteFileA(Ini.c_str());
        EXPECT_TRUE(Errors.empty()) << Errors.front();
    }
    void Start() {
        FormMain =
            std::make_unique<TBuiltForm<TFormMain>>(std::vector<std::wstring>{}, AnsiToWide(Ini));
        FormMain->Show();
        dialogstest::Pump();
    }
    std::string Value(const char* key) const {
        char buffer[64] = {};
        GetPrivateProfileStringA("SlideShow", key, "(none)", buffer, sizeof buffer, Ini.c_str());
        return buffer;
    }
    std::string Ini;
    std::vector<std::string> Errors;
};

TEST_F(DialogsFromMainWindow, OkChangesTheRecordAndWritesTheSettingsFile) {
    Start();
    ASSERT_EQ(GetFileAttributesA(Ini.c_str()), INVALID_FILE_ATTRIBUTES);
    HWND dialogWindow = nullptr;
    std::string shownInterval;
    RunSoon([&] {
        TFormOption* d = ActiveDialog<TFormOption>();
        ASSERT_NE(d, nullptr);
        dialogWindow = d->Handle();
        shownInterval = d->EditInterval.Text();
        SendMessageW(d->RadioGroupTani.ButtonHandle(1), BM_CLICK, 0, 0);
        SendMessageW(d->CheckBoxAllDir.Handle(), BM_CLICK, 0, 0);
        d->ButtonOK.SetFocus();
        PressKey(VK_RETURN);
    });
    FormMain->actOption.Execute();
    EXPECT_EQ(shownInterval, "10");
    EXPECT_FALSE(FormMain->FSettings.bSecond);
    EXPECT_TRUE(FormMain->FSettings.bAllDir);
    EXPECT_EQ(Value("Interval"), "10");
    EXPECT_EQ(Value("bSecond"), "0");
    EXPECT_EQ(Value("FGColor"), "16777215");
    EXPECT_EQ(Value("BGColor"), "0");
    EXPECT_EQ(Value("SuguStart"), "0");
    EXPECT_EQ(Value("LastAction"), "2");
    EXPECT_EQ(Value("bAllDir"), "1");
    EXPECT_EQ(Value("bFindSubDir"), "1");
    EXPECT_FALSE(IsWindow(dialogWindow)) << "the dialog is released after closing";
}

TEST_F(DialogsFromMainWindow, ConfirmingUnchangedValuesWritesThemInTheirStoredForm) {
    WritePrivateProfileStringA("SlideShow", "bSecond", "2", Ini.c_str());
    WritePrivateProfileStringA("SlideShow", "LastAction", "7", Ini.c_str());
    WritePrivateProfileStringA("SlideShow", "Interval", "0x1E", Ini.c_str());
    Start();
    RunSoon([] {
        ASSERT_NE(ActiveDialog<TFormOption>(), nullptr);
        PressKey(VK_RETURN);
    });
    FormMain->actOption.Execute();
    EXPECT_EQ(Value("bSecond"), "1");
    EXPECT_EQ(Value("LastAction"), "3");
    EXPECT_EQ(Value("Interval"), "30");
}

TEST_F(DialogsFromMainWindow, CancelLeavesTheRecordAndTheFileAlone) {
    WritePrivateProfileStringA("SlideShow", "Interval", "25", Ini.c_str());
    WritePrivateProfileStringA("SlideShow", "bSecond", "0", Ini.c_str());
    Start();
    const std::string before = ReadFile(Ini);
    const SlideShowSettings record = FormMain->FSettings;
    for (int way = 0; way < 2; ++way) {
        HWND dialogWindow = nullptr;
        RunSoon([&] {
            TFormOption* d = ActiveDialog<TFormOption>();
            ASSERT_NE(d, nullptr);
            dialogWindow = d->Handle();
            d->EditInterval.SetText("700");
            SendMessageW(d->CheckBoxSlideShow.Handle(), BM_CLICK, 0, 0);
            d->PanelFGColor.SetColor(0x00112233);
            if (way == 0)
                PressKey(VK_ESCAPE);
            else
                SendMessageW(d->Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
        });
        FormMain->actOption.Execute();
        EXPECT_FALSE(IsWindow(dialogWindow));
        EXPECT_EQ(ReadFile(Ini), before) << way;
        EXPECT_EQ(FormMain->FSettings.Interval, 25) << way;
        EXPECT_EQ(FormMain->FSettings.SuguStart, record.SuguStart) << way;
        EXPECT_EQ(FormMain->FSettings.FGColor, record.FGColor) << way;
    }
}

TEST_F(DialogsFromMainWindow, AboutBoxListsTheMainWindowsPlugins) {
    Start();
    int expectedRows = 0;
    for (int i = 0; i < FormMain->SPIs->Count(); ++i)
        expectedRows += static_cast<int>(FormMain->SPIs->Items(i).Extensions().size());
    HWND boxWindow = nullptr;
    int rows = -1;
    std::string firstName;
    RunSoon([&] {
        TFormAboutBox* box = ActiveDialog<TFormAboutBox>();
        ASSERT_NE(box, nullptr);
        boxWindow = box->Handle();
        rows = box->ListView1.Count();
        if (rows > 0)
            firstName = box->ListView1.Text(0, 0);
        PressKey(VK_RETURN);
    });
    FormMain->About1.Click();
    EXPECT_EQ(rows, expectedRows);
    EXPECT_EQ(expectedRows, 3) << "the test's folder holds the three-entry plug-in only";
    EXPECT_EQ(firstName, std::string("dialogs_three") + (tovane::DefaultSPIMask + 1));
    EXPECT_FALSE(IsWindow(boxWindow));
}

} // namespace
} // namespace tovane
