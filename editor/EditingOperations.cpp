#include "editor/EditingOperations.h"

#include "editor/CaretMoves.h"
#include "editor/Deletion.h"
#include "editor/EditorCommands.h"
#include "editor/FormulaMouse.h"
#include "editor/FormulaScrap.h"
#include "editor/OperatorInsertion.h"
#include "editor/TemplateInsertion.h"

void RegisterEditingOperations()
{
    EditorOperations& operations = GetEditorOperations();
    operations.insertOperatorNode = &InsertOperatorNode;
    operations.insertTemplate = &InsertTemplate;
    operations.deleteLeft = &DeleteLeft;
    operations.deleteRight = &DeleteRight;
    operations.clipboardCommand = &DoClipboardCommand;
    operations.removeGapOperator = &RemoveGapOperator;
    SetSelectionDragFunction(&ExtendSelectionToPoint);
}
