// Where a loaded module, or the program itself, lies on disk; and where modules may load
// libraries from.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace tovane {

// The module's full path (ANSI), the program's for nullptr; empty when the system cannot tell.
// The buffer grows for long paths, so the name is never cut short. For a path that the code page
// cannot spell, the ANSI form is the system's best fit: use ModuleFileNameW, or AnsiPathOf.
std::string ModuleFileName(HMODULE module = nullptr);
// The same in UTF-16, exact whatever the folder is called.
std::wstring ModuleFileNameW(HMODULE module = nullptr);

// The path up to and including its last '\' (or '/', or the drive's ':'); empty when it has none.
std::wstring FolderOf(const std::wstring& path);
// The program's folder, with its trailing backslash.
std::wstring ProgramFolderW();

// The short (8.3) form of an existing path as the file system gives it.
std::optional<std::wstring> ShortPathOf(const std::wstring& path);
// An ANSI form of an existing path that names that path: the path itself when the code page
// spells it exactly, else its short (8.3) form when that fits; empty when neither does.
std::string AnsiPathOf(const std::wstring& path);

// Makes libraries loaded by name come from the system folder only (never the current folder,
// a picture folder, or the program's), and a module loaded by LoadModuleWithItsFolder find the
// libraries beside it. Call once, before any module is loaded.
void RestrictLibrarySearch();
// Loads a module by its path, its own folder searched for the libraries it needs, the system's
// error boxes off; null when it cannot be loaded (GetLastError says why).
HMODULE LoadModuleWithItsFolder(const std::string& pathAnsi);

} // namespace tovane
