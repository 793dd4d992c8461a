// Hiding the stationary cursor: idle state shared with the hook, and the timer.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>

extern std::atomic<uint32_t> lastInputTime;  // written by the hook
extern std::atomic<uint8_t> isHidden;        // set by the timer, cleared by unhide
extern std::atomic<HWND> HideWindow;

void CALLBACK HideTimerProc(HWND, UINT, UINT_PTR, DWORD);

// Shows a hidden cursor again; called by the hook for every event and by the dialog.
void RequestUnhide();
