// A plot's parallel efficiency: a fake plot of 64 parts, each a band of rows
// of a compiled formula evaluated by the batch interpreter, computed through
// the plot protocol on the graph worker pool with one worker and with one
// worker per processor. Efficiency = time on one worker / (workers x time on
// all workers); both runs in each iteration, so they share the machine's load.
#include "CoreUtilities/GraphWorkerPool.h"
#include "CoreUtilities/SystemInfo.h"
#include "document/DocState.h"
#include "document/DocumentTask.h"
#include "evaluation/CompiledFormula.h"
#include "evaluation/GridEvalState.h"
#include "evaluation/GridProgramSet.h"
#include "evaluation/InterpreterBuild.h"
#include "formula/FormulaEngine.h"
#include "formula/FormulaNode.h"
#include "formula/NodeBuilders.h"
#include "graphs2d/PlotJobs.h"
#include "graphs2d/ViewMapping.h"
#include "support/StubPlot.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>
#include <thread>
#include <vector>

namespace {

constexpr int32_t kParts = 64;
constexpr int32_t kWidth = 2048;
constexpr int32_t kRowsPerPart = 16;
constexpr double kX0 = -3;
constexpr double kY0 = 3;
constexpr double kStep = 6.0 / kWidth;

// sin(x y) + cos(x + y) exp(-(x y)^2): nothing in it depends on x or y alone.
FormulaNode* BenchTree()
{
    auto x = [] { return MakeVariableNode('x'); };
    auto y = [] { return MakeVariableNode('y'); };
    return MakeSum(MakeSin(MakeProduct(x(), y())),
                   MakeProduct(MakeCos(MakeSum(x(), y())), MakeExp(MakeNegation(MakeSquare(MakeProduct(x(), y()))))));
}

class FormulaPlot : public StubPlot {
public:
    FormulaPlot(const ViewMapping* drawMapping, DocState* doc)
        : StubPlot(drawMapping), formula(BenchTree(), doc), set(LinkGridFormula(&formula)), jobs(this, kParts),
          values(static_cast<size_t>(kParts) * kRowsPerPart * kWidth)
    {
    }
    ~FormulaPlot() override { jobs.Stop(); }

    int32_t ComputeChunk(int32_t part) override
    {
        GridEvalState grid;
        PrepareGrid2D(kX0, kY0 - part * kRowsPerPart * kStep, kStep, -kStep, kWidth, kRowsPerPart, set.get(), &grid);
        double* out = values.data() + static_cast<size_t>(part) * kRowsPerPart * kWidth;
        for (int32_t j = 0; j < kRowsPerPart; ++j) {
            if (jobs.StopRequested())
                return GraphJobStopped;
            formula.EvaluateRow(j, &grid, out + static_cast<size_t>(j) * kWidth);
        }
        return jobs.FinishPart(part, nullptr);
    }
    bool IsComplete() override { return jobs.IsComplete(); }
    void Stop() override { jobs.Stop(); }
    void Restart() override { jobs.Start(); }

    // Computes every part and waits for the last.
    double Run()
    {
        const auto start = std::chrono::steady_clock::now();
        jobs.Start();
        jobs.Wait();
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }

    CompiledFormula formula;
    std::unique_ptr<GridProgramSet> set;
    PlotJobs jobs;
    std::vector<double> values;
};

void BM_PlotPartsEfficiency(benchmark::State& state)
{
    InitFormulaEngine();
    SelectInterpreterBuild();
    StartWorkerThreads();
    DocState doc;
    ViewMapping mapping;
    mapping.doc = &doc;
    FormulaPlot plot(&mapping, &doc);
    const int32_t all = SystemProcessorCount();
    double oneWorker = 0.0;
    double allWorkers = 0.0;
    std::vector<double> reference;
    for (auto _ : state) {
        RestartGraphWorkers(1);
        oneWorker += plot.Run();
        if (reference.empty())
            reference = plot.values;
        RestartGraphWorkers(all);
        const double many = plot.Run();
        allWorkers += many;
        state.SetIterationTime(many);
        if (!plot.IsComplete() || plot.values != reference) {
            state.SkipWithError("the plot differs between one and all workers");
            break;
        }
    }
    RestartGraphWorkers(0);
    state.counters["workers"] = all;
    state.counters["ms_one_worker"] = oneWorker * 1e3 / static_cast<double>(state.iterations());
    state.counters["speedup"] = oneWorker / allWorkers;
    state.counters["efficiency"] = oneWorker / (all * allWorkers);
}
BENCHMARK(BM_PlotPartsEfficiency)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(30);

}  // namespace
