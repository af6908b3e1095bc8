// The library's exception classes; CheckException, which turns a negative result code into its
// exception at the component boundary; and the texts of codes.
#pragma once

#include "platform/rtl/Exceptions.h"

#include <concepts>
#include <exception>
#include <string>

class TComponent;

class EVEXException : public Exception {
public:
    // The message is the text of |code|; the code keeps its sign.
    explicit EVEXException(int code);
    // Code 0.
    explicit EVEXException(std::string message);

    int ErrorCode() const { return errorCode_; }

    // The number under which the text of code is found.
    static int MapCodeToStringID(int code);

private:
    int errorCode_;
};

// The families and their members; none adds anything to EVEXException.
#define VX_EXCEPTION(name, parent)                                                                           \
    class name : public parent {                                                                             \
    public:                                                                                                  \
        using parent::parent;                                                                                \
    };
#include "communications/VxMessages.def"

// Parse errors of the stream classes carry where they happened; their code is 0.
class EVxStreamError : public EXML {
public:
    EVxStreamError(int position, std::string text);

    int Position() const { return position_; }

private:
    int position_;
};

class EVxFilterError : public EVxStreamError {
public:
    // The message is the reason, in the 8-bit code page.
    EVxFilterError(int position, int line, int linePos, std::u16string reason);

    const std::u16string& Reason() const { return reason_; }
    int Line() const { return line_; }
    int LinePos() const { return linePos_; }

private:
    std::u16string reason_;
    int line_;
    int linePos_;
};

class EVxParserError : public EVxFilterError {
public:
    EVxParserError(int line, int linePos, std::u16string reason);
};

class EVexGSMPhoneException : public Exception {
public:
    EVexGSMPhoneException(int code, std::string message);

    int ErrorCode() const { return errorCode_; }

private:
    int errorCode_;
};

class EVexPagerException : public Exception {
public:
    EVexPagerException(int code, std::string message);

    int ErrorCode() const { return errorCode_; }

private:
    int errorCode_;
};

// A class of EVxTerminal or of one of its descendants, named by EVxTerminalClass::Of<EVxTermRangeError>().
// What is asked of it is to create one from a code and raise it.
class EVxTerminalClass {
public:
    template <std::derived_from<EVxTerminal> E> static constexpr EVxTerminalClass Of() {
        return EVxTerminalClass(&Create<E>);
    }

    [[noreturn]] void Raise(int code) const { std::rethrow_exception(create_(code)); }

    bool operator==(const EVxTerminalClass&) const = default;

private:
    using CreateFunction = std::exception_ptr (*)(int code);

    constexpr explicit EVxTerminalClass(CreateFunction create) : create_(create) {}

    template <typename E> static std::exception_ptr Create(int code) {
        return std::make_exception_ptr(E(code));
    }

    CreateFunction create_;
};

// Belongs with the terminal buffer; here until that unit exists.
[[noreturn]] void RaiseTerminalException(EVxTerminalClass cls, int code);

// The table text of |code|, else the cleaned system text for message number |code|, else empty.
std::string VexoLoadStr(int code);
std::string ErrorMsg(int code);
// Copies VexoLoadStr(code) into dest, which holds at least 256 characters, and returns dest.
char* VexoLoadZ(char* dest, int code);

// A system message as VexoLoadStr gives it: at most 255 characters, control characters (the final
// line break too) turned into blanks and every run of blanks cut to one.
std::string CleanSystemMessage(std::string text);

// The code a caught exception stands for: its own code for EVEXException, minus the error number for
// EInOutError, -8 when out of memory, otherwise -9999.
int XlatException(const std::exception& e);

// Returns code when it is not negative or while component is being loaded; otherwise raises the
// exception that belongs to code.
int CheckException(TComponent* component, int code);
