#include "platform/ui/WindowShape.h"

#include "platform/ui/Forms.h"
#include "platform/ui/Widgets_p.h"

#include <QRegion>
#include <QWidget>

#include <map>
#include <vector>

namespace {

std::map<HWND, HRGN>& Regions() {
    static auto* regions = new std::map<HWND, HRGN>;
    return *regions;
}

QRegion ToQRegion(HRGN rgn, int dx, int dy) {
    const DWORD size = GetRegionData(rgn, 0, nullptr);
    if (size < sizeof(RGNDATAHEADER)) return {};
    std::vector<char> block(size);
    auto* data = reinterpret_cast<RGNDATA*>(block.data());
    if (GetRegionData(rgn, size, data) != size) return {};
    const auto* rects = reinterpret_cast<const RECT*>(block.data() + data->rdh.dwSize);
    std::vector<QRect> parts;
    parts.reserve(data->rdh.nCount);
    for (DWORD i = 0; i < data->rdh.nCount; ++i) {
        const RECT& r = rects[i];
        parts.emplace_back(r.left + dx, r.top + dy, r.right - r.left, r.bottom - r.top);
    }
    QRegion result;
    result.setRects(parts.data(), static_cast<int>(parts.size()));
    return result;
}

// Shapes the window's outermost widget (a form's own window; a control's frame with its border and
// scroll bars, which the region's window coordinates start from) by rgn, or unshapes it.
void ApplyMask(TWinControl* control, HRGN rgn) {
    QWidget* shaped = WidgetAccess::Outer(control);
    TPoint origin;
    if (auto* form = dynamic_cast<TCustomForm*>(control)) origin = FormAccess::FrameOrigin(form);
    if (!shaped) return;
    if (rgn) {
        // What lies over the window manager's frame has no window to shape.
        QRegion mask = ToQRegion(rgn, -origin.X, -origin.Y) & QRect(0, 0, QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        // The toolkit takes an empty mask for none: a window with nothing of its region inside it
        // is shaped to a pixel beside itself, so that nothing of it shows or takes the mouse.
        if (mask.isEmpty()) mask = QRegion(-1, -1, 1, 1);
        shaped->setMask(mask);
    } else {
        shaped->clearMask();
    }
}

} // namespace

int SetWindowRgn(HWND wnd, HRGN rgn, BOOL redraw) {
    TWinControl* control = FindControl(wnd);
    if (!control) return 0;
    ApplyMask(control, rgn);
    HRGN& kept = Regions()[wnd];
    if (kept && kept != rgn) DeleteObject(kept);
    kept = rgn;
    if (!rgn) Regions().erase(wnd);
    if (redraw) control->InvalidateRect(nullptr, true);
    return 1;
}

int GetWindowRgn(HWND wnd, HRGN rgn) {
    auto it = Regions().find(wnd);
    if (it == Regions().end() || !rgn) return ERROR;
    return CombineRgn(rgn, it->second, nullptr, RGN_COPY);
}

void ReapplyWindowRgn(HWND wnd) {
    auto it = Regions().find(wnd);
    TWinControl* control = FindControl(wnd);
    if (it != Regions().end() && control) ApplyMask(control, it->second);
}

void ForgetWindowRgn(HWND wnd) {
    auto it = Regions().find(wnd);
    if (it == Regions().end()) return;
    DeleteObject(it->second);
    Regions().erase(it);
}
