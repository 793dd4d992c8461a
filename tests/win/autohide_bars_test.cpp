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
