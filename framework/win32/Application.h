// The application object: its title and window, the message loop and the standard error report.
//
// The application window is a window of no size, captioned with the title, that owns every
// top-level form: it is what the task bar and task switching show, so the program appears there
// as its title whatever its main window's caption says. It hands its activation on to the
// window last active in the program, minimises the program as a whole (its forms are hidden with
// it and come back with it), and closing it closes the main form.
//
// Every loop of the program (Run, TForm::ShowModal, ProcessMessages) handles a message the
// same way (ProcessMessage): a key press first goes to the actions of the form it was pressed
// in (its active window), then the dialog keys (Tab, Enter for the default button, Esc for the
// cancel button, accelerators), then the window. Every message of every window of the thread
// is dispatched, so synchronised calls of worker threads are served by whichever loop runs.
//
// Errors: whatever leaves an event handler, a window procedure or an action ends in
// HandleException, which shows the standard error report (a message box with the exception's
// text, owned by the active window, captioned with Title) and returns; the loop goes on. EAbort
// is silent. UI thread only.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace tovane {

class TForm;

class TApplication {
public:
    TApplication(const TApplication&) = delete;
    TApplication& operator=(const TApplication&) = delete;

    // UTF-8: the program's name in the task bar and the caption of the error report.
    const std::string& Title() const noexcept { return FTitle; }
    void SetTitle(std::string titleUtf8);

    // The application window, created on first use (hidden until Run shows it).
    HWND Handle();
    // Minimises the program (the application window and with it every form) and restores it.
    void Minimize();
    void Restore();

    // Shows the main form and runs the message loop until Terminate (or the main form's
    // Close). Returns the exit code of the WM_QUIT message.
    int Run(TForm& mainForm);
    TForm* MainForm() const noexcept { return FMainForm; }
    void SetMainForm(TForm* form) noexcept { FMainForm = form; }
    void Terminate();
    bool Terminated() const noexcept { return FTerminated; }

    // Handles every message waiting in the queue, then returns.
    void ProcessMessages();
    // One message, the way every loop handles it.
    void ProcessMessage(MSG& msg);

    // Call inside a catch block: reports the exception in flight (not EAbort).
    void HandleException() noexcept;
    // Reports a message as the standard error report does.
    void ShowErrorReport(const std::string& messageUtf8) noexcept;
    // Runs f; what leaves it is reported. Returns false when f threw.
    template <typename F> bool Dispatch(F&& f) noexcept {
        try {
            f();
            return true;
        } catch (...) {
            HandleException();
            return false;
        }
    }

    // When set, receives the error report's text instead of the message box (tests).
    std::function<void(const std::string& messageUtf8)> OnException;

private:
    friend TApplication& Application();
    TApplication() = default;
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam);
    void ActivateLastPopup();
    void ShowHiddenWindows();

    std::string FTitle = "Tovane";
    HWND FHandle = nullptr; // lives as long as the process (destroyed with the thread's windows)
    std::vector<HWND> FHiddenWhileMinimized;
    TForm* FMainForm = nullptr;
    bool FTerminated = false;
};

// The process's one application object.
TApplication& Application();

} // namespace tovane
