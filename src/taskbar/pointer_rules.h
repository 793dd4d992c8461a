// The pointing device behind a mouse event, and how each kind gets through to a
// hidden bar. A mouse or touchpad is held until it has pushed far enough for long
// enough. A pen or a pointer that reports where it is (a remote desktop, a virtual
// machine, mouse-sharing software, a tablet in mouse mode) cannot push: its next
// report simply lands on the strip again, and at the edge of the user's own screen
// none comes at all. It gets through by resting at the strip for the time of bump.
// A touch is never held: the shell opens its bars by an edge swipe. Pure rules;
// the hook and the server thread do the platform work.
#pragma once

#include "settings/shared_state.h"
#include "taskbar/bump_rules.h"

#include <cstdint>

namespace pointer {

enum class Kind : uint8_t { Mouse, Touch, Pen, Absolute };

// Mouse events that Windows makes from pen and touch input carry this mark in
// their extra information; the bit tells touch from pen.
constexpr uint32_t PEN_OR_TOUCH_MASK = 0xFFFFFF00u;
constexpr uint32_t PEN_OR_TOUCH_MARK = 0xFF515700u;
constexpr uint32_t TOUCH_BIT = 0x80u;

// The raw mouse report's flag for a position rather than a motion.
constexpr uint16_t RAW_MOVE_ABSOLUTE = 0x0001u;

// Only the low 32 bits carry the mark, also where the field has 64.
inline Kind KindOfMark(uint64_t extraInfo)
{
    const auto low = static_cast<uint32_t>(extraInfo);
    if ((low & PEN_OR_TOUCH_MASK) != PEN_OR_TOUCH_MARK)
        return Kind::Mouse;
    return (low & TOUCH_BIT) != 0 ? Kind::Touch : Kind::Pen;
}

// Whether the device's latest move was absolute. A report without the flag and
// without motion (a button, the wheel) is no move: it leaves the last verdict.
inline bool LatestMoveAbsolute(bool previous, uint16_t flags, int32_t dx, int32_t dy)
{
    if ((flags & RAW_MOVE_ABSOLUTE) != 0)
        return true;
    return dx == 0 && dy == 0 ? previous : false;
}

// The mark decides first; an unmarked event is absolute when the latest raw move
// was, or when the session is remote, whose input is absolute.
inline Kind KindOf(uint64_t extraInfo, bool latestMoveAbsolute, bool remoteSession)
{
    const Kind marked = KindOfMark(extraInfo);
    if (marked != Kind::Mouse)
        return marked;
    return latestMoveAbsolute || remoteSession ? Kind::Absolute : Kind::Mouse;
}

inline bool Rests(Kind kind)
{
    return kind == Kind::Pen || kind == Kind::Absolute;
}

// The bump settings that one event of `kind` is judged by. A resting pointer is
// not asked the strength: its first contact, held like a mouse's, is push enough,
// and the time alone decides.
inline bump::BumpConfig ConfigFor(Kind kind, bump::BumpConfig config)
{
    if (Rests(kind) && config.bumpStrength > 1)
        config.bumpStrength = 1;
    return config;
}

// What one event's set-backs were: where the cursor was put, and the edges of
// the first monitor that held it that can come due, with the time when the time
// of bump is up on all of them.
struct Held {
    bool setBack;
    geo::Point cursor;
    uint8_t edges; // one bit per edge
    int32_t monitor;
    uint32_t due;
};

// Whether `a` comes after `b` on the event clock, across its wrap.
inline bool Later(uint32_t a, uint32_t b)
{
    return static_cast<int32_t>(a - b) > 0;
}

// Notes one set-back. A time of bump beyond 2^31 ms never comes due: the push
// never gets through then either.
inline void NoteHeld(Held& held, int monitor, bump::Edge edge, uint32_t startTime,
                     uint32_t bumpTime, geo::Point cursor)
{
    held.setBack = true;
    held.cursor = cursor;
    if (bumpTime > static_cast<uint32_t>(INT32_MAX))
        return;
    const uint32_t due = startTime + bumpTime;
    if (held.edges == 0) {
        held.monitor = monitor;
        held.due = due;
    } else if (monitor != held.monitor) {
        return;
    } else if (Later(due, held.due)) {
        held.due = due;
    }
    held.edges = static_cast<uint8_t>(held.edges | (1u << edge));
}

// A resting pointer held at a strip: where it rests and when its time is up.
struct Rest {
    bool armed;
    int32_t monitor;
    uint8_t edges;
    geo::Point at;
    uint32_t due;
};

// After every event: one of a resting pointer that was held starts (or moves)
// the wait at its place; an echo of the program's own move, or an event that
// was not held at the very place of the wait (a button's release), leaves it;
// any other event, a touch's too, ends it.
inline void AfterEvent(Rest& rest, Kind kind, geo::Point at, bool echo, const Held& held)
{
    if (held.edges != 0 && Rests(kind)) {
        rest = {true, held.monitor, held.edges, at, held.due};
        return;
    }
    const bool sameSpot = held.edges == 0 && at.x == rest.at.x && at.y == rest.at.y;
    if (!echo && !sameSpot)
        rest.armed = false;
}

enum class Step { Nothing, Wait, MoveThere };

struct Completion {
    Step step;
    uint32_t waitMs; // Wait: how long until the time is up
    geo::Point at;   // MoveThere: where the cursor goes, onto the strip
};

// When the wait's time comes: unless a bump it rests on is still in progress, it
// is over. Otherwise each such bump has got through (so that the move that
// follows, and whatever the device reports there, passes as a mouse's would after
// a full push), and the cursor is to go onto the strip at the resting place, so
// that the bar slides in. `strength`: the settings' strength of bump.
inline Completion Complete(Rest& rest, uint32_t now, int32_t strength, bump::BumpState* states)
{
    if (!rest.armed)
        return {Step::Nothing, 0, rest.at};
    if (Later(rest.due, now))
        return {Step::Wait, rest.due - now, rest.at};
    rest.armed = false;
    bump::BumpState& state = states[rest.monitor];
    bool resting = false;
    for (int e = bump::EDGE_LEFT; e < bump::EDGE_COUNT; ++e) {
        int32_t& pushed = state.pushedDistance[e];
        if ((rest.edges & (1u << e)) == 0 || pushed == 0)
            continue;
        resting = true;
        if (pushed < strength)
            pushed = strength;
    }
    return {resting ? Step::MoveThere : Step::Nothing, 0, rest.at};
}

} // namespace pointer
