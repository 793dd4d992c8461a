#include "app/app.h"
#include "support/fake_shell.h"
#include "taskbar/autohide_bars.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

// Handles what is queued; a message that posts itself again is not followed
// for ever.
void PumpMessages()
{
    MSG msg;
    for (int n = 0; n < 100 && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE); ++n)
        DispatchMessageA(&msg);
}

// The shell thread publishes in its own time: handles this thread's messages
// until `done` holds; false after `ms`.
template <typename Done>
bool PumpUntil(Done done, DWORD ms = 2000)
{
    for (DWORD start = GetTickCount(); !done(); Sleep(5)) {
        if (GetTickCount() - start > ms)
            return false;
        PumpMessages();
    }
    return true;
}

} // namespace

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

    // Asked while the shell answers an earlier refresh, which began before the
    // ask, a refresh waits for the next one.
    HANDLE answering = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    shell.BeforeNextAnswer([answering] {
        SetEvent(answering);
        Sleep(200);
    });
    const LONG queries = shell.Queries();
    AskForBarRefresh();
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(answering, 2000));
    EXPECT_TRUE(RefreshAutoHideBars());
    const LONG oneRefresh = 4 * desktopBars.Published()->desktop.count + 4;
    EXPECT_EQ(queries + 2 * oneRefresh, shell.Queries());
    CloseHandle(answering);
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
    // change, not with a tick, once the message loop has handled the change.
    HWND bar = shell.AddBarOn(primary, ABE_RIGHT, FakeShell::HiddenRect(ABE_RIGHT));
    ASSERT_NE(nullptr, bar);
    SendMessageA(watched, WM_DISPLAYCHANGE, 32, MAKELPARAM(primary.right, primary.bottom));
    ASSERT_TRUE(PumpUntil([&] { return desktopBars.Published()->bars[0][ABE_RIGHT] == bar; }));
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

TEST(AutoHideBars, WorkAskedForWhileTheShellIsAskedRunsOnceAfterwards)
{
    FakeShell shell(FakeShell::Thread::Callers);
    HWND watched = CreateWindowExA(0, "STATIC", "EdgeWarden", 0, 0, 0, 10, 10, nullptr, nullptr,
                                   GetModuleHandleA(nullptr), nullptr);
    WatchDisplayChanges(watched);
    HWND bar = shell.AddBar(ABE_BOTTOM, FakeShell::HiddenRect(ABE_BOTTOM));
    shell.SetBar(ABE_BOTTOM, nullptr);
    RefreshAutoHideBars();

    // The shell moves its bars and tells every window before it answers; the
    // asking thread handles that while it waits for the answer.
    bool untouched = false;
    const LONG before = shell.Queries();
    shell.BeforeNextAnswer([&] {
        const DesktopBars* published = desktopBars.Published();
        HWND barsThen[bump::MAX_MONITORS][4] = {};
        std::memcpy(barsThen, published->bars, sizeof(barsThen));
        const uint32_t layoutThen = published->layout;
        SendMessageA(watched, WM_SETTINGCHANGE, SPI_SETWORKAREA, 0);
        untouched = desktopBars.Published() == published
                    && std::memcmp(barsThen, published->bars, sizeof(barsThen)) == 0
                    && layoutThen == published->layout;
        shell.SetBar(ABE_BOTTOM, bar);
    });
    RefreshAutoHideBars();
    EXPECT_TRUE(untouched) << "the table was published or written to while the shell was asked";
    EXPECT_EQ(bar, desktopBars.Published()->bars[0][ABE_BOTTOM]);

    // The change's refresh ran once, right afterwards, and nothing more: the
    // per-monitor and the plain query for every edge, and the shell's state.
    const LONG oneRefresh = 4 * desktopBars.Published()->desktop.count + 4;
    EXPECT_TRUE(PumpUntil([&] { return shell.Queries() >= before + 2 * oneRefresh; }));
    PumpUntil([] { return false; }, 300);
    EXPECT_EQ(before + 2 * oneRefresh, shell.Queries());
    DestroyWindow(watched);
}
