// The bump rules: when a mouse event would reach the visible strip of a hidden
// auto-hide bar, the cursor is held just off the strip until the user has pushed
// far enough for long enough. Pure arithmetic, so it can be tested and fuzzed
// without a desktop; the hook does the platform calls that a decision names.
#pragma once

#include "taskbar/geometry.h"

#include <cstdint>
#include <limits>

namespace bump {

// Edges in the shell's order (ABE_LEFT .. ABE_BOTTOM).
enum Edge : int { EDGE_LEFT = 0, EDGE_TOP = 1, EDGE_RIGHT = 2, EDGE_BOTTOM = 3, EDGE_COUNT = 4 };

constexpr int32_t HIDDEN_LIMIT_X = 5;
constexpr int32_t HIDDEN_LIMIT_Y = 3;
constexpr int32_t RELEASE_DISTANCE = 20;

using geo::Desktop;
using geo::MAX_MONITORS;
using geo::Point;
using geo::Rect;

// Per-edge progress of a bump; a zero distance means no bump on that edge.
struct BumpState {
    int32_t pushedDistance[EDGE_COUNT];
    uint32_t bumpStartTime[EDGE_COUNT];
};

// The settings as one event sees them.
struct BumpConfig {
    int32_t bumpStrength;
    uint32_t bumpTime;
    bool indication;
};

// Everything the table says about one edge for one position and bar rectangle.
// The stripe is in screen coordinates: the outermost line of the bar's part on
// the monitor, the one line that every hidden bar leaves on the screen, be its
// strip 2 pixels (Windows 10) or 1 (Windows 11).
struct EdgeGeometry {
    bool hidden;
    bool inStrip;
    int32_t depth;
    Point setBack;
    Rect stripe;
    bool beyondRelease;
};

enum class EdgeAction {
    Nothing,
    GetThrough, // the push has earned its way onto the strip
    SetBack,    // move the cursor to `cursor`, swallow the event
    Release,    // the bump is over
};

struct EdgeDecision {
    EdgeAction action;
    Point cursor; // position for the next edge (the set-back position after SetBack)
    bool paint;   // SetBack: show the stripe over `paintRect`
    Rect paintRect;
};

namespace detail {

// Coordinates come from other processes and from fuzzers: all arithmetic is done
// in 64 bits and narrowed with saturation, so no input overflows.
inline int32_t Saturate(int64_t value)
{
    if (value > std::numeric_limits<int32_t>::max())
        return std::numeric_limits<int32_t>::max();
    if (value < std::numeric_limits<int32_t>::min())
        return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(value);
}

inline Rect MakeRect(int64_t left, int64_t top, int64_t right, int64_t bottom)
{
    return {Saturate(left), Saturate(top), Saturate(right), Saturate(bottom)};
}

} // namespace detail

// Whether the position lies within the monitor along the edge: a strip belongs
// to its own monitor only.
inline bool AlongEdge(Edge edge, Point p, Rect monitor)
{
    if (edge == EDGE_LEFT || edge == EDGE_RIGHT)
        return p.y >= monitor.top && p.y < monitor.bottom;
    return p.x >= monitor.left && p.x < monitor.right;
}

// Positions near the monitor's edge pass; every other position needs no look at
// the bar unless a bump is in progress there.
inline bool PassesPrefilter(Edge edge, Point p, Rect monitor)
{
    if (!AlongEdge(edge, p, monitor))
        return false;
    switch (edge) {
    case EDGE_LEFT:
        return int64_t{p.x} <= int64_t{monitor.left} + HIDDEN_LIMIT_X;
    case EDGE_TOP:
        return int64_t{p.y} <= int64_t{monitor.top} + HIDDEN_LIMIT_Y;
    case EDGE_RIGHT:
        return int64_t{p.x} >= int64_t{monitor.right} - HIDDEN_LIMIT_X;
    default:
        return int64_t{p.y} >= int64_t{monitor.bottom} - HIDDEN_LIMIT_Y;
    }
}

// Whether another monitor goes on past the edge at the position: the pixel just
// beyond the edge lies on it. There the edge is no edge of the desktop.
inline bool DesktopContinues(Edge edge, Point p, const Desktop& desktop, int self)
{
    const Rect m = desktop.monitors[self];
    Point beyond = p;
    switch (edge) {
    case EDGE_LEFT:
        beyond.x = detail::Saturate(int64_t{m.left} - 1);
        break;
    case EDGE_TOP:
        beyond.y = detail::Saturate(int64_t{m.top} - 1);
        break;
    case EDGE_RIGHT:
        beyond.x = m.right;
        break;
    default:
        beyond.y = m.bottom;
        break;
    }
    const int count = desktop.count < MAX_MONITORS ? desktop.count : MAX_MONITORS;
    for (int i = 0; i < count; ++i) {
        if (i != self && geo::Contains(desktop.monitors[i], beyond))
            return true;
    }
    return false;
}

inline EdgeGeometry Geometry(Edge edge, Rect r, Point p, Rect monitor)
{
    using detail::MakeRect;
    using detail::Saturate;
    // The bar's part on the monitor.
    const int64_t left = r.left > monitor.left ? r.left : monitor.left;
    const int64_t top = r.top > monitor.top ? r.top : monitor.top;
    const int64_t right = r.right < monitor.right ? r.right : monitor.right;
    const int64_t bottom = r.bottom < monitor.bottom ? r.bottom : monitor.bottom;
    const int64_t x = p.x;
    const int64_t y = p.y;
    EdgeGeometry g = {};
    switch (edge) {
    case EDGE_LEFT:
        g.hidden = int64_t{r.right} - monitor.left < HIDDEN_LIMIT_X;
        g.inStrip = x < r.right;
        g.depth = Saturate(r.right - x);
        g.setBack = {r.right, p.y};
        g.stripe = MakeRect(left, top, left + 1, bottom);
        g.beyondRelease = x > int64_t{r.right} + RELEASE_DISTANCE;
        break;
    case EDGE_TOP:
        g.hidden = int64_t{r.bottom} - monitor.top < HIDDEN_LIMIT_Y;
        g.inStrip = y < r.bottom;
        g.depth = Saturate(r.bottom - y);
        g.setBack = {p.x, r.bottom};
        g.stripe = MakeRect(left, top, right, top + 1);
        g.beyondRelease = y > int64_t{r.bottom} + RELEASE_DISTANCE;
        break;
    case EDGE_RIGHT:
        g.hidden = int64_t{monitor.right} - r.left < HIDDEN_LIMIT_X;
        g.inStrip = x >= r.left;
        g.depth = Saturate(x - r.left + 1);
        g.setBack = {Saturate(int64_t{r.left} - 1), p.y};
        g.stripe = MakeRect(right - 1, top, right, bottom);
        g.beyondRelease = x < int64_t{r.left} - RELEASE_DISTANCE;
        break;
    default:
        g.hidden = int64_t{monitor.bottom} - r.top < HIDDEN_LIMIT_Y;
        g.inStrip = y >= r.top;
        g.depth = Saturate(y - r.top + 1);
        g.setBack = {p.x, Saturate(int64_t{r.top} - 1)};
        g.stripe = MakeRect(left, bottom - 1, right, bottom);
        g.beyondRelease = y < int64_t{r.top} - RELEASE_DISTANCE;
        break;
    }
    g.inStrip = g.inStrip && AlongEdge(edge, p, monitor);
    return g;
}

// Whether the position touches the strip that the bar leaves hidden.
inline bool OnHiddenStrip(Edge edge, Rect bar, Point p, Rect monitor)
{
    const EdgeGeometry g = Geometry(edge, bar, p, monitor);
    return g.hidden && g.inStrip;
}

// Distance reached and time elapsed; the elapsed time is taken modulo 2^32, so
// it stays right across the wrap of the event clock.
inline bool PushGetsThrough(int32_t pushed, uint32_t startTime, uint32_t time, BumpConfig config)
{
    return pushed >= config.bumpStrength
           && static_cast<uint32_t>(time - startTime) >= config.bumpTime;
}

// A long push with a large strength must not wrap the distance to a negative
// number, which would restart the bump.
inline int32_t AddDepth(int32_t pushed, int32_t depth)
{
    return detail::Saturate(int64_t{pushed} + depth);
}

// Whether the edge needs its bar's rectangle for this event. Cheap enough for
// every event: far from the edges it touches no window. `onMonitor`: the
// position lies on the edge's monitor, or on none at all.
inline bool WantsBar(Edge edge, const BumpState& state, Point p, Rect monitor, bool onMonitor,
                     BumpConfig config)
{
    if (state.pushedDistance[edge] == 0 && !(onMonitor && PassesPrefilter(edge, p, monitor)))
        return false;
    return config.bumpStrength > 0;
}

// Whether the position is near any edge of the monitor or a bump is in progress
// there: the quick test that lets most events pass a monitor without looking at
// its edges one by one.
inline bool NeedsEdges(const BumpState& state, Point p, Rect monitor, bool onMonitor)
{
    const int32_t* pushed = state.pushedDistance;
    if ((pushed[0] | pushed[1] | pushed[2] | pushed[3]) != 0)
        return true;
    for (int e = EDGE_LEFT; onMonitor && e < EDGE_COUNT; ++e) {
        if (PassesPrefilter(static_cast<Edge>(e), p, monitor))
            return true;
    }
    return false;
}

// One edge of one event, given the bar's rectangle; updates the edge's state.
// `holds`: the position lies on the edge's monitor and no other monitor goes on
// past the edge there, so the strip is held at that position.
inline EdgeDecision DecideEdge(Edge edge, Rect bar, Point p, Rect monitor, bool holds,
                               uint32_t time, BumpConfig config, BumpState& state)
{
    EdgeDecision d = {EdgeAction::Nothing, p, false, {0, 0, 0, 0}};
    const EdgeGeometry g = Geometry(edge, bar, p, monitor);
    int32_t& pushed = state.pushedDistance[edge];
    uint32_t& startTime = state.bumpStartTime[edge];

    if (g.hidden && g.inStrip && holds) {
        const int32_t old = pushed;
        if (old == 0)
            startTime = time;
        if (PushGetsThrough(old, startTime, time, config)) {
            d.action = EdgeAction::GetThrough;
            return d;
        }
        pushed = AddDepth(old, g.depth);
        d.action = EdgeAction::SetBack;
        d.cursor = g.setBack;
        d.paint = config.indication && old == 0;
        d.paintRect = g.stripe;
        return d;
    }
    if (g.beyondRelease && g.hidden && pushed != 0) {
        pushed = 0;
        d.action = EdgeAction::Release;
    }
    return d;
}

// One event: the monitors in order, on each the edges left, top, right, bottom,
// each seeing the position that an earlier edge set back. A monitor's edges hold
// only positions on that monitor (or off every monitor); a bump in progress is
// examined wherever the position lies, so that it can end. `states` holds one
// BumpState per monitor. `barRect(monitor, edge, rect)` fills the bar's
// rectangle and returns false when the edge has no bar to hold;
// `reaches(monitor, position)` tells whether the mouse would reach a bar of the
// monitor there, asked only where the position touches a hidden strip that
// would be held; `act(monitor, edge, decision)` does the platform work. Returns
// 1 when the event is to be swallowed.
template <class BarRect, class Reaches, class Act>
int BumpEvent(Point p, const Desktop& desktop, uint32_t time, BumpConfig config, BumpState* states,
              BarRect&& barRect, Reaches&& reaches, Act&& act)
{
    int swallow = 0;
    int home = geo::MonitorOf(p, desktop);
    const int count = desktop.count < MAX_MONITORS ? desktop.count : MAX_MONITORS;
    for (int m = 0; m < count; ++m) {
        const Rect monitor = desktop.monitors[m];
        BumpState& state = states[m];
        if (!NeedsEdges(state, p, monitor, home == m || home < 0))
            continue;
        for (int e = EDGE_LEFT; e < EDGE_COUNT; ++e) {
            const auto edge = static_cast<Edge>(e);
            const bool onMonitor = home == m || home < 0;
            if (!WantsBar(edge, state, p, monitor, onMonitor, config))
                continue;
            // Free passage to the next monitor needs no look at the bar either.
            const bool desktopEnds = !DesktopContinues(edge, p, desktop, m);
            if (!desktopEnds && state.pushedDistance[edge] == 0)
                continue;
            Rect bar;
            if (!barRect(m, edge, bar))
                continue;
            // A bar slides in only where the mouse reaches it.
            bool holds = onMonitor && desktopEnds;
            if (holds && OnHiddenStrip(edge, bar, p, monitor))
                holds = reaches(m, p);
            const EdgeDecision d = DecideEdge(edge, bar, p, monitor, holds, time, config, state);
            if (d.action == EdgeAction::SetBack) {
                p = d.cursor;
                swallow = 1;
                home = geo::MonitorOf(p, desktop);
            }
            act(m, edge, d);
        }
    }
    return swallow;
}

} // namespace bump
