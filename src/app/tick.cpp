#include "app/tick.h"

#include "app/hook_watchdog.h"
#include "hide/hide.h"
#include "taskbar/autohide_bars.h"
#include "taskbar/tooltips.h"

void CALLBACK HideTimerProc(HWND, UINT, UINT_PTR, DWORD)
{
    const HookSample look = LookAtPointer();
    const bool moved = MovedSinceLastLook(look);
    WatchMouseHook(look);
    AskForBarRefresh();
    RaiseTooltipsAboveTaskBars();
    if (HideIfIdle(moved))
        NoteOwnCursorMove();
}
