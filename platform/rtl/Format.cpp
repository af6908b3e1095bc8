#include "platform/rtl/Format.h"

#include "platform/rtl/Exceptions.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// Widths and precisions beyond this are clipped, so that a stray format cannot ask for gigabytes.
constexpr int maxFieldSize = 1 << 20;

// The run time carries 18 significant digits at most.
constexpr int maxDigits = 18;

const char hexDigits[] = "0123456789ABCDEF";

std::string Hex(std::uint64_t v) {
    std::string r;
    do {
        r.insert(r.begin(), hexDigits[v & 15]);
        v >>= 4;
    } while (v != 0);
    return r;
}

std::string Unsigned(std::uint64_t v) {
    std::string r;
    do {
        r.insert(r.begin(), static_cast<char>('0' + v % 10));
        v /= 10;
    } while (v != 0);
    return r;
}

// Pads the digits (after any minus sign) with zeros to at least minDigits.
std::string ZeroPad(std::string text, int minDigits) {
    const std::size_t start = (!text.empty() && text[0] == '-') ? 1 : 0;
    const int digits = static_cast<int>(text.size() - start);
    if (digits < minDigits) text.insert(start, static_cast<std::size_t>(minDigits - digits), '0');
    return text;
}

bool NotFinite(double v, std::string& text) {
    if (std::isnan(v)) {
        text = "NAN";
        return true;
    }
    if (std::isinf(v)) {
        text = v < 0 ? "-INF" : "INF";
        return true;
    }
    return false;
}

// |v| as the run time holds it for formatting: 18 significant digits d1 d2 ... and the position of
// the decimal point, |v| = 0.d1d2... x 10^point. Trailing zeros are dropped; zero has no digits.
struct Decimal {
    std::string digits;
    int point = 0;

    char At(int i) const {
        return i >= 0 && i < static_cast<int>(digits.size()) ? digits[static_cast<std::size_t>(i)] : '0';
    }
    bool Zero() const { return digits.empty(); }
};

void Normalize(Decimal& d) {
    while (!d.digits.empty() && d.digits.back() == '0') d.digits.pop_back();
    if (d.digits.empty()) d.point = 0;
}

Decimal ToDecimal(double v) {
    Decimal d;
    if (v == 0) return d;
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*e", maxDigits - 1, std::fabs(v));
    char* e = std::strchr(buf, 'e');
    d.point = std::atoi(e + 1) + 1;
    *e = '\0';
    for (const char* p = buf; *p; ++p)
        if (*p != '.') d.digits += *p;
    Normalize(d);
    return d;
}

// Keeps `keep` digits, rounding half away from zero on the next one: the run time rounds the decimal
// digits, not the binary value (0.125 to two decimals is 0.13).
void RoundTo(Decimal& d, int keep) {
    if (keep >= static_cast<int>(d.digits.size())) return;
    if (keep < 0) {
        d.digits.clear();
        d.point = 0;
        return;
    }
    const bool up = d.digits[static_cast<std::size_t>(keep)] >= '5';
    d.digits.resize(static_cast<std::size_t>(keep));
    if (up) {
        int i = keep - 1;
        while (i >= 0 && d.digits[static_cast<std::size_t>(i)] == '9')
            d.digits[static_cast<std::size_t>(i--)] = '0';
        if (i >= 0) {
            ++d.digits[static_cast<std::size_t>(i)];
        } else {
            d.digits.insert(0, "1");
            ++d.point;
        }
    }
    Normalize(d);
}

std::string Exponent(int exponent, bool plusSign, int minDigits) {
    std::string r = "E";
    if (exponent < 0)
        r += '-';
    else if (plusSign)
        r += '+';
    std::string n = std::to_string(std::abs(exponent));
    if (static_cast<int>(n.size()) < minDigits)
        n.insert(0, static_cast<std::size_t>(minDigits) - n.size(), '0');
    return r + n;
}

// d.ddddE+ddd with `precision` significant digits and at least `expDigits` exponent digits.
std::string FormatExponent(double v, int precision, int expDigits, char decimalSeparator) {
    std::string text;
    if (NotFinite(v, text)) return text;
    precision = std::clamp(precision, 1, maxDigits);
    Decimal d = ToDecimal(v);
    RoundTo(d, precision);
    if (v < 0 && !d.Zero()) text = "-";
    text += d.At(0);
    if (precision > 1) text += decimalSeparator;
    for (int i = 1; i < precision; ++i) text += d.At(i);
    return text + Exponent(d.Zero() ? 0 : d.point - 1, true, expDigits);
}

// Fixed notation with `decimals` decimals, at most `precision` significant digits (the rest
// zeros), with thousands separated by `thousandSeparator` unless it is '\0'.
std::string FormatFixed(double v, int decimals, int precision, char thousandSeparator,
                        char decimalSeparator) {
    std::string text;
    if (NotFinite(v, text)) return text;
    decimals = std::clamp(decimals, 0, maxDigits);
    Decimal d = ToDecimal(v);
    // To the precision first, so that binary noise below it does not decide the last decimal.
    RoundTo(d, precision);
    RoundTo(d, d.point + decimals);
    std::string body;
    for (int i = 0; i < d.point; ++i) body += d.At(i);
    if (body.empty()) body = "0";
    if (thousandSeparator != '\0')
        for (std::size_t i = body.size(); i > 3; i -= 3) body.insert(i - 3, 1, thousandSeparator);
    if (decimals > 0) body += decimalSeparator;
    for (int i = d.point; i < d.point + decimals; ++i) body += d.At(i);
    if (v < 0 && !d.Zero()) text = "-";
    return text + body;
}

// The shorter of fixed and scientific notation with `precision` significant digits, without trailing
// zeros; scientific when the integer part has more digits than the precision or |v| < 0.0001.
std::string FormatGeneral(double v, int precision, int expDigits, char decimalSeparator) {
    std::string text;
    if (NotFinite(v, text)) return text;
    precision = std::clamp(precision, 1, maxDigits);
    Decimal d = ToDecimal(v);
    RoundTo(d, precision);
    if (d.Zero()) return "0";
    if (v < 0) text = "-";
    const int size = static_cast<int>(d.digits.size());
    if (d.point > precision || d.point < -3) {
        text += d.digits[0];
        if (size > 1) text += decimalSeparator + d.digits.substr(1);
        return text + Exponent(d.point - 1, false, expDigits);
    }
    if (d.point <= 0)
        return text + "0" + decimalSeparator + std::string(static_cast<std::size_t>(-d.point), '0') +
               d.digits;
    if (size <= d.point) return text + d.digits + std::string(static_cast<std::size_t>(d.point - size), '0');
    return text + d.digits.substr(0, static_cast<std::size_t>(d.point)) + decimalSeparator +
           d.digits.substr(static_cast<std::size_t>(d.point));
}

class Formatter {
public:
    Formatter(const std::string& fmt, std::span<const TVarRec> args) : fmt_(fmt), args_(args) {}

    std::string Run() {
        std::string out;
        const std::size_t n = fmt_.size();
        while (i_ < n) {
            const std::size_t percent = fmt_.find('%', i_);
            if (percent == std::string::npos) {
                out.append(fmt_, i_, std::string::npos);
                break;
            }
            out.append(fmt_, i_, percent - i_);
            i_ = percent + 1;
            if (At() == '%') {
                out += '%';
                ++i_;
                continue;
            }
            out += Specifier();
        }
        return out;
    }

private:
    [[noreturn]] void Fail() const {
        throw EConvertError("Format '" + fmt_ + "' invalid or incompatible with argument");
    }

    char At() const { return i_ < fmt_.size() ? fmt_[i_] : '\0'; }

    const TVarRec& NextArg() {
        if (argIndex_ >= args_.size()) Fail();
        return args_[argIndex_++];
    }

    // A number or "*" (taken from the arguments); false when neither is there.
    bool Number(int& value) {
        if (At() == '*') {
            ++i_;
            const TVarRec& a = NextArg();
            if (a.VType != TVarRec::vtInteger) Fail();
            value = std::min(a.VInteger, maxFieldSize);
            return true;
        }
        if (At() < '0' || At() > '9') return false;
        value = 0;
        while (At() >= '0' && At() <= '9') {
            value = std::min(value * 10 + (At() - '0'), maxFieldSize);
            ++i_;
        }
        return true;
    }

    std::string Specifier() {
        bool left = false;
        int width = 0, precision = -1, first = 0;
        bool haveFirst = Number(first);
        if (haveFirst && At() == ':') {
            ++i_;
            if (first < 0) Fail();
            argIndex_ = static_cast<std::size_t>(first);
            haveFirst = false;
        }
        if (haveFirst) {
            width = first;
        } else {
            if (At() == '-') {
                left = true;
                ++i_;
            }
            Number(width);
        }
        if (At() == '.') {
            ++i_;
            if (!Number(precision)) precision = 0;
        }
        if (i_ >= fmt_.size()) Fail();
        const char type = static_cast<char>(std::toupper(static_cast<unsigned char>(fmt_[i_++])));
        std::string text = Convert(type, NextArg(), precision);
        if (width > static_cast<int>(text.size())) {
            const std::string pad(static_cast<std::size_t>(width) - text.size(), ' ');
            text = left ? text + pad : pad + text;
        }
        return text;
    }

    std::string Convert(char type, const TVarRec& a, int precision) {
        const bool isInt = a.VType == TVarRec::vtInteger || a.VType == TVarRec::vtInt64;
        switch (type) {
        case 'D':
            if (!isInt) Fail();
            return ZeroPad(a.VType == TVarRec::vtInteger ? std::to_string(a.VInteger)
                                                         : std::to_string(a.VInt64),
                           precision);
        case 'U':
            if (!isInt) Fail();
            return ZeroPad(Unsigned(a.VType == TVarRec::vtInteger ? static_cast<std::uint32_t>(a.VInteger)
                                                                  : static_cast<std::uint64_t>(a.VInt64)),
                           precision);
        case 'X':
            if (!isInt) Fail();
            return ZeroPad(Hex(a.VType == TVarRec::vtInteger ? static_cast<std::uint32_t>(a.VInteger)
                                                             : static_cast<std::uint64_t>(a.VInt64)),
                           precision);
        case 'E':
            if (a.VType != TVarRec::vtExtended) Fail();
            return FormatExponent(a.VExtended, precision < 0 ? 15 : precision, 3, '.');
        case 'F':
        case 'M':
            if (a.VType != TVarRec::vtExtended) Fail();
            return FormatFixed(a.VExtended, precision < 0 ? 2 : precision, maxDigits, '\0', '.');
        case 'N':
            if (a.VType != TVarRec::vtExtended) Fail();
            return FormatFixed(a.VExtended, precision < 0 ? 2 : precision, maxDigits, ',', '.');
        case 'G':
            if (a.VType != TVarRec::vtExtended) Fail();
            return FormatGeneral(a.VExtended, precision < 0 ? 15 : precision, 3, '.');
        case 'P': {
            if (a.VType != TVarRec::vtPointer && a.VType != TVarRec::vtPChar) Fail();
            const void* p = a.VType == TVarRec::vtPointer ? a.VPointer : static_cast<const void*>(a.VPChar);
            return ZeroPad(Hex(reinterpret_cast<std::uintptr_t>(p)), 8);
        }
        case 'S': {
            std::string s;
            switch (a.VType) {
            case TVarRec::vtChar:
                s = std::string(1, a.VChar);
                break;
            case TVarRec::vtPChar:
                s = a.VPChar ? a.VPChar : "";
                break;
            case TVarRec::vtAnsiString:
                s = a.VAnsiString;
                break;
            default:
                Fail();
            }
            if (precision >= 0 && static_cast<int>(s.size()) > precision)
                s.resize(static_cast<std::size_t>(precision));
            return s;
        }
        default:
            Fail();
        }
    }

    const std::string& fmt_;
    std::span<const TVarRec> args_;
    std::size_t i_ = 0;
    std::size_t argIndex_ = 0;
};

} // namespace

std::string Format(const std::string& fmt, std::span<const TVarRec> args) {
    return Formatter(fmt, args).Run();
}

std::string FloatToStrF(double value, TFloatFormat format, int precision, int digits,
                        const TFormatSettings& settings) {
    precision = std::clamp(precision, 1, maxDigits);
    const char dec = settings.DecimalSeparator;
    switch (format) {
    case ffExponent:
        return FormatExponent(value, precision, std::clamp(digits, 0, 4), dec);
    case ffFixed:
    case ffNumber:
        // Too many integer digits for the precision: general notation instead.
        if (std::isfinite(value) && value != 0 && ToDecimal(value).point > precision)
            return FormatGeneral(value, precision, 0, dec);
        return FormatFixed(value, digits, precision, format == ffNumber ? settings.ThousandSeparator : '\0',
                           dec);
    case ffGeneral:
    default:
        return FormatGeneral(value, precision, std::clamp(digits, 0, 4), dec);
    }
}

std::string FloatToStrF(double value, TFloatFormat format, int precision, int digits) {
    return FloatToStrF(value, format, precision, digits, FormatSettings);
}

std::string FloatToStr(double value, const TFormatSettings& settings) {
    return FloatToStrF(value, ffGeneral, 15, 0, settings);
}

std::string FloatToStr(double value) {
    return FloatToStr(value, FormatSettings);
}

bool TryStrToFloat(const std::string& s, double& value, const TFormatSettings& settings) {
    // Blanks around, an optional sign, digits with at most one decimal separator, an optional
    // exponent; rewritten with '.' so the parse does not depend on the C library's locale.
    std::size_t i = 0, n = s.size();
    while (i < n && s[i] == ' ') ++i;
    while (n > i && s[n - 1] == ' ') --n;
    std::string text;
    if (i < n && (s[i] == '+' || s[i] == '-')) {
        if (s[i] == '-') text += '-';
        ++i;
    }
    bool digits = false, point = false;
    for (; i < n; ++i) {
        const char c = s[i];
        if (c >= '0' && c <= '9') {
            text += c;
            digits = true;
        } else if (c == settings.DecimalSeparator && !point) {
            text += '.';
            point = true;
        } else {
            break;
        }
    }
    if (!digits) return false;
    if (i < n && (s[i] == 'E' || s[i] == 'e')) {
        text += 'e';
        ++i;
        if (i < n && (s[i] == '+' || s[i] == '-')) text += s[i++];
        const std::size_t first = i;
        while (i < n && s[i] >= '0' && s[i] <= '9') text += s[i++];
        if (i == first) return false;
    }
    if (i != n) return false;
    double v = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc() || end != text.data() + text.size()) return false;
    value = v;
    return true;
}

bool TryStrToFloat(const std::string& s, double& value) {
    return TryStrToFloat(s, value, FormatSettings);
}

double StrToFloat(const std::string& s, const TFormatSettings& settings) {
    double value = 0;
    if (!TryStrToFloat(s, value, settings))
        throw EConvertError("'" + s + "' is not a valid floating point value");
    return value;
}

double StrToFloat(const std::string& s) {
    return StrToFloat(s, FormatSettings);
}

double StrToFloatDef(const std::string& s, double defaultValue) {
    double value = defaultValue;
    return TryStrToFloat(s, value) ? value : defaultValue;
}
