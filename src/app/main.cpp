#include "app/app.h"
#include "app/command_line.h"
#include "settings/settings.h"

#include <commctrl.h>

#include <cstring>
#include <new>

namespace {

bool AnyFeatureEnabled(const Settings& settings)
{
    return settings.bumpEnabled.load() != 0 || settings.hideEnabled.load() != 0;
}

// Wakes the running instance: every top-level window whose title begins with
// "EdgeWarden" gets the activation message in `message`.
BOOL CALLBACK FindRunningInstanceProc(HWND window, LPARAM message)
{
    // A title that cannot be read counts as empty; shorter titles never match.
    char title[12];
    title[0] = '\0';
    GetWindowTextA(window, title, 11);
    title[10] = '\0';
    if (std::strncmp(title, "EdgeWarden", 10) == 0)
        PostMessageA(window, static_cast<UINT>(message), 0, 0);
    return TRUE;
}

// The application lives until the process ends, which ends the shell thread
// wherever it waits and releases the main window, its timer and the mutex: it
// is never destroyed.
alignas(App) unsigned char appStorage[sizeof(App)];

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR tail, int)
{
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

    const UINT activateMessage = RegisterWindowMessageA("EdgeWardenWinMessageNr");
    HANDLE mutex = CreateMutexA(nullptr, TRUE, "EdgeWardenMainMutex");
    const DWORD mutexError = GetLastError();
    // A mutex refused to this start is held by an instance run as administrator:
    // one runs already.
    if ((mutex != nullptr && mutexError == ERROR_ALREADY_EXISTS)
        || (mutex == nullptr && mutexError == ERROR_ACCESS_DENIED)) {
        if (!startHidden) {
            // The dialog that comes back may then take the keyboard from this start.
            AllowSetForegroundWindow(ASFW_ANY);
            EnumWindows(FindRunningInstanceProc, static_cast<LPARAM>(activateMessage));
        }
        return 0;
    }

    App& app = *new (appStorage) App(instance);
    Settings& settings = app.shared.settings;
    ExchangeSettings(settings, Load);
    ExchangeSettings(settings, Save);

    if (!app.CreateMainWindow())
        return 1;

    // The dialog's trackbars need their class before the first dialog is made.
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);

    app.SetEngineActive(AnyFeatureEnabled(settings));

    for (;;) {
        if (!startHidden && app.dialog.Show(app.AppInstance, app.MainWindow) != IDYES)
            break;
        app.SetEngineActive(AnyFeatureEnabled(settings));
        startHidden = false;
        app.RunInBackground();
    }

    // A hide window left now would keep the cursor hidden where it lay.
    app.hider.DestroyHideWindow();
    app.server.StopServerThread();
    return 0;
}
