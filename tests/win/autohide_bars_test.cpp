#include "win_support.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

// The table with its shell thread, made afresh for every case.
class AutoHideBarsTest : public win_test::AppTest {
protected:
    bool Refresh() { return app->bars.RefreshAutoHideBars(FRESH_TABLE_WAIT_MS); }
    const DesktopBars* Published() { return app->bars.Tables().Published(); }
};

} // namespace

TEST_F(AutoHideBarsTest, RefreshAsksTheShellForEveryEdge)
{
    FakeShell shell;
    Refresh();
    EXPECT_EQ(0, app->bars.CountAutoHideBars());

    HWND bar = shell.AddBar(ABE_BOTTOM, FakeShell::HiddenRect(ABE_BOTTOM));
    ASSERT_NE(nullptr, bar);
    Refresh();
    EXPECT_EQ(bar, app->bars.PrimaryBar(ABE_BOTTOM));
    EXPECT_EQ(1, app->bars.CountAutoHideBars());

    // Moved to the left edge: the next refresh forgets the bottom.
    shell.SetBar(ABE_BOTTOM, nullptr);
    shell.SetBar(ABE_LEFT, bar);
    Refresh();
    EXPECT_EQ(bar, app->bars.PrimaryBar(ABE_LEFT));
    EXPECT_EQ(nullptr, app->bars.PrimaryBar(ABE_BOTTOM));

    // One window reported for two edges counts twice.
    shell.SetBar(ABE_TOP, bar);
    Refresh();
    EXPECT_EQ(2, app->bars.CountAutoHideBars());

    for (UINT edge = ABE_LEFT; edge <= ABE_BOTTOM; ++edge)
        shell.SetBar(edge, nullptr);
    Refresh();
    EXPECT_EQ(0, app->bars.CountAutoHideBars());

    // Asked while the shell answers an earlier refresh, which began before the
    // ask, a refresh waits for the next one.
    HANDLE answering = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    shell.BeforeNextAnswer([answering] {
        SetEvent(answering);
        Sleep(200);
    });
    const LONG queries = shell.Queries();
    app->bars.RefreshAutoHideBars(0);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(answering, 2000));
    EXPECT_TRUE(Refresh());
    const LONG oneRefresh = 4 * Published()->desktop.count + 4;
    EXPECT_EQ(queries + 2 * oneRefresh, shell.Queries());
    CloseHandle(answering);
}

TEST_F(AutoHideBarsTest, PerMonitorQueryAndDisplayChangesRefreshTheTable)
{
    FakeShell shell;
    const RECT primary = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    HWND watched = app->MainWindow;
    Refresh();
    ASSERT_NE(nullptr, Published());
    const uint32_t layout = Published()->layout;
    EXPECT_EQ(0, app->bars.CountAutoHideBars());

    // A shell that answers per monitor; the next refresh comes with the display
    // change, not with a tick, once the message loop has handled the change.
    HWND bar = shell.AddBarOn(primary, ABE_RIGHT, FakeShell::HiddenRect(ABE_RIGHT));
    ASSERT_NE(nullptr, bar);
    SendMessageA(watched, WM_DISPLAYCHANGE, 32, MAKELPARAM(primary.right, primary.bottom));
    ASSERT_TRUE(WaitFor([&] { return Published()->bars[0][ABE_RIGHT] == bar; }));
    const DesktopBars* table = Published();
    EXPECT_EQ(1, table->desktop.count);
    EXPECT_EQ(bar, table->bars[0][ABE_RIGHT]);
    EXPECT_EQ(bar, app->bars.PrimaryBar(ABE_RIGHT));
    EXPECT_TRUE(app->bars.IsAutoHideBar(bar));
    EXPECT_EQ(1, app->bars.CountAutoHideBars());
    // The same monitors: bumps in progress keep their meaning across refreshes.
    EXPECT_EQ(layout, table->layout);
}

TEST_F(AutoHideBarsTest, WorkAskedForWhileTheShellIsAskedRunsOnceAfterwards)
{
    FakeShell shell(FakeShell::Thread::Callers);
    HWND watched = app->MainWindow;
    HWND bar = shell.AddBar(ABE_BOTTOM, FakeShell::HiddenRect(ABE_BOTTOM));
    shell.SetBar(ABE_BOTTOM, nullptr);
    Refresh();

    // The shell moves its bars and tells every window before it answers; the
    // asking thread handles that while it waits for the answer.
    bool untouched = false;
    const LONG before = shell.Queries();
    shell.BeforeNextAnswer([&] {
        const DesktopBars* published = Published();
        HWND barsThen[geo::MAX_MONITORS][4] = {};
        std::memcpy(barsThen, published->bars, sizeof(barsThen));
        const uint32_t layoutThen = published->layout;
        SendMessageA(watched, WM_SETTINGCHANGE, SPI_SETWORKAREA, 0);
        untouched = Published() == published
                    && std::memcmp(barsThen, published->bars, sizeof(barsThen)) == 0
                    && layoutThen == published->layout;
        shell.SetBar(ABE_BOTTOM, bar);
    });
    Refresh();
    EXPECT_TRUE(untouched) << "the table was published or written to while the shell was asked";
    EXPECT_EQ(bar, Published()->bars[0][ABE_BOTTOM]);

    // The change's refresh ran once, right afterwards, and nothing more: the
    // per-monitor and the plain query for every edge.
    const LONG oneRefresh = 4 * Published()->desktop.count + 4;
    EXPECT_TRUE(WaitFor([&] { return shell.Queries() >= before + 2 * oneRefresh; }));
    WaitFor([] { return false; }, 300);
    EXPECT_EQ(before + 2 * oneRefresh, shell.Queries());
}
