// The desktop as the hook judges it: on which monitor a bar lies, when the
// monitor layout changed, and how a table built on the thread that asks the
// shell reaches the hook's thread and the main thread without a lock.
#pragma once

#include "taskbar/bump_rules.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <iterator>
#include <type_traits>

namespace desktop {

inline bool SameRect(geo::Rect a, geo::Rect b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

// The index of the monitor at exactly `rect`; -1 when none is.
inline int IndexOfMonitor(const geo::Desktop& desktop, geo::Rect rect)
{
    const int count = desktop.count < geo::MAX_MONITORS ? desktop.count : geo::MAX_MONITORS;
    for (int m = 0; m < count; ++m) {
        if (SameRect(desktop.monitors[m], rect))
            return m;
    }
    return -1;
}

// Same monitors in the same places: bumps in progress keep their meaning.
inline bool SameLayout(const geo::Desktop& a, const geo::Desktop& b)
{
    if (a.count != b.count)
        return false;
    const int count = a.count < geo::MAX_MONITORS ? a.count : geo::MAX_MONITORS;
    for (int m = 0; m < count; ++m) {
        if (!SameRect(a.monitors[m], b.monitors[m]))
            return false;
    }
    return true;
}

// The layout number of a new table: 1 for the first, the previous one while the
// monitors stay, another as soon as they change, which drops bumps in progress.
inline uint32_t NextLayout(const geo::Desktop* previous, uint32_t previousLayout,
                           const geo::Desktop& now)
{
    if (previous == nullptr)
        return 1;
    return SameLayout(*previous, now) ? previousLayout : previousLayout + 1;
}

// Hands immutable tables from one writer thread to `Readers` reader threads,
// each with its own number. A reader announces the table it reads; the writer
// fills only a slot that is neither the published one nor an announced one, so
// no table changes while it is read and none is ever freed. Two slots more than
// readers always leave one free. Plain atomic loads and stores only: a reader's
// check after its announcement sees any publication that the writer's choice of
// slot could have missed.
template <class Table, int Readers = 1>
class Exchange {
public:
    // Writer: the slot to fill next.
    Table& Draft()
    {
        const Table* taken[Readers + 1] = {current.load()};
        for (int r = 0; r < Readers; ++r)
            taken[r + 1] = announced[r].load();
        int free = 0;
        while (std::find(std::begin(taken), std::end(taken), &slots[free]) != std::end(taken))
            ++free;
        return slots[free];
    }
    // Writer: makes the filled draft the table that readers get.
    void Publish(const Table& draft) { current.store(&draft); }
    // Writer: the table published last, or null before the first.
    const Table* Published() const { return current.load(); }

    // Reader `reader`: the published table, kept unchanged until Release.
    const Table* Acquire(int reader = 0)
    {
        for (;;) {
            const Table* table = current.load();
            announced[reader].store(table);
            if (current.load() == table)
                return table;
        }
    }
    void Release(int reader = 0) { announced[reader].store(nullptr); }

private:
    Table slots[Readers + 2] = {};
    std::atomic<const Table*> current{nullptr};
    std::atomic<const Table*> announced[Readers] = {};
};

// Readers of a table of bars by monitor and edge (`bars[monitor][edge]`, a
// null entry where an edge has none): each announces the table it reads.

// The bars of all monitors of the published table; an edge counts once per
// monitor, and a bar reported for two edges twice.
template <class Table, int Readers>
int CountBars(Exchange<Table, Readers>& tables, int reader)
{
    const Table* table = tables.Acquire(reader);
    int count = 0;
    for (int m = 0; table != nullptr && m < table->desktop.count; ++m) {
        for (const auto& bar : table->bars[m])
            count += bar != nullptr ? 1 : 0;
    }
    tables.Release(reader);
    return count;
}

// Whether `window` is a bar of the published table, on any monitor.
template <class Table, int Readers, class Window>
bool HoldsBar(Exchange<Table, Readers>& tables, int reader, const Window& window)
{
    const Table* table = tables.Acquire(reader);
    bool found = false;
    for (int m = 0; table != nullptr && m < table->desktop.count; ++m) {
        for (const auto& bar : table->bars[m])
            found = found || (bar != nullptr && bar == window);
    }
    tables.Release(reader);
    return found;
}

// The primary monitor's bar at `edge` in the published table; null before the first.
template <class Table, int Readers>
auto PrimaryBar(Exchange<Table, Readers>& tables, int reader, bump::Edge edge)
    -> std::remove_cv_t<std::remove_reference_t<decltype(tables.Published()->bars[0][0])>>
{
    const Table* table = tables.Acquire(reader);
    auto bar = table != nullptr ? table->bars[0][edge] : nullptr;
    tables.Release(reader);
    return bar;
}

// The point of a hidden bar's strip that names its monitor: the middle of its
// inner edge, the row or column left on the screen. Most of a hidden bar's
// rectangle lies off its monitor, often over the neighbouring one.
inline geo::Point StripPoint(geo::Rect bar, bump::Edge edge)
{
    const int32_t midX = bar.left + (bar.right - bar.left) / 2;
    const int32_t midY = bar.top + (bar.bottom - bar.top) / 2;
    switch (edge) {
    case bump::EDGE_LEFT:
        return {bar.right - 1, midY};
    case bump::EDGE_TOP:
        return {midX, bar.bottom - 1};
    case bump::EDGE_RIGHT:
        return {bar.left, midY};
    default:
        return {midX, bar.top};
    }
}

// The monitor on which a bar leaves its strip at `edge`; -1 when that is none.
inline int MonitorOfStrip(geo::Rect bar, bump::Edge edge, const geo::Desktop& desktop)
{
    return geo::MonitorOf(StripPoint(bar, edge), desktop);
}

// Where a task bar window leaves the strip of a hidden bar: monitor -1 when it
// leaves none.
struct HiddenStrip {
    int monitor;
    bump::Edge edge;
};

// A task bar window hidden at an edge of a monitor lies along that edge, within
// the monitor's span, and beyond it but for a strip narrower than the hook's
// hidden test allows. A shown bar, an empty window (the one a shell without task
// bars keeps) and one that runs across two monitors leave none.
inline HiddenStrip HiddenStripOf(geo::Rect bar, const geo::Desktop& desktop)
{
    if (bar.right <= bar.left || bar.bottom <= bar.top)
        return {-1, bump::EDGE_LEFT};
    const int count = desktop.count < geo::MAX_MONITORS ? desktop.count : geo::MAX_MONITORS;
    for (int m = 0; m < count; ++m) {
        const geo::Rect& on = desktop.monitors[m];
        const bool alongX = bar.left >= on.left && bar.right <= on.right;
        const bool alongY = bar.top >= on.top && bar.bottom <= on.bottom;
        // The pixels left on the monitor at each edge, and whether the rest lies beyond it.
        const int64_t left = int64_t{bar.right} - on.left;
        const int64_t top = int64_t{bar.bottom} - on.top;
        const int64_t right = int64_t{on.right} - bar.left;
        const int64_t bottom = int64_t{on.bottom} - bar.top;
        if (alongY && bar.left < on.left && left > 0 && left < bump::HIDDEN_LIMIT_X)
            return {m, bump::EDGE_LEFT};
        if (alongX && bar.top < on.top && top > 0 && top < bump::HIDDEN_LIMIT_Y)
            return {m, bump::EDGE_TOP};
        if (alongY && bar.right > on.right && right > 0 && right < bump::HIDDEN_LIMIT_X)
            return {m, bump::EDGE_RIGHT};
        if (alongX && bar.bottom > on.bottom && bottom > 0 && bottom < bump::HIDDEN_LIMIT_Y)
            return {m, bump::EDGE_BOTTOM};
    }
    return {-1, bump::EDGE_LEFT};
}

// Takes on every refresh asked for and not yet taken: true when one is to run.
// The main thread raises `asked`; asks that come while a refresh runs show as a
// count not yet taken, and however many they were, they run once afterwards.
inline bool TakeRefresh(uint32_t asked, uint32_t& taken)
{
    const bool refresh = asked != taken;
    taken = asked;
    return refresh;
}

// Whether the refresh of ask number `asked` is done, once the shell's thread has
// finished the one of number `done`; the counts may have wrapped.
inline bool RefreshAnswered(uint32_t done, uint32_t asked)
{
    return static_cast<int32_t>(done - asked) >= 0;
}

} // namespace desktop
