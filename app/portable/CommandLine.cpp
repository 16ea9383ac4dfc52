#include "app/portable/CommandLine.h"

namespace tovane {

namespace {

bool IsBlank(wchar_t c) {
    return c == L' ' || c == L'\t';
}

} // namespace

std::vector<std::wstring> SplitCommandLine(std::wstring_view s) {
    std::vector<std::wstring> args;
    std::size_t i = 0;
    // The program's name: up to the next quote when quoted, else up to a blank; no escapes.
    if (i < s.size() && s[i] == L'"') {
        const std::size_t close = s.find(L'"', i + 1);
        i = close == std::wstring_view::npos ? s.size() : close + 1;
    }
    while (i < s.size() && !IsBlank(s[i]))
        ++i;

    for (;;) {
        while (i < s.size() && IsBlank(s[i]))
            ++i;
        if (i >= s.size())
            return args;
        std::wstring arg;
        bool quoted = false;
        while (i < s.size() && (quoted || !IsBlank(s[i]))) {
            if (s[i] == L'\\') {
                std::size_t n = 0;
                while (i < s.size() && s[i] == L'\\') {
                    ++n;
                    ++i;
                }
                if (i >= s.size() || s[i] != L'"') {
                    arg.append(n, L'\\');
                    continue;
                }
                const bool closing = quoted && (i + 1 >= s.size() || IsBlank(s[i + 1]));
                if (n % 2 == 1 && closing) {
                    // "D:\My Pics\" : the backslash is the folder's, the quote ends the argument.
                    arg.append(n / 2 + 1, L'\\');
                    quoted = false;
                    ++i;
                    continue;
                }
                arg.append(n / 2, L'\\');
                if (n % 2 == 1) {
                    arg += L'"';
                    ++i;
                }
                continue; // an even count leaves the quote to group below
            }
            if (s[i] == L'"') {
                // Inside quotes, "" is a literal quote (and the quotes stay open).
                if (quoted && i + 1 < s.size() && s[i + 1] == L'"') {
                    arg += L'"';
                    i += 2;
                    continue;
                }
                quoted = !quoted;
                ++i;
                continue;
            }
            arg += s[i++];
        }
        args.push_back(std::move(arg));
    }
}

} // namespace tovane
