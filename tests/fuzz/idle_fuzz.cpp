// The one-second timer as the program drives it: ticks, mouse events, unhide
// requests and dialog changes in any order, with every stored word a registry can
// hold. The count kept here, in 64 bits, says when the cursor must be hidden; at
// each hide the hiding place is worked out from random bars and window trees.
#include "hide/idle_rules.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

// Stored words, mostly in the range the dialog allows.
int32_t StoredSeconds(FuzzedDataProvider& in)
{
    return in.ConsumeBool() ? in.ConsumeIntegralInRange<int32_t>(1, 5)
                            : static_cast<int32_t>(in.ConsumeIntegral<uint32_t>());
}

int32_t StoredMode(FuzzedDataProvider& in)
{
    return in.ConsumeBool() ? in.ConsumeIntegralInRange<int32_t>(0, 4)
                            : static_cast<int32_t>(in.ConsumeIntegral<uint32_t>());
}

void CheckHidePoint(FuzzedDataProvider& in, int32_t mode)
{
    const HideMethodTraits traits = TraitsOf(mode);
    Check((traits.window == HideWindowKind::None) == (mode == HIDE_MOVE_TO_CORNER));
    Check(traits.movesCursor == traits.atCorner);
    if (!traits.atCorner)
        return;
    const int32_t cx = in.ConsumeIntegral<int32_t>();
    const int32_t cy = in.ConsumeIntegral<int32_t>();
    const ScreenPoint corner = BottomRightPixel(cx, cy);
    Check(int64_t{corner.x} == (cx == INT32_MIN ? int64_t{cx} : int64_t{cx} - 1));
    Check(int64_t{corner.y} == (cy == INT32_MIN ? int64_t{cy} : int64_t{cy} - 1));
    if (!traits.clearOfBars)
        return;

    BarRect right = {in.ConsumeIntegral<int32_t>(), 0, 0, 0};
    BarRect bottom = {0, in.ConsumeIntegral<int32_t>(), 0, 0};
    const BarRect* rightBar = in.ConsumeBool() ? &right : nullptr;
    const BarRect* bottomBar = in.ConsumeBool() ? &bottom : nullptr;
    const ScreenPoint p = ClearOfBars(corner, rightBar, bottomBar);
    // Just off each bar that reaches the corner, never further; untouched otherwise.
    if (rightBar != nullptr && corner.x >= right.left)
        Check(p.x == (right.left == INT32_MIN ? INT32_MIN : right.left - 1));
    else
        Check(p.x == corner.x);
    if (bottomBar != nullptr && corner.y >= bottom.top)
        Check(p.y == (bottom.top == INT32_MIN ? INT32_MIN : bottom.top - 1));
    else
        Check(p.y == corner.y);
}

// A desktop of numbered windows, 0 meaning none, whose parent links may even
// form a loop: the climb gives the top within 16 steps or nothing.
void CheckClimb(FuzzedDataProvider& in)
{
    constexpr int kWindows = 40;
    int parent[kWindows + 1] = {};
    for (int w = 1; w <= kWindows; ++w)
        parent[w] = in.ConsumeIntegralInRange<int>(0, kWindows);
    const int start = in.ConsumeIntegralInRange<int>(1, kWindows);

    int steps = 0;
    int top = start;
    while (parent[top] != 0 && steps <= kWindows) {
        top = parent[top];
        ++steps;
    }
    int calls = 0;
    const int found = TopLevelAncestor(start, [&](int w) {
        ++calls;
        return parent[w];
    });
    Check(calls <= MAX_PARENT_CLIMB);
    Check(found == (steps < MAX_PARENT_CLIMB ? top : 0));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider in(data, size);
    bool hideEnabled = in.ConsumeBool();
    int32_t hideSeconds = StoredSeconds(in);
    int32_t hideMode = StoredMode(in);

    uint32_t lastInputTime = 0;
    uint32_t lastSeenInputTime = 0;
    int32_t idleTicks = 0;
    bool hidden = false;
    bool movedUnseen = false;
    int64_t quietTicks = 0;

    while (in.remaining_bytes() > 0) {
        switch (in.ConsumeIntegralInRange<int>(0, 6)) {
        case 0: // a mouse event; the clock may stand still or wrap between two
            lastInputTime += in.ConsumeBool() ? in.ConsumeIntegralInRange<uint32_t>(0, 2000)
                                              : in.ConsumeIntegral<uint32_t>();
            hidden = false;
            break;
        case 1: // the dialog changes the method, which shows the cursor again
            hideMode = StoredMode(in);
            hidden = false;
            break;
        case 2:
            hideEnabled = in.ConsumeBool();
            hideSeconds = StoredSeconds(in);
            break;
        case 3: // the pointer moves where no hook sees it
            movedUnseen = true;
            break;
        default: {
            const bool changed = lastInputTime != lastSeenInputTime;
            const TickAction action = DecideTick(lastInputTime, lastSeenInputTime, movedUnseen,
                                                 hidden, hideEnabled, hideSeconds, idleTicks);
            lastSeenInputTime = lastInputTime;
            Check(idleTicks >= 0);
            const bool active = changed || movedUnseen;
            const bool shown = hidden && movedUnseen;
            movedUnseen = false;
            if (active || hidden || !hideEnabled) {
                Check(action == (shown ? TickAction::Unhide : TickAction::Reset) && idleTicks == 0);
                hidden = hidden && !shown;
                quietTicks = 0;
                break;
            }
            ++quietTicks;
            Check(idleTicks == quietTicks);
            Check(action == (quietTicks >= hideSeconds ? TickAction::Hide : TickAction::Count));
            if (action == TickAction::Hide) {
                hidden = true;
                CheckHidePoint(in, hideMode);
                CheckClimb(in);
            }
            break;
        }
        }
    }
    return 0;
}
