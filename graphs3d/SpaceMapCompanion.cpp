#include "graphs3d/SpaceMapCompanion.h"

#include "document/DocState.h"
#include "evaluation/CompiledFormula.h"
#include "formula/CopyTree.h"
#include "graphmodel/A3DGraphView.h"
#include "graphs2d/GraphSet.h"
#include "graphs3d/A3DGraph.h"
#include "rendering/ViewRenderContext.h"

void AddSpaceMapCompanion(GraphSet& set, const TransformRecord& transform, const MappedGraphMaker& make)
{
    A3DGraphView* second = set.views3D[1];
    auto* context = second ? dynamic_cast<ViewRenderContext*>(second->context) : nullptr;
    const FormulaNode* const* t = transform.components;
    if (!context || !t[0] || !t[1] || !t[2])
        return;
    CompiledFormula* X = set.Compile(CopyTree(t[0]));
    CompiledFormula* Y = set.Compile(CopyTree(t[1]));
    CompiledFormula* Z = set.Compile(CopyTree(t[2]));
    A3DGraph* mapped = X && Y && Z ? make(X, Y, Z, context) : nullptr;
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
