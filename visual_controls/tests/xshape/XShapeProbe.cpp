#include "visual_controls/tests/xshape/XShapeProbe.h"

#include <X11/Xlib.h>
#include <X11/extensions/shape.h>

namespace xshape_probe {

namespace {
Display* D(void* p) {
    return static_cast<Display*>(p);
}
} // namespace

Connection::Connection(const std::string& display) : display_(XOpenDisplay(display.c_str())) {}

Connection::~Connection() {
    if (display_) XCloseDisplay(D(display_));
}

bool Connection::WindowManagerRuns() const {
    Display* d = D(display_);
    const Atom check = XInternAtom(d, "_NET_SUPPORTING_WM_CHECK", True);
    if (check == None) return false;
    Atom type = 0;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char* data = nullptr;
    const bool found = XGetWindowProperty(d, DefaultRootWindow(d), check, 0, 1, False, AnyPropertyType, &type,
                                          &format, &items, &after, &data) == Success &&
                       items > 0;
    if (data) XFree(data);
    return found;
}

std::optional<std::pair<int, int>> Connection::Origin(unsigned long window) const {
    Display* d = D(display_);
    int x = 0, y = 0;
    Window child = 0;
    if (!XTranslateCoordinates(d, window, DefaultRootWindow(d), 0, 0, &x, &y, &child)) return std::nullopt;
    return std::make_pair(x, y);
}

std::vector<Rect> Connection::BoundingShape(unsigned long window) const {
    int count = 0, ordering = 0;
    XRectangle* rects = XShapeGetRectangles(D(display_), window, ShapeBounding, &count, &ordering);
    std::vector<Rect> result;
    for (int i = 0; i < count; ++i)
        result.push_back(Rect{rects[i].x, rects[i].y, rects[i].width, rects[i].height});
    if (rects) XFree(rects);
    return result;
}

} // namespace xshape_probe
