#include "taskbar/pointer_rules.h"

#include <gtest/gtest.h>

#include <cstdint>

using namespace pointer;
using bump::BumpConfig;
using bump::BumpState;
using bump::Point;
using bump::Rect;

namespace {

constexpr Rect kScreen = {0, 0, 1024, 768};
constexpr Rect kBottomBar = {0, 766, 1024, 796};
constexpr Rect kLeftBar = {-28, 0, 2, 768};
constexpr Point kOnStrip = {500, 767};

const char* Name(Kind kind)
{
    switch (kind) {
    case Kind::Mouse:
        return "mouse";
    case Kind::Touch:
        return "touch";
    case Kind::Pen:
        return "pen";
    default:
        return "absolute";
    }
}

// One event as the hook judges it: the bump rule for the kind, on one monitor
// with a hidden bar at the bottom and, if asked, one on the left; what was held
// is noted as the hook notes it.
int Event(Kind kind, Point p, uint32_t time, BumpConfig config, BumpState& state, Held& held,
          bool leftBar = false)
{
    bump::Desktop desktop = {};
    desktop.count = 1;
    desktop.monitors[0] = kScreen;
    held = {};
    const BumpConfig judged = ConfigFor(kind, config);
    return bump::BumpEvent(
        p, desktop, time, judged, &state,
        [leftBar](int, bump::Edge edge, Rect& rect) {
            rect = edge == bump::EDGE_LEFT ? kLeftBar : kBottomBar;
            return edge == bump::EDGE_BOTTOM || (leftBar && edge == bump::EDGE_LEFT);
        },
        [&](int monitor, bump::Edge edge, const bump::EdgeDecision& d) {
            if (d.action == bump::EdgeAction::SetBack)
                NoteHeld(held, monitor, edge, state.bumpStartTime[edge], judged.bumpTime, d.cursor);
        });
}

} // namespace

TEST(PointerRules, KindFromTheMarkTheLatestRawMoveAndTheSession)
{
    struct Case {
        uint64_t extraInfo;
        bool rawAbsolute;
        bool remote;
        Kind kind;
    } cases[] = {
        {0, false, false, Kind::Mouse},
        {0xFF515700, false, false, Kind::Pen},
        {0xFF5157FF, false, false, Kind::Touch},
        {0xFF515780, false, false, Kind::Touch},
        // Only the low 32 bits count.
        {0xFFFFFFFFFF515700, false, false, Kind::Pen},
        {0x00000001FF515780, false, false, Kind::Touch},
        // The touch bit without the mark, and marks off by one bit.
        {0x80, false, false, Kind::Mouse},
        {0xFF515680, false, false, Kind::Mouse},
        {0x7F515780, false, false, Kind::Mouse},
        {0xFF515780, true, true, Kind::Touch},
        {0xFF515700, true, true, Kind::Pen},
        {0, true, false, Kind::Absolute},
        {0, false, true, Kind::Absolute},
        {0x80, true, false, Kind::Absolute},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.extraInfo << " raw " << c.rawAbsolute
                                        << " remote " << c.remote);
        EXPECT_STREQ(Name(c.kind), Name(KindOf(c.extraInfo, c.rawAbsolute, c.remote)));
    }
    EXPECT_FALSE(Rests(Kind::Mouse));
    EXPECT_FALSE(Rests(Kind::Touch));
}

TEST(PointerRules, TheLatestRawReportThatMovesDecides)
{
    struct Step {
        uint16_t flags;
        int32_t dx;
        int32_t dy;
        bool absolute;
    } steps[] = {
        {RAW_MOVE_ABSOLUTE, 30000, 20000, true},  {0, 0, 0, true}, // a button: no move
        {RAW_MOVE_ABSOLUTE | 0x0002, 0, 0, true}, {0, 0, -1, false}, {0, 0, 0, false},
        {RAW_MOVE_ABSOLUTE, 0, 0, true},          {0, 4, 0, false},
    };
    bool absolute = false;
    for (const Step& s : steps) {
        absolute = LatestMoveAbsolute(absolute, s.flags, s.dx, s.dy);
        EXPECT_EQ(s.absolute, absolute) << s.flags << " " << s.dx << " " << s.dy;
    }
}

TEST(PointerRules, ARestingPointerNeedsTheTimeAloneAndAMouseStillTheStrength)
{
    const BumpConfig config = {50, 200, true};
    struct Step {
        Point p;
        uint32_t time;
        int mouse; // swallowed
        int rests;
    } steps[] = {
        {kOnStrip, 1000, 1, 1},   // first contact
        {kOnStrip, 1150, 1, 1},   // before the time
        {{500, 746}, 1180, 0, 0}, // 20 pixels off: the bump goes on
        {kOnStrip, 1200, 1, 0},   // the time is up: strength alone holds a mouse
        {{500, 745}, 1300, 0, 0}, // beyond 20 pixels: released
        {kOnStrip, 1400, 1, 1},   // a fresh first contact
        {kOnStrip, 1599, 1, 1},   {kOnStrip, 1600, 1, 0},
    };
    for (Kind kind : {Kind::Pen, Kind::Absolute, Kind::Mouse}) {
        BumpState state = {};
        Held held = {};
        for (const Step& s : steps) {
            SCOPED_TRACE(testing::Message() << Name(kind) << " at " << s.time);
            EXPECT_EQ(kind == Kind::Mouse ? s.mouse : s.rests,
                      Event(kind, s.p, s.time, config, state, held));
        }
    }
    // No strength, no hold, whatever the kind; a strength of 1 is a mouse's.
    EXPECT_EQ(0, ConfigFor(Kind::Pen, {0, 200, true}).bumpStrength);
    EXPECT_EQ(-5, ConfigFor(Kind::Absolute, {-5, 200, true}).bumpStrength);
    EXPECT_EQ(50, ConfigFor(Kind::Touch, config).bumpStrength);
}

TEST(PointerRules, TheWaitStartsWhereAPenIsHeldAndEndsOnAnyOtherEvent)
{
    const BumpConfig config = {50, 200, true};
    BumpState state = {};
    Held held = {};
    Rest rest = {};
    const Point setBack = {500, 765};
    struct Step {
        const char* what;
        Kind kind;
        Point p;
        bool echo;
        bool judged; // by the bump: releases and touches are not
        bool armed;
        Point at;
    } steps[] = {
        {"pen held", Kind::Pen, kOnStrip, false, true, true, kOnStrip},
        {"the set-back's echo", Kind::Mouse, setBack, true, true, true, kOnStrip},
        {"a release there", Kind::Pen, kOnStrip, false, false, true, kOnStrip},
        {"held again along the strip", Kind::Absolute, {510, 767}, false, true, true, {510, 767}},
        {"off the strip", Kind::Pen, {510, 760}, false, true, false, {}},
        {"pen held", Kind::Pen, kOnStrip, false, true, true, kOnStrip},
        {"a mouse held", Kind::Mouse, kOnStrip, false, true, false, {}},
        {"pen held", Kind::Pen, kOnStrip, false, true, true, kOnStrip},
        {"a touch elsewhere", Kind::Touch, {200, 200}, false, false, false, {}},
    };
    uint32_t time = 1000;
    for (const Step& s : steps) {
        SCOPED_TRACE(s.what);
        time += 10;
        held = {};
        if (s.judged)
            Event(s.kind, s.p, time, config, state, held);
        AfterEvent(rest, s.kind, s.p, s.echo, held);
        EXPECT_EQ(s.armed, rest.armed);
        if (s.armed) {
            EXPECT_EQ(s.at.x, rest.at.x);
            EXPECT_EQ(s.at.y, rest.at.y);
            EXPECT_EQ(1u << bump::EDGE_BOTTOM, rest.edges);
            EXPECT_EQ(state.bumpStartTime[bump::EDGE_BOTTOM] + 200, rest.due);
        }
    }

    // The echo is a plain move at the very place, within 100 ms either way.
    const Warp warp = {setBack, 5000};
    EXPECT_TRUE(IsEchoOf(warp, true, setBack, 4900));
    EXPECT_TRUE(IsEchoOf(warp, true, setBack, 5100));
    EXPECT_FALSE(IsEchoOf(warp, true, setBack, 5101));
    EXPECT_FALSE(IsEchoOf(warp, true, setBack, 4899));
    EXPECT_FALSE(IsEchoOf(warp, false, setBack, 5000));
    EXPECT_FALSE(IsEchoOf(warp, true, {501, 765}, 5000));
    EXPECT_FALSE(IsEchoOf(NO_WARP, true, {0, 0}, 0));
}

TEST(PointerRules, WhenTheTimeIsUpTheBumpGetsThroughAndTheCursorGoesOntoTheStrip)
{
    const BumpConfig config = {50, 200, true};
    BumpState states[bump::MAX_MONITORS] = {};
    Held held = {};
    Rest rest = {};

    // A corner of two bars whose bumps began at different times: due when the
    // later one is, across the clock's wrap.
    const uint32_t start = 0xFFFFFF00u;
    Event(Kind::Pen, {1, 300}, start, config, states[0], held, true);
    Event(Kind::Pen, {1, 767}, start + 50, config, states[0], held, true);
    AfterEvent(rest, Kind::Pen, {1, 767}, false, held);
    ASSERT_TRUE(rest.armed);
    EXPECT_EQ((1u << bump::EDGE_LEFT) | (1u << bump::EDGE_BOTTOM), rest.edges);
    EXPECT_EQ(start + 250, rest.due);

    Completion c = Complete(rest, start + 100, 50, states);
    EXPECT_EQ(Step::Wait, c.step);
    EXPECT_EQ(150u, c.waitMs);
    EXPECT_TRUE(rest.armed);

    c = Complete(rest, start + 250, 50, states);
    EXPECT_EQ(Step::MoveThere, c.step);
    EXPECT_EQ(1, c.at.x);
    EXPECT_EQ(767, c.at.y);
    EXPECT_FALSE(rest.armed);
    EXPECT_EQ(50, states[0].pushedDistance[bump::EDGE_LEFT]);
    EXPECT_EQ(50, states[0].pushedDistance[bump::EDGE_BOTTOM]);
    // The move that follows gets through as a mouse's would after a full push.
    EXPECT_EQ(0, Event(Kind::Mouse, {1, 767}, start + 260, config, states[0], held, true));
    EXPECT_EQ(Step::Nothing, Complete(rest, start + 300, 50, states).step) << "once only";

    // A bump released before the time: nothing to complete.
    states[0] = {};
    Event(Kind::Absolute, kOnStrip, 1000, config, states[0], held);
    AfterEvent(rest, Kind::Absolute, kOnStrip, false, held);
    states[0].pushedDistance[bump::EDGE_BOTTOM] = 0;
    EXPECT_EQ(Step::Nothing, Complete(rest, 1200, 50, states).step);
    EXPECT_FALSE(rest.armed);

    // A time of bump that never comes due starts no wait.
    Event(Kind::Pen, kOnStrip, 2000, {50, 0x80000000u, true}, states[0], held);
    AfterEvent(rest, Kind::Pen, kOnStrip, false, held);
    EXPECT_TRUE(held.setBack);
    EXPECT_FALSE(rest.armed);

    // Only the first monitor that held an event is waited on.
    Held two = {};
    NoteHeld(two, 1, bump::EDGE_TOP, 100, 200, {5, 5});
    NoteHeld(two, 2, bump::EDGE_LEFT, 900, 200, {5, 5});
    EXPECT_EQ(1, two.monitor);
    EXPECT_EQ(1u << bump::EDGE_TOP, two.edges);
    EXPECT_EQ(300u, two.due);
    rest = {true, bump::MAX_MONITORS, 1, {0, 0}, 0};
    EXPECT_EQ(Step::Nothing, Complete(rest, 10, 50, states).step);
}
