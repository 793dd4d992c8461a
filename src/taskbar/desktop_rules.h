// The desktop as the hook judges it: which monitors a full-screen program
// pauses, when the monitor layout changed, and how a table built on the thread
// that asks the shell reaches the hook's thread and the main thread without a
// lock.
#pragma once

#include "taskbar/bump_rules.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <iterator>

namespace desktop {

// One window as the shell looks at it when it judges full screen.
struct Window {
    // The desktop itself: its window, the shell's, the hosts of its icon view.
    // Show desktop and a click on the desktop make one of these the foreground
    // window, and they cover every monitor without a caption.
    bool desktopHost;
    bool toolWindow;   // overlays and capture frames are never full screen
    bool nonRude;      // the window asked the shell not to be taken as full screen
    bool cloaked;      // out of sight, as the shell's input windows that cover a monitor
    bool framed;       // a caption or a sizing frame
    bump::Rect rect;   // the window rectangle in screen coordinates
    bump::Rect client; // the client area in screen coordinates
};

// The foreground window and its root owner (the window itself when it has no
// owner), as the shell judges full screen.
struct Foreground {
    Window window;
    Window owner;
    // Hidden owners, such as the one a framework gives its forms that have no
    // task-bar button, are not judged.
    bool ownerVisible;
    // The monitor of the foreground window while the shell reports a Direct3D
    // program in full screen; -1 otherwise.
    int32_t d3dMonitor;
};

// Whether `outer` covers the monitor whole.
inline bool CoversWhole(bump::Rect outer, bump::Rect monitor)
{
    return outer.left <= monitor.left && outer.top <= monitor.top && outer.right >= monitor.right
           && outer.bottom >= monitor.bottom;
}

inline bool MayBeFullScreen(const Window& window)
{
    return !window.desktopHost && !window.toolWindow && !window.nonRude && !window.cloaked;
}

// A window in full screen on `monitor`. With a caption or a sizing frame its
// client area must cover the monitor, so a maximized window, whose caption lies
// on the monitor, does not count; else its window rectangle must, as a pop-up's
// thin border lies on the monitor too.
inline bool FullScreenOn(const Window& window, bump::Rect monitor)
{
    return MayBeFullScreen(window)
           && CoversWhole(window.framed ? window.client : window.rect, monitor);
}

// A program in full screen: the system slides no bar in over it, and games use
// the screen edges. The foreground window counts, and so does its visible root
// owner, so a player stays in full screen behind its small controls. Pauses
// exactly the monitors they cover.
inline void PauseUnderFullScreen(bump::Desktop& desktop, const Foreground& foreground)
{
    const int count = desktop.count < bump::MAX_MONITORS ? desktop.count : bump::MAX_MONITORS;
    for (int m = 0; m < count; ++m) {
        const bump::Rect monitor = desktop.monitors[m];
        // The Direct3D report comes from any program that holds the screen, and
        // seconds late after a mode change: it counts only for a foreground
        // window that may be full screen and covers the monitor.
        const bool direct3D = m == foreground.d3dMonitor && MayBeFullScreen(foreground.window)
                              && CoversWhole(foreground.window.rect, monitor);
        desktop.paused[m] = FullScreenOn(foreground.window, monitor)
                            || (foreground.ownerVisible && FullScreenOn(foreground.owner, monitor))
                            || direct3D;
    }
}

inline bool SameRect(bump::Rect a, bump::Rect b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

// The index of the monitor at exactly `rect`; -1 when none is.
inline int IndexOfMonitor(const bump::Desktop& desktop, bump::Rect rect)
{
    const int count = desktop.count < bump::MAX_MONITORS ? desktop.count : bump::MAX_MONITORS;
    for (int m = 0; m < count; ++m) {
        if (SameRect(desktop.monitors[m], rect))
            return m;
    }
    return -1;
}

// Same monitors in the same places: bumps in progress keep their meaning.
inline bool SameLayout(const bump::Desktop& a, const bump::Desktop& b)
{
    if (a.count != b.count)
        return false;
    const int count = a.count < bump::MAX_MONITORS ? a.count : bump::MAX_MONITORS;
    for (int m = 0; m < count; ++m) {
        if (!SameRect(a.monitors[m], b.monitors[m]))
            return false;
    }
    return true;
}

// The layout number of a new table: 1 for the first, the previous one while the
// monitors stay, another as soon as they change, which drops bumps in progress.
inline uint32_t NextLayout(const bump::Desktop* previous, uint32_t previousLayout,
                           const bump::Desktop& now)
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

// The point of a hidden bar's strip that names its monitor: the middle of its
// inner edge, the row or column left on the screen. Most of a hidden bar's
// rectangle lies off its monitor, often over the neighbouring one.
inline bump::Point StripPoint(bump::Rect bar, bump::Edge edge)
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

// Work on the bar table, one at a time on the thread that asks the shell.
enum class TableWork {
    None,
    Refresh, // ask the shell and judge the foreground
    Rejudge, // judge the foreground only
};

// What the main thread has asked of the shell's thread, as counts that only the
// main thread raises; the shell's thread keeps the counts it has taken on. Asks
// that come while work runs show as counts not yet taken, and however many they
// were, they run once afterwards.
struct TableAsks {
    uint32_t refresh;
    uint32_t rejudge;
};

// Takes on every ask not yet taken and says what to run for them: a refresh
// judges the foreground too, so it takes a noted re-judge along; before the
// first table there is nothing to judge, and a re-judge is dropped. None when
// nothing is to run.
inline TableWork TakeTableWork(const TableAsks& asked, TableAsks& taken, bool haveTable)
{
    const bool refresh = asked.refresh != taken.refresh;
    const bool rejudge = asked.rejudge != taken.rejudge;
    taken = asked;
    if (refresh)
        return TableWork::Refresh;
    return rejudge && haveTable ? TableWork::Rejudge : TableWork::None;
}

// Whether the refresh of ask number `asked` is done, once the shell's thread has
// finished the one of number `done`; the counts may have wrapped.
inline bool RefreshAnswered(uint32_t done, uint32_t asked)
{
    return static_cast<int32_t>(done - asked) >= 0;
}

} // namespace desktop
