// Unit VXTrmEmu: the emulators of the terminal control. TVxTerminalEmulator links to a terminal,
// carries out TVxEmuCommand on its screen buffer, sends typed characters and answers the host;
// TVxTTYEmulator is the plain teletype: printable bytes are written, BEL, BS, HT, LF and CR act,
// every other control byte is dropped.
//
// Used only on the terminal window's thread.
#pragma once

#include "communications/VXTrmBuf.h"
#include "communications/VXTrmCmd.h"
#include "communications/VXTrmMap.h"
#include "communications/VXTrmPsr.h"
#include "communications/VxMisc.h"
#include "platform/ui/Controls.h"

#include <memory>
#include <string>
#include <vector>

class TVxCustomTerminal;

// Where bytes handed to an emulator come from (the wParam of TermStuffMsg).
enum TVxCharSource { csUnknown, csKeyboard, csPort, csWriteChar };

using TVxOnProcessChar = TMethod<void(TObject* Sender, char Character, std::string& ReplaceWith,
                                      TVxEmuCommandList* Commands, TVxCharSource CharSource)>;

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
    // Every emulator streams its answerback, an empty one as an empty value, so that a form with
    // an empty answerback does not read back the constructor's.
    void DefineProperties(TFiler* Filer) override;
    // The list an OnProcessChar handler fills for the byte being processed.
    TVxEmuCommandList* CommandList() { return &FCommandList; }
    // The fonts and glyphs the emulator draws its character sets with; nullptr when it draws
    // every cell in the terminal's font. The terminal measures every font of it.
    TVxCharSetMapping* CharSetMap() const { return FCharSetMap; }

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
    // The painting scheme the emulators share. LazyPaint draws every visible row when RefreshAll
    // is set (clearing it and dropping the buffer's rectangles), else the buffer's invalid
    // rectangles; Paint draws the cells under the canvas's clip rectangle. Both shift the rows by
    // the scroll bar when FreezeScrollBack is off, and draw through teDrawRow.
    void tePaintInvalid(bool& RefreshAll);
    // Each received byte, or with a handler the replacement it makes of each (after the commands
    // it added have run), goes to Show.
    template <class F>
    void teForEachChar(const char* Data, int Length, TVxCharSource Source, const TVxOnProcessChar& Handler, F&& Show) {
        if (!Handler) {
            for (int i = 0; i < Length; ++i) Show(Data[i]);
            return;
        }
        std::string replacement;
        for (int i = 0; i < Length; ++i) {
            replacement.assign(1, Data[i]);
            FCommandList.Clear();
            Handler(this, Data[i], replacement, &FCommandList, Source);
            teProcessCommandList(&FCommandList);
            for (const char r : replacement) Show(r);
        }
    }
    void tePaintClip();
    virtual void teDrawRow(int, int, int) {}

    TVxCharSetMapping* FCharSetMap = nullptr;

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
    void teDrawRow(int Row, int FirstCol, int LastCol) override;

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

// The line attribute of a VT100 screen row.
enum TVxVT100LineAttr : BYTE { ltNormal, ltDblHeightTop, ltDblHeightBottom, ltDblWidth };

// One line attribute per row of a buffer's grid, indexed by internal row. Rows outside read as
// ltNormal and are not written.
class TVxLineAttrArray {
public:
    int Count() const { return static_cast<int>(FAttrs.size()); }
    // Keeps the bottom rows.
    void Resize(int Count);
    TVxVT100LineAttr Get(int Index) const;
    void Set(int Index, TVxVT100LineAttr Value);
    // As the buffer's grids scroll: Count > 0 moves rows up, < 0 down; vacated rows are ltNormal.
    void ScrollRows(int Count, int First, int Last);
    void Clear();

private:
    std::vector<BYTE> FAttrs;
};

// A run of blinking cells of one row.
struct TVxBlinkRun {
    int Row;
    int FirstCol;
    int LastCol;
};

// A VT100 with VT52 compatibility: received bytes pass the escape-sequence parser and become
// buffer operations, modes, character-set selections, line attributes and replies; typed keys
// go through the key map's three layers; cells are drawn through the character-set map's draw
// scripts.
//
// Where this terminal knowingly differs from a real VT100: CAN and SUB inside a sequence do not
// cancel it; ESC [ ... SP q loads the LEDs; a request for the secondary device attributes gets no
// answer; a column-mode change homes the cursor and keeps the screen; a sequence naming several
// modes at once changes none of them.
class TVxVT100Emulator : public TVxTerminalEmulator {
public:
    // Character-set codes as SCS designates them.
    static constexpr BYTE csUSASCII = 0, csUK = 1, csLineDraw = 2, csROM1 = 3, csROM2 = 4;

    explicit TVxVT100Emulator(TComponent* AOwner);
    ~TVxVT100Emulator() override;

    bool teGetNeedsUpdate() override;
    void teSetTerminal(TVxCustomTerminal* ATerminal) override;
    void teClear() override;
    void teClearAll() override;
    void BlinkPaint(int Phase) override;
    bool HasBlinkingText() override { return !FBlinkRuns.empty(); }
    void KeyDown(WORD& Key, TShiftState Shift) override;
    void CharTyped(char& C) override;
    void LazyPaint() override;
    void Paint() override;
    void ProcessBlock(const char* Data, int Length, TVxCharSource Source) override;

    bool DisplayUpperASCII() const { return FDisplayUpperASCII; }
    void SetDisplayUpperASCII(bool Value) { FDisplayUpperASCII = Value; }
    TVxOnProcessChar OnProcessChar;

    // Mode setters; each acts only on a change.
    void vttSetCol132Mode(bool Value);
    void vttSetRelOriginMode(bool Value);
    void vttSetRevScreenMode(bool Value);
    void vttToggleNumLock();

    // The screen's character set names, by code; empty for an unknown code.
    static const char* CharSetName(BYTE Code);
    // The line attribute of an external row counted absolutely.
    TVxVT100LineAttr LineAttr(int Row);
    const std::vector<TVxBlinkRun>& BlinkRuns() const { return FBlinkRuns; }
    // LEDs 1..4 as bits 0..3.
    BYTE LEDs() const { return FLEDs; }
    TVxVT100Parser* Parser() const { return FParser.get(); }
    TVxKeyboardMapping* KeyMap() const { return FKeyMap.get(); }

    bool AnsiMode() const { return FAnsiMode; }
    bool AppCursorKeys() const { return FAppCursorKeys; }
    bool AppKeypad() const { return FAppKeypad; }
    bool AutoRepeat() const { return FAutoRepeat; }
    bool Col132Mode() const { return FCol132; }
    bool InsertMode() const { return FInsertMode; }
    bool InterlaceMode() const { return FInterlace; }
    bool NewLineMode() const { return FNewLineMode; }
    bool RelOriginMode() const { return FRelOrigin; }
    bool RevScreenMode() const { return FRevScreen; }
    bool SmoothScrollMode() const { return FSmoothScroll; }
    bool AutoWrapMode() const { return FAutoWrap; }
    bool ShiftedOut() const { return FShiftedOut; }
    BYTE G0() const { return FG0; }
    BYTE G1() const { return FG1; }

private:
    void ProcessChar(char C);
    void DoCommand();
    void SetMode(bool On);
    void SetPrivateMode(int Mode, bool On);
    void CharRendition();
    void CursorPosition(int Row, int Col);
    void MoveCursor(std::uint32_t Command, int Count);
    void SetLineAttr(TVxVT100LineAttr Value);
    void ResetModes();
    void RequestTerminalParameters(int Arg);
    void DesignateCharSet(int Which, int Set);
    void SendKeyValue(const std::string& Value);
    void OnScrollRows(TObject* Sender, int Count, int Top, int Bottom);
    // Matches the line attributes to the buffer's grid; the internal row of an external one.
    int LineIndex(int Row);
    void RebuildBlinkRuns();
    void teDrawRow(int Row, int FirstCol, int LastCol) override;
    void DrawCells(int Row, int FirstCol, int LastCol);
    void FillBlinkRun(const TVxBlinkRun& Run);

    std::unique_ptr<TVxCharSetMapping> FCharSets;
    std::unique_ptr<TVxKeyboardMapping> FKeyMap;
    std::unique_ptr<TVxVT100Parser> FParser;
    TVxLineAttrArray FLineAttrs;
    std::vector<TVxBlinkRun> FBlinkRuns;
    std::string FText;
    std::vector<int> FWidths;
    BYTE FLEDs = 0;
    bool FRefreshAll = false;
    std::unique_ptr<TFont> FFont;
    bool FDisplayUpperASCII = false;
    bool FAnsiMode = true;
    bool FAppCursorKeys = false;
    bool FAppKeypad = false;
    bool FAutoRepeat = true;
    bool FCol132 = false;
    bool FInsertMode = false;
    bool FInterlace = false;
    bool FNewLineMode = false;
    bool FRelOrigin = false;
    bool FRevScreen = false;
    bool FSmoothScroll = false;
    bool FAutoWrap = true;
    bool FShiftedOut = false;
    BYTE FG0 = 0;
    BYTE FG1 = 0;
};
