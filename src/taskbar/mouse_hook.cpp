#include "taskbar/mouse_hook.h"

#include "app/server.h"
#include "hide/hide.h"
#include "settings/settings.h"
#include "taskbar/autohide_bars.h"
#include "taskbar/pointer_sense.h"

bump::BumpState bumpState[bump::MAX_MONITORS] = {};

static_assert(bump::EDGE_LEFT == ABE_LEFT && bump::EDGE_TOP == ABE_TOP
                  && bump::EDGE_RIGHT == ABE_RIGHT && bump::EDGE_BOTTOM == ABE_BOTTOM,
              "edges are indexed like the shell's");

namespace {

RECT ToRect(const bump::Rect& r)
{
    return {r.left, r.top, r.right, r.bottom};
}

// The one-pixel stripe that shows the first contact.
void PaintStripe(HWND bar, const bump::Rect& stripe, COLORREF color)
{
    HDC dc = GetWindowDC(bar);
    HBRUSH brush = CreateSolidBrush(color);
    HGDIOBJ previous = SelectObject(dc, brush);
    const RECT r = ToRect(stripe);
    FillRect(dc, &r, brush);
    SelectObject(dc, previous);
    DeleteObject(brush);
    ReleaseDC(bar, dc);
}

// Asks the bar to paint itself over the stripe, frame and children included.
// Only invalidated: the bar paints when its own thread gets to it, and the hook
// never waits for another program.
void RepaintBar(HWND bar)
{
    RedrawWindow(bar, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

// The layout that the bumps in progress belong to.
uint32_t bumpLayout = 0;

void ForgetBumps()
{
    for (bump::BumpState& state : bumpState)
        state = {};
}

} // namespace

int BumpCursor(int x, int y, DWORD time, pointer::Kind kind, pointer::Held* held)
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
    const bump::BumpConfig config =
        pointer::ConfigFor(kind, {settings.bumpStrength.load(), settings.bumpTime.load(),
                                  (color & BUMP_NO_INDICATION) == 0});
    HWND bar = nullptr;
    const auto barRect = [&bar, table](int monitor, bump::Edge edge, bump::Rect& rect) {
        bar = table->bars[monitor][edge];
        RECT r;
        // A bar destroyed since the last refresh has no rectangle to judge by.
        if (bar == nullptr || !GetWindowRect(bar, &r))
            return false;
        // The shell's own verdict on full screen: it takes the topmost flag from
        // the bars of a monitor while a full-screen program is on top there, and
        // such a bar does not slide in. Read on every event, without waiting on
        // anybody, so the verdict counts from the next move.
        if ((GetWindowLongPtrA(bar, GWL_EXSTYLE) & WS_EX_TOPMOST) == 0)
            return false;
        rect = {r.left, r.top, r.right, r.bottom};
        return true;
    };
    const auto act = [&bar, color, held, config](int monitor, bump::Edge edge,
                                                 const bump::EdgeDecision& d) {
        if (d.action == bump::EdgeAction::SetBack) {
            if (d.paint)
                PaintStripe(bar, d.paintRect, color & 0xFFFFFF);
            SetCursorPos(d.cursor.x, d.cursor.y);
            if (held != nullptr)
                pointer::NoteHeld(*held, monitor, edge, bumpState[monitor].bumpStartTime[edge],
                                  config.bumpTime, d.cursor);
        } else if (d.action == bump::EdgeAction::Release && d.paint) {
            RepaintBar(bar);
        }
    };
    const int result =
        bump::BumpEvent({x, y}, table->desktop, time, config, bumpState, barRect, act);
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
    const PointerEvent pointerEvent = BeginPointerEvent(wParam, *event);
    // A release always gets through: with absolute pointing (pen, touch, remote
    // desktop) one swallowed on a strip would leave the button down for good.
    const bool release = wParam == WM_LBUTTONUP || wParam == WM_RBUTTONUP || wParam == WM_MBUTTONUP
                         || wParam == WM_XBUTTONUP;
    // A touch is never held: the shell opens its bars by an edge swipe.
    pointer::Held held = {};
    const bool swallow =
        settings.bumpEnabled.load() && !release && pointerEvent.kind != pointer::Kind::Touch
        && BumpCursor(event->pt.x, event->pt.y, event->time, pointerEvent.kind, &held) != 0;
    EndPointerEvent(pointerEvent, held);
    if (swallow) {
        // Later hooks still see the event; the system neither moves the cursor nor delivers it.
        CallNextHookEx(MouseHook.load(), nCode, wParam, lParam);
        return -1;
    }
    return CallNextHookEx(MouseHook.load(), nCode, wParam, lParam);
}
