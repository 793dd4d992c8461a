#include "app/hook_watchdog.h"

HookSample HookWatchdog::LookAtPointer() const
{
    // The pointer first: an event that moved it has stored its time before.
    POINT p = {0, 0};
    const bool valid = GetCursorPos(&p) != FALSE;
    return {valid, p.x, p.y, shared.lastInputTime.load()};
}

bool HookWatchdog::MovedSinceLastLook(const HookSample& now) const
{
    return PointerMoved(state.last, now);
}

bool HookWatchdog::WatchMouseHook(const HookSample& now)
{
    return WatchTick(state, now, GetTickCount());
}

void HookWatchdog::NoteOwnCursorMove()
{
    // Between monitors of different sizes the system may put the pointer
    // elsewhere than asked.
    POINT p = {0, 0};
    if (GetCursorPos(&p)) {
        state.last.x = p.x;
        state.last.y = p.y;
    }
}

void HookWatchdog::ForgetHookSample()
{
    state.last.valid = false;
}
