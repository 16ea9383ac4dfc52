// Conversions at the boundary between the program's two kinds of std::string and the wide
// Windows API. ANSI strings are in the system code page (932 on the systems the program
// serves): paths, file names, plug-in texts. UTF-8 strings are the program's own texts and
// exception messages. Windows and controls take UTF-16.
#pragma once

#include <string>
#include <string_view>

namespace tovane {

std::wstring AnsiToWide(std::string_view ansi);
std::string WideToAnsi(std::wstring_view wide);
std::wstring Utf8ToWide(std::string_view utf8);
std::string WideToUtf8(std::wstring_view wide);
std::string AnsiToUtf8(std::string_view ansi);
std::string Utf8ToAnsi(std::string_view utf8);

// The running system's lead-byte rule (IsDBCSLeadByte), for the portable path helpers.
bool SystemLeadByte(unsigned char byte);

} // namespace tovane
