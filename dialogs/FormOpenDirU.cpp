#include "dialogs/FormOpenDirU.h"

#include "framework/Paths.h"
#include "framework/win32/ModuleFile.h"
#include "framework/win32/Text.h"
#include "settings/portable/ImageExtensions.h"

#include <windows.h>

#include <utility>

namespace tovane {

namespace {

bool IsFolder(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// The dialog opens on the current folder. One that has become unreachable (a card removed, a
// share gone) would keep it from opening at all: it then opens on the first folder of the
// list that exists, else on the program's folder.
void MakeCurrentFolderReachable(const std::vector<std::wstring>& registeredFolders) {
    wchar_t current[MAX_PATH + 1] = L"";
    const DWORD n = GetCurrentDirectoryW(MAX_PATH + 1, current);
    if (n > 0 && n < MAX_PATH + 1 && IsFolder(current))
        return;
    for (const std::wstring& folder : registeredFolders)
        if (IsFolder(folder) && SetCurrentDirectoryW(folder.c_str()))
            return;
    SetCurrentDirectoryW(ProgramFolderW().c_str());
}

} // namespace

TFormOpenDir::TFormOpenDir(TForm* owner, std::vector<std::string> imageExtensions,
                           const std::vector<std::wstring>& registeredFolders,
                           std::vector<std::string> archiveExtensions)
    : TForm(owner), FImageExtensions(std::move(imageExtensions)),
      FArchiveExtensions(std::move(archiveExtensions)) {
    MakeCurrentFolderReachable(registeredFolders);
}

void TFormOpenDir::FormCreate(TObject&) {
    // Every image extension as "*.%s;", bmp first (no leading space, unlike the status bar),
    // then the archives'.
    FileListBox1.SetMask(FileMask(FImageExtensions) + FileMask(FArchiveExtensions));
}

} // namespace tovane
