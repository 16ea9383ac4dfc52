#include "dialogs/FormOpenDirU.h"

#include "app/FormMainU.h"
#include "framework/Paths.h"
#include "framework/win32/ModuleFile.h"

#include <windows.h>

namespace tovane {

namespace {

bool IsFolder(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// The dialog opens on the current folder. One that has become unreachable (a card removed, a
// share gone) would keep it from opening at all: it then opens on the first folder of the
// list that exists, else on the program's folder.
void MakeCurrentFolderReachable() {
    wchar_t current[MAX_PATH + 1] = L"";
    const DWORD n = GetCurrentDirectoryW(MAX_PATH + 1, current);
    if (n > 0 && n < MAX_PATH + 1 && IsFolder(current))
        return;
    if (FormMain != nullptr)
        for (const std::wstring& folder : FormMain->ListBox1.Items())
            if (IsFolder(folder) && SetCurrentDirectoryW(folder.c_str()))
                return;
    SetCurrentDirectoryA(ExtractFilePath(ModuleFileName(), SystemLeadByte).c_str());
}

} // namespace

TFormOpenDir::TFormOpenDir(TForm* owner) : TForm(owner) {
    MakeCurrentFolderReachable();
}

void TFormOpenDir::FormCreate(TObject&) {
    // Every image extension as "*.%s;", bmp first (no leading space, unlike the status bar).
    FileListBox1.SetMask(FormMain != nullptr ? FileMask(FormMain->FImageExtensions) : "");
}

} // namespace tovane
