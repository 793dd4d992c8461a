#include "taskbar/mouse_hook.h"

#include "app/server.h"
#include "hide/hide.h"
#include "settings/settings.h"
#include "taskbar/autohide_bars.h"
#include "taskbar/reach.h"
#include "taskbar/stripe_window.h"

bump::BumpState bumpState[bump::MAX_MONITORS] = {};

static_assert(bump::EDGE_LEFT == ABE_LEFT && bump::EDGE_TOP == ABE_TOP
                  && bump::EDGE_RIGHT == ABE_RIGHT && bump::EDGE_BOTTOM == ABE_BOTTOM,
              "edges are indexed like the shell's");

namespace {

// The layout that the bumps in progress belong to.
uint32_t bumpLayout = 0;

// The first-contact stripes, the hook thread's.
StripeWindows stripes;

void ForgetBumps()
{
    for (bump::BumpState& state : bumpState)
        state = {};
    stripes.HideAll();
}

} // namespace

int BumpCursor(int x, int y, DWORD time)
{
    const DesktopBars* table = desktopBars.Acquire(HOOK_READER);
    if (table == nullptr) {
        desktopBars.Release(HOOK_READER);
        return 0;
    }
    // Bumps in progress on monitors that have changed mean nothing any more.
    if (table->layout != bumpLayout) {
        ForgetBumps();
        bumpLayout = table->layout;
    }
    const uint32_t color = settings.bumpColor.load();
    const bump::BumpConfig config = {settings.bumpStrength.load(), settings.bumpTime.load(),
                                     (color & BUMP_NO_INDICATION) == 0};
    bump::Rect barRect = {};
    const auto readBar = [&barRect, table](int monitor, bump::Edge edge, bump::Rect& rect) {
        HWND bar = table->bars[monitor][edge];
        RECT r;
        // A bar destroyed since the last refresh has no rectangle to judge by,
        // nor a stripe to keep.
        if (bar == nullptr || !GetWindowRect(bar, &r)) {
            stripes.Apply(monitor, edge, bump::StripeChange::Hide, {}, 0);
            return false;
        }
        rect = {r.left, r.top, r.right, r.bottom};
        barRect = rect;
        return true;
    };
    // One look at the windows per position, however many strips hold it.
    bool looked = false;
    bump::Point lookedAt = {};
    reach::Reached<HWND> reached = {};
    const auto reaches = [&, table](int monitor, bump::Point p) {
        if (!looked || p.x != lookedAt.x || p.y != lookedAt.y) {
            reached = WindowReachedAt(p);
            lookedAt = p;
            looked = true;
        }
        return reach::BarReached(reached, table->bars[monitor], bump::EDGE_COUNT);
    };
    const auto act = [&barRect, table, color](int monitor, bump::Edge edge,
                                              const bump::EdgeDecision& d) {
        // Set back before the stripe shows, so it never appears under the pointer.
        if (d.action == bump::EdgeAction::SetBack)
            SetCursorPos(d.cursor.x, d.cursor.y);
        const bool hidden =
            bump::Geometry(edge, barRect, d.cursor, table->desktop.monitors[monitor]).hidden;
        stripes.Apply(monitor, edge, bump::StripeAfter(d, hidden), d.paintRect, color & 0xFFFFFF);
    };
    const int result =
        bump::BumpEvent({x, y}, table->desktop, time, config, bumpState, readBar, reaches, act);
    desktopBars.Release(HOOK_READER);
    return result;
}

LRESULT CALLBACK LowLevelMouseProc(int nCode, WPARAM wParam, LPARAM lParam)
{
    if (nCode < 0)
        return CallNextHookEx(MouseHook.load(), nCode, wParam, lParam);
    const auto* event = reinterpret_cast<const MSLLHOOKSTRUCT*>(lParam);
    if (!IsOwnMoveEcho(LastOwnMove(), wParam == WM_MOUSEMOVE, event->pt.x, event->pt.y,
                       event->time)) {
        lastInputTime.store(event->time);
        RequestUnhide();
    }
    // A release always gets through: with absolute pointing (pen, touch, remote
    // desktop) one swallowed on a strip would leave the button down for good.
    const bool release = wParam == WM_LBUTTONUP || wParam == WM_RBUTTONUP || wParam == WM_MBUTTONUP
                         || wParam == WM_XBUTTONUP;
    if (!settings.bumpEnabled.load())
        EndBumpStripes();
    if (settings.bumpEnabled.load() && !release
        && BumpCursor(event->pt.x, event->pt.y, event->time) != 0) {
        // Later hooks still see the event; the system neither moves the cursor nor delivers it.
        CallNextHookEx(MouseHook.load(), nCode, wParam, lParam);
        return -1;
    }
    return CallNextHookEx(MouseHook.load(), nCode, wParam, lParam);
}

void EndBumpStripes()
{
    stripes.HideAll();
}
