// Hiding the stationary cursor: idle state shared with the hook, the idle
// decision of the one-second tick and the window that keeps the cursor hidden.
#pragma once

#include "hide/idle_rules.h"

#include <windows.h>

#include <atomic>
#include <cstdint>

extern std::atomic<uint32_t> lastInputTime; // written by the hook
extern std::atomic<uint8_t> isHidden;       // set by the timer, cleared by unhide
extern std::atomic<HWND> HideWindow;        // written on the main thread only
// The program's last own move of the pointer, noted on the main thread before
// it moves, read by the hook.
extern std::atomic<int32_t> ownMoveX;
extern std::atomic<int32_t> ownMoveY;
extern std::atomic<uint32_t> ownMoveTime;

// Main thread only.
extern uint32_t lastSeenInputTime;
extern int32_t idleTicks;
extern ATOM hideClassAtom;

// The idle decision of one tick, which hides the cursor once it has been still
// long enough and shows it again when it was moved unseen. `pointerMoved`: the
// pointer moved since the last tick without an event the hook saw. True when it
// moved the cursor to the hiding point.
bool HideIfIdle(bool pointerMoved);
// The hiding point of the current hide mode, in screen coordinates.
BOOL GetHidePoint(POINT* point);

// The hook's read of the last own move. Read while a new one is noted, it may
// mix the two, which costs one event at most.
OwnMove LastOwnMove();

// Shows a hidden cursor again; called by the hook for every event and by the dialog.
void RequestUnhide();

// Registers the hide window's class unless done; 0 after a failure, so the
// next hide tries again.
ATOM RegisterHideClass();
// Creates the hidden 1x1 window for `kind` at `screenPoint`; its creation hides
// the cursor. Null on failure.
HWND CreateHideWindow(HideWindowKind kind, POINT screenPoint);
LRESULT CALLBACK HideWindowProc(HWND, UINT, WPARAM, LPARAM);
// Shows or hides a window without moving, sizing, activating or redrawing it.
BOOL SetTopmostVisible(HWND window, bool show);
// Hides and destroys the current hide window, which shows the cursor again.
void DestroyHideWindow();
