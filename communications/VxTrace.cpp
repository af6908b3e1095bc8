#include "communications/VxTrace.h"

#include "communications/VxErrors.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/TextFile.h"

#include <new>

namespace {

constexpr int LineWidth = 78;

std::string Heading(char Kind) {
    switch (Kind) {
    case TVexTrace::Transmit:
        return "Transmit: ";
    case TVexTrace::Receive:
        return "Receive: ";
    default:
        return std::string("Special-") + Kind + ": ";
    }
}

} // namespace

std::string TraceItem(char C, bool InHex, bool AllHex) {
    const auto b = static_cast<unsigned char>(C);
    if (AllHex) return "[" + IntToHex(static_cast<std::int32_t>(b), 2) + "]";
    const unsigned char lowest = InHex ? 0x21 : 0x20;
    if (b >= lowest && b <= 0x7E) return std::string(1, C);
    if (InHex) return "[" + IntToHex(static_cast<std::int32_t>(b), 2) + "]";
    return "[" + IntToStr(b) + "]";
}

int OpenDumpFile(TextFile& F, const std::string& FileName, bool AppendTo) {
    IOResult(); // an earlier failure of this thread is not ours
    SetTextBuf(F, 512);
    AssignFile(F, FileName);
    if (AppendTo && FileExists(FileName))
        Append(F);
    else
        Rewrite(F);
    return -IOResult();
}

int CloseDumpFile(TextFile& F) {
    CloseFile(F);
    return -IOResult();
}

int TVexTrace::Init(DWORD NewSize) {
    if (Buffer) {
        Clear();
        return ecOK;
    }
    if (NewSize == 0 || NewSize > MaxSize) return ecBadArgument;
    Buffer.reset(new (std::nothrow) char[static_cast<std::size_t>(NewSize) * 2]);
    if (!Buffer) return ecOutOfMemory;
    Size = NewSize;
    Clear();
    return ecOK;
}

void TVexTrace::Clear() {
    Pos = 0;
    Wrapped = false;
}

void TVexTrace::Abort() {
    Buffer.reset();
    Size = 0;
    Clear();
}

void TVexTrace::Add(char Kind, char Ch) {
    if (!Buffer) return;
    Buffer[static_cast<std::size_t>(Pos) * 2] = Kind;
    Buffer[static_cast<std::size_t>(Pos) * 2 + 1] = Ch;
    if (++Pos == Size) {
        Pos = 0;
        Wrapped = true;
    }
}

int TVexTrace::Dump(const std::string& FileName, bool AppendTo, bool InHex, bool AllHex) const {
    TextFile f;
    const int code = OpenDumpFile(f, FileName, AppendTo);
    if (code != 0) return code;
    const DWORD count = Wrapped ? Size : Pos;
    const DWORD oldest = Wrapped ? Pos : 0;
    char kind = 0;
    int column = 0;
    for (DWORD n = 0; n < count; ++n) {
        const std::size_t at = static_cast<std::size_t>((oldest + n) % Size) * 2;
        if (n == 0 || Buffer[at] != kind) {
            if (n != 0) {
                Writeln(f);
                Writeln(f);
            }
            kind = Buffer[at];
            Writeln(f, Heading(kind));
            column = 0;
        }
        const std::string item = TraceItem(Buffer[at + 1], InHex, AllHex);
        column += static_cast<int>(item.size());
        if (column > LineWidth) {
            Writeln(f);
            column = static_cast<int>(item.size());
        }
        Write(f, item);
    }
    return CloseDumpFile(f);
}
