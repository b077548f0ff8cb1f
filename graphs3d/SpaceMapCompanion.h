// The companion that a graph of the first 3D view gets in the second under
// a map of space: the map's three formulas, compiled from copies, handed to
// a maker of the mapped graph.
#pragma once

#include <functional>

class A3DGraph;
class GraphSet;
class ViewRenderContext;
struct CompiledFormula;
struct TransformRecord;

// Takes over X, Y and Z on success; null when memory is refused.
using MappedGraphMaker =
    std::function<A3DGraph*(CompiledFormula* X, CompiledFormula* Y, CompiledFormula* Z, ViewRenderContext* context)>;

// The graph make answers, drawn with the second view's render context, as
// the last row's companion; the second box's ranges marked used. Nothing
// without the second view or the map's three formulas.
void AddSpaceMapCompanion(GraphSet& set, const TransformRecord& transform, const MappedGraphMaker& make);
