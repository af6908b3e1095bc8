// The escape-sequence parser of the VT100 emulator: classifies received characters one at a time
// as text, 8-bit text, the middle of a sequence, or a complete command with a numeric code and
// integer arguments. VT52 mode is entered by ESC [ ? 2 l and left by ESC <.
//
// Control characters inside a sequence are reported as commands of their own at once; the
// interrupted sequence then continues with the next character.
//
// Argument values: a number as sent; -1 for an empty position; -2 as the first argument marks a
// private ("?") sequence.
#pragma once

#include "platform/ui/Classes.h"

#include <cstdint>
#include <initializer_list>
#include <string>

enum TVxParserCmdType {
    pctNone,     // nothing to do
    pctChar,     // write the character
    pct8bitChar, // a character above "~"
    pctPending,  // inside a sequence
    pctComplete  // a command is ready
};

class TVxTerminalParser : public TObject {
public:
    explicit TVxTerminalParser(bool UseWideChar);

    virtual int tpGetArgument(int Index);
    virtual std::string tpGetSequence();
    virtual TVxParserCmdType ProcessChar(char Ch);
    virtual TVxParserCmdType ProcessWideChar(char16_t Ch);
    virtual void Clear();
    // Clear, then present Command as the current command.
    void ForceCommand(std::uint32_t Command);

    // 0 = no command.
    std::uint32_t Command() const { return FCommand; }
    bool UseWideChar() const { return FUseWideChar; }

protected:
    std::uint32_t FCommand = 0;

private:
    bool FUseWideChar;
};

enum TVxVTParserState {
    psIdle,
    psGotEscape,
    psParsingANSI,
    psParsingHash,
    psParsingLeftParen,
    psParsingRightParen,
    psParsingCharSet,
    psGotCommand,
    psGotInterCommand,
    psParsingCUP52
};

class TVxVT100Parser : public TVxTerminalParser {
public:
    // Line noise or a hostile host cannot grow the parser: a sequence longer than
    // MaxSequenceLength bytes, or one with more than MaxArguments arguments, is dropped and the
    // parser is idle again.
    static constexpr int MaxSequenceLength = 256;
    static constexpr int MaxArguments = 32;

    explicit TVxVT100Parser(bool UseWideChar = false);

    // 0 for an index outside the arguments.
    int tpGetArgument(int Index) override;
    // The text of the current sequence while a command is set, else empty.
    std::string tpGetSequence() override;
    TVxParserCmdType ProcessChar(char Ch) override;
    // Single-byte characters only.
    TVxParserCmdType ProcessWideChar(char16_t Ch) override;
    void Clear() override;

    int ArgumentCount() const { return FArgCount; }
    bool VT52Mode() const { return FVT52Mode; }
    TVxVTParserState State() const { return FState; }

private:
    TVxParserCmdType Complete(std::uint32_t Command, std::initializer_list<std::int32_t> Args = {});
    TVxParserCmdType Reject();
    // A control character's command, carried out inside whatever sequence it interrupted.
    TVxParserCmdType Carry(std::uint32_t Command, std::int32_t Count = 0);
    void AddArgument(std::int32_t Value);
    TVxParserCmdType ProcessEscape(unsigned char Ch);
    TVxParserCmdType ProcessVT52Escape(unsigned char Ch);
    TVxParserCmdType ProcessControl(unsigned char Ch);
    TVxParserCmdType DecodeANSI(unsigned char Final);
    TVxParserCmdType ValidatedCommand(std::uint32_t Command, int MinCount, int MaxCount,
                                      std::int32_t Default);
    // Reads the arguments of an ANSI sequence; false for a malformed one.
    bool vtpGetArguments();
    // Fails when more than MaxCount arguments were sent; pads to MinCount with Default and turns
    // every empty argument (-1) into Default.
    bool vtpValidateArgsPrim(int MinCount, int MaxCount, std::int32_t Default);

    std::int32_t FArgs[MaxArguments] = {};
    int FArgCount = 0;
    char FSequence[MaxSequenceLength] = {};
    int FSeqLength = 0;
    // The sequence a control character interrupted, and its state.
    char FSaved[MaxSequenceLength] = {};
    int FSavedLength = 0;
    TVxVTParserState FSavedState = psIdle;
    TVxVTParserState FState = psIdle;
    bool FVT52Mode = false;
};
