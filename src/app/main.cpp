#include "app/app.h"
#include "app/command_line.h"
#include "app/engine.h"
#include "app/server.h"
#include "hide/hide.h"
#include "settings/settings.h"
#include "taskbar/autohide_bars.h"
#include "ui/settings_dialog.h"

#include <commctrl.h>

namespace {

bool AnyFeatureEnabled()
{
    return settings.bumpEnabled.load() != 0 || settings.hideEnabled.load() != 0;
}

// Runs until ActivateMessage or WM_QUIT asks for the dialog again.
void RunInBackground()
{
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (msg.message == ActivateMessage)
            return;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR tail, int)
{
    AppInstance = instance;

    bool startHidden = false;
    switch (ParseCommandLine(tail)) {
    case CommandLineSwitch::Hide:
        startHidden = true;
        break;
    case CommandLineSwitch::Usage:
        MessageBoxA(nullptr, "Usage: EdgeWarden [-hide]", "EdgeWarden",
                    MB_TOPMOST | MB_ICONINFORMATION);
        break;
    case CommandLineSwitch::None:
        break;
    }

    ActivateMessage = RegisterWindowMessageA("EdgeWardenWinMessageNr");
    HANDLE mutex = CreateMutexA(nullptr, TRUE, "EdgeWardenMainMutex");
    const DWORD mutexError = GetLastError();
    // A mutex refused to this start is held by an instance run as administrator:
    // one runs already.
    if ((mutex != nullptr && mutexError == ERROR_ALREADY_EXISTS)
        || (mutex == nullptr && mutexError == ERROR_ACCESS_DENIED)) {
        if (!startHidden) {
            // The dialog that comes back may then take the keyboard from this start.
            AllowSetForegroundWindow(ASFW_ANY);
            EnumWindows(FindRunningInstanceProc, 0);
        }
        return 0;
    }

    ExchangeSettings(Load);
    ExchangeSettings(Save);

    if (!CreateMainWindow())
        return 1;
    WatchDisplayChanges(MainWindow);

    // The dialog's trackbars need their class before the first dialog is made.
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);

    SetEngineActive(AnyFeatureEnabled());

    for (;;) {
        if (!startHidden
            && DialogBoxParamA(AppInstance, MAKEINTRESOURCEA(IDD_SETTINGS), MainWindow,
                               SettingsDialogProc, 0)
                   != IDYES)
            break;
        SetEngineActive(AnyFeatureEnabled());
        startHidden = false;
        RunInBackground();
    }

    // A hide window left now would keep the cursor hidden where it lay.
    DestroyHideWindow();
    StopServerThread();
    return 0;
}
