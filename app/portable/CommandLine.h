// Splitting the program's command line into its arguments.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tovane {

// The arguments after the program's name, split as the system's standard rules do (blanks
// separate, quotes group, 2n backslashes before a quote give n and the quote groups, 2n + 1
// give n and a literal quote), with one difference for folders: inside quotes, a quote that
// follows backslashes and is itself followed by a blank or the end closes the argument and the
// backslashes stay, so a shortcut's "D:\My Pics\" gives D:\My Pics\ and not a quote that
// swallows the arguments after it.
std::vector<std::wstring> SplitCommandLine(std::wstring_view commandLine);

} // namespace tovane
