// A keystroke typed into y = sin(x)·x in the equation pane, to the graph
// drawn again: the key through the document's dispatch to the editor, the
// pane laid out, the document recomputed, the graph built by the idle work
// and the 2D view drawn into its surface. Beside it, the same keystroke to
// the relaid-out formula only, measured in the same run. The keys alternate
// a digit and Backspace, so the formula stays y = sin(x)·x or x·2.
#include "bench/support/FormulaBenchStart.h"
#include "CoreUtilities/ThreadStorage.h"
#include "document/DocState.h"
#include "document/DocumentTask.h"
#include "drawing/DDUtils.h"
#include "editor/COndrelView.h"
#include "editor/EditorCommands.h"
#include "editor/TypesetDriver.h"
#include "formula/EditorState.h"
#include "formula/FormulaNode.h"
#include "graphs2d/GraphSet.h"
#include "support/FormulaReader.h"

#include <benchmark/benchmark.h>

namespace {

const ShortRect kGraphPane{0, 0, 700, 1000};

class Pane {
public:
    Pane()
    {
        StartOffscreenFormulaBench();
        EnsureEvalFrame();
        StartWorkerThreads();
        surface_ = NewOffscreenSurface(kGraphPane);
        SetCurrentPort(surface_);
        doc_ = GetDocState();
        doc_->Init(nullptr);
        if (GraphSet* graphs = static_cast<GraphSet*>(doc_->Graphs))
            graphs->SetLayoutRect(kGraphPane);
        view_ = new COndrelView(nullptr);
        view_->resize(800, 200);
        DocLine line;
        InitEquationLine(&line);
        line.Color = 1;
        line.formula = new EditorState;
        line.formula->document = doc_;
        line.formula->root = ReadFormula("y=sin(x)*x");
        AppendDocLine(&doc_->Lines, line);
        doc_->documentReady = true;
        doc_->currentLine = 0;
        doc_->EditMode = EditFormula;
        EditorState* state = doc_->Lines[0].formula;
        FormulaNode* product = state->root->children[1];
        state->current = product->children[product->childCount - 1];
        state->mode = CaretAfter;
        state->active = 1;
        SetCurrentEditorState(state);
        view_->RelayoutPane();
    }
    ~Pane()
    {
        doc_->StopAnalysis();
        CancelDocumentTask(doc_);
        doc_->FreeLines();
        delete view_;
        SetCurrentPort(nullptr);
        DisposeOffscreenSurface(surface_);
    }

    // A digit, then Backspace, and so on.
    void Keystroke()
    {
        uint32_t key = typed_++ % 2 == 0 ? '2' : 8;
        view_->HandleEditorKeyPress(key, key, 0);
    }

    void GraphToFirstFrame()
    {
        doc_->BeginGraphing();
        while (doc_->GraphBuildPhase != 0)
            doc_->IdleUpdate();
        while (doc_->Graphs && !doc_->Graphs->AreAllComplete())
            doc_->IdleTick();
        if (doc_->Graphs)
            doc_->Graphs->Draw(3, 1);
    }

private:
    DocState* doc_ = nullptr;
    COndrelView* view_ = nullptr;
    OffscreenSurface* surface_ = nullptr;
    int typed_ = 0;
};

void KeystrokeToRelaidOutPane(benchmark::State& state)
{
    Pane pane;
    for (auto _ : state)
        pane.Keystroke();
}

void KeystrokeToGraphRedrawn(benchmark::State& state)
{
    Pane pane;
    for (auto _ : state) {
        pane.Keystroke();
        pane.GraphToFirstFrame();
    }
}

}  // namespace

BENCHMARK(KeystrokeToRelaidOutPane)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK(KeystrokeToGraphRedrawn)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5)
    ->ReportAggregatesOnly(true);
