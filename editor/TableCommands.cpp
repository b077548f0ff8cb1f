// The Table menu's commands and the editing of table cells: one line-edit
// box, shared by all tables, laid over the current cell; header formulas
// are edited in the formula editor instead. Every command that changes the
// table's shape first stops the analysis and the document task, so that the
// task never meets cells that move.
#include "document/DataTable.h"
#include "editor/TableEditing.h"

#include "CoreUtilities/MemoryBudget.h"
#include "CoreUtilities/TextBufferStack.h"
#include "CoreUtilities/WideString.h"
#include "document/DocState.h"
#include "document/DocumentHooks.h"
#include "document/DocumentReader.h"
#include "document/DocumentTask.h"
#include "document/DocumentWriter.h"
#include "editor/COndrelView.h"
#include "editor/EditorStateLife.h"
#include "editor/EquationViewServices.h"
#include "editor/TypesetDriver.h"
#include "formula/CopyTree.h"
#include "formula/EditorState.h"
#include "formula/FormulaNode.h"
#include "formula/NodeKindTable.h"
#include "formula/TreeRewrite.h"
#include "platform/NumberText.h"

#include <QEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QLineEdit>

#include <algorithm>
#include <cstring>

namespace {

const DocumentHooks& Hooks()
{
    return GetDocumentHooks();
}

template <typename F, typename... A>
void Call(F f, A... a)
{
    if (f)
        f(a...);
}

DataTable* CurrentTable(DocState* doc)
{
    if (doc->currentLine < 0 || doc->currentLine >= doc->Lines.count)
        return nullptr;
    DocLine& line = doc->Lines[doc->currentLine];
    return line.kind == DocLineTable ? line.table : nullptr;
}

QLineEdit* CellEditor(DocState* doc)
{
    return qobject_cast<QLineEdit*>(doc->tableCellEditor);
}

std::u16string EditorText(QLineEdit* box)
{
    const QString text = box->text();
    return std::u16string(reinterpret_cast<const char16_t*>(text.utf16()), static_cast<size_t>(text.size()));
}

void StopForShapeChange(DocState* doc)
{
    doc->CommitPendingCellEdit();
    doc->StopAnalysis();
    CancelDocumentTask(doc);
    if (doc->Graphs)
        doc->Graphs->ClearAllGraphs();
}

// A header formula holding the tree (null: an empty placeholder).
EditorState* NewColumnFormula(DocState* doc, FormulaNode* tree)
{
    EditorState* saved = GetCurrentEditorState();
    EditorState* state = NewLineFormula(doc, doc->GraphPaneWindow);
    SetCurrentEditorState(saved);
    if (!state) {
        FreeTree(tree);
        return nullptr;
    }
    if (tree) {
        ReplaceNode(tree, state->root);
        state->current = state->root;
    }
    return state;
}

// Enter and Tab move between cells; arrows up and down between rows. A
// drag out of the cell selects rows or columns, and goes on selecting while
// the button is held.
class CellKeyFilter : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::MouseMove)
            return DragFromCell(static_cast<QWidget*>(watched), static_cast<QMouseEvent*>(event));
        if (event->type() != QEvent::KeyPress)
            return QObject::eventFilter(watched, event);
        auto* key = static_cast<QKeyEvent*>(event);
        DocState* doc = GetDocState();
        DataTable* table = CurrentTable(doc);
        if (!table)
            return false;
        int32_t row = doc->currentTableRow;
        int32_t column = doc->currentTableColumn;
        switch (key->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Down:
            if (key->key() == Qt::Key_Down && row + 1 >= table->RowCount())
                return true;
            ++row;
            table->EnsureRow(row, true);
            break;
        case Qt::Key_Up:
            if (row == 0)
                return true;
            --row;
            break;
        case Qt::Key_Tab:
            ++column;
            if (column >= table->columns.count) {
                doc->StopAnalysis();
                CancelDocumentTask(doc);
                table->EnsureColumn(column);
                Call(Hooks().rebuildTableFunctions, doc);
            }
            break;
        case Qt::Key_Backtab:
            if (column == 0)
                return true;
            --column;
            break;
        default:
            return false;
        }
        doc->CommitPendingCellEdit();
        doc->currentTableRow = row;
        doc->currentTableColumn = column;
        doc->BeginTableCellEdit();
        doc->ScrollCurrentCellIntoView();
        InvalidateEquationLayout();
        RedrawEquationPane();
        return true;
    }
};

// The box's text changed by the user: it goes into the cell.
void OnCellEdited(const QString&)
{
    DocState* doc = GetDocState();
    DataTable* table = CurrentTable(doc);
    QLineEdit* box = CellEditor(doc);
    if (!table || !box || doc->EditMode != EditTextOrCell)
        return;
    if (doc->currentTableRow == 0) {
        // A header text is a name.
        const std::u16string text = EditorText(box);
        if (!text.empty() && !IsIdentifierText(text.c_str())) {
            const char16_t* kept = table->GetCell(0, doc->currentTableColumn);
            QSignalBlocker quiet(box);
            box->setText(kept ? QString::fromUtf16(kept) : QString());
            return;
        }
    }
    doc->cellEditOpen = true;
    doc->CommitTableCellEdit();
}

QLineEdit* MakeCellEditor()
{
    QWidget* pane = GetEquationView();
    if (!pane)
        return nullptr;
    auto* box = new QLineEdit(pane);
    box->setFrame(false);
    box->installEventFilter(new CellKeyFilter(box));
    QObject::connect(box, &QLineEdit::textEdited, box, &OnCellEdited);
    box->hide();
    return box;
}

}  // namespace

void DocState::InsertTableLine()
{
    StopForShapeChange(this);
    DataTable* table = NewDataTable(this);
    if (!table)
        return;
    if (!table->AppendHeaderColumn()) {
        table->Free();
        delete table;
        return;
    }
    DocLine line;
    InitTableLine(&line);
    line.table = table;
    // The new table goes right after the current line.
    const int32_t index = currentLine >= 0 && currentLine < Lines.count ? currentLine + 1 : 0;
    EndEditing();
    if (!InsertDocLine(&Lines, line, index)) {
        FreeDocLine(&line);
        return;
    }
    currentLine = index;
    currentTableRow = 0;
    currentTableColumn = 0;
    EditMode = EditTextOrCell;
    BeginTableCellEdit();
    Call(Hooks().rebuildTableFunctions, this);
    Recompute();
    Call(Hooks().postGraphPaneResize, this);
    InvalidateEquationLayout();
    RedrawEquationPane();
    undo.kind = UndoNone;
}

void DocState::BeginTableCellEdit()
{
    DataTable* table = CurrentTable(this);
    if (!table || table->IsEmpty())
        return;
    if (undo.kind == UndoTextBox)
        undo.kind = UndoNone;
    table->RemeasureColumns();
    currentTableColumn = std::clamp(currentTableColumn, 0, table->columns.count - 1);
    currentTableRow = std::clamp(currentTableRow, 0, table->columns[currentTableColumn]->cells.count - 1);
    DataTableColumn* column = table->columns[currentTableColumn];
    if (currentTableRow == 0 && column->headerFormula) {
        if (QLineEdit* box = CellEditor(this))
            box->hide();
        EditMode = EditFormula;
        if (Hooks().activateEditorState)
            Hooks().activateEditorState(column->headerFormula, GraphPaneWindow);
        else
            SetCurrentEditorState(column->headerFormula);
        return;
    }
    SetCurrentEditorState(nullptr);
    EditMode = EditTextOrCell;
    QLineEdit* box = CellEditor(this);
    if (!box) {
        box = MakeCellEditor();
        tableCellEditor = box;
    }
    if (!box)
        return;
    const char16_t* text = table->GetCell(currentTableRow, currentTableColumn);
    QFont font(QStringLiteral("Times New Roman"));
    font.setPixelSize(table->fontSize);
    font.setBold(currentTableRow == 0);
    box->setFont(font);
    box->setAlignment(currentTableRow == 0 ? Qt::AlignHCenter : Qt::AlignLeft);
    const bool computed = currentTableRow > 0 && table->IsComputedColumn(currentTableColumn);
    box->setReadOnly(computed);
    QPalette palette = box->palette();
    palette.setColor(QPalette::Base, computed ? QColor(0xE0, 0xE0, 0xE0) : QColor(Qt::white));
    box->setPalette(palette);
    {
        QSignalBlocker quiet(box);
        box->setText(text ? QString::fromUtf16(text) : QString());
    }
    PlaceTableCellEditor();
    box->selectAll();
    box->setFocus();
}

void DocState::PlaceTableCellEditor()
{
    DataTable* table = CurrentTable(this);
    QLineEdit* box = CellEditor(this);
    if (!table || !box || EditMode != EditTextOrCell)
        return;
    ShortRect visible = table->CellEditorRect(currentTableRow, currentTableColumn);
    if (currentTableRow == 0)
        visible.right = SaturateToShort(visible.right - 1);
    const ShortRect band = table->ScrollBarBand();
    visible.right = SaturateToShort(std::min<int32_t>({visible.right, equationPaneRect.right, band.right - 3}));
    if (visible.right <= visible.left || !table->IsCellVisible(currentTableRow, currentTableColumn)) {
        box->hide();
        return;
    }
    const int32_t height = std::max(table->rowHeight - 4, table->fontSize + 4);
    box->setGeometry(visible.left, visible.top - 2, visible.right - visible.left, height);
    box->show();
}

void DocState::UpdateTableCellEditor()
{
    DataTable* table = CurrentTable(this);
    QLineEdit* box = CellEditor(this);
    if (!table || !box || EditMode != EditTextOrCell)
        return;
    const bool hidden = IsCurrentCellHidden();
    if (hidden && box->isVisible())
        box->hide();
    else if (!hidden)
        PlaceTableCellEditor();
}

bool DocState::IsCurrentCellHidden()
{
    DataTable* table = CurrentTable(this);
    return table && EditMode == EditTextOrCell && !table->IsCellVisible(currentTableRow, currentTableColumn);
}

void DocState::ScrollCurrentCellIntoView()
{
    DataTable* table = CurrentTable(this);
    if (!table || !IsEditingTable() || table->IsCellVisible(currentTableRow, currentTableColumn))
        return;
    table->ScrollCellIntoView(currentTableRow, currentTableColumn);
    InvalidateEquationLayout();
    RedrawEquationPane();
}

void DocState::CommitTableCellText()
{
    DataTable* table = CurrentTable(this);
    QLineEdit* box = CellEditor(this);
    if (!table || !box || !IsEditingTable() || EditMode != EditTextOrCell)
        return;
    const std::u16string text = EditorText(box);
    table->SetCellText(text.c_str(), static_cast<int32_t>(text.size()), currentTableRow, currentTableColumn);
    if (table->MeasureColumn(currentTableColumn)) {
        InvalidateEquationLayout();
        RedrawEquationPane();
    }
    if (currentTableRow == 0) {
        tableFunctionsChanged = true;
        StopAnalysis();
        CancelDocumentTask(this);
        Call(Hooks().rebuildTableFunctions, this);
    }
    Recompute();
}

void DocState::CommitTableCellEdit()
{
    if (CellEditor(this) && IsEditingTable()) {
        CommitTableCellText();
        undo.kind = UndoTextBox;
        undo.lineIndex = static_cast<int16_t>(currentLine);
        Call(Hooks().setDocModified, true);
        ScrollCurrentCellIntoView();
    }
    cellEditOpen = false;
}

void DocState::StoreTableCellText(const char16_t* text, int32_t length, int32_t row, int32_t column)
{
    DataTable* table = CurrentTable(this);
    if (!table)
        return;
    table->EnsureRow(row, false);
    if (!table->EnsureColumn(column))
        return;
    if (row == 0 && length > 0 && text[0] == u'=') {
        std::u16string rest(text + 1, static_cast<size_t>(length - 1));
        FormulaNode* tree = ParseFormulaWideString(rest.c_str());
        if (tree && tree->kind != KindVariable && tree->kind != KindNumber) {
            if (EditorState* state = NewColumnFormula(this, tree))
                table->SetHeaderFormula(column, state);
            return;
        }
        FreeTree(tree);
    }
    table->SetCellText(text, length, row, column);
}

void DocState::FitCurrentTableRows()
{
    if (DataTable* table = CurrentTable(this))
        table->FitRows();
}

void DocState::AddTableRow(int32_t after)
{
    DataTable* table = CurrentTable(this);
    if (!table)
        return;
    // The task must not meet cells that move.
    StopForShapeChange(this);
    const int32_t row = currentTableRow + after;
    table->InsertRow(row);
    currentTableRow = row;
    BeginTableCellEdit();
    InvalidateEquationLayout();
    Recompute();
    undo.kind = UndoNone;
}

void DocState::AddTableColumn(int32_t after)
{
    DataTable* table = CurrentTable(this);
    if (!table)
        return;
    StopForShapeChange(this);
    const int32_t column = currentTableColumn + after;
    if (!table->InsertColumn(column) || !table->FillColumnCells(column))
        return;
    currentTableColumn = column;
    currentTableRow = 0;
    BeginTableCellEdit();
    InvalidateEquationLayout();
    Call(Hooks().rebuildTableFunctions, this);
    Recompute();
    undo.kind = UndoNone;
}

void DocState::AddTableFormulaColumn(int32_t after)
{
    DataTable* table = CurrentTable(this);
    if (!table)
        return;
    StopForShapeChange(this);
    const int32_t column = currentTableColumn + after;
    if (!table->InsertColumn(column) || !table->FillColumnCells(column))
        return;
    const int32_t line = currentLine;
    EndEditing();
    currentLine = line;
    FocusEquationView();
    EditorState* state = NewColumnFormula(this, nullptr);
    if (state)
        table->SetHeaderFormula(column, state);
    currentTableColumn = column;
    currentTableRow = 0;
    if (state) {
        EditMode = EditFormula;
        if (Hooks().activateEditorState)
            Hooks().activateEditorState(state, GraphPaneWindow);
        else
            SetCurrentEditorState(state);
        Call(Hooks().selectEntireFormula, state);
    }
    table->LayoutHeaders();
    InvalidateEquationLayout();
    Call(Hooks().rebuildTableFunctions, this);
    Recompute();
    undo.kind = UndoNone;
}

namespace {

// The end of Delete Row and Delete Column: the snapshot becomes the undo.
void KeepSnapshot(DocState* doc, char* snapshot)
{
    doc->FreeUndoRecord();
    if (snapshot) {
        doc->undo.kind = UndoDocumentText;
        doc->undo.snapshotText = snapshot;
    }
    Call(Hooks().rebuildTableFunctions, doc);
    doc->SelectAllInField();
    doc->Recompute();
}

}  // namespace

namespace {

// Deletes the current row or column; a table left without any goes with its
// line. Either is one undo step.
void DeleteTablePart(DocState* doc, bool row)
{
    DataTable* table = CurrentTable(doc);
    if (!table)
        return;
    StopForShapeChange(doc);
    char* snapshot = WriteDocumentText(doc);
    const int32_t line = doc->currentLine;
    const int32_t column = doc->currentTableColumn;
    const int32_t current = doc->currentTableRow;
    doc->EndEditing();
    doc->currentLine = line;
    doc->currentTableColumn = column;
    doc->currentTableRow = current;
    const int32_t next = row ? table->DeleteRow(current) : table->DeleteColumn(column);
    if (next < 0) {
        doc->EditMode = EditTextOrCell;
        doc->RemoveCurrentLine();
        if (doc->Lines.count == 0)
            doc->InsertEquationLine();
        FocusEquationView();
    } else {
        if (row) {
            doc->currentTableRow = next;
        } else {
            table->LayoutHeaders();
            doc->currentTableColumn = next;
        }
        doc->BeginTableCellEdit();
        InvalidateEquationLayout();
        doc->RefreshEditState();
    }
    KeepSnapshot(doc, snapshot);
}

}  // namespace

void DocState::DeleteTableRow()
{
    DeleteTablePart(this, true);
}

void DocState::DeleteTableColumn()
{
    DeleteTablePart(this, false);
}

void DocState::SortTable(int32_t direction)
{
    DataTable* table = CurrentTable(this);
    if (!table)
        return;
    // The task must not meet cells that move.
    StopForShapeChange(this);
    char* snapshot = WriteDocumentText(this);
    const int32_t column =
        EditMode == EditTableColumns && tableSelection.count > 0 ? tableSelection[0] : currentTableColumn;
    table->SortRows(column, direction);
    BeginTableCellEdit();
    InvalidateEquationLayout();
    RefreshEditState();
    FreeUndoRecord();
    if (snapshot) {
        undo.kind = UndoDocumentText;
        undo.snapshotText = snapshot;
    }
    Recompute();
}

void DocState::SetTableFontSize(int32_t size)
{
    DataTable* table = CurrentTable(this);
    if (!table)
        return;
    table->SetFontSize(size);
    table->MarkAllColumnsForMeasure();
    table->RemeasureColumns();
    table->LayoutHeaders();
    InvalidateEquationLayout();
    BeginTableCellEdit();
    RedrawEquationPane();
}

char* DocState::CopyTableSelection()
{
    DataTable* table = CurrentTable(this);
    if (!table || tableSelection.count == 0)
        return nullptr;
    PushTextBuffer();
    if (EditMode == EditTableColumns)
        table->WriteColumnsText(tableSelection);
    else
        table->WriteRowsText(tableSelection);
    PutTextChar(0);
    return PopTextBuffer();
}

void RegisterTableEditingHooks()
{
    DocumentHooks& hooks = GetDocumentHooks();
    hooks.commitTableCellEdit = [](DocState* doc) { doc->CommitTableCellEdit(); };
    hooks.beginTableCellEdit = [](DocState* doc) { doc->BeginTableCellEdit(); };
    hooks.updateTableCellEditor = [](DocState* doc) { doc->UpdateTableCellEditor(); };
    hooks.hideTableCellEditor = [](WindowHandle editor) {
        if (editor)
            editor->hide();
    };
}

bool PressTableLine(DocState* doc, int32_t index, const PanePress& press)
{
    DataTable* table = doc->Lines[index].table;
    if (!table)
        return false;
    const ShortPoint p = press.point;
    const bool current = index == doc->currentLine;
    if (current && doc->IsTableActive() && table->InScrollBarBand(p)) {
        table->dragging = 1;
        return true;
    }
    const bool columns = table->InColumnSelectStrip(p);
    const bool rows = !columns && table->InRowSelectStrip(p);
    if (columns || rows) {
        const int32_t mode = columns ? EditTableColumns : EditTableRows;
        const int32_t how = (press.modifiers & 2) ? 0 : ((press.modifiers & 1) ? 1 : 2);
        if (!current || doc->EditMode != mode || how == 2) {
            doc->EndEditing();
            doc->currentLine = index;
            doc->EditMode = mode;
        }
        if (columns)
            table->SelectColumnsAt(&doc->tableSelection, p, how);
        else
            table->SelectRowsAt(&doc->tableSelection, p, how);
        FocusEquationView();
        RedrawEquationPane();
        return true;
    }
    if (!table->ContainsPoint(p))
        return false;
    int32_t row = 0, column = 0;
    table->CellAt(p, &row, &column);
    if (!current || !doc->IsEditingTable()) {
        doc->EndEditing();
        doc->currentLine = index;
    }
    doc->currentTableRow = row;
    doc->currentTableColumn = column;
    doc->BeginTableCellEdit();
    RedrawEquationPane();
    return true;
}

void DocState::BeginTableSelection(ShortPoint point)
{
    DataTable* table = CurrentTable(this);
    if (!table || !IsEditingTable())
        return;
    const ShortRect cell = table->CellFrameRect(currentTableRow, currentTableColumn);
    const bool sideways = point.v > cell.top && point.v < cell.bottom;
    const int32_t line = currentLine;
    EndEditing();
    currentLine = line;
    EditMode = sideways ? EditTableRows : EditTableColumns;
    tableSelection.count = 0;
    ExtendTableSelection(point);
    FocusEquationView();
    RedrawEquationPane();
}

bool DocState::ExtendTableSelection(ShortPoint point)
{
    DataTable* table = CurrentTable(this);
    if (!table)
        return false;
    // Dragging back does not take a row or column out again.
    if (EditMode == EditTableColumns)
        return table->SelectColumnsAt(&tableSelection, point, 2);
    if (EditMode == EditTableRows)
        return table->SelectRowsAt(&tableSelection, point, 2);
    return false;
}

bool DragFromCell(QWidget* box, QMouseEvent* event)
{
    DocState* doc = GetDocState();
    const QPoint local = event->position().toPoint();
    if (!(event->buttons() & Qt::LeftButton))
        return false;
    const QPoint p = box->mapToParent(local);
    const ShortPoint point{SaturateToShort(p.y()), SaturateToShort(p.x())};
    if (doc->EditMode == EditTableColumns || doc->EditMode == EditTableRows) {
        if (doc->ExtendTableSelection(point))
            RedrawEquationPane();
        return true;
    }
    if (box->rect().contains(local) || !doc->IsEditingTable())
        return false;
    doc->BeginTableSelection(point);
    return true;
}

bool DragTableEdge(DocState* doc, ShortPoint point)
{
    if (!doc->IsTableDragging())
        return false;
    doc->Lines[doc->currentLine].table->DragDisplayRows(point);
    InvalidateEquationLayout();
    return true;
}
