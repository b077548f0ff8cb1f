// Sorting a table's rows and filling its computed columns. The document
// task fills the columns on its own thread while the interface thread may
// draw the table: the task builds each column's new texts and values aside
// and swaps them in under the table's cellLock, freeing the old ones after.
#include "document/DataTable.h"

#include "CoreUtilities/MemoryBudget.h"
#include "CoreUtilities/WideString.h"
#include "document/DocState.h"
#include "evaluation/CompiledFormula.h"
#include "evaluation/RunControl.h"
#include "formula/CopyTree.h"
#include "formula/DependsOnlyOn.h"
#include "formula/FormulaNode.h"
#include "platform/NumberText.h"

#include <cmath>
#include <cstdlib>
#include <new>
#include <vector>

namespace {

constexpr uint32_t kDataRowSymbol = 14;

const char16_t* NonEmpty(const char16_t* text)
{
    return text && *text ? text : nullptr;
}

// A stable merge sort that never relies on the order being strict and weak:
// rows with undefined values compare equal to every row, which would let a
// library sort run past its range.
template <typename Less>
void MergeSort(std::vector<int32_t>& items, Less less)
{
    std::vector<int32_t> buffer(items.size());
    const size_t n = items.size();
    for (size_t width = 1; width < n; width *= 2) {
        for (size_t lo = 0; lo < n; lo += 2 * width) {
            const size_t mid = std::min(lo + width, n);
            const size_t hi = std::min(lo + 2 * width, n);
            size_t i = lo, j = mid, k = lo;
            while (i < mid && j < hi)
                buffer[k++] = less(items[j], items[i]) ? items[j++] : items[i++];
            while (i < mid)
                buffer[k++] = items[i++];
            while (j < hi)
                buffer[k++] = items[j++];
        }
        items.swap(buffer);
    }
}

bool Aborting()
{
    return AbortFlag.load(std::memory_order_relaxed) || DocumentTaskAbort.load(std::memory_order_relaxed);
}

}  // namespace

bool TableRowLess(DataTableColumn* column, int32_t a, int32_t b, int32_t direction)
{
    const int32_t rowA = a + 1;
    const int32_t rowB = b + 1;
    if (column->GetKind() == 1 && column->values && rowA < column->valueCount && rowB < column->valueCount) {
        const double x = column->values[rowA];
        const double y = column->values[rowB];
        return direction > 0 ? x < y : x > y;
    }
    const char16_t* x = rowA < column->cells.count ? NonEmpty(column->cells[rowA]) : nullptr;
    const char16_t* y = rowB < column->cells.count ? NonEmpty(column->cells[rowB]) : nullptr;
    return WideCompare(x, y) * direction < 0;
}

void DataTable::SortRows(int32_t column, int32_t direction)
{
    const int32_t rows = RowCount();
    if (column < 0 || column >= columns.count || rows < 3)
        return;
    DataTableColumn* key = columns[column];
    key->GetKind();
    {
        MutexLock hold(cellLock);
        key->ParseValues();
    }
    std::vector<int32_t> order(static_cast<size_t>(rows - 1));
    for (int32_t i = 0; i < rows - 1; ++i)
        order[static_cast<size_t>(i)] = i;
    MergeSort(order, [key, direction](int32_t a, int32_t b) { return TableRowLess(key, a, b, direction); });
    std::vector<char16_t*> moved(order.size());
    MutexLock hold(cellLock);
    for (DataTableColumn* c : columns) {
        if (c->cells.count != rows)
            continue;
        for (size_t k = 0; k < order.size(); ++k)
            moved[k] = c->cells[order[k] + 1];
        for (size_t k = 0; k < order.size(); ++k)
            c->cells[static_cast<int32_t>(k) + 1] = moved[k];
        c->needsMeasure = 1;
    }
}

void DataTable::ComputeFormulaColumns(DocState* doc)
{
    // 1. The columns to fill, each with its compiled formula.
    struct Job {
        DataTableColumn* column;
        CompiledFormula* formula;
    };
    std::vector<Job> jobs;
    for (DataTableColumn* column : columns) {
        bool wanted;
        {
            MutexLock hold(cellLock);
            wanted = column->needsCompute && column->computedFormula;
        }
        if (!wanted || !DependsOnlyOn(column->computedFormula, doc, kDataRowSymbol))
            continue;
        FormulaNode* copy = CopyTree(column->computedFormula);
        auto* formula = copy ? new (std::nothrow) CompiledFormula(copy, doc) : nullptr;
        if (!formula) {
            FreeTree(copy);
            continue;
        }
        CompileFormula(formula);
        jobs.push_back(Job{column, formula});
    }

    // 2. Each column's cells from the top, aside; then swapped in.
    const int32_t digits = DisplayDigits;
    DisplayDigits = doc->SignificantDigits;
    for (Job& job : jobs) {
        DataTableColumn* column = job.column;
        const int32_t count = column->cells.count;
        std::vector<char16_t*> texts(static_cast<size_t>(std::max(count, 1)), nullptr);
        auto* values = new (std::nothrow) double[static_cast<size_t>(std::max(count, 1))];
        if (!values)
            break;
        std::fill(values, values + std::max(count, 1), NAN);
        bool complete = true;
        for (int32_t j = 1; j < count; ++j) {
            if (Aborting()) {
                complete = false;
                break;
            }
            const double value = job.formula->EvaluateAtRow(j, 0, 0, 0);
            if (Aborting()) {
                complete = false;
                break;
            }
            values[j] = value;
            char16_t text[64];
            FormatNumberWithPrefix(text, 64, nullptr, value);
            texts[static_cast<size_t>(j)] = WideDuplicateN(text, WideLength(text));
        }
        double* oldValues;
        {
            MutexLock hold(cellLock);
            for (int32_t j = 1; j < count && j < column->cells.count; ++j)
                std::swap(column->cells[j], texts[static_cast<size_t>(j)]);
            oldValues = column->values;
            column->values = values;
            column->valueCount = std::max(count, 1);
            column->needsMeasure = 1;
            // A column cut short is filled again from the top next time.
            if (complete)
                column->needsCompute = 0;
        }
        for (char16_t* text : texts)
            std::free(text);
        delete[] oldValues;
        doc->RequestResultsRefresh();
    }
    DisplayDigits = digits;

    // 3. The compiled formulas go.
    for (Job& job : jobs)
        delete job.formula;
}
