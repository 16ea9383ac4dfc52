// The slideshow's view of the main window, played by the test: folders, settings and image
// extensions of its own.
#pragma once

#include "framework/win32/Application.h"
#include "framework/win32/Text.h"
#include "imaging/SPIBmp.h"
#include "plugins/SPIs.h"
#include "slideshow/FormSlideShowU.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

class TestSource : public tovane::TSlideShowSource {
public:
    std::vector<std::string> Folders;
    int Current = 0;
    tovane::SlideShowSettings Values = NeverTicking();
    std::vector<std::string> Extensions = {"bmp"};
    std::wstring ResumePath; // none kept when empty

    int FolderCount() override { return static_cast<int>(Folders.size()); }
    std::wstring Folder(int index) override {
        return tovane::AnsiToWide(Folders.at(static_cast<std::size_t>(index)));
    }
    int CurrentFolder() override { return Current; }
    void SetCurrentFolder(int index) override { Current = index; }
    tovane::SlideShowSettings Settings() override { return Values; }
    std::vector<std::string> ImageExtensions() override { return Extensions; }
    std::wstring ResumeFilePath() override { return ResumePath; }

private:
    // An interval the timer never reaches during a test: ticks come from the test.
    static tovane::SlideShowSettings NeverTicking() {
        tovane::SlideShowSettings s = tovane::DefaultSlideShowSettings();
        s.Interval = 100;
        s.bSecond = true;
        return s;
    }
};

// A slideshow window over one folder of the test's, with the program's picture support and the
// collection under test (Spis); what the application reports is kept in Errors.
class OneFolderSlideShow : public testing::Test {
protected:
    void SetUp() override {
        tovane::InitializeSpiBmp();
        tovane::Application().OnException = [this](const std::string& m) { Errors.push_back(m); };
    }
    void TearDown() override {
        Form.reset();
        tovane::Application().OnException = nullptr;
        Spis.reset();
        tovane::FinalizeSpiBmp();
    }
    // Makes the form over the folder, listing pictures of the given extensions.
    void MakeForm(const std::string& folder, std::vector<std::string> extensions) {
        auto source = std::make_unique<TestSource>();
        Source = source.get();
        Source->Folders = {folder};
        Source->Extensions = std::move(extensions);
        Form = std::make_unique<tovane::TBuiltForm<tovane::TFormSlideShow>>(std::move(source));
    }

    std::unique_ptr<tovane::TSPIs> Spis;
    TestSource* Source = nullptr;
    std::unique_ptr<tovane::TFormSlideShow> Form;
    std::vector<std::string> Errors;
};
