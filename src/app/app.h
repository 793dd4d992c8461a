// The process's owners. The main thread's state is the application's own: the
// hidden main window, the one-second tick, the hide window and the dialog's.
// The server thread's is in `server`, the shell thread's in `bars`, and what
// crosses between the threads in `shared`.
#pragma once

#include "app/hook_watchdog.h"
#include "app/server.h"
#include "hide/hide.h"
#include "taskbar/autohide_bars.h"
#include "ui/settings_dialog.h"

#include <windows.h>

constexpr UINT_PTR HIDE_TIMER_ID = 1;
constexpr UINT HIDE_TIMER_PERIOD = 1000;

class App final : public EngineSwitch {
public:
    explicit App(HINSTANCE instance);
    App(const App&) = delete;
    App& operator=(const App&) = delete;

    // Creates the hidden MainWindow with the program's icons, which hears when
    // the displays change; without it no timer could be stopped and no second
    // start could reach us, so a failure is shown and the program is to end.
    bool CreateMainWindow();
    // Runs until ActivateMessage or WM_QUIT asks for the dialog again.
    void RunInBackground();

    // The engine switch: the server thread with its hook, the bar table and
    // the one-second tick, started and stopped together as the features need
    // them. Boxes that it raises belong to `owner` (null: no owner).
    bool SetEngineActive(bool on, HWND owner = nullptr) override;
    // The tick of the MainWindow's timer: the look at the pointer, the hook's
    // watchdog, the ask for a fresh bar table, the tooltips (over the last
    // table), the idle decision, in that order. Nothing in it waits on
    // another program.
    static void CALLBACK HideTimerProc(HWND window, UINT, UINT_PTR, DWORD);

    HINSTANCE AppInstance;
    const UINT ActivateMessage;
    HWND MainWindow = nullptr;
    Shared shared;
    AutoHideBars bars;
    Server server;
    CursorHider hider;
    HookWatchdog watchdog;
    SettingsDialog dialog;

private:
    void Tick();
    static LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                           UINT_PTR, DWORD_PTR self);
};
