#include "document/DefinitionTests.h"

#include "document/DocState.h"
#include "formula/Definitions.h"
#include "formula/EditorState.h"
#include "formula/FormulaNode.h"
#include "formula/NameRegistry.h"
#include "formula/NodeKindTable.h"
#include "formula/TreeConstness.h"
#include "formula/TreeEquality.h"

namespace {

constexpr uint32_t kImaginaryUnit = 'i';

bool IsTwoSidedEquation(const FormulaNode* node)
{
    return node && node->kind == KindEquation && node->childCount == 2;
}

// A variable whose name is free for the user, or a numbered variable (x_1
// names a value of its own even though x is reserved).
bool IsDefinableName(const FormulaNode* node)
{
    if (node->kind == KindVariable)
        return !IsReservedVariable(node);
    return IsNumberedVariable(node);
}

bool IsNamedApplication(const FormulaNode* node)
{
    return node->kind == KindApplication && node->childCount == 2 &&
        (node->children[0]->kind == KindVariable || IsIndexedVariable(node->children[0]));
}

const FormulaNode* WithoutMinus(const FormulaNode* node)
{
    return node->kind == KindMinus && node->childCount == 1 ? node->children[0] : node;
}

// The root of each equation line's formula, in document order.
template <typename Test>
bool AnyEquationRoot(const DocState* doc, Test test)
{
    if (!doc)
        return false;
    for (const DocLine& line : doc->Lines) {
        if (line.kind == DocLineEquation && line.formula && line.formula->root && test(line.formula->root))
            return true;
    }
    return false;
}

}  // namespace

bool IsDefinitionEquation(const FormulaNode* node)
{
    if (!IsTwoSidedEquation(node))
        return false;
    const FormulaNode* left = node->children[0];
    return (left->kind == KindVariable && !IsReservedVariable(left)) || IsIndexedVariable(left) ||
        IsNamedApplication(left);
}

bool IsDefinitionLine(const FormulaNode* node)
{
    if (node && node->kind == KindComma && node->childCount > 0)
        node = node->children[0];
    return IsDefinitionEquation(node);
}

bool IsSliderDefinition(const FormulaNode* node, const DocState* doc)
{
    if (!IsTwoSidedEquation(node) || !IsDefinableName(node->children[0]))
        return false;
    const FormulaNode* slider = node->children[1];
    if (slider->kind != KindSlider || slider->childCount != 1)
        return false;
    const FormulaNode* arguments = slider->children[0];
    if (arguments->kind == KindParentheses && arguments->childCount == 1)
        arguments = arguments->children[0];
    if (arguments->kind != KindComma || arguments->childCount < 2 || arguments->childCount > 3)
        return false;
    for (uint32_t i = 0; i < arguments->childCount; ++i) {
        if (!IsEvaluableForResult(arguments->children[i], doc))
            return false;
    }
    return true;
}

bool IsParameterDefinition(const FormulaNode* node)
{
    return IsTwoSidedEquation(node) && IsDefinableName(node->children[0]) &&
        (IsSignedNumber(node->children[1]) || IsComplexConstant(node->children[1]));
}

bool IsIndexedVariableDefinition(const FormulaNode* node)
{
    if (!IsTwoSidedEquation(node))
        return false;
    const FormulaNode* left = node->children[0];
    return left->kind == KindSubscript && left->childCount >= 1 && left->children[0]->kind == KindVariable &&
        IsBuiltInVariable(left->children[0]->payload.code);
}

bool IsFunctionDefinitionOf(const FormulaNode* node, const FormulaNode* name)
{
    return IsTwoSidedEquation(node) && IsNamedApplication(node->children[0]) &&
        TreesEqual(node->children[0]->children[0], name);
}

bool IsSignedNumber(const FormulaNode* node)
{
    return WithoutMinus(node)->kind == KindNumber;
}

bool IsImaginaryUnit(const FormulaNode* node)
{
    return node->kind == KindVariable && node->payload.code == kImaginaryUnit;
}

bool IsImaginaryTerm(const FormulaNode* node)
{
    node = WithoutMinus(node);
    if (IsImaginaryUnit(node))
        return true;
    return node->kind == KindProduct && node->childCount == 2 && IsSignedNumber(node->children[0]) &&
        IsImaginaryUnit(node->children[1]);
}

bool IsComplexConstant(const FormulaNode* node)
{
    if (IsImaginaryTerm(node))
        return true;
    return node->kind == KindSum && node->childCount == 2 && IsSignedNumber(node->children[0]) &&
        IsImaginaryTerm(node->children[1]);
}

double SignedNumberValue(const FormulaNode* node)
{
    const FormulaNode* number = WithoutMinus(node);
    double value = number->payload.number->value;
    return number == node ? value : -value;
}

ComplexValue ComplexConstantValue(const FormulaNode* node)
{
    if (IsSignedNumber(node))
        return {SignedNumberValue(node), 0};
    ComplexValue value{0, 0};
    const FormulaNode* imaginary = node;
    if (node->kind == KindSum) {
        value.re = SignedNumberValue(node->children[0]);
        imaginary = node->children[1];
    }
    double sign = imaginary->kind == KindMinus ? -1 : 1;
    imaginary = WithoutMinus(imaginary);
    value.im = sign * (IsImaginaryUnit(imaginary) ? 1 : SignedNumberValue(imaginary->children[0]));
    return value;
}

uint32_t DefinedVariableKey(const FormulaNode* definition)
{
    const FormulaNode* left = definition->children[0];
    if (left->kind == KindVariable)
        return left->payload.code;
    return IsNumberedVariable(left) ? NumberedVariableKey(left) : 0;
}

namespace {

// The lines as the last definitions pass found them, never the formulas
// the editor may be changing: the value task asks while the user types.
bool AnyParameterLine(uint32_t key, bool slider, const DocState* doc)
{
    if (!doc)
        return false;
    for (const DefinedParameter& entry : doc->ParameterLines) {
        if (entry.key == key && entry.slider == slider)
            return true;
    }
    return false;
}

}  // namespace

bool IsParameterKeyDefined(uint32_t key, const DocState* doc)
{
    return AnyParameterLine(key, false, doc);
}

bool IsSliderDefined(uint32_t key, const DocState* doc)
{
    return AnyParameterLine(key, true, doc);
}

bool IsUserFunctionDefined(const FormulaNode* name, const DocState* doc)
{
    return AnyEquationRoot(doc, [name](const FormulaNode* root) {
        if (root->kind != KindComma)
            return IsFunctionDefinitionOf(root, name);
        if (!IsDefinitionLine(root))
            return false;
        for (uint32_t i = 0; i < root->childCount; ++i) {
            if (IsFunctionDefinitionOf(root->children[i], name))
                return true;
        }
        return false;
    });
}
