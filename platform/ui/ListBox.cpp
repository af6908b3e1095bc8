#include "platform/ui/ListBox.h"

#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Draw.h"
#include "platform/gdi/Text.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Lists.h"
#include "platform/rtl/Strings.h"
#include "platform/ui/ScrollBars.h"

#include <algorithm>
#include <climits>
#include <vector>

namespace {

// What a dialog unit is measured against: the width of the 52 letters in the font.
constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
// Tab stops of a list box that was given none, in dialog units.
constexpr int kDefaultTabStop = 32;

// An index in WParam; -1 stays -1, and what no int holds is no index at all.
int Index(WPARAM w) {
    const auto v = static_cast<LPARAM>(w);
    return v < INT_MIN || v > INT_MAX ? INT_MIN : static_cast<int>(v);
}

// The font's metrics; all zero when it cannot be measured.
TEXTMETRIC FontMetrics(TFont* font) {
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font->Handle());
    TEXTMETRIC tm;
    if (!GetTextMetrics(dc, &tm)) tm = TEXTMETRIC{};
    SelectObject(dc, old);
    DeleteDC(dc);
    return tm;
}

// Where a scroll request moves a position that runs from 0 to limit, by line and page steps.
int ScrollTarget(WORD code, int thumb, int current, int line, int page, int limit) {
    switch (code) {
    case SB_LINEUP:
        return std::clamp(current - line, 0, limit);
    case SB_LINEDOWN:
        return std::clamp(current + line, 0, limit);
    case SB_PAGEUP:
        return std::clamp(current - page, 0, limit);
    case SB_PAGEDOWN:
        return std::clamp(current + page, 0, limit);
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK:
        return std::clamp(thumb, 0, limit);
    case SB_TOP:
        return 0;
    case SB_BOTTOM:
        return limit;
    default:
        return current;
    }
}

} // namespace

// --- TListBoxStrings ------------------------------------------------------------------------------

int TListBoxStrings::Add(const std::string& S) {
    const LRESULT r = listBox_->Perform(LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(S.c_str()));
    if (r < 0) throw EOutOfResources("Unable to insert a line");
    return static_cast<int>(r);
}

void TListBoxStrings::Insert(int Index, const std::string& S) {
    if (listBox_->Perform(LB_INSERTSTRING, static_cast<WPARAM>(Index), reinterpret_cast<LPARAM>(S.c_str())) <
        0)
        throw EOutOfResources("Unable to insert a line");
}

void TListBoxStrings::Delete(int Index) {
    listBox_->Perform(LB_DELETESTRING, static_cast<WPARAM>(Index), 0);
}

void TListBoxStrings::Clear() {
    listBox_->Perform(LB_RESETCONTENT, 0, 0);
}

int TListBoxStrings::Count() const {
    return static_cast<int>(listBox_->Perform(LB_GETCOUNT, 0, 0));
}

std::string TListBoxStrings::Strings(int Index) const {
    const LRESULT length = listBox_->Perform(LB_GETTEXTLEN, static_cast<WPARAM>(Index), 0);
    if (length < 0) throw EStringListError("List index out of bounds (" + std::to_string(Index) + ")");
    std::vector<char> buffer(static_cast<std::size_t>(length) + 1, '\0');
    const LRESULT copied =
        listBox_->Perform(LB_GETTEXT, static_cast<WPARAM>(Index), reinterpret_cast<LPARAM>(buffer.data()));
    if (copied < 0) throw EStringListError("List index out of bounds (" + std::to_string(Index) + ")");
    return std::string(buffer.data(), static_cast<std::size_t>(std::min(copied, length)));
}

void TListBoxStrings::Put(int Index, const std::string& S) {
    // The selection stays where it was.
    const int selected = listBox_->ItemIndex();
    Delete(Index);
    Insert(Index, S);
    listBox_->SetItemIndex(selected);
}

int TListBoxStrings::IndexOf(const std::string& S) const {
    const int n = Count();
    for (int i = 0; i < n; ++i)
        if (AnsiCompareText(Strings(i), S) == 0) return i;
    return -1;
}

std::string TListBoxStrings::Text() const {
    std::string text;
    const int n = Count();
    for (int i = 0; i < n; ++i) text += Strings(i) + "\r\n";
    return text;
}

void TListBoxStrings::SetText(const std::string& Value) {
    TStringList lines;
    lines.SetText(Value);
    Assign(lines);
}

void TListBoxStrings::Assign(const TStringList& Source) {
    Clear();
    AddStrings(Source);
}

void TListBoxStrings::AddStrings(const TStringList& Source) {
    for (int i = 0; i < Source.Count(); ++i) Add(Source.Strings(i));
}

// --- TCustomListBox -------------------------------------------------------------------------------

TCustomListBox::TCustomListBox(TComponent* AOwner)
    : TWinControl(AOwner), items_(new TListBoxStrings(this)), canvas_(new TControlCanvas(this)) {
    ControlStyle = TControlStyle{csSetCaption, csDoubleClicks};
    SetBounds(Left(), Top(), 121, 97);
    SetTabStop(true);
    SetParentColor(false);
    SetColor(clWindow);
}

TCustomListBox::~TCustomListBox() {
    delete canvas_;
    canvas_ = nullptr;
    delete items_;
    items_ = nullptr;
}

void TCustomListBox::SetItems(const TStringList* Value) {
    items_->Assign(*Value);
}

int TCustomListBox::ItemIndex() {
    return static_cast<int>(Perform(LB_GETCURSEL, 0, 0));
}

void TCustomListBox::SetItemIndex(int Value) {
    if (ItemIndex() != Value) Perform(LB_SETCURSEL, static_cast<WPARAM>(Value), 0);
}

void TCustomListBox::SetSorted(bool Value) {
    if (Value == sorted_) return;
    sorted_ = Value;
    if (Value && !lines_.empty()) {
        // The selected line stays selected at its new place.
        std::vector<std::pair<std::string, bool>> sorted;
        for (std::size_t i = 0; i < lines_.size(); ++i)
            sorted.emplace_back(lines_[i], static_cast<int>(i) == itemIndex_);
        std::stable_sort(sorted.begin(), sorted.end(),
                         [](const auto& a, const auto& b) { return AnsiCompareText(a.first, b.first) < 0; });
        for (std::size_t i = 0; i < sorted.size(); ++i) {
            lines_[i] = sorted[i].first;
            if (sorted[i].second) itemIndex_ = static_cast<int>(i);
        }
    }
    if (HandleAllocated()) RecreateWnd();
    Changed();
}

void TCustomListBox::SetBorderStyle(TBorderStyle Value) {
    if (Value == borderStyle_) return;
    borderStyle_ = Value;
    if (HandleAllocated()) RecreateWnd();
}

int TCustomListBox::TopIndex() {
    return static_cast<int>(Perform(LB_GETTOPINDEX, 0, 0));
}

void TCustomListBox::SetTopIndex(int Value) {
    if (TopIndex() != Value) Perform(LB_SETTOPINDEX, static_cast<WPARAM>(Value), 0);
}

int TCustomListBox::ItemHeight() const {
    const TEXTMETRIC tm = FontMetrics(Font());
    // Without glyphs, the cell height of a default font.
    return tm.tmHeight > 0 ? tm.tmHeight : 16;
}

int TCustomListBox::ItemAtPos(const TPoint& Pos, bool Existing) {
    const int count = static_cast<int>(lines_.size());
    const TRect client = ClientRect();
    if (Pos.X >= client.Left && Pos.X < client.Right && Pos.Y >= client.Top && Pos.Y < client.Bottom) {
        const int index = topIndex_ + Pos.Y / ItemHeight();
        if (index < count) return index;
    }
    return Existing ? -1 : count;
}

TRect TCustomListBox::ItemRect(int Index) {
    const int h = ItemHeight();
    const int top = (Index - topIndex_) * h;
    return TRect(0, top, ClientWidth(), top + h);
}

int TCustomListBox::VisibleRows() const {
    return std::max(ClientHeight() / ItemHeight(), 1);
}

int TCustomListBox::MaxTopIndex() const {
    return std::max(static_cast<int>(lines_.size()) - VisibleRows(), 0);
}

DWORD TCustomListBox::ListStyle() {
    if (HandleAllocated()) return WindowParams().Style;
    TCreateParams params;
    CreateParams(params);
    return params.Style;
}

void TCustomListBox::CreateParams(TCreateParams& Params) {
    TWinControl::CreateParams(Params);
    Params.Style |=
        WS_VSCROLL | LBS_NOTIFY | LBS_HASSTRINGS | LBS_NOINTEGRALHEIGHT | (sorted_ ? LBS_SORT : 0);
    if (borderStyle_ == bsSingle) {
        if (Ctl3D)
            Params.ExStyle |= WS_EX_CLIENTEDGE;
        else
            Params.Style |= WS_BORDER;
    }
}

void TCustomListBox::CreateHandle() {
    TWinControl::CreateHandle();
    UpdateScrollBars();
}

void TCustomListBox::Changed() {
    topIndex_ = std::clamp(topIndex_, 0, MaxTopIndex());
    UpdateScrollBars();
    Invalidate();
}

LRESULT TCustomListBox::InsertLine(int index, const std::string& s) {
    lines_.insert(lines_.begin() + index, s);
    if (itemIndex_ >= index) ++itemIndex_;
    Changed();
    return index;
}

LRESULT TCustomListBox::DeleteLine(int index) {
    if (index < 0 || index >= static_cast<int>(lines_.size())) return LB_ERR;
    lines_.erase(lines_.begin() + index);
    if (itemIndex_ == index)
        itemIndex_ = -1;
    else if (itemIndex_ > index)
        --itemIndex_;
    Changed();
    return static_cast<LRESULT>(lines_.size());
}

LRESULT TCustomListBox::SetCurSel(int index) {
    if (index < -1 || index >= static_cast<int>(lines_.size())) return LB_ERR;
    itemIndex_ = index;
    if (index >= 0) MakeVisible(index);
    Invalidate();
    // -1 clears the selection and still answers LB_ERR, as the original does.
    return index >= 0 ? index : LB_ERR;
}

LRESULT TCustomListBox::SetTabStops(int count, const int* stops) {
    if (!(ListStyle() & LBS_USETABSTOPS) || count < 0 || (count > 0 && !stops)) return FALSE;
    tabStops_.assign(stops, stops + count);
    Invalidate();
    return TRUE;
}

std::vector<int> TCustomListBox::TabStopPixels(int letters52) const {
    // A dialog unit is a quarter of the average letter width.
    auto pixels = [letters52](int units) {
        const long long p = static_cast<long long>(units) * letters52 / (52 * 4);
        return static_cast<int>(std::clamp<long long>(p, INT_MIN, INT_MAX));
    };
    if (tabStops_.empty()) return {pixels(kDefaultTabStop)};
    std::vector<int> out;
    out.reserve(tabStops_.size());
    for (int units : tabStops_) out.push_back(pixels(units));
    return out;
}

void TCustomListBox::MakeVisible(int index) {
    const int rows = VisibleRows();
    int top = topIndex_;
    if (index < top)
        top = index;
    else if (index >= top + rows)
        top = index - rows + 1;
    top = std::clamp(top, 0, MaxTopIndex());
    if (top == topIndex_) return;
    topIndex_ = top;
    if (HandleAllocated()) SetScrollPos(Handle(), SB_VERT, topIndex_, TRUE);
    Invalidate();
}

void TCustomListBox::UserSelect(int index) {
    const int count = static_cast<int>(lines_.size());
    if (count == 0) return;
    index = std::clamp(index, 0, count - 1);
    itemIndex_ = index;
    MakeVisible(index);
    Invalidate();
    // The selection-change notification the window sends its owner.
    Click();
}

void TCustomListBox::ScrollVert(WORD code, int pos) {
    const int top = ScrollTarget(code, pos, topIndex_, 1, VisibleRows(), MaxTopIndex());
    if (top == topIndex_) return;
    topIndex_ = top;
    if (HandleAllocated()) SetScrollPos(Handle(), SB_VERT, topIndex_, TRUE);
    Invalidate();
}

void TCustomListBox::ScrollHorz(WORD code, int pos) {
    const TEXTMETRIC tm = FontMetrics(Font());
    const int step = tm.tmAveCharWidth > 0 ? tm.tmAveCharWidth : 8;
    const int x = ScrollTarget(code, pos, horzPos_, step, std::max(ClientWidth(), 1),
                               std::max(horzExtent_ - ClientWidth(), 0));
    if (x == horzPos_) return;
    horzPos_ = x;
    if (HandleAllocated()) SetScrollPos(Handle(), SB_HORZ, horzPos_, TRUE);
    Invalidate();
}

void TCustomListBox::UpdateScrollBars() {
    if (updatingBars_ > 0 || !HandleAllocated()) return;
    ++updatingBars_;
    TCreateParams wanted;
    CreateParams(wanted);
    // Twice: one bar takes the room that decides about the other. A bar may make the window anew,
    // so the handle is asked for each time.
    for (int pass = 0; pass < 2; ++pass) {
        const bool needV = (wanted.Style & WS_VSCROLL) && static_cast<int>(lines_.size()) > VisibleRows();
        const bool needH = (wanted.Style & WS_HSCROLL) && horzExtent_ > ClientWidth();
        if (needV != ((WindowParams().Style & WS_VSCROLL) != 0)) ShowScrollBar(Handle(), SB_VERT, needV);
        if (needH != ((WindowParams().Style & WS_HSCROLL) != 0)) ShowScrollBar(Handle(), SB_HORZ, needH);
    }
    topIndex_ = std::clamp(topIndex_, 0, MaxTopIndex());
    horzPos_ = std::clamp(horzPos_, 0, std::max(horzExtent_ - ClientWidth(), 0));
    if (HandleAllocated()) {
        SCROLLINFO v;
        v.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
        v.nMax = std::max(static_cast<int>(lines_.size()) - 1, 0);
        v.nPage = static_cast<UINT>(VisibleRows());
        v.nPos = topIndex_;
        SetScrollInfo(Handle(), SB_VERT, &v, TRUE);
        SCROLLINFO h;
        h.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
        h.nMax = std::max(horzExtent_ - 1, 0);
        h.nPage = static_cast<UINT>(std::max(ClientWidth(), 0));
        h.nPos = horzPos_;
        SetScrollInfo(Handle(), SB_HORZ, &h, TRUE);
    }
    --updatingBars_;
}

void TCustomListBox::PaintWindow(HDC DC) {
    PaintOnCanvas(*canvas_, DC, [this] {
        TCanvas* canvas = canvas_;
        canvas->SetFont(Font());
        const int h = ItemHeight();
        const int width = ClientWidth();
        const bool tabs = (ListStyle() & LBS_USETABSTOPS) != 0;
        const std::vector<int> stops = TabStopPixels(canvas->TextWidth(kLetters));
        const bool focused = Focused();
        // Text starts a little in from the edge, and moves with the horizontal scroll position.
        const int x = 2 - horzPos_;
        for (int i = topIndex_, y = 0; i < static_cast<int>(lines_.size()) && y < ClientHeight();
             ++i, y += h) {
            const TRect row(0, y, width, y + h);
            const bool selected = i == itemIndex_;
            canvas->Brush()->SetStyle(bsSolid);
            canvas->Brush()->SetColor(selected ? clHighlight : Color());
            canvas->FillRect(row);
            canvas->Font()->SetColor(!Enabled() ? clGrayText : selected ? clHighlightText : Font()->Color());
            canvas->Brush()->SetStyle(bsClear);
            const std::string& s = lines_[static_cast<std::size_t>(i)];
            HDC dc = canvas->Handle();
            if (tabs)
                TabbedTextOutA(dc, x, y, s.c_str(), static_cast<int>(s.size()),
                               static_cast<int>(stops.size()), stops.data(), x);
            else
                ::TextOut(dc, x, y, s.c_str(), static_cast<int>(s.size()));
            if (selected && focused) canvas->DrawFocusRect(row);
        }
    });
}

void TCustomListBox::Dispatch(TMessage& Message) {
    switch (Message.Msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
        const int index = ItemAtPos(TPoint(MouseX(Message.LParam), MouseY(Message.LParam)), true);
        if (index >= 0) {
            UserSelect(index);
            if (Message.Msg == WM_LBUTTONDBLCLK) DblClick();
        }
        TWinControl::Dispatch(Message);
        return;
    }
    case WM_MOUSEMOVE:
        // Dragging with the button down moves the selection along.
        if ((Message.WParam & MK_LBUTTON) && !lines_.empty()) {
            const int y = MouseY(Message.LParam);
            const int index = std::clamp(topIndex_ + (y < 0 ? -1 : y / ItemHeight()), 0,
                                         static_cast<int>(lines_.size()) - 1);
            if (index != itemIndex_) UserSelect(index);
        }
        TWinControl::Dispatch(Message);
        return;
    case WM_KEYDOWN: {
        TWinControl::Dispatch(Message);
        if (Message.Result != 0 || lines_.empty()) return;
        const int rows = VisibleRows();
        const int last = static_cast<int>(lines_.size()) - 1;
        const int current = itemIndex_;
        int next = current;
        switch (static_cast<WORD>(Message.WParam)) {
        case VK_UP:
        case VK_LEFT:
            next = current < 0 ? 0 : current - 1;
            break;
        case VK_DOWN:
        case VK_RIGHT:
            next = current + 1;
            break;
        case VK_PRIOR:
            next = current - (rows - 1);
            break;
        case VK_NEXT:
            next = current + (rows - 1);
            break;
        case VK_HOME:
            next = 0;
            break;
        case VK_END:
            next = last;
            break;
        default:
            return;
        }
        next = std::clamp(next, 0, last);
        if (next != current) UserSelect(next);
        return;
    }
    case WM_SIZE:
        TWinControl::Dispatch(Message);
        UpdateScrollBars();
        return;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        TWinControl::Dispatch(Message);
        Invalidate();
        return;
    case CM_FONTCHANGED:
        TWinControl::Dispatch(Message);
        Changed();
        return;
    default:
        TWinControl::Dispatch(Message);
        return;
    }
}

void TCustomListBox::DefaultHandler(TMessage& Message) {
    const int count = static_cast<int>(lines_.size());
    switch (Message.Msg) {
    case LB_ADDSTRING: {
        const std::string s = Message.LParam ? reinterpret_cast<const char*>(Message.LParam) : "";
        int index = count;
        if (ListStyle() & LBS_SORT) {
            // After the lines that compare equal.
            index = static_cast<int>(std::upper_bound(lines_.begin(), lines_.end(), s,
                                                      [](const std::string& a, const std::string& b) {
                                                          return AnsiCompareText(a, b) < 0;
                                                      }) -
                                     lines_.begin());
        }
        Message.Result = InsertLine(index, s);
        return;
    }
    case LB_INSERTSTRING: {
        int index = Index(Message.WParam);
        if (index == -1) index = count;
        if (index < 0 || index > count) {
            Message.Result = LB_ERR;
            return;
        }
        Message.Result =
            InsertLine(index, Message.LParam ? reinterpret_cast<const char*>(Message.LParam) : std::string());
        return;
    }
    case LB_DELETESTRING:
        Message.Result = DeleteLine(Index(Message.WParam));
        return;
    case LB_RESETCONTENT:
        lines_.clear();
        itemIndex_ = -1;
        topIndex_ = 0;
        Changed();
        Message.Result = LB_OKAY;
        return;
    case LB_SETCURSEL:
        Message.Result = SetCurSel(Index(Message.WParam));
        return;
    case LB_GETCURSEL:
        Message.Result = itemIndex_;
        return;
    case LB_GETTEXT:
    case LB_GETTEXTLEN: {
        const int index = Index(Message.WParam);
        if (index < 0 || index >= count) {
            Message.Result = LB_ERR;
            return;
        }
        const std::string& s = lines_[static_cast<std::size_t>(index)];
        // LB_GETTEXT copies the line with its terminating zero into the caller's buffer, which
        // LB_GETTEXTLEN told it how large to make.
        if (Message.Msg == LB_GETTEXT && Message.LParam) {
            char* buffer = reinterpret_cast<char*>(Message.LParam);
            std::copy(s.begin(), s.end(), buffer);
            buffer[s.size()] = '\0';
        }
        Message.Result = static_cast<LRESULT>(s.size());
        return;
    }
    case LB_GETCOUNT:
        Message.Result = count;
        return;
    case LB_GETTOPINDEX:
        Message.Result = topIndex_;
        return;
    case LB_SETTOPINDEX: {
        const int index = Index(Message.WParam);
        if (index < 0 || (index >= count && count > 0)) {
            Message.Result = LB_ERR;
            return;
        }
        topIndex_ = std::clamp(index, 0, MaxTopIndex());
        UpdateScrollBars();
        Invalidate();
        Message.Result = LB_OKAY;
        return;
    }
    case LB_SETTABSTOPS:
        Message.Result = SetTabStops(Index(Message.WParam), reinterpret_cast<const int*>(Message.LParam));
        return;
    case LB_GETHORIZONTALEXTENT:
        Message.Result = horzExtent_;
        return;
    case LB_SETHORIZONTALEXTENT:
        horzExtent_ = static_cast<int>(std::min<WPARAM>(Message.WParam, INT_MAX));
        UpdateScrollBars();
        Invalidate();
        Message.Result = 0;
        return;
    case LB_GETITEMHEIGHT:
        Message.Result = ItemHeight();
        return;
    case WM_HSCROLL:
    case WM_VSCROLL: {
        // The window's own bars (a scroll-bar control would name itself in LParam).
        if (Message.LParam != 0) break;
        const auto code = static_cast<WORD>(Message.WParam & 0xFFFF);
        const int pos = static_cast<WORD>((Message.WParam >> 16) & 0xFFFF);
        if (Message.Msg == WM_HSCROLL)
            ScrollHorz(code, pos);
        else
            ScrollVert(code, pos);
        Message.Result = 0;
        return;
    }
    case WM_GETDLGCODE:
        Message.Result = DLGC_WANTARROWS | DLGC_WANTCHARS;
        return;
    default:
        break;
    }
    TWinControl::DefaultHandler(Message);
}
