// The bump that holds the cursor off the strips of hidden auto-hide bars, run
// by the mouse hook for every mouse event of the desktop, and the first-contact
// stripes that show it.
#pragma once

#include "settings/settings_record.h"
#include "taskbar/autohide_bars.h"
#include "taskbar/bump_cursor.h"
#include "taskbar/pointer_rules.h"
#include "taskbar/stripe_window.h"

#include <windows.h>

// The bumps in progress on each edge of each monitor and their stripes, the
// hook's thread's alone.
class Bumps {
public:
    Bumps(AutoHideBars& bars, const Settings& values) : tables(bars.Tables()), settings(values) {}

    // Returns 1 when the cursor was set back at one or more edges (the event is
    // to be swallowed), otherwise 0. The event is judged as one of a pointer of
    // `kind`; `held`, when given, notes what was set back.
    int BumpCursor(int x, int y, DWORD time, pointer::Kind kind = pointer::Kind::Mouse,
                   pointer::Held* held = nullptr);
    // A resting pointer's wait at `now`: see pointer::Complete.
    pointer::Completion CompleteRest(pointer::Rest& rest, uint32_t now)
    {
        return pointer::Complete(rest, now, settings.bumpStrength.load(), progress.states);
    }
    // Hides every first-contact stripe: protection is off, or the hook goes.
    void EndStripes() { stripes.HideAll(); }
    // The progress on the monitor of that number in the bar table.
    const bump::BumpState& StateOf(int monitor) const { return progress.states[monitor]; }
    bool StripeShown(int monitor, bump::Edge edge) const { return stripes.Shown(monitor, edge); }

private:
    friend struct BumpPlatform;

    BarTables& tables;
    const Settings& settings;
    bump::Progress progress = {};
    StripeWindows stripes;
};
