#include "taskbar/bumps.h"

#include "taskbar/geometry_win.h"

static_assert(bump::EDGE_LEFT == ABE_LEFT && bump::EDGE_TOP == ABE_TOP
                  && bump::EDGE_RIGHT == ABE_RIGHT && bump::EDGE_BOTTOM == ABE_BOTTOM,
              "edges are indexed like the shell's");

namespace {

// The one-pixel stripe that shows the first contact.
void PaintStripe(HWND bar, const geo::Rect& stripe, COLORREF color)
{
    HDC dc = GetWindowDC(bar);
    HBRUSH brush = CreateSolidBrush(color);
    HGDIOBJ previous = SelectObject(dc, brush);
    const RECT r = geo::ToWin(stripe);
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

// A bar's rectangle, read on every event that needs it; none for a bar
// destroyed since the last refresh, which has no rectangle to judge by.
bool BarRect(HWND bar, geo::Rect& rect)
{
    RECT r;
    if (bar == nullptr || !GetWindowRect(bar, &r))
        return false;
    // The shell's own verdict on full screen: it takes the topmost flag from
    // the bars of a monitor while a full-screen program is on top there, and
    // such a bar does not slide in. Read on every event, without waiting on
    // anybody, so the verdict counts from the next move.
    if ((GetWindowLongPtrA(bar, GWL_EXSTYLE) & WS_EX_TOPMOST) == 0)
        return false;
    rect = geo::FromWin(r);
    return true;
}

} // namespace

int Bumps::BumpCursor(int x, int y, DWORD time)
{
    return bump::BumpOnTable(
        tables, HOOK_READER, progress, settings, {x, y}, time,
        [](const DesktopBars& table, int monitor, bump::Edge edge, geo::Rect& rect) {
            return BarRect(table.bars[monitor][edge], rect);
        },
        [](const DesktopBars& table, int monitor, bump::Edge edge, const bump::EdgeDecision& d,
           uint32_t color) {
            HWND bar = table.bars[monitor][edge];
            if (d.action == bump::EdgeAction::SetBack) {
                if (d.paint)
                    PaintStripe(bar, d.paintRect, color & 0xFFFFFF);
                SetCursorPos(d.cursor.x, d.cursor.y);
            } else if (d.action == bump::EdgeAction::Release && d.paint) {
                RepaintBar(bar);
            }
        });
}
