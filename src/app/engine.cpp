#include "app/app.h"

bool App::SetEngineActive(bool on, HWND owner)
{
    if (!on) {
        KillTimer(MainWindow, HIDE_TIMER_ID);
        // A shell that answers only now answers what nobody needs any more.
        bars.CancelRefresh();
        server.RequestMouseHook(false);
        // No hook is left to see the next move: the cursor comes back now.
        RequestUnhide(shared);
        return true;
    }
    if (!server.EnsureServerThread(owner))
        return false;
    bars.RefreshAutoHideBars(FRESH_TABLE_WAIT_MS);
    // A move made while the engine was off proves nothing about the hook.
    watchdog.ForgetHookSample();
    SetTimer(MainWindow, HIDE_TIMER_ID, HIDE_TIMER_PERIOD, HideTimerProc);
    server.RequestMouseHook(true);
    return true;
}
