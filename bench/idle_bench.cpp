// The once-a-second idle decision and the hiding point, without the platform calls.
#include "hide/idle_rules.h"

#include <benchmark/benchmark.h>

#include <cstdint>

namespace {

// A quiet tick: no input since the last one, counting towards the hide.
void IdleTick(benchmark::State& run)
{
    uint32_t inputTime = 1000;
    uint32_t lastSeen = 1000;
    int32_t idleTicks = 0;
    const int32_t hideSeconds = INT32_MAX;
    for ([[maybe_unused]] auto _ : run) {
        benchmark::DoNotOptimize(inputTime);
        benchmark::DoNotOptimize(lastSeen);
        benchmark::DoNotOptimize(
            DecideTick(inputTime, lastSeen, false, false, true, hideSeconds, idleTicks));
    }
    run.SetItemsProcessed(run.iterations());
}

// The corner of the screen moved clear of right and bottom bars (hide mode 5).
void HidePointClearOfBars(benchmark::State& run)
{
    int32_t hideMode = HIDE_MOVE_TO_CORNER;
    geo::Rect right = {1918, 0, 1958, 1080};
    geo::Rect bottom = {0, 1078, 1920, 1118};
    for ([[maybe_unused]] auto _ : run) {
        benchmark::DoNotOptimize(hideMode);
        benchmark::DoNotOptimize(right);
        benchmark::DoNotOptimize(bottom);
        geo::Point point = {0, 0};
        HidePoint(
            hideMode, 1920, 1080, point, [](geo::Point&) { return false; },
            [&right](geo::Rect& rect) {
                rect = right;
                return true;
            },
            [&bottom](geo::Rect& rect) {
                rect = bottom;
                return true;
            });
        benchmark::DoNotOptimize(point);
    }
    run.SetItemsProcessed(run.iterations());
}

} // namespace

BENCHMARK(IdleTick);
BENCHMARK(HidePointClearOfBars);
