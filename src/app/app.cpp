#include "app/app.h"

#include <cstring>

HINSTANCE AppInstance = nullptr;
UINT ActivateMessage = 0;
HWND MainWindow = nullptr;

BOOL CALLBACK FindRunningInstanceProc(HWND window, LPARAM)
{
    // A title that cannot be read counts as empty; shorter titles never match.
    char title[12];
    title[0] = '\0';
    GetWindowTextA(window, title, 11);
    title[10] = '\0';
    if (std::strncmp(title, "EdgeWarden", 10) == 0)
        PostMessageA(window, ActivateMessage, 0, 0);
    return TRUE;
}

bool CreateMainWindow()
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
    return true;
}
