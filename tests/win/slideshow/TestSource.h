// The slideshow's view of the main window, played by the test: folders, settings and image
// extensions of its own.
#pragma once

#include "framework/win32/Text.h"
#include "slideshow/FormSlideShowU.h"

#include <string>
#include <vector>

class TestSource : public tovane::TSlideShowSource {
public:
    std::vector<std::string> Folders;
    int Current = 0;
    tovane::SlideShowSettings Values = NeverTicking();
    std::vector<std::string> Extensions = {"bmp"};

    int FolderCount() override { return static_cast<int>(Folders.size()); }
    std::wstring Folder(int index) override {
        return tovane::AnsiToWide(Folders.at(static_cast<std::size_t>(index)));
    }
    int CurrentFolder() override { return Current; }
    void SetCurrentFolder(int index) override { Current = index; }
    tovane::SlideShowSettings Settings() override { return Values; }
    std::vector<std::string> ImageExtensions() override { return Extensions; }

private:
    // An interval the timer never reaches during a test: ticks come from the test.
    static tovane::SlideShowSettings NeverTicking() {
        tovane::SlideShowSettings s = tovane::DefaultSlideShowSettings();
        s.Interval = 100;
        s.bSecond = true;
        return s;
    }
};
