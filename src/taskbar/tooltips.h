// Keeps tooltip windows above the highest auto-hide bar, so the bar cannot cover them.
#pragma once

#include "settings/settings_record.h"
#include "taskbar/autohide_bars.h"

#include <windows.h>

// The most top-level windows that one pass looks at.
constexpr int MAX_WINDOW_WALK = 2000;

// Moves every tooltip that lies below the highest auto-hide bar to just above it.
void RaiseTooltipsAboveTaskBars(const Settings& settings, AutoHideBars& bars);
// Moves `window` in the z-order to directly above `reference`.
BOOL PlaceJustAbove(HWND window, HWND reference);
