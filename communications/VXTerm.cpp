#include "communications/VXTerm.h"

#include "communications/VxPort.h"
#include "communications/VxUser.h"
#include "platform/gdi/Draw.h"
#include "platform/gdi/Region.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Lists.h"
#include "platform/ui/Caret.h"
#include "platform/ui/Clipboard.h"
#include "platform/ui/Filer.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Keyboard.h"
#include "platform/ui/PublishedRows.h"
#include "platform/ui/ScrollBars.h"
#include "platform/ui/TypInfo.h"
#include "platform/ui/WindowQueries.h"
#include "platform/win/Messages.h"

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

namespace {

// The unit's list of terminals and the external emulators they use.
std::vector<std::pair<TVxCustomTerminal*, TVxTerminalEmulator*>>& Links() {
    static std::vector<std::pair<TVxCustomTerminal*, TVxTerminalEmulator*>> links;
    return links;
}

void RemoveLink(TVxCustomTerminal* Terminal) {
    auto& l = Links();
    l.erase(std::remove_if(l.begin(), l.end(), [Terminal](const auto& e) { return e.first == Terminal; }), l.end());
}

// Keypad codes for the navigation keys the keypad sends while Num Lock is off.
WORD KeypadCode(WORD Key) {
    switch (Key) {
    case VK_CLEAR:
        return VK_NUMPAD0 + 5;
    case VK_PRIOR:
        return VK_NUMPAD0 + 9;
    case VK_NEXT:
        return VK_NUMPAD0 + 3;
    case VK_END:
        return VK_NUMPAD0 + 1;
    case VK_HOME:
        return VK_NUMPAD0 + 7;
    case VK_LEFT:
        return VK_NUMPAD0 + 4;
    case VK_UP:
        return VK_NUMPAD0 + 8;
    case VK_RIGHT:
        return VK_NUMPAD0 + 6;
    case VK_DOWN:
        return VK_NUMPAD0 + 2;
    case VK_INSERT:
        return VK_NUMPAD0;
    case VK_DELETE:
        return VK_DECIMAL;
    default:
        return Key;
    }
}

// The keypad's Enter, told apart from the main Return key.
constexpr WORD KeypadEnterCode = 0x2B;

bool Designing(const TComponent* c) {
    return c->ComponentState().Contains(TComponentStateItem::csDesigning);
}
bool Loading(const TComponent* c) {
    return c->ComponentState().Contains(TComponentStateItem::csLoading);
}

} // namespace

TVxCustomTerminal::TVxCustomTerminal(TComponent* AOwner)
    : TVexBaseWinControl(AOwner), FCanvas(new TControlCanvas(this)), FTTYEmulator(new TVxTTYEmulator(nullptr)),
      FEmulator(FTTYEmulator), FBeat(new TTimer(nullptr)) {
    FTTYEmulator->FOwnedByTerminal = true;
    FTTYEmulator->teSetTerminal(this);
    FBeat->SetEnabled(false);
    FBeat->SetInterval(100);
    FBeat->OnTimer = TNotifyEvent::Bind<&TVxCustomTerminal::tmBeat>(this);
    ControlStyle.Include(csOpaque);
    SetColor(0);
    Font()->SetName("Terminal");
    Font()->SetSize(9);
    Font()->SetColor(0xC0C0C0);
    SetBounds(Left(), Top(), 300, 200);
    tmSetActive(true);
}

TVxCustomTerminal::~TVxCustomTerminal() {
    Destroying();
    StopCapture();
    if (FEmulator != FTTYEmulator) UnlinkEmulator();
    RemoveLink(this);
    tmDetachFromComPort();
    delete FBeat;
    FBeat = nullptr;
    DestroyHandle();
    delete FTTYEmulator;
    FTTYEmulator = nullptr;
    FEmulator = nullptr;
    delete FCanvas;
    FCanvas = nullptr;
}

// --- Sizes kept by the buffer --------------------------------------------------------------------

int TVxCustomTerminal::Columns() const {
    return FEmulator->Buffer()->ColCount();
}

int TVxCustomTerminal::Rows() const {
    return FEmulator->Buffer()->RowCount();
}

int TVxCustomTerminal::ScrollbackRows() const {
    return FEmulator->Buffer()->SVRowCount();
}

void TVxCustomTerminal::tmSetColumns(int Value) {
    if (Value <= 0 || Value == Columns()) return;
    FEmulator->Buffer()->tbSetColCount(Value);
    FOriginCol = FOriginRow = 1;
    tmCalcExtent();
    Invalidate();
}

void TVxCustomTerminal::tmSetRows(int Value) {
    if (Value <= 0 || Value == Rows()) return;
    FEmulator->Buffer()->tbSetRowCount(Value);
    tmCalcExtent();
    Invalidate();
}

void TVxCustomTerminal::tmSetScrollbackRows(int Value) {
    if (Value <= 0) return;
    FEmulator->Buffer()->tbSetSVRowCount(Value);
}

// --- Simple properties ---------------------------------------------------------------------------

void TVxCustomTerminal::tmSetBlinkTime(int Value) {
    if (Value <= 0)
        FBlinkTime = 0;
    else
        FBlinkTime = std::max(Value, 250);
}

void TVxCustomTerminal::tmSetLazyByteDelay(int Value) {
    if (Value >= 1 && Value <= 1024) FLazyByteDelay = Value;
}

void TVxCustomTerminal::tmSetLazyTimeDelay(int Value) {
    if (Value >= 1 && Value <= 1000) FLazyTimeDelay = Value;
}

void TVxCustomTerminal::tmSetBorderStyle(TBorderStyle Value) {
    if (Value == FBorderStyle) return;
    FBorderStyle = Value;
    RecreateWnd();
}

void TVxCustomTerminal::tmSetCursorType(TVxCursorType Value) {
    if (Value == FCursorType) return;
    FCursorType = Value;
    // A focused control gets the new shape at once, also when it had no caret (ctNone).
    tmFreeCaret();
    if (HandleAllocated() && Focused()) tmMakeCaret();
}

void TVxCustomTerminal::tmSetMouseSelect(bool Value) {
    if (Value == FMouseSelect) return;
    FMouseSelect = Value;
    FSelecting = false;
    if (!Value) HideSelection();
}

void TVxCustomTerminal::tmSetFollowCursor(bool Value) {
    FFollowCursor = Value;
    if (Value) tmFollowCursor();
}

void TVxCustomTerminal::tmSetScrollback(bool Value) {
    if (Value == FScrollback) return;
    FScrollback = Value;
    if (!Value && FOriginRow < 1) tmSetOriginRow(1);
    RecreateForBars();
}

void TVxCustomTerminal::tmSetAutoScrollback(bool Value) {
    FAutoScrollback = Value;
    RecreateForBars();
}

void TVxCustomTerminal::tmSetHideScrollbars(bool Value) {
    if (Value == FHideScrollbars) return;
    FHideScrollbars = Value;
    RecreateForBars();
}

void TVxCustomTerminal::tmSetCharHPadding(int Value) {
    FCharHPadding = Value;
    if (HandleAllocated()) tmGetFontInfo();
}

void TVxCustomTerminal::tmSetCharVPadding(int Value) {
    FCharVPadding = Value;
    if (HandleAllocated()) tmGetFontInfo();
}

int TVxCustomTerminal::GetTotalCharWidth() const {
    return std::max(FCharWidth + FCharHPadding, 1);
}

int TVxCustomTerminal::GetTotalCharHeight() const {
    return std::max(FCharHeight + FCharVPadding, 1);
}

// --- Operations ----------------------------------------------------------------------------------

void TVxCustomTerminal::Clear() {
    FEmulator->teClear();
    Invalidate();
}

void TVxCustomTerminal::ClearAll() {
    FEmulator->teClearAll();
    Invalidate();
}

void TVxCustomTerminal::WriteChar(char C) {
    QueueBytes(&C, 1, csWriteChar);
}

void TVxCustomTerminal::WriteString(const std::string& S) {
    if (!S.empty()) QueueBytes(S.data(), static_cast<DWORD>(S.size()), csWriteChar);
}

void TVxCustomTerminal::QueueBytes(const char* Data, DWORD Count, TVxCharSource Source) {
    {
        TCriticalSectionLock hold(FQueueLock);
        FQueue.Put(Data, Count);
    }
    // Without a window yet, the bytes wait for it.
    if (HandleAllocated()) PostMessage(Handle(), TermStuffMsg, Source, 0);
}

template <class T> T* TVxCustomTerminal::CellPtr(T* (TVxTerminalBuffer::*Line)(int), int Row, int Col) {
    T* p = (FEmulator->Buffer()->*Line)(Row);
    return p && Col >= 1 && Col <= Columns() ? p + (Col - 1) : nullptr;
}

void TVxCustomTerminal::InvalidateCells(int Row, int FirstCol, int LastCol) {
    TVxTerminalBuffer* b = FEmulator->Buffer();
    const int r = b->tbCvtToInternalRow(Row, true);
    b->tbInvalidateRect(r, FirstCol - 1, LastCol - 1, r);
}

TVxTerminalCharAttrs TVxCustomTerminal::tmGetAttributes(int Row, int Col) {
    const BYTE* p = CellPtr(&TVxTerminalBuffer::GetLineAttrPtr, Row, Col);
    return p ? ByteToCharAttrs(*p) : TVxTerminalCharAttrs{};
}

void TVxCustomTerminal::tmSetAttributes(int Row, int Col, TVxTerminalCharAttrs Value) {
    if (BYTE* p = CellPtr(&TVxTerminalBuffer::GetLineAttrPtr, Row, Col)) {
        *p = CharAttrsToByte(Value);
        InvalidateCells(Row, Col, Col);
    }
}

BYTE TVxCustomTerminal::tmGetCharSet(int Row, int Col) {
    const BYTE* p = CellPtr(&TVxTerminalBuffer::GetLineCharSetPtr, Row, Col);
    return p ? *p : 0;
}

void TVxCustomTerminal::tmSetCharSet(int Row, int Col, BYTE Value) {
    if (BYTE* p = CellPtr(&TVxTerminalBuffer::GetLineCharSetPtr, Row, Col)) {
        *p = Value;
        InvalidateCells(Row, Col, Col);
    }
}

TColor TVxCustomTerminal::tmGetForeColor(int Row, int Col) {
    const TColor* p = CellPtr(&TVxTerminalBuffer::GetLineForeColorPtr, Row, Col);
    return p ? *p : 0xFFFFFF;
}

void TVxCustomTerminal::tmSetForeColor(int Row, int Col, TColor Value) {
    if (TColor* p = CellPtr(&TVxTerminalBuffer::GetLineForeColorPtr, Row, Col)) {
        *p = Value;
        InvalidateCells(Row, Col, Col);
    }
}

TColor TVxCustomTerminal::tmGetBackColor(int Row, int Col) {
    const TColor* p = CellPtr(&TVxTerminalBuffer::GetLineBackColorPtr, Row, Col);
    return p ? *p : 0;
}

void TVxCustomTerminal::tmSetBackColor(int Row, int Col, TColor Value) {
    if (TColor* p = CellPtr(&TVxTerminalBuffer::GetLineBackColorPtr, Row, Col)) {
        *p = Value;
        InvalidateCells(Row, Col, Col);
    }
}

std::string TVxCustomTerminal::tmGetLine(int Row) {
    TVxTerminalBuffer* b = FEmulator->Buffer();
    if (b->UseWideChars()) return {};
    const auto* p = static_cast<const char*>(b->GetLineCharPtr(Row));
    return p ? std::string(p, static_cast<std::size_t>(Columns())) : std::string();
}

void TVxCustomTerminal::tmSetLine(int Row, const std::string& Value) {
    TVxTerminalBuffer* b = FEmulator->Buffer();
    if (b->UseWideChars()) return;
    auto* p = static_cast<char*>(b->GetLineCharPtr(Row));
    if (!p) return;
    std::string line = Value.substr(0, static_cast<std::size_t>(Columns()));
    line.resize(static_cast<std::size_t>(Columns()), ' ');
    std::memcpy(p, line.data(), line.size());
    InvalidateCells(Row, 1, Columns());
}

// --- Emulator -----------------------------------------------------------------------------------

void TVxCustomTerminal::UnlinkEmulator() {
    TVxTerminalEmulator* old = FEmulator;
    if (old == FTTYEmulator) return;
    if (old->Buffer()) old->Buffer()->DeregisterTerminalHandle();
    RemoveLink(this);
    old->FTerminal = nullptr;
    FEmulator = FTTYEmulator;
}

void TVxCustomTerminal::LinkEmulator(TVxTerminalEmulator* Emu) {
    FEmulator = Emu;
    if (Emu != FTTYEmulator) {
        Links().emplace_back(this, Emu);
        Emu->FTerminal = this;
        Emu->FreeNotification(this);
    }
    if (HandleAllocated() && Emu->Buffer()) Emu->Buffer()->RegisterTerminalHandle(Handle());
}

void TVxCustomTerminal::tmSetEmulator(TVxTerminalEmulator* Value) {
    if (!Value) Value = FTTYEmulator;
    if (!FEmulator || !FEmulator->Buffer() || Value == FEmulator) return;
    FBeat->SetEnabled(false);
    TVxTerminalBuffer* old = FEmulator->Buffer();
    const int history = old->SVRowCount(), rows = old->RowCount(), cols = old->ColCount();
    UnlinkEmulator();
    // A terminal has one external emulator, an emulator one terminal.
    if (Value != FTTYEmulator && Value->FTerminal && Value->FTerminal != this) Value->FTerminal->tmSetEmulator(nullptr);
    LinkEmulator(Value);
    if (TVxTerminalBuffer* b = Value->Buffer()) {
        b->tbSetSVRowCount(history);
        b->tbSetRowCount(rows);
        b->tbSetColCount(cols);
    }
    // The new emulator may draw with fonts of its own: the cell fits them all.
    if (HandleAllocated()) tmGetFontInfo();
    FBeat->SetEnabled(HandleAllocated());
    if (Designing(this)) tmDrawDefaultText();
    Invalidate();
}

void TVxCustomTerminal::tmDrawDefaultText() {
    TVxTerminalBuffer* b = FEmulator->Buffer();
    if (!b) return;
    const bool vt100 = dynamic_cast<TVxVT100Emulator*>(FEmulator) != nullptr;
    std::string text;
    for (int i = 0; i < ScrollbackRows(); ++i) text += "\r\n";
    for (int row = 1; row <= Rows(); ++row) {
        const std::string end = row < Rows() ? "\r\n" : "\r";
        if (vt100)
            text += Format("\033[0;%dmDesign mode; line %.2d", {31 + (row - 1) % 7, row}) + end;
        else
            text += Format("Design mode; line %.2d", {row}) + end;
    }
    FEmulator->ProcessBlock(text.data(), static_cast<int>(text.size()), csWriteChar);
    Invalidate();
}

// --- Port binding --------------------------------------------------------------------------------

void TVxCustomTerminal::tmSetActive(bool Value) {
    if (Value == FActive) return;
    FAttachPending = false;
    FActive = Value;
    if (FComPort) {
        if (Designing(this)) return;
        if (Value)
            tmAttachToComPort();
        else
            tmDetachFromComPort();
    } else if (Value) {
        FAttachPending = true;
    }
}

void TVxCustomTerminal::tmAttachToComPort() {
    FAttachPending = true;
    if (HandleAllocated()) PostMessage(Handle(), TermWaitForPortMsg, 0, 0);
}

void TVxCustomTerminal::AwpWaitForPort() {
    if (FInAttach || !FComPort) return;
    FInAttach = true;
    struct Guard {
        bool& f;
        ~Guard() { f = false; }
    } guard{FInAttach};
    if (Loading(FComPort)) {
        PostMessage(Handle(), TermWaitForPortMsg, 0, 0);
        return;
    }
    if (FHandlerRegistered || (!FComPort->AutoOpen() && !FComPort->Open())) {
        FAttachPending = FActive;
        return;
    }
    FAttachPending = false;
    if (!FComPort->Open()) FComPort->SetOpen(true);
    if (!FActive) return;
    TVexBaseDispatcher* d = FComPort->GetDispatcher();
    if (!d) return;
    FNotifyWindow = Handle();
    d->RegisterEventTriggerHandler(TVexNotifyEvent::Bind<&TVxCustomTerminal::tmTriggerHandler>(this));
    FDispatcher = d;
    FHandlerRegistered = true;
    Loaded();
}

void TVxCustomTerminal::tmDetachFromComPort() {
    if (!FHandlerRegistered) return;
    FHandlerRegistered = false;
    TVexBaseDispatcher* d = FDispatcher.exchange(nullptr);
    // A closed port is not opened again only to be left.
    if (FComPort && d && FComPort->Open() && FComPort->GetDispatcher() == d)
        d->DeregisterEventTriggerHandler(TVexNotifyEvent::Bind<&TVxCustomTerminal::tmTriggerHandler>(this));
    if (FActive) FAttachPending = true;
}

void TVxCustomTerminal::tmTriggerHandler(UINT Msg, UINT wParam, int) {
    if (Msg != TriggerAvailMsg || wParam == 0) return;
    TVexBaseDispatcher* d = FDispatcher.load();
    if (!d) return;
    bool got = false;
    {
        TCriticalSectionLock hold(FQueueLock);
        char* into = FQueue.Reserve(wParam);
        // A failed read leaves the reserved room unused: it is never taken for data.
        if (d->GetBlock(into, wParam) >= 0) {
            FQueue.Advance(wParam);
            got = true;
        }
    }
    if (got) PostMessage(FNotifyWindow, TermStuffMsg, csPort, 0);
}

void TVxCustomTerminal::tmSetComPort(TVexCustomComPort* Value) {
    if (Value == FComPort) return;
    if (!HandleAllocated()) {
        if (FComPort && FComPort->Terminal() == this) FComPort->SetTerminal(nullptr);
        FComPort = Value;
        if (FComPort) {
            FComPort->FreeNotification(this);
            if (!FComPort->Terminal()) FComPort->SetTerminal(this);
        }
        return;
    }
    if (FComPort) {
        tmDetachFromComPort();
        FComPort->DeregisterUser(Handle());
        if (FComPort->Terminal() == this) FComPort->SetTerminal(nullptr);
    }
    FComPort = Value;
    if (FComPort) {
        FComPort->FreeNotification(this);
        FComPort->RegisterUserEx(Handle());
        if (!FComPort->Terminal()) FComPort->SetTerminal(this);
        if (FActive) tmAttachToComPort();
    }
}

void TVxCustomTerminal::Notification(TComponent* AComponent, TOperation Operation) {
    TVexBaseWinControl::Notification(AComponent, Operation);
    if (Operation == TOperation::opRemove) {
        if (FEmulator && AComponent == FEmulator && FEmulator != FTTYEmulator) {
            if (FEmulator->Buffer()) FEmulator->Buffer()->DeregisterTerminalHandle();
            RemoveLink(this);
            FEmulator = FTTYEmulator;
            if (HandleAllocated()) FTTYEmulator->Buffer()->RegisterTerminalHandle(Handle());
            Invalidate();
        }
        if (AComponent == FComPort) {
            FHandlerRegistered = false;
            FDispatcher.store(nullptr);
            FActive = false;
            FComPort = nullptr;
        }
    } else {
        if (auto* e = dynamic_cast<TVxTerminalEmulator*>(AComponent); e && FEmulator == FTTYEmulator && e != FTTYEmulator)
            tmSetEmulator(e);
        if (auto* p = dynamic_cast<TVexCustomComPort*>(AComponent); p && !FComPort) tmSetComPort(p);
    }
}

// --- Window --------------------------------------------------------------------------------------

void TVxCustomTerminal::CreateParams(TCreateParams& Params) {
    TVexBaseWinControl::CreateParams(Params);
    if (HorzBarNeeded()) Params.Style |= WS_HSCROLL;
    if (VertBarNeeded()) Params.Style |= WS_VSCROLL;
    if (FBorderStyle == bsSingle) {
        if (Ctl3D)
            Params.ExStyle |= WS_EX_CLIENTEDGE;
        else
            Params.Style |= WS_BORDER;
    }
}

void TVxCustomTerminal::CreateHandle() {
    tmFreeCaret();
    TVexBaseWinControl::CreateHandle();
    if (!FComPort) {
        if (TCustomForm* form = GetParentForm(this))
            for (int i = 0; i < form->ComponentCount(); ++i)
                if (auto* p = dynamic_cast<TVexCustomComPort*>(form->Components(i))) {
                    tmSetComPort(p);
                    break;
                }
    } else if (!Designing(this)) {
        FComPort->RegisterUserEx(Handle());
        if (FActive) tmAttachToComPort();
    }
    tmGetFontInfo();
    FBeat->SetEnabled(true);
    if (Designing(this)) tmDrawDefaultText();
    FEmulator->Buffer()->RegisterTerminalHandle(Handle());
    TCriticalSectionLock hold(FQueueLock);
    if (FQueue.Count() > 0) PostMessage(Handle(), TermStuffMsg, csWriteChar, 0);
}

void TVxCustomTerminal::DestroyHandle() {
    if (HandleAllocated()) {
        tmDetachFromComPort();
        if (FComPort) FComPort->DeregisterUser(Handle());
        if (FEmulator && FEmulator->Buffer()) FEmulator->Buffer()->DeregisterTerminalHandle();
    }
    if (FBeat) FBeat->SetEnabled(false);
    tmFreeCaret();
    FNotifyWindow = 0;
    TVexBaseWinControl::DestroyHandle();
}

void TVxCustomTerminal::Loaded() {
    TVexBaseWinControl::Loaded();
    tmGetFontInfo();
    FEmulator->Buffer()->tbSetRow(1);
    if (const TVxCaptureMode stored = FCapture; stored != cmOff) {
        FCapture = cmOff;
        tmSetCapture(stored);
    }
}

void TVxCustomTerminal::RecreateForBars() {
    if (!HandleAllocated()) return;
    tmCalcExtent();
    const bool h = HorzBarNeeded(), v = VertBarNeeded();
    ShowScrollBar(Handle(), SB_HORZ, h);
    ShowScrollBar(Handle(), SB_VERT, v);
    UpdateScrollBars();
}

// --- Receiving -----------------------------------------------------------------------------------

template <class F> void TVxCustomTerminal::PaintCells(F&& paint) {
    if (!HandleAllocated()) return;
    tmHideCaret();
    TCanvas* c = FCanvas;
    const int saved = SaveDC(c->Handle());
    IntersectClipRect(c->Handle(), 0, 0, FVisibleCols * GetTotalCharWidth(), FVisibleRows * GetTotalCharHeight());
    try {
        paint();
    } catch (...) {
        RestoreDC(c->Handle(), saved);
        tmShowCaret();
        throw;
    }
    RestoreDC(c->Handle(), saved);
    tmPositionCaret();
    tmShowCaret();
}

void TVxCustomTerminal::ApwTermStuff(TVxCharSource Source) {
    // A handler that pumps may bring the next message here while a block is still being processed;
    // the block in progress takes what arrives meanwhile, so bytes keep their order.
    if (FInTermStuff) return;
    FInTermStuff = true;
    struct Guard {
        bool& f;
        ~Guard() { f = false; }
    } guard{FInTermStuff};
    for (;;) {
        {
            TCriticalSectionLock hold(FQueueLock);
            const DWORD n = FQueue.Count();
            if (n == 0) return;
            FTaken.assign(FQueue.Peek(n), n);
            FQueue.Clear();
        }
        const int n = static_cast<int>(FTaken.size());
        if (FCapture == cmOn && FCaptureStream) FCaptureStream->WriteBuffer(FTaken.data(), n);
        const std::string block = std::move(FTaken);
        FEmulator->ProcessBlock(block.data(), n, Source);
        if (!FUseLazyDisplay && FEmulator->teGetNeedsUpdate()) PaintCells([this] { FEmulator->LazyPaint(); });
        FLazyBytes += static_cast<DWORD>(n);
    }
}

void TVxCustomTerminal::tmBeat(TObject*) {
    if (!HandleAllocated()) return;
    if (FSelecting) {
        // A drag past an edge keeps scrolling the view while the pointer stays there, so the
        // selection can reach what the window does not show.
        POINT screen{};
        GetCursorPos(&screen);
        const TPoint at = ScreenToClient(TPoint(screen.x, screen.y));
        const TRect client = ClientRect();
        if (HorzBarNeeded()) {
            if (at.X < 0)
                Perform(WM_HSCROLL, SB_LINELEFT, 0);
            else if (at.X >= client.Width())
                Perform(WM_HSCROLL, SB_LINERIGHT, 0);
        }
        if (at.Y < 0)
            Perform(WM_VSCROLL, SB_LINEUP, 0);
        else if (at.Y >= client.Height())
            Perform(WM_VSCROLL, SB_LINEDOWN, 0);
        MouseMove(TShiftState{ssLeft}, at.X, at.Y);
    }
    if (FBlinkTime > 0) {
        FBlinkElapsed += 100;
        if (FBlinkElapsed > FBlinkTime) {
            FBlinkPhase ^= 1;
            FBlinkElapsed = 0;
            if (FEmulator->HasBlinkingText()) PaintCells([this] { FEmulator->BlinkPaint(FBlinkPhase); });
        }
    }
    if (FUseLazyDisplay) {
        FLazyTime += 100;
        if ((FLazyTime > FLazyTimeDelay || FLazyBytes > static_cast<DWORD>(FLazyByteDelay)) &&
            FEmulator->teGetNeedsUpdate()) {
            PaintCells([this] { FEmulator->LazyPaint(); });
            FLazyTime = 0;
            FLazyBytes = 0;
        }
    }
}

// --- Capture -------------------------------------------------------------------------------------

void TVxCustomTerminal::StopCapture() {
    FCaptureStream.reset();
}

void TVxCustomTerminal::StartCapture(bool Append) {
    if (Append) {
        FCaptureStream = std::make_unique<TFileStream>(FCaptureFile, fmOpenReadWrite);
        FCaptureStream->Seek(0, TSeekOrigin::soEnd);
    } else {
        FCaptureStream = std::make_unique<TFileStream>(FCaptureFile, fmCreate);
    }
}

void TVxCustomTerminal::tmSetCapture(TVxCaptureMode Value) {
    // Read from a stream, the mode waits for Loaded, when the capture file's name has been read too.
    if (Loading(this)) {
        FCapture = Value;
        return;
    }
    if (Value == FCapture || (Value == cmAppend && FCapture == cmOn)) return;
    if (FCapture == cmOn) StopCapture();
    if (FCaptureFile.empty()) FCaptureFile = "VEXOTERM.CAP";
    if (Value != cmOff && !Designing(this)) StartCapture(Value == cmAppend);
    FCapture = Value == cmOff ? cmOff : cmOn;
}

void TVxCustomTerminal::tmSetCaptureFile(const std::string& Value) {
    if (Value == FCaptureFile) return;
    if (FCapture == cmOn && !Loading(this)) {
        tmSetCapture(cmOff);
        FCaptureFile = Value;
        tmSetCapture(cmOn);
    } else {
        FCaptureFile = Value;
    }
}

// --- Font, extent, scroll bars -------------------------------------------------------------------

void TVxCustomTerminal::tmGetFontInfo() {
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, Font()->Handle());
    TEXTMETRIC tm;
    FCharHeight = 0;
    FCharWidth = 0;
    auto measure = [&] {
        if (GetTextMetrics(dc, &tm)) {
            FCharHeight = std::max(FCharHeight, static_cast<int>(tm.tmHeight + tm.tmExternalLeading));
            FCharWidth = tm.tmMaxCharWidth;
        }
    };
    TVxCharSetMapping* sets = FEmulator ? FEmulator->CharSetMap() : nullptr;
    if (!sets) {
        measure();
    } else {
        // Every font the character sets draw with, in the map's order; the cell is as high as the
        // highest and as wide as the last.
        TStringList names;
        sets->GetFontNames(&names);
        TFont font;
        for (int i = 0; i < names.Count(); ++i) {
            font.Assign(Font());
            if (names.Strings(i) != VxDefaultFontName) font.SetName(names.Strings(i));
            font.SetCharset(DEFAULT_CHARSET);
            SelectObject(dc, font.Handle());
            measure();
        }
        SelectObject(dc, Font()->Handle());
    }
    SelectObject(dc, old);
    DeleteDC(dc);
    if (HandleAllocated()) {
        tmCalcExtent();
        Invalidate();
    }
}

bool TVxCustomTerminal::HorzBarNeeded() const {
    return (FWantHorzBar && !FHideScrollbars) || (FHideScrollbars && FCursorOutsideH);
}

bool TVxCustomTerminal::VertBarNeeded() const {
    return (FWantVertBar && !FHideScrollbars) || (ScrollbackRows() > Rows() && FScrollback) ||
           (FHideScrollbars && FCursorOutsideV);
}

int TVxCustomTerminal::LowestOriginRow() const {
    return (!FWantVertBar || FScrollback) ? Rows() - ScrollbackRows() + 1 : 1;
}

void TVxCustomTerminal::tmCalcExtent() {
    const TRect client = ClientRect();
    const int cw = GetTotalCharWidth(), ch = GetTotalCharHeight();
    FVisibleCols = std::min((client.Width() + cw - 1) / cw, Columns() - FOriginCol + 1);
    FWholeCols = std::min(client.Width() / cw, Columns() - FOriginCol + 1);
    FVisibleRows = std::min((client.Height() + ch - 1) / ch, Rows() - FOriginRow + 1);
    FWholeRows = std::min(client.Height() / ch, Rows() - FOriginRow + 1);
    if (HandleAllocated()) {
        if (client.Width() / cw < Columns() && !FWantHorzBar && !FHideScrollbars) {
            FWantHorzBar = true;
            PostMessage(Handle(), TermForceSizeMsg, 0, 0);
        } else if (client.Width() / cw >= Columns() && FWantHorzBar) {
            FWantHorzBar = false;
            PostMessage(Handle(), TermForceSizeMsg, 0, 0);
        }
        if (client.Height() / ch < Rows() && !FWantVertBar && !FHideScrollbars) {
            FWantVertBar = true;
            if (ScrollbackRows() <= Rows()) PostMessage(Handle(), TermForceSizeMsg, 0, 0);
        } else if (client.Height() / ch >= Rows() && FWantVertBar) {
            FWantVertBar = false;
            PostMessage(Handle(), TermForceSizeMsg, 0, 0);
        }
    }
    FTextRect = Rect(0, 0, std::min(FVisibleCols * cw, client.Width()), std::min(FVisibleRows * ch, client.Height()));
    FRightMargin = Rect(FTextRect.Right, 0, client.Width(), FTextRect.Bottom);
    FBottomMargin = Rect(0, FTextRect.Bottom, client.Width(), client.Height());
    UpdateScrollBars();
}

void TVxCustomTerminal::UpdateScrollBars() {
    if (!HandleAllocated()) return;
    SCROLLINFO si;
    si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    si.nMin = 0;
    si.nMax = Columns() - 1;
    si.nPage = static_cast<UINT>(std::max(FWholeCols, 0));
    si.nPos = FOriginCol - 1;
    SetScrollInfo(Handle(), SB_HORZ, &si, TRUE);
    si.nMin = (!FWantVertBar || FScrollback) ? Rows() - ScrollbackRows() : 0;
    si.nMax = Rows() - 1;
    si.nPage = static_cast<UINT>(std::max(FWholeRows, 0));
    si.nPos = FOriginRow - 1;
    SetScrollInfo(Handle(), SB_VERT, &si, TRUE);
}

int TVxCustomTerminal::VertScrollPos() const {
    return FOriginRow - 1;
}

void TVxCustomTerminal::tmSetOriginCol(int Value) {
    Value = std::clamp(Value, 1, std::max(Columns() - FWholeCols + 1, 1));
    if (Value == FOriginCol) return;
    const int delta = FOriginCol - Value;
    FOriginCol = Value;
    if (HandleAllocated()) ScrollWindow(Handle(), delta * GetTotalCharWidth(), 0, nullptr, nullptr);
    tmCalcExtent();
    tmPositionCaret();
}

void TVxCustomTerminal::tmSetOriginRow(int Value) {
    Value = std::clamp(Value, LowestOriginRow(), std::max(Rows() - FWholeRows + 1, LowestOriginRow()));
    if (Value == FOriginRow) return;
    const int delta = FOriginRow - Value;
    FOriginRow = Value;
    if (HandleAllocated()) ScrollWindow(Handle(), 0, delta * GetTotalCharHeight(), nullptr, nullptr);
    tmCalcExtent();
    tmPositionCaret();
}

void TVxCustomTerminal::DoScroll(UINT Msg, WPARAM WParam) {
    const int code = static_cast<int>(WParam & 0xFFFF);
    const int thumb = static_cast<std::int16_t>((WParam >> 16) & 0xFFFF);
    if (Msg == WM_HSCROLL) {
        int v = FOriginCol;
        switch (code) {
        case SB_LINELEFT:
            --v;
            break;
        case SB_LINERIGHT:
            ++v;
            break;
        case SB_PAGELEFT:
            v -= FWholeCols;
            break;
        case SB_PAGERIGHT:
            v += FWholeCols;
            break;
        case SB_THUMBPOSITION:
        case SB_THUMBTRACK:
            v = thumb + 1;
            break;
        default:
            return;
        }
        tmSetOriginCol(v);
        return;
    }
    if (FWantVertBar && FAutoScrollback) {
        if (code == SB_LINEUP && FOriginRow == 1 && !FScrollback)
            tmSetScrollback(true);
        else if (FOriginRow > 1 && FScrollback)
            tmSetScrollback(false);
    }
    int v = FOriginRow;
    switch (code) {
    case SB_LINEUP:
        --v;
        break;
    case SB_LINEDOWN:
        ++v;
        break;
    case SB_PAGEUP:
        v -= FWholeRows;
        break;
    case SB_PAGEDOWN:
        v += FWholeRows;
        break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK:
        v = thumb + 1;
        break;
    default:
        return;
    }
    tmSetOriginRow(v);
}

void TVxCustomTerminal::CursorCell(int& Row, int& Col) const {
    TVxTerminalBuffer* b = FEmulator->Buffer();
    Col = b->tbGetCol();
    Row = b->tbGetRow();
    if (!b->UseAbsAddress()) {
        Col += b->tbGetOriginCol() - 1;
        Row += b->tbGetOriginRow() - 1;
    }
}

void TVxCustomTerminal::tmFollowCursor() {
    if (!FFollowCursor) return;
    int row = 0, col = 0;
    CursorCell(row, col);
    if (col < FOriginCol)
        tmSetOriginCol(col);
    else if (FWholeCols > 0 && col >= FOriginCol + FWholeCols)
        tmSetOriginCol(col - FWholeCols + 1);
    if (row < FOriginRow)
        tmSetOriginRow(row);
    else if (FWholeRows > 0 && row >= FOriginRow + FWholeRows)
        tmSetOriginRow(row - FWholeRows + 1);
}

void TVxCustomTerminal::tmCursorOutsideView(int Row, int Col) {
    const bool h = Col > FWholeCols, v = Row > FWholeRows;
    if (h == FCursorOutsideH && v == FCursorOutsideV) return;
    FCursorOutsideH = h;
    FCursorOutsideV = v;
    RecreateForBars();
}

// --- Caret ---------------------------------------------------------------------------------------

void TVxCustomTerminal::tmMakeCaret() {
    if (!HandleAllocated() || FCaretCreated || FCursorType == ctNone) return;
    const int height = FCursorType == ctUnderline ? 2 : GetTotalCharHeight();
    FCaretCreated = CreateCaret(Handle(), nullptr, GetTotalCharWidth(), height) != FALSE;
    FCaretShown = false;
    tmPositionCaret();
    tmShowCaret();
}

void TVxCustomTerminal::tmFreeCaret() {
    if (!FCaretCreated) return;
    DestroyCaret();
    FCaretCreated = false;
    FCaretShown = false;
}

void TVxCustomTerminal::tmPositionCaret() {
    if (!FCaretCreated) return;
    int row = 0, col = 0;
    CursorCell(row, col);
    const int x = (col - FOriginCol) * GetTotalCharWidth();
    int y = (row - FOriginRow) * GetTotalCharHeight();
    if (FCursorType == ctUnderline) y += GetTotalCharHeight() - 2;
    SetCaretPos(x, y);
    const TRect client = ClientRect();
    const bool inside = x >= 0 && y >= 0 && x < client.Right && y < client.Bottom;
    if (!inside && FCaretShown) tmHideCaret();
    else if (inside && !FCaretShown) tmShowCaret();
}

void TVxCustomTerminal::tmShowCaret() {
    if (!FCaretCreated || FCaretShown || !Focused() || Designing(this)) return;
    POINT p{};
    GetCaretPos(&p);
    const TRect client = ClientRect();
    if (p.x < 0 || p.y < 0 || p.x >= client.Right || p.y >= client.Bottom) return;
    ShowCaret(Handle());
    FCaretShown = true;
}

void TVxCustomTerminal::tmHideCaret() {
    if (!FCaretCreated || !FCaretShown) return;
    HideCaret(Handle());
    FCaretShown = false;
}

// --- Painting ------------------------------------------------------------------------------------

void TVxCustomTerminal::PaintWindow(HDC DC) {
    tmHideCaret();
    PaintOnCanvas(*FCanvas, DC, [this] {
        const TRect clip = FCanvas->ClipRect();
        HBRUSH brush = CreateSolidBrush(ColorToRGB(Color()));
        for (const TRect& m : {FRightMargin, FBottomMargin}) {
            RECT r = m, c = clip, hit;
            if (IntersectRect(&hit, &r, &c)) FillRect(FCanvas->Handle(), &hit, brush);
        }
        DeleteObject(brush);
        RECT text = FTextRect, c = clip, part;
        if (IntersectRect(&part, &text, &c)) {
            const int saved = SaveDC(FCanvas->Handle());
            IntersectClipRect(FCanvas->Handle(), part.left, part.top, part.right, part.bottom);
            FEmulator->Paint();
            RestoreDC(FCanvas->Handle(), saved);
        }
    });
    tmShowCaret();
}

// --- Messages ------------------------------------------------------------------------------------

void TVxCustomTerminal::Dispatch(TMessage& Message) {
    switch (Message.Msg) {
    case PortOpenMsg:
        if (FAttachPending) tmAttachToComPort();
        return;
    case PortCloseMsg:
    case PortClosingMsg:
        tmDetachFromComPort();
        return;
    case TermStuffMsg:
        ApwTermStuff(static_cast<TVxCharSource>(Message.WParam));
        return;
    case TermForceSizeMsg:
        RecreateForBars();
        return;
    case TermWaitForPortMsg:
        AwpWaitForPort();
        return;
    case TermNeedsUpdateMsg:
        if (!FUseLazyDisplay && FEmulator->teGetNeedsUpdate()) PaintCells([this] { FEmulator->LazyPaint(); });
        tmPositionCaret();
        return;
    case CM_FONTCHANGED:
        TVexBaseWinControl::Dispatch(Message);
        if (!Loading(this) && HandleAllocated()) tmGetFontInfo();
        return;
    case CM_CTL3DCHANGED:
        if (FBorderStyle == bsSingle) RecreateWnd();
        return;
    case CN_KEYDOWN:
    case CN_SYSKEYDOWN:
        Message.Result = CNKeyDown(static_cast<WORD>(Message.WParam), Message.LParam) ? 1 : 0;
        return;
    case WM_CANCELMODE:
        HideSelection();
        FSelecting = false;
        return;
    case WM_COPY:
        CopyToClipboard();
        Message.Result = 1;
        return;
    case WM_PASTE:
        PasteFromClipboard();
        return;
    case WM_ERASEBKGND:
        Message.Result = 1;
        return;
    case WM_GETDLGCODE:
        if (FWantAllKeys) {
            Message.Result = DLGC_WANTARROWS | DLGC_WANTTAB | DLGC_WANTCHARS | DLGC_HASSETSEL;
            return;
        }
        break;
    case WM_HSCROLL:
    case WM_VSCROLL:
        DoScroll(Message.Msg, Message.WParam);
        return;
    case WM_SETFOCUS:
        TVexBaseWinControl::Dispatch(Message);
        tmMakeCaret();
        return;
    case WM_KILLFOCUS:
        tmHideCaret();
        tmFreeCaret();
        TVexBaseWinControl::Dispatch(Message);
        return;
    case WM_SIZE: {
        TVexBaseWinControl::Dispatch(Message);
        tmCalcExtent();
        const TRect client = ClientRect();
        if (FOriginCol > 1 && client.Width() / GetTotalCharWidth() > Columns() - FOriginCol + 1)
            tmSetOriginCol(Columns() - client.Width() / GetTotalCharWidth() + 1);
        if (FOriginRow > 1 && client.Height() / GetTotalCharHeight() > Rows() - FOriginRow + 1)
            tmSetOriginRow(Rows() - client.Height() / GetTotalCharHeight() + 1);
        return;
    }
    default:
        break;
    }
    TVexBaseWinControl::Dispatch(Message);
}

// --- Keys ----------------------------------------------------------------------------------------

bool TVxCustomTerminal::CNKeyDown(WORD Key, LPARAM KeyData) {
    TShiftState shift;
    if (GetKeyState(VK_SHIFT) & 0x8000) shift.Include(ssShift);
    if (GetKeyState(VK_CONTROL) & 0x8000) shift.Include(ssCtrl);
    if (GetKeyState(VK_MENU) & 0x8000) shift.Include(ssAlt);
    if (Key == VK_ESCAPE && FSelecting) {
        Perform(WM_CANCELMODE, 0, 0);
        return true;
    }
    if ((Key == 'C' || Key == VK_INSERT) && shift.Contains(ssCtrl) && !shift.Contains(ssShift) &&
        !shift.Contains(ssAlt) && FHasSelection) {
        CopyToClipboard();
        return true;
    }
    if (Key == VK_SHIFT || Key == VK_CONTROL || Key == VK_MENU) return false;
    const bool extended = (KeyData & KF_EXTENDED_BIT) != 0;
    if (!extended && (GetKeyState(VK_NUMLOCK) & 1) == 0) Key = KeypadCode(Key);
    if (extended && Key == VK_RETURN) Key = KeypadEnterCode;
    if (KeyData & KF_REPEAT_BIT) Key = static_cast<WORD>(Key + 0x8000);
    FEmulator->KeyDown(Key, shift);
    return Key == 0;
}

void TVxCustomTerminal::KeyDown(WORD& Key, TShiftState Shift) {
    TVexBaseWinControl::KeyDown(Key, Shift);
    if (!FWantAllKeys && Key != 0) FEmulator->KeyDown(Key, Shift);
}

void TVxCustomTerminal::KeyPress(char& Key) {
    TVexBaseWinControl::KeyPress(Key);
    if (Key == 0) return;
    FEmulator->CharTyped(Key);
    if (!FUseLazyDisplay && FEmulator->teGetNeedsUpdate()) PaintCells([this] { FEmulator->LazyPaint(); });
}

// --- Mouse selection and clipboard ---------------------------------------------------------------

void TVxCustomTerminal::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TVexBaseWinControl::MouseDown(Button, Shift, X, Y);
    if (Button != mbLeft) return;
    if (CanFocus()) SetFocus();
    FSelecting = true;
    if (!FMouseSelect) return;
    const int cw = GetTotalCharWidth(), ch = GetTotalCharHeight();
    X = std::clamp(X, 0, std::max(FVisibleCols * cw - 1, 0));
    Y = std::clamp(Y, 0, std::max(FVisibleRows * ch - 1, 0));
    HideSelection();
    FAnchorCol = X / cw + FOriginCol;
    FAnchorRow = Y / ch + FOriginRow;
    MarkSelection(FAnchorCol, FAnchorRow, FAnchorCol, FAnchorRow);
}

void TVxCustomTerminal::MouseMove(TShiftState Shift, int X, int Y) {
    TVexBaseWinControl::MouseMove(Shift, X, Y);
    if (FSelecting && FMouseSelect) SelectTo(X, Y);
}

void TVxCustomTerminal::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TVexBaseWinControl::MouseUp(Button, Shift, X, Y);
    if (Button != mbLeft || !FSelecting) return;
    if (FMouseSelect && FAutoCopy && FHasSelection) CopyToClipboard();
    FSelecting = false;
}

void TVxCustomTerminal::SelectTo(int X, int Y) {
    const int cw = GetTotalCharWidth(), ch = GetTotalCharHeight();
    X = std::clamp(X, 0, std::max(FVisibleCols * cw - 1, 0));
    Y = std::clamp(Y, 0, std::max(FVisibleRows * ch - 1, 0));
    const int col = std::clamp(X / cw + FOriginCol, 1, Columns());
    const int row = std::clamp(Y / ch + FOriginRow, Rows() - ScrollbackRows(), Rows());
    int sc = FAnchorCol, sr = FAnchorRow, ec = col, er = row;
    if (er < sr || (er == sr && ec < sc)) {
        std::swap(sc, ec);
        std::swap(sr, er);
    }
    MarkSelection(sc, sr, ec, er);
}

void TVxCustomTerminal::MarkSelection(int StartCol, int StartRow, int EndCol, int EndRow) {
    auto inside = [](int col, int row, int sc, int sr, int ec, int er) {
        return row >= sr && row <= er && !(row == sr && col < sc) && !(row == er && col > ec);
    };
    TVxTerminalBuffer* b = FEmulator->Buffer();
    const int top = FHasSelection ? std::min(FSelStartRow, StartRow) : StartRow;
    const int bottom = FHasSelection ? std::max(FSelEndRow, EndRow) : EndRow;
    // Only the cells whose membership changes are touched, and only their rows repainted.
    for (int row = top; row <= bottom; ++row) {
        BYTE* attrs = b->GetLineAttrPtr(row);
        if (!attrs) continue;
        bool changed = false;
        for (int col = 1; col <= Columns(); ++col) {
            const bool was = FHasSelection && inside(col, row, FSelStartCol, FSelStartRow, FSelEndCol, FSelEndRow);
            const bool want = inside(col, row, StartCol, StartRow, EndCol, EndRow);
            if (was == want) continue;
            TVxTerminalCharAttrs a = ByteToCharAttrs(attrs[col - 1]);
            if (want)
                a.Include(tcaSelected);
            else
                a.Exclude(tcaSelected);
            attrs[col - 1] = CharAttrsToByte(a);
            changed = true;
        }
        if (changed) InvalidateCells(row, 1, Columns());
    }
    FSelStartCol = StartCol;
    FSelStartRow = StartRow;
    FSelEndCol = EndCol;
    FSelEndRow = EndRow;
    FHasSelection = true;
}

void TVxCustomTerminal::HideSelection() {
    // An empty range: every cell leaves the selection.
    if (FHasSelection) MarkSelection(0, FSelStartRow, 0, FSelStartRow - 1);
    FSelStartCol = FSelStartRow = FSelEndCol = FSelEndRow = 0;
    FAnchorCol = FAnchorRow = 0;
    FHasSelection = false;
}

std::string TVxCustomTerminal::SelectionText() {
    std::string text;
    if (!FHasSelection) return text;
    for (int row = FSelStartRow; row <= FSelEndRow; ++row) {
        const std::string line = tmGetLine(row);
        const int first = row == FSelStartRow ? FSelStartCol : 1;
        const int last = row == FSelEndRow ? FSelEndCol : Columns();
        if (!line.empty() && first <= last)
            text += line.substr(static_cast<std::size_t>(first - 1), static_cast<std::size_t>(last - first + 1));
        text += "\r\n";
    }
    return text;
}

void TVxCustomTerminal::CopyToClipboard() {
    const std::string text = SelectionText();
    if (!OpenClipboard(HandleAllocated() ? Handle() : 0)) return;
    EmptyClipboard();
    HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
    if (mem) {
        std::memcpy(GlobalLock(mem), text.c_str(), text.size() + 1);
        GlobalUnlock(mem);
        SetClipboardData(CF_TEXT, reinterpret_cast<HANDLE>(mem));
    }
    CloseClipboard();
}

void TVxCustomTerminal::PasteFromClipboard() {
    if (!IsClipboardFormatAvailable(CF_TEXT) || !OpenClipboard(HandleAllocated() ? Handle() : 0)) return;
    std::string text;
    if (HANDLE h = GetClipboardData(CF_TEXT)) {
        text = static_cast<const char*>(GlobalLock(reinterpret_cast<HGLOBAL>(h)));
        GlobalUnlock(reinterpret_cast<HGLOBAL>(h));
    }
    CloseClipboard();
    if (FPasteToScreen && FPasteToPort && FComPort) {
        for (const char c : text) {
            WriteChar(c);
            FComPort->PutChar(c);
        }
        return;
    }
    if (FPasteToScreen) WriteString(text);
    if (FPasteToPort && FComPort) FComPort->PutString(text);
}

// --- Published ----------------------------------------------------------------------------------

namespace {

const bool kPublished = [] {
    using namespace published;
    using C = TVxTerminal;
    std::vector<TPropInfo> props = {
        Property<C>(
            "Active", [](const C& c) { return c.Active(); }, [](C& c, bool v) { c.tmSetActive(v); }, true),
        Property<C>(
            "AutoCopy", [](const C& c) { return c.AutoCopy(); }, [](C& c, bool v) { c.SetAutoCopy(v); },
            true),
        Property<C>(
            "AutoScrollback", [](const C& c) { return c.AutoScrollback(); },
            [](C& c, bool v) { c.tmSetAutoScrollback(v); }, true),
        Property<C>(
            "BlinkTime", [](const C& c) { return c.BlinkTime(); }, [](C& c, int v) { c.tmSetBlinkTime(v); },
            500),
        Property<C>(
            "BorderStyle", [](const C& c) { return c.BorderStyle(); },
            [](C& c, TBorderStyle v) { c.tmSetBorderStyle(v); }, bsSingle),
        Property<C>(
            "Capture", [](const C& c) { return c.Capture(); },
            [](C& c, TVxCaptureMode v) { c.tmSetCapture(v); }, cmOff),
        Property<C>(
            "CaptureFile", [](const C& c) { return c.CaptureFile(); },
            [](C& c, const std::string& v) { c.tmSetCaptureFile(v); }),
        Property<C>(
            "Columns", [](const C& c) { return c.Columns(); }, [](C& c, int v) { c.tmSetColumns(v); }, 80),
        Property<C>(
            "ComPort", [](const C& c) { return c.ComPort(); },
            [](C& c, TVexCustomComPort* v) { c.tmSetComPort(v); }),
        Property<C>(
            "CursorType", [](const C& c) { return c.CursorType(); },
            [](C& c, TVxCursorType v) { c.tmSetCursorType(v); }, ctBlock),
        Property<C>(
            "FollowCursor", [](const C& c) { return c.FollowCursor(); },
            [](C& c, bool v) { c.tmSetFollowCursor(v); }, true),
        Property<C>(
            "HalfDuplex", [](const C& c) { return c.HalfDuplex(); }, [](C& c, bool v) { c.SetHalfDuplex(v); },
            false),
        Property<C>(
            "HideScrollbars", [](const C& c) { return c.HideScrollbars(); },
            [](C& c, bool v) { c.tmSetHideScrollbars(v); }, false),
        Property<C>(
            "LazyByteDelay", [](const C& c) { return c.LazyByteDelay(); },
            [](C& c, int v) { c.tmSetLazyByteDelay(v); }, 200),
        Property<C>(
            "LazyTimeDelay", [](const C& c) { return c.LazyTimeDelay(); },
            [](C& c, int v) { c.tmSetLazyTimeDelay(v); }, 100),
        Property<C>(
            "MouseSelect", [](const C& c) { return c.MouseSelect(); },
            [](C& c, bool v) { c.tmSetMouseSelect(v); }, true),
        Property<C>(
            "PasteToPort", [](const C& c) { return c.PasteToPort(); },
            [](C& c, bool v) { c.SetPasteToPort(v); }, false),
        Property<C>(
            "PasteToScreen", [](const C& c) { return c.PasteToScreen(); },
            [](C& c, bool v) { c.SetPasteToScreen(v); }, false),
        Property<C>(
            "Rows", [](const C& c) { return c.Rows(); }, [](C& c, int v) { c.tmSetRows(v); }, 24),
        Property<C>(
            "ScrollbackRows", [](const C& c) { return c.ScrollbackRows(); },
            [](C& c, int v) { c.tmSetScrollbackRows(v); }, 200),
        // No default declared: always stored.
        Property<C>(
            "Scrollback", [](const C& c) { return c.Scrollback(); },
            [](C& c, bool v) { c.tmSetScrollback(v); }),
        Property<C>(
            "UseLazyDisplay", [](const C& c) { return c.UseLazyDisplay(); },
            [](C& c, bool v) { c.tmSetUseLazyDisplay(v); }, true),
        Property<C>(
            "WantAllKeys", [](const C& c) { return c.WantAllKeys(); },
            [](C& c, bool v) { c.SetWantAllKeys(v); }, true),
        Property<C>(
            "FreezeScrollBack", [](const C& c) { return c.FreezeScrollBack(); },
            [](C& c, bool v) { c.SetFreezeScrollBack(v); }, true),
        Field<C>("OnCursorMoved", &C::OnCursorMoved),
        Property<C>(
            "Emulator", [](const C& c) { return c.Emulator(); },
            [](C& c, TVxTerminalEmulator* v) { c.tmSetEmulator(v); }),
    };
    for (TPropInfo& p :
         Standard<C>({"Align",      "Color",       "Ctl3D",       "Enabled",     "Font",      "Height",
                      "Width",      "ParentColor", "ParentCtl3D", "ParentFont",  "PopupMenu", "TabOrder",
                      "TabStop",    "Visible",     "OnClick",     "OnDblClick",  "OnExit",    "OnKeyDown",
                      "OnKeyPress", "OnKeyUp",     "OnMouseDown", "OnMouseMove", "OnMouseUp"}))
        props.push_back(std::move(p));
    PublishProperties<C, TVexBaseWinControl>(std::move(props));
    RegisterClass<TVxTerminal>();
    return true;
}();

} // namespace
