#include "bundled/common/ColourGlue.h"

#include "bundled/common/ColourEnvironment.h"

#include <windows.h>

#include <memory>
#include <string>

namespace bundled {

namespace {

struct HandleClose {
    void operator()(HANDLE h) const noexcept { CloseHandle(h); }
};

std::wstring Variable(const wchar_t* name) {
    std::wstring value(MAX_PATH, L'\0');
    DWORD n = GetEnvironmentVariableW(name, value.data(), static_cast<DWORD>(value.size()));
    if (n >= value.size()) {
        value.resize(n);
        n = GetEnvironmentVariableW(name, value.data(), static_cast<DWORD>(value.size()));
    }
    value.resize(n < value.size() ? n : 0);
    return value;
}

std::vector<std::uint8_t> ReadProfileFile(const std::wstring& path) {
    constexpr LONGLONG most = 64 << 20; // no display profile comes near
    const HANDLE opened =
        CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (opened == INVALID_HANDLE_VALUE)
        return {};
    const std::unique_ptr<void, HandleClose> file(opened);
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size) || size.QuadPart <= 0 || size.QuadPart > most)
        return {};
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size.QuadPart));
    DWORD read = 0;
    if (!ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) ||
        read != bytes.size())
        return {};
    return bytes;
}

} // namespace

ColourTarget CurrentColourTarget() {
    ColourTarget target;
    target.Manage = Variable(ColourManageVariable) != L"0";
    if (target.Manage)
        if (const std::wstring path = Variable(DisplayProfileVariable); !path.empty())
            target.DisplayIcc = ReadProfileFile(path);
    return target;
}

ColourManager& ModuleColourManager() {
    static ColourManager manager;
    return manager;
}

} // namespace bundled
