// Matrices, square and n-th roots, summation and product signs with limits,
// integrals, the vector operators and the Bessel function. The big
// operators' glyphs keep the base size wherever they stand.
#include "editor/FormulaDrawingPort.h"
#include "editor/LineWrapping.h"
#include "editor/TypesetHandlers.h"
#include "editor/TypesetLayout.h"
#include "editor/TypesetMetrics.h"
#include "formula/NodeKindTable.h"

#include <algorithm>
#include <array>

namespace {

constexpr uint32_t kNabla = 0x2207;
constexpr uint32_t kSummation = 0x2211;
constexpr uint32_t kProductSign = 0x220F;
constexpr uint32_t kIntegralSign = 0x222B;
constexpr int kMatrixLimit = 100;
constexpr int kSmallestLevel = 5;

float Width(const FormulaNode* node)
{
    return node ? BoxOf(const_cast<FormulaNode*>(node)).width : 0;
}

float Extent(FormulaNode* node)
{
    const LayoutBox& box = BoxOf(node);
    return box.height + box.depth;
}

// Rows and columns of a matrix whose shape the dispatcher has checked.
struct MatrixShape {
    int rows;
    int columns;
    std::array<float, kMatrixLimit> rowDepth{};
    std::array<float, kMatrixLimit> rowHeight{};
    std::array<float, kMatrixLimit> columnWidth{};
};

void MeasureMatrixShape(FormulaNode* node, MatrixShape& shape)
{
    shape.rows = std::clamp<int>(node->payload.pair.low, 0, kMatrixLimit);
    shape.columns = std::clamp<int>(node->payload.pair.high, 0, kMatrixLimit);
    for (int r = 0; r < shape.rows; ++r) {
        for (int c = 0; c < shape.columns; ++c) {
            FormulaNode* cell = node->children[r * shape.columns + c];
            Extents e = ExtentsOf(cell);
            shape.rowDepth[r] = std::max(shape.rowDepth[r], e.d);
            shape.rowHeight[r] = std::max(shape.rowHeight[r], e.h);
            shape.columnWidth[c] = std::max(shape.columnWidth[c], Width(cell));
        }
    }
}

void MeasureMatrix(FormulaNode* node)
{
    float s = Typeset.size;
    MatrixShape shape;
    MeasureMatrixShape(node, shape);
    // Rows from the bottom up: what lies below each row.
    float below = 0.2f * s;
    for (int r = shape.rows; r-- > 0;) {
        float x = 0.5f * s;
        for (int c = 0; c < shape.columns; ++c) {
            FormulaNode* cell = node->children[r * shape.columns + c];
            PlaceChild(cell, x + (shape.columnWidth[c] - Width(cell)) / 2 + Typeset.lineWidth,
                       -(below + shape.rowDepth[r] - ExtentsOf(cell).d));
            x += shape.columnWidth[c] + 0.6f * s;
        }
        below += shape.rowDepth[r] + shape.rowHeight[r] + 0.4f * s;
    }
    float total = below - 0.2f * s + 0.4f * s;
    float width = 0.4f * s;
    for (int c = 0; c < shape.columns; ++c)
        width += shape.columnWidth[c] + 0.6f * s;
    SetBox(node, width, total / 2, total - total / 2, 0);
}

void DrawMatrix(FormulaNode* node, PortDC* dc)
{
    float s = Typeset.size;
    const LayoutBox& box = BoxOf(node);
    float y = box.absoluteBottom - 0.2f * s;
    float rise = box.height + box.depth - 0.4f * s;
    DrawBracketPath(box.absoluteLeft + 0.2f * s, y, 0.3f * s, rise, dc);
    DrawBracketPath(box.absoluteLeft + box.width - 0.2f * s, y, -0.3f * s, rise, dc);
}

void MeasureRoot(FormulaNode* node)
{
    float s = Typeset.size;
    FormulaNode* radicand = node->children[0];
    FormulaNode* index = ChildAt(node, 1);
    Extents e = ExtentsOf(radicand);
    float depth = std::max(s / 4, e.d), height = std::max(s, e.h);
    float inner = height + 0.2f * s + Typeset.lineWidth;
    float i = 0, extra = 0;
    if (index) {
        i = Width(index) - 0.3f * s;
        float k = (depth + inner) / 4;
        PlaceChild(index, 0, -(Typeset.tenth + k));
        extra = std::max(0.0f, Extent(index) + k + Typeset.tenth - inner);
    }
    PlaceChild(radicand, i + 0.7f * s, -(depth - e.d));
    SetBox(node, Width(radicand) + 0.7f * s + i, inner + extra, depth, 1);
}

void DrawRoot(FormulaNode* node, PortDC* dc)
{
    float s = Typeset.size;
    const LayoutBox& box = BoxOf(node);
    FormulaNode* radicand = node->children[0];
    FormulaNode* index = ChildAt(node, 1);
    float t = box.height + box.depth - Typeset.tenth;
    float length = box.width - 0.7f * s;
    float x0 = box.absoluteLeft;
    if (index) {
        t = Extent(radicand) + Typeset.tenth + Typeset.lineWidth;
        length = Width(radicand);
        x0 += Width(index) - 0.3f * s;
    }
    length -= Typeset.tenth;
    // The bar leftwards, the long stroke down, the short one up, the tick.
    const float steps[] = {0, -length, t - Typeset.tenth - Typeset.lineWidth, -0.3f * s, -t / 4, -0.2f * s,
                           t / 8, -Typeset.tenth};
    WrapMoveTo(x0 + length + 0.7f * s, box.absoluteBottom - t);
    FormulaPolylineBy(4, steps, dc);
}

// The glyph of a big operator at the base size, its extents and width.
struct BigGlyph {
    uint32_t glyph;
    float ascent;
    float descent;
    float width;
};

BigGlyph MeasureBigGlyph(uint32_t glyph)
{
    return BigGlyph{glyph, GlyphAscent(glyph), GlyphDescent(glyph), MeasureFormulaGlyph(glyph)};
}

// Where a summation or product sign and its limits go.
struct BigOperatorLayout {
    BigGlyph sign;
    float span;  // the widest of the sign and the limits
    float up;    // the sign's extents about the baseline
    float down;
    Extents summand;
};

BigOperatorLayout MeasureBigOperatorSign(FormulaNode* node)
{
    BigOperatorLayout layout;
    {
        TypesetSizeScope base(ScriptLevelSize(0));
        layout.sign = MeasureBigGlyph(node->kind == KindCapitalPi ? kProductSign : kSummation);
        layout.summand = ExtentsOf(node->children[0]);
    }
    float mid = (layout.sign.ascent + layout.sign.descent) / 2;
    layout.up = mid + AxisHeight(Typeset.size);
    layout.down = mid - AxisHeight(Typeset.size);
    layout.span = std::max({layout.sign.width, Width(ChildAt(node, 1)), Width(ChildAt(node, 2))});
    return layout;
}

void MeasureBigOperator(FormulaNode* node)
{
    float s = Typeset.size;
    BigOperatorLayout l = MeasureBigOperatorSign(node);
    FormulaNode* summand = node->children[0];
    FormulaNode* lower = ChildAt(node, 1);
    FormulaNode* upper = ChildAt(node, 2);
    float gapUp = lower ? 0.05f * s : 0;
    float gapDown = upper ? 0.05f * s : 0;
    float height = std::max(l.up + gapUp, l.summand.h);
    float depth = std::max(l.down + gapDown, l.summand.d);
    if (upper)
        height = std::max(height, Extent(upper) + l.up + gapUp);
    if (lower)
        depth = std::max(depth, Extent(lower) + l.down + gapDown);
    if (upper)
        PlaceChild(upper, (l.span - Width(upper)) / 2, -(depth + l.up + gapUp));
    if (lower)
        PlaceChild(lower, (l.span - Width(lower)) / 2, -(depth - (Extent(lower) + l.down + gapDown + Typeset.tenth)));
    PlaceChild(summand, l.span + Typeset.tenth, -(depth - l.summand.d));
    SetBox(node, l.span + Typeset.tenth + Width(summand), height, depth, 1);
}

void DrawBigOperator(FormulaNode* node, PortDC* dc)
{
    const LayoutBox& box = BoxOf(node);
    BigOperatorLayout l = MeasureBigOperatorSign(node);
    TypesetSizeScope base(ScriptLevelSize(0));
    DrawGlyphAt(l.sign.glyph, box.absoluteLeft + (l.span - l.sign.width) / 2,
                box.absoluteBottom - (box.depth - l.down) - l.sign.descent, dc);
}

struct IntegralLayout {
    BigGlyph sign;
    float span;
    float up;
    float down;
    Extents integrand;
    Extents variable;
};

IntegralLayout MeasureIntegralSign(FormulaNode* node)
{
    IntegralLayout layout;
    {
        TypesetSizeScope base(ScriptLevelSize(1));
        layout.sign = MeasureBigGlyph(kIntegralSign);
        layout.integrand = ExtentsOf(node->children[0]);
        layout.variable = ExtentsOf(node->children[1]);
    }
    float mid = (layout.sign.ascent + layout.sign.descent) / 2;
    layout.up = mid + AxisHeight(Typeset.size);
    layout.down = layout.sign.ascent + layout.sign.descent - layout.up;
    layout.span = std::max({layout.sign.width, Width(ChildAt(node, 2)), Width(ChildAt(node, 3))});
    return layout;
}

void MeasureIntegral(FormulaNode* node)
{
    float s = Typeset.size;
    IntegralLayout l = MeasureIntegralSign(node);
    FormulaNode* integrand = node->children[0];
    FormulaNode* variable = node->children[1];
    FormulaNode* lower = ChildAt(node, 2);
    FormulaNode* upper = ChildAt(node, 3);
    float height = std::max({l.up, l.integrand.h, l.variable.h});
    float depth = std::max({l.down, l.integrand.d, l.variable.d});
    if (upper)
        height = std::max(height, 0.05f * s + l.up + Extent(upper));
    if (lower)
        depth = std::max(depth, Extent(lower) + 0.05f * s + l.down);
    float x = l.span + Typeset.tenth;
    PlaceChild(integrand, x, -(depth - l.integrand.d));
    x += Width(integrand) + MeasureFormulaGlyph(u'd');
    PlaceChild(variable, x, -(depth - l.variable.d));
    if (lower)
        PlaceChild(lower, (l.span - Width(lower)) / 2, -(depth - (0.05f * s + Extent(lower) + l.down + Typeset.tenth)));
    if (upper)
        PlaceChild(upper, (l.span - Width(upper)) / 2, -(0.05f * s + depth + l.up));
    SetBox(node, x + Width(variable), height, depth, 1);
}

void DrawIntegral(FormulaNode* node, PortDC* dc)
{
    const LayoutBox& box = BoxOf(node);
    IntegralLayout l = MeasureIntegralSign(node);
    float baseline = BaselineOf(node);
    float x = box.absoluteLeft;
    {
        TypesetSizeScope base(ScriptLevelSize(1));
        DrawGlyphAt(l.sign.glyph, x + (l.span - l.sign.width) / 2, baseline, dc);
        x += l.span + Typeset.tenth;
    }
    DrawGlyphAt(u'd', x + Width(node->children[0]), baseline, dc);
}

// A prefix glyph with a script hanging below its baseline, then the
// argument, then what closes it (the Bessel function's parentheses).
void MeasureSubscriptedPrefix(FormulaNode* node, float prefix, float open, float close)
{
    float s = Typeset.size;
    FormulaNode* argument = node->children[0];
    FormulaNode* script = node->children[1];
    float extent = Extent(script);
    float r = ScriptOverlapLimit(s, extent);
    Extents e = ExtentsOf(argument);
    float depth = std::max({s / 4, e.d, extent - r}), height = std::max(s, e.h);
    PlaceChild(script, prefix, -(depth - extent + r));
    float x = prefix + Width(script) + open;
    PlaceChild(argument, x, -(depth - e.d));
    SetBox(node, x + Width(argument) + close, height, depth, 1);
}

}  // namespace

void TypesetMatrix(FormulaNode* node, int32_t phase, PortDC* dc)
{
    if (phase == kMeasurePhase)
        MeasureMatrix(node);
    else if (phase == kDrawPhase)
        DrawMatrix(node, dc);
}

void TypesetRoot(FormulaNode* node, int32_t phase, PortDC* dc)
{
    if (phase == kMeasurePhase)
        MeasureRoot(node);
    else if (phase == kDrawPhase)
        DrawRoot(node, dc);
}

void TypesetBigOperator(FormulaNode* node, int32_t phase, PortDC* dc)
{
    if (phase == kMeasurePhase)
        MeasureBigOperator(node);
    else if (phase == kDrawPhase)
        DrawBigOperator(node, dc);
}

void TypesetIntegral(FormulaNode* node, int32_t phase, PortDC* dc)
{
    if (phase == kMeasurePhase)
        MeasureIntegral(node);
    else if (phase == kDrawPhase)
        DrawIntegral(node, dc);
}

void TypesetGrad(FormulaNode* node, int32_t phase, PortDC* dc)
{
    float nabla = MeasureFormulaGlyph(kNabla);
    if (phase == kMeasurePhase) {
        if (node->childCount == 1)
            PrefixBoxMinText(node, nabla);
        else
            MeasureSubscriptedPrefix(node, nabla, 0, 0);
    } else if (phase == kDrawPhase) {
        DrawGlyphAt(kNabla, BoxOf(node).absoluteLeft, BaselineOf(node), dc);
    }
}

void TypesetDivCurl(FormulaNode* node, int32_t phase, PortDC* dc)
{
    const NodeKindEntry* entry = NodeKindEntryOf(node->kind);
    uint32_t symbol = entry && entry->displayChar ? entry->displayChar : 0x00B7;
    if (phase == kMeasurePhase) {
        PrefixBoxMinText(node, MeasureFormulaGlyph(kNabla) + MeasureFormulaGlyph(symbol));
    } else if (phase == kDrawPhase) {
        DrawGlyphAt(kNabla, BoxOf(node).absoluteLeft, BaselineOf(node), dc);
        DrawFormulaGlyph(symbol, dc);
    }
}

void TypesetLaplacian(FormulaNode* node, int32_t phase, PortDC* dc)
{
    float s = Typeset.size;
    float nabla = MeasureFormulaGlyph(kNabla);
    float smaller = ScriptLevelSize(std::min<int>(BoxOf(node).scriptLevel + 1, kSmallestLevel));
    FormulaNode* child = node->children[0];
    if (phase == kMeasurePhase) {
        float two;
        {
            TypesetSizeScope script(smaller);
            two = MeasureFormulaGlyph(u'2');
        }
        const LayoutBox c = BoxOf(child);
        PlaceChild(child, nabla + two, 0);
        SetBox(node, nabla + two + c.width, std::max(c.height, 3.0f / 16 * smaller + s), c.depth, 1);
    } else if (phase == kDrawPhase) {
        DrawGlyphAt(kNabla, BoxOf(node).absoluteLeft, BaselineOf(node), dc);
        TypesetSizeScope script(smaller);
        FormulaMoveBy(0, 13.0f / 16 * smaller - s);
        DrawFormulaGlyph(u'2', dc);
    }
}

void TypesetBessel(FormulaNode* node, int32_t phase, PortDC* dc)
{
    float open = MeasureFormulaGlyph(u'(');
    if (phase == kMeasurePhase) {
        MeasureSubscriptedPrefix(node, MeasureFormulaGlyph(u'J'), open, MeasureFormulaGlyph(u')'));
    } else if (phase == kDrawPhase) {
        DrawGlyphAt(u'J', BoxOf(node).absoluteLeft, BaselineOf(node), dc);
        FormulaMoveBy(Width(node->children[1]), 0);
        DrawFormulaGlyph(u'(', dc);
        FormulaMoveBy(Width(node->children[0]), 0);
        DrawFormulaGlyph(u')', dc);
    }
}
