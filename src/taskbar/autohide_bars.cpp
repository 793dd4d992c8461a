#include "taskbar/autohide_bars.h"


std::atomic<HWND> AutoHideBars[4];

void RefreshAutoHideBars()
{
    for (UINT edge = ABE_LEFT; edge <= ABE_BOTTOM; ++edge) {
        APPBARDATA query;
        query.cbSize = sizeof(query);
        query.hWnd = nullptr;
        query.uEdge = edge;
        AutoHideBars[edge].store(reinterpret_cast<HWND>(SHAppBarMessage(ABM_GETAUTOHIDEBAR, &query)));
    }
}

int CountAutoHideBars()
{
    int count = 0;
    for (const auto& bar : AutoHideBars)
        count += bar.load() != nullptr ? 1 : 0;
    return count;
}
