// The thread that asks the shell. Every query behind the bar table runs there,
// so that a busy or hung shell keeps neither the main thread nor the hook
// waiting: the main thread asks for work and goes on.
#pragma once

#include "taskbar/desktop_rules.h"

#include <windows.h>

// How long the callers that need a fresh table wait for the shell's answer.
constexpr DWORD FRESH_TABLE_WAIT_MS = 1000;

// Main thread: asks for a refresh and goes on at once. What is asked while a
// refresh runs runs once afterwards. The thread starts with the first ask.
void AskTableRefresh();
// Main thread: asks for a refresh and waits at most `ms` for it, handling the
// messages sent to this thread meanwhile. True when the shell answered in time.
bool AskRefreshAndWait(DWORD ms);
// Main thread: the answer to work under way is dropped when it comes.
void DropTableAnswers();
