#include "win_support.h"

#include "settings/settings.h"
#include "support/registry.h"
#include "res/resource_ids.h"
#include "ui/settings_dialog.h"

#include <colordlg.h>
#include <commctrl.h>

#include <string>
#include <vector>

using win_test::Driver;
using win_test::FindProcessDialog;
using win_test::UiTest;

namespace {

// The open settings dialog, as the user would find it on the screen.
HWND WaitForSettingsDialog()
{
    for (int i = 0; i < 500; ++i) {
        HWND found = FindProcessDialog("EdgeWarden", [](HWND window) {
            return IsWindowVisible(window) && GetDlgItem(window, IDC_BUMP_ENABLED) != nullptr;
        });
        if (found != nullptr)
            return found;
        Sleep(10);
    }
    return nullptr;
}

// The colour chooser that the settings dialog owns.
HWND WaitForColourChooser(HWND owner)
{
    for (int i = 0; i < 500; ++i) {
        HWND found = nullptr;
        for (HWND window = GetWindow(GetDesktopWindow(), GW_CHILD); window != nullptr;
             window = GetWindow(window, GW_HWNDNEXT)) {
            if (GetWindow(window, GW_OWNER) == owner && IsWindowVisible(window)
                && GetDlgItem(window, COLOR_RED) != nullptr)
                found = window;
        }
        if (found != nullptr)
            return found;
        Sleep(10);
    }
    return nullptr;
}

void Press(HWND dialog, int id)
{
    SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

class UiDialogModal : public UiTest {
protected:
    // Runs the modal dialog as the program does; `user` works it from another thread.
    INT_PTR RunDialog(const std::function<void(HWND)>& user)
    {
        Driver driver([&user] {
            HWND open = WaitForSettingsDialog();
            if (open != nullptr)
                user(open);
        });
        return app->dialog.Show(app->AppInstance, app->MainWindow);
    }
};

} // namespace

TEST_F(UiDialogModal, ClosingSavesOrRestoresAndTellsWhetherToRunOn)
{
    struct Case {
        const char* what;
        bool storedBump, storedHide; // in the registry and in memory at the start
        std::vector<int> clicks;     // boxes the user clicks
        int closeWith;               // IDOK, IDCANCEL, IDC_EXIT or 0 for the close box
        INT_PTR result;
        DWORD tarvo, hide, tooltips;  // stored afterwards
        uint8_t bumpAfter, hideAfter; // in memory afterwards
    } cases[] = {
        {"OK with a feature on", true, false, {IDC_TOOLTIPS_ON_TOP}, IDOK, IDYES, 1, 0, 1, 1, 0},
        {"OK with both off", true, false, {IDC_BUMP_ENABLED}, IDOK, IDNO, 0, 0, 0, 0, 0},
        {"Exit with both on", true, true, {IDC_TOOLTIPS_ON_TOP}, IDC_EXIT, IDNO, 1, 1, 1, 1, 1},
        {"Cancel restores the stored flags",
         false,
         false,
         {IDC_HIDE_ENABLED, IDC_TOOLTIPS_ON_TOP},
         IDCANCEL,
         IDNO,
         0,
         0,
         0,
         0,
         0},
        {"Cancel keeping a feature on",
         false,
         true,
         {IDC_HIDE_ENABLED, IDC_BUMP_ENABLED},
         IDCANCEL,
         IDYES,
         0,
         1,
         0,
         0,
         1},
        {"close box is Cancel",
         true,
         false,
         {IDC_BUMP_ENABLED, IDC_TOOLTIPS_ON_TOP},
         0,
         IDYES,
         1,
         0,
         0,
         1,
         0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        reg::DeleteKey();
        settings().bumpEnabled.store(c.storedBump);
        settings().hideEnabled.store(c.storedHide);
        settings().tooltipsOnTop.store(0);
        ExchangeSettings(settings(), Save);

        INT_PTR result = RunDialog([&c](HWND open) {
            for (int id : c.clicks)
                Press(open, id);
            if (c.closeWith != 0)
                Press(open, c.closeWith);
            else
                SendMessageA(open, WM_CLOSE, 0, 0);
        });
        EXPECT_EQ(c.result, result);
        DWORD tarvo = 9, hide = 9, tooltips = 9;
        EXPECT_TRUE(reg::GetDword("tarvo", &tarvo));
        EXPECT_TRUE(reg::GetDword("hide", &hide));
        EXPECT_TRUE(reg::GetDword("tooltipsontop", &tooltips));
        EXPECT_EQ(c.tarvo, tarvo);
        EXPECT_EQ(c.hide, hide);
        EXPECT_EQ(c.tooltips, tooltips);
        EXPECT_EQ(c.bumpAfter, settings().bumpEnabled.load());
        EXPECT_EQ(c.hideAfter, settings().hideEnabled.load());
        EXPECT_EQ(c.tooltips, settings().tooltipsOnTop.load());
    }
}

TEST_F(UiDialogModal, OkStoresEveryValueAsTheDialogLeftIt)
{
    settings().noBumpWarn.store(1);
    win_test::BoxAnswerer answerer(IDYES);
    INT_PTR result = RunDialog([](HWND open) {
        SendDlgItemMessageA(open, IDC_BUMP_STRENGTH, TBM_SETPOS, TRUE, 77);
        SendMessageA(open, WM_HSCROLL, TB_ENDTRACK,
                     reinterpret_cast<LPARAM>(GetDlgItem(open, IDC_BUMP_STRENGTH)));
        SetDlgItemTextA(open, IDC_HIDE_SECONDS, "45");
        HWND combo = GetDlgItem(open, IDC_HIDE_MODE);
        SendMessageA(combo, CB_SETCURSEL, 4, 0);
        SendMessageA(open, WM_COMMAND, MAKEWPARAM(IDC_HIDE_MODE, CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(combo));
        Press(open, IDC_BUMP_INDICATE);
        Press(open, IDOK);
    });
    EXPECT_EQ(IDYES, result);
    EXPECT_EQ(1, answerer.Count()) << "warned before the dialog showed";

    struct Value {
        const char* name;
        DWORD expected;
    } values[] = {
        {"priowarn", 0},       {"nobumpwarn", 1},  {"tarvo", 1},
        {"tarvostrength", 77}, {"tarvotime", 200}, {"tarvocolor", 0x800000FF},
        {"tooltipsontop", 0},  {"hide", 1},        {"hidesecs", 45},
        {"hidemode", 4},
    };
    for (const Value& v : values) {
        DWORD stored = 0xDEAD;
        EXPECT_TRUE(reg::GetDword(v.name, &stored)) << v.name;
        EXPECT_EQ(v.expected, stored) << v.name;
    }
}

TEST_F(UiDialogModal, ColourChooserKeepsTheTopByteAndItsCustomColours)
{
    // The custom colours are filled at the first press in the process; this is
    // the only test that presses the button.
    settings().bumpColor.store(0x80336699);
    uint32_t afterCancel = 0;
    RunDialog([this, &afterCancel](HWND open) {
        Driver cancel(
            [open] { PostMessageA(WaitForColourChooser(open), WM_COMMAND, IDCANCEL, 0); });
        Press(open, IDC_BUMP_COLOR);
        afterCancel = settings().bumpColor.load();
        Press(open, IDCANCEL);
    });
    EXPECT_EQ(0x80336699u, afterCancel);
    COLORREF* customColors = app->dialog.CustomColors();
    EXPECT_EQ(0x00336699u, customColors[0]);
    // The scheme's window, menu, highlight (twice), captions, info, desktop and texts.
    const int systemColors[15] = {5, 4, 13, 2, 13, 24, 27, 1, 8, 7, 14, 9, 14, 23, 28};
    for (int i = 0; i < 15; ++i)
        EXPECT_EQ(GetSysColor(systemColors[i]), customColors[i + 1]) << "slot " << i + 1;

    // A colour typed into the chooser replaces the low bytes only: the indication
    // stays off. The slots, as the user left them, are not filled again.
    customColors[7] = 0x00010203;
    settings().bumpColor.store(0x80000000);
    RunDialog([](HWND open) {
        Driver choose([open] {
            HWND chooser = WaitForColourChooser(open);
            SetDlgItemTextA(chooser, COLOR_RED, "10");
            SetDlgItemTextA(chooser, COLOR_GREEN, "200");
            SetDlgItemTextA(chooser, COLOR_BLUE, "30");
            PostMessageA(chooser, WM_COMMAND, IDOK, 0);
        });
        Press(open, IDC_BUMP_COLOR);
        Press(open, IDOK);
    });
    EXPECT_EQ(0x80000000u | RGB(10, 200, 30), settings().bumpColor.load());
    DWORD stored = 0;
    EXPECT_TRUE(reg::GetDword("tarvocolor", &stored));
    EXPECT_EQ(0x80000000u | RGB(10, 200, 30), stored);
    EXPECT_EQ(0x00336699u, customColors[0]) << "slot 0 is not refreshed";
    EXPECT_EQ(0x00010203u, customColors[7]);
}
