// The server thread that owns the low-level mouse hook, and the engine switch.
#pragma once

#include <windows.h>

#include <atomic>

constexpr UINT_PTR HIDE_TIMER_ID = 1;
constexpr UINT HIDE_TIMER_PERIOD = 1000;

// How long the main thread waits for a new server thread's window before it
// gives the thread up, and for the thread's end when the program ends.
extern DWORD serverWindowWaitMs;

extern HANDLE ServerThread;            // main thread only
extern std::atomic<HWND> ServerWindow; // written by the server thread only
extern std::atomic<HHOOK> MouseHook;   // written by the server thread only

// Boxes that the switch raises belong to `owner` (null: no owner).
bool SetEngineActive(bool on, HWND owner = nullptr);
DWORD WINAPI ServerThreadProc(LPVOID);
bool SetMouseHook(bool install);
// Asks the server thread to replace the hook, which the system may have removed.
void RenewMouseHook();
void StopServerThread();
