// Named functions, the logarithm and calls of user functions.
#include "editor/FormulaDrawingPort.h"
#include "editor/TypesetHandlers.h"
#include "editor/TypesetLayout.h"
#include "editor/TypesetMetrics.h"
#include "formula/NodeKindTable.h"

#include <algorithm>

namespace {

constexpr float kNameLead = 0.154f;
constexpr char16_t kLogName[] = u"log";

const char16_t* KindName(const FormulaNode* node)
{
    const NodeKindEntry* entry = NodeKindEntryOf(node->kind);
    return entry && entry->name ? entry->name : u"";
}

bool IsDerivativeOperator(const FormulaNode* node)
{
    return node && (node->kind == KindOpTotal || node->kind == KindOpPartial);
}

// dy/dx written as the derivative operator applied to y: y stands in the
// numerator beside the operator's d.
void MeasureDerivativeHead(FormulaNode* node, FormulaNode* op, FormulaNode* variable)
{
    float s = Typeset.size;
    float depth = 0, height = s;
    for (uint32_t i = 0; i < op->childCount; ++i) {
        if (i == 1)
            continue;
        Extents e = ExtentsOf(op->children[i]);
        depth = std::max(depth, e.d);
        height = std::max(height, e.h);
    }
    float lift = depth + height + 0.2f * s + s / 20;
    LayoutBox& opBox = BoxOf(op);
    const LayoutBox var = BoxOf(variable);
    opBox.height += var.depth;
    PlaceChild(op, 0, 0);
    float x = DerivativeSignWidth(op);
    if (FormulaNode* order = ChildAt(op, 1))
        x += BoxOf(order).width;
    PlaceChild(variable, x, -lift);
    SetBox(node, std::max(opBox.width, x + var.width),
           std::max(opBox.height, var.height + var.depth + Typeset.tenth), opBox.depth, 0);
}

void MeasureCall(FormulaNode* node, FormulaNode* head, FormulaNode* argument)
{
    float s = Typeset.size;
    float depth = s / 4, height = s;
    for (FormulaNode* child : {head, argument}) {
        Extents e = ExtentsOf(child);
        depth = std::max(depth, e.d);
        height = std::max(height, e.h);
    }
    float open = IsDerivativeOperator(head) ? 0 : MeasureFormulaGlyph(u'(');
    float close = IsDerivativeOperator(head) ? 0 : MeasureFormulaGlyph(u')');
    PlaceChild(head, 0, ExtentsOf(head).d - depth);
    PlaceChild(argument, BoxOf(head).width + open, ExtentsOf(argument).d - depth);
    SetBox(node, BoxOf(head).width + open + BoxOf(argument).width + close, height, depth, 1);
}

}  // namespace

void TypesetNamedFunction(FormulaNode* node, int32_t phase, PortDC* dc)
{
    float s = Typeset.size;
    const char16_t* name = KindName(node);
    if (phase == kMeasurePhase) {
        FormulaNode* argument = ChildAt(node, 0);
        float p = kNameLead * s + MeasureFormulaText(name);
        if (!argument || argument->kind != KindParentheses)
            p += Typeset.tenth;
        Extents e = argument ? ExtentsOf(argument) : Extents{0, 0};
        float depth = std::max(node->kind == KindSgn ? s / 4 : 0.0f, e.d);
        float height = std::max(s, e.h);
        float width = p;
        if (argument) {
            PlaceChild(argument, p, -(depth - e.d));
            width += BoxOf(argument).width;
        }
        SetBox(node, width, height, depth, 1);
    } else if (phase == kDrawPhase) {
        DrawTextAt(name, BoxOf(node).absoluteLeft + kNameLead * s, BaselineOf(node), dc);
    }
}

void TypesetLog(FormulaNode* node, int32_t phase, PortDC* dc)
{
    float s = Typeset.size;
    if (phase == kDrawPhase) {
        DrawTextAt(kLogName, BoxOf(node).absoluteLeft, BaselineOf(node), dc);
        return;
    }
    if (phase != kMeasurePhase)
        return;
    FormulaNode* argument = ChildAt(node, 0);
    FormulaNode* base = ChildAt(node, 1);
    float p = Typeset.tenth + MeasureFormulaText(kLogName);
    Extents e = argument ? ExtentsOf(argument) : Extents{0, 0};
    float depth = std::max(s / 4, e.d);
    float height = std::max(s, e.h);
    float x = p;
    if (base) {
        // The base hangs below the baseline: its top at most r above it.
        const LayoutBox& b = BoxOf(base);
        float extent = b.height + b.depth;
        float r = ScriptOverlapLimit(s, extent);
        depth = std::max(depth, extent - r);
        PlaceChild(base, p, -(depth - extent + r));
        x += b.width;
    }
    float width = x;
    if (argument) {
        PlaceChild(argument, x, -(depth - e.d));
        width += BoxOf(argument).width;
    }
    SetBox(node, width, height, depth, 1);
}

void TypesetUserFunction(FormulaNode* node, int32_t phase, PortDC* dc)
{
    FormulaNode* head = ChildAt(node, 0);
    FormulaNode* argument = ChildAt(node, 1);
    if (!head || !argument || node->childCount != 2) {
        TypesetLinearForm(node, phase, dc);
        return;
    }
    bool derivative = IsDerivativeOperator(head);
    if (phase == kMeasurePhase) {
        if (derivative && (argument->kind == KindVariable || argument->kind == KindSubscript))
            MeasureDerivativeHead(node, head, argument);
        else
            MeasureCall(node, head, argument);
    } else if (phase == kDrawPhase && !derivative) {
        float baseline = BaselineOf(node);
        float x = BoxOf(node).absoluteLeft + BoxOf(head).width;
        DrawGlyphAt(u'(', x, baseline, dc);
        x += MeasureFormulaGlyph(u'(') + BoxOf(argument).width;
        DrawGlyphAt(u')', x, baseline, dc);
    }
}
