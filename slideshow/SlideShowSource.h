// What the slideshow window reads from the main window: its folder list (items and current
// item), the settings record and the image extension list. The program gives the main window
// itself; tests give their own. UI thread only; every value is read afresh at each use, since
// the folder search may add folders during a slideshow.
#pragma once

#include "settings/portable/SettingsRules.h"

#include <memory>
#include <string>
#include <vector>

namespace tovane {

class TArchiveReader;

class TSlideShowSource {
public:
    virtual ~TSlideShowSource() = default;
    virtual int FolderCount() = 0;
    // The folder path of an item.
    virtual std::wstring Folder(int index) = 0;
    // The folder list's current (focus) item; -1 when there is none.
    virtual int CurrentFolder() = 0;
    // Moves the current item; the selection stays as it is.
    virtual void SetCurrentFolder(int index) = 0;
    virtual SlideShowSettings Settings() = 0;
    virtual std::vector<std::string> ImageExtensions() = 0;
    // What reads the archives among the places (outlives the slideshow); null: none is read.
    virtual TArchiveReader* Archives() { return nullptr; }
    // The file that keeps where each place's show was left; empty: none is kept.
    virtual std::wstring ResumeFilePath() { return {}; }
};

} // namespace tovane
