// Local-memory blocks as the Susie interface hands them over: owned until released to the host,
// and locked for as long as a guard lives. The program's own owners (framework/win32/Handles.h),
// which need nothing of the program.
#pragma once

#include "framework/win32/Handles.h"

#include <cstdint>

namespace bundled {

// A local-memory block owned until it is handed to the host (Release).
using LocalBlock = tovane::UniqueLocal;

// Keeps a block locked for as long as it lives; its bytes as bytes.
class LocalLockGuard : public tovane::TLocalLock {
public:
    using TLocalLock::TLocalLock;
    std::uint8_t* Address() const noexcept {
        return static_cast<std::uint8_t*>(TLocalLock::Address());
    }
};

} // namespace bundled
