#include "taskbar/reach.h"

#include "taskbar/stripe_window.h"

#include <cstring>

namespace {

constexpr LONG_PTR CLICK_THROUGH = WS_EX_LAYERED | WS_EX_TRANSPARENT;

// The classes of this program's windows that the mouse may meet over a strip:
// the hide window, the stripes, the dialog and its message boxes.
const char* const kOwnClasses[] = {"EdgeWardenHideMouseClass", STRIPE_CLASS, "#32770"};

bool IsOwn(HWND window, DWORD process, DWORD self)
{
    char name[32];
    if (process != self || GetClassNameA(window, name, sizeof(name)) == 0)
        return false;
    for (const char* own : kOwnClasses) {
        if (std::strcmp(name, own) == 0)
            return true;
    }
    return false;
}

} // namespace

reach::Reached<HWND> WindowReachedAt(geo::Point p)
{
    const POINT at = {p.x, p.y};
    // The system's own hit test: it sends WM_NCHITTEST only to windows of this
    // thread, takes every other window's answer as HTCLIENT, and knows what a
    // walk would not (window regions, cloaked windows).
    HWND hit = WindowFromPoint(at);
    HWND top = hit != nullptr ? GetAncestor(hit, GA_ROOT) : nullptr;
    // The desktop window has no root of its own.
    if (top == nullptr)
        top = hit;
    const DWORD self = GetCurrentProcessId();
    const auto isOwn = [self](HWND window) {
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        return IsOwn(window, process, self);
    };
    const auto next = [](HWND window) { return GetWindow(window, GW_HWNDNEXT); };
    const auto facts = [at, &isOwn](HWND window) {
        RECT r;
        const bool holds = GetWindowRect(window, &r) != FALSE && PtInRect(&r, at) != FALSE;
        const LONG_PTR exStyle = GetWindowLongPtrA(window, GWL_EXSTYLE);
        return reach::WindowFacts{IsWindowVisible(window) != FALSE, holds,
                                  (exStyle & CLICK_THROUGH) == CLICK_THROUGH, isOwn(window)};
    };
    return reach::FirstTaker(top, isOwn, next, facts);
}
