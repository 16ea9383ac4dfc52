// Local-memory blocks as the Susie interface hands them over: owned until released to the host,
// and locked for as long as a guard lives.
#pragma once

#include <windows.h>

#include <cstdint>
#include <utility>

namespace bundled {

// A local-memory block owned until it is handed to the host.
class LocalBlock {
public:
    LocalBlock() noexcept = default;
    explicit LocalBlock(HLOCAL h) noexcept : FHandle(h) {}
    LocalBlock(const LocalBlock&) = delete;
    LocalBlock& operator=(const LocalBlock&) = delete;
    LocalBlock(LocalBlock&& other) noexcept : FHandle(other.Release()) {}
    LocalBlock& operator=(LocalBlock&& other) noexcept {
        if (this != &other) {
            Reset();
            FHandle = other.Release();
        }
        return *this;
    }
    ~LocalBlock() { Reset(); }

    HLOCAL Get() const noexcept { return FHandle; }
    HLOCAL Release() noexcept { return std::exchange(FHandle, nullptr); }
    void Reset() noexcept {
        if (FHandle)
            LocalFree(FHandle);
        FHandle = nullptr;
    }

private:
    HLOCAL FHandle = nullptr;
};

// Keeps a moveable block locked for as long as it lives.
class LocalLockGuard {
public:
    explicit LocalLockGuard(HLOCAL h) noexcept : FHandle(h), FAddress(LocalLock(h)) {}
    LocalLockGuard(const LocalLockGuard&) = delete;
    LocalLockGuard& operator=(const LocalLockGuard&) = delete;
    ~LocalLockGuard() {
        if (FAddress)
            LocalUnlock(FHandle);
    }
    std::uint8_t* Address() const noexcept { return static_cast<std::uint8_t*>(FAddress); }

private:
    HLOCAL FHandle;
    void* FAddress;
};

} // namespace bundled
