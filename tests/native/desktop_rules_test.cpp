#include "taskbar/bump_cursor.h"
#include "taskbar/desktop_rules.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <functional>

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
            [](int, Point) { return true; },
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
    const auto reaches = [](int, Point) { return true; };
    int setBacks = 0;
    const auto act = [&](int, Edge, const EdgeDecision& d) {
        setBacks += d.action == EdgeAction::SetBack ? 1 : 0;
    };
    EXPECT_EQ(0,
              BumpEvent({2500, 100}, row, 1000, {50, 200, true}, states, rightBar, reaches, act));
    EXPECT_EQ(1,
              BumpEvent({1023, 100}, row, 1010, {50, 200, true}, states, rightBar, reaches, act));
    // With that bump in progress the pointer goes on to the farther monitor and stays there.
    EXPECT_EQ(0,
              BumpEvent({2500, 100}, row, 1020, {50, 200, true}, states, rightBar, reaches, act));
    EXPECT_EQ(1, setBacks);
}

TEST(DesktopRules, TheLayoutNumberChangesWithTheMonitorsOnly)
{
    const Desktop three = ThreeMonitors();
    EXPECT_EQ(1u, desktop::NextLayout(nullptr, 0, three));
    EXPECT_EQ(7u, desktop::NextLayout(&three, 7, ThreeMonitors()));
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

namespace {

// A bar entry that lets the table's writer run in the middle of a read: the
// first look at any entry after `duringRead` is armed runs it, once.
struct Entry {
    int id = 0;

    Entry() = default;
    Entry(std::nullptr_t) {}
    explicit Entry(int id) : id(id) {}
    Entry(const Entry& other)
    {
        Looked();
        id = other.id;
    }
    Entry& operator=(const Entry&) = default;
    friend bool operator!=(const Entry& e, std::nullptr_t)
    {
        Looked();
        return e.id != 0;
    }
    friend bool operator==(const Entry& a, const Entry& b) { return a.id == b.id; }

    static void Looked()
    {
        if (duringRead) {
            const std::function<void()> run = std::move(duringRead);
            duringRead = nullptr;
            run();
        }
    }
    static inline std::function<void()> duringRead;
};

struct EntryTable {
    Desktop desktop;
    Entry bars[MAX_MONITORS][EDGE_COUNT];
    uint32_t layout;
};

using EntryTables = desktop::Exchange<EntryTable, 2>;

// One monitor with bars numbered `first` and up on every edge, or none.
void Fill(EntryTable& table, int first)
{
    table.desktop.count = 1;
    table.desktop.monitors[0] = kPrimary;
    for (int e = 0; e < EDGE_COUNT; ++e)
        table.bars[0][e] = Entry(first == 0 ? 0 : first + e);
    table.layout = 1;
}

} // namespace

TEST(DesktopRules, EveryReaderKeepsItsTableWhileTheShellPublishesTwice)
{
    // In the middle of each read the shell's thread publishes two new tables
    // without bars and fills a third: a reader that has announced its table
    // still reads the bars numbered 1 to 4.
    struct Case {
        const char* reader;
        std::function<int(EntryTables&)> read; // what it found, 4 when it saw all bars
    } cases[] = {
        {"count", [](EntryTables& t) { return desktop::CountBars(t, 1); }},
        {"is a bar", [](EntryTables& t) { return desktop::HoldsBar(t, 1, Entry(4)) ? 4 : 0; }},
        {"the primary's", [](EntryTables& t) { return desktop::PrimaryBar(t, 1, EDGE_BOTTOM).id; }},
        {"the hook's bump",
         [](EntryTables& t) {
             Settings settings;
             bump::Progress progress = {};
             struct Platform {
                 int seen;
                 bool BarRect(const EntryTable& table, int, Edge edge, Rect& rect)
                 {
                     const Entry bar = table.bars[0][edge];
                     seen = bar != nullptr ? bar.id : 0;
                     rect = {0, 766, 1024, 796};
                     return bar != nullptr;
                 }
                 bool Reaches(const EntryTable&, int, Point) { return true; }
                 void Act(const EntryTable&, int, Edge, const bump::EdgeDecision&, uint32_t) {}
                 void ForgetBumps() {}
                 bump::BumpConfig ConfigFor(const bump::BumpConfig& config) { return config; }
             } platform = {0};
             bump::BumpOnTable(t, 0, progress, settings, {500, 767}, 0, platform);
             return platform.seen;
         }},
    };
    for (const Case& c : cases) {
        EntryTables tables;
        EntryTable& first = tables.Draft();
        Fill(first, 1);
        tables.Publish(first);
        Entry::duringRead = [&tables] {
            for (int round = 0; round < 3; ++round) {
                EntryTable& next = tables.Draft();
                Fill(next, 0);
                if (round < 2)
                    tables.Publish(next);
            }
        };
        EXPECT_EQ(4, c.read(tables)) << c.reader;
        EXPECT_EQ(nullptr, Entry::duringRead) << c.reader << " looked at no entry";
        Entry::duringRead = nullptr;
    }
}

TEST(DesktopRules, ABarBelongsToTheMonitorOfItsStrip)
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
        // One pixel on the monitor, as Windows 11 leaves it.
        {"primary's bottom, 1 pixel", {0, 767, 1024, 797}, EDGE_BOTTOM, {512, 767}, 0},
        {"primary's top, 1 pixel", {0, -29, 1024, 1}, EDGE_TOP, {512, 0}, 0},
        {"primary's left, 1 pixel", {-29, 0, 1, 768}, EDGE_LEFT, {0, 384}, 0},
        {"primary's right, 1 pixel", {1023, 0, 1053, 768}, EDGE_RIGHT, {1023, 384}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Point p = desktop::StripPoint(c.bar, c.edge);
        EXPECT_EQ(c.strip.x, p.x);
        EXPECT_EQ(c.strip.y, p.y);
        EXPECT_EQ(c.monitor, desktop::MonitorOfStrip(c.bar, c.edge, ThreeMonitors()));
    }
}

TEST(DesktopRules, ATaskBarWindowLeavesItsHiddenStripAtOneEdgeOfOneMonitor)
{
    struct Case {
        const char* what;
        Rect window;
        int monitor;
        Edge edge;
    } cases[] = {
        {"primary's bottom", {0, 766, 1024, 796}, 0, EDGE_BOTTOM},
        {"primary's top", {0, -28, 1024, 2}, 0, EDGE_TOP},
        {"left monitor's left", {-1308, -256, -1278, 768}, 1, EDGE_LEFT},
        {"right monitor's right", {2942, 200, 2972, 1280}, 2, EDGE_RIGHT},
        {"primary's right, the rest over the right monitor", {1022, 0, 1052, 768}, 0, EDGE_RIGHT},
        {"four columns left on the primary", {-26, 0, 4, 768}, 0, EDGE_LEFT},
        {"1 pixel at the bottom", {0, 767, 1024, 797}, 0, EDGE_BOTTOM},
        {"1 pixel at the top", {0, -29, 1024, 1}, 0, EDGE_TOP},
        {"1 pixel at the left", {-29, 0, 1, 768}, 0, EDGE_LEFT},
        {"1 pixel at the right", {1023, 0, 1053, 768}, 0, EDGE_RIGHT},
        {"five columns: shown", {-25, 0, 5, 768}, -1, EDGE_LEFT},
        {"a shown bottom bar", {0, 738, 1024, 768}, -1, EDGE_LEFT},
        {"wholly off the monitor", {0, 768, 1024, 798}, -1, EDGE_LEFT},
        {"an empty window", {0, 0, 0, 0}, -1, EDGE_LEFT},
        {"an empty window on the bottom row", {500, 767, 500, 767}, -1, EDGE_LEFT},
        {"across the left monitor's and the primary's bottoms",
         {-1280, 766, 1024, 796},
         -1,
         EDGE_LEFT},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const desktop::HiddenStrip strip = desktop::HiddenStripOf(c.window, ThreeMonitors());
        EXPECT_EQ(c.monitor, strip.monitor);
        if (c.monitor >= 0)
            EXPECT_EQ(c.edge, strip.edge);
    }
}

TEST(DesktopRules, RefreshesAskedForWhileTheShellIsAskedRunOnceAfterwards)
{
    // Counts of asks and whether the shell thread then runs a refresh, one step
    // after the other.
    struct Step {
        const char* what;
        uint32_t asks;
        bool runs;
    } steps[] = {
        {"nothing asked", 0, false},
        {"the first ask", 1, true},
        {"taken", 1, false},
        {"three asked meanwhile: one refresh", 4, true},
        {"counts that wrapped", 0, true},
    };
    uint32_t taken = 0;
    for (const Step& s : steps) {
        SCOPED_TRACE(s.what);
        EXPECT_EQ(s.runs, desktop::TakeRefresh(s.asks, taken));
        EXPECT_EQ(s.asks, taken);
    }

    // A waiter's refresh is answered by its own or any later one, across the wrap.
    EXPECT_FALSE(desktop::RefreshAnswered(0, 1));
    EXPECT_TRUE(desktop::RefreshAnswered(1, 1));
    EXPECT_TRUE(desktop::RefreshAnswered(3, 1));
    EXPECT_TRUE(desktop::RefreshAnswered(2, UINT32_MAX));
    EXPECT_FALSE(desktop::RefreshAnswered(UINT32_MAX, 2));
}
