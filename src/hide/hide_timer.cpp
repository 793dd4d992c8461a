#include "hide/hide.h"

#include "app/app.h"
#include "taskbar/autohide_bars.h"

std::atomic<uint32_t> lastInputTime{0};
std::atomic<uint8_t> isHidden{0};
std::atomic<HWND> HideWindow{nullptr};

void RequestUnhide()
{
    if (!isHidden.load())
        return;
    HWND window = HideWindow.load();
    isHidden.store(0);
    if (window != nullptr)
        PostMessageA(window, WMU_UNHIDE, 0, 0);
}

void CALLBACK HideTimerProc(HWND, UINT, UINT_PTR, DWORD)
{
    RefreshAutoHideBars();
}
