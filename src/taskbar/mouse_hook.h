// The low-level mouse hook that runs for every mouse event of the desktop, and
// the bump that holds the cursor off the strips of hidden auto-hide bars.
#pragma once

#include "taskbar/bump_rules.h"
#include "taskbar/pointer_rules.h"

#include <windows.h>

// Progress of the bump on each edge of each monitor, indexed like the monitors
// of the bar table; the server thread's alone.
extern bump::BumpState bumpState[bump::MAX_MONITORS];

LRESULT CALLBACK LowLevelMouseProc(int nCode, WPARAM wParam, LPARAM lParam);

// Returns 1 when the cursor was set back at one or more edges (the event is to
// be swallowed), otherwise 0. `kind` picks the rule; `held`, when given, learns
// what was set back.
int BumpCursor(int x, int y, DWORD time, pointer::Kind kind = pointer::Kind::Mouse,
               pointer::Held* held = nullptr);
