#include "ui/settings_dialog.h"

#include "res/resource_ids.h"
#include "settings/settings.h"
#include "ui/color_button.h"
#include "ui/dialog_rules.h"
#include "ui/link_control.h"

#include <commctrl.h>
#include <commdlg.h>

#include <charconv>

namespace {

const char kDonationPage[] = "https://edgewarden.example.org/donate";

const char kNoBarsWarning[] = "No automatically hidden task bars found.\n"
                              "Enabling bumps will have no effect.\n"
                              "Do you wan't to see this warning again?";

LRESULT SendItem(HWND dialog, int id, UINT message, WPARAM wParam = 0, LPARAM lParam = 0)
{
    return SendDlgItemMessageA(dialog, id, message, wParam, lParam);
}

uint8_t IsChecked(HWND dialog, int id)
{
    return static_cast<uint8_t>(SendItem(dialog, id, BM_GETCHECK) & 1);
}

void SetChecked(HWND dialog, int id, bool checked)
{
    SendItem(dialog, id, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED);
}

// The sources of the custom colours after the first, which is the bump colour.
const int kCustomColorSources[15] = {
    COLOR_WINDOW,
    COLOR_MENU,
    COLOR_HIGHLIGHT,
    COLOR_ACTIVECAPTION,
    COLOR_HIGHLIGHT,
    COLOR_INFOBK,
    COLOR_GRADIENTACTIVECAPTION,
    COLOR_BACKGROUND,
    COLOR_WINDOWTEXT,
    COLOR_MENUTEXT,
    COLOR_HIGHLIGHTTEXT,
    COLOR_CAPTIONTEXT,
    COLOR_HIGHLIGHTTEXT,
    COLOR_INFOTEXT,
    COLOR_GRADIENTINACTIVECAPTION,
};

} // namespace

void SettingsDialog::UpdateEngine(HWND dialog)
{
    const Settings& settings = shared.settings;
    engine.SetEngineActive(settings.bumpEnabled.load() != 0 || settings.hideEnabled.load() != 0,
                           dialog);
}

void SettingsDialog::InitDialog(HWND dialog)
{
    const Settings& settings = shared.settings;
    SetWindowTextA(dialog, "EdgeWarden");
    MakeLinkControl(dialog, IDC_HOME_LINK);
    SetChecked(dialog, IDC_BUMP_ENABLED, settings.bumpEnabled.load() != 0);
    SetChecked(dialog, IDC_BUMP_INDICATE, (settings.bumpColor.load() & BUMP_NO_INDICATION) == 0);
    SendItem(dialog, IDC_BUMP_STRENGTH, TBM_SETRANGE, FALSE, MAKELPARAM(1, 200));
    SendItem(dialog, IDC_BUMP_STRENGTH, TBM_SETPOS, TRUE, settings.bumpStrength.load());
    SendItem(dialog, IDC_BUMP_TIME, TBM_SETRANGE, FALSE, MAKELPARAM(0, 999));
    SendItem(dialog, IDC_BUMP_TIME, TBM_SETPOS, TRUE,
             static_cast<LPARAM>(settings.bumpTime.load()));
    SetChecked(dialog, IDC_TOOLTIPS_ON_TOP, settings.tooltipsOnTop.load() != 0);
    SetChecked(dialog, IDC_HIDE_ENABLED, settings.hideEnabled.load() != 0);
    // Raises EN_CHANGE, which clamps a stored value at once.
    SetWindowInt(GetDlgItem(dialog, IDC_HIDE_SECONDS), settings.hideSeconds.load());
    static const char* const kMethods[] = {"1", "2", "3", "4", "5"};
    for (const char* method : kMethods)
        SendItem(dialog, IDC_HIDE_MODE, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(method));
    SendItem(dialog, IDC_HIDE_MODE, CB_SETCURSEL, static_cast<WPARAM>(settings.hideMode.load()));
    WarnIfNoAutoHideBars(dialog);
}

INT_PTR SettingsDialog::Close(HWND dialog, int id)
{
    Settings& settings = shared.settings;
    ExchangeSettings(settings, id == IDCANCEL ? Load : Save);
    EndDialog(dialog, ClosingResult(id == IDC_EXIT, settings.bumpEnabled.load() != 0
                                                        || settings.hideEnabled.load() != 0));
    return TRUE;
}

void SettingsDialog::ChooseBumpColor(HWND dialog, HWND button)
{
    Settings& settings = shared.settings;
    if (!customColorsFilled) {
        customColors[0] = settings.bumpColor.load() & kColorMask;
        for (int i = 0; i < 15; ++i)
            customColors[i + 1] = GetSysColor(kCustomColorSources[i]);
        customColorsFilled = true;
    }
    CHOOSECOLORA choice = {};
    choice.lStructSize = sizeof(choice);
    choice.hwndOwner = dialog;
    choice.rgbResult = settings.bumpColor.load() & kColorMask;
    choice.lpCustColors = customColors;
    choice.Flags = CC_RGBINIT | CC_FULLOPEN | CC_ANYCOLOR;
    if (!ChooseColorA(&choice))
        return;
    settings.bumpColor.store(ChosenBumpColor(settings.bumpColor.load(), choice.rgbResult));
    InvalidateRect(button, nullptr, FALSE);
}

// Every keystroke is applied at once; the field is rewritten to show the value
// in force, with the caret left where it was.
void SettingsDialog::HideSecondsChanged(HWND field)
{
    Settings& settings = shared.settings;
    settings.hideSeconds.store(ClampHideSeconds(GetWindowInt(field)));
    if (reformattingHideSeconds)
        return;
    reformattingHideSeconds = true;
    DWORD start = 0;
    DWORD end = 0;
    SendMessageA(field, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                 reinterpret_cast<LPARAM>(&end));
    SetWindowInt(field, settings.hideSeconds.load());
    SendMessageA(field, EM_SETSEL, start, static_cast<LPARAM>(end));
    reformattingHideSeconds = false;
}

INT_PTR SettingsDialog::Command(HWND dialog, int id, int code, HWND control)
{
    Settings& settings = shared.settings;
    switch (id) {
    case IDOK:
    case IDCANCEL:
    case IDC_EXIT:
        return Close(dialog, id);
    case IDC_BUMP_ENABLED:
        settings.bumpEnabled.store(IsChecked(dialog, id));
        UpdateEngine(dialog);
        WarnIfNoAutoHideBars(dialog);
        break;
    case IDC_BUMP_INDICATE:
        settings.bumpColor.store(
            IndicatedBumpColor(settings.bumpColor.load(), IsChecked(dialog, id) != 0));
        break;
    case IDC_BUMP_COLOR:
        ChooseBumpColor(dialog, control);
        break;
    case IDC_HIDE_ENABLED:
        settings.hideEnabled.store(IsChecked(dialog, id));
        UpdateEngine(dialog);
        break;
    case IDC_HIDE_SECONDS:
        if (code == EN_CHANGE)
            HideSecondsChanged(control);
        break;
    case IDC_HIDE_MODE:
        if (code == CBN_SELCHANGE) {
            // The cursor hidden by the old method comes back first.
            RequestUnhide(shared);
            settings.hideMode.store(
                static_cast<int32_t>(SendMessageA(control, CB_GETCURSEL, 0, 0)));
        }
        break;
    case IDC_TOOLTIPS_ON_TOP:
        settings.tooltipsOnTop.store(IsChecked(dialog, id));
        break;
    case IDC_DONATE:
        OpenInShell(kDonationPage);
        break;
    default:
        break;
    }
    return FALSE;
}

INT_PTR SettingsDialog::Show(HINSTANCE instance, HWND owner)
{
    return DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_SETTINGS), owner, SettingsDialogProc,
                           reinterpret_cast<LPARAM>(this));
}

INT_PTR CALLBACK SettingsDialog::SettingsDialogProc(HWND dialog, UINT message, WPARAM wParam,
                                                    LPARAM lParam)
{
    if (message == WM_INITDIALOG)
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
    auto* self = reinterpret_cast<SettingsDialog*>(GetWindowLongPtrA(dialog, DWLP_USER));
    // What comes before WM_INITDIALOG (the font) is the system's.
    if (self == nullptr)
        return FALSE;
    Settings& settings = self->shared.settings;
    // A second start of the program asks for the dialog: bring it to the top.
    if (self->activateMessage != 0 && message == self->activateMessage) {
        SetWindowPos(dialog, HWND_TOPMOST, 0, 0, 1, 1, SWP_NOMOVE | SWP_NOSIZE);
        return TRUE;
    }
    switch (message) {
    case WM_INITDIALOG:
        // Let through from a second start at a lower integrity level, as to the main window.
        ChangeWindowMessageFilterEx(dialog, self->activateMessage, MSGFLT_ALLOW, nullptr);
        self->InitDialog(dialog);
        return TRUE;
    case WM_COMMAND:
        return self->Command(dialog, LOWORD(wParam), HIWORD(wParam),
                             reinterpret_cast<HWND>(lParam));
    case WM_HSCROLL:
        // Read while the thumb is dragged; the hook uses the values at once.
        settings.bumpStrength.store(
            static_cast<int32_t>(SendItem(dialog, IDC_BUMP_STRENGTH, TBM_GETPOS)));
        settings.bumpTime.store(static_cast<uint32_t>(SendItem(dialog, IDC_BUMP_TIME, TBM_GETPOS)));
        return TRUE;
    case WM_DRAWITEM:
        if (wParam != IDC_BUMP_COLOR)
            return DefWindowProcA(dialog, message, wParam, lParam);
        DrawColorButton(settings.bumpColor.load() & kColorMask,
                        reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        return TRUE;
    case WM_CTLCOLORSTATIC: {
        // Read at every paint, so that a change of the colour scheme shows at
        // once; the link control then puts its own colour over the text's.
        HDC dc = reinterpret_cast<HDC>(wParam);
        SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
        SendMessageA(reinterpret_cast<HWND>(lParam), WMU_LINKCOLOR, wParam, lParam);
        SetBkMode(dc, TRANSPARENT);
        return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_BTNFACE));
    }
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
        return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_BTNFACE));
    default:
        return FALSE;
    }
}

void SettingsDialog::WarnIfNoAutoHideBars(HWND owner)
{
    Settings& settings = shared.settings;
    if (!settings.bumpEnabled.load())
        return;
    // A shell that did not answer in time is not a shell without bars.
    if (!bars.RefreshAutoHideBars(FRESH_TABLE_WAIT_MS) || bars.CountAutoHideBars() != 0
        || !settings.noBumpWarn.load())
        return;
    uint8_t shown =
        MessageBoxA(owner, kNoBarsWarning, "EdgeWarden", MB_YESNO | MB_ICONINFORMATION | MB_TOPMOST)
        != IDNO;
    if (shown != settings.noBumpWarn.load()) {
        settings.noBumpWarn.store(shown);
        SaveWarningFlags(settings, Save);
    }
}

void SetWindowInt(HWND window, int value)
{
    // Room for "-2147483648" and the terminating zero.
    char text[12];
    *std::to_chars(text, text + sizeof(text) - 1, value).ptr = '\0';
    SetWindowTextA(window, text);
}

int GetWindowInt(HWND window)
{
    char text[32];
    text[0] = '\0';
    GetWindowTextA(window, text, sizeof(text));
    text[sizeof(text) - 1] = '\0';
    return ParseWindowInt(text);
}
