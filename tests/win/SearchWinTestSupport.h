// Message-loop helpers for the search area's Wine tests.
#pragma once

#include <windows.h>

#include <functional>

namespace searchtest {

// Runs a message loop of this thread until done() holds or the time is up; answers done().
inline bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 20000) {
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > timeoutMs)
            return false;
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
    return true;
}

// Runs the message loop for a while, whatever happens.
inline void PumpFor(DWORD ms) {
    PumpUntil([] { return false; }, ms);
}

} // namespace searchtest
