#include "app/LayerServices.h"

#include "app/DemoPlayer.h"
#include "app/GraphPaneServices.h"
#include "app/IdleTimer.h"
#include "document/DocumentHooks.h"
#include "document/DocumentServices.h"
#include "editor/EquationViewServices.h"
#include "graphmodel/GraphServices.h"

#include <QCoreApplication>
#include <QThread>

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

}  // namespace

void RegisterLayerServices()
{
    RegisterDocumentServices();
    DocumentHooks& hooks = GetDocumentHooks();
    hooks.restartIdleTimerSoon = &RestartIdleTimerFromAnyThread;
    hooks.isDemoRunning = &IsDemoRunning;
    hooks.setDocModified = &SetDocModified;
    RegisterEquationPaneHooks();
    SetEquationPaneCursorSetter(&SetEquationPaneCursor);
    // The document's calls (redraws, antialiasing, graph work) join these
    // once it has them.
    GraphServices graphs;
    graphs.updateGraphPaneCursor = &UpdateGraphPaneCursor;
    graphs.isBenchmarkRunning = &IsBenchmarkRunning;
    SetGraphServices(graphs);
}
