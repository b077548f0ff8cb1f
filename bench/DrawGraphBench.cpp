// From Draw Graph to the first complete frame of a 1000 x 700 2D view, for
// documents whose lines are given as formula text: the analysis, the idle
// slices of graph building, the graph workers, and the view drawn into its
// offscreen surface. Whatever graph kinds are registered are built; a line
// whose form has no builder yet is built as nothing and costs only its
// classification.
#include "CoreUtilities/CoopThread.h"
#include "CoreUtilities/ThreadStorage.h"
#include "document/DocState.h"
#include "document/DocumentHooks.h"
#include "document/DocumentTask.h"
#include "drawing/DDUtils.h"
#include "formula/EditorState.h"
#include "formula/FormulaEngine.h"
#include "graphs2d/GraphSet.h"
#include "support/FormulaReader.h"

#include <QGuiApplication>
#include <benchmark/benchmark.h>

#include <initializer_list>
#include <string>
#include <vector>

namespace {

// The pane: one view of 1000 x 700 inside the graph set's margins.
const ShortRect kPane{0, 0, 700, 1000};

std::vector<std::string> TenCurves()
{
    std::vector<std::string> lines;
    for (int k = 1; k <= 10; ++k)
        lines.push_back("y=sin(" + std::to_string(k) + "*x)*x");
    return lines;
}

// The tick labels need the window system's fonts.
void EnsureApplication()
{
    static int argc = 1;
    static char name[] = "DrawGraphBench";
    static char* argv[] = {name, nullptr};
    if (!QGuiApplication::instance())
        new QGuiApplication(argc, argv);
}

class Document {
public:
    explicit Document(const std::vector<std::string>& texts)
    {
        EnsureApplication();
        InitFormulaEngine();
        EnsureEvalFrame();
        StartWorkerThreads();
        surface = NewOffscreenSurface(kPane);
        SetCurrentPort(surface);
        doc.Init(nullptr);
        if (GraphSet* graphs = static_cast<GraphSet*>(doc.Graphs))
            graphs->SetLayoutRect(kPane);
        for (const std::string& text : texts) {
            DocLine line;
            InitEquationLine(&line);
            line.formula = new EditorState;
            line.formula->root = ReadFormula(text.c_str());
            AppendDocLine(&doc.Lines, line);
        }
        doc.documentReady = true;
    }
    ~Document()
    {
        doc.StopAnalysis();
        CancelDocumentTask(&doc);
        SetCurrentPort(nullptr);
        DisposeOffscreenSurface(surface);
    }

    // Draw Graph, the idle work until every graph is complete, one frame.
    void DrawGraphToFirstFrame()
    {
        doc.Recompute();
        doc.BeginGraphing();
        while (doc.GraphBuildPhase != 0)
            doc.IdleUpdate();
        while (doc.Graphs && !doc.Graphs->AreAllComplete())
            doc.IdleTick();
        if (doc.Graphs)
            doc.Graphs->Draw(3, 1);
    }

    DocState doc;
    OffscreenSurface* surface = nullptr;
};

void Run(benchmark::State& state, const std::vector<std::string>& lines)
{
    Document document(lines);
    for (auto _ : state)
        document.DrawGraphToFirstFrame();
    state.counters["lines"] = static_cast<double>(lines.size());
}

void BM_DrawGraphSinTimesX(benchmark::State& state)
{
    Run(state, {"y=sin(x)*x"});
}

void BM_DrawGraphTenCurves(benchmark::State& state)
{
    Run(state, TenCurves());
}

}  // namespace

BENCHMARK(BM_DrawGraphSinTimesX)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_DrawGraphTenCurves)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
