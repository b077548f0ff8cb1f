#include "support/DocumentLines.h"

#include "document/DocLine.h"
#include "document/DocState.h"
#include "formula/EditorState.h"
#include "formula/FormulaNode.h"
#include "formula/NodeBuilders.h"
#include "formula/NodeKindTable.h"
#include "support/FormulaReader.h"

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

bool AppendEquationLine(DocState& doc, const char* text)
{
    DocLine line;
    InitEquationLine(&line);
    line.formula = new EditorState;
    line.formula->root = ReadFormula(text);
    return AppendDocLine(&doc.Lines, line) == 0;
}

void CollectFreeVariables(DocState& doc)
{
    doc.ClearVariables();
    for (const DocLine& line : doc.Lines) {
        if (line.statements) {
            for (const FormulaNode* statement : *line.statements)
                doc.AddFreeVariables(statement);
        }
    }
}
