#include "hide/hide.h"

#include "taskbar/geometry_win.h"

// The system's side of the idle decision, for one tick.
struct HidePlatform {
    CursorHider& hider;
    HWND owner;

    void RequestUnhide() { ::RequestUnhide(hider.shared); }
    void RegisterHideClass() { hider.RegisterHideClass(); }
    bool HidePoint(geo::Point& point)
    {
        POINT p;
        if (!hider.GetHidePoint(&p))
            return false;
        point = {p.x, p.y};
        return true;
    }
    HWND Create(HideWindowKind kind, geo::Point point)
    {
        return hider.CreateHideWindow(kind, {point.x, point.y}, owner);
    }
    void Show(HWND window) { CursorHider::SetTopmostVisible(window, true); }
    void DestroyHideWindow() { hider.DestroyHideWindow(); }
    bool MoveCursor(geo::Point point) { return SetCursorPos(point.x, point.y) != FALSE; }
    uint32_t Now() { return GetTickCount(); }
};

void RequestUnhide(Shared& shared)
{
    RequestUnhideOf(shared.isHidden, shared.HideWindow,
                    [](HWND window) { PostMessageA(window, WMU_UNHIDE, 0, 0); });
}

BOOL CursorHider::GetHidePoint(POINT* point)
{
    // A bar's rectangle, from the table the last refresh published; none when
    // the edge has no bar or its window has gone away since.
    const auto barRect = [this](UINT edge, geo::Rect& rect) {
        HWND bar = bars.PrimaryBar(edge);
        RECT r;
        if (bar == nullptr || !GetWindowRect(bar, &r))
            return false;
        rect = geo::FromWin(r);
        return true;
    };
    geo::Point at = {0, 0};
    const bool found = HidePoint(
        shared.settings.hideMode.load(), GetSystemMetrics(SM_CXSCREEN),
        GetSystemMetrics(SM_CYSCREEN), at,
        [](geo::Point& cursor) {
            POINT p;
            if (!GetCursorPos(&p))
                return false;
            cursor = {p.x, p.y};
            return true;
        },
        [&barRect](geo::Rect& rect) { return barRect(ABE_RIGHT, rect); },
        [&barRect](geo::Rect& rect) { return barRect(ABE_BOTTOM, rect); });
    point->x = at.x;
    point->y = at.y;
    return found ? TRUE : FALSE;
}

bool CursorHider::HideIfIdle(bool pointerMoved, HWND owner)
{
    HidePlatform platform = {*this, owner};
    return HideTick(shared, count, pointerMoved, platform);
}
