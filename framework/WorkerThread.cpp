#include "framework/WorkerThread.h"

#include <utility>

namespace tovane {

TWorkerThread::TWorkerThread() : FThread([this] { Loop(); }) {
}

TWorkerThread::~TWorkerThread() {
    {
        std::lock_guard<std::mutex> lock(FLock);
        FStopping = true;
    }
    FChanged.notify_all();
    FThread.join();
}

void TWorkerThread::Start(std::function<void()> work) {
    {
        std::lock_guard<std::mutex> lock(FLock);
        FWork = std::move(work);
        FFailure = nullptr;
        FBusy = true;
    }
    FChanged.notify_all();
}

void TWorkerThread::Wait() {
    std::unique_lock<std::mutex> lock(FLock);
    FChanged.wait(lock, [this] { return !FBusy; });
    if (FFailure)
        std::rethrow_exception(std::exchange(FFailure, nullptr));
}

void TWorkerThread::Loop() {
    std::unique_lock<std::mutex> lock(FLock);
    for (;;) {
        FChanged.wait(lock, [this] { return FBusy || FStopping; });
        if (!FBusy)
            return;
        std::function<void()> work = std::move(FWork);
        lock.unlock();
        std::exception_ptr failure;
        try {
            work();
        } catch (...) {
            failure = std::current_exception();
        }
        lock.lock();
        FFailure = failure;
        FBusy = false;
        FChanged.notify_all();
    }
}

} // namespace tovane
