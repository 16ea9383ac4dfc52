#include "app/NormalizeFolderPath.h"

#include "app/portable/FolderSpelling.h"
#include "framework/win32/Handles.h"
#include "framework/win32/Text.h"

#include <windows.h>

#include <vector>

namespace tovane {

namespace {

std::wstring FullPath(const std::wstring& arg) {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD n = GetFullPathNameW(arg.c_str(), static_cast<DWORD>(buffer.size()),
                                         buffer.data(), nullptr);
        if (n == 0)
            return std::wstring();
        if (n < buffer.size())
            return std::wstring(buffer.data(), n);
        buffer.resize(n);
    }
}

// The stored name of the entry a path names (any kind of entry). A name with wildcards
// names no single entry: it is not looked up, so no other entry's name can replace it.
// The walk runs over UTF-8, whose bytes of non-ASCII characters are never "\\": so no
// lead-byte rule is needed and every name converts without loss.
std::optional<std::string> StoredName(const std::string& prefixUtf8) {
    if (prefixUtf8.find_first_of("*?") != std::string::npos)
        return std::nullopt;
    WIN32_FIND_DATAW data;
    const UniqueFind find(FindFirstFileW(Utf8ToWide(prefixUtf8).c_str(), &data));
    if (!find)
        return std::nullopt;
    return WideToUtf8(data.cFileName);
}

} // namespace

std::wstring NormalizeFolderPath(const std::wstring& arg) {
    return Utf8ToWide(NormalizeFolderPathWith(WideToUtf8(FullPath(arg)), StoredName, IsSingleByte));
}

} // namespace tovane
