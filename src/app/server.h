// The server thread that owns the low-level mouse hook, and the engine switch.
#pragma once

#include <windows.h>

#include <atomic>

constexpr UINT_PTR HIDE_TIMER_ID = 1;
constexpr UINT HIDE_TIMER_PERIOD = 1000;

// How long SetEngineActive waits for the server thread's window before it gives up.
constexpr DWORD SERVER_WINDOW_WAIT_MS = 5000;

extern HANDLE ServerThread;                  // main thread only
extern std::atomic<HWND> ServerWindow;       // written by the server thread only
extern std::atomic<HHOOK> MouseHook;         // written by the server thread only

bool SetEngineActive(bool on);
DWORD WINAPI ServerThreadProc(LPVOID);
bool SetMouseHook(bool install);
void StopServerThread();
bool WaitForServerWindow(DWORD limitMs);
