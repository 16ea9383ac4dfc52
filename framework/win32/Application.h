// The application object: its title, the message loop and the standard error report.
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

namespace tovane {

class TForm;

class TApplication {
public:
    TApplication(const TApplication&) = delete;
    TApplication& operator=(const TApplication&) = delete;

    std::string Title = "Tovane"; // UTF-8: caption of the error report

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
    TForm* FMainForm = nullptr;
    bool FTerminated = false;
};

// The process's one application object.
TApplication& Application();

} // namespace tovane
