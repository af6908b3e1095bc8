#include "communications/VXTrmPsr.h"

#include <cstring>
#include <limits>

TVxTerminalParser::TVxTerminalParser(bool UseWideChar) : FUseWideChar(UseWideChar) {}

int TVxTerminalParser::tpGetArgument(int) { return 0; }

std::string TVxTerminalParser::tpGetSequence() { return {}; }

TVxParserCmdType TVxTerminalParser::ProcessChar(char) { return pctNone; }

TVxParserCmdType TVxTerminalParser::ProcessWideChar(char16_t) { return pctNone; }

void TVxTerminalParser::Clear() {}

void TVxTerminalParser::ForceCommand(std::uint32_t Command) {
    Clear();
    FCommand = Command;
}

TVxVT100Parser::TVxVT100Parser(bool UseWideChar) : TVxTerminalParser(UseWideChar) {}

int TVxVT100Parser::tpGetArgument(int Index) {
    if (Index < 0 || Index >= FArgCount) return 0;
    return FArgs[Index];
}

std::string TVxVT100Parser::tpGetSequence() {
    if (FCommand == 0) return {};
    return std::string(FSequence, static_cast<std::size_t>(FSeqLength));
}

TVxParserCmdType TVxVT100Parser::ProcessWideChar(char16_t) { return pctNone; }

void TVxVT100Parser::Clear() {
    FSeqLength = 0;
    FCommand = 0;
    FArgCount = 0;
    // A sequence state without its text would misread what follows.
    FState = psIdle;
}

TVxParserCmdType TVxVT100Parser::Complete(std::uint32_t Command, std::initializer_list<std::int32_t> Args) {
    for (std::int32_t a : Args) AddArgument(a);
    FState = psGotCommand;
    FCommand = Command;
    return pctComplete;
}

TVxParserCmdType TVxVT100Parser::Reject() {
    FState = psGotCommand;
    FCommand = 0;
    return pctNone;
}

void TVxVT100Parser::AddArgument(std::int32_t Value) { FArgs[FArgCount++] = Value; }

TVxParserCmdType TVxVT100Parser::ProcessChar(char Ch) {
    const auto c = static_cast<unsigned char>(Ch);
    if (FState == psGotCommand) {
        FArgCount = 0;
        FSeqLength = 0;
        FCommand = 0;
        FState = psIdle;
    } else if (FState == psGotInterCommand) {
        FArgCount = 0;
        FCommand = 0;
        std::memcpy(FSequence, FSaved, static_cast<std::size_t>(FSavedLength));
        FSeqLength = FSavedLength;
        FState = FSavedState;
    }
    if (c < 32) return ProcessControl(c);
    if (FSeqLength == MaxSequenceLength) return Reject();
    FSequence[FSeqLength++] = static_cast<char>(c);

    switch (FState) {
    case psIdle:
        FState = psGotCommand;
        FCommand = 1;
        return c <= '~' ? pctChar : pct8bitChar;
    case psGotEscape:
        // The keypad modes are set alike in both modes.
        if (c == '=') return Complete(13, {-2, 999});
        if (c == '>') return Complete(90, {-2, 999});
        return FVT52Mode ? ProcessVT52Escape(c) : ProcessEscape(c);
    case psParsingANSI:
        if (c < '@' || c > '~') return pctPending;
        return DecodeANSI(c);
    case psParsingHash:
        switch (c) {
        case '3':
            return Complete(123, {0});
        case '4':
            return Complete(123, {1});
        case '5':
            return Complete(127);
        case '6':
            return Complete(124);
        case '8':
            return Complete(122);
        default:
            return Reject();
        }
    case psParsingLeftParen:
    case psParsingRightParen: {
        if (c < '0' || c > '~') return pctPending;
        std::int32_t set;
        switch (c) {
        case '0':
        case '1':
        case '2':
            set = c - '0';
            break;
        case 'A':
        case 'B':
            set = c;
            break;
        default:
            return Reject();
        }
        if (FSeqLength != 3) return Reject();
        return Complete(129, {FState == psParsingLeftParen ? 0 : 1, set});
    }
    case psParsingCharSet:
        if (c < '0' || c > '~') return pctPending;
        return Reject();
    case psParsingCUP52:
        // ESC Y row column, each byte 31 more than its value. Read from the text so that a control
        // character between them does not lose the row.
        if (FSeqLength < 4) return pctPending;
        AddArgument(static_cast<unsigned char>(FSequence[2]) - 31);
        AddArgument(static_cast<unsigned char>(FSequence[3]) - 31);
        return Complete(2);
    default:
        return pctPending;
    }
}

TVxParserCmdType TVxVT100Parser::ProcessEscape(unsigned char Ch) {
    switch (Ch) {
    case '#':
        FState = psParsingHash;
        return pctPending;
    case '(':
        FState = psParsingLeftParen;
        return pctPending;
    case ')':
        FState = psParsingRightParen;
        return pctPending;
    case '*':
    case '+':
    case '-':
    case '.':
    case '/':
        FState = psParsingCharSet;
        return pctPending;
    case '[':
        FState = psParsingANSI;
        return pctPending;
    case '1':
    case '2':
        return Complete(0);
    case '7':
        return Complete(17);
    case '8':
        return Complete(18);
    case 'D':
        return Complete(121);
    case 'E':
        return Complete(76);
    case 'H':
        return Complete(65);
    case 'M':
        return Complete(88);
    case 'Z':
        return Complete(41, {0});
    case 'c':
        return Complete(89);
    default:
        return Reject();
    }
}

TVxParserCmdType TVxVT100Parser::ProcessVT52Escape(unsigned char Ch) {
    switch (Ch) {
    case '<':
        FVT52Mode = false;
        return Complete(13, {-2, 2});
    case 'A':
    case 'B':
    case 'C':
    case 'D':
        return Complete(3 + (Ch - 'A'), {1});
    case 'F':
        return Complete(119);
    case 'G':
        return Complete(120);
    case 'H':
        return Complete(2, {1, 1});
    case 'I':
        return Complete(88);
    case 'J':
        return Complete(50, {0});
    case 'K':
        return Complete(52, {0});
    case 'Y':
        FState = psParsingCUP52;
        return pctPending;
    case 'Z':
        return Complete(41, {52});
    default:
        return Reject();
    }
}

TVxParserCmdType TVxVT100Parser::ProcessControl(unsigned char Ch) {
    // The interrupted sequence goes on with the next character.
    std::memcpy(FSaved, FSequence, static_cast<std::size_t>(FSeqLength));
    FSavedLength = FSeqLength;
    FSavedState = FState;
    FState = psGotInterCommand;
    FArgCount = 0;
    FSequence[0] = static_cast<char>(Ch);
    FSeqLength = 1;
    FCommand = 0;
    switch (Ch) {
    case 5: // ENQ
        return Carry(114);
    case 7: // BEL
        return Carry(115);
    case 8: // BS
        return Carry(116);
    case 9: // HT
        return Carry(34, 1);
    case 10: // LF
        return Carry(117);
    case 11: // VT
        return Carry(40, 1);
    case 12: // FF
        return Carry(50, 2);
    case 13: // CR
        return Carry(118);
    case 14: // SO
        return Carry(119);
    case 15: // SI
        return Carry(120);
    case 27:
        FState = psGotEscape;
        return pctPending;
    default:
        return pctNone;
    }
}

TVxParserCmdType TVxVT100Parser::Carry(std::uint32_t Command, std::int32_t Count) {
    if (Count > 0) AddArgument(Count);
    FCommand = Command;
    return pctComplete;
}

TVxParserCmdType TVxVT100Parser::DecodeANSI(unsigned char Final) {
    static constexpr char kDecscl[] = "\x1b[61\"p";
    if (FSeqLength == static_cast<int>(sizeof kDecscl - 1) &&
        std::memcmp(FSequence, kDecscl, sizeof kDecscl - 1) == 0)
        return Complete(89);
    if (!vtpGetArguments()) return Reject();
    switch (Final) {
    case 'H':
    case 'f':
        return ValidatedCommand(2, 2, 2, 1);
    case 'A':
        return ValidatedCommand(3, 1, 1, 1);
    case 'B':
        return ValidatedCommand(4, 1, 1, 1);
    case 'C':
        return ValidatedCommand(5, 1, 1, 1);
    case 'D':
        return ValidatedCommand(6, 1, 1, 1);
    case 'h':
        return Complete(13);
    case 'l':
        if (FArgCount == 2 && FArgs[0] == -2 && FArgs[1] == 2) FVT52Mode = true;
        return Complete(90);
    case 'm':
        return ValidatedCommand(16, 1, 30000, 0);
    case 's':
        return Complete(17);
    case 'u':
        return Complete(18);
    case 'n':
        return ValidatedCommand(19, 1, 1, -1);
    case 'c':
        return ValidatedCommand(41, 1, 1, 0);
    case 'P':
        return ValidatedCommand(43, 1, 1, 1);
    case 'M':
        return ValidatedCommand(45, 1, 1, 1);
    case 'X':
        return ValidatedCommand(49, 1, 1, 1);
    case 'J':
        return ValidatedCommand(50, 1, 1, 0);
    case 'K':
        return ValidatedCommand(52, 1, 1, 0);
    case '@':
        return ValidatedCommand(66, 1, 1, 1);
    case 'L':
        return ValidatedCommand(67, 1, 1, 1);
    case 'g':
        return ValidatedCommand(106, 1, 1, 0);
    case 'r':
        return Complete(113);
    case 'q':
        return ValidatedCommand(125, 1, 30000, 0);
    case 'x':
        return ValidatedCommand(126, 1, 1, -1);
    case 'y':
        return Complete(128);
    default:
        return Reject();
    }
}

TVxParserCmdType TVxVT100Parser::ValidatedCommand(std::uint32_t Command, int MinCount, int MaxCount,
                                                  std::int32_t Default) {
    if (!vtpValidateArgsPrim(MinCount, MaxCount, Default)) return Reject();
    return Complete(Command);
}

bool TVxVT100Parser::vtpGetArguments() {
    FArgCount = 0;
    int i = 2;
    if (FSeqLength > 2 && FSequence[2] == '?') {
        AddArgument(-2);
        i = 3;
    }
    std::int64_t value = 0;
    bool digits = false;
    auto add = [&]() {
        if (FArgCount == MaxArguments) return false;
        AddArgument(digits ? static_cast<std::int32_t>(value) : -1);
        value = 0;
        digits = false;
        return true;
    };
    for (; i < FSeqLength; ++i) {
        const auto c = static_cast<unsigned char>(FSequence[i]);
        if (c >= '0' && c <= '9') {
            value = value * 10 + (c - '0');
            if (value > std::numeric_limits<std::int32_t>::max()) return false;
            digits = true;
        } else if (c == ';') {
            if (!add()) return false;
        } else if ((c >= ' ' && c <= '/') || (c >= '@' && c <= '~')) {
            break;
        } else {
            return false;
        }
    }
    return add();
}

bool TVxVT100Parser::vtpValidateArgsPrim(int MinCount, int MaxCount, std::int32_t Default) {
    if (FArgCount > MaxCount) return false;
    while (FArgCount < MinCount) AddArgument(Default);
    for (int i = 0; i < FArgCount; ++i)
        if (FArgs[i] == -1) FArgs[i] = Default;
    return true;
}
