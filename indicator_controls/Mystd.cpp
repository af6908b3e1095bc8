#include "indicator_controls/Mystd.h"

#include "platform/rtl/Format.h"
#include "platform/ui/Forms.h"
#include "platform/winsock/Winsock.h"
#include "platform/rtl/Math.h"
#include "platform/win/Clock.h"
#include "platform/win/Sync.h"
#include "platform/win/SysInfo.h"

#include <cctype>
#include <climits>
#include <cmath>
#include <numbers>
#include <string>

// --- Math routines ----------------------------------------------------------------------------------

namespace {

// ln of a value the processor would refuse: 0 divides by zero, a negative is an invalid operation.
long double CheckedLn(long double x) {
    if (x == 0) throw EZeroDivide();
    if (x < 0 || std::isnan(x)) throw EInvalidOp();
    return std::log(x);
}

long double CheckedSqrt(long double x) {
    if (x < 0 || std::isnan(x)) throw EInvalidOp();
    return std::sqrt(x);
}

long double Quotient(long double a, long double b) {
    if (b == 0) {
        if (a == 0) throw EInvalidOp();
        throw EZeroDivide();
    }
    return CheckFloat(a / b);
}

} // namespace

long double Power(long double Base, long double Exponent) {
    if (Base == 0 && Exponent == 0) return 0;
    if (Exponent == 0) return 1;
    if (Base == 0) return 0;
    return CheckFloat(std::exp(CheckFloat(Exponent * CheckedLn(std::fabs(Base)))));
}

long double Root(long double N, long double Value) {
    return Power(Value, Quotient(1, N));
}

long double Log10(long double X) {
    return Quotient(CheckedLn(X), std::log(10.0L));
}

long double ArcSin(long double X) {
    return std::atan(Quotient(X, CheckedSqrt(1 - X * X)));
}

long double ArcCos(long double X) {
    if (X == 0) return std::numbers::pi_v<long double> / 2;
    const long double a = std::atan(Quotient(CheckedSqrt(1 - X * X), X));
    return X > 0 ? a : a + std::numbers::pi_v<long double>;
}

bool IsPrime(std::int32_t N) {
    if (N < 4) return true;
    const auto limit = static_cast<std::int32_t>(std::sqrt(static_cast<double>(N)));
    for (std::int32_t i = 2; i <= limit; ++i)
        if (N % i == 0) return false;
    return true;
}

long double Factorial(std::int32_t N) {
    long double result = 1;
    for (std::int32_t i = 2; i <= N; ++i) result = CheckFloat(result * i);
    return result;
}

// --- Processor probe --------------------------------------------------------------------------------

namespace {

TvProcessorRecord processor;
bool probed = false; // a program that never started the unit probes at the first question
bool clockMeasured = false;
std::int32_t clockMHz = 0;

std::uint32_t SystemTick(void*) {
    return GetTickCount();
}
bool SystemCounter(void*, std::uint64_t& value) {
    return ReadTimeStampCounter(value);
}
void SystemSleep(void*, std::uint32_t ms) {
    Sleep(ms);
}

} // namespace

TvProcessorRecord ProbeProcessor(TvCpuidReader cpuid) {
    TvProcessorRecord r;
    std::uint32_t regs[4] = {};
    if (!cpuid || !cpuid(1, regs)) return r;
    r.CpuidPresent = true;
    r.Signature = static_cast<std::int32_t>(regs[0]);
    r.Ebx = static_cast<std::int32_t>(regs[1]);
    r.Ecx = static_cast<std::int32_t>(regs[2]);
    r.Edx = static_cast<std::int32_t>(regs[3]);
    if (cpuid(0, regs)) {
        for (int i = 0; i < 4; ++i) {
            r.Vendor[i] = static_cast<char>(regs[1] >> (8 * i));
            r.Vendor[4 + i] = static_cast<char>(regs[3] >> (8 * i));
            r.Vendor[8 + i] = static_cast<char>(regs[2] >> (8 * i));
        }
    }
    return r;
}

const TvProcessorRecord& ProcessorRecord() {
    if (!probed) SetProcessorRecord(ProbeProcessor(&ReadCpuid));
    return processor;
}

void SetProcessorRecord(const TvProcessorRecord& record) {
    processor = record;
    probed = true;
    clockMeasured = false;
}

int CpuID() {
    const TvProcessorRecord& p = ProcessorRecord();
    if (p.CpuidPresent) return (p.Signature >> 8) & 0xF;
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    const std::string type = std::to_string(info.dwProcessorType & 0xFFFF);
    return type[0] >= '1' && type[0] <= '9' ? type[0] - '0' : 0;
}

std::int32_t MeasureCPUClock(const TvClockSource& s) {
    const std::uint32_t t0 = s.Tick(s.Self);
    while (s.Tick(s.Self) == t0) {
    }
    std::uint64_t c1 = 0, c2 = 0;
    if (!s.Counter(s.Self, c1)) return -1;
    const std::uint32_t elapsed = s.Tick(s.Self) - t0;
    if (elapsed + 2 < 1000) s.Sleep(s.Self, 1000 - 2 - elapsed);
    while (s.Tick(s.Self) - t0 < 1000) {
    }
    if (!s.Counter(s.Self, c2)) return -1;
    try {
        const std::int64_t mhz = Round(static_cast<long double>(c2 - c1) / 1000000.0f + 0.66L);
        return mhz > INT32_MAX ? -1 : static_cast<std::int32_t>(mhz);
    } catch (const Exception&) {
        return -1;
    }
}

std::int32_t CPUClock() {
    const TvProcessorRecord& p = ProcessorRecord();
    if (!clockMeasured) {
        clockMeasured = true;
        if (!p.CpuidPresent)
            clockMHz = 0;
        else if (CpuID() < 5)
            clockMHz = -1;
        else
            clockMHz = MeasureCPUClock(TvClockSource{&SystemTick, &SystemCounter, &SystemSleep, nullptr});
    }
    return clockMHz;
}

namespace {
int MystdCounter = 0;
} // namespace

void InitializeMystd() {
    if (MystdCounter-- != 0) return;
    SetProcessorRecord(ProbeProcessor(&ReadCpuid));
}

void FinalizeMystd() {
    MystdCounter++;
}

// --- Unit functions -----------------------------------------------------------------------------------

TForm* FindForm(TComponent* Component) {
    for (TComponent* c = Component ? Component->Owner() : nullptr; c; c = c->Owner())
        if (auto* form = dynamic_cast<TForm*>(c)) return form;
    throw EComponentError("NoForm");
}

bool IsPrevius(const std::string&) {
    return false;
}

void GetHostInfo(std::string& Name, std::string& Address) {
    Name = Address = "-none-";
    TWSAData data{};
    if (WSAStartup(0x0002, &data) != 0) return;
    char host[256] = {};
    if (gethostname(host, 255) == 0) {
        if (const THostEnt* entry = gethostbyname(host); entry && entry->h_addr_list && entry->h_addr_list[0]) {
            const auto* a = reinterpret_cast<const unsigned char*>(entry->h_addr_list[0]);
            Name = host;
            Address = std::to_string(a[0]) + "." + std::to_string(a[1]) + "." + std::to_string(a[2]) + "." +
                      std::to_string(a[3]);
        }
    }
    WSACleanup();
}

std::string ShortDateWithYear(const std::string& Format, TvShortDateFormat Kind) {
    std::string f = Format;
    if (Kind == sdf4DigitYear) {
        const std::size_t first = f.find('y');
        if (first == std::string::npos) return "yyy" + f;
        std::size_t run = 0;
        while (first + run < f.size() && f[first + run] == 'y') ++run;
        if (run < 4) f.insert(first, 4 - run, 'y');
    } else if (Kind == sdf2DigitYear) {
        for (std::size_t at; (at = f.find("yyy")) != std::string::npos;) f.erase(at, 1);
    }
    return f;
}

std::string WithoutTrailingSeparators(std::string Dir) {
    while (Dir.size() > 3 && (Dir.back() == '/' || Dir.back() == '\\')) Dir.pop_back();
    return Dir;
}

// --- TvCalc ------------------------------------------------------------------------------------------

namespace {

constexpr const char* kNames[28] = {"A",   "B",   "C",      "D",   "F",    "G",      "H",      "I",
                                    "J",   "PI",  "E",      "EXP", "SIN",  "COS",    "ARCTAN", "ABS",
                                    "FRAC", "ARCSIN", "ARCCOS", "LN", "LOG", "SQR", "SQRT", "ROUND",
                                    "TRUNC", "CEILING", "FLOOR", "RANDOM"};
constexpr int kFirstFunction = 11;
constexpr int kUserFunction = 28;
constexpr std::size_t kLongestLine = 254;
constexpr std::size_t kLongestName = 10;

// A whole number the 64-bit integer holds, else nothing.
bool FitsInt64(long double x) {
    return std::isfinite(x) && x >= -9223372036854775808.0L && x < 9223372036854775808.0L;
}

} // namespace

TvCalc::TvCalc(TComponent* AOwner) : TComponent(AOwner) {}

std::string TvCalc::CalcLine() const {
    return line_.substr(0, line_.size() - 1);
}

void TvCalc::SetCalcLine(const std::string& Value) {
    line_ = Value.empty() ? std::string("0") : Value.substr(0, kLongestLine);
    line_ += '\r';
    CalcResult_ = TvcOK;
    pos_ = 1;
    long double value = 0;
    try {
        value = Udtryk();
    } catch (...) {
        CalcResult_ = TvcOverFlow;
    }
    WhereIsLastError_ = static_cast<std::uint8_t>(pos_);
    if (PushResult_) {
        for (int i = 8; i > 0; --i) Registers_[i] = Registers_[i - 1];
        Registers_[0] = value;
    }
    Number_ = value;
    if (CalcResult_ != TvcOK && OnError) OnError(this, CalcLine(), WhereIsLastError_);
    if (CalcResult_ == TvcOK && OnOK) OnOK(this);
}

// The scan never moves past the CR that ends the line, so the position always fits its byte.
char TvCalc::NaesteTegn() {
    while (line_[pos_ - 1] == ' ') ++pos_;
    return line_[pos_ - 1];
}

void TvCalc::Consume() {
    if (pos_ < line_.size()) ++pos_;
}

void TvCalc::Fail(TvCalcResult Code) {
    if (CalcResult_ == TvcOK) CalcResult_ = Code;
}

long double TvCalc::Udtryk() {
    long double value = NaesteTegn() == '-' ? 0 : Led();
    for (char c = NaesteTegn(); (c == '+' || c == '-') && CalcResult_ == TvcOK; c = NaesteTegn()) {
        Consume();
        const long double term = Led();
        value = CheckFloat(c == '+' ? value + term : value - term);
    }
    return value;
}

long double TvCalc::Led() {
    long double value = Faktor();
    for (char c = NaesteTegn(); c == '*' || c == '/' || c == '^'; c = NaesteTegn()) {
        if (CalcResult_ != TvcOK) return value;
        Consume();
        const long double f = Faktor();
        if (c == '*') {
            value = CheckFloat(value * f);
        } else if (c == '/') {
            if (f != 0)
                value = CheckFloat(value / f);
            else
                Fail(TvcDivZero);
        } else {
            value = Power(value, f);
        }
    }
    return value;
}

long double TvCalc::Faktor() {
    const char c = static_cast<char>(std::toupper(static_cast<unsigned char>(NaesteTegn())));
    long double value = 0;
    if (c == '(') {
        value = Parantes();
    } else if (c < 'A' || c > 'Z') {
        value = Tal();
    } else {
        const int index = FuncNr();
        if (CalcResult_ == TvcOK) {
            if (index >= kFirstFunction) {
                const long double x = Parantes();
                value = Function(index, x);
            } else if (index < 9) {
                value = Registers_[index];
            } else if (index == 9) {
                value = 3.141592653589793;
            } else {
                value = std::exp(1.0L);
            }
        }
    }
    // A factor is held in double precision; one the double cannot hold overflows.
    return CheckFloat(static_cast<double>(CheckFloat(value)));
}

long double TvCalc::Tal() {
    long double v = 0;
    bool digits = false;
    for (char c = NaesteTegn(); c >= '0' && c <= '9'; c = NaesteTegn()) {
        v = v * 10 + (c - '0');
        digits = true;
        Consume();
    }
    const char sep = NaesteTegn();
    if (sep == ',' || sep == '.') {
        Consume();
        long double f = 0.1L;
        for (char c = NaesteTegn(); c >= '0' && c <= '9'; c = NaesteTegn()) {
            v += (c - '0') * f;
            f /= 10;
            digits = true;
            Consume();
        }
    }
    if (!digits) Fail(TvcNumberMissing);
    return v;
}

long double TvCalc::Parantes() {
    long double value = 0;
    if (NaesteTegn() != '(') Fail(TvcLeftPar);
    Consume();
    if (CalcResult_ == TvcOK) {
        value = Udtryk();
        if (CalcResult_ == TvcOK) {
            if (NaesteTegn() != ')') Fail(TvcRightPar);
            Consume();
        }
    }
    return value;
}

int TvCalc::FuncNr() {
    name_.clear();
    for (;;) {
        const char c = static_cast<char>(std::toupper(static_cast<unsigned char>(NaesteTegn())));
        if (!((c >= 'A' && c <= 'Z') || c == '_')) break;
        if (name_.size() < kLongestName) name_ += c;
        Consume();
    }
    for (int i = 0; i < 28; ++i)
        if (name_ == kNames[i]) return i;
    Fail(TvcFunctionMissing);
    if (OnFindUserFunc && OnFindUserFunc(this, name_)) {
        CalcResult_ = TvcOK;
        return kUserFunction;
    }
    return 0;
}

long double TvCalc::Function(int Index, long double X) {
    // A domain error sets its code (unless an earlier error stands) and gives 0.
    auto domain = [this](TvCalcResult code) -> long double {
        Fail(code);
        return 0;
    };
    switch (Index) {
    case 11: return std::exp(X);
    case 12: return std::sin(X);
    case 13: return std::cos(X);
    case 14: return std::atan(X);
    case 15: return std::fabs(X);
    case 16: return X - std::trunc(X);
    case 17: return X > -1 && X < 1 ? ArcSin(X) : domain(TvcDivZero);
    case 18: return X > -1 && X < 1 ? ArcCos(X) : domain(TvcDivZero);
    case 19: return X > 0 ? std::log(X) : domain(TvcDivZero);
    case 20: return X > 0 ? Log10(X) : domain(TvcDivZero);
    case 21: return X * X;
    case 22: return X >= 0 ? std::sqrt(X) : domain(TvcDivZero);
    case 23: return FitsInt64(std::nearbyint(X)) ? static_cast<long double>(Round(X)) : domain(TvcOverFlow);
    case 24: return FitsInt64(X) ? static_cast<long double>(Trunc(X)) : domain(TvcOverFlow);
    case 25: {
        if (!FitsInt64(X) || !FitsInt64(X + 1)) return domain(TvcOverFlow);
        const long double t = static_cast<long double>(Trunc(X));
        return X - t > 0 ? t + 1 : t;
    }
    case 26: {
        if (!FitsInt64(X) || !FitsInt64(X - 1)) return domain(TvcOverFlow);
        return static_cast<long double>(X - std::trunc(X) < 0 ? Trunc(X - 1) : Trunc(X));
    }
    case 27: {
        if (X == 0) return Random();
        if (!FitsInt64(std::nearbyint(X))) return domain(TvcOverFlow);
        const std::int64_t range = Round(X);
        if (range > INT_MAX) return domain(TvcOverFlow);
        return Random(static_cast<int>(range));
    }
    default: return OnUserFunc ? OnUserFunc(this, name_, X) : X;
    }
}

std::string TvCalc::Render(long double Value) {
    try {
        return Format(FormatLine_.empty() ? std::string("%e") : FormatLine_, {Value});
    } catch (const Exception&) {
        const TvCalcResult kept = CalcResult_;
        CalcResult_ = TvcFormatError;
        if (OnError) OnError(this, FormatLine_, 0);
        CalcResult_ = kept;
        return {};
    }
}

std::string TvCalc::Number() {
    return Render(Number_);
}

std::string TvCalc::Register(int Index) {
    return Render(Registers_[Index - 1]);
}
