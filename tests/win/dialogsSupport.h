// Helpers for the dialogs' Windows tests: message pumping, scripts run from inside a modal
// loop, key presses and the platform's colour dialog.
#pragma once

#include "tests/win/Harness.h"

#include <windows.h>

#include <functional>
#include <string>

namespace dialogstest {

// Handles the messages waiting now (and those they post) for a short while.
inline void Pump(int ms = 30) {
    harness::Pump(ms);
}

// Runs action once, from the next message loop that runs after delayMs (a thread timer, so
// it also runs inside a modal loop, such as ShowModal's or the colour dialog's).
void RunSoon(std::function<void()> action, UINT delayMs = 20);

// Posts a key press to the window that has the focus and handles it.
void PressKey(UINT vk);

// The colour-choice dialog that this thread shows over owner, or nullptr.
HWND FindColorDialog(HWND owner);
// Sets the colour dialog's red, green and blue fields.
void SetColorDialogRgb(HWND dialog, int r, int g, int b);

using harness::ProgramFolder;

} // namespace dialogstest
