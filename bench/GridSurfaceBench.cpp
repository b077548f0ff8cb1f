// Grid surfaces of z = sin(x y): the time to compute a 100 x 100 and a
// 400 x 400 grid with one worker and with one worker per processor (the
// grid is one job, so both should match), and the frames per second of a
// 3D view of 800 x 600 turning the finished surface. Run the frame rates
// under an X server (xvfb-run with GLX for llvmpipe).
#include "CoreUtilities/GraphWorkerPool.h"
#include "document/DocState.h"
#include "document/DocumentTask.h"
#include "evaluation/CompiledFormula.h"
#include "formula/FormulaEngine.h"
#include "formula/FormulaNode.h"
#include "formula/NodeBuilders.h"
#include "formula/SymbolCodes.h"
#include "graphmodel/AGraphColor.h"
#include "graphmodel/GraphCodes.h"
#include "graphs3d/A3DDrawingView.h"
#include "graphs3d/AGridSurface.h"
#include "rendering/GLProbe.h"
#include "rendering/ViewRenderContext.h"

#include <QApplication>
#include <QWidget>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <thread>

namespace {

// The resolution whose grid has n points a side.
double ResolutionFor(int32_t n)
{
    return (n - 5 + 0.5) / 74;
}

AGridSurface* SinXY(DocState& doc, int32_t n, const double* range, ViewRenderContext* ctx)
{
    auto* z = new CompiledFormula(MakeSin(MakeProduct(MakeVariableNode(CodeU), MakeVariableNode(CodeV))), &doc);
    auto* x = new CompiledFormula(MakeVariableNode(CodeU), &doc);
    auto* y = new CompiledFormula(MakeVariableNode(CodeV), &doc);
    auto* colour = new AGraphColor(ctx, &doc);
    return new AGridSurface(x, y, z, ResolutionFor(n), 1, colour, nullptr, 0, range, range + 1, range, range + 1,
                            ctx);
}

void WaitComplete(AGridSurface& s)
{
    while (!s.IsComplete())
        std::this_thread::sleep_for(std::chrono::microseconds(50));
}

// Computing: workers 1 or 0 (one per processor).
void Compute(benchmark::State& state)
{
    InitFormulaEngine();
    RestartGraphWorkers(static_cast<int32_t>(state.range(1)));
    DocState doc;
    ViewRenderContext ctx;
    const double range[2] = {-2, 2};
    const int32_t n = static_cast<int32_t>(state.range(0));
    AGridSurface* s = SinXY(doc, n, range, &ctx);
    WaitComplete(*s);
    if (s->GridSize() != n)
        state.SkipWithError("grid size");
    for (auto _ : state) {
        s->Restart();
        WaitComplete(*s);
    }
    state.counters["workers"] = GetProcessorCount();
    delete s;
    RestartGraphWorkers(0);
}
BENCHMARK(Compute)->Args({100, 1})->Args({400, 1})->Args({100, 0})->Args({400, 0})->Unit(benchmark::kMillisecond);

QApplication& App()
{
    static int argc = 1;
    static char name[] = "GridSurfaceBench";
    static char* argv[] = {name, nullptr};
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

// Frames of an OpenGL view turning the finished surface (the software mode
// draws into the graph pane's picture, which this view has not).
void Turn(benchmark::State& state)
{
    QApplication& app = App();
    InitFormulaEngine();
    StartGraphWorkers();
    static bool probed = (ProbeOpenGL(), true);
    (void)probed;
    QWidget pane;
    pane.resize(800, 600);
    pane.show();
    app.processEvents();
    DocState doc;
    ViewRenderContext* ctx = CreateRenderContext();
    ctx->SetOwner(&pane, &doc);
    ctx->SetRequestedMode(RenderModeGLWindow);
    A3DDrawingView view(ctx);
    view.rect = ShortRect{0, 0, 600, 800};
    view.spinSpeed = 0;
    const int32_t n = static_cast<int32_t>(state.range(0));
    AGridSurface* s = SinXY(doc, n, &view.xMin, ctx);
    view.graphs.Push(s);
    WaitComplete(*s);
    s->SetOption(OptionUploadMesh, 0);
    const double a = 0.02, c = std::cos(a), sn = std::sin(a);
    int64_t frames = 0;
    ResetTrianglesDrawn();
    for (auto _ : state) {
        // A small turn about the vertical axis each frame.
        for (auto& row : view.rotation) {
            const double x = row[0], y = row[1];
            row[0] = c * x - sn * y;
            row[1] = sn * x + c * y;
        }
        view.DrawFrame();
        app.processEvents();
        ++frames;
    }
    state.counters["fps"] = benchmark::Counter(static_cast<double>(frames), benchmark::Counter::kIsRate);
    state.counters["mode"] = ctx->GetMode();
    state.counters["triangles"] = frames ? static_cast<double>(GetTrianglesDrawn()) / frames : 0;
    state.SetLabel(GetGLRendererName());
    view.FreeGraphs();
    ctx->Release();
    DestroyAllGLWindows();
}
BENCHMARK(Turn)->Arg(100)->Arg(400)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
