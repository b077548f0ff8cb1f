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

void GrowArray4Push(benchmark::State& state)
{
    const auto n = static_cast<int32_t>(state.range(0));
    for (auto _ : state) {
        GrowArray4<uint32_t> array;
        for (int32_t i = 0; i < n; ++i)
            array.Push(static_cast<uint32_t>(i));
        benchmark::DoNotOptimize(array.storage);
        array.Clear();
    }
    state.SetItemsProcessed(state.iterations() * n);
}

void VectorPushBack(benchmark::State& state)
{
    const auto n = static_cast<int32_t>(state.range(0));
    for (auto _ : state) {
        std::vector<uint32_t> vector;
        for (int32_t i = 0; i < n; ++i)
            vector.push_back(static_cast<uint32_t>(i));
        benchmark::DoNotOptimize(vector.data());
    }
    state.SetItemsProcessed(state.iterations() * n);
}

void ChunkedArrayPushAndRead(benchmark::State& state)
{
    const auto n = static_cast<int32_t>(state.range(0));
    for (auto _ : state) {
        ChunkedArray<Point3> points;
        for (int32_t i = 0; i < n; ++i)
            points.Push({double(i), 0.0, 1.0});
        double sum = 0;
        for (int32_t i = 0; i < n; ++i)
            sum += points.At(i)->x;
        benchmark::DoNotOptimize(sum);
        points.Clear();
    }
    state.SetItemsProcessed(state.iterations() * n);
}

void DequePushAndRead(benchmark::State& state)
{
    const auto n = static_cast<int32_t>(state.range(0));
    for (auto _ : state) {
        std::deque<Point3> points;
        for (int32_t i = 0; i < n; ++i)
            points.push_back({double(i), 0.0, 1.0});
        double sum = 0;
        for (int32_t i = 0; i < n; ++i)
            sum += points[static_cast<size_t>(i)].x;
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * n);
}

}  // namespace

BENCHMARK(GrowArray4Push)->Arg(1000)->Arg(1000000);
BENCHMARK(VectorPushBack)->Arg(1000)->Arg(1000000);
BENCHMARK(ChunkedArrayPushAndRead)->Arg(1000)->Arg(1000000);
BENCHMARK(DequePushAndRead)->Arg(1000)->Arg(1000000);
