#include "platform/ui/ScrollBars.h"

#include "platform/gdi/Draw.h"
#include "platform/gdi/Region.h"
#include "platform/gdi/System.h"
#include "platform/ui/Controls.h"
#include "platform/ui/Widgets_p.h"

#include <QPainter>
#include <QScrollBar>
#include <QWidget>

#include <algorithm>

namespace {

// Draws the window's border around the client widget.
class TNonClientFrame : public QWidget {
public:
    TNonClientFrame(QWidget* parent, int border) : QWidget(parent), border_(border) {
        setAttribute(Qt::WA_NoSystemBackground);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        const int w = width(), h = height();
        // The corner square between two scroll bars, and anything the children leave.
        p.fillRect(rect(), ToQColor(clBtnFace));
        if (border_ == 1) {
            p.setPen(ToQColor(clWindowFrame));
            p.drawRect(0, 0, w - 1, h - 1);
        } else if (border_ == 2) {
            auto edge = [&p, w, h](int inset, TColor topLeft, TColor bottomRight) {
                p.setPen(ToQColor(topLeft));
                p.drawLine(inset, inset, w - 1 - inset, inset);
                p.drawLine(inset, inset, inset, h - 1 - inset);
                p.setPen(ToQColor(bottomRight));
                p.drawLine(inset, h - 1 - inset, w - 1 - inset, h - 1 - inset);
                p.drawLine(w - 1 - inset, inset, w - 1 - inset, h - 1 - inset);
            };
            edge(0, clBtnShadow, clBtnHighlight);
            edge(1, cl3DDkShadow, cl3DLight);
        }
    }

private:
    int border_;
};

WORD ScrollCode(int action) {
    switch (action) {
    case QAbstractSlider::SliderSingleStepAdd:
        return SB_LINEDOWN;
    case QAbstractSlider::SliderSingleStepSub:
        return SB_LINEUP;
    case QAbstractSlider::SliderPageStepAdd:
        return SB_PAGEDOWN;
    case QAbstractSlider::SliderPageStepSub:
        return SB_PAGEUP;
    case QAbstractSlider::SliderToMinimum:
        return SB_TOP;
    case QAbstractSlider::SliderToMaximum:
        return SB_BOTTOM;
    default:
        return SB_THUMBTRACK;
    }
}

WPARAM ScrollWParam(WORD code, int pos) {
    return static_cast<WPARAM>(code) | (static_cast<WPARAM>(static_cast<WORD>(pos)) << 16);
}

} // namespace

// What the scroll-bar calls need of a control's private parts.
struct NonClientAccess {
    static TWinControl::TScrollBarState* State(HWND wnd, int bar) {
        TWinControl* c = FindControl(wnd);
        if (!c || (bar != SB_HORZ && bar != SB_VERT)) return nullptr;
        return &c->scrollBars_[bar];
    }
    static int MaxPos(const TWinControl::TScrollBarState& s) {
        return std::max(s.Min, s.Max - std::max(static_cast<int>(s.Page) - 1, 0));
    }
    static void Apply(TWinControl::TScrollBarState& s) {
        auto* bar = static_cast<QScrollBar*>(s.Bar);
        if (!bar) return;
        const QSignalBlocker block(bar);
        bar->setRange(s.Min, MaxPos(s));
        bar->setPageStep(std::max<int>(static_cast<int>(s.Page), 1));
        bar->setValue(s.Pos);
    }
    static void Show(TWinControl* c, DWORD style, bool show) {
        const DWORD old = c->params_.Style;
        c->shownBars_ = show ? c->shownBars_ | style : c->shownBars_ & ~style;
        c->hiddenBars_ = show ? c->hiddenBars_ & ~style : c->hiddenBars_ | style;
        c->params_.Style = show ? old | style : old & ~style;
        if (c->params_.Style == old || !c->handle_) return;
        // The frame widget is made with the window; a bar added later needs the window anew.
        if (!c->nonClient_) {
            c->RecreateWnd();
            return;
        }
        c->LayoutNonClient();
        c->MainWndProc(WM_SIZE, SIZE_RESTORED, MakeMouseLParam(c->ClientWidth(), c->ClientHeight()));
    }
};

int TWinControl::BorderWidth() const {
    if (params_.ExStyle & WS_EX_CLIENTEDGE) return 2;
    return (params_.Style & WS_BORDER) ? 1 : 0;
}

TRect TWinControl::ClientRect() const {
    if (!handle_ || !nonClient_) return TControl::ClientRect();
    const int b = BorderWidth();
    const int vs = (params_.Style & WS_VSCROLL) ? GetSystemMetrics(SM_CXVSCROLL) : 0;
    const int hs = (params_.Style & WS_HSCROLL) ? GetSystemMetrics(SM_CYHSCROLL) : 0;
    return Rect(0, 0, std::max(Width() - 2 * b - vs, 0), std::max(Height() - 2 * b - hs, 0));
}

void TWinControl::CreateNonClient(QWidget* parentWidget) {
    const bool wanted = (params_.Style & (WS_BORDER | WS_HSCROLL | WS_VSCROLL)) ||
                        (params_.ExStyle & WS_EX_CLIENTEDGE);
    if (!wanted || !PaintsSelf() || IsTopLevel()) return;
    nonClient_ = new TNonClientFrame(parentWidget, BorderWidth());
    widget_->setParent(nonClient_);
    for (int which : {SB_HORZ, SB_VERT}) {
        auto* bar = new QScrollBar(which == SB_HORZ ? Qt::Horizontal : Qt::Vertical, nonClient_);
        bar->setFocusPolicy(Qt::NoFocus);
        scrollBars_[which].Bar = bar;
        NonClientAccess::Apply(scrollBars_[which]);
        const UINT msg = which == SB_HORZ ? WM_HSCROLL : WM_VSCROLL;
        QObject::connect(bar, &QAbstractSlider::actionTriggered, bar, [this, bar, which, msg](int action) {
            TScrollBarState& s = scrollBars_[which];
            const WORD code = ScrollCode(action);
            if (code == SB_THUMBTRACK) {
                s.TrackPos = bar->sliderPosition();
            } else {
                // The bar moves only when the program sets its position.
                bar->setSliderPosition(s.Pos);
            }
            MainWndProc(msg, ScrollWParam(code, code == SB_THUMBTRACK ? s.TrackPos : s.Pos), 0);
        });
        QObject::connect(bar, &QAbstractSlider::sliderReleased, bar, [this, which, msg] {
            const int pos = scrollBars_[which].TrackPos;
            MainWndProc(msg, ScrollWParam(SB_THUMBPOSITION, pos), 0);
            MainWndProc(msg, ScrollWParam(SB_ENDSCROLL, 0), 0);
        });
    }
}

void TWinControl::LayoutNonClient() {
    if (!nonClient_ || !widget_) return;
    const int b = BorderWidth();
    const TRect client = ClientRect();
    widget_->setGeometry(b, b, client.Width(), client.Height());
    const int vs = GetSystemMetrics(SM_CXVSCROLL);
    const int hs = GetSystemMetrics(SM_CYHSCROLL);
    if (auto* h = static_cast<QScrollBar*>(scrollBars_[SB_HORZ].Bar)) {
        h->setGeometry(b, b + client.Height(), client.Width(), hs);
        h->setVisible((params_.Style & WS_HSCROLL) != 0);
    }
    if (auto* v = static_cast<QScrollBar*>(scrollBars_[SB_VERT].Bar)) {
        v->setGeometry(b + client.Width(), b, vs, client.Height());
        v->setVisible((params_.Style & WS_VSCROLL) != 0);
    }
    nonClient_->update();
}

int SetScrollInfo(HWND wnd, int bar, const SCROLLINFO* info, BOOL) {
    auto* s = NonClientAccess::State(wnd, bar);
    if (!s || !info) return 0;
    if (info->fMask & SIF_RANGE) {
        s->Min = info->nMin;
        s->Max = std::max(info->nMax, info->nMin);
    }
    if (info->fMask & SIF_PAGE) s->Page = std::min<UINT>(info->nPage, static_cast<UINT>(s->Max - s->Min + 1));
    if (info->fMask & SIF_POS) s->Pos = info->nPos;
    s->Pos = std::clamp(s->Pos, s->Min, NonClientAccess::MaxPos(*s));
    NonClientAccess::Apply(*s);
    return s->Pos;
}

BOOL GetScrollInfo(HWND wnd, int bar, SCROLLINFO* info) {
    auto* s = NonClientAccess::State(wnd, bar);
    if (!s || !info) return FALSE;
    if (info->fMask & SIF_RANGE) {
        info->nMin = s->Min;
        info->nMax = s->Max;
    }
    if (info->fMask & SIF_PAGE) info->nPage = s->Page;
    if (info->fMask & SIF_POS) info->nPos = s->Pos;
    if (info->fMask & SIF_TRACKPOS) info->nTrackPos = s->TrackPos;
    return TRUE;
}

BOOL SetScrollRange(HWND wnd, int bar, int minPos, int maxPos, BOOL redraw) {
    SCROLLINFO si;
    si.fMask = SIF_RANGE;
    si.nMin = minPos;
    si.nMax = maxPos;
    if (!NonClientAccess::State(wnd, bar)) return FALSE;
    SetScrollInfo(wnd, bar, &si, redraw);
    return TRUE;
}

BOOL GetScrollRange(HWND wnd, int bar, int* minPos, int* maxPos) {
    SCROLLINFO si;
    si.fMask = SIF_RANGE;
    if (!GetScrollInfo(wnd, bar, &si)) return FALSE;
    if (minPos) *minPos = si.nMin;
    if (maxPos) *maxPos = si.nMax;
    return TRUE;
}

int SetScrollPos(HWND wnd, int bar, int pos, BOOL redraw) {
    const auto* s = NonClientAccess::State(wnd, bar);
    if (!s) return 0;
    const int old = s->Pos;
    SCROLLINFO si;
    si.fMask = SIF_POS;
    si.nPos = pos;
    SetScrollInfo(wnd, bar, &si, redraw);
    return old;
}

int GetScrollPos(HWND wnd, int bar) {
    const auto* s = NonClientAccess::State(wnd, bar);
    return s ? s->Pos : 0;
}

BOOL ShowScrollBar(HWND wnd, int bar, BOOL show) {
    TWinControl* c = FindControl(wnd);
    if (!c) return FALSE;
    DWORD style = 0;
    if (bar == SB_HORZ || bar == SB_BOTH) style |= WS_HSCROLL;
    if (bar == SB_VERT || bar == SB_BOTH) style |= WS_VSCROLL;
    if (!style) return FALSE;
    NonClientAccess::Show(c, style, show != FALSE);
    return TRUE;
}

BOOL ScrollWindow(HWND wnd, int dx, int dy, const RECT* rect, const RECT* clipRect) {
    TWinControl* c = FindControl(wnd);
    if (!c) return FALSE;
    RECT area = rect ? *rect : RECT(c->ClientRect());
    if (clipRect && !IntersectRect(&area, &area, clipRect)) return TRUE;
    const int w = area.right - area.left, h = area.bottom - area.top;
    if (w <= 0 || h <= 0) return TRUE;
    int level = 0;
    if (HDC dc = c->AcquireSurfaceDC(&level)) {
        // Through a copy: source and destination overlap.
        HDC copy = CreateCompatibleDC(dc);
        HBITMAP bits = CreateCompatibleBitmap(dc, w, h);
        HGDIOBJ old = SelectObject(copy, bits);
        BitBlt(copy, 0, 0, w, h, dc, area.left, area.top, SRCCOPY);
        IntersectClipRect(dc, area.left, area.top, area.right, area.bottom);
        BitBlt(dc, area.left + dx, area.top + dy, w, h, copy, 0, 0, SRCCOPY);
        SelectObject(copy, old);
        DeleteObject(bits);
        DeleteDC(copy);
        c->ReleaseSurfaceDC(level);
    }
    // What the move uncovered.
    if (dx != 0) {
        const TRect strip = dx > 0 ? Rect(area.left, area.top, std::min(area.left + dx, area.right), area.bottom)
                                   : Rect(std::max(area.right + dx, area.left), area.top, area.right, area.bottom);
        c->InvalidateRect(&strip, true);
    }
    if (dy != 0) {
        const TRect strip = dy > 0 ? Rect(area.left, area.top, area.right, std::min(area.top + dy, area.bottom))
                                   : Rect(area.left, std::max(area.bottom + dy, area.top), area.right, area.bottom);
        c->InvalidateRect(&strip, true);
    }
    return TRUE;
}
