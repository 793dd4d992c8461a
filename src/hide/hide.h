// Hiding the stationary cursor: the idle decision of the one-second tick, the
// window that keeps the cursor hidden, and the unhide request that the hook
// and the dialog send.
#pragma once

#include "hide/hide_tick.h"
#include "settings/shared_state.h"
#include "taskbar/autohide_bars.h"

#include <windows.h>

using Shared = SharedState<HWND>;

// Posted to the hide window: hide and destroy it, which shows the cursor again.
constexpr UINT WMU_UNHIDE = WM_APP + 0x12;

// Shows a hidden cursor again without waiting: called by the hook for every
// event and by the dialog, on any thread.
void RequestUnhide(Shared& shared);

// The main thread's part of hiding: the idle count and the hide window's class.
// The hide window itself sits in the shared record, where the unhide request
// finds it.
class CursorHider {
public:
    CursorHider(Shared& state, AutoHideBars& table, HINSTANCE module);
    // Destroys a hide window left and lets its class go.
    ~CursorHider();
    CursorHider(const CursorHider&) = delete;
    CursorHider& operator=(const CursorHider&) = delete;

    // The idle decision of one tick, which hides the cursor once it has been
    // still long enough and shows it again when it was moved unseen; a pop-up
    // hide window belongs to `owner`. `pointerMoved`: the pointer moved since
    // the last tick without an event the hook saw. True when it moved the
    // cursor to the hiding point.
    bool HideIfIdle(bool pointerMoved, HWND owner);
    // The hiding point of the current hide mode, in screen coordinates.
    BOOL GetHidePoint(POINT* point);
    // Hides and destroys the current hide window, which shows the cursor again.
    void DestroyHideWindow();
    const IdleCount& Count() const { return count; }

    static LRESULT CALLBACK HideWindowProc(HWND, UINT, WPARAM, LPARAM);
    // Shows or hides a window without moving, sizing, activating or redrawing it.
    static BOOL SetTopmostVisible(HWND window, bool show);

private:
    friend struct HidePlatform;
    // Registers the hide window's class unless done; 0 after a failure, so the
    // next hide tries again.
    ATOM RegisterHideClass();
    // Creates the hidden 1x1 window for `kind` at `screenPoint`, a pop-up owned
    // by `owner` where it cannot be part of the window there; its creation
    // hides the cursor. Null on failure.
    HWND CreateHideWindow(HideWindowKind kind, POINT screenPoint, HWND owner);
    HWND MakeHideWindow(DWORD style, POINT point, HWND parentOrOwner);

    Shared& shared;
    AutoHideBars& bars;
    HINSTANCE instance;
    IdleCount count = {0, 0};
    ATOM hideClassAtom = 0;
};
