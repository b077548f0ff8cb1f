#include "editor/TypesetLayout.h"

#include "editor/FormulaDrawingPort.h"
#include "editor/LineWrapping.h"
#include "editor/TypesetMetrics.h"
#include "formula/NodeKindTable.h"

#include <algorithm>

namespace {

LayoutBox Scratch;

void PrefixBoxWithFloor(FormulaNode* node, float p, float minDepth, float minHeight)
{
    FormulaNode* child = ChildAt(node, 0);
    Extents e = child ? ExtentsOf(child) : Extents{0, 0};
    float depth = std::max(minDepth, e.d);
    float height = std::max(minHeight, e.h);
    float width = p;
    if (child) {
        PlaceChild(child, p, -(depth - e.d));
        width += BoxOf(child).width;
    }
    SetBox(node, width, height, depth, 1);
}

}  // namespace

LayoutBox& BoxOf(FormulaNode* node)
{
    if (node && node->layoutBox)
        return *node->layoutBox;
    Scratch = LayoutBox{};
    return Scratch;
}

FormulaNode* ChildAt(const FormulaNode* node, uint32_t i)
{
    return node && i < node->childCount ? node->children[i] : nullptr;
}

Extents ExtentsOf(FormulaNode* node)
{
    const LayoutBox& box = BoxOf(node);
    float a = box.atomFlag ? 0 : AxisHeight(Typeset.size);
    return Extents{box.height + a, box.depth - a};
}

float BaselineOf(FormulaNode* node)
{
    const LayoutBox& box = BoxOf(node);
    return box.absoluteBottom - box.depth;
}

void PlaceChild(FormulaNode* child, float x, float y)
{
    LayoutBox& box = BoxOf(child);
    box.relativeX = x;
    box.relativeY = y;
}

void SetBox(FormulaNode* node, float width, float height, float depth, uint8_t atom)
{
    LayoutBox& box = BoxOf(node);
    box.width = width;
    box.height = height;
    box.depth = depth;
    box.atomFlag = atom;
}

void DrawTextAt(const char16_t* text, float x, float y, PortDC* dc)
{
    WrapMoveTo(x, y);
    DrawFormulaText(text, dc);
}

void DrawGlyphAt(uint32_t codePoint, float x, float y, PortDC* dc)
{
    WrapMoveTo(x, y);
    DrawFormulaGlyph(codePoint, dc);
}

float MinFloat(float a, float b)
{
    return a < b ? a : b;
}

float MaxFloat(float a, float b)
{
    return a > b ? a : b;
}

float HalfWidth(FormulaNode* node)
{
    return BoxOf(node).width / 2;
}

void WrapBox(FormulaNode* node, float left, float top, float right, float bottom)
{
    FormulaNode* child = ChildAt(node, 0);
    const LayoutBox inner = BoxOf(child);
    if (child)
        PlaceChild(child, left, -bottom);
    SetBox(node, left + inner.width + right, std::max(inner.height + top, Typeset.size), inner.depth + bottom, 1);
}

void PrefixBox(FormulaNode* node, float p)
{
    PrefixBoxWithFloor(node, p, 0, 0);
}

void PrefixBoxMinText(FormulaNode* node, float p)
{
    PrefixBoxWithFloor(node, p, Typeset.atomDepth, Typeset.atomHeight);
}

float ScriptOverlapLimit(float baseExtent, float scriptExtent)
{
    return std::min(0.75f * scriptExtent, 0.5f * baseExtent - 0.05f * Typeset.size);
}

float ExponentOverlapLimit(float baseHeight, float exponentExtent)
{
    return std::min(0.85f * exponentExtent, 0.75f * baseHeight - 0.05f * Typeset.size);
}

namespace {

constexpr uint32_t kPartialSign = 0x2202;

// The glyph of the sign, with the italic style set for the d.
uint32_t DerivativeSign(const FormulaNode* op)
{
    if (op->kind == KindOpPartial)
        return kPartialSign;
    SetTypesetItalic();
    return u'd';
}

}  // namespace

float DerivativeSignWidth(const FormulaNode* op)
{
    bool italic = Typeset.italic;
    float width = MeasureFormulaGlyph(DerivativeSign(op));
    Typeset.italic = italic;
    return width;
}

void DrawDerivativeSign(const FormulaNode* op, PortDC* dc)
{
    bool italic = Typeset.italic;
    DrawFormulaGlyph(DerivativeSign(op), dc);
    Typeset.italic = italic;
}
