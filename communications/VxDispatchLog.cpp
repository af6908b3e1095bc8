#include "communications/VxDispatchLog.h"

#include "communications/VxErrors.h"
#include "communications/VxExcept.h"
#include "communications/VxMisc.h"
#include "communications/VxTrace.h"
#include "platform/rtl/Dates.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/TextFile.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

// Message numbers of the dump's fixed texts.
constexpr int msgTypeNames = 15001;
constexpr int msgSubTypeNames = 15100;
constexpr int msgColumnTitles = 15501;
constexpr int msgColumnRule = 15502;
constexpr int msgModemBitNames = 15601;
constexpr int msgTelnetOptions = 15700;
constexpr DWORD LastTelnetOption = 42;

constexpr int LineWidth = 78;
constexpr int DataColumn = 45;

// Status trigger types as the dump names them.
const char* const StatusTypeNames[] = {"(Not active)",         "(Modem status)",       "(Line status)",
                                       "(Output buffer free)", "(Output buffer used)", "(Output sent)"};

void PutLE(unsigned char* To, DWORD V) {
    for (int i = 0; i < 4; ++i) To[i] = static_cast<unsigned char>(V >> (8 * i));
}

DWORD GetLE(const unsigned char* From) {
    DWORD v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | From[i];
    return v;
}

// Seconds with milliseconds, at least four integer digits: 1234 ms is "0001.234".
std::string TimeText(DWORD Ms) {
    std::string t = Format("%07.7d", {Ms});
    t.insert(t.size() - 3, ".");
    return t;
}

void WriteEntry(TextFile& F, const TDispatchEntryHeader& H, const std::vector<char>& Data, bool InHex,
                bool AllHex) {
    const std::string subType =
        H.SubType == dstNone ? std::string() : VexoLoadStr(msgSubTypeNames + H.SubType);
    Write(F, Format("%8s  %-8s  %-12s  %08.8x  ",
                    {TimeText(H.Time), VexoLoadStr(msgTypeNames + H.Type), subType, H.Value}));
    if (Data.empty()) {
        if (H.Type == dtTelnet)
            Write(F, H.Value <= LastTelnetOption
                         ? "[" + VexoLoadStr(msgTelnetOptions + static_cast<int>(H.Value)) + "]"
                         : std::string("[]"));
    } else if ((H.Type == dtTriggerAlloc || H.Type == dtTriggerDispose) && H.SubType == dstStatusTrigger &&
               static_cast<unsigned char>(Data[0]) <= 5) {
        Write(F, StatusTypeNames[static_cast<unsigned char>(Data[0])]);
    } else {
        // A user's note is text even when everything else is shown in hex.
        const bool allHex = AllHex && H.Type != dtUser;
        int column = DataColumn;
        for (char c : Data) {
            const std::string item = TraceItem(c, InHex, allHex);
            const int width = static_cast<int>(item.size());
            if (column + width > LineWidth) {
                Writeln(F);
                Write(F, std::string(DataColumn - 1, ' '));
                column = DataColumn + width;
            } else {
                column += width;
            }
            Write(F, item);
        }
        if (H.SubType == dstModemStatus) {
            std::string names;
            for (int bit = 0; bit < 8; ++bit)
                if ((H.Value & (1u << bit)) != 0) names += VexoLoadStr(msgModemBitNames + bit);
            Write(F, "(" + Trim(names) + ")");
        }
    }
    Writeln(F);
}

} // namespace

std::string DispatchLogCompiler() {
#if defined(__clang__)
    return "Clang " __clang_version__;
#elif defined(__GNUC__)
    return "GCC " __VERSION__;
#else
    return "C++";
#endif
}

// The platform has no service for the system's version yet, so the line names the system the
// library was built for; "Unknown" as the original said for a platform it did not know.
std::string DispatchLogOperatingSystem() {
#if defined(__linux__)
    return "Linux";
#else
    return "Unknown";
#endif
}

int TVexDispatchLog::Init(DWORD NewSize) {
    if (Buffer) {
        Clear();
        return ecOK;
    }
    if (NewSize == 0 || NewSize > MaxSize) return ecBadArgument;
    Buffer.reset(new (std::nothrow) char[NewSize]);
    if (!Buffer) return ecOutOfMemory;
    Size = NewSize;
    Clear();
    return ecOK;
}

void TVexDispatchLog::Clear() {
    Head = 0;
    Tail = 0;
    FreeBytes = Size;
}

void TVexDispatchLog::Abort() {
    Buffer.reset();
    Size = 0;
    Clear();
}

void TVexDispatchLog::PutBytes(const void* From, DWORD Count) {
    if (Count == 0) return;
    const auto* from = static_cast<const char*>(From);
    const DWORD first = std::min(Count, Size - Head);
    std::memcpy(Buffer.get() + Head, from, first);
    std::memcpy(Buffer.get(), from + first, Count - first);
    Head = (Head + Count) % Size;
    FreeBytes -= Count;
}

void TVexDispatchLog::GetBytes(void* To, DWORD Count) {
    if (Count == 0) return;
    auto* to = static_cast<char*>(To);
    const DWORD first = std::min(Count, Size - Tail);
    std::memcpy(to, Buffer.get() + Tail, first);
    std::memcpy(to + first, Buffer.get(), Count - first);
    Tail = (Tail + Count) % Size;
    FreeBytes += Count;
}

bool TVexDispatchLog::PushDLEntry(const TDispatchEntryHeader& Header, const void* Data) {
    if (!Buffer || (Header.DataLen > 0 && Data == nullptr)) return false;
    const std::uint64_t length = std::uint64_t{HeaderSize} + Header.DataLen;
    if (length >= Size) return false;
    TDispatchEntryHeader oldest;
    while (FreeBytes < length)
        if (PopLastDLEntry(oldest, nullptr)) break;
    unsigned char bytes[HeaderSize] = {Header.Type, Header.SubType, 0, 0};
    PutLE(bytes + 4, Header.Time);
    PutLE(bytes + 8, Header.Value);
    PutLE(bytes + 12, Header.DataLen);
    PutBytes(bytes, HeaderSize);
    if (Header.DataLen > 0) PutBytes(Data, Header.DataLen);
    return true;
}

bool TVexDispatchLog::PopLastDLEntry(TDispatchEntryHeader& Header, std::vector<char>* Data) {
    if (!Buffer || FreeBytes == Size) return true;
    if (Size - FreeBytes < HeaderSize) {
        Clear(); // only whole entries are ever stored: the ring is damaged
        return true;
    }
    unsigned char bytes[HeaderSize];
    GetBytes(bytes, HeaderSize);
    Header.Type = bytes[0];
    Header.SubType = bytes[1];
    Header.Time = GetLE(bytes + 4);
    Header.Value = GetLE(bytes + 8);
    Header.DataLen = GetLE(bytes + 12);
    if (Header.DataLen > Size - FreeBytes) {
        Clear();
        return true;
    }
    if (Data != nullptr) {
        Data->resize(Header.DataLen);
        GetBytes(Data->data(), Header.DataLen);
    } else {
        Tail = (Tail + Header.DataLen) % Size;
        FreeBytes += Header.DataLen;
    }
    return false;
}

int TVexDispatchLog::Dump(const std::string& FileName, bool AppendTo, bool InHex, bool AllHex,
                          const std::string& DeviceName, bool& FileOpened) {
    TextFile f;
    FileOpened = false;
    const int code = OpenDumpFile(f, FileName, AppendTo);
    if (code != 0) return code;
    FileOpened = true;
    Writeln(f, std::string("VEXO ") + VxVersionText());
    Writeln(f, "Compiler : " + DispatchLogCompiler());
    Writeln(f, "Operating System : " + DispatchLogOperatingSystem());
    Writeln(f, "Device: " + DeviceName);
    Writeln(f, "Date/time: " + FormatDateTime("dd/mm/yy, hh:mm:ss", Now()));
    Writeln(f, VexoLoadStr(msgColumnTitles));
    Writeln(f, VexoLoadStr(msgColumnRule));
    TDispatchEntryHeader header;
    std::vector<char> data; // grows to the largest entry's data
    while (!PopLastDLEntry(header, &data)) WriteEntry(f, header, data, InHex, AllHex);
    return CloseDumpFile(f);
}
