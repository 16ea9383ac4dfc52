#include "pluginsTestSupport.h"

#include "plugins/portable/SPIRules.h"

#include <gtest/gtest.h>

namespace tovane::test {

namespace {
constexpr const char* kKey = "Software\\Velmoran\\Susie\\Plug-in";
}

std::string ProgramFolder() {
    char buffer[MAX_PATH * 4] = {};
    const DWORD n = GetModuleFileNameA(nullptr, buffer, sizeof buffer);
    std::string path(buffer, n);
    return path.substr(0, path.rfind('\\') + 1);
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

ScratchFolder::ScratchFolder(const std::string& leaf) {
    char temp[MAX_PATH] = {};
    GetTempPathA(sizeof temp, temp);
    FPath =
        std::string(temp) + "tovane-plugins-" + std::to_string(GetCurrentProcessId()) + "-" + leaf;
    CreateDirectoryA(FPath.c_str(), nullptr);
    EXPECT_NE(GetFileAttributesA(FPath.c_str()), INVALID_FILE_ATTRIBUTES) << FPath;
}

ScratchFolder::~ScratchFolder() {
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((FPath + "\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = data.cFileName;
            if (name == "." || name == "..")
                continue;
            const std::string path = FPath + "\\" + name;
            SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveDirectoryA(path.c_str());
            else
                DeleteFileA(path.c_str());
        } while (FindNextFileA(find, &data));
        FindClose(find);
    }
    RemoveDirectoryA(FPath.c_str());
}

std::string ScratchFolder::Copy(const std::string& plugin, const std::string& fileName) {
    const std::string to = FPath + "\\" + fileName;
    EXPECT_TRUE(CopyFileA(TestPlugin(plugin).c_str(), to.c_str(), FALSE)) << to;
    return to;
}

std::string ScratchFolder::Write(const std::string& fileName, const std::string& content) {
    const std::string to = FPath + "\\" + fileName;
    HANDLE f = CreateFileA(to.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_NE(f, INVALID_HANDLE_VALUE) << to;
    DWORD written = 0;
    WriteFile(f, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
    CloseHandle(f);
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
