#include "taskbar/mouse_hook.h"

#include "app/server.h"
#include "hide/hide.h"

LRESULT CALLBACK LowLevelMouseProc(int nCode, WPARAM wParam, LPARAM lParam)
{
    if (nCode >= 0) {
        const auto* event = reinterpret_cast<const MSLLHOOKSTRUCT*>(lParam);
        lastInputTime.store(event->time);
        RequestUnhide();
    }
    return CallNextHookEx(MouseHook.load(), nCode, wParam, lParam);
}
