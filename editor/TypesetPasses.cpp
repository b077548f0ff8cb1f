// The passes that prepare a tree for measuring: numbers, parentheses,
// script levels and the marks of table functions.
#include "editor/TypesetDriver.h"

#include "editor/TypesetLayout.h"
#include "formula/FormulaNode.h"
#include "formula/NameRegistry.h"
#include "formula/NodeKindTable.h"
#include "formula/TreeRewrite.h"
#include "formula/TreeWalk.h"
#include "platform/NumberText.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr uint8_t kTableFunctionMark = 2;
constexpr uint8_t kDeepestLevel = 4;

SyntaxClass ClassOf(int32_t kind)
{
    const NodeKindEntry* entry = NodeKindEntryOf(kind);
    return entry ? entry->syntaxClass : SyntaxClass::Leaf;
}

bool IsInfix(int32_t kind)
{
    return ClassOf(kind) == SyntaxClass::Infix;
}

bool IsNamedFunction(int32_t kind)
{
    const NodeKindEntry* entry = NodeKindEntryOf(kind);
    return entry && entry->routine == TypesetRoutine::FunctionName;
}

bool IsSign(int32_t kind)
{
    return kind == KindMinus || kind == KindPlusOrMinus || kind == KindMinusOrPlus;
}

bool IsAnyOf(int32_t kind, std::initializer_list<int32_t> kinds)
{
    return std::find(kinds.begin(), kinds.end(), kind) != kinds.end();
}

// Some factor of the product is a fraction or holds a named function.
bool HasFractionOrFunctionFactor(const FormulaNode* product)
{
    for (uint32_t i = 0; i < product->childCount; ++i) {
        FormulaNode* factor = product->children[i];
        if (factor->kind == KindFraction)
            return true;
        for (PreorderWalk walk(factor); walk.Node(); walk.Next()) {
            if (IsNamedFunction(walk.Node()->kind))
                return true;
        }
    }
    return false;
}

// The rows for a product, dot or cross parent.
bool NeedsParenthesesAsFactor(int32_t c, int32_t p, uint32_t i, const FormulaNode* parent)
{
    uint32_t n = parent->childCount;
    if (c == KindPower || IsNamedFunction(c))
        return false;
    if (c == KindMinus && n > 1) {
        const FormulaNode* neighbour = parent->children[i == 0 ? 1 : i - 1];
        if (IsEllipsisSymbol(neighbour))
            return false;
    }
    if (ClassOf(c) == SyntaxClass::Prefix && !IsAnyOf(c, {KindSqrt, KindOpTotal, KindOpPartial}) && i + 1 != n)
        return true;
    if (p == KindProduct && IsAnyOf(c, {KindDot, KindCross}))
        return true;
    if (c == KindProduct && IsAnyOf(p, {KindDot, KindCross}))
        return false;
    return IsInfix(c) || IsSign(c);
}

// From the row for a relation or condition child on.
bool NeedsParenthesesFromRelations(int32_t c, int32_t p, uint32_t i, const FormulaNode* parent)
{
    if (c == KindEquation)
        return !IsAnyOf(p, {KindSigma, KindCapitalPi, KindComma, KindLeftParen, KindBranch, KindIf, KindSubscript});
    if (c == KindIf)
        return !IsAnyOf(p, {KindLeftParen, KindBranch, KindComma});
    if (IsAnyOf(p, {KindProduct, KindDot, KindCross}))
        return NeedsParenthesesAsFactor(c, p, i, parent);
    return false;
}

// From the row for a list inside an equation on.
bool NeedsParenthesesByParentClass(int32_t c, int32_t p, uint32_t i, const FormulaNode* parent)
{
    if (c == KindComma && p == KindEquation)
        return true;
    if (p == KindPower) {
        if (i == 1)
            return false;
        return IsInfix(c) || IsSign(c) || IsAnyOf(c, {KindProduct, KindDot, KindCross, KindPower, KindFraction});
    }
    if (IsInfix(p))
        return c == p;
    if (IsNamedFunction(p) && c == KindProduct)
        return parent->childCount > 0 && HasFractionOrFunctionFactor(parent->children[0]);
    SyntaxClass parentClass = ClassOf(p);
    if (parentClass == SyntaxClass::Prefix && p != KindLeftParen && p != KindSqrt)
        return (IsInfix(c) && c != KindProduct) || IsAnyOf(c, {KindDot, KindCross});
    if (parentClass == SyntaxClass::Postfix && p != KindSubstitution)
        return IsInfix(c) || ClassOf(c) == SyntaxClass::Prefix;
    return false;
}

bool RaisesLevel(const FormulaNode* parent, uint32_t i)
{
    switch (parent->kind) {
    case KindSigma: case KindCapitalPi: case KindSubstitution: case KindSubscript:
    case KindLog: case KindGrad: case KindSqrt: case KindBesselJ:
        return i > 0;
    case KindOpTotal: case KindOpPartial:
        return i == 1;
    case KindPower: case KindSn:
        return i == 1 && !BoxOf(const_cast<FormulaNode*>(parent)).wideMark;
    default:
        return false;
    }
}

// value / 10^e without overflowing the power for the smallest numbers.
double ScaleDown(double value, int32_t e)
{
    if (e < -300)
        return value * 1e300 * std::pow(10.0, -e - 300);
    return value / std::pow(10.0, e);
}

void SetNumberText(FormulaNode* number, const char16_t* text)
{
    char16_t* field = number->payload.number->text;
    size_t n = 0;
    for (; n + 1 < kTypedNumberUnits && text[n]; ++n)
        field[n] = text[n];
    std::fill(field + n, field + kTypedNumberUnits, u'\0');
}

void SplitNumber(FormulaNode* node)
{
    NumberPayload* number = node->payload.number;
    if (!number)
        return;
    char16_t typed[kTypedNumberUnits + 1] = {};
    std::copy(number->text, number->text + kTypedNumberUnits, typed);
    double parsed = ParseNumberText(typed);
    if (parsed == number->value)
        return;
    char16_t mantissa[kNumberTextUnits];
    int32_t e = 0;
    FormatNumberMantissa(number->value, mantissa, &e);
    FormulaNode* exponent = e ? MakeNumberNode(e) : nullptr;
    if (e && (!exponent || !WrapInBinary(node, exponent, 1, KindSn))) {
        // No memory for the split: the whole number in one text.
        FormatNumberText(number->value, mantissa);
        SetNumberText(node, mantissa);
        return;
    }
    if (!exponent) {
        SetNumberText(node, mantissa);
        return;
    }
    FormulaNode* moved = node->children[0];
    SetNumberText(moved, mantissa);
    moved->payload.number->value = ScaleDown(moved->payload.number->value, e);
    char16_t exponentText[kNumberTextUnits];
    FormatNumberText(e, exponentText);
    SetNumberText(exponent, exponentText);
}

}  // namespace

bool NeedsParentheses(int32_t c, int32_t p, uint32_t i, const FormulaNode* parent)
{
    if (c == KindText || c == KindVariable)
        return false;
    if (p == KindSum) {
        if (c == KindSigma)
            return i + 1 != parent->childCount || NeedsParenthesesByParentClass(c, p, i, parent);
        return NeedsParenthesesFromRelations(c, p, i, parent) || NeedsParenthesesByParentClass(c, p, i, parent);
    }
    if (IsAnyOf(p, {KindParentheses, KindSigma, KindCapitalPi, KindSubstitution}))
        return false;
    if (c == KindEquation || c == KindIf || IsAnyOf(p, {KindProduct, KindDot, KindCross}))
        return NeedsParenthesesFromRelations(c, p, i, parent);
    return NeedsParenthesesByParentClass(c, p, i, parent);
}

void SplitLongNumbers(FormulaNode* root)
{
    for (PostorderWalk walk(root); walk.Node(); walk.Next()) {
        if (walk.Node()->kind == KindNumber)
            SplitNumber(walk.Node());
    }
}

void InsertNeededParentheses(FormulaNode* root)
{
    for (PostorderWalk walk(root); walk.Node(); walk.Next()) {
        FormulaNode* parent = walk.Node();
        for (uint32_t i = 0; i < parent->childCount; ++i) {
            FormulaNode* child = parent->children[i];
            if (!NeedsParentheses(child->kind, parent->kind, i, parent))
                continue;
            FormulaNode* parentheses = MakeNode(KindParentheses, 1);
            if (!parentheses)
                return;
            parentheses->children[0] = child;
            child->parent = parentheses;
            parentheses->parent = parent;
            parent->children[i] = parentheses;
        }
    }
}

void AssignScriptLevels(FormulaNode* root)
{
    if (!root)
        return;
    BoxOf(root).scriptLevel = 2;
    for (PreorderWalk walk(root); walk.Node(); walk.Next()) {
        FormulaNode* parent = walk.Node();
        uint8_t level = BoxOf(parent).scriptLevel;
        for (uint32_t i = 0; i < parent->childCount; ++i) {
            uint8_t childLevel = RaisesLevel(parent, i) ? std::min<uint8_t>(level + 1, kDeepestLevel) : level;
            BoxOf(parent->children[i]).scriptLevel = childLevel;
        }
    }
}

void MarkTableFunctionNames(FormulaNode* root, const DocState* doc)
{
    for (PreorderWalk walk(root); walk.Node(); walk.Next()) {
        FormulaNode* node = walk.Node();
        LayoutBox& box = BoxOf(node);
        bool marked = node->kind == KindVariable && doc && IsTableFunctionName(node->payload.code, doc);
        box.flags = marked ? box.flags | kTableFunctionMark : box.flags & ~kTableFunctionMark;
    }
}
