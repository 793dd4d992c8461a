// The engine switch: the server thread with its hook, the bar table and the
// one-second tick, started and stopped together as the features need them.
#pragma once

#include <windows.h>

constexpr UINT_PTR HIDE_TIMER_ID = 1;
constexpr UINT HIDE_TIMER_PERIOD = 1000;

// Boxes that the switch raises belong to `owner` (null: no owner).
bool SetEngineActive(bool on, HWND owner = nullptr);
