#include "taskbar/autohide_bars.h"

#include "taskbar/geometry_win.h"

namespace {

// ABM_GETAUTOHIDEBAREX, the per-monitor query of newer shells; an older shell
// answers it with null, and the primary monitor then gets the plain query.
constexpr DWORD GET_AUTOHIDE_BAR_ON_MONITOR = 0x0000000B;

// Collects the monitors, the primary first.
BOOL CALLBACK AddMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM param)
{
    auto* desktop = reinterpret_cast<geo::Desktop*>(param);
    MONITORINFO info;
    info.cbSize = sizeof(info);
    if (desktop->count >= geo::MAX_MONITORS || !GetMonitorInfoA(monitor, &info))
        return TRUE;
    int at = desktop->count++;
    if (info.dwFlags & MONITORINFOF_PRIMARY) {
        for (; at > 0; --at)
            desktop->monitors[at] = desktop->monitors[at - 1];
    }
    desktop->monitors[at] = geo::FromWin(info.rcMonitor);
    return TRUE;
}

void ListMonitors(geo::Desktop& desktop)
{
    desktop.count = 0;
    EnumDisplayMonitors(nullptr, nullptr, AddMonitor, reinterpret_cast<LPARAM>(&desktop));
    if (desktop.count == 0) {
        desktop.count = 1;
        desktop.monitors[0] = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    }
}

UINT_PTR AskShell(DWORD message, UINT edge, const geo::Rect& monitor)
{
    APPBARDATA query;
    ZeroMemory(&query, sizeof(query));
    query.cbSize = sizeof(query);
    query.uEdge = edge;
    query.rc = {monitor.left, monitor.top, monitor.right, monitor.bottom};
    return SHAppBarMessage(message, &query);
}

HWND AskForBar(DWORD message, UINT edge, const geo::Rect& monitor)
{
    return reinterpret_cast<HWND>(AskShell(message, edge, monitor));
}

// The monitor on which `bar` leaves its strip at `edge`; -1 when that is none,
// or the bar has gone.
int MonitorOfBar(HWND bar, UINT edge, const geo::Desktop& desktop)
{
    RECT r;
    if (!GetWindowRect(bar, &r))
        return -1;
    return desktop::MonitorOfStrip(geo::FromWin(r), static_cast<bump::Edge>(edge), desktop);
}

// The shell's task bars found by their windows, for the edges that its answers
// left without a bar: the per-monitor query answers null at times. Only a
// visible window whose rectangle leaves a hidden strip counts; a shell without
// task bars keeps an empty, invisible one of the same class.
void AddTaskBarWindows(DesktopBars& table)
{
    static const char* const kTaskBarClasses[] = {"Shell_TrayWnd", "Shell_SecondaryTrayWnd"};
    for (const char* name : kTaskBarClasses) {
        for (HWND window = FindWindowExA(nullptr, nullptr, name, nullptr); window != nullptr;
             window = FindWindowExA(nullptr, window, name, nullptr)) {
            RECT r;
            if (!IsWindowVisible(window) || !GetWindowRect(window, &r))
                continue;
            const desktop::HiddenStrip strip =
                desktop::HiddenStripOf(geo::FromWin(r), table.desktop);
            if (strip.monitor >= 0 && table.bars[strip.monitor][strip.edge] == nullptr)
                table.bars[strip.monitor][strip.edge] = window;
        }
    }
}

} // namespace

void FillFromShell(DesktopBars& table, const DesktopBars* previous)
{
    ListMonitors(table.desktop);
    // A per-monitor answer counts for its monitor only where the bar's strip lies
    // on it: a shell may answer another monitor's bar.
    for (int m = 0; m < table.desktop.count; ++m) {
        for (UINT edge = ABE_LEFT; edge <= ABE_BOTTOM; ++edge) {
            HWND bar = AskForBar(GET_AUTOHIDE_BAR_ON_MONITOR, edge, table.desktop.monitors[m]);
            table.bars[m][edge] =
                bar != nullptr && MonitorOfBar(bar, edge, table.desktop) == m ? bar : nullptr;
        }
    }
    // The plain query answers for the monitor of the main task bar, which the
    // user may have put on any monitor; it fills in only what the per-monitor
    // query left open there. A bar whose strip lies on none of the monitors is
    // kept for the primary, as the shell answered it.
    for (UINT edge = ABE_LEFT; edge <= ABE_BOTTOM; ++edge) {
        HWND bar = AskForBar(ABM_GETAUTOHIDEBAR, edge, table.desktop.monitors[0]);
        if (bar != nullptr) {
            const int on = MonitorOfBar(bar, edge, table.desktop);
            const int m = on >= 0 ? on : 0;
            if (table.bars[m][edge] == nullptr)
                table.bars[m][edge] = bar;
        }
    }
    // Tools set auto-hide per monitor, and ABM_GETSTATE then speaks for the main
    // bar only: a task bar window that leaves a hidden strip speaks for itself.
    AddTaskBarWindows(table);
    table.layout = desktop::NextLayout(previous != nullptr ? &previous->desktop : nullptr,
                                       previous != nullptr ? previous->layout : 0, table.desktop);
}
