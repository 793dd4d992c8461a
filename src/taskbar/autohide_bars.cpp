#include "taskbar/autohide_bars.h"

desktop::Exchange<DesktopBars> desktopBars;
std::atomic<HWND> AutoHideBars[4];

namespace {

// ABM_GETAUTOHIDEBAREX, the per-monitor query of newer shells; an older shell
// answers it with null, and the primary monitor then gets the plain query.
constexpr DWORD GET_AUTOHIDE_BAR_ON_MONITOR = 0x0000000B;

WNDPROC displayWatchNext = nullptr;

bump::Rect ToRect(const RECT& r)
{
    return {r.left, r.top, r.right, r.bottom};
}

// Collects the monitors, the primary first.
BOOL CALLBACK AddMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM param)
{
    auto* desktop = reinterpret_cast<bump::Desktop*>(param);
    MONITORINFO info;
    info.cbSize = sizeof(info);
    if (desktop->count >= bump::MAX_MONITORS || !GetMonitorInfoA(monitor, &info))
        return TRUE;
    int at = desktop->count++;
    if (info.dwFlags & MONITORINFOF_PRIMARY) {
        for (; at > 0; --at)
            desktop->monitors[at] = desktop->monitors[at - 1];
    }
    desktop->monitors[at] = ToRect(info.rcMonitor);
    return TRUE;
}

void ListMonitors(bump::Desktop& desktop)
{
    desktop.count = 0;
    EnumDisplayMonitors(nullptr, nullptr, AddMonitor, reinterpret_cast<LPARAM>(&desktop));
    if (desktop.count == 0) {
        desktop.count = 1;
        desktop.monitors[0] = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    }
}

HWND AskShell(DWORD message, UINT edge, const bump::Rect& monitor)
{
    APPBARDATA query;
    ZeroMemory(&query, sizeof(query));
    query.cbSize = sizeof(query);
    query.uEdge = edge;
    query.rc = {monitor.left, monitor.top, monitor.right, monitor.bottom};
    return reinterpret_cast<HWND>(SHAppBarMessage(message, &query));
}

void PauseUnderForeground(bump::Desktop& desktop)
{
    HWND window = GetForegroundWindow();
    RECT rect;
    if (window == nullptr || !GetWindowRect(window, &rect)) {
        for (bool& paused : desktop.paused)
            paused = false;
        return;
    }
    const desktop::Foreground foreground = {
        static_cast<uint32_t>(GetWindowLongA(window, GWL_STYLE)),
        window == GetDesktopWindow() || window == GetShellWindow(), ToRect(rect)};
    desktop::PauseUnderFullScreen(desktop, foreground);
}

LRESULT CALLBACK DisplayWatchProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_DISPLAYCHANGE || (message == WM_SETTINGCHANGE && wParam == SPI_SETWORKAREA))
        RefreshAutoHideBars();
    return CallWindowProcA(displayWatchNext, window, message, wParam, lParam);
}

} // namespace

void RefreshAutoHideBars()
{
    DesktopBars& table = desktopBars.Draft();
    ListMonitors(table.desktop);
    for (int m = 0; m < table.desktop.count; ++m) {
        for (UINT edge = ABE_LEFT; edge <= ABE_BOTTOM; ++edge) {
            HWND bar = AskShell(GET_AUTOHIDE_BAR_ON_MONITOR, edge, table.desktop.monitors[m]);
            if (m == 0) {
                // A shell that answers per monitor may leave the primary to the plain query.
                if (bar == nullptr)
                    bar = AskShell(ABM_GETAUTOHIDEBAR, edge, table.desktop.monitors[m]);
                AutoHideBars[edge].store(bar);
            }
            table.bars[m][edge] = bar;
        }
    }
    PauseUnderForeground(table.desktop);
    const DesktopBars* previous = desktopBars.Published();
    if (previous == nullptr)
        table.layout = 1;
    else
        table.layout = desktop::SameLayout(previous->desktop, table.desktop) ? previous->layout
                                                                             : previous->layout + 1;
    desktopBars.Publish(table);
}

int CountAutoHideBars()
{
    const DesktopBars* table = desktopBars.Published();
    int count = 0;
    for (int m = 0; table != nullptr && m < table->desktop.count; ++m) {
        for (HWND bar : table->bars[m])
            count += bar != nullptr ? 1 : 0;
    }
    return count;
}

bool IsAutoHideBar(HWND window)
{
    const DesktopBars* table = desktopBars.Published();
    for (int m = 0; table != nullptr && m < table->desktop.count; ++m) {
        for (HWND bar : table->bars[m]) {
            if (bar != nullptr && bar == window)
                return true;
        }
    }
    return false;
}

void WatchDisplayChanges(HWND window)
{
    displayWatchNext = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(DisplayWatchProc)));
}
