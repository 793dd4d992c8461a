// The settings dialog: every setting shown and changed in place while it is open.
#pragma once

#include "hide/hide.h"
#include "taskbar/autohide_bars.h"

#include <windows.h>

#include <cstdint>

// The program's engine switch, which the dialog throws when a feature is
// ticked or unticked. Boxes that it raises belong to `owner`.
class EngineSwitch {
public:
    virtual bool SetEngineActive(bool on, HWND owner) = 0;

protected:
    ~EngineSwitch() = default;
};

// What the dialog works on and keeps between its openings. The program has
// one; each opening of the template (resource IDD_SETTINGS) is handed it as
// the initialisation value of SettingsDialogProc.
class SettingsDialog {
public:
    SettingsDialog(Shared& state, AutoHideBars& table, EngineSwitch& engineSwitch, UINT activation)
        : shared(state), bars(table), engine(engineSwitch), activateMessage(activation)
    {
    }

    // The modal dialog owned by `owner`; IDYES to run on in the background.
    INT_PTR Show(HINSTANCE instance, HWND owner);
    static INT_PTR CALLBACK SettingsDialogProc(HWND dialog, UINT message, WPARAM wParam,
                                               LPARAM lParam);
    // The box belongs to `owner`, which cannot be used while the box is open.
    void WarnIfNoAutoHideBars(HWND owner);
    // The colour chooser's custom colours, filled at its first opening and
    // then kept as the user leaves them in the chooser.
    COLORREF* CustomColors() { return customColors; }

private:
    void InitDialog(HWND dialog);
    INT_PTR Close(HWND dialog, int id);
    INT_PTR Command(HWND dialog, int id, int code, HWND control);
    void UpdateEngine(HWND dialog);
    void ChooseBumpColor(HWND dialog, HWND button);
    void HideSecondsChanged(HWND field);

    Shared& shared;
    AutoHideBars& bars;
    EngineSwitch& engine;
    UINT activateMessage;
    // The colour chooser's custom colours, filled at its first opening.
    COLORREF customColors[16] = {};
    bool customColorsFilled = false;
    // Set while the dialog itself rewrites the seconds field.
    bool reformattingHideSeconds = false;
};

void SetWindowInt(HWND window, int value);
int GetWindowInt(HWND window);
