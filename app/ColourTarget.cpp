#include "app/ColourTarget.h"

#include "imaging/PluginHost.h"

#include "bundled/common/ColourEnvironment.h"

#include <memory>
#include <string>

namespace tovane {

namespace {

struct DcDelete {
    void operator()(HDC dc) const noexcept { DeleteDC(dc); }
};

// The path of the monitor's profile, empty when Windows has none (or it is not a file).
std::wstring MonitorProfile(HWND window) {
    MONITORINFOEXW info{};
    info.cbSize = sizeof info;
    if (!GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY), &info))
        return {};
    const std::unique_ptr<std::remove_pointer_t<HDC>, DcDelete> dc(
        CreateDCW(info.szDevice, info.szDevice, nullptr, nullptr));
    if (!dc)
        return {};
    std::wstring path(MAX_PATH, L'\0');
    DWORD size = static_cast<DWORD>(path.size());
    if (!GetICMProfileW(dc.get(), &size, path.data())) {
        if (size <= path.size())
            return {};
        path.resize(size);
        if (!GetICMProfileW(dc.get(), &size, path.data()))
            return {};
    }
    path.resize(wcsnlen(path.c_str(), path.size()));
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return {};
    return path;
}

} // namespace

bool PublishColourTarget(bool manage, HWND window) {
    const std::wstring before = PublishedColourTarget();
    SetEnvironmentVariableW(bundled::ColourManageVariable, manage ? L"1" : L"0");
    const std::wstring profile = manage ? MonitorProfile(window) : std::wstring();
    SetEnvironmentVariableW(bundled::DisplayProfileVariable,
                            profile.empty() ? nullptr : profile.c_str());
    return before != PublishedColourTarget();
}

} // namespace tovane
