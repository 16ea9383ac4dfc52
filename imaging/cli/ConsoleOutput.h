// Text output of the console tool. Texts are UTF-8 inside the tool (plug-in texts and paths are
// converted from ANSI first). Written to a console they go through WriteConsoleW, so the
// console shows them whatever its code page; written to a pipe or a file they are UTF-8 bytes,
// which a UTF-8 terminal (and a test reading the pipe) shows as they are.
#pragma once

#include <windows.h>

#include <string_view>

namespace tovane::cli {

void WriteText(HANDLE target, std::string_view utf8);
inline void Out(std::string_view utf8) {
    WriteText(GetStdHandle(STD_OUTPUT_HANDLE), utf8);
}
inline void Err(std::string_view utf8) {
    WriteText(GetStdHandle(STD_ERROR_HANDLE), utf8);
}

} // namespace tovane::cli
