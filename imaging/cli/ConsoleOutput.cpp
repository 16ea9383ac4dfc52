#include "imaging/cli/ConsoleOutput.h"

#include "framework/win32/Text.h"

#include <string>

namespace tovane::cli {

void WriteText(HANDLE target, std::string_view utf8) {
    if (target == nullptr || target == INVALID_HANDLE_VALUE || utf8.empty())
        return;
    DWORD mode = 0;
    if (GetConsoleMode(target, &mode)) {
        const std::wstring wide = Utf8ToWide(utf8);
        DWORD written = 0;
        WriteConsoleW(target, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
        return;
    }
    DWORD written = 0;
    WriteFile(target, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
}

} // namespace tovane::cli
