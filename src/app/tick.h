// The one-second tick of the running engine.
#pragma once

#include <windows.h>

// Runs the subsystems in a fixed order: the look at the pointer, the hook's
// watchdog, the bar table, the tooltips, the idle decision.
void CALLBACK HideTimerProc(HWND, UINT, UINT_PTR, DWORD);
