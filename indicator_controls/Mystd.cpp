#include "indicator_controls/Mystd.h"

#include "indicator_controls/Vanimate.h"
#include "indicator_controls/Vhelper.h"

#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/System.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/Lists.h"
#include "platform/rtl/Math.h"
#include "platform/ui/ControlMessages.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Icons.h"
#include "platform/ui/Keyboard.h"
#include "platform/ui/Menus.h"
#include "platform/ui/SystemMenu.h"
#include "platform/ui/WindowQueries.h"
#include "platform/win/BroadcastMessages.h"
#include "platform/win/Clock.h"
#include "platform/win/Messages.h"
#include "platform/win/Mutex.h"
#include "platform/win/Process.h"
#include "platform/win/Sync.h"
#include "platform/win/SysInfo.h"
#include "platform/win/Thread.h"
#include "platform/winsock/Winsock.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cmath>
#include <cstring>
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
bool SystemSleep(void*, std::uint32_t ms) {
    Sleep(ms);
    return true;
}

// The start-up's measurement, on a thread of its own so that the start does not wait the second;
// the first read of the clock waits for what is left of it. Stop abandons it at once.
class TClockThread : public TThread {
public:
    TClockThread() : stop_(CreateEvent(nullptr, TRUE, FALSE, nullptr)) { Start(); }
    ~TClockThread() override {
        Stop();
        CloseHandle(stop_);
    }
    TClockThread(const TClockThread&) = delete;
    TClockThread& operator=(const TClockThread&) = delete;

    void Stop() {
        SetEvent(stop_);
        WaitFor();
    }

protected:
    void Execute() override {
        ReturnValue = MeasureCPUClock(TvClockSource{&SystemTick, &SystemCounter, &Nap, this});
    }

private:
    // Sleeps unless stopped; false when the measurement is to be abandoned.
    static bool Nap(void* self, std::uint32_t ms) {
        return WaitForSingleObject(static_cast<TClockThread*>(self)->stop_, ms) == WAIT_TIMEOUT;
    }

    HANDLE stop_;
};

// Freed by the unit's shut-down, not at exit: a program that never shuts the unit down leaves the
// thread to the end of the process.
TClockThread* clockThread = nullptr;

void AbandonClock() {
    delete clockThread;
    clockThread = nullptr;
    clockMeasured = false;
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
    AbandonClock();
    processor = record;
    probed = true;
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
    if (elapsed + 2 < 1000 && !s.Sleep(s.Self, 1000 - 2 - elapsed)) return -1;
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

namespace {

bool ClockToMeasure() {
    return ProcessorRecord().CpuidPresent && CpuID() >= 5;
}

} // namespace

std::int32_t CPUClock() {
    const TvProcessorRecord& p = ProcessorRecord();
    if (!clockMeasured) {
        clockMeasured = true;
        if (clockThread) {
            clockMHz = clockThread->WaitFor();
            delete clockThread;
            clockThread = nullptr;
        } else if (!p.CpuidPresent) {
            clockMHz = 0;
        } else if (!ClockToMeasure()) {
            clockMHz = -1;
        } else {
            clockMHz = MeasureCPUClock(TvClockSource{&SystemTick, &SystemCounter, &SystemSleep, nullptr});
        }
    }
    return clockMHz;
}

namespace {
int MystdCounter = 0;
} // namespace

void InitializeMystd() {
    if (MystdCounter-- != 0) return;
    SetProcessorRecord(ProbeProcessor(&ReadCpuid));
    if (ClockToMeasure()) clockThread = new TClockThread;
}

void FinalizeMystd() {
    if (++MystdCounter != 0) return;
    // A measurement nobody asked for is not waited out.
    AbandonClock();
}

// --- Unit functions -----------------------------------------------------------------------------------

TForm* FindForm(TComponent* Component) {
    if (TForm* form = OwnerForm(Component)) return form;
    throw EComponentError("NoForm");
}

TForm* OwnerForm(TComponent* Component) {
    for (TComponent* c = Component ? Component->Owner() : nullptr; c; c = c->Owner())
        if (auto* form = dynamic_cast<TForm*>(c)) return form;
    return nullptr;
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

// 0 <= result < range, from two draws of the run time's generator.
std::uint64_t RandomBelow(std::uint64_t range) {
    const auto high = static_cast<std::uint64_t>(Random() * 4294967296.0);
    const auto low = static_cast<std::uint64_t>(Random() * 4294967296.0);
    return static_cast<std::uint64_t>((static_cast<unsigned __int128>(high << 32 | low) * range) >> 64);
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

// The integer part toward zero into T; one the 64-bit integer cannot hold overflows, T then 0.
bool TvCalc::WholePart(long double X, long double& T) {
    try {
        T = static_cast<long double>(Trunc(X));
        return true;
    } catch (const EInvalidOp&) {
        Fail(TvcOverFlow);
        T = 0;
        return false;
    }
}

long double TvCalc::Function(int Index, long double X) {
    // A domain error sets its code (unless an earlier error stands) and gives 0. ROUND and RANDOM have
    // no such answer for a value beyond 64 bits: the round raises and the whole line overflows.
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
    case 23:
        return static_cast<long double>(Round(X));
    case 24: {
        long double t;
        WholePart(X, t);
        return t;
    }
    case 25: {
        // Only the whole part has to fit; the step up is taken in floating point.
        long double t;
        return WholePart(X, t) && X - t > 0 ? t + 1 : t;
    }
    case 26: {
        long double t;
        WholePart(X - std::trunc(X) < 0 ? X - 1 : X, t);
        return t;
    }
    case 27: {
        if (X == 0) return Random();
        const std::int64_t range = Round(X);
        if (range <= 0) return 0; // no whole number lies in [0, range)
        if (range <= INT_MAX) return Random(static_cast<int>(range));
        return static_cast<long double>(RandomBelow(static_cast<std::uint64_t>(range)));
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

// --- Dialog units and the processor's name ---------------------------------------------------------

std::uint16_t DlgUnitsToPixelsX(std::uint16_t Units) {
    return static_cast<std::uint16_t>(Units * (GetDialogBaseUnits() & 0xFFFF) / 4);
}

std::uint16_t DlgUnitsToPixelsY(std::uint16_t Units) {
    return static_cast<std::uint16_t>(Units * ((GetDialogBaseUnits() >> 16) & 0xFFFF) / 8);
}

std::uint16_t PixelsToDlgUnitsX(std::uint16_t Pixels) {
    return static_cast<std::uint16_t>(Pixels * 4 / (GetDialogBaseUnits() & 0xFFFF));
}

std::uint16_t PixelsToDlgUnitsY(std::uint16_t Pixels) {
    return static_cast<std::uint16_t>(Pixels * 8 / ((GetDialogBaseUnits() >> 16) & 0xFFFF));
}

std::string CPUStringOf(const TvProcessorRecord& Record, int Family) {
    if (!Record.CpuidPresent) {
        static const char* const kNames[] = {"80286", "80386", "80486", "Pentium", "PentiumPro"};
        if (Family >= 2 && Family <= 6) return kNames[Family - 2];
        return Format("P%d", {Family});
    }
    const std::string vendor(Record.Vendor, sizeof Record.Vendor);
    const int model = (Record.Signature >> 4) & 0xF;
    const bool overdrive = ((Record.Signature >> 12) & 0x3) == 1;
    const bool amd = vendor == "AuthenticAMD";
    const bool cyrix = vendor == "CyrixInstead";
    std::string s;
    switch (Family) {
    case 4:
        if (amd) return "AMD Am486/Am5x86";
        if (cyrix) return "Cyrix MediaGX";
        s = "80486";
        if (overdrive) s += " Overdrive";
        switch (model) {
        case 0:
        case 1: s += " DX"; break;
        case 2: s += " SX"; break;
        case 3: s += " DX2"; break;
        case 4: s += " SL"; break;
        case 5: s += " SX2"; break;
        case 7: s += " DX2 WriteBack"; break;
        case 8: s += " DX4"; break;
        default: break;
        }
        return s;
    case 5:
        if (amd) return "AMD K5/K6";
        if (cyrix) return model == 4 ? "Cyrix Gxm" : "Cyrix 6x86";
        s = "Pentium";
        if (overdrive) s += " Overdrive";
        if (model == 1) s += " 60/66 MHz";
        if (model == 2) s += " 75-200 MHz";
        if (model == 4) s += " MMX 166/200 MHz";
        return s;
    case 6:
        if (cyrix) return "Cyrix 6x86MX";
        switch (model) {
        case 1: s = "Intel Pentium pro"; break;
        case 3: s = "Intel Pentium II"; break;
        case 5: s = "Intel P6 (Model 5)"; break;
        case 6: s = "Intel Celeron (Model 6)"; break;
        default: s = "Intel Pentium P6"; break;
        }
        if (overdrive) s += " Overdrive";
        return s;
    default:
        return std::string();
    }
}

// --- TvShowApp -----------------------------------------------------------------------------------------

TvShowApp::TvShowApp(TComponent* AOwner)
    : TComponent(AOwner), savedShortDate_(FormatSettings.ShortDateFormat), environmentLines_(new TStringList) {
    Application->HookMainWindow(TWindowHook::Bind<&TvShowApp::HookProc>(this));
    Application->ShowMainForm = true;
    cpuType_ = CpuID();
    UpdateEnvironment();
}

TvShowApp::~TvShowApp() {
    Application->UnhookMainWindow(TWindowHook::Bind<&TvShowApp::HookProc>(this));
    if (Application->OnRestore == TNotifyEvent::Bind<&TvShowApp::TempRestore>(this))
        Application->OnRestore = savedOnRestore_;
    delete environmentLines_;
    delete designIcon_;
}

void TvShowApp::SetShortDate(TvShortDateFormat Value) {
    shortDate_ = Value;
    FormatSettings.ShortDateFormat =
        Value == sdfDontTouch ? savedShortDate_ : ShortDateWithYear(FormatSettings.ShortDateFormat, Value);
}

bool TvShowApp::Designing() const {
    return ComponentState().Contains(TComponentStateItem::csDesigning);
}

bool TvShowApp::ShowMainForm() const {
    return Designing() ? designShowMainForm_ : Application->ShowMainForm;
}
void TvShowApp::SetShowMainForm(bool Value) {
    (Designing() ? designShowMainForm_ : Application->ShowMainForm) = Value;
}
std::string TvShowApp::HelpFile() const {
    return Designing() ? designHelpFile_ : Application->HelpFile;
}
void TvShowApp::SetHelpFile(const std::string& Value) {
    (Designing() ? designHelpFile_ : Application->HelpFile) = Value;
}
std::string TvShowApp::Hint() const {
    return Designing() ? designHint_ : Application->Hint;
}
void TvShowApp::SetHint(const std::string& Value) {
    if (Designing())
        designHint_ = Value;
    else
        Application->SetHint(Value);
}
TColor TvShowApp::HintColor() const {
    return Designing() ? designHintColor_ : Application->HintColor;
}
void TvShowApp::SetHintColor(TColor Value) {
    (Designing() ? designHintColor_ : Application->HintColor) = Value;
}
int TvShowApp::HintPause() const {
    return Designing() ? designHintPause_ : Application->HintPause;
}
void TvShowApp::SetHintPause(int Value) {
    (Designing() ? designHintPause_ : Application->HintPause) = Value;
}
int TvShowApp::HintHidePause() const {
    return Designing() ? designHintHidePause_ : Application->HintHidePause;
}
void TvShowApp::SetHintHidePause(int Value) {
    (Designing() ? designHintHidePause_ : Application->HintHidePause) = Value;
}
// The designer's icon is made when the designer first reaches it.
TIcon* TvShowApp::Icon() const {
    if (!Designing()) return Application->Icon();
    if (!designIcon_) const_cast<TvShowApp*>(this)->designIcon_ = new TIcon;
    return designIcon_;
}
void TvShowApp::SetIcon(TIcon* Value) {
    if (Designing())
        Icon()->Assign(Value);
    else
        Application->SetIcon(Value);
}
bool TvShowApp::ShowHint() const {
    return Designing() ? designShowHint_ : Application->ShowHint;
}
void TvShowApp::SetShowHint(bool Value) {
    (Designing() ? designShowHint_ : Application->ShowHint) = Value;
}
std::string TvShowApp::Title() const {
    return Designing() ? designTitle_ : Application->Title();
}
void TvShowApp::SetTitle(const std::string& Value) {
    if (Designing())
        designTitle_ = Value;
    else
        Application->SetTitle(Value);
}

TNotifyEvent TvShowApp::OnActivate() const { return Application->OnActivate; }
void TvShowApp::SetOnActivate(TNotifyEvent Value) { Application->OnActivate = Value; }
TNotifyEvent TvShowApp::OnDeActivate() const { return Application->OnDeactivate; }
void TvShowApp::SetOnDeActivate(TNotifyEvent Value) { Application->OnDeactivate = Value; }
TExceptionEvent TvShowApp::OnExecption() const { return Application->OnException; }
void TvShowApp::SetOnExecption(TExceptionEvent Value) { Application->OnException = Value; }
THelpEvent TvShowApp::OnHelp() const { return Application->OnHelp; }
void TvShowApp::SetOnHelp(THelpEvent Value) { Application->OnHelp = Value; }
TNotifyEvent TvShowApp::OnHint() const { return Application->OnHint; }
void TvShowApp::SetOnHint(TNotifyEvent Value) { Application->OnHint = Value; }
TIdleEvent TvShowApp::OnIdle() const { return Application->OnIdle; }
void TvShowApp::SetOnIdle(TIdleEvent Value) { Application->OnIdle = Value; }
TMessageEvent TvShowApp::OnMessage() const { return Application->OnMessage; }
void TvShowApp::SetOnMessage(TMessageEvent Value) { Application->OnMessage = Value; }
TNotifyEvent TvShowApp::OnMinimize() const { return Application->OnMinimize; }
void TvShowApp::SetOnMinimize(TNotifyEvent Value) { Application->OnMinimize = Value; }
TNotifyEvent TvShowApp::OnRestore() const { return Application->OnRestore; }
void TvShowApp::SetOnRestore(TNotifyEvent Value) { Application->OnRestore = Value; }
TShowHintEvent TvShowApp::OnShowHint() const { return Application->OnShowHint; }
void TvShowApp::SetOnShowHint(TShowHintEvent Value) { Application->OnShowHint = Value; }
TNotifyEvent TvShowApp::OnActiveControlChange() const { return Screen->OnActiveControlChange; }
void TvShowApp::SetOnActiveControlChange(TNotifyEvent Value) { Screen->OnActiveControlChange = Value; }
TNotifyEvent TvShowApp::OnActiveFormChange() const { return Screen->OnActiveFormChange; }
void TvShowApp::SetOnActiveFormChange(TNotifyEvent Value) { Screen->OnActiveFormChange = Value; }

int TvShowApp::BitsPerColor() const {
    TvDesktop desktop;
    return GetDeviceCaps(desktop.Handle(), BITSPIXEL) * GetDeviceCaps(desktop.Handle(), PLANES);
}

long double TvShowApp::NumberOfColors() const {
    const int bits = BitsPerColor();
    if (bits < 25) return static_cast<long double>(1L << bits);
    return std::pow(2.0L, static_cast<long double>(bits));
}

std::string TvShowApp::WinDir() const {
    char buffer[MAX_PATH] = {};
    const UINT n = GetWindowsDirectory(buffer, MAX_PATH);
    return n < MAX_PATH ? std::string(buffer, n) : std::string();
}

std::string TvShowApp::SystemDir() const {
    char buffer[MAX_PATH] = {};
    const UINT n = GetSystemDirectory(buffer, MAX_PATH);
    return n < MAX_PATH ? std::string(buffer, n) : std::string();
}

std::string TvShowApp::TempDir() const {
    char buffer[MAX_PATH] = {};
    const DWORD n = GetTempPath(MAX_PATH, buffer);
    return WithoutTrailingSeparators(n < MAX_PATH ? std::string(buffer, n) : std::string());
}

int TvShowApp::WindowKind() const { return WindowsType(); }
std::uint32_t TvShowApp::WinVerMajor() const { return MajorVersion(); }
std::uint32_t TvShowApp::WinVerMinor() const { return MinorVersion(); }
std::uint32_t TvShowApp::WinVerBuild() const { return BuildVersion(); }

std::string TvShowApp::WindowsString() const {
    const std::uint32_t major = MajorVersion(), minor = MinorVersion(), build = BuildVersion();
    switch (WindowsType()) {
    case v_WFW: return Format("Windows for Workgroups %u.%u", {major, minor});
    case v_Win32S: return Format("Win32S %u.%u (Build: %u)", {major, minor, build});
    case v_NT: return Format("Windows NT %u.%u (Build: %u)", {major, minor, build});
    case v_95: return Format("Windows'95 %u.%u (Build: %u)", {major, minor, build});
    default: return Format("Windows %u.%u", {major, minor});
    }
}

std::string TvShowApp::CPUString() const {
    return CPUStringOf(ProcessorRecord(), cpuType_);
}

std::string TvShowApp::CPUVendor() const {
    const TvProcessorRecord& p = ProcessorRecord();
    return p.CpuidPresent ? std::string(p.Vendor, sizeof p.Vendor) : "-unknown-";
}

bool TvShowApp::CPUMMX() const {
    if (!ProcessorRecord().CpuidPresent) return false;
    std::uint32_t regs[4];
    return ReadCpuid(1, regs) && (regs[3] & (1u << 23)) != 0;
}

int TvShowApp::CPUStepping() const {
    const TvProcessorRecord& p = ProcessorRecord();
    return p.CpuidPresent ? p.Signature & 0xF : -1;
}

int TvShowApp::CPUModel() const {
    const TvProcessorRecord& p = ProcessorRecord();
    return p.CpuidPresent ? (p.Signature >> 4) & 0xF : -1;
}

std::int32_t TvShowApp::CPUSpeed() const {
    return CPUClock();
}

std::string TvShowApp::ComputerName() const {
    // The system's 16-character buffer cut longer names; the buffer grows to what the name needs.
    std::string buffer(MAX_COMPUTERNAME_LENGTH + 1, '\0');
    DWORD size = static_cast<DWORD>(buffer.size());
    if (!GetComputerName(buffer.data(), &size)) {
        if (GetLastError() != ERROR_BUFFER_OVERFLOW) return std::string();
        buffer.assign(size, '\0');
        if (!GetComputerName(buffer.data(), &size)) return std::string();
    }
    buffer.resize(size);
    return buffer;
}

std::string TvShowApp::UserName() const {
    char buffer[128] = {};
    DWORD size = sizeof buffer;
    if (!GetUserName(buffer, &size)) return std::string();
    return std::string(buffer);
}

std::string TvShowApp::IPHostName() const {
    if (!enabledHostInfo_) return "-Unknown-";
    std::string name, address;
    GetHostInfo(name, address);
    return name;
}

std::string TvShowApp::IPHostAddress() const {
    if (!enabledHostInfo_) return "-Unknown-";
    std::string name, address;
    GetHostInfo(name, address);
    return address;
}

std::string TvShowApp::GetEnvironmentString(const std::string& Name) const {
    return environmentLines_->Values(Name);
}

bool TvShowApp::SetEnvironmentString(const std::string& Name, const std::string& Value) {
    const bool ok = SetEnvironmentVariableA(Name.c_str(), Value.c_str()) != FALSE;
    UpdateEnvironment();
    return ok;
}

void TvShowApp::UpdateEnvironment() {
    environmentLines_->Clear();
    char* block = GetEnvironmentStrings();
    if (!block) return;
    for (const char* p = block; *p; p += std::strlen(p) + 1) environmentLines_->Add(p);
    FreeEnvironmentStrings(block);
}

bool TvShowApp::IsMainForm() const {
    for (TComponent* c = Owner(); c; c = c->Owner())
        if (auto* form = dynamic_cast<TForm*>(c)) return form == Application->MainForm();
    return false;
}

void TvShowApp::Loaded() {
    TComponent::Loaded();
    if (useCmdShow_) {
        STARTUPINFOA info;
        GetStartupInfoA(&info);
        TForm* form = FindForm(this);
        switch (info.wShowWindow) {
        case SW_SHOWMINIMIZED:
        case SW_SHOWMINNOACTIVE:
        case SW_MINIMIZE:
            form->SetWindowState(wsMinimized);
            break;
        case SW_SHOWMAXIMIZED: form->SetWindowState(wsMaximized); break;
        default: form->SetWindowState(wsNormal); break;
        }
        if (form->WindowState() == wsMinimized) {
            savedOnRestore_ = Application->OnRestore;
            Application->OnRestore = TNotifyEvent::Bind<&TvShowApp::TempRestore>(this);
            Application->ShowMainForm = false;
            Application->Minimize();
        }
    }
    cpuType_ = CpuID();
    if (!showOnStatusBar_ && !ComponentState().Contains(TComponentStateItem::csDesigning)) {
        const HWND app = Application->Handle();
        ShowWindow(app, SW_HIDE);
        if (showNonOnStatusBar_)
            SetWindowLong(app, GWL_EXSTYLE,
                          GetWindowLong(app, GWL_EXSTYLE) | WS_EX_TOOLWINDOW | WS_EX_TOPMOST);
    }
    UpdateEnvironment();
    if (ComponentState().Contains(TComponentStateItem::csDesigning)) return;

    const std::string path = Application->ExeName();
    if (onlyOneInstance_) instanceMessage_ = RegisterWindowMessageA((path + "_Afslut").c_str());
    std::string name = path;
    for (char& c : name)
        if (c == '\\' || c == '/') c = '+';
    const HANDLE semaphore = CreateSemaphoreA(nullptr, 0, 1, name.c_str());
    if (semaphore == 0 || GetLastError() != ERROR_ALREADY_EXISTS) return; // kept open while the run lasts
    CloseHandle(semaphore);
    if (!onlyOneInstance_) return;

    secondInstance_ = true;
    TForm* form = FindForm(this);
    form->SetLeft(-form->Width() - 10);
    bool bringFirstInstanceToFront = true;
    if (OnSecondInstance) OnSecondInstance(this, bringFirstInstanceToFront);
    if (bringFirstInstanceToFront) PostMessage(HWND_BROADCAST, instanceMessage_, 0, 0);
    Application->Terminate();
}

void TvShowApp::TempRestore(TObject*) {
    Application->ShowMainForm = true;
    if (TCustomForm* form = Application->MainForm()) {
        SendMessage(form->Handle(), WM_SYSCOMMAND, SC_RESTORE, 0);
        form->SetWindowState(wsNormal);
        form->Show();
    }
    Application->OnRestore = savedOnRestore_;
}

void TvShowApp::BringFirstInstanceForward() {
    TCustomForm* form = Application->MainForm();
    if (!form) return;
    Application->Restore();
    const HWND wnd = form->Handle();
    if (IsIconic(wnd)) ShowWindow(wnd, SW_SHOWNORMAL);
    SetForegroundWindow(wnd);
    if (TCustomForm* active = Screen->ActiveForm(); active && active != form && active->WindowState() == wsMinimized)
        ShowWindow(active->Handle(), SW_SHOWNORMAL);
}

bool TvShowApp::HookProc(TMessage& Message) {
    if (Designing()) return false;
    switch (Message.Msg) {
    case WM_QUERYENDSESSION: {
        if (!IsMainForm()) return false;
        bool doEnd = true;
        if (OnAskEndSession) OnAskEndSession(doEnd);
        Message.Result = doEnd ? 1 : 0;
        return true;
    }
    case WM_ENDSESSION:
        if (IsMainForm() && Message.WParam != 0 && OnEndSession) OnEndSession();
        return false;
    case WM_WINDOWPOSCHANGING: {
        // The application's window is moved or sized (its task bar button restored, say): the main
        // form follows to the same place, and to the same size only when it can be sized.
        const auto* pos = reinterpret_cast<const WINDOWPOS*>(Message.LParam);
        TCustomForm* form = Application->MainForm();
        if (!pos || !form || pos->hwnd != Application->Handle() || IsIconic(pos->hwnd) || pos->cx < 1 ||
            pos->cy < 1)
            return false;
        UINT flags = pos->flags | SWP_NOZORDER;
        if (form->BorderStyle() == bsSizeable)
            flags &= ~SWP_NOSIZE;
        else
            flags |= SWP_NOSIZE;
        SetWindowPos(form->Handle(), 0, pos->x, pos->y, pos->cx, pos->cy, flags);
        return false;
    }
    default:
        if (onlyOneInstance_ && instanceMessage_ != 0 && Message.Msg == instanceMessage_ && !secondInstance_) {
            if (OnAnotherInstance) OnAnotherInstance(this);
            if (IsMainForm()) BringFirstInstanceForward();
        }
        return false;
    }
}

// --- TvTrayIcon and TvcTrayMeter --------------------------------------------------------------------

TvCustomTrayIcon::TvCustomTrayIcon(TComponent* AOwner) : TComponent(AOwner) {
    TForm* form = FindForm(this);
    icon_ = new TIcon;
    handle_ = CreateMessageWindow("TvTrayIcon", [this](HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
        return WndProc(wnd, msg, wParam, lParam);
    });
    Application->HookMainWindow(TWindowHook::Bind<&TvCustomTrayIcon::SessionHook>(this));
    if (form != Application->MainForm()) SetHideForm(false);
}

TvCustomTrayIcon::~TvCustomTrayIcon() {
    Destroying();
    Application->UnhookMainWindow(TWindowHook::Bind<&TvCustomTrayIcon::SessionHook>(this));
    if ((!Designing() && active_) || (Designing() && showDesigning_)) DeleteIcon();
    DestroyWindow(handle_);
    delete icon_;
}

bool TvCustomTrayIcon::Designing() const {
    return ComponentState().Contains(TComponentStateItem::csDesigning);
}

void TvCustomTrayIcon::SetPopupMenu(TPopupMenu* Value) {
    popupMenu_ = Value;
    if (Value) Value->FreeNotification(this);
}

void TvCustomTrayIcon::SetLeftPopupMenu(TPopupMenu* Value) {
    leftPopupMenu_ = Value;
    if (Value) Value->FreeNotification(this);
}

void TvCustomTrayIcon::Notification(TComponent* AComponent, TOperation Operation) {
    TComponent::Notification(AComponent, Operation);
    if (Operation != TOperation::opRemove) return;
    if (AComponent == popupMenu_) popupMenu_ = nullptr;
    if (AComponent == leftPopupMenu_) leftPopupMenu_ = nullptr;
}

void TvCustomTrayIcon::SetHideForm(bool Value) {
    hideParentForm_ = Value;
    if (!Designing()) PostMessage(handle_, WM_TRAYHIDEFORM, 0, 0);
}

void TvCustomTrayIcon::SetShowDesigning(bool Value) {
    if (!Designing() || Value == showDesigning_) return;
    showDesigning_ = Value;
    if (Value)
        AddIcon();
    else
        DeleteIcon();
}

void TvCustomTrayIcon::SetActive(bool Value) {
    if (Value == active_) return;
    active_ = Value;
    if (Designing()) return;
    if (Value)
        AddIcon();
    else
        DeleteIcon();
}

void TvCustomTrayIcon::SetToolTip(const std::string& Value) {
    toolTip_ = Value.substr(0, 62);
    ToolTipChanged();
}

void TvCustomTrayIcon::ToolTipChanged() {
    ModifyIcon();
    PostMessage(handle_, WM_TRAYREFRESH, 0, 0);
}

void TvCustomTrayIcon::AssignIcon(TIcon* Value) {
    icon_->Assign(Value);
    ModifyIcon();
    PostMessage(handle_, WM_TRAYREFRESH, 0, 0);
}

void TvCustomTrayIcon::FillIconData() {
    iconData_ = NOTIFYICONDATAA();
    iconData_.hWnd = handle_;
    iconData_.uID = static_cast<UINT>(Tag);
    iconData_.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    iconData_.uCallbackMessage = WM_TRAYCALLBACK;
    iconData_.hIcon = icon_->Handle();
    // The field holds 63 characters and the terminator; a longer text is cut.
    const std::string tip = TipText();
    std::memcpy(iconData_.szTip, tip.data(), std::min(tip.size(), sizeof iconData_.szTip - 1));
}

BOOL TvCustomTrayIcon::AddIcon() {
    FillIconData();
    const BOOL result = Shell_NotifyIconA(NIM_ADD, &iconData_);
    PostMessage(handle_, WM_TRAYREFRESH, 0, 0);
    return result;
}

BOOL TvCustomTrayIcon::ModifyIcon() {
    FillIconData();
    return active_ ? Shell_NotifyIconA(NIM_MODIFY, &iconData_) : FALSE;
}

BOOL TvCustomTrayIcon::DeleteIcon() {
    return Shell_NotifyIconA(NIM_DELETE, &iconData_);
}

TShiftState TvCustomTrayIcon::GetShift() {
    TShiftState shift;
    if (GetKeyState(VK_SHIFT) < 0) shift.Include(ssShift);
    if (GetKeyState(VK_MENU) < 0) shift.Include(ssAlt);
    if (GetKeyState(VK_CONTROL) < 0) shift.Include(ssCtrl);
    return shift;
}

bool TvCustomTrayIcon::CheckMenu() {
    if (!DoDefaultMenu || Designing() || !active_ || !popupMenu_ || popupMenu_->Items()->Count() == 0)
        return false;
    TMenuItem* items = popupMenu_->Items();
    for (int i = 0; i < items->Count(); ++i) {
        TMenuItem* item = items->Items(i);
        if (!item->Default()) continue;
        bool doDefault = true;
        if (OnDefaultMenu) OnDefaultMenu(this, doDefault);
        if (doDefault) item->Click();
        return true;
    }
    return false;
}

LRESULT TvCustomTrayIcon::WndProc(HWND, UINT Msg, WPARAM, LPARAM LParam) {
    switch (Msg) {
    case WM_TRAYHIDEFORM: {
        TForm* form = FindForm(this);
        if (form != Application->MainForm()) form->SetVisible(!hideParentForm_);
        return 0;
    }
    case WM_TRAYREFRESH:
        ModifyIcon();
        return 0;
    case WM_TRAYCALLBACK:
        TrayCallback(LParam);
        return 0;
    case WM_QUERYENDSESSION: {
        // Only the main form's component speaks for the program; any other lets the session end.
        if (FindForm(this) != Application->MainForm()) return 1;
        bool doEnd = true;
        if (OnAskEndSession) OnAskEndSession(doEnd);
        return doEnd ? 1 : 0;
    }
    default:
        return 0;
    }
}

bool TvCustomTrayIcon::SessionHook(TMessage& Message) {
    // The session's question goes to every top-level window, the message window too; a no from it
    // keeps the session going.
    if (Message.Msg != WM_QUERYENDSESSION || SendMessage(handle_, Message.Msg, Message.WParam, Message.LParam) != 0)
        return false;
    Message.Result = 0;
    return true;
}

void TvCustomTrayIcon::TrayCallback(LPARAM Message) {
    POINT p{};
    GetCursorPos(&p);
    const int x = p.x, y = p.y;
    const auto msg = static_cast<UINT>(Message);
    if (msg == WM_MOUSEMOVE) {
        if (OnMouseMove) OnMouseMove(this, GetShift(), x, y);
        return;
    }
    if (msg < WM_LBUTTONDOWN || msg > WM_MBUTTONDBLCLK) return;
    // Each button has three messages in a row (down, up, double click), left, right, middle.
    static constexpr TShiftStateItem kButtonFlag[] = {ssLeft, ssRight, ssMiddle};
    const auto button = static_cast<TMouseButton>((msg - WM_LBUTTONDOWN) / 3);
    const TShiftState shift = GetShift() + TShiftState{kButtonFlag[button]};
    bool& down = button == mbLeft ? leftDown_ : button == mbRight ? rightDown_ : middleDown_;
    switch ((msg - WM_LBUTTONDOWN) % 3) {
    case 0:
        down = true;
        if (OnMouseDown) OnMouseDown(this, button, shift, x, y);
        break;
    case 1:
        // A click only after this icon's own button-down.
        if (down) {
            down = false;
            if (button == mbLeft) {
                if (OnClick) OnClick(this);
                PopupMenuAt(true, x, y);
            } else if (button == mbRight) {
                if (OnRightClick) OnRightClick(this, button, shift, x, y);
                PopupMenuAt(false, x, y);
            } else if (OnMidClick) {
                OnMidClick(this, button, shift, x, y);
            }
        }
        if (OnMouseUp) OnMouseUp(this, button, shift, x, y);
        break;
    default:
        if (button == mbLeft) {
            if (!CheckMenu() && OnDblClick) OnDblClick(this);
        } else if (button == mbRight) {
            if (OnRightDblClick) OnRightDblClick(this, button, shift, x, y);
        } else if (OnMidDblClick) {
            OnMidDblClick(this, button, shift, x, y);
        }
        break;
    }
}

void TvCustomTrayIcon::PopupMenuAt(bool Left, int X, int Y) {
    TPopupMenu* menu = Left ? leftPopupMenu_ : popupMenu_;
    if (Designing() || !menu || !menu->AutoPopup) return;
    menu->PopupComponent = this;
    TCustomForm* mainForm = Application->MainForm();
    // The original brings the main form's window forward so that the menu closes when the user
    // clicks elsewhere; a hidden main form stays hidden (the menu closes by itself here).
    if (mainForm && mainForm->Visible()) SetForegroundWindow(mainForm->Handle());
    if (Left) {
        if (OnleftMenu) OnleftMenu(this);
    } else if (OnRightMenu) {
        OnRightMenu(this);
    }
    menu->Popup(X, Y);
    if (mainForm) PostMessage(mainForm->Handle(), WM_NULL, 0, 0);
}

TvTrayIcon::TvTrayIcon(TComponent* AOwner) : TvCustomTrayIcon(AOwner) {}

TvcTrayMeter::TvcTrayMeter(TComponent* AOwner) : TvCustomTrayIcon(AOwner) {
    BuildIcon();
}

std::string TvcTrayMeter::TipText() const {
    return hintText_;
}

void TvcTrayMeter::SetValue(std::int32_t Value) {
    if (Value == value_) return;
    value_ = std::clamp(Value, min_, max_);
    BuildIcon();
}

void TvcTrayMeter::SetMax(std::int32_t Value) {
    max_ = Value > min_ ? Value : min_ + 1;
    value_ = std::clamp(value_, min_, max_);
    BuildIcon();
}

void TvcTrayMeter::SetMin(std::int32_t Value) {
    // Max must stay above it.
    min_ = std::min(Value, INT32_MAX - 1);
    SetMax(max_);
}

std::uint8_t TvcTrayMeter::Percent() const {
    const std::int64_t range = static_cast<std::int64_t>(max_) - min_;
    return static_cast<std::uint8_t>((static_cast<std::int64_t>(value_) - min_) * 100 / range);
}

void TvcTrayMeter::SetPercent(std::uint8_t Value) {
    const long double b = std::min<std::uint8_t>(Value, 100);
    const long double range = static_cast<long double>(max_) - min_;
    SetValue(static_cast<std::int32_t>(std::trunc(range * b / 100 + min_)));
}

void TvcTrayMeter::SetUsePctOnBar(bool Value) {
    if (Value == usePctOnBar_) return;
    usePctOnBar_ = Value;
    BuildIcon();
}

void TvcTrayMeter::SetUseLed(bool Value) {
    if (Value == useLed_) return;
    useLed_ = Value;
    BuildIcon();
}

void TvcTrayMeter::SetColor(TColor Value) {
    if (Value == color_) return;
    color_ = Value;
    BuildIcon();
}

void TvcTrayMeter::SetBarFillColor(TColor Value) {
    if (Value == barFillColor_) return;
    barFillColor_ = Value;
    BuildIcon();
}

void TvcTrayMeter::SetPctColor(TColor Value) {
    if (Value == pctColor_) return;
    pctColor_ = Value;
    BuildIcon();
}

void TvcTrayMeter::SetFrameColor(TColor Value) {
    if (Value == frameColor_) return;
    frameColor_ = Value;
    BuildIcon();
}

void TvcTrayMeter::SetDirection(TvcTMDir Value) {
    if (Value == direction_) return;
    direction_ = Value;
    BuildIcon();
}

void TvcTrayMeter::SetToolTipStyle(TvcTrayHintStyle Value) {
    if (Value == toolTipStyle_) return;
    toolTipStyle_ = Value;
    BuildIcon();
}

void TvcTrayMeter::BuildIcon() {
    TBitmap mask;
    mask.SetPixelFormat(pf1bit);
    mask.SetSize(16, 16);
    mask.Canvas()->Brush()->SetColor(clBlack);
    mask.Canvas()->FillRect(TRect(0, 0, 16, 16));

    TBitmap image;
    image.SetSize(16, 16);
    TCanvas* canvas = image.Canvas();
    canvas->Brush()->SetColor(color_);
    canvas->FillRect(TRect(0, 0, 16, 16));
    canvas->Pen()->SetColor(barFillColor_);
    canvas->Brush()->SetColor(barFillColor_);
    const int p = Percent();
    const int c = static_cast<int>(std::lround(p * 0.14));
    // The Up and Left bars are given from their far edge; the fill takes them either way round.
    switch (direction_) {
    case TvcTM_Up: canvas->FillRect(TRect(1, 15, 15, 15 - c)); break;
    case TvcTM_Down: canvas->FillRect(TRect(1, 1, 15, c + 1)); break;
    case TvcTM_Left: canvas->FillRect(TRect(15, 1, 15 - c, 15)); break;
    case TvcTM_Right: canvas->FillRect(TRect(1, 1, c + 1, 15)); break;
    }
    if (useLed_) {
        canvas->Pen()->SetColor(color_);
        const bool rows = direction_ == TvcTM_Up || direction_ == TvcTM_Down;
        const int first = direction_ == TvcTM_Up || direction_ == TvcTM_Left ? 2 : 1;
        for (int i = first; i <= first + 12; i += 2) {
            if (rows) {
                canvas->MoveTo(1, i);
                canvas->LineTo(15, i);
            } else {
                canvas->MoveTo(i, 1);
                canvas->LineTo(i, 15);
            }
        }
    }
    if (usePctOnBar_) {
        canvas->Font()->SetName("Arial");
        canvas->Font()->SetSize(7);
        canvas->Font()->SetColor(pctColor_);
        canvas->Brush()->SetStyle(bsClear);
        const std::string text = std::to_string(p);
        canvas->TextOut((16 - canvas->TextWidth(text)) / 2, (16 - canvas->TextHeight(text)) / 2, text);
    }
    canvas->Pen()->SetColor(frameColor_);
    canvas->Polyline({TPoint(0, 0), TPoint(0, 15), TPoint(15, 15), TPoint(15, 0), TPoint(0, 0)});

    ICONINFO info;
    info.fIcon = TRUE;
    info.hbmMask = mask.Handle();
    info.hbmColor = image.Handle();
    TIcon icon;
    icon.SetHandle(CreateIconIndirect(&info));

    if (ToolTip().empty()) {
        hintText_.clear();
    } else {
        try {
            switch (toolTipStyle_) {
            case thsPctBar: hintText_ = Format(ToolTip(), {p}); break;
            case thsTotalBar: hintText_ = Format(ToolTip(), {value_}); break;
            case thsTotPct: hintText_ = Format(ToolTip(), {value_, p}); break;
            case thsPctTot: hintText_ = Format(ToolTip(), {p, value_}); break;
            }
        } catch (const Exception&) {
            // A tool tip that does not fit its numbers keeps the text it had.
        }
    }
    AssignIcon(&icon);
}
