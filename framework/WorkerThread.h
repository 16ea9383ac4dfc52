// A thread kept for work handed to it one piece at a time, so that work split between two threads
// does not pay for starting one each time (a thread takes about 4 ms to start under Wine).
// Portable.
#pragma once

#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

namespace tovane {

class TWorkerThread {
public:
    TWorkerThread();
    // Finishes the piece in hand, then ends the thread.
    ~TWorkerThread();
    TWorkerThread(const TWorkerThread&) = delete;
    TWorkerThread& operator=(const TWorkerThread&) = delete;

    // Runs work on the thread; one piece at a time: each Start is followed by a Wait.
    void Start(std::function<void()> work);
    // Waits for the piece started last and raises what it raised.
    void Wait();

private:
    void Loop();

    std::mutex FLock;
    std::condition_variable FChanged;
    std::function<void()> FWork;
    bool FBusy = false;
    bool FStopping = false;
    std::exception_ptr FFailure;
    std::thread FThread; // last: it starts once the members above exist
};

} // namespace tovane
