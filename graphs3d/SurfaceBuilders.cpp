#include "graphs3d/SurfaceBuilders.h"

#include "evaluation/CompiledFormula.h"
#include "formula/CopyTree.h"
#include "formula/FormulaNode.h"
#include "formula/NodeBuilders.h"
#include "formula/SymbolCodes.h"
#include "formula/SymbolRename.h"
#include "formula/TreeQuery.h"
#include "graphmodel/A3DGraphView.h"
#include "graphmodel/AGraphColor.h"
#include "graphmodel/GraphFactoryFormulas.h"
#include "graphs2d/A2DGraphView.h"
#include "graphs2d/AContourPlot.h"
#include "graphs2d/ADensityPlot.h"
#include "graphs2d/GraphFactory.h"
#include "graphs2d/GraphSet.h"
#include "document/DocState.h"
#include "graphs3d/AGridSurface.h"
#include "rendering/ViewRenderContext.h"

#include <new>

namespace {

// Range slots of the range panel.
constexpr int32_t kSlotR = 7, kSlotTheta = 8, kSlotPhi = 9, kSlotU = 11, kSlotV = 12;

enum RangeName : int32_t { RangeX, RangeY, RangeZ, RangeR, RangeTheta, RangePhi, RangeU, RangeV };

// How each explicit form is parameterised: the variables that become u and
// v, the ranges they run over and the parameter slots they mark.
struct ExplicitForm {
    int32_t code;
    uint32_t toU, toV;
    RangeName uRange, vRange;
    int32_t slots[2];
};

constexpr ExplicitForm kExplicitForms[] = {
    {5, CodeX, CodeY, RangeX, RangeY, {-1, -1}},
    {13, CodeX, CodeY, RangeX, RangeY, {-1, -1}},
    {6, CodeY, CodeZ, RangeY, RangeZ, {-1, -1}},
    {7, CodeX, CodeZ, RangeX, RangeZ, {-1, -1}},
    {8, CodeTheta, CodePhi, RangeTheta, RangePhi, {kSlotTheta, kSlotPhi}},
    {9, CodeR, CodePhi, RangeR, RangePhi, {kSlotR, kSlotPhi}},
    {10, CodeR, CodeTheta, RangeR, RangeTheta, {kSlotR, kSlotTheta}},
    {11, CodeTheta, CodeZ, RangeTheta, RangeZ, {kSlotTheta, -1}},
    {12, CodeR, CodeTheta, RangeR, RangeTheta, {kSlotR, kSlotTheta}},
    {14, CodeZ, CodeR, RangeZ, RangeR, {kSlotR, -1}},
};

const ExplicitForm* FindForm(int32_t code)
{
    for (const ExplicitForm& form : kExplicitForms) {
        if (form.code == code)
            return &form;
    }
    return nullptr;
}

void RangeOf(A3DGraphView& view, RangeName name, const double** lo, const double** hi)
{
    double* const pairs[8][2] = {{&view.xMin, &view.xMax},         {&view.yMin, &view.yMax},
                                 {&view.zMin, &view.zMax},         {&view.rMin, &view.rMax},
                                 {&view.thetaMin, &view.thetaMax}, {&view.phiMin, &view.phiMax},
                                 {&view.uMin, &view.uMax},         {&view.vMin, &view.vMax}};
    *lo = pairs[name][0];
    *hi = pairs[name][1];
}

FormulaNode* U() { return MakeVariableNode(CodeU); }
FormulaNode* V() { return MakeVariableNode(CodeV); }

// The right side of an equation, or a lone expression itself.
const FormulaNode* RightSide(const FormulaNode* equation)
{
    return equation->childCount == 2 ? equation->children[1] : equation;
}

const FormulaNode* Entry(const FormulaNode* column, uint32_t i)
{
    return column && i < column->childCount ? column->children[i] : nullptr;
}

ViewRenderContext* ContextOf(A3DGraphView& view)
{
    return dynamic_cast<ViewRenderContext*>(view.context);
}

// The surface of the three trees (taken over) over the two ranges of the
// statement's 3D view, as the statement's row; marks the slots given (-1
// for none) and the view's box ranges.
void AddSurface(GraphSet& set, BuilderArguments& a, FormulaNode* x, FormulaNode* y, FormulaNode* z,
                RangeName uRange, RangeName vRange, std::initializer_list<int32_t> slots)
{
    A3DGraphView* view = a.view >= 0 && a.view < 2 ? set.views3D[a.view] : nullptr;
    ViewRenderContext* context = view ? ContextOf(*view) : nullptr;
    if (!view || !context || !x || !y || !z) {
        FreeTree(x);
        FreeTree(y);
        FreeTree(z);
        return;
    }
    CompiledFormula* fx = set.Compile(x);
    CompiledFormula* fy = set.Compile(y);
    CompiledFormula* fz = set.Compile(z);
    CompiledFormula* condition = set.CompileOptional(a.options.builderConditions);
    a.options.builderConditions = nullptr;
    if (!fx || !fy || !fz) {
        delete fx;
        delete fy;
        delete fz;
        delete condition;
        return;
    }
    const double *u0, *u1, *v0, *v1;
    RangeOf(*view, uRange, &u0, &u1);
    RangeOf(*view, vRange, &v0, &v1);
    auto* surface = new (std::nothrow) AGridSurface(fx, fy, fz, a.grain, a.opacity, a.colour, condition,
                                                    a.plottingMode, u0, u1, v0, v1, context);
    if (!surface) {
        delete fx;
        delete fy;
        delete fz;
        delete condition;
        return;
    }
    AGraphColor* colour = a.colour;
    a.colour = nullptr;
    if (set.AddGraph3D(surface, a.view) != 0) {
        delete surface;
        return;
    }
    AddMappedSurface(set, a.transform, a.view, fx->tree, fy->tree, fz->tree, condition ? condition->tree : nullptr,
                     a.plottingMode, colour, a.grain, a.opacity, u0, u1, v0, v1);
    for (int32_t slot : slots) {
        if (slot >= 0)
            set.MarkRangeUsed(slot);
    }
    set.MarkBoxRangesUsed(a.view == 1);
}

}  // namespace

void AddMappedSurface(GraphSet& set, const TransformRecord* transform, int32_t primed, const FormulaNode* x,
                      const FormulaNode* y, const FormulaNode* z, const FormulaNode* conditions, int32_t plottingMode,
                      const AGraphColor* colour, double grain, double opacity, const double* uMin,
                      const double* uMax, const double* vMin, const double* vMax)
{
    if (primed != 0 || !transform || transform->kind != 4 || !colour)
        return;
    ViewRenderContext* context = ContextOf(*set.views3D[1]);
    AGraphColor* copy = context ? colour->CloneFor(context) : nullptr;
    if (!copy)
        return;
    FormulaNode *mx = nullptr, *my = nullptr, *mz = nullptr;
    CompiledFormula* condition = nullptr;
    set.MapThroughSpaceTransform(transform, x, y, z, conditions, copy, &mx, &my, &mz, &condition);
    CompiledFormula* fx = set.CompileOptional(mx);
    CompiledFormula* fy = set.CompileOptional(my);
    CompiledFormula* fz = set.CompileOptional(mz);
    AGridSurface* surface = nullptr;
    if (fx && fy && fz)
        surface = new (std::nothrow) AGridSurface(fx, fy, fz, grain, opacity, copy, condition, plottingMode, uMin,
                                                  uMax, vMin, vMax, context);
    if (!surface) {
        delete fx;
        delete fy;
        delete fz;
        delete condition;
        delete copy;
        return;
    }
    if (set.AddCompanion3D(surface) != 0) {
        delete surface;
        return;
    }
    set.MarkBoxRangesUsed(true);
}

namespace {

void AddExplicitSurface(GraphSet& set, BuilderArguments& a, int32_t code, const FormulaNode* rightSide)
{
    const ExplicitForm* form = FindForm(code);
    FormulaNode* f = form ? ExplicitSurfaceParameterised(code, rightSide) : nullptr;
    if (!f)
        return;
    FormulaNode *x = nullptr, *y = nullptr, *z = nullptr;
    ExplicitSurfaceCoordinates(code, f, &x, &y, &z);
    FreeTree(f);
    AddSurface(set, a, x, y, z, form->uRange, form->vRange, {form->slots[0], form->slots[1]});
}

// The 2D plot of a flat form in the statement's 2D view: style 2 a density
// plot of d, style 3 a contour plot of c (both taken over; c, in x and y,
// also makes the density plot's image under a map of the plane).
void AddFlatPlot(GraphSet& set, BuilderArguments& a, int32_t style, FormulaNode* d, FormulaNode* c)
{
    FormulaNode* keep = style == 2 ? d : c;
    FormulaNode* plane = style == 2 ? c : nullptr;
    if (style != 2)
        FreeTree(d);
    struct Release {
        FormulaNode* tree;
        ~Release() { FreeTree(tree); }
    } release{plane};
    A2DGraphView* view = a.view >= 0 && a.view < 2 ? set.views2D[a.view] : nullptr;
    if (!view) {
        FreeTree(keep);
        return;
    }
    CompiledFormula* f = set.Compile(keep);
    if (!f)
        return;
    A2DGraph* plot = nullptr;
    if (style == 2)
        plot = new (std::nothrow) ADensityPlot(f, a.grain, a.colour, &view->drawMapping);
    else
        plot = new (std::nothrow) AContourPlot(f, a.grain, a.colour, &view->drawMapping);
    if (!plot) {
        delete f;
        return;
    }
    AGraphColor* colour = a.colour;
    a.colour = nullptr;
    if (set.AddGraph2D(plot, a.view) != 0) {
        delete plot;
        return;
    }
    if (style == 2)
        set.AddMappedDensity(plane, a.view, colour, a.transform, a.grain);
    if (style == 3 && a.view == 0)
        set.NoteComplexMapGraph(view->graphs.count - 1, a.transform);
}

// The flat forms: 1 a surface, 2 density, 3 contour, 0 nothing. In a 3D
// view the factory passes XYType 1.
int32_t StyleOf(const BuilderArguments& a)
{
    return SurfaceStyleFromXYType(a.xyType);
}

template <int32_t Code>
void BuildExplicit(GraphSet& set, BuilderArguments& a)
{
    const FormulaNode* f = RightSide(a.equation);
    const int32_t style = Code == 5 || Code == 13 || Code == 12 ? StyleOf(a) : 1;
    if (style == 1) {
        AddExplicitSurface(set, a, Code, f);
    } else if (style == 2 || style == 3) {
        FormulaNode* d = CopyTree(f);
        if (Code != 12)
            RenameXYToUV(d);
        AddFlatPlot(set, a, style, d, CopyTree(f));
    }
}

// Parametric surfaces: the column's entries in u and v, as typed, through
// the coordinate system of the form.
template <int32_t Code>
void BuildParametric(GraphSet& set, BuilderArguments& a)
{
    const FormulaNode* column = Code == 58 ? a.equation : RightSide(a.equation);
    FormulaNode *x, *y, *z;
    if (!ParametricSurfaceCoordinates(Code, column, &x, &y, &z))
        return;
    AddSurface(set, a, x, y, z, RangeU, RangeV, {kSlotU, kSlotV});
}

}  // namespace

bool ParametricSurfaceCoordinates(int32_t code, const FormulaNode* column, FormulaNode** x, FormulaNode** y,
                                  FormulaNode** z)
{
    const FormulaNode *e0 = Entry(column, 0), *e1 = Entry(column, 1), *e2 = Entry(column, 2);
    if (!e0 || !e1 || !e2)
        return false;
    if (code == 27) {
        SphericalToSpace(e0, e2, e1, x, y, z);
    } else if (code == 28) {
        CylindricalToSpace(e0, e1, e2, x, y, z);
    } else {
        *x = CopyTree(e0);
        *y = CopyTree(e1);
        *z = CopyTree(e2);
    }
    return true;
}

bool ExplicitSurfaceRanges(int32_t code, A3DGraphView& view, const double** uMin, const double** uMax,
                           const double** vMin, const double** vMax, int32_t (&slots)[2])
{
    const ExplicitForm* form = FindForm(code);
    if (!form)
        return false;
    RangeOf(view, form->uRange, uMin, uMax);
    RangeOf(view, form->vRange, vMin, vMax);
    slots[0] = form->slots[0];
    slots[1] = form->slots[1];
    return true;
}

FormulaNode* ExplicitSurfaceParameterised(int32_t code, const FormulaNode* rightSide)
{
    const ExplicitForm* form = FindForm(code);
    if (!form || !rightSide)
        return nullptr;
    FormulaNode* f = CopyTree(rightSide);
    if (!f)
        return nullptr;
    RenameSymbol(f, form->toU, CodeU);
    RenameSymbol(f, form->toV, CodeV);
    // Spherical radius where the form means it.
    if (form->toU == CodeR && (code == 9 || code == 10))
        RenameSymbol(f, CodeSphericalRadius, CodeU);
    return f;
}

bool ExplicitSurfaceCoordinates(int32_t code, const FormulaNode* f, FormulaNode** x, FormulaNode** y,
                                FormulaNode** z)
{
    FormulaNode* u = U();
    FormulaNode* v = V();
    bool known = true;
    switch (code) {
    case 5:
    case 13: *x = U(), *y = V(), *z = CopyTree(f); break;
    case 6: *x = CopyTree(f), *y = U(), *z = V(); break;
    case 7: *x = U(), *y = CopyTree(f), *z = V(); break;
    case 8: SphericalToSpace(f, v, u, x, y, z); break;
    case 9: SphericalToSpace(u, v, f, x, y, z); break;
    case 10: SphericalToSpace(u, f, v, x, y, z); break;
    case 11: CylindricalToSpace(f, u, v, x, y, z); break;
    case 12: CylindricalToSpace(u, v, f, x, y, z); break;
    case 14: CylindricalToSpace(v, f, u, x, y, z); break;
    default: known = false; break;
    }
    FreeTree(u);
    FreeTree(v);
    return known;
}

void BuildZOfXY(GraphSet& set, BuilderArguments& a) { BuildExplicit<5>(set, a); }
void BuildXOfYZ(GraphSet& set, BuilderArguments& a) { BuildExplicit<6>(set, a); }
void BuildYOfXZ(GraphSet& set, BuilderArguments& a) { BuildExplicit<7>(set, a); }
void BuildSphericalR(GraphSet& set, BuilderArguments& a) { BuildExplicit<8>(set, a); }
void BuildSphericalTheta(GraphSet& set, BuilderArguments& a) { BuildExplicit<9>(set, a); }
void BuildSphericalPhi(GraphSet& set, BuilderArguments& a) { BuildExplicit<10>(set, a); }
void BuildCylindricalR(GraphSet& set, BuilderArguments& a) { BuildExplicit<11>(set, a); }
void BuildCylindricalZ(GraphSet& set, BuilderArguments& a) { BuildExplicit<12>(set, a); }
void BuildCylindricalTheta(GraphSet& set, BuilderArguments& a) { BuildExplicit<14>(set, a); }
void BuildParametricSurface(GraphSet& set, BuilderArguments& a) { BuildParametric<58>(set, a); }
void BuildParametricSurfaceXYZ(GraphSet& set, BuilderArguments& a) { BuildParametric<26>(set, a); }
void BuildSphericalParametricSurface(GraphSet& set, BuilderArguments& a) { BuildParametric<27>(set, a); }
void BuildCylindricalParametricSurface(GraphSet& set, BuilderArguments& a) { BuildParametric<28>(set, a); }

// An expression in x and y (or in r and theta alone) graphed as z = the
// expression.
void BuildExpressionInXY(GraphSet& set, BuilderArguments& a)
{
    const FormulaNode* e = a.equation;
    const int32_t style = StyleOf(a);
    if (style == 2 || style == 3) {
        FormulaNode* d = CopyTree(e);
        RenameXYToUV(d);
        AddFlatPlot(set, a, style, d, CopyTree(e));
        return;
    }
    if (style != 1)
        return;
    const bool rectangular = ContainsSymbol(e, CodeX) || ContainsSymbol(e, CodeY) ||
                             (!ContainsSymbol(e, CodeR) && !ContainsSymbol(e, CodeTheta));
    AddExplicitSurface(set, a, rectangular ? 5 : 12, e);
}

// An expression in the complex variable z, graphed over the plane z = u + i v.
void BuildExpressionInZ(GraphSet& set, BuilderArguments& a)
{
    const int32_t style = StyleOf(a);
    if (style == 2 || style == 3) {
        FormulaNode* d = CopyTree(a.equation);
        FormulaNode* c = CopyTree(a.equation);
        ReplaceZByComplex(CodeV, d, CodeU);
        ReplaceZByComplex(CodeY, c, CodeX);
        AddFlatPlot(set, a, style, d, c);
        return;
    }
    if (style != 1)
        return;
    FormulaNode* z = CopyTree(a.equation);
    ReplaceZByComplex(CodeV, z, CodeU);
    if (a.options.builderConditions)
        ReplaceZByComplex(CodeV, a.options.builderConditions, CodeU);
    if (a.colour && (a.colour->kind == ColorRgbFormulas || a.colour->kind == ColorHsvFormulas)) {
        for (CompiledFormula* f : {a.colour->red, a.colour->green, a.colour->blue}) {
            if (f && f->tree)
                ReplaceZByComplex(CodeV, f->tree, CodeU);
        }
    }
    AddSurface(set, a, U(), V(), z, RangeX, RangeY, {-1});
}

void RegisterSurfaceBuilders()
{
    const struct {
        int32_t code;
        FormBuilder builder;
    } table[] = {
        {5, &BuildZOfXY},
        {13, &BuildZOfXY},
        {6, &BuildXOfYZ},
        {7, &BuildYOfXZ},
        {8, &BuildSphericalR},
        {9, &BuildSphericalTheta},
        {10, &BuildSphericalPhi},
        {11, &BuildCylindricalR},
        {12, &BuildCylindricalZ},
        {14, &BuildCylindricalTheta},
        {26, &BuildParametricSurfaceXYZ},
        {27, &BuildSphericalParametricSurface},
        {28, &BuildCylindricalParametricSurface},
        {58, &BuildParametricSurface},
        {33, &BuildExpressionInXY},
        {41, &BuildExpressionInZ},
    };
    for (const auto& entry : table)
        SetFormBuilder(entry.code, entry.builder);
}
