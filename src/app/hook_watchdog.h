// Notices, once a second on the main thread, a mouse hook that the system has
// removed, so that the server thread can install a fresh one.
#pragma once

#include "app/watchdog_rules.h"
#include "hide/hide.h"

#include <windows.h>

// The main thread's side of the watchdog: its last look at the pointer.
class HookWatchdog {
public:
    explicit HookWatchdog(const Shared& record) : shared(record) {}

    // The pointer and the time of the hook's last event, read once per tick:
    // the watchdog and the idle decision share the one look.
    HookSample LookAtPointer() const;
    // Whether the pointer moved since the last look, other than by the
    // program's own moves.
    bool MovedSinceLastLook(const HookSample& now) const;
    // True when the hook is to be renewed now: the pointer moved unseen, and
    // renewals bring events or have backed off long enough; `now` becomes the
    // last look.
    bool WatchMouseHook(const HookSample& now);
    // The program moved the pointer itself, which is no mouse event: where it
    // ended up, read back, becomes the last look's place.
    void NoteOwnCursorMove();
    // The engine starts afresh: a move made while it was off proves nothing.
    void ForgetHookSample();

private:
    const Shared& shared;
    WatchdogState state = {{false, 0, 0, 0}, 0, 0};
};
