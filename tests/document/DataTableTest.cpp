// Tables of the document: their shape and cells, header texts against
// header formulas, reading damaged tables, the geometry and hit tests, the
// sort, and computed columns filled on the document-task thread while the
// interface thread reads the cells.
#include "CoreUtilities/MemoryBudget.h"
#include "CoreUtilities/TextBufferStack.h"
#include "document/DataTable.h"
#include "document/DocState.h"
#include "document/DocumentReader.h"
#include "document/DocumentViewSettings.h"
#include "document/DocumentWriter.h"
#include "evaluation/RunControl.h"
#include "formula/EditorState.h"
#include "formula/FormulaEngine.h"
#include "formula/FormulaNode.h"
#include "formula/NodeKindTable.h"
#include "support/TestApp.h"
#include "support/TreeFixture.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <string>
#include <thread>
#include <vector>

namespace {

std::u16string U(const std::string& s)
{
    return std::u16string(s.begin(), s.end());
}

std::string Narrow(const char16_t* text)
{
    std::string s;
    for (; text && *text; ++text)
        s.push_back(static_cast<char>(*text));
    return s;
}

class DataTableTest : public TreeTest {
protected:
    void SetUp() override
    {
        TreeTest::SetUp();
        TestApp();
        static const bool engine = InitFormulaEngine();
        ASSERT_TRUE(engine);
        RegisterDataTableHooks();
        ResetKeptViewSettings();
        doc.Init(nullptr);
    }
    void TearDown() override
    {
        doc.FreeLines();
        ResetKeptViewSettings();
        TreeTest::TearDown();
    }

    // A table of the columns, each header first.
    DataTable* Make(const std::vector<std::vector<std::string>>& columns)
    {
        DataTable* table = NewDataTable(&doc);
        for (const auto& column : columns) {
            table->AppendColumn();
            for (const std::string& cell : column) {
                const std::u16string text = U(cell);
                table->AppendCellText(text.c_str(), static_cast<int32_t>(text.size()));
            }
        }
        DocLine line;
        InitTableLine(&line);
        line.table = table;
        AppendDocLine(&doc.Lines, line);
        return doc.Lines[doc.Lines.count - 1].table;
    }

    std::vector<std::string> Column(DataTable* table, int32_t column)
    {
        std::vector<std::string> cells;
        for (int32_t row = 1; row < table->RowCount(); ++row)
            cells.push_back(Narrow(table->GetCell(row, column)));
        return cells;
    }

    bool Read(const std::string& statements)
    {
        doc.Reset(nullptr);
        const std::string text = "Vellumor 4;\rWindow 0 0 0 0;\r" + statements;
        return ReadDocumentText(&doc, text.data(), text.size());
    }

    std::string Write()
    {
        int32_t length = 0;
        char* text = WriteDocumentText(&doc, &length);
        std::string written = text ? std::string(text, static_cast<size_t>(length)) : "";
        BudgetFree(text);
        return written;
    }

    DocState doc;
};

TEST_F(DataTableTest, NewTableAndDeletions)
{
    DataTable* table = NewDataTable(&doc);
    ASSERT_TRUE(table->AppendHeaderColumn());
    EXPECT_EQ(table->columns.count, 1);
    EXPECT_EQ(table->RowCount(), 1);
    EXPECT_EQ(table->TotalWidth(), 25);
    EXPECT_EQ(table->rowHeight, 20);
    // The only row and the only column: nothing is left to edit.
    EXPECT_EQ(table->DeleteRow(0), -1);
    EXPECT_TRUE(table->IsEmpty());
    table->Free();
    delete table;

    table = Make({{"a", "1", "2", "3"}, {"b", "4", "5", "6"}, {"c", "7", "8", "9"}});
    EXPECT_EQ(table->DeleteRow(3), 2);  // the last row: the one above is next
    EXPECT_EQ(table->DeleteRow(1), 1);
    EXPECT_EQ(table->DeleteColumn(2), 1);
    EXPECT_EQ(table->DeleteColumn(0), 0);
    EXPECT_EQ(table->DeleteColumn(0), -1);
}

TEST_F(DataTableTest, RowsAndColumnsGrowTogether)
{
    DataTable* table = Make({{"a", "1"}, {"b", "2"}});
    table->EnsureRow(2, false);
    EXPECT_EQ(table->RowCount(), 3);
    table->EnsureRow(2, false);  // a row no column ends at adds nothing
    EXPECT_EQ(table->RowCount(), 3);
    ASSERT_TRUE(table->EnsureColumn(2));
    EXPECT_EQ(table->columns[2]->cells.count, 3);
    // Add Row Before on the header: the header cells become row 1.
    ASSERT_TRUE(table->InsertRow(0));
    EXPECT_EQ(Narrow(table->GetCell(1, 0)), "a");
    EXPECT_TRUE(table->IsRowEmpty(0));
    EXPECT_FALSE(table->IsRowEmpty(1));
}

TEST_F(DataTableTest, NumberTexts)
{
    struct Case {
        const char* text;
        bool number;
    } cases[] = {{"1e5", true}, {" -2.5 ", true}, {".5", true}, {"+3.", true}, {"7E-2", true},
                 {"1e", false},  {"e5", false},   {"+", false},  {"1.2.3", false}, {"", false},
                 {".", false},   {"1 2", false},  {"x", false}};
    for (const Case& c : cases)
        EXPECT_EQ(IsNumberText(U(c.text).c_str()), c.number) << c.text;
    EXPECT_FALSE(IsNumberText(nullptr));
}

TEST_F(DataTableTest, HeaderFormulasAgainstHeaderTexts)
{
    ASSERT_TRUE(Read("Table\r\t=a+b\t\r\tspeed\t1\r\ta+b\t\r\t=\t\r\t)(\t\rEndOfTable;\r"));
    ASSERT_EQ(doc.Lines.count, 1);
    DataTable* table = doc.Lines[0].table;
    ASSERT_EQ(table->columns.count, 5);
    const char16_t* text = nullptr;
    EXPECT_NE(table->GetColumnHeader(0, &text), nullptr);
    EXPECT_EQ(text, nullptr);  // a header formula frees the header text
    EXPECT_EQ(table->GetColumnHeader(1, &text), nullptr);
    EXPECT_EQ(Narrow(text), "speed");
    EXPECT_NE(table->GetColumnHeader(2, nullptr), nullptr);
    // Texts that do not parse stay texts.
    EXPECT_EQ(table->GetColumnHeader(3, &text), nullptr);
    EXPECT_EQ(Narrow(text), "=");
    EXPECT_EQ(table->GetColumnHeader(4, &text), nullptr);
    EXPECT_EQ(Narrow(text), ")(");
    EXPECT_TRUE(table->IsComputedColumn(0));
    EXPECT_FALSE(table->IsComputedColumn(1));
    // Written back: header formulas after "=", their data cells as TABs.
    EXPECT_NE(Write().find("Table\r\t=a+b\t\r\tspeed\t1\r\t=a+b\t\r\t=\t\r\t)(\t\rEndOfTable;\r"), std::string::npos)
        << Write();
}

TEST_F(DataTableTest, DamagedTablesAreNormalised)
{
    ASSERT_TRUE(Read("Table\r\th\t1\t2\t3\r\tk\r\r\t\t\rEndOfTable;\rTable\rEndOfTable;\r"));
    ASSERT_EQ(doc.Lines.count, 2);
    DataTable* ragged = doc.Lines[0].table;
    ASSERT_EQ(ragged->columns.count, 3);
    for (DataTableColumn* column : ragged->columns)
        EXPECT_EQ(column->cells.count, 4);
    DataTable* empty = doc.Lines[1].table;
    EXPECT_EQ(empty->columns.count, 1);
    EXPECT_EQ(empty->RowCount(), 1);
    EXPECT_EQ(empty->GetCell(0, 0), nullptr);
    ragged->SortRows(1, 1);
    EXPECT_EQ(Column(ragged, 0), (std::vector<std::string>{"1", "2", "3"}));
}

TEST_F(DataTableTest, KindIsKeptOnceKnown)
{
    DataTable* table = Make({{"a", "", "x"}});
    DataTableColumn* column = table->columns[0];
    EXPECT_EQ(column->GetKind(), 0);  // no first data cell yet
    table->SetCellText(u"12", 2, 1, 0);
    EXPECT_EQ(column->GetKind(), 1);
    table->SetCellText(u"word", 4, 1, 0);
    EXPECT_EQ(column->GetKind(), 1);
}

TEST_F(DataTableTest, SortTables)
{
    struct Case {
        std::vector<std::string> cells;
        int32_t direction;
        std::vector<std::string> sorted;
    } cases[] = {
        // The first data cell decides: numbers by value, else texts.
        {{"10", "9", "100"}, 1, {"9", "10", "100"}},
        {{"b", "10", "9", "100"}, 1, {"10", "100", "9", "b"}},
        {{"10", "9", "100"}, -1, {"100", "10", "9"}},
        // Empty cells sort after every text.
        {{"b", "", "a"}, 1, {"a", "b", ""}},
        // Undefined values compare equal to every row; the sort still ends
        // and keeps every row.
        {{"3", "x", "1", "NaN", "2", "", "0"}, 1, {"1", "x", "0", "NaN", "2", "", "3"}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> key = {"k"};
        std::vector<std::string> order = {"n"};
        for (size_t i = 0; i < c.cells.size(); ++i) {
            key.push_back(c.cells[i]);
            order.push_back(std::to_string(i));
        }
        DataTable* table = Make({key, order});
        table->SortRows(0, c.direction);
        std::vector<std::string> sorted = Column(table, 0);
        std::sort(sorted.begin(), sorted.end());
        std::vector<std::string> expected = c.cells;
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(sorted, expected) << "rows kept";
        if (c.cells[1] != "x") {
            EXPECT_EQ(Column(table, 0), c.sorted);
        }
        // Rows move whole.
        for (int32_t row = 1; row < table->RowCount(); ++row)
            EXPECT_EQ(Narrow(table->GetCell(row, 0)), c.cells[std::stoi(Narrow(table->GetCell(row, 1)))]);
    }
    // Reverse sort of equal values keeps their order.
    DataTable* table = Make({{"k", "1", "2", "1", "2"}, {"n", "a", "b", "c", "d"}});
    table->SortRows(0, -1);
    EXPECT_EQ(Column(table, 1), (std::vector<std::string>{"b", "d", "a", "c"}));
}

TEST_F(DataTableTest, NumericSortWithUndefinedCellsStaysBounded)
{
    // Many rows with undefined values among numbers: a comparison that is
    // no strict weak ordering must neither crash nor lose rows.
    std::vector<std::string> key = {"k"};
    for (int i = 0; i < 300; ++i)
        key.push_back(i % 3 == 0 ? "1" : (i % 3 == 1 ? "NaN" : std::to_string(300 - i)));
    DataTable* table = Make({key});
    table->SortRows(0, 1);
    table->SortRows(0, -1);
    EXPECT_EQ(table->RowCount(), 301);
    int nan = 0;
    for (const std::string& cell : Column(table, 0))
        nan += cell == "NaN";
    EXPECT_EQ(nan, 100);
}

TEST_F(DataTableTest, CopiedRowsAndColumns)
{
    DataTable* table = Make({{"a", "1", "2"}, {"b", "3", "4"}});
    IndexList rows;
    rows.Push(2);
    rows.Push(1);
    PushTextBuffer();
    table->WriteRowsText(rows);
    PutTextChar(0);
    char* text = PopTextBuffer();
    EXPECT_STREQ(text, "1\t3\r2\t4\r");
    BudgetFree(text);
    IndexList columns;
    columns.Push(1);
    PushTextBuffer();
    table->WriteColumnsText(columns);
    PutTextChar(0);
    text = PopTextBuffer();
    EXPECT_STREQ(text, "b\r3\r4\r");
    BudgetFree(text);
    rows.Clear();
    columns.Clear();
}

TEST_F(DataTableTest, RowHeightsAndTheRowScrollBar)
{
    DataTable* table = Make({{"a", "1", "2", "3"}});
    table->SetOrigin(100, 50);
    EXPECT_EQ(table->rowHeight, 20);
    EXPECT_EQ(table->HeaderHeight(), 24);
    EXPECT_EQ(table->Height(), 24 + 3 * 20);
    EXPECT_EQ(table->RowTop(2), 100 + 24 + 20 + 4);
    EXPECT_EQ(table->RowAtY(100 + 2 + 24 + 25), 2);

    // One display row shows only the header band, without a bar.
    table->SetDisplayRows(1);
    EXPECT_EQ(table->Height(), 24);
    table->UpdateScrollBars();
    EXPECT_EQ(table->rowScrollBar, nullptr);
    // Dragging the bottom edge below the last row shows all rows again.
    EXPECT_TRUE(table->DragDisplayRows(ShortPoint{static_cast<int16_t>(100 + 24 + 5 * 20), 60}));
    EXPECT_EQ(table->displayRows, 0);
    table->DragDisplayRows(ShortPoint{static_cast<int16_t>(100 + 24 + 25), 60});
    EXPECT_EQ(table->displayRows, 2);
    ASSERT_NE(table->rowScrollBar, nullptr);
    EXPECT_EQ(table->rowScrollBar->maximum, 2);

    // Growing past 1600 pixels: the header and 79 data rows, and a bar.
    DataTable* tall = Make({{"t"}});
    for (int32_t row = 1; row <= 100; ++row)
        tall->EnsureRow(row, true);
    EXPECT_EQ(tall->displayRows, 80);
    ASSERT_NE(tall->rowScrollBar, nullptr);
    EXPECT_EQ(tall->Height(), 24 + 79 * 20);
    EXPECT_EQ(tall->FirstVisibleRow(), 1);
    EXPECT_EQ(tall->LastVisibleRow(), 79);
    EXPECT_FALSE(tall->IsCellVisible(90, 0));
    tall->ScrollCellIntoView(90, 0);
    EXPECT_TRUE(tall->IsCellVisible(90, 0));
    EXPECT_EQ(tall->LastVisibleRow(), 90);
    tall->ScrollCellIntoView(3, 0);
    EXPECT_EQ(tall->FirstVisibleRow(), 3);
}

TEST_F(DataTableTest, HitTests)
{
    // The second column cut short, as a damaged table might be.
    DataTable* table = Make({{"a", "1", "2"}, {"b", "3"}});
    table->SetOrigin(100, 50);
    const int16_t below = static_cast<int16_t>(100 + 24 + 2 * 20 + 5);
    int32_t row = 0, column = 0;
    // A press right of the last column edits the last column, its row
    // clamped to that column's cells.
    table->CellAt(ShortPoint{below, 2000}, &row, &column);
    EXPECT_EQ(column, 1);
    EXPECT_EQ(row, 1);
    table->Normalise();
    table->CellAt(ShortPoint{static_cast<int16_t>(100 + 24 + 10), 60}, &row, &column);
    EXPECT_EQ(column, 0);
    EXPECT_EQ(row, 1);
    EXPECT_TRUE(table->ContainsPoint(ShortPoint{110, 2000}));
    // The 15-pixel strips above and left of the table.
    EXPECT_TRUE(table->InColumnSelectStrip(ShortPoint{90, 60}));
    EXPECT_TRUE(table->InRowSelectStrip(ShortPoint{110, 40}));
    EXPECT_FALSE(table->InRowSelectStrip(ShortPoint{110, 30}));
    IndexList list;
    EXPECT_TRUE(table->SelectColumnsAt(&list, ShortPoint{90, 60}, 2));
    EXPECT_TRUE(table->SelectColumnsAt(&list, ShortPoint{90, 60 + 25}, 0));
    EXPECT_EQ(list.count, 2);
    EXPECT_TRUE(table->SelectColumnsAt(&list, ShortPoint{90, 60}, 1));
    EXPECT_EQ(list.count, 1);
    EXPECT_EQ(IndexListMin(list), 1);
    EXPECT_FALSE(table->SelectColumnsAt(&list, ShortPoint{90, 2000}, 2));
    list.Clear();
}

// A table whose second column is x_i = i^2, prepared as the analysis does.
class ComputedColumnTest : public DataTableTest {
protected:
    void SetUp() override
    {
        DataTableTest::SetUp();
        std::vector<std::string> numbers = {"n"};
        for (int i = 1; i <= 400; ++i)
            numbers.push_back(std::to_string(i));
        table = Make({numbers, {"=x_i=i^2"}});
        table->Normalise();
        table->ParseHeaderFormulas(&doc);
        ASSERT_NE(table->columns[1]->headerFormula, nullptr);
        table->PrepareHeaderFormulas(&doc);
        ASSERT_NE(table->columns[1]->computedFormula, nullptr);
    }
    void TearDown() override
    {
        DocumentTaskAbort = 0;
        DataTableTest::TearDown();
    }
    DataTable* table = nullptr;
};

TEST_F(ComputedColumnTest, ACancelledColumnIsFilledFromTheTopNextTime)
{
    DocumentTaskAbort = 1;
    table->ComputeFormulaColumns(&doc);
    EXPECT_EQ(table->GetCell(5, 1), nullptr);
    EXPECT_EQ(table->columns[1]->needsCompute, 1);
    DocumentTaskAbort = 0;
    table->ComputeFormulaColumns(&doc);
    EXPECT_EQ(Narrow(table->GetCell(5, 1)), "25");
    EXPECT_EQ(Narrow(table->GetCell(400, 1)), "160000");
    EXPECT_EQ(table->columns[1]->values[7], 49);
    EXPECT_EQ(table->columns[1]->needsCompute, 0);
}

TEST_F(ComputedColumnTest, TheTaskSwapsCellsWhileTheInterfaceReadsThem)
{
    std::atomic<bool> done{false};
    std::thread task([&] {
        for (int run = 0; run < 20; ++run) {
            table->MarkColumnsForRecompute();
            table->ComputeFormulaColumns(&doc);
        }
        done = true;
    });
    // The interface thread measures and reads cells as drawing does.
    size_t seen = 0;
    while (!done) {
        table->MarkAllColumnsForMeasure();
        table->RemeasureColumns();
        MutexLock hold(table->cellLock);
        for (int32_t row = 1; row < table->RowCount(); ++row)
            seen += Narrow(table->GetCell(row, 1)).size();
    }
    task.join();
    EXPECT_EQ(Narrow(table->GetCell(20, 1)), "400");
    (void)seen;
}

}  // namespace
