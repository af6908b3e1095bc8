// Unit VXTrmEmu, the VT100 emulator (declared in VXTrmEmu.h).
#include "communications/VXTerm.h"
#include "communications/VXTrmEmu.h"
#include "communications/VxPort.h"
#include "platform/gdi/Draw.h"
#include "platform/rtl/Format.h"
#include "platform/ui/ControlMessages.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/Filer.h"
#include "platform/ui/Keyboard.h"
#include "platform/ui/TypInfo.h"
#include "platform/win/Resources.h"

#include <algorithm>
#include <cstdio>

namespace {

// Command codes the parser gives.
enum : std::uint32_t {
    cmdCUP = 2,
    cmdCUU = 3,
    cmdCUD = 4,
    cmdCUF = 5,
    cmdCUB = 6,
    cmdSM = 13,
    cmdSGR = 16,
    cmdSaveCursor = 17,
    cmdRestoreCursor = 18,
    cmdDSR = 19,
    cmdHT = 34,
    cmdVT = 40,
    cmdDA = 41,
    cmdDCH = 43,
    cmdDL = 45,
    cmdECH = 49,
    cmdED = 50,
    cmdEL = 52,
    cmdHTS = 65,
    cmdICH = 66,
    cmdIL = 67,
    cmdNEL = 76,
    cmdRI = 88,
    cmdRIS = 89,
    cmdRM = 90,
    cmdTBC = 106,
    cmdSTBM = 113,
    cmdENQ = 114,
    cmdBEL = 115,
    cmdBS = 116,
    cmdLF = 117,
    cmdCR = 118,
    cmdSO = 119,
    cmdSI = 120,
    cmdIND = 121,
    cmdDECALN = 122,
    cmdDECDHL = 123,
    cmdDECDWL = 124,
    cmdLEDs = 125,
    cmdDECREQTPARM = 126,
    cmdDECSWL = 127,
    cmdSCS = 129,
};

// SGR 30..37 and 40..47: black, red, green, yellow, blue, magenta, cyan, white (blue in the high byte).
constexpr TColor kPalette[8] = {0x000000, 0x000080, 0x008000, 0x008080, 0x800000, 0x800080, 0x808000, 0xC0C0C0};

// What 0xB0..0xDA become in the line-drawing set.
constexpr char kUpperLineDraw[] = "aaaxuuukkuxkjjjkmvwtqnttmlvwtqnvvwwmmllnnjl";
static_assert(sizeof(kUpperLineDraw) - 1 == 0xDA - 0xB0 + 1);

int SpeedCode(int Baud) {
    switch (Baud) {
    case 150:
        return 32;
    case 300:
        return 48;
    case 600:
        return 56;
    case 1200:
        return 64;
    case 2400:
        return 88;
    case 4800:
        return 104;
    case 9600:
        return 112;
    default:
        return 120;
    }
}

int HexDigit(char C) {
    if (C >= '0' && C <= '9') return C - '0';
    if (C >= 'A' && C <= 'F') return C - 'A' + 10;
    if (C >= 'a' && C <= 'f') return C - 'a' + 10;
    return -1;
}

} // namespace

// --- TVxLineAttrArray ----------------------------------------------------------------------------

void TVxLineAttrArray::Resize(int Count) {
    if (Count < 0) Count = 0;
    const int old = this->Count();
    if (Count == old) return;
    std::vector<BYTE> attrs(static_cast<std::size_t>(Count), ltNormal);
    const int keep = std::min(old, Count);
    std::copy(FAttrs.end() - keep, FAttrs.end(), attrs.end() - keep);
    FAttrs.swap(attrs);
}

TVxVT100LineAttr TVxLineAttrArray::Get(int Index) const {
    if (Index < 0 || Index >= Count()) return ltNormal;
    return static_cast<TVxVT100LineAttr>(FAttrs[static_cast<std::size_t>(Index)]);
}

void TVxLineAttrArray::Set(int Index, TVxVT100LineAttr Value) {
    if (Index >= 0 && Index < Count()) FAttrs[static_cast<std::size_t>(Index)] = Value;
}

void TVxLineAttrArray::ScrollRows(int Count, int First, int Last) {
    First = std::max(First, 0);
    Last = std::min(Last, this->Count() - 1);
    if (Count == 0 || First > Last) return;
    const auto begin = FAttrs.begin() + First, end = FAttrs.begin() + Last + 1;
    const int height = Last - First + 1;
    if (Count >= height || -Count >= height) {
        std::fill(begin, end, ltNormal);
    } else if (Count > 0) {
        std::copy(begin + Count, end, begin);
        std::fill(end - Count, end, ltNormal);
    } else {
        std::copy_backward(begin, end + Count, end);
        std::fill(begin, begin - Count, ltNormal);
    }
}

void TVxLineAttrArray::Clear() {
    std::fill(FAttrs.begin(), FAttrs.end(), ltNormal);
}

// --- TVxVT100Emulator ----------------------------------------------------------------------------

TVxVT100Emulator::TVxVT100Emulator(TComponent* AOwner)
    : TVxTerminalEmulator(AOwner), FCharSets(new TVxCharSetMapping), FKeyMap(new TVxKeyboardMapping),
      FParser(new TVxVT100Parser(false)), FFont(new TFont) {
    SetBuffer(new TVxTerminalBuffer(false));
    FCharSetMap = FCharSets.get();
    FKeyMap->LoadFromRes(HInstance, "VXVT100KeyMap");
    FCharSets->LoadFromRes(HInstance, "VXVT100CharSet");
    Buffer()->OnScrollRows = TVxScrollRowsNotifyEvent::Bind<&TVxVT100Emulator::OnScrollRows>(this);
    FLineAttrs.Resize(Buffer()->SVRowCount());
}

TVxVT100Emulator::~TVxVT100Emulator() {
    FCharSetMap = nullptr;
}

const char* TVxVT100Emulator::CharSetName(BYTE Code) {
    static const char* const names[] = {"VT100-USASCII", "VT100-UK", "VT100-linedraw", "VT100-ROM1", "VT100-ROM2"};
    return Code < 5 ? names[Code] : "";
}

bool TVxVT100Emulator::teGetNeedsUpdate() {
    const bool base = TVxTerminalEmulator::teGetNeedsUpdate();
    return base || FRefreshAll;
}

void TVxVT100Emulator::teSetTerminal(TVxCustomTerminal* ATerminal) {
    TVxTerminalEmulator::teSetTerminal(ATerminal);
    if (Terminal()) FFont->Assign(Terminal()->Font());
    FRefreshAll = true;
}

void TVxVT100Emulator::teClear() {
    Buffer()->EraseScreen();
}

void TVxVT100Emulator::teClearAll() {
    Buffer()->EraseAll();
}

int TVxVT100Emulator::LineIndex(int Row) {
    TVxTerminalBuffer* b = Buffer();
    if (FLineAttrs.Count() != b->SVRowCount()) FLineAttrs.Resize(b->SVRowCount());
    return Row + b->SVRowCount() - b->RowCount() - 1;
}

TVxVT100LineAttr TVxVT100Emulator::LineAttr(int Row) {
    return FLineAttrs.Get(LineIndex(Row));
}

void TVxVT100Emulator::OnScrollRows(TObject*, int Count, int Top, int Bottom) {
    const int first = LineIndex(Top);
    FLineAttrs.ScrollRows(Count, first, first + Bottom - Top);
}

// --- Received data

void TVxVT100Emulator::ProcessBlock(const char* Data, int Length, TVxCharSource Source) {
    teForEachChar(Data, Length, Source, OnProcessChar, [this](char C) { ProcessChar(C); });
    if (Buffer()->HasDisplayChanged()) RebuildBlinkRuns();
}

void TVxVT100Emulator::ProcessChar(char C) {
    TVxTerminalBuffer* b = Buffer();
    switch (FParser->ProcessChar(C)) {
    case pctChar:
        b->WriteChar(C);
        break;
    case pct8bitChar: {
        if (FDisplayUpperASCII) {
            b->WriteChar(C);
            break;
        }
        const unsigned char u = static_cast<unsigned char>(C);
        if (u < 0xB0 || u > 0xDA) break; // dropped
        const BYTE saved = b->CharSet();
        b->tbSetCharSet(csLineDraw);
        b->WriteChar(kUpperLineDraw[u - 0xB0]);
        b->tbSetCharSet(saved);
        break;
    }
    case pctComplete:
        DoCommand();
        break;
    default:
        break;
    }
}

void TVxVT100Emulator::DoCommand() {
    TVxTerminalBuffer* b = Buffer();
    TVxVT100Parser* p = FParser.get();
    const int argc = p->ArgumentCount();
    const int a0 = p->tpGetArgument(0);
    const int a1 = p->tpGetArgument(1);
    switch (p->Command()) {
    case cmdCUP:
        if (argc == 2) CursorPosition(a0, a1);
        break;
    case cmdCUU:
    case cmdCUD:
    case cmdCUF:
    case cmdCUB:
        if (argc == 1) MoveCursor(p->Command(), a0);
        break;
    case cmdSM:
    case cmdRM:
        SetMode(p->Command() == cmdSM);
        break;
    case cmdSGR:
        CharRendition();
        break;
    case cmdSaveCursor:
        teProcessCommand(ecSaveCursorPos, nullptr);
        break;
    case cmdRestoreCursor:
        teProcessCommand(ecRestoreCursorPos, nullptr);
        break;
    case cmdDSR:
        if (argc != 1) break;
        if (a0 == 5)
            teSendReply("\033[0n");
        else if (a0 == 6)
            teSendReply(Format("\033[%d;%dR", {b->tbGetRow(), b->tbGetCol()}));
        break;
    case cmdHT:
        for (int i = std::min(a0, b->ColCount()); i > 0; --i) b->DoHorzTab();
        break;
    case cmdVT:
        // A VT100 sets no vertical tab stops: a vertical tab feeds a line, as a line feed does.
        for (int i = std::min(a0, b->SVRowCount()); i > 0; --i) b->DoLineFeed();
        break;
    case cmdDA:
        if (argc != 1) break;
        if (a0 == 0)
            teSendReply("\033[?1;0c");
        else if (a0 == 52)
            teSendReply("\033/Z");
        break;
    case cmdDCH:
        if (argc >= 1) b->DeleteChars(a0);
        break;
    case cmdDL:
        if (argc >= 1) b->DeleteLines(a0);
        break;
    case cmdECH:
        if (argc >= 1) b->EraseChars(a0);
        break;
    case cmdICH:
        if (argc >= 1) b->InsertChars(a0);
        break;
    case cmdIL:
        if (argc >= 1) b->InsertLines(a0);
        break;
    case cmdED:
        if (argc != 1) break;
        if (a0 == 0)
            b->EraseToEOW();
        else if (a0 == 1)
            b->EraseFromBOW();
        else if (a0 == 2)
            b->EraseScreen();
        break;
    case cmdEL:
        if (argc != 1) break;
        if (a0 == 0)
            b->EraseToEOL();
        else if (a0 == 1)
            b->EraseFromBOL();
        else if (a0 == 2)
            b->EraseLine();
        break;
    case cmdHTS:
        b->SetHorzTabStop();
        break;
    case cmdNEL:
        b->DoLineFeed();
        if (!FNewLineMode) b->DoCarriageReturn();
        break;
    case cmdRI:
        b->MoveCursorUp(true);
        break;
    case cmdIND:
        b->MoveCursorDown(true);
        break;
    case cmdRIS:
        b->Reset();
        ResetModes();
        break;
    case cmdTBC:
        if (a0 == 0)
            b->ClearHorzTabStop();
        else if (a0 == 3)
            b->ClearAllHorzTabStops();
        break;
    case cmdSTBM: {
        const int top = (argc < 1 || a0 <= 0) ? 1 : a0;
        const int bottom = (argc < 2 || a1 <= 0) ? b->RowCount() : a1;
        b->SetScrollRegion(top, bottom);
        // A VT100 homes the cursor once the margins are set (to the region's top-left in origin
        // mode); margins the buffer refuses leave it where it was, as a VT100 ignores them.
        if (top != bottom) b->SetCursorPosition(1, 1);
        break;
    }
    case cmdENQ:
        teSendReply(Answerback());
        break;
    case cmdBEL:
        MessageBeep(MB_ICONASTERISK);
        break;
    case cmdBS:
        b->DoBackspace();
        break;
    case cmdLF:
        b->DoLineFeed();
        break;
    case cmdCR:
        b->DoCarriageReturn();
        break;
    case cmdSO:
        b->tbSetCharSet(FAnsiMode ? FG1 : csLineDraw);
        FShiftedOut = true;
        break;
    case cmdSI:
        b->tbSetCharSet(FAnsiMode ? FG0 : csUSASCII);
        FShiftedOut = false;
        break;
    case cmdDECALN:
        teProcessCommand(ecDECALN, nullptr);
        break;
    case cmdDECDHL:
        SetLineAttr(a0 == 0 ? ltDblHeightTop : ltDblHeightBottom);
        break;
    case cmdDECDWL:
        SetLineAttr(ltDblWidth);
        break;
    case cmdDECSWL:
        SetLineAttr(ltNormal);
        break;
    case cmdLEDs:
        for (int i = 0; i < argc; ++i) {
            const int v = p->tpGetArgument(i);
            if (v == 0)
                FLEDs = 0;
            else if (v >= 1 && v <= 4)
                FLEDs = static_cast<BYTE>(FLEDs | (1u << (v - 1)));
        }
        break;
    case cmdDECREQTPARM:
        RequestTerminalParameters(a0);
        break;
    case cmdSCS:
        DesignateCharSet(a0, a1);
        break;
    default:
        break;
    }
}

// An explicit 0 means 1, as a missing number does; a position beyond the screen (or, in origin
// mode, beyond the scroll region) stops at its edge instead of reaching into the history.
void TVxVT100Emulator::CursorPosition(int Row, int Col) {
    TVxTerminalBuffer* b = Buffer();
    const int rows = b->UseAbsAddress() ? b->RowCount() : b->RegionHeight();
    Row = std::clamp(Row, 1, rows);
    Col = std::clamp(Col, 1, b->ColCount());
    b->SetCursorPosition(Row, Col);
}

// A count beyond the grid moves no further than the edge, so it is cut to the grid first.
void TVxVT100Emulator::MoveCursor(std::uint32_t Command, int Count) {
    TVxTerminalBuffer* b = Buffer();
    Count = std::max(Count, 1);
    switch (Command) {
    case cmdCUU:
    case cmdCUD:
        for (int i = std::min(Count, b->SVRowCount()); i > 0; --i)
            if (Command == cmdCUU)
                b->MoveCursorUp(false);
            else
                b->MoveCursorDown(false);
        break;
    case cmdCUF:
        b->tbSetCol(std::min(b->ColCount(), b->tbGetCol() + std::min(Count, b->ColCount())));
        break;
    default:
        b->tbSetCol(std::max(1, b->tbGetCol() - std::min(Count, b->ColCount())));
        break;
    }
}

void TVxVT100Emulator::SetMode(bool On) {
    TVxTerminalBuffer* b = Buffer();
    const int argc = FParser->ArgumentCount();
    const int a0 = FParser->tpGetArgument(0);
    if (argc == 1) {
        if (a0 == 4) {
            FInsertMode = On;
            b->SetUseInsertMode(On);
        } else if (a0 == 20) {
            FNewLineMode = On;
            b->SetUseNewLineMode(On);
        }
    } else if (argc == 2 && a0 == -2) {
        SetPrivateMode(FParser->tpGetArgument(1), On);
    }
}

void TVxVT100Emulator::SetPrivateMode(int Mode, bool On) {
    switch (Mode) {
    case 1:
        FAppCursorKeys = On;
        break;
    case 2:
        FAnsiMode = On;
        break;
    case 3:
        vttSetCol132Mode(On);
        break;
    case 4:
        FSmoothScroll = On;
        break;
    case 5:
        vttSetRevScreenMode(On);
        break;
    case 6:
        vttSetRelOriginMode(On);
        // A VT100 homes the cursor whenever origin mode is set or reset, to the new home.
        Buffer()->SetCursorPosition(1, 1);
        break;
    case 7:
        FAutoWrap = On;
        Buffer()->SetUseAutoWrap(On);
        break;
    case 8:
        FAutoRepeat = On;
        break;
    case 9:
        FInterlace = On;
        break;
    case 999:
        FAppKeypad = On;
        break;
    default:
        break;
    }
}

void TVxVT100Emulator::CharRendition() {
    TVxTerminalBuffer* b = Buffer();
    TVxTerminalCharAttrs attrs = b->GetCharAttrs();
    for (int i = 0; i < FParser->ArgumentCount(); ++i) {
        const int v = FParser->tpGetArgument(i);
        switch (v) {
        case 0:
            attrs = TVxTerminalCharAttrs{};
            b->tbSetForeColor(b->DefForeColor());
            b->tbSetBackColor(b->DefBackColor());
            break;
        case 1:
            attrs.Include(tcaBold);
            break;
        case 4:
            attrs.Include(tcaUnderline);
            break;
        case 5:
            attrs.Include(tcaBlink);
            break;
        case 7:
            attrs.Include(tcaReverse);
            break;
        case 8:
            attrs.Include(tcaInvisible);
            break;
        case 22:
            attrs.Exclude(tcaBold);
            break;
        case 24:
            attrs.Exclude(tcaUnderline);
            break;
        case 25:
            attrs.Exclude(tcaBlink);
            break;
        case 27:
            attrs.Exclude(tcaReverse);
            break;
        case 28:
            attrs.Exclude(tcaInvisible);
            break;
        default:
            if (v >= 30 && v <= 37)
                b->tbSetForeColor(kPalette[v - 30]);
            else if (v >= 40 && v <= 47)
                b->tbSetBackColor(kPalette[v - 40]);
            break;
        }
    }
    if (attrs != b->GetCharAttrs()) b->SetCharAttrs(attrs);
}

// The row the cursor is on, counted absolutely also in origin mode.
void TVxVT100Emulator::SetLineAttr(TVxVT100LineAttr Value) {
    TVxTerminalBuffer* b = Buffer();
    const int row = b->UseAbsAddress() ? b->tbGetRow() : b->tbGetRow() + b->tbGetOriginRow() - 1;
    const int index = LineIndex(row);
    FLineAttrs.Set(index, Value);
    b->tbInvalidateRect(index, 0, b->ColCount() - 1, index);
}

void TVxVT100Emulator::ResetModes() {
    FAnsiMode = true;
    FAppCursorKeys = false;
    FAppKeypad = false;
    FAutoRepeat = true;
    vttSetCol132Mode(false);
    FInsertMode = false;
    FInterlace = false;
    FNewLineMode = false;
    vttSetRelOriginMode(false);
    vttSetRevScreenMode(false);
    FSmoothScroll = false;
    FAutoWrap = true;
    FShiftedOut = false;
    FG0 = FG1 = 0;
    // The screen is blank again: no row may stay double width or height.
    FLineAttrs.Clear();
}

void TVxVT100Emulator::RequestTerminalParameters(int Arg) {
    TVxCustomTerminal* t = Terminal();
    TVexCustomComPort* port = t ? t->ComPort() : nullptr;
    if (!port) return;
    const int a = std::clamp(Arg, 0, 1);
    const int parity = port->Parity() == pOdd ? 4 : port->Parity() == pEven ? 5 : 1;
    const int bits = port->DataBits() == 8 ? 1 : 2;
    const int speed = SpeedCode(port->Baud());
    teSendReply(Format("\033[%d;%d;%d;%d;%d;%d;%dx", {a + 2, parity, bits, speed, speed, 1, 0}));
}

void TVxVT100Emulator::DesignateCharSet(int Which, int Set) {
    BYTE code;
    switch (Set) {
    case 0:
        code = csLineDraw;
        break;
    case 1:
        code = csROM1;
        break;
    case 2:
        code = csROM2;
        break;
    case 65:
        code = csUK;
        break;
    case 66:
        code = csUSASCII;
        break;
    default:
        return;
    }
    if (Which == 0) {
        FG0 = code;
        if (!FShiftedOut) Buffer()->tbSetCharSet(code);
    } else if (Which == 1) {
        FG1 = code;
        if (FShiftedOut) Buffer()->tbSetCharSet(code);
    }
}

void TVxVT100Emulator::vttSetCol132Mode(bool Value) {
    if (Value == FCol132) return;
    FCol132 = Value;
    const int columns = Value ? 132 : 80;
    if (Terminal())
        Terminal()->tmSetColumns(columns);
    else
        Buffer()->tbSetColCount(columns);
}

void TVxVT100Emulator::vttSetRelOriginMode(bool Value) {
    if (Value == FRelOrigin) return;
    FRelOrigin = Value;
    Buffer()->SetUseAbsAddress(!Value);
}

void TVxVT100Emulator::vttSetRevScreenMode(bool Value) {
    if (Value == FRevScreen) return;
    FRevScreen = Value;
    FRefreshAll = true;
}

void TVxVT100Emulator::vttToggleNumLock() {
    BYTE state[256] = {};
    GetKeyboardState(state);
    state[VK_NUMLOCK] ^= 1;
    SetKeyboardState(state);
}

// --- Keys

void TVxVT100Emulator::CharTyped(char& C) {
    teSendChar(C, true, csKeyboard);
    if (C == '\r' && FNewLineMode) teSendChar('\n', true, csKeyboard);
}

void TVxVT100Emulator::KeyDown(WORD& Key, TShiftState Shift) {
    if (Key & 0x8000) {
        if (!FAutoRepeat) {
            Key = 0;
            return;
        }
        Key = static_cast<WORD>(Key & ~0x8000);
    }
    char code[16];
    std::snprintf(code, sizeof code, "\\x%02X", static_cast<unsigned>(Key));
    std::string name = FKeyMap->Get(code);
    if (name.empty()) return;
    if (Shift.Contains(ssAlt)) name = "alt+" + name;
    if (Shift.Contains(ssCtrl)) name = "ctrl+" + name;
    if (Shift.Contains(ssShift)) name = "shift+" + name;
    std::string terminalKey = FKeyMap->Get(name);
    if (terminalKey.empty()) return;
    char& last = terminalKey.back();
    if (last == 'c')
        last = !FAnsiMode ? '0' : FAppCursorKeys ? '2' : '1';
    else if (last == 'k')
        last = !FAnsiMode ? (FAppKeypad ? '4' : '3') : (FAppKeypad ? '6' : '5');
    const std::string value = FKeyMap->Get(terminalKey);
    if (value.empty()) return;
    SendKeyValue(value);
    const bool numLock = Key == VK_NUMLOCK;
    Key = 0;
    if (numLock) vttToggleNumLock();
}

// Echo is asked for until an ESC has been sent.
void TVxVT100Emulator::SendKeyValue(const std::string& Value) {
    bool echo = true;
    const std::size_t n = Value.size();
    for (std::size_t i = 0; i < n; ++i) {
        const char c = Value[i];
        if (c != '\\' || i + 1 >= n) {
            teSendChar(c, echo, csKeyboard);
            continue;
        }
        const char next = Value[++i];
        if (next == 'e') {
            teSendChar('\033', false, csKeyboard);
            echo = false;
        } else if (next == 'x') {
            const int hi = i + 1 < n ? HexDigit(Value[i + 1]) : -1;
            const int lo = i + 2 < n ? HexDigit(Value[i + 2]) : -1;
            i = std::min(i + 2, n - 1);
            const char code = (hi < 0 || lo < 0) ? '?' : static_cast<char>(hi * 16 + lo);
            if (code == '\r') {
                teSendChar('\r', true, csKeyboard);
                if (FNewLineMode) teSendChar('\n', true, csKeyboard);
            } else if (code == '\033') {
                teSendChar('\033', false, csKeyboard);
                echo = false;
            } else {
                teSendChar(code, echo, csKeyboard);
            }
        } else {
            teSendChar('\\', true, csKeyboard);
            teSendChar(next, true, csKeyboard);
        }
    }
}

// --- Blinking and painting

void TVxVT100Emulator::RebuildBlinkRuns() {
    FBlinkRuns.clear();
    TVxTerminalBuffer* b = Buffer();
    const int first = Terminal() ? Terminal()->OriginRow() : 1;
    const int columns = b->ColCount();
    const BYTE blink = CharAttrsToByte(TVxTerminalCharAttrs{tcaBlink});
    for (int row = first; row < first + b->RowCount(); ++row) {
        const BYTE* attrs = b->GetLineAttrPtr(row);
        if (!attrs) continue;
        int start = 0;
        for (int col = 1; col <= columns; ++col) {
            const bool on = (attrs[col - 1] & blink) != 0;
            if (on && !start) start = col;
            if (!on && start) {
                FBlinkRuns.push_back({row, start, col - 1});
                start = 0;
            }
        }
        if (start) FBlinkRuns.push_back({row, start, columns});
    }
}

void TVxVT100Emulator::LazyPaint() {
    tePaintInvalid(FRefreshAll);
}

void TVxVT100Emulator::Paint() {
    tePaintClip();
}

void TVxVT100Emulator::BlinkPaint(int Phase) {
    if (!Terminal()) return;
    for (const TVxBlinkRun& run : FBlinkRuns) {
        if (Phase == 1)
            teDrawRow(run.Row, run.FirstCol, run.LastCol);
        else
            FillBlinkRun(run);
    }
}

// The geometry of a row's cells on the screen: double rows show every cell two cells wide.
namespace {
struct TRowGeometry {
    bool Double;
    int ViewFirst, ViewLast; // buffer columns that can show
    int Advance;             // pixels per cell
    int Shift;               // pixels the row starts left of the window
    int X(int Col) const { return (Col - ViewFirst) * Advance - Shift; }
};

TRowGeometry RowGeometry(TVxCustomTerminal* T, TVxVT100LineAttr Attr) {
    const int cw = T->GetTotalCharWidth();
    const int oc = T->OriginCol(), vc = T->VisibleCols();
    if (Attr == ltNormal) return {false, oc, oc + vc, cw, 0};
    return {true, (oc - 1) / 2 + 1, (oc + vc - 1) / 2 + 1, 2 * cw, oc % 2 == 0 ? cw : 0};
}
} // namespace

void TVxVT100Emulator::FillBlinkRun(const TVxBlinkRun& Run) {
    TVxCustomTerminal* t = Terminal();
    TVxTerminalBuffer* b = Buffer();
    if (Run.Row < t->OriginRow() || Run.Row > t->OriginRow() + t->VisibleRows() - 1) return;
    const TVxVT100LineAttr attr = LineAttr(Run.Row);
    const int source = attr == ltDblHeightBottom ? Run.Row - 1 : Run.Row;
    const TColor* fores = b->GetLineForeColorPtr(source);
    const TColor* backs = b->GetLineBackColorPtr(source);
    if (!fores || !backs) return;
    const TColor* colors = FRevScreen ? fores : backs;
    const TRowGeometry g = RowGeometry(t, attr);
    int first = Run.FirstCol, last = Run.LastCol;
    if (g.Double) {
        first = (first - 1) / 2 + 1;
        last = (last - 1) / 2 + 1;
    }
    first = std::max(first, g.ViewFirst);
    last = std::min({last, g.ViewLast, b->ColCount()});
    const int ch = t->GetTotalCharHeight();
    const int y = (Run.Row - t->OriginRow()) * ch;
    HDC dc = t->Canvas()->Handle();
    for (int col = first; col <= last;) {
        int end = col;
        while (end < last && colors[end] == colors[col - 1]) ++end;
        const RECT r{g.X(col), y, g.X(end + 1), y + ch};
        HBRUSH brush = CreateSolidBrush(ColorToRGB(colors[col - 1]));
        FillRect(dc, &r, brush);
        DeleteObject(brush);
        col = end + 1;
    }
}

void TVxVT100Emulator::teDrawRow(int Row, int FirstCol, int LastCol) {
    TVxCustomTerminal* t = Terminal();
    TVxTerminalBuffer* b = Buffer();
    if (Row < t->OriginRow() || Row > t->OriginRow() + t->VisibleRows() - 1) return;
    const TVxVT100LineAttr attr = LineAttr(Row);
    const TRowGeometry g = RowGeometry(t, attr);
    if (g.Double) {
        FirstCol = (FirstCol - 1) / 2 + 1;
        LastCol = (LastCol - 1) / 2 + 1;
    }
    FirstCol = std::max(FirstCol, g.ViewFirst);
    LastCol = std::min({LastCol, g.ViewLast, b->ColCount()});
    if (FirstCol > LastCol) return;
    DrawCells(Row, FirstCol, LastCol);
}

void TVxVT100Emulator::DrawCells(int Row, int FirstCol, int LastCol) {
    TVxCustomTerminal* t = Terminal();
    TVxTerminalBuffer* b = Buffer();
    const TVxVT100LineAttr attr = LineAttr(Row);
    const TRowGeometry g = RowGeometry(t, attr);
    // The bottom half of a double-height pair shows its top half's text.
    const int source = attr == ltDblHeightBottom ? Row - 1 : Row;
    const auto* chars = static_cast<const char*>(b->GetLineCharPtr(source));
    const BYTE* sets = b->GetLineCharSetPtr(source);
    const BYTE* attrs = b->GetLineAttrPtr(source);
    const TColor* fores = b->GetLineForeColorPtr(source);
    const TColor* backs = b->GetLineBackColorPtr(source);
    if (!chars) return;

    const int ch = t->GetTotalCharHeight();
    const bool tall = attr == ltDblHeightTop || attr == ltDblHeightBottom;
    const std::size_t columns = static_cast<std::size_t>(b->ColCount()) + 1;
    if (FText.size() < columns) FText.resize(columns);
    if (FWidths.size() < columns) FWidths.resize(columns);
    std::fill(FWidths.begin(), FWidths.end(), g.Advance);

    HDC dc = t->Canvas()->Handle();
    TFont* termFont = t->Font();
    const int y = (Row - t->OriginRow()) * ch;
    const int textY = attr == ltDblHeightBottom ? y - ch : y;
    const BYTE reverse = CharAttrsToByte(TVxTerminalCharAttrs{tcaReverse});
    std::string font, text;
    for (int col = FirstCol; col <= LastCol;) {
        const int i = col - 1;
        int end = col;
        while (end < LastCol && fores[end] == fores[i] && backs[end] == backs[i] && attrs[end] == attrs[i] &&
               sets[end] == sets[i])
            ++end;
        const int count = end - col + 1;
        const BYTE shown = FRevScreen ? static_cast<BYTE>(attrs[i] ^ reverse) : attrs[i];
        const TVxRunColors colors = TTYRunColors(fores[i], backs[i], shown);
        const RECT r{g.X(col), y, g.X(end + 1), y + ch};
        HBRUSH brush = CreateSolidBrush(ColorToRGB(colors.Fill));
        FillRect(dc, &r, brush);
        DeleteObject(brush);
        SetTextColor(dc, ColorToRGB(colors.Text));
        SetBkMode(dc, TRANSPARENT);

        FCharSets->GenerateDrawScript(CharSetName(sets[i]), std::string(chars + i, static_cast<std::size_t>(count)));
        int x = r.left;
        while (FCharSets->GetNextDrawCommand(font, text)) {
            if (font == VxDefaultFontName && !tall) {
                SelectObject(dc, termFont->Handle());
            } else {
                FFont->Assign(termFont);
                if (font != VxDefaultFontName) FFont->SetName(font);
                FFont->SetCharset(termFont->Charset());
                if (tall) FFont->SetHeight(termFont->Height() * 2);
                SelectObject(dc, FFont->Handle());
            }
            const std::size_t n = std::min(text.size(), FText.size());
            std::copy(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(n), FText.begin());
            ExtTextOut(dc, x, textY, ETO_CLIPPED, &r, FText.data(), static_cast<UINT>(n), FWidths.data());
            x += static_cast<int>(n) * g.Advance;
        }
        const TVxTerminalCharAttrs a = ByteToCharAttrs(attrs[i]);
        // A double-height pair has one line of each kind: the underline on its bottom half, the
        // strikethrough where the halves meet (the bottom half's first pixel row).
        const bool underline = a.Contains(tcaUnderline) && attr != ltDblHeightTop;
        const bool strike = a.Contains(tcaStrikethrough) && attr != ltDblHeightTop;
        if (underline || strike) {
            HPEN pen = CreatePen(PS_SOLID, 1, ColorToRGB(colors.Text));
            HGDIOBJ old = SelectObject(dc, pen);
            if (underline) {
                MoveToEx(dc, r.left, r.bottom - 2, nullptr);
                LineTo(dc, r.right, r.bottom - 2);
            }
            if (strike) {
                const int middle = tall ? y : y + ch / 2;
                MoveToEx(dc, r.left, middle, nullptr);
                LineTo(dc, r.right, middle);
            }
            SelectObject(dc, old);
            DeleteObject(pen);
        }
        col = end + 1;
    }
}

// --- Published ----------------------------------------------------------------------------------

namespace {

const bool kPublished = [] {
    using namespace published;
    using V = TVxVT100Emulator;
    TPropInfo answerback = Property<V>(
        "Answerback", [](const V& v) { return v.Answerback(); },
        [](V& v, const std::string& s) { v.SetAnswerback(s); });
    // Written by the emulator's own rule (DefineProperties), empty or not; read here.
    answerback.Stored = [](const TObject*) { return false; };
    PublishProperties<V, TVxTerminalEmulator>({
        answerback,
        Property<V>(
            "DisplayUpperASCII", [](const V& v) { return v.DisplayUpperASCII(); },
            [](V& v, bool b) { v.SetDisplayUpperASCII(b); }),
        Field<V>("OnProcessChar", &V::OnProcessChar),
    });
    RegisterClass<TVxVT100Emulator>();
    return true;
}();

} // namespace
