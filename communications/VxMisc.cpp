#include "communications/VxMisc.h"

#include "platform/rtl/Streams.h"
#include "platform/ui/PublishedRows.h"
#include "platform/ui/TypInfo.h"
#include "platform/win/Clock.h"
#include "platform/win/Messages.h"
#include "platform/win/Process.h"
#include "platform/win/Sync.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cstring>
#include <filesystem>
#include <limits>
#include <string_view>

// --- Clock and timers -------------------------------------------------------------------------

namespace {

constexpr std::uint64_t MsPerTick = 55;
constexpr std::int64_t NoFakeTicks = std::numeric_limits<std::int64_t>::min();
std::atomic<std::int64_t> fakeTicks{NoFakeTicks};

DWORD MsDivisor() {
    static const DWORD divisor = [] {
        std::int64_t frequency = 0;
        const bool ok = QueryPerformanceFrequency(&frequency) != 0;
        return VxPerfDivisor(ok, frequency);
    }();
    return divisor;
}

// VxTimeGetTime before it is cut to 32 bits.
std::uint64_t ClockMs() {
    const DWORD divisor = MsDivisor();
    if (divisor == 0) return GetTickCount64();
    std::int64_t count = 0;
    QueryPerformanceCounter(&count);
    return static_cast<std::uint64_t>(count) / divisor;
}

// The timer formulas correct a reading below the start by TickWrap ticks, which is right only for a
// count that wraps at TickWrap. A 32-bit millisecond clock divided by 55 wraps at twice that and
// would leave a timer spanning its wrap unexpired for weeks, so the count is taken from the 64-bit
// clock modulo TickWrap: until the clock reaches 2^31 ms it equals VxTimeGetTime() / 55.
std::int32_t CurrentTicks() {
    const std::int64_t fake = fakeTicks.load(std::memory_order_relaxed);
    if (fake != NoFakeTicks) return static_cast<std::int32_t>(fake);
    return static_cast<std::int32_t>(ClockMs() / MsPerTick % TickWrap);
}

std::int32_t ClampToInt32(std::int64_t v) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, INT32_MIN, INT32_MAX));
}

} // namespace

DWORD VxPerfDivisor(bool counterOk, std::int64_t frequency) {
    const auto f = static_cast<std::uint64_t>(frequency);
    if (!counterOk || (f >> 32) != 0 || (f & 0xFFFFFFFFu) == 0) return 0;
    DWORD divisor = static_cast<DWORD>(f / 1000);
    if (f % 1000 > 500) ++divisor;
    return divisor;
}

DWORD VxTimeGetTime() {
    if (MsDivisor() == 0) return timeGetTime();
    return static_cast<DWORD>(ClockMs());
}

// 64-bit intermediates: in 32 bits the products overflow from about 21 minutes (MSecs2Ticks) or
// 15 days (Ticks2Secs) on.
std::int32_t Ticks2Secs(std::int32_t ticks) {
    return ClampToInt32((std::int64_t{ticks} + 9) * 92 / 1675);
}
std::int32_t Secs2Ticks(std::int32_t secs) {
    return ClampToInt32(std::int64_t{secs} * 1675 / 92);
}
std::int32_t MSecs2Ticks(std::int32_t msecs) {
    return ClampToInt32(std::int64_t{msecs} * 1675 / 92000);
}

void SetTicksForTesting(std::optional<std::int32_t> ticks) {
    fakeTicks.store(ticks ? std::int64_t{*ticks} : NoFakeTicks, std::memory_order_relaxed);
}

void NewTimer(EventTimer& timer, std::int32_t ticks) {
    ticks = std::min(ticks, TickWrap);
    timer.StartTicks = CurrentTicks();
    timer.ExpireTicks = ClampToInt32(std::int64_t{timer.StartTicks} + ticks);
}

void NewTimerSecs(EventTimer& timer, std::int32_t secs) {
    NewTimer(timer, Secs2Ticks(secs));
}

bool TimerExpired(const EventTimer& timer) {
    const std::int64_t now = CurrentTicks();
    if (now > timer.ExpireTicks) return true;
    if (now < timer.StartTicks) return now + TickWrap > timer.ExpireTicks;
    return false;
}

std::int32_t ElapsedTime(const EventTimer& timer) {
    const std::int64_t now = CurrentTicks();
    if (now >= timer.StartTicks) return ClampToInt32(now - timer.StartTicks);
    return ClampToInt32(now + (TickWrap - std::int64_t{timer.StartTicks}));
}

std::int32_t ElapsedTimeInSecs(const EventTimer& timer) {
    return Ticks2Secs(ElapsedTime(timer));
}

std::int32_t RemainingTime(const EventTimer& timer) {
    const std::int64_t now = CurrentTicks();
    const std::int64_t left = now >= timer.StartTicks ? timer.ExpireTicks - now
                                                      : (std::int64_t{timer.ExpireTicks} - TickWrap) - now;
    return ClampToInt32(std::max<std::int64_t>(left, 0));
}

std::int32_t RemainingTimeInSecs(const EventTimer& timer) {
    return Ticks2Secs(RemainingTime(timer));
}

// --- Waits --------------------------------------------------------------------------------------

std::int32_t SafeYield() {
    MSG msg;
    if (!PeekMessage(&msg, 0, 0, 0, PM_REMOVE)) return 0;
    if (msg.message == WM_QUIT) {
        // The thread's own loop must still see it.
        PostQuitMessage(static_cast<int>(msg.wParam));
    } else {
        TranslateMessage(&msg);
        DispatchMessage(&msg);
    }
    return static_cast<std::int32_t>(((msg.hwnd & 0xFFFFu) << 16) | (msg.message & 0xFFFFu));
}

std::int32_t DelayTicks(std::int32_t ticks, bool yield) {
    if (ticks < 1) return 0;
    EventTimer timer;
    NewTimer(timer, ticks);
    std::int32_t result = 0;
    for (;;) {
        if (yield) {
            result = SafeYield();
            if (result == static_cast<std::int32_t>(WM_QUIT)) break;
        }
        if (TimerExpired(timer)) break;
        // The original spun here; blocking for a millisecond keeps the same checks without the load.
        if (!yield) {
            Sleep(1);
        } else if (result == 0) {
            WaitMessageTimeout(1);
        }
    }
    return result;
}

DWORD DelayMS(DWORD ms) {
    // Summing successive differences keeps the count right across the 32-bit wrap.
    std::uint64_t passed = 0;
    DWORD last = VxTimeGetTime();
    while (passed < ms) {
        Sleep(static_cast<DWORD>(ms - passed));
        const DWORD now = VxTimeGetTime();
        passed += static_cast<DWORD>(now - last);
        last = now;
    }
    return ms;
}

bool IsWinNT() {
    return true;
}
bool IsWin2000() {
    return false;
}

// --- Component bases ----------------------------------------------------------------------------

// Weak, so that the firmware loader's own strong definition ("v4.05") replaces it at link time and
// both programs use the same library build.
__attribute__((weak)) const char* VxVersionText() {
    return "v4.06";
}

namespace {

// Read from the build, never from a form: written by no stream, and a value read is dropped.
template <class C> TPropInfo VersionProperty() {
    TPropInfo p = published::Property<C>(
        "Version", [](const C& c) { return c.Version(); },
        [](C& c, const std::string& v) { c.SetVersion(v); });
    p.Stored = [](const TObject*) { return false; };
    return p;
}

// A control keeps the class library's bounds, at the control's place before Version.
template <class C> std::vector<TPropInfo> ControlBaseProperties() {
    std::vector<TPropInfo> props = published::Standard<C>({"Left", "Top", "Width", "Height"});
    props.push_back(VersionProperty<C>());
    return props;
}

const bool kPublished = [] {
    PublishProperties<TVexBaseComponent, TComponent>({VersionProperty<TVexBaseComponent>()});
    PublishProperties<TVexBaseWinControl, TComponent>(ControlBaseProperties<TVexBaseWinControl>());
    PublishProperties<TVexBaseGraphicControl, TComponent>(ControlBaseProperties<TVexBaseGraphicControl>());
    return true;
}();

} // namespace

// --- Processes ----------------------------------------------------------------------------------

std::int32_t ApWinExecAndWait32(const std::string& program, const std::string& parameters,
                                int /*showCommand*/) {
    std::string file = program;
    // Callers quote a program whose path has blanks, as its command line needed.
    if (file.size() >= 2 && file.front() == '"' && file.back() == '"') file = file.substr(1, file.size() - 2);
    return RunProcessAndWait(file, CommandLineToArgv(parameters));
}

// --- Zero-terminated strings and paths ----------------------------------------------------------

namespace {

constexpr std::size_t MaxPathChars = fnBuffSize - 1;

bool IsDelim(char c) {
    return c == ':' || c == '\\' || c == '/';
}

// Index of the last delimiter, npos when there is none.
std::size_t LastDelim(std::string_view path) {
    for (std::size_t i = path.size(); i > 0; --i)
        if (IsDelim(path[i - 1])) return i - 1;
    return std::string_view::npos;
}

// Index of the dot starting the extension of the file name part, npos when there is none.
std::size_t ExtensionDot(std::string_view path) {
    const std::size_t delim = LastDelim(path);
    const std::size_t nameStart = delim == std::string_view::npos ? 0 : delim + 1;
    const std::size_t dot = path.rfind('.');
    return dot != std::string_view::npos && dot >= nameStart ? dot : std::string_view::npos;
}

// dest may be the source buffer.
char* Store(char* dest, std::string_view text, std::size_t maxChars = MaxPathChars) {
    const std::size_t n = std::min(text.size(), maxChars);
    if (n > 0) std::memmove(dest, text.data(), n);
    dest[n] = '\0';
    return dest;
}

} // namespace

char* Long2StrZ(char* dest, std::int32_t n) {
    char text[12];
    const auto res = std::to_chars(text, text + sizeof text, n);
    return Store(dest, std::string_view(text, static_cast<std::size_t>(res.ptr - text)));
}

bool Str2LongZ(const char* text, std::int32_t& n) {
    n = 0;
    if (!text) return false;
    const char* p = text;
    const bool negative = *p == '-';
    if (*p == '-' || *p == '+') ++p;
    if (*p == '\0') return false;
    std::int64_t value = 0;
    for (; *p; ++p) {
        if (*p < '0' || *p > '9') return false;
        value = value * 10 + (*p - '0');
        if (value > std::int64_t{INT32_MAX} + 1) return false;
    }
    if (negative) value = -value;
    if (value > INT32_MAX) return false;
    n = static_cast<std::int32_t>(value);
    return true;
}

char* JustPathnameZ(char* dest, const char* path) {
    const std::string_view p(path);
    const std::size_t delim = LastDelim(p);
    if (delim == std::string_view::npos) return Store(dest, "");
    if (delim == 0) return Store(dest, p.substr(0, 1));
    std::size_t n = delim + 1;
    // A drive's root ("C:\") keeps its backslash; any other directory drops it.
    if (p[delim] != ':' && p[delim - 1] != ':') n = delim;
    return Store(dest, p.substr(0, n));
}

char* JustFilenameZ(char* dest, const char* path) {
    const std::string_view p(path);
    const std::size_t delim = LastDelim(p);
    return Store(dest, delim == std::string_view::npos ? p : p.substr(delim + 1));
}

char* JustExtensionZ(char* dest, const char* path) {
    const std::string_view p(path);
    const std::size_t dot = ExtensionDot(p);
    return Store(dest, dot == std::string_view::npos ? std::string_view() : p.substr(dot + 1), 3);
}

char* StrStCopy(char* dest, const char* src, std::uint32_t pos, std::uint32_t count) {
    const std::string_view s(src);
    if (pos >= s.size()) return Store(dest, "", 0);
    return Store(dest, s.substr(pos, count), count);
}

char* AddBackSlashZ(char* dest, const char* path) {
    std::string s(path);
    if (!s.empty() && !IsDelim(s.back())) s += '\\';
    return Store(dest, s);
}

bool ExistFileZ(const char* path) {
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    return !ec && std::filesystem::exists(status) && !std::filesystem::is_directory(status);
}

char* ForceExtensionZ(char* dest, const char* path, const char* ext) {
    std::string s(path);
    const std::size_t dot = ExtensionDot(s);
    if (dot != std::string::npos) s.resize(dot);
    s += '.';
    s += ext;
    return Store(dest, s);
}

char* DefaultExtensionZ(char* dest, const char* path, const char* ext) {
    std::string s(path);
    if (ExtensionDot(s) == std::string::npos) {
        s += '.';
        s += ext;
    }
    return Store(dest, s);
}

std::string JustName(const std::string& path) {
    const std::size_t delim = LastDelim(path);
    std::string name = delim == std::string::npos ? path : path.substr(delim + 1);
    const std::size_t dot = name.find('.');
    if (dot != std::string::npos) name.resize(dot);
    return name;
}

std::string AddBackSlash(const std::string& path) {
    std::string s = path;
    const bool quoted = !s.empty() && s.back() == '"';
    if (quoted) s.pop_back();
    if (!s.empty() && !IsDelim(s.back())) s += '\\';
    if (quoted) s += '"';
    return s;
}

// --- Flags and memory ---------------------------------------------------------------------------

void NotBuffer(void* buffer, std::uint32_t size) {
    auto* p = static_cast<unsigned char*>(buffer);
    for (std::uint32_t words = size / 4; words > 0; --words, p += 4) {
        std::uint32_t w;
        std::memcpy(&w, p, 4);
        w = ~w;
        std::memcpy(p, &w, 4);
    }
    for (std::uint32_t rest = size % 4; rest > 0; --rest, ++p) *p = static_cast<unsigned char>(~*p);
}

// --- Line reader --------------------------------------------------------------------------------

namespace {
constexpr char CR = '\r';
constexpr char LF = '\n';
constexpr char CtrlZ = 26;
} // namespace

TLineReader::TLineReader(TStream* stream) : stream_(stream) {
    ReadPage();
}

TLineReader::~TLineReader() = default;

void TLineReader::ReadPage() {
    std::int32_t n = stream_ ? stream_->Read(page_, PageSize) : 0;
    n = std::clamp(n, 0, PageSize);
    pageLen_ = n;
    if (n < PageSize) {
        eof_ = true;
        if (n > 0 && page_[n - 1] == CtrlZ) {
            pageLen_ = n - 1;
        } else if (n == 0 || page_[n - 1] != CR) {
            page_[n] = CR;
            pageLen_ = n + 1;
        }
    }
    // The line feed of a CR LF split between two pages.
    pos_ = pageLen_ > 0 && page_[0] == LF ? 1 : 0;
}

std::string TLineReader::NextLine() {
    std::string line;
    for (;;) {
        if (pos_ >= pageLen_) {
            if (eof_) return line;
            ReadPage();
            continue;
        }
        const char* start = page_ + pos_;
        const auto* cr =
            static_cast<const char*>(std::memchr(start, CR, static_cast<std::size_t>(pageLen_ - pos_)));
        if (!cr) {
            line.append(start, static_cast<std::size_t>(pageLen_ - pos_));
            pos_ = pageLen_;
            continue;
        }
        line.append(start, static_cast<std::size_t>(cr - start));
        pos_ = static_cast<std::int32_t>(cr - page_) + 1;
        if (pos_ < pageLen_ && page_[pos_] == LF) ++pos_;
        return line;
    }
}

// --- Growable string ----------------------------------------------------------------------------

namespace {
// Leaves room for the buffer's five spare bytes.
constexpr std::int64_t MaxVxStrLen = INT32_MAX - 5;
} // namespace

TVxStr::TVxStr(std::int32_t maxLen) {
    Reallocate(maxLen);
}

void TVxStr::Reallocate(std::int32_t n) {
    maxLen_ = std::clamp<std::int32_t>(n, 0, static_cast<std::int32_t>(MaxVxStrLen));
    buff_.assign(maxLen_ != 0 ? static_cast<std::size_t>(maxLen_) + 5 : 0, '\0');
    len_ = 0;
    cur_ = 0;
}

void TVxStr::SetCursor(std::int64_t index) {
    cur_ = static_cast<std::int32_t>(std::clamp<std::int64_t>(index, 0, len_));
}

void TVxStr::SetMaxLen(std::int32_t n) {
    if (n != maxLen_) Reallocate(n);
    Clear();
}

void TVxStr::Resize(std::int32_t n) {
    n = std::clamp<std::int32_t>(n, 0, static_cast<std::int32_t>(MaxVxStrLen));
    const std::int32_t keep = std::clamp(n - 1, 0, len_);
    std::vector<char> kept(buff_.begin(), buff_.begin() + keep);
    const std::int32_t cursor = cur_;
    Reallocate(n);
    std::copy(kept.begin(), kept.end(), buff_.begin());
    len_ = keep;
    SetCursor(cursor);
}

void TVxStr::Grow(std::int32_t added) {
    if (std::int64_t{len_} + added > maxLen_) Resize(len_ + added);
}

void TVxStr::Append(const std::string& s) {
    if (s.empty() || std::int64_t{len_} + static_cast<std::int64_t>(s.size()) > MaxVxStrLen) return;
    Grow(static_cast<std::int32_t>(s.size()));
    std::copy(s.begin(), s.end(), buff_.begin() + len_);
    len_ += static_cast<std::int32_t>(s.size());
    buff_[static_cast<std::size_t>(len_)] = '\0';
}

void TVxStr::AppendBuff(const char* p) {
    if (p) Append(p);
}

void TVxStr::AppendTAdStr(const TVxStr& other) {
    Append(other.Copy(1, other.len_));
}

void TVxStr::Insert(const std::string& s, std::int32_t pos) {
    if (s.empty() || pos < 1 || pos > len_) return;
    if (std::int64_t{len_} + static_cast<std::int64_t>(s.size()) > MaxVxStrLen) return;
    const auto added = static_cast<std::int32_t>(s.size());
    Grow(added);
    const auto at = buff_.begin() + (pos - 1);
    std::copy_backward(at, buff_.begin() + len_, buff_.begin() + len_ + added);
    std::copy(s.begin(), s.end(), at);
    len_ += added;
    buff_[static_cast<std::size_t>(len_)] = '\0';
}

void TVxStr::Delete(std::int32_t pos, std::int32_t count) {
    if (pos < 1 || pos > len_ || count < 1) return;
    const std::int32_t from = pos - 1;
    if (std::int64_t{from} + count >= len_) {
        len_ = from;
    } else {
        std::copy(buff_.begin() + from + count, buff_.begin() + len_, buff_.begin() + from);
        len_ -= count;
    }
    buff_[static_cast<std::size_t>(len_)] = '\0';
    SetCursor(cur_);
}

std::string TVxStr::Copy(std::int32_t pos, std::int32_t count) const {
    if (pos < 1 || count < 1 || pos > len_) return {};
    const std::int32_t n = std::min(count, len_ - pos + 1);
    return std::string(buff_.data() + pos - 1, static_cast<std::size_t>(n));
}

std::int32_t TVxStr::PosIdx(const std::string& s, std::int32_t from) {
    if (s.empty() || from < 1 || from > len_) return 0;
    const std::string_view text(buff_.data(), static_cast<std::size_t>(len_));
    const std::size_t at = text.find(s, static_cast<std::size_t>(from - 1));
    if (at == std::string_view::npos) return 0;
    cur_ = static_cast<std::int32_t>(at);
    return cur_ + 1;
}

void TVxStr::Assign(const TVxStr& other) {
    if (&other == this) return;
    maxLen_ = other.maxLen_;
    len_ = other.len_;
    buff_ = other.buff_;
    cur_ = other.cur_;
}

void TVxStr::Clear() {
    len_ = 0;
    if (!buff_.empty()) buff_[0] = '\0';
    cur_ = 0;
}

char TVxStr::GetChar(std::int32_t i) const {
    return i >= 0 && i < len_ ? buff_[static_cast<std::size_t>(i)] : '\0';
}

void TVxStr::SetChar(std::int32_t i, char c) {
    if (i >= 0 && i < len_) buff_[static_cast<std::size_t>(i)] = c;
}

void TVxStr::SetLen(std::int32_t n) {
    n = std::max(n, 0);
    if (n <= len_) {
        len_ = n;
    } else {
        // Growing shows zeros, never what the buffer held before, and stops at the capacity.
        const std::int32_t grown = std::min(n, maxLen_);
        std::fill(buff_.begin() + len_, buff_.begin() + grown, '\0');
        len_ = grown;
    }
    if (!buff_.empty()) buff_[static_cast<std::size_t>(len_)] = '\0';
    SetCursor(cur_);
}
