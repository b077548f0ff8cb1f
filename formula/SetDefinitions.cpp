#include "formula/SetDefinitions.h"

#include "formula/CopyTree.h"
#include "formula/Definitions.h"
#include "formula/FormulaNode.h"
#include "formula/NodeKindTable.h"
#include "formula/SubtreeValue.h"
#include "formula/TreeConstness.h"
#include "formula/TreeRewrite.h"
#include "formula/TreeSplice.h"
#include "formula/TreeWalk.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kMaxRangeValues = 199;

bool IsSetDefinition(const FormulaNode* item)
{
    return (item->kind == KindEquation || item->kind == KindIn) && item->childCount == 2 &&
        item->children[1]->kind == KindSet && IsVariableOrIndexed(item->children[0]);
}

// A product of the given factors with the ellipsis where one is null.
bool IsEllipsisProduct(const FormulaNode* node, uint32_t factors, uint32_t ellipsis)
{
    return node->kind == KindProduct && node->childCount == factors && IsEllipsisSymbol(node->children[ellipsis]);
}

// The parts of a typed range: start a (negated when the range began with a
// minus), the second value b (none: step 1) and the end c.
struct RangeShape {
    const FormulaNode* a = nullptr;
    const FormulaNode* b = nullptr;
    const FormulaNode* c = nullptr;
    bool negatedStart = false;
};

bool ReadRangeShape(const FormulaNode* content, RangeShape& shape)
{
    const FormulaNode* const* items = content->children;
    uint32_t count = content->childCount;
    if (content->kind == KindMinus && count == 1 && IsEllipsisProduct(items[0], 3, 1)) {
        shape = {items[0]->children[0], nullptr, items[0]->children[2], true};
    } else if ((content->kind == KindProduct || content->kind == KindComma) && count == 3 &&
        IsEllipsisSymbol(items[1])) {
        shape = {items[0], nullptr, items[2]};
    } else if (content->kind == KindComma && count == 4 && IsEllipsisSymbol(items[2])) {
        shape = {items[0], items[1], items[3]};
    } else if (content->kind == KindComma && count == 3 && IsEllipsisProduct(items[2], 2, 0)) {
        shape = {items[0], items[1], items[2]->children[1]};
    } else if (content->kind == KindComma && count == 2 && IsEllipsisProduct(items[1], 3, 1)) {
        shape = {items[0], items[1]->children[0], items[1]->children[2]};
    } else {
        return false;
    }
    return true;
}

bool AllConstant(const RangeShape& shape, const DocState* doc)
{
    return IsConstantTree(shape.a, doc) && (!shape.b || IsConstantTree(shape.b, doc)) && IsConstantTree(shape.c, doc);
}

// n numbers: first + step i for i up to n - 2, and exactly last last.
FormulaNode* RangeValues(double first, double last, double step, uint32_t n)
{
    FormulaNode* list = MakeNode(KindComma, n);
    if (!list)
        return nullptr;
    bool whole = true;
    for (uint32_t i = 0; i < n; ++i) {
        FormulaNode* number = whole ? MakeNumberNode(i + 1 < n ? first + step * i : last) : nullptr;
        whole = number != nullptr;
        list->children[i] = number;
        if (number)
            number->parent = list;
    }
    if (whole)
        return list;
    FreeTree(list);
    return nullptr;
}

// Compared as a double before any conversion: huge, infinite and NaN counts
// leave the range as typed.
bool IsRangeCount(double count)
{
    return std::isfinite(count) && count >= 1 && count < kMaxRangeValues + 1;
}

// a, b, ..., c: the values a + (b - a) i in the written order that do not
// pass c, so 10, 8, ..., 1 is 10, 8, 6, 4, 2. The end is taken exactly when
// the steps land on it up to rounding. A step away from c or none leaves
// the range as typed.
FormulaNode* SteppedValues(double start, double step, double end)
{
    double count = std::floor((end - start) / step + 1 + 1e-9);
    if (!IsRangeCount(count))
        return nullptr;
    uint32_t n = static_cast<uint32_t>(count);
    double last = start + step * (n - 1);
    if (std::fabs(last - end) <= 1e-9 * std::fabs(step))
        last = end;
    return n == 1 ? MakeNumberNode(start) : RangeValues(start, last, step, n);
}

// a, ..., c: the whole numbers from the lower end up, and exactly the upper
// end last, whichever end was written first.
FormulaNode* UnitValues(double start, double end)
{
    double lo = std::min(start, end);
    double hi = std::max(start, end);
    double count = hi - lo + 1.5;
    if (!IsRangeCount(count))
        return nullptr;
    return lo == hi ? MakeNumberNode(lo) : RangeValues(lo, hi, 1, std::max(2u, static_cast<uint32_t>(count)));
}

template <typename Rewrite>
void ForEachSign(FormulaNode* root, Rewrite rewrite)
{
    for (PostorderWalk walk(root); walk.Node(); walk.Next()) {
        FormulaNode* node = walk.Node();
        if ((node->kind == KindPlusOrMinus || node->kind == KindMinusOrPlus) && node->childCount == 1)
            rewrite(node, node->kind == KindPlusOrMinus);
    }
}

}  // namespace

bool HasPlusMinusOrSetDefinition(FormulaNode* root)
{
    return ContainsPlusMinus(root) || FindSetDefinition(root, false, nullptr);
}

FormulaNode* ExtractSetDefinition(DocState* doc, FormulaNode* root)
{
    return FindSetDefinition(root, true, doc);
}

FormulaNode* FindSetDefinition(FormulaNode* root, bool extract, DocState* doc)
{
    if (root->kind != KindComma)
        return nullptr;
    for (uint32_t i = 1; i < root->childCount; ++i) {
        FormulaNode* item = root->children[i];
        if (!IsSetDefinition(item))
            continue;
        if (!extract)
            return item;
        FormulaNode* set = item->children[1];
        if (set->childCount > 0)
            ExpandRangeSet(set->children[0], doc);
        return DetachOperand(root, i);
    }
    return nullptr;
}

void ExpandRangeSet(FormulaNode* content, DocState* doc)
{
    RangeShape shape;
    if (!ReadRangeShape(content, shape) || !AllConstant(shape, doc))
        return;
    double start = EvaluateSubtreeReal(shape.a, doc);
    if (shape.negatedStart)
        start = -start;
    double end = EvaluateSubtreeReal(shape.c, doc);
    if (!std::isfinite(start) || !std::isfinite(end))
        return;
    FormulaNode* values =
        shape.b ? SteppedValues(start, EvaluateSubtreeReal(shape.b, doc) - start, end) : UnitValues(start, end);
    if (values)
        ReplaceNode(values, content);
}

bool ContainsPlusMinus(const FormulaNode* root)
{
    for (PreorderWalk walk(const_cast<FormulaNode*>(root)); walk.Node(); walk.Next()) {
        if (walk.Node()->kind == KindPlusOrMinus || walk.Node()->kind == KindMinusOrPlus)
            return true;
    }
    return false;
}

void ResolvePlusMinusAsPlus(FormulaNode* root)
{
    ForEachSign(root, [](FormulaNode* sign, bool plusFirst) {
        if (plusFirst)
            CollapseToFirstChild(sign);
        else
            sign->kind = KindMinus;
    });
}

void ResolvePlusMinusAsMinus(FormulaNode* root)
{
    ForEachSign(root, [](FormulaNode* sign, bool plusFirst) {
        if (plusFirst)
            sign->kind = KindMinus;
        else
            CollapseToFirstChild(sign);
    });
}
