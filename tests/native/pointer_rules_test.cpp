#include "taskbar/pointer_rules.h"

#include <gtest/gtest.h>

#include <cstdint>

using namespace pointer;
using bump::BumpConfig;
using bump::BumpState;
using geo::Point;
using geo::Rect;

namespace {

constexpr Rect kScreen = {0, 0, 1024, 768};
constexpr Rect kBottomBar = {0, 766, 1024, 796};
constexpr Rect kLeftBar = {-28, 0, 2, 768};
constexpr Point kOnStrip = {500, 767};

// One event as the hook judges it: the bump rule for the kind, on one monitor
// with a hidden bar at the bottom and, if asked, one on the left; what was held
// is noted as the hook notes it.
int Event(Kind kind, Point p, uint32_t time, BumpConfig config, BumpState& state, Held& held,
          bool leftBar = false)
{
    geo::Desktop desktop = {};
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
        [](int, Point) { return true; },
        [&](int monitor, bump::Edge edge, const bump::EdgeDecision& d) {
            if (d.action == bump::EdgeAction::SetBack)
                NoteHeld(held, monitor, edge, state.bumpStartTime[edge], judged.bumpTime, d.cursor);
        });
}

} // namespace

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
            SCOPED_TRACE(testing::Message() << static_cast<int>(kind) << " at " << s.time);
            EXPECT_EQ(kind == Kind::Mouse ? s.mouse : s.rests,
                      Event(kind, s.p, s.time, config, state, held));
        }
    }
    // No strength, no hold, whatever the kind.
    EXPECT_EQ(0, ConfigFor(Kind::Pen, {0, 200, true}).bumpStrength);
    // Raw reports without motion (a button, the wheel) leave the latest move's verdict.
    EXPECT_TRUE(LatestMoveAbsolute(true, 0, 0, 0));
    EXPECT_FALSE(LatestMoveAbsolute(true, 0, 0, -1));
}

TEST(PointerRules, TheWaitEndsOnAnyOtherEventOrInTheMoveOntoTheStrip)
{
    const BumpConfig config = {50, 200, true};
    BumpState states[bump::MAX_MONITORS] = {};
    Held held = {};
    Rest rest = {};
    struct Input {
        const char* what;
        Kind kind;
        Point p;
        bool echo;
        bool judged;      // by the bump: releases and touches are not
        int32_t armedAtX; // 0: not armed
    } steps[] = {
        {"pen held", Kind::Pen, kOnStrip, false, true, 500},
        {"the set-back's echo", Kind::Mouse, {500, 765}, true, true, 500},
        {"a release there", Kind::Pen, kOnStrip, false, false, 500},
        {"held again along the strip", Kind::Absolute, {510, 767}, false, true, 510},
        {"a mouse held", Kind::Mouse, kOnStrip, false, true, 0},
        {"pen held", Kind::Pen, kOnStrip, false, true, 500},
        {"a touch elsewhere", Kind::Touch, {200, 200}, false, false, 0},
    };
    uint32_t time = 1000;
    for (const Input& s : steps) {
        SCOPED_TRACE(s.what);
        held = {};
        if (s.judged)
            Event(s.kind, s.p, time += 10, config, states[0], held);
        AfterEvent(rest, s.kind, s.p, s.echo, held);
        EXPECT_EQ(s.armedAtX != 0, rest.armed);
        EXPECT_TRUE(!rest.armed || rest.at.x == s.armedAtX) << rest.at.x;
    }

    // A corner of two bars whose bumps began at different times is due when the
    // later one is, across the clock's wrap.
    states[0] = {};
    const uint32_t start = 0xFFFFFF00u;
    Event(Kind::Pen, {1, 300}, start, config, states[0], held, true);
    Event(Kind::Pen, {1, 767}, start + 50, config, states[0], held, true);
    AfterEvent(rest, Kind::Pen, {1, 767}, false, held);
    EXPECT_EQ((1u << bump::EDGE_LEFT) | (1u << bump::EDGE_BOTTOM), rest.edges);
    Completion c = Complete(rest, start + 100, 50, states);
    EXPECT_EQ(Step::Wait, c.step);
    EXPECT_EQ(150u, c.waitMs);
    c = Complete(rest, start + 250, 50, states);
    EXPECT_EQ(Step::MoveThere, c.step);
    EXPECT_EQ(767, c.at.y);
    // Both bumps got through: the move that follows passes as a mouse's would.
    EXPECT_EQ(0, Event(Kind::Mouse, {1, 767}, start + 260, config, states[0], held, true));
    EXPECT_EQ(Step::Nothing, Complete(rest, start + 300, 50, states).step) << "once only";

    // A time of bump that never comes due starts no wait.
    Event(Kind::Pen, kOnStrip, 2000, {50, 0x80000000u, true}, states[0], held);
    AfterEvent(rest, Kind::Pen, kOnStrip, false, held);
    EXPECT_FALSE(rest.armed);
}
