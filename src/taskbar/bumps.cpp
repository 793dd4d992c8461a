#include "taskbar/bumps.h"

#include "taskbar/geometry_win.h"
#include "taskbar/reach.h"

static_assert(bump::EDGE_LEFT == ABE_LEFT && bump::EDGE_TOP == ABE_TOP
                  && bump::EDGE_RIGHT == ABE_RIGHT && bump::EDGE_BOTTOM == ABE_BOTTOM,
              "edges are indexed like the shell's");

// The system's side of one event's bump.
struct BumpPlatform {
    StripeWindows& stripes;
    const bump::Progress& progress;
    pointer::Kind kind;
    pointer::Held* held;
    bump::BumpConfig config;
    // The rectangle of the bar read last, for the decision that follows.
    geo::Rect barRect;
    // One look at the windows per position, however many strips hold it.
    bool looked;
    geo::Point lookedAt;
    reach::Reached<HWND> reached;

    bool BarRect(const DesktopBars& table, int monitor, bump::Edge edge, geo::Rect& rect)
    {
        HWND bar = table.bars[monitor][edge];
        RECT r;
        // A bar destroyed since the last refresh has no rectangle to judge by,
        // nor a stripe to keep.
        if (bar == nullptr || !GetWindowRect(bar, &r)) {
            stripes.Apply(monitor, edge, bump::StripeChange::Hide, {}, 0);
            return false;
        }
        rect = geo::FromWin(r);
        barRect = rect;
        return true;
    }

    bool Reaches(const DesktopBars& table, int monitor, geo::Point p)
    {
        if (!looked || p.x != lookedAt.x || p.y != lookedAt.y) {
            reached = WindowReachedAt(p);
            lookedAt = p;
            looked = true;
        }
        return reach::BarReached(reached, table.bars[monitor], bump::EDGE_COUNT);
    }

    void Act(const DesktopBars& table, int monitor, bump::Edge edge, const bump::EdgeDecision& d,
             uint32_t color)
    {
        // Set back before the stripe shows, so it never appears under the pointer.
        if (d.action == bump::EdgeAction::SetBack) {
            SetCursorPos(d.cursor.x, d.cursor.y);
            if (held != nullptr)
                pointer::NoteHeld(*held, monitor, edge,
                                  progress.states[monitor].bumpStartTime[edge], config.bumpTime,
                                  d.cursor);
        }
        const bool hidden =
            bump::Geometry(edge, barRect, d.cursor, table.desktop.monitors[monitor]).hidden;
        stripes.Apply(monitor, edge, bump::StripeAfter(d, hidden), d.paintRect, color & 0xFFFFFF);
    }

    void ForgetBumps() { stripes.HideAll(); }

    bump::BumpConfig ConfigFor(const bump::BumpConfig& settings)
    {
        config = pointer::ConfigFor(kind, settings);
        return config;
    }
};

int Bumps::BumpCursor(int x, int y, DWORD time, pointer::Kind kind, pointer::Held* held)
{
    BumpPlatform platform = {stripes, progress,      kind,
                             held,    {0, 0, false}, {0, 0, 0, 0},
                             false,   {0, 0},        {nullptr, false}};
    return bump::BumpOnTable(tables, HOOK_READER, progress, settings, {x, y}, time, platform);
}
