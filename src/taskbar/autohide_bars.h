// The shell's auto-hide bars on every monitor, refreshed once a second and when
// the displays change, and the monitors themselves, as one table that the hook
// reads without a lock.
#pragma once

#include "taskbar/desktop_rules.h"

#include <windows.h>
#include <shellapi.h>

#include <atomic>
#include <cstdint>

struct DesktopBars {
    bump::Desktop desktop;
    // Indexed like the monitors, then by ABE_LEFT .. ABE_BOTTOM; null where an
    // edge has no bar.
    HWND bars[bump::MAX_MONITORS][4];
    // Changes whenever the monitors change, so bumps in progress can be dropped.
    uint32_t layout;
};

// Written on the main thread by RefreshAutoHideBars, read by the hook.
extern desktop::Exchange<DesktopBars> desktopBars;

// The primary monitor's bars, indexed by ABE_LEFT .. ABE_BOTTOM: the hiding
// corner keeps clear of them.
extern std::atomic<HWND> AutoHideBars[4];

// Asks the shell for the bars of every monitor, notes which monitors a
// full-screen program covers, and publishes the new table. Main thread only;
// asked for while the table is being filled, it runs once, right afterwards.
void RefreshAutoHideBars();
// Judges the full-screen pause anew for the foreground window and republishes
// the table with only the pause changed; the shell is not asked. Asked for
// while the table is being filled, it runs right afterwards.
void RejudgeFullScreen();
// The bars of all monitors; an edge counts once per monitor. Main thread only.
int CountAutoHideBars();
bool IsAutoHideBar(HWND window);
// Has `window` (a top-level window of the main thread) refresh the table when it
// hears that the monitors or the work area changed, and judge the pause anew
// whenever another window comes to the foreground.
void WatchDisplayChanges(HWND window);
