#include "app/engine.h"

#include "app/app.h"
#include "app/hook_watchdog.h"
#include "app/server.h"
#include "app/tick.h"
#include "hide/hide.h"
#include "taskbar/autohide_bars.h"
#include "taskbar/shell_thread.h"

bool SetEngineActive(bool on, HWND owner)
{
    if (!on) {
        KillTimer(MainWindow, HIDE_TIMER_ID);
        // A shell that answers only now answers what nobody needs any more.
        DropTableAnswers();
        RequestMouseHook(false);
        // No hook is left to see the next move: the cursor comes back now.
        RequestUnhide();
        return true;
    }
    if (!EnsureServerThread(owner))
        return false;
    RefreshAutoHideBars();
    // A move made while the engine was off proves nothing about the hook.
    ForgetHookSample();
    SetTimer(MainWindow, HIDE_TIMER_ID, HIDE_TIMER_PERIOD, HideTimerProc);
    RequestMouseHook(true);
    return true;
}
