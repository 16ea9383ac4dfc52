#include "slideshow/ImageFileList.h"

#include "framework/Exceptions.h"
#include "framework/Paths.h"
#include "framework/Strings.h"
#include "framework/win32/Handles.h"
#include "framework/win32/Text.h"
#include "slideshow/portable/ImageList.h"

#include <windows.h>

namespace tovane {

namespace {

std::string CurrentDirectory() {
    std::string buffer(MAX_PATH, '\0');
    for (;;) {
        const DWORD n = GetCurrentDirectoryA(static_cast<DWORD>(buffer.size()), buffer.data());
        if (n == 0)
            return std::string();
        if (n < buffer.size()) {
            buffer.resize(n);
            return buffer;
        }
        buffer.resize(n);
    }
}

std::string SystemErrorText(DWORD code) {
    wchar_t* text = nullptr;
    const DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                       FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    UniqueLocal owner(text);
    std::wstring message = n != 0 ? std::wstring(text, n) : std::wstring();
    while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r'))
        message.pop_back();
    if (message.empty())
        return Format("Error %lu", static_cast<unsigned long>(code));
    return WideToUtf8(message);
}

[[noreturn]] void RaiseFolderError(const std::string& folderAnsi, DWORD code) {
    throw Exception(SystemErrorText(code) + " (" + AnsiToUtf8(folderAnsi) + ")");
}

} // namespace

TImageFileList::TImageFileList() : FDirectory(CurrentDirectory()) {
}

const std::string& TImageFileList::Item(int index) const {
    if (index < 0 || index >= Count())
        ThrowListIndexError(index);
    return FNames[static_cast<std::size_t>(index)];
}

void TImageFileList::SetItemIndex(int index) {
    FItemIndex = (index >= 0 && index < Count()) ? index : -1;
}

std::string TImageFileList::FileName() const {
    if (FItemIndex < 0)
        return std::string();
    return ImageFullPath(FDirectory, FNames[static_cast<std::size_t>(FItemIndex)], SystemLeadByte);
}

void TImageFileList::SetDirectory(const std::string& folderAnsi) {
    FNames.clear();
    FItemIndex = -1;
    if (!SetCurrentDirectoryA(folderAnsi.c_str())) {
        const DWORD code = GetLastError();
        FDirectory = folderAnsi;
        RaiseFolderError(folderAnsi, code);
    }
    FDirectory = CurrentDirectory();
    Read();
}

void TImageFileList::SetMask(const std::string& mask) {
    FMask = mask;
    FNames.clear();
    FItemIndex = -1;
    Read();
}

void TImageFileList::Read() {
    FNames.clear();
    FItemIndex = -1;
    if (FMask.empty())
        return;
    const std::string pattern = IncludeTrailingBackslash(FDirectory, SystemLeadByte) + "*";
    WIN32_FIND_DATAA data;
    UniqueFind find(FindFirstFileExA(pattern.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch,
                                     nullptr, 0));
    if (!find) {
        const DWORD code = GetLastError();
        if (code == ERROR_FILE_NOT_FOUND || code == ERROR_NO_MORE_FILES)
            return;
        RaiseFolderError(FDirectory, code);
    }
    std::vector<FolderEntry> entries;
    do {
        FolderEntry e;
        e.Name = data.cFileName;
        e.IsFolder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        entries.push_back(std::move(e));
    } while (FindNextFileA(find.Get(), &data));
    FNames = ImageListNames(entries, FMask, SystemLeadByte);
}

} // namespace tovane
