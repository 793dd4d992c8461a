// The low-level mouse hook that runs for every mouse event of the desktop, and
// the bump that holds the cursor off the strips of hidden auto-hide bars.
#pragma once

#include "taskbar/bump_rules.h"

#include <windows.h>

// Progress of the bump on each edge of each monitor, indexed like the monitors
// of the bar table; the server thread's alone.
extern bump::BumpState bumpState[bump::MAX_MONITORS];

LRESULT CALLBACK LowLevelMouseProc(int nCode, WPARAM wParam, LPARAM lParam);

// Returns 1 when the cursor was set back at one or more edges (the event is to
// be swallowed), otherwise 0.
int BumpCursor(int x, int y, DWORD time);
// Hides every first-contact stripe: protection is off, or the hook goes. Hook's
// thread only.
void EndBumpStripes();
