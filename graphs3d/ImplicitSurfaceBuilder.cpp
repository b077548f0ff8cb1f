#include "graphs3d/ImplicitSurfaceBuilder.h"

#include "document/DocState.h"
#include "evaluation/CompiledFormula.h"
#include "formula/CopyTree.h"
#include "formula/FormulaNode.h"
#include "formula/NodeBuilders.h"
#include "graphmodel/A3DGraphView.h"
#include "graphs2d/GraphFactory.h"
#include "graphs2d/GraphSet.h"
#include "graphs3d/ATransformedImplicitSurface.h"
#include "graphs3d/AnImplicitSurface.h"
#include "graphs3d/SpaceMapCompanion.h"
#include "rendering/ViewRenderContext.h"

#include <new>

void BuildImplicitSurface(GraphSet& set, BuilderArguments& a)
{
    const int32_t primed = a.view == 1 ? 1 : 0;
    A3DGraphView* view = set.views3D[primed];
    if (!view || !a.equation || a.equation->childCount != 2)
        return;
    CompiledFormula* f = set.Compile(MakeDifference(CopyTree(a.equation->children[0]), CopyTree(a.equation->children[1])));
    if (!f)
        return;
    CompiledFormula* condition = set.CompileOptional(a.options.builderConditions);
    a.options.builderConditions = nullptr;
    // A surface mapped into the second view is drawn there by its
    // companion, whose colours a program of this one could not follow.
    const bool mapped = a.transform && a.transform->kind == 4 && primed == 0;
    auto* surface = new (std::nothrow) AnImplicitSurface(
        f, a.grain, a.opacity, a.colour, condition, mapped ? 1 : a.plottingMode, &view->xMin, &view->xMax, &view->yMin,
        &view->yMax, &view->zMin, &view->zMax, static_cast<ViewRenderContext*>(view->context));
    if (!surface) {
        delete f;
        delete condition;
        return;
    }
    a.colour = nullptr;
    if (set.AddGraph3D(surface, primed) != 0) {
        delete surface;
        return;
    }
    if (mapped) {
        AddSpaceMapCompanion(set, *a.transform, [surface](CompiledFormula* X, CompiledFormula* Y,
                                                          CompiledFormula* Z, ViewRenderContext* context) -> A3DGraph* {
            return new (std::nothrow) ATransformedImplicitSurface(X, Y, Z, surface, context);
        });
    }
    set.MarkBoxRangesUsed(primed == 1);
}

void RegisterImplicitSurfaceBuilder()
{
    SetFormBuilder(30, &BuildImplicitSurface);
}
