// Tables in the equation pane as the user meets them: New Table, typing
// into cells with Enter and Tab, the Table menu's commands, the cell editor
// over the current cell, and how a table looks.
#include "app/COndrelDoc.h"
#include "CoreUtilities/MemoryBudget.h"
#include "document/DataTable.h"
#include "document/DocState.h"
#include "document/DocumentReader.h"
#include "drawing/DDUtils.h"
#include "drawing/OffscreenSurface.h"
#include "editor/COndrelView.h"
#include "formula/FormulaEngine.h"
#include "support/PortFixture.h"
#include "support/TestApp.h"

#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

std::string Narrow(const char16_t* text)
{
    std::string s;
    for (; text && *text; ++text)
        s.push_back(static_cast<char>(*text));
    return s;
}

class TableCommandsTest : public testing::Test {
protected:
    void SetUp() override
    {
        TestApp();
        static const bool engine = InitFormulaEngine();
        ASSERT_TRUE(engine);
        // The pane draws through the port, which the graph pane's view
        // provides in the program.
        surface_ = MakeSurface(0, 0, 400, 600);
        SetCurrentPort(surface_);
        window_ = new QWidget;
        auto* layout = new QVBoxLayout(window_);
        layout->setContentsMargins(0, 0, 0, 0);
        view_ = new COndrelView(window_);
        layout->addWidget(view_, 1);
        ASSERT_TRUE(doc_.OnNewDocument());
        view_->setFixedSize(600, 400);
        window_->adjustSize();
        window_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window_));
        QApplication::setActiveWindow(window_);
        view_->setFocus();
        Settle();
    }
    void TearDown() override
    {
        Doc()->FreeLines();
        delete window_;
        SetCurrentPort(nullptr);
        DisposeOffscreenSurface(surface_);
    }

    void Settle()
    {
        QApplication::processEvents();
        view_->InvalidateLayout();
        view_->repaint();
    }
    DocState* Doc() { return GetDocState(); }
    DataTable* Table() { return Doc()->Lines[Doc()->currentLine].table; }
    QLineEdit* Editor() { return qobject_cast<QLineEdit*>(Doc()->tableCellEditor); }
    // Types the text into the cell editor and ends the cell with the key.
    void Cell(const char* text, Qt::Key end = Qt::Key_Return)
    {
        ASSERT_NE(Editor(), nullptr);
        QTest::keyClicks(Editor(), QString::fromLatin1(text));
        QTest::keyClick(Editor(), end);
        Settle();
    }
    std::vector<std::string> Column(int32_t column)
    {
        std::vector<std::string> cells;
        for (int32_t row = 1; row < Table()->RowCount(); ++row)
            cells.push_back(Narrow(Table()->GetCell(row, column)));
        return cells;
    }

    COndrelDoc doc_;
    OffscreenSurface* surface_ = nullptr;
    QWidget* window_ = nullptr;
    COndrelView* view_ = nullptr;
};

TEST_F(TableCommandsTest, NewTableIsTypedIntoAndSorted)
{
    ASSERT_EQ(Doc()->Lines.count, 1);
    Doc()->currentLine = 0;
    Doc()->InsertTableLine();
    Settle();
    ASSERT_EQ(Doc()->Lines.count, 2);
    EXPECT_EQ(Doc()->currentLine, 1);
    EXPECT_EQ(Doc()->EditMode, EditTextOrCell);
    EXPECT_EQ(Table()->columns.count, 1);
    EXPECT_EQ(Table()->RowCount(), 1);
    ASSERT_NE(Editor(), nullptr);
    EXPECT_TRUE(Editor()->isVisible());

    Cell("n");
    for (const char* value : {"10", "9", "100"})
        Cell(value);
    EXPECT_EQ(Narrow(Table()->GetCell(0, 0)), "n");
    EXPECT_EQ(Column(0), (std::vector<std::string>{"10", "9", "100", ""}));
    // Tab goes on to a new column.
    Doc()->currentTableRow = 0;
    Doc()->BeginTableCellEdit();
    QTest::keyClick(Editor(), Qt::Key_Tab);
    Cell("t");
    for (const char* value : {"b", "10", "9"})
        Cell(value);
    ASSERT_EQ(Table()->columns.count, 2);
    // A header takes only a name.
    Doc()->currentTableRow = 0;
    Doc()->BeginTableCellEdit();
    QTest::keyClicks(Editor(), QString::fromLatin1("+"));
    EXPECT_EQ(Narrow(Table()->GetCell(0, 1)), "t");

    Doc()->currentTableColumn = 0;
    Doc()->SortTable(1);
    EXPECT_EQ(Column(0), (std::vector<std::string>{"9", "10", "100", ""}));
    EXPECT_EQ(Column(1), (std::vector<std::string>{"10", "b", "9", ""}));
    EXPECT_EQ(Doc()->undo.kind, UndoDocumentText);
    Doc()->currentTableColumn = 1;
    Doc()->SortTable(1);
    EXPECT_EQ(Column(1), (std::vector<std::string>{"10", "9", "b", ""}));
    Settle();

    // The grid is drawn in grey and the header text in black.
    QImage shot = view_->grab().toImage();
    if (const char* dir = std::getenv("VL_SCREENSHOT_DIR"))
        shot.save(QString::fromUtf8(dir) + "/table.png");
    const int top = Table()->top;
    const int left = Table()->left;
    EXPECT_EQ(shot.pixelColor(left + 10, top).rgb() & 0xFFFFFF, 0x808080u);
    int dark = 0;
    for (int y = top + 2; y < top + 24; ++y)
        for (int x = left + 1; x < left + Table()->columns[0]->width; ++x)
            dark += qGray(shot.pixel(x, y)) < 100;
    EXPECT_GT(dark, 5);
}

TEST_F(TableCommandsTest, RowsAndColumnsAreAddedAndDeleted)
{
    Doc()->currentLine = 0;
    Doc()->InsertTableLine();
    Cell("a");
    Cell("1");
    Doc()->currentTableRow = 0;
    Doc()->AddTableRow(0);  // before the header: its cells become row 1
    EXPECT_EQ(Doc()->currentTableRow, 0);
    EXPECT_EQ(Narrow(Table()->GetCell(1, 0)), "a");
    Doc()->AddTableColumn(1);
    EXPECT_EQ(Table()->columns.count, 2);
    EXPECT_EQ(Doc()->currentTableColumn, 1);
    EXPECT_EQ(Table()->columns[1]->cells.count, Table()->RowCount());
    Doc()->AddTableFormulaColumn(1);
    EXPECT_EQ(Doc()->EditMode, EditFormula);
    EXPECT_NE(Table()->columns[2]->headerFormula, nullptr);
    EXPECT_TRUE(Table()->IsComputedColumn(2));

    // A typed header "=x" stays a text; "=i^2" becomes a header formula.
    Doc()->StoreTableCellText(u"=x", 2, 0, 1);
    EXPECT_EQ(Narrow(Table()->GetCell(0, 1)), "=x");
    EXPECT_EQ(Table()->columns[1]->headerFormula, nullptr);
    Doc()->StoreTableCellText(u"=i^2", 4, 0, 1);
    EXPECT_NE(Table()->columns[1]->headerFormula, nullptr);

    Doc()->EditMode = EditTextOrCell;
    Doc()->currentTableColumn = 2;
    Doc()->DeleteTableColumn();
    EXPECT_EQ(Table()->columns.count, 2);
    EXPECT_EQ(Doc()->currentTableColumn, 1);
    EXPECT_EQ(Doc()->undo.kind, UndoDocumentText);

    // Deleting every row removes the table line.
    const int32_t lines = Doc()->Lines.count;
    while (Doc()->Lines.count == lines && Doc()->currentLine >= 0 &&
           Doc()->Lines[Doc()->currentLine].kind == DocLineTable)
        Doc()->DeleteTableRow();
    EXPECT_EQ(Doc()->Lines.count, lines - 1);
    for (const DocLine& line : Doc()->Lines)
        EXPECT_NE(line.kind, DocLineTable);
}

TEST_F(TableCommandsTest, TheOnlyLineDeletedLeavesAnEquation)
{
    Doc()->currentLine = 0;
    Doc()->InsertTableLine();
    Doc()->currentLine = 0;
    Doc()->RemoveCurrentLine();
    ASSERT_EQ(Doc()->Lines.count, 1);
    Doc()->currentLine = 0;
    Doc()->BeginEditingCurrentLine();
    ASSERT_EQ(Doc()->Lines[0].kind, DocLineTable);
    Doc()->DeleteTableColumn();
    ASSERT_EQ(Doc()->Lines.count, 1);
    EXPECT_EQ(Doc()->Lines[0].kind, DocLineEquation);
}

TEST_F(TableCommandsTest, ComputedColumnBehindARowScrollBar)
{
    std::string text = "Vellumor 4;\rWindow 0 0 0 0;\rTableDisplayRows 5;\rTable\r\tn";
    for (int i = 1; i <= 12; ++i)
        text += "\t" + std::to_string(i * 1.5);
    text += "\r\t=y_i=i^2\rEndOfTable;\r";
    Doc()->FreeLines();
    ASSERT_TRUE(ReadDocumentText(Doc(), text.data(), text.size()));
    ASSERT_EQ(Doc()->Lines.count, 1);
    DataTable* table = Doc()->Lines[0].table;
    table->PrepareHeaderFormulas(Doc());
    table->ComputeFormulaColumns(Doc());
    Doc()->currentLine = 0;
    Doc()->BeginEditingCurrentLine();
    Doc()->currentTableRow = 2;
    Doc()->BeginTableCellEdit();
    Settle();
    EXPECT_EQ(Narrow(table->GetCell(12, 1)), "144");
    ASSERT_NE(table->rowScrollBar, nullptr);
    auto* bar = qobject_cast<QScrollBar*>(table->rowScrollBar->window);
    ASSERT_NE(bar, nullptr);
    EXPECT_TRUE(bar->isVisible());
    EXPECT_EQ(bar->maximum(), 13 - 5);
    EXPECT_EQ(table->Height(), table->HeaderHeight() + 4 * table->rowHeight);
    // The bar scrolls the rows; the edited cell's box hides while its row is
    // scrolled away.
    bar->setValue(3);
    Settle();
    EXPECT_EQ(table->FirstVisibleRow(), 4);
    EXPECT_FALSE(Editor()->isVisible());
    bar->setValue(0);
    Settle();
    EXPECT_TRUE(Editor()->isVisible());
    QImage shot = view_->grab().toImage();
    if (const char* dir = std::getenv("VL_SCREENSHOT_DIR"))
        shot.save(QString::fromUtf8(dir) + "/computed-table.png");
    // The computed column is shaded.
    const int x = table->ColumnLeft(1) + 2;
    const int y = table->RowTop(3) + 1;
    EXPECT_EQ(shot.pixelColor(x, y).rgb() & 0xFFFFFF, 0xE0E0E0u);
}

// A move with the button held, at a point of the pane, as the cell editor
// receives it.
void DragCellEditorTo(QWidget* editor, QPoint panePoint)
{
    const QPoint local = editor->mapFromParent(panePoint);
    QMouseEvent move(QEvent::MouseMove, local, editor->mapToGlobal(local), Qt::NoButton, Qt::LeftButton, {});
    QApplication::sendEvent(editor, &move);
}

TEST_F(TableCommandsTest, ADragOutOfACellSelectsRowsSidewaysAndColumnsOtherwise)
{
    for (bool sideways : {true, false}) {
        Doc()->FreeLines();
        ASSERT_TRUE(doc_.OnNewDocument());
        Doc()->currentLine = 0;
        Doc()->InsertTableLine();
        for (const char* text : {"a", "1", "2"})
            Cell(text);
        Doc()->currentTableRow = 0;
        Doc()->BeginTableCellEdit();
        QTest::keyClick(Editor(), Qt::Key_Tab);
        for (const char* text : {"b", "3", "4"})
            Cell(text);
        ASSERT_EQ(Table()->columns.count, 2);
        Doc()->currentTableRow = 1;
        Doc()->currentTableColumn = 0;
        Doc()->BeginTableCellEdit();
        Settle();
        QLineEdit* editor = Editor();
        ASSERT_NE(editor, nullptr);
        const ShortRect cell = Table()->CellFrameRect(1, 0);
        const ShortRect second = Table()->CellFrameRect(2, 1);
        const int middle = (cell.top + cell.bottom) / 2;
        // Inside the cell the editor keeps the drag.
        DragCellEditorTo(editor, editor->geometry().center());
        EXPECT_EQ(Doc()->EditMode, EditTextOrCell);
        if (sideways) {
            DragCellEditorTo(editor, QPoint(second.left + 3, middle));
            EXPECT_EQ(Doc()->EditMode, EditTableRows);
            // The drag goes on down to the next row.
            DragCellEditorTo(editor, QPoint(second.left + 3, (second.top + second.bottom) / 2));
        } else {
            DragCellEditorTo(editor, QPoint(cell.left + 3, (second.top + second.bottom) / 2));
            EXPECT_EQ(Doc()->EditMode, EditTableColumns);
            DragCellEditorTo(editor, QPoint(second.left + 3, (second.top + second.bottom) / 2));
        }
        EXPECT_EQ(Doc()->currentLine, 1);
        ASSERT_EQ(Doc()->tableSelection.count, 2);
        const int32_t first = sideways ? 1 : 0;
        EXPECT_EQ(std::min(Doc()->tableSelection[0], Doc()->tableSelection[1]), first);
        EXPECT_EQ(std::max(Doc()->tableSelection[0], Doc()->tableSelection[1]), first + 1);
        Doc()->tableSelection.Clear();
    }
}

TEST_F(TableCommandsTest, ADocumentOpenedOnATableShowsItsFirstCellInTheEditor)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("table.vlf"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("Vellumor 4;\rTable\r\tX\t1\r\tY\t2\rEndOfTable;\r");
    file.close();
    ASSERT_TRUE(doc_.OnOpenDocument(path));
    Settle();
    EXPECT_EQ(Doc()->EditMode, EditTextOrCell);
    ASSERT_NE(Editor(), nullptr);
    EXPECT_TRUE(Editor()->isVisible());
    EXPECT_EQ(Editor()->text(), QStringLiteral("X"));
}

TEST_F(TableCommandsTest, CopiedSelection)
{
    Doc()->currentLine = 0;
    Doc()->InsertTableLine();
    Cell("a");
    Cell("1");
    Cell("2");
    Doc()->EditMode = EditTableRows;
    Doc()->tableSelection.Push(2);
    Doc()->tableSelection.Push(1);
    char* text = Doc()->CopyTableSelection();
    ASSERT_NE(text, nullptr);
    EXPECT_STREQ(text, "1\r2\r");
    BudgetFree(text);
    Doc()->EditMode = EditTableColumns;
    Doc()->tableSelection.Clear();
    Doc()->tableSelection.Push(0);
    text = Doc()->CopyTableSelection();
    EXPECT_STREQ(text, "a\r1\r2\r\r");
    BudgetFree(text);
    Doc()->tableSelection.Clear();
}

}  // namespace
