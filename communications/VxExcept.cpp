#include "communications/VxExcept.h"

#include "communications/VxErrors.h"
#include "communications/VxStrMap.h"
#include "platform/rtl/Win1252.h"
#include "platform/ui/Classes.h"

#include <cstdint>
#include <cstring>
#include <new>
#include <utility>

namespace {

constexpr int ExceptionClassesCount() {
    int n = 0;
#define VX_EXCEPTION(name, parent) ++n;
#include "communications/VxMessages.def"
    return n;
}

constexpr int RaisedCodesCount() {
    int n = 0;
#define VX_RAISES(code, name) ++n;
#include "communications/VxMessages.def"
    return n;
}

// With EVEXException, the three stream classes and the two phone and pager classes: 198.
static_assert(ExceptionClassesCount() == 192);
static_assert(RaisedCodesCount() == 166);


// The system's text for a message number. Linux keeps no table for these numbers, and strerror's
// numbering is a different one.
std::string SystemMessage(int) {
    return {};
}

} // namespace

EVEXException::EVEXException(int code) : Exception(VexoLoadStr(code)), errorCode_(code) {}

EVEXException::EVEXException(std::string message) : Exception(std::move(message)), errorCode_(0) {}

int EVEXException::MapCodeToStringID(int code) {
    // Widened first: -INT_MIN does not fit an int.
    const std::int64_t wide = code;
    return static_cast<int>(wide < 0 ? -wide : wide);
}

EVxStreamError::EVxStreamError(int position, std::string text) : EXML(std::move(text)), position_(position) {}

EVxFilterError::EVxFilterError(int position, int line, int linePos, std::u16string reason)
    : EVxStreamError(position, Utf16ToWin1252(reason)), reason_(std::move(reason)), line_(line),
      linePos_(linePos) {}

EVxParserError::EVxParserError(int line, int linePos, std::u16string reason)
    : EVxFilterError(0, line, linePos, std::move(reason)) {}

EVexGSMPhoneException::EVexGSMPhoneException(int code, std::string message)
    : Exception(std::move(message)), errorCode_(code) {}

EVexPagerException::EVexPagerException(int code, std::string message)
    : Exception(std::move(message)), errorCode_(code) {}

void RaiseTerminalException(EVxTerminalClass cls, int code) {
    cls.Raise(code);
}

std::string CleanSystemMessage(std::string text) {
    if (text.size() > 255) text.resize(255);
    std::string result;
    result.reserve(text.size());
    for (const char ch : text) {
        // Bytes above 127 are text in the 8-bit code page, not control characters.
        const char c = static_cast<unsigned char>(ch) < 32 ? ' ' : ch;
        if (c == ' ' && !result.empty() && result.back() == ' ') continue;
        result += c;
    }
    return result;
}

std::string VexoLoadStr(int code) {
    std::string text = MessageNumberToString(code);
    if (text.empty()) {
        text = CleanSystemMessage(SystemMessage(EVEXException::MapCodeToStringID(code)));
    }
    return text;
}

std::string ErrorMsg(int code) {
    return VexoLoadStr(code);
}

char* VexoLoadZ(char* dest, int code) {
    if (dest == nullptr) return dest;
    const std::string text = VexoLoadStr(code);
    const std::size_t n = text.size() < 255 ? text.size() : 255;
    std::memcpy(dest, text.data(), n);
    dest[n] = '\0';
    return dest;
}

int XlatException(const std::exception& e) {
    if (const auto* vex = dynamic_cast<const EVEXException*>(&e)) return vex->ErrorCode();
    if (const auto* io = dynamic_cast<const EInOutError*>(&e)) return -io->ErrorCode;
    if (dynamic_cast<const EOutOfMemory*>(&e) != nullptr ||
        dynamic_cast<const std::bad_alloc*>(&e) != nullptr) {
        return ecOutOfMemory;
    }
    return -9999;
}

int CheckException(TComponent* component, int code) {
    if (code >= 0) return code;
    // No component is taken as one that is not loading: the code still raises.
    if (component != nullptr && component->ComponentState().Contains(TComponentStateItem::csLoading)) {
        return code;
    }
    switch (code) {
#define VX_RAISES(code, name)                                                                                \
    case code:                                                                                               \
        throw name(code);
#include "communications/VxMessages.def"
    default:
        break;
    }
    if (code >= -162 && code <= -2) {
        std::string message = VexoLoadStr(code);
        if (code == ecOutOfMemory) throw EOutOfMemory(std::move(message));
        throw EInOutError(std::move(message), -code);
    }
    throw EVEXException(std::string("Vexo exception"));
}
