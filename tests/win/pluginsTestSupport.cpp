#include "pluginsTestSupport.h"

#include "plugins/portable/SPIRules.h"

#include <gtest/gtest.h>

namespace tovane::test {

namespace {
constexpr const char* kKey = "Software\\Velmoran\\Susie\\Plug-in";
}

std::string FullPath(const std::string& path) {
    char buffer[MAX_PATH * 4] = {};
    const DWORD n = GetFullPathNameA(path.c_str(), sizeof buffer, buffer, nullptr);
    return std::string(buffer, n);
}

std::string TestPlugin(const std::string& name) {
    // DefaultSPIMask is "*.sph" or "*.spi": the build's module extension follows its "*".
    return FullPath(ProgramFolder() + "..\\testplugins\\" + name + "\\" + name +
                    (DefaultSPIMask + 1));
}

bool IsLoaded(const std::string& path) {
    return GetModuleHandleA(path.c_str()) != nullptr;
}

ScratchFolder::ScratchFolder(const std::string& leaf) : harness::ScratchFolder("plugins-" + leaf) {
    EXPECT_NE(GetFileAttributesA(Path().c_str()), INVALID_FILE_ATTRIBUTES) << Path();
}

std::string ScratchFolder::Copy(const std::string& plugin, const std::string& fileName) {
    const std::string to = Sub(fileName);
    EXPECT_TRUE(CopyFileA(TestPlugin(plugin).c_str(), to.c_str(), FALSE)) << to;
    return to;
}

std::string ScratchFolder::Write(const std::string& fileName, const std::string& content) {
    const std::string to = Sub(fileName);
    EXPECT_TRUE(harness::WriteWholeFile(to, content)) << to;
    return to;
}

PlacedFile::PlacedFile(const std::string& plugin, const std::string& path) : FPath(path) {
    EXPECT_TRUE(CopyFileA(TestPlugin(plugin).c_str(), path.c_str(), FALSE)) << path;
}

PlacedFile::~PlacedFile() {
    DeleteFileA(FPath.c_str());
}

SusiePathValue::SusiePathValue() {
    RegDeleteKeyA(HKEY_CURRENT_USER, kKey);
}

SusiePathValue::~SusiePathValue() {
    RegDeleteKeyA(HKEY_CURRENT_USER, kKey);
}

void SusiePathValue::SetString(const std::string& value) {
    EXPECT_EQ(RegSetKeyValueA(HKEY_CURRENT_USER, kKey, "Path", REG_SZ, value.c_str(),
                              static_cast<DWORD>(value.size() + 1)),
              ERROR_SUCCESS);
}

void SusiePathValue::SetDword(DWORD value) {
    EXPECT_EQ(RegSetKeyValueA(HKEY_CURRENT_USER, kKey, "Path", REG_DWORD, &value, sizeof value),
              ERROR_SUCCESS);
}

} // namespace tovane::test
