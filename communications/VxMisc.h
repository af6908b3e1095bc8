// The communications library's clock and waits: 55-ms ticks, event timers, message-pumping delays;
// the library's component bases with their read-only Version; small string, path, flag and process
// routines.
#pragma once

#include "platform/ui/Classes.h"
#include "platform/ui/Controls.h"
#include "platform/win/Types.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class TStream;

// --- Clock and timers -------------------------------------------------------------------------

// 2^31 ms / 55: the longest timer, and the period of the tick count the timer formulas expect.
inline constexpr std::int32_t TickWrap = 39045157;

// Milliseconds from the performance counter (low 32 bits), or the multimedia clock without one.
DWORD VxTimeGetTime();
// Counter units per millisecond for a performance-counter frequency; 0 when the counter is unusable
// (the query failed, or the frequency does not fit 32 bits, or its low 32 bits are 0).
DWORD VxPerfDivisor(bool counterOk, std::int64_t frequency);

std::int32_t Ticks2Secs(std::int32_t ticks);
std::int32_t Secs2Ticks(std::int32_t secs);
std::int32_t MSecs2Ticks(std::int32_t msecs);

struct EventTimer {
    std::int32_t StartTicks = 0;
    std::int32_t ExpireTicks = 0;
};

void NewTimer(EventTimer& timer, std::int32_t ticks);
void NewTimerSecs(EventTimer& timer, std::int32_t secs);
bool TimerExpired(const EventTimer& timer);
std::int32_t ElapsedTime(const EventTimer& timer);
std::int32_t ElapsedTimeInSecs(const EventTimer& timer);
std::int32_t RemainingTime(const EventTimer& timer);
std::int32_t RemainingTimeInSecs(const EventTimer& timer);

// Pins the tick count the timers read (any thread sees it); nullopt returns to the clock.
void SetTicksForTesting(std::optional<std::int32_t> ticks);

// --- Waits --------------------------------------------------------------------------------------

// Handles one message of the calling thread's queue. Returns 0 when there was none, else the message
// number in the low 16 bits and the low 16 bits of its window in the high 16 bits (18 for a quit,
// which is left pending).
std::int32_t SafeYield();
// Waits ticks (between ticks and ticks + 1 of them), handling messages when yield is set; a quit ends
// the wait early. Returns the last SafeYield result (0 when not yielding or for ticks < 1).
std::int32_t DelayTicks(std::int32_t ticks, bool yield);
// Waits ms milliseconds without handling messages; returns ms.
DWORD DelayMS(DWORD ms);

bool IsWinNT();
bool IsWin2000();

// --- Component bases ----------------------------------------------------------------------------

// The version text of this build: "v4.06", "v4.05" in the firmware loader.
const char* VxVersionText();

// Adds the library's read-only Version to a class-library base.
template <class Base> class TVexVersioned : public Base {
public:
    using Base::Base;
    std::string Version() const { return VxVersionText(); }
    // Kept so that a form may assign it; the text cannot change.
    void SetVersion(const std::string&) {}
};

class TVexBaseComponent : public TVexVersioned<TComponent> {
public:
    using TVexVersioned<TComponent>::TVexVersioned;
};

class TVexBaseWinControl : public TVexVersioned<TWinControl> {
public:
    using TVexVersioned<TWinControl>::TVexVersioned;
};

class TVexBaseGraphicControl : public TVexVersioned<TGraphicControl> {
public:
    using TVexVersioned<TGraphicControl>::TVexVersioned;
};

// --- Processes ----------------------------------------------------------------------------------

// Runs program with parameters (split as a Windows command line is: blanks separate, double quotes
// group, backslashes escape a quote), waits for it and returns its exit code; -1 when it cannot be
// started. No shell is involved. showCommand is accepted for its callers and has no effect here.
std::int32_t ApWinExecAndWait32(const std::string& program, const std::string& parameters, int showCommand);

// --- Zero-terminated strings and paths ----------------------------------------------------------
//
// ":" and "\" delimit path parts, as in the library's own Windows-style names; "/" does too, so that
// Linux paths come apart the same way. Unless said otherwise a dest buffer holds fnBuffSize bytes:
// results are cut at 255 characters and always terminated.

inline constexpr std::size_t fnBuffSize = 256;

// dest holds at least 12 bytes.
char* Long2StrZ(char* dest, std::int32_t n);
// n is 0 when the text is not a whole decimal number (optional sign, digits, within 32 bits).
bool Str2LongZ(const char* text, std::int32_t& n);
char* JustPathnameZ(char* dest, const char* path);
char* JustFilenameZ(char* dest, const char* path);
// dest holds at least 4 bytes.
char* JustExtensionZ(char* dest, const char* path);
// dest holds at least count + 1 bytes.
char* StrStCopy(char* dest, const char* src, std::uint32_t pos, std::uint32_t count);
char* AddBackSlashZ(char* dest, const char* path);
bool ExistFileZ(const char* path);
char* ForceExtensionZ(char* dest, const char* path, const char* ext);
char* DefaultExtensionZ(char* dest, const char* path, const char* ext);
std::string JustName(const std::string& path);
std::string AddBackSlash(const std::string& path);

// --- Flags and memory ---------------------------------------------------------------------------

inline bool FlagIsSet(std::uint32_t flags, std::uint32_t mask) {
    return (flags & mask) != 0;
}
inline bool ByteFlagIsSet(std::uint8_t flags, std::uint8_t mask) {
    return (flags & mask) != 0;
}
inline void SetFlag(std::uint32_t& flags, std::uint32_t mask) {
    flags |= mask;
}
inline void ClearFlag(std::uint32_t& flags, std::uint32_t mask) {
    flags &= ~mask;
}
inline void SetByteFlag(std::uint8_t& flags, std::uint8_t mask) {
    flags = static_cast<std::uint8_t>(flags | mask);
}
inline void ClearByteFlag(std::uint8_t& flags, std::uint8_t mask) {
    flags = static_cast<std::uint8_t>(flags & ~mask);
}
inline std::uint16_t MinWord(std::uint16_t a, std::uint16_t b) {
    return a < b ? a : b;
}
inline void* AddWordToPtr(void* p, std::uint16_t w) {
    return static_cast<char*>(p) + w;
}
inline void* GetPtr(void* p, std::int32_t offset) {
    return static_cast<char*>(p) + offset;
}
// Inverts every bit of size bytes.
void NotBuffer(void* buffer, std::uint32_t size);

// --- Line reader --------------------------------------------------------------------------------

// Reads CR-terminated lines from a stream it owns, a 4096-byte page at a time. A line feed after a
// carriage return is skipped, a final ^Z ends the text, and a last line without carriage return is
// still a line.
class TLineReader {
public:
    static constexpr std::int32_t PageSize = 4096;

    explicit TLineReader(TStream* stream);
    ~TLineReader();
    TLineReader(const TLineReader&) = delete;
    TLineReader& operator=(const TLineReader&) = delete;

    void ReadPage();
    // The next line without its end; empty at the end of the data.
    std::string NextLine();

private:
    std::unique_ptr<TStream> stream_;
    char page_[PageSize + 1] = {};
    std::int32_t pageLen_ = 0;
    std::int32_t pos_ = 0;
    bool eof_ = false;
};

// --- Growable string ----------------------------------------------------------------------------

// A zero-terminated text of at most GetMaxLen characters with a cursor; positions are 1-based,
// character indexes (GetChar, SetChar) 0-based.
class TVxStr {
public:
    explicit TVxStr(std::int32_t maxLen);

    void SetMaxLen(std::int32_t n);
    void Resize(std::int32_t n);
    void Append(const std::string& s);
    void AppendBuff(const char* p);
    void AppendTAdStr(const TVxStr& other);
    void Insert(const std::string& s, std::int32_t pos);
    void Prepend(const std::string& s) { Insert(s, 1); }
    void Delete(std::int32_t pos, std::int32_t count);
    std::string Copy(std::int32_t pos, std::int32_t count) const;
    std::int32_t Pos(const std::string& s) { return PosIdx(s, 1); }
    std::int32_t PosIdx(const std::string& s, std::int32_t from);
    void Assign(const TVxStr& other);
    void Clear();

    void First() { cur_ = 0; }
    void Last() { cur_ = len_ > 0 ? len_ - 1 : 0; }
    void Next() { MoveBy(1); }
    void Prev() { MoveBy(-1); }
    void GotoPos(std::int32_t pos) { SetCursor(static_cast<std::int64_t>(pos) - 1); }
    void MoveBy(std::int32_t n) { SetCursor(static_cast<std::int64_t>(cur_) + n); }

    // 0 outside the text.
    char GetChar(std::int32_t i) const;
    // Only characters of the text can be set.
    void SetChar(std::int32_t i, char c);
    char GetCurChar() const { return GetChar(cur_); }

    std::int32_t GetLen() const { return len_; }
    std::int32_t GetMaxLen() const { return maxLen_; }
    std::int32_t GetBuffLen() const { return maxLen_ + 1; }
    void SetLen(std::int32_t n);

private:
    void Reallocate(std::int32_t n);
    void SetCursor(std::int64_t index);
    void Grow(std::int32_t added);

    std::int32_t maxLen_ = 0;
    std::int32_t len_ = 0;
    std::vector<char> buff_;
    // Index into buff_, kept within the text and its terminator.
    std::int32_t cur_ = 0;
};
