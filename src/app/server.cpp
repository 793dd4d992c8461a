#include "app/server.h"

#include "app/app.h"
#include "hide/hide.h"
#include "settings/settings.h"
#include "taskbar/autohide_bars.h"
#include "taskbar/mouse_hook.h"

HANDLE ServerThread = nullptr;
std::atomic<HWND> ServerWindow{nullptr};
std::atomic<HHOOK> MouseHook{nullptr};

namespace {

const char kPrioWarning[] =
    "No rights to run EdgeWarden with realtime priority.\n"
    "Sometimes your mouse won't move as smooth as possible.\n"
    "Do you wan't to see this warning again?";

void PostHookControl(LPARAM request)
{
    // Without a window PostMessageA would queue the request on the calling thread.
    HWND window = ServerWindow.load();
    if (window != nullptr)
        PostMessageA(window, WMU_HOOKCONTROL, 0, request);
}

// Real-time class for the process, time-critical for the hook's thread and idle
// for the main thread; the warning flag's new value follows from the outcome.
void RaisePriorities()
{
    bool newWarn;
    if (SetPriorityClass(GetCurrentProcess(), REALTIME_PRIORITY_CLASS)
        && SetThreadPriority(ServerThread, THREAD_PRIORITY_TIME_CRITICAL)) {
        SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_IDLE);
        newWarn = true;
    } else {
        if (!settings.prioWarn.load())
            return;
        newWarn = MessageBoxA(nullptr, kPrioWarning, "EdgeWarden",
                              MB_TOPMOST | MB_ICONINFORMATION | MB_YESNO) != IDNO;
    }
    if (newWarn != (settings.prioWarn.load() != 0)) {
        settings.prioWarn.store(newWarn ? 1 : 0);
        SaveWarningFlags(Save);
    }
}

bool StartServerThread()
{
    DWORD threadId = 0;
    ServerThread = CreateThread(nullptr, 0, ServerThreadProc, nullptr, 0, &threadId);
    if (ServerThread != nullptr && WaitForServerWindow(SERVER_WINDOW_WAIT_MS)) {
        RaisePriorities();
        return true;
    }
    // A thread that never made its window is given up; the next activation starts
    // a new one.
    if (ServerThread != nullptr) {
        CloseHandle(ServerThread);
        ServerThread = nullptr;
    }
    MessageBoxA(nullptr, "Can't start server thread", "EdgeWarden", MB_TOPMOST | MB_ICONERROR);
    return false;
}

} // namespace

bool WaitForServerWindow(DWORD limitMs)
{
    for (DWORD waited = 0; ServerWindow.load() == nullptr; waited += 100) {
        if (waited >= limitMs)
            return false;
        Sleep(100);
    }
    return true;
}

bool SetEngineActive(bool on)
{
    if (!on) {
        KillTimer(MainWindow, HIDE_TIMER_ID);
        PostHookControl(0);
        return true;
    }
    if (ServerThread == nullptr && !StartServerThread())
        return false;
    RefreshAutoHideBars();
    SetTimer(MainWindow, HIDE_TIMER_ID, HIDE_TIMER_PERIOD, HideTimerProc);
    PostHookControl(1);
    return true;
}

DWORD WINAPI ServerThreadProc(LPVOID)
{
    if (ServerWindow.load() != nullptr)
        return static_cast<DWORD>(-1);
    HWND window = CreateWindowExA(0, "STATIC", "EdgeWarden_Server", 0, 0, 0, 10, 10, nullptr,
                                  nullptr, AppInstance, nullptr);
    if (window == nullptr)
        return static_cast<DWORD>(-1);
    ServerWindow.store(window);

    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (msg.message == WMU_HOOKCONTROL) {
            if (msg.lParam == -1)
                break;
            SetMouseHook(msg.lParam != 0);
            continue;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }

    settings.hideEnabled.store(0);
    SetMouseHook(false);
    DestroyWindow(window);
    ServerWindow.store(nullptr);
    return 0;
}

bool SetMouseHook(bool install)
{
    HHOOK hook = MouseHook.load();
    if (install) {
        if (hook == nullptr) {
            hook = SetWindowsHookExA(WH_MOUSE_LL, LowLevelMouseProc, AppInstance, 0);
            MouseHook.store(hook);
        }
        return hook != nullptr;
    }
    if (hook == nullptr)
        return true;
    BOOL ok = UnhookWindowsHookEx(hook);
    MouseHook.store(nullptr);
    return ok != FALSE;
}

void StopServerThread()
{
    PostHookControl(-1);
    while (ServerWindow.load() != nullptr)
        Sleep(100);
}
