// Unit VXTrmEmu, the control: TVxCustomTerminal shows a terminal screen and connects it to a port.
//
// The port's notifying thread (a serial port's dispatch thread) only appends what arrives to the
// receive queue, under the queue's lock, and posts TermStuffMsg; the window's thread takes the
// bytes out under the lock and hands them to the emulator outside it, so an event handler that
// pumps messages meanwhile neither sees bytes twice nor waits on the lock. Everything else runs
// on the window's thread.
#pragma once

#include "communications/VXTrmEmu.h"
#include "communications/VxByteQueue.h"
#include "platform/rtl/Streams.h"
#include "platform/ui/ExtCtrls.h"
#include "platform/win/Sync.h"

#include <atomic>
#include <memory>
#include <string>

class TVexCustomComPort;
class TVexBaseDispatcher;

inline constexpr UINT TermStuffMsg = 0x7E47;
inline constexpr UINT TermForceSizeMsg = 0x7E4D;
inline constexpr UINT TermWaitForPortMsg = 0x7E89;

enum TVxCaptureMode { cmOff, cmOn, cmAppend };
enum TVxCursorType { ctNone, ctUnderline, ctBlock };

using TVxTerminalCursorMovedEvent = TMethod<void(TObject* aSender, int aRow, int aCol)>;

class TVxCustomTerminal : public TVexBaseWinControl {
public:
    explicit TVxCustomTerminal(TComponent* AOwner);
    ~TVxCustomTerminal() override;

    // --- Properties ---
    bool Active() const { return FActive; }
    void tmSetActive(bool Value);
    bool AutoCopy() const { return FAutoCopy; }
    void SetAutoCopy(bool Value) { FAutoCopy = Value; }
    bool AutoScrollback() const { return FAutoScrollback; }
    void tmSetAutoScrollback(bool Value);
    // 1..250 become 250; 0 or less switch blinking off.
    int BlinkTime() const { return FBlinkTime; }
    void tmSetBlinkTime(int Value);
    TBorderStyle BorderStyle() const { return FBorderStyle; }
    void tmSetBorderStyle(TBorderStyle Value);
    TVxCaptureMode Capture() const { return FCapture; }
    void tmSetCapture(TVxCaptureMode Value);
    const std::string& CaptureFile() const { return FCaptureFile; }
    void tmSetCaptureFile(const std::string& Value);
    int Columns() const;
    void tmSetColumns(int Value);
    int Rows() const;
    void tmSetRows(int Value);
    int ScrollbackRows() const;
    void tmSetScrollbackRows(int Value);
    TVexCustomComPort* ComPort() const { return FComPort; }
    void tmSetComPort(TVexCustomComPort* Value);
    TVxCursorType CursorType() const { return FCursorType; }
    void tmSetCursorType(TVxCursorType Value);
    bool FollowCursor() const { return FFollowCursor; }
    void tmSetFollowCursor(bool Value);
    bool HalfDuplex() const { return FHalfDuplex; }
    void SetHalfDuplex(bool Value) { FHalfDuplex = Value; }
    bool HideScrollbars() const { return FHideScrollbars; }
    void tmSetHideScrollbars(bool Value);
    // Accepted 1..1024 bytes and 1..1000 ms; other values leave the old one.
    int LazyByteDelay() const { return FLazyByteDelay; }
    void tmSetLazyByteDelay(int Value);
    int LazyTimeDelay() const { return FLazyTimeDelay; }
    void tmSetLazyTimeDelay(int Value);
    bool MouseSelect() const { return FMouseSelect; }
    void tmSetMouseSelect(bool Value);
    bool PasteToPort() const { return FPasteToPort; }
    void SetPasteToPort(bool Value) { FPasteToPort = Value; }
    bool PasteToScreen() const { return FPasteToScreen; }
    void SetPasteToScreen(bool Value) { FPasteToScreen = Value; }
    bool Scrollback() const { return FScrollback; }
    void tmSetScrollback(bool Value);
    bool UseLazyDisplay() const { return FUseLazyDisplay; }
    void tmSetUseLazyDisplay(bool Value) { FUseLazyDisplay = Value; }
    bool WantAllKeys() const { return FWantAllKeys; }
    void SetWantAllKeys(bool Value) { FWantAllKeys = Value; }
    bool FreezeScrollBack() const { return FFreezeScrollBack; }
    void SetFreezeScrollBack(bool Value) { FFreezeScrollBack = Value; }
    // nullptr: the built-in TTY emulator.
    TVxTerminalEmulator* Emulator() const { return FEmulator == FTTYEmulator ? nullptr : FEmulator; }
    void tmSetEmulator(TVxTerminalEmulator* Value);
    // The emulator in use: the external one or the built-in one.
    TVxTerminalEmulator* CurrentEmulator() const { return FEmulator; }
    TVxTTYEmulator* BuiltInEmulator() const { return FTTYEmulator; }
    TVxTerminalCursorMovedEvent OnCursorMoved;

    // --- Operations ---
    void Clear();
    void ClearAll();
    // Shown as if received; nothing is sent.
    void WriteChar(char C);
    void WriteString(const std::string& S);
    void CopyToClipboard();
    void PasteFromClipboard();
    void HideSelection();
    bool HasFocus() const { return Focused(); }

    // Cells by 1-based row (as the buffer numbers it) and column.
    TVxTerminalCharAttrs tmGetAttributes(int Row, int Col);
    void tmSetAttributes(int Row, int Col, TVxTerminalCharAttrs Value);
    BYTE tmGetCharSet(int Row, int Col);
    void tmSetCharSet(int Row, int Col, BYTE Value);
    TColor tmGetForeColor(int Row, int Col);
    void tmSetForeColor(int Row, int Col, TColor Value);
    TColor tmGetBackColor(int Row, int Col);
    void tmSetBackColor(int Row, int Col, TColor Value);
    // A whole row of Columns characters; a written line is cut or padded with blanks.
    std::string tmGetLine(int Row);
    void tmSetLine(int Row, const std::string& Value);

    // --- What the emulators use ---
    TCanvas* Canvas() const { return FCanvas; }
    int GetTotalCharWidth() const;
    int GetTotalCharHeight() const;
    int OriginCol() const { return FOriginCol; }
    int OriginRow() const { return FOriginRow; }
    void tmSetOriginCol(int Value);
    void tmSetOriginRow(int Value);
    int VisibleCols() const { return FVisibleCols; }
    int VisibleRows() const { return FVisibleRows; }
    int WholeVisibleCols() const { return FWholeCols; }
    int WholeVisibleRows() const { return FWholeRows; }
    int VertScrollPos() const;
    void tmFollowCursor();
    // The cursor left or entered the view: with HideScrollbars the bars follow it.
    void tmCursorOutsideView(int Row, int Col);
    void tmSetCharHPadding(int Value);
    void tmSetCharVPadding(int Value);
    // The selection's range (start before end in reading order); empty without one.
    bool HasSelection() const { return FHasSelection; }
    TRect SelectionRange() const { return TRect(FSelStartCol, FSelStartRow, FSelEndCol, FSelEndRow); }

protected:
    void Loaded() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    void CreateParams(TCreateParams& Params) override;
    void CreateHandle() override;
    void DestroyHandle() override;
    void PaintWindow(HDC DC) override;
    void Dispatch(TMessage& Message) override;
    void KeyDown(WORD& Key, TShiftState Shift) override;
    void KeyPress(char& Key) override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;

private:
    friend class TVxTerminalEmulator;

    // Port binding.
    void tmAttachToComPort();
    void tmDetachFromComPort();
    void AwpWaitForPort();
    void tmTriggerHandler(UINT Msg, UINT wParam, int lParam);
    // Receiving.
    void ApwTermStuff(TVxCharSource Source);
    void QueueBytes(const char* Data, DWORD Count, TVxCharSource Source);
    // Emulator painting with the caret hidden and the canvas clipped to the visible cells.
    template <class F> void PaintCells(F&& paint);
    void tmBeat(TObject* Sender);
    // The sample screen shown in the designer.
    void tmDrawDefaultText();
    // Font, extent and scroll bars.
    void tmGetFontInfo();
    void tmCalcExtent();
    bool HorzBarNeeded() const;
    bool VertBarNeeded() const;
    void UpdateScrollBars();
    void RecreateForBars();
    int LowestOriginRow() const;
    void DoScroll(UINT Msg, WPARAM WParam);
    // The cursor's cell, rows counted absolutely.
    void CursorCell(int& Row, int& Col) const;
    // Caret.
    void tmMakeCaret();
    void tmFreeCaret();
    void tmPositionCaret();
    void tmShowCaret();
    void tmHideCaret();
    // Keys and selection.
    bool CNKeyDown(WORD Key, LPARAM KeyData);
    void SelectTo(int X, int Y);
    // Makes the range the selection, marking the cells that join or leave it.
    void MarkSelection(int StartCol, int StartRow, int EndCol, int EndRow);
    std::string SelectionText();
    // A cell of one of the buffer's grids; nullptr outside the buffer.
    template <class T> T* CellPtr(T* (TVxTerminalBuffer::*Line)(int), int Row, int Col);
    void InvalidateCells(int Row, int FirstCol, int LastCol);
    // Links to an emulator through the unit's list.
    void LinkEmulator(TVxTerminalEmulator* Emu);
    void UnlinkEmulator();
    void StopCapture();
    void StartCapture(bool Append);

    TControlCanvas* FCanvas;
    TaaByteQueue FQueue;
    TRTLCriticalSection FQueueLock;
    std::string FTaken;     // bytes taken out of the queue, being processed
    bool FInTermStuff = false;
    std::atomic<HWND> FNotifyWindow{0}; // read by the port's notifying thread
    int FBlinkElapsed = 0;
    int FBlinkPhase = 0;
    DWORD FLazyBytes = 0;
    int FLazyTime = 0;
    int FCharWidth = 8;
    int FCharHeight = 12;
    int FVisibleCols = 0;
    int FVisibleRows = 0;
    int FWholeCols = 0;
    int FWholeRows = 0;
    TVxTTYEmulator* FTTYEmulator;
    TVxTerminalEmulator* FEmulator;
    bool FCaretCreated = false;
    bool FCaretShown = false;
    bool FHasSelection = false;
    TTimer* FBeat;
    int FAnchorCol = 0;
    int FAnchorRow = 0;
    int FSelStartCol = 0;
    int FSelStartRow = 0;
    int FSelEndCol = 0;
    int FSelEndRow = 0;
    bool FSelecting = false;
    int FOriginCol = 1;
    int FOriginRow = 1;
    bool FHandlerRegistered = false;
    std::atomic<TVexBaseDispatcher*> FDispatcher{nullptr}; // the one the handler is registered with
    bool FAttachPending = false;
    bool FInAttach = false;
    TRect FTextRect;
    TRect FRightMargin;
    TRect FBottomMargin;
    bool FWantHorzBar = false;
    bool FWantVertBar = false;
    bool FCursorOutsideH = false;
    bool FCursorOutsideV = false;
    std::unique_ptr<TFileStream> FCaptureStream;
    int FCharHPadding = 0;
    int FCharVPadding = 0;

    bool FActive = false;
    bool FAutoCopy = true;
    bool FAutoScrollback = true;
    int FBlinkTime = 500;
    TBorderStyle FBorderStyle = bsSingle;
    TVxCaptureMode FCapture = cmOff;
    std::string FCaptureFile = "VEXOTERM.CAP";
    TVexCustomComPort* FComPort = nullptr;
    TVxCursorType FCursorType = ctBlock;
    bool FFollowCursor = true;
    bool FHalfDuplex = false;
    bool FHideScrollbars = false;
    int FLazyByteDelay = 200;
    int FLazyTimeDelay = 100;
    bool FMouseSelect = true;
    bool FPasteToPort = false;
    bool FPasteToScreen = false;
    bool FScrollback = false;
    bool FUseLazyDisplay = true;
    bool FWantAllKeys = true;
    bool FFreezeScrollBack = true;
};

// Publishes the properties and events.
class TVxTerminal : public TVxCustomTerminal {
public:
    using TVxCustomTerminal::TVxCustomTerminal;
};
