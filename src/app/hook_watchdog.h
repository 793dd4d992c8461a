// Notices, once a second on the main thread, a mouse hook that the system has
// removed, and has the server thread install a fresh one.
#pragma once

#include <windows.h>

// One look: the pointer moved since the last look but the hook saw no event.
void WatchMouseHook();
// The program moved the pointer itself, which is no mouse event.
void NoteOwnCursorMove(POINT to);
// The engine starts afresh: a move made while it was off proves nothing.
void ForgetHookSample();
