// Named table columns as functions: the list from names to columns, the
// linear and bilinear interpolation of the columns' values, and their
// interval forms. Graph workers, the document task and the interface thread
// all read through here while the interface thread may rebuild the list and
// the task may swap computed values in: the list is read and replaced under
// one lock, a table's values under its cellLock, never both at once.
#include "document/TableFunctions.h"

#include "CoreUtilities/Mutex.h"
#include "CoreUtilities/WideString.h"
#include "document/DataTable.h"
#include "document/DocLine.h"
#include "document/DocState.h"
#include "document/DocumentHooks.h"
#include "formula/Definitions.h"
#include "formula/EditorState.h"
#include "formula/FormulaNode.h"
#include "formula/NameRegistry.h"
#include "formula/NodeKindTable.h"
#include "formula/TreeWalk.h"
#include "numerics/TextIdentity.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdlib>

namespace {

constexpr Interval kUndefinedInterval{NAN, NAN};
constexpr int32_t kTextColumn = 2;

// Guards the document's TableFunctions while it is replaced.
pthread_mutex_t ListLock = PTHREAD_MUTEX_INITIALIZER;

// A copy of the key's entry, taken under the list's lock.
bool FindEntry(const DocState* doc, uint32_t key, TableFunctionEntry* out)
{
    if (!doc)
        return false;
    MutexLock hold(ListLock);
    const TableFunctionEntry* entry = FindTableFunction(doc->TableFunctions, key);
    if (entry)
        *out = *entry;
    return entry != nullptr;
}

const DataTable* TableOf(const DocState* doc, const TableFunctionEntry& entry)
{
    if (entry.lineIndex < 0 || entry.lineIndex >= doc->Lines.count)
        return nullptr;
    const DocLine& line = doc->Lines[entry.lineIndex];
    return line.kind == DocLineTable ? line.table : nullptr;
}

// The table and the column of the key, or null.
const DataTable* Lookup(uint32_t key, const DocState* doc, int32_t* column)
{
    TableFunctionEntry entry;
    if (!FindEntry(doc, key, &entry))
        return nullptr;
    *column = entry.column;
    return TableOf(doc, entry);
}

// What read answers of the key's table and column, under the table's
// lock; undefined without them.
template <typename Result, typename Read>
Result ReadLocked(uint32_t key, const DocState* doc, Result undefined, Read read)
{
    int32_t column = 0;
    const DataTable* table = Lookup(key, doc, &column);
    if (!table)
        return undefined;
    MutexLock hold(table->cellLock);
    return read(*table, column);
}

bool InUnitRange(double x)
{
    return x >= 0 && x <= 1;
}

// The cell count of a column, or 0 past the last column.
int32_t CellCount(const DataTable& table, int32_t column)
{
    return column >= 0 && column < table.columns.count ? table.columns[column]->cells.count : 0;
}

// v[k] of a column: undefined past its cells or its parsed values, which a
// damaged file or a row added since the last parse may leave short.
double ValueOf(const DataTable& table, int32_t column, int32_t k)
{
    if (column < 0 || column >= table.columns.count || k < 1)
        return NAN;
    const DataTableColumn* c = table.columns[column];
    return c->values && k < c->valueCount && k < c->cells.count ? c->values[k] : NAN;
}

// The row position p = x (n - 2) + 1 of x in [0, 1] and its neighbours.
struct RowPlace {
    double p;
    int32_t lo, hi;
    double w;  // the weight of lo
};

RowPlace RowAt(double x, int32_t n)
{
    RowPlace r;
    r.p = x * (n - 2) + 1;
    r.lo = static_cast<int32_t>(std::floor(r.p));
    r.hi = static_cast<int32_t>(std::ceil(r.p));
    r.w = r.hi - r.p;
    return r;
}

// Bounds that hold a value interpolated between a and b with a position of
// n units: the rounding of the position and of the sum may move it by this
// much, never past the two neighbours.
void WidenForRounding(double value, double a, double b, int32_t n, double* lo, double* hi)
{
    const double slack = (std::fabs(a) + std::fabs(b)) * (n + 4) * DBL_EPSILON;
    *lo = std::max(value - slack, std::min(a, b));
    *hi = std::min(value + slack, std::max(a, b));
}

void Widen(double v, double* lo, double* hi)
{
    if (v < *lo)
        *lo = v;
    if (v > *hi)
        *hi = v;
}

// Interpolate2 at (x, y) with bounds on its rounding: every bilinear value
// in the cell lies between its four corners.
double Interpolate2Bounded(const DataTable& table, double x, double y, double* lo, double* hi)
{
    const double value = table.Interpolate2(x, y);
    const int32_t n = CellCount(table, 0), m = table.columns.count;
    const RowPlace r = RowAt(x, n);
    const double q = y * (m - 1);
    const int32_t c0 = static_cast<int32_t>(std::floor(q)), c1 = static_cast<int32_t>(std::ceil(q));
    const double corners[4] = {ValueOf(table, c0, r.lo), ValueOf(table, c0, r.hi), ValueOf(table, c1, r.lo),
                               ValueOf(table, c1, r.hi)};
    double sum = 0, least = corners[0], most = corners[0];
    for (double c : corners) {
        sum += std::fabs(c);
        least = std::min(least, c);
        most = std::max(most, c);
    }
    const double slack = sum * (n + m + 8) * DBL_EPSILON;
    *lo = std::max(value - slack, least);
    *hi = std::min(value + slack, most);
    return value;
}

// The keys a table line's header formula gives: x = ... and x_i = ...
// register x.
uint32_t HeaderFormulaKey(const EditorState* state)
{
    const FormulaNode* root = state ? state->root : nullptr;
    if (!root || root->kind != KindEquation || root->childCount < 1)
        return 0;
    const FormulaNode* left = root->children[0];
    if (left->kind == KindVariable)
        return left->payload.code;
    if (IsIndexedVariable(left))
        return left->children[0]->payload.code;
    return 0;
}

}  // namespace

// ---- The list ----

bool DataTable::AddTableFunctions(TableFunctionList* list, int32_t line) const
{
    const uint8_t wholeTable = HasOnlyFirstHeader() ? 1 : 0;
    for (int32_t i = 0; i < columns.count; ++i) {
        const DataTableColumn* column = columns[i];
        TableFunctionEntry entry{0, line, i, std::max(column->cells.count - 1, 0), 0};
        if (column->headerFormula) {
            entry.key = HeaderFormulaKey(column->headerFormula);
        } else {
            const char16_t* text = GetCell(0, i);
            if (!text || !*text)
                continue;
            entry.key = InternSymbolName(text);
            entry.flag = i == 0 ? wholeTable : 0;
            if (entry.key)
                NoteNameInUse(entry.key);
        }
        if (entry.key && list->Push(entry) != 0)
            return false;
    }
    return true;
}

void DocState::NoteEquationNamesInUse()
{
    for (const DocLine& line : Lines) {
        if (line.kind != DocLineEquation || !line.formula || !line.formula->root)
            continue;
        for (PreorderWalk walk(line.formula->root); walk.Node(); walk.Next()) {
            const FormulaNode* node = walk.Node();
            if (node->kind != KindVariable || node->payload.code < 256)
                continue;
            if (const uint32_t code = InternSymbolName(SymbolName(node->payload.code)))
                NoteNameInUse(code);
        }
    }
}

void DocState::RebuildTableFunctions()
{
    ClearNamesInUse();
    // Built aside and swapped in, so that readers on other threads see the
    // old list or the new one, never one half made.
    TableFunctionWork.Clear();
    for (int32_t i = 0; i < Lines.count; ++i) {
        const DocLine& line = Lines[i];
        if (line.kind == DocLineTable && line.table && !line.table->AddTableFunctions(&TableFunctionWork, i))
            break;
    }
    {
        MutexLock hold(ListLock);
        std::swap(TableFunctions, TableFunctionWork);
    }
    TableFunctionWork.Clear();
    TableColumnNamesStale = 1;
    tableFunctionsChanged = true;
    NoteEquationNamesInUse();
    static const char* const kStyleKeys[] = {"color", "symbol", "label", "radius", "fontsize"};
    for (const char* key : kStyleKeys) {
        if (const uint32_t code = InternSymbolName8(key))
            NoteNameInUse(code);
    }
}

// ---- One table ----

double DataTable::GetValueAt(int32_t column, int32_t row) const
{
    MutexLock hold(cellLock);
    return ValueOf(*this, column, row);
}

const char16_t* DataTable::GetCellAt(int32_t column, int32_t row) const
{
    return row >= 1 ? GetCell(row, column) : nullptr;
}

char16_t* DataTable::CopyCellAt(int32_t column, int32_t row) const
{
    MutexLock hold(cellLock);
    const char16_t* text = GetCellAt(column, row);
    return text ? WideDuplicateN(text, WideLength(text)) : nullptr;
}

double DataTable::Interpolate1(int32_t column, double x) const
{
    const int32_t n = CellCount(*this, column);
    if (!InUnitRange(x) || n < 2)
        return NAN;
    const RowPlace r = RowAt(x, n);
    if (r.lo == r.hi)
        return ValueOf(*this, column, r.lo);
    return ValueOf(*this, column, r.lo) * r.w + ValueOf(*this, column, r.hi) * (1 - r.w);
}

double DataTable::Interpolate2(double x, double y) const
{
    const int32_t n = CellCount(*this, 0), m = columns.count;
    if (!InUnitRange(x) || !InUnitRange(y) || m < 2 || n < 2)
        return NAN;
    const double q = y * (m - 1);
    const int32_t c0 = static_cast<int32_t>(std::floor(q)), c1 = static_cast<int32_t>(std::ceil(q));
    const double wc = c1 - q;
    const RowPlace r = RowAt(x, n);
    const double wr = r.w;
    return wc * wr * ValueOf(*this, c0, r.lo) + wc * (1 - wr) * ValueOf(*this, c0, r.hi) +
           wr * (1 - wc) * ValueOf(*this, c1, r.lo) + (1 - wr) * (1 - wc) * ValueOf(*this, c1, r.hi);
}

Interval DataTable::InterpolateInterval1(int32_t column, Interval x) const
{
    const double a = x.lo, b = x.hi;
    const int32_t n = CellCount(*this, column);
    if (!(a >= 0 && a <= b && b <= 1) || n < 2)
        return kUndefinedInterval;
    // The ends, each within the rounding of its interpolation.
    double lo, hi, lo2, hi2;
    const RowPlace ra = RowAt(a, n), rb = RowAt(b, n);
    WidenForRounding(Interpolate1(column, a), ValueOf(*this, column, ra.lo), ValueOf(*this, column, ra.hi), n, &lo,
                     &hi);
    WidenForRounding(Interpolate1(column, b), ValueOf(*this, column, rb.lo), ValueOf(*this, column, rb.hi), n, &lo2,
                     &hi2);
    if (std::isnan(lo) || std::isnan(lo2))
        return kUndefinedInterval;
    lo = std::min(lo, lo2);
    hi = std::max(hi, hi2);
    // Between them the interpolation is linear from row to row: the rows
    // inside hold its extremes.
    const int32_t first = static_cast<int32_t>(std::ceil(ra.p)), last = static_cast<int32_t>(std::floor(rb.p));
    for (int32_t k = first; k <= last; ++k)
        Widen(ValueOf(*this, column, k), &lo, &hi);
    return Interval{lo, hi};
}

Interval DataTable::InterpolateInterval2(Interval x, Interval y) const
{
    const double a = x.lo, b = x.hi, c = y.lo, d = y.hi;
    const int32_t n = CellCount(*this, 0), m = columns.count;
    if (!(a >= 0 && a <= b && b <= 1) || !(c >= 0 && c <= d && d <= 1) || m < 2 || n < 2)
        return kUndefinedInterval;
    // Row positions: a, the row grid values strictly between, b; column
    // positions alike. The bilinear interpolation is linear along every
    // grid line, so these samples hold its extremes over the box.
    auto positions = [](double from, double to, int32_t cells, auto&& visit) {
        visit(from);
        if (cells > 0) {
            const double kFirst = std::floor(from * cells) + 1, kEnd = std::ceil(to * cells);
            for (double k = kFirst; k < kEnd; ++k)
                visit(k / cells);
        }
        visit(to);
    };
    double lo = NAN, hi = NAN;
    bool first = true, undefined = false;
    positions(a, b, n - 2, [&](double px) {
        positions(c, d, m - 1, [&](double py) {
            double l, h;
            Interpolate2Bounded(*this, px, py, &l, &h);
            if (std::isnan(l) || std::isnan(h)) {
                // Only the first sample decides definedness; a later
                // undefined one never widens.
                if (first)
                    undefined = true;
            } else if (first) {
                lo = l;
                hi = h;
            } else {
                Widen(l, &lo, &hi);
                Widen(h, &lo, &hi);
            }
            first = false;
        });
    });
    return undefined ? kUndefinedInterval : Interval{lo, hi};
}

// ---- Lookups by key ----

double GetTableValue(uint32_t key, int32_t row, const DocState* doc)
{
    if (row < 1)
        return NAN;
    return ReadLocked(key, doc, double(NAN), [row](const DataTable& t, int32_t column) {
        if (column >= t.columns.count)
            return double(NAN);
        // The kind is settled before graphs are built; only read here.
        if (t.columns[column]->kind == kTextColumn) {
            const char16_t* text = t.GetCellAt(column, row);
            return text && *text ? TextIdentityOf(text) : NAN;
        }
        return ValueOf(t, column, row);
    });
}

const char16_t* GetTableFunctionCellText(uint32_t key, int32_t row, const DocState* doc)
{
    int32_t column = 0;
    const DataTable* table = Lookup(key, doc, &column);
    return table ? table->GetCellAt(column, row) : nullptr;
}

char16_t* GetTableFunctionCellCopy(uint32_t key, int32_t row, const DocState* doc)
{
    int32_t column = 0;
    const DataTable* table = Lookup(key, doc, &column);
    return table ? table->CopyCellAt(column, row) : nullptr;
}

bool IsTableTextFunction(uint32_t key, const DocState* doc)
{
    int32_t column = 0;
    const DataTable* table = Lookup(key, doc, &column);
    return table && column < table->columns.count && table->columns[column]->kind == kTextColumn;
}

double TableFunctionValue1(uint32_t key, double x, const DocState* doc)
{
    return ReadLocked(key, doc, double(NAN), [x](const DataTable& t, int32_t c) { return t.Interpolate1(c, x); });
}

double TableFunctionValue2(uint32_t key, double x, double y, const DocState* doc)
{
    return ReadLocked(key, doc, double(NAN), [x, y](const DataTable& t, int32_t) { return t.Interpolate2(x, y); });
}

Interval TableFunctionInterval1(uint32_t key, Interval x, const DocState* doc)
{
    return ReadLocked(key, doc, kUndefinedInterval,
                      [x](const DataTable& t, int32_t c) { return t.InterpolateInterval1(c, x); });
}

Interval TableFunctionInterval2(uint32_t key, Interval x, Interval y, const DocState* doc)
{
    return ReadLocked(key, doc, kUndefinedInterval,
                      [x, y](const DataTable& t, int32_t) { return t.InterpolateInterval2(x, y); });
}

void RegisterTableFunctionHooks()
{
    DocumentHooks& hooks = GetDocumentHooks();
    hooks.rebuildTableFunctions = [](DocState* doc) { doc->RebuildTableFunctions(); };
    hooks.tableValue = [](const DocState* doc, uint32_t key, int32_t row) { return GetTableValue(key, row, doc); };
}
