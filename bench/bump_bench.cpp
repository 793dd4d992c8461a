// The bump decision per mouse event, without the platform calls around it.
#include "taskbar/bump_rules.h"
#include "taskbar/pointer_rules.h"

#include <benchmark/benchmark.h>

#include <cstdint>

using namespace bump;

namespace {

// Three monitors: the primary, one of another size to its left, one offset
// below-right of it.
Desktop ThreeMonitors()
{
    Desktop desktop = {};
    desktop.count = 3;
    desktop.monitors[0] = {0, 0, 1920, 1080};
    desktop.monitors[1] = {-1280, 56, 0, 1080};
    desktop.monitors[2] = {1920, 300, 3840, 1380};
    return desktop;
}
// A hidden bar on every edge of the primary, 2 pixels of each on the screen.
constexpr Rect kBars[EDGE_COUNT] = {
    {-38, 0, 2, 1080}, {0, -38, 1920, 2}, {1918, 0, 1958, 1080}, {0, 1078, 1920, 1118}};

int Decide(Point p, const Desktop& desktop, uint32_t time, BumpConfig config, BumpState* states)
{
    return BumpEvent(
        p, desktop, time, config, states,
        [](int monitor, Edge edge, Rect& rect) {
            rect = kBars[edge];
            return monitor == 0;
        },
        [](int, Point) { return true; },
        [](int, Edge, const EdgeDecision& d) { benchmark::DoNotOptimize(d); });
}

void Run(benchmark::State& run, Point p, BumpConfig config, BumpState primary)
{
    const Desktop desktop = ThreeMonitors();
    BumpState states[MAX_MONITORS] = {primary};
    uint32_t time = 1000;
    for ([[maybe_unused]] auto _ : run) {
        benchmark::DoNotOptimize(p);
        benchmark::DoNotOptimize(config);
        benchmark::DoNotOptimize(Decide(p, desktop, time++, config, states));
    }
    run.SetItemsProcessed(run.iterations());
}

// The common case: the pointer anywhere but at an edge, no bump in progress.
void FarFromEveryEdge(benchmark::State& run)
{
    Run(run, {960, 540}, {50, 200, true}, BumpState{});
}

// On the bottom strip after the push got through: the bar's rectangle is judged,
// nothing is set back.
void OnHiddenStrip(benchmark::State& run)
{
    BumpState state = {};
    state.pushedDistance[EDGE_BOTTOM] = 50;
    Run(run, {960, 1079}, {50, 0, true}, state);
}

// Pushing against the bottom bar, set back on every event.
void Bumping(benchmark::State& run)
{
    Run(run, {960, 1079}, {INT32_MAX, UINT32_MAX, true}, BumpState{});
}

// What the hook adds to every event to tell the pointing device: its kind from
// the mark, the latest raw move and the session, whether it is the program's own
// move coming back, and the wait of a resting pointer, here none.
void RecognisePointer(benchmark::State& run)
{
    pointer::Rest rest = {};
    const OwnMove own = {960, 1077, 500};
    const pointer::Held held = {};
    uint64_t extraInfo = 0;
    bool rawAbsolute = false;
    Point p = {960, 540};
    uint32_t time = 1000;
    for ([[maybe_unused]] auto _ : run) {
        benchmark::DoNotOptimize(extraInfo);
        benchmark::DoNotOptimize(rawAbsolute);
        benchmark::DoNotOptimize(p);
        const pointer::Kind kind = pointer::KindOf(extraInfo, rawAbsolute, false);
        const bool echo = IsOwnMoveEcho(own, true, p.x, p.y, time++);
        pointer::AfterEvent(rest, kind, p, echo, held);
        benchmark::DoNotOptimize(rest);
    }
    run.SetItemsProcessed(run.iterations());
}

} // namespace

BENCHMARK(FarFromEveryEdge);
BENCHMARK(RecognisePointer);
BENCHMARK(OnHiddenStrip);
BENCHMARK(Bumping);
