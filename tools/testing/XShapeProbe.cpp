#include "tools/testing/XShapeProbe.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/shape.h>

#include <chrono>
#include <thread>

namespace xshape_probe {

namespace {
Display* D(void* p) {
    return static_cast<Display*>(p);
}

unsigned long FindIn(Display* d, Window w, const std::string& name) {
    char* found = nullptr;
    if (XFetchName(d, w, &found) && found) {
        const bool same = name == found;
        XFree(found);
        XWindowAttributes a;
        if (same && XGetWindowAttributes(d, w, &a) && a.map_state == IsViewable) return w;
    }
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(d, w, &root, &parent, &children, &count)) return 0;
    unsigned long result = 0;
    // Topmost first.
    for (unsigned int i = count; i-- > 0 && !result;) result = FindIn(d, children[i], name);
    if (children) XFree(children);
    return result;
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

bool Connection::WindowManagerFrames(int timeoutMs) const {
    Display* d = D(display_);
    const Window root = DefaultRootWindow(d);
    const Window w = XCreateSimpleWindow(d, root, 0, 0, 10, 10, 0, 0, 0);
    bool framed = false;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (int pass = 0; !framed && std::chrono::steady_clock::now() < end; ++pass) {
        if (pass % 25 == 0) {
            XMapWindow(d, w);
            XSync(d, False);
        }
        Window top = 0, parent = 0;
        Window* children = nullptr;
        unsigned int count = 0;
        if (XQueryTree(d, w, &top, &parent, &children, &count)) framed = parent != root;
        if (children) XFree(children);
        if (!framed) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    XDestroyWindow(d, w);
    XSync(d, False);
    return framed;
}

std::optional<std::pair<int, int>> Connection::Origin(unsigned long window) const {
    Display* d = D(display_);
    int x = 0, y = 0;
    Window child = 0;
    if (!XTranslateCoordinates(d, window, DefaultRootWindow(d), 0, 0, &x, &y, &child)) return std::nullopt;
    return std::make_pair(x, y);
}

std::optional<std::pair<int, int>> Connection::Size(unsigned long window) const {
    XWindowAttributes a;
    if (!XGetWindowAttributes(D(display_), window, &a)) return std::nullopt;
    return std::make_pair(a.width, a.height);
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

std::optional<Extents> Connection::FrameExtents(unsigned long window) const {
    Display* d = D(display_);
    const Atom extents = XInternAtom(d, "_NET_FRAME_EXTENTS", True);
    if (extents == None) return std::nullopt;
    Atom type = 0;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char* data = nullptr;
    std::optional<Extents> result;
    if (XGetWindowProperty(d, window, extents, 0, 4, False, XA_CARDINAL, &type, &format, &items, &after,
                           &data) == Success &&
        data && format == 32 && items == 4) {
        // Format 32 comes as longs.
        const auto* v = reinterpret_cast<const long*>(data);
        result = Extents{static_cast<int>(v[0]), static_cast<int>(v[1]), static_cast<int>(v[2]),
                         static_cast<int>(v[3])};
    }
    if (data) XFree(data);
    return result;
}

std::optional<std::pair<int, int>> Connection::MovedFrom(unsigned long window, std::pair<int, int> from,
                                                         int seconds) const {
    std::optional<std::pair<int, int>> now;
    const bool moved = testing_display::WaitUntil(
        [&] {
            now = Origin(window);
            return now && *now != from;
        },
        seconds);
    if (!moved) return std::nullopt;
    return now;
}

unsigned long Connection::FindWindow(const std::string& name) const {
    Display* d = D(display_);
    return FindIn(d, DefaultRootWindow(d), name);
}

std::optional<std::uint32_t> Connection::ScreenPixel(int x, int y) const {
    Display* d = D(display_);
    const int screen = DefaultScreen(d);
    if (x < 0 || y < 0 || x >= DisplayWidth(d, screen) || y >= DisplayHeight(d, screen)) return std::nullopt;
    XImage* image = XGetImage(d, DefaultRootWindow(d), x, y, 1, 1, AllPlanes, ZPixmap);
    if (!image) return std::nullopt;
    XColor c;
    c.pixel = XGetPixel(image, 0, 0);
    XDestroyImage(image);
    XQueryColor(d, DefaultColormap(d, screen), &c);
    return static_cast<std::uint32_t>((c.red >> 8) | (c.green >> 8) << 8 | (c.blue >> 8) << 16);
}

void Connection::SetDesktopColor(std::uint32_t color) const {
    Display* d = D(display_);
    const int screen = DefaultScreen(d);
    XColor c;
    c.red = static_cast<unsigned short>((color & 0xFF) * 257);
    c.green = static_cast<unsigned short>((color >> 8 & 0xFF) * 257);
    c.blue = static_cast<unsigned short>((color >> 16 & 0xFF) * 257);
    c.flags = DoRed | DoGreen | DoBlue;
    if (!XAllocColor(d, DefaultColormap(d, screen), &c)) return;
    XSetWindowBackground(d, DefaultRootWindow(d), c.pixel);
    XClearWindow(d, DefaultRootWindow(d));
    XSync(d, False);
}

} // namespace xshape_probe
