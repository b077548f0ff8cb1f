#include "graphs3d/FlowBuilders.h"

#include "document/DocState.h"
#include "evaluation/CompiledFormula.h"
#include "formula/CopyTree.h"
#include "formula/FormulaNode.h"
#include "formula/NodeBuilders.h"
#include "formula/NodeKindTable.h"
#include "graphmodel/A3DGraphView.h"
#include "graphmodel/GraphFactoryFormulas.h"
#include "graphs2d/GraphFactory.h"
#include "graphs2d/GraphSet.h"
#include "graphs3d/ADEPlot3D.h"
#include "graphs3d/AStartOnGrid.h"
#include "graphs3d/AStartOnImplicit.h"
#include "graphs3d/AStartOnLattice.h"
#include "graphs3d/AStartOnPoint.h"
#include "graphs3d/ATransformedDEPlot3D.h"
#include "graphs3d/SpaceMapCompanion.h"
#include "graphs3d/SurfaceBuilders.h"
#include "rendering/ViewRenderContext.h"

#include <new>

namespace {

constexpr int32_t kSlotU = 11, kSlotV = 12;

const FormulaNode* Entry(const FormulaNode* column, uint32_t i)
{
    return column && i < column->childCount ? column->children[i] : nullptr;
}

const FormulaNode* Item(const FormulaNode* list, uint32_t i)
{
    return list && list->kind == KindComma ? Entry(list, i) : nullptr;
}

const FormulaNode* RightSide(const FormulaNode* equation)
{
    return equation && equation->childCount == 2 ? equation->children[1] : nullptr;
}

// What every builder hands its start-point set, compiled: the field, the
// radius and conditions taken from the options, colour and opacity, the box
// and context of the statement's 3D view.
struct Common {
    A3DGraphView* view = nullptr;
    ViewRenderContext* context = nullptr;
    FlowFieldArguments field;
    CompiledFormula* condition = nullptr;
    bool flow = false;

    ~Common()
    {
        delete field.dx;
        delete field.dy;
        delete field.dz;
        delete field.radius;
        delete condition;
    }
    // The set took the formulas over (and the colour, which the caller
    // clears).
    void Release() { field = FlowFieldArguments{}, condition = nullptr; }
};

// False when the field equation has no three entries or the view is missing;
// the trees of the arguments stay the factory's until this succeeds.
bool Prepare(GraphSet& set, BuilderArguments& a, const FormulaNode* fieldEquation, Common& c)
{
    const int32_t primed = a.view == 1 ? 1 : 0;
    c.view = set.views3D[primed];
    c.context = c.view ? dynamic_cast<ViewRenderContext*>(c.view->context) : nullptr;
    const FormulaNode* column = RightSide(fieldEquation);
    const FormulaNode *f1 = Entry(column, 0), *f2 = Entry(column, 1), *f3 = Entry(column, 2);
    if (!c.view || !c.context || !f1 || !f2 || !f3 || !a.colour)
        return false;
    c.flow = IsFlowForm(fieldEquation);
    c.field.dx = set.Compile(CopyTree(f1));
    c.field.dy = set.Compile(CopyTree(f2));
    c.field.dz = set.Compile(CopyTree(f3));
    c.field.radius = set.CompileOptional(a.options.radius);
    a.options.radius = nullptr;
    c.condition = set.CompileOptional(a.options.builderConditions);
    a.options.builderConditions = nullptr;
    c.field.color = a.colour;
    c.field.opacity = a.opacity;
    A3DGraphView& v = *c.view;
    c.field.xMin = &v.xMin, c.field.xMax = &v.xMax, c.field.yMin = &v.yMin;
    c.field.yMax = &v.yMax, c.field.zMin = &v.zMin, c.field.zMax = &v.zMax;
    c.field.renderContext = c.context;
    c.field.flow = c.flow;
    return c.field.dx && c.field.dy && c.field.dz;
}

// The set as the statement's row, its plot's companion, then the slots.
void AddStartSet(GraphSet& set, BuilderArguments& a, AStartPointSet* start, Common& c,
                 std::initializer_list<int32_t> slots)
{
    if (!start)
        return;
    c.Release();
    a.colour = nullptr;
    const int32_t primed = a.view == 1 ? 1 : 0;
    if (set.AddGraph3D(start, primed) != 0) {
        delete start;
        return;
    }
    AddMappedFlow(set, a.transform, primed, start->Plot());
    for (int32_t slot : slots) {
        if (slot >= 0)
            set.MarkRangeUsed(slot);
    }
    set.MarkBoxRangesUsed(primed == 1);
}

AStartPointSet* MakeGridSet(BuilderArguments& a, Common& c, FormulaNode* x, FormulaNode* y, FormulaNode* z,
                            GraphSet& set, const double* u0, const double* u1, const double* v0, const double* v1)
{
    CompiledFormula* sx = set.Compile(x);
    CompiledFormula* sy = set.Compile(y);
    CompiledFormula* sz = set.Compile(z);
    AStartPointSet* start = nullptr;
    if (sx && sy && sz) {
        const FlowFieldArguments& f = c.field;
        start = new (std::nothrow)
            AStartOnGrid(f.dx, f.dy, f.dz, sx, sy, sz, f.radius, c.condition, a.grain, f.opacity, f.color, u0, u1,
                         v0, v1, f.xMin, f.xMax, f.yMin, f.yMax, f.zMin, f.zMax, c.context, c.flow);
    }
    if (!start) {
        delete sx;
        delete sy;
        delete sz;
    }
    return start;
}

// The explicit surface form each flow code starts on.
int32_t ExplicitCodeOf(int32_t flowCode)
{
    switch (flowCode) {
    case 68: return 6;
    case 69: return 7;
    case 70: return 5;
    case 71: return 8;
    case 72: return 9;
    case 73: return 10;
    case 74: return 11;
    case 75: return 12;
    case 76: return 14;
    default: return 0;
    }
}

template <int32_t Code>
void BuildFromSurface(GraphSet& set, BuilderArguments& a)
{
    const FormulaNode* surface = Item(a.equation, 1);
    Common c;
    if (!surface || !Prepare(set, a, Item(a.equation, 0), c))
        return;
    FormulaNode *x = nullptr, *y = nullptr, *z = nullptr;
    const double *u0, *u1, *v0, *v1;
    int32_t slots[2] = {-1, -1};
    if (Code >= 77) {
        // (x, y, z), (r, theta, phi) or (r, theta, z) in u and v.
        const int32_t parametric = Code == 77 ? 26 : Code == 78 ? 27 : 28;
        if (!ParametricSurfaceCoordinates(parametric, RightSide(surface), &x, &y, &z))
            return;
        u0 = &c.view->uMin, u1 = &c.view->uMax, v0 = &c.view->vMin, v1 = &c.view->vMax;
        slots[0] = kSlotU, slots[1] = kSlotV;
    } else {
        const int32_t code = ExplicitCodeOf(Code);
        FormulaNode* f = ExplicitSurfaceParameterised(code, RightSide(surface));
        if (!f)
            return;
        ExplicitSurfaceCoordinates(code, f, &x, &y, &z);
        FreeTree(f);
        ExplicitSurfaceRanges(code, *c.view, &u0, &u1, &v0, &v1, slots);
    }
    AddStartSet(set, a, MakeGridSet(a, c, x, y, z, set, u0, u1, v0, v1), c, {slots[0], slots[1]});
}

}  // namespace

void BuildField3D(GraphSet& set, BuilderArguments& a)
{
    Common c;
    if (!Prepare(set, a, a.equation, c))
        return;
    const FlowFieldArguments& f = c.field;
    auto* start = new (std::nothrow)
        AStartOnLattice(f.dx, f.dy, f.dz, f.radius, c.condition, a.grain, f.opacity, f.color, c.context, f.xMin,
                        f.xMax, f.yMin, f.yMax, f.zMin, f.zMax, c.flow);
    AddStartSet(set, a, start, c, {});
}

void BuildFlowFromPoint(GraphSet& set, BuilderArguments& a)
{
    const FormulaNode* point = RightSide(Item(a.equation, 1));
    const FormulaNode *p1 = Entry(point, 0), *p2 = Entry(point, 1), *p3 = Entry(point, 2);
    Common c;
    if (!p1 || !p2 || !p3 || !Prepare(set, a, Item(a.equation, 0), c))
        return;
    CompiledFormula* px = set.Compile(CopyTree(p1));
    CompiledFormula* py = set.Compile(CopyTree(p2));
    CompiledFormula* pz = set.Compile(CopyTree(p3));
    AStartPointSet* start = nullptr;
    if (px && py && pz) {
        const FlowFieldArguments& f = c.field;
        // One start point always draws a flow line, whatever the line's
        // grain.
        start = new (std::nothrow) AStartOnPoint(px, py, pz, f.dx, f.dy, f.dz, f.radius, c.condition, f.opacity,
                                                 f.color, f.xMin, f.xMax, f.yMin, f.yMax, f.zMin, f.zMax, c.context,
                                                 true);
    }
    if (!start) {
        delete px;
        delete py;
        delete pz;
    }
    AddStartSet(set, a, start, c, {});
}

void BuildFlowFromImplicitSurface(GraphSet& set, BuilderArguments& a)
{
    const FormulaNode* surface = Item(a.equation, 1);
    Common c;
    if (!surface || surface->childCount != 2 || !Prepare(set, a, Item(a.equation, 0), c))
        return;
    CompiledFormula* g =
        set.Compile(MakeDifference(CopyTree(surface->children[0]), CopyTree(surface->children[1])));
    if (!g)
        return;
    const FlowFieldArguments& f = c.field;
    auto* start = new (std::nothrow)
        AStartOnImplicit(f.dx, f.dy, f.dz, f.radius, g, c.condition, a.grain, f.opacity, f.color, f.xMin, f.xMax,
                         f.yMin, f.yMax, f.zMin, f.zMax, c.context, c.flow);
    if (!start)
        delete g;
    AddStartSet(set, a, start, c, {});
}

void BuildFlowFromParametricSurface(GraphSet& set, BuilderArguments& a) { BuildFromSurface<77>(set, a); }
void BuildFlowFromSphericalSurface(GraphSet& set, BuilderArguments& a) { BuildFromSurface<78>(set, a); }
void BuildFlowFromCylindricalSurface(GraphSet& set, BuilderArguments& a) { BuildFromSurface<79>(set, a); }
void BuildFlowFromXOfYZ(GraphSet& set, BuilderArguments& a) { BuildFromSurface<68>(set, a); }
void BuildFlowFromYOfZX(GraphSet& set, BuilderArguments& a) { BuildFromSurface<69>(set, a); }
void BuildFlowFromZOfYX(GraphSet& set, BuilderArguments& a) { BuildFromSurface<70>(set, a); }
void BuildFlowFromSphericalR(GraphSet& set, BuilderArguments& a) { BuildFromSurface<71>(set, a); }
void BuildFlowFromSphericalTheta(GraphSet& set, BuilderArguments& a) { BuildFromSurface<72>(set, a); }
void BuildFlowFromSphericalPhi(GraphSet& set, BuilderArguments& a) { BuildFromSurface<73>(set, a); }
void BuildFlowFromCylindricalR(GraphSet& set, BuilderArguments& a) { BuildFromSurface<74>(set, a); }
void BuildFlowFromCylindricalZ(GraphSet& set, BuilderArguments& a) { BuildFromSurface<75>(set, a); }
void BuildFlowFromCylindricalTheta(GraphSet& set, BuilderArguments& a) { BuildFromSurface<76>(set, a); }

void AddMappedFlow(GraphSet& set, const TransformRecord* transform, int32_t primed, AVectorFieldOrDEPlot* plot)
{
    auto* source = dynamic_cast<ADEPlot3D*>(plot);
    if (!transform || transform->kind != 4 || primed != 0 || !source)
        return;
    AddSpaceMapCompanion(set, *transform, [source](CompiledFormula* X, CompiledFormula* Y, CompiledFormula* Z,
                                                   ViewRenderContext* context) -> A3DGraph* {
        return new (std::nothrow) ATransformedDEPlot3D(X, Y, Z, source, context);
    });
}

void RegisterFlowBuilders()
{
    const struct {
        int32_t code;
        FormBuilder builder;
    } table[] = {
        {17, &BuildField3D},
        {36, &BuildFlowFromPoint},
        {67, &BuildFlowFromImplicitSurface},
        {68, &BuildFlowFromXOfYZ},
        {69, &BuildFlowFromYOfZX},
        {70, &BuildFlowFromZOfYX},
        {71, &BuildFlowFromSphericalR},
        {72, &BuildFlowFromSphericalTheta},
        {73, &BuildFlowFromSphericalPhi},
        {74, &BuildFlowFromCylindricalR},
        {75, &BuildFlowFromCylindricalZ},
        {76, &BuildFlowFromCylindricalTheta},
        {77, &BuildFlowFromParametricSurface},
        {78, &BuildFlowFromSphericalSurface},
        {79, &BuildFlowFromCylindricalSurface},
    };
    for (const auto& entry : table)
        SetFormBuilder(entry.code, entry.builder);
}
