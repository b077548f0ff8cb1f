#include "formula/CopyTree.h"
#include "formula/FormulaNode.h"
#include "formula/LikeFactors.h"
#include "formula/LikeTerms.h"
#include "formula/NodeKindTable.h"
#include "formula/Simplifier.h"
#include "support/LinearText.h"
#include "support/FormulaReader.h"
#include "support/TreeEvaluator.h"
#include "support/TreeFixture.h"

#include <cmath>
#include <string>

namespace {

class LikeTermsTest : public TreeTest {};

struct Case {
    const char* input;
    const char* expected;
};

void ExpectSimplified(const std::initializer_list<Case>& cases)
{
    for (const Case& c : cases) {
        FormulaNode* tree = ReadFormula(c.input);
        FormulaNode* before = CopyTree(tree);
        SimplifyAndCleanUp(tree);
        EXPECT_EQ(LinearText(tree), c.expected) << c.input;
        EXPECT_TRUE(SameValues(before, tree)) << c.input;
        EXPECT_TRUE(IsConsistent(tree)) << c.input;
        FreeTree(before);
        FreeTree(tree);
    }
}

TEST_F(LikeTermsTest, LikeTermsMerge)
{
    ExpectSimplified({
        {"x+x", "2*x"},
        {"2*x+3*x", "5*x"},
        {"x-x", "0"},
        {"2*x*y+x*y", "3*x*y"},
        {"-(2*x)+5*x", "3*x"},
        {"x+y+x", "y+2*x"},
        {"-x-x", "-(2*x)"},
        {"x-3*x", "-(2*x)"},
        {"a*b+b*a", "2*a*b"},
        {"sin(x)+2*sin(x)", "3*sin(x)"},
        {"x^2+x", "x^2+x"},
        {"x*y+x", "x*y+x"},
        {"\"a\"+\"a\"", "2*\"a\""},
        // Different texts are different terms.
        {"\"a\"+\"b\"", "\"a\"+\"b\""},
        // Matrices are never like terms.
        {"vector(1,2)+vector(1,2)", "vector(1,2)+vector(1,2)"},
    });
}

TEST_F(LikeTermsTest, ZeroFromLikeTermsIsNeverNegative)
{
    for (const char* text : {"x-x", "-x+x", "2*x-2*x", "-(3*x)+3*x"}) {
        FormulaNode* tree = ReadFormula(text);
        SimplifyTree(tree);
        ASSERT_EQ(tree->kind, KindNumber) << text;
        EXPECT_EQ(tree->payload.number->value, 0) << text;
        EXPECT_FALSE(std::signbit(tree->payload.number->value)) << text;
        FreeTree(tree);
    }
}

TEST_F(LikeTermsTest, WhichTermsAreLike)
{
    struct Pair {
        const char* t;
        const char* u;
        bool like;
    };
    const Pair pairs[] = {
        {"x", "2*x", true},
        {"2*x", "3*x", true},
        {"x", "-x", true},
        {"-(2*x)", "x", true},
        {"x*y", "2*x*y", true},
        {"x*y", "x", false},
        {"x*y", "y*x", false},
        {"2*x", "3*y", false},
        {"x", "y", false},
        {"2", "3", false},
        {"x^2", "x^2", true},
        {"x^2", "x^3", false},
        {"vector(1,2)", "vector(1,2)", false},
        {"2*vector(1,2)", "vector(1,2)", false},
    };
    for (const Pair& pair : pairs) {
        FormulaNode* t = ReadFormula(pair.t);
        FormulaNode* u = ReadFormula(pair.u);
        EXPECT_EQ(AreLikeTerms(t, u), pair.like) << pair.t << " and " << pair.u;
        EXPECT_EQ(AreLikeTerms(u, t), pair.like) << pair.u << " and " << pair.t;
        FreeTree(t);
        FreeTree(u);
    }
}

TEST_F(LikeTermsTest, LikeFactorsMerge)
{
    ExpectSimplified({
        {"x*x", "x^2"},
        {"x^2*x^3", "x^5"},
        {"x^a*x^b", "x^(a+b)"},
        {"x*x^2", "x^3"},
        {"x^2*x", "x^3"},
        {"x*x^(-1)", "1"},
        {"x*y*x^(-1)", "y"},
        // Merged powers take their place in the order.
        {"x*y*x", "y*x^2"},
        {"sin(x)*sin(x)", "sin(x)^2"},
        {"2^x*2^x", "2^(2*x)"},
        {"0*0", "0"},
    });
}

TEST_F(LikeTermsTest, MatrixFactorsMergeOnlyWithTheirNeighbour)
{
    ExpectSimplified({
        {"matrix(2,2,a,b,c,d)*matrix(2,2,a,b,c,d)", "matrix(2,2,a,b,c,d)^2"},
        {"matrix(2,2,a,b,c,d)*x*matrix(2,2,a,b,c,d)", "matrix(2,2,a,b,c,d)*x*matrix(2,2,a,b,c,d)"},
        // A row and a column of the same cells are different factors.
        {"matrix(1,3,1,2,3)*vector(1,2,3)", "matrix(1,3,1,2,3)*vector(1,2,3)"},
    });
}

TEST_F(LikeTermsTest, CommonFactorsCancel)
{
    ExpectSimplified({
        {"x^2/x^5", "x^(-3)"},
        {"x/x", "1"},
        {"(x*y)/x", "y"},
        {"x/x^3", "1/x^2"},
        {"x^a/x^b", "x^(-b+a)"},
        {"x^3/x", "x^2"},
        {"x^3/x^3", "1"},
        {"(x*y)/(x*y)", "1"},
        {"(x^2*y)/(x*y^3)", "x/y^2"},
        {"(2*x)/(4*x^2)", "1/(2*x)"},
        {"sin(x)^2/sin(x)", "sin(x)"},
        {"x/y", "x/y"},
    });
}

}  // namespace
