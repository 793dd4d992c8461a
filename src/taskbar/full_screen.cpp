#include "taskbar/full_screen.h"

#include <dwmapi.h>
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

desktop::Window DescribeWindow(HWND window)
{
    desktop::Window facts = {};
    facts.desktopHost = IsDesktopHost(window);
    facts.toolWindow = (GetWindowLongPtrA(window, GWL_EXSTYLE) & WS_EX_TOOLWINDOW) != 0;
    facts.nonRude = GetPropA(window, "NonRudeHWND") != nullptr;
    // Fails where no compositor runs: nothing is cloaked there.
    DWORD cloaked = 0;
    facts.cloaked =
        SUCCEEDED(DwmGetWindowAttribute(window, DWMWA_CLOAKED, &cloaked, sizeof(cloaked)))
        && cloaked != 0;
    // WS_CAPTION is two bits, one of them WS_BORDER: a thin border alone makes
    // no caption.
    const LONG_PTR style = GetWindowLongPtrA(window, GWL_STYLE);
    facts.framed = (style & WS_CAPTION) == WS_CAPTION || (style & WS_THICKFRAME) != 0;
    RECT rect;
    if (GetWindowRect(window, &rect))
        facts.rect = ToRect(rect);
    if (GetClientRect(window, &rect)) {
        MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&rect), 2);
        facts.client = ToRect(rect);
    }
    return facts;
}

// The index in `desktop` of the monitor that the system gives `window` (the
// one it overlaps most, else the nearest); -1 when that is none of the table's.
int MonitorOfWindow(HWND window, const bump::Desktop& desktop)
{
    MONITORINFO info;
    info.cbSize = sizeof(info);
    if (!GetMonitorInfoA(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &info))
        return -1;
    return desktop::IndexOfMonitor(desktop, ToRect(info.rcMonitor));
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

desktop::Foreground DescribeForeground(HWND foreground, const bump::Desktop& desktop)
{
    desktop::Foreground facts = {};
    facts.d3dMonitor = -1;
    if (foreground == nullptr)
        return facts;
    facts.window = DescribeWindow(foreground);
    HWND root = GetAncestor(foreground, GA_ROOTOWNER);
    if (root == nullptr)
        root = foreground;
    facts.owner = root == foreground ? facts.window : DescribeWindow(root);
    facts.ownerVisible = IsWindowVisible(root) != FALSE;
    facts.d3dMonitor = Direct3DMonitor(foreground, desktop);
    return facts;
}

void PauseUnderForeground(bump::Desktop& desktop)
{
    desktop::PauseUnderFullScreen(desktop, DescribeForeground(GetForegroundWindow(), desktop));
}
