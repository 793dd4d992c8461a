// The rules of idle detection and of the hiding place, free of any window call.
#pragma once

#include "settings/shared_state.h"
#include "taskbar/geometry.h"

#include <cstdint>

// The values of the stored hide mode, shown to the user as "1" to "5".
enum HideMethod : int32_t {
    HIDE_POPUP = 0,
    HIDE_CHILD_OF_TOP = 1,
    HIDE_CHILD = 2,
    HIDE_POPUP_IN_CORNER = 3,
    HIDE_MOVE_TO_CORNER = 4,
};

// What keeps the cursor hidden, and where.
enum class HideWindowKind {
    None,       // no window: the cursor is only parked
    Popup,      // pop-up owned by the main window
    ChildOfTop, // child of the top-level ancestor of the window under the cursor
    Child,      // child of the window under the cursor
};

struct HideMethodTraits {
    HideWindowKind window;
    bool atCorner;    // bottom-right pixel of the primary screen instead of the cursor
    bool clearOfBars; // the corner moved clear of right and bottom auto-hide bars
    bool movesCursor; // the cursor is set onto the hiding point
};

// Any value outside 0 to 4 behaves as HIDE_POPUP.
inline HideMethodTraits TraitsOf(int32_t hideMode)
{
    switch (hideMode) {
    case HIDE_CHILD_OF_TOP:
        return {HideWindowKind::ChildOfTop, false, false, false};
    case HIDE_CHILD:
        return {HideWindowKind::Child, false, false, false};
    case HIDE_POPUP_IN_CORNER:
        return {HideWindowKind::Popup, true, false, true};
    case HIDE_MOVE_TO_CORNER:
        return {HideWindowKind::None, true, true, true};
    default:
        return {HideWindowKind::Popup, false, false, false};
    }
}

enum class TickAction {
    Reset, // input came, the cursor is hidden or hiding is off: counting starts over
    // The hidden cursor was moved where no hook saw it (over a program run as
    // administrator): show it, so that the next quiet spell hides it again.
    Unhide,
    Count, // one more quiet tick, not enough yet
    Hide,  // quiet long enough: hide now
};

// One tick of idle counting. `pointerMoved`: the pointer moved since the last
// tick without an event the hook saw, which is mouse activity all the same.
// `idleTicks` is updated in place; the caller records `inputTime` as the last
// seen time after acting on the result.
inline TickAction DecideTick(uint32_t inputTime, uint32_t lastSeenInputTime, bool pointerMoved,
                             bool hidden, bool hideEnabled, int32_t hideSeconds, int32_t& idleTicks)
{
    if (inputTime != lastSeenInputTime || pointerMoved || hidden || !hideEnabled) {
        idleTicks = 0;
        return pointerMoved && hidden ? TickAction::Unhide : TickAction::Reset;
    }
    // Saturates rather than overflows under a huge stored number of seconds.
    if (idleTicks < INT32_MAX)
        ++idleTicks;
    return idleTicks < hideSeconds ? TickAction::Count : TickAction::Hide;
}

// The coordinate just before `value`, kept in range at the lowest value.
inline int32_t OneBefore(int32_t value)
{
    return value > INT32_MIN ? value - 1 : value;
}

inline geo::Point BottomRightPixel(int32_t screenWidth, int32_t screenHeight)
{
    return {OneBefore(screenWidth), OneBefore(screenHeight)};
}

// Moves the point just left of a right bar and just above a bottom bar; a null
// rectangle (no bar, or one that could not be read) leaves that coordinate alone.
inline geo::Point ClearOfBars(geo::Point point, const geo::Rect* rightBar,
                              const geo::Rect* bottomBar)
{
    if (rightBar != nullptr && point.x >= rightBar->left)
        point.x = OneBefore(rightBar->left);
    if (bottomBar != nullptr && point.y >= bottomBar->top)
        point.y = OneBefore(bottomBar->top);
    return point;
}

// The hiding point of `hideMode` on a primary screen of `screenWidth` by
// `screenHeight`: the cursor's place, read by `cursor(point)`, or the screen's
// bottom-right pixel, for the last method clear of the bars that
// `rightBar(rect)` and `bottomBar(rect)` read (false: no bar there, or none
// that could be read). False when the cursor's place could not be read.
template <class Cursor, class RightBar, class BottomBar>
bool HidePoint(int32_t hideMode, int32_t screenWidth, int32_t screenHeight, geo::Point& point,
               Cursor&& cursor, RightBar&& rightBar, BottomBar&& bottomBar)
{
    const HideMethodTraits traits = TraitsOf(hideMode);
    if (!traits.atCorner)
        return cursor(point);
    point = BottomRightPixel(screenWidth, screenHeight);
    if (traits.clearOfBars) {
        geo::Rect right;
        geo::Rect bottom;
        const bool hasRight = rightBar(right);
        const bool hasBottom = bottomBar(bottom);
        point = ClearOfBars(point, hasRight ? &right : nullptr, hasBottom ? &bottom : nullptr);
    }
    return true;
}

// The most GetParent steps taken from the window under the cursor to its top.
constexpr int MAX_PARENT_CLIMB = 16;

// The top-level ancestor of `start` (itself when it has no parent or owner), or
// null when the top lies MAX_PARENT_CLIMB or more steps up.
template <typename Handle, typename ParentOf>
Handle TopLevelAncestor(Handle start, ParentOf parentOf)
{
    Handle current = start;
    for (int step = 0; step < MAX_PARENT_CLIMB; ++step) {
        Handle parent = parentOf(current);
        if (parent == Handle())
            return current;
        current = parent;
    }
    return Handle();
}

// The unhide request, shared by the hook and the dialog: the handle read, the
// flag cleared, the unhide posted to the handle read. A hide that stores its new
// window between that read and the clear still finds the flag set and keeps the
// window, so the handle is read once more after the clear and that window, if
// it is another, gets the unhide too.
template <class Flag, class Slot, class Post>
void RequestUnhideOf(Flag& hidden, Slot& window, Post post)
{
    if (!hidden.load())
        return;
    const auto seen = window.load();
    hidden.store(0);
    if (seen != decltype(seen)())
        post(seen);
    const auto stored = window.load();
    if (stored != decltype(stored)() && stored != seen)
        post(stored);
}
