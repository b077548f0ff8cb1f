// Budgeted arrays against the standard containers they stand beside:
// GrowArray4 against std::vector, ChunkedArray against std::deque.
#include "CoreUtilities/ChunkedArray.h"
#include "CoreUtilities/GrowArray.h"

#include <benchmark/benchmark.h>

#include <deque>
#include <vector>

namespace {

struct Point3 {
    double x, y, z;
};

// Runs body(n) per iteration, n from the benchmark's argument, and reports
// items per second.
template <typename Body>
void PerItem(benchmark::State& state, Body body)
{
    const auto n = static_cast<int32_t>(state.range(0));
    for (auto _ : state)
        body(n);
    state.SetItemsProcessed(state.iterations() * n);
}

void GrowArray4Push(benchmark::State& state)
{
    PerItem(state, [](int32_t n) {
        GrowArray4<uint32_t> array;
        for (int32_t i = 0; i < n; ++i)
            array.Push(static_cast<uint32_t>(i));
        benchmark::DoNotOptimize(array.storage);
        array.Clear();
    });
}

void VectorPushBack(benchmark::State& state)
{
    PerItem(state, [](int32_t n) {
        std::vector<uint32_t> vector;
        for (int32_t i = 0; i < n; ++i)
            vector.push_back(static_cast<uint32_t>(i));
        benchmark::DoNotOptimize(vector.data());
    });
}

void ChunkedArrayPushAndRead(benchmark::State& state)
{
    PerItem(state, [](int32_t n) {
        ChunkedArray<Point3> points;
        for (int32_t i = 0; i < n; ++i)
            points.Push({double(i), 0.0, 1.0});
        double sum = 0;
        for (int32_t i = 0; i < n; ++i)
            sum += points.At(i)->x;
        benchmark::DoNotOptimize(sum);
        points.Clear();
    });
}

void DequePushAndRead(benchmark::State& state)
{
    PerItem(state, [](int32_t n) {
        std::deque<Point3> points;
        for (int32_t i = 0; i < n; ++i)
            points.push_back({double(i), 0.0, 1.0});
        double sum = 0;
        for (int32_t i = 0; i < n; ++i)
            sum += points[static_cast<size_t>(i)].x;
        benchmark::DoNotOptimize(sum);
    });
}

}  // namespace

BENCHMARK(GrowArray4Push)->Arg(1000)->Arg(1000000);
BENCHMARK(VectorPushBack)->Arg(1000)->Arg(1000000);
BENCHMARK(ChunkedArrayPushAndRead)->Arg(1000)->Arg(1000000);
BENCHMARK(DequePushAndRead)->Arg(1000)->Arg(1000000);
