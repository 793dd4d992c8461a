// The server thread that owns the low-level mouse hook.
#pragma once

#include <windows.h>

#include <atomic>

// How long the main thread waits for a new server thread's window before it
// gives the thread up, and for the thread's end when the program ends.
extern DWORD serverWindowWaitMs;

extern HANDLE ServerThread;            // main thread only
extern std::atomic<HWND> ServerWindow; // written by the server thread only
extern std::atomic<HHOOK> MouseHook;   // written by the server thread only

// Starts the server thread unless it runs, and raises the priorities when it
// does; a box owned by `owner` (null: none) tells the user when it cannot.
bool EnsureServerThread(HWND owner);
DWORD WINAPI ServerThreadProc(LPVOID);
bool SetMouseHook(bool install);
// Asks the server thread to install or remove the hook.
void RequestMouseHook(bool on);
// Asks the server thread to replace the hook, which the system may have removed.
void RenewMouseHook();
void StopServerThread();
