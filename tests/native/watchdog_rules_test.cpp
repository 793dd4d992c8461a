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

TEST(WatchdogRules, RenewalsBackOffWhileTheyBringNoEventAndResumeWithOne)
{
    // One look a second; the pointer keeps moving unseen (a program run as
    // administrator has it) until an event comes at 40 s.
    struct Step {
        uint32_t at;
        uint32_t inputTime;
        bool renew;
    } steps[] = {
        {1000, 500, false}, // first look
        {2000, 500, true},    {3000, 500, true},     {4000, 500, false},
        {32000, 500, false},  {33000, 500, true},    // 30 s after the last renewal
        {34000, 500, false},  {40000, 39900, false}, // an event: the hook works again
        {41000, 39900, true}, {42000, 39900, true},  {43000, 39900, false},
    };
    // Once more with the tick count wrapping 7 s into the back-off.
    for (const uint32_t offset : {0u, 0u - 10000u}) {
        WatchdogState state = {{false, 0, 0, 0}, 0, 0};
        int32_t x = 0;
        for (const Step& s : steps) {
            const HookSample now = {true, x += 7, 50, s.inputTime};
            EXPECT_EQ(s.renew, WatchTick(state, now, s.at + offset))
                << "at " << s.at << "+" << offset;
        }
    }
}
