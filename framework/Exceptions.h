// The program's exception hierarchy. Every error that reaches the user is one of these; the
// message is UTF-8 and is shown as it stands by the standard error report.
#pragma once

#include <stdexcept>
#include <string>

namespace tovane {

class Exception : public std::runtime_error {
public:
    explicit Exception(const std::string& messageUtf8) : std::runtime_error(messageUtf8) {}
    const std::string Message() const { return what(); }
};

// The silent abort: a handler raises it to stop an operation without an error report.
class EAbort : public Exception {
public:
    EAbort() : Exception("Operation aborted") {}
    explicit EAbort(const std::string& messageUtf8) : Exception(messageUtf8) {}
};

// A picture that no reader could make sense of.
class EInvalidGraphic : public Exception {
public:
    using Exception::Exception;
};

// An index outside a list's bounds.
class EListError : public Exception {
public:
    using Exception::Exception;
};

// Text that does not convert to the value asked for.
class EConvertError : public Exception {
public:
    using Exception::Exception;
};

// Raises EListError with the usual "List index out of bounds (%d)" message.
[[noreturn]] void ThrowListIndexError(long long index);

} // namespace tovane
