#include "support/fake_shell.h"
#include "taskbar/autohide_bars.h"

#include <gtest/gtest.h>

TEST(AutoHideBars, RefreshAsksTheShellForEveryEdge)
{
    FakeShell shell;
    RefreshAutoHideBars();
    EXPECT_EQ(0, CountAutoHideBars());

    HWND bar = shell.AddBar(ABE_BOTTOM, FakeShell::HiddenRect(ABE_BOTTOM));
    ASSERT_NE(nullptr, bar);
    RefreshAutoHideBars();
    EXPECT_EQ(bar, AutoHideBars[ABE_BOTTOM].load());
    EXPECT_EQ(1, CountAutoHideBars());

    // Moved to the left edge: the next refresh forgets the bottom.
    shell.SetBar(ABE_BOTTOM, nullptr);
    shell.SetBar(ABE_LEFT, bar);
    RefreshAutoHideBars();
    EXPECT_EQ(bar, AutoHideBars[ABE_LEFT].load());
    EXPECT_EQ(nullptr, AutoHideBars[ABE_BOTTOM].load());

    // One window reported for two edges counts twice.
    shell.SetBar(ABE_TOP, bar);
    RefreshAutoHideBars();
    EXPECT_EQ(2, CountAutoHideBars());

    for (UINT edge = ABE_LEFT; edge <= ABE_BOTTOM; ++edge)
        shell.SetBar(edge, nullptr);
    RefreshAutoHideBars();
    EXPECT_EQ(0, CountAutoHideBars());
}

TEST(AutoHideBars, PerMonitorQueryAndDisplayChangesRefreshTheTable)
{
    FakeShell shell;
    const RECT primary = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    HWND watched = CreateWindowExA(0, "STATIC", "EdgeWarden", 0, 0, 0, 10, 10, nullptr, nullptr,
                                   GetModuleHandleA(nullptr), nullptr);
    WatchDisplayChanges(watched);
    RefreshAutoHideBars();
    ASSERT_NE(nullptr, desktopBars.Published());
    const uint32_t layout = desktopBars.Published()->layout;
    EXPECT_EQ(0, CountAutoHideBars());

    // A shell that answers per monitor; the next refresh comes with the display
    // change, not with a tick.
    HWND bar = shell.AddBarOn(primary, ABE_RIGHT, FakeShell::HiddenRect(ABE_RIGHT));
    ASSERT_NE(nullptr, bar);
    SendMessageA(watched, WM_DISPLAYCHANGE, 32, MAKELPARAM(primary.right, primary.bottom));
    const DesktopBars* table = desktopBars.Published();
    EXPECT_EQ(1, table->desktop.count);
    EXPECT_EQ(bar, table->bars[0][ABE_RIGHT]);
    EXPECT_EQ(bar, AutoHideBars[ABE_RIGHT].load());
    EXPECT_TRUE(IsAutoHideBar(bar));
    EXPECT_EQ(1, CountAutoHideBars());
    // The same monitors: bumps in progress keep their meaning across refreshes.
    EXPECT_EQ(layout, table->layout);
    DestroyWindow(watched);
}
