#include "graphmodel/GraphModelHooks.h"

#include "document/DocState.h"
#include "document/DocumentHooks.h"
#include "graphmodel/EquationFormClassifier.h"

namespace {

StatementSummary ClassifyStatement(FormulaNode* statement, double xyType, DocState* doc)
{
    StatementForm form = ClassifyForAnalysis(statement, xyType, doc);
    StatementSummary summary;
    summary.graphable = form.graphable;
    summary.needs3D = form.needs3D;
    summary.is4D = form.is4D;
    summary.primed = form.primed;
    summary.styled = form.hasSymbolOrLabel;
    return summary;
}

bool LineAllSurfaceForms(const DocLine* line, DocState* doc)
{
    if (!line->statements)
        return false;
    return AllSurfaceForms(line->statements->storage, line->statements->count, doc->viewLayout.firstView3D,
                           doc->viewLayout.view4D, doc);
}

bool StatementTakesPicture(FormulaNode* statement, DocState* doc)
{
    return FormTakesPicture(statement, doc->viewLayout.firstView3D, doc->viewLayout.view4D, doc);
}

}  // namespace

void RegisterGraphModelHooks()
{
    DocumentHooks& hooks = GetDocumentHooks();
    hooks.classifyStatement = &ClassifyStatement;
    hooks.allSurfaceForms = &LineAllSurfaceForms;
    hooks.formTakesPicture = &StatementTakesPicture;
}
