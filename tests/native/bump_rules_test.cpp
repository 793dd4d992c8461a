#include "taskbar/bump_rules.h"
#include "taskbar/stripe_rules.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <random>
#include <vector>

using namespace bump;

// Found by argument-dependent lookup, so they live beside the types.
namespace geo {
bool operator==(const Rect& a, const Rect& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
bool operator==(const Point& a, const Point& b)
{
    return a.x == b.x && a.y == b.y;
}
std::ostream& operator<<(std::ostream& os, const Rect& r)
{
    return os << '(' << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << ')';
}
std::ostream& operator<<(std::ostream& os, const Point& p)
{
    return os << '(' << p.x << ", " << p.y << ')';
}
} // namespace geo

namespace {

constexpr Rect kScreen = {0, 0, 1024, 768};

Desktop OneMonitor(Rect monitor)
{
    Desktop desktop = {};
    desktop.count = 1;
    desktop.monitors[0] = monitor;
    return desktop;
}

// Bars 30 pixels thick of which 2 lie on the screen, as on Windows 10.
constexpr Rect kHidden[EDGE_COUNT] = {
    {-28, 0, 2, 768}, {0, -28, 1024, 2}, {1022, 0, 1052, 768}, {0, 766, 1024, 796}};
// The same leaving 1 pixel, as on Windows 11.
constexpr Rect kThin[EDGE_COUNT] = {
    {-29, 0, 1, 768}, {0, -29, 1024, 1}, {1023, 0, 1053, 768}, {0, 767, 1024, 797}};
// The same bars slid in.
constexpr Rect kShown[EDGE_COUNT] = {
    {0, 0, 30, 768}, {0, 0, 1024, 30}, {994, 0, 1024, 768}, {0, 738, 1024, 768}};
// A point on each hidden strip, and one beyond each release line.
constexpr Point kOnStrip[EDGE_COUNT] = {{1, 300}, {500, 1}, {1023, 300}, {500, 767}};
constexpr Point kOnThinStrip[EDGE_COUNT] = {{0, 300}, {500, 0}, {1023, 300}, {500, 767}};
constexpr Point kReleased[EDGE_COUNT] = {{23, 300}, {500, 23}, {1001, 300}, {500, 745}};

BumpConfig Config(int32_t strength = 50, uint32_t time = 200, bool indication = true)
{
    return {strength, time, indication};
}

struct Step {
    Edge edge;
    EdgeDecision decision;
};

// What the mouse reaches where the rules ask, and where they asked.
struct Looks {
    bool reached = true;
    std::vector<Point> asked;
};

// Runs one event against the given bar rectangles (null: no bar on that edge).
int Event(Point p, uint32_t time, BumpConfig config, BumpState& state, const Rect* const bars[4],
          std::vector<Step>* steps = nullptr, Looks* looks = nullptr)
{
    return BumpEvent(
        p, OneMonitor(kScreen), time, config, &state,
        [bars](int, Edge edge, Rect& rect) {
            if (bars[edge] == nullptr)
                return false;
            rect = *bars[edge];
            return true;
        },
        [looks](int, Point at) {
            if (looks == nullptr)
                return true;
            looks->asked.push_back(at);
            return looks->reached;
        },
        [steps](int, Edge edge, const EdgeDecision& d) {
            if (steps != nullptr)
                steps->push_back({edge, d});
        });
}

// One hidden bar on `edge`, nothing elsewhere.
struct OneBar {
    explicit OneBar(Edge edge, const Rect& rect = {0, 0, 0, 0}) : bar(rect)
    {
        if (rect == Rect{0, 0, 0, 0})
            bar = kHidden[edge];
        bars[edge] = &bar;
    }
    Rect bar;
    const Rect* bars[4] = {};
};

} // namespace

TEST(BumpRules, GeometryPerEdge)
{
    // The stripe is the screen's outermost line along the bar's part on it.
    struct Case {
        Edge edge;
        Rect bar;
        Point p;
        int32_t depth;
        Point setBack;
        Rect stripe;
    } cases[] = {
        {EDGE_LEFT, kHidden[EDGE_LEFT], {1, 300}, 1, {2, 300}, {0, 0, 1, 768}},
        {EDGE_LEFT, kHidden[EDGE_LEFT], {-7, 300}, 9, {2, 300}, {0, 0, 1, 768}},
        {EDGE_TOP, kHidden[EDGE_TOP], {500, 0}, 2, {500, 2}, {0, 0, 1024, 1}},
        {EDGE_RIGHT, kHidden[EDGE_RIGHT], {1023, 300}, 2, {1021, 300}, {1023, 0, 1024, 768}},
        {EDGE_RIGHT, kHidden[EDGE_RIGHT], {1022, 300}, 1, {1021, 300}, {1023, 0, 1024, 768}},
        {EDGE_BOTTOM, kHidden[EDGE_BOTTOM], {500, 767}, 2, {500, 765}, {0, 767, 1024, 768}},
        // 1 pixel left on the screen: the same line, set back onto the next.
        {EDGE_LEFT, kThin[EDGE_LEFT], {0, 300}, 1, {1, 300}, {0, 0, 1, 768}},
        {EDGE_TOP, kThin[EDGE_TOP], {500, 0}, 1, {500, 1}, {0, 0, 1024, 1}},
        {EDGE_RIGHT, kThin[EDGE_RIGHT], {1023, 300}, 1, {1022, 300}, {1023, 0, 1024, 768}},
        {EDGE_BOTTOM, kThin[EDGE_BOTTOM], {500, 767}, 1, {500, 766}, {0, 767, 1024, 768}},
        // A bar shorter than its edge, and one that runs past the screen.
        {EDGE_BOTTOM, {100, 767, 600, 797}, {300, 767}, 1, {300, 766}, {100, 767, 600, 768}},
        {EDGE_LEFT, {-29, -50, 1, 900}, {0, 300}, 1, {1, 300}, {0, 0, 1, 768}},
    };
    for (const Case& c : cases) {
        const EdgeGeometry g = Geometry(c.edge, c.bar, c.p, kScreen);
        SCOPED_TRACE(testing::Message() << "edge " << c.edge << " bar " << c.bar << " at " << c.p);
        EXPECT_TRUE(g.hidden);
        EXPECT_TRUE(g.inStrip);
        EXPECT_EQ(c.depth, g.depth);
        EXPECT_EQ(c.setBack, g.setBack);
        EXPECT_EQ(c.stripe, g.stripe);
    }
}

TEST(BumpRules, BoundariesPerEdge)
{
    struct Case {
        Edge edge;
        Rect bar;
        Point p;
        bool prefilter, hidden, inStrip, beyondRelease;
    } cases[] = {
        // Prefilter: 6 columns on the left, 4 rows on top, 5 on the right, 3 at the bottom.
        {EDGE_LEFT, kHidden[0], {5, 9}, true, true, false, false},
        {EDGE_LEFT, kHidden[0], {6, 9}, false, true, false, false},
        {EDGE_TOP, kHidden[1], {9, 3}, true, true, false, false},
        {EDGE_TOP, kHidden[1], {9, 4}, false, true, false, false},
        {EDGE_RIGHT, kHidden[2], {1019, 9}, true, true, false, false},
        {EDGE_RIGHT, kHidden[2], {1018, 9}, false, true, false, false},
        {EDGE_BOTTOM, kHidden[3], {9, 765}, true, true, false, false},
        {EDGE_BOTTOM, kHidden[3], {9, 764}, false, true, false, false},
        // Hidden while fewer than 5 (left, right) or 3 (top, bottom) pixels show.
        {EDGE_LEFT, {-26, 0, 4, 768}, {3, 9}, true, true, true, false},
        {EDGE_LEFT, {-25, 0, 5, 768}, {3, 9}, true, false, true, false},
        {EDGE_TOP, {0, -28, 1024, 2}, {9, 1}, true, true, true, false},
        {EDGE_TOP, {0, -27, 1024, 3}, {9, 1}, true, false, true, false},
        {EDGE_RIGHT, {1020, 0, 1050, 768}, {1020, 9}, true, true, true, false},
        {EDGE_RIGHT, {1019, 0, 1049, 768}, {1020, 9}, true, false, true, false},
        {EDGE_BOTTOM, {0, 766, 1024, 796}, {9, 766}, true, true, true, false},
        {EDGE_BOTTOM, {0, 765, 1024, 795}, {9, 766}, true, false, true, false},
        // The strip's inner edge and the release line, 20 pixels beyond it.
        {EDGE_LEFT, kHidden[0], {2, 9}, true, true, false, false},
        {EDGE_LEFT, kHidden[0], {22, 9}, false, true, false, false},
        {EDGE_LEFT, kHidden[0], {23, 9}, false, true, false, true},
        {EDGE_TOP, kHidden[1], {9, 2}, true, true, false, false},
        {EDGE_TOP, kHidden[1], {9, 22}, false, true, false, false},
        {EDGE_TOP, kHidden[1], {9, 23}, false, true, false, true},
        {EDGE_RIGHT, kHidden[2], {1021, 9}, true, true, false, false},
        {EDGE_RIGHT, kHidden[2], {1002, 9}, false, true, false, false},
        {EDGE_RIGHT, kHidden[2], {1001, 9}, false, true, false, true},
        {EDGE_BOTTOM, kHidden[3], {9, 765}, true, true, false, false},
        {EDGE_BOTTOM, kHidden[3], {9, 746}, false, true, false, false},
        {EDGE_BOTTOM, kHidden[3], {9, 745}, false, true, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "edge " << c.edge << " bar " << c.bar << " at " << c.p);
        const EdgeGeometry g = Geometry(c.edge, c.bar, c.p, kScreen);
        EXPECT_EQ(c.prefilter, PassesPrefilter(c.edge, c.p, kScreen));
        EXPECT_EQ(c.hidden, g.hidden);
        EXPECT_EQ(c.inStrip, g.inStrip);
        EXPECT_EQ(c.beyondRelease, g.beyondRelease);
    }
}

TEST(BumpRules, FirstContactSetsBackAndPaintsTheStripeOnce)
{
    // Set back to the first pixel beside the bar; the stripe is the screen's
    // outermost line along the bar.
    const Point setBack[EDGE_COUNT] = {{2, 300}, {500, 2}, {1021, 300}, {500, 765}};
    const Rect stripe[EDGE_COUNT] = {
        {0, 0, 1, 768}, {0, 0, 1024, 1}, {1023, 0, 1024, 768}, {0, 767, 1024, 768}};
    for (int e = EDGE_LEFT; e < EDGE_COUNT; ++e) {
        const auto edge = static_cast<Edge>(e);
        SCOPED_TRACE(testing::Message() << "edge " << e);
        OneBar one(edge);
        BumpState state = {};
        std::vector<Step> steps;
        EXPECT_EQ(1, Event(kOnStrip[edge], 1000, Config(), state, one.bars, &steps));
        ASSERT_EQ(1u, steps.size());
        const EdgeDecision& d = steps[0].decision;
        EXPECT_EQ(EdgeAction::SetBack, d.action);
        EXPECT_EQ(setBack[edge], d.cursor);
        EXPECT_TRUE(d.paint);
        EXPECT_EQ(stripe[edge], d.paintRect);
        EXPECT_EQ(1000u, state.bumpStartTime[edge]);
        const int32_t first = state.pushedDistance[edge];
        EXPECT_GT(first, 0);

        steps.clear();
        EXPECT_EQ(1, Event(kOnStrip[edge], 1010, Config(), state, one.bars, &steps));
        ASSERT_EQ(1u, steps.size());
        EXPECT_FALSE(steps[0].decision.paint);
        EXPECT_EQ(2 * first, state.pushedDistance[edge]);
        EXPECT_EQ(1000u, state.bumpStartTime[edge]);
    }
}

TEST(BumpRules, NoIndicationPaintsNothing)
{
    OneBar one(EDGE_BOTTOM);
    BumpState state = {};
    std::vector<Step> steps;
    const BumpConfig quiet = Config(50, 200, false);
    Event(kOnStrip[EDGE_BOTTOM], 1000, quiet, state, one.bars, &steps);
    Event(kReleased[EDGE_BOTTOM], 1100, quiet, state, one.bars, &steps);
    ASSERT_EQ(2u, steps.size());
    EXPECT_EQ(EdgeAction::SetBack, steps[0].decision.action);
    EXPECT_EQ(EdgeAction::Release, steps[1].decision.action);
    EXPECT_FALSE(steps[0].decision.paint);
    EXPECT_FALSE(steps[1].decision.paint);
    EXPECT_EQ(0, state.pushedDistance[EDGE_BOTTOM]);
}

TEST(BumpRules, PushGetsThroughOnlyWithDistanceAndTime)
{
    struct Case {
        const char* what;
        int32_t strength;
        uint32_t bumpTime;
        uint32_t start;
        // Event times after `start`, each 2 pixels deep; the expected outcome of each.
        std::vector<uint32_t> after;
        std::vector<EdgeAction> expected;
    } cases[] = {
        {"the event that reaches the distance is still set back",
         4,
         0,
         1000,
         {0, 0, 0},
         {EdgeAction::SetBack, EdgeAction::SetBack, EdgeAction::GetThrough}},
        {"distance first, then time",
         4,
         200,
         1000,
         {0, 50, 199, 200, 500},
         {EdgeAction::SetBack, EdgeAction::SetBack, EdgeAction::SetBack, EdgeAction::GetThrough,
          EdgeAction::GetThrough}},
        {"time first, then distance",
         6,
         100,
         1000,
         {0, 150, 160, 170},
         {EdgeAction::SetBack, EdgeAction::SetBack, EdgeAction::SetBack, EdgeAction::GetThrough}},
        {"enough time across the wrap of the clock",
         2,
         200,
         0xFFFFFFA0u,
         {0, 200},
         {EdgeAction::SetBack, EdgeAction::GetThrough}},
        {"too little time across the wrap of the clock",
         2,
         200,
         0xFFFFFFA0u,
         {0, 10, 150},
         {EdgeAction::SetBack, EdgeAction::SetBack, EdgeAction::SetBack}},
        {"negative time never gets through",
         2,
         static_cast<uint32_t>(-1),
         1000,
         {0, 0x7FFFFFFF, 0xFFFFFFFE},
         {EdgeAction::SetBack, EdgeAction::SetBack, EdgeAction::SetBack}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        OneBar one(EDGE_BOTTOM);
        BumpState state = {};
        for (size_t i = 0; i < c.after.size(); ++i) {
            std::vector<Step> steps;
            const uint32_t time = c.start + c.after[i];
            const int swallowed = Event(kOnStrip[EDGE_BOTTOM], time, Config(c.strength, c.bumpTime),
                                        state, one.bars, &steps);
            ASSERT_EQ(1u, steps.size());
            EXPECT_EQ(c.expected[i], steps[0].decision.action) << "event " << i;
            EXPECT_EQ(c.expected[i] == EdgeAction::SetBack ? 1 : 0, swallowed) << "event " << i;
        }
        EXPECT_EQ(c.start, state.bumpStartTime[EDGE_BOTTOM]);
    }
}

TEST(BumpRules, NoPositiveStrengthTouchesNothing)
{
    for (int32_t strength : {0, -1, std::numeric_limits<int32_t>::min()}) {
        SCOPED_TRACE(strength);
        OneBar one(EDGE_LEFT);
        BumpState state = {};
        state.pushedDistance[EDGE_LEFT] = 7;
        state.bumpStartTime[EDGE_LEFT] = 123;
        std::vector<Step> steps;
        EXPECT_EQ(0, Event(kOnStrip[EDGE_LEFT], 1000, Config(strength), state, one.bars, &steps));
        EXPECT_EQ(0, Event(kReleased[EDGE_LEFT], 1000, Config(strength), state, one.bars, &steps));
        EXPECT_TRUE(steps.empty());
        EXPECT_EQ(7, state.pushedDistance[EDGE_LEFT]);
        EXPECT_EQ(123u, state.bumpStartTime[EDGE_LEFT]);
    }
}

TEST(BumpRules, PushedDistanceSaturates)
{
    const int32_t max = std::numeric_limits<int32_t>::max();
    EXPECT_EQ(max, AddDepth(max - 1, 30));
    EXPECT_EQ(max, AddDepth(max, max));
    EXPECT_EQ(31, AddDepth(1, 30));

    // The largest strength is still reachable by a long push.
    OneBar one(EDGE_TOP);
    BumpState state = {};
    state.pushedDistance[EDGE_TOP] = max - 1;
    state.bumpStartTime[EDGE_TOP] = 0;
    std::vector<Step> steps;
    Event({500, -40}, 10, Config(max, 0), state, one.bars, &steps);
    EXPECT_EQ(max, state.pushedDistance[EDGE_TOP]);
    Event({500, -40}, 20, Config(max, 0), state, one.bars, &steps);
    ASSERT_EQ(2u, steps.size());
    EXPECT_EQ(EdgeAction::SetBack, steps[0].decision.action);
    EXPECT_EQ(EdgeAction::GetThrough, steps[1].decision.action);
}

TEST(BumpRules, ReleaseEndsTheBumpBeyondTheLineOfAHiddenBar)
{
    for (int e = EDGE_LEFT; e < EDGE_COUNT; ++e) {
        const auto edge = static_cast<Edge>(e);
        SCOPED_TRACE(testing::Message() << "edge " << e);
        OneBar one(edge);
        BumpState state = {};
        Event(kOnStrip[edge], 1000, Config(), state, one.bars);
        const int32_t pushed = state.pushedDistance[edge];

        // Within 20 pixels the bump goes on.
        std::vector<Step> steps;
        Point near = kReleased[edge];
        (edge == EDGE_LEFT || edge == EDGE_RIGHT ? near.x : near.y) += edge < EDGE_RIGHT ? -1 : 1;
        EXPECT_EQ(0, Event(near, 1100, Config(), state, one.bars, &steps));
        EXPECT_EQ(pushed, state.pushedDistance[edge]);

        // A shown bar neither releases nor sets back.
        one.bar = kShown[edge];
        EXPECT_EQ(0, Event(kReleased[edge], 1200, Config(), state, one.bars, &steps));
        EXPECT_EQ(0, Event(kOnStrip[edge], 1200, Config(), state, one.bars, &steps));
        EXPECT_EQ(pushed, state.pushedDistance[edge]);
        for (const Step& s : steps)
            EXPECT_EQ(EdgeAction::Nothing, s.decision.action);

        one.bar = kHidden[edge];
        steps.clear();
        EXPECT_EQ(0, Event(kReleased[edge], 1300, Config(), state, one.bars, &steps));
        ASSERT_EQ(1u, steps.size());
        EXPECT_EQ(EdgeAction::Release, steps[0].decision.action);
        EXPECT_EQ(0, state.pushedDistance[edge]);
        EXPECT_EQ(1000u, state.bumpStartTime[edge]);

        // Idle again: far positions are not even looked at.
        steps.clear();
        Event(kReleased[edge], 1400, Config(), state, one.bars, &steps);
        EXPECT_TRUE(steps.empty());
    }
}

TEST(BumpRules, APushThatGotThroughStaysThroughUntilReleased)
{
    OneBar one(EDGE_RIGHT);
    BumpState state = {};
    const BumpConfig config = Config(2, 0);
    std::vector<Step> steps;
    Event(kOnStrip[EDGE_RIGHT], 1000, config, state, one.bars, &steps);
    Event(kOnStrip[EDGE_RIGHT], 1001, config, state, one.bars, &steps);
    // Back off less than 20 pixels and return: straight through.
    Event({1010, 300}, 1002, config, state, one.bars, &steps);
    Event(kOnStrip[EDGE_RIGHT], 1003, config, state, one.bars, &steps);
    // Released, then a fresh bump starts over with a new stripe.
    Event(kReleased[EDGE_RIGHT], 1004, config, state, one.bars, &steps);
    Event(kOnStrip[EDGE_RIGHT], 1005, config, state, one.bars, &steps);
    const EdgeAction expected[] = {EdgeAction::SetBack, EdgeAction::GetThrough,
                                   EdgeAction::Nothing, EdgeAction::GetThrough,
                                   EdgeAction::Release, EdgeAction::SetBack};
    ASSERT_EQ(6u, steps.size());
    for (size_t i = 0; i < 6; ++i)
        EXPECT_EQ(expected[i], steps[i].decision.action) << "event " << i;
    EXPECT_TRUE(steps[5].decision.paint);
    EXPECT_EQ(1005u, state.bumpStartTime[EDGE_RIGHT]);
}

TEST(BumpRules, CornerIsHandledLeftFirstAndTopSeesTheNewX)
{
    const Rect left = kHidden[EDGE_LEFT];
    const Rect top = kHidden[EDGE_TOP];
    const Rect* bars[4] = {&left, &top, nullptr, nullptr};
    BumpState state = {};
    std::vector<Step> steps;
    EXPECT_EQ(1, Event({0, 0}, 1000, Config(), state, bars, &steps));
    ASSERT_EQ(2u, steps.size());
    EXPECT_EQ(EDGE_LEFT, steps[0].edge);
    EXPECT_EQ((Point{2, 0}), steps[0].decision.cursor);
    EXPECT_EQ(EDGE_TOP, steps[1].edge);
    EXPECT_EQ((Point{2, 2}), steps[1].decision.cursor);
    EXPECT_EQ(2, state.pushedDistance[EDGE_LEFT]);
    EXPECT_EQ(2, state.pushedDistance[EDGE_TOP]);
}

TEST(BumpRules, ExtremeInputsKeepTheInvariants)
{
    // Any rectangle, position and clock: no overflow (the sanitizers watch), the
    // distance never goes negative, and a set-back always leaves a bump in progress.
    std::mt19937 random(12345);
    const int32_t extremes[] = {std::numeric_limits<int32_t>::min(),
                                std::numeric_limits<int32_t>::min() + 1,
                                -30,
                                -1,
                                0,
                                1,
                                2,
                                5,
                                767,
                                1023,
                                std::numeric_limits<int32_t>::max() - 1,
                                std::numeric_limits<int32_t>::max()};
    auto pick = [&]() -> int32_t {
        if (random() % 2 == 0)
            return extremes[random() % (sizeof(extremes) / sizeof(extremes[0]))];
        return static_cast<int32_t>(random());
    };
    BumpState state = {};
    for (int i = 0; i < 20000; ++i) {
        Rect rects[4];
        const Rect* bars[4];
        for (int e = 0; e < 4; ++e) {
            rects[e] = {pick(), pick(), pick(), pick()};
            bars[e] = random() % 4 == 0 ? nullptr : &rects[e];
        }
        const Desktop desktop = OneMonitor({pick(), pick(), pick(), pick()});
        const BumpConfig config = {pick(), static_cast<uint32_t>(pick()), random() % 2 == 0};
        std::vector<Step> steps;
        const int swallowed = BumpEvent(
            Point{pick(), pick()}, desktop, static_cast<uint32_t>(pick()), config, &state,
            [&bars](int, Edge edge, Rect& rect) {
                if (bars[edge] == nullptr)
                    return false;
                rect = *bars[edge];
                return true;
            },
            [&random](int, Point) { return random() % 2 == 0; },
            [&steps](int, Edge edge, const EdgeDecision& d) {
                steps.push_back({edge, d});
            });
        int setBacks = 0;
        for (const Step& s : steps) {
            if (s.decision.action == EdgeAction::SetBack) {
                ++setBacks;
                EXPECT_GT(state.pushedDistance[s.edge], 0);
            }
        }
        EXPECT_EQ(setBacks > 0 ? 1 : 0, swallowed);
        for (int32_t pushed : state.pushedDistance)
            ASSERT_GE(pushed, 0);
    }
}

TEST(BumpRules, HeldOnlyWhereTheMouseReachesTheBar)
{
    struct Strips {
        const Rect* bars;
        const Point* on;
    };
    for (const Strips strips : {Strips{kHidden, kOnStrip}, Strips{kThin, kOnThinStrip}}) {
        for (int e = EDGE_LEFT; e < EDGE_COUNT; ++e) {
            const auto edge = static_cast<Edge>(e);
            const Point on = strips.on[edge];
            SCOPED_TRACE(testing::Message() << "edge " << e << " bar " << strips.bars[edge]);
            OneBar one(edge, strips.bars[edge]);
            BumpState state = {};
            std::vector<Step> steps;
            Looks covered;
            covered.reached = false;
            // A window over the strip takes the mouse: the event passes, nothing starts.
            EXPECT_EQ(0, Event(on, 1000, Config(), state, one.bars, &steps, &covered));
            ASSERT_EQ(1u, covered.asked.size());
            EXPECT_EQ(on, covered.asked[0]);
            ASSERT_EQ(1u, steps.size());
            EXPECT_EQ(EdgeAction::Nothing, steps[0].decision.action);
            EXPECT_EQ(0, state.pushedDistance[edge]);

            // Where the bar is reached it is held; under the window again the
            // bump waits, and beside it goes on without a second stripe.
            Looks open;
            steps.clear();
            EXPECT_EQ(1, Event(on, 1010, Config(), state, one.bars, &steps, &open));
            const int32_t pushed = state.pushedDistance[edge];
            EXPECT_EQ(0, Event(on, 1020, Config(), state, one.bars, &steps, &covered));
            EXPECT_EQ(pushed, state.pushedDistance[edge]);
            EXPECT_EQ(1, Event(on, 1030, Config(), state, one.bars, &steps, &open));
            ASSERT_EQ(3u, steps.size());
            EXPECT_TRUE(steps[0].decision.paint);
            EXPECT_FALSE(steps[2].decision.paint);
            EXPECT_EQ(1010u, state.bumpStartTime[edge]);

            // Off the strip, or on a shown bar, nobody looks at the windows.
            Looks idle;
            steps.clear();
            Event(kReleased[edge], 1040, Config(), state, one.bars, &steps, &idle);
            ASSERT_EQ(1u, steps.size());
            EXPECT_EQ(EdgeAction::Release, steps[0].decision.action);
            Event({500, 300}, 1050, Config(), state, one.bars, nullptr, &idle);
            one.bar = kShown[edge];
            Event(on, 1060, Config(), state, one.bars, nullptr, &idle);
            EXPECT_TRUE(idle.asked.empty());
        }
    }
}

TEST(BumpRules, StripeShowsFromTheFirstContactUntilThroughOrReleased)
{
    const Point cursor = {0, 0};
    const Rect line = {0, 0, 0, 0};
    struct Case {
        const char* what;
        EdgeDecision decision;
        bool barHidden;
        StripeChange change;
    } cases[] = {
        {"first contact", {EdgeAction::SetBack, cursor, true, line}, true, StripeChange::Show},
        {"further push", {EdgeAction::SetBack, cursor, false, line}, true, StripeChange::Keep},
        {"through", {EdgeAction::GetThrough, cursor, false, line}, true, StripeChange::Hide},
        {"released", {EdgeAction::Release, cursor, false, line}, true, StripeChange::Hide},
        {"backing off", {EdgeAction::Nothing, cursor, false, line}, true, StripeChange::Keep},
        {"bar opened otherwise",
         {EdgeAction::Nothing, cursor, false, line},
         false,
         StripeChange::Hide},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(c.change, StripeAfter(c.decision, c.barHidden));
    }
}
