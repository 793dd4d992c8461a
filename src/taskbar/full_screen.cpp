#include "taskbar/full_screen.h"

#include <shellapi.h>

#include <string.h>

namespace {

bump::Rect ToRect(const RECT& r)
{
    return {r.left, r.top, r.right, r.bottom};
}

// The desktop's own windows. Once the user has shown the desktop, its icon view
// sits in a top-level WorkerW, which is not the shell window.
bool IsDesktopHost(HWND window)
{
    if (window == GetDesktopWindow() || window == GetShellWindow())
        return true;
    char name[16];
    if (GetClassNameA(window, name, sizeof(name)) > 0
        && (_stricmp(name, "Progman") == 0 || _stricmp(name, "WorkerW") == 0))
        return true;
    return FindWindowExA(window, nullptr, "SHELLDLL_DefView", nullptr) != nullptr;
}

// The monitor of a Direct3D program that the shell reports in full screen.
int Direct3DMonitor(HWND foreground, const bump::Desktop& desktop)
{
    QUERY_USER_NOTIFICATION_STATE state;
    if (FAILED(SHQueryUserNotificationState(&state)) || state != QUNS_RUNNING_D3D_FULL_SCREEN)
        return -1;
    return MonitorOfWindow(foreground, desktop);
}

} // namespace

int MonitorOfWindow(HWND window, const bump::Desktop& desktop)
{
    MONITORINFO info;
    info.cbSize = sizeof(info);
    if (!GetMonitorInfoA(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &info))
        return -1;
    return desktop::IndexOfMonitor(desktop, ToRect(info.rcMonitor));
}

desktop::Foreground DescribeForeground(HWND foreground, const bump::Desktop& desktop)
{
    desktop::Foreground facts = {false, false, false, {0, 0, 0, 0}, -1};
    if (foreground == nullptr)
        return facts;
    // A pop-up owned by a full-screen player (its controls) keeps the player in
    // full screen.
    HWND root = GetAncestor(foreground, GA_ROOTOWNER);
    if (root == nullptr)
        root = foreground;
    facts.desktopHost = IsDesktopHost(root);
    facts.toolWindow = (GetWindowLongPtrA(root, GWL_EXSTYLE) & WS_EX_TOOLWINDOW) != 0;
    facts.nonRude = GetPropA(root, "NonRudeHWND") != nullptr;
    RECT client;
    if (GetClientRect(root, &client)) {
        MapWindowPoints(root, nullptr, reinterpret_cast<POINT*>(&client), 2);
        facts.client = ToRect(client);
    }
    facts.d3dMonitor = Direct3DMonitor(foreground, desktop);
    return facts;
}

void PauseUnderForeground(bump::Desktop& desktop)
{
    desktop::PauseUnderFullScreen(desktop, DescribeForeground(GetForegroundWindow(), desktop));
}
