#include "editor/TypesetRows.h"

#include "CoreUtilities/WideString.h"
#include "editor/FormulaDrawingPort.h"
#include "editor/TypesetHandlers.h"
#include "editor/TypesetLayout.h"
#include "editor/TypesetMetrics.h"
#include "formula/NameRegistry.h"
#include "formula/NodeKindTable.h"

#include <algorithm>

namespace {

constexpr uint32_t kMiddleDot = 0x00B7;
constexpr float kProductSeparator = 0.077f;
constexpr float kOperatorGap = 0.25f;
constexpr float kRootEquationGap = 0.5f;
constexpr float kInnerEquationGap = 0.333f;

bool IsPrefixKind(const FormulaNode* node)
{
    const NodeKindEntry* entry = NodeKindEntryOf(node->kind);
    return entry && entry->syntaxClass == SyntaxClass::Prefix;
}

bool IsSignKind(int32_t kind)
{
    return kind == KindMinus || kind == KindPlusOrMinus || kind == KindMinusOrPlus;
}

bool IsPowerOf(const FormulaNode* node, bool (*base)(const FormulaNode*))
{
    return node->kind == KindPower && node->childCount > 0 && base(node->children[0]);
}

bool IsNumber(const FormulaNode* node)
{
    return node->kind == KindNumber;
}

// The operator between the operands of a row, its gaps and how it is shown.
struct RowOperator {
    uint32_t glyph = 0;
    const char16_t* text = nullptr;
    float before = 0;
    float after = 0;
    float width = 0;
};

RowOperator OperatorOf(const FormulaNode* node)
{
    float s = Typeset.size;
    RowOperator op;
    op.before = op.after = kOperatorGap * s;
    switch (node->kind) {
    case KindEquation:
        op.before = op.after = (node->parent ? kInnerEquationGap : kRootEquationGap) * s;
        break;
    case KindComma:
        op.before = 0;
        break;
    case KindProduct:
        op.before = op.after = 0;
        break;
    default:
        break;
    }
    if (node->kind == KindIf) {
        op.text = u"if";
        op.width = MeasureFormulaText(op.text);
    } else if (node->kind != KindProduct) {
        const NodeKindEntry* entry = NodeKindEntryOf(node->kind);
        op.glyph = entry ? entry->displayChar : 0;
        op.width = op.glyph ? MeasureFormulaGlyph(op.glyph) : 0;
    }
    return op;
}

bool IsSignedTerm(const FormulaNode* row, uint32_t i)
{
    return row->kind == KindSum && i > 0 && IsSignKind(row->children[i]->kind);
}

bool VisibleDotAfter(const FormulaNode* row, uint32_t i)
{
    return row->kind == KindProduct && NeedsVisibleDot(row->children[i], row->children[i + 1]);
}

void MeasureRow(FormulaNode* node)
{
    float s = Typeset.size;
    RowOperator op = OperatorOf(node);
    float separator = node->kind == KindProduct ? kProductSeparator * s : op.before + op.width + op.after;
    float plus = node->kind == KindSum ? op.before + op.width : 0;
    float dot = node->kind == KindProduct ? MeasureFormulaGlyph(kMiddleDot) : 0;
    float x = 0, depth = 0, height = s;
    uint32_t n = node->childCount;
    for (uint32_t i = 0; i < n; ++i) {
        FormulaNode* child = node->children[i];
        // A signed term brings its own sign in place of the "+".
        if (IsSignedTerm(node, i))
            x -= plus;
        BoxOf(child).relativeX = x;
        x += BoxOf(child).width;
        if (i + 1 < n) {
            x += separator;
            if (VisibleDotAfter(node, i))
                x += dot;
        }
        Extents e = ExtentsOf(child);
        depth = std::max(depth, e.d);
        height = std::max(height, e.h);
    }
    for (uint32_t i = 0; i < n; ++i)
        BoxOf(node->children[i]).relativeY = ExtentsOf(node->children[i]).d - depth;
    SetBox(node, x, height, depth, 1);
}

void DrawOperator(const RowOperator& op, float x, float y, PortDC* dc)
{
    if (op.text)
        DrawTextAt(op.text, x, y, dc);
    else if (op.glyph)
        DrawGlyphAt(op.glyph, x, y, dc);
}

void DrawRow(FormulaNode* node, PortDC* dc)
{
    float s = Typeset.size;
    RowOperator op = OperatorOf(node);
    float baseline = BaselineOf(node);
    float x = BoxOf(node).absoluteLeft;
    for (uint32_t i = 0; i + 1 < node->childCount; ++i) {
        x += BoxOf(node->children[i]).width + op.before;
        if (node->kind == KindProduct) {
            x += kProductSeparator * s;
            if (VisibleDotAfter(node, i)) {
                DrawOperator(RowOperator{kMiddleDot, nullptr, 0, 0, 0}, x, baseline, dc);
                x += MeasureFormulaGlyph(kMiddleDot);
            }
        } else if (!IsSignedTerm(node, i + 1)) {
            DrawOperator(op, x, baseline, dc);
            x += op.width + op.after;
        }
    }
}

}  // namespace

bool IsMultiLetterVariable(const FormulaNode* node)
{
    return node->kind == KindVariable && (node->payload.code & 0xFFFF) >= kFirstRegistryCode &&
           WideLength(SymbolName(node->payload.code)) > 1;
}

bool NeedsVisibleDot(const FormulaNode* left, const FormulaNode* right)
{
    bool rightIsEllipsis = IsEllipsisSymbol(right);
    if (IsPrefixKind(left) && !rightIsEllipsis)
        return true;
    if (IsPowerOf(left, IsPrefixKind) && !rightIsEllipsis)
        return true;
    if (left->kind == KindPlaceholder || right->kind == KindPlaceholder)
        return true;
    if (IsNumber(left) && (IsNumber(right) || IsPowerOf(right, IsNumber) || right->kind == KindMinus))
        return true;
    return IsMultiLetterVariable(left) && IsMultiLetterVariable(right);
}

void TypesetInfixRow(FormulaNode* node, int32_t phase, PortDC* dc)
{
    if (phase == kMeasurePhase)
        MeasureRow(node);
    else if (phase == kDrawPhase)
        DrawRow(node, dc);
}

void TypesetSign(FormulaNode* node, int32_t phase, PortDC* dc)
{
    const NodeKindEntry* entry = NodeKindEntryOf(node->kind);
    uint32_t sign = entry ? entry->displayChar : 0x2212;
    if (phase == kMeasurePhase) {
        bool inSum = node->parent && node->parent->kind == KindSum;
        PrefixBox(node, MeasureFormulaGlyph(sign) + (inSum ? 0.25f : 0.15f) * Typeset.size);
    } else if (phase == kDrawPhase) {
        DrawGlyphAt(sign, BoxOf(node).absoluteLeft, BaselineOf(node), dc);
    }
}
