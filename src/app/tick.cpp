#include "app/app.h"

#include "taskbar/tooltips.h"

void CALLBACK App::HideTimerProc(HWND window, UINT, UINT_PTR, DWORD)
{
    if (auto* app = reinterpret_cast<App*>(GetWindowLongPtrA(window, GWLP_USERDATA)))
        app->Tick();
}

void App::Tick()
{
    const HookSample look = watchdog.LookAtPointer();
    const bool moved = watchdog.MovedSinceLastLook(look);
    if (watchdog.WatchMouseHook(look))
        server.RenewMouseHook();
    bars.RefreshAutoHideBars(0);
    RaiseTooltipsAboveTaskBars(shared.settings, bars);
    if (hider.HideIfIdle(moved, MainWindow))
        watchdog.NoteOwnCursorMove();
}
