#include "app/NormalizeFolderPath.h"
#include "app/Settings.h"

#include "framework/Exceptions.h"
#include "framework/Paths.h"
#include "framework/win32/Text.h"
#include "tests/win/Harness.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

using namespace tovane;

namespace {

// A folder of the test program's scratch folder (removed at the end).
std::string TempFolder(const std::string& name) {
    static const harness::ScratchFolder scratch("settings");
    return scratch.MakeDir(name);
}

void WriteText(const std::string& path, const std::string& text) {
    ASSERT_TRUE(harness::WriteWholeFile(path, text)) << path;
}

std::string ReadText(const std::string& path) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                           nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return std::string();
    char buffer[4096];
    DWORD n = 0;
    ReadFile(h, buffer, sizeof(buffer), &n, nullptr);
    CloseHandle(h);
    return std::string(buffer, n);
}

const WindowGeometry Design{0, 0, 600, 400};

// The spelling of ANSI paths, for the cases below whose names fit the code page.
std::string NormalizeFolderPath(const std::string& ansi) {
    return WideToAnsi(tovane::NormalizeFolderPath(AnsiToWide(ansi)));
}

} // namespace

TEST(SearchSettings, MissingFileGivesDefaultsAndIsNotCreated) {
    const std::string ini = TempFolder("tovane-settings") + "\\missing.ini";
    DeleteFileA(ini.c_str());
    const SlideShowSettings s = ReadSlideShowSettings(AnsiToWide(ini));
    EXPECT_EQ(s.Interval, 10);
    EXPECT_TRUE(s.bSecond);
    EXPECT_EQ(s.FGColor, 16777215u);
    EXPECT_EQ(s.BGColor, 0u);
    EXPECT_FALSE(s.SuguStart);
    EXPECT_EQ(s.LastAction, laStayAtLast);
    EXPECT_FALSE(s.bAllDir);
    EXPECT_TRUE(s.bFindSubDir);
    const WindowGeometry g = ReadWindowGeometry(AnsiToWide(ini), Design, 1280, 1024);
    EXPECT_EQ(g.Left, 340);
    EXPECT_EQ(g.Top, 312);
    EXPECT_EQ(g.Width, 600);
    EXPECT_EQ(g.Height, 400);
    EXPECT_EQ(GetFileAttributesA(ini.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST(SearchSettings, ValuesAsTheProfileFunctionsReturnThem) {
    const std::string ini = TempFolder("tovane-settings") + "\\values.ini";
    WriteText(ini, "[Window]\r\nWidth=800\r\nHeight=300\r\n"
                   "[SlideShow]\r\nInterval=0x1E\r\nbSecond=2\r\nFGColor=ten\r\n"
                   "BGColor=$FF00\r\nsugustart = 1\r\nLastAction=258\r\nbAllDir=1E\r\n"
                   "bFindSubDir=0\r\n");
    const SlideShowSettings s = ReadSlideShowSettings(AnsiToWide(ini));
    EXPECT_EQ(s.Interval, 30);
    EXPECT_TRUE(s.bSecond);
    EXPECT_EQ(s.FGColor, 16777215u); // "ten": the default
    EXPECT_EQ(s.BGColor, 0xFF00u);
    EXPECT_TRUE(s.SuguStart); // keys are found whatever their case and blanks
    EXPECT_EQ(s.LastAction, 2);
    EXPECT_FALSE(s.bAllDir); // "1E" is no integer
    EXPECT_FALSE(s.bFindSubDir);
    // Stored size, but centred as the 600 x 400 window it was when read.
    const WindowGeometry g = ReadWindowGeometry(AnsiToWide(ini), Design, 1024, 768);
    EXPECT_EQ(g.Left, 212);
    EXPECT_EQ(g.Top, 184);
    EXPECT_EQ(g.Width, 800);
    EXPECT_EQ(g.Height, 300);

    WriteText(ini, "[SlideShow]\r\nInterval=1E\r\n");
    EXPECT_EQ(ReadSlideShowSettings(AnsiToWide(ini)).Interval, 10);
}

TEST(SearchSettings, PluginIsolationIsOnUnlessTheFileTurnsItOff) {
    const std::string ini = TempFolder("tovane-settings") + "\\isolate.ini";
    DeleteFileA(ini.c_str());
    EXPECT_TRUE(ReadPluginIsolation(AnsiToWide(ini)));
    WriteText(ini, "[Plugins]\r\nIsolate=0\r\n");
    EXPECT_FALSE(ReadPluginIsolation(AnsiToWide(ini)));
    WriteText(ini, "[Plugins]\r\nIsolate=off\r\n"); // no integer: the default
    EXPECT_TRUE(ReadPluginIsolation(AnsiToWide(ini)));
}

TEST(SearchSettings, EachPassWritesOnlyItsSection) {
    const std::string ini = TempFolder("tovane-settings") + "\\write.ini";
    WriteText(ini, "[SlideShow]\r\nInterval=0x1E\r\nbSecond=2\r\n");
    WriteWindowGeometry(AnsiToWide(ini), {-4, 10, 640, 480});
    std::string text = ReadText(ini);
    EXPECT_NE(text.find("Interval=0x1E"), std::string::npos) << text;
    EXPECT_NE(text.find("Left=-4"), std::string::npos) << text;
    EXPECT_NE(text.find("Height=480"), std::string::npos) << text;
    const WindowGeometry g = ReadWindowGeometry(AnsiToWide(ini), Design, 1280, 1024);
    EXPECT_EQ(g.Left, -4);
    EXPECT_EQ(g.Top, 10);
    EXPECT_EQ(g.Width, 640);

    SlideShowSettings s = ReadSlideShowSettings(AnsiToWide(ini));
    s.LastAction = laRepeat;
    WriteSlideShowSettings(AnsiToWide(ini), s);
    text = ReadText(ini);
    EXPECT_NE(text.find("Interval=30"), std::string::npos) << text;
    EXPECT_NE(text.find("bSecond=1"), std::string::npos) << text;
    EXPECT_NE(text.find("FGColor=16777215"), std::string::npos) << text;
    EXPECT_NE(text.find("LastAction=3"), std::string::npos) << text;
    EXPECT_NE(text.find("Width=640"), std::string::npos) << text;
}

TEST(SearchSettings, AFailedWriteNamesTheFile) {
    // A folder that does not exist: the write fails even for an administrator.
    const std::string ini =
        TempFolder("tovane-settings") + "\\" + Utf8ToAnsi("存在しない") + "\\Tovane.ini";
    try {
        WriteSlideShowSettings(AnsiToWide(ini), DefaultSlideShowSettings());
        FAIL() << "the write succeeded";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), AnsiToUtf8(ini) + " に書き込めません");
        EXPECT_NE(e.Message().find("存在しない"), std::string::npos);
    }
    EXPECT_THROW(WriteWindowGeometry(AnsiToWide(ini), Design), Exception);
}

// A folder the code page cannot spell ("Zoë" on a Japanese system) holds the settings as well.
TEST(SearchSettings, SettingsAreKeptInAFolderOutsideTheCodePage) {
    const std::wstring folder = AnsiToWide(TempFolder("tovane-settings")) + L"\\Zo\u00EB";
    CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring ini = folder + L"\\Tovane.ini";
    DeleteFileW(ini.c_str());
    SlideShowSettings written = DefaultSlideShowSettings();
    written.Interval = 7;
    ASSERT_NO_THROW(WriteSlideShowSettings(ini, written));
    EXPECT_EQ(ReadSlideShowSettings(ini).Interval, 7);
    EXPECT_NE(GetFileAttributesW(ini.c_str()), INVALID_FILE_ATTRIBUTES);
    DeleteFileW(ini.c_str());
    RemoveDirectoryW(folder.c_str());
}

TEST(SearchSettings, FileBesideTheProgram) {
    const std::string path = WideToAnsi(SettingsFilePath());
    EXPECT_EQ(ExtractFilePath(path, SystemLeadByte), harness::ProgramFolder());
    EXPECT_EQ(ExtractFileName(path, SystemLeadByte), "search_settings_tests.ini");
}

TEST(SearchSettings, FolderPathsAreSpelledAsOnDisk) {
    const std::string base = NormalizeFolderPath(TempFolder("tovane-normalize"));
    const std::string longDir = base + "\\Tovane Long Folder Name";
    CreateDirectoryA(longDir.c_str(), nullptr);
    CreateDirectoryA((longDir + "\\Sub Dir").c_str(), nullptr);
    const std::string full = longDir + "\\Sub Dir";

    char shortName[MAX_PATH];
    ASSERT_GT(GetShortPathNameA(full.c_str(), shortName, MAX_PATH), 0u);
    ASSERT_NE(std::string(shortName), full);
    EXPECT_EQ(NormalizeFolderPath(shortName), full);
    EXPECT_EQ(NormalizeFolderPath(AsciiLower(full, SystemLeadByte).substr(0, 2) +
                                  AsciiUpper(full.substr(2), SystemLeadByte)),
              AsciiLower(full.substr(0, 2), SystemLeadByte) + full.substr(2));
    EXPECT_EQ(NormalizeFolderPath(longDir + "\\"), longDir);
    EXPECT_EQ(NormalizeFolderPath(base + "\\missing\\sub dir\\"), base + "\\missing\\sub dir\\");
    EXPECT_EQ(NormalizeFolderPath(base + "\\Tovane*"), base + "\\Tovane*");
    EXPECT_EQ(NormalizeFolderPath("C:\\"), "C:\\");
    EXPECT_EQ(NormalizeFolderPath("c:\\"), "c:\\");

    // Relative to the current folder, with "." and ".." resolved first.
    char saved[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, saved);
    SetCurrentDirectoryA(longDir.c_str());
    EXPECT_EQ(NormalizeFolderPath("sub dir"), full);
    EXPECT_EQ(NormalizeFolderPath("..\\TOVANE LONG FOLDER NAME\\.\\SUB DIR"), full);
    SetCurrentDirectoryA(saved);
    RemoveDirectoryA(full.c_str());
    RemoveDirectoryA(longDir.c_str());
}

TEST(SearchSettings, FolderNamesOutsideTheCodePageAreKept) {
    const std::wstring base = AnsiToWide(NormalizeFolderPath(TempFolder("tovane-normalize-w")));
    const std::wstring dir = base + L"\\\uD55C\uAD6D \u301C \u5199\u771F\U0001F600";
    CreateDirectoryW(dir.c_str(), nullptr);
    EXPECT_EQ(tovane::NormalizeFolderPath(dir + L"\\"), dir);
    RemoveDirectoryW(dir.c_str());
}
