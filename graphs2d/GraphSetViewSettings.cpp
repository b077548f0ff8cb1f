#include "graphs2d/GraphSetViewSettings.h"

#include "document/DocState.h"
#include "document/DocumentViewSettings.h"
#include "graphs2d/A2DGraphView.h"
#include "graphs2d/GraphSet.h"

#include <cmath>

namespace {

A2DGraphView* View2D(DocState* doc, int i)
{
    auto* graphs = dynamic_cast<GraphSet*>(doc ? doc->Graphs : nullptr);
    return graphs ? graphs->views2D[i] : nullptr;
}

bool IsTickKind(int32_t kind)
{
    return kind == TickKind1 || kind == TickKind2 || kind == TickKind5;
}

bool IsUnit(double units)
{
    return std::isfinite(units) && units > 0;
}

void GetSettings(DocState* doc, DocumentViewSettings* settings)
{
    GetKeptViewSettings(settings);
    for (int i = 0; i < 2; ++i) {
        const A2DGraphView* view = View2D(doc, i);
        if (!view)
            continue;
        View2DSettings& s = settings->view2D[i];
        s.xMin = view->xMin;
        s.yMin = view->yMin;
        s.unitsX = view->unitsX;
        s.unitsY = view->unitsY;
        s.tickKindX = view->tickKindX;
        s.tickKindY = view->tickKindY;
        s.showAxes = view->showAxes;
        s.showGraphPaper = view->showGraphPaper;
    }
}

void ApplySettings(DocState* doc, DocumentViewSettings* settings)
{
    // A file's values are checked: a view keeps its own where they could
    // not draw.
    for (int i = 0; i < 2; ++i) {
        A2DGraphView* view = View2D(doc, i);
        const View2DSettings& s = settings->view2D[i];
        if (!view)
            continue;
        if (std::isfinite(s.xMin) && std::isfinite(s.yMin)) {
            view->xMin = s.xMin;
            view->yMin = s.yMin;
        }
        if (IsUnit(s.unitsX) && IsTickKind(s.tickKindX)) {
            view->unitsX = s.unitsX;
            view->tickKindX = s.tickKindX;
        }
        if (IsUnit(s.unitsY) && IsTickKind(s.tickKindY)) {
            view->unitsY = s.unitsY;
            view->tickKindY = s.tickKindY;
        }
        view->showAxes = s.showAxes != 0;
        view->showGraphPaper = s.showGraphPaper != 0;
        view->Resized();
    }
    KeepViewSettings(settings);
}

}  // namespace

void RegisterViewSettingsHooks()
{
    DocumentViewHooks& hooks = GetDocumentViewHooks();
    hooks.getViewSettings = &GetSettings;
    hooks.applyViewSettings = &ApplySettings;
}
