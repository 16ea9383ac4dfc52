// The slideshow's image list (FileListBox1): the names of the image files directly in one
// folder, sorted, with a selected index. Never shown; it holds what a file list control would
// list. Pointing it at a folder makes that folder the process's current directory, as a file
// list control does. Names and paths are ANSI. UI thread only.
#pragma once

#include <string>
#include <vector>

namespace tovane {

class TImageFileList {
public:
    // Starts on the process's current directory, with an empty mask (nothing listed).
    TImageFileList();
    TImageFileList(const TImageFileList&) = delete;
    TImageFileList& operator=(const TImageFileList&) = delete;

    // Makes the folder the current directory and lists its matching files, none selected.
    // When the folder cannot be entered or read, the list is left empty, still naming that
    // folder, and an Exception with the platform's reason is raised.
    void SetDirectory(const std::string& folderAnsi);
    // The folder listed, as the platform spells it after entering it.
    const std::string& Directory() const { return FDirectory; }

    // A new mask ("*.bmp;*.jpg;"): the current folder is read again, none selected.
    void SetMask(const std::string& mask);
    const std::string& Mask() const { return FMask; }

    int Count() const { return static_cast<int>(FNames.size()); }
    const std::string& Item(int index) const;
    // -1 when nothing is selected. Selecting an index outside the list selects nothing.
    int ItemIndex() const { return FItemIndex; }
    void SetItemIndex(int index);
    // The selected file's full path; empty when nothing is selected.
    std::string FileName() const;

private:
    void Read();

    std::string FDirectory;
    std::string FMask;
    std::vector<std::string> FNames;
    int FItemIndex = -1;
};

} // namespace tovane
