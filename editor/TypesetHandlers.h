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
// Scripts, fractions and derivatives.
void TypesetIndexes(FormulaNode* node, int32_t phase, PortDC* dc);
void TypesetPower(FormulaNode* node, int32_t phase, PortDC* dc);
void TypesetScientific(FormulaNode* node, int32_t phase, PortDC* dc);
void TypesetTranspose(FormulaNode* node, int32_t phase, PortDC* dc);
void TypesetPostfixChar(FormulaNode* node, int32_t phase, PortDC* dc);
void TypesetFraction(FormulaNode* node, int32_t phase, PortDC* dc);
void TypesetSubstitution(FormulaNode* node, int32_t phase, PortDC* dc);
void TypesetDerivative(FormulaNode* node, int32_t phase, PortDC* dc);
// Brackets and enclosures.
void TypesetBrackets(FormulaNode* node, int32_t phase, PortDC* dc);
void TypesetPiecewise(FormulaNode* node, int32_t phase, PortDC* dc);
void TypesetAbs(FormulaNode* node, int32_t phase, PortDC* dc);
void TypesetFloor(FormulaNode* node, int32_t phase, PortDC* dc);
void TypesetCeil(FormulaNode* node, int32_t phase, PortDC* dc);
void TypesetSet(FormulaNode* node, int32_t phase, PortDC* dc);
void TypesetInterval(FormulaNode* node, int32_t phase, PortDC* dc);
void TypesetOverline(FormulaNode* node, int32_t phase, PortDC* dc);
void TypesetHat(FormulaNode* node, int32_t phase, PortDC* dc);
// Matrices, roots, big operators and vector operators.
void TypesetMatrix(FormulaNode* node, int32_t phase, PortDC* dc);
void TypesetRoot(FormulaNode* node, int32_t phase, PortDC* dc);
void TypesetBigOperator(FormulaNode* node, int32_t phase, PortDC* dc);
void TypesetIntegral(FormulaNode* node, int32_t phase, PortDC* dc);
void TypesetGrad(FormulaNode* node, int32_t phase, PortDC* dc);
void TypesetDivCurl(FormulaNode* node, int32_t phase, PortDC* dc);
void TypesetLaplacian(FormulaNode* node, int32_t phase, PortDC* dc);
void TypesetBessel(FormulaNode* node, int32_t phase, PortDC* dc);
// The kind's name, then its children in parentheses separated by commas
// (just the parentheses for bracket kinds): readable for any node.
void TypesetLinearForm(FormulaNode* node, int32_t phase, PortDC* dc);
