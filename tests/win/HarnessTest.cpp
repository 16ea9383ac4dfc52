// Checks the ground every other Windows test stands on: the Japanese code page, a display for
// real windows, and the portable path rules agreeing with the system's own lead-byte test.
#include "framework/Paths.h"

#include <gtest/gtest.h>
#include <windows.h>

TEST(Harness, RunsWithCodePage932) { EXPECT_EQ(GetACP(), 932u); }

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
