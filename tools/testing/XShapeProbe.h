// What a test asks the X server about windows and the screen, kept apart from the system's own
// names (Xlib's clash with them): a window's bounding shape, where it is, whether it shows, the
// frame the window manager put around it, a window found by its name, the colour of a screen
// pixel, and the desktop's colour. Built into a
// test with vx_use_x_probe (VX_HAVE_XSHAPE is defined then).
#pragma once

#include "tools/testing/RealDisplay.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace xshape_probe {

struct Rect {
    int X, Y, Width, Height;
};

// The window manager's frame on each side of a window.
struct Extents {
    int Left, Right, Top, Bottom;
};

class Connection {
public:
    explicit Connection(const std::string& display);
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    bool Open() const { return display_ != nullptr; }
    bool WindowManagerRuns() const;
    // Whether a window mapped now is taken into a window manager's frame within the time. A
    // manager still starting after it announced itself (openbox) drops the requests to map
    // windows: the window asks again until one is handled.
    bool WindowManagerFrames(int timeoutMs) const;
    // The window's corner on the screen.
    std::optional<std::pair<int, int>> Origin(unsigned long window) const;
    // The window's size, without any frame.
    std::optional<std::pair<int, int>> Size(unsigned long window) const;
    std::vector<Rect> BoundingShape(unsigned long window) const;
    // The frame the window manager put around the window (_NET_FRAME_EXTENTS); empty before it did.
    std::optional<Extents> FrameExtents(unsigned long window) const;
    // Where the window's corner went once it left from, looked at for at most seconds; empty when
    // it stayed.
    std::optional<std::pair<int, int>> MovedFrom(unsigned long window, std::pair<int, int> from,
                                                 int seconds) const;
    // The first mapped and viewable window named name, searched through the whole tree (a window
    // manager puts clients into frames of its own); 0 for none.
    unsigned long FindWindow(const std::string& name) const;
    // The screen's pixel as a COLORREF (0x00BBGGRR), empty outside the screen.
    std::optional<std::uint32_t> ScreenPixel(int x, int y) const;
    // Paints the root window (the desktop) in the colour, given as 0x00BBGGRR.
    void SetDesktopColor(std::uint32_t color) const;

private:
    void* display_;
};

// Starts openbox on the display and waits until it runs (at most 15 seconds).
inline bool StartOpenbox(const Connection& x, const std::string& display, const std::string& logPath,
                         testing_display::TChild& wm) {
    using namespace testing_display;
    wm.Pid = Spawn(FindProgram("openbox"), {"--sm-disable"}, {"DISPLAY=" + display}, "", logPath);
    if (wm.Pid <= 0) return false;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    while (!x.WindowManagerRuns() && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    return x.WindowManagerRuns() && x.WindowManagerFrames(10000);
}

} // namespace xshape_probe
