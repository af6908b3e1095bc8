// Unit VXTrmBuf: the screen buffer of the terminal control. TVxTerminalBuffer holds what a terminal
// shows: five grids of cells (character, character set, attributes, foreground and background
// colour) for the screen and the history rows above it, the cursor with its pending wrap, the modes
// that decide how writing and cursor motion behave, a scroll region, tab stops and the rectangles that
// must be repainted. It paints nothing; it only posts TermNeedsUpdateMsg to a registered terminal
// window when it records a rectangle.
//
// Rows and columns. The grids hold SVRowCount rows; the screen is the bottom RowCount of them and
// the rows above are the history, oldest at the top. Internal rows and columns are 0-based grid
// indices. External rows count the screen 1..RowCount and the history 0, -1, ... upwards; external
// columns are 1..ColCount. With UseAbsAddress off the cursor's external coordinates count from the
// active region's top-left instead. The active region is the screen, or the scroll region while
// UseScrollRegion is on; it always spans every column.
//
// Used only on the terminal window's thread.
#pragma once

#include "platform/rtl/Method.h"
#include "platform/rtl/Set.h"
#include "platform/ui/Classes.h"
#include "platform/ui/Graphics.h"
#include "platform/win/Types.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// Posted to the registered terminal window each time the buffer records a rectangle to repaint.
inline constexpr UINT TermNeedsUpdateMsg = 0x7E8A;

// A rows x columns grid of equal items of 1, 2 or 4 bytes; rows and columns are 0-based. Arguments
// outside the grid are limited to it (or ignored where nothing of them lies inside).
class TadTerminalArray {
public:
    // Any item size but 1, 2 and 4 becomes 1.
    explicit TadTerminalArray(int AItemSize);

    // Every item becomes the default.
    void Clear();
    // Items StartCol..EndCol of Row become the default.
    void ClearItems(int Row, int StartCol, int EndCol);
    // The items right of Col move left by Count; the freed items at the row's end take the default.
    void DeleteItems(int Count, int Row, int Col);
    // Count default items appear at Col; the items pushed past the row's end are lost.
    void InsertItems(int Count, int Row, int Col);
    // Count items from Items, or Count copies of the one item at Item, from Col on; cut at the row's
    // end.
    void WriteItems(const void* Items, int Count, int Col, int Row);
    void WriteDupItems(const void* Item, int Count, int Col, int Row);
    // The item's address; nullptr outside the grid. A row's items lie side by side.
    void* GetItemPtr(int Row, int Col);
    const void* GetItemPtr(int Row, int Col) const;
    // Every item equal to the one at OldItem becomes the one at NewItem.
    void ReplaceItems(const void* OldItem, const void* NewItem);
    // Count > 0 moves rows StartRow+Count..EndRow up to StartRow and clears the last Count rows of the
    // range; Count < 0 moves them down and clears the first. A count as large as the range clears it.
    void ScrollRows(int Count, int StartRow, int EndRow);
    // The value of empty cells, read as one item from Item.
    void SetDefaultItem(const void* Item);
    // The item at Row, Col, which lie inside the grid.
    unsigned char* CellAt(int Row, int Col) { return Item(Row, Col); }
    // Resizing keeps the bottom rows and the left part of each row; new items take the default.
    void taSetColCount(int Value);
    void taSetRowCount(int Value);

    int ColCount() const { return FColCount; }
    int RowCount() const { return FRowCount; }
    int ItemSize() const { return FItemSize; }
    // Allocated items per row: the column count rounded up to 4 bytes' worth for 1-byte items and
    // to an even number for 2-byte items, or more where the grid has been wider.
    int ActColCount() const { return FActColCount; }

private:
    void taGrowArray(int RowCount, int ColCount);
    unsigned char* Item(int Row, int Col) { return FData.data() + ItemOffset(Row, Col); }
    // Row 0 lies FRowBase rows into the block: scrolling the whole grid turns the rows round
    // instead of moving them.
    std::size_t ItemOffset(int Row, int Col) const {
        int physical = Row + FRowBase;
        if (physical >= FRowCount) physical -= FRowCount;
        return (static_cast<std::size_t>(physical) * static_cast<std::size_t>(FActColCount) +
                static_cast<std::size_t>(Col)) *
               static_cast<std::size_t>(FItemSize);
    }
    void Fill(unsigned char* Dest, int Count);
    void FillRows(int FirstRow, int Count);

    int FActColCount = 0;
    int FColCount = 0;
    std::array<unsigned char, 4> FDefaultItem{};
    std::vector<unsigned char> FData;
    int FItemSize;
    int FRowCount = 0;
    int FRowBase = 0;
};

enum TVxTerminalCharAttr {
    tcaBold,
    tcaUnderline,
    tcaStrikethrough,
    tcaBlink,
    tcaReverse,
    tcaInvisible,
    tcaSelected
};
using TVxTerminalCharAttrs = TSet<TVxTerminalCharAttr>;

// The attribute grid holds a set as one byte, bit n for the attribute of value n.
constexpr BYTE CharAttrsToByte(TVxTerminalCharAttrs Attrs) {
    return static_cast<BYTE>(Attrs.Bits() & 0x7F);
}
constexpr TVxTerminalCharAttrs ByteToCharAttrs(BYTE Value) {
    return TVxTerminalCharAttrs::FromBits(Value & 0x7Fu);
}

// Rows as external rows counted absolutely.
using TVxScrollRowsNotifyEvent = TMethod<void(TObject* aSender, int aCount, int aTop, int aBottom)>;
// The cursor in external coordinates.
using TVxOnCursorMovedEvent = TMethod<void(TObject* ASender, int Row, int Col)>;

class TVxTerminalBuffer : public TObject {
public:
    // UseWideChars: 2-byte characters in place of 1-byte ones.
    explicit TVxTerminalBuffer(bool UseWideChars);
    ~TVxTerminalBuffer() override;
    TVxTerminalBuffer(const TVxTerminalBuffer&) = delete;
    TVxTerminalBuffer& operator=(const TVxTerminalBuffer&) = delete;

    // --- Cursor (external coordinates, as the addressing mode counts them) ---
    int tbGetCol() const;
    int tbGetRow() const;
    // Clear the pending wrap; a new value is limited to the grid (rows reach into the history).
    void tbSetCol(int Value);
    void tbSetRow(int Value);
    void SetCursorPosition(int ARow, int ACol);
    // The active region's top-left, counted absolutely.
    int tbGetOriginCol() const;
    int tbGetOriginRow() const;
    bool tbAtLastColumn() const;
    void MoveCursorUp(bool Scroll);
    void MoveCursorDown(bool Scroll);
    void MoveCursorLeft(bool Wrap, bool Scroll);
    void MoveCursorRight(bool Wrap, bool Scroll);
    void DoBackspace();
    void DoCarriageReturn();
    void DoLineFeed();
    void DoHorzTab();
    void DoBackHorzTab();
    void DoVertTab();
    void DoBackVertTab();

    // --- Writing, with the current rendition ---
    void WriteChar(char C);
    void WriteString(const std::string& S);

    // --- Editing at the cursor ---
    void InsertChars(int Count);
    void DeleteChars(int Count);
    void EraseChars(int Count);
    void InsertLines(int Count);
    void DeleteLines(int Count);
    void EraseAll();
    void EraseScreen();
    void EraseLine();
    void EraseToEOL();
    void EraseFromBOL();
    void EraseToEOW();
    void EraseFromBOW();
    void Reset();

    // --- Tab stops, at the cursor column or row ---
    void SetHorzTabStop();
    void ClearHorzTabStop();
    void ClearAllHorzTabStops();
    void SetVertTabStop();
    void ClearVertTabStop();
    void ClearAllVertTabStops();

    // --- Rendition. The current values are written with each character and are also what erased
    // and inserted cells take. ---
    void SetCharAttrs(TVxTerminalCharAttrs Value);
    TVxTerminalCharAttrs GetCharAttrs() const { return FCharAttrs; }
    void SetDefCharAttrs(TVxTerminalCharAttrs Value) { FDefCharAttrs = Value; }
    TVxTerminalCharAttrs GetDefCharAttrs() const { return FDefCharAttrs; }
    TColor ForeColor() const { return FForeColor; }
    void tbSetForeColor(TColor Value);
    TColor BackColor() const { return FBackColor; }
    void tbSetBackColor(TColor Value);
    BYTE CharSet() const { return FCharSet; }
    void tbSetCharSet(BYTE Value);
    // Changing a default colour recolours every cell, history included, that had the old one.
    TColor DefForeColor() const { return FDefForeColor; }
    void tbSetDefForeColor(TColor Value);
    TColor DefBackColor() const { return FDefBackColor; }
    void tbSetDefBackColor(TColor Value);
    // The character of empty cells.
    char DefAnsiChar() const { return FDefAnsiChar; }
    void tbSetDefAnsiChar(char Value);
    BYTE DefCharSet() const { return FDefCharSet; }

    // --- Sizes and modes ---
    int ColCount() const { return FColCount; }
    // Raises Exception below 2 columns. Homes the cursor.
    void tbSetColCount(int Value);
    // The screen's rows. Raises Exception below 2; a count above SVRowCount is ignored.
    int RowCount() const { return FRowCount; }
    void tbSetRowCount(int Value);
    // Screen plus history rows. Raises Exception below 2.
    int SVRowCount() const { return FSVRowCount; }
    void tbSetSVRowCount(int Value);
    // External rows of the screen; a region of one row is ignored.
    void SetScrollRegion(int ATop, int ABottom);
    bool UseScrollRegion() const { return FUseScrollRegion; }
    // Homes the cursor to the new active region.
    void tbSetUseScrollRegion(bool Value);
    // Rows of the active region: the scroll region's while UseScrollRegion is on, else the screen's.
    int RegionHeight() const { return FRegion.Height; }
    bool UseAbsAddress() const { return FUseAbsAddress; }
    void SetUseAbsAddress(bool Value) { FUseAbsAddress = Value; }
    bool UseAutoWrap() const { return FUseAutoWrap; }
    void SetUseAutoWrap(bool Value) { FUseAutoWrap = Value; }
    bool UseAutoWrapDelay() const { return FUseAutoWrapDelay; }
    void SetUseAutoWrapDelay(bool Value) { FUseAutoWrapDelay = Value; }
    bool UseInsertMode() const { return FUseInsertMode; }
    void SetUseInsertMode(bool Value) { FUseInsertMode = Value; }
    bool UseNewLineMode() const { return FUseNewLineMode; }
    void SetUseNewLineMode(bool Value) { FUseNewLineMode = Value; }
    bool UseWideChars() const { return FUseWideChars; }
    bool WrapPending() const { return FWrapPending; }

    // --- Reading. Row is an external row counted absolutely whatever the addressing mode; the
    // result addresses the row's first cell, its ColCount cells side by side, or is nullptr for a
    // row outside the grid. Characters are 1 byte, or 2 (char16_t) with wide characters. ---
    void* GetLineCharPtr(int Row);
    BYTE* GetLineCharSetPtr(int Row);
    // One byte per cell, as CharAttrsToByte makes it.
    BYTE* GetLineAttrPtr(int Row);
    TColor* GetLineForeColorPtr(int Row);
    TColor* GetLineBackColorPtr(int Row);
    // Takes the bounding rectangle of every pending rectangle, in external columns and absolute rows,
    // Right and Bottom inclusive; false when none is pending.
    bool GetInvalidRect(TRect& Rect);
    bool HasDisplayChanged() const { return FInvalid; }
    // Returns whether the cursor moved since the last call.
    bool HasCursorMoved();

    // --- Window ---
    // Rectangles already pending are announced to the new window at once.
    void RegisterTerminalHandle(HWND Value);
    void DeregisterTerminalHandle() { FTermHandle = 0; }

    TVxScrollRowsNotifyEvent OnScrollRows;
    TVxOnCursorMovedEvent OnCursorMoved;

    // --- Steps the emulators rely on ---
    // Internal rows and columns, inclusive.
    void tbInvalidateRect(int ATop, int ALeft, int ARight, int ABottom);
    // All five grids; the notification gets the rows counted absolutely.
    void tbScrollRows(int Count, int StartRow, int EndRow);
    void tbFireOnCursorMovedEvent();
    // Absolute: count rows from the screen (external row 1 = first screen row); otherwise from the
    // active region's top.
    int tbCvtToInternalRow(int Row, bool Absolute) const;
    int tbCvtToExternalRow(int Row, bool Absolute) const;
    int tbCvtToInternalCol(int Col, bool Absolute) const;
    int tbCvtToExternalCol(int Col, bool Absolute) const;

private:
    struct TActiveRegion {
        int Left = 0;
        int Top = 0;
        int Width = 0;
        int Height = 0;
        int Bottom() const { return Top + Height - 1; }
        int Right() const { return Left + Width - 1; }
    };

    int ScreenTop() const { return FSVRowCount - FRowCount; }
    std::array<TadTerminalArray*, 5> Grids();
    void SetActiveRegion();
    void PlaceCursor(int Row, int Col);
    void tbMoveCursorUpDown(bool Down, bool Scroll);
    void tbMoveCursorLeftRight(bool Right, bool Wrap, bool Scroll);
    void ScrollRegionUp();
    void ScrollRegionDown();
    void InvalidateScreen();
    void ClearCells(int Row, int ALeft, int ARight);
    void UpdateCharDefault();
    void SetDefaultTabStops();
    bool VertStopAt(int Row) const;
    template <typename T> T* LinePtr(TadTerminalArray& Grid, int Row);

    TVxTerminalCharAttrs FCharAttrs;
    TColor FBackColor = 0;
    bool FWrapPending = false;
    BYTE FCharSet = 0;
    int FColCount = 80;
    int FCursorCol = 0;
    bool FCursorMoved = false;
    int FCursorRow = 0;
    char FDefAnsiChar = ' ';
    BYTE FDefCharSet = 0;
    TVxTerminalCharAttrs FDefCharAttrs;
    TColor FDefBackColor = 0;
    TColor FDefForeColor = 0xC0C0C0;
    char16_t FDefWideChar = u' ';
    TActiveRegion FRegion;
    TColor FForeColor = 0xC0C0C0;
    std::vector<bool> FHorzTabStops;
    // GetInvalidRect hands out the bounding rectangle of everything pending, so only that is kept.
    TRect FInvRect;
    bool FInvalid = false;
    int FRowCount = 24;
    // Screen rows 1..RowCount, kept external so that a change of the screen or history size cannot
    // leave the region outside the grid.
    int FScrollRegionTop = 1;
    int FScrollRegionBottom = 24;
    int FSVRowCount = 200;
    bool FUseAbsAddress = true;
    bool FUseAutoWrap = true;
    bool FUseAutoWrapDelay = true;
    bool FUseInsertMode = false;
    bool FUseNewLineMode = false;
    bool FUseScrollRegion = false;
    bool FUseWideChars;
    std::vector<bool> FVertTabStops;
    TadTerminalArray FCharMatrix;
    TadTerminalArray FCharSetMatrix;
    TadTerminalArray FAttrMatrix;
    TadTerminalArray FForeColorMatrix;
    TadTerminalArray FBackColorMatrix;
    HWND FTermHandle = 0;
};
