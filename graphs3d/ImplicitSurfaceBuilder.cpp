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
#include "rendering/ViewRenderContext.h"

#include <new>

namespace {

// The surface mapped through the map of space into the second view, as the
// last row's companion.
void AddMappedImplicitSurface(GraphSet& set, const TransformRecord& transform, AnImplicitSurface* surface)
{
    A3DGraphView* second = set.views3D[1];
    auto* context = second ? dynamic_cast<ViewRenderContext*>(second->context) : nullptr;
    const FormulaNode* const* t = transform.components;
    if (!context || !t[0] || !t[1] || !t[2])
        return;
    CompiledFormula* X = set.Compile(CopyTree(t[0]));
    CompiledFormula* Y = set.Compile(CopyTree(t[1]));
    CompiledFormula* Z = set.Compile(CopyTree(t[2]));
    ATransformedImplicitSurface* mapped = nullptr;
    if (X && Y && Z)
        mapped = new (std::nothrow) ATransformedImplicitSurface(X, Y, Z, surface, context);
    if (!mapped) {
        delete X;
        delete Y;
        delete Z;
        return;
    }
    if (set.AddCompanion3D(mapped) != 0) {
        delete mapped;
        return;
    }
    set.MarkBoxRangesUsed(true);
}

}  // namespace

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
    if (mapped)
        AddMappedImplicitSurface(set, *a.transform, surface);
    set.MarkBoxRangesUsed(primed == 1);
}

void RegisterImplicitSurfaceBuilder()
{
    SetFormBuilder(30, &BuildImplicitSurface);
}
