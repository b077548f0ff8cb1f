#include "formula/TreeConstness.h"

#include "formula/Definitions.h"
#include "formula/DocumentQueries.h"
#include "formula/EquationFormPredicates.h"
#include "formula/FormulaNode.h"
#include "formula/NameRegistry.h"
#include "formula/NodeKindTable.h"
#include "formula/SymbolCodes.h"
#include "formula/TableContext.h"
#include "formula/TreeWalk.h"

namespace {


enum class Answer { None, True, False };

Answer From(bool value)
{
    return value ? Answer::True : Answer::False;
}

struct Question {
    const FormulaNode* node;
    const DocState* doc;
    uint32_t flags;
    const FormulaNode* stop;
};

bool IsIndexEquationOf(const FormulaNode* equation, uint32_t code)
{
    return equation->kind == KindEquation && equation->childCount == 2 && IsVariable(equation->children[0], code);
}

bool IsIndexEquation(const FormulaNode* equation)
{
    return equation->kind == KindEquation && equation->childCount == 2;
}

bool IsSumOrProductKind(int32_t kind)
{
    return kind == KindSigma || kind == KindCapitalPi;
}

bool IsLoopKind(int32_t kind)
{
    return kind == KindSumLoop || kind == KindProductLoop;
}

// Where the index equation of a summation, product or loop stands; -1 for
// other nodes.
int IndexEquationSlot(const FormulaNode* node)
{
    if (node->childCount != 3)
        return -1;
    if (IsSumOrProductKind(node->kind))
        return 1;
    if (IsLoopKind(node->kind))
        return 0;
    return -1;
}

bool IsWellFormedSumOrProduct(const FormulaNode* node)
{
    return IsSumOrProductKind(node->kind) && node->childCount == 3 && IsIndexEquation(node->children[1]);
}

bool IsWellFormedLoop(const FormulaNode* node)
{
    return IsLoopKind(node->kind) && node->childCount == 3 && IsIndexEquation(node->children[0]);
}

bool BindsCode(const FormulaNode* node, uint32_t code)
{
    int slot = IndexEquationSlot(node);
    return slot >= 0 && IsIndexEquationOf(node->children[slot], code);
}

bool IsFreeToBind(uint32_t code, const DocState* doc)
{
    return !IsBuiltInSymbol(code) && code != DocSliderVariable(doc);
}

bool HeadsApplication(const FormulaNode* node)
{
    return HasParentKind(node, KindApplication) && node->parent->children[0] == node;
}

// 1: constant-preserving kinds.
Answer PreservingKind(const Question& q)
{
    const NodeKindEntry* entry = NodeKindEntryOf(q.node->kind);
    return entry && entry->constantPreserving ? Answer::True : Answer::None;
}

// 2: a placeholder never has a value; a bound variable is the caller's.
Answer PlaceholderOrBound(const Question& q)
{
    if (q.node->kind == KindPlaceholder)
        return Answer::False;
    return q.node->kind == KindBoundVariable ? Answer::True : Answer::None;
}

// 3: pi, degree, e, and i when no summation takes it as its index.
Answer NamedConstant(const Question& q)
{
    if (q.node->kind != KindVariable)
        return Answer::None;
    uint32_t code = q.node->payload.code;
    if (code == CodePi || code == CodeDegree || code == 'e')
        return Answer::True;
    if (code == 'i' && !IsBoundLocally(q.node, nullptr, q.doc))
        return Answer::True;
    return Answer::None;
}

// 4: function names are constant exactly when the document defines them.
Answer FunctionName(const Question& q)
{
    const FormulaNode* node = q.node;
    if ((node->kind == KindVariable || node->kind == KindSubscript) && node != q.stop && HeadsApplication(node))
        return From(DocHasUserFunction(q.doc, node));
    if (node->kind == KindVariable && HasParentKind(node, KindSubscript) && HeadsApplication(node->parent))
        return From(DocHasUserFunction(q.doc, node->parent));
    if (node->kind == KindApplication && node->childCount > 0)
        return From(DocHasUserFunction(q.doc, node->children[0]));
    return Answer::None;
}

// 5: the partial-derivative operator at the head of an application.
Answer PartialOperator(const Question& q)
{
    const FormulaNode* node = q.node;
    if (!(q.flags & kAllowPartialOperator) || node->kind != KindOpPartial || node->childCount == 0)
        return Answer::None;
    return HeadsApplication(node) && node->children[0]->kind == KindVariable ? Answer::True : Answer::None;
}

// 6: summations and products with their indices.
Answer SummationIndex(const Question& q)
{
    const FormulaNode* node = q.node;
    if (!(q.flags & kAllowBoundIndex))
        return Answer::None;
    if (IsWellFormedSumOrProduct(node))
        return Answer::True;
    if (node->kind == KindVariable && IsBoundLocally(node, q.stop, q.doc))
        return Answer::True;
    if (node->kind == KindEquation && node->parent && IsSumOrProductKind(node->parent->kind))
        return Answer::True;
    return Answer::None;
}

// 7: loops made for compiling, and their indices below stop.
Answer LoopIndex(const Question& q)
{
    const FormulaNode* node = q.node;
    if (IsWellFormedLoop(node))
        return Answer::True;
    if (node->kind == KindEquation && node->parent && IsLoopKind(node->parent->kind))
        return Answer::True;
    if (node->kind != KindVariable || !IsFreeToBind(node->payload.code, q.doc))
        return Answer::None;
    bool passedStop = false;
    for (const FormulaNode* up = node->parent; up; up = up->parent) {
        if (up == q.stop)
            passedStop = true;
        else if (IsLoopKind(up->kind) && BindsCode(up, node->payload.code))
            return From(!passedStop);
    }
    return Answer::None;
}

// 8: free parameters: names that are no graphing variable and no table
// column read row by row, numbered variables, and texts compared in
// equations.
Answer Parameter(const Question& q)
{
    const FormulaNode* node = q.node;
    if (!(q.flags & kAllowParameters))
        return Answer::None;
    if (node->kind == KindVariable) {
        uint32_t code = node->payload.code;
        if (code == CodeLdots)
            return Answer::False;
        if (!IsBuiltInVariable(code) &&
            (!IsTableFunctionName(code, q.doc) || IsInTableAggregateContext(q.doc, node, q.stop)))
            return Answer::True;
        return Answer::None;
    }
    if (IsNumberedVariable(node))
        return Answer::True;
    if (node->kind == KindText && (HasParentKind(node, KindEquation) || HasParentKind(node, KindNotEqual)))
        return Answer::True;
    return Answer::None;
}

// 9: truth values when the caller takes them.
Answer Boolean(const Question& q)
{
    return (q.flags & (kAllowBooleans | kAllowBooleansToo)) && IsBooleanKind(q.node->kind) ? Answer::True
                                                                                        : Answer::None;
}

// 10: conditions of an if, of an aggregate or of a table function.
Answer Condition(const Question& q)
{
    const FormulaNode* node = q.node;
    if (!IsBooleanKind(node->kind) && node->kind != KindEquation)
        return Answer::None;
    for (const FormulaNode* child = node; child->parent; child = child->parent) {
        const FormulaNode* up = child->parent;
        if ((up->kind == KindIf && up->childCount > 1 && up->children[1] == child) || IsAggregateKind(up->kind) ||
            IsMinMaxOfTableData(up, q.doc) || IsInterpolateOfTable(up, q.doc))
            return Answer::True;
    }
    return Answer::None;
}

// Argument lists of the functions that take several arguments.
bool TakesList(const FormulaNode* function, uint32_t items)
{
    switch (function->kind) {
    case KindMin:
    case KindMax:
    case KindApplication:
    case KindAnd:
    case KindOr:
        return true;
    case KindInterpolate:
        return items == 2 || items == 3;
    case KindClamp:
        return items == 3;
    case KindMod:
        return items == 2;
    default:
        return IsAggregateKind(function->kind);
    }
}

bool HasListArgument(const FormulaNode* node, uint32_t items)
{
    const FormulaNode* argument = ArgumentThroughParentheses(node);
    return argument && argument->kind == KindComma && argument->childCount == items;
}

// 11: table elements, argument lists, and mod, clamp and Interpolate with
// their lists.
Answer ArgumentList(const Question& q)
{
    const FormulaNode* node = q.node;
    switch (node->kind) {
    case KindSubscript:
        return node->childCount > 0 && UsesTableColumnPointwise(node->children[0], q.doc) ? Answer::True
                                                                                           : Answer::None;
    case KindComma: {
        const FormulaNode* up = node->parent;
        while (up && up->kind == KindParentheses)
            up = up->parent;
        return From(up && TakesList(up, node->childCount));
    }
    case KindMod:
        return HasListArgument(node, 2) ? Answer::True : Answer::None;
    case KindClamp:
        return HasListArgument(node, 3) ? Answer::True : Answer::None;
    case KindInterpolate:
        return IsInterpolateOfTable(node, q.doc) ? Answer::True : Answer::None;
    default:
        return Answer::None;
    }
}

// In order; the first rule that answers decides, and a node no rule takes is
// not constant.
constexpr Answer (*kConstantRules[])(const Question&) = {
    PreservingKind, PlaceholderOrBound, NamedConstant, FunctionName, PartialOperator, SummationIndex,
    LoopIndex,      Parameter,          Boolean,       Condition,    ArgumentList,
};

template <typename Test>
bool EveryNode(const FormulaNode* root, Test test)
{
    for (PreorderWalk walk(const_cast<FormulaNode*>(root)); walk.Node(); walk.Next()) {
        if (!test(walk.Node()))
            return false;
    }
    return true;
}

}  // namespace

bool IsBoundLocally(const FormulaNode* variable, const FormulaNode* stop, const DocState* doc)
{
    uint32_t code = variable->payload.code;
    if (variable == stop || !IsFreeToBind(code, doc))
        return false;
    for (const FormulaNode* up = variable->parent; up && up != stop; up = up->parent) {
        if (BindsCode(up, code))
            return true;
    }
    return false;
}

bool IsConstantNode(const FormulaNode* node, const DocState* doc, uint32_t flags, const FormulaNode* stop)
{
    Question question{node, doc, flags, stop};
    for (auto rule : kConstantRules) {
        Answer answer = rule(question);
        if (answer != Answer::None)
            return answer == Answer::True;
    }
    return false;
}

bool IsConstantTree(const FormulaNode* root, const DocState* doc)
{
    return EveryNode(root, [doc](const FormulaNode* node) { return IsConstantNode(node, doc, 0, nullptr); });
}

bool IsConstantTreeWithParameters(const FormulaNode* root, const DocState* doc)
{
    return EveryNode(root, [=](const FormulaNode* node) {
        return IsConstantNode(node, doc, kAllowParameters | kAllowBooleans, root);
    });
}

bool IsConstantTreeAllowingBound(const FormulaNode* root, const FormulaNode* stop, const DocState* doc)
{
    return EveryNode(root, [=](const FormulaNode* node) {
        return node->kind == KindInterval || IsConstantNode(node, doc, kAllowBoundIndex, stop);
    });
}

bool IsEvaluableForResult(const FormulaNode* root, const DocState* doc)
{
    return EveryNode(root, [doc](const FormulaNode* node) {
        if (node->kind == KindVariable && IsStyleKeyName(node->payload.code))
            return false;
        return node->kind == KindInterval || IsVariable(node, DocSliderVariable(doc)) ||
               IsConstantNode(node, doc, kAllowBoundIndex | kAllowParameters | kAllowBooleans, nullptr);
    });
}

bool UsesComplexNumbers(const FormulaNode* root, const DocState* doc)
{
    bool complex = !EveryNode(root, [doc](const FormulaNode* node) {
        switch (node->kind) {
        case KindOverline:
        case KindArg:
        case KindImag:
        case KindReal:
        case KindRe:
        case KindIm:
            return false;
        case KindVariable:
            return !(node->payload.code == 'i' && !IsBoundLocally(node, nullptr, doc));
        default:
            return true;
        }
    });
    return complex || UsesDefinedParameter(root, doc);
}
