#include "app/NormalizeFolderPath.h"

#include "app/portable/MainWindowRules.h"
#include "framework/win32/Handles.h"
#include "framework/win32/Text.h"

#include <windows.h>

#include <vector>

namespace tovane {

namespace {

std::string FullPath(const std::string& arg) {
    std::vector<char> buffer(MAX_PATH);
    for (;;) {
        const DWORD n = GetFullPathNameA(arg.c_str(), static_cast<DWORD>(buffer.size()),
                                         buffer.data(), nullptr);
        if (n == 0)
            return std::string();
        if (n < buffer.size())
            return std::string(buffer.data(), n);
        buffer.resize(n);
    }
}

// The stored name of the entry a path names (any kind of entry). A name with wildcards
// names no single entry: it is not looked up, so no other entry's name can replace it.
std::optional<std::string> StoredName(const std::string& prefix) {
    if (prefix.find_first_of("*?") != std::string::npos)
        return std::nullopt;
    WIN32_FIND_DATAA data;
    const UniqueFind find(FindFirstFileA(prefix.c_str(), &data));
    if (!find)
        return std::nullopt;
    return std::string(data.cFileName);
}

} // namespace

std::string NormalizeFolderPath(const std::string& arg) {
    return NormalizeFolderPathWith(FullPath(arg), StoredName, SystemLeadByte);
}

} // namespace tovane
