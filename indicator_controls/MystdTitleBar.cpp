#include "indicator_controls/MystdTitleBar.h"

#include "indicator_controls/Mystd.h"
#include "platform/gdi/System.h"
#include "platform/ui/ControlMessages.h"
#include "platform/ui/Filer.h"
#include "platform/ui/Forms.h"
#include "platform/ui/TypInfo.h"
#include "platform/ui/WindowQueries.h"

namespace {

// A dialog frame's bit in the window style (DS_MODALFRAME), kept with the caption.
constexpr DWORD kModalFrame = 0x80;

using published::Field;

const bool kPublished = [] {
    using T = TvTitleBar;
    PublishProperties<T, TComponent>({
        Field<T>("AllowMoveWhitoutTitle", &T::AllowMoveWhitoutTitle, true),
        Field<T>("TitleBarOnFormShow", &T::TitleBarOnFormShow, true),
        Field<T>("OnChange", &T::OnChange),
    });
    RegisterClass<TvTitleBar>();
    return true;
}();

} // namespace

TvTitleBar::TvTitleBar(TComponent* AOwner) : TComponent(AOwner) {
    captionShown_ = IsShowTitleBar();
}

TvTitleBar::~TvTitleBar() {
    hook_.Remove();
}

bool TvTitleBar::Designing() const {
    return ComponentState().Contains(TComponentStateItem::csDesigning);
}

bool TvTitleBar::IsShowTitleBar() {
    TForm* form = OwnerForm(this);
    if (!form) return false;
    return (static_cast<DWORD>(GetWindowLong(form->Handle(), GWL_STYLE)) & WS_CAPTION) == WS_CAPTION;
}

void TvTitleBar::SetTitleBar(bool Show) {
    if (Designing()) return;
    TForm* form = OwnerForm(this);
    if (!form || form->BorderStyle() == bsNone) return;
    const HWND wnd = form->Handle();
    const DWORD style = static_cast<DWORD>(GetWindowLong(wnd, GWL_STYLE));
    const bool shown = (style & WS_CAPTION) == WS_CAPTION;
    const bool framed = form->BorderStyle() == bsSingle || form->BorderStyle() == bsSizeable;
    const bool dialog = form->BorderStyle() == bsDialog;
    // Tool windows keep their caption: their height stays too, or they would lose client area.
    if ((framed || dialog) && Show != shown) {
        DWORD changed = style;
        if (Show)
            changed |= dialog ? WS_CAPTION | kModalFrame : WS_CAPTION;
        else
            changed = dialog ? (style & ~(WS_CAPTION | kModalFrame)) | WS_DLGFRAME
                             : (style & ~WS_CAPTION) | WS_BORDER;
        SetWindowLong(wnd, GWL_STYLE, static_cast<LONG>(changed));
        const int caption = GetSystemMetrics(SM_CYCAPTION);
        form->SetHeight(form->Height() + (Show ? caption : -caption));
    }
    DoOnChange();
    form->Repaint();
    captionShown_ = IsShowTitleBar();
}

void TvTitleBar::DoOnChange() {
    if (OnChange) OnChange(this);
}

void TvTitleBar::Loaded() {
    TComponent::Loaded();
    if (Designing()) return;
    SetTitleBar(TitleBarOnFormShow);
    if (TForm* form = OwnerForm(this))
        hook_.Install(form->Handle(), TWindowProcMethod::Bind<&TvTitleBar::WndProc>(this));
}

void TvTitleBar::WndProc(TMessage& Message) {
    hook_.CallPrevious(Message);
    if (Message.Msg == WM_NCHITTEST && AllowMoveWhitoutTitle && !captionShown_ && Message.Result == HTCLIENT)
        Message.Result = HTCAPTION;
}
