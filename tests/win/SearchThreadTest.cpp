#include "framework/win32/Thread.h"

#include "SearchWinTestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <stdexcept>
#include <vector>

using namespace tovane;
using searchtest::PumpFor;
using searchtest::PumpUntil;

namespace {

// A worker whose body is given by the test; it can reach the protected services.
class TestThread : public TThread {
public:
    std::function<void(TestThread&)> Body;
    ~TestThread() override { StopAndWait(); }
    bool Post(std::function<void()> call) { return Queue(std::move(call)); }
    void Pause() { CheckPaused(); }

protected:
    void Execute() override {
        if (Body)
            Body(*this);
    }
};

// A real system modal loop: an empty dialog that closes itself once done() holds.
struct ModalLoop {
    std::function<bool()> done;
    static INT_PTR CALLBACK Proc(HWND dlg, UINT msg, WPARAM, LPARAM lParam) {
        if (msg == WM_INITDIALOG) {
            SetWindowLongPtrW(dlg, DWLP_USER, lParam);
            SetTimer(dlg, 1, 10, nullptr);
            return TRUE;
        }
        if (msg == WM_TIMER) {
            auto* self = reinterpret_cast<ModalLoop*>(GetWindowLongPtrW(dlg, DWLP_USER));
            if (self->done())
                EndDialog(dlg, 1);
            return TRUE;
        }
        return FALSE;
    }
    INT_PTR Run() {
        alignas(4) WORD buffer[32] = {};
        auto* t = reinterpret_cast<DLGTEMPLATE*>(buffer);
        t->style = WS_POPUP | WS_CAPTION;
        t->cx = 50;
        t->cy = 20; // no menu, default class and an empty title follow as zero words
        return DialogBoxIndirectParamW(GetModuleHandleW(nullptr), t, nullptr, &ModalLoop::Proc,
                                       reinterpret_cast<LPARAM>(this));
    }
};

} // namespace

TEST(SearchThread, CallsAndTerminationRunOnTheUiThreadInAModalLoop) {
    const DWORD ui = GetCurrentThreadId();
    std::vector<int> order;
    std::vector<DWORD> callThreads;
    std::atomic<DWORD> workerThread{0};
    std::atomic<int> acknowledged{0};
    DWORD terminateThread = 0;
    bool terminated = false;

    auto thread = std::make_unique<TestThread>();
    thread->Body = [&](TestThread& self) {
        workerThread = GetCurrentThreadId();
        for (int i = 0; i < 50; ++i) {
            if (self.Post([&, i] {
                    order.push_back(i);
                    callThreads.push_back(GetCurrentThreadId());
                }))
                ++acknowledged;
        }
    };
    thread->OnTerminate = [&] {
        terminateThread = GetCurrentThreadId();
        terminated = true;
    };
    EXPECT_TRUE(thread->Suspended());
    thread->SetPriority(ThreadPriority::Lowest);
    thread->Resume();

    ModalLoop loop{[&] { return terminated; }};
    ASSERT_EQ(loop.Run(), 1);
    ASSERT_EQ(order.size(), 50u);
    for (int i = 0; i < 50; ++i)
        EXPECT_EQ(order[i], i);
    for (DWORD id : callThreads)
        EXPECT_EQ(id, ui);
    EXPECT_NE(workerThread.load(), ui);
    EXPECT_EQ(acknowledged.load(), 50);
    EXPECT_EQ(terminateThread, ui);
    EXPECT_TRUE(thread->Finished());
    EXPECT_FALSE(thread->FatalException());
}

namespace {

const wchar_t BoxCaption[] = L"tovane-sync-test";
std::function<bool()>* BoxDone = nullptr; // read by the timer callback below

void CALLBACK CloseBoxWhenDone(HWND, UINT, UINT_PTR, DWORD) {
    if (BoxDone && (*BoxDone)()) {
        if (HWND box = FindWindowW(nullptr, BoxCaption))
            PostMessageW(box, WM_COMMAND, IDOK, 0);
    }
}

} // namespace

TEST(SearchThread, AMessageBoxServesCalls) {
    int calls = 0, callsWhileBoxOpen = 0;
    bool terminated = false;
    TestThread thread;
    thread.Body = [&](TestThread& self) {
        // Start only once the box is up, so that its own loop must serve every call.
        while (!FindWindowW(nullptr, BoxCaption))
            Sleep(5);
        for (int i = 0; i < 20; ++i)
            self.Post([&] {
                ++calls;
                if (FindWindowW(nullptr, BoxCaption))
                    ++callsWhileBoxOpen;
            });
    };
    thread.OnTerminate = [&] { terminated = true; };
    std::function<bool()> done = [&] { return terminated; };
    BoxDone = &done;
    const UINT_PTR timer = SetTimer(nullptr, 0, 20, &CloseBoxWhenDone);
    thread.Resume();
    MessageBoxW(nullptr, L"queued calls are served here", BoxCaption, MB_OK);
    KillTimer(nullptr, timer);
    BoxDone = nullptr;
    EXPECT_TRUE(terminated);
    EXPECT_EQ(calls, 20);
    EXPECT_EQ(callsWhileBoxOpen, 20);
}

TEST(SearchThread, ANestedMessageLoopServesCalls) {
    int calls = 0;
    bool terminated = false;
    TestThread thread;
    thread.Body = [&](TestThread& self) {
        for (int i = 0; i < 20; ++i)
            self.Post([&] { ++calls; });
    };
    thread.OnTerminate = [&] { terminated = true; };
    thread.Resume();
    // A hand-written nested loop, as a modal window would run one.
    MSG msg;
    while (!terminated && GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    EXPECT_EQ(calls, 20);
}

TEST(SearchThread, WaitForDeliversQueuedCallsWithoutAMessageLoop) {
    int calls = 0;
    bool terminated = false;
    TestThread thread;
    thread.Body = [&](TestThread& self) {
        for (int i = 0; i < 10; ++i)
            self.Post([&] { ++calls; });
    };
    thread.OnTerminate = [&] { terminated = true; };
    thread.Resume();
    thread.WaitFor();
    EXPECT_EQ(calls, 10);
    EXPECT_TRUE(thread.Finished());
    // The termination handler still comes through the message loop afterwards.
    EXPECT_TRUE(PumpUntil([&] { return terminated; }));
}

TEST(SearchThread, AStopDropsTheCallsNotYetRunAndRefusesMore) {
    std::atomic<bool> entered{false};
    std::atomic<int> result{-1};
    bool ran = false;
    bool terminated = false;
    TestThread thread;
    thread.Body = [&](TestThread& self) {
        self.Post([&] { ran = true; });
        entered = true;
        while (!self.Terminated())
            Sleep(1);
        // Nothing is delivered after the stop, however often it is asked.
        result = self.Post([&] { ran = true; }) ? 1 : 0;
    };
    thread.OnTerminate = [&] { terminated = true; };
    thread.Resume();
    while (!entered)
        Sleep(1); // the call is now posted and waiting; this thread does not pump
    thread.Terminate();
    thread.WaitFor(); // would run the call if the stop had not dropped it
    EXPECT_EQ(result.load(), 0);
    PumpFor(100); // the stale posted message finds nothing to run
    EXPECT_FALSE(ran);
    EXPECT_FALSE(terminated);
    EXPECT_TRUE(thread.Terminated());
}

TEST(SearchThread, SuspendAndResumeLoseNothing) {
    std::vector<int> seen;
    bool terminated = false;
    TestThread thread;
    thread.Body = [&](TestThread& self) {
        for (int i = 0; i < 400; ++i) {
            self.Pause();
            self.Post([&, i] {
                seen.push_back(i);
                // Suspended from inside a call, as a key press handled between two calls
                // would be: the worker must stop right after this call.
                if (i == 99)
                    thread.Suspend();
            });
        }
    };
    thread.OnTerminate = [&] { terminated = true; };
    thread.Resume();
    ASSERT_TRUE(PumpUntil([&] { return thread.Suspended(); }));
    PumpFor(200);
    EXPECT_EQ(seen.size(), 100u);
    EXPECT_FALSE(terminated);
    thread.Resume();
    ASSERT_TRUE(PumpUntil([&] { return terminated; }));
    ASSERT_EQ(seen.size(), 400u);
    for (int i = 0; i < 400; ++i)
        EXPECT_EQ(seen[i], i);
}

TEST(SearchThread, DestroyingASuspendedThreadDeliversNothing) {
    int calls = 0;
    bool terminated = false;
    auto thread = std::make_unique<TestThread>();
    thread->Body = [&](TestThread& self) {
        for (;;) {
            self.Pause();
            if (!self.Post([&] { ++calls; }))
                return;
            Sleep(1);
        }
    };
    thread->OnTerminate = [&] { terminated = true; };
    thread->Resume();
    ASSERT_TRUE(PumpUntil([&] { return calls >= 10; }));
    thread->Suspend();
    PumpFor(50);
    const int atPause = calls;
    thread.reset(); // stops, releases the pause, joins
    PumpFor(100);
    EXPECT_EQ(calls, atPause);
    EXPECT_FALSE(terminated);
}

TEST(SearchThread, ABoundedWaitGivesUpOnAWorkerBlockedInTheSystem) {
    // The worker ignores the stop request while it waits, as one inside a system call does.
    const HANDLE entered = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    const HANDLE release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    bool queuedRan = false;
    TestThread thread;
    thread.Body = [&](TestThread& self) {
        self.Post([&] { queuedRan = true; });
        SetEvent(entered);
        WaitForSingleObject(release, INFINITE);
    };
    thread.Resume();
    ASSERT_EQ(WaitForSingleObject(entered, 10000), WAIT_OBJECT_0);
    thread.Terminate();
    EXPECT_FALSE(thread.WaitFor(200));
    EXPECT_FALSE(thread.Finished());
    SetEvent(release);
    EXPECT_TRUE(thread.WaitFor(10000));
    EXPECT_TRUE(thread.Finished());
    EXPECT_FALSE(queuedRan) << "a stopped thread delivers nothing";
    CloseHandle(release);
    CloseHandle(entered);
}

TEST(SearchThread, ANeverStartedThreadNeverRuns) {
    bool ran = false;
    {
        TestThread thread;
        thread.Body = [&](TestThread&) { ran = true; };
    }
    EXPECT_FALSE(ran);
}

TEST(SearchThread, AnErrorLeavingTheBodyIsCaught) {
    bool terminated = false;
    TestThread thread;
    thread.Body = [&](TestThread&) { throw std::runtime_error("in body"); };
    thread.OnTerminate = [&] { terminated = true; };
    thread.Resume();
    ASSERT_TRUE(PumpUntil([&] { return terminated; }));
    ASSERT_TRUE(thread.FatalException());
    EXPECT_THROW(std::rethrow_exception(thread.FatalException()), std::runtime_error);
}

TEST(SearchThread, TheOwnerMayDeleteTheThreadInItsTerminationHandler) {
    auto thread = std::make_unique<TestThread>();
    bool deleted = false;
    thread->Body = [](TestThread& self) { self.Post([] {}); };
    thread->OnTerminate = [&] {
        thread.reset();
        deleted = true;
    };
    thread->Resume();
    ASSERT_TRUE(PumpUntil([&] { return deleted; }));
    EXPECT_FALSE(thread);
}

TEST(SearchThread, QueuedCallsRunInOrderBeforeTheEnd) {
    const DWORD ui = GetCurrentThreadId();
    std::vector<int> order;
    bool offThread = false;
    bool terminated = false;
    int seenAtEnd = -1;
    TestThread thread;
    thread.Body = [&](TestThread& self) {
        for (int i = 0; i < 300; ++i) {
            self.Post([&, i] {
                offThread |= GetCurrentThreadId() != ui;
                order.push_back(i);
            });
            if (i % 50 == 49)
                Sleep(20); // a quiet spell between bursts
        }
    };
    thread.OnTerminate = [&] {
        terminated = true;
        seenAtEnd = static_cast<int>(order.size());
    };
    thread.Resume();
    ASSERT_TRUE(PumpUntil([&] { return terminated; }));
    std::vector<int> expected(300);
    for (int i = 0; i < 300; ++i)
        expected[i] = i;
    EXPECT_EQ(order, expected);
    EXPECT_EQ(seenAtEnd, 300);
    EXPECT_FALSE(offThread);
}

TEST(SearchThread, ACallQueuedAfterAQuietSpellStillArrives) {
    std::atomic<int> delivered{0};
    TestThread thread;
    thread.Body = [&](TestThread& self) {
        self.Post([&] { ++delivered; });
        while (delivered == 0 && !self.Terminated())
            Sleep(1);
        Sleep(120); // long enough for the UI thread to stop looking for more
        self.Post([&] { ++delivered; });
        // The end would deliver it anyway: it must come well before.
        for (int waited = 0; waited < 3000 && delivered < 2 && !self.Terminated(); ++waited)
            Sleep(1);
    };
    thread.Resume();
    ASSERT_TRUE(PumpUntil([&] { return delivered == 2; }, 2000));
}

TEST(SearchThread, APauseHoldsQueuedCallsBackAndAStopDropsThem) {
    std::vector<int> order;
    std::atomic<bool> queued{false};
    bool terminated = false;
    {
        TestThread thread;
        thread.Body = [&](TestThread& self) {
            for (int i = 0; i < 20; ++i)
                self.Post([&, i] { order.push_back(i); });
            queued = true;
            while (!self.Suspended())
                Sleep(1);
            self.Post([&] { order.push_back(20); }); // waits for the pause to end
        };
        thread.OnTerminate = [&] { terminated = true; };
        thread.Resume();
        // The UI thread serves nothing until the worker has queued and is paused.
        while (!queued)
            Sleep(1);
        thread.Suspend();
        PumpFor(150);
        EXPECT_TRUE(order.empty());
        thread.Resume();
        ASSERT_TRUE(PumpUntil([&] { return terminated; }));
        ASSERT_EQ(order.size(), 21u);
        for (int i = 0; i < 21; ++i)
            EXPECT_EQ(order[i], i);
    }

    order.clear();
    queued = false;
    terminated = false;
    auto thread = std::make_unique<TestThread>();
    thread->Body = [&](TestThread& self) {
        for (int i = 0; i < 20; ++i)
            self.Post([&, i] { order.push_back(i); });
        queued = true;
    };
    thread->OnTerminate = [&] { terminated = true; };
    thread->Resume();
    while (!queued)
        Sleep(1);
    thread.reset(); // a stop: what is still queued is dropped
    PumpFor(150);
    EXPECT_TRUE(order.empty());
    EXPECT_FALSE(terminated);
}

TEST(SearchThread, AQueuedCallsErrorReachesTheWorkerOrEndsIt) {
    std::atomic<bool> sawError{false};
    bool terminated = false;
    TestThread thread;
    std::atomic<bool> thrown{false};
    thread.Body = [&](TestThread& self) {
        self.Post([&] {
            thrown = true;
            throw std::runtime_error("in a queued call");
        });
        // The error is raised at the first Queue after the call has run.
        for (int k = 0; k < 5000 && !sawError && !self.Terminated(); ++k) {
            try {
                if (thrown)
                    self.Post([] {});
            } catch (const std::runtime_error&) {
                sawError = true;
            }
            Sleep(1);
        }
        self.Post([] { throw std::logic_error("after the worker's last look"); });
    };
    thread.OnTerminate = [&] { terminated = true; };
    thread.Resume();
    ASSERT_TRUE(PumpUntil([&] { return terminated; }));
    EXPECT_TRUE(sawError);
    ASSERT_TRUE(thread.FatalException());
    EXPECT_THROW(std::rethrow_exception(thread.FatalException()), std::logic_error);
}
