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

// The system removes a hook that keeps it waiting too long and tells nobody.
// The pointer moved between two looks while the hook saw no event: it is gone.
inline bool HookLost(const HookSample& before, const HookSample& now)
{
    return before.valid && now.valid && (now.x != before.x || now.y != before.y)
           && now.inputTime == before.inputTime;
}
