#include "editor/TemplateInsertion.h"

#include "CoreUtilities/MemoryBudget.h"
#include "editor/Deletion.h"
#include "editor/InsertionSteps.h"
#include "editor/OperatorInsertion.h"
#include "editor/Typing.h"
#include "formula/CopyTree.h"
#include "formula/EditorState.h"
#include "formula/FormulaNode.h"
#include "formula/NodeKindTable.h"
#include "formula/TreeRewrite.h"
#include "formula/TreeWalk.h"

namespace {

EditorState* State()
{
    return GetCurrentEditorState();
}

FormulaNode* NearestOfKinds(FormulaNode* node, std::initializer_list<int32_t> kinds)
{
    for (; node; node = node->parent) {
        for (int32_t kind : kinds) {
            if (node->kind == kind)
                return node;
        }
    }
    return nullptr;
}

// Types a short run of keys' worth of atoms into the selected placeholder:
// letters and digits.
void TypeAtoms(const char* atoms)
{
    for (const char* p = atoms; *p; ++p) {
        if (*p >= '0' && *p <= '9')
            InsertDigit(static_cast<uint32_t>(*p));
        else
            InsertLetter(static_cast<uint32_t>(*p));
    }
}

// The node made by a wrap of the current node: the current node's record.
FormulaNode* WrapAndKeep(int32_t kind, uint32_t count, uint32_t position)
{
    FormulaNode* record = State()->current;
    FormulaNode** before = record->children;
    WrapCurrent(kind, count, position);
    // A wrap always gives the record a new child array.
    return record->children != before && record->kind == kind ? record : nullptr;
}

// After a template: the slot is selected when it is empty, else the node.
void SelectSlotOrNode(FormulaNode* node, uint32_t slot)
{
    if (!node)
        return;
    FormulaNode* child = slot < node->childCount ? node->children[slot] : nullptr;
    if (child && child->kind == KindPlaceholder)
        SetEditorSelection(child, SelectionNode);
    else
        SetEditorSelection(node, SelectionNode);
}

void Derivative(int32_t op, const char* variable)
{
    if (variable && State()->mode == SelectionGap)
        return;
    PrepareTemplateOperand();
    FormulaNode* application = WrapAndKeep(KindApplication, 2, 1);
    if (!application)
        return;
    FormulaNode* head = application->children[0];
    SetEditorSelection(head, SelectionNode);
    FormulaNode* opNode = WrapAndKeep(op, 1, 0);
    if (!opNode)
        return;
    SetEditorSelection(opNode->children[0], SelectionNode);
    if (variable)
        TypeAtoms(variable);
}

void Subscript()
{
    EditorState* state = State();
    if (state->mode != SelectionNode && state->mode != CaretAfter)
        return;
    state->mode = SelectionNode;
    FormulaNode* node = WrapAndKeep(KindSubscript, 2, 0);
    if (node) {
        node->payload.pair.low = 0;
        node->payload.pair.high = 1;
    }
}

void Reciprocal()
{
    EditorState* state = State();
    FormulaNode* current = state->current;
    if (state->mode == SelectionNode && current->kind == KindFraction && current->childCount == 2 &&
        current->children[0]->kind == KindNumber && current->children[0]->payload.number &&
        current->children[0]->payload.number->value == 1) {
        DeleteOperandAt(0, current);
        SetEditorSelection(current, SelectionNode);
        return;
    }
    PrepareTemplateOperand();
    FormulaNode* fraction = WrapAndKeep(KindFraction, 2, 1);
    if (!fraction)
        return;
    SetEditorSelection(fraction->children[0], SelectionNode);
    TypeAtoms("1");
    SelectSlotOrNode(fraction, 1);
}

void PowerOf(const char* exponent)
{
    EditorState* state = State();
    PrepareToWrap();
    if (state->mode != SelectionNode)
        state->mode = SelectionNode;
    FormulaNode* current = state->current;
    // An empty argument of a function stands for the function.
    if (current->kind == KindPlaceholder && current->parent && IsNamedFunctionKind(current->parent->kind))
        state->current = current->parent;
    FormulaNode* power = WrapAndKeep(KindPower, 2, 0);
    if (!power)
        return;
    SetEditorSelection(power->children[1], SelectionNode);
    TypeAtoms(exponent);
    FormulaNode* base = power->children[0];
    if (base->kind == KindPlaceholder)
        SetEditorSelection(base, SelectionNode);
    else if (IsNamedFunctionKind(base->kind) && base->childCount && base->children[0]->kind == KindPlaceholder)
        SetEditorSelection(base->children[0], SelectionNode);
    else
        SetEditorSelection(power, SelectionNode);
}

void BaseToOperand(const char* base)
{
    PrepareTemplateOperand();
    FormulaNode* power = WrapAndKeep(KindPower, 2, 1);
    if (!power)
        return;
    SetEditorSelection(power->children[0], SelectionNode);
    TypeAtoms(base);
    SelectSlotOrNode(power, 1);
}

void Root(const char* index)
{
    PrepareTemplateOperand();
    FormulaNode* root = WrapAndKeep(KindSqrt, 2, 0);
    if (!root)
        return;
    SetEditorSelection(root->children[1], SelectionNode);
    if (!index)
        return;
    TypeAtoms(index);
    SelectSlotOrNode(root, 0);
}

void LogBaseTwo()
{
    EditorState* state = State();
    FormulaNode* current = state->current;
    if (state->mode == SelectionGap && IsNamedFunctionKind(current->kind) && current->childCount == 1) {
        CollapseToFirstChild(current);
        SetEditorSelection(current, SelectionNode);
    }
    PrepareTemplateOperand();
    FormulaNode* log = WrapAndKeep(KindLog, 2, 0);
    if (!log)
        return;
    SetEditorSelection(log->children[1], SelectionNode);
    TypeAtoms("2");
    SelectSlotOrNode(log, 0);
}

// A matrix of atoms (null entries are placeholders) put in place of the
// prepared operand; its first cell is selected.
void PutMatrix(int16_t rows, int16_t columns, const char* const* cells)
{
    PrepareToWrap();
    EditorState* state = State();
    if (state->mode != SelectionNode)
        state->mode = SelectionNode;
    FormulaNode* matrix = MakeNode(KindMatrix, static_cast<uint32_t>(rows * columns));
    if (!matrix)
        return;
    matrix->payload.pair.low = rows;
    matrix->payload.pair.high = columns;
    for (int32_t i = 0; i < rows * columns; ++i) {
        matrix->children[i] = MakePlaceholderNode();
        if (!matrix->children[i]) {
            matrix->childCount = static_cast<uint16_t>(i);
            FreeTree(matrix);
            return;
        }
        matrix->children[i]->parent = matrix;
    }
    FormulaNode* target = state->current;
    ReplaceNode(matrix, target);
    for (int32_t i = 0; i < rows * columns; ++i) {
        if (!cells[i])
            continue;
        SetEditorSelection(target->children[i], SelectionNode);
        TypeAtoms(cells[i]);
    }
    SetEditorSelection(target->children[0], SelectionNode);
}

void Identity(int16_t n)
{
    static const char* const ones[16] = {"1", "0", "0", "0", "0", "1", "0", "0", "0", "0", "1", "0", "0", "0", "0", "1"};
    const char* cells[16];
    for (int32_t r = 0; r < n; ++r) {
        for (int32_t c = 0; c < n; ++c)
            cells[r * n + c] = ones[(r == c ? 0 : 1)];
    }
    PutMatrix(n, n, cells);
}

void SubscriptDigit(char digit)
{
    PrepareToWrap();
    EditorState* state = State();
    if (state->mode != SelectionNode)
        state->mode = SelectionNode;
    FormulaNode* node = WrapAndKeep(KindSubscript, 2, 0);
    if (!node)
        return;
    node->payload.pair.low = 0;
    node->payload.pair.high = 1;
    SetEditorSelection(node->children[1], SelectionNode);
    const char text[2] = {digit, 0};
    TypeAtoms(text);
    if (node->children[0]->kind == KindPlaceholder)
        SetEditorSelection(node->children[0], SelectionNode);
    else
        SetEditorSelection(node, CaretAfter);
}

// Σ or Π with k = 0 below and 5 above.
void Loop(int32_t kind)
{
    PrepareToWrap();
    EditorState* state = State();
    if (state->mode != SelectionNode)
        state->mode = SelectionNode;
    FormulaNode* loop = WrapAndKeep(kind, 3, 0);
    if (!loop)
        return;
    SetEditorSelection(loop->children[1], SelectionNode);
    TypeAtoms("k");
    InsertRelation(KindEquation);
    TypeAtoms("0");
    SetEditorSelection(loop->children[2], SelectionNode);
    TypeAtoms("5");
    SelectSlotOrNode(loop, 0);
}

void Substitution()
{
    PrepareToWrap();
    EditorState* state = State();
    if (state->mode != SelectionNode)
        state->mode = SelectionNode;
    FormulaNode* node = WrapAndKeep(KindSubstitution, 2, 0);
    if (!node)
        return;
    SetEditorSelection(node->children[1], SelectionNode);
    TypeAtoms("x");
    InsertRelation(KindEquation);
    TypeAtoms("0");
    SelectSlotOrNode(node, 0);
}

void Integral(bool bounds)
{
    PrepareTemplateOperand();
    FormulaNode* integral = WrapAndKeep(KindIntegral, bounds ? 4 : 2, 0);
    if (!integral)
        return;
    SetEditorSelection(integral->children[1], SelectionNode);
    TypeAtoms("x");
    if (bounds) {
        SetEditorSelection(integral->children[2], SelectionNode);
        TypeAtoms("0");
        SetEditorSelection(integral->children[3], SelectionNode);
        TypeAtoms("1");
    }
    SelectSlotOrNode(integral, 0);
}

}  // namespace

void AddMatrixRow()
{
    EditorState* state = State();
    FormulaNode* matrix = NearestOfKinds(state->current, {KindMatrix});
    if (!matrix) {
        FormulaNode* branch = NearestOfKinds(state->current, {KindBranch});
        if (!branch || branch == state->current)
            return;
        FormulaNode* below = state->current;
        while (below->parent != branch)
            below = below->parent;
        SetEditorSelection(below, SelectionNode);
        InsertOperatorNode(KindBranch);
        return;
    }
    int32_t rows = matrix->payload.pair.low;
    int32_t columns = matrix->payload.pair.high;
    // The typesetter lays out no larger matrix.
    if (rows >= kLargestMatrixExtent || columns <= 0 || rows * columns != matrix->childCount || CheckMemoryBudget())
        return;
    uint32_t count = matrix->childCount;
    FormulaNode* cells[kLargestMatrixExtent] = {};
    for (int32_t c = 0; c < columns; ++c) {
        cells[c] = MakePlaceholderNode();
        if (!cells[c]) {
            for (FormulaNode* cell : cells)
                FreeTree(cell);
            return;
        }
    }
    if (!ResizeChildArray(matrix, count + static_cast<uint32_t>(columns))) {
        for (FormulaNode* cell : cells)
            FreeTree(cell);
        return;
    }
    for (int32_t c = 0; c < columns; ++c) {
        matrix->children[count + c] = cells[c];
        cells[c]->parent = matrix;
    }
    matrix->payload.pair.low = static_cast<int16_t>(rows + 1);
    SetEditorSelection(matrix->children[count], SelectionNode);
}

void AddMatrixColumn()
{
    EditorState* state = State();
    FormulaNode* matrix = NearestOfKinds(state->current, {KindMatrix});
    if (!matrix)
        return;
    int32_t rows = matrix->payload.pair.low;
    int32_t columns = matrix->payload.pair.high;
    if (columns >= kLargestMatrixExtent || rows <= 0 || rows * columns != matrix->childCount || CheckMemoryBudget())
        return;
    FormulaNode* cells[kLargestMatrixExtent] = {};
    for (int32_t r = 0; r < rows; ++r) {
        cells[r] = MakePlaceholderNode();
        if (!cells[r]) {
            for (FormulaNode* cell : cells)
                FreeTree(cell);
            return;
        }
    }
    uint32_t count = matrix->childCount;
    if (!ResizeChildArray(matrix, count + static_cast<uint32_t>(rows))) {
        for (FormulaNode* cell : cells)
            FreeTree(cell);
        return;
    }
    // From the last row backwards, so that row-major order holds.
    int32_t wider = columns + 1;
    for (int32_t r = rows - 1; r >= 0; --r) {
        for (int32_t c = columns - 1; c >= 0; --c)
            matrix->children[r * wider + c] = matrix->children[r * columns + c];
        matrix->children[r * wider + columns] = cells[r];
        cells[r]->parent = matrix;
    }
    matrix->payload.pair.high = static_cast<int16_t>(wider);
    SetEditorSelection(matrix->children[columns], SelectionNode);
}

void AddLimitSlot()
{
    EditorState* state = State();
    FormulaNode* node = NearestOfKinds(state->current, {KindSubstitution, KindSigma, KindCapitalPi, KindLog, KindSqrt,
                                                        KindGrad, KindOpTotal, KindOpPartial, KindIntegral});
    if (!node)
        return;
    uint32_t count = node->childCount;
    bool allowed = false;
    switch (node->kind) {
    case KindOpTotal:
    case KindOpPartial: allowed = count < 8; break;
    case KindIntegral: allowed = count < 4; break;
    case KindSubstitution:
    case KindSigma:
    case KindCapitalPi: allowed = count < 3; break;
    default: allowed = count == 1; break;
    }
    if (allowed)
        InsertPlaceholderChild(node, count);
}

void InsertTemplate(int32_t code)
{
    EditorState* state = State();
    if (!state || !state->current)
        return;
    if (state->mode == InNumber)
        SplitNumberAtCaret();
    if (state->mode == InText || state->mode == InIdentifier || state->mode == InNumber)
        return;
    static const char* const xy[] = {"x", "y"};
    static const char* const xyz[] = {"x", "y", "z"};
    static const char* const xyuv[] = {"x", "y", "u", "v"};
    switch (code) {
    case 6153: Derivative(KindOpTotal, nullptr); break;
    case 6154: Derivative(KindOpPartial, nullptr); break;
    case 6304: AddMatrixRow(); break;
    case 6305: AddMatrixColumn(); break;
    case 6310: Subscript(); break;
    case 6313: Reciprocal(); break;
    case 6314: PowerOf("2"); break;
    case 6315: PowerOf("3"); break;
    case 6316: BaseToOperand("e"); break;
    case 6317: BaseToOperand("2"); break;
    case 6318: BaseToOperand("10"); break;
    case 6319: Root("3"); break;
    case 6320: Root(nullptr); break;
    case 6321: LogBaseTwo(); break;
    case 6322: Derivative(KindOpPartial, "x"); break;
    case 6323: PutMatrix(2, 1, xy); break;
    case 6324: PutMatrix(3, 1, xyz); break;
    case 6408: PutMatrix(4, 1, xyuv); break;
    case 6325:
    case 6326:
    case 6327:
    case 6328:
    case 6329: SubscriptDigit(static_cast<char>('0' + code - 6325)); break;
    case 6330: Derivative(KindOpTotal, "x"); break;
    case 6331: Loop(KindSigma); break;
    case 6332: InsertOperatorNode(KindLeftParen); break;
    case 6333: Substitution(); break;
    case 6335: Integral(false); break;
    case 6336: Integral(true); break;
    case 6337: Identity(2); break;
    case 6338: Identity(3); break;
    case 6339: Identity(4); break;
    case 6340: MakeNameFromLetters(); break;
    case 6341: Loop(KindCapitalPi); break;
    case 6400: InsertMinusSign(); break;
    case 6401: InsertRelation(KindEquation); break;
    case 6405: InsertRelation(KindLess); break;
    case 6406: InsertRelation(KindGreater); break;
    case 6409: InsertRelation(KindLeq); break;
    case 6410: InsertRelation(KindGeq); break;
    case 6411: InsertRelation(KindNotEqual); break;
    case 6402: AddLimitSlot(); break;
    case 6407: InsertListSeparator(); break;
    default: break;
    }
}
