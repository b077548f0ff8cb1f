// Named table columns as functions: the list from names to columns, linear
// and bilinear interpolation in the four number types, interval enclosures,
// and the reading of a column row by row, each from tables read out of a
// document.
#include "document/TableFunctions.h"

#include "document/DataTable.h"
#include "document/DocLine.h"
#include "document/DocState.h"
#include "document/DocumentReader.h"
#include "document/DocumentServices.h"
#include "document/DocumentViewSettings.h"
#include "evaluation/CompiledFormula.h"
#include "evaluation/ParameterValue.h"
#include "formula/FormulaEngine.h"
#include "formula/NameRegistry.h"
#include "formula/NodeKindTable.h"
#include "numerics/TextIdentity.h"
#include "support/TestApp.h"
#include "support/TreeFixture.h"
#include "support/TreeText.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

namespace {

class TableFunctionsTest : public TreeTest {
protected:
    void SetUp() override
    {
        TreeTest::SetUp();
        TestApp();
        static const bool engine = InitFormulaEngine();
        ASSERT_TRUE(engine);
        RegisterDataTableHooks();
        RegisterDocumentServices();
        ResetKeptViewSettings();
        doc.Init(nullptr);
    }
    void TearDown() override
    {
        doc.FreeLines();
        doc.TableFunctions.Clear();
        ResetKeptViewSettings();
        TreeTest::TearDown();
    }

    // Reads table sections, each a list of columns, each a header and its
    // cells; the values are parsed as the analysis pass does.
    void ReadTables(const std::vector<std::vector<std::vector<std::string>>>& tables)
    {
        std::string text = "Vellumor 4;\rWindow 0 0 0 0;\r";
        for (const auto& table : tables) {
            text += "Table\r";
            for (const auto& column : table) {
                for (const std::string& cell : column)
                    text += "\t" + cell;
                text += "\r";
            }
            text += "EndOfTable;\r";
        }
        doc.Reset(nullptr);
        ASSERT_TRUE(ReadDocumentText(&doc, text.data(), text.size()));
        for (DocLine& line : doc.Lines) {
            if (line.kind != DocLineTable)
                continue;
            for (DataTableColumn* column : line.table->columns)
                column->ParseValues();
        }
        doc.ClassifyAllTableColumns();
        doc.RebuildTableFunctions();
    }

    DataTable* Table(int32_t line) { return doc.Lines[line].table; }

    static uint32_t Key(const char* name) { return InternSymbolName8(name); }

    DocState doc;
};

::testing::AssertionResult Undefined(Interval x)
{
    if (std::isnan(x.lo) && std::isnan(x.hi))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "[" << x.lo << ", " << x.hi << "]";
}

TEST_F(TableFunctionsTest, ColumnInterpolatesLinearlyOverItsRows)
{
    ReadTables({{{"T", "1", "3", "2"}}});
    const uint32_t t = Key("T");
    const struct {
        double x, expected;
    } cases[] = {
        {0, 1}, {0.25, 2}, {0.5, 3}, {0.75, 2.5}, {1, 2},
        // Outside [0, 1], and NaN, nothing is read.
        {1.01, NAN}, {-0.1, NAN}, {NAN, NAN},
    };
    for (const auto& c : cases) {
        const double v = TableFunctionValue1(t, c.x, &doc);
        if (std::isnan(c.expected))
            EXPECT_TRUE(std::isnan(v)) << c.x << " gave " << v;
        else
            EXPECT_EQ(v, c.expected) << c.x;
        // The same through the interpreters' entry.
        const double through = EvalTableFunctionReal1(t, c.x, &doc);
        EXPECT_TRUE(through == v || (std::isnan(through) && std::isnan(v))) << c.x;
    }
    // A name no column has, and a key of nothing, are undefined.
    EXPECT_TRUE(std::isnan(TableFunctionValue1(Key("U"), 0.5, &doc)));
    EXPECT_TRUE(std::isnan(TableFunctionValue1(0, 0.5, &doc)));

    // One data row answers its value everywhere; a header alone nothing.
    ReadTables({{{"T", "7"}}, {{"H"}}});
    EXPECT_EQ(TableFunctionValue1(t, 0, &doc), 7);
    EXPECT_EQ(TableFunctionValue1(t, 0.6, &doc), 7);
    EXPECT_TRUE(std::isnan(TableFunctionValue1(Key("H"), 0, &doc)));
    // An empty or non-number cell is undefined, and so is every value that
    // leans on it, even with weight 0.
    ReadTables({{{"T", "1", "", "5"}}});
    EXPECT_EQ(TableFunctionValue1(t, 0, &doc), 1);
    EXPECT_TRUE(std::isnan(TableFunctionValue1(t, 0.25, &doc)));
    EXPECT_EQ(TableFunctionValue1(t, 1, &doc), 5);
}

TEST_F(TableFunctionsTest, IntervalEnclosesEveryValueBetween)
{
    ReadTables({{{"T", "1", "3", "2"}}});
    const uint32_t t = Key("T");
    // The rows inside widen the ends' values; rounding may move the ends
    // out by a few units in the last place, never in.
    Interval whole = TableFunctionInterval1(t, {0.25, 1}, &doc);
    EXPECT_LE(whole.lo, 2);
    EXPECT_GT(whole.lo, 2 - 1e-12);
    EXPECT_EQ(whole.hi, 3);
    Interval point = TableFunctionInterval1(t, {0.5, 0.5}, &doc);
    EXPECT_EQ(point.lo, 3);
    EXPECT_EQ(point.hi, 3);
    for (Interval bad : {Interval{0.5, 0.4}, Interval{-0.1, 0.5}, Interval{0.5, 1.5}, Interval{NAN, 1}})
        EXPECT_TRUE(Undefined(TableFunctionInterval1(t, bad, &doc))) << bad.lo << ", " << bad.hi;

    // Random columns and ranges: every value sampled between the ends lies
    // inside, in one and in two arguments.
    std::mt19937 random(29);
    std::uniform_real_distribution<double> value(-1e3, 1e3), unit(0, 1);
    for (int trial = 0; trial < 60; ++trial) {
        const int rows = 1 + trial % 9, columns = 2 + trial % 4;
        std::vector<std::vector<std::string>> table;
        for (int c = 0; c < columns; ++c) {
            std::vector<std::string> column{c == 0 ? "M" : ""};
            for (int r = 0; r < rows; ++r)
                column.push_back(std::to_string(value(random)));
            table.push_back(column);
        }
        ReadTables({table});
        const uint32_t m = Key("M");
        double a = unit(random), b = unit(random), c = unit(random), d = unit(random);
        if (a > b)
            std::swap(a, b);
        if (c > d)
            std::swap(c, d);
        const Interval one = TableFunctionInterval1(m, {a, b}, &doc);
        const Interval two = TableFunctionInterval2(m, {a, b}, {c, d}, &doc);
        ASSERT_FALSE(Undefined(one));
        ASSERT_FALSE(Undefined(two));
        for (int k = 0; k <= 200; ++k) {
            const double x = a + (b - a) * k / 200;
            const double v = TableFunctionValue1(m, x, &doc);
            ASSERT_TRUE(v >= one.lo && v <= one.hi) << v << " at " << x << " outside [" << one.lo << ", " << one.hi
                                                    << "], trial " << trial;
            for (int j = 0; j <= 20; ++j) {
                const double y = c + (d - c) * j / 20;
                const double w = TableFunctionValue2(m, x, y, &doc);
                ASSERT_TRUE(w >= two.lo && w <= two.hi)
                    << w << " at (" << x << ", " << y << ") outside [" << two.lo << ", " << two.hi << "], trial "
                    << trial;
            }
        }
    }
}

TEST_F(TableFunctionsTest, BilinearInterpolationMeetsTheColumnsAtItsEdges)
{
    // Only the first column named: it stands for the whole table.
    ReadTables({{{"M", "1", "2", "3"}, {"", "10", "20", "30"}, {"", "100", "200", "300"}}});
    const uint32_t m = Key("M");
    ASSERT_EQ(doc.TableFunctions.count, 1);
    EXPECT_EQ(doc.TableFunctions[0].flag, 1);
    const struct {
        double x, y, expected;
    } cases[] = {
        {0, 0, 1},     {1, 0, 3},       {0, 1, 100},  {1, 1, 300},
        // y = 0 is the first column, y = 1 the last, at any x.
        {0.5, 0, 2},   {0.5, 1, 200},   {0.25, 0, 1.5},
        // Between columns and rows alike.
        {0.5, 0.5, 20}, {0.25, 0.25, 8.25},
        {1.01, 0, NAN}, {0.5, -0.1, NAN}, {NAN, 0.5, NAN},
    };
    for (const auto& c : cases) {
        const double v = TableFunctionValue2(m, c.x, c.y, &doc);
        if (std::isnan(c.expected))
            EXPECT_TRUE(std::isnan(v)) << c.x << ", " << c.y;
        else
            EXPECT_DOUBLE_EQ(v, c.expected) << c.x << ", " << c.y;
    }
    EXPECT_EQ(TableFunctionInterval2(m, {0.5, 0.5}, {0, 0}, &doc).lo, 2);

    // A one-column table has no second direction.
    ReadTables({{{"T", "1", "2"}}});
    EXPECT_TRUE(std::isnan(TableFunctionValue2(Key("T"), 0.5, 0, &doc)));
    EXPECT_TRUE(Undefined(TableFunctionInterval2(Key("T"), {0, 1}, {0, 1}, &doc)));
}

TEST_F(TableFunctionsTest, ComplexArgumentsMustBeReal)
{
    ReadTables({{{"M", "1", "3", "2"}, {"", "5", "5", "5"}}});
    const uint32_t m = Key("M");
    ComplexValue real = EvalTableFunctionComplex1(m, {0.5, 0}, &doc);
    EXPECT_EQ(real.re, 3);
    EXPECT_EQ(real.im, 0);
    for (double im : {1.0, -1e-300, double(NAN)}) {
        ComplexValue z = EvalTableFunctionComplex1(m, {0.5, im}, &doc);
        EXPECT_TRUE(std::isnan(z.re) && std::isnan(z.im)) << im;
        ComplexValue w = EvalTableFunctionComplex2(m, {0.5, 0}, {0, im}, &doc);
        EXPECT_TRUE(std::isnan(w.re) && std::isnan(w.im)) << im;
    }
    EXPECT_EQ(EvalTableFunctionComplex2(m, {0.5, 0}, {1, 0}, &doc).re, 5);

    const ComplexInterval box = EvalTableFunctionComplexInterval1(m, {{0.5, 0.5}, {0, 0}}, &doc);
    EXPECT_EQ(box.re.lo, 3);
    EXPECT_EQ(box.im.lo, 0);
    EXPECT_EQ(box.im.hi, 0);
    for (Interval im : {Interval{0, 1e-9}, Interval{-1, 0}, Interval{NAN, 0}}) {
        ComplexInterval z = EvalTableFunctionComplexInterval1(m, {{0.5, 0.5}, im}, &doc);
        EXPECT_TRUE(Undefined(z.re) && Undefined(z.im));
        ComplexInterval w = EvalTableFunctionComplexInterval2(m, {{0, 1}, {0, 0}}, {{0, 1}, im}, &doc);
        EXPECT_TRUE(Undefined(w.re) && Undefined(w.im));
    }
}

TEST_F(TableFunctionsTest, FirstEntryWinsAndHeaderFormulasRegisterTheirName)
{
    // Two tables name T, the first twice: the upper table's leftmost wins.
    ReadTables({{{"T", "1", "3", "2"}, {"T", "9", "9", "9"}}, {{"T", "7", "7", "7"}, {"V", "4", "5"}}});
    const uint32_t t = Key("T");
    EXPECT_EQ(TableFunctionValue1(t, 0.5, &doc), 3);
    EXPECT_EQ(GetTableValue(t, 1, &doc), 1);
    EXPECT_EQ(doc.TableColumnRowCount(t), 3);
    EXPECT_EQ(GetTableValue(Key("V"), 2, &doc), 5);

    // y_i = 2 i registers y; a header formula of another shape nothing.
    ReadTables({{{"=y_i=2*i", "", ""}, {"=a+b", "", ""}}});
    ASSERT_EQ(doc.TableFunctions.count, 1);
    EXPECT_EQ(doc.TableFunctions[0].key, uint32_t{'y'});
    EXPECT_EQ(doc.TableFunctions[0].rowCount, 2);
}

TEST_F(TableFunctionsTest, ColumnsReadRowByRowAndTextColumnsCompareAsTexts)
{
    ReadTables({{{"N", "4", "5", "6"}, {"W", "pear", "", "fig"}}});
    const uint32_t n = Key("N"), w = Key("W");
    EXPECT_EQ(GetTableValue(n, 3, &doc), 6);
    // The header row, rows past the end and negative rows are undefined.
    for (int32_t row : {0, 4, -1, 1 << 30})
        EXPECT_TRUE(std::isnan(GetTableValue(n, row, &doc))) << row;
    EXPECT_TRUE(IsTableTextFunction(w, &doc));
    EXPECT_FALSE(IsTableTextFunction(n, &doc));
    EXPECT_EQ(GetTableValue(w, 1, &doc), TextIdentityOf(u"pear"));
    EXPECT_TRUE(std::isnan(GetTableValue(w, 2, &doc)));
    // The parameter reading of a name falls back to its column.
    EXPECT_EQ(GetParameterValue(n, 2, &doc).re, 5);
    char16_t* copy = GetTableFunctionCellCopy(w, 3, &doc);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(std::u16string(copy), u"fig");
    std::free(copy);
    EXPECT_EQ(GetTableFunctionCellCopy(w, 2, &doc), nullptr);

    // A compiled formula reads the column at its data row, and compares
    // the text column with a quoted text.
    CompiledFormula value(ParseTree("(+ N 1)"), &doc);
    CompileFormula(&value);
    EXPECT_EQ(value.EvaluateAtRow(2, 0, 0, 0), 6);
    FormulaNode* compare = Node(KindEquation, {Var(w), Txt(u"fig")});
    CompiledFormula same(compare, &doc);
    CompileFormula(&same);
    EXPECT_EQ(same.EvaluateAtRow(3, 0, 0, 0), 1);
    EXPECT_EQ(same.EvaluateAtRow(1, 0, 0, 0), 0);
}

TEST_F(TableFunctionsTest, CompiledCallsInterpolateInEveryNumberType)
{
    ReadTables({{{"T", "1", "3", "2"}}});
    CompiledFormula call(ParseTree("(Interpolate (, T x))"), &doc);
    CompileFormula(&call);
    EXPECT_EQ(call.EvaluateAtXY(0.25, 0), 2);
    EXPECT_TRUE(std::isnan(call.EvaluateAtXY(1.01, 0)));
    const Interval over = call.EvaluateOverBoxXY(0.25, 1, 0, 0);
    EXPECT_LE(over.lo, 2);
    EXPECT_GE(over.hi, 3);
    EXPECT_LT(over.hi, 3 + 1e-12);
    EXPECT_EQ(call.EvaluateComplexAtXY(0.5, 0).re, 3);
}

}  // namespace
