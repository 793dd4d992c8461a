// The server thread: it owns the server window, the low-level mouse hook and
// the bumps in progress, and does nothing but run the message loop that the
// system needs to call the hook.
#pragma once

#include "hide/hide.h"
#include "taskbar/autohide_bars.h"
#include "taskbar/bumps.h"
#include "taskbar/pointer_sense.h"

#include <windows.h>

#include <atomic>
#include <cstdint>

// Requests to the server window. lParam 1 (or any other): install the hook;
// 0: remove it; -1: leave the loop and end the thread.
constexpr UINT WMU_HOOKCONTROL = WM_APP + 0x11;
// Replace the hook, which the system may have removed.
constexpr UINT WMU_HOOKRENEW = WM_APP + 0x14;

// How long the main thread waits for a new server thread's window before it
// gives the thread up, and for the thread's end when the program ends.
constexpr DWORD SERVER_WINDOW_WAIT_MS = 5000;

class Server {
public:
    // `sources` tell the pointing device behind the events.
    Server(Shared& state, AutoHideBars& bars, HINSTANCE module,
           DWORD waitMs = SERVER_WINDOW_WAIT_MS,
           const PointerSources& sources = SystemPointerSources());
    // Ends the thread, as StopServerThread does.
    ~Server();
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    // Main thread: starts the server thread unless it runs, and raises the
    // priorities when it does; a box owned by `owner` (null: none) tells the
    // user when it cannot.
    bool EnsureServerThread(HWND owner);
    // Main thread: asks the server thread to install or remove the hook.
    void RequestMouseHook(bool on);
    // Main thread: asks the server thread to replace the hook.
    void RenewMouseHook();
    // Main thread: ends the server thread and waits for its end, at most
    // the window wait.
    void StopServerThread();

    // The hook of the server made last of those alive.
    static LRESULT CALLBACK LowLevelMouseProc(int nCode, WPARAM wParam, LPARAM lParam);

    // Server thread: a raw input report (WM_INPUT's lParam), which tells
    // whether the latest move was absolute.
    void NoteRawInput(LPARAM input);

    HANDLE Thread() const { return ServerThread; }
    HWND Window() const { return ServerWindow.load(); }
    HHOOK Hook() const { return MouseHook.load(); }
    const Bumps& BumpsInProgress() const { return bumps; }

private:
    static DWORD WINAPI ServerThreadProc(LPVOID self);
    // The resting pointer's wait is up, on the thread that started it.
    static void CALLBACK RestTimeUp(HWND, UINT, UINT_PTR, DWORD);
    bool SetMouseHook(bool install);
    void PostHookControl(UINT message, LPARAM request);
    void RaisePriorities(HWND owner);
    bool WaitForServerWindow();
    bool StartServerThread(HWND owner);
    LRESULT OnMouseEvent(int nCode, WPARAM wParam, LPARAM lParam);

    Shared& shared;
    HINSTANCE instance;
    DWORD windowWaitMs;
    // The server thread's alone.
    Bumps bumps;
    PointerSense pointers;
    // Main thread only.
    HANDLE ServerThread = nullptr;
    // Set by a new server thread once its window exists.
    HANDLE serverReady = nullptr;
    // Written by the server thread only.
    std::atomic<HWND> ServerWindow{nullptr};
    std::atomic<HHOOK> MouseHook{nullptr};
    // Set by the main thread when it stopped waiting for a thread's window: that
    // thread ends itself once it has one, so there is never a second thread.
    std::atomic<uint8_t> serverAbandoned{0};
    // The server whose hook this one's replaced, served again once it is gone.
    Server* previousHookOwner = nullptr;
};
