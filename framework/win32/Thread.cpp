#include "framework/win32/Thread.h"

#include "framework/Exceptions.h"

#include <process.h>

#include <utility>

namespace tovane {

namespace {

const wchar_t SyncWindowClass[] = L"TovaneThreadSync";
constexpr UINT WM_THREAD_TERMINATED = WM_APP + 0x5A2;
constexpr UINT WM_THREAD_QUEUE = WM_APP + 0x5A3;
// While the worker keeps queueing calls, the UI thread takes them on this timer's ticks instead
// of one message each: a burst of calls costs a message per tick, not per call.
constexpr UINT_PTR QueuePollTimer = 1;
constexpr UINT QueuePollMs = 15;

int Win32Priority(ThreadPriority p) {
    switch (p) {
    case ThreadPriority::Idle:
        return THREAD_PRIORITY_IDLE;
    case ThreadPriority::Lowest:
        return THREAD_PRIORITY_LOWEST;
    case ThreadPriority::Lower:
        return THREAD_PRIORITY_BELOW_NORMAL;
    case ThreadPriority::Normal:
        return THREAD_PRIORITY_NORMAL;
    case ThreadPriority::Higher:
        return THREAD_PRIORITY_ABOVE_NORMAL;
    case ThreadPriority::Highest:
        return THREAD_PRIORITY_HIGHEST;
    case ThreadPriority::TimeCritical:
        return THREAD_PRIORITY_TIME_CRITICAL;
    }
    return THREAD_PRIORITY_NORMAL;
}

void RegisterSyncWindowClass(HINSTANCE instance, WNDPROC proc) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = proc;
    wc.hInstance = instance;
    wc.lpszClassName = SyncWindowClass;
    // A second registration fails with "already exists", which is what we want.
    if (!RegisterClassExW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
        throw Exception("Cannot register the thread synchronisation window class");
}

} // namespace

TThread::TThread() {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    RegisterSyncWindowClass(instance, &TThread::WindowProc);
    FWindow.Reset(CreateWindowExW(0, SyncWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  instance, this));
    if (!FWindow)
        throw Exception("Cannot create the thread synchronisation window");
    unsigned id = 0;
    FHandle.Reset(reinterpret_cast<HANDLE>(
        _beginthreadex(nullptr, 0, &TThread::ThreadEntry, this, CREATE_SUSPENDED, &id)));
    if (!FHandle)
        throw Exception("Cannot create a thread");
}

TThread::~TThread() {
    StopAndWait();
    // Destroying the window drops whatever is still queued for it.
    FWindow.Reset();
}

void TThread::StopAndWait() {
    bool start = false;
    {
        std::lock_guard lock(FLock);
        FTerminated = true;
        FPaused = false;
        start = !FStarted;
        FStarted = true;
    }
    FChanged.notify_all();
    // A worker that never ran must still run to its end to be joined; it skips Execute.
    if (start && FHandle)
        ResumeThread(FHandle.Get());
    WaitFor();
}

void TThread::Resume() {
    bool start = false, wakeQueue = false, wakeEnd = false;
    {
        std::lock_guard lock(FLock);
        FPaused = false;
        start = !FStarted;
        FStarted = true;
        // Calls held back by the pause are delivered now.
        wakeQueue = !FQueuedCalls.empty() && !std::exchange(FQueueWakePending, true);
        wakeEnd = FFinished && !FTerminated && !FTerminationDelivered;
    }
    FChanged.notify_all();
    if (start)
        ResumeThread(FHandle.Get());
    if (wakeQueue)
        PostMessageW(FWindow.Get(), WM_THREAD_QUEUE, 0, 0);
    if (wakeEnd)
        PostMessageW(FWindow.Get(), WM_THREAD_TERMINATED, 0, 0);
}

void TThread::Suspend() {
    std::lock_guard lock(FLock);
    // A worker that has finished may still have calls and its end to deliver: the pause holds
    // them back too.
    if (!FTerminationDelivered)
        FPaused = true;
}

bool TThread::Suspended() const {
    std::lock_guard lock(FLock);
    return FPaused || !FStarted;
}

void TThread::Terminate() {
    {
        std::lock_guard lock(FLock);
        FTerminated = true;
    }
    FChanged.notify_all();
}

bool TThread::Terminated() const {
    std::lock_guard lock(FLock);
    return FTerminated;
}

void TThread::SetPriority(ThreadPriority priority) {
    SetThreadPriority(FHandle.Get(), Win32Priority(priority));
}

bool TThread::Finished() const {
    std::lock_guard lock(FLock);
    return FFinished;
}

std::exception_ptr TThread::FatalException() const {
    std::lock_guard lock(FLock);
    return FFatalException;
}

void TThread::WaitFor() {
    WaitFor(INFINITE);
}

bool TThread::WaitFor(DWORD timeoutMs) {
    {
        std::lock_guard lock(FLock);
        if (!FStarted)
            return true; // never resumed: there is nothing to wait for
    }
    // The worker ended (or the wait itself failed: nothing left to wait on) unless it timed out.
    if (WaitForSingleObject(FHandle.Get(), timeoutMs) == WAIT_TIMEOUT)
        return false;
    // What the worker queued is delivered before anyone can take the end for done.
    RunQueuedCalls();
    return true;
}

bool TThread::Queue(std::function<void()> call) {
    CheckPaused();
    RaiseQueuedCallError();
    bool wake = false;
    {
        std::lock_guard lock(FLock);
        if (FTerminated)
            return false;
        FQueuedCalls.push_back(std::move(call));
        wake = !std::exchange(FQueueWakePending, true);
    }
    // The first call after a quiet spell is posted; the ones after it wait for the poll timer
    // that the post starts. A full message queue refuses the post for a while.
    while (wake && !PostMessageW(FWindow.Get(), WM_THREAD_QUEUE, 0, 0)) {
        if (Terminated())
            return true;
        Sleep(10);
    }
    return true;
}

void TThread::RaiseQueuedCallError() {
    std::unique_lock lock(FLock);
    std::exception_ptr error = std::exchange(FQueuedCallError, nullptr);
    lock.unlock();
    if (error)
        std::rethrow_exception(error);
}

void TThread::PollQueuedCalls(bool posted) {
    if (posted)
        SetTimer(FWindow.Get(), QueuePollTimer, QueuePollMs, nullptr);
    {
        std::lock_guard lock(FLock);
        // A tick that finds nothing (or a pause) ends the polling; the worker's next call, or
        // Resume, posts again. Deciding this under the lock the worker queues under means no
        // call is left unseen.
        if (!posted && (FQueuedCalls.empty() || FPaused)) {
            FQueueWakePending = false;
            KillTimer(FWindow.Get(), QueuePollTimer);
            return;
        }
    }
    RunQueuedCalls();
}

void TThread::RunQueuedCalls() {
    std::unique_lock lock(FLock);
    // One call at a time, taken under the lock and run outside it: a call that opens a modal
    // loop may meet this message again, and the calls after it then run in order there. A
    // pause holds the rest back until Resume, so the UI sees the work stop where it paused.
    while (!FQueuedCalls.empty() && !FTerminated && !FPaused) {
        const std::function<void()> call = std::move(FQueuedCalls.front());
        FQueuedCalls.pop_front();
        lock.unlock();
        std::exception_ptr error;
        try {
            call();
        } catch (...) {
            error = std::current_exception();
        }
        lock.lock();
        if (error && !FQueuedCallError)
            FQueuedCallError = error;
    }
    if (FTerminated)
        FQueuedCalls.clear();
}

void TThread::CheckPaused() {
    std::unique_lock lock(FLock);
    FChanged.wait(lock, [&] { return !FPaused || FTerminated; });
}

void TThread::DeliverTermination() {
    RunQueuedCalls();
    {
        std::lock_guard lock(FLock);
        if (FTerminated || FTerminationDelivered || !FFinished || FPaused)
            return; // a pause holds the end back until Resume
        FTerminationDelivered = true;
        // A queued call's failure that the worker did not live to see ends it as a failure.
        if (FQueuedCallError && !FFatalException)
            FFatalException = std::exchange(FQueuedCallError, nullptr);
    }
    // The handler may delete this object: run a copy and touch nothing afterwards.
    const std::function<void()> handler = OnTerminate;
    if (handler)
        handler();
}

unsigned __stdcall TThread::ThreadEntry(void* self) {
    static_cast<TThread*>(self)->Run();
    return 0;
}

void TThread::Run() {
    try {
        if (!Terminated())
            Execute();
    } catch (...) {
        std::lock_guard lock(FLock);
        FFatalException = std::current_exception();
    }
    bool deliver = false;
    {
        std::lock_guard lock(FLock);
        FFinished = true;
        deliver = !FTerminated;
    }
    // The window outlives this thread: the destructor joins before destroying it.
    if (deliver)
        PostMessageW(FWindow.Get(), WM_THREAD_TERMINATED, 0, 0);
}

LRESULT CALLBACK TThread::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    try {
        if (message == WM_NCCREATE) {
            const auto* cs = reinterpret_cast<const CREATESTRUCTW*>(lParam);
            SetWindowLongPtrW(window, GWLP_USERDATA,
                              reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
        } else if (message == WM_NCDESTROY) {
            SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        } else if (auto* thread =
                       reinterpret_cast<TThread*>(GetWindowLongPtrW(window, GWLP_USERDATA))) {
            switch (message) {
            case WM_THREAD_QUEUE:
                thread->PollQueuedCalls(true);
                return 0;
            case WM_TIMER:
                if (wParam != QueuePollTimer)
                    break;
                thread->PollQueuedCalls(false);
                return 0;
            case WM_THREAD_TERMINATED:
                thread->DeliverTermination();
                return 0;
            default:
                break;
            }
        }
    } catch (...) {
        // Nothing may unwind into the system's message dispatch. A synchronised call's error
        // goes back to the worker; one from a termination handler has no one to go to.
        OutputDebugStringA("Tovane: an exception left a thread termination handler\n");
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace tovane
