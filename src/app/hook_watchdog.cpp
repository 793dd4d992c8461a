#include "app/hook_watchdog.h"

#include "app/server.h"
#include "app/watchdog_rules.h"
#include "hide/hide.h"

namespace {

HookSample lastSample = {false, 0, 0, 0}; // main thread only

} // namespace

void WatchMouseHook()
{
    // The pointer first: an event that moved it has stored its time before.
    POINT p = {0, 0};
    const bool valid = GetCursorPos(&p) != FALSE;
    const HookSample now = {valid, p.x, p.y, lastInputTime.load()};
    if (HookLost(lastSample, now))
        RenewMouseHook();
    lastSample = now;
}

void NoteOwnCursorMove(POINT to)
{
    lastSample.x = to.x;
    lastSample.y = to.y;
}

void ForgetHookSample()
{
    lastSample.valid = false;
}
