// The typesetting handlers: one per way of laying out a node kind, found
// through the kind's routine in the NodeKindTable. The driver calls a node's
// handler in the measure phase after its children are measured (it sets the
// node's width, height, depth and atom flag and each child's relative x and
// y) and in the draw phase after every box is placed.
#pragma once

#include <cstdint>

class PortDC;
struct FormulaNode;

constexpr int32_t kMeasurePhase = 0;
constexpr int32_t kDrawPhase = 1;

using TypesetHandler = void (*)(FormulaNode* node, int32_t phase, PortDC* dc);

// The handler of the node's kind; kinds without a layout of their own, kinds
// the table does not know and nodes with children their layout does not
// expect get TypesetLinearForm.
TypesetHandler TypesetHandlerOf(const FormulaNode* node);

// Atoms: numbers, placeholders, variables, texts.
void TypesetNumber(FormulaNode* node, int32_t phase, PortDC* dc);
void TypesetPlaceholder(FormulaNode* node, int32_t phase, PortDC* dc);
void TypesetVariable(FormulaNode* node, int32_t phase, PortDC* dc);
void TypesetText(FormulaNode* node, int32_t phase, PortDC* dc);
// Operands with an operator between each two: sums, products, relations,
// lists; also the one-line forms of fractions and powers.
void TypesetInfixRow(FormulaNode* node, int32_t phase, PortDC* dc);
// Minus, plus-or-minus, minus-or-plus before their operand.
void TypesetSign(FormulaNode* node, int32_t phase, PortDC* dc);
// sin x, ln x, max(a, b) ...: an upright name before the argument.
void TypesetNamedFunction(FormulaNode* node, int32_t phase, PortDC* dc);
void TypesetLog(FormulaNode* node, int32_t phase, PortDC* dc);
// f(x), and the derivative operator applied to a variable.
void TypesetUserFunction(FormulaNode* node, int32_t phase, PortDC* dc);
// The kind's name, then its children in parentheses separated by commas
// (just the parentheses for bracket kinds): readable for any node.
void TypesetLinearForm(FormulaNode* node, int32_t phase, PortDC* dc);
