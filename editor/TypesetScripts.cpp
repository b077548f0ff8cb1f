// Subscripts and superscripts, powers, scientific numbers, the transpose
// mark, factorial and prime, fractions, the evaluation bar and the
// derivative operators. Fractions, powers and scientific numbers too wide
// for their line take one-line forms, so that the line can be broken.
#include "editor/FormulaDrawingPort.h"
#include "editor/LineWrapping.h"
#include "editor/TypesetHandlers.h"
#include "editor/TypesetLayout.h"
#include "editor/TypesetMetrics.h"
#include "formula/NodeKindTable.h"

#include <algorithm>

namespace {

constexpr uint32_t kTimes = 0x00D7;
constexpr int kSmallestLevel = 5;

float Extent(FormulaNode* node)
{
    const LayoutBox& box = BoxOf(node);
    return box.height + box.depth;
}

float Width(FormulaNode* node)
{
    return BoxOf(node).width;
}

// A row of scripts side by side from x: their largest extents about their
// baselines and their total width.
struct ScriptRow {
    float d = 0;
    float h = 0;
    float width = 0;
};

ScriptRow PlaceScriptRow(FormulaNode* node, uint32_t first, uint32_t end, float x)
{
    ScriptRow row;
    for (uint32_t i = first; i < end; ++i) {
        FormulaNode* script = node->children[i];
        Extents e = ExtentsOf(script);
        row.d = std::max(row.d, e.d);
        row.h = std::max(row.h, e.h);
        BoxOf(script).relativeX = x + row.width;
        row.width += Width(script);
    }
    return row;
}

void AlignScriptRow(FormulaNode* node, uint32_t first, uint32_t end, float bottom)
{
    for (uint32_t i = first; i < end; ++i)
        BoxOf(node->children[i]).relativeY = ExtentsOf(node->children[i]).d - bottom;
}

// sin, ln, log x ...: a base whose exponent goes between name and argument.
bool IsFunctionBase(const FormulaNode* base)
{
    if (base->childCount != 1)
        return false;
    TypesetHandler handler = TypesetHandlerOf(base);
    return handler == TypesetNamedFunction || handler == TypesetLog;
}

bool IsExponent(const FormulaNode* node)
{
    const FormulaNode* parent = node->parent;
    return parent && parent->kind == KindPower && parent->childCount == 2 && parent->children[1] == node;
}

// A fraction of two leaves in an exponent (or negated there) is written
// with a slash.
bool IsSlashFraction(const FormulaNode* node)
{
    if (node->children[0]->childCount || node->children[1]->childCount)
        return false;
    if (IsExponent(node))
        return true;
    const FormulaNode* parent = node->parent;
    return parent && parent->kind == KindMinus && parent->childCount == 1 && IsExponent(parent);
}

void MeasurePower(FormulaNode* node)
{
    float s = Typeset.size;
    FormulaNode* base = node->children[0];
    FormulaNode* exponent = node->children[1];
    LayoutBox& b = BoxOf(base);
    const LayoutBox e = BoxOf(exponent);
    if (IsFunctionBase(base)) {
        // sin²x: the exponent right after the name, the argument moved on.
        FormulaNode* argument = base->children[0];
        float x = b.width - Width(argument);
        if (argument->kind != KindParentheses)
            x -= Typeset.tenth;
        PlaceChild(base, 0, 0);
        PlaceChild(exponent, x, -(0.25f * s + b.depth));
        BoxOf(argument).relativeX += e.width;
        b.width += e.width;
        SetBox(node, b.width, std::max(b.height, 0.25f * s + e.height + e.depth), b.depth, 1);
        return;
    }
    float extent = e.height + e.depth;
    float r = ExponentOverlapLimit(b.height, extent);
    // Over a single subscript the exponent stands right above it.
    float sw = 0;
    if (base->kind == KindSubscript && base->childCount == 2 && base->payload.pair.high == 1)
        sw = Width(base->children[1]);
    PlaceChild(base, 0, 0);
    PlaceChild(exponent, b.width - sw, -(b.height + b.depth - r));
    SetBox(node, b.width - sw + std::max(e.width, sw), b.height - r + extent, b.depth, b.atomFlag);
}

float TimesTenWidth()
{
    return MeasureFormulaGlyph(kTimes) + MeasureFormulaGlyph(u'1') + MeasureFormulaGlyph(u'0');
}

void MeasureScientific(FormulaNode* node)
{
    float s = Typeset.size;
    FormulaNode* mantissa = node->children[0];
    FormulaNode* exponent = node->children[1];
    const LayoutBox m = BoxOf(mantissa);
    const LayoutBox e = BoxOf(exponent);
    PlaceChild(mantissa, 0, 0);
    if (BoxOf(node).wideMark) {
        float p = 0.2f * s + MeasureFormulaGlyph(u'E');
        PlaceChild(exponent, m.width + p, 0);
        SetBox(node, m.width + p + e.width, std::max(m.height, e.height), std::max(m.depth, e.depth), m.atomFlag);
        return;
    }
    float p = TimesTenWidth() + 0.077f * s;
    PlaceChild(exponent, m.width + p, -(m.depth + s / 2));
    SetBox(node, m.width + p + e.width, m.height - s / 2 + e.height + e.depth, m.depth, m.atomFlag);
}

void MeasureFraction(FormulaNode* node)
{
    float s = Typeset.size;
    FormulaNode* top = node->children[0];
    FormulaNode* bottom = node->children[1];
    const LayoutBox n = BoxOf(top);
    const LayoutBox d = BoxOf(bottom);
    if (IsSlashFraction(node)) {
        float depth = std::max(n.depth, d.depth);
        float slash = MeasureFormulaGlyph(u'/');
        PlaceChild(top, 0, -(depth - n.depth));
        PlaceChild(bottom, n.width + 0.222f * s + slash, -(depth - d.depth));
        SetBox(node, n.width + 0.222f * s + slash + d.width, std::max(n.height, d.height), depth, 1);
        return;
    }
    float m = std::max(n.width, d.width);
    PlaceChild(top, (m - n.width) / 2 + 0.083f * s, -(s / 20 + d.height + d.depth + 0.2f * s));
    PlaceChild(bottom, 0.083f * s + (m - d.width) / 2, 0);
    SetBox(node, m + 0.166f * s, s / 40 + 0.1f * s + n.height + n.depth, 0.1f * s + d.height + d.depth + s / 40, 0);
}

void DrawFraction(FormulaNode* node, PortDC* dc)
{
    float s = Typeset.size;
    const LayoutBox& box = BoxOf(node);
    if (IsSlashFraction(node)) {
        DrawGlyphAt(u'/', box.absoluteLeft + Width(node->children[0]) + 0.111f * s, BaselineOf(node), dc);
        return;
    }
    WrapMoveTo(box.absoluteLeft + 0.083f * s, BaselineOf(node));
    FormulaLineBy(box.width - 0.166f * s - 0.1f * s, 0, dc);
}

void MeasureSubstitution(FormulaNode* node)
{
    float s = Typeset.size;
    float g = 0.3f * s + s / 20;
    if (node->childCount == 1) {
        WrapBox(node, 0, 0, g, Typeset.tenth);
        return;
    }
    FormulaNode* expression = node->children[0];
    FormulaNode* lower = node->children[1];
    const LayoutBox e = BoxOf(expression);
    float lowerExtent = Extent(lower);
    PlaceChild(expression, 0, -(lowerExtent - s / 2));
    PlaceChild(lower, e.width + g, 0);
    float width = e.width + g + Width(lower);
    float height = e.height;
    if (FormulaNode* upper = ChildAt(node, 2)) {
        PlaceChild(upper, e.width + g, -(lowerExtent - s / 2 + e.height + e.depth - s / 2));
        width = e.width + g + std::max(Width(lower), Width(upper));
        height = Extent(upper) + e.height - s / 2;
    }
    SetBox(node, width, height, lowerExtent + e.depth - s / 2, e.atomFlag);
}

void DrawSubstitution(FormulaNode* node, PortDC* dc)
{
    float s = Typeset.size;
    const LayoutBox& box = BoxOf(node);
    FormulaNode* expression = node->children[0];
    FormulaNode* lower = ChildAt(node, 1);
    float below = lower ? BoxOf(lower).depth : 0;
    float reach = lower ? BoxOf(lower).height - s / 2 - Typeset.tenth : 0;
    WrapMoveTo(box.absoluteLeft + Width(expression) + 0.2f * s, box.absoluteBottom - Typeset.tenth - below);
    FormulaLineBy(0, -(Extent(expression) - Typeset.tenth + reach), dc);
}

// The derivative operator applied to a variable, dy/dx: the variable stands
// beside the upper d.
const FormulaNode* CalledWithVariable(const FormulaNode* op)
{
    const FormulaNode* call = op->parent;
    if (!call || call->kind != KindApplication || call->childCount != 2 || call->children[0] != op)
        return nullptr;
    const FormulaNode* argument = call->children[1];
    return argument->kind == KindVariable || argument->kind == KindSubscript ? argument : nullptr;
}

// The denominator's variables, every child but the second: each after its
// d, with their baselines in line.
struct Denominator {
    float width = 0;
    float d = 0;
    float h = 0;
};

Denominator MeasureDenominator(FormulaNode* node, bool place)
{
    float s = Typeset.size;
    float q = DerivativeSignWidth(node) + 0.062f * s;
    Denominator row;
    row.h = s;
    for (uint32_t i = 0; i < node->childCount; ++i) {
        if (i == 1)
            continue;
        FormulaNode* child = node->children[i];
        row.width += q;
        if (place)
            BoxOf(child).relativeX = row.width;
        row.width += Width(child);
        if (i + 1 != node->childCount)
            row.width += Typeset.tenth;
        Extents e = ExtentsOf(child);
        row.d = std::max(row.d, e.d);
        row.h = std::max(row.h, e.h);
    }
    for (uint32_t i = 0; place && i < node->childCount; ++i) {
        if (i != 1)
            BoxOf(node->children[i]).relativeY = ExtentsOf(node->children[i]).d - row.d;
    }
    return row;
}

void MeasureDerivative(FormulaNode* node)
{
    float s = Typeset.size;
    float q = DerivativeSignWidth(node) + 0.062f * s;
    Denominator row = MeasureDenominator(node, true);
    float width = row.width;
    float height = 0.3f * s + s;
    float depth = Typeset.tenth + row.h + row.d;
    if (FormulaNode* numerator = ChildAt(node, 1)) {
        float extent = Extent(numerator);
        float half = std::min(s / 2, extent / 2);
        float x = 0.062f * s + row.width / 2 + q / 2;
        float y = -(height + depth - half);
        if (CalledWithVariable(node)) {
            y -= s / 4;
            height += s / 4;
            if (node->childCount == 2)
                x -= row.width / 2 - q / 2;
        }
        PlaceChild(numerator, x, y);
        height += extent - half;
        width = std::max(width, x + Width(numerator));
    }
    SetBox(node, width, height, depth, 0);
}

void DrawDerivative(FormulaNode* node, PortDC* dc)
{
    float s = Typeset.size;
    const LayoutBox& box = BoxOf(node);
    float q = DerivativeSignWidth(node) + 0.062f * s;
    Denominator row = MeasureDenominator(node, false);
    float span = 0;
    WrapMoveTo(box.absoluteLeft, box.absoluteBottom - row.d);
    for (uint32_t i = 0; i < node->childCount; ++i) {
        if (i == 1)
            continue;
        float w = Width(node->children[i]);
        DrawDerivativeSign(node, dc);
        FormulaMoveBy(0.062f * s + w + Typeset.tenth, 0);
        span += q + w + Typeset.tenth;
    }
    float x = node->childCount > 1 ? box.absoluteLeft + span / 2 - q / 2 - 0.05f * s : box.absoluteLeft;
    float y = box.absoluteBottom - (0.2f * s + row.d + row.h + s / 20);
    if (const FormulaNode* argument = CalledWithVariable(node))
        y -= BoxOf(const_cast<FormulaNode*>(argument)).depth;
    WrapMoveTo(x, y);
    DrawDerivativeSign(node, dc);
    WrapMoveTo(box.absoluteLeft, box.absoluteBottom - box.depth);
    FormulaLineBy(box.width - Typeset.tenth, 0, dc);
}

}  // namespace

void TypesetIndexes(FormulaNode* node, int32_t phase, PortDC*)
{
    if (phase != kMeasurePhase)
        return;
    FormulaNode* base = node->children[0];
    const LayoutBox b = BoxOf(base);
    uint32_t n = node->childCount;
    uint32_t k = static_cast<uint32_t>(std::clamp<int32_t>(node->payload.pair.high, 0, static_cast<int32_t>(n - 1)));
    float x0 = b.width + 0.038f * Typeset.size;
    // From here on the lengths are those of the scripts' size.
    TypesetSizeScope scripts(ScriptLevelSize(BoxOf(node->children[1]).scriptLevel));
    ScriptRow sub = PlaceScriptRow(node, 1, 1 + k, x0);
    ScriptRow sup = PlaceScriptRow(node, 1 + k, n, x0);
    float r1 = ScriptOverlapLimit(b.height + b.depth, sub.d + sub.h);
    float drop = std::max(0.0f, sub.d + sub.h - r1);
    PlaceChild(base, 0, -drop);
    float r2 = ScriptOverlapLimit(b.height, sup.d + sup.h);
    AlignScriptRow(node, 1, 1 + k, sub.d);
    AlignScriptRow(node, 1 + k, n, b.height + b.depth + drop - r2 + sup.d);
    float height = k + 1 < n ? b.height - r2 + sup.h + sup.d : b.height;
    SetBox(node, x0 + std::max(sub.width, sup.width), height, b.depth + drop, b.atomFlag);
}

void TypesetPower(FormulaNode* node, int32_t phase, PortDC* dc)
{
    if (BoxOf(node).wideMark)
        TypesetInfixRow(node, phase, dc);
    else if (phase == kMeasurePhase)
        MeasurePower(node);
}

void TypesetScientific(FormulaNode* node, int32_t phase, PortDC* dc)
{
    if (phase == kMeasurePhase) {
        MeasureScientific(node);
        return;
    }
    if (phase != kDrawPhase)
        return;
    float x = BoxOf(node).absoluteLeft + Width(node->children[0]) + 0.077f * Typeset.size;
    if (BoxOf(node).wideMark) {
        DrawGlyphAt(u'E', x, BaselineOf(node), dc);
        return;
    }
    DrawGlyphAt(kTimes, x, BaselineOf(node), dc);
    DrawFormulaText(u"10", dc);
}

void TypesetTranspose(FormulaNode* node, int32_t phase, PortDC* dc)
{
    TypesetSizeScope smaller(ScriptLevelSize(std::min<int>(BoxOf(node).scriptLevel + 1, kSmallestLevel)));
    float s = Typeset.size;
    FormulaNode* child = node->children[0];
    if (phase == kMeasurePhase) {
        WrapBox(node, 0, 3.0f / 16 * s, MeasureFormulaGlyph(u'T'), 0);
    } else if (phase == kDrawPhase) {
        const LayoutBox& c = BoxOf(child);
        float top = c.absoluteBottom - c.height - c.depth;
        DrawGlyphAt(u'T', BoxOf(node).absoluteLeft + c.width, top + 13.0f / 16 * s, dc);
    }
}

void TypesetPostfixChar(FormulaNode* node, int32_t phase, PortDC* dc)
{
    const NodeKindEntry* entry = NodeKindEntryOf(node->kind);
    uint32_t glyph = entry && entry->displayChar ? entry->displayChar : u'!';
    if (phase == kMeasurePhase)
        WrapBox(node, 0, 0, MeasureFormulaGlyph(glyph), 0);
    else if (phase == kDrawPhase)
        DrawGlyphAt(glyph, BoxOf(node).absoluteLeft + Width(node->children[0]), BaselineOf(node), dc);
}

void TypesetFraction(FormulaNode* node, int32_t phase, PortDC* dc)
{
    if (BoxOf(node).wideMark)
        TypesetInfixRow(node, phase, dc);
    else if (phase == kMeasurePhase)
        MeasureFraction(node);
    else if (phase == kDrawPhase)
        DrawFraction(node, dc);
}

void TypesetSubstitution(FormulaNode* node, int32_t phase, PortDC* dc)
{
    if (phase == kMeasurePhase)
        MeasureSubstitution(node);
    else if (phase == kDrawPhase)
        DrawSubstitution(node, dc);
}

void TypesetDerivative(FormulaNode* node, int32_t phase, PortDC* dc)
{
    if (phase == kMeasurePhase)
        MeasureDerivative(node);
    else if (phase == kDrawPhase)
        DrawDerivative(node, dc);
}
