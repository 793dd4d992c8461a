// One mouse event's bump, as the hook runs it: on the bar table published
// last, which stays the same while the event reads it, with the settings as
// the event finds them. The platform's part (a bar's rectangle, the set-back,
// the stripe) is passed in, so that the thread-safety checks run this path
// with stand-ins for the windows.
#pragma once

#include "settings/settings_record.h"
#include "taskbar/bump_rules.h"
#include "taskbar/desktop_rules.h"

#include <cstdint>

namespace bump {

// The bumps in progress on every monitor, and the layout of the table that
// they belong to. The hook's thread's alone.
struct Progress {
    BumpState states[geo::MAX_MONITORS];
    uint32_t layout;
};

// The settings as one event sees them; `color` is the stored word it was read from.
inline BumpConfig ConfigOf(const Settings& settings, uint32_t color)
{
    return {settings.bumpStrength.load(), settings.bumpTime.load(),
            (color & BUMP_NO_INDICATION) == 0};
}

// `platform` does the work that needs the system, for the table read:
//   BarRect(table, monitor, edge, rect)  fills the bar's rectangle, false where
//                                        the edge has no bar to hold;
//   Reaches(table, monitor, point)       whether the mouse would reach a bar of
//                                        the monitor there;
//   Act(table, monitor, edge, decision, color)  carries the decision out;
//   ForgetBumps()                        the monitors changed: what shows of
//                                        the bumps in progress goes with them;
//   ConfigFor(config)                    the settings as the event's pointing
//                                        device is judged by them.
// Returns 1 when the event is to be swallowed.
template <class Table, int Readers, class Platform>
int BumpOnTable(desktop::Exchange<Table, Readers>& tables, int reader, Progress& progress,
                const Settings& settings, geo::Point p, uint32_t time, Platform& platform)
{
    const Table* table = tables.Acquire(reader);
    if (table == nullptr) {
        tables.Release(reader);
        return 0;
    }
    // Bumps in progress on monitors that have changed mean nothing any more.
    if (table->layout != progress.layout) {
        for (BumpState& state : progress.states)
            state = {};
        progress.layout = table->layout;
        platform.ForgetBumps();
    }
    const uint32_t color = settings.bumpColor.load();
    const int result = BumpEvent(
        p, table->desktop, time, platform.ConfigFor(ConfigOf(settings, color)), progress.states,
        [&](int monitor, Edge edge, Rect& rect) {
            return platform.BarRect(*table, monitor, edge, rect);
        },
        [&](int monitor, Point at) { return platform.Reaches(*table, monitor, at); },
        [&](int monitor, Edge edge, const EdgeDecision& d) {
            platform.Act(*table, monitor, edge, d, color);
        });
    tables.Release(reader);
    return result;
}

} // namespace bump
