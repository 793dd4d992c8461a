// Whether the mouse reaches a bar. A hidden bar slides in when the mouse reaches
// its strip, whatever its topmost flag says: a bar that the shell left out of the
// topmost band still slides in where no window covers the strip, and a topmost
// bar under a topmost window does not. So a strip is held exactly where the
// window that the mouse would reach at the event's point is a bar. Free of any
// window call: the hook hands in the facts of the windows it looks at.
#pragma once

namespace reach {

// One top-level window as the mouse meets it at a point.
struct WindowFacts {
    bool visible;
    bool holdsPoint;   // its rectangle holds the point
    bool clickThrough; // layered and transparent: the mouse passes through it
    bool own;          // this program's: the stripe, the hide window, the dialog
};

// The mouse stops at a visible window under the point, unless it lets the mouse
// through. The program's own windows do not count: the stripe lets it through,
// and the hide window goes with the very event that finds it.
inline bool TakesTheMouse(const WindowFacts& w)
{
    return w.visible && w.holdsPoint && !w.clickThrough && !w.own;
}

// The most windows a walk down the z-order looks at; a longer walk tells nothing.
constexpr int MAX_WINDOWS_PASSED = 2000;

// The top-level window that the mouse reaches; `known` false when the walk could
// not tell.
template <class Handle>
struct Reached {
    Handle window;
    bool known;
};

// From `start`, the top-level window that the system's hit test found at the
// point, the window that takes the mouse. The hit test found it visible, holding
// the point and not click-through, so it is only asked whether it is this
// program's; below one of the program's own the walk goes on down the z-order
// (`next`) to the first window that takes the mouse. No start (the hit test
// failed) and a walk past the limit tell nothing; a walk that runs off the
// bottom of the z-order found no window there.
template <class Handle, class IsOwn, class Next, class Facts>
Reached<Handle> FirstTaker(Handle start, IsOwn isOwn, Next next, Facts facts)
{
    if (start == Handle())
        return {Handle(), false};
    if (!isOwn(start))
        return {start, true};
    Handle window = next(start);
    for (int passed = 0; window != Handle(); ++passed) {
        if (passed >= MAX_WINDOWS_PASSED)
            return {Handle(), false};
        if (TakesTheMouse(facts(window)))
            return {window, true};
        window = next(window);
    }
    return {Handle(), true};
}

// Whether a bar whose strip holds the point is reached there: the window reached
// is any bar of the bar's monitor. At a corner where two strips overlap the mouse
// reaches the bar on top; holding that one sets the pointer back onto the other
// bar's strip, which it then reaches, so the corner holds both. A walk that could
// not tell holds, as the strip was held before it asked.
template <class Handle>
bool BarReached(const Reached<Handle>& reached, const Handle* monitorBars, int count)
{
    if (!reached.known)
        return true;
    for (int i = 0; i < count; ++i) {
        if (reached.window != Handle() && monitorBars[i] == reached.window)
            return true;
    }
    return false;
}

} // namespace reach
