#include "app/Settings.h"

#include "framework/Exceptions.h"
#include "framework/Paths.h"
#include "framework/Strings.h"
#include "framework/win32/ModuleFile.h"
#include "framework/win32/Text.h"

#include <windows.h>

#include <iterator>

namespace tovane {

namespace {

// One INI file through GetPrivateProfileStringW / WritePrivateProfileStringW. Sections, keys and
// values are the program's own ASCII texts; the path is whatever the program's folder is called.
class IniFileStore final : public ProfileStore {
public:
    explicit IniFileStore(const std::wstring& path) : FPath(path) {}

    std::string ReadString(const char* section, const char* key) override {
        wchar_t buffer[2048]; // at most 2047 characters of value
        const DWORD n =
            GetPrivateProfileStringW(AnsiToWide(section).c_str(), AnsiToWide(key).c_str(), L"",
                                     buffer, static_cast<DWORD>(std::size(buffer)), FPath.c_str());
        return WideToAnsi(std::wstring_view(buffer, n));
    }
    bool WriteString(const char* section, const char* key, const std::string& value) override {
        return WritePrivateProfileStringW(AnsiToWide(section).c_str(), AnsiToWide(key).c_str(),
                                          AnsiToWide(value).c_str(), FPath.c_str()) != FALSE;
    }

private:
    const std::wstring& FPath;
};

[[noreturn]] void ThrowCannotWrite(const std::wstring& iniPath) {
    throw Exception(Format("%s に書き込めません", WideToUtf8(iniPath).c_str()));
}

} // namespace

std::wstring SettingsFilePath() {
    const std::wstring exe = ModuleFileNameW();
    const std::size_t dot = exe.find_last_of(L'.');
    const std::size_t folder = exe.find_last_of(L"\\/:");
    const bool hasExt = dot != std::wstring::npos && (folder == std::wstring::npos || dot > folder);
    return (hasExt ? exe.substr(0, dot) : exe) + L".ini";
}

WindowGeometry ReadWindowGeometry(const std::wstring& iniPath, const WindowGeometry& current,
                                  int screenWidth, int screenHeight) {
    IniFileStore store(iniPath);
    return ReadWindowGeometry(store, current, screenWidth, screenHeight);
}

SlideShowSettings ReadSlideShowSettings(const std::wstring& iniPath) {
    IniFileStore store(iniPath);
    return ReadSlideShowSettings(store);
}

bool ReadPluginIsolation(const std::wstring& iniPath) {
    IniFileStore store(iniPath);
    return ReadProfileBool(store, "Plugins", "Isolate", true);
}

bool ReadColorManagement(const std::wstring& iniPath) {
    IniFileStore store(iniPath);
    return ReadColorManagement(store);
}

void WriteColorManagement(const std::wstring& iniPath, bool manage) {
    IniFileStore store(iniPath);
    if (!WriteColorManagement(store, manage))
        ThrowCannotWrite(iniPath);
}

void WriteWindowGeometry(const std::wstring& iniPath, const WindowGeometry& geometry) {
    IniFileStore store(iniPath);
    if (!WriteWindowGeometry(store, geometry))
        ThrowCannotWrite(iniPath);
}

void WriteSlideShowSettings(const std::wstring& iniPath, const SlideShowSettings& settings) {
    IniFileStore store(iniPath);
    if (!WriteSlideShowSettings(store, settings))
        ThrowCannotWrite(iniPath);
}

} // namespace tovane
