#include "platform/ui/HeaderControls.h"

#include "platform/gdi/Draw.h"
#include "platform/gdi/Text.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Lists.h"

#include <algorithm>

void PaintHeaderSection(TCanvas* Canvas, const TRect& Rect, const std::string& Text) {
    RECT r = Rect;
    Canvas->Brush()->SetStyle(bsSolid);
    Canvas->Brush()->SetColor(clBtnFace);
    Canvas->FillRect(Rect);
    DrawEdge(Canvas->Handle(), &r, EDGE_RAISED, BF_RECT | BF_ADJUST);
    Canvas->Brush()->SetStyle(bsClear);
    r.left += 2;
    DrawText(Canvas->Handle(), Text.c_str(), static_cast<int>(Text.size()), &r,
             DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
}

// --- THeader --------------------------------------------------------------------------------------

THeader::THeader(TComponent* AOwner) : TCustomControl(AOwner), sections_(new TStringList) {
    ControlStyle = {csCaptureMouse, csClickEvents, csDoubleClicks, csOpaque};
    SetColor(clBtnFace);
    SetBounds(0, 0, 250, 25);
    sections_->OnChange = [this](TStringList*) { SectionsChanged(); };
}

THeader::~THeader() {
    sections_->OnChange = nullptr;
    delete sections_;
}

void THeader::SetSections(const TStringList* Value) {
    sections_->Assign(*Value);
}

void THeader::SectionsChanged() {
    widths_.resize(static_cast<std::size_t>(sections_->Count()), kDefaultSectionWidth);
    Invalidate();
}

int THeader::SectionWidth(int Index) const {
    if (Index < 0 || Index >= static_cast<int>(widths_.size()))
        throw EListError("List index out of bounds (" + std::to_string(Index) + ")");
    return widths_[static_cast<std::size_t>(Index)];
}

void THeader::SetSectionWidth(int Index, int Value) {
    if (Index < 0 || Index >= static_cast<int>(widths_.size()))
        throw EListError("List index out of bounds (" + std::to_string(Index) + ")");
    widths_[static_cast<std::size_t>(Index)] = std::max(Value, 0);
    Invalidate();
}

void THeader::Paint() {
    TCanvas* canvas = Canvas();
    canvas->SetFont(Font());
    canvas->Brush()->SetColor(Color());
    canvas->FillRect(ClientRect());
    int left = 0;
    for (int i = 0; i < sections_->Count(); ++i) {
        const int w = widths_[static_cast<std::size_t>(i)];
        PaintHeaderSection(canvas, TRect(left, 0, left + w, ClientHeight()), sections_->Strings(i));
        left += w;
    }
}

// --- THeaderSection, THeaderSections --------------------------------------------------------------

THeaderSection::THeaderSection(TCollection* Collection) : TCollectionItem(Collection) {}

void THeaderSection::SetText(const std::string& Value) {
    if (Value == text_) return;
    text_ = Value;
    Changed(false);
}

void THeaderSection::SetWidth(int Value) {
    Value = std::max(Value, 0);
    if (Value == width_) return;
    width_ = Value;
    // Every section after this one moves.
    Changed(true);
}

int THeaderSection::Left() const {
    int left = 0;
    const int index = Index();
    for (int i = 0; i < index; ++i) left += static_cast<THeaderSections*>(Collection())->Items(i)->Width();
    return left;
}

void THeaderSection::Assign(const TPersistent* Source) {
    if (const auto* other = dynamic_cast<const THeaderSection*>(Source)) {
        text_ = other->text_;
        width_ = other->width_;
        Changed(true);
        return;
    }
    TCollectionItem::Assign(Source);
}

std::string THeaderSection::GetDisplayName() const {
    return text_.empty() ? TCollectionItem::GetDisplayName() : text_;
}

THeaderSections::THeaderSections(THeaderControl* HeaderControl)
    : TCollection(ItemClassOf<THeaderSection>(), HeaderControl), headerControl_(HeaderControl) {}

void THeaderSections::Update(TCollectionItem*) {
    headerControl_->Invalidate();
}

// --- THeaderControl -------------------------------------------------------------------------------

THeaderControl::THeaderControl(TComponent* AOwner)
    : TCustomControl(AOwner), sections_(new THeaderSections(this)) {
    ControlStyle = {csCaptureMouse, csClickEvents, csDoubleClicks, csOpaque};
    SetColor(clBtnFace);
    SetBounds(0, 0, 250, 17);
    SetAlign(alTop);
}

THeaderControl::~THeaderControl() {
    delete sections_;
    sections_ = nullptr;
}

void THeaderControl::Paint() {
    TCanvas* canvas = Canvas();
    canvas->SetFont(Font());
    canvas->Brush()->SetColor(Color());
    canvas->FillRect(ClientRect());
    for (int i = 0; i < sections_->Count(); ++i) {
        const THeaderSection* s = sections_->Items(i);
        PaintHeaderSection(canvas, TRect(s->Left(), 0, s->Right(), ClientHeight()), s->Text());
    }
}
