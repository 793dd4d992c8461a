// Whether the low-level mouse hook still sees the mouse, judged once a second
// from facts that need no hook: where the pointer is and the time of the last
// event the hook handled.
#pragma once

#include <cstdint>

struct HookSample {
    bool valid; // the pointer's place could be read
    int32_t x;
    int32_t y;
    uint32_t inputTime; // time of the last mouse event the hook handled
};

// The pointer is somewhere else than at the last look. Moves that no hook of
// this process sees (over a program run as administrator, or made by another
// program) count as mouse activity all the same.
inline bool PointerMoved(const HookSample& before, const HookSample& now)
{
    return before.valid && now.valid && (now.x != before.x || now.y != before.y);
}

// The system removes a hook that keeps it waiting too long and tells nobody.
// The pointer moved between two looks while the hook saw no event: it is gone.
inline bool HookLost(const HookSample& before, const HookSample& now)
{
    return PointerMoved(before, now) && now.inputTime == before.inputTime;
}

// Renewals in a row that brought no event before the watchdog backs off: the
// pointer is then moved by input that no hook of this process is shown, and
// renewing every second would do nothing but churn.
constexpr int32_t FRUITLESS_RENEWALS = 2;
constexpr uint32_t RENEW_BACKOFF_MS = 30000;

struct WatchdogState {
    HookSample last;
    int32_t fruitless;  // renewals since the hook last saw an event
    uint32_t renewedAt; // tick count of the last renewal
};

// One look per tick at `nowMs`; true when the hook is to be renewed now.
inline bool WatchTick(WatchdogState& state, const HookSample& now, uint32_t nowMs)
{
    if (now.inputTime != state.last.inputTime)
        state.fruitless = 0;
    const bool renew = HookLost(state.last, now)
                       && (state.fruitless < FRUITLESS_RENEWALS
                           || static_cast<uint32_t>(nowMs - state.renewedAt) >= RENEW_BACKOFF_MS);
    if (renew) {
        if (state.fruitless < FRUITLESS_RENEWALS)
            state.fruitless = state.fruitless + 1;
        state.renewedAt = nowMs;
    }
    state.last = now;
    return renew;
}
