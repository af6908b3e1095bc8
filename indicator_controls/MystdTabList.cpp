#include "indicator_controls/MystdTabList.h"
#include "indicator_controls/ControlProperties.h"

#include "platform/gdi/Text.h"
#include "platform/rtl/Lists.h"
#include "platform/ui/Filer.h"
#include "platform/ui/Forms.h"
#include "platform/ui/TypInfo.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace {

using published::Field;

// The list's own rows, then the list box properties this platform's list box carries.
const bool kPublished = [] {
    using L = TvTabListbox;
    using published::Property;
    using published::Standard;
    PublishProperties<L, TComponent>(Rows(
        StandardRows<L>("Left Top Width Height"), Field<L>("AutoFocus", &L::AutoFocus, 0),
        Field<L>("SizeAfterDel", &L::SizeAfterDel, 1), EventField<L>("OnChange", &L::OnChange),
        EventField<L>("OnMouseEnter", &L::OnMouseEnter), EventField<L>("OnMouseLeave", &L::OnMouseLeave),
        EventField<L>("OnScroll", &L::OnScroll), StandardRows<L>("Align Anchors BiDiMode"),
        Property<L>(
            "BorderStyle", [](const L& l) { return l.BorderStyle(); },
            [](L& l, TBorderStyle v) { l.SetBorderStyle(v); }, bsSingle),
        StandardRows<L>("Color Constraints Ctl3D DragCursor DragKind DragMode Enabled Font Hint"),
        Property<L>(
            "Items", [](const L& l) { return const_cast<L&>(l).PublishedItems(); },
            [](L& l, TPersistentStrings* v) { l.PublishedItems()->Assign(v); }),
        StandardRows<L>(
            "ParentBiDiMode ParentColor ParentCtl3D ParentFont ParentShowHint PopupMenu ShowHint"),
        Property<L>(
            "Sorted", [](const L& l) { return l.Sorted(); }, [](L& l, bool v) { l.SetSorted(v); }, false),
        Standard<L>("TabOrder"), WithDefault(Standard<L>("TabStop"), true),
        StandardRows<L>("Visible OnClick OnContextPopup OnDblClick OnDragDrop OnDragOver OnEndDock OnEndDrag "
                        "OnEnter OnExit OnKeyDown OnKeyPress OnKeyUp OnMouseDown OnMouseMove OnMouseUp "
                        "OnStartDock OnStartDrag")));
    RegisterClass<TvTabListbox>();
    return true;
}();

std::string LineOf(LPARAM text) {
    return text ? std::string(reinterpret_cast<const char*>(text)) : std::string();
}

} // namespace

TvTabListbox::TvTabListbox(TComponent* AOwner)
    : TListBox(AOwner), tabs_{16}, publishedItems_(
                                       [this] {
                                           std::vector<std::string> lines;
                                           for (int i = 0; i < Items()->Count(); ++i)
                                               lines.push_back(Items()->Strings(i));
                                           return lines;
                                       },
                                       [this](const std::vector<std::string>& lines) {
                                           Items()->Clear();
                                           for (const std::string& line : lines) Items()->Add(line);
                                       }) {
    measure_.SetSize(1, 1);
}

void TvTabListbox::CreateParams(TCreateParams& Params) {
    TListBox::CreateParams(Params);
    Params.Style |= WS_HSCROLL | LBS_USETABSTOPS;
}

void TvTabListbox::Loaded() {
    TListBox::Loaded();
    SetTabStops({25, 50, 75, 100, 125, 150, 175, 200});
}

void TvTabListbox::SetTabStops(const std::vector<int>& Positions) {
    if (Items()->Count() == 0) return;
    // The list box takes its stops in dialog units, a quarter of the average letter width.
    TCanvas* canvas = measure_.Canvas();
    canvas->SetFont(Font());
    const long double average =
        canvas->TextWidth("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ") / 52.0L;
    if (!(average > 0)) throw EvTabListboxError("TabError");
    std::vector<int> units;
    units.reserve(Positions.size());
    for (int p : Positions)
        units.push_back(
            static_cast<int>(std::clamp<long double>(std::trunc(p * 4.0L / average), INT_MIN, INT_MAX)));
    // No positions: the list box's own stops, which fall every 8 average characters as the measuring
    // does without positions.
    const LRESULT accepted = Perform(LB_SETTABSTOPS, static_cast<WPARAM>(units.size()),
                                     units.empty() ? 0 : reinterpret_cast<LPARAM>(units.data()));
    if (!accepted) throw EvTabListboxError("TabError");
    tabs_ = Positions;
    LongestString();
    Invalidate();
}

void TvTabListbox::SetFromHeader(THeader* Header) {
    std::vector<int> positions;
    int right = 0;
    for (int i = 0; i < Header->Sections()->Count(); ++i) {
        right += Header->SectionWidth(i);
        positions.push_back(right);
    }
    SetTabStops(positions);
}

void TvTabListbox::SetfromHeaderControl(THeaderControl* HeaderControl) {
    std::vector<int> positions;
    THeaderSections* sections = HeaderControl->Sections();
    for (int i = 0; i < sections->Count(); ++i) positions.push_back(sections->Items(i)->Right());
    SetTabStops(positions);
}

int TvTabListbox::LineWidth(const std::string& Line) {
    TCanvas* canvas = measure_.Canvas();
    canvas->SetFont(Font());
    SIZE size;
    if (!GetTabbedTextExtentPoint(canvas->Handle(), Line.c_str(), static_cast<int>(Line.size()),
                                  static_cast<int>(tabs_.size()), tabs_.empty() ? nullptr : tabs_.data(),
                                  &size))
        return 0;
    return size.cx + canvas->TextWidth("Z");
}

void TvTabListbox::Measure(const std::string& Line) {
    const int width = LineWidth(Line);
    if (width <= widest_) return;
    widest_ = width;
    // The list only ever widens its extent.
    if (widest_ > Perform(LB_GETHORIZONTALEXTENT, 0, 0))
        Perform(LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(widest_), 0);
}

void TvTabListbox::LongestString() {
    widest_ = 0;
    for (int i = 0; i < Items()->Count(); ++i) Measure(Items()->Strings(i));
}

void TvTabListbox::SelectionChanged() {
    const int index = ItemIndex();
    if (index == prevItemIndex_) return;
    const int previous = prevItemIndex_;
    prevItemIndex_ = index;
    if (OnChange) OnChange(this, previous);
}

void TvTabListbox::Click() {
    TListBox::Click();
    SelectionChanged();
}

void TvTabListbox::Dispatch(TMessage& Message) {
    switch (Message.Msg) {
    case LB_ADDSTRING:
    case LB_INSERTSTRING:
        TListBox::Dispatch(Message);
        if (Message.Result >= 0) Measure(LineOf(Message.LParam));
        return;
    case LB_DELETESTRING:
        TListBox::Dispatch(Message);
        if (SizeAfterDel) {
            try {
                LongestString();
            } catch (const std::exception&) {
                // The widest stays as measured so far.
            }
        }
        return;
    case LB_SETCURSEL: {
        TListBox::Dispatch(Message);
        const LRESULT result = Message.Result;
        SelectionChanged();
        Message.Result = result;
        return;
    }
    case WM_HSCROLL:
    case WM_VSCROLL: {
        TListBox::Dispatch(Message);
        const auto code = static_cast<std::int16_t>(static_cast<std::uint16_t>(Message.WParam & 0xFFFF));
        const auto pos =
            static_cast<std::int16_t>(static_cast<std::uint16_t>((Message.WParam >> 16) & 0xFFFF));
        if (OnScroll) OnScroll(this, pos, code, Message.Msg == WM_HSCROLL ? vScrollHor : vScrollVer);
        return;
    }
    case CM_MOUSEENTER:
        TListBox::Dispatch(Message);
        if (AutoFocus && !Focused() && CanFocus() && GetParentForm(this)) SetFocus();
        if (OnMouseEnter) OnMouseEnter(this);
        return;
    case CM_MOUSELEAVE:
        TListBox::Dispatch(Message);
        if (OnMouseLeave) OnMouseLeave(this);
        return;
    default:
        TListBox::Dispatch(Message);
        return;
    }
}
