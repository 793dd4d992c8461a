// The desktop as the hook judges it: which monitors a full-screen program
// pauses, when the monitor layout changed, and how a table built once a second
// on the main thread reaches the hook's thread without a lock.
#pragma once

#include "taskbar/bump_rules.h"

#include <atomic>
#include <cstdint>

namespace desktop {

// The platform's WS_CAPTION: a border and a dialog frame together.
constexpr uint32_t STYLE_CAPTION = 0x00C00000u;

// The foreground window as the pause rule sees it.
struct Foreground {
    uint32_t style;
    bool desktopOrShell; // the desktop's or the shell's own window
    bump::Rect rect;
};

// A program in full screen: a window without caption that covers its monitor
// whole. The system slides no bar in over it, and games use the screen edges.
inline bool CoversWhole(const Foreground& window, bump::Rect monitor)
{
    return !window.desktopOrShell && (window.style & STYLE_CAPTION) != STYLE_CAPTION
           && window.rect.left <= monitor.left && window.rect.top <= monitor.top
           && window.rect.right >= monitor.right && window.rect.bottom >= monitor.bottom;
}

// Pauses every monitor that the foreground window covers in full screen.
inline void PauseUnderFullScreen(bump::Desktop& desktop, const Foreground& window)
{
    const int count = desktop.count < bump::MAX_MONITORS ? desktop.count : bump::MAX_MONITORS;
    for (int m = 0; m < count; ++m)
        desktop.paused[m] = CoversWhole(window, desktop.monitors[m]);
}

// Same monitors in the same places: bumps in progress keep their meaning.
inline bool SameLayout(const bump::Desktop& a, const bump::Desktop& b)
{
    if (a.count != b.count)
        return false;
    const int count = a.count < bump::MAX_MONITORS ? a.count : bump::MAX_MONITORS;
    for (int m = 0; m < count; ++m) {
        const bump::Rect& r = a.monitors[m];
        const bump::Rect& s = b.monitors[m];
        if (r.left != s.left || r.top != s.top || r.right != s.right || r.bottom != s.bottom)
            return false;
    }
    return true;
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

} // namespace desktop
