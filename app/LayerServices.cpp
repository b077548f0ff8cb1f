#include "app/LayerServices.h"

#include "app/C4DAxes.h"
#include "app/C4DControls.h"
#include "app/CGraphView.h"
#include "app/CMathPaneSlider.h"
#include "app/DemoPlayer.h"
#include "app/Benchmark.h"
#include "app/FrameControls.h"
#include "app/GraphPaneServices.h"
#include "app/CMainFrame.h"
#include "app/IdleTimer.h"
#include "app/MovieRecorder.h"
#include "app/Preferences.h"
#include "app/ShellServices.h"
#include "document/DataTable.h"
#include "document/DocState.h"
#include "document/DocumentHooks.h"
#include "document/DocumentServices.h"
#include "editor/COndrelView.h"
#include "editor/EditorCommands.h"
#include "editor/EditingOperations.h"
#include "editor/EditorStateLife.h"
#include "editor/EquationPaneInput.h"
#include "editor/EquationViewServices.h"
#include "editor/TableEditing.h"
#include "editor/TextBlocks.h"
#include "graphmodel/GraphModelHooks.h"
#include "graphmodel/GraphServices.h"
#include "graphs2d/GraphBuilders2D.h"
#include "graphs2d/GraphSetViewSettings.h"
#include "graphs2d/GraphSet.h"
#include "graphs3d/A3DDrawingView.h"
#include "graphs3d/A4DDrawingView.h"
#include "graphs3d/ImplicitSurfaceBuilder.h"
#include "graphs3d/FlowBuilders.h"
#include "graphs3d/SpaceCurveBuilders.h"
#include "graphs3d/SurfaceBuilder4D.h"
#include "graphs3d/SurfaceBuilders.h"
#include "rendering/RenderingServices.h"
#include "rendering/ViewRenderContext.h"

#include <QCoreApplication>
#include <QLineEdit>
#include <QTextEdit>
#include <QThread>

#include <new>

namespace {

// Graph workers and render contexts ask for a redraw from their own
// threads; only the interface thread may touch the timer.
void RestartIdleTimerFromAnyThread(DocState* doc)
{
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || QThread::currentThread() == app->thread()) {
        RestartIdleTimerSoon(doc);
        return;
    }
    QMetaObject::invokeMethod(app, [doc] { RestartIdleTimerSoon(doc); }, Qt::QueuedConnection);
}

// A document without memory for the views still works, with a set that
// shows nothing.
DocumentGraphSet* MakeGraphSet(ShortRect paneRect, WindowHandle pane, DocState* doc)
{
    DocumentGraphSet* graphs = NewGraphSet(paneRect, pane, doc);
    return graphs ? graphs : new (std::nothrow) DocumentGraphSet;
}

// The schedule hands each analysed statement to the graph set's factory.
int32_t BuildEquationGraphs(DocState* doc, FormulaNode* statement, bool is3D, bool is4D,
                            const TransformRecord* transform, double color, double grain, double opacity,
                            double plottingMode, double xyType, int32_t* message)
{
    GraphSet* graphs = dynamic_cast<GraphSet*>(doc->Graphs);
    if (!graphs)
        return -1;
    int32_t row = graphs->BuildEquationGraphs(statement, is3D, is4D, transform, color, grain, opacity, plottingMode,
                                              xyType, nullptr);
    *message = graphs->lastBuildMessage;
    return row;
}

void UpdateIdleTimerFromAnyThread(DocState* doc)
{
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || QThread::currentThread() == app->thread()) {
        UpdateIdleTimer(doc);
        return;
    }
    QMetaObject::invokeMethod(app, [doc] { UpdateIdleTimer(doc); }, Qt::QueuedConnection);
}

// Math-pane sliders live in the equation pane; without one there are none.
CMathPaneSlider* CreateMathPaneSlider(DocState*)
{
    COndrelView* view = GetEquationView();
    return view ? new CMathPaneSlider(QRect(0, 0, 100, 17), view) : nullptr;
}

void DestroyMathPaneSlider(CMathPaneSlider* slider)
{
    delete slider;
}

void SetMathPaneSliderPosition(CMathPaneSlider* slider, int32_t position)
{
    slider->setValue(position);
}

int32_t MathPaneSliderPosition(const CMathPaneSlider* slider)
{
    return slider->value();
}

void SetMathPaneSliderRange(CMathPaneSlider* slider, uint32_t key, int32_t steps)
{
    slider->SetMode(static_cast<int32_t>(key));
    slider->SetRangeMax(steps);
}

}  // namespace

void RegisterLayerServices()
{
    RegisterDocumentServices();
    DocumentHooks& hooks = GetDocumentHooks();
    hooks.restartIdleTimerSoon = &RestartIdleTimerFromAnyThread;
    hooks.isDemoRunning = &IsDemoRunning;
    SetBenchmarkStep(&RunBenchmarkStep);
    SetDemoKeyHandler([](int key) {
        if (CMainFrame* frame = GetMainFrame())
            frame->OnDemoKey(key);
    });
    hooks.newGraphSet = &MakeGraphSet;
    hooks.buildEquationGraphs = &BuildEquationGraphs;
    hooks.updateIdleTimer = &UpdateIdleTimerFromAnyThread;
    hooks.createMathPaneSlider = &CreateMathPaneSlider;
    hooks.destroyMathPaneSlider = &DestroyMathPaneSlider;
    hooks.setMathPaneSliderPosition = &SetMathPaneSliderPosition;
    hooks.mathPaneSliderPosition = &MathPaneSliderPosition;
    hooks.setMathPaneSliderRange = &SetMathPaneSliderRange;
    RegisterGraphModelHooks();
    RegisterGraphBuilders2D();
    hooks.setDocModified = &SetDocModified;
    // A new document takes the stored preferences.
    hooks.preferences = [] { return static_cast<const DocumentPreferences*>(&GetPreferences()); };
    hooks.createCurrentEditorState = &CreateCurrentEditorState;
    hooks.freeEditorState = &FreeEditorState;
    hooks.activateEditorState = &ActivateEditorState;
    hooks.resetEditorUndo = &ResetEditorUndo;
    RegisterEquationPaneHooks();
    RegisterDataTableHooks();
    RegisterTableDrawingHooks();
    RegisterTableEditingHooks();
    RegisterEditingOperations();
    SetEquationPaneCursorSetter(&SetEquationPaneCursor);
    // The document's calls (redraws, antialiasing, graph work) join these
    // once it has them.
    GraphServices graphs;
    graphs.updateGraphPaneCursor = &UpdateGraphPaneCursor;
    graphs.isBenchmarkRunning = &IsBenchmarkRunning;
    graphs.redrawGraphPane = [](DocState* doc) { RedrawGraphPaneWith(doc, 2); };
    graphs.requestRedraw = [](DocState* doc) { doc->RequestRedraw(); };
    graphs.usesAntialiasing = [](const DocState* doc) { return doc->UsesAntialiasing(); };
    graphs.setGraphWorkPending = [](DocState* doc) { doc->SetGraphWorkPending(); };
    hooks.redrawGraphPane = [](DocState* doc) { RedrawGraphPaneWith(doc, 2); };
    hooks.redrawGraphViews = &RedrawGraphPaneWith;
    hooks.scheduleIdleTimer = [](DocState* doc, int32_t ms) { ScheduleIdleTimer(doc, ms / 1000.0); };
    graphs.drawGraphViewsDetached = &DrawGraphViewsDetached;
    graphs.addFreeVariables = [](DocState* doc, const FormulaNode* tree) { doc->AddFreeVariables(tree); };
    graphs.setGraphPaneCursor = &SetGraphPaneCursor;
    graphs.setDragCursor = [](int32_t cursor) {
        if (cursor == DragCursorMove)
            SetMoveCursor();
        else if (cursor == DragCursorClosedHand)
            SetClosedHandCursor();
        else
            SetCursorHandle(ArrowCursor);
    };
    graphs.graphPaneSurface = &GetGraphPaneSurface;
    graphs.presentGraphPane = [] { PresentGraphPane(nullptr); };
    graphs.playClickSound = &PlayClickSound;
    // Undo in a text block's box or the table cell editor.
    hooks.undoInEditWindow = [](DocState*, WindowHandle window) {
        if (auto* cell = qobject_cast<QLineEdit*>(window)) {
            cell->show();
            cell->undo();
            return false;
        }
        auto* box = qobject_cast<QTextEdit*>(window);
        if (!box)
            return false;
        const qreal height = box->document()->size().height();
        box->show();
        box->undo();
        return box->document()->size().height() != height;
    };
    // The animation.
    hooks.startAnimation = [](DocState* doc) { doc->StartAnimation(); };
    hooks.animationStep = [](DocState* doc) { doc->AnimationStep(); };
    hooks.isBenchmarkRunning = &IsBenchmarkRunning;
    // The graph bar's slider and refresh, and the frame's other small controls.
    RegisterFrameControlServices();
    // The variables and range panels.
    hooks.clearPanelEditedMarks = [](DocState* doc) { doc->ClearPanelEditedMarks(); };
    hooks.setRangeValue = [](DocState* doc, int32_t row, int32_t side, double value) {
        if (GraphSet* set = dynamic_cast<GraphSet*>(doc->Graphs))
            set->SetRangeValue(row, side != 0, value);
    };
    hooks.reportRange = [](DocState* doc, int32_t row) {
        if (GraphSet* set = dynamic_cast<GraphSet*>(doc->Graphs))
            set->ReportRange(row);
    };
    graphs.setRangePanelRow = [](DocState* doc, int32_t slot, double min, double max) {
        doc->SetRangePanelRow(slot, min, max);
    };
    graphs.resetRangePanel = [](DocState* doc) { doc->ResetRangePanel(); };
    graphs.clearRangePanel = [](DocState* doc) { doc->ClearPanelEditedMarks(); };
    SetGraphServices(graphs);
    RegisterRenderingServices();
    Register3DDrawingViews();
    Register4DDrawingView();
    RegisterImplicitSurfaceBuilder();
    RegisterSpaceCurveBuilders();
    RegisterViewSettingsHooks();
    RegisterSurfaceBuilders();
    RegisterFlowBuilders();
    RegisterSurfaceBuilder4D();
    hooks.destroyParkedGLWindows = &DestroyAllGLWindows;
    hooks.captureMovieFrame = &CaptureMovieFrame;
    hooks.antialiasingChanged = [](DocState* doc) {
        SetIgnoreZBufferTest(true);
        RestartRenderingAndRegraph(doc);
    };
    // The equation pane's services.
    RegisterEquationViewServices();
    RegisterTextBlockHooks();
    hooks.editHintCode = &EditHintCode;
    hooks.mathPaneSliderWindow = [](CMathPaneSlider* slider) -> WindowHandle { return slider; };
    hooks.requestPaneRefresh = [] {
        if (CMainFrame* frame = GetMainFrame())
            frame->RequestPaneRefresh(nullptr);
    };
    // The 4D panel: its sliders follow the spin, its cross the view, and it
    // comes and goes with the 4D view.
    hooks.spin4DStep = [](DocState*) { Animate4DPanelSliders(); };
    hooks.postGraphPaneResize = [](DocState*) {
        if (CGraphView* pane = GetGraphView())
            pane->PostRebuildSurfaces();
    };
    SetAxisCrossHook(&C4DAxes::SetPositions);
}
