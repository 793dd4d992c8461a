// What the attempt to raise the engine's priorities achieved, judged from what
// the system really granted.
#pragma once

#include <cstdint>

// The process class that the hook's thread needs, with the platform's value.
constexpr uint32_t REALTIME_CLASS = 0x00000100;

enum class PriorityOutcome {
    Raised, // real time: the main thread may step back to idle
    Warn,   // less than real time: tell the user
    Quiet,  // less than real time, and the user asked not to be told
};

// Without the privilege to raise priority, asking for the real-time class
// succeeds but grants the high class; only the class read back counts. In the
// high class an idle main thread would starve under load, so it steps back only
// when real time was granted.
inline PriorityOutcome JudgePriorities(bool classSet, uint32_t grantedClass,
                                       bool serverThreadRaised, bool prioWarn)
{
    if (classSet && grantedClass == REALTIME_CLASS && serverThreadRaised)
        return PriorityOutcome::Raised;
    return prioWarn ? PriorityOutcome::Warn : PriorityOutcome::Quiet;
}
