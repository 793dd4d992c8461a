// The settings dialog of the running program, worked through its controls.
#include "blackbox/harness.h"
#include "support/fake_shell.h"
#include "res/resource_ids.h"

#include <commctrl.h>

namespace {

DWORD Stored(const char* name)
{
    DWORD value = 0xDEADBEEF;
    reg::Get(name, nullptr, &value);
    return value;
}

void Click(HWND dialog, int id)
{
    SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

// Starts with the no-bar warning silenced, so the dialog comes up on its own.
class Dialog : public BlackBox {
protected:
    void SetUp() override
    {
        BlackBox::SetUp();
        reg::SetDword("nobumpwarn", 0);
    }
};

} // namespace

TEST_F(BlackBox, FirstStartWarnsOfNoAutoHideBarsBeforeTheDialogShows)
{
    App app("");
    HWND box = WaitMessageBox(app.Pid(), 5000);
    ASSERT_NE(nullptr, box);
    EXPECT_EQ("No automatically hidden task bars found.\nEnabling bumps will have no effect.\n"
              "Do you wan't to see this warning again?",
              MessageBoxText(box));
    EXPECT_EQ(nullptr, WaitSettingsDialog(app, 100)) << "the dialog shows after the warning";
    PressButton(box, IDNO);
    HWND dialog = WaitSettingsDialog(app);
    ASSERT_NE(nullptr, dialog);
    EXPECT_EQ(0u, Stored("nobumpwarn")) << "the answer is stored at once";

    // Unticking and ticking protection again brings no second warning.
    Click(dialog, IDC_BUMP_ENABLED);
    Click(dialog, IDC_BUMP_ENABLED);
    EXPECT_EQ(nullptr, WaitMessageBox(app.Pid(), 500));
}

TEST_F(Dialog, OkSavesAndRunsOnCancelRestoresExitSavesAndEnds)
{
    App app("");
    HWND dialog = WaitSettingsDialog(app);
    ASSERT_NE(nullptr, dialog);
    EXPECT_EQ(CBS_DROPDOWNLIST, GetWindowLongA(GetDlgItem(dialog, IDC_HIDE_MODE), GWL_STYLE) & 3)
        << "a method typed in would not be the one in force";
    Click(dialog, IDC_TOOLTIPS_ON_TOP);
    SendMessageA(GetDlgItem(dialog, IDC_BUMP_STRENGTH), TBM_SETPOS, TRUE, 120);
    SendMessageA(dialog, WM_HSCROLL, TB_ENDTRACK,
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDC_BUMP_STRENGTH)));
    SetWindowTextA(GetDlgItem(dialog, IDC_HIDE_SECONDS), "0");
    Click(dialog, IDOK);
    Settle(300);
    EXPECT_TRUE(app.Running());
    EXPECT_EQ(1u, Stored("tooltipsontop"));
    EXPECT_EQ(120u, Stored("tarvostrength"));
    EXPECT_EQ(1u, Stored("hidesecs")) << "the field clamps what it shows and stores";

    // Cancel undoes what the dialog changed.
    EXPECT_EQ(0u, RunToEnd(""));
    dialog = WaitSettingsDialog(app);
    ASSERT_NE(nullptr, dialog);
    EXPECT_EQ(BST_CHECKED, SendDlgItemMessageA(dialog, IDC_TOOLTIPS_ON_TOP, BM_GETCHECK, 0, 0));
    Click(dialog, IDC_TOOLTIPS_ON_TOP);
    Click(dialog, IDCANCEL);
    Settle(300);
    EXPECT_TRUE(app.Running());
    EXPECT_EQ(0u, RunToEnd(""));
    dialog = WaitSettingsDialog(app);
    ASSERT_NE(nullptr, dialog);
    EXPECT_EQ(BST_CHECKED, SendDlgItemMessageA(dialog, IDC_TOOLTIPS_ON_TOP, BM_GETCHECK, 0, 0));

    // Exit saves and ends, even with the features on.
    Click(dialog, IDC_TOOLTIPS_ON_TOP);
    Click(dialog, IDC_EXIT);
    DWORD code = STILL_ACTIVE;
    ASSERT_TRUE(app.WaitExit(5000, &code));
    EXPECT_EQ(0u, code);
    EXPECT_EQ(0u, Stored("tooltipsontop"));
}

TEST_F(Dialog, OkWithBothFeaturesOffEndsTheProgram)
{
    App app("");
    HWND dialog = WaitSettingsDialog(app);
    ASSERT_NE(nullptr, dialog);
    Click(dialog, IDC_BUMP_ENABLED);
    Click(dialog, IDC_HIDE_ENABLED);
    Click(dialog, IDOK);
    DWORD code = STILL_ACTIVE;
    ASSERT_TRUE(app.WaitExit(5000, &code));
    EXPECT_EQ(0u, code);
    EXPECT_EQ(0u, Stored("tarvo"));
    EXPECT_EQ(0u, Stored("hide"));
}

TEST_F(Dialog, SecondStartBringsTheDialogBackAndAnOpenOneToTheTop)
{
    App app("-hide");
    ASSERT_TRUE(app.WaitEngine());
    EXPECT_TRUE(app.Windows("#32770", "EdgeWarden").empty());
    EXPECT_EQ(0u, RunToEnd(""));
    HWND dialog = WaitSettingsDialog(app);
    ASSERT_NE(nullptr, dialog);

    SetWindowPos(dialog, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ASSERT_FALSE(GetWindowLongA(dialog, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_EQ(0u, RunToEnd(""));
    Settle(300);
    EXPECT_TRUE(GetWindowLongA(dialog, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_EQ(1u, app.Windows("#32770", "EdgeWarden").size());
}

TEST_F(Dialog, QuitInTheBackgroundBringsTheDialogBack)
{
    App app("-hide");
    HWND main = app.WaitWindow("Static", "EdgeWarden", 5000);
    ASSERT_NE(nullptr, main);
    PostThreadMessageA(GetWindowThreadProcessId(main, nullptr), WM_QUIT, 0, 0);
    ASSERT_NE(nullptr, WaitSettingsDialog(app));
    EXPECT_TRUE(app.Running());
}

TEST_F(Dialog, ProtectionSwitchedOffAndOnWhileTheMouseMoves)
{
    FakeShell shell;
    const RECT bottom = FakeShell::HiddenRect(ABE_BOTTOM);
    shell.AddBar(ABE_BOTTOM, bottom);
    reg::SetDword("hide", 0);
    App app("");
    HWND dialog = WaitSettingsDialog(app);
    ASSERT_NE(nullptr, dialog);
    Settle(1200); // a timer tick has seen the bar

    const int x = 300;
    const int strip = bottom.top + 1;
    MouseAt(x, strip);
    EXPECT_EQ(bottom.top - 1, CursorPos().y) << "protection on: held back";

    Click(dialog, IDC_BUMP_ENABLED);
    MouseAt(x, 300);
    MouseAt(x, strip);
    EXPECT_EQ(strip, CursorPos().y) << "both features off: the hook is gone";

    Click(dialog, IDC_BUMP_ENABLED);
    Settle(300);
    MouseAt(x, 300);
    MouseAt(x, strip);
    EXPECT_EQ(bottom.top - 1, CursorPos().y) << "on again: held back again";

    // While the shell hangs, and a tick has asked it, switching off and Exit
    // wait for nothing.
    shell.Hang(4000);
    Settle(1200);
    DWORD start = GetTickCount();
    Click(dialog, IDC_BUMP_ENABLED);
    EXPECT_LT(GetTickCount() - start, 1000u) << "switching off";
    MouseAt(x, 300);
    MouseAt(x, strip);
    EXPECT_EQ(strip, CursorPos().y) << "switched off while the shell hangs";
    start = GetTickCount();
    Click(dialog, IDC_EXIT);
    DWORD code = STILL_ACTIVE;
    EXPECT_TRUE(app.WaitExit(1000, &code));
    EXPECT_LT(GetTickCount() - start, 1000u) << "Exit";
    EXPECT_EQ(0u, code);
}
