// The run time's Format: "%[index:][-][width][.prec]type" over a list of typed arguments.
//
//   Format("%-8s|%5.2f|%x", {"abc", 3.14159, 255})  ->  "abc     | 3.14|FF"
//
// Types: d u (integers), e f g n m (floating point), p (pointer), s (string or character),
// x (upper-case hex), "%%" for a percent sign; "*" takes a width, precision or index from the
// arguments. An argument of the wrong type, a missing argument or a malformed specifier raises
// EConvertError "Format '<fmt>' invalid or incompatible with argument".
#pragma once

#include "platform/rtl/FormatSettings.h"

#include <concepts>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <type_traits>

class TVarRec {
public:
    enum TVType { vtInteger, vtBoolean, vtChar, vtExtended, vtPointer, vtPChar, vtAnsiString, vtInt64 };

    // Signed values up to 32 bits are vtInteger; unsigned 32-bit and all 64-bit values are vtInt64,
    // so that an unsigned value keeps its magnitude.
    template <std::integral T>
    requires(!std::is_same_v<T, bool> && !std::is_same_v<T, char>) TVarRec(T value) {
        if constexpr (sizeof(T) < 4 || (sizeof(T) == 4 && std::is_signed_v<T>)) {
            VType = vtInteger;
            VInteger = static_cast<std::int32_t>(value);
        } else {
            VType = vtInt64;
            VInt64 = static_cast<std::int64_t>(value);
        }
    }
    TVarRec(bool value) : VType(vtBoolean), VBoolean(value) {}
    TVarRec(char value) : VType(vtChar), VChar(value) {}
    template <std::floating_point T>
    TVarRec(T value) : VType(vtExtended), VExtended(static_cast<double>(value)) {}
    TVarRec(const char* value) : VType(vtPChar), VPChar(value) {}
    TVarRec(const std::string& value) : VType(vtAnsiString), VAnsiString(value) {}
    template <typename T>
    requires(!std::is_same_v<std::remove_cv_t<T>, char>) TVarRec(T* value)
        : VType(vtPointer), VPointer(const_cast<const void*>(static_cast<const volatile void*>(value))) {}
    TVarRec(std::nullptr_t) : VType(vtPointer) {}

    TVType VType;
    union {
        std::int32_t VInteger;
        bool VBoolean;
        char VChar;
        double VExtended;
        const void* VPointer = nullptr;
        const char* VPChar;
        std::int64_t VInt64;
    };
    std::string VAnsiString;
};

std::string Format(const std::string& fmt, std::span<const TVarRec> args);

inline std::string Format(const std::string& fmt, std::initializer_list<TVarRec> args) {
    return Format(fmt, std::span<const TVarRec>(args.begin(), args.size()));
}

// --- Floating point ------------------------------------------------------------------------------

// ffGeneral: the shorter of fixed and scientific notation, `digits` the least exponent digits;
// ffExponent: d.dddE+dd; ffFixed: `digits` decimals; ffNumber: ffFixed with thousands separated.
// `precision` counts significant digits (1..18); a fixed or number value with more integer digits
// than that comes out in general notation.
enum TFloatFormat { ffGeneral, ffExponent, ffFixed, ffNumber };

std::string FloatToStrF(double value, TFloatFormat format, int precision, int digits);
std::string FloatToStrF(double value, TFloatFormat format, int precision, int digits,
                        const TFormatSettings& settings);
// General notation with 15 significant digits: 1.5, 100, 1E-5.
std::string FloatToStr(double value);
std::string FloatToStr(double value, const TFormatSettings& settings);
// Blanks around the number are allowed, thousands separators are not. Failures raise EConvertError
// "'<s>' is not a valid floating point value".
double StrToFloat(const std::string& s);
double StrToFloat(const std::string& s, const TFormatSettings& settings);
double StrToFloatDef(const std::string& s, double defaultValue);
bool TryStrToFloat(const std::string& s, double& value);
bool TryStrToFloat(const std::string& s, double& value, const TFormatSettings& settings);
