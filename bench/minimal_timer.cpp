// The idle baseline: a hidden window with a one-second timer that does nothing,
// the least a background program with a periodic check can cost.
#include <windows.h>

namespace {

void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    HWND window = CreateWindowExA(0, "STATIC", "EdgeWarden bench timer", 0, 0, 0, 10, 10, nullptr,
                                  nullptr, instance, nullptr);
    if (window == nullptr || SetTimer(window, 1, 1000, Tick) == 0)
        return 1;
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0)
        DispatchMessageA(&msg);
    return 0;
}
