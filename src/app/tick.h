// The one-second tick of the running engine.
#pragma once

#include <windows.h>

// Runs the subsystems in a fixed order: the look at the pointer, the hook's
// watchdog, the ask for a fresh bar table, the tooltips (over the last table),
// the idle decision. Nothing in it waits on another program.
void CALLBACK HideTimerProc(HWND, UINT, UINT_PTR, DWORD);
