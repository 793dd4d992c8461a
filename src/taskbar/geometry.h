// The desktop's geometry as every rule sees it: points, rectangles and the
// monitors, in desktop coordinates. Free of any platform header, so that the
// rules can be tested and fuzzed on any host.
#pragma once

#include <cstdint>

namespace geo {

struct Point {
    int32_t x;
    int32_t y;
};

// Left and top inclusive, right and bottom exclusive.
struct Rect {
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
};

// The most monitors the desktop is judged by; more are not protected.
constexpr int MAX_MONITORS = 16;

// The monitors as one event sees them, the primary first.
struct Desktop {
    int32_t count;
    Rect monitors[MAX_MONITORS];
};

inline bool Contains(Rect r, Point p)
{
    return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

// The monitor that the position lies on, the first of overlapping ones; -1 when
// it lies on none.
inline int MonitorOf(Point p, const Desktop& desktop)
{
    const int count = desktop.count < MAX_MONITORS ? desktop.count : MAX_MONITORS;
    for (int m = 0; m < count; ++m) {
        if (Contains(desktop.monitors[m], p))
            return m;
    }
    return -1;
}

} // namespace geo
