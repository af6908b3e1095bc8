// The list box: TCustomListBox keeps its lines the way the list-box window of the original does and
// paints them itself. Every change and query goes through the list-box messages (LB_*), which the
// control answers in DefaultHandler, so a descendant that handles one of them in Dispatch sees it
// whether it came from Items, from the program's Perform or SendMessage, or from the user.
//
// The window shows a vertical scroll bar (WS_VSCROLL) while the lines do not fit, and a horizontal
// one (with WS_HSCROLL in its styles) while the horizontal extent the program set is wider than
// the client area. Scroll-bar actions arrive as WM_HSCROLL and WM_VSCROLL through the control's
// window procedure, and the default handling scrolls.
//
// With LBS_USETABSTOPS, tab characters move the text to the tab stops (LB_SETTABSTOPS, in dialog
// units: a quarter of the average width of the font's letters); without it they are drawn as they
// are.
#pragma once

#include "platform/ui/Controls.h"

#include <string>
#include <vector>

class TStringList;

inline constexpr UINT LB_ADDSTRING = 0x0180;
inline constexpr UINT LB_INSERTSTRING = 0x0181;
inline constexpr UINT LB_DELETESTRING = 0x0182;
inline constexpr UINT LB_RESETCONTENT = 0x0184;
inline constexpr UINT LB_SETCURSEL = 0x0186;
inline constexpr UINT LB_GETCURSEL = 0x0188;
inline constexpr UINT LB_GETTEXT = 0x0189;
inline constexpr UINT LB_GETTEXTLEN = 0x018A;
inline constexpr UINT LB_GETCOUNT = 0x018B;
inline constexpr UINT LB_GETTOPINDEX = 0x018E;
inline constexpr UINT LB_SETTABSTOPS = 0x0192;
inline constexpr UINT LB_GETHORIZONTALEXTENT = 0x0193;
inline constexpr UINT LB_SETHORIZONTALEXTENT = 0x0194;
inline constexpr UINT LB_SETTOPINDEX = 0x0197;
inline constexpr UINT LB_GETITEMHEIGHT = 0x01A1;

inline constexpr LRESULT LB_OKAY = 0;
inline constexpr LRESULT LB_ERR = -1;

inline constexpr DWORD LBS_NOTIFY = 0x0001;
inline constexpr DWORD LBS_SORT = 0x0002;
inline constexpr DWORD LBS_HASSTRINGS = 0x0040;
inline constexpr DWORD LBS_USETABSTOPS = 0x0080;
inline constexpr DWORD LBS_NOINTEGRALHEIGHT = 0x0100;

class TCustomListBox;

// The lines of a list box, as the class library's TStrings offers them. Every call is a list-box
// message to the control.
class TListBoxStrings {
public:
    explicit TListBoxStrings(TCustomListBox* ListBox) : listBox_(ListBox) {}
    TListBoxStrings(const TListBoxStrings&) = delete;
    TListBoxStrings& operator=(const TListBoxStrings&) = delete;

    // EOutOfResources "Unable to insert a line" when the list box refuses the line.
    int Add(const std::string& S);
    void Insert(int Index, const std::string& S);
    void Delete(int Index);
    void Clear();
    int Count() const;
    // EStringListError "List index out of bounds (n)" for a bad index.
    std::string Strings(int Index) const;
    void Put(int Index, const std::string& S);
    // Without regard to case; -1 when not there.
    int IndexOf(const std::string& S) const;
    // Every line followed by CR LF; set splits at CR LF, LF or CR.
    std::string Text() const;
    void SetText(const std::string& Value);
    void Assign(const TStringList& Source);
    void AddStrings(const TStringList& Source);

private:
    TCustomListBox* listBox_;
};

class TCustomListBox : public TWinControl {
public:
    explicit TCustomListBox(TComponent* AOwner);
    ~TCustomListBox() override;

    TListBoxStrings* Items() const { return items_; }
    void SetItems(const TStringList* Value);
    // -1: none selected. Setting it fires no event, as LB_SETCURSEL does not.
    int ItemIndex();
    void SetItemIndex(int Value);
    // LBS_SORT: lines are added in order, without regard to case; switching it on sorts the lines.
    bool Sorted() const { return sorted_; }
    void SetSorted(bool Value);
    // bsSingle: the sunken client edge (Ctl3D) or a one-pixel border.
    TBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TBorderStyle Value);
    // The first line shown.
    int TopIndex();
    void SetTopIndex(int Value);
    // The height of a line: the font's cell height.
    int ItemHeight() const;
    // The line at Pos (client coordinates); with Existing -1 below the last line, otherwise the
    // count.
    int ItemAtPos(const TPoint& Pos, bool Existing);
    TRect ItemRect(int Index);
    void Clear() { items_->Clear(); }

    void Dispatch(TMessage& Message) override;
    // The list box's own answers to the LB_ messages, WM_HSCROLL and WM_VSCROLL.
    void DefaultHandler(TMessage& Message) override;

protected:
    void CreateParams(TCreateParams& Params) override;
    void CreateHandle() override;
    void PaintWindow(HDC DC) override;

private:
    // The styles the window has or would be made with.
    DWORD ListStyle();
    LRESULT InsertLine(int index, const std::string& s);
    LRESULT DeleteLine(int index);
    LRESULT SetCurSel(int index);
    LRESULT SetTabStops(int count, const int* stops);
    // The user moved the selection: select, show it and tell (Click).
    void UserSelect(int index);
    void MakeVisible(int index);
    void ScrollHorz(WORD code, int pos);
    void ScrollVert(WORD code, int pos);
    int VisibleRows() const;
    int MaxTopIndex() const;
    // Shows or hides the bars as the lines and the extent need them, then sets their ranges.
    void UpdateScrollBars();
    void Changed();
    // Pixels of the tab stops, for the font's average letter width (in 52nds of a pixel).
    std::vector<int> TabStopPixels(int letters52) const;

    TListBoxStrings* items_;
    std::vector<std::string> lines_;
    int itemIndex_ = -1;
    int topIndex_ = 0;
    int horzExtent_ = 0;
    int horzPos_ = 0;
    // In dialog units; empty: a stop every 32.
    std::vector<int> tabStops_;
    bool sorted_ = false;
    TBorderStyle borderStyle_ = bsSingle;
    int updatingBars_ = 0;
    TControlCanvas* canvas_;
};

class TListBox : public TCustomListBox {
public:
    using TCustomListBox::TCustomListBox;
};
