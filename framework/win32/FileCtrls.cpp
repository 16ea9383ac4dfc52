#include "framework/win32/FileCtrls.h"

#include "framework/Exceptions.h"
#include "framework/FileMask.h"
#include "framework/Paths.h"
#include "framework/win32/Handles.h"
#include "framework/win32/Text.h"

#include <algorithm>

namespace tovane {

namespace {

std::wstring CurrentDirectory() {
    const DWORD n = GetCurrentDirectoryW(0, nullptr);
    std::wstring s(n, L'\0');
    const DWORD got = GetCurrentDirectoryW(n, s.data());
    s.resize(got < n ? got : 0);
    return s;
}

// Makes path the process's current folder and gives it back as the system spells it.
std::wstring ChangeDirectory(const std::wstring& path) {
    if (!SetCurrentDirectoryW(path.c_str()))
        throw Exception("フォルダを開けません: " + WideToUtf8(path));
    return CurrentDirectory();
}

} // namespace

std::wstring ResolveFolder(const std::wstring& path) {
    const DWORD n = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    std::wstring full(n, L'\0');
    const DWORD got = n > 0 ? GetFullPathNameW(path.c_str(), n, full.data(), nullptr) : 0;
    const DWORD attributes = got > 0 && got < n ? GetFileAttributesW(full.c_str()) : 0;
    if (got == 0 || got >= n || attributes == INVALID_FILE_ATTRIBUTES ||
        (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
        throw Exception("フォルダを開けません: " + WideToUtf8(path));
    full.resize(got);
    const bool root = full.size() == 3 && full[1] == L':';
    while (!root && full.size() > 1 && (full.back() == L'\\' || full.back() == L'/'))
        full.pop_back();
    return full;
}

namespace {

// Names of the entries of a folder; folders or files.
// Sorted ignoring case, by NameSortKey: names that fit the code page keep the order they always
// had.
std::vector<std::wstring> ListFolder(const std::wstring& dir, bool folders) {
    WIN32_FIND_DATAW fd;
    UniqueFind find(FindFirstFileW((WithBackslash(dir) + L"*").c_str(), &fd));
    std::vector<std::wstring> names;
    if (!find)
        return names;
    do {
        const bool isDir = (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        const std::wstring name = fd.cFileName;
        if (name == L"." || name == L"..")
            continue;
        if (folders) {
            if (isDir &&
                (fd.dwFileAttributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) == 0)
                names.push_back(name);
        } else if (!isDir) {
            names.push_back(name);
        }
    } while (FindNextFileW(find.Get(), &fd));
    SortByNameSortKey(names);
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
    const std::wstring cwd = CurrentDirectory();
    if (cwd.size() >= 2 && cwd[1] == L':' && cwd[0] < 0x80)
        SetDrive(static_cast<char>(cwd[0]));
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
            wchar_t full[MAX_PATH];
            const std::wstring driveOnly = {static_cast<wchar_t>(drive), L':'};
            const DWORD n = GetFullPathNameW(driveOnly.c_str(), MAX_PATH, full, nullptr);
            try {
                FDirList->SetDirectory(n > 0 && n < MAX_PATH ? std::wstring(full, n)
                                                             : driveOnly + L"\\");
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

void TDirectoryListBox::SetDirectory(const std::wstring& path) {
    FDirectory = ChangeDirectory(path);
    Fill();
    if (FDriveCombo != nullptr && FDirectory.size() >= 2 && FDirectory[1] == L':' &&
        FDirectory[0] < 0x80)
        FDriveCombo->SetDrive(static_cast<char>(FDirectory[0]));
    if (FFileList != nullptr)
        FFileList->SetDirectory(FDirectory);
    if (OnChange)
        OnChange(*this);
}

void TDirectoryListBox::Fill() {
    // Components of the open folder: "c:\", then each folder name down to it.
    FParts.clear();
    const std::wstring& dir = FDirectory;
    std::size_t start = 0;
    if (dir.size() >= 2 && dir[1] == L':') {
        FParts.push_back(dir.substr(0, 2) + L"\\");
        start = 3;
    } else if (dir.rfind(L"\\\\", 0) == 0) {
        // UNC: \\server\share is the root
        std::size_t p = dir.find(L'\\', 2);
        p = p == std::wstring::npos ? dir.size() : dir.find(L'\\', p + 1);
        if (p == std::wstring::npos)
            p = dir.size();
        FParts.push_back(dir.substr(0, p) + L"\\");
        start = p + 1;
    }
    std::wstring rest = start < dir.size() ? dir.substr(start) : std::wstring();
    while (!rest.empty()) {
        const std::size_t cut = rest.find(L'\\');
        const std::wstring part = rest.substr(0, cut);
        if (!part.empty())
            FParts.push_back(part);
        if (cut == std::wstring::npos)
            break;
        rest = rest.substr(cut + 1);
    }
    const TRedrawPause pause(*this);
    Clear();
    for (const std::wstring& p : FParts)
        Add(p);
    for (const std::wstring& sub : ListFolder(FDirectory, true))
        Add(sub);
    SetItemIndex(static_cast<int>(FParts.size()) - 1);
}

std::wstring TDirectoryListBox::ItemPath(int index) const {
    if (index < 0 || index >= Count())
        ThrowListIndexError(index);
    const auto open = static_cast<int>(FParts.size()) - 1;
    std::wstring path;
    const int upTo = std::min(index, open);
    for (int i = 0; i <= upTo; ++i) {
        if (i > 0)
            path = WithBackslash(path);
        path += FParts[static_cast<std::size_t>(i)];
    }
    if (index > open)
        path = WithBackslash(FDirectory) + Item(index);
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
    r.left += Scale(2 + level * 8);
    // A small folder mark: filled for the folders on the open path, hollow for sub-folders.
    const int middle = r.top + (r.bottom - r.top) / 2;
    RECT mark{r.left, middle - Scale(4), r.left + Scale(10), middle + Scale(4)};
    HBRUSH brush = CreateSolidBrush(index <= open ? RGB(0xE0, 0xB0, 0x40) : RGB(0xF8, 0xE0, 0x90));
    FillRect(dc, &mark, brush);
    DeleteObject(brush);
    FrameRect(dc, &mark, GetSysColorBrush(COLOR_WINDOWTEXT));
    r.left += Scale(14);
    const std::wstring text = Item(index);
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

void TFileListBox::SetDirectory(const std::wstring& path) {
    FDirectory = ResolveFolder(path);
    Update();
}

void TFileListBox::SetMask(const std::string& mask) {
    FMask = mask;
    if (!FDirectory.empty())
        Update();
}

std::wstring WithBackslash(const std::wstring& path) {
    return path.empty() || path.back() == L'\\' ? path : path + L'\\';
}

std::vector<std::wstring> ListMatchingFiles(const std::wstring& dir, const std::string& mask) {
    const std::wstring wideMask = AnsiToWide(mask);
    std::vector<std::wstring> names;
    for (std::wstring& name : ListFolder(dir, false))
        if (MatchesMask(name, wideMask))
            names.push_back(std::move(name));
    return names;
}

void TFileListBox::Update() {
    const TRedrawPause pause(*this);
    Clear();
    for (const std::wstring& name : ListMatchingFiles(FDirectory, FMask))
        Add(name);
}

std::wstring TFileListBox::FileName() const {
    const int index = ItemIndex();
    if (index < 0)
        return std::wstring();
    return WithBackslash(FDirectory) + Item(index);
}

} // namespace tovane
