#include "hide/idle_rules.h"

#include <gtest/gtest.h>

#include <atomic>
#include <vector>

TEST(IdleRules, TickDecisionTable)
{
    struct Case {
        uint32_t inputTime;
        uint32_t lastSeen;
        bool moved;
        bool hidden;
        bool enabled;
        int32_t hideSeconds;
        int32_t ticksBefore;
        TickAction expected;
        int32_t ticksAfter;
    } cases[] = {
        // New input (also a move that no hook saw), a hidden cursor or hiding
        // off: start over.
        {5, 4, false, false, true, 3, 2, TickAction::Reset, 0},
        {5, 5, true, false, true, 3, 2, TickAction::Reset, 0},
        {0, 0xFFFFFFFFu, false, false, true, 3, 2, TickAction::Reset, 0},
        {5, 5, false, true, true, 3, 7, TickAction::Reset, 0},
        // Moved unseen while hidden: shown again.
        {5, 5, true, true, true, 3, 7, TickAction::Unhide, 0},
        {5, 5, false, false, false, 3, 2, TickAction::Reset, 0},
        // Quiet ticks count up to the stored number of seconds.
        {5, 5, false, false, true, 3, 0, TickAction::Count, 1},
        {5, 5, false, false, true, 3, 1, TickAction::Count, 2},
        {5, 5, false, false, true, 3, 2, TickAction::Hide, 3},
        // Already past it (the flag was cleared without input): hide at once.
        {5, 5, false, false, true, 3, 9, TickAction::Hide, 10},
        // One second or less, even negative: the first quiet tick hides.
        {5, 5, false, false, true, 1, 0, TickAction::Hide, 1},
        {5, 5, false, false, true, 0, 0, TickAction::Hide, 1},
        {5, 5, false, false, true, -20, 0, TickAction::Hide, 1},
        // The count saturates instead of overflowing.
        {5, 5, false, false, true, INT32_MAX, INT32_MAX - 1, TickAction::Hide, INT32_MAX},
        {5, 5, false, false, true, INT32_MAX, INT32_MAX, TickAction::Hide, INT32_MAX},
    };
    for (const Case& c : cases) {
        int32_t ticks = c.ticksBefore;
        EXPECT_EQ(c.expected, DecideTick(c.inputTime, c.lastSeen, c.moved, c.hidden, c.enabled,
                                         c.hideSeconds, ticks))
            << c.inputTime << "/" << c.lastSeen << " hidden " << c.hidden << " ticks "
            << c.ticksBefore << " secs " << c.hideSeconds;
        EXPECT_EQ(c.ticksAfter, ticks);
    }
}

TEST(IdleRules, OnlyAPlainMoveToTheOwnPlaceSoonAfterIsItsEcho)
{
    const OwnMove corner = {1023, 767, 0xFFFFFFF0u};
    struct Case {
        const char* what;
        OwnMove move;
        bool plainMove;
        int32_t x;
        int32_t y;
        uint32_t time;
        bool echo;
    } cases[] = {
        {"at once", corner, true, 1023, 767, 0xFFFFFFF0u, true},
        {"100 ms later, across the wrap", corner, true, 1023, 767, 0x54, true},
        {"101 ms later", corner, true, 1023, 767, 0x55, false},
        {"stamped a little before", corner, true, 1023, 767, 0xFFFFFF8Cu, true},
        {"a pixel off", corner, true, 1022, 767, 0xFFFFFFF0u, false},
        {"a click there", corner, false, 1023, 767, 0xFFFFFFF0u, false},
        {"no move made yet", NO_OWN_MOVE, true, 0, 0, 0, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.echo, IsOwnMoveEcho(c.move, c.plainMove, c.x, c.y, c.time)) << c.what;
}

TEST(IdleRules, MethodTable)
{
    struct Case {
        int32_t mode;
        HideWindowKind window;
        bool atCorner;
        bool clearOfBars;
        bool movesCursor;
    } cases[] = {
        {HIDE_POPUP, HideWindowKind::Popup, false, false, false},
        {HIDE_CHILD_OF_TOP, HideWindowKind::ChildOfTop, false, false, false},
        {HIDE_CHILD, HideWindowKind::Child, false, false, false},
        {HIDE_POPUP_IN_CORNER, HideWindowKind::Popup, true, false, true},
        {HIDE_MOVE_TO_CORNER, HideWindowKind::None, true, true, true},
        // Out of range behaves as the pop-up at the cursor.
        {5, HideWindowKind::Popup, false, false, false},
        {7, HideWindowKind::Popup, false, false, false},
        {-1, HideWindowKind::Popup, false, false, false},
        {INT32_MIN, HideWindowKind::Popup, false, false, false},
    };
    for (const Case& c : cases) {
        const HideMethodTraits traits = TraitsOf(c.mode);
        EXPECT_EQ(c.window, traits.window) << c.mode;
        EXPECT_EQ(c.atCorner, traits.atCorner) << c.mode;
        EXPECT_EQ(c.clearOfBars, traits.clearOfBars) << c.mode;
        EXPECT_EQ(c.movesCursor, traits.movesCursor) << c.mode;
    }
}

TEST(IdleRules, HidePointOfEachMethod)
{
    const int32_t W = 1024;
    const int32_t H = 768;
    const geo::Rect rightHidden = {W - 2, 0, W + 28, H};
    const geo::Rect bottomHidden = {0, H - 2, W, H + 28};
    const geo::Rect rightBeyond = {W + 3, 0, W + 33, H};
    const geo::Rect bottomAtEdge = {0, H - 1, W, H + 29};
    const geo::Rect bottomBeyond = {0, H, W, H + 30};
    const geo::Point cursor = {300, 200};
    struct Case {
        int32_t mode;
        const geo::Rect* right;
        const geo::Rect* bottom;
        geo::Point expected;
    } cases[] = {
        {HIDE_MOVE_TO_CORNER, nullptr, nullptr, {W - 1, H - 1}},
        {HIDE_MOVE_TO_CORNER, &rightHidden, nullptr, {W - 3, H - 1}},
        {HIDE_MOVE_TO_CORNER, nullptr, &bottomHidden, {W - 1, H - 3}},
        {HIDE_MOVE_TO_CORNER, &rightHidden, &bottomHidden, {W - 3, H - 3}},
        // Only a bar reaching the corner pixel moves it.
        {HIDE_MOVE_TO_CORNER, &rightBeyond, &bottomBeyond, {W - 1, H - 1}},
        {HIDE_MOVE_TO_CORNER, nullptr, &bottomAtEdge, {W - 1, H - 2}},
        // The pop-up in the corner lies on the pixel itself, bars or not.
        {HIDE_POPUP_IN_CORNER, &rightHidden, &bottomHidden, {W - 1, H - 1}},
        // The other methods hide where the cursor is.
        {HIDE_CHILD_OF_TOP, &rightHidden, &bottomHidden, cursor},
        {7, nullptr, nullptr, cursor},
    };
    for (const Case& c : cases) {
        geo::Point p = {0, 0};
        const auto bar = [](const geo::Rect* known, geo::Rect& rect) {
            if (known != nullptr)
                rect = *known;
            return known != nullptr;
        };
        EXPECT_TRUE(HidePoint(
            c.mode, W, H, p,
            [&cursor](geo::Point& at) {
                at = cursor;
                return true;
            },
            [&](geo::Rect& rect) { return bar(c.right, rect); },
            [&](geo::Rect& rect) { return bar(c.bottom, rect); }));
        EXPECT_EQ(c.expected.x, p.x) << c.mode;
        EXPECT_EQ(c.expected.y, p.y) << c.mode;
    }
    // A cursor that cannot be read leaves no point to hide at.
    geo::Point p = {0, 0};
    EXPECT_FALSE(HidePoint(
        HIDE_POPUP, W, H, p, [](geo::Point&) { return false; }, [](geo::Rect&) { return false; },
        [](geo::Rect&) { return false; }));

    // Extreme rectangles stay within range instead of overflowing.
    const geo::Rect lowest = {INT32_MIN, INT32_MIN, 0, 0};
    const geo::Point q = ClearOfBars(BottomRightPixel(INT32_MIN, INT32_MIN), &lowest, &lowest);
    EXPECT_EQ(INT32_MIN, q.x);
    EXPECT_EQ(INT32_MIN, q.y);
}

TEST(IdleRules, ClimbStopsAfterSixteenSteps)
{
    // Window n's parent is n - 1 and window 1 is a top-level window; 0 is "none".
    auto parentOf = [](int window) { return window > 1 ? window - 1 : 0; };
    int calls = 0;
    auto counted = [&](int window) {
        ++calls;
        return parentOf(window);
    };

    EXPECT_EQ(1, TopLevelAncestor(1, counted)); // its own ancestor
    EXPECT_EQ(1, calls);
    EXPECT_EQ(1, TopLevelAncestor(5, parentOf));
    EXPECT_EQ(1, TopLevelAncestor(16, parentOf)); // 15 levels below the top

    calls = 0;
    EXPECT_EQ(0, TopLevelAncestor(17, counted)); // 16 levels: the climb gives up
    EXPECT_EQ(MAX_PARENT_CLIMB, calls);
    EXPECT_EQ(0, TopLevelAncestor(400, parentOf));
}

namespace {

// A handle slot whose timer stores a new window right after the hook's first
// read: the one interleaving that used to leave the cursor hidden.
struct RacingSlot {
    uintptr_t value = 0;
    uintptr_t storedByTimer = 0;
    int loads = 0;
    uintptr_t load()
    {
        const uintptr_t seen = value;
        if (loads++ == 0)
            value = storedByTimer;
        return seen;
    }
};

} // namespace

TEST(IdleRules, UnhideRequestReachesAWindowStoredDuringIt)
{
    struct Case {
        uint8_t hidden;
        uintptr_t before;
        uintptr_t storedByTimer;
        std::vector<uintptr_t> posted;
    } cases[] = {
        {0, 5, 5, {}},  // not hidden: nothing at all
        {1, 0, 0, {}},  // hidden without a window (method 4)
        {1, 5, 5, {5}}, // the usual case: one unhide
        {1, 0, 9, {9}}, // the new window stored between read and clear
        {1, 5, 9, {5, 9}},
    };
    for (const Case& c : cases) {
        std::atomic<uint8_t> hidden{c.hidden};
        RacingSlot slot{c.before, c.storedByTimer};
        std::vector<uintptr_t> posted;
        RequestUnhideOf(hidden, slot, [&](uintptr_t window) { posted.push_back(window); });
        EXPECT_EQ(c.posted, posted) << "before " << c.before << " stored " << c.storedByTimer;
        EXPECT_EQ(0, hidden.load());
    }
}
