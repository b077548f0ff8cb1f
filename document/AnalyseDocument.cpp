#include "document/AnalyseDocument.h"

#include "CoreUtilities/CoopThread.h"
#include "CoreUtilities/MemoryBudget.h"
#include "CoreUtilities/ThreadStorage.h"
#include "document/DefinitionTests.h"
#include "document/DefinitionsPass.h"
#include "document/DocState.h"
#include "document/DocumentHooks.h"
#include "document/DocumentTask.h"
#include "formula/CopyTree.h"
#include "formula/DependsOnlyOn.h"
#include "formula/EditorState.h"
#include "formula/EquationFormPredicates.h"
#include "formula/FormulaNode.h"
#include "formula/FunctionDefinitions.h"
#include "formula/NodeBuilders.h"
#include "formula/NodeKindTable.h"
#include "formula/PrepareTreeForGraphing.h"
#include "formula/SetDefinitions.h"
#include "formula/SimplifierSwitches.h"
#include "formula/SymbolCodes.h"
#include "formula/TreeQuery.h"
#include "formula/TreeRewrite.h"

#include <new>

namespace {

bool Aborted()
{
    return AbortFlag.load(std::memory_order_relaxed) != 0;
}

// What the statements of the whole document need of the views.
struct ViewSummary {
    bool any3D = false;
    bool any4D = false;
    bool anyPrimed = false;
    bool anyPrimed3D = false;
    bool anyStyled = false;
};

class LineAnalysis {
public:
    LineAnalysis(DocState* doc, DocLine& line, ViewSummary& summary) : doc_(doc), line_(line), summary_(summary) {}

    // False when the pass was stopped.
    bool Run()
    {
        GrowArray<FormulaNode*>& statements = *line_.statements;
        bool first = true;
        for (int32_t i = 0; i < statements.count; ++i) {
            FormulaNode* statement = statements[i];
            bool expands = HasPlusMinusOrSetDefinition(statement);
            if (expands)
                SubstituteDefinitionsInSets(doc_->Definitions, statement);
            if (!first && !expands)
                continue;
            statements.RemoveAt(i--);
            bool whole = ExpandSource(statement);
            FreeTree(statement);
            first = false;
            if (!whole)
                return false;
        }
        return true;
    }

private:
    // One expansion per variant of the source, in order: per element of a
    // set definition, the plus then the minus reading, else the source.
    bool ExpandSource(FormulaNode* source)
    {
        FormulaNode* set = ExtractSetDefinition(doc_, source);
        bool whole = true;
        if (set) {
            whole = ExpandSet(source, set);
            FreeTree(set);
        } else if (ContainsPlusMinus(source)) {
            FormulaNode* plus = CopyTree(source);
            FormulaNode* minus = CopyTree(source);
            if (plus)
                ResolvePlusMinusAsPlus(plus);
            if (minus)
                ResolvePlusMinusAsMinus(minus);
            whole = Expand(plus);
            if (whole)
                whole = Expand(minus);
            else
                FreeTree(minus);
        } else {
            whole = Expand(CopyTree(source));
        }
        return whole;
    }

    bool ExpandSet(const FormulaNode* source, FormulaNode* set)
    {
        const FormulaNode* variable = set->children[0];
        const FormulaNode* content = set->children[1]->childCount > 0 ? set->children[1]->children[0] : nullptr;
        if (!content)
            return true;
        bool list = content->kind == KindComma;
        uint32_t count = list ? content->childCount : 1;
        for (uint32_t k = 0; k < count; ++k) {
            const FormulaNode* element = list ? content->children[k] : content;
            FormulaNode* copy = CopyTree(source);
            FormulaNode* rule = MakeBinaryNode(KindEquation, CopyTree(variable), CopyTree(element));
            if (copy && rule) {
                SubstituteEquation(copy, rule);
                StripParentheses(copy);
            }
            FreeTree(rule);
            if (!Expand(copy))
                return false;
        }
        return true;
    }

    // The statement is rewritten, kept, classified and summed up; false
    // (the statement kept) when the pass must stop. A null statement, from
    // a refused copy, is skipped.
    bool Expand(FormulaNode* statement)
    {
        if (!statement)
            return !Aborted();
        for (int pass = 0; pass < 2; ++pass) {
            unsigned char expand = ExpandFlag;
            ExpandFlag = 0;
            if (!IsDefinitionLine(statement))
                SubstituteDefinitions(-1, doc_->Definitions, statement);
            else if (IsIndexedVariableDefinition(statement))
                SubstituteDefinitions(-1, doc_->Definitions, statement->children[1]);
            ExpandFlag = 1;
            if (ContainsKind(statement, KindIntegral))
                line_.PlottingMode = 0;
            if (!IsParameterDefinition(statement))
                PrepareTreeForGraphing(doc_, statement);
            ExpandFlag = expand;
        }
        FlattenNestedLists(statement);
        if (line_.statements->Push(statement) != 0) {
            FreeTree(statement);
            return !Aborted();
        }
        Classify(statement);
        CoopYield();
        return !Aborted();
    }

    void Classify(FormulaNode* statement)
    {
        const DocumentHooks& hooks = GetDocumentHooks();
        StatementSummary form;
        if (hooks.classifyStatement)
            form = hooks.classifyStatement(statement, line_.XYType, doc_);
        if (form.graphable)
            doc_->someGraphable = true;
        if (form.is4D)
            summary_.any4D = true;
        if (form.needs3D && form.primed)
            summary_.anyPrimed3D = summary_.anyPrimed = true;
        else if (form.needs3D)
            summary_.any3D = true;
        else if (form.primed)
            summary_.anyPrimed = true;
        if (form.styled)
            summary_.anyStyled = true;
        line_.secondView = form.primed;
    }

    DocState* doc_;
    DocLine& line_;
    ViewSummary& summary_;
};

// Empties the line's statement list (making it when missing) and puts a
// copy of the formula in as its first statement; false when refused.
bool StartStatements(DocLine& line)
{
    if (!line.statements)
        line.statements = new (std::nothrow) GrowArray<FormulaNode*>;
    if (!line.statements)
        return false;
    for (FormulaNode* tree : *line.statements)
        FreeTree(tree);
    line.statements->count = 0;
    FormulaNode* copy = CopyTree(line.formula->root);
    if (!copy || line.statements->Push(copy) != 0) {
        FreeTree(copy);
        return false;
    }
    return true;
}

void PrepareTables(DocState* doc)
{
    const DocumentHooks& hooks = GetDocumentHooks();
    if (!hooks.prepareTableFormulas)
        return;
    for (DocLine& line : doc->Lines) {
        if (line.kind == DocLineTable && line.table)
            hooks.prepareTableFormulas(line.table, doc);
    }
}

}  // namespace

void AnalyseDocument(DocState* doc)
{
    MarkAnalysisThread();
    // Constant folding evaluates on this thread's own frame.
    EnsureEvalFrame();
    ViewSummary summary;
    if (!Aborted()) {
        doc->CollectDefinitions();
        for (int32_t i = 0; i < doc->Lines.count; ++i) {
            DocLine& line = doc->Lines[i];
            if (line.kind != DocLineEquation || !line.formula || !line.formula->root)
                continue;
            doc->lineBeingAnalysed = &line;
            if (!StartStatements(line))
                continue;
            if (!LineAnalysis(doc, line, summary).Run())
                break;
        }
        doc->lineBeingAnalysed = nullptr;
    }

    ViewLayoutFlags& layout = doc->viewLayout;
    layout.firstView3D = summary.any3D && !summary.any4D;
    layout.view4D = summary.any4D;
    layout.secondViewShown = summary.anyPrimed;
    layout.secondView3D = summary.anyPrimed3D && !summary.any4D;
    doc->pointStylesUsed = summary.anyStyled;

    // Here, while nothing can run them, and nowhere while something can.
    doc->CompileUserFunctions();
    if (!Aborted()) {
        PrepareTables(doc);
        doc->FindTransformDefinition();
    }

    doc->AnalysisThread = NoCoopThread;
    doc->analysisFinished = true;
    if (!Aborted())
        EnqueueDocumentTask(doc);
    if (GetDocumentHooks().updateIdleTimer)
        GetDocumentHooks().updateIdleTimer(doc);
}

namespace {

// The components of the transform: copies of the right side's entries, or
// the real and imaginary parts of f with w replaced by a + i b.
bool KeepEntries(TransformRecord& record, const FormulaNode* column, uint32_t count)
{
    for (uint32_t k = 0; k < count; ++k) {
        record.components[k] = CopyTree(column->children[k]);
        if (!record.components[k])
            return false;
    }
    return true;
}

bool KeepComplexParts(TransformRecord& record, const FormulaNode* f, uint32_t w, uint32_t a, uint32_t b)
{
    FormulaNode* rule = MakeBinaryNode(
        KindEquation, MakeVariableNode(w),
        MakeSum(MakeVariableNode(a), MakeProduct(MakeVariableNode(CodeI), MakeVariableNode(b))));
    FormulaNode* re = CopyTree(f);
    FormulaNode* im = CopyTree(f);
    if (rule && re && im) {
        SubstituteEquation(re, rule);
        SubstituteEquation(im, rule);
        record.components[0] = MakeRealPart(re);
        record.components[1] = MakeImagPart(im);
        re = im = nullptr;
    }
    FreeTree(rule);
    FreeTree(re);
    FreeTree(im);
    return record.components[0] && record.components[1];
}

// w = f with f a function of v alone that uses v.
bool IsComplexMap(const FormulaNode* statement, const DocState* doc, uint32_t w, uint32_t v)
{
    return IsTwoSidedEquation(statement) && statement->children[0]->kind == KindVariable &&
        statement->children[0]->payload.code == w && DependsOnlyOn(statement->children[1], doc, v) &&
        ContainsSymbol(statement->children[1], v);
}

// The kind of map the statement is, its components kept; 0 when it is none.
uint32_t MatchTransform(TransformRecord& record, const FormulaNode* s, const DocState* doc)
{
    const FormulaNode* right = IsTwoSidedEquation(s) ? s->children[1] : nullptr;
    if (IsPlaneTransform(s, doc, CodeX, CodeY, CodeXPrimed, CodeYPrimed))
        return KeepEntries(record, right, 2) ? 1 : 0;
    if (IsPlaneTransform(s, doc, CodeXPrimed, CodeYPrimed, CodeX, CodeY))
        return KeepEntries(record, right, 2) ? 2 : 0;
    if (IsSpaceTransform(s, doc, CodeXPrimed, CodeYPrimed, CodeZPrimed, CodeX, CodeY, CodeZ))
        return KeepEntries(record, right, 3) ? 4 : 0;
    if (IsComplexMap(s, doc, CodeZ, CodeZPrimed))
        return KeepComplexParts(record, right, CodeZPrimed, CodeXPrimed, CodeYPrimed) ? 1 : 0;
    if (IsComplexMap(s, doc, CodeZPrimed, CodeZ))
        return KeepComplexParts(record, right, CodeZ, CodeX, CodeY) ? 2 : 0;
    return 0;
}

void ClearTransform(TransformRecord& record)
{
    for (FormulaNode*& component : record.components) {
        FreeTree(component);
        component = nullptr;
    }
    record.kind = 0;
    record.line = nullptr;
}

}  // namespace

void DocState::FindTransformDefinition()
{
    ClearTransform(transform);
    for (DocLine& line : Lines) {
        if (line.kind != DocLineEquation || !line.statements)
            continue;
        for (const FormulaNode* statement : *line.statements) {
            uint32_t kind = MatchTransform(transform, statement, this);
            if (kind == 0) {
                // A copy refused half-way leaves nothing behind.
                ClearTransform(transform);
                continue;
            }
            transform.kind = kind;
            transform.line = &line;
            transform.Color = line.Color;
            if (kind == 2)
                transform.Grain = line.Grain;
            someGraphable = true;
            return;
        }
    }
}
