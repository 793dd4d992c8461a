#include "app/watchdog_rules.h"

#include <gtest/gtest.h>

TEST(WatchdogRules, LostOnlyWhenThePointerMovedUnseen)
{
    const HookSample before = {true, 100, 200, 5000};
    struct Case {
        const char* what;
        HookSample before;
        HookSample now;
        bool lost;
    } cases[] = {
        {"moved, no event", before, {true, 100, 199, 5000}, true},
        {"moved with events", before, {true, 300, 400, 5900}, false},
        {"still, no event", before, {true, 100, 200, 5000}, false},
        {"still with events (clicks)", before, {true, 100, 200, 5100}, false},
        {"no place now", before, {false, 0, 0, 5000}, false},
        {"no place before", {false, 0, 0, 5000}, {true, 1, 1, 5000}, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.lost, HookLost(c.before, c.now)) << c.what;
}
