// Conversions at the boundary between the program's two kinds of std::string and the wide
// Windows API. ANSI strings are in the system code page (932 on the systems the program
// serves): paths, file names, plug-in texts. UTF-8 strings are the program's own texts and
// exception messages. Windows and controls take UTF-16.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tovane {

std::wstring AnsiToWide(std::string_view ansi);
std::string WideToAnsi(std::wstring_view wide);
std::wstring Utf8ToWide(std::string_view utf8);
std::string WideToUtf8(std::wstring_view wide);
std::string AnsiToUtf8(std::string_view ansi);
std::string Utf8ToAnsi(std::string_view utf8);

// The name in the system code page only when every character has its own code there: no
// best-fit substitute (a lossy name can name another, existing file). Checked both ways, so a
// character the code page maps to a different one on the way back counts as lossy.
std::optional<std::string> WideToAnsiExact(std::wstring_view wide);
// For texts that steer plug-ins but name no file (an extension, a name beside a memory block):
// a character without its own code becomes "?", which no file name holds; never a best fit.
std::string WideToAnsiNoBestFit(std::wstring_view wide);

// Sort key of a name for lists sorted ignoring case: a name that fits the code page gives its
// ANSI bytes with ASCII letters lowered outside double-byte characters, so byte order of the
// keys is the order such names always had; a character outside the code page sorts after every
// ANSI character, by its UTF-16 code units.
std::string NameSortKey(std::wstring_view name);
// Sorts names by NameSortKey (the file listing's order); equal keys keep their order.
void SortByNameSortKey(std::vector<std::wstring>& names);

// The running system's lead-byte rule (IsDBCSLeadByte), for the portable path helpers.
bool SystemLeadByte(unsigned char byte);

} // namespace tovane
