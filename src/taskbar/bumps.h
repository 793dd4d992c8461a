// The bump that holds the cursor off the strips of hidden auto-hide bars, run
// by the mouse hook for every mouse event of the desktop.
#pragma once

#include "settings/settings_record.h"
#include "taskbar/autohide_bars.h"
#include "taskbar/bump_cursor.h"

#include <windows.h>

// The bumps in progress on each edge of each monitor, the hook's thread's alone.
class Bumps {
public:
    Bumps(AutoHideBars& bars, const Settings& values) : tables(bars.Tables()), settings(values) {}

    // Returns 1 when the cursor was set back at one or more edges (the event is
    // to be swallowed), otherwise 0.
    int BumpCursor(int x, int y, DWORD time);
    // The progress on the monitor of that number in the bar table.
    const bump::BumpState& StateOf(int monitor) const { return progress.states[monitor]; }

private:
    BarTables& tables;
    const Settings& settings;
    bump::Progress progress = {};
};
