// What a test asks the X server about a window, kept apart from the system's own names (Xlib's
// clash with them): its bounding shape, where it is, and whether a window manager runs.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace xshape_probe {

struct Rect {
    int X, Y, Width, Height;
};

class Connection {
public:
    explicit Connection(const std::string& display);
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    bool Open() const { return display_ != nullptr; }
    bool WindowManagerRuns() const;
    // The window's corner on the screen.
    std::optional<std::pair<int, int>> Origin(unsigned long window) const;
    std::vector<Rect> BoundingShape(unsigned long window) const;

private:
    void* display_;
};

} // namespace xshape_probe
