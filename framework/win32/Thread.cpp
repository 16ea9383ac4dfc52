#include "framework/win32/Thread.h"

#include "framework/Exceptions.h"

#include <process.h>

#include <utility>

namespace tovane {

namespace {

const wchar_t SyncWindowClass[] = L"TovaneThreadSync";
constexpr UINT WM_THREAD_SYNC = WM_APP + 0x5A1;
constexpr UINT WM_THREAD_TERMINATED = WM_APP + 0x5A2;

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
    FCallRequested.Reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    if (!FCallRequested)
        throw Exception("Cannot create the thread synchronisation event");
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
    bool start = false;
    {
        std::lock_guard lock(FLock);
        FPaused = false;
        start = !FStarted;
        FStarted = true;
    }
    FChanged.notify_all();
    if (start)
        ResumeThread(FHandle.Get());
}

void TThread::Suspend() {
    std::lock_guard lock(FLock);
    if (!FFinished)
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
    {
        std::lock_guard lock(FLock);
        if (!FStarted)
            return; // never resumed: there is nothing to wait for
    }
    HANDLE handles[2] = {FHandle.Get(), FCallRequested.Get()};
    for (;;) {
        const DWORD r = WaitForMultipleObjects(2, handles, FALSE, INFINITE);
        if (r == WAIT_OBJECT_0 + 1) {
            RunPendingCall();
            continue;
        }
        break; // the worker ended (or the wait itself failed: nothing left to wait on)
    }
}

bool TThread::Synchronize(const std::function<void()>& call) {
    CheckPaused();
    std::unique_lock lock(FLock);
    if (FTerminated)
        return false;
    FPendingCall = &call;
    FCallState = CallState::Pending;
    FCallError = nullptr;
    lock.unlock();

    SetEvent(FCallRequested.Get());
    // A full message queue refuses the post for a while; WaitFor may serve the call meanwhile.
    while (!PostMessageW(FWindow.Get(), WM_THREAD_SYNC, 0, 0)) {
        lock.lock();
        const bool settled = FCallState != CallState::Pending || FTerminated;
        lock.unlock();
        if (settled)
            break;
        Sleep(10);
    }

    lock.lock();
    // A call that the UI thread has begun is waited for even after a stop request: it uses
    // this thread's data. One still pending is withdrawn.
    FChanged.wait(lock, [&] {
        return FCallState == CallState::Done || (FCallState == CallState::Pending && FTerminated);
    });
    const bool ran = FCallState == CallState::Done;
    FCallState = CallState::None;
    FPendingCall = nullptr;
    std::exception_ptr error = std::exchange(FCallError, nullptr);
    lock.unlock();

    if (error)
        std::rethrow_exception(error);
    if (ran)
        CheckPaused();
    return ran;
}

void TThread::CheckPaused() {
    std::unique_lock lock(FLock);
    FChanged.wait(lock, [&] { return !FPaused || FTerminated; });
}

void TThread::RunPendingCall() {
    std::unique_lock lock(FLock);
    // Stale messages (a call already run, withdrawn, or running further up this stack) find
    // nothing to do.
    if (FCallState != CallState::Pending || FTerminated)
        return;
    FCallState = CallState::Running;
    const std::function<void()>* call = FPendingCall;
    lock.unlock();

    std::exception_ptr error;
    try {
        (*call)();
    } catch (...) {
        error = std::current_exception();
    }

    lock.lock();
    FCallError = error;
    FCallState = CallState::Done;
    lock.unlock();
    FChanged.notify_all();
}

void TThread::DeliverTermination() {
    {
        std::lock_guard lock(FLock);
        if (FTerminated || FTerminationDelivered || !FFinished)
            return;
        FTerminationDelivered = true;
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
        FPaused = false;
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
        } else if (message == WM_THREAD_SYNC || message == WM_THREAD_TERMINATED) {
            auto* thread = reinterpret_cast<TThread*>(GetWindowLongPtrW(window, GWLP_USERDATA));
            if (thread && message == WM_THREAD_SYNC)
                thread->RunPendingCall();
            else if (thread)
                thread->DeliverTermination();
            return 0;
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
