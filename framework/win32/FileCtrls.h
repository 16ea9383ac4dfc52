// The drive, folder and file list controls. Paths and names are UTF-16.
//
// Linked as the folder-pick dialog uses them: choosing a drive in the drive box opens that
// drive's current folder in the folder list; opening a folder in the folder list (double
// click) makes it the process's current folder and points the file list at it. Pointing a
// file list at a folder also makes that folder the current one.
#pragma once

#include "framework/win32/StdCtrls.h"

#include <string>
#include <vector>

namespace tovane {

class TDirectoryListBox;
class TFileListBox;

class TDriveComboBox : public TControl {
public:
    void Create(TControl& parent, const TControlProps& props);
    // Lower-case drive letter shown, e.g. 'c'.
    char Drive() const noexcept { return FDrive; }
    void SetDrive(char drive);
    void SetDirList(TDirectoryListBox* list) noexcept { FDirList = list; }
    TNotifyEvent OnChange;

protected:
    bool CommandNotify(WORD code) override;

private:
    void Fill();
    std::vector<char> FDrives;
    char FDrive = 0;
    TDirectoryListBox* FDirList = nullptr;
};

// The path from the drive root down to the open folder, then the open folder's sub-folders,
// sorted ignoring case. A double click (or Enter) on an item opens it.
class TDirectoryListBox : public TListBox {
public:
    void Create(TControl& parent, const TControlProps& props, int itemHeight = 16);
    // The open folder, as the system spells the current folder after opening it.
    const std::wstring& Directory() const noexcept { return FDirectory; }
    // Opens a folder: makes it the current folder (raises when that fails) and lists it.
    void SetDirectory(const std::wstring& path);
    // Opens item `index` (a folder above the open one, the open one, or a sub-folder).
    void OpenItem(int index);
    // The full path item `index` stands for.
    std::wstring ItemPath(int index) const;
    void SetFileList(TFileListBox* list) noexcept { FFileList = list; }
    void SetDriveCombo(TDriveComboBox* combo) noexcept { FDriveCombo = combo; }
    TNotifyEvent OnChange;

protected:
    void DrawItem(HDC dc, int index, const RECT& rect, UINT state) override;
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void Fill();
    std::wstring FDirectory;
    std::vector<std::wstring> FParts; // root "c:\", then the components down to the open folder
    TFileListBox* FFileList = nullptr;
    TDriveComboBox* FDriveCombo = nullptr;
};

// The folder's full path as the system spells a current folder (no trailing backslash but a
// root's), without making it the current folder: a current folder cannot be renamed, deleted
// or ejected, and processes started meanwhile inherit it. Raises an Exception when it is no
// folder. Any thread.
std::wstring ResolveFolder(const std::wstring& path);

// The path with a "\" at its end (an empty path stays empty).
std::wstring WithBackslash(const std::wstring& path);

// The names of the files of a folder that match the mask, as TFileListBox lists them (sorted
// ignoring case); none when the folder cannot be read. Any thread.
std::vector<std::wstring> ListMatchingFiles(const std::wstring& dir, const std::string& mask);

// The files of one folder whose names match the mask: no folders, every attribute kind
// (read-only, hidden, system, archive, normal), sorted ignoring case. Single selection.
class TFileListBox : public TListBox {
public:
    void Create(TControl& parent, const TControlProps& props, int itemHeight = 0);
    // The folder listed, as the system spells the current folder after the change.
    const std::wstring& Directory() const noexcept { return FDirectory; }
    // Lists the folder (raises an Exception when it is no folder); no item is selected
    // afterwards. The process's current folder stays as it is; Directory() is the full path
    // without a trailing backslash (but a root's).
    void SetDirectory(const std::wstring& path);
    const std::string& Mask() const noexcept { return FMask; }
    // A new mask re-reads the folder (when one is set).
    void SetMask(const std::string& mask);
    // Re-reads the folder.
    void Update();
    // Folder, a "\" unless the folder ends in one, and the selected name; empty when nothing
    // is selected.
    std::wstring FileName() const;

private:
    std::wstring FDirectory;
    std::string FMask = "*.*";
};

} // namespace tovane
