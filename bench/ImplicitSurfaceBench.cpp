// Implicit surfaces at the default resolution (0.5, 22 cells per axis) in
// the default box [-2, 2]^3: the time from construction to publication on
// one worker (one part) and on one worker per processor (twice as many
// parts), the triangles published and the share of cells the interval
// tests let the polygoniser skip.
#include "CoreUtilities/GraphWorkerPool.h"
#include "CoreUtilities/SystemInfo.h"
#include "document/DocState.h"
#include "document/DocumentTask.h"
#include "evaluation/CompiledFormula.h"
#include "evaluation/InterpreterBuild.h"
#include "formula/FormulaEngine.h"
#include "graphmodel/AGraphColor.h"
#include "graphs3d/AnImplicitSurface.h"
#include "rendering/ViewRenderContext.h"
#include "support/FormulaReader.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>
#include <thread>

namespace {

constexpr double kDefaultResolution = 0.5;

struct Shape {
    const char* name;
    const char* f;
};

const Shape kShapes[] = {
    {"sphere", "x^2+y^2+z^2-2"},
    {"torus", "(sqrt(x^2+y^2)-1.2)^2+z^2-0.25"},
    {"gyroid", "sin(3*x)*cos(3*y)+sin(3*y)*cos(3*z)+sin(3*z)*cos(3*x)"},
};

// Milliseconds from construction until the surface is complete.
double TimeSurface(const char* text, int32_t workers, DocState& doc, ViewRenderContext* context,
                   int64_t& triangles, double& skipped)
{
    RestartGraphWorkers(workers);
    SetProcessorCountOverride(workers);
    static const double box[6] = {-2, 2, -2, 2, -2, 2};
    const auto start = std::chrono::steady_clock::now();
    AnImplicitSurface surface(new CompiledFormula(ReadFormula(text), &doc), kDefaultResolution, 1,
                              new AGraphColor(context, &doc), nullptr, 1, &box[0], &box[1], &box[2], &box[3],
                              &box[4], &box[5], context);
    while (!surface.IsComplete())
        std::this_thread::sleep_for(std::chrono::microseconds(50));
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    triangles = surface.CountPublishedTriangles();
    skipped = surface.CellsInSlabs() ? double(surface.CellsSkipped()) / double(surface.CellsInSlabs()) : 0;
    return ms;
}

void BM_ImplicitSurface(benchmark::State& state)
{
    InitFormulaEngine();
    SelectInterpreterBuild();
    StartWorkerThreads();
    DocState doc;
    std::unique_ptr<ViewRenderContext> context(CreateRenderContext());
    const Shape& shape = kShapes[state.range(0)];
    const int32_t all = SystemProcessorCount();
    double one = 0, many = 0, skipped = 0;
    int64_t triangles = 0, trianglesAll = 0;
    for (auto _ : state) {
        one += TimeSurface(shape.f, 1, doc, context.get(), triangles, skipped);
        const double t = TimeSurface(shape.f, all, doc, context.get(), trianglesAll, skipped);
        many += t;
        state.SetIterationTime(t / 1e3);
        if (triangles != trianglesAll) {
            state.SkipWithError("the mesh differs between one and all workers");
            break;
        }
    }
    SetProcessorCountOverride(0);
    RestartGraphWorkers(0);
    state.SetLabel(shape.name);
    const double n = static_cast<double>(state.iterations());
    state.counters["workers"] = all;
    state.counters["ms_one_thread"] = one / n;
    state.counters["ms_all_cores"] = many / n;
    state.counters["triangles"] = static_cast<double>(triangles);
    state.counters["cells_skipped"] = skipped;
}
BENCHMARK(BM_ImplicitSurface)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(10);

}  // namespace
