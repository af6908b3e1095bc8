#include "communications/VxExcept.h"

#include "communications/VxErrors.h"
#include "communications/VxStrMap.h"
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

// Windows-1252 bytes 0x80..0x9F that stand for characters beyond Latin-1.
constexpr char16_t Cp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

// Characters the code page lacks become '?', one per character.
std::string ToCodePage(const std::u16string& text) {
    std::string result;
    result.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        char byte = '?';
        if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
            byte = static_cast<char>(c);
        } else {
            for (int b = 0; b < 32; ++b) {
                if (Cp1252High[b] == c) {
                    byte = static_cast<char>(0x80 + b);
                    break;
                }
            }
            if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
                text[i + 1] <= 0xDFFF) {
                ++i;
            }
        }
        result += byte;
    }
    return result;
}

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
    : EVxStreamError(position, ToCodePage(reason)), reason_(std::move(reason)), line_(line),
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
