// The layout of kinds without one of their own: the kind's name and its
// children in parentheses, separated by commas, on one baseline.
#include "editor/FormulaDrawingPort.h"
#include "editor/TypesetHandlers.h"
#include "editor/TypesetLayout.h"
#include "editor/TypesetMetrics.h"
#include "formula/NodeKindTable.h"

#include <algorithm>

namespace {

// Bracket kinds show their content in parentheses, without a name.
const char16_t* ShownName(const FormulaNode* node)
{
    if (node->kind == KindParentheses || node->kind == KindLeftParen)
        return u"";
    const NodeKindEntry* entry = NodeKindEntryOf(node->kind);
    return entry && entry->name ? entry->name : u"";
}

struct Pieces {
    const char16_t* name;
    float nameWidth;
    float open;
    float comma;  // the comma and the space after it
};

Pieces PiecesOf(const FormulaNode* node)
{
    Pieces p;
    p.name = ShownName(node);
    p.nameWidth = MeasureFormulaText(p.name);
    p.open = MeasureFormulaGlyph(u'(');
    p.comma = MeasureFormulaGlyph(u',') + 0.25f * Typeset.size;
    return p;
}

void Measure(FormulaNode* node)
{
    float s = Typeset.size;
    Pieces p = PiecesOf(node);
    float depth = s / 4, height = s;
    for (uint32_t i = 0; i < node->childCount; ++i) {
        Extents e = ExtentsOf(node->children[i]);
        depth = std::max(depth, e.d);
        height = std::max(height, e.h);
    }
    float x = p.nameWidth + p.open;
    for (uint32_t i = 0; i < node->childCount; ++i) {
        FormulaNode* child = node->children[i];
        if (i > 0)
            x += p.comma;
        PlaceChild(child, x, ExtentsOf(child).d - depth);
        x += BoxOf(child).width;
    }
    SetBox(node, x + MeasureFormulaGlyph(u')'), height, depth, 1);
}

void Draw(FormulaNode* node, PortDC* dc)
{
    Pieces p = PiecesOf(node);
    float baseline = BaselineOf(node);
    float x = BoxOf(node).absoluteLeft;
    DrawTextAt(p.name, x, baseline, dc);
    x += p.nameWidth;
    DrawGlyphAt(u'(', x, baseline, dc);
    x += p.open;
    for (uint32_t i = 0; i < node->childCount; ++i) {
        if (i > 0) {
            DrawGlyphAt(u',', x, baseline, dc);
            x += p.comma;
        }
        x += BoxOf(node->children[i]).width;
    }
    DrawGlyphAt(u')', x, baseline, dc);
}

}  // namespace

void TypesetLinearForm(FormulaNode* node, int32_t phase, PortDC* dc)
{
    if (phase == kMeasurePhase)
        Measure(node);
    else if (phase == kDrawPhase)
        Draw(node, dc);
}
