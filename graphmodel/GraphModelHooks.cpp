#include "graphmodel/GraphModelHooks.h"

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

}  // namespace

void RegisterGraphModelHooks()
{
    GetDocumentHooks().classifyStatement = &ClassifyStatement;
}
