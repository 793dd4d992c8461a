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

// Its readers, each with its own number.
constexpr int HOOK_READER = 0;
constexpr int MAIN_READER = 1;

// Written on the shell thread (taskbar/shell_thread.h), read by the hook and the
// main thread.
extern desktop::Exchange<DesktopBars, 2> desktopBars;

// The primary monitor's bars, indexed by ABE_LEFT .. ABE_BOTTOM: the hiding
// corner keeps clear of them.
extern std::atomic<HWND> AutoHideBars[4];

// Asks the shell for the bars of every monitor and waits at most FRESH_TABLE_WAIT_MS for the new
// table, handling the messages sent to this thread meanwhile. True when the shell answered in time;
// else the last table stays, and no bars in it mean nothing. Main thread only.
bool RefreshAutoHideBars();
// The same without waiting: the table catches up when the shell answers.
void AskForBarRefresh();
// The bars of all monitors in the last table; an edge counts once per monitor.
// Main thread only.
int CountAutoHideBars();
// Main thread only.
bool IsAutoHideBar(HWND window);
// Has `window` (a top-level window of the main thread) refresh the table when it
// hears that the monitors or the work area changed.
void WatchDisplayChanges(HWND window);

// Shell thread only: the draft, filled from the shell; then published, with the
// primary's bars.
const DesktopBars& FillTable();
void PublishTable(const DesktopBars& table);
