// The hand-overs between the hook (server thread), the main thread and the
// thread that asks the shell, run on real threads under ThreadSanitizer. The
// shared record, the bar table's exchange, the hook's bump on it, the main
// thread's readers and the hide tick are the program's own; the windows and the
// posted message have stand-ins.
#include "hide/hide_tick.h"
#include "settings/shared_state.h"
#include "taskbar/bump_cursor.h"
#include "taskbar/desktop_rules.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <deque>
#include <mutex>
#include <set>
#include <thread>

namespace {

constexpr geo::Rect kScreen = {0, 0, 1024, 768};
constexpr int kEvents = 200000;

// Positions on and near every edge, and in the middle.
geo::Point EventPosition(int i)
{
    switch (i % 6) {
    case 0:
        return {i % 7, 300};
    case 1:
        return {500, i % 5};
    case 2:
        return {kScreen.right - 1 - i % 7, 300};
    case 3:
        return {500, kScreen.bottom - 1 - i % 5};
    case 4:
        return {500, kScreen.bottom - 40};
    default:
        return {kScreen.right / 2, kScreen.bottom / 2};
    }
}

geo::Rect HiddenBar(int edge)
{
    switch (edge) {
    case bump::EDGE_LEFT:
        return {-28, 0, 2, kScreen.bottom};
    case bump::EDGE_TOP:
        return {0, -28, kScreen.right, 2};
    case bump::EDGE_RIGHT:
        return {kScreen.right - 2, 0, kScreen.right + 28, kScreen.bottom};
    default:
        return {0, kScreen.bottom - 2, kScreen.right, kScreen.bottom + 28};
    }
}

// Where a hidden bar sets the events of EventPosition back: just off its
// two-pixel strip, at the event's row or column.
constexpr geo::Point kSetBack[bump::EDGE_COUNT] = {{2, 300}, {500, 2}, {1021, 300}, {500, 765}};

geo::Rect ShownBar(int edge)
{
    switch (edge) {
    case bump::EDGE_LEFT:
        return {0, 0, 30, kScreen.bottom};
    case bump::EDGE_TOP:
        return {0, 0, kScreen.right, 30};
    case bump::EDGE_RIGHT:
        return {kScreen.right - 30, 0, kScreen.right, kScreen.bottom};
    default:
        return {0, kScreen.bottom - 30, kScreen.right, kScreen.bottom};
    }
}

// A bar window: its rectangle, or none once it has been destroyed.
struct Bar {
    geo::Rect rect;
    bool alive;
};

// The bar table as the program hands it over: monitors, their bars, and a stamp
// written first and last, so a reader can tell a table changed under it.
struct Table {
    uint32_t stamp;
    geo::Desktop desktop;
    const Bar* bars[geo::MAX_MONITORS][bump::EDGE_COUNT];
    uint32_t layout;
    uint32_t check;
};

// Read by the hook (reader 0) and the main thread (reader 1).
using Tables = desktop::Exchange<Table, 2>;

// One event through the hook's bump, on the table published last.
int BumpOneEvent(geo::Point p, uint32_t time, const Settings& settings, Tables& tables,
                 bump::Progress& progress)
{
    if (!settings.bumpEnabled.load())
        return 0;
    struct Platform {
        bool BarRect(const Table& table, int monitor, bump::Edge edge, geo::Rect& rect)
        {
            EXPECT_EQ(table.stamp, table.check) << "the table changed while the hook read it";
            const Bar* bar = table.bars[monitor][edge];
            if (bar == nullptr || !bar->alive)
                return false;
            rect = bar->rect;
            return true;
        }
        bool Reaches(const Table&, int, geo::Point) { return true; }
        void Act(const Table&, int, bump::Edge edge, const bump::EdgeDecision& d, uint32_t)
        {
            if (d.action == bump::EdgeAction::SetBack) {
                EXPECT_EQ(kSetBack[edge].x, d.cursor.x) << "edge " << edge;
                EXPECT_EQ(kSetBack[edge].y, d.cursor.y) << "edge " << edge;
            }
        }
        void ForgetBumps() {}
        bump::BumpConfig ConfigFor(const bump::BumpConfig& config) { return config; }
    } platform;
    return bump::BumpOnTable(tables, 0, progress, settings, p, time, platform);
}

// Runs `hook(event)` on a thread of its own, standing for the server thread,
// and `main(round)` on this one, until both have done their share while the
// other was running.
template <typename Hook, typename Main>
void RunAgainstEachOther(Hook hook, Main main)
{
    constexpr int kRounds = 1000;
    std::atomic<int> rounds{0};
    std::atomic<bool> done{false};
    std::thread server([&] {
        for (int event = 0; event < kEvents || rounds.load() < kRounds; ++event)
            hook(event);
        done.store(true);
    });
    for (int round = 0; !done.load(); rounds.store(++round))
        main(round);
    server.join();
}

} // namespace

TEST(Handover, SettingsWrittenByTheDialogWhileTheHookReadsThem)
{
    Settings settings;
    const Bar bars[bump::EDGE_COUNT] = {
        {HiddenBar(0), true}, {HiddenBar(1), true}, {HiddenBar(2), true}, {HiddenBar(3), true}};
    Tables tables;
    Table& table = tables.Draft();
    table.desktop.count = 1;
    table.desktop.monitors[0] = kScreen;
    for (int e = 0; e < bump::EDGE_COUNT; ++e)
        table.bars[0][e] = &bars[e];
    tables.Publish(table);
    const int32_t strengths[] = {1, 50, 200};
    const uint32_t times[] = {0, 200, 999};
    const uint32_t colors[] = {0x000000FF, 0x80336699, 0x00FFFFFF};

    int swallowed = 0;
    bump::Progress progress = {};
    RunAgainstEachOther(
        [&](int event) {
            const bump::BumpConfig seen = bump::ConfigOf(settings, settings.bumpColor.load());
            EXPECT_TRUE(seen.bumpStrength == 1 || seen.bumpStrength == 50
                        || seen.bumpStrength == 200);
            EXPECT_TRUE(seen.bumpTime == 0 || seen.bumpTime == 200 || seen.bumpTime == 999);
            swallowed += BumpOneEvent(EventPosition(event), static_cast<uint32_t>(event), settings,
                                      tables, progress);
            for (int32_t pushed : progress.states[0].pushedDistance)
                ASSERT_GE(pushed, 0);
        },
        [&](int round) {
            // A dialog: sliders, the indicate box, the two switches, Cancel's reload.
            settings.bumpStrength.store(strengths[round % 3]);
            settings.bumpTime.store(times[round % 3]);
            settings.bumpColor.store(colors[round % 3]);
            settings.bumpEnabled.store(round % 5 != 0);
            settings.hideEnabled.store(static_cast<uint8_t>(round % 2));
            settings.hideSeconds.store(1 + round % 999);
            settings.hideMode.store(round % 5);
        });
    EXPECT_GT(swallowed, 0);
}

TEST(Handover, BarTableRebuiltWhileTheHookAndTheMainThreadReadIt)
{
    Settings settings;
    settings.bumpStrength.store(20);
    settings.bumpTime.store(0);
    // Per edge: the hidden bar, the same bar slid in, one destroyed since the refresh.
    Bar pool[bump::EDGE_COUNT][3];
    for (int e = 0; e < bump::EDGE_COUNT; ++e) {
        pool[e][0] = {HiddenBar(e), true};
        pool[e][1] = {ShownBar(e), true};
        pool[e][2] = {HiddenBar(e), false};
    }
    Tables tables;
    const auto rebuild = [&](int round) {
        // One to three monitors side by side, the primary's bars changing.
        Table& table = tables.Draft();
        table.stamp = static_cast<uint32_t>(round);
        table.desktop.count = 1 + round % 3;
        for (int m = 0; m < table.desktop.count; ++m) {
            table.desktop.monitors[m] = {1024 * m, 0, 1024 * (m + 1), 768};
            for (int e = 0; e < bump::EDGE_COUNT; ++e) {
                const int pick = (round + e) % 4;
                table.bars[m][e] = m != 0 || pick == 3 ? nullptr : &pool[e][pick];
            }
        }
        table.layout = 1;
        table.check = static_cast<uint32_t>(round);
        tables.Publish(table);
    };
    rebuild(0);

    // The main thread counts the bars, looks for tooltips' bars and takes the
    // primary's for the hiding corner meanwhile; this thread stands for the one
    // that asks the shell.
    std::atomic<bool> stop{false};
    std::thread mainThread([&] {
        for (int read = 0; !stop.load(); ++read) {
            EXPECT_LE(desktop::CountBars(tables, 1), bump::EDGE_COUNT);
            desktop::HoldsBar(tables, 1, &pool[read % bump::EDGE_COUNT][0]);
            desktop::PrimaryBar(tables, 1, static_cast<bump::Edge>(read % bump::EDGE_COUNT));
        }
    });
    int swallowed = 0;
    bump::Progress progress = {};
    RunAgainstEachOther(
        [&](int event) {
            swallowed += BumpOneEvent(EventPosition(event), static_cast<uint32_t>(event), settings,
                                      tables, progress);
            for (int32_t pushed : progress.states[0].pushedDistance)
                ASSERT_GE(pushed, 0);
        },
        rebuild);
    stop.store(true);
    mainThread.join();
    EXPECT_GT(swallowed, 0);
}

namespace {

// The main thread's part of hiding: the windows it made, the cursor's display
// count and its message queue; the hide state is the program's shared record,
// and the tick the program's own.
class HideModel {
public:
    SharedState<uintptr_t> shared;

    // The hook's unhide request, the program's own.
    void RequestUnhide()
    {
        RequestUnhideOf(shared.isHidden, shared.HideWindow,
                        [this](uintptr_t window) { Post(window); });
    }

    // One tick of the timer on the main thread.
    void Tick() { HideTick(shared, count, false, *this); }

    // The main thread's message loop: each posted unhide reaches its window if it
    // still exists, and takes it alone.
    void Drain()
    {
        std::deque<uintptr_t> queue;
        {
            std::lock_guard<std::mutex> lock(queueLock);
            queue.swap(posted);
        }
        for (uintptr_t window : queue) {
            if (live.count(window) == 0)
                continue;
            if (shared.HideWindow.load() == window)
                shared.HideWindow.store(0);
            Destroy(window);
        }
    }

    size_t LiveWindows() const { return live.size(); }
    int DisplayCount() const { return displayCount; }

    // The platform's part of the tick.
    void RegisterHideClass() {}
    bool HidePoint(geo::Point& point)
    {
        point = {0, 0};
        return true;
    }
    uintptr_t Create(HideWindowKind, geo::Point)
    {
        const uintptr_t window = ++lastHandle;
        live.insert(window);
        --displayCount;
        return window;
    }
    void Show(uintptr_t) {}
    void DestroyHideWindow()
    {
        const uintptr_t window = shared.HideWindow.load();
        shared.HideWindow.store(0);
        Destroy(window);
    }
    bool MoveCursor(geo::Point) { return true; }
    uint32_t Now() { return 0; }

private:
    void Destroy(uintptr_t window)
    {
        live.erase(window);
        ++displayCount;
    }

    // Stands for PostMessageA, whose queue the system guards.
    void Post(uintptr_t window)
    {
        std::lock_guard<std::mutex> lock(queueLock);
        posted.push_back(window);
    }

    IdleCount count = {0, 0};
    uintptr_t lastHandle = 0;
    std::set<uintptr_t> live;
    int displayCount = 0;
    std::mutex queueLock;
    std::deque<uintptr_t> posted;
};

} // namespace

TEST(Handover, HideAndUnhideBetweenTimerAndHook)
{
    HideModel model;
    Settings& settings = model.shared.settings;
    settings.hideSeconds.store(1);

    int hides = 0;
    RunAgainstEachOther(
        [&](int event) {
            // Bursts of events, each burst with a time of its own.
            model.shared.lastInputTime.store(static_cast<uint32_t>(event / 64));
            model.RequestUnhide();
        },
        [&](int round) {
            model.Drain();
            const size_t before = model.LiveWindows();
            model.Tick();
            hides += model.LiveWindows() > before;
            ASSERT_LE(model.LiveWindows(), 1u);
            ASSERT_EQ(-static_cast<int>(model.LiveWindows()), model.DisplayCount());
            if (round % 97 == 0) {
                // The dialog switches the method, which shows the cursor first.
                model.RequestUnhide();
                settings.hideMode.store(round % 5);
            }
        });
    EXPECT_GT(hides, 0);

    // Whatever the last race left, one more quiet period and one event show the
    // cursor again and leave no window.
    model.Drain();
    settings.hideMode.store(HIDE_POPUP);
    for (int tick = 0; tick < 3 && !model.shared.isHidden.load(); ++tick)
        model.Tick();
    EXPECT_TRUE(model.shared.isHidden.load());
    model.shared.lastInputTime.store(model.shared.lastInputTime.load() + 1);
    model.RequestUnhide();
    model.Drain();
    EXPECT_EQ(0u, model.LiveWindows());
    EXPECT_EQ(0, model.DisplayCount());
    EXPECT_EQ(0u, model.shared.HideWindow.load());
}
