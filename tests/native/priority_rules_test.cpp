#include "app/priority_rules.h"

#include <gtest/gtest.h>

TEST(PriorityRules, OnlyARealTimeClassReadBackCountsAsRaised)
{
    constexpr uint32_t kHigh = 0x00000080;
    constexpr uint32_t kNormal = 0x00000020;
    struct Case {
        const char* what;
        bool classSet;
        uint32_t granted;
        bool threadRaised;
        bool prioWarn;
        PriorityOutcome expected;
    } cases[] = {
        {"real time granted, warning silenced", true, REALTIME_CLASS, true, false,
         PriorityOutcome::Raised},
        {"call succeeded but high granted", true, kHigh, true, true, PriorityOutcome::Warn},
        {"high granted, warning silenced", true, kHigh, true, false, PriorityOutcome::Quiet},
        {"call failed", false, kNormal, false, true, PriorityOutcome::Warn},
        {"thread not raised", true, REALTIME_CLASS, false, true, PriorityOutcome::Warn},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.expected, JudgePriorities(c.classSet, c.granted, c.threadRaised, c.prioWarn))
            << c.what;
}
