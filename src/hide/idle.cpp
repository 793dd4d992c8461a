#include "hide/hide.h"

#include "app/app.h"
#include "settings/settings.h"
#include "taskbar/autohide_bars.h"

std::atomic<uint32_t> lastInputTime{0};
std::atomic<uint8_t> isHidden{0};
std::atomic<HWND> HideWindow{nullptr};
std::atomic<int32_t> ownMoveX{NO_OWN_MOVE.x};
std::atomic<int32_t> ownMoveY{NO_OWN_MOVE.y};
std::atomic<uint32_t> ownMoveTime{NO_OWN_MOVE.time};

uint32_t lastSeenInputTime = 0;
int32_t idleTicks = 0;

namespace {

// The bar's window rectangle, or null when the edge has no bar or its window has
// gone away since the refresh.
const BarRect* ReadBarRect(UINT edge, BarRect* out)
{
    HWND bar = AutoHideBars[edge].load();
    RECT r;
    if (bar == nullptr || !GetWindowRect(bar, &r))
        return nullptr;
    *out = {r.left, r.top, r.right, r.bottom};
    return out;
}

// True when it moved the cursor.
bool HideCursorNow()
{
    RegisterHideClass();
    POINT point;
    if (!GetHidePoint(&point))
        return false;
    const HideMethodTraits traits = TraitsOf(settings.hideMode.load());
    if (traits.window != HideWindowKind::None) {
        HWND window = CreateHideWindow(traits.window, point);
        HideWindow.store(window);
        // A mouse event after the flag was set but before the handle was stored
        // had no window to unhide: the hide is over already.
        if (window != nullptr && isHidden.load() == 0) {
            DestroyHideWindow();
            return false;
        }
        SetTopmostVisible(window, true);
    }
    // A mouse event during the work above has ended the hide: no late jump.
    if (!traits.movesCursor || isHidden.load() == 0)
        return false;
    // Noted first: an echo of the move may reach the hook before SetCursorPos returns.
    ownMoveTime.store(GetTickCount());
    ownMoveX.store(point.x);
    ownMoveY.store(point.y);
    return SetCursorPos(point.x, point.y) != FALSE;
}

} // namespace

OwnMove LastOwnMove()
{
    return {ownMoveX.load(), ownMoveY.load(), ownMoveTime.load()};
}

void RequestUnhide()
{
    RequestUnhideOf(isHidden, HideWindow,
                    [](HWND window) { PostMessageA(window, WMU_UNHIDE, 0, 0); });
}

BOOL GetHidePoint(POINT* point)
{
    const HideMethodTraits traits = TraitsOf(settings.hideMode.load());
    if (!traits.atCorner)
        return GetCursorPos(point);
    ScreenPoint corner =
        BottomRightPixel(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    if (traits.clearOfBars) {
        BarRect right;
        BarRect bottom;
        corner =
            ClearOfBars(corner, ReadBarRect(ABE_RIGHT, &right), ReadBarRect(ABE_BOTTOM, &bottom));
    }
    point->x = corner.x;
    point->y = corner.y;
    return TRUE;
}

bool HideIfIdle(bool pointerMoved)
{
    const uint32_t inputTime = lastInputTime.load();
    const TickAction action =
        DecideTick(inputTime, lastSeenInputTime, pointerMoved, isHidden.load() != 0,
                   settings.hideEnabled.load() != 0, settings.hideSeconds.load(), idleTicks);
    if (action == TickAction::Unhide)
        RequestUnhide();
    if (action != TickAction::Hide) {
        lastSeenInputTime = inputTime;
        return false;
    }
    isHidden.store(1);
    // A window from an earlier hide still exists: no second one.
    if (HideWindow.load() != nullptr) {
        lastSeenInputTime = inputTime;
        return false;
    }
    const bool moved = HideCursorNow();
    lastSeenInputTime = lastInputTime.load();
    return moved;
}
