#include "support/BenchDocument.h"

#include "CoreUtilities/ThreadStorage.h"
#include "document/DocumentTask.h"
#include "drawing/DDUtils.h"
#include "formula/EditorState.h"
#include "formula/FormulaEngine.h"
#include "graphs2d/GraphSet.h"
#include "support/FormulaReader.h"

#include <QGuiApplication>

namespace {

// The pane: one view of 1000 x 700 inside the graph set's margins.
const ShortRect kPane{0, 0, 700, 1000};

// The tick labels need the window system's fonts.
void EnsureApplication()
{
    static int argc = 1;
    static char name[] = "GraphBench";
    static char* argv[] = {name, nullptr};
    if (!QGuiApplication::instance())
        new QGuiApplication(argc, argv);
}

}  // namespace

BenchDocument::BenchDocument(const std::vector<std::string>& texts)
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

BenchDocument::~BenchDocument()
{
    doc.StopAnalysis();
    CancelDocumentTask(&doc);
    SetCurrentPort(nullptr);
    DisposeOffscreenSurface(surface);
}

void BenchDocument::DrawGraphToFirstFrame()
{
    doc.Recompute();
    doc.BeginGraphing();
    while (doc.GraphBuildPhase != 0)
        doc.IdleUpdate();
    CompleteAndDraw();
}

void BenchDocument::CompleteAndDraw()
{
    while (doc.Graphs && !doc.Graphs->AreAllComplete())
        doc.IdleTick();
    if (doc.Graphs)
        doc.Graphs->Draw(3, 1);
}
