// EdgeWarden's skeleton: the structure the program is built on, and nothing of
// its own work. It has EdgeWarden's libraries and manifest, a second thread with
// a window and a pass-through low-level mouse hook, and a one-second timer that
// reads the four edges' auto-hide bars as each refresh does. Measured beside
// EdgeWarden.exe, it tells the cost of that structure from the cost of
// EdgeWarden's own code.
#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>
#include <shellapi.h>

namespace {

LRESULT CALLBACK PassThrough(int nCode, WPARAM wParam, LPARAM lParam)
{
    return CallNextHookEx(nullptr, nCode, wParam, lParam);
}

DWORD WINAPI HookThread(LPVOID)
{
    CreateWindowExA(0, "STATIC", "EdgeWarden bench skeleton hook", 0, 0, 0, 10, 10, nullptr,
                    nullptr, GetModuleHandleA(nullptr), nullptr);
    HHOOK hook = SetWindowsHookExA(WH_MOUSE_LL, PassThrough, GetModuleHandleA(nullptr), 0);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0)
        DispatchMessageA(&msg);
    UnhookWindowsHookEx(hook);
    return 0;
}

void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD)
{
    for (UINT edge = ABE_LEFT; edge <= ABE_BOTTOM; ++edge) {
        APPBARDATA data = {};
        data.cbSize = sizeof(data);
        data.uEdge = edge;
        SHAppBarMessage(ABM_GETAUTOHIDEBAR, &data);
    }
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    // The colour chooser's library is bound at start, as in EdgeWarden.exe.
    CommDlgExtendedError();
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    HWND window = CreateWindowExA(0, "STATIC", "EdgeWarden bench skeleton", 0, 0, 0, 10, 10,
                                  nullptr, nullptr, instance, nullptr);
    HANDLE thread = CreateThread(nullptr, 0, HookThread, nullptr, 0, nullptr);
    if (window == nullptr || thread == nullptr || SetTimer(window, 1, 1000, Tick) == 0)
        return 1;
    CloseHandle(thread);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0)
        DispatchMessageA(&msg);
    return 0;
}
