// The shell's auto-hide bars, one per screen edge, refreshed once a second.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <atomic>

// Indexed by ABE_LEFT, ABE_TOP, ABE_RIGHT, ABE_BOTTOM; written on the main thread,
// read by the hook. A reader may see entries of two refreshes.
extern std::atomic<HWND> AutoHideBars[4];

void RefreshAutoHideBars();
int CountAutoHideBars();
