// The bump rules see every mouse event of the desktop, bar rectangles of other
// programs and whatever words the registry holds. A stream of events, bar moves,
// vanished bars and settings changes must keep the state sound; the checks below
// work from the geometry alone, in 64 bits, not from the rules' own helpers.
#include "taskbar/bump_rules.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

using namespace bump;

// The one monitor, at the desktop's origin.
struct Screen {
    int32_t cx;
    int32_t cy;
};

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

bool NearEdge(Edge edge, Point p, Screen s)
{
    switch (edge) {
    case EDGE_LEFT:
        return p.x <= 5;
    case EDGE_TOP:
        return p.y <= 3;
    case EDGE_RIGHT:
        return int64_t{p.x} >= int64_t{s.cx} - 5;
    default:
        return int64_t{p.y} >= int64_t{s.cy} - 3;
    }
}

// The bar lies off the screen but for a strip of a few pixels.
bool Hidden(Edge edge, Rect r, Screen s)
{
    switch (edge) {
    case EDGE_LEFT:
        return r.right < 5;
    case EDGE_TOP:
        return r.bottom < 3;
    case EDGE_RIGHT:
        return int64_t{s.cx} - r.left < 5;
    default:
        return int64_t{s.cy} - r.top < 3;
    }
}

bool OnBar(Edge edge, Rect r, Point p)
{
    switch (edge) {
    case EDGE_LEFT:
        return p.x < r.right;
    case EDGE_TOP:
        return p.y < r.bottom;
    case EDGE_RIGHT:
        return p.x >= r.left;
    default:
        return p.y >= r.top;
    }
}

// The position lies within the screen's span along the edge.
bool AlongScreen(Edge edge, Point p, Screen s)
{
    if (edge == EDGE_LEFT || edge == EDGE_RIGHT)
        return p.y >= 0 && p.y < s.cy;
    return p.x >= 0 && p.x < s.cx;
}

// The position lies on the screen, or on no monitor at all: the screen's edges hold it.
bool Home(Point p, Screen s, const Rect* other)
{
    const bool onScreen = p.x >= 0 && p.x < s.cx && p.y >= 0 && p.y < s.cy;
    const bool onOther = other != nullptr && p.x >= other->left && p.x < other->right
                         && p.y >= other->top && p.y < other->bottom;
    return onScreen || !onOther;
}

// Another monitor goes on just past the edge at the position.
bool DesktopGoesOn(Edge edge, Point p, Screen s, const Rect* other)
{
    if (other == nullptr)
        return false;
    int64_t x = p.x;
    int64_t y = p.y;
    switch (edge) {
    case EDGE_LEFT:
        x = -1;
        break;
    case EDGE_TOP:
        y = -1;
        break;
    case EDGE_RIGHT:
        x = s.cx;
        break;
    default:
        y = s.cy;
        break;
    }
    return x >= other->left && x < other->right && y >= other->top && y < other->bottom;
}

// More than 20 pixels beyond the bar's inner edge, towards the middle.
bool PastReleaseLine(Edge edge, Rect r, Point p)
{
    switch (edge) {
    case EDGE_LEFT:
        return int64_t{p.x} > int64_t{r.right} + 20;
    case EDGE_TOP:
        return int64_t{p.y} > int64_t{r.bottom} + 20;
    case EDGE_RIGHT:
        return int64_t{p.x} < int64_t{r.left} - 20;
    default:
        return int64_t{p.y} < int64_t{r.top} - 20;
    }
}

// Mostly bars that sit where a shell puts them (hidden or shown), sometimes any
// rectangle at all, as a window of another program may report.
Rect MakeBar(FuzzedDataProvider& in, Edge edge, Screen s)
{
    if (in.ConsumeBool())
        return {in.ConsumeIntegral<int32_t>(), in.ConsumeIntegral<int32_t>(),
                in.ConsumeIntegral<int32_t>(), in.ConsumeIntegral<int32_t>()};
    const int32_t visible = in.ConsumeIntegralInRange<int32_t>(0, 40);
    const int32_t thickness = in.ConsumeIntegralInRange<int32_t>(1, 200);
    const int64_t cx = s.cx;
    const int64_t cy = s.cy;
    switch (edge) {
    case EDGE_LEFT:
        return detail::MakeRect(visible - thickness, 0, visible, cy);
    case EDGE_TOP:
        return detail::MakeRect(0, visible - thickness, cx, visible);
    case EDGE_RIGHT:
        return detail::MakeRect(cx - visible, 0, cx - visible + thickness, cy);
    default:
        return detail::MakeRect(0, cy - visible, cx, cy - visible + thickness);
    }
}

// Positions cluster at the edges and corners, where the rules have work to do.
Point MakePoint(FuzzedDataProvider& in, Screen s)
{
    const auto near = [&in](int32_t at) {
        return detail::Saturate(int64_t{at} + in.ConsumeIntegralInRange<int32_t>(-30, 30));
    };
    switch (in.ConsumeIntegralInRange<int>(0, 3)) {
    case 0:
        return {in.ConsumeIntegral<int32_t>(), in.ConsumeIntegral<int32_t>()};
    case 1:
        return {near(in.ConsumeBool() ? 0 : s.cx), in.ConsumeIntegralInRange<int32_t>(0, s.cy)};
    case 2:
        return {in.ConsumeIntegralInRange<int32_t>(0, s.cx), near(in.ConsumeBool() ? 0 : s.cy)};
    default:
        return {near(in.ConsumeBool() ? 0 : s.cx), near(in.ConsumeBool() ? 0 : s.cy)};
    }
}

// The settings as the hook snapshots them from the stored words.
BumpConfig MakeConfig(FuzzedDataProvider& in)
{
    const uint32_t strength = in.ConsumeBool() ? in.ConsumeIntegralInRange<uint32_t>(0, 200)
                                               : in.ConsumeIntegral<uint32_t>();
    const uint32_t time = in.ConsumeBool() ? in.ConsumeIntegralInRange<uint32_t>(0, 999)
                                           : in.ConsumeIntegral<uint32_t>();
    const uint32_t color = in.ConsumeIntegral<uint32_t>();
    return {static_cast<int32_t>(strength), time, (color & 0x80000000u) == 0};
}

struct Bars {
    bool present[EDGE_COUNT];
    bool gone[EDGE_COUNT]; // the window was destroyed after the table was read
    Rect rect[EDGE_COUNT];
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider in(data, size);
    // The system reports sizes of 0 and up.
    Screen screen = {in.ConsumeIntegralInRange<int32_t>(0, INT32_MAX),
                     in.ConsumeIntegralInRange<int32_t>(0, INT32_MAX)};
    if (in.ConsumeBool())
        screen = {in.ConsumeIntegralInRange<int32_t>(320, 8192),
                  in.ConsumeIntegralInRange<int32_t>(200, 8192)};
    BumpConfig config = MakeConfig(in);
    Bars bars = {};
    for (int e = 0; e < EDGE_COUNT; ++e) {
        bars.present[e] = in.ConsumeBool();
        bars.rect[e] = MakeBar(in, static_cast<Edge>(e), screen);
    }
    BumpState states[MAX_MONITORS] = {};
    BumpState& state = states[0];
    uint32_t time = in.ConsumeIntegral<uint32_t>();
    // Mostly one monitor; sometimes a second one anywhere, often beside the first,
    // without bars of its own.
    Desktop desktop = {};
    desktop.count = 1;
    desktop.monitors[0] = {0, 0, screen.cx, screen.cy};
    if (in.ConsumeBool()) {
        desktop.count = 2;
        desktop.monitors[1] =
            in.ConsumeBool()
                ? detail::MakeRect(screen.cx, in.ConsumeIntegralInRange<int32_t>(-100, 100),
                                   int64_t{screen.cx} + 800, 600)
                : Rect{in.ConsumeIntegral<int32_t>(), in.ConsumeIntegral<int32_t>(),
                       in.ConsumeIntegral<int32_t>(), in.ConsumeIntegral<int32_t>()};
    }
    const Rect* other = desktop.count == 2 ? &desktop.monitors[1] : nullptr;

    while (in.remaining_bytes() > 0) {
        switch (in.ConsumeIntegralInRange<int>(0, 9)) {
        case 0: { // the table is rewritten: a bar comes, moves or goes
            const auto edge = static_cast<Edge>(in.ConsumeIntegralInRange<int>(0, 3));
            bars.present[edge] = in.ConsumeBool();
            bars.gone[edge] = false;
            bars.rect[edge] = MakeBar(in, edge, screen);
            continue;
        }
        case 1:
            bars.gone[in.ConsumeIntegralInRange<int>(0, 3)] = true;
            continue;
        case 2: // the dialog writes the settings
            config = MakeConfig(in);
            continue;
        default:
            break;
        }

        time += in.ConsumeBool() ? in.ConsumeIntegralInRange<uint32_t>(0, 50)
                                 : in.ConsumeIntegral<uint32_t>();
        const Point start = MakePoint(in, screen);
        const BumpState before = state;
        Point at = start;
        bool asked[EDGE_COUNT] = {};
        bool setBack = false;
        int lastEdge = -1;
        // The answer to the last look at the windows, and where it was asked.
        bool looked = false;
        bool reached = false;
        Point lookedAt = {};

        const auto barRect = [&](int monitor, Edge edge, Rect& rect) {
            if (monitor != 0)
                return false;
            // Far from this edge with no bump on it: its bar is none of our business.
            Check(before.pushedDistance[edge] != 0 || NearEdge(edge, at, screen));
            Check(config.bumpStrength > 0);
            Check(!asked[edge] && static_cast<int>(edge) > lastEdge);
            asked[edge] = true;
            lastEdge = edge;
            if (!bars.present[edge] || bars.gone[edge])
                return false;
            rect = bars.rect[edge];
            return true;
        };
        // Whatever the windows are, the mouse reaches a bar or another window.
        const auto reaches = [&](int monitor, Point p) {
            Check(monitor == 0 && p.x == at.x && p.y == at.y);
            looked = true;
            lookedAt = p;
            reached = in.ConsumeBool();
            return reached;
        };
        const auto act = [&](int, Edge edge, const EdgeDecision& d) {
            Check(asked[edge] && bars.present[edge] && !bars.gone[edge]);
            // Asked exactly where the position touches the hidden strip that would be held.
            const bool touches = Hidden(edge, bars.rect[edge], screen)
                                 && OnBar(edge, bars.rect[edge], at)
                                 && AlongScreen(edge, at, screen) && Home(at, screen, other)
                                 && !DesktopGoesOn(edge, at, screen, other);
            Check(looked == touches);
            Check(!looked || (lookedAt.x == at.x && lookedAt.y == at.y));
            const bool held = looked && reached;
            looked = false;
            const Rect r = bars.rect[edge];
            const bool hidden = Hidden(edge, r, screen);
            const int32_t old = before.pushedDistance[edge];
            const int32_t now = state.pushedDistance[edge];
            switch (d.action) {
            case EdgeAction::SetBack:
                Check(held);
                Check(!OnBar(edge, r, d.cursor));
                // Only the edge's own coordinate moves.
                Check(edge == EDGE_LEFT || edge == EDGE_RIGHT ? d.cursor.y == at.y
                                                              : d.cursor.x == at.x);
                Check(now > old || now == INT32_MAX);
                Check(d.paint == (config.indication && old == 0));
                if (old == 0)
                    Check(state.bumpStartTime[edge] == time);
                else
                    Check(state.bumpStartTime[edge] == before.bumpStartTime[edge]);
                at = d.cursor;
                setBack = true;
                break;
            case EdgeAction::GetThrough:
                Check(hidden && OnBar(edge, r, at));
                Check(old != 0 && old >= config.bumpStrength);
                Check(static_cast<uint32_t>(time - before.bumpStartTime[edge]) >= config.bumpTime);
                Check(now == old && state.bumpStartTime[edge] == before.bumpStartTime[edge]);
                break;
            case EdgeAction::Release:
                Check(hidden && old != 0 && now == 0);
                Check(PastReleaseLine(edge, r, at));
                Check(!d.paint);
                break;
            case EdgeAction::Nothing:
                // The first contact with a hidden bar's strip is always held, and
                // a bump is over once the cursor is well clear of its hidden bar.
                Check(!(held && old == 0));
                Check(!(hidden && PastReleaseLine(edge, r, at) && old != 0));
                Check(now == old);
                break;
            }
        };

        const int swallow = BumpEvent(start, desktop, time, config, states, barRect, reaches, act);
        Check(swallow == (setBack ? 1 : 0));
        for (int e = 0; e < EDGE_COUNT; ++e) {
            Check(state.pushedDistance[e] >= 0);
            if (!asked[e])
                Check(state.pushedDistance[e] == before.pushedDistance[e]
                      && state.bumpStartTime[e] == before.bumpStartTime[e]);
        }
    }
    return 0;
}
