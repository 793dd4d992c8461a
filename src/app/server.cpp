#include "app/server.h"

#include "app/app.h"
#include "app/priority_rules.h"
#include "hide/hide.h"
#include "settings/settings.h"
#include "taskbar/mouse_hook.h"
#include "taskbar/pointer_sense.h"

static_assert(REALTIME_CLASS == REALTIME_PRIORITY_CLASS, "the platform's real-time class");

DWORD serverWindowWaitMs = 5000;
HANDLE ServerThread = nullptr;
std::atomic<HWND> ServerWindow{nullptr};
std::atomic<HHOOK> MouseHook{nullptr};

namespace {

const char kPrioWarning[] = "No rights to run EdgeWarden with realtime priority.\n"
                            "Sometimes your mouse won't move as smooth as possible.\n"
                            "Do you wan't to see this warning again?";

// Set by a new server thread once its window exists. Made before the first
// thread and never closed.
HANDLE serverReady = nullptr;
// Set by the main thread when it stopped waiting for a thread's window: that
// thread ends itself once it has one, so there is never a second thread.
std::atomic<uint8_t> serverAbandoned{0};

void PostHookControl(UINT message, LPARAM request)
{
    // Without a window PostMessageA would queue the request on the calling thread.
    HWND window = ServerWindow.load();
    if (window != nullptr)
        PostMessageA(window, message, 0, request);
}

// Real-time class for the process, time-critical for the hook's thread and idle
// for the main thread; the warning flag's new value follows from the outcome.
void RaisePriorities(HWND owner)
{
    HANDLE process = GetCurrentProcess();
    const bool classSet = SetPriorityClass(process, REALTIME_PRIORITY_CLASS) != FALSE;
    const bool threadRaised =
        classSet && SetThreadPriority(ServerThread, THREAD_PRIORITY_TIME_CRITICAL) != FALSE;
    bool newWarn = true;
    switch (JudgePriorities(classSet, GetPriorityClass(process), threadRaised,
                            settings.prioWarn.load() != 0)) {
    case PriorityOutcome::Raised:
        SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_IDLE);
        break;
    case PriorityOutcome::Warn:
        newWarn = MessageBoxA(owner, kPrioWarning, "EdgeWarden",
                              MB_TOPMOST | MB_ICONINFORMATION | MB_YESNO)
                  != IDNO;
        break;
    case PriorityOutcome::Quiet:
        return;
    }
    if (newWarn != (settings.prioWarn.load() != 0)) {
        settings.prioWarn.store(newWarn ? 1 : 0);
        SaveWarningFlags(Save);
    }
}

// Waits for the new thread's window, or for the thread's end when it could not
// make one. A thread that publishes its window just as the wait runs out may
// have looked at the flag before it was set; then its own answer decides.
bool WaitForServerWindow()
{
    HANDLE waits[2] = {serverReady, ServerThread};
    if (WaitForMultipleObjects(2, waits, FALSE, serverWindowWaitMs) == WAIT_OBJECT_0)
        return true;
    serverAbandoned.store(1);
    if (ServerWindow.load() == nullptr
        || WaitForMultipleObjects(2, waits, FALSE, INFINITE) != WAIT_OBJECT_0)
        return false;
    serverAbandoned.store(0);
    return true;
}

bool StartServerThread(HWND owner)
{
    // A thread given up earlier must have ended before another one starts.
    if (ServerThread != nullptr && WaitForSingleObject(ServerThread, 0) == WAIT_OBJECT_0) {
        CloseHandle(ServerThread);
        ServerThread = nullptr;
    }
    if (serverReady == nullptr)
        serverReady = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (ServerThread == nullptr && serverReady != nullptr) {
        ResetEvent(serverReady);
        serverAbandoned.store(0);
        DWORD threadId = 0;
        ServerThread = CreateThread(nullptr, 0, ServerThreadProc, nullptr, 0, &threadId);
        if (ServerThread != nullptr && WaitForServerWindow()) {
            RaisePriorities(owner);
            return true;
        }
    }
    MessageBoxA(owner, "Can't start server thread", "EdgeWarden", MB_TOPMOST | MB_ICONERROR);
    return false;
}

} // namespace

bool EnsureServerThread(HWND owner)
{
    return (ServerThread != nullptr && serverAbandoned.load() == 0) || StartServerThread(owner);
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
    if (serverAbandoned.load() != 0) {
        ServerWindow.store(nullptr);
        DestroyWindow(window);
        return static_cast<DWORD>(-1);
    }
    SetEvent(serverReady);

    bool hookWanted = false;
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (msg.message == WMU_HOOKCONTROL) {
            if (msg.lParam == -1)
                break;
            hookWanted = msg.lParam != 0;
            SetMouseHook(hookWanted);
            continue;
        }
        if (msg.message == WMU_HOOKRENEW) {
            // The old handle may be stale: unhooking it can fail, the new hook counts.
            if (hookWanted) {
                SetMouseHook(false);
                SetMouseHook(true);
            }
            continue;
        }
        if (msg.message == WM_INPUT)
            NoteRawInput(msg.lParam);
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }

    settings.hideEnabled.store(0);
    SetMouseHook(false);
    // Without the hook no move would ever show a hidden cursor again.
    RequestUnhide();
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
            if (hook != nullptr)
                SensePointers(ServerWindow.load());
        }
        return hook != nullptr;
    }
    if (hook == nullptr)
        return true;
    BOOL ok = UnhookWindowsHookEx(hook);
    MouseHook.store(nullptr);
    SensePointers(nullptr);
    return ok != FALSE;
}

void RequestMouseHook(bool on)
{
    PostHookControl(WMU_HOOKCONTROL, on ? 1 : 0);
}

void RenewMouseHook()
{
    PostHookControl(WMU_HOOKRENEW, 0);
}

void StopServerThread()
{
    PostHookControl(WMU_HOOKCONTROL, -1);
    if (ServerThread != nullptr && serverAbandoned.load() == 0)
        WaitForSingleObject(ServerThread, serverWindowWaitMs);
}
