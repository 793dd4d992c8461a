// The idle decision of one tick with its hand-over to the hook: when the cursor
// has been still long enough it is hidden, and a mouse event that comes while
// that happens ends the hide at once. The platform's part is passed in, so
// that the thread-safety checks run this very path with stand-ins for windows.
#pragma once

#include "hide/idle_rules.h"
#include "settings/shared_state.h"
#include "taskbar/geometry.h"

#include <cstdint>

// The main thread's count of quiet ticks.
struct IdleCount {
    uint32_t lastSeenInputTime; // the hook's last event time at the previous tick
    int32_t idleTicks;          // quiet ticks in a row
};

// `platform` does the work that needs the system:
//   RequestUnhide()              the unhide request of the hook and the dialog;
//   RegisterHideClass()          the hide window's class, unless registered;
//   HidePoint(geo::Point&)       the hiding point of the current method, or false;
//   Create(HideWindowKind, geo::Point)  the window that hides the cursor, or none;
//   Show(Window)                 shows it without activating it;
//   DestroyHideWindow()          hides and destroys the window of the slot;
//   MoveCursor(geo::Point)       sets the pointer, true when it moved;
//   Now()                        the tick count.
// `pointerMoved`: the pointer moved since the last tick where no hook saw it.
// True when the pointer was moved to the hiding point.
template <class Window, class Platform>
bool HideTick(SharedState<Window>& shared, IdleCount& count, bool pointerMoved, Platform& platform)
{
    const Settings& settings = shared.settings;
    const uint32_t inputTime = shared.lastInputTime.load();
    const TickAction action =
        DecideTick(inputTime, count.lastSeenInputTime, pointerMoved, shared.isHidden.load() != 0,
                   settings.hideEnabled.load() != 0, settings.hideSeconds.load(), count.idleTicks);
    if (action == TickAction::Unhide)
        platform.RequestUnhide();
    if (action != TickAction::Hide) {
        count.lastSeenInputTime = inputTime;
        return false;
    }
    shared.isHidden.store(1);
    // A window from an earlier hide still exists: no second one.
    if (shared.HideWindow.load() != Window()) {
        count.lastSeenInputTime = inputTime;
        return false;
    }
    platform.RegisterHideClass();
    bool moved = false;
    geo::Point point;
    if (platform.HidePoint(point)) {
        const HideMethodTraits traits = TraitsOf(settings.hideMode.load());
        bool over = false;
        if (traits.window != HideWindowKind::None) {
            const Window window = platform.Create(traits.window, point);
            shared.HideWindow.store(window);
            // A mouse event after the flag was set but before the handle was
            // stored had no window to unhide: the hide is over already.
            over = window != Window() && shared.isHidden.load() == 0;
            if (over)
                platform.DestroyHideWindow();
            else
                platform.Show(window);
        }
        // A mouse event during the work above has ended the hide: no late jump.
        if (!over && traits.movesCursor && shared.isHidden.load() != 0) {
            shared.NoteOwnMove(point.x, point.y, platform.Now());
            moved = platform.MoveCursor(point);
        }
    }
    count.lastSeenInputTime = shared.lastInputTime.load();
    return moved;
}
