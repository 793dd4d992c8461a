// The one-second timer as the program drives it: ticks, mouse events, unhide
// requests and dialog changes in any order, with every stored word a registry can
// hold, through the program's own tick with stand-ins for the windows. The count
// kept here, in 64 bits, says when the cursor must be hidden; at each hide the
// hiding place is worked out here from random bars, and the window trees are
// climbed.
#include "hide/hide_tick.h"
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

// The desktop of one hide: screen, bars and cursor drawn from the input; the
// windows are numbers, 0 meaning none.
struct Platform {
    FuzzedDataProvider& in;
    SharedState<int>& shared;
    int lastWindow = 0;
    int live = 0; // windows made and not yet destroyed
    bool moved = false;
    geo::Point movedTo = {0, 0};
    bool hidePointFound = false;
    geo::Point hidePoint = {0, 0};
    bool eventDuringCreation = false;

    void RequestUnhide()
    {
        RequestUnhideOf(shared.isHidden, shared.HideWindow, [this](int) { DestroyHideWindow(); });
    }
    void RegisterHideClass() {}
    bool HidePoint(geo::Point& point)
    {
        const int32_t mode = shared.settings.hideMode.load();
        const int32_t cx = in.ConsumeIntegral<int32_t>();
        const int32_t cy = in.ConsumeIntegral<int32_t>();
        const geo::Rect right = {in.ConsumeIntegral<int32_t>(), 0, 0, 0};
        const geo::Rect bottom = {0, in.ConsumeIntegral<int32_t>(), 0, 0};
        const bool hasRight = in.ConsumeBool();
        const bool hasBottom = in.ConsumeBool();
        const geo::Point cursor = {in.ConsumeIntegral<int32_t>(), in.ConsumeIntegral<int32_t>()};
        const bool cursorRead = in.ConsumeBool();
        const bool found = ::HidePoint(
            mode, cx, cy, point,
            [&](geo::Point& at) {
                at = cursor;
                return cursorRead;
            },
            [&](geo::Rect& rect) {
                rect = right;
                return hasRight;
            },
            [&](geo::Rect& rect) {
                rect = bottom;
                return hasBottom;
            });
        // The corner, just off each bar that reaches it and never further.
        const HideMethodTraits traits = TraitsOf(mode);
        if (!traits.atCorner) {
            Check(found == cursorRead);
            if (found)
                Check(point.x == cursor.x && point.y == cursor.y);
        } else {
            Check(found);
            const int64_t x = cx == INT32_MIN ? int64_t{cx} : int64_t{cx} - 1;
            const int64_t y = cy == INT32_MIN ? int64_t{cy} : int64_t{cy} - 1;
            const bool clearRight = traits.clearOfBars && hasRight && x >= right.left;
            const bool clearBottom = traits.clearOfBars && hasBottom && y >= bottom.top;
            Check(point.x
                  == (clearRight ? (right.left == INT32_MIN ? INT32_MIN : right.left - 1) : x));
            Check(point.y
                  == (clearBottom ? (bottom.top == INT32_MIN ? INT32_MIN : bottom.top - 1) : y));
        }
        hidePointFound = found;
        hidePoint = point;
        return found;
    }
    int Create(HideWindowKind, geo::Point)
    {
        // A mouse event that the hook handles while the window is made.
        if (in.ConsumeBool()) {
            eventDuringCreation = true;
            shared.lastInputTime.store(shared.lastInputTime.load() + 1);
            RequestUnhide();
        }
        if (in.ConsumeBool())
            return 0; // refused
        ++live;
        return ++lastWindow;
    }
    void Show(int) {}
    void DestroyHideWindow()
    {
        if (shared.HideWindow.load() != 0) {
            shared.HideWindow.store(0);
            --live;
        }
    }
    bool MoveCursor(geo::Point point)
    {
        moved = true;
        movedTo = point;
        return true;
    }
    uint32_t Now() { return 0; }
};

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
    SharedState<int> shared;
    Settings& settings = shared.settings;
    settings.hideEnabled.store(in.ConsumeBool() ? 1 : 0);
    settings.hideSeconds.store(StoredSeconds(in));
    settings.hideMode.store(StoredMode(in));
    Platform platform = {in, shared};
    IdleCount count = {0, 0};

    bool movedUnseen = false;
    int64_t quietTicks = 0;
    uint32_t lastSeen = 0;

    while (in.remaining_bytes() > 0) {
        switch (in.ConsumeIntegralInRange<int>(0, 6)) {
        case 0: // a mouse event; the clock may stand still or wrap between two
            shared.lastInputTime.store(shared.lastInputTime.load()
                                       + (in.ConsumeBool()
                                              ? in.ConsumeIntegralInRange<uint32_t>(0, 2000)
                                              : in.ConsumeIntegral<uint32_t>()));
            platform.RequestUnhide();
            break;
        case 1: // the dialog changes the method, which shows the cursor again
            platform.RequestUnhide();
            settings.hideMode.store(StoredMode(in));
            break;
        case 2:
            settings.hideEnabled.store(in.ConsumeBool() ? 1 : 0);
            settings.hideSeconds.store(StoredSeconds(in));
            break;
        case 3: // the pointer moves where no hook sees it
            movedUnseen = true;
            break;
        default: {
            const uint32_t inputTime = shared.lastInputTime.load();
            const bool hidden = shared.isHidden.load() != 0;
            const bool active = inputTime != lastSeen || movedUnseen;
            const int windowBefore = shared.HideWindow.load();
            platform.moved = false;
            platform.hidePointFound = false;
            platform.eventDuringCreation = false;
            const bool moved = HideTick(shared, count, movedUnseen, platform);
            const bool shown = hidden && movedUnseen;
            movedUnseen = false;
            // What came during the tick counts from the next one on.
            lastSeen = shared.lastInputTime.load();
            Check(count.idleTicks >= 0);
            Check(count.lastSeenInputTime == lastSeen);
            Check(platform.live == (shared.HideWindow.load() != 0 ? 1 : 0));
            Check(moved == platform.moved);
            // No window keeps the cursor hidden once the hide is over.
            Check(shared.isHidden.load() != 0 || shared.HideWindow.load() == 0);
            if (active || hidden || settings.hideEnabled.load() == 0) {
                Check(count.idleTicks == 0 && !moved);
                Check(shared.isHidden.load() == (hidden && !shown ? 1 : 0));
                quietTicks = 0;
                break;
            }
            ++quietTicks;
            Check(count.idleTicks == quietTicks);
            if (quietTicks < settings.hideSeconds.load()) {
                Check(shared.isHidden.load() == 0 && !moved);
                break;
            }
            // Hidden now, with a window where the method has one and it was made,
            // and the pointer moved onto the hiding point where the method says so;
            // a mouse event while the window was made ends the hide at once.
            const HideMethodTraits traits = TraitsOf(settings.hideMode.load());
            if (windowBefore != 0) {
                Check(shared.isHidden.load() == 1);
                Check(shared.HideWindow.load() == windowBefore && !moved);
                break;
            }
            if (platform.eventDuringCreation) {
                Check(shared.isHidden.load() == 0 && shared.HideWindow.load() == 0 && !moved);
                CheckClimb(in);
                break;
            }
            Check(shared.isHidden.load() == 1);
            if (traits.window == HideWindowKind::None)
                Check(shared.HideWindow.load() == 0);
            Check(moved == (platform.hidePointFound && traits.movesCursor));
            if (moved) {
                Check(platform.movedTo.x == platform.hidePoint.x
                      && platform.movedTo.y == platform.hidePoint.y);
                const OwnMove own = shared.LastOwnMove();
                Check(own.x == platform.hidePoint.x && own.y == platform.hidePoint.y);
            }
            CheckClimb(in);
            break;
        }
        }
    }
    return 0;
}
