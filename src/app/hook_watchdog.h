// Notices, once a second on the main thread, a mouse hook that the system has
// removed, and has the server thread install a fresh one.
#pragma once

#include "app/watchdog_rules.h"

#include <windows.h>

// The pointer and the time of the hook's last event, read once per tick: the
// watchdog and the idle decision share the one look.
HookSample LookAtPointer();
// Whether the pointer moved since the last look, other than by the program's
// own moves.
bool MovedSinceLastLook(const HookSample& now);
// Has the server thread renew the hook when the pointer moved unseen, backing
// off while renewals bring no event; `now` becomes the last look.
void WatchMouseHook(const HookSample& now);
// The program moved the pointer itself, which is no mouse event: where it
// ended up, read back, becomes the last look's place.
void NoteOwnCursorMove();
// The engine starts afresh: a move made while it was off proves nothing.
void ForgetHookSample();
