#include "platform/ui/ScrollBars.h"

#include "platform/gdi/Draw.h"
#include "platform/gdi/Region.h"
#include "platform/gdi/System.h"
#include "platform/ui/Controls.h"
#include "platform/ui/Widgets_p.h"

#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWidget>

#include <algorithm>

namespace {

// The non-client area of a window: a surface of the window's size that WM_NCPAINT paints through
// the window DC, shown around the client widget and under the scroll bars.
class TNonClientFrame : public QWidget {
public:
    TNonClientFrame(TWinControl* control, QWidget* parent) : QWidget(parent), control_(control) {
        setAttribute(Qt::WA_NoSystemBackground);
        dc_ = CreateCompatibleDC(nullptr);
    }
    ~TNonClientFrame() override {
        if (bitmap_) {
            SelectObject(dc_, old_);
            DeleteObject(bitmap_);
        }
        DeleteDC(dc_);
    }
    TNonClientFrame(const TNonClientFrame&) = delete;
    TNonClientFrame& operator=(const TNonClientFrame&) = delete;

    // The frame is to be painted again (WM_NCPAINT) before it is shown next.
    void Invalidate() {
        dirty_ = true;
        update();
    }
    // The surface's DC in window coordinates, the client rectangle clipped out.
    HDC Acquire(const RECT& client, int* level) {
        EnsureSurface();
        *level = SaveDC(dc_);
        ExcludeClipRect(dc_, client.left, client.top, client.right, client.bottom);
        return dc_;
    }
    bool Release(HDC dc, int level) {
        if (dc != dc_) return false;
        RestoreDC(dc_, level);
        if (!painting_) update();
        return true;
    }

    // Paints the frame when it waits for it, then copies it to dc at (x, y).
    void PaintTo(HDC dc, int x, int y) {
        Validate();
        BitBlt(dc, x, y, width_, height_, dc_, 0, 0, SRCCOPY);
    }

protected:
    void paintEvent(QPaintEvent* event) override {
        Validate();
        QPainter p(this);
        const QImage image(static_cast<const uchar*>(bits_), width_, height_, width_ * 4,
                           QImage::Format_RGB32);
        p.drawImage(event->rect(), image, event->rect());
    }

private:
    void Validate() {
        EnsureSurface();
        if (!dirty_) return;
        dirty_ = false;
        painting_ = true;
        CallGuarded(control_, [this] { control_->MainWndProc(WM_NCPAINT, 1, 0); });
        painting_ = false;
    }
    void EnsureSurface() {
        const int w = std::max(width(), 1), h = std::max(height(), 1);
        if (bitmap_ && w == width_ && h == height_) return;
        BITMAPINFO bi;
        bi.bmiHeader.biWidth = w;
        bi.bmiHeader.biHeight = -h;
        bi.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
        HBITMAP fresh = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, 0, 0);
        if (!fresh) throw EOutOfResources("Out of system resources");
        HGDIOBJ old = SelectObject(dc_, fresh);
        if (bitmap_)
            DeleteObject(bitmap_);
        else
            old_ = old;
        bitmap_ = fresh;
        bits_ = bits;
        width_ = w;
        height_ = h;
        dirty_ = true;
    }

    TWinControl* control_;
    HDC dc_;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ old_ = nullptr;
    void* bits_ = nullptr;
    int width_ = 0;
    int height_ = 0;
    bool dirty_ = true;
    bool painting_ = false;
};

// A click on a bar's arrow or page area ends with SB_ENDSCROLL when the button comes up, as a drag
// of the thumb does (sliderReleased).
class TEndScrollFilter : public QObject {
public:
    TEndScrollFilter(TWinControl* control, UINT msg, QScrollBar* bar)
        : QObject(bar), control_(control), msg_(msg) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* bar = static_cast<QScrollBar*>(watched);
        if (event->type() == QEvent::MouseButtonPress) pressed_ = !bar->isSliderDown();
        if (event->type() == QEvent::MouseButtonRelease && pressed_ && !bar->isSliderDown()) {
            pressed_ = false;
            control_->MainWndProc(msg_, SB_ENDSCROLL, 0);
        }
        return false;
    }

private:
    TWinControl* control_;
    UINT msg_;
    bool pressed_ = false;
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
    static HDC AcquireWindowDC(TWinControl* c, int* level) {
        auto* frame = static_cast<TNonClientFrame*>(c->nonClient_);
        return frame ? frame->Acquire(c->clientArea_, level) : nullptr;
    }
    static bool ReleaseWindowDC(TWinControl* c, HDC dc, int level) {
        auto* frame = static_cast<TNonClientFrame*>(c->nonClient_);
        return frame && frame->Release(dc, level);
    }
    static void PaintFrameTo(TWinControl* c, HDC dc, int x, int y) {
        if (auto* frame = static_cast<TNonClientFrame*>(c->nonClient_)) frame->PaintTo(dc, x, y);
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
        c->CalcClientArea();
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
    return Rect(0, 0, clientArea_.right - clientArea_.left, clientArea_.bottom - clientArea_.top);
}

TPoint TWinControl::ClientOffset() const {
    if (!handle_ || !nonClient_) return TPoint(0, 0);
    return TPoint(clientArea_.left, clientArea_.top);
}

TPoint TWinControl::ClientOrigin() const {
    const TPoint origin = TControl::ClientOrigin();
    const TPoint offset = ClientOffset();
    return TPoint(origin.X + offset.X, origin.Y + offset.Y);
}

bool TWinControl::CalcClientArea() {
    RECT r{Left(), Top(), Left() + Width(), Top() + Height()};
    Perform(WM_NCCALCSIZE, FALSE, reinterpret_cast<LPARAM>(&r));
    const int left = std::clamp<int>(r.left - Left(), 0, std::max(Width(), 0));
    const int top = std::clamp<int>(r.top - Top(), 0, std::max(Height(), 0));
    clientArea_ = RECT{left, top, std::clamp<int>(r.right - Left(), left, std::max(Width(), left)),
                       std::clamp<int>(r.bottom - Top(), top, std::max(Height(), top))};
    return clientArea_.left != 0 || clientArea_.top != 0 || clientArea_.right != Width() ||
           clientArea_.bottom != Height();
}

void TWinControl::PaintNonClient() {
    if (!nonClient_) return;
    HDC dc = GetWindowDC(handle_);
    if (!dc) return;
    RECT r{0, 0, Width(), Height()};
    // The face colour shows in the corner square between two scroll bars.
    HBRUSH face = CreateSolidBrush(GetSysColor(COLOR_BTNFACE));
    ::FillRect(dc, &r, face);
    DeleteObject(face);
    if (BorderWidth() == 2) {
        DrawEdge(dc, &r, EDGE_SUNKEN, BF_RECT);
    } else if (BorderWidth() == 1) {
        HBRUSH frame = CreateSolidBrush(GetSysColor(COLOR_WINDOWFRAME));
        FrameRect(dc, &r, frame);
        DeleteObject(frame);
    }
    ReleaseDC(handle_, dc);
}

void TWinControl::CreateNonClient(QWidget* parentWidget) {
    if (!PaintsSelf() || IsTopLevel()) return;
    const bool shrunk = CalcClientArea();
    const bool wanted = shrunk || (params_.Style & (WS_BORDER | WS_HSCROLL | WS_VSCROLL)) ||
                        (params_.ExStyle & WS_EX_CLIENTEDGE);
    if (!wanted) return;
    nonClient_ = new TNonClientFrame(this, parentWidget);
    widget_->setParent(nonClient_);
    for (int which : {SB_HORZ, SB_VERT}) {
        auto* bar = new QScrollBar(which == SB_HORZ ? Qt::Horizontal : Qt::Vertical, nonClient_);
        bar->setFocusPolicy(Qt::NoFocus);
        scrollBars_[which].Bar = bar;
        NonClientAccess::Apply(scrollBars_[which]);
        const UINT msg = which == SB_HORZ ? WM_HSCROLL : WM_VSCROLL;
        bar->installEventFilter(new TEndScrollFilter(this, msg, bar));
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
    const RECT& c = clientArea_;
    widget_->setGeometry(c.left, c.top, c.right - c.left, c.bottom - c.top);
    // The bars lie along the client rectangle, inside whatever frame the window procedure keeps.
    const int vs = GetSystemMetrics(SM_CXVSCROLL);
    const int hs = GetSystemMetrics(SM_CYHSCROLL);
    if (auto* h = static_cast<QScrollBar*>(scrollBars_[SB_HORZ].Bar)) {
        h->setGeometry(c.left, c.bottom, c.right - c.left, hs);
        h->setVisible((params_.Style & WS_HSCROLL) != 0);
    }
    if (auto* v = static_cast<QScrollBar*>(scrollBars_[SB_VERT].Bar)) {
        v->setGeometry(c.right, c.top, vs, c.bottom - c.top);
        v->setVisible((params_.Style & WS_VSCROLL) != 0);
    }
    static_cast<TNonClientFrame*>(nonClient_)->Invalidate();
}

HDC AcquireWindowDC(TWinControl* control, int* level) {
    return NonClientAccess::AcquireWindowDC(control, level);
}

bool ReleaseWindowDC(TWinControl* control, HDC dc, int level) {
    return NonClientAccess::ReleaseWindowDC(control, dc, level);
}

void PaintFrameTo(TWinControl* control, HDC dc, int x, int y) {
    NonClientAccess::PaintFrameTo(control, dc, x, y);
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
        const TRect strip =
            dx > 0 ? Rect(area.left, area.top, std::min(area.left + dx, area.right), area.bottom)
                   : Rect(std::max(area.right + dx, area.left), area.top, area.right, area.bottom);
        c->InvalidateRect(&strip, true);
    }
    if (dy != 0) {
        const TRect strip =
            dy > 0 ? Rect(area.left, area.top, area.right, std::min(area.top + dy, area.bottom))
                   : Rect(area.left, std::max(area.bottom + dy, area.top), area.right, area.bottom);
        c->InvalidateRect(&strip, true);
    }
    return TRUE;
}
