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
