// Kinds that enclose their children: parentheses and braces, built from
// pieces when their content is tall, the binomial coefficient, piecewise
// definitions, absolute value, floor, ceiling, set braces, intervals,
// overline and hat.
#include "editor/FormulaDrawingPort.h"
#include "editor/LineWrapping.h"
#include "editor/TypesetAtoms.h"
#include "editor/TypesetHandlers.h"
#include "editor/TypesetLayout.h"
#include "editor/TypesetMetrics.h"
#include "formula/NodeKindTable.h"

#include <algorithm>
#include <cmath>

namespace {

// The pieces brackets are built from.
constexpr uint32_t kParenUpperLeft = 0x239B;
constexpr uint32_t kParenExtensionLeft = 0x239C;
constexpr uint32_t kParenLowerLeft = 0x239D;
constexpr uint32_t kParenUpperRight = 0x239E;
constexpr uint32_t kParenExtensionRight = 0x239F;
constexpr uint32_t kParenLowerRight = 0x23A0;
constexpr uint32_t kBraceUpper = 0x23A7;
constexpr uint32_t kBraceMiddle = 0x23A8;
constexpr uint32_t kBraceLower = 0x23A9;
constexpr uint32_t kBraceExtension = 0x23AA;

// As multiples of s.
constexpr float kOuterPad = 0.167f;
constexpr float kInnerPad = 0.071f;
constexpr float kInset = 0.025f;
constexpr float kLargeBracket = 2.438f;
constexpr float kBraceHeight = 2.4f;
constexpr float kBalance = 0.5f;

// How far up from a piece the next one stands, as a multiple of s.
constexpr float BracketPieceAdvance(uint32_t piece)
{
    switch (piece) {
    case kParenUpperLeft: case kParenLowerLeft: case kParenUpperRight: case kParenLowerRight:
        return 0.9f;
    case kParenExtensionLeft: case kParenExtensionRight:
        return 0.85f;
    default:
        return 0.8f;  // brace pieces
    }
}
constexpr float kHookAdvance = BracketPieceAdvance(kParenLowerLeft);
constexpr float kExtensionAdvance = BracketPieceAdvance(kParenExtensionLeft);
constexpr float kBracePieceAdvance = BracketPieceAdvance(kBraceExtension);

// More pieces than this would draw nothing one could tell apart.
constexpr int kMostPieces = 10000;

float Width(FormulaNode* node)
{
    return BoxOf(node).width;
}

float Extent(FormulaNode* node)
{
    const LayoutBox& box = BoxOf(node);
    return box.height + box.depth;
}

// What is left of r after taking whole steps while more than a step is left.
float LeftOver(float r, float step)
{
    if (!std::isfinite(r))
        return 0;
    if (r > step)
        r -= (std::ceil(r / step) - 1) * step;
    while (r > step)
        r -= step;
    return r;
}

// Where brace pieces are drawn for their stem to stand at x: faces place
// the pieces at different bearings. The middle piece's point, further left,
// stays right of the box's left edge.
float BracePieceX(float x, float boxLeft)
{
    return std::max(x - GlyphLeftBearing(kBraceExtension), boxLeft - GlyphLeftBearing(kBraceMiddle));
}

void DrawBracePiece(uint32_t piece, float x, float y, PortDC* dc)
{
    DrawGlyphAt(piece, x, y - GlyphDescent(piece), dc);
}

void MeasureChoice(FormulaNode* node, float w)
{
    float s = Typeset.size;
    FormulaNode* top = node->children[0];
    FormulaNode* bottom = node->children[1];
    float m = std::max(Width(top), Width(bottom));
    float side = w + (kOuterPad + kInnerPad) * s;
    PlaceChild(top, side + (m - Width(top)) / 2 + kInset * s, -(Extent(bottom) + Typeset.tenth));
    PlaceChild(bottom, side + (m - Width(bottom)) / 2 + kInset * s, 0);
    float half = (Extent(top) + Extent(bottom) + Typeset.tenth) / 2;
    SetBox(node, 2 * side + m, half, half, 0);
}

void MeasureBrackets(FormulaNode* node)
{
    float s = Typeset.size;
    bool brace = node->kind == KindLeftParen;
    float w = MeasureFormulaGlyph(brace ? u'{' : u'(');
    if (node->kind == KindChoice) {
        MeasureChoice(node, w);
        return;
    }
    FormulaNode* child = node->children[0];
    const LayoutBox c = BoxOf(child);
    if (node->kind == KindParentheses && child->kind == KindParentheses) {
        PlaceChild(child, w + (kOuterPad + kInnerPad) * s, 0);
        SetBox(node, c.width + 2 * w + (2 * kOuterPad + 2 * kInnerPad) * s, c.height, c.depth, 1);
        return;
    }
    Extents e = ExtentsOf(child);
    float depth = std::max(s / 4, e.d), height = std::max(s, e.h);
    // The brackets are centred on the axis: the shorter side grows to
    // within a tolerance of the longer.
    float above = height - AxisHeight(s), below = depth + AxisHeight(s);
    float top = 0, bottom = 0;
    if (above > below + kBalance * s)
        bottom = above - below - kBalance * s;
    else if (below > above + kBalance * s)
        top = below - above - kBalance * s;
    float total = height + depth + top + bottom;
    if (brace && total > 1.275f * s && total < kBraceHeight * s) {
        top += kBraceHeight * s - total;
        bottom += kBraceHeight * s - total;
    }
    height += top;
    depth += bottom;
    if (height + depth - 0.2f * s > kLargeBracket * s)
        w = MeasureFormulaGlyph(kParenLowerLeft);
    PlaceChild(child, (kInset + kOuterPad + kInnerPad) * s + w, -(depth - e.d));
    float sides = brace ? w : 2 * w;
    SetBox(node, c.width + (2 * kInnerPad + 2 * kOuterPad) * s + sides, height, depth, 1);
}

void DrawParenthesisPieces(FormulaNode* node, float usable, PortDC* dc)
{
    float s = Typeset.size;
    const LayoutBox& box = BoxOf(node);
    bool large = usable > kLargeBracket * s;
    float o0 = LeftOver(usable - 2 * kHookAdvance * s, kExtensionAdvance * s) / 2;
    float delta;
    if (node->kind == KindChoice) {
        float m = std::max(Width(node->children[0]), Width(node->children[1]));
        delta = MeasureFormulaGlyph(u'(') + m;
    } else {
        delta = Width(node->children[0]) + MeasureFormulaGlyph(large ? kParenLowerRight : u'(');
    }
    delta += (2 * kInnerPad + kOuterPad - 0.2f) * s;
    float xL = box.absoluteLeft + kOuterPad * s;
    float xR = xL + 0.15f * s + delta;
    float yb = box.absoluteBottom + Typeset.tenth;
    float o = o0;
    float lower = yb - o - GlyphDescent(kParenLowerLeft);
    DrawGlyphAt(kParenLowerLeft, xL, lower, dc);
    DrawGlyphAt(kParenLowerRight, xR, lower, dc);
    o += kHookAdvance * s;
    for (int n = 0; large && n < kMostPieces && o < usable - kHookAdvance * s - o0 - Typeset.tenth; ++n) {
        // The right extension stands where the left one does.
        float y = yb - o - GlyphDescent(kParenExtensionLeft);
        DrawGlyphAt(kParenExtensionLeft, xL, y, dc);
        DrawGlyphAt(kParenExtensionRight, xR, y, dc);
        o += kExtensionAdvance * s;
    }
    float y = yb - o - GlyphDescent(kParenUpperLeft);
    DrawGlyphAt(kParenUpperLeft, xL, y, dc);
    DrawGlyphAt(kParenUpperRight, xR, y, dc);
}

// A left brace of its lower, middle and upper pieces with extensions
// between, over the height t with o left free below and above.
void DrawBracePieces(float x, float yb, float t, float o, float middleFrom, PortDC* dc)
{
    float s = Typeset.size;
    DrawBracePiece(kBraceLower, x, yb - o, dc);
    float cur = o + kBracePieceAdvance * s;
    bool middle = false;
    for (int n = 0; n < kMostPieces && cur < t; ++n) {
        bool here = !middle && cur >= middleFrom;
        middle = middle || here;
        DrawBracePiece(here ? kBraceMiddle : kBraceExtension, x, yb - cur, dc);
        cur += kBracePieceAdvance * s;
    }
    DrawBracePiece(kBraceUpper, x, yb - cur, dc);
}

void DrawBrackets(FormulaNode* node, PortDC* dc)
{
    float s = Typeset.size;
    const LayoutBox& box = BoxOf(node);
    float usable = box.height + box.depth - 0.2f * s;
    if (!std::isfinite(usable))
        return;
    if (node->kind != KindChoice && usable <= kLargeBracket * s) {
        bool brace = node->kind == KindLeftParen;
        float x = box.absoluteLeft + kOuterPad * s;
        DrawGlyphAt(brace ? u'{' : u'(', x, BaselineOf(node), dc);
        if (!brace)
            DrawGlyphAt(u')', x + MeasureFormulaGlyph(u'(') + Width(node->children[0]) + 2 * kInnerPad * s,
                        BaselineOf(node), dc);
        return;
    }
    if (node->kind != KindLeftParen) {
        DrawParenthesisPieces(node, usable, dc);
        return;
    }
    float o = LeftOver(usable - kBraceHeight * s, 1.6f * s) / 2;
    float inner = usable - 2 * o;
    // The middle piece goes where it reaches half way up the inner height.
    float middleFrom = o + (0.8f + (inner - 1.6f * s) / (2 * s) - 0.4f) * s;
    DrawBracePieces(BracePieceX(box.absoluteLeft + kOuterPad * s, box.absoluteLeft), box.absoluteBottom - Typeset.tenth,
                    inner - kBracePieceAdvance * s, o, middleFrom, dc);
}

void MeasurePiecewise(FormulaNode* node)
{
    float s = Typeset.size;
    float wb = MeasureFormulaGlyph(u'{');
    uint32_t n = node->childCount;
    float total = 0.5f * s * static_cast<float>(n - 1), half = 0;
    for (uint32_t i = 0; i < n; ++i) {
        total += Extent(node->children[i]);
        half = std::max(half, HalfWidth(node->children[i]));
    }
    float pad = total < kBraceHeight * s ? kBraceHeight * s - total + Typeset.tenth : 0;
    // The last case at the bottom, each earlier one above the next.
    float below = pad;
    for (uint32_t i = n; i-- > 0;) {
        FormulaNode* piece = node->children[i];
        PlaceChild(piece, (kInnerPad + kOuterPad) * s + wb + half - HalfWidth(piece), -below);
        below += Extent(piece) + 0.5f * s;
    }
    SetBox(node, 2 * half + wb + (2 * kOuterPad + 2 * kInnerPad) * s, total / 2 + pad + AxisHeight(s),
           total / 2 + pad - AxisHeight(s), 1);
}

void DrawPiecewise(FormulaNode* node, PortDC* dc)
{
    float s = Typeset.size;
    const LayoutBox& box = BoxOf(node);
    float t = box.height + box.depth;
    if (!std::isfinite(t))
        return;
    float o = t > kBraceHeight * s ? LeftOver(t - kBraceHeight * s, 1.6f * s) / 2 : 0;
    DrawBracePieces(BracePieceX(box.absoluteLeft + kOuterPad * s, box.absoluteLeft), box.absoluteBottom - Typeset.tenth,
                    t - o - kBracePieceAdvance * s - 0.3f * s, o, t / 2 - 0.7f * s, dc);
}

// Floor and ceiling: corners of feet 0.3 s at both sides, the feet at the
// bottom (floor) or the top (ceiling).
void DrawCorners(FormulaNode* node, bool feetAtTop, PortDC* dc)
{
    float s = Typeset.size;
    const LayoutBox& box = BoxOf(node);
    float e = Extent(node->children[0]) - 0.2f * s;
    float y = box.absoluteBottom - Typeset.tenth - (feetAtTop ? e : 0);
    float rise = feetAtTop ? -e : e;
    DrawCornerPath(box.absoluteLeft + Typeset.tenth, y, 0.3f * s, rise, dc);
    DrawCornerPath(box.absoluteLeft + Width(node->children[0]) + 1.0f * s, y, -0.3f * s, rise, dc);
}

void TypesetCorners(FormulaNode* node, int32_t phase, PortDC* dc, bool feetAtTop)
{
    float m = 0.5f * Typeset.size + Typeset.lineWidth;
    if (phase == kMeasurePhase)
        WrapBox(node, m, 0, m, 0);
    else if (phase == kDrawPhase)
        DrawCorners(node, feetAtTop, dc);
}

}  // namespace

void TypesetBrackets(FormulaNode* node, int32_t phase, PortDC* dc)
{
    if (phase == kMeasurePhase)
        MeasureBrackets(node);
    else if (phase == kDrawPhase)
        DrawBrackets(node, dc);
}

void TypesetPiecewise(FormulaNode* node, int32_t phase, PortDC* dc)
{
    if (phase == kMeasurePhase)
        MeasurePiecewise(node);
    else if (phase == kDrawPhase)
        DrawPiecewise(node, dc);
}

void TypesetAbs(FormulaNode* node, int32_t phase, PortDC* dc)
{
    float s = Typeset.size;
    float side = 0.2f * s + Typeset.lineWidth;
    if (phase == kMeasurePhase) {
        WrapBox(node, side, 0, side, 0);
        return;
    }
    if (phase != kDrawPhase)
        return;
    const LayoutBox& box = BoxOf(node);
    FormulaNode* child = node->children[0];
    float length = Extent(child) - Typeset.tenth;
    float y = box.absoluteBottom - Typeset.tenth;
    for (float x : {box.absoluteLeft + Typeset.tenth, box.absoluteLeft + 0.3f * s + Typeset.lineWidth + Width(child)}) {
        WrapMoveTo(x, y);
        FormulaLineBy(0, -length, dc);
    }
}

void TypesetFloor(FormulaNode* node, int32_t phase, PortDC* dc)
{
    TypesetCorners(node, phase, dc, false);
}

void TypesetCeil(FormulaNode* node, int32_t phase, PortDC* dc)
{
    TypesetCorners(node, phase, dc, true);
}

void TypesetSet(FormulaNode* node, int32_t phase, PortDC* dc)
{
    float open = MeasureFormulaGlyph(u'{');
    if (phase == kMeasurePhase) {
        WrapBox(node, open, 0, MeasureFormulaGlyph(u'}'), 0);
    } else if (phase == kDrawPhase) {
        float x = BoxOf(node).absoluteLeft, y = BaselineOf(node);
        DrawGlyphAt(u'{', x, y, dc);
        DrawGlyphAt(u'}', x + open + Width(node->children[0]), y, dc);
    }
}

void TypesetInterval(FormulaNode* node, int32_t phase, PortDC* dc)
{
    float s = Typeset.size;
    FormulaNode* lower = node->children[0];
    FormulaNode* upper = node->children[1];
    float open = MeasureFormulaGlyph(u'[');
    float comma = MeasureFormulaGlyph(u',');
    if (phase == kMeasurePhase) {
        Extents a = ExtentsOf(lower), b = ExtentsOf(upper);
        float depth = std::max({s / 4, a.d, b.d}), height = std::max({s, a.h, b.h});
        PlaceChild(lower, open, a.d - depth);
        float x = open + Width(lower) + comma;
        PlaceChild(upper, x, b.d - depth);
        x += Width(upper) + MeasureFormulaGlyph(u']');
        SetBox(node, x, height, depth, 1);
    } else if (phase == kDrawPhase) {
        float x = BoxOf(node).absoluteLeft, y = BaselineOf(node) - Typeset.tenth;
        DrawGlyphAt(u'[', x, y, dc);
        DrawGlyphAt(u',', x + open + Width(lower), y, dc);
        DrawGlyphAt(u']', x + open + Width(lower) + comma + Width(upper), y, dc);
    }
}

void TypesetOverline(FormulaNode* node, int32_t phase, PortDC* dc)
{
    float s = Typeset.size;
    const LayoutBox& box = BoxOf(node);
    if (phase == kMeasurePhase) {
        const LayoutBox c = BoxOf(node->children[0]);
        PlaceChild(node->children[0], 0, 0);
        SetBox(node, c.width, c.height + 0.2f * s + Typeset.lineWidth, c.depth, c.atomFlag);
    } else if (phase == kDrawPhase) {
        float top = box.absoluteBottom - box.height - box.depth;
        WrapMoveTo(box.absoluteLeft + Typeset.tenth, top + Typeset.tenth);
        FormulaLineBy(box.width - 0.2f * s, 0, dc);
    }
}

void TypesetHat(FormulaNode* node, int32_t phase, PortDC* dc)
{
    float s = Typeset.size;
    FormulaNode* child = node->children[0];
    LayoutBox& c = BoxOf(child);
    if (phase == kMeasurePhase) {
        PlaceChild(child, 0, 0);
        float height = c.height + 0.6f * s;
        uint32_t glyph = child->kind == KindVariable ? VariableGlyph(child) : 0;
        if (glyph) {
            // Close over letters without ascenders.
            float a = GlyphAscent(glyph);
            height = std::max(0.8f * s + a, c.height);
            c.height = a;
        }
        SetBox(node, c.width, height, c.depth, c.atomFlag);
    } else if (phase == kDrawPhase) {
        const LayoutBox& box = BoxOf(node);
        float top = box.absoluteBottom - box.height - box.depth;
        DrawGlyphAt(u'^', box.absoluteLeft + box.width / 2 - MeasureFormulaGlyph(u'^') / 2,
                    top + 0.9f * s + GlyphDescent(u'^'), dc);
    }
}
