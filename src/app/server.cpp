#include "app/server.h"

#include "app/priority_rules.h"
#include "settings/settings.h"

static_assert(REALTIME_CLASS == REALTIME_PRIORITY_CLASS, "the platform's real-time class");

namespace {

const char kPrioWarning[] = "No rights to run EdgeWarden with realtime priority.\n"
                            "Sometimes your mouse won't move as smooth as possible.\n"
                            "Do you wan't to see this warning again?";

// The system calls the hook without any context of ours: the server made last
// of those alive serves it. Written on the main thread, before the server's
// thread installs a hook and after it has ended.
std::atomic<Server*> hookOwner{nullptr};

} // namespace

Server::Server(Shared& state, AutoHideBars& bars, HINSTANCE module, DWORD waitMs,
               const PointerSources& sources)
    : shared(state), instance(module), windowWaitMs(waitMs), bumps(bars, state.settings),
      pointers(sources, RestTimeUp)
{
    previousHookOwner = hookOwner.load();
    hookOwner.store(this);
}

Server::~Server()
{
    StopServerThread();
    if (ServerThread != nullptr) {
        WaitForSingleObject(ServerThread, windowWaitMs);
        CloseHandle(ServerThread);
    }
    if (serverReady != nullptr)
        CloseHandle(serverReady);
    if (hookOwner.load() == this)
        hookOwner.store(previousHookOwner);
}

void Server::PostHookControl(UINT message, LPARAM request)
{
    // Without a window PostMessageA would queue the request on the calling thread.
    HWND window = ServerWindow.load();
    if (window != nullptr)
        PostMessageA(window, message, 0, request);
}

// Real-time class for the process, time-critical for the hook's thread and idle
// for the main thread; the warning flag's new value follows from the outcome.
void Server::RaisePriorities(HWND owner)
{
    Settings& settings = shared.settings;
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
        SaveWarningFlags(settings, Save);
    }
}

// Waits for the new thread's window, or for the thread's end when it could not
// make one. A thread that publishes its window just as the wait runs out may
// have looked at the flag before it was set; then its own answer decides.
bool Server::WaitForServerWindow()
{
    HANDLE waits[2] = {serverReady, ServerThread};
    if (WaitForMultipleObjects(2, waits, FALSE, windowWaitMs) == WAIT_OBJECT_0)
        return true;
    serverAbandoned.store(1);
    if (ServerWindow.load() == nullptr
        || WaitForMultipleObjects(2, waits, FALSE, INFINITE) != WAIT_OBJECT_0)
        return false;
    serverAbandoned.store(0);
    return true;
}

bool Server::StartServerThread(HWND owner)
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
        ServerThread = CreateThread(nullptr, 0, ServerThreadProc, this, 0, &threadId);
        if (ServerThread != nullptr && WaitForServerWindow()) {
            RaisePriorities(owner);
            return true;
        }
    }
    MessageBoxA(owner, "Can't start server thread", "EdgeWarden", MB_TOPMOST | MB_ICONERROR);
    return false;
}

bool Server::EnsureServerThread(HWND owner)
{
    return (ServerThread != nullptr && serverAbandoned.load() == 0) || StartServerThread(owner);
}

DWORD WINAPI Server::ServerThreadProc(LPVOID param)
{
    Server& self = *static_cast<Server*>(param);
    if (self.ServerWindow.load() != nullptr)
        return static_cast<DWORD>(-1);
    HWND window = CreateWindowExA(0, "STATIC", "EdgeWarden_Server", 0, 0, 0, 10, 10, nullptr,
                                  nullptr, self.instance, nullptr);
    if (window == nullptr)
        return static_cast<DWORD>(-1);
    self.ServerWindow.store(window);
    if (self.serverAbandoned.load() != 0) {
        self.ServerWindow.store(nullptr);
        DestroyWindow(window);
        return static_cast<DWORD>(-1);
    }
    SetEvent(self.serverReady);

    bool hookWanted = false;
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (msg.message == WMU_HOOKCONTROL) {
            if (msg.lParam == -1)
                break;
            hookWanted = msg.lParam != 0;
            self.SetMouseHook(hookWanted);
            continue;
        }
        if (msg.message == WMU_HOOKRENEW) {
            // The old handle may be stale: unhooking it can fail, the new hook counts.
            if (hookWanted) {
                self.SetMouseHook(false);
                self.SetMouseHook(true);
            }
            continue;
        }
        if (msg.message == WM_INPUT)
            self.NoteRawInput(msg.lParam);
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }

    self.shared.settings.hideEnabled.store(0);
    self.SetMouseHook(false);
    // Without the hook no move would ever show a hidden cursor again.
    RequestUnhide(self.shared);
    DestroyWindow(window);
    self.ServerWindow.store(nullptr);
    return 0;
}

bool Server::SetMouseHook(bool install)
{
    HHOOK hook = MouseHook.load();
    if (install) {
        if (hook == nullptr) {
            hook = SetWindowsHookExA(WH_MOUSE_LL, LowLevelMouseProc, instance, 0);
            MouseHook.store(hook);
            if (hook != nullptr)
                pointers.SensePointers(ServerWindow.load());
        }
        return hook != nullptr;
    }
    if (hook == nullptr)
        return true;
    // No hook, no bump to end a stripe.
    bumps.EndStripes();
    BOOL ok = UnhookWindowsHookEx(hook);
    MouseHook.store(nullptr);
    pointers.SensePointers(nullptr);
    return ok != FALSE;
}

void Server::RequestMouseHook(bool on)
{
    PostHookControl(WMU_HOOKCONTROL, on ? 1 : 0);
}

void Server::RenewMouseHook()
{
    PostHookControl(WMU_HOOKRENEW, 0);
}

void Server::StopServerThread()
{
    PostHookControl(WMU_HOOKCONTROL, -1);
    if (ServerThread != nullptr && serverAbandoned.load() == 0)
        WaitForSingleObject(ServerThread, windowWaitMs);
}

LRESULT CALLBACK Server::LowLevelMouseProc(int nCode, WPARAM wParam, LPARAM lParam)
{
    Server* self = hookOwner.load();
    if (self == nullptr)
        return CallNextHookEx(nullptr, nCode, wParam, lParam);
    return self->OnMouseEvent(nCode, wParam, lParam);
}

LRESULT Server::OnMouseEvent(int nCode, WPARAM wParam, LPARAM lParam)
{
    HHOOK hook = MouseHook.load();
    if (nCode < 0)
        return CallNextHookEx(hook, nCode, wParam, lParam);
    const auto& event = *reinterpret_cast<const MSLLHOOKSTRUCT*>(lParam);
    if (!IsOwnMoveEcho(shared.LastOwnMove(), wParam == WM_MOUSEMOVE, event.pt.x, event.pt.y,
                       event.time)) {
        shared.lastInputTime.store(event.time);
        RequestUnhide(shared);
    }
    const PointerEvent pointer = pointers.BeginPointerEvent(wParam, event);
    // A release always gets through: with absolute pointing (pen, touch, remote
    // desktop) one swallowed on a strip would leave the button down for good.
    const bool release = wParam == WM_LBUTTONUP || wParam == WM_RBUTTONUP || wParam == WM_MBUTTONUP
                         || wParam == WM_XBUTTONUP;
    const bool protection = shared.settings.bumpEnabled.load() != 0;
    if (!protection)
        bumps.EndStripes();
    // A touch is never held: the shell opens its bars by an edge swipe.
    pointer::Held held = {};
    const bool swallow =
        protection && !release && pointer.kind != pointer::Kind::Touch
        && bumps.BumpCursor(event.pt.x, event.pt.y, event.time, pointer.kind, &held) != 0;
    pointers.EndPointerEvent(pointer, held);
    if (swallow) {
        // Later hooks still see the event; the system neither moves the cursor nor delivers it.
        CallNextHookEx(hook, nCode, wParam, lParam);
        return -1;
    }
    return CallNextHookEx(hook, nCode, wParam, lParam);
}

void CALLBACK Server::RestTimeUp(HWND, UINT, UINT_PTR, DWORD)
{
    if (Server* self = hookOwner.load())
        self->pointers.RestTimeUp(self->bumps, self->shared.settings.bumpEnabled.load() != 0);
}

void Server::NoteRawInput(LPARAM input)
{
    pointers.NoteRawInput(input);
}
