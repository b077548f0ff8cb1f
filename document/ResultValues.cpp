// The texts shown right of equations ("= " and a value, or a truth word),
// computed by the value task on the document-task thread, and the equation
// of a point the user drags.
#include "CoreUtilities/MemoryBudget.h"
#include "CoreUtilities/ThreadLocks.h"
#include "document/DefinitionTests.h"
#include "document/DocState.h"
#include "document/DocumentHooks.h"
#include "document/DocumentTask.h"
#include "document/ParameterValues.h"
#include "formula/CopyTree.h"
#include "formula/EditorState.h"
#include "formula/EquationFormPredicates.h"
#include "formula/FormulaNode.h"
#include "formula/NodeBuilders.h"
#include "formula/NodeKindTable.h"
#include "formula/ResultText.h"
#include "formula/SubtreeValue.h"
#include "formula/TreeConstness.h"
#include "formula/TreeRewrite.h"
#include "platform/NumberText.h"

#include <cmath>

namespace {

const DocumentHooks& Hooks()
{
    return GetDocumentHooks();
}

bool IsPlainNumberInterval(const FormulaNode* node)
{
    return node->kind == KindInterval && node->childCount == 2 && node->children[0]->kind == KindNumber &&
        node->children[1]->kind == KindNumber;
}

bool IsQuestion(const FormulaNode* node)
{
    return node->kind == KindPlaceholder;
}

bool IsTruthStatement(const FormulaNode* node)
{
    return IsInequalityKind(node->kind) || node->kind == KindNotEqual || node->kind == KindAnd ||
        node->kind == KindOr || node->kind == KindNot;
}

// The value alone: an interval, else the real value, else the complex one.
void FormatValue(const FormulaNode* value, DocState* doc, const char16_t* prefix, char16_t* text, size_t capacity)
{
    if (ContainsIntervalNode(value)) {
        Interval range = EvaluateSubtreeInterval(value, doc);
        if (range.lo != range.hi) {
            FormatIntervalText(range.lo, range.hi, prefix, text, capacity);
            return;
        }
        FormatNumberWithPrefix(text, capacity, prefix, range.lo);
        return;
    }
    double real = EvaluateSubtreeReal(value, doc);
    if (std::isnan(real))
        FormatComplexText(text, capacity, prefix, EvaluateSubtreeComplex(value, doc));
    else
        FormatNumberWithPrefix(text, capacity, prefix, real);
}

void FormatTruth(const FormulaNode* statement, DocState* doc, char16_t* text, size_t capacity)
{
    if (ContainsIntervalNode(statement)) {
        Interval truth = EvaluateSubtreeInterval(statement, doc);
        FormatTruthIntervalText(truth.lo, truth.hi, text, capacity);
        return;
    }
    FormatBooleanText(EvaluateSubtreeReal(statement, doc) != 0, text, capacity);
}

void ResultOf(const FormulaNode* statement, DocState* doc, char16_t* text, size_t capacity)
{
    bool equation = statement->kind == KindEquation && statement->childCount == 2;
    if (equation && IsQuestion(statement->children[1])) {
        FormatValue(statement->children[0], doc, nullptr, text, capacity);
    } else if (equation) {
        if (ContainsIntervalNode(statement))
            FormatTruth(statement, doc, text, capacity);
        else if (EvaluateSubtreeReal(statement, doc) != 0)
            FormatBooleanText(true, text, capacity);
    } else if (IsTruthStatement(statement)) {
        FormatTruth(statement, doc, text, capacity);
    } else {
        FormatValue(statement, doc, u"= ", text, capacity);
    }
}

// A line whose result text a cancelled task still owes.
bool AnyResultOwed(const DocLineArray& lines)
{
    for (const DocLine& line : lines) {
        if (line.kind == DocLineEquation && line.hasResult && !line.resultCheckNeeded && line.resultStale)
            return true;
    }
    return false;
}

bool Aborting()
{
    return AbortFlag.load(std::memory_order_relaxed) || DocumentTaskAbort.load(std::memory_order_relaxed);
}

}  // namespace

bool DocLine::HasResult(DocState* doc)
{
    if (!resultCheckNeeded)
        return hasResult;
    if (!statements || statements->count != 1)
        return false;
    const FormulaNode* s = (*statements)[0];
    bool result = false;
    if (IsEvaluableForResult(s, doc) && !IsPlainNumberInterval(s)) {
        result = true;
    } else if (s->kind == KindEquation && s->childCount == 2 && IsEvaluableForResult(s->children[0], doc)) {
        result = IsEvaluableForResult(s->children[1], doc) || IsQuestion(s->children[1]);
    } else if ((s->kind == KindLess || s->kind == KindGreater) && s->childCount == 2) {
        result = IsEvaluableForResult(s->children[0], doc) && IsEvaluableForResult(s->children[1], doc);
    }
    hasResult = result;
    resultCheckNeeded = false;
    return result;
}

void DocLine::ComputeResultText(DocState* doc)
{
    resultText[0] = 0;
    if (!statements || statements->count == 0 || IsDefinitionLine((*statements)[0]))
        return;
    FormulaNode* copy = CopyTree((*statements)[0]);
    if (!copy)
        return;
    SubstituteParameters(copy, doc);
    // Written aside: an evaluation cut short by a cancel leaves the old text.
    char16_t text[kResultTextUnits] = {};
    int32_t digits = DisplayDigits;
    DisplayDigits = doc->SignificantDigits;
    ResultOf(copy, doc, text, kResultTextUnits);
    DisplayDigits = digits;
    FreeTree(copy);
    if (!Aborting())
        std::copy(std::begin(text), std::end(text), resultText);
}

bool DocState::AnyResultShown() const
{
    for (const DocLine& line : Lines) {
        if (line.kind == DocLineEquation && line.hasResult && !line.resultCheckNeeded && !line.resultStale)
            return true;
    }
    return false;
}

void DocState::QueueResultRefresh()
{
    // The marks below are the task's too: it must be neither running nor
    // about to run while they change.
    bool pending = CancelDocumentTask(this);
    bool shown = !Hooks().isEquationPaneShown || Hooks().isEquationPaneShown();
    if (shown && (AnyResultShown() || AnyResultOwed(Lines))) {
        for (DocLine& line : Lines) {
            if (line.kind == DocLineEquation)
                line.resultStale = true;
        }
        pending = true;
    }
    // A cancelled task still owes the tables their columns.
    if (pending)
        EnqueueDocumentTask(this);
}

void DocState::RefreshResults()
{
    if (!Aborting() && Hooks().computeFormulaColumns) {
        for (DocLine& line : Lines) {
            if (line.kind == DocLineTable && line.table)
                Hooks().computeFormulaColumns(line.table, this);
        }
    }
    for (DocLine& line : Lines) {
        if (Aborting())
            break;
        if (line.kind != DocLineEquation || !line.HasResult(this) || !line.resultStale)
            continue;
        line.ComputeResultText(this);
        if (!Aborting())
            line.resultStale = false;
    }
    RequestResultsRefresh();
}

namespace {

// |x|, under a minus when x < 0; a negative zero is 0.
FormulaNode* SignedTerm(double x, FormulaNode* factor)
{
    FormulaNode* term = MakeNumberNode(std::fabs(x));
    if (factor)
        term = MakeProduct(term, factor);
    return x < 0 ? MakeNegation(term) : term;
}

}  // namespace

void DocState::SetPointEquationValue(int32_t graph, double re, double im)
{
    CancelDocumentTask(this);
    if (!Graphs)
        return;
    for (int32_t i = 0; i < Lines.count; ++i) {
        DocLine& line = Lines[i];
        if (line.kind != DocLineEquation || !line.formula || !line.formula->root)
            continue;
        const int32_t* rows = line.graphs ? line.graphs->storage : nullptr;
        if (!Graphs->IsLineMainGraph(rows, line.graphs ? line.graphs->count : 0, graph))
            continue;
        FormulaNode* root = line.formula->root;
        if (root->kind != KindEquation || root->childCount != 2)
            return;
        FormulaNode* value =
            MakeSum(SignedTerm(re == 0 ? 0.0 : re, nullptr), SignedTerm(im == 0 ? 0.0 : im, MakeVariableNode('i')));
        if (!value)
            return;
        ReplaceNode(value, root->children[1]);
        EditorState* formula = line.formula;
        formula->layoutValid = 0;
        formula->current = root;
        formula->mode = 0;
        if (Hooks().layoutFormula)
            Hooks().layoutFormula(this, formula);
        if (EditMode == EditFormula && currentLine == i && Hooks().selectEntireFormula)
            Hooks().selectEntireFormula(formula);
        Graphs->AllVariableChanged(DefinedVariableKey(root));
        break;
    }
    QueueResultRefresh();
    GraphWorkPending = true;
    if (Hooks().redrawEquationPane)
        Hooks().redrawEquationPane();
}
