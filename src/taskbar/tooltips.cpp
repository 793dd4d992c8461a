#include "taskbar/tooltips.h"

#include <string.h>

namespace {

bool IsTooltip(HWND window)
{
    char name[32];
    return GetClassNameA(window, name, sizeof(name)) > 0 && _stricmp(name, "tooltips_class32") == 0;
}

} // namespace

BOOL PlaceJustAbove(HWND window, HWND reference)
{
    // Bars are topmost: with nothing above the bar, the top of the topmost band
    // is the place directly above it. Asynchronous, so that a tooltip of a hung
    // program cannot hold up every tick.
    HWND above = GetWindow(reference, GW_HWNDPREV);
    return SetWindowPos(window, above != nullptr ? above : HWND_TOPMOST, 0, 0, 1, 1,
                        SWP_NOOWNERZORDER | SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE
                            | SWP_ASYNCWINDOWPOS);
}

void RaiseTooltipsAboveTaskBars(const Settings& settings, AutoHideBars& bars)
{
    if (!settings.tooltipsOnTop.load() || bars.CountAutoHideBars() == 0)
        return;
    int budget = MAX_WINDOW_WALK;
    HWND reference = nullptr;
    for (HWND window = GetWindow(GetDesktopWindow(), GW_CHILD); window != nullptr;
         window = GetWindow(window, GW_HWNDNEXT)) {
        if (--budget < 0)
            break;
        if (reference == nullptr) {
            if (bars.IsAutoHideBar(window))
                reference = window;
        } else if (IsTooltip(window)) {
            PlaceJustAbove(window, reference);
        }
    }
}
