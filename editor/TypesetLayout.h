// What every typesetting handler shares: reading and placing boxes, a
// child's extents about the text baseline, and the common box shapes.
// Lengths are of the current TypesetMetrics.
#pragma once

#include "formula/FormulaNode.h"

#include <cstdint>

class PortDC;

// The node's box; a node whose box could not be made gets a zeroed scratch
// box, so that a handler never meets a null one.
LayoutBox& BoxOf(FormulaNode* node);
// Child i, or null beyond the node's children.
FormulaNode* ChildAt(const FormulaNode* node, uint32_t i);

// How far a box reaches above (h) and below (d) the text baseline: a
// construction's reference line is the formula axis, AxisHeight above it.
struct Extents {
    float h;
    float d;
};
Extents ExtentsOf(FormulaNode* node);

// The y of the node's reference line in formula coordinates.
float BaselineOf(FormulaNode* node);
// Sets the child's place relative to its parent's left and bottom edges.
void PlaceChild(FormulaNode* child, float x, float y);
void SetBox(FormulaNode* node, float width, float height, float depth, uint8_t atom);

// Moves the pen to (x, y) along the lines and draws there, baseline on y.
void DrawTextAt(const char16_t* text, float x, float y, PortDC* dc);
void DrawGlyphAt(uint32_t codePoint, float x, float y, PortDC* dc);

float MinFloat(float a, float b);
float MaxFloat(float a, float b);
float HalfWidth(FormulaNode* node);

// Only child at relative (left, -bottom); width left + child + right;
// depth child depth + bottom; height max(child height + top, s); an atom.
void WrapBox(FormulaNode* node, float left, float top, float right, float bottom);
// Only child after p: depth max(0, d), height max(0, h); an atom.
void PrefixBox(FormulaNode* node, float p);
// As PrefixBox, at least as deep and high as a line of text.
void PrefixBoxMinText(FormulaNode* node, float p);

// How far a script may reach into its base.
float ScriptOverlapLimit(float baseExtent, float scriptExtent);
float ExponentOverlapLimit(float baseHeight, float exponentExtent);

// The sign of a derivative operator: the italic d, or the upright partial
// sign. Its width, and drawing it at the pen, which moves past it.
float DerivativeSignWidth(const FormulaNode* op);
void DrawDerivativeSign(const FormulaNode* op, PortDC* dc);
