#include "app/hook_watchdog.h"

#include "app/server.h"
#include "hide/hide.h"

namespace {

WatchdogState watchdog = {{false, 0, 0, 0}, 0, 0}; // main thread only

} // namespace

HookSample LookAtPointer()
{
    // The pointer first: an event that moved it has stored its time before.
    POINT p = {0, 0};
    const bool valid = GetCursorPos(&p) != FALSE;
    return {valid, p.x, p.y, lastInputTime.load()};
}

bool MovedSinceLastLook(const HookSample& now)
{
    return PointerMoved(watchdog.last, now);
}

void WatchMouseHook(const HookSample& now)
{
    if (WatchTick(watchdog, now, GetTickCount()))
        RenewMouseHook();
}

void NoteOwnCursorMove()
{
    // Between monitors of different sizes the system may put the pointer
    // elsewhere than asked.
    POINT p = {0, 0};
    if (GetCursorPos(&p)) {
        watchdog.last.x = p.x;
        watchdog.last.y = p.y;
    }
}

void ForgetHookSample()
{
    watchdog.last.valid = false;
}
