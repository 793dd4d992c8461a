#include "taskbar/bump_rules.h"
#include "taskbar/reach_rules.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

using namespace reach;

namespace {

// A z-order of windows numbered from 1, the top first; 0 is no window.
struct ZOrder {
    std::vector<int> order;
    std::map<int, WindowFacts> facts;

    int Next(int window) const
    {
        for (size_t i = 0; i + 1 < order.size(); ++i) {
            if (order[i] == window)
                return order[i + 1];
        }
        return 0;
    }
    Reached<int> From(int start) const
    {
        return FirstTaker(
            start, [this](int w) { return facts.at(w).own; }, [this](int w) { return Next(w); },
            [this](int w) { return facts.at(w); });
    }
};

constexpr WindowFacts kTakes = {true, true, false, false};
constexpr WindowFacts kOwn = {true, true, false, true};
constexpr WindowFacts kClickThrough = {true, true, true, false};
constexpr WindowFacts kHidden = {false, true, false, false};
constexpr WindowFacts kElsewhere = {true, false, false, false};

} // namespace

TEST(ReachRules, TheFirstWindowDownFromTheHitThatTakesTheMouse)
{
    struct Case {
        const char* what;
        std::vector<WindowFacts> windows; // numbered 1, 2, ... from the top
        int start;
        Reached<int> expected;
    } cases[] = {
        {"the hit itself", {kTakes, kTakes}, 1, {1, true}},
        {"the hit test's find, asked only whether it is the program's", {kElsewhere}, 1, {1, true}},
        {"the hide window on top goes with this very event", {kOwn, kTakes}, 1, {2, true}},
        {"passed over: own, click-through, hidden, elsewhere",
         {kOwn, kClickThrough, kHidden, kElsewhere, kTakes},
         1,
         {5, true}},
        {"nothing down to the bottom", {kOwn, kClickThrough}, 1, {0, true}},
        {"no hit tells nothing", {kTakes}, 0, {0, false}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ZOrder z;
        for (size_t i = 0; i < c.windows.size(); ++i) {
            z.order.push_back(static_cast<int>(i) + 1);
            z.facts[static_cast<int>(i) + 1] = c.windows[i];
        }
        const Reached<int> r = z.From(c.start);
        EXPECT_EQ(c.expected.window, r.window);
        EXPECT_EQ(c.expected.known, r.known);
    }

    // A z-order that loops, or runs on past the limit, tells nothing either.
    ZOrder loop;
    loop.order = {1, 2, 1};
    loop.facts = {{1, kOwn}, {2, kOwn}};
    EXPECT_FALSE(loop.From(1).known);
    // Below the hit, MAX_WINDOWS_PASSED windows are looked at, and no more.
    ZOrder endless;
    const int last = MAX_WINDOWS_PASSED + 2;
    for (int w = 1; w <= last; ++w) {
        endless.order.push_back(w);
        endless.facts[w] = w < last ? kOwn : kTakes;
    }
    EXPECT_FALSE(endless.From(1).known);
    endless.facts[last - 1] = kTakes;
    EXPECT_EQ(last - 1, endless.From(1).window);
}

TEST(ReachRules, AnyBarOfTheMonitorCountsSoTheCornerHoldsBoth)
{
    const int bars[bump::EDGE_COUNT] = {11, 12, 0, 0};
    EXPECT_TRUE(BarReached(Reached<int>{11, true}, bars, 4));
    EXPECT_TRUE(BarReached(Reached<int>{12, true}, bars, 4)) << "the other bar of the monitor";
    EXPECT_FALSE(BarReached(Reached<int>{7, true}, bars, 4)) << "a window over the strip";
    EXPECT_FALSE(BarReached(Reached<int>{0, true}, bars, 4)) << "no window there";
    EXPECT_TRUE(BarReached(Reached<int>{0, false}, bars, 4)) << "a walk that could not tell";

    // The left and top bars meet at the corner, the top one above: the mouse
    // reaches it there, and the left bar beside the corner.
    const geo::Rect left = {-28, 0, 2, 768};
    const geo::Rect top = {0, -28, 1024, 2};
    const auto windowAt = [&](geo::Point p) {
        if (geo::Contains(top, p))
            return Reached<int>{12, true};
        return Reached<int>{geo::Contains(left, p) ? 11 : 0, true};
    };
    geo::Desktop desktop = {};
    desktop.count = 1;
    desktop.monitors[0] = {0, 0, 1024, 768};
    bump::BumpState states[geo::MAX_MONITORS] = {};
    std::vector<geo::Point> setBacks;
    const int swallowed = bump::BumpEvent(
        {0, 0}, desktop, 1000, {50, 200, true}, states,
        [&](int, bump::Edge edge, geo::Rect& rect) {
            rect = edge == bump::EDGE_LEFT ? left : top;
            return edge == bump::EDGE_LEFT || edge == bump::EDGE_TOP;
        },
        [&](int, geo::Point p) { return BarReached(windowAt(p), bars, 4); },
        [&](int, bump::Edge, const bump::EdgeDecision& d) {
            if (d.action == bump::EdgeAction::SetBack)
                setBacks.push_back(d.cursor);
        });
    EXPECT_EQ(1, swallowed);
    ASSERT_EQ(2u, setBacks.size());
    EXPECT_EQ(2, setBacks[1].x);
    EXPECT_EQ(2, setBacks[1].y);
    EXPECT_EQ(2, states[0].pushedDistance[bump::EDGE_LEFT]);
    EXPECT_EQ(2, states[0].pushedDistance[bump::EDGE_TOP]);
}
