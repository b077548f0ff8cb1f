#include "evaluation/PrepareTreeForCompiling.h"
#include "formula/FormulaNode.h"
#include "support/CompilerFixture.h"
#include "support/TreeText.h"

#include <gtest/gtest.h>

namespace {

class PrepareTreeForCompilingTest : public CompilerTest {
protected:
    std::string PreparedText(const char* text)
    {
        FormulaNode* tree = Prepared(text);
        return tree ? TreeText(tree) : "";
    }
};

}  // namespace

TEST_F(PrepareTreeForCompilingTest, PassesRewriteIntoTheFormsTheGeneratorExpects)
{
    AddTableColumn("col", 5);
    struct Case {
        const char* tree;
        const char* prepared;
    } cases[] = {
        // Parentheses go, negated numbers fold.
        {"(id (id (+ x (id 1))))", "(+ x 1)"},
        {"(minus (minus 3))", "3"},
        {"(minus x)", "(minus x)"},
        // Argument lists become operands.
        {"(min (, a b c))", "(min a b c)"},
        {"(mod (, x 3))", "(mod x 3)"},
        {"(And (, (> x 0) (< x 1)))", "(And (> x 0) (< x 1))"},
        // Aggregates keep their value and gather their conditions in a list.
        {"(Sum (, col (> col 2) (< col 9)))", "(Sum col (#8091 (> col 2) (< col 9)))"},
        {"(Mean (, col (> col 2)))", "(Mean col (> col 2))"},
        {"(max (, col (> col 2) (< col 9)))", "(max col (#8091 (> col 2) (< col 9)))"},
        // The population standard deviation.
        {"(StdDev (, col (> col 2) (< col 9)))",
         "(sqrt (+ (Mean (power col 2) (#8091 (> col 2) (< col 9))) "
         "(minus (power (Mean col (#8091 (> col 2) (< col 9))) 2))))"},
        // A table column read at a row; other subscripts stay.
        {"(indexes col 3)", "(#8088 3 col)"},
        {"(indexes x 1)", "(indexes x 1)"},
        // Interpolate's range a < x < b becomes the place of x in it.
        {"(Interpolate (, T (< 0 x 10)))", "(Interpolate T (over (+ x (minus 0)) (+ 10 (minus 0))))"},
        {"(Interpolate (, T x (< 1 y 3)))", "(Interpolate T x (over (+ y (minus 1)) (+ 3 (minus 1))))"},
        // Sums and products with an index equation become loops.
        {"(sum (power k 2) (= k 1) n)", "(#8086 (= k 1) n (power k 2))"},
        {"(product k (= k 1) 4)", "(#8089 (= k 1) 4 k)"},
        {"(sum k x)", "(sum k x)"},
        // Mixed relation chains become conjunctions.
        {"(< a (leq b c))", "(#8091 (< a b) (leq b c))"},
        {"(leq a (< b c))", "(#8091 (leq a b) (< b c))"},
        {"(> (geq a b) c)", "(#8091 (geq a b) (> b c))"},
        {"(< a b (leq c d) e f)", "(#8091 (< a b) (< b c) (leq c d) (< d e) (< e f))"},
        {"(< a (leq b c) (leq d e))", "(#8091 (< a b) (leq b c) (#8091 (< c d) (leq d e)))"},
        {"(< a b c)", "(< a b c)"},
        // Branches are made of (condition, value) pairs; a plain value is the
        // otherwise case.
        {"(branch (if 1 (> x 0)) 2)", "(branch (#8093 (> x 0) 1) (#8093 1 2))"},
        {"(if x (> x 0))", "(if x (> x 0))"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PreparedText(c.tree), c.prepared) << c.tree;
}

TEST_F(PrepareTreeForCompilingTest, BranchesAreNumberedInPostOrder)
{
    FormulaNode* tree = Prepared("(+ (branch (if (branch 1) (> x 0)) 2) (branch 3))");
    FormulaNode* outer = tree->children[0];
    FormulaNode* inner = outer->children[0]->children[1];
    FormulaNode* last = tree->children[1];
    EXPECT_EQ(inner->payload.code, 0u);
    EXPECT_EQ(outer->payload.code, 1u);
    EXPECT_EQ(last->payload.code, 2u);
}
