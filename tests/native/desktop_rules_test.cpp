#include "taskbar/desktop_rules.h"

#include <gtest/gtest.h>

using namespace bump;

namespace {

// The primary; a taller one to its left reaching above it; a larger one to its
// right, lower down.
constexpr Rect kPrimary = {0, 0, 1024, 768};
constexpr Rect kLeft = {-1280, -256, 0, 768};
constexpr Rect kRight = {1024, 200, 2944, 1280};
// A smaller one stacked on the primary, reaching past its right edge.
constexpr Rect kAbove = {512, -600, 1312, 0};

Desktop ThreeMonitors()
{
    Desktop desktop = {};
    desktop.count = 3;
    desktop.monitors[0] = kPrimary;
    desktop.monitors[1] = kLeft;
    desktop.monitors[2] = kRight;
    return desktop;
}

} // namespace

TEST(DesktopRules, BarsAreHeldOnTheirOwnMonitorWhereTheDesktopEnds)
{
    struct Case {
        const char* what;
        int monitor;
        Edge edge;
        Rect bar;
        Point at;
        bool held;
        Point cursor;
    } cases[] = {
        {"primary's bottom", 0, EDGE_BOTTOM, {0, 766, 1024, 796}, {500, 767}, true, {500, 765}},
        {"primary's bottom bar, right monitor's row",
         0,
         EDGE_BOTTOM,
         {0, 766, 1024, 796},
         {1500, 767},
         false,
         {}},
        {"primary's right, above the right monitor",
         0,
         EDGE_RIGHT,
         {1022, 0, 1052, 768},
         {1023, 100},
         true,
         {1021, 100}},
        {"primary's right, beside the right monitor",
         0,
         EDGE_RIGHT,
         {1022, 0, 1052, 768},
         {1023, 300},
         false,
         {}},
        {"left monitor's left, negative",
         1,
         EDGE_LEFT,
         {-1308, -256, -1278, 768},
         {-1280, -200},
         true,
         {-1278, -200}},
        {"left monitor's top, above the primary",
         1,
         EDGE_TOP,
         {-1280, -284, 0, -254},
         {-600, -256},
         true,
         {-600, -254}},
        {"left monitor's right, above the primary",
         1,
         EDGE_RIGHT,
         {-2, -256, 28, 768},
         {-1, -100},
         true,
         {-3, -100}},
        {"left monitor's right, beside the primary",
         1,
         EDGE_RIGHT,
         {-2, -256, 28, 768},
         {-1, 100},
         false,
         {}},
        {"right monitor's bottom, lower than the primary's",
         2,
         EDGE_BOTTOM,
         {1024, 1278, 2944, 1308},
         {2000, 1279},
         true,
         {2000, 1277}},
        {"right monitor's top, offset",
         2,
         EDGE_TOP,
         {1024, 172, 2944, 202},
         {1100, 200},
         true,
         {1100, 202}},
        {"right monitor's left, beside the primary",
         2,
         EDGE_LEFT,
         {996, 200, 1026, 1280},
         {1024, 500},
         false,
         {}},
        {"right monitor's left, below the primary",
         2,
         EDGE_LEFT,
         {996, 200, 1026, 1280},
         {1024, 900},
         true,
         {1026, 900}},
        {"primary's top, below the stacked monitor",
         0,
         EDGE_TOP,
         {0, -28, 1024, 2},
         {600, 0},
         false,
         {}},
        {"stacked monitor's bottom, above the primary",
         3,
         EDGE_BOTTOM,
         {512, -2, 1312, 28},
         {600, -1},
         false,
         {}},
        {"stacked monitor's bottom, past the primary",
         3,
         EDGE_BOTTOM,
         {512, -2, 1312, 28},
         {1100, -1},
         true,
         {1100, -3}},
    };
    Desktop desktop = ThreeMonitors();
    desktop.count = 4;
    desktop.monitors[3] = kAbove;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        BumpState states[MAX_MONITORS] = {};
        Point cursor = c.at;
        int asked = 0;
        const int swallowed = BumpEvent(
            c.at, desktop, 1000, {50, 200, true}, states,
            [&](int monitor, Edge edge, Rect& rect) {
                ++asked;
                rect = c.bar;
                return monitor == c.monitor && edge == c.edge;
            },
            [&](int, Edge, const EdgeDecision& d) { cursor = d.cursor; });
        EXPECT_EQ(c.held ? 1 : 0, swallowed);
        if (c.held) {
            EXPECT_EQ(c.cursor.x, cursor.x);
            EXPECT_EQ(c.cursor.y, cursor.y);
        } else {
            // Free passage costs no look at any bar.
            EXPECT_EQ(0, asked);
        }
    }
}

TEST(DesktopRules, APositionOnAFartherMonitorIsNoStripOfThePrimary)
{
    // Three in a row, the middle one lower: right of the primary at y 100 the
    // desktop ends, yet a position at that height further right is another
    // monitor's.
    Desktop row = {};
    row.count = 3;
    row.monitors[0] = {0, 0, 1024, 768};
    row.monitors[1] = {1024, 200, 2048, 968};
    row.monitors[2] = {2048, 0, 3072, 200};
    BumpState states[MAX_MONITORS] = {};
    const auto rightBar = [](int monitor, Edge edge, Rect& rect) {
        rect = {1022, 0, 1052, 768};
        return monitor == 0 && edge == EDGE_RIGHT;
    };
    int setBacks = 0;
    const auto act = [&](int, Edge, const EdgeDecision& d) {
        setBacks += d.action == EdgeAction::SetBack ? 1 : 0;
    };
    EXPECT_EQ(0, BumpEvent({2500, 100}, row, 1000, {50, 200, true}, states, rightBar, act));
    EXPECT_EQ(1, BumpEvent({1023, 100}, row, 1010, {50, 200, true}, states, rightBar, act));
    // With that bump in progress the pointer goes on to the farther monitor and stays there.
    EXPECT_EQ(0, BumpEvent({2500, 100}, row, 1020, {50, 200, true}, states, rightBar, act));
    EXPECT_EQ(1, setBacks);
}

TEST(DesktopRules, FullScreenProgramsPauseTheMonitorsTheyCover)
{
    constexpr Rect kWhole = {-1280, -256, 2944, 1280};
    constexpr Rect kSmall = {100, 100, 400, 300};
    // Caption-less over the right monitor, caption-less and small, maximized with
    // a caption on the right monitor.
    constexpr desktop::Window kCovering = {false, false, false, false, false, kRight, kRight};
    constexpr desktop::Window kSmallOne = {false, false, false, false, false, kSmall, kSmall};
    constexpr desktop::Window kMaximized = {
        false, false, false, false, true, {1016, 192, 2952, 1288}, {1024, 223, 2944, 1280}};
    struct Case {
        const char* what;
        desktop::Foreground window;
        bool paused[3];
    } cases[] = {
        {"client area over the right monitor", {kCovering, {}, false, -1}, {false, false, true}},
        {"client area over the primary, caption above the screen",
         {{false, false, false, false, true, {-8, -31, 1032, 776}, kPrimary}, {}, false, -1},
         {true, false, false}},
        {"maximized with a caption", {kMaximized, {}, false, -1}, {false, false, false}},
        {"one pixel short",
         {{false, false, false, false, false, {0, 0, 1024, 767}, {0, 0, 1024, 767}}, {}, false, -1},
         {false, false, false}},
        {"across the whole desktop",
         {{false, false, false, false, false, kWhole, kWhole}, {}, false, -1},
         {true, true, true}},
        {"a thin-bordered pop-up over the right monitor",
         {{false, false, false, false, false, kRight, {1025, 201, 2943, 1279}}, {}, false, -1},
         {false, false, true}},
        {"the desktop after Show desktop, Direct3D reported",
         {{true, false, false, false, false, kWhole, kWhole}, {}, false, 2},
         {false, false, false}},
        {"a tool window (an overlay), Direct3D reported",
         {{false, true, false, false, false, kWhole, kWhole}, {}, false, 2},
         {false, false, false}},
        {"a window that asked not to count, Direct3D reported",
         {{false, false, true, false, false, kPrimary, kPrimary}, {}, false, 0},
         {false, false, false}},
        {"a cloaked window, Direct3D reported",
         {{false, false, false, true, false, kWhole, kWhole}, {}, false, 2},
         {false, false, false}},
        {"Direct3D, a small window in front", {kSmallOne, {}, false, 2}, {false, false, false}},
        {"Direct3D, a maximized window in front", {kMaximized, {}, false, 2}, {false, false, true}},
        {"a form owned by a hidden tool window",
         {kCovering, {false, true, false, false, false, {}, {}}, false, -1},
         {false, false, true}},
        {"a captioned main window's view", {kCovering, kMaximized, true, -1}, {false, false, true}},
        {"a player's controls", {kSmallOne, kCovering, true, -1}, {false, false, true}},
        {"a player's controls, a tool window",
         {{false, true, false, false, false, kSmall, kSmall}, kCovering, true, -1},
         {false, false, true}},
        {"a hidden player's controls", {kSmallOne, kCovering, false, -1}, {false, false, false}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Desktop desktop = ThreeMonitors();
        desktop.paused[0] = true; // a pause from an earlier refresh does not linger
        desktop::PauseUnderFullScreen(desktop, c.window);
        for (int m = 0; m < 3; ++m)
            EXPECT_EQ(c.paused[m], desktop.paused[m]) << "monitor " << m;
    }

    // A paused monitor holds nothing; the others still do.
    Desktop desktop = ThreeMonitors();
    desktop.paused[2] = true;
    BumpState states[MAX_MONITORS] = {};
    const Rect bottoms[3] = {{0, 766, 1024, 796}, {-1280, 766, 0, 796}, {1024, 1278, 2944, 1308}};
    const auto barRect = [&](int monitor, Edge edge, Rect& rect) {
        rect = bottoms[monitor];
        return edge == EDGE_BOTTOM;
    };
    const auto act = [](int, Edge, const EdgeDecision&) {};
    EXPECT_EQ(0, BumpEvent({2000, 1279}, desktop, 1000, {50, 200, true}, states, barRect, act));
    EXPECT_EQ(1, BumpEvent({500, 767}, desktop, 1000, {50, 200, true}, states, barRect, act));
}

TEST(DesktopRules, TheLayoutNumberChangesWithTheMonitorsOnly)
{
    const Desktop three = ThreeMonitors();
    EXPECT_EQ(1u, desktop::NextLayout(nullptr, 0, three));
    // A pause is no change of layout: bumps elsewhere go on.
    Desktop paused = three;
    paused.paused[2] = true;
    EXPECT_EQ(7u, desktop::NextLayout(&three, 7, paused));
    Desktop moved = three;
    moved.monitors[2] = {1024, 201, 2944, 1281};
    EXPECT_NE(7u, desktop::NextLayout(&three, 7, moved));
    Desktop unplugged = three;
    unplugged.count = 2;
    EXPECT_NE(7u, desktop::NextLayout(&three, 7, unplugged));
}

TEST(DesktopRules, ExchangeNeverFillsATableThatIsPublishedOrRead)
{
    struct Table {
        int value;
    };
    desktop::Exchange<Table> exchange;
    EXPECT_EQ(nullptr, exchange.Published());
    Table& first = exchange.Draft();
    first.value = 1;
    exchange.Publish(first);

    const Table* read = exchange.Acquire();
    ASSERT_EQ(&first, read);
    Table& second = exchange.Draft();
    EXPECT_NE(&first, &second);
    second.value = 2;
    exchange.Publish(second);
    // The reader still holds the first, the second is published: the third slot.
    Table& third = exchange.Draft();
    EXPECT_NE(&first, &third);
    EXPECT_NE(&second, &third);
    EXPECT_EQ(1, read->value);
    exchange.Release();

    EXPECT_EQ(&second, exchange.Acquire());
    exchange.Release();
    EXPECT_NE(&second, &exchange.Draft());

    // Two readers, each holding another table: the fourth slot.
    desktop::Exchange<Table, 2> two;
    two.Publish(two.Draft());
    const Table* hook = two.Acquire(0);
    two.Publish(two.Draft());
    const Table* main = two.Acquire(1);
    ASSERT_NE(hook, main);
    two.Publish(two.Draft());
    Table& fourth = two.Draft();
    EXPECT_NE(hook, &fourth);
    EXPECT_NE(main, &fourth);
    EXPECT_NE(two.Published(), &fourth);
    two.Release(1);
    EXPECT_EQ(main, &two.Draft());
}

TEST(DesktopRules, APlainQuerysBarBelongsToTheMonitorOfItsStrip)
{
    // Hidden bars, two pixels on their monitor and the rest off it, over the
    // neighbour where one lies there.
    struct Case {
        const char* what;
        Rect bar;
        Edge edge;
        Point strip;
        int monitor;
    } cases[] = {
        {"primary's bottom", {0, 766, 1024, 796}, EDGE_BOTTOM, {512, 766}, 0},
        {"primary's top, under the monitor above", {0, -28, 1024, 2}, EDGE_TOP, {512, 1}, 0},
        {"right monitor's left, over the primary",
         {996, 200, 1026, 1280},
         EDGE_LEFT,
         {1025, 740},
         2},
        {"primary's right, over the right monitor",
         {1022, 0, 1052, 768},
         EDGE_RIGHT,
         {1022, 384},
         0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Point p = desktop::StripPoint(c.bar, c.edge);
        EXPECT_EQ(c.strip.x, p.x);
        EXPECT_EQ(c.strip.y, p.y);
        EXPECT_EQ(c.monitor, MonitorOf(p, ThreeMonitors()));
    }
}

TEST(DesktopRules, WorkAskedForWhileTheShellIsAskedRunsOnceAfterwards)
{
    using desktop::TableWork;
    // Counts of asks and what the shell thread then runs, one step after the other.
    struct Step {
        const char* what;
        uint32_t refreshAsks;
        uint32_t rejudgeAsks;
        bool haveTable;
        TableWork runs;
    } steps[] = {
        {"a re-judge before the first table does nothing", 0, 1, false, TableWork::None},
        {"and leaves the way free for the first refresh", 1, 1, false, TableWork::Refresh},
        {"a re-judge alone", 1, 2, true, TableWork::Rejudge},
        {"three refreshes and two re-judges asked meanwhile: one refresh", 4, 4, true,
         TableWork::Refresh},
        {"which took the re-judges along", 4, 4, true, TableWork::None},
        {"counts that wrapped", 0, 4, true, TableWork::Refresh},
    };
    desktop::TableAsks taken = {0, 0};
    for (const Step& s : steps) {
        SCOPED_TRACE(s.what);
        EXPECT_EQ(s.runs,
                  desktop::TakeTableWork({s.refreshAsks, s.rejudgeAsks}, taken, s.haveTable));
        EXPECT_EQ(s.refreshAsks, taken.refresh);
        EXPECT_EQ(s.rejudgeAsks, taken.rejudge);
    }

    // A waiter's refresh is answered by its own or any later one, across the wrap.
    EXPECT_FALSE(desktop::RefreshAnswered(0, 1));
    EXPECT_TRUE(desktop::RefreshAnswered(1, 1));
    EXPECT_TRUE(desktop::RefreshAnswered(3, 1));
    EXPECT_TRUE(desktop::RefreshAnswered(2, UINT32_MAX));
    EXPECT_FALSE(desktop::RefreshAnswered(UINT32_MAX, 2));
}
