#include "formula/ParsedTreeNormalization.h"

#include "formula/CopyTree.h"
#include "formula/FormulaNode.h"
#include "formula/NodeKindTable.h"
#include "formula/TreeRewrite.h"
#include "formula/TreeSplice.h"
#include "formula/TreeWalk.h"

#include <cmath>
#include <cstdint>

namespace {

// The most rows or columns a matrix can have: the counts are 16-bit signed.
constexpr double kMaxMatrixSide = 32767;

FormulaNode* SingleListOperand(const FormulaNode* node)
{
    if (node->childCount != 1 || node->children[0]->kind != KindComma)
        return nullptr;
    return node->children[0];
}

// The node's child storage goes and the array's count children become its
// children.
void SetChildren(FormulaNode* node, FormulaNode** array, uint32_t count)
{
    FreeChildStorage(node);
    node->children = array;
    node->childCount = static_cast<uint16_t>(count);
    for (uint32_t i = 0; i < count; ++i)
        node->children[i]->parent = node;
}

// The list's items become the node's operands; the node keeps its kind.
void TakeOverList(FormulaNode* node, FormulaNode* list)
{
    int32_t kind = node->kind;
    TransplantNode(list, node);
    node->kind = kind;
}

bool TakesOverItems(int32_t kind, uint32_t items)
{
    switch (kind) {
    case KindSigma: case KindCapitalPi: case KindBranch: case KindLeq: case KindGeq:
        return true;
    case KindIntegral:
        return items <= 4;
    case KindSubstitution:
        return items <= 3;
    default:
        return false;
    }
}

// (summand, index, from, to) becomes sum(summand, index = from, to). Any
// other operand, or no memory, leaves a summation over the operand as read.
void ReshapeParsedSummation(FormulaNode* node)
{
    node->kind = KindSigma;
    FormulaNode* list = SingleListOperand(node);
    if (!list || list->childCount != 4)
        return;
    FormulaNode* equation = MakeNode(KindEquation, 2);
    FormulaNode** operands = equation ? NewChildArray(3) : nullptr;
    if (!operands) {
        FreeNode(equation);
        return;
    }
    FormulaNode** items = list->children;
    equation->children[0] = items[1];
    equation->children[1] = items[2];
    items[1]->parent = items[2]->parent = equation;
    operands[0] = items[0];
    operands[1] = equation;
    operands[2] = items[3];
    FreeNode(list);
    SetChildren(node, operands, 3);
}

// function(list of name and arguments) becomes function(name, arguments),
// the arguments a list when there are several.
void SplitApplication(FormulaNode* node)
{
    FormulaNode* list = SingleListOperand(node);
    if (!list || list->childCount < 2)
        return;
    uint32_t items = list->childCount;
    if (items == 2) {
        TakeOverList(node, list);
        return;
    }
    FormulaNode* arguments = MakeNode(KindComma, items - 1);
    FormulaNode** operands = arguments ? NewChildArray(2) : nullptr;
    if (!operands) {
        FreeNode(arguments);
        return;
    }
    for (uint32_t i = 1; i < items; ++i) {
        arguments->children[i - 1] = list->children[i];
        list->children[i]->parent = arguments;
    }
    operands[0] = list->children[0];
    operands[1] = arguments;
    FreeNode(list);
    SetChildren(node, operands, 2);
}

// The whole number n in 1 .. kMaxMatrixSide that the item holds, else 0.
int16_t MatrixSide(const FormulaNode* item)
{
    if (item->kind != KindNumber || !item->payload.number)
        return 0;
    double side = item->payload.number->value;
    if (!(side >= 1 && side <= kMaxMatrixSide) || side != std::trunc(side))
        return 0;
    return static_cast<int16_t>(side);
}

// matrix(list of rows, columns and cells) becomes a rows x columns matrix of
// the cells. Counts that are not whole sides whose product is the number of
// cells would have every later reader index cells that do not exist; such a
// matrix keeps its one operand as a 1 x 1 matrix.
void ShapeMatrixLiteral(FormulaNode* node)
{
    FormulaNode* list = SingleListOperand(node);
    node->payload.pair = {1, 1};
    if (!list)
        return;
    uint32_t items = list->childCount;
    if (items < 3)
        return;
    int16_t rows = MatrixSide(list->children[0]);
    int16_t columns = MatrixSide(list->children[1]);
    if (!rows || !columns || uint32_t(rows) * uint32_t(columns) != items - 2)
        return;
    FormulaNode** cells = NewChildArray(items - 2);
    if (!cells)
        return;
    for (uint32_t i = 2; i < items; ++i)
        cells[i - 2] = list->children[i];
    FreeTree(list->children[0]);
    FreeTree(list->children[1]);
    FreeNode(list);
    SetChildren(node, cells, items - 2);
    node->payload.pair = {rows, columns};
}

void NormalizeNode(FormulaNode* node)
{
    if (FormulaNode* list = SingleListOperand(node); list && TakesOverItems(node->kind, list->childCount)) {
        TakeOverList(node, list);
        return;
    }
    switch (node->kind) {
    case KindParsedSummation:
        ReshapeParsedSummation(node);
        return;
    case KindParsedBracket:
        node->kind = KindParentheses;
        return;
    case KindApplication:
        SplitApplication(node);
        return;
    case KindMatrix:
        if (node->childCount == 1)
            ShapeMatrixLiteral(node);
        return;
    default:
        return;
    }
}

}  // namespace

void NormalizeParsedTree(FormulaNode* root)
{
    if (!root)
        return;
    for (PostorderWalk walk(root); walk.Node(); walk.Next())
        NormalizeNode(walk.Node());
}

void FlattenInfixOperators(FormulaNode* root)
{
    if (!root)
        return;
    for (PostorderWalk walk(root); walk.Node(); walk.Next())
        FlattenSameKindOperands(walk.Node());
}

void FlattenSameKindOperands(FormulaNode* node)
{
    const NodeKindEntry* entry = NodeKindEntryOf(node->kind);
    if (!entry || entry->syntaxClass != SyntaxClass::Infix)
        return;
    for (uint32_t i = 0; i < node->childCount;) {
        // A refused splice (operand limit, no memory) leaves the operand
        // nested and moves on, so the loop always ends.
        if (node->children[i]->kind == node->kind && FlattenChild(node, i))
            continue;
        ++i;
    }
}
