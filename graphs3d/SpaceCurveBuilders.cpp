#include "graphs3d/SpaceCurveBuilders.h"

#include "document/DocState.h"
#include "evaluation/CompiledFormula.h"
#include "formula/CopyTree.h"
#include "formula/FormulaNode.h"
#include "formula/FunctionDefinitions.h"
#include "formula/NodeKindTable.h"
#include "formula/NodeBuilders.h"
#include "formula/SymbolCodes.h"
#include "formula/SymbolRename.h"
#include "graphmodel/A3DGraphView.h"
#include "graphmodel/A4DGraphView.h"
#include "graphmodel/AGraphColor.h"
#include "graphmodel/GraphFactoryFormulas.h"
#include "graphs2d/GraphFactory.h"
#include "graphs2d/GraphSet.h"
#include "graphs3d/A3DPoint.h"
#include "graphs3d/AData3DPlot.h"
#include "graphs3d/AStartOnPoint.h"
#include "graphs3d/ASpaceCurve.h"
#include "graphs3d/ASpaceCurve4D.h"
#include "graphs3d/Projection4D.h"
#include "rendering/ViewRenderContext.h"

#include <new>

namespace {

// Range slot of the range panel.
constexpr int32_t kSlotT = 10;

// The map of space that gives the second 3D view its copies.
constexpr uint32_t kSpaceTransform = 4;

const FormulaNode* RightSide(const FormulaNode* equation)
{
    return equation && equation->childCount == 2 ? equation->children[1] : equation;
}

const FormulaNode* Entry(const FormulaNode* column, uint32_t i)
{
    return column && i < column->childCount ? column->children[i] : nullptr;
}

A3DGraphView* ViewOf(GraphSet& set, int32_t i)
{
    return i >= 0 && i < 2 ? set.views3D[i] : nullptr;
}

ViewRenderContext* ContextOf(A3DGraphView* view)
{
    return view ? dynamic_cast<ViewRenderContext*>(view->context) : nullptr;
}

void FreeTrees(FormulaNode* x, FormulaNode* y, FormulaNode* z)
{
    FreeTree(x);
    FreeTree(y);
    FreeTree(z);
}

bool AllTrees(const FormulaNode* x, const FormulaNode* y, const FormulaNode* z)
{
    return x && y && z;
}

// How a space curve is made from its trees.
struct CurveSpec {
    // The curve's parameter, read from the u slot.
    uint32_t parameter;
    // Over the view's T range, else over the z range of its box.
    bool overT;
    // Takes the statement's radius and the line's opacity; the plane curves
    // are thin lines of full opacity.
    bool solid;
};

// The curve's image in the second 3D view under the document's map of space:
// the map of its point, its conditions and colour formulas read at its own
// point, its radius with x', y' and z' standing for that point, over the
// same range. Nothing for a primed statement or another kind of map.
void AddMappedSpaceCurve(GraphSet& set, const TransformRecord* transform, int32_t primed, const FormulaNode* x,
                         const FormulaNode* y, const FormulaNode* z, const FormulaNode* conditions,
                         const FormulaNode* radius, double opacity, const AGraphColor* colour, double grain,
                         const double* rangeMin, const double* rangeMax)
{
    ViewRenderContext* context = ContextOf(ViewOf(set, 1));
    if (primed != 0 || !transform || transform->kind != kSpaceTransform || !colour || !context)
        return;
    AGraphColor* copy = colour->CloneFor(context);
    if (!copy)
        return;
    FormulaNode *mx = nullptr, *my = nullptr, *mz = nullptr;
    CompiledFormula* condition = nullptr;
    set.MapThroughSpaceTransform(transform, x, y, z, conditions, copy, &mx, &my, &mz,
                                 conditions ? &condition : nullptr);
    FormulaNode* mappedRadius = radius ? CopyTree(radius) : nullptr;
    if (mappedRadius) {
        SwapPrimedSymbols(mappedRadius);
        const uint32_t primes[3] = {CodeXPrimed, CodeYPrimed, CodeZPrimed};
        const FormulaNode* point[3] = {x, y, z};
        for (int32_t k = 0; k < 3; ++k) {
            FormulaNode* rule = MakeBinaryNode(KindEquation, MakeVariableNode(primes[k]), CopyTree(point[k]));
            if (rule)
                SubstituteEquation(mappedRadius, rule);
            FreeTree(rule);
        }
    }
    CompiledFormula* fx = set.CompileOptional(mx);
    CompiledFormula* fy = set.CompileOptional(my);
    CompiledFormula* fz = set.CompileOptional(mz);
    CompiledFormula* fr = set.CompileOptional(mappedRadius);
    ASpaceCurve* image = nullptr;
    if (fx && fy && fz)
        image = new (std::nothrow)
            ASpaceCurve(fx, fy, fz, fr, condition, copy, grain, opacity, context, rangeMin, rangeMax);
    if (!image) {
        for (CompiledFormula* f : {fx, fy, fz, fr, condition})
            delete f;
        delete copy;
        return;
    }
    if (set.AddCompanion3D(image) != 0) {
        delete image;
        return;
    }
    set.MarkBoxRangesUsed(true);
}

// The curve of the three trees (taken over) in the statement's 3D view, as
// the statement's row.
void AddSpaceCurve(GraphSet& set, BuilderArguments& a, FormulaNode* x, FormulaNode* y, FormulaNode* z,
                   const CurveSpec& spec)
{
    A3DGraphView* view = ViewOf(set, a.view);
    ViewRenderContext* context = ContextOf(view);
    if (!context || !AllTrees(x, y, z)) {
        FreeTrees(x, y, z);
        return;
    }
    for (FormulaNode* tree : {x, y, z, a.options.builderConditions, spec.solid ? a.options.radius : nullptr}) {
        if (tree)
            RenameSymbol(tree, spec.parameter, CodeU);
    }
    CompiledFormula* fx = set.Compile(x);
    CompiledFormula* fy = set.Compile(y);
    CompiledFormula* fz = set.Compile(z);
    CompiledFormula* radius = spec.solid ? set.CompileOptional(a.options.radius) : nullptr;
    CompiledFormula* condition = set.CompileOptional(a.options.builderConditions);
    if (spec.solid)
        a.options.radius = nullptr;
    a.options.builderConditions = nullptr;
    ASpaceCurve* curve = nullptr;
    if (fx && fy && fz) {
        const double* range[2] = {&view->tMin, &view->tMax};
        if (!spec.overT)
            range[0] = &view->zMin, range[1] = &view->zMax;
        curve = new (std::nothrow) ASpaceCurve(fx, fy, fz, radius, condition, a.colour, a.grain,
                                               spec.solid ? a.opacity : 1.0, context, range[0], range[1]);
    }
    if (!curve) {
        for (CompiledFormula* f : {fx, fy, fz, radius, condition})
            delete f;
        return;
    }
    AGraphColor* colour = a.colour;
    a.colour = nullptr;
    if (set.AddGraph3D(curve, a.view) != 0) {
        delete curve;
        return;
    }
    AddMappedSpaceCurve(set, a.transform, a.view, fx->tree, fy->tree, fz->tree, condition ? condition->tree : nullptr,
                        radius ? radius->tree : nullptr, spec.solid ? a.opacity : 1.0, colour, a.grain,
                        spec.overT ? &view->tMin : &view->zMin, spec.overT ? &view->tMax : &view->zMax);
    if (spec.overT)
        set.MarkRangeUsed(kSlotT);
    set.MarkBoxRangesUsed(a.view == 1);
}

constexpr CurveSpec kCurveInT{CodeT, true, true};
constexpr CurveSpec kPlaneCurveInT{CodeT, true, false};

// In a 3D view a plane curve lies in z = 0.
void AddPlaneCurve(GraphSet& set, BuilderArguments& a, FormulaNode* x, FormulaNode* y)
{
    AddSpaceCurve(set, a, x, y, MakeNumberNode(0), kPlaneCurveInT);
}

// The graph of the three trees (taken over) in the statement's 3D view as
// the statement's row, and under a map of space its image in the second
// view. make(x, y, z, condition, colour, context, image) makes either; it
// takes over the formulas, which it frees when it fails, but not the
// colour. condition is the tree the image's condition is mapped from.
template <typename Make>
void AddWithImage(GraphSet& set, BuilderArguments& a, FormulaNode* x, FormulaNode* y, FormulaNode* z,
                  const FormulaNode* condition, Make make)
{
    ViewRenderContext* context = ContextOf(ViewOf(set, a.view));
    if (!context || !AllTrees(x, y, z)) {
        FreeTrees(x, y, z);
        return;
    }
    const bool mapped = a.transform && a.transform->kind == kSpaceTransform && a.view == 0;
    FormulaNode *mx = nullptr, *my = nullptr, *mz = nullptr;
    CompiledFormula* mappedCondition = nullptr;
    if (mapped)
        set.MapThroughSpaceTransform(a.transform, x, y, z, condition, nullptr, &mx, &my, &mz,
                                     condition ? &mappedCondition : nullptr);
    AGraphColor* imageColour = mapped && a.colour ? a.colour->Clone() : nullptr;
    A3DGraph* graph = make(set.Compile(x), set.Compile(y), set.Compile(z), nullptr, a.colour, context, false);
    if (graph) {
        a.colour = nullptr;
        if (set.AddGraph3D(graph, a.view) != 0) {
            delete graph;
            graph = nullptr;
        }
    }
    ViewRenderContext* second = ContextOf(ViewOf(set, 1));
    if (graph && mapped && second && imageColour && AllTrees(mx, my, mz)) {
        A3DGraph* image =
            make(set.Compile(mx), set.Compile(my), set.Compile(mz), mappedCondition, imageColour, second, true);
        mx = my = mz = nullptr;
        mappedCondition = nullptr;
        if (image) {
            imageColour = nullptr;
            if (set.AddCompanion3D(image) != 0)
                delete image;
            else
                set.MarkBoxRangesUsed(true);
        }
    }
    FreeTrees(mx, my, mz);
    delete mappedCondition;
    delete imageColour;
    if (graph)
        set.MarkBoxRangesUsed(a.view == 1);
}

void DeleteFormulas(std::initializer_list<CompiledFormula*> formulas)
{
    for (CompiledFormula* f : formulas)
        delete f;
}

// A point and its image.
void BuildPoint3D(GraphSet& set, BuilderArguments& a, FormulaNode* x, FormulaNode* y, FormulaNode* z)
{
    AddWithImage(set, a, x, y, z, nullptr,
                 [&a](CompiledFormula* fx, CompiledFormula* fy, CompiledFormula* fz, CompiledFormula*,
                      AGraphColor* colour, ViewRenderContext* context, bool) -> A3DGraph* {
                     A3DPoint* point = nullptr;
                     if (fx && fy && fz)
                         point = new (std::nothrow) A3DPoint(fx, fy, fz, colour, a.grain, a.opacity, context);
                     if (!point)
                         DeleteFormulas({fx, fy, fz});
                     return point;
                 });
}

// A data plot with the statement's options, and its image with its own
// copies of them.
void BuildData3D(GraphSet& set, BuilderArguments& a, FormulaNode* x, FormulaNode* y, FormulaNode* z)
{
    StatementOptions& o = a.options;
    // The image's options are copied before the plot takes the originals.
    const bool mapped = a.transform && a.transform->kind == kSpaceTransform && a.view == 0;
    FormulaNode** const trees[4] = {&o.radius, &o.symbol, &o.label, &o.fontSize};
    CompiledFormula* copies[4] = {};
    CompiledFormula* own[4] = {};
    for (int32_t k = 0; k < 4; ++k) {
        if (mapped)
            copies[k] = set.CompileCopy(*trees[k]);
        own[k] = set.CompileOptional(*trees[k]);
        *trees[k] = nullptr;
    }
    const FormulaNode* condition = o.builderConditions;
    AddWithImage(set, a, x, y, z, condition,
                 [&](CompiledFormula* fx, CompiledFormula* fy, CompiledFormula* fz, CompiledFormula* mappedCondition,
                     AGraphColor* colour, ViewRenderContext* context, bool image) -> A3DGraph* {
                     CompiledFormula** options = image ? copies : own;
                     CompiledFormula* test = image ? mappedCondition : set.CompileCopy(condition);
                     AData3DPlot* plot = nullptr;
                     if (fx && fy && fz)
                         plot = new (std::nothrow) AData3DPlot(fx, fy, fz, test, options[0], options[1], options[2],
                                                               options[3], colour, context, a.doc);
                     if (!plot)
                         DeleteFormulas({fx, fy, fz, test, options[0], options[1], options[2], options[3]});
                     for (int32_t k = 0; k < 4; ++k)
                         options[k] = nullptr;
                     return plot;
                 });
    DeleteFormulas({own[0], own[1], own[2], own[3], copies[0], copies[1], copies[2], copies[3]});
}

// The three trees of a column read in its coordinate system: 0
// rectangular, 1 cylindrical (r, theta, z), 2 spherical (r, theta, phi).
enum Coordinates { Rectangular, Cylindrical, Spherical };

bool ColumnToSpace(const FormulaNode* column, Coordinates system, FormulaNode** x, FormulaNode** y, FormulaNode** z)
{
    const FormulaNode *e0 = Entry(column, 0), *e1 = Entry(column, 1), *e2 = Entry(column, 2);
    *x = *y = *z = nullptr;
    if (!e0 || !e1 || !e2)
        return false;
    switch (system) {
    case Rectangular:
        *x = CopyTree(e0);
        *y = CopyTree(e1);
        *z = CopyTree(e2);
        break;
    case Cylindrical: CylindricalToSpace(e0, e1, e2, x, y, z); break;
    case Spherical: SphericalToSpace(e0, e2, e1, x, y, z); break;
    }
    return true;
}

template <void (*Add)(GraphSet&, BuilderArguments&, FormulaNode*, FormulaNode*, FormulaNode*), bool OnRightSide,
          Coordinates System>
void BuildFromColumn(GraphSet& set, BuilderArguments& a)
{
    FormulaNode *x, *y, *z;
    if (ColumnToSpace(OnRightSide ? RightSide(a.equation) : a.equation, System, &x, &y, &z))
        Add(set, a, x, y, z);
}

void AddCurveInT(GraphSet& set, BuilderArguments& a, FormulaNode* x, FormulaNode* y, FormulaNode* z)
{
    AddSpaceCurve(set, a, x, y, z, kCurveInT);
}

// The plane-curve forms: in a 3D view their curve in z = 0, elsewhere the
// builder that was registered for them before.
struct PlaneForm {
    int32_t code;
    FormBuilder before;
};
PlaneForm planeForms[] = {{15, nullptr}, {18, nullptr}, {39, nullptr}, {55, nullptr}};

template <int32_t Code>
void BuildPlaneCurve(GraphSet& set, BuilderArguments& a)
{
    if (!a.in3D) {
        for (const PlaneForm& form : planeForms) {
            if (form.code == Code && form.before)
                form.before(set, a);
        }
        return;
    }
    const FormulaNode* f = RightSide(a.equation);
    switch (Code) {
    case 15: {
        const FormulaNode *r = Entry(f, 0), *angle = Entry(f, 1);
        if (r && angle)
            AddPlaneCurve(set, a, MakeProduct(CopyTree(r), MakeCos(CopyTree(angle))),
                          MakeProduct(CopyTree(r), MakeSin(CopyTree(angle))));
        return;
    }
    case 18: AddPlaneCurve(set, a, CopyTree(Entry(f, 0)), CopyTree(Entry(f, 1))); return;
    case 55: AddPlaneCurve(set, a, CopyTree(Entry(a.equation, 0)), CopyTree(Entry(a.equation, 1))); return;
    case 39: AddPlaneCurve(set, a, MakeRealPart(CopyTree(f)), MakeImagPart(CopyTree(f))); return;
    default: return;
    }
}

// x + i y = f(z): the curve (Re f(u), Im f(u), u) over the z range of the
// box.
void BuildComplexOfReal(GraphSet& set, BuilderArguments& a)
{
    const FormulaNode* f = RightSide(a.equation);
    if (!f || f == a.equation)
        return;
    AddSpaceCurve(set, a, MakeRealPart(CopyTree(f)), MakeImagPart(CopyTree(f)), MakeVariableNode(CodeZ),
                  CurveSpec{CodeZ, false, true});
}

// The arrow from the first item's point A to the second's B: the one arrow
// of a constant field B - A at the start point A. Under a map of space its
// image starts at the image of A with the image of B - A mapped as a point.
void BuildArrow3D(GraphSet& set, BuilderArguments& a)
{
    A3DGraphView* view = ViewOf(set, a.view);
    ViewRenderContext* context = ContextOf(view);
    const FormulaNode* tail = a.equation && a.equation->childCount >= 2 ? a.equation->children[0] : nullptr;
    const FormulaNode* head = tail ? a.equation->children[1] : nullptr;
    if (!context || !tail || !head || tail->childCount != 3 || head->childCount != 3)
        return;
    FormulaNode *p[3], *d[3];
    for (uint32_t k = 0; k < 3; ++k) {
        p[k] = CopyTree(tail->children[k]);
        d[k] = MakeDifference(CopyTree(head->children[k]), CopyTree(tail->children[k]));
    }
    const bool mapped = a.transform && a.transform->kind == kSpaceTransform && a.view == 0;
    FormulaNode *mp[3] = {}, *md[3] = {};
    if (mapped && AllTrees(p[0], p[1], p[2]) && AllTrees(d[0], d[1], d[2])) {
        set.MapThroughSpaceTransform(a.transform, p[0], p[1], p[2], nullptr, nullptr, &mp[0], &mp[1], &mp[2], nullptr);
        set.MapThroughSpaceTransform(a.transform, d[0], d[1], d[2], nullptr, nullptr, &md[0], &md[1], &md[2], nullptr);
    }
    CompiledFormula* imageRadius = mapped ? set.CompileCopy(a.options.radius) : nullptr;
    AGraphColor* imageColour = mapped && a.colour ? a.colour->Clone() : nullptr;
    // The start point of (p, d), taken over, in the view.
    auto make = [&set](FormulaNode* const (&at)[3], FormulaNode* const (&along)[3], CompiledFormula* radius,
                       AGraphColor* colour, A3DGraphView* in, ViewRenderContext* ctx) -> A3DGraph* {
        CompiledFormula* f[6];
        for (int32_t k = 0; k < 3; ++k) {
            f[k] = at[k] ? set.Compile(at[k]) : nullptr;
            f[3 + k] = along[k] ? set.Compile(along[k]) : nullptr;
        }
        A3DGraph* arrow = nullptr;
        if (f[0] && f[1] && f[2] && f[3] && f[4] && f[5] && colour)
            arrow = new (std::nothrow) AStartOnPoint(f[0], f[1], f[2], f[3], f[4], f[5], radius, nullptr, 1.0, colour,
                                                     &in->xMin, &in->xMax, &in->yMin, &in->yMax, &in->zMin,
                                                     &in->zMax, ctx, false);
        if (!arrow)
            DeleteFormulas({f[0], f[1], f[2], f[3], f[4], f[5], radius});
        return arrow;
    };
    CompiledFormula* radius = set.CompileOptional(a.options.radius);
    a.options.radius = nullptr;
    A3DGraph* arrow = make(p, d, radius, a.colour, view, context);
    if (arrow) {
        a.colour = nullptr;
        if (set.AddGraph3D(arrow, a.view) != 0) {
            delete arrow;
            arrow = nullptr;
        }
    }
    A3DGraphView* secondView = ViewOf(set, 1);
    ViewRenderContext* second = ContextOf(secondView);
    if (arrow && second && imageColour && AllTrees(mp[0], mp[1], mp[2]) && AllTrees(md[0], md[1], md[2])) {
        A3DGraph* image = make(mp, md, imageRadius, imageColour, secondView, second);
        imageRadius = nullptr;
        for (int32_t k = 0; k < 3; ++k)
            mp[k] = md[k] = nullptr;
        if (image) {
            imageColour = nullptr;
            if (set.AddCompanion3D(image) != 0)
                delete image;
            else
                set.MarkBoxRangesUsed(true);
        }
    }
    FreeTrees(mp[0], mp[1], mp[2]);
    FreeTrees(md[0], md[1], md[2]);
    delete imageRadius;
    delete imageColour;
    if (arrow)
        set.MarkBoxRangesUsed(a.view == 1);
}

// (x, y, u, v) = F(t): the curve in the 4D view. In its condition u and v
// name the third and fourth coordinates, which the curve evaluates in the
// z and w slots, and t is read from u.
void BuildCurve4D(GraphSet& set, BuilderArguments& a)
{
    A4DGraphView* view = set.view4D;
    ViewRenderContext* context = view ? dynamic_cast<ViewRenderContext*>(view->context) : nullptr;
    const FormulaNode* f = RightSide(a.equation);
    if (!context || !f || f == a.equation || f->childCount != 4)
        return;
    FormulaNode* trees[4];
    for (uint32_t k = 0; k < 4; ++k) {
        trees[k] = CopyTree(f->children[k]);
        if (trees[k])
            RenameSymbol(trees[k], CodeT, CodeU);
    }
    if (FormulaNode* c = a.options.builderConditions) {
        RenameSymbol(c, CodeU, CodeZ);
        RenameSymbol(c, CodeV, CodeW);
        RenameSymbol(c, CodeT, CodeU);
    }
    CompiledFormula* formulas[4];
    for (int32_t k = 0; k < 4; ++k)
        formulas[k] = trees[k] ? set.Compile(trees[k]) : nullptr;
    CompiledFormula* condition = set.CompileOptional(a.options.builderConditions);
    a.options.builderConditions = nullptr;
    ASpaceCurve4D* curve = nullptr;
    if (formulas[0] && formulas[1] && formulas[2] && formulas[3])
        curve = new (std::nothrow) ASpaceCurve4D(formulas[0], formulas[1], formulas[2], formulas[3], condition,
                                                 a.colour, a.grain, context, ProjectionOf(view), &view->tMin,
                                                 &view->tMax);
    if (!curve) {
        DeleteFormulas({formulas[0], formulas[1], formulas[2], formulas[3], condition});
        return;
    }
    a.colour = nullptr;
    if (set.AddGraph4D(curve) != 0) {
        delete curve;
        return;
    }
    set.MarkRangeUsed(kSlotT);
    set.Mark4DRangesUsed();
}

// A list of 4D points, joined in order in the 4D view.
void BuildPoints4D(GraphSet& set, BuilderArguments& a)
{
    A4DGraphView* view = set.view4D;
    ViewRenderContext* context = view ? dynamic_cast<ViewRenderContext*>(view->context) : nullptr;
    if (!context || !a.equation)
        return;
    CompiledFormula* list = set.CompileCopy(a.equation);
    ASpaceCurve4D* points = list ? new (std::nothrow) ASpaceCurve4D(list, a.colour, context, ProjectionOf(view)) : nullptr;
    if (!points) {
        delete list;
        return;
    }
    a.colour = nullptr;
    if (set.AddGraph4D(points) != 0) {
        delete points;
        return;
    }
    set.Mark4DRangesUsed();
}

}  // namespace

void RegisterSpaceCurveBuilders()
{
    const struct {
        int32_t code;
        FormBuilder builder;
    } table[] = {
        // Space curves over the T range; x + i y = f(z) over the z range of the box.
        {19, &BuildFromColumn<&AddCurveInT, true, Rectangular>},
        {56, &BuildFromColumn<&AddCurveInT, false, Rectangular>},
        {24, &BuildFromColumn<&AddCurveInT, true, Spherical>},
        {25, &BuildFromColumn<&AddCurveInT, true, Cylindrical>},
        {40, &BuildComplexOfReal},
        // 3D points.
        {63, &BuildFromColumn<&BuildPoint3D, false, Rectangular>},
        {64, &BuildFromColumn<&BuildPoint3D, true, Rectangular>},
        {65, &BuildFromColumn<&BuildPoint3D, true, Cylindrical>},
        {66, &BuildFromColumn<&BuildPoint3D, true, Spherical>},
        // 3D data.
        {51, &BuildFromColumn<&BuildData3D, false, Rectangular>},
        {52, &BuildFromColumn<&BuildData3D, true, Rectangular>},
        {53, &BuildFromColumn<&BuildData3D, true, Cylindrical>},
        {54, &BuildFromColumn<&BuildData3D, true, Spherical>},
        {20, &BuildCurve4D},
        {23, &BuildPoints4D},
        {62, &BuildArrow3D},
    };
    for (const auto& entry : table)
        SetFormBuilder(entry.code, entry.builder);
    const FormBuilder plane[] = {&BuildPlaneCurve<15>, &BuildPlaneCurve<18>, &BuildPlaneCurve<39>,
                                 &BuildPlaneCurve<55>};
    for (int32_t k = 0; k < 4; ++k) {
        // Registered twice, the first 2D builder stays the one called.
        const FormBuilder before = GetFormBuilder(planeForms[k].code);
        if (before != plane[k])
            planeForms[k].before = before;
        SetFormBuilder(planeForms[k].code, plane[k]);
    }
}
