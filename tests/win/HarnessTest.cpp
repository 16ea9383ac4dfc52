// Checks the ground every other Windows test stands on: the Japanese code page, a display for
// real windows, the portable path rules agreeing with the system's own lead-byte test, and the
// shared harness's scratch folders.
#include "framework/Paths.h"
#include "tests/win/Harness.h"

#include <gtest/gtest.h>
#include <windows.h>

TEST(Harness, RunsWithCodePage932) {
    EXPECT_EQ(GetACP(), 932u);
}

TEST(Harness, SystemLeadBytesMatchCodePage932Rule) {
    for (int b = 0; b < 256; ++b)
        EXPECT_EQ(IsDBCSLeadByte(static_cast<BYTE>(b)) != FALSE,
                  tovane::IsCp932LeadByte(static_cast<unsigned char>(b)))
            << b;
}

TEST(Harness, CanCreateAWindow) {
    HWND w = CreateWindowExW(0, L"STATIC", L"x", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                             GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(w, nullptr);
    EXPECT_GT(GetSystemMetrics(SM_CXSCREEN), 0);
    DestroyWindow(w);
}

// Scratch folders end with the name asked for and leave nothing behind: nested folders and
// read-only files go with them, also while the folder is the current one.
TEST(Harness, ScratchFolderIsRemovedWithAllItHolds) {
    std::string path;
    {
        const harness::ScratchFolder scratch("\x95\x5C"); // ends in a trail byte that is "\"
        path = scratch.Path();
        ASSERT_EQ(path.substr(path.size() - 2), "\x95\x5C");
        ASSERT_NE(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES);
        scratch.MakeDir("sub");
        const std::string file = scratch.Write("sub\\locked.txt", "x");
        ASSERT_TRUE(SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_READONLY));
        EXPECT_EQ(harness::ReadWholeFile(file), std::vector<std::uint8_t>{'x'});
        ASSERT_TRUE(SetCurrentDirectoryA((path + "\\sub").c_str()));
    }
    EXPECT_EQ(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES);
}
