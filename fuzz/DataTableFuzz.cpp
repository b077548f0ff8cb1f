// Table sections of documents over any bytes, read into real tables: every
// table read keeps its columns equally long with at least one cell, answers
// its geometry, sorts, interpolates within its intervals, and writes back as text that reads again and writes
// the same bytes.
#include "CoreUtilities/FailureRegister.h"
#include "CoreUtilities/MemoryBudget.h"
#include "document/DataTable.h"
#include "document/DocState.h"
#include "document/DocumentReader.h"
#include "document/DocumentViewSettings.h"
#include "document/DocumentWriter.h"
#include "formula/FormulaEngine.h"
#include "fuzz/FuzzCheck.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>

namespace {

constexpr size_t kMaxText = 1 << 15;

std::string Written(DocState* doc)
{
    int32_t length = 0;
    char* text = WriteDocumentText(doc, &length);
    FuzzRequire(text != nullptr, "a document is written");
    std::string written(text, static_cast<size_t>(length));
    BudgetFree(text);
    return written;
}

void Clear(DocState* doc)
{
    doc->Reset(nullptr);
    ResetKeptViewSettings();
}

// The table's values as functions: an interval over a range or a box holds
// every value inside it, whatever the cells hold.
void CheckInterpolation(DataTable& table)
{
    for (DataTableColumn* column : table.columns)
        column->ParseValues();
    const double stops[] = {0, 0.2, 0.5, 0.7, 1};
    const Interval one = table.InterpolateInterval1(0, {0.2, 0.7});
    const Interval two = table.InterpolateInterval2({0.2, 0.7}, {0, 1});
    for (double x : stops) {
        const double v = table.Interpolate1(0, x);
        if (x >= 0.2 && x <= 0.7 && std::isfinite(v) && !std::isnan(one.lo))
            FuzzRequire(v >= one.lo && v <= one.hi, "a column's interval holds its values");
        for (double y : stops) {
            const double w = table.Interpolate2(x, y);
            if (x >= 0.2 && x <= 0.7 && std::isfinite(w) && std::isfinite(two.lo) && std::isfinite(two.hi))
                FuzzRequire(w >= two.lo && w <= two.hi, "a table's interval holds its values");
        }
    }
}

void CheckTables(DocState* doc)
{
    for (DocLine& line : doc->Lines) {
        if (line.kind != DocLineTable)
            continue;
        DataTable* table = line.table;
        FuzzRequire(table && table->columns.count > 0 && table->RowCount() > 0, "a read table has a cell");
        for (DataTableColumn* column : table->columns)
            FuzzRequire(column->cells.count == table->RowCount(), "columns are equally long");
        ShortPoint p{static_cast<int16_t>(table->top + 30), static_cast<int16_t>(table->left + 9999)};
        int32_t row = 0, column = 0;
        table->CellAt(p, &row, &column);
        FuzzRequire(column == table->columns.count - 1 && row >= 0 && row < table->RowCount(), "a press finds a cell");
        table->SortRows(0, 1);
        table->SortRows(table->columns.count - 1, -1);
        CheckInterpolation(*table);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static bool started = InitFormulaEngine();
    static DocState* doc = [] {
        RegisterDataTableHooks();
        auto* d = new DocState;
        d->Init(nullptr);
        return d;
    }();
    if (!started)
        return 0;
    std::string text = "Vellumor 4;\rTable\r" +
        std::string(reinterpret_cast<const char*>(data), std::min(size, kMaxText)) + "\rEndOfTable;\r";
    AbortFlag = 0;
    ResetFailureRegister();
    Clear(doc);
    if (!ReadDocumentText(doc, text.data(), text.size()))
        return 0;
    CheckTables(doc);
    const std::string first = Written(doc);
    Clear(doc);
    FuzzRequire(ReadDocumentText(doc, first.data(), first.size()), "a written table reads again");
    FuzzRequire(Written(doc) == first, "a written table writes the same text again");
    Clear(doc);
    return 0;
}
