#include "evaluation/BytecodeProgram.h"
#include "evaluation/CompileBatch.h"
#include "evaluation/ConstantTable.h"
#include "support/BudgetRefusal.h"
#include "support/CompilerFixture.h"
#include "support/Disassembler.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using ConstantTableTest = CompilerTest;

bool IsUndefined(const ComplexValue& value)
{
    return std::isnan(value.re) && std::isnan(value.im);
}

}  // namespace

TEST_F(ConstantTableTest, EqualSubtreesShareAnIndexThatNeverMoves)
{
    ConstantTable& table = *context.table;
    EXPECT_EQ(table.doc, &doc);
    EXPECT_EQ(table.Add(Tree("(* 2 a)")), 0);
    EXPECT_EQ(table.Add(Tree("b")), 1);
    EXPECT_EQ(table.Add(Tree("(* 2 a)")), 0);
    EXPECT_EQ(table.Add(Tree("(* 2 c)")), 2);
    EXPECT_EQ(table.Add(Tree("b")), 1);
    ASSERT_EQ(table.entries.count, 3);
    ASSERT_EQ(table.values.count, 3);
    for (const ComplexValue& value : table.values)
        EXPECT_TRUE(IsUndefined(value));
    for (const ConstantEntry& entry : table.entries)
        EXPECT_EQ(entry.program, nullptr);
    // Two numbers holding NaN are not equal trees, so each has its entry.
    EXPECT_EQ(table.Add(Tree("nan")), 3);
    EXPECT_EQ(table.Add(Tree("nan")), 4);
}

TEST_F(ConstantTableTest, CompileAllGivesEveryEntryAProgramWithLabels)
{
    ConstantTable& table = *context.table;
    table.Add(Prepared("(* 2 a)"));
    table.Add(Prepared("(branch (if 1 (> a 0)) 2)"));
    BeginCompileBatch();
    table.CompileAll();
    BytecodeProgram* first = table.entries[0].program;
    table.CompileAll();  // entries with a program are left alone
    EXPECT_EQ(table.entries[0].program, first);
    FinishCompileBatch();
    EXPECT_EQ(Disassemble(*table.entries[0].program), "0 2, 3 97, 14, 103");
    EXPECT_EQ(Disassemble(*table.entries[1].program),
              "3 97, 0 0, 54 2, 87 0 0, 0 1, 88 0 1, 86 0 0, 0 1, 87 0 1, 0 2, 88 0 1, 86 0 1, 69 2, 103");
    EXPECT_EQ(table.entries[1].program->context, nullptr);
}

TEST_F(ConstantTableTest, ClearDropsEntriesButKeepsTheValuesForTheSameIndices)
{
    ConstantTable& table = *context.table;
    FormulaNode* a = Prepared("(* 2 a)");
    FormulaNode* b = Prepared("(* 3 b)");
    table.Add(a);
    table.Add(b);
    table.CompileAll();
    table.values[0] = {2.0, 0.0};
    table.values[1] = {6.0, 0.0};
    table.Clear();
    EXPECT_EQ(table.entries.count, 0);
    ASSERT_EQ(table.values.count, 2);
    // Compiling the same tree again gives the same entries at the same
    // indices, which read the kept values; the values do not grow.
    EXPECT_EQ(table.Add(a), 0);
    EXPECT_EQ(table.Add(b), 1);
    EXPECT_EQ(table.values.count, 2);
    EXPECT_EQ(table.values[1].re, 6.0);
    EXPECT_EQ(table.Add(Tree("c")), 2);
    EXPECT_EQ(table.values.count, 3);
    EXPECT_TRUE(IsUndefined(table.values[2]));
}

TEST_F(ConstantTableTest, AnEntryThatCannotBeMadeIsRefused)
{
    ConstantTable& table = *context.table;
    FormulaNode* tree = Tree("a");
    {
        BudgetRefusal refusal;
        EXPECT_EQ(table.Add(tree), -1);
    }
    EXPECT_EQ(table.entries.count, 0);
    EXPECT_EQ(table.Add(tree), 0);
}
