// The settings dialog: every setting shown and changed in place while it is open.
#pragma once

#include <windows.h>

#include <cstdint>

// The colour chooser's custom colours, filled at its first opening in the process.
extern COLORREF customColors[16];
// Set while the dialog itself rewrites the seconds field.
extern uint8_t reformattingHideSeconds;

INT_PTR CALLBACK SettingsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
// The box belongs to `owner`, which cannot be used while the box is open.
void WarnIfNoAutoHideBars(HWND owner);
void SetWindowInt(HWND window, int value);
int GetWindowInt(HWND window);
