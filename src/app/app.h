// Process-wide handles of the application shell and the private messages.
#pragma once

#include <windows.h>

constexpr UINT WMU_HOOKCONTROL = WM_APP + 0x11;
constexpr UINT WMU_UNHIDE = WM_APP + 0x12;
constexpr UINT WMU_LINKCOLOR = WM_APP + 0x13;
constexpr UINT WMU_HOOKRENEW = WM_APP + 0x14;

constexpr int IDD_SETTINGS = 103;
constexpr int IDI_APP_BIG = 107;
constexpr int IDI_APP_SMALL = 108;

// Written on the main thread before the server thread exists, never changed after.
extern HINSTANCE AppInstance;
extern UINT ActivateMessage;
extern HWND MainWindow;

BOOL CALLBACK FindRunningInstanceProc(HWND window, LPARAM);
// Creates the hidden MainWindow with the program's icons; without it no timer
// could be stopped and no second start could reach us, so a failure is shown
// and the program is to end.
bool CreateMainWindow();
