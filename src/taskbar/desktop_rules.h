// The desktop as the hook judges it: which monitors a full-screen program
// pauses, when the monitor layout changed, and how a table built on the main
// thread reaches the hook's thread without a lock.
#pragma once

#include "taskbar/bump_rules.h"

#include <atomic>
#include <cstdint>

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

// Hands immutable tables from one writer thread to one reader thread. The reader
// announces the table it reads; the writer fills only a slot that is neither the
// published one nor the announced one, so no table changes while it is read and
// none is ever freed. Three slots always leave one free. Plain atomic loads and
// stores only: the reader's check after its announcement sees any publication
// that the writer's choice of slot could have missed.
template <class Table>
class Exchange {
public:
    // Writer: the slot to fill next.
    Table& Draft()
    {
        const Table* published = current.load();
        const Table* read = announced.load();
        int free = 0;
        while (&slots[free] == published || &slots[free] == read)
            ++free;
        return slots[free];
    }
    // Writer: makes the filled draft the table that readers get.
    void Publish(const Table& draft) { current.store(&draft); }
    // Writer: the table published last, or null before the first.
    const Table* Published() const { return current.load(); }

    // Reader: the published table, kept unchanged until Release.
    const Table* Acquire()
    {
        for (;;) {
            const Table* table = current.load();
            announced.store(table);
            if (current.load() == table)
                return table;
        }
    }
    void Release() { announced.store(nullptr); }

private:
    Table slots[3] = {};
    std::atomic<const Table*> current{nullptr};
    std::atomic<const Table*> announced{nullptr};
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

// Work on the bar table, one at a time on the main thread.
enum class TableWork {
    None,
    Refresh, // ask the shell and judge the foreground
    Rejudge, // judge the foreground only
};

// Asking the shell waits in sent messages, and what the thread handles meanwhile
// may ask for work on the table again. Such work runs once, right after the
// current one has published, never inside it and never over and over.
struct TableQueue {
    bool busy;
    bool refresh;
    bool rejudge;
};

// Whether `work` may start now; otherwise it is noted for later.
inline bool BeginTableWork(TableQueue& queue, TableWork work)
{
    if (!queue.busy) {
        queue.busy = true;
        return true;
    }
    if (work == TableWork::Refresh)
        queue.refresh = true;
    else
        queue.rejudge = true;
    return false;
}

// The current work has published: the work to run next, None when the table is
// free again. A refresh judges the foreground too, so it takes a noted re-judge
// along.
inline TableWork EndTableWork(TableQueue& queue)
{
    TableWork next = TableWork::None;
    if (queue.refresh)
        next = TableWork::Refresh;
    else if (queue.rejudge)
        next = TableWork::Rejudge;
    queue.refresh = false;
    queue.rejudge = false;
    queue.busy = next != TableWork::None;
    return next;
}

} // namespace desktop
