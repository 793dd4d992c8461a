#include "app/app.h"

#include "res/resource_ids.h"

#include <commctrl.h>

namespace {

constexpr UINT_PTR DISPLAY_WATCH_ID = 1;

} // namespace

App::App(HINSTANCE instance)
    : AppInstance(instance), ActivateMessage(RegisterWindowMessageA("EdgeWardenWinMessageNr")),
      server(shared, bars, instance), hider(shared, bars, instance), watchdog(shared),
      dialog(shared, bars, *this, ActivateMessage)
{
}

bool App::CreateMainWindow()
{
    MainWindow = CreateWindowExA(0, "STATIC", "EdgeWarden", 0, 0, 0, 10, 10, nullptr, nullptr,
                                 AppInstance, nullptr);
    if (MainWindow == nullptr) {
        MessageBoxA(nullptr, "Can't create main window", "EdgeWarden", MB_TOPMOST | MB_ICONERROR);
        return false;
    }
    // UIPI drops registered messages from a lower integrity level: without this
    // an instance run as administrator never hears a second start that is not.
    ChangeWindowMessageFilterEx(MainWindow, ActivateMessage, MSGFLT_ALLOW, nullptr);
    SendMessageA(MainWindow, WM_SETICON, ICON_SMALL,
                 reinterpret_cast<LPARAM>(LoadIconA(AppInstance, MAKEINTRESOURCEA(IDI_APP_SMALL))));
    SendMessageA(MainWindow, WM_SETICON, ICON_BIG,
                 reinterpret_cast<LPARAM>(LoadIconA(AppInstance, MAKEINTRESOURCEA(IDI_APP_BIG))));
    // The timer's procedure finds the application here.
    SetWindowLongPtrA(MainWindow, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetWindowSubclass(MainWindow, MainWindowProc, DISPLAY_WATCH_ID,
                      reinterpret_cast<DWORD_PTR>(this));
    return true;
}

LRESULT CALLBACK App::MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                     UINT_PTR, DWORD_PTR self)
{
    // These come exactly while the shell moves its bars: its broadcast goes on
    // at once, and the table catches up when the shell answers.
    if (message == WM_DISPLAYCHANGE || (message == WM_SETTINGCHANGE && wParam == SPI_SETWORKAREA))
        reinterpret_cast<App*>(self)->bars.RefreshAutoHideBars(0);
    return DefSubclassProc(window, message, wParam, lParam);
}

void App::RunInBackground()
{
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (msg.message == ActivateMessage)
            return;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}
