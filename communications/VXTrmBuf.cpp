#include "communications/VXTrmBuf.h"

#include "platform/rtl/Exceptions.h"
#include "platform/win/Messages.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <utility>

namespace {

int ValidItemSize(int Size) {
    return Size == 1 || Size == 2 || Size == 4 ? Size : 1;
}

// Rows of 1- and 2-byte items are padded to whole 4-byte words.
int StrideFor(int ColCount, int ItemSize) {
    switch (ItemSize) {
    case 1:
        return (ColCount + 3) / 4 * 4;
    case 2:
        return (ColCount + 1) / 2 * 2;
    default:
        return ColCount;
    }
}

// Arguments come from the far end of a line (cursor addresses, counts): computed wide, then cut back.
int Saturate(long long Value) {
    return static_cast<int>(std::clamp<long long>(Value, INT_MIN, INT_MAX));
}

int Limit(long long Value, int Lo, int Hi) {
    return static_cast<int>(std::clamp<long long>(Value, Lo, Hi));
}

} // namespace

// --- TadTerminalArray -----------------------------------------------------------------------------

TadTerminalArray::TadTerminalArray(int AItemSize) : FItemSize(ValidItemSize(AItemSize)) {}

void TadTerminalArray::Fill(unsigned char* Dest, int Count) {
    if (Count <= 0) return;
    switch (FItemSize) {
    case 1:
        std::memset(Dest, FDefaultItem[0], static_cast<std::size_t>(Count));
        break;
    case 2: {
        std::uint16_t item;
        std::memcpy(&item, FDefaultItem.data(), 2);
        for (int i = 0; i < Count; ++i) std::memcpy(Dest + 2 * i, &item, 2);
        break;
    }
    default: {
        std::uint32_t item;
        std::memcpy(&item, FDefaultItem.data(), 4);
        for (int i = 0; i < Count; ++i) std::memcpy(Dest + 4 * i, &item, 4);
        break;
    }
    }
}

void TadTerminalArray::FillRows(int FirstRow, int Count) {
    for (int row = FirstRow; row < FirstRow + Count; ++row) Fill(Item(row, 0), FActColCount);
}

void TadTerminalArray::Clear() {
    Fill(FData.data(), static_cast<int>(FData.size() / static_cast<std::size_t>(FItemSize)));
}

void TadTerminalArray::ClearItems(int Row, int StartCol, int EndCol) {
    if (Row < 0 || Row >= FRowCount) return;
    StartCol = std::max(StartCol, 0);
    EndCol = std::min(EndCol, FColCount - 1);
    if (StartCol > EndCol) return;
    Fill(Item(Row, StartCol), EndCol - StartCol + 1);
}

void TadTerminalArray::DeleteItems(int Count, int Row, int Col) {
    if (Count <= 0 || Row < 0 || Row >= FRowCount || Col < 0 || Col >= FColCount) return;
    Count = std::min(Count, FColCount - Col);
    const int kept = FColCount - Col - Count;
    std::memmove(Item(Row, Col), Item(Row, Col + Count), static_cast<std::size_t>(kept * FItemSize));
    Fill(Item(Row, FColCount - Count), Count);
}

void TadTerminalArray::InsertItems(int Count, int Row, int Col) {
    if (Count <= 0 || Row < 0 || Row >= FRowCount || Col < 0 || Col >= FColCount) return;
    Count = std::min(Count, FColCount - Col);
    const int kept = FColCount - Col - Count;
    std::memmove(Item(Row, Col + Count), Item(Row, Col), static_cast<std::size_t>(kept * FItemSize));
    Fill(Item(Row, Col), Count);
}

void TadTerminalArray::WriteItems(const void* Items, int Count, int Col, int Row) {
    if (Count <= 0 || Row < 0 || Row >= FRowCount || Col < 0 || Col >= FColCount) return;
    Count = std::min(Count, FColCount - Col);
    std::memcpy(Item(Row, Col), Items, static_cast<std::size_t>(Count * FItemSize));
}

void TadTerminalArray::WriteDupItems(const void* Item_, int Count, int Col, int Row) {
    if (Count <= 0 || Row < 0 || Row >= FRowCount || Col < 0 || Col >= FColCount) return;
    Count = std::min(Count, FColCount - Col);
    unsigned char* dest = Item(Row, Col);
    for (int i = 0; i < Count; ++i) std::memcpy(dest + i * FItemSize, Item_, FItemSize);
}

void* TadTerminalArray::GetItemPtr(int Row, int Col) {
    return const_cast<void*>(std::as_const(*this).GetItemPtr(Row, Col));
}

const void* TadTerminalArray::GetItemPtr(int Row, int Col) const {
    if (FItemSize != 1 && FItemSize != 2 && FItemSize != 4)
        throw Exception("TadTerminalArray.GetItemPtr: invalid item size");
    if (Row < 0 || Row >= FRowCount || Col < 0 || Col >= FColCount) return nullptr;
    return FData.data() + ItemOffset(Row, Col);
}

void TadTerminalArray::ReplaceItems(const void* OldItem, const void* NewItem) {
    for (int row = 0; row < FRowCount; ++row) {
        unsigned char* item = Item(row, 0);
        for (int col = 0; col < FColCount; ++col, item += FItemSize)
            if (std::memcmp(item, OldItem, FItemSize) == 0) std::memcpy(item, NewItem, FItemSize);
    }
}

void TadTerminalArray::ScrollRows(int Count, int StartRow, int EndRow) {
    StartRow = std::max(StartRow, 0);
    EndRow = std::min(EndRow, FRowCount - 1);
    if (Count == 0 || StartRow > EndRow) return;
    const int height = EndRow - StartRow + 1;
    const std::size_t rowBytes = static_cast<std::size_t>(FActColCount) * static_cast<std::size_t>(FItemSize);
    if (Count >= height || Count <= -height) {
        FillRows(StartRow, height);
    } else if (height == FRowCount) {
        // The whole grid: turn the rows round and clear the ones that came in.
        FRowBase = static_cast<int>((static_cast<long long>(FRowBase) + Count + FRowCount) % FRowCount);
        if (Count > 0)
            FillRows(EndRow - Count + 1, Count);
        else
            FillRows(StartRow, -Count);
    } else if (Count > 0) {
        for (int row = StartRow; row <= EndRow - Count; ++row) std::memcpy(Item(row, 0), Item(row + Count, 0), rowBytes);
        FillRows(EndRow - Count + 1, Count);
    } else {
        const int n = -Count;
        for (int row = EndRow; row >= StartRow + n; --row) std::memcpy(Item(row, 0), Item(row - n, 0), rowBytes);
        FillRows(StartRow, n);
    }
}

void TadTerminalArray::SetDefaultItem(const void* Item_) {
    std::memcpy(FDefaultItem.data(), Item_, FItemSize);
}

void TadTerminalArray::taSetColCount(int Value) {
    taGrowArray(FRowCount, std::max(Value, 0));
}

void TadTerminalArray::taSetRowCount(int Value) {
    taGrowArray(std::max(Value, 0), FColCount);
}

void TadTerminalArray::taGrowArray(int RowCount, int ColCount) {
    if (RowCount == FRowCount && ColCount == FColCount) return;
    const int stride = StrideFor(ColCount, FItemSize);
    // Switching between narrower and wider screens keeps the rows as wide as they have been: the
    // columns that come back are cleared, nothing moves.
    if (RowCount == FRowCount && RowCount > 0 && ColCount > 0 && stride <= FActColCount) {
        if (ColCount > FColCount)
            for (int row = 0; row < FRowCount; ++row) Fill(Item(row, FColCount), ColCount - FColCount);
        FColCount = ColCount;
        return;
    }
    std::vector<unsigned char> data;
    if (RowCount > 0 && stride > 0) {
        data.resize(static_cast<std::size_t>(RowCount) * static_cast<std::size_t>(stride) *
                    static_cast<std::size_t>(FItemSize));
        for (std::size_t i = 0; i < data.size(); i += static_cast<std::size_t>(FItemSize))
            std::memcpy(data.data() + i, FDefaultItem.data(), FItemSize);
        if (!FData.empty()) {
            // The most recent rows are at the bottom, and they are the ones to keep.
            const int rows = std::min(RowCount, FRowCount);
            const int cols = std::min(ColCount, FColCount);
            for (int i = 0; i < rows; ++i) {
                const int from = FRowCount - rows + i;
                const int to = RowCount - rows + i;
                std::memcpy(data.data() + (static_cast<std::size_t>(to) * stride) * FItemSize, Item(from, 0),
                            static_cast<std::size_t>(cols * FItemSize));
            }
        }
    }
    FData = std::move(data);
    FRowBase = 0;
    FRowCount = RowCount;
    FColCount = ColCount;
    FActColCount = stride;
}

// --- TVxTerminalBuffer ----------------------------------------------------------------------------

TVxTerminalBuffer::TVxTerminalBuffer(bool UseWideChars)
    : FUseWideChars(UseWideChars), FCharMatrix(UseWideChars ? 2 : 1), FCharSetMatrix(1), FAttrMatrix(1),
      FForeColorMatrix(4), FBackColorMatrix(4) {
    UpdateCharDefault();
    tbSetCharSet(FCharSet);
    SetCharAttrs(FCharAttrs);
    tbSetForeColor(FForeColor);
    tbSetBackColor(FBackColor);
    for (TadTerminalArray* grid : Grids()) {
        grid->taSetColCount(FColCount);
        grid->taSetRowCount(FSVRowCount);
    }
    FHorzTabStops.assign(static_cast<std::size_t>(FColCount), false);
    FVertTabStops.assign(static_cast<std::size_t>(FRowCount), false);
    SetDefaultTabStops();
    SetActiveRegion();
    FCursorRow = ScreenTop();
    FCursorCol = 0;
    FCursorMoved = true;
    InvalidateScreen();
    tbFireOnCursorMovedEvent();
}

TVxTerminalBuffer::~TVxTerminalBuffer() = default;

std::array<TadTerminalArray*, 5> TVxTerminalBuffer::Grids() {
    return {&FCharMatrix, &FCharSetMatrix, &FAttrMatrix, &FForeColorMatrix, &FBackColorMatrix};
}

// --- Coordinates

int TVxTerminalBuffer::tbCvtToInternalRow(int Row, bool Absolute) const {
    return Saturate(static_cast<long long>(Row) + (Absolute ? ScreenTop() - 1 : FRegion.Top - 1));
}

int TVxTerminalBuffer::tbCvtToExternalRow(int Row, bool Absolute) const {
    return Saturate(static_cast<long long>(Row) - (Absolute ? ScreenTop() - 1 : FRegion.Top - 1));
}

int TVxTerminalBuffer::tbCvtToInternalCol(int Col, bool Absolute) const {
    return Saturate(static_cast<long long>(Col) + (Absolute ? -1 : FRegion.Left - 1));
}

int TVxTerminalBuffer::tbCvtToExternalCol(int Col, bool Absolute) const {
    return Saturate(static_cast<long long>(Col) - (Absolute ? -1 : FRegion.Left - 1));
}

void TVxTerminalBuffer::SetActiveRegion() {
    FRegion.Left = 0;
    FRegion.Width = FColCount;
    if (FUseScrollRegion) {
        const int top = std::clamp(FScrollRegionTop, 1, FRowCount);
        const int bottom = std::clamp(FScrollRegionBottom, top, FRowCount);
        FRegion.Top = tbCvtToInternalRow(top, true);
        FRegion.Height = bottom - top + 1;
    } else {
        FRegion.Top = ScreenTop();
        FRegion.Height = FRowCount;
    }
}

// --- Cursor

int TVxTerminalBuffer::tbGetCol() const {
    return tbCvtToExternalCol(FCursorCol, FUseAbsAddress);
}

int TVxTerminalBuffer::tbGetRow() const {
    return tbCvtToExternalRow(FCursorRow, FUseAbsAddress);
}

void TVxTerminalBuffer::tbSetCol(int Value) {
    FWrapPending = false;
    if (Value == tbGetCol()) return;
    PlaceCursor(FCursorRow, Limit(static_cast<long long>(Value) + (FUseAbsAddress ? -1 : FRegion.Left - 1), 0,
                                  FColCount - 1));
}

void TVxTerminalBuffer::tbSetRow(int Value) {
    FWrapPending = false;
    if (Value == tbGetRow()) return;
    const long long offset = FUseAbsAddress ? ScreenTop() - 1 : FRegion.Top - 1;
    PlaceCursor(Limit(static_cast<long long>(Value) + offset, 0, FSVRowCount - 1), FCursorCol);
}

void TVxTerminalBuffer::SetCursorPosition(int ARow, int ACol) {
    tbSetRow(ARow);
    tbSetCol(ACol);
}

int TVxTerminalBuffer::tbGetOriginCol() const {
    return tbCvtToExternalCol(FRegion.Left, true);
}

int TVxTerminalBuffer::tbGetOriginRow() const {
    return tbCvtToExternalRow(FRegion.Top, true);
}

bool TVxTerminalBuffer::tbAtLastColumn() const {
    return FCursorCol == FColCount - 1;
}

void TVxTerminalBuffer::PlaceCursor(int Row, int Col) {
    FCursorRow = Row;
    FCursorCol = Col;
    FCursorMoved = true;
    tbFireOnCursorMovedEvent();
}

void TVxTerminalBuffer::MoveCursorUp(bool Scroll) {
    FWrapPending = false;
    tbMoveCursorUpDown(false, Scroll);
}

void TVxTerminalBuffer::MoveCursorDown(bool Scroll) {
    FWrapPending = false;
    tbMoveCursorUpDown(true, Scroll);
}

void TVxTerminalBuffer::MoveCursorLeft(bool Wrap, bool Scroll) {
    FWrapPending = false;
    tbMoveCursorLeftRight(false, Wrap, Scroll);
}

void TVxTerminalBuffer::MoveCursorRight(bool Wrap, bool Scroll) {
    FWrapPending = false;
    tbMoveCursorLeftRight(true, Wrap, Scroll);
}

// A cursor outside the active region (above a scroll region, or in the history) moves freely
// towards it; only at the region's own edge does the region scroll.
void TVxTerminalBuffer::tbMoveCursorUpDown(bool Down, bool Scroll) {
    const int top = FRegion.Top;
    const int bottom = FRegion.Bottom();
    if (Down) {
        if (FCursorRow < bottom || (FCursorRow > bottom && FCursorRow < FSVRowCount - 1))
            PlaceCursor(FCursorRow + 1, FCursorCol);
        else if (FCursorRow == bottom && Scroll)
            ScrollRegionUp();
    } else {
        if (FCursorRow > top || (FCursorRow < top && FCursorRow > 0))
            PlaceCursor(FCursorRow - 1, FCursorCol);
        else if (FCursorRow == top && Scroll)
            ScrollRegionDown();
    }
}

void TVxTerminalBuffer::tbMoveCursorLeftRight(bool Right, bool Wrap, bool Scroll) {
    const int top = FRegion.Top;
    const int bottom = FRegion.Bottom();
    if (Right) {
        if (FCursorCol < FRegion.Right()) {
            PlaceCursor(FCursorRow, FCursorCol + 1);
        } else if (Wrap) {
            if (FCursorRow + 1 >= top && FCursorRow + 1 <= bottom) {
                PlaceCursor(FCursorRow + 1, FRegion.Left);
            } else if (FCursorRow == bottom && Scroll) {
                ScrollRegionUp();
                PlaceCursor(FCursorRow, FRegion.Left);
            }
        }
    } else {
        if (FCursorCol > FRegion.Left) {
            PlaceCursor(FCursorRow, FCursorCol - 1);
        } else if (Wrap) {
            if (FCursorRow - 1 >= top && FCursorRow - 1 <= bottom) {
                PlaceCursor(FCursorRow - 1, FRegion.Right());
            } else if (FCursorRow == top && Scroll) {
                ScrollRegionDown();
                PlaceCursor(FCursorRow, FRegion.Right());
            }
        }
    }
}

// Without a scroll region the top screen row passes into the history and the oldest history row is
// lost.
void TVxTerminalBuffer::ScrollRegionUp() {
    tbScrollRows(1, FUseScrollRegion ? FRegion.Top : 0, FRegion.Bottom());
    tbInvalidateRect(FRegion.Top, FRegion.Left, FRegion.Right(), FRegion.Bottom());
}

void TVxTerminalBuffer::ScrollRegionDown() {
    tbScrollRows(-1, FRegion.Top, FRegion.Bottom());
    tbInvalidateRect(FRegion.Top, FRegion.Left, FRegion.Right(), FRegion.Bottom());
}

void TVxTerminalBuffer::DoBackspace() {
    FWrapPending = false;
    if (FCursorCol > FRegion.Left) PlaceCursor(FCursorRow, FCursorCol - 1);
}

void TVxTerminalBuffer::DoCarriageReturn() {
    FWrapPending = false;
    if (FCursorCol != FRegion.Left) PlaceCursor(FCursorRow, FRegion.Left);
}

void TVxTerminalBuffer::DoLineFeed() {
    FWrapPending = false;
    if (FUseNewLineMode) DoCarriageReturn();
    MoveCursorDown(true);
}

void TVxTerminalBuffer::DoHorzTab() {
    FWrapPending = false;
    int col = FCursorCol + 1;
    while (col < FRegion.Right() && !FHorzTabStops[static_cast<std::size_t>(col)]) ++col;
    col = std::min(col, FRegion.Right());
    if (col != FCursorCol) PlaceCursor(FCursorRow, col);
}

void TVxTerminalBuffer::DoBackHorzTab() {
    FWrapPending = false;
    int col = FCursorCol - 1;
    while (col > FRegion.Left && !FHorzTabStops[static_cast<std::size_t>(col)]) --col;
    col = std::max(col, FRegion.Left);
    if (col != FCursorCol) PlaceCursor(FCursorRow, col);
}

bool TVxTerminalBuffer::VertStopAt(int Row) const {
    const int index = Row - ScreenTop();
    return index >= 0 && index < static_cast<int>(FVertTabStops.size()) &&
           FVertTabStops[static_cast<std::size_t>(index)];
}

void TVxTerminalBuffer::DoVertTab() {
    FWrapPending = false;
    const int bottom = FRegion.Bottom();
    if (FCursorRow >= bottom) return;
    int row = FCursorRow + 1;
    while (row < bottom && !VertStopAt(row)) ++row;
    PlaceCursor(row, FCursorCol);
}

void TVxTerminalBuffer::DoBackVertTab() {
    FWrapPending = false;
    const int top = FRegion.Top;
    if (FCursorRow <= top) return;
    int row = FCursorRow - 1;
    while (row > top && !VertStopAt(row)) --row;
    PlaceCursor(row, FCursorCol);
}

void TVxTerminalBuffer::tbFireOnCursorMovedEvent() {
    if (OnCursorMoved && FCursorMoved) OnCursorMoved(this, tbGetRow(), tbGetCol());
}

bool TVxTerminalBuffer::HasCursorMoved() {
    const bool moved = FCursorMoved;
    FCursorMoved = false;
    return moved;
}

// --- Writing

void TVxTerminalBuffer::WriteChar(char C) {
    if (FWrapPending) {
        FWrapPending = false;
        tbMoveCursorLeftRight(true, FUseAutoWrap, true);
    }
    const int row = FCursorRow;
    const int col = FCursorCol;
    if (FUseInsertMode) {
        for (TadTerminalArray* grid : Grids()) grid->InsertItems(1, row, col);
        tbInvalidateRect(row, col, FRegion.Right(), row);
    }
    // The cursor always lies inside the grids: the cell is stored straight.
    if (FUseWideChars) {
        const char16_t wide = static_cast<unsigned char>(C);
        std::memcpy(FCharMatrix.CellAt(row, col), &wide, sizeof wide);
    } else {
        *FCharMatrix.CellAt(row, col) = static_cast<unsigned char>(C);
    }
    *FCharSetMatrix.CellAt(row, col) = FCharSet;
    *FAttrMatrix.CellAt(row, col) = CharAttrsToByte(FCharAttrs);
    std::memcpy(FForeColorMatrix.CellAt(row, col), &FForeColor, sizeof FForeColor);
    std::memcpy(FBackColorMatrix.CellAt(row, col), &FBackColor, sizeof FBackColor);
    if (FInvalid) {
        // Most characters land inside the rectangle already pending or next to it.
        const int x = col + 1, y = row - ScreenTop() + 1;
        if (x < FInvRect.Left) FInvRect.Left = x;
        if (x > FInvRect.Right) FInvRect.Right = x;
        if (y < FInvRect.Top) FInvRect.Top = y;
        if (y > FInvRect.Bottom) FInvRect.Bottom = y;
    } else {
        tbInvalidateRect(row, col, col, row);
    }
    if (FUseAutoWrapDelay && FCursorCol == FRegion.Right()) {
        FWrapPending = true;
    } else if (FCursorCol < FRegion.Right()) {
        PlaceCursor(FCursorRow, FCursorCol + 1);
    } else {
        tbMoveCursorLeftRight(true, FUseAutoWrap, true);
    }
}

void TVxTerminalBuffer::WriteString(const std::string& S) {
    for (const char c : S) WriteChar(c);
}

// --- Editing

void TVxTerminalBuffer::ClearCells(int Row, int ALeft, int ARight) {
    for (TadTerminalArray* grid : Grids()) grid->ClearItems(Row, ALeft, ARight);
}

void TVxTerminalBuffer::InsertChars(int Count) {
    if (Count <= 0) return;
    Count = std::min(Count, FRegion.Right() - FCursorCol + 1);
    for (TadTerminalArray* grid : Grids()) grid->InsertItems(Count, FCursorRow, FCursorCol);
    tbInvalidateRect(FCursorRow, FCursorCol, FRegion.Right(), FCursorRow);
}

void TVxTerminalBuffer::DeleteChars(int Count) {
    if (Count <= 0) return;
    Count = std::min(Count, FRegion.Right() - FCursorCol + 1);
    for (TadTerminalArray* grid : Grids()) grid->DeleteItems(Count, FCursorRow, FCursorCol);
    tbInvalidateRect(FCursorRow, FCursorCol, FRegion.Right(), FCursorRow);
}

// Lines move only inside the region: a cursor outside it (in the history, or outside a scroll region)
// would otherwise drag rows across the region's edge.
void TVxTerminalBuffer::InsertLines(int Count) {
    if (Count <= 0 || FCursorRow < FRegion.Top || FCursorRow > FRegion.Bottom()) return;
    tbScrollRows(-Count, FCursorRow, FRegion.Bottom());
    tbInvalidateRect(FCursorRow, FRegion.Left, FRegion.Right(), FRegion.Bottom());
}

void TVxTerminalBuffer::DeleteLines(int Count) {
    if (Count <= 0 || FCursorRow < FRegion.Top || FCursorRow > FRegion.Bottom()) return;
    tbScrollRows(Count, FCursorRow, FRegion.Bottom());
    tbInvalidateRect(FCursorRow, FRegion.Left, FRegion.Right(), FRegion.Bottom());
}

// Erasing runs on past the end of the line, at the left edge of the rows below, as this terminal
// always did; it stops at the region's bottom (or at the cursor row when the cursor lies below the
// region).
void TVxTerminalBuffer::EraseChars(int Count) {
    if (Count <= 0) return;
    const int last = std::max(FRegion.Bottom(), FCursorRow);
    int row = FCursorRow;
    int col = FCursorCol;
    long long left = Count;
    int lastCol = col;
    while (left > 0 && row <= last) {
        const int n = static_cast<int>(std::min<long long>(left, FRegion.Right() - col + 1));
        ClearCells(row, col, col + n - 1);
        lastCol = col + n - 1;
        left -= n;
        ++row;
        col = FRegion.Left;
    }
    if (row - 1 == FCursorRow)
        tbInvalidateRect(FCursorRow, FCursorCol, lastCol, FCursorRow);
    else
        tbInvalidateRect(FCursorRow, FRegion.Left, FRegion.Right(), row - 1);
}

void TVxTerminalBuffer::EraseToEOL() {
    ClearCells(FCursorRow, FCursorCol, FRegion.Right());
    tbInvalidateRect(FCursorRow, FCursorCol, FRegion.Right(), FCursorRow);
}

void TVxTerminalBuffer::EraseFromBOL() {
    ClearCells(FCursorRow, FRegion.Left, FCursorCol);
    tbInvalidateRect(FCursorRow, FRegion.Left, FCursorCol, FCursorRow);
}

void TVxTerminalBuffer::EraseLine() {
    ClearCells(FCursorRow, FRegion.Left, FRegion.Right());
    tbInvalidateRect(FCursorRow, FRegion.Left, FRegion.Right(), FCursorRow);
}

void TVxTerminalBuffer::EraseToEOW() {
    EraseToEOL();
    if (FCursorRow + 1 > FSVRowCount - 1) return;
    for (int row = FCursorRow + 1; row < FSVRowCount; ++row) ClearCells(row, FRegion.Left, FRegion.Right());
    tbInvalidateRect(FCursorRow + 1, FRegion.Left, FRegion.Right(), FSVRowCount - 1);
}

void TVxTerminalBuffer::EraseFromBOW() {
    EraseFromBOL();
    const int top = ScreenTop();
    if (FCursorRow <= top) return;
    for (int row = top; row < FCursorRow; ++row) ClearCells(row, FRegion.Left, FRegion.Right());
    tbInvalidateRect(top, FRegion.Left, FRegion.Right(), FCursorRow - 1);
}

void TVxTerminalBuffer::EraseScreen() {
    tbScrollRows(FRowCount, 0, FSVRowCount - 1);
    InvalidateScreen();
}

void TVxTerminalBuffer::EraseAll() {
    for (TadTerminalArray* grid : Grids()) grid->Clear();
    InvalidateScreen();
    SetCursorPosition(1, 1);
}

void TVxTerminalBuffer::Reset() {
    FCharSet = FDefCharSet;
    tbSetCharSet(FDefCharSet);
    SetCharAttrs(FDefCharAttrs);
    tbSetForeColor(FDefForeColor);
    tbSetBackColor(FDefBackColor);
    for (TadTerminalArray* grid : Grids()) grid->Clear();
    std::fill(FHorzTabStops.begin(), FHorzTabStops.end(), false);
    std::fill(FVertTabStops.begin(), FVertTabStops.end(), false);
    SetDefaultTabStops();
    FUseAbsAddress = true;
    FUseAutoWrap = true;
    FUseAutoWrapDelay = true;
    FUseInsertMode = false;
    FUseNewLineMode = false;
    FUseScrollRegion = false;
    SetActiveRegion();
    FWrapPending = false;
    PlaceCursor(ScreenTop(), 0);
    InvalidateScreen();
}

// --- Tab stops

void TVxTerminalBuffer::SetDefaultTabStops() {
    for (std::size_t col = 0; col < FHorzTabStops.size(); col += 8) FHorzTabStops[col] = true;
}

void TVxTerminalBuffer::SetHorzTabStop() {
    FHorzTabStops[static_cast<std::size_t>(FCursorCol)] = true;
}

void TVxTerminalBuffer::ClearHorzTabStop() {
    FHorzTabStops[static_cast<std::size_t>(FCursorCol)] = false;
}

void TVxTerminalBuffer::ClearAllHorzTabStops() {
    std::fill(FHorzTabStops.begin(), FHorzTabStops.end(), false);
}

// Vertical stops belong to screen rows; a cursor in the history has none.
void TVxTerminalBuffer::SetVertTabStop() {
    const int index = FCursorRow - ScreenTop();
    if (index >= 0 && index < static_cast<int>(FVertTabStops.size()))
        FVertTabStops[static_cast<std::size_t>(index)] = true;
}

void TVxTerminalBuffer::ClearVertTabStop() {
    const int index = FCursorRow - ScreenTop();
    if (index >= 0 && index < static_cast<int>(FVertTabStops.size()))
        FVertTabStops[static_cast<std::size_t>(index)] = false;
}

void TVxTerminalBuffer::ClearAllVertTabStops() {
    std::fill(FVertTabStops.begin(), FVertTabStops.end(), false);
}

// --- Rendition

void TVxTerminalBuffer::UpdateCharDefault() {
    if (FUseWideChars)
        FCharMatrix.SetDefaultItem(&FDefWideChar);
    else
        FCharMatrix.SetDefaultItem(&FDefAnsiChar);
}

void TVxTerminalBuffer::SetCharAttrs(TVxTerminalCharAttrs Value) {
    FCharAttrs = Value;
    const BYTE attrs = CharAttrsToByte(Value);
    FAttrMatrix.SetDefaultItem(&attrs);
}

void TVxTerminalBuffer::tbSetForeColor(TColor Value) {
    FForeColor = Value;
    FForeColorMatrix.SetDefaultItem(&Value);
}

void TVxTerminalBuffer::tbSetBackColor(TColor Value) {
    FBackColor = Value;
    FBackColorMatrix.SetDefaultItem(&Value);
}

void TVxTerminalBuffer::tbSetCharSet(BYTE Value) {
    FCharSet = Value;
    FCharSetMatrix.SetDefaultItem(&Value);
}

void TVxTerminalBuffer::tbSetDefForeColor(TColor Value) {
    if (Value == FDefForeColor) return;
    FForeColorMatrix.ReplaceItems(&FDefForeColor, &Value);
    FDefForeColor = Value;
    InvalidateScreen();
}

void TVxTerminalBuffer::tbSetDefBackColor(TColor Value) {
    if (Value == FDefBackColor) return;
    FBackColorMatrix.ReplaceItems(&FDefBackColor, &Value);
    FDefBackColor = Value;
    InvalidateScreen();
}

void TVxTerminalBuffer::tbSetDefAnsiChar(char Value) {
    FDefAnsiChar = Value;
    FDefWideChar = static_cast<unsigned char>(Value);
    UpdateCharDefault();
}

// --- Sizes and modes

void TVxTerminalBuffer::tbSetColCount(int Value) {
    if (Value == FColCount) return;
    if (Value < 2) throw Exception("TVxTerminalBuffer.tbSetColCount: new count too small");
    FHorzTabStops.resize(static_cast<std::size_t>(Value), false);
    for (TadTerminalArray* grid : Grids()) grid->taSetColCount(Value);
    FColCount = Value;
    FRegion.Width = Value;
    FWrapPending = false;
    if (FUseScrollRegion)
        tbSetUseScrollRegion(false);
    else
        PlaceCursor(ScreenTop(), 0);
    InvalidateScreen();
}

void TVxTerminalBuffer::tbSetRowCount(int Value) {
    if (Value == FRowCount || Value > FSVRowCount) return;
    if (Value < 2) throw Exception("TVxTerminalBuffer.tbSetRowCount: new count too small");
    tbSetUseScrollRegion(false);
    FVertTabStops.resize(static_cast<std::size_t>(Value), false);
    FRowCount = Value;
    SetActiveRegion();
    if (FCursorRow < ScreenTop()) PlaceCursor(ScreenTop(), FCursorCol);
    InvalidateScreen();
}

void TVxTerminalBuffer::tbSetSVRowCount(int Value) {
    if (Value == FSVRowCount) return;
    if (Value < 2) throw Exception("TVxTerminalBuffer.tbSetSVRowCount: new count too small");
    const int screenRow = tbCvtToExternalRow(FCursorRow, true);
    if (FRowCount > Value) {
        FRowCount = Value;
        FVertTabStops.resize(static_cast<std::size_t>(Value), false);
    }
    for (TadTerminalArray* grid : Grids()) grid->taSetRowCount(Value);
    FSVRowCount = Value;
    SetActiveRegion();
    const int row = Limit(static_cast<long long>(screenRow) + ScreenTop() - 1, 0, FSVRowCount - 1);
    if (row != tbCvtToInternalRow(screenRow, true))
        PlaceCursor(row, FCursorCol);
    else
        FCursorRow = row;
    InvalidateScreen();
}

void TVxTerminalBuffer::SetScrollRegion(int ATop, int ABottom) {
    FWrapPending = false;
    if (ATop > ABottom) std::swap(ATop, ABottom);
    if (static_cast<long long>(ABottom) - ATop < 1) return;
    FScrollRegionTop = std::clamp(ATop, 1, FRowCount);
    FScrollRegionBottom = std::clamp(ABottom, 1, FRowCount);
    tbSetUseScrollRegion(false);
    if (FScrollRegionTop != 1 || FScrollRegionBottom != FRowCount) tbSetUseScrollRegion(true);
}

void TVxTerminalBuffer::tbSetUseScrollRegion(bool Value) {
    if (Value == FUseScrollRegion) return;
    FUseScrollRegion = Value;
    SetActiveRegion();
    FWrapPending = false;
    PlaceCursor(FRegion.Top, FRegion.Left);
}

// --- Reading

template <typename T> T* TVxTerminalBuffer::LinePtr(TadTerminalArray& Grid, int Row) {
    const int row = tbCvtToInternalRow(Row, true);
    if (row < 0 || row >= FSVRowCount) return nullptr;
    return static_cast<T*>(Grid.GetItemPtr(row, 0));
}

void* TVxTerminalBuffer::GetLineCharPtr(int Row) {
    return LinePtr<void>(FCharMatrix, Row);
}

BYTE* TVxTerminalBuffer::GetLineCharSetPtr(int Row) {
    return LinePtr<BYTE>(FCharSetMatrix, Row);
}

BYTE* TVxTerminalBuffer::GetLineAttrPtr(int Row) {
    return LinePtr<BYTE>(FAttrMatrix, Row);
}

TColor* TVxTerminalBuffer::GetLineForeColorPtr(int Row) {
    return LinePtr<TColor>(FForeColorMatrix, Row);
}

TColor* TVxTerminalBuffer::GetLineBackColorPtr(int Row) {
    return LinePtr<TColor>(FBackColorMatrix, Row);
}

// --- Invalidation and scrolling

void TVxTerminalBuffer::tbInvalidateRect(int ATop, int ALeft, int ARight, int ABottom) {
    const TRect rect(tbCvtToExternalCol(ALeft, true), tbCvtToExternalRow(ATop, true),
                     tbCvtToExternalCol(ARight, true), tbCvtToExternalRow(ABottom, true));
    if (!FInvalid) {
        FInvRect = rect;
        FInvalid = true;
        // One pending message paints everything recorded until it is handled.
        if (FTermHandle != 0) PostMessage(FTermHandle, TermNeedsUpdateMsg, 0, 0);
        return;
    }
    FInvRect.Left = std::min(FInvRect.Left, rect.Left);
    FInvRect.Top = std::min(FInvRect.Top, rect.Top);
    FInvRect.Right = std::max(FInvRect.Right, rect.Right);
    FInvRect.Bottom = std::max(FInvRect.Bottom, rect.Bottom);
}

void TVxTerminalBuffer::InvalidateScreen() {
    tbInvalidateRect(ScreenTop(), 0, FColCount - 1, FSVRowCount - 1);
}

void TVxTerminalBuffer::RegisterTerminalHandle(HWND Value) {
    FTermHandle = Value;
    if (FInvalid && FTermHandle != 0) PostMessage(FTermHandle, TermNeedsUpdateMsg, 0, 0);
}

bool TVxTerminalBuffer::GetInvalidRect(TRect& Rect) {
    if (!FInvalid) return false;
    Rect = FInvRect;
    FInvalid = false;
    return true;
}

void TVxTerminalBuffer::tbScrollRows(int Count, int StartRow, int EndRow) {
    for (TadTerminalArray* grid : Grids()) grid->ScrollRows(Count, StartRow, EndRow);
    if (OnScrollRows)
        OnScrollRows(this, Count, tbCvtToExternalRow(StartRow, true), tbCvtToExternalRow(EndRow, true));
}
