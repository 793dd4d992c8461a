// The hand-overs between the hook (server thread) and the main thread, run on two
// real threads under ThreadSanitizer. The settings record and the rules are the
// program's own; the bar table and the hide state are atomics of the widths the
// program uses, with stand-ins for the windows and for the posted message.
#include "hide/idle_rules.h"
#include "settings/settings_record.h"
#include "taskbar/bump_rules.h"
#include "taskbar/desktop_rules.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <deque>
#include <mutex>
#include <set>
#include <thread>

namespace {

constexpr bump::Rect kScreen = {0, 0, 1024, 768};
constexpr int kEvents = 200000;

// The settings as the hook takes them for one event.
bump::BumpConfig Snapshot(const Settings& s)
{
    const uint32_t color = s.bumpColor.load();
    return {s.bumpStrength.load(), s.bumpTime.load(), (color & BUMP_NO_INDICATION) == 0};
}

// Positions on and near every edge, and in the middle.
bump::Point EventPosition(int i)
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

bump::Rect HiddenBar(int edge)
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
constexpr bump::Point kSetBack[bump::EDGE_COUNT] = {{2, 300}, {500, 2}, {1021, 300}, {500, 765}};

bump::Rect ShownBar(int edge)
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
    bump::Rect rect;
    bool alive;
};

// The bar table as the program hands it over: monitors, their bars, and a stamp
// written first and last, so a reader can tell a table changed under it.
struct Table {
    uint32_t stamp;
    bump::Desktop desktop;
    const Bar* bars[bump::MAX_MONITORS][bump::EDGE_COUNT];
    uint32_t check;
};

// Read by the hook (reader 0) and the main thread (reader 1).
using Tables = desktop::Exchange<Table, 2>;

// One event through the bump as the hook runs it, on the table published last.
int BumpOneEvent(bump::Point p, uint32_t time, const Settings& settings, Tables& tables,
                 bump::BumpState* states)
{
    if (!settings.bumpEnabled.load())
        return 0;
    const Table* table = tables.Acquire();
    EXPECT_NE(nullptr, table);
    const auto barRect = [&](int monitor, bump::Edge edge, bump::Rect& rect) {
        const Bar* bar = table->bars[monitor][edge];
        if (bar == nullptr || !bar->alive)
            return false;
        rect = bar->rect;
        return true;
    };
    const auto act = [](int, bump::Edge edge, const bump::EdgeDecision& d) {
        if (d.action == bump::EdgeAction::SetBack) {
            EXPECT_EQ(kSetBack[edge].x, d.cursor.x) << "edge " << edge;
            EXPECT_EQ(kSetBack[edge].y, d.cursor.y) << "edge " << edge;
        }
    };
    const auto reaches = [](int, bump::Point) { return true; };
    const int swallowed =
        bump::BumpEvent(p, table->desktop, time, Snapshot(settings), states, barRect, reaches, act);
    EXPECT_EQ(table->stamp, table->check) << "the table changed while the hook read it";
    tables.Release();
    return swallowed;
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
    bump::BumpState states[bump::MAX_MONITORS] = {};
    RunAgainstEachOther(
        [&](int event) {
            const bump::BumpConfig seen = Snapshot(settings);
            EXPECT_TRUE(seen.bumpStrength == 1 || seen.bumpStrength == 50
                        || seen.bumpStrength == 200);
            EXPECT_TRUE(seen.bumpTime == 0 || seen.bumpTime == 200 || seen.bumpTime == 999);
            swallowed += BumpOneEvent(EventPosition(event), static_cast<uint32_t>(event), settings,
                                      tables, states);
            for (int32_t pushed : states[0].pushedDistance)
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
        table.check = static_cast<uint32_t>(round);
        tables.Publish(table);
    };
    rebuild(0);

    // The main thread counts the bars and looks for tooltips' bars meanwhile;
    // this thread stands for the one that asks the shell.
    std::atomic<bool> stop{false};
    std::thread mainThread([&] {
        while (!stop.load()) {
            const Table* table = tables.Acquire(1);
            EXPECT_EQ(table->stamp, table->check)
                << "the table changed while the main thread read it";
            tables.Release(1);
        }
    });
    int swallowed = 0;
    bump::BumpState states[bump::MAX_MONITORS] = {};
    RunAgainstEachOther(
        [&](int event) {
            swallowed += BumpOneEvent(EventPosition(event), static_cast<uint32_t>(event), settings,
                                      tables, states);
            for (int32_t pushed : states[0].pushedDistance)
                ASSERT_GE(pushed, 0);
        },
        rebuild);
    stop.store(true);
    mainThread.join();
    EXPECT_GT(swallowed, 0);
}

namespace {

// The hide state as the program shares it, and the main thread's own part: the
// windows it made, the cursor's display count and its message queue.
class HideModel {
public:
    std::atomic<uint32_t> lastInputTime{0};
    std::atomic<uint8_t> isHidden{0};
    std::atomic<uintptr_t> HideWindow{0};

    // The hook's unhide request, the program's own.
    void RequestUnhide()
    {
        RequestUnhideOf(isHidden, HideWindow, [this](uintptr_t window) { Post(window); });
    }

    // One tick of the timer on the main thread.
    void Tick(const Settings& settings)
    {
        const uint32_t inputTime = lastInputTime.load();
        const TickAction action =
            DecideTick(inputTime, lastSeenInputTime, false, isHidden.load() != 0,
                       settings.hideEnabled.load() != 0, settings.hideSeconds.load(), idleTicks);
        if (action != TickAction::Hide) {
            lastSeenInputTime = inputTime;
            return;
        }
        isHidden.store(1);
        if (HideWindow.load() != 0) {
            lastSeenInputTime = inputTime;
            return;
        }
        if (TraitsOf(settings.hideMode.load()).window != HideWindowKind::None) {
            const uintptr_t window = Create();
            HideWindow.store(window);
            // An event came between the flag and the handle: that hide is over.
            if (isHidden.load() == 0)
                DestroyCurrent();
        }
        lastSeenInputTime = lastInputTime.load();
    }

    // The main thread's message loop: each posted unhide reaches its window if it
    // still exists.
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
            HideWindow.store(0);
            Destroy(window);
        }
    }

    size_t LiveWindows() const { return live.size(); }
    int DisplayCount() const { return displayCount; }

private:
    uintptr_t Create()
    {
        const uintptr_t window = ++lastHandle;
        live.insert(window);
        --displayCount;
        return window;
    }

    void Destroy(uintptr_t window)
    {
        live.erase(window);
        ++displayCount;
    }

    void DestroyCurrent()
    {
        const uintptr_t window = HideWindow.load();
        HideWindow.store(0);
        Destroy(window);
    }

    // Stands for PostMessageA, whose queue the system guards.
    void Post(uintptr_t window)
    {
        std::lock_guard<std::mutex> lock(queueLock);
        posted.push_back(window);
    }

    uint32_t lastSeenInputTime = 0;
    int32_t idleTicks = 0;
    uintptr_t lastHandle = 0;
    std::set<uintptr_t> live;
    int displayCount = 0;
    std::mutex queueLock;
    std::deque<uintptr_t> posted;
};

} // namespace

TEST(Handover, HideAndUnhideBetweenTimerAndHook)
{
    Settings settings;
    settings.hideSeconds.store(1);
    HideModel model;

    int hides = 0;
    RunAgainstEachOther(
        [&](int event) {
            // Bursts of events, each burst with a time of its own.
            model.lastInputTime.store(static_cast<uint32_t>(event / 64));
            model.RequestUnhide();
        },
        [&](int round) {
            model.Drain();
            const size_t before = model.LiveWindows();
            model.Tick(settings);
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
    for (int tick = 0; tick < 3 && !model.isHidden.load(); ++tick)
        model.Tick(settings);
    EXPECT_TRUE(model.isHidden.load());
    model.lastInputTime.store(model.lastInputTime.load() + 1);
    model.RequestUnhide();
    model.Drain();
    EXPECT_EQ(0u, model.LiveWindows());
    EXPECT_EQ(0, model.DisplayCount());
    EXPECT_EQ(0u, model.HideWindow.load());
}
