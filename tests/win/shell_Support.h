// Helpers for the shell's Windows tests: a bare form, message pumping, scratch folders and an
// in-memory drop handle.
#pragma once

#include "framework/win32/Application.h"
#include "framework/win32/Forms.h"

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace shelltest {

// A form with no controls of its own; tests add controls to it.
class TBareFormDescription : public tovane::TForm {
public:
    explicit TBareFormDescription(tovane::TForm* owner = nullptr, tovane::TFormProps props = {})
        : TForm(owner), FProps(std::move(props)) {
        if (FProps.ClientWidth == 0) {
            FProps.ClientWidth = 320;
            FProps.ClientHeight = 240;
        }
    }

private:
    void LoadForm() override { CreateForm(FProps); }
    tovane::TFormProps FProps;
};
using TBareForm = tovane::TBuiltForm<TBareFormDescription>;

// Handles messages until pred() holds or the time is up; returns pred().
bool PumpUntil(const std::function<bool()>& pred, int timeoutMs = 5000);
// Handles the messages waiting now (and those they post) for a short while.
void Pump(int ms = 50);

// A fresh folder under the temporary folder, removed with everything in it at the end.
class TScratchDir {
public:
    TScratchDir();
    ~TScratchDir();
    TScratchDir(const TScratchDir&) = delete;
    TScratchDir& operator=(const TScratchDir&) = delete;
    const std::string& Path() const { return FPath; } // ANSI, no trailing "\"
    std::string Sub(const std::string& relative) const { return FPath + "\\" + relative; }
    std::string MakeDir(const std::string& relative) const;
    std::string MakeFile(const std::string& relative, DWORD attributes = 0) const;
    // A real 2 x 2 24-bit Windows bitmap file.
    std::string MakeBitmap(const std::string& relative) const;

private:
    std::string FPath;
};

// A real drop handle (DROPFILES in global memory, UTF-16) naming the given paths.
HDROP MakeDrop(const std::vector<std::wstring>& paths);
HDROP MakeDrop(const std::vector<std::string>& pathsAnsi);

// A status bar panel's text (UTF-8) of a window of another process: the common control writes
// into memory of its own process.
std::string RemotePanelText(HWND statusBar, int panel);

// Holds Ctrl (or not) in this thread's key state, as GetKeyState reports it.
void SetCtrlHeld(bool held);

} // namespace shelltest
