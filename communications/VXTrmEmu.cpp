#include "communications/VXTrmEmu.h"

#include "communications/VXTerm.h"
#include "communications/VxPort.h"
#include "platform/gdi/Draw.h"
#include "platform/gdi/Region.h"
#include "platform/rtl/Format.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/Filer.h"
#include "platform/ui/TypInfo.h"
#include "platform/win/Messages.h"

#include <algorithm>

namespace {

// The attribute of each group of four commands (add, only, remove, invert) from ecAddBold on.
constexpr TVxTerminalCharAttr kGroupAttr[] = {tcaBold,  tcaUnderline, tcaStrikethrough,
                                              tcaBlink, tcaReverse,   tcaInvisible};

TColor Brighter(TColor Color) {
    const COLORREF c = ColorToRGB(Color);
    auto up = [](int part) { return std::min(part + 128, 255); };
    return static_cast<TColor>(RGB(up(GetRValue(c)), up(GetGValue(c)), up(GetBValue(c))));
}

} // namespace

// --- TVxTerminalEmulator -------------------------------------------------------------------------

TVxTerminalEmulator::TVxTerminalEmulator(TComponent* AOwner) : TVexBaseComponent(AOwner) {}

TVxTerminalEmulator::~TVxTerminalEmulator() {
    Destroying();
    if (!FOwnedByTerminal && FTerminal) teSetTerminal(nullptr);
    delete FBuffer;
}

void TVxTerminalEmulator::SetBuffer(TVxTerminalBuffer* ABuffer) {
    FBuffer = ABuffer;
    FBuffer->OnCursorMoved =
        TVxOnCursorMovedEvent::Bind<&TVxTerminalEmulator::teHandleCursorMovement>(this);
}

bool TVxTerminalEmulator::teGetNeedsUpdate() {
    if (!FBuffer) return false;
    const bool changed = FBuffer->HasDisplayChanged();
    return FBuffer->HasCursorMoved() || changed;
}

void TVxTerminalEmulator::teSetTerminal(TVxCustomTerminal* ATerminal) {
    if (FOwnedByTerminal) {
        FTerminal = ATerminal;
        return;
    }
    if (ATerminal == FTerminal) return;
    // The terminal's side keeps the unit's link list; it also sets or clears FTerminal.
    if (FTerminal) FTerminal->tmSetEmulator(nullptr);
    if (ATerminal) {
        ATerminal->FreeNotification(this);
        ATerminal->tmSetEmulator(this);
    }
}

void TVxTerminalEmulator::Notification(TComponent* AComponent, TOperation Operation) {
    TVexBaseComponent::Notification(AComponent, Operation);
    if (FOwnedByTerminal) return;
    if (Operation == TOperation::opRemove && AComponent == FTerminal) {
        FTerminal = nullptr;
    } else if (Operation == TOperation::opInsert && !FTerminal) {
        if (auto* t = dynamic_cast<TVxTerminal*>(AComponent)) teSetTerminal(t);
    }
}

void TVxTerminalEmulator::teSendChar(char C, bool Echo, TVxCharSource Source) {
    if (!FTerminal) return;
    if (Echo && FTerminal->HalfDuplex()) ProcessBlock(&C, 1, Source);
    TVexCustomComPort* port = FTerminal->ComPort();
    if (port && port->Open()) port->PutChar(C);
}

void TVxTerminalEmulator::teSendReply(const std::string& S) {
    if (!FTerminal) return;
    TVexCustomComPort* port = FTerminal->ComPort();
    if (!port || port->Terminal() != FTerminal) return;
    port->PutString(S);
}

void TVxTerminalEmulator::tePaintInvalid(bool& RefreshAll) {
    TVxCustomTerminal* t = FTerminal;
    if (!t || !FBuffer) return;
    TRect r;
    if (RefreshAll) {
        RefreshAll = false;
        while (FBuffer->GetInvalidRect(r)) {
        }
        for (int row = t->OriginRow(); row < t->OriginRow() + t->VisibleRows(); ++row)
            teDrawRow(row, 1, FBuffer->ColCount());
        return;
    }
    const int shift = t->FreezeScrollBack() ? 0 : t->VertScrollPos();
    while (FBuffer->GetInvalidRect(r)) {
        int top = r.Top, bottom = r.Bottom;
        if (shift) {
            top += shift;
            bottom += shift + 1;
        }
        for (int row = top; row <= bottom; ++row) teDrawRow(row, r.Left, r.Right);
    }
}

void TVxTerminalEmulator::tePaintClip() {
    TVxCustomTerminal* t = FTerminal;
    if (!t) return;
    const TRect clip = t->Canvas()->ClipRect();
    const int cw = t->GetTotalCharWidth(), ch = t->GetTotalCharHeight();
    const int firstCol = clip.Left / cw + t->OriginCol();
    const int lastCol = (clip.Right - 1) / cw + t->OriginCol();
    const int shift = t->FreezeScrollBack() ? 0 : t->VertScrollPos();
    const int firstRow = clip.Top / ch + t->OriginRow() + shift;
    const int lastRow = (clip.Bottom - 1) / ch + t->OriginRow() + shift;
    for (int row = firstRow; row <= lastRow; ++row) teDrawRow(row, firstCol, lastCol);
}

void TVxTerminalEmulator::teHandleCursorMovement(TObject* Sender, int Row, int Col) {
    if (!FTerminal) return;
    if (!FTerminal->UseLazyDisplay() && FTerminal->HandleAllocated())
        PostMessage(FTerminal->Handle(), TermNeedsUpdateMsg, 0, 1);
    if (FTerminal->FollowCursor()) FTerminal->tmFollowCursor();
    if (FTerminal->HideScrollbars()) FTerminal->tmCursorOutsideView(Row, Col);
    if (FTerminal->OnCursorMoved) FTerminal->OnCursorMoved(Sender, Row, Col);
}

void TVxTerminalEmulator::teProcessCommandList(TVxEmuCommandList* List) {
    if (!List) return;
    // A command may run a handler that changes the list; walk it by index.
    for (int i = 0; i < List->Count(); ++i) teProcessCommand(List->Items(i)->Command, List->Items(i)->Params());
}

void TVxTerminalEmulator::ExecuteTerminalCommands(TVxEmuCommandList* List) {
    teProcessCommandList(List);
    if (FTerminal) FTerminal->Repaint();
}

void TVxTerminalEmulator::teProcessCommand(TVxEmuCommand Command, TVxEmuCommandParams* Params) {
    TVxTerminalBuffer* b = FBuffer;
    if (!b) return;
    static const TVxEmuCommandParams kNoParams;
    const TVxEmuCommandParams& p = Params ? *Params : kNoParams;
    auto boolean = [&p](const char* name, int index, bool def) { return p.GetBooleanValue(name, index, def); };
    auto integer = [&p](const char* name, int index, int def) { return p.GetIntegerValue(name, index, def); };
    auto color = [&p](const char* name, int index, TColor def) { return p.GetTColorValue(name, index, def); };
    TVxTerminalCharAttrs attrs = b->GetCharAttrs();

    if (Command >= ecAddBold && Command <= ecInvertInvisible) {
        const int offset = Command - ecAddBold;
        const TVxTerminalCharAttr a = kGroupAttr[offset / 4];
        switch (offset % 4) {
        case 0:
            attrs.Include(a);
            break;
        case 1:
            attrs = TVxTerminalCharAttrs{a};
            break;
        case 2:
            attrs.Exclude(a);
            break;
        default:
            if (attrs.Contains(a))
                attrs.Exclude(a);
            else
                attrs.Include(a);
            break;
        }
        b->SetCharAttrs(attrs);
        return;
    }

    switch (Command) {
    case ecNone:
        break;
    case ecBell:
        MessageBeep(MB_ICONASTERISK);
        break;
    case ecBackspace:
        b->DoBackspace();
        break;
    case ecTabHorz:
        b->DoHorzTab();
        break;
    case ecLF:
        b->DoLineFeed();
        break;
    case ecCR:
        b->DoCarriageReturn();
        break;
    case ecBackTabHorz:
        b->DoBackHorzTab();
        break;
    case ecCursorDown:
        b->MoveCursorDown(boolean("Scroll", 0, false));
        break;
    case ecCursorLeft:
        b->MoveCursorLeft(boolean("Wrap", 0, false), boolean("Scroll", 1, false));
        break;
    case ecCursorRight:
        b->MoveCursorRight(boolean("Wrap", 0, false), boolean("Scroll", 1, false));
        break;
    case ecCursorUp:
        b->MoveCursorUp(boolean("Scroll", 0, false));
        break;
    case ecCursorPos:
        b->SetCursorPosition(integer("Row", 0, 1), integer("Col", 1, 1));
        break;
    case ecDeleteChars:
        b->DeleteChars(integer("Count", 0, 1));
        break;
    case ecDeleteLines:
        b->DeleteLines(integer("Count", 0, 1));
        break;
    case ecInsertChars:
        b->InsertChars(integer("Count", 0, 1));
        break;
    case ecInsertLines:
        b->InsertLines(integer("Count", 0, 1));
        break;
    case ecEraseAll:
        b->EraseAll();
        break;
    case ecEraseChars:
        b->EraseChars(integer("Count", 0, 1));
        break;
    case ecEraseFromBOW:
        b->EraseFromBOW();
        break;
    case ecEraseFromBOL:
        b->EraseFromBOL();
        break;
    case ecEraseLine:
        b->EraseLine();
        break;
    case ecEraseScreen:
        b->EraseScreen();
        break;
    case ecEraseToEOL:
        b->EraseToEOL();
        break;
    case ecEraseToEOW:
        b->EraseToEOW();
        break;
    case ecSetHorzTabStop:
        b->SetHorzTabStop();
        break;
    case ecClearHorzTabStop:
        b->ClearHorzTabStop();
        break;
    case ecClearVertTabStop:
        b->ClearVertTabStop();
        break;
    case ecClearAllHorzTabStops:
        b->ClearAllHorzTabStops();
        break;
    case ecSetVertTabStop:
        b->SetVertTabStop();
        break;
    case ecClearAllVertTabStops:
        b->ClearAllVertTabStops();
        break;
    case ecSetScrollRegion:
        b->SetScrollRegion(integer("Top", 0, 1), integer("Bottom", 1, 1));
        break;
    case ecTabVert:
        b->DoVertTab();
        break;
    case ecBackTabVert:
        b->DoBackVertTab();
        break;
    case ecBackColor: {
        const TColor c = color("Color", 0, 0);
        b->tbSetBackColor(c);
        if (boolean("Persistent", 1, true) && FTerminal) FTerminal->SetColor(c);
        break;
    }
    case ecForeColor: {
        const TColor c = color("Color", 0, 0xC0C0C0);
        b->tbSetForeColor(c);
        if (boolean("Persistent", 1, true) && FTerminal) FTerminal->Font()->SetColor(c);
        break;
    }
    case ecAbsAddress:
    case ecNoAbsAddress:
        b->SetUseAbsAddress(Command == ecAbsAddress);
        break;
    case ecAutoWrap:
    case ecNoAutoWrap:
        b->SetUseAutoWrap(Command == ecAutoWrap);
        break;
    case ecAutoWrapDelay:
    case ecNoAutoWrapDelay:
        b->SetUseAutoWrapDelay(Command == ecAutoWrapDelay);
        break;
    case ecInsertMode:
    case ecNoInsertMode:
        b->SetUseInsertMode(Command == ecInsertMode);
        break;
    case ecNewLineMode:
    case ecNoNewLineMode:
        b->SetUseNewLineMode(Command == ecNewLineMode);
        break;
    case ecScrollRegion:
    case ecNoScrollRegion:
        b->tbSetUseScrollRegion(Command == ecScrollRegion);
        break;
    case ecSetCharAttr: {
        TVxTerminalCharAttrs set;
        const TVxTerminalCharAttr order[] = {tcaBold,    tcaUnderline, tcaStrikethrough, tcaBlink,
                                             tcaReverse, tcaInvisible, tcaSelected};
        const char* names[] = {"Bold", "Underline", "Strikethrough", "Blink", "Reverse", "Invisible", "Selected"};
        for (int i = 0; i < 7; ++i)
            if (boolean(names[i], i, false)) set.Include(order[i]);
        b->SetCharAttrs(set);
        break;
    }
    // The selected group runs add, remove, only, invert, unlike the groups before it. Each of
    // these two values does what its name says: a handler that asks to remove the selection by
    // name must not get it as the only attribute.
    case ecAddSelected:
        attrs.Include(tcaSelected);
        b->SetCharAttrs(attrs);
        break;
    case ecRemoveSelected:
        attrs.Exclude(tcaSelected);
        b->SetCharAttrs(attrs);
        break;
    case ecSelectedOnly:
        b->SetCharAttrs(TVxTerminalCharAttrs{tcaSelected});
        break;
    case ecInvertSelected:
        if (attrs.Contains(tcaSelected))
            attrs.Exclude(tcaSelected);
        else
            attrs.Include(tcaSelected);
        b->SetCharAttrs(attrs);
        break;
    case ecRemoveAllAttr:
        b->SetCharAttrs(TVxTerminalCharAttrs{});
        break;
    case ecRemoveAllAttrIgnoreSelect:
        b->SetCharAttrs(attrs.Contains(tcaSelected) ? TVxTerminalCharAttrs{tcaSelected} : TVxTerminalCharAttrs{});
        break;
    case ecClearAndHome:
        b->EraseScreen();
        b->SetCursorPosition(1, 1);
        break;
    case ecHome:
        b->SetCursorPosition(1, 1);
        break;
    case ecCursorEOL:
        b->tbSetCol(b->ColCount());
        break;
    case ecCursorBOL:
        b->tbSetCol(1);
        break;
    case ecCursorTop:
        b->tbSetRow(1);
        break;
    case ecCursorBottom:
        b->tbSetRow(b->RowCount());
        break;
    case ecWriteString:
        b->WriteString(p.GetStringValue("String", 0, ""));
        break;
    case ecColor: {
        const TColor fore = color("Fore", 0, 0xC0C0C0);
        const TColor back = color("Back", 1, 0);
        b->tbSetForeColor(fore);
        b->tbSetBackColor(back);
        if (boolean("Persistent", 2, true) && FTerminal) {
            FTerminal->Font()->SetColor(fore);
            FTerminal->SetColor(back);
        }
        break;
    }
    case ecSaveCursorPos:
        FSaved.Attrs = b->GetCharAttrs();
        FSaved.BackColor = b->BackColor();
        FSaved.CharSet = b->CharSet();
        FSaved.Col = b->tbGetCol();
        FSaved.ForeColor = b->ForeColor();
        FSaved.Row = b->tbGetRow();
        break;
    case ecRestoreCursorPos:
        b->SetCharAttrs(FSaved.Attrs);
        b->tbSetBackColor(FSaved.BackColor);
        b->tbSetCharSet(FSaved.CharSet);
        b->tbSetCol(FSaved.Col);
        b->tbSetForeColor(FSaved.ForeColor);
        b->tbSetRow(FSaved.Row);
        break;
    case ecDeviceAttributesReport: {
        const int type = integer("Type", 0, 0);
        if (type == 0)
            teSendReply("\033[?1;0c");
        else if (type == 52)
            teSendReply("\033/Z");
        break;
    }
    case ecNEL:
        b->DoLineFeed();
        if (!b->UseNewLineMode()) b->DoCarriageReturn();
        break;
    case ecReset:
        b->Reset();
        break;
    case ecAnswerback:
        teSendReply(FAnswerback);
        break;
    case ecDECALN: {
        const char saved = b->DefAnsiChar();
        b->tbSetDefAnsiChar('E');
        b->EraseScreen();
        b->tbSetDefAnsiChar(saved);
        break;
    }
    case ecDeviceStatusReport: {
        const int type = integer("Type", 0, 5);
        if (type == 5)
            teSendReply("\033[0n");
        else if (type == 6)
            teSendReply(Format("\033[%d;%dR", {b->tbGetRow(), b->tbGetCol()}));
        break;
    }
    case ecCursorOff:
        if (FTerminal) FTerminal->tmSetCursorType(ctNone);
        break;
    case ecCursorUnderline:
        if (FTerminal) FTerminal->tmSetCursorType(ctUnderline);
        break;
    case ecCursorBlock:
        if (FTerminal) FTerminal->tmSetCursorType(ctBlock);
        break;
    default:
        break;
    }
}

// --- TVxTTYEmulator ------------------------------------------------------------------------------

TVxRunColors TTYRunColors(TColor Fore, TColor Back, BYTE Attrs) {
    const TVxTerminalCharAttrs a = ByteToCharAttrs(Attrs);
    const bool reversed = a.Contains(tcaReverse) != a.Contains(tcaSelected);
    TVxRunColors c{reversed ? Back : Fore, reversed ? Fore : Back};
    if (a.Contains(tcaInvisible))
        c.Text = c.Fill;
    else if (a.Contains(tcaBold)) {
        // The colour that holds the foreground is brightened, wherever reversing put it.
        if (reversed)
            c.Fill = Brighter(c.Fill);
        else
            c.Text = Brighter(c.Text);
    }
    return c;
}

TVxTTYEmulator::TVxTTYEmulator(TComponent* AOwner) : TVxTerminalEmulator(AOwner) {
    SetBuffer(new TVxTerminalBuffer(false));
}

TVxTTYEmulator::~TVxTTYEmulator() = default;

bool TVxTTYEmulator::teGetNeedsUpdate() {
    const bool base = TVxTerminalEmulator::teGetNeedsUpdate();
    return base || FRefreshAll;
}

void TVxTTYEmulator::teSetTerminal(TVxCustomTerminal* ATerminal) {
    TVxTerminalEmulator::teSetTerminal(ATerminal);
    FRefreshAll = true;
}

void TVxTTYEmulator::teClear() {
    Buffer()->EraseScreen();
}

void TVxTTYEmulator::teClearAll() {
    Buffer()->EraseAll();
}

void TVxTTYEmulator::CharTyped(char& C) {
    if (C == '\b') C = '\x7F';
    teSendChar(C, true, csKeyboard);
}

void TVxTTYEmulator::ShowChar(char C) {
    TVxTerminalBuffer* b = Buffer();
    if (static_cast<unsigned char>(C) >= 32) {
        b->WriteChar(C);
        return;
    }
    switch (C) {
    case 7:
        teProcessCommand(ecBell, nullptr);
        break;
    case 8:
        b->DoBackspace();
        break;
    case 9:
        b->DoHorzTab();
        break;
    case 10:
        b->DoLineFeed();
        break;
    case 13:
        b->DoCarriageReturn();
        break;
    default:
        break; // dropped
    }
}

void TVxTTYEmulator::ProcessBlock(const char* Data, int Length, TVxCharSource Source) {
    teForEachChar(Data, Length, Source, OnProcessChar, [this](char C) { ShowChar(C); });
}

void TVxTTYEmulator::TakeTerminalColors() {
    TVxCustomTerminal* t = Terminal();
    if (!t) return;
    TVxTerminalBuffer* b = Buffer();
    const TColor back = t->Color();
    const TColor fore = t->Font()->Color();
    if (back == b->DefBackColor() && fore == b->DefForeColor()) return;
    b->tbSetDefBackColor(back);
    b->tbSetDefForeColor(fore);
    b->tbSetBackColor(back);
    b->tbSetForeColor(fore);
    FRefreshAll = true;
}

void TVxTTYEmulator::LazyPaint() {
    if (!Terminal()) return;
    TakeTerminalColors();
    tePaintInvalid(FRefreshAll);
}

void TVxTTYEmulator::Paint() {
    if (!Terminal()) return;
    TakeTerminalColors();
    tePaintClip();
}

void TVxTTYEmulator::teDrawRow(int Row, int FirstCol, int LastCol) {
    TVxCustomTerminal* t = Terminal();
    TVxTerminalBuffer* b = Buffer();
    if (Row < t->OriginRow() || Row > t->OriginRow() + t->VisibleRows() - 1) return;
    const int viewFirst = t->OriginCol(), viewLast = t->OriginCol() + t->VisibleCols() - 1;
    FirstCol = std::max(FirstCol, viewFirst);
    LastCol = std::min({LastCol, viewLast, b->ColCount()});
    if (FirstCol > LastCol) return;
    const auto* chars = static_cast<const char*>(b->GetLineCharPtr(Row));
    const BYTE* attrs = b->GetLineAttrPtr(Row);
    const TColor* fores = b->GetLineForeColorPtr(Row);
    const TColor* backs = b->GetLineBackColorPtr(Row);
    if (!chars) return;

    const int cw = t->GetTotalCharWidth(), ch = t->GetTotalCharHeight();
    const std::size_t columns = static_cast<std::size_t>(b->ColCount());
    if (FText.size() < columns) FText.resize(columns);
    if (FWidths.size() < columns) FWidths.assign(columns, cw);
    std::fill(FWidths.begin(), FWidths.end(), cw);

    HDC dc = t->Canvas()->Handle();
    SelectObject(dc, t->Font()->Handle());
    const int y = (Row - t->OriginRow()) * ch;
    int col = FirstCol;
    while (col <= LastCol) {
        const int i = col - 1;
        int end = col;
        while (end < LastCol && fores[end] == fores[i] && backs[end] == backs[i] && attrs[end] == attrs[i]) ++end;
        const int count = end - col + 1;
        const TVxRunColors colors = TTYRunColors(fores[i], backs[i], attrs[i]);
        std::copy(chars + i, chars + i + count, FText.begin());
        const int x = (col - t->OriginCol()) * cw;
        const RECT r{x, y, x + count * cw, y + ch};
        SetTextColor(dc, ColorToRGB(colors.Text));
        SetBkColor(dc, ColorToRGB(colors.Fill));
        SetBkMode(dc, OPAQUE);
        ExtTextOut(dc, x, y, ETO_OPAQUE | ETO_CLIPPED, &r, FText.data(), static_cast<UINT>(count), FWidths.data());
        const TVxTerminalCharAttrs a = ByteToCharAttrs(attrs[i]);
        if (a.Contains(tcaUnderline) || a.Contains(tcaStrikethrough)) {
            HPEN pen = CreatePen(PS_SOLID, 1, ColorToRGB(colors.Text));
            HGDIOBJ old = SelectObject(dc, pen);
            if (a.Contains(tcaUnderline)) {
                MoveToEx(dc, r.left, r.bottom - 2, nullptr);
                LineTo(dc, r.right, r.bottom - 2);
            }
            if (a.Contains(tcaStrikethrough)) {
                MoveToEx(dc, r.left, y + ch / 2, nullptr);
                LineTo(dc, r.right, y + ch / 2);
            }
            SelectObject(dc, old);
            DeleteObject(pen);
        }
        col = end + 1;
    }
}

// --- Published ----------------------------------------------------------------------------------

void TVxTerminalEmulator::DefineProperties(TFiler* Filer) {
    Filer->DefineProperty(
        "Answerback", [this](TReader* Reader) { SetAnswerback(Reader->ReadString()); },
        [this](TWriter* Writer) { Writer->WriteString(Answerback()); }, true);
}

namespace {

const bool kPublished = [] {
    using namespace published;
    using E = TVxTerminalEmulator;
    PublishProperties<E, TVexBaseComponent>({
        Property<E>(
            "Terminal", [](const E& e) { return e.Terminal(); },
            [](E& e, TVxCustomTerminal* v) { e.SetTerminal(v); }),
    });
    using T = TVxTTYEmulator;
    PublishProperties<T, E>({Field<T>("OnProcessChar", &T::OnProcessChar)});
    RegisterClass<TVxTTYEmulator>();
    return true;
}();

} // namespace
