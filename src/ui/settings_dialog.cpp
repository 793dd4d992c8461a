#include "ui/settings_dialog.h"

// Until the dialog template exists, DialogBoxParamA fails and the program ends
// as after Exit.
INT_PTR CALLBACK SettingsDialogProc(HWND, UINT, WPARAM, LPARAM)
{
    return FALSE;
}
