#include "taskbar/autohide_bars.h"

#include "taskbar/full_screen.h"
#include "taskbar/shell_thread.h"

desktop::Exchange<DesktopBars, 2> desktopBars;
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

// The monitor on which a bar of the plain query leaves its strip at `edge`. A
// bar whose strip lies on none of the table's monitors is kept for the primary,
// as the shell answered it.
int MonitorOfBar(HWND bar, UINT edge, const bump::Desktop& desktop)
{
    RECT r;
    if (!GetWindowRect(bar, &r))
        return 0;
    const int m =
        bump::MonitorOf(desktop::StripPoint(ToRect(r), static_cast<bump::Edge>(edge)), desktop);
    return m >= 0 ? m : 0;
}

// Asks the shell for the bars of every monitor and judges the foreground.
void FillFromShell(DesktopBars& table)
{
    ListMonitors(table.desktop);
    for (int m = 0; m < table.desktop.count; ++m) {
        for (UINT edge = ABE_LEFT; edge <= ABE_BOTTOM; ++edge)
            table.bars[m][edge] =
                AskShell(GET_AUTOHIDE_BAR_ON_MONITOR, edge, table.desktop.monitors[m]);
    }
    // The plain query answers for the monitor of the main task bar, which the
    // user may have put on any monitor; it fills in only what the per-monitor
    // query left open there.
    for (UINT edge = ABE_LEFT; edge <= ABE_BOTTOM; ++edge) {
        HWND bar = AskShell(ABM_GETAUTOHIDEBAR, edge, table.desktop.monitors[0]);
        if (bar != nullptr) {
            const int m = MonitorOfBar(bar, edge, table.desktop);
            if (table.bars[m][edge] == nullptr)
                table.bars[m][edge] = bar;
        }
    }
    PauseUnderForeground(table.desktop);
    const DesktopBars* previous = desktopBars.Published();
    table.layout = desktop::NextLayout(previous != nullptr ? &previous->desktop : nullptr,
                                       previous != nullptr ? previous->layout : 0, table.desktop);
}

LRESULT CALLBACK DisplayWatchProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    // These come exactly while the shell moves its bars: its broadcast goes on
    // at once, and the table catches up when the shell answers.
    if (message == WM_DISPLAYCHANGE || (message == WM_SETTINGCHANGE && wParam == SPI_SETWORKAREA))
        AskForBarRefresh();
    return CallWindowProcA(displayWatchNext, window, message, wParam, lParam);
}

void CALLBACK ForegroundChanged(HWINEVENTHOOK, DWORD event, HWND, LONG, LONG, DWORD, DWORD)
{
    if (event == EVENT_SYSTEM_FOREGROUND)
        RejudgeFullScreen();
}

} // namespace

bool RefreshAutoHideBars()
{
    return AskRefreshAndWait(FRESH_TABLE_WAIT_MS);
}

void AskForBarRefresh()
{
    AskTableWork(desktop::TableWork::Refresh);
}

void RejudgeFullScreen()
{
    AskTableWork(desktop::TableWork::Rejudge);
}

const DesktopBars& FillTable(desktop::TableWork work)
{
    DesktopBars& table = desktopBars.Draft();
    if (work == desktop::TableWork::Refresh) {
        FillFromShell(table);
    } else {
        table = *desktopBars.Published();
        PauseUnderForeground(table.desktop);
    }
    return table;
}

void PublishTable(const DesktopBars& table)
{
    desktopBars.Publish(table);
    for (UINT edge = ABE_LEFT; edge <= ABE_BOTTOM; ++edge)
        AutoHideBars[edge].store(table.bars[0][edge]);
}

int CountAutoHideBars()
{
    const DesktopBars* table = desktopBars.Acquire(MAIN_READER);
    int count = 0;
    for (int m = 0; table != nullptr && m < table->desktop.count; ++m) {
        for (HWND bar : table->bars[m])
            count += bar != nullptr ? 1 : 0;
    }
    desktopBars.Release(MAIN_READER);
    return count;
}

bool IsAutoHideBar(HWND window)
{
    const DesktopBars* table = desktopBars.Acquire(MAIN_READER);
    bool found = false;
    for (int m = 0; table != nullptr && m < table->desktop.count; ++m) {
        for (HWND bar : table->bars[m])
            found = found || (bar != nullptr && bar == window);
    }
    desktopBars.Release(MAIN_READER);
    return found;
}

void WatchDisplayChanges(HWND window)
{
    // Out of context: the system calls back on this thread, from its message
    // loop. One hook serves for the life of the process.
    static HWINEVENTHOOK foregroundHook = nullptr;
    if (foregroundHook == nullptr)
        foregroundHook = SetWinEventHook(EVENT_SYSTEM_FOREGROUND, EVENT_SYSTEM_FOREGROUND, nullptr,
                                         ForegroundChanged, 0, 0, WINEVENT_OUTOFCONTEXT);
    displayWatchNext = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(DisplayWatchProc)));
}
