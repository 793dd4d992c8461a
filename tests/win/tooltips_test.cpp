#include "win_support.h"

#include "support/test_windows.h"
#include "taskbar/tooltips.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr UINT SWP_ZONLY = SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE;

HWND Above(HWND window)
{
    return GetWindow(window, GW_HWNDPREV);
}

HWND TopOfZOrder()
{
    return GetWindow(GetDesktopWindow(), GW_CHILD);
}

bool IsTopmost(HWND window)
{
    return (GetWindowLongPtrA(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
}

class Tooltips : public win_test::UiTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_WIN95_CLASSES};
        InitCommonControlsEx(&controls);
        for (const char* name : {"tooltips_class3", "tooltips_class32x"})
            RegisterPlainClass(name);
        settings().tooltipsOnTop.store(1);
        bar = shell.AddBar(ABE_BOTTOM, FakeShell::HiddenRect(ABE_BOTTOM));
        ASSERT_NE(nullptr, bar);
        app->bars.RefreshAutoHideBars(FRESH_TABLE_WAIT_MS);
    }

    void TearDown() override
    {
        for (HWND window : made)
            DestroyWindow(window);
        AppTest::TearDown();
    }

    void Raise() { RaiseTooltipsAboveTaskBars(settings(), app->bars); }

    // A hidden window of `cls`; new windows start at the top of the non-topmost
    // band, below the topmost bar.
    HWND Make(const char* cls)
    {
        HWND window = CreateWindowExA(0, cls, nullptr, WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                      GetModuleHandleA(nullptr), nullptr);
        made.push_back(window);
        return window;
    }

    HWND Tooltip() { return Make(TOOLTIPS_CLASSA); }

    HWND bar = nullptr;
    std::vector<HWND> made;
};

} // namespace

TEST_F(Tooltips, ThoseBelowTheBarEndDirectlyAboveIt)
{
    HWND above = Tooltip();
    SetWindowPos(above, HWND_TOPMOST, 0, 0, 0, 0, SWP_ZONLY);
    ASSERT_EQ(above, Above(bar));
    HWND first = Tooltip();
    HWND prefix = Make("tooltips_class3");
    HWND longer = Make("tooltips_class32x");
    HWND second = Tooltip();
    // Met in the walk in this order below the bar: first, then second.
    SetWindowPos(first, bar, 0, 0, 0, 0, SWP_ZONLY);
    SetWindowPos(second, HWND_BOTTOM, 0, 0, 0, 0, SWP_ZONLY);
    HWND belowBar = GetWindow(bar, GW_HWNDNEXT);
    ASSERT_EQ(first, belowBar);

    Raise();
    EXPECT_EQ(second, Above(bar));
    EXPECT_EQ(first, Above(second));
    EXPECT_EQ(above, Above(first));
    EXPECT_EQ(TopOfZOrder(), above);
    // Names that only begin like a tooltip's, or go on after it, stay below.
    for (HWND other : {prefix, longer}) {
        bool below = false;
        for (HWND w = GetWindow(bar, GW_HWNDNEXT); w != nullptr; w = GetWindow(w, GW_HWNDNEXT))
            below = below || w == other;
        EXPECT_TRUE(below);
    }

    // A second pass changes nothing.
    Raise();
    EXPECT_EQ(second, Above(bar));
    EXPECT_EQ(first, Above(second));
    EXPECT_EQ(above, Above(first));
}

TEST_F(Tooltips, NothingAboveTheBarPlacesAtTheTopOfTheTopmostBand)
{
    SetWindowPos(bar, HWND_TOPMOST, 0, 0, 0, 0, SWP_ZONLY);
    ASSERT_EQ(bar, TopOfZOrder());

    // A plain tooltip and a topmost one, both under the bar.
    HWND plain = Tooltip();
    HWND topmost = Tooltip();
    SetWindowPos(topmost, HWND_TOPMOST, 0, 0, 0, 0, SWP_ZONLY);
    SetWindowPos(topmost, bar, 0, 0, 0, 0, SWP_ZONLY);
    ASSERT_EQ(nullptr, Above(bar));
    ASSERT_EQ(topmost, GetWindow(bar, GW_HWNDNEXT));

    for (HWND tip : {plain, topmost}) {
        SetWindowPos(bar, HWND_TOPMOST, 0, 0, 0, 0, SWP_ZONLY);
        PlaceJustAbove(tip, bar);
        EXPECT_EQ(tip, Above(bar));
        EXPECT_EQ(tip, TopOfZOrder());
        EXPECT_TRUE(IsTopmost(tip));
    }

    // And the same from the walk.
    SetWindowPos(bar, HWND_TOPMOST, 0, 0, 0, 0, SWP_ZONLY);
    ASSERT_EQ(bar, TopOfZOrder());
    Raise();
    EXPECT_NE(bar, TopOfZOrder());
    EXPECT_EQ(plain, Above(bar));
}

TEST_F(Tooltips, NothingMovesWhenOffOrWithoutBars)
{
    HWND tip = Tooltip();
    HWND belowTip = GetWindow(tip, GW_HWNDNEXT);
    ASSERT_NE(tip, Above(bar));

    settings().tooltipsOnTop.store(0);
    Raise();
    EXPECT_EQ(belowTip, GetWindow(tip, GW_HWNDNEXT));

    settings().tooltipsOnTop.store(1);
    shell.SetBar(ABE_BOTTOM, nullptr);
    app->bars.RefreshAutoHideBars(FRESH_TABLE_WAIT_MS);
    Raise();
    EXPECT_EQ(belowTip, GetWindow(tip, GW_HWNDNEXT));
}

TEST_F(Tooltips, TimerTickLiftsOverTheLastTableAndAsksTheHungShellWithoutWaiting)
{
    settings().hideEnabled.store(0);
    HWND tip = Tooltip();
    ASSERT_NE(tip, Above(bar));
    const LONG asked = shell.Queries();
    shell.Hang(1000);
    Sleep(50);

    const DWORD start = GetTickCount();
    App::HideTimerProc(app->MainWindow, WM_TIMER, HIDE_TIMER_ID, 0);
    EXPECT_LT(GetTickCount() - start, 300u);
    EXPECT_EQ(tip, Above(bar));
    // The shell is asked once it answers again.
    for (int i = 0; i < 150 && shell.Queries() == asked; ++i)
        Sleep(20);
    EXPECT_LT(asked, shell.Queries());
}

TEST_F(Tooltips, WindowOfAHungProgramMovesLaterWithoutHoldingUpThePass)
{
    // A window of the stand-in shell's thread, which then stops answering a while.
    HWND hung = shell.AddBar(ABE_TOP, FakeShell::HiddenRect(ABE_TOP));
    HWND tip = Tooltip();
    SetWindowPos(tip, HWND_BOTTOM, 0, 0, 0, 0, SWP_ZONLY);
    shell.Hang(1500);
    Sleep(50);
    const DWORD start = GetTickCount();
    PlaceJustAbove(hung, tip);
    EXPECT_LT(GetTickCount() - start, 500u);
    for (int i = 0; i < 150 && Above(tip) != hung; ++i)
        Sleep(20);
    EXPECT_EQ(hung, Above(tip));
}
