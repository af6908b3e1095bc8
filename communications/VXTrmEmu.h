// Unit VXTrmEmu: the emulators of the terminal control. TVxTerminalEmulator links to a terminal,
// carries out TVxEmuCommand on its screen buffer, sends typed characters and answers the host;
// TVxTTYEmulator is the plain teletype: printable bytes are written, BEL, BS, HT, LF and CR act,
// every other control byte is dropped.
//
// Used only on the terminal window's thread.
#pragma once

#include "communications/VXTrmBuf.h"
#include "communications/VXTrmCmd.h"
#include "communications/VxMisc.h"
#include "platform/ui/Controls.h"

#include <string>
#include <vector>

class TVxCustomTerminal;

// Where bytes handed to an emulator come from (the wParam of TermStuffMsg).
enum TVxCharSource { csUnknown, csKeyboard, csPort, csWriteChar };

class TVxTerminalEmulator : public TVexBaseComponent {
public:
    explicit TVxTerminalEmulator(TComponent* AOwner);
    // Unlinks from its terminal, unless it is that terminal's own.
    ~TVxTerminalEmulator() override;

    TVxTerminalBuffer* Buffer() const { return FBuffer; }
    TVxCustomTerminal* Terminal() const { return FTerminal; }
    void SetTerminal(TVxCustomTerminal* Value) { teSetTerminal(Value); }
    const std::string& Answerback() const { return FAnswerback; }
    void SetAnswerback(const std::string& Value) { FAnswerback = Value; }
    // The list an OnProcessChar handler fills for the byte being processed.
    TVxEmuCommandList* CommandList() { return &FCommandList; }

    // True when the buffer's display changed or its cursor moved.
    virtual bool teGetNeedsUpdate();
    virtual void teSetTerminal(TVxCustomTerminal* ATerminal);
    virtual void teClear() {}
    virtual void teClearAll() {}
    // With Echo and the terminal's HalfDuplex the character is shown first; then it goes to an
    // open port.
    virtual void teSendChar(char C, bool Echo, TVxCharSource Source);
    virtual void BlinkPaint(int) {}
    virtual bool HasBlinkingText() { return false; }
    virtual void KeyDown(WORD&, TShiftState) {}
    virtual void CharTyped(char&) {}
    virtual void LazyPaint() {}
    virtual void Paint() {}
    virtual void ProcessBlock(const char*, int, TVxCharSource) {}
    virtual void GetCursorPos(int&, int&) {}

    // Params may be nullptr: every parameter takes its default.
    void teProcessCommand(TVxEmuCommand Command, TVxEmuCommandParams* Params);
    void teProcessCommandList(TVxEmuCommandList* List);
    void teClearCommandList() { FCommandList.Clear(); }
    // The list, then the terminal repaints.
    void ExecuteTerminalCommands(TVxEmuCommandList* List);
    // The buffer's cursor-moved notification.
    void teHandleCursorMovement(TObject* Sender, int Row, int Col);

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;
    // Takes the buffer over and points its cursor notification here.
    void SetBuffer(TVxTerminalBuffer* ABuffer);
    // To the port, only when this emulator's terminal is the port's terminal.
    void teSendReply(const std::string& S);

private:
    friend class TVxCustomTerminal;
    struct TSavedCursor {
        TVxTerminalCharAttrs Attrs;
        TColor BackColor = 0;
        BYTE CharSet = 0;
        int Col = 1;
        TColor ForeColor = 0xC0C0C0;
        int Row = 1;
    };

    TVxTerminalBuffer* FBuffer = nullptr;
    TVxCustomTerminal* FTerminal = nullptr;
    bool FOwnedByTerminal = false;
    TSavedCursor FSaved;
    TVxEmuCommandList FCommandList;
    std::string FAnswerback = "VEXOterm";
};

using TVxOnProcessChar = TMethod<void(TObject* Sender, char Character, std::string& ReplaceWith,
                                      TVxEmuCommandList* Commands, TVxCharSource CharSource)>;

class TVxTTYEmulator : public TVxTerminalEmulator {
public:
    explicit TVxTTYEmulator(TComponent* AOwner);
    ~TVxTTYEmulator() override;

    bool teGetNeedsUpdate() override;
    void teSetTerminal(TVxCustomTerminal* ATerminal) override;
    void teClear() override;
    void teClearAll() override;
    // A backspace is sent as DEL (127), in the caller's variable too.
    void CharTyped(char& C) override;
    void LazyPaint() override;
    void Paint() override;
    void ProcessBlock(const char* Data, int Length, TVxCharSource Source) override;

    TVxOnProcessChar OnProcessChar;

private:
    // A printable byte is written; BEL, BS, HT, LF and CR act; other control bytes are dropped.
    void ShowChar(char C);
    // The terminal's Color and font colour become the buffer's defaults when they changed.
    void TakeTerminalColors();
    void DrawRow(int Row, int FirstCol, int LastCol);
    int RowShift() const;

    bool FRefreshAll = false;
    // Work areas for one run, sized from the column count.
    std::string FText;
    std::vector<int> FWidths;
};

// Cell colours of a run as drawn: the text colour and the fill behind it.
struct TVxRunColors {
    TColor Text;
    TColor Fill;
};
TVxRunColors TTYRunColors(TColor Fore, TColor Back, BYTE Attrs);
