#include "app/Settings.h"

#include "framework/Exceptions.h"
#include "framework/Paths.h"
#include "framework/Strings.h"
#include "framework/win32/ModuleFile.h"
#include "framework/win32/Text.h"

#include <windows.h>

namespace tovane {

namespace {

// One INI file through GetPrivateProfileStringA / WritePrivateProfileStringA.
class IniFileStore final : public ProfileStore {
public:
    explicit IniFileStore(const std::string& path) : FPath(path) {}

    std::string ReadString(const char* section, const char* key) override {
        char buffer[2048]; // at most 2047 characters of value
        const DWORD n =
            GetPrivateProfileStringA(section, key, "", buffer, sizeof(buffer), FPath.c_str());
        return std::string(buffer, n);
    }
    bool WriteString(const char* section, const char* key, const std::string& value) override {
        return WritePrivateProfileStringA(section, key, value.c_str(), FPath.c_str()) != FALSE;
    }

private:
    const std::string& FPath;
};

[[noreturn]] void ThrowCannotWrite(const std::string& iniPath) {
    throw Exception(Format("%s に書き込めません", AnsiToUtf8(iniPath).c_str()));
}

} // namespace

std::string SettingsFilePath() {
    const std::string exe = ModuleFileName();
    const std::string ext = ExtractFileExt(exe, SystemLeadByte);
    return exe.substr(0, exe.size() - ext.size()) + ".ini";
}

WindowGeometry ReadWindowGeometry(const std::string& iniPath, const WindowGeometry& current,
                                  int screenWidth, int screenHeight) {
    IniFileStore store(iniPath);
    return ReadWindowGeometry(store, current, screenWidth, screenHeight);
}

SlideShowSettings ReadSlideShowSettings(const std::string& iniPath) {
    IniFileStore store(iniPath);
    return ReadSlideShowSettings(store);
}

bool ReadPluginIsolation(const std::string& iniPath) {
    IniFileStore store(iniPath);
    return ReadProfileBool(store, "Plugins", "Isolate", true);
}

void WriteWindowGeometry(const std::string& iniPath, const WindowGeometry& geometry) {
    IniFileStore store(iniPath);
    if (!WriteWindowGeometry(store, geometry))
        ThrowCannotWrite(iniPath);
}

void WriteSlideShowSettings(const std::string& iniPath, const SlideShowSettings& settings) {
    IniFileStore store(iniPath);
    if (!WriteSlideShowSettings(store, settings))
        ThrowCannotWrite(iniPath);
}

} // namespace tovane
