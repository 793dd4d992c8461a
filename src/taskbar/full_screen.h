// Which monitors a program in full screen has, judged from the foreground window
// the way the shell judges it.
#pragma once

#include "taskbar/desktop_rules.h"

#include <windows.h>

// What the full-screen rule needs to know of `foreground` and its root owner.
desktop::Foreground DescribeForeground(HWND foreground, const bump::Desktop& desktop);
// Marks in `desktop` the monitors that the foreground window has in full screen.
void PauseUnderForeground(bump::Desktop& desktop);
