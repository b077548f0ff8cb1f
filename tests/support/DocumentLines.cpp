#include "support/DocumentLines.h"

#include "document/DocLine.h"
#include "document/DocState.h"
#include "formula/EditorState.h"
#include "formula/FormulaNode.h"
#include "formula/NodeBuilders.h"
#include "formula/NodeKindTable.h"

void AppendParameterLine(DocState& doc, uint32_t name, double value)
{
    DocLine line;
    InitEquationLine(&line);
    line.formula = new EditorState;
    line.formula->root = MakeBinaryNode(KindEquation, MakeVariableNode(name), MakeNumberNode(value));
    AppendDocLine(&doc.Lines, line);
    // As a definitions pass would find it.
    doc.CollectParameterLines();
}
