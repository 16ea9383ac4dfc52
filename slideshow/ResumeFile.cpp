#include "slideshow/ResumeFile.h"

#include "framework/win32/Handles.h"

#include <windows.h>

#include <limits>

namespace tovane {

namespace {

// Far more than 500 places of the longest paths take.
constexpr LONGLONG kMaxFileBytes = 64LL * 1024 * 1024;

} // namespace

TResumePoints ReadResumeFile(const std::wstring& path) {
    UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    LARGE_INTEGER size{};
    if (!file || !GetFileSizeEx(file.Get(), &size) || size.QuadPart > kMaxFileBytes)
        return {};
    std::string text(static_cast<std::size_t>(size.QuadPart), '\0');
    DWORD got = 0;
    if (!text.empty() &&
        !ReadFile(file.Get(), text.data(), static_cast<DWORD>(text.size()), &got, nullptr))
        return {};
    text.resize(got);
    return TResumePoints::Parse(text);
}

bool WriteResumeFile(const std::wstring& path, const TResumePoints& points) {
    const std::wstring temporary = path + L".tmp";
    const std::string text = points.Text();
    {
        UniqueFile file(CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file)
            return false;
        DWORD written = 0;
        const bool whole = text.size() <= std::numeric_limits<DWORD>::max() &&
                           WriteFile(file.Get(), text.data(), static_cast<DWORD>(text.size()),
                                     &written, nullptr) &&
                           written == text.size() && FlushFileBuffers(file.Get());
        if (!whole) {
            file.Reset();
            DeleteFileW(temporary.c_str());
            return false;
        }
    }
    if (!MoveFileExW(temporary.c_str(), path.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DeleteFileW(temporary.c_str());
        return false;
    }
    return true;
}

} // namespace tovane
