// Run-time exception classes: the root `Exception` with its message, and the run time's own
// failures (in/out errors with their error number, out of memory, conversion, list index ...).
#pragma once

#include <exception>
#include <string>

class Exception : public std::exception {
public:
    explicit Exception(std::string message) : Message(std::move(message)) {}
    ~Exception() override = default;

    const char* what() const noexcept override { return Message.c_str(); }

    std::string Message;
};

// File and device errors of the run time; ErrorCode holds the run time's error number (2 file not
// found, 5 access denied, 100 read beyond end of file ...).
class EInOutError : public Exception {
public:
    EInOutError(std::string message, int errorCode) : Exception(std::move(message)), ErrorCode(errorCode) {}
    int ErrorCode;
};

class EHeapException : public Exception {
public:
    using Exception::Exception;
};

class EOutOfMemory : public EHeapException {
public:
    EOutOfMemory() : EHeapException("Out of memory") {}
    using EHeapException::EHeapException;
};

class EConvertError : public Exception {
public:
    using Exception::Exception;
};

class EAbstractError : public Exception {
public:
    EAbstractError() : Exception("Abstract Error") {}
    using Exception::Exception;
};

class EListError : public Exception {
public:
    using Exception::Exception;
};

class EStringListError : public Exception {
public:
    using Exception::Exception;
};

// Stream failures: a short read or write, a file a stream could not open or create.
class EStreamError : public Exception {
public:
    using Exception::Exception;
};

class EReadError : public EStreamError {
public:
    EReadError() : EStreamError("Stream read error") {}
    using EStreamError::EStreamError;
};

class EWriteError : public EStreamError {
public:
    EWriteError() : EStreamError("Stream write error") {}
    using EStreamError::EStreamError;
};

class EFOpenError : public EStreamError {
public:
    using EStreamError::EStreamError;
};

class EFCreateError : public EStreamError {
public:
    using EStreamError::EStreamError;
};

class EOSError : public Exception {
public:
    EOSError(std::string message, int errorCode) : Exception(std::move(message)), ErrorCode(errorCode) {}
    int ErrorCode;
};

// Floating-point failures, as the processor reports them.
class EMathError : public Exception {
public:
    using Exception::Exception;
};

class EZeroDivide : public EMathError {
public:
    EZeroDivide() : EMathError("Floating point division by zero") {}
    using EMathError::EMathError;
};

class EInvalidOp : public EMathError {
public:
    EInvalidOp() : EMathError("Invalid floating point operation") {}
    using EMathError::EMathError;
};

class EOverflow : public EMathError {
public:
    EOverflow() : EMathError("Floating point overflow") {}
    using EMathError::EMathError;
};

class ERangeError : public Exception {
public:
    ERangeError() : Exception("Range check error") {}
    using Exception::Exception;
};

class EComponentError : public Exception {
public:
    using Exception::Exception;
};
