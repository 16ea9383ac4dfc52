#include "framework/win32/FileCtrls.h"

#include "framework/Exceptions.h"
#include "framework/FileMask.h"
#include "framework/Paths.h"
#include "framework/win32/Handles.h"
#include "framework/win32/Text.h"

#include <algorithm>

namespace tovane {

namespace {

std::string CurrentDirectory() {
    const DWORD n = GetCurrentDirectoryA(0, nullptr);
    std::string s(n, '\0');
    const DWORD got = GetCurrentDirectoryA(n, s.data());
    s.resize(got);
    return s;
}

// Makes path the process's current folder and gives it back as the system spells it.
std::string ChangeDirectory(const std::string& path) {
    if (!SetCurrentDirectoryA(path.c_str()))
        throw Exception("フォルダを開けません: " + AnsiToUtf8(path));
    return CurrentDirectory();
}

bool LessIgnoringCase(const std::string& a, const std::string& b) {
    return CompareTextAscii(a, b, SystemLeadByte) < 0;
}

// Names of the entries of a folder; folders or files.
std::vector<std::string> ListFolder(const std::string& dir, bool folders) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA fd;
    UniqueFind find(
        FindFirstFileA(IncludeTrailingBackslash(dir, SystemLeadByte).append("*").c_str(), &fd));
    if (!find)
        return names;
    do {
        const bool isDir = (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        const std::string name = fd.cFileName;
        if (name == "." || name == "..")
            continue;
        if (folders) {
            if (isDir &&
                (fd.dwFileAttributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) == 0)
                names.push_back(name);
        } else if (!isDir) {
            names.push_back(name);
        }
    } while (FindNextFileA(find.Get(), &fd));
    std::sort(names.begin(), names.end(), LessIgnoringCase);
    return names;
}

} // namespace

// -------------------------------------------------------------------------- TDriveComboBox

void TDriveComboBox::Create(TControl& parent, const TControlProps& props) {
    TControlProps p = props;
    if (p.Height < 200)
        p.Height = 200; // the height of a drop-down list includes its list
    CreateControl(&parent, p, L"COMBOBOX", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, 0);
    Fill();
    const std::string cwd = CurrentDirectory();
    if (cwd.size() >= 2 && cwd[1] == ':')
        SetDrive(cwd[0]);
}

void TDriveComboBox::Fill() {
    SendMessageW(FHandle, CB_RESETCONTENT, 0, 0);
    FDrives.clear();
    const DWORD mask = GetLogicalDrives();
    for (int i = 0; i < 26; ++i) {
        if ((mask & (1u << i)) == 0)
            continue;
        const char letter = static_cast<char>('a' + i);
        std::string text = std::string(1, letter) + ":";
        char volume[MAX_PATH + 1] = "";
        const std::string root = std::string(1, letter) + ":\\";
        const UINT type = GetDriveTypeA(root.c_str());
        if (type == DRIVE_FIXED || type == DRIVE_RAMDISK) {
            if (GetVolumeInformationA(root.c_str(), volume, sizeof volume, nullptr, nullptr,
                                      nullptr, nullptr, 0) &&
                volume[0] != '\0')
                text += std::string(" [") + volume + "]";
        }
        const std::wstring w = AnsiToWide(text);
        SendMessageW(FHandle, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(w.c_str()));
        FDrives.push_back(letter);
    }
}

void TDriveComboBox::SetDrive(char drive) {
    drive = AsciiLowerChar(drive);
    const auto it = std::find(FDrives.begin(), FDrives.end(), drive);
    if (it == FDrives.end())
        return;
    FDrive = drive;
    SendMessageW(FHandle, CB_SETCURSEL, static_cast<WPARAM>(it - FDrives.begin()), 0);
}

bool TDriveComboBox::CommandNotify(WORD code) {
    if (code != CBN_SELCHANGE)
        return false;
    const auto index = SendMessageW(FHandle, CB_GETCURSEL, 0, 0);
    if (index < 0 || index >= static_cast<LRESULT>(FDrives.size()))
        return true;
    const char drive = FDrives[static_cast<std::size_t>(index)];
    if (drive != FDrive) {
        const char previous = FDrive;
        FDrive = drive;
        if (FDirList != nullptr) {
            // The drive's current folder ("x:" expands to it).
            char full[MAX_PATH];
            const std::string driveOnly = std::string(1, drive) + ":";
            const DWORD n = GetFullPathNameA(driveOnly.c_str(), MAX_PATH, full, nullptr);
            try {
                FDirList->SetDirectory(n > 0 && n < MAX_PATH ? std::string(full, n)
                                                             : driveOnly + "\\");
            } catch (...) {
                SetDrive(previous);
                throw;
            }
        }
        if (OnChange)
            OnChange(*this);
    }
    return true;
}

// ----------------------------------------------------------------------- TDirectoryListBox

void TDirectoryListBox::Create(TControl& parent, const TControlProps& props, int itemHeight) {
    TListBox::Create(parent, props,
                     {.MultiSelect = false, .ItemHeight = itemHeight, .OwnerDraw = true});
    FDirectory = CurrentDirectory();
    Fill();
}

void TDirectoryListBox::SetDirectory(const std::string& path) {
    FDirectory = ChangeDirectory(path);
    Fill();
    if (FDriveCombo != nullptr && FDirectory.size() >= 2 && FDirectory[1] == ':')
        FDriveCombo->SetDrive(FDirectory[0]);
    if (FFileList != nullptr)
        FFileList->SetDirectory(FDirectory);
    if (OnChange)
        OnChange(*this);
}

void TDirectoryListBox::Fill() {
    // Components of the open folder: "c:\", then each folder name down to it.
    FParts.clear();
    std::string dir = FDirectory;
    std::size_t start = 0;
    if (dir.size() >= 2 && dir[1] == ':') {
        FParts.push_back(dir.substr(0, 2) + "\\");
        start = 3;
    } else if (dir.rfind("\\\\", 0) == 0) {
        // UNC: \\server\share is the root
        std::size_t p = dir.find('\\', 2);
        p = p == std::string::npos ? dir.size() : dir.find('\\', p + 1);
        if (p == std::string::npos)
            p = dir.size();
        FParts.push_back(dir.substr(0, p) + "\\");
        start = p + 1;
    }
    std::string rest = start < dir.size() ? dir.substr(start) : std::string();
    while (!rest.empty()) {
        // Split at the first "\" that is not a trail byte.
        std::size_t cut = std::string::npos;
        for (std::size_t i = 0; i < rest.size(); ++i) {
            if (SystemLeadByte(static_cast<unsigned char>(rest[i]))) {
                ++i;
                continue;
            }
            if (rest[i] == '\\') {
                cut = i;
                break;
            }
        }
        const std::string part = rest.substr(0, cut);
        if (!part.empty())
            FParts.push_back(part);
        if (cut == std::string::npos)
            break;
        rest = rest.substr(cut + 1);
    }
    SendMessageW(FHandle, WM_SETREDRAW, FALSE, 0);
    Clear();
    for (const std::string& p : FParts)
        Add(p);
    for (const std::string& sub : ListFolder(FDirectory, true))
        Add(sub);
    SetItemIndex(static_cast<int>(FParts.size()) - 1);
    SendMessageW(FHandle, WM_SETREDRAW, TRUE, 0);
    Invalidate();
}

std::string TDirectoryListBox::ItemPath(int index) const {
    if (index < 0 || index >= Count())
        ThrowListIndexError(index);
    const auto open = static_cast<int>(FParts.size()) - 1;
    std::string path;
    const int upTo = std::min(index, open);
    for (int i = 0; i <= upTo; ++i) {
        if (i > 0)
            path = IncludeTrailingBackslash(path, SystemLeadByte);
        path += FParts[static_cast<std::size_t>(i)];
    }
    if (index > open)
        path = IncludeTrailingBackslash(FDirectory, SystemLeadByte) + Item(index);
    return path;
}

void TDirectoryListBox::OpenItem(int index) {
    SetDirectory(ItemPath(index));
}

void TDirectoryListBox::DrawItem(HDC dc, int index, const RECT& rect, UINT state) {
    const bool selected = (state & ODS_SELECTED) != 0;
    FillRect(dc, &rect, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    SetTextColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    SetBkMode(dc, TRANSPARENT);
    const int open = static_cast<int>(FParts.size()) - 1;
    const int level = index <= open ? index : open + 1;
    RECT r = rect;
    r.left += 2 + level * 8;
    // A small folder mark: filled for the folders on the open path, hollow for sub-folders.
    RECT mark{r.left, r.top + (r.bottom - r.top) / 2 - 4, r.left + 10,
              r.top + (r.bottom - r.top) / 2 + 4};
    HBRUSH brush = CreateSolidBrush(index <= open ? RGB(0xE0, 0xB0, 0x40) : RGB(0xF8, 0xE0, 0x90));
    FillRect(dc, &mark, brush);
    DeleteObject(brush);
    FrameRect(dc, &mark, GetSysColorBrush(COLOR_WINDOWTEXT));
    r.left += 14;
    const std::wstring text = AnsiToWide(Item(index));
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r,
              DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    if (state & ODS_FOCUS)
        DrawFocusRect(dc, &rect);
}

LRESULT TDirectoryListBox::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_LBUTTONDBLCLK) {
        const LRESULT r = TListBox::WndProc(msg, wParam, lParam);
        const int index = ItemIndex();
        if (index >= 0)
            OpenItem(index);
        return r;
    }
    return TListBox::WndProc(msg, wParam, lParam);
}

// ---------------------------------------------------------------------------- TFileListBox

void TFileListBox::Create(TControl& parent, const TControlProps& props, int itemHeight) {
    TListBox::Create(parent, props, {.MultiSelect = false, .ItemHeight = itemHeight});
}

void TFileListBox::SetDirectory(const std::string& path) {
    FDirectory = ChangeDirectory(path);
    Update();
}

void TFileListBox::SetMask(const std::string& mask) {
    FMask = mask;
    if (!FDirectory.empty())
        Update();
}

std::vector<std::string> ListMatchingFiles(const std::string& dir, const std::string& mask) {
    std::vector<std::string> names;
    for (std::string& name : ListFolder(dir, false))
        if (MatchesMask(name, mask, SystemLeadByte))
            names.push_back(std::move(name));
    return names;
}

void TFileListBox::Update() {
    SendMessageW(FHandle, WM_SETREDRAW, FALSE, 0);
    Clear();
    for (const std::string& name : ListMatchingFiles(FDirectory, FMask))
        Add(name);
    SendMessageW(FHandle, WM_SETREDRAW, TRUE, 0);
    Invalidate();
}

std::string TFileListBox::FileName() const {
    const int index = ItemIndex();
    if (index < 0)
        return std::string();
    return IncludeTrailingBackslash(FDirectory, SystemLeadByte) + Item(index);
}

} // namespace tovane
