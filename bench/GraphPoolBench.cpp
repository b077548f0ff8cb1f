// What the pool costs a graph: an empty part's round trip through the pool
// against calling the part directly, and a fixed amount of arithmetic split
// into 64 parts on one worker against all workers (parallel efficiency =
// time on one worker / (workers x time on all workers)).
#include "CoreUtilities/GraphJobTarget.h"
#include "CoreUtilities/GraphWorkerPool.h"
#include "CoreUtilities/SystemInfo.h"
#include "document/DocumentTask.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <thread>
#include <vector>

namespace {

constexpr int32_t kParts = 64;
// Per part: about a millisecond of sin and exp on one core.
constexpr int32_t kStepsPerPart = 40000;

class EmptyGraph : public GraphJobTarget {
public:
    int32_t ComputeChunk(int32_t) override { return GraphJobDone; }
    bool IsComplete() override { return true; }
};

// Sums a stretch of a curve per part; the sums stand for a graph's results.
class ArithmeticGraph : public GraphJobTarget {
public:
    int32_t ComputeChunk(int32_t part) override
    {
        sums[part] = PartSum(part);
        return GraphJobDone;
    }
    bool IsComplete() override { return true; }

    static double PartSum(int32_t part)
    {
        double sum = 0.0;
        const double x0 = part * 0.5;
        for (int32_t i = 0; i < kStepsPerPart; ++i) {
            const double x = x0 + i * 1e-5;
            sum += std::sin(x) * std::exp(-x * 1e-3);
        }
        return sum;
    }

    double sums[kParts] = {};
};

// Keeps the pool at the given number of workers for one benchmark.
struct Workers {
    explicit Workers(int32_t n)
    {
        StartWorkerThreads();
        RestartGraphWorkers(n);
    }
    ~Workers() { RestartGraphWorkers(0); }
};

void BM_EmptyPartDirectCall(benchmark::State& state)
{
    EmptyGraph graph;
    GraphJobTarget* volatile target = &graph;
    for (auto _ : state)
        benchmark::DoNotOptimize(target->ComputeChunk(0));
}
BENCHMARK(BM_EmptyPartDirectCall);

// One part queued and waited for: the latency a lone part sees.
void BM_EmptyPartPoolRoundTrip(benchmark::State& state)
{
    Workers workers(0);
    EmptyGraph graph;
    GraphJob job(&graph);
    for (auto _ : state) {
        EnqueueGraphJob(&job);
        WaitForGraphJob(&job);
    }
}
BENCHMARK(BM_EmptyPartPoolRoundTrip)->UseRealTime();

// 64 parts queued at once and waited for, as a graph does: the cost per part.
void BM_EmptyPartsPoolBatchOf64(benchmark::State& state)
{
    Workers workers(0);
    EmptyGraph graph;
    GraphJob* jobs = NewGraphJobs(&graph, kParts);
    for (auto _ : state) {
        EnqueueGraphJobs(jobs, kParts);
        for (int32_t i = 0; i < kParts; ++i)
            WaitForGraphJob(&jobs[i]);
    }
    DeleteGraphJobs(jobs);
    state.counters["per_part"] =
        benchmark::Counter(kParts, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_EmptyPartsPoolBatchOf64)->UseRealTime();

// The arithmetic of all 64 parts in a plain loop on the calling thread.
void BM_ArithmeticDirect(benchmark::State& state)
{
    for (auto _ : state) {
        double total = 0.0;
        for (int32_t part = 0; part < kParts; ++part)
            total += ArithmeticGraph::PartSum(part);
        benchmark::DoNotOptimize(total);
    }
}
BENCHMARK(BM_ArithmeticDirect)->Unit(benchmark::kMillisecond);

// The same 64 parts dealt out in turn to one plain thread per processor,
// started for each run: what the machine gives without the pool.
void BM_ArithmeticPlainThreads(benchmark::State& state)
{
    const int32_t all = SystemProcessorCount();
    ArithmeticGraph graph;
    for (auto _ : state) {
        std::vector<std::thread> threads;
        for (int32_t t = 0; t < all; ++t) {
            threads.emplace_back([&graph, t, all] {
                for (int32_t part = t; part < kParts; part += all)
                    graph.ComputeChunk(part);
            });
        }
        for (std::thread& thread : threads)
            thread.join();
        benchmark::DoNotOptimize(graph.sums);
    }
    state.counters["threads"] = all;
}
BENCHMARK(BM_ArithmeticPlainThreads)->Unit(benchmark::kMillisecond)->UseRealTime();

double RunArithmeticParts(ArithmeticGraph& graph, GraphJob* jobs)
{
    const auto start = std::chrono::steady_clock::now();
    EnqueueGraphJobs(jobs, kParts);
    for (int32_t i = 0; i < kParts; ++i)
        WaitForGraphJob(&jobs[i]);
    benchmark::DoNotOptimize(graph.sums);
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Arg 1: one worker; arg 0: one worker per processor.
void BM_Arithmetic64Parts(benchmark::State& state)
{
    Workers workers(static_cast<int32_t>(state.range(0)));
    ArithmeticGraph graph;
    GraphJob* jobs = NewGraphJobs(&graph, kParts);
    for (auto _ : state)
        RunArithmeticParts(graph, jobs);
    DeleteGraphJobs(jobs);
    state.counters["workers"] = GetProcessorCount();
}
BENCHMARK(BM_Arithmetic64Parts)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();

// Both runs in each iteration, so that the two times share the machine's
// load; the iteration time is the run on many workers. Arg: the workers,
// 0 for one per processor.
void BM_ParallelEfficiency(benchmark::State& state)
{
    StartWorkerThreads();
    ArithmeticGraph graph;
    GraphJob* jobs = NewGraphJobs(&graph, kParts);
    const int32_t all = state.range(0) > 0 ? static_cast<int32_t>(state.range(0)) : SystemProcessorCount();
    double oneWorker = 0.0;
    double allWorkers = 0.0;
    for (auto _ : state) {
        RestartGraphWorkers(1);
        const double one = RunArithmeticParts(graph, jobs);
        RestartGraphWorkers(all);
        const double many = RunArithmeticParts(graph, jobs);
        oneWorker += one;
        allWorkers += many;
        state.SetIterationTime(many);
    }
    RestartGraphWorkers(0);
    DeleteGraphJobs(jobs);
    state.counters["workers"] = all;
    state.counters["speedup"] = oneWorker / allWorkers;
    state.counters["efficiency"] = oneWorker / (all * allWorkers);
}
BENCHMARK(BM_ParallelEfficiency)->Arg(2)->Arg(4)->Arg(0)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(20);

}  // namespace
