// The window that the mouse would reach at a point, found without sending
// anything to another program.
#pragma once

#include "taskbar/bump_rules.h"
#include "taskbar/reach_rules.h"

#include <windows.h>

// The top-level window that the mouse would reach at `p`, passing over click-through
// windows and this program's own. Hook's thread only: the system's hit test asks
// only windows of the calling thread, and this thread's own windows (the server
// window and the stripes) are hidden or let the mouse through.
reach::Reached<HWND> WindowReachedAt(geo::Point p);
