// The low-level mouse hook that runs for every mouse event of the desktop.
#pragma once

#include <windows.h>

LRESULT CALLBACK LowLevelMouseProc(int nCode, WPARAM wParam, LPARAM lParam);
