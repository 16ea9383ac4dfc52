// A worker thread with the services a background job needs from the UI thread: calls handed to
// the UI thread while the worker goes on (Queue), a termination handler run on the UI thread, a
// cooperative pause, and a stop request.
//
// Threads: construct, Resume, Suspend, Terminate, WaitFor and destroy on the UI thread (the
// thread that constructed the object). Execute runs on the worker. Queued calls and the
// termination handler reach the UI thread through a hidden message-only window that
// belongs to this object, so every message loop of the UI thread serves them: the application's
// loop, modal dialogs, menus, message boxes.
//
// Delivery rules:
//  - Queued calls run on the UI thread in the order the worker made them, and all of them
//    before OnTerminate. While a Suspend is in force, queued calls not yet run are held back,
//    and so is OnTerminate, also when the worker has finished meanwhile; Resume delivers them.
//  - After a stop request (Terminate, or destruction) the object delivers nothing more: queued
//    calls not yet run are dropped, and OnTerminate is not run.
//  - Destruction stops the worker, releases a pause and joins it; messages still queued for the
//    object's window are dropped with the window.
// The object is never freed automatically; its owner deletes it, which may happen inside
// OnTerminate.
#pragma once

#include "framework/win32/Handles.h"

#include <windows.h>

#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>

namespace tovane {

enum class ThreadPriority { Idle, Lowest, Lower, Normal, Higher, Highest, TimeCritical };

class TThread {
public:
    // Creates the worker suspended: Execute starts at the first Resume.
    TThread();
    TThread(const TThread&) = delete;
    TThread& operator=(const TThread&) = delete;
    virtual ~TThread();

    // Starts the worker the first time; afterwards ends a Suspend.
    void Resume();
    // Asks the worker to pause at its next pause point (between entries, before a queued call)
    // and holds back what it has not yet delivered (see the delivery rules). The worker is
    // never frozen where it stands, so it holds no lock while paused.
    void Suspend();
    // True before the first Resume and while a Suspend is in force.
    bool Suspended() const;
    // The stop request; see the delivery rules above.
    void Terminate();
    bool Terminated() const;
    void SetPriority(ThreadPriority priority);
    // True once Execute has returned (or was skipped because of an early stop).
    bool Finished() const;
    // Blocks until Execute has returned, then runs the calls it queued (unless a stop was
    // requested or a Suspend holds them). Does not resume a suspended worker.
    void WaitFor();
    // The same, giving up after timeoutMs: answers false (and runs no queued call) when Execute
    // is still running then, as a worker blocked in the system (an unreachable network folder)
    // may be for minutes.
    bool WaitFor(DWORD timeoutMs);
    // The worker's thread handle, owned by this object.
    HANDLE Handle() const noexcept { return FHandle.Get(); }
    // What escaped Execute, if anything (the thread entry catches everything).
    std::exception_ptr FatalException() const;

    // Run on the UI thread after Execute has returned, unless a stop was requested.
    std::function<void()> OnTerminate;

protected:
    virtual void Execute() = 0;

    // Hands call to the UI thread to run after the calls made before it, and returns at once.
    // Answers false, dropping call, once a stop has been requested. Pauses first while a
    // Suspend is in force. An exception a queued call raises is raised here, in the worker, at
    // its next Queue (or becomes FatalException if Execute has returned).
    bool Queue(std::function<void()> call);
    // Waits while a Suspend is in force; returns at once after a stop request.
    void CheckPaused();
    // Stops the worker and joins it. Derived destructors call it first, so that Execute never
    // sees the derived members destroyed. Idempotent.
    void StopAndWait();

private:
    static unsigned __stdcall ThreadEntry(void* self);
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void Run();
    void PollQueuedCalls(bool posted);
    void RunQueuedCalls();
    void RaiseQueuedCallError();
    void DeliverTermination();

    mutable std::mutex FLock;
    std::condition_variable FChanged;
    bool FStarted = false;
    bool FPaused = false;
    bool FTerminated = false;
    bool FFinished = false;
    bool FTerminationDelivered = false;
    std::deque<std::function<void()>> FQueuedCalls;
    // The UI thread has been posted a message for FQueuedCalls and polls them until it finds
    // none.
    bool FQueueWakePending = false;
    std::exception_ptr FQueuedCallError;
    std::exception_ptr FFatalException;

    UniqueWindow FWindow;       // message-only, owned by the UI thread
    UniqueKernelHandle FHandle; // the worker
};

} // namespace tovane
