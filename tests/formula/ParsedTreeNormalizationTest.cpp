#include "formula/CopyTree.h"
#include "formula/FormulaNode.h"
#include "formula/NodeBuilders.h"
#include "formula/NodeKindTable.h"
#include "formula/ParsedTreeNormalization.h"
#include "formula/TreeSplice.h"
#include "formula/TreeWalk.h"
#include "support/TreeFixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <string>

namespace {

using ParsedTreeNormalizationTest = TreeTest;

FormulaNode* List(std::initializer_list<FormulaNode*> items) { return Node(KindComma, items); }

struct ShapeCase {
    const char* name;
    std::function<FormulaNode*()> make;
    const char* shape;
    int16_t rows = 0;  // for matrices: the counts expected
    int16_t columns = 0;
};

void ExpectShapes(std::initializer_list<ShapeCase> cases, void (*pass)(FormulaNode*))
{
    for (const ShapeCase& c : cases) {
        SCOPED_TRACE(c.name);
        FormulaNode* tree = c.make();
        pass(tree);
        EXPECT_EQ(Describe(tree), c.shape);
        EXPECT_TRUE(IsConsistent(tree));
        if (c.rows) {
            EXPECT_EQ(tree->payload.pair.low, c.rows);
            EXPECT_EQ(tree->payload.pair.high, c.columns);
            EXPECT_EQ(tree->childCount, uint32_t(c.rows) * uint32_t(c.columns));
        }
        FreeTree(tree);
    }
}

TEST_F(ParsedTreeNormalizationTest, ProvisionalShapesOfTheReaderAreReshaped)
{
    const double nan = std::nan("");
    ExpectShapes({
        {"four-item summation", [] { return Node(KindParsedSummation, {List({Var('k'), Var('k'), Num(1), Var('n')})}); },
         "sum(k,=(k,1),n)"},
        {"summation without four items", [] { return Node(KindParsedSummation, {List({Var('k'), Num(1)})}); },
         "sum(,(k,1))"},
        {"summation of one operand", [] { return Node(KindParsedSummation, {Var('k')}); }, "sum(k)"},
        {"sum operator over a list", [] { return Node(KindSigma, {List({Var('k'), Node(KindEquation, {Var('k'), Num(1)}), Num(9)})}); },
         "sum(k,=(k,1),9)"},
        {"integral of four items", [] { return Node(KindIntegral, {List({Var('f'), Var('x'), Num(0), Num(1)})}); },
         "integral(f,x,0,1)"},
        {"integral of five items", [] { return Node(KindIntegral, {List({Var('f'), Var('x'), Num(0), Num(1), Num(2)})}); },
         "integral(,(f,x,0,1,2))"},
        {"substitution of four items", [] { return Node(KindSubstitution, {List({Var('a'), Var('b'), Var('c'), Var('d')})}); },
         "substitution(,(a,b,c,d))"},
        {"leq", [] { return Node(KindLeq, {List({Var('a'), Var('b'), Var('c')})}); }, "leq(a,b,c)"},
        {"sin keeps its list", [] { return Node(KindSin, {List({Var('a'), Var('b')})}); }, "sin(,(a,b))"},
        {"bracket", [] { return Node(KindParsedBracket, {Var('x')}); }, "()(x)"},
        {"f(x, y)", [] { return Node(KindApplication, {List({Var('f'), Var('x'), Var('y')})}); }, "f(f,,(x,y))"},
        {"f(x)", [] { return Node(KindApplication, {List({Var('f'), Var('x')})}); }, "f(f,x)"},
        {"nested: the inner node first", [] {
             return Node(KindApplication, {List({Var('g'), Node(KindParsedBracket, {Var('x')})})});
         }, "f(g,()(x))"},
    }, NormalizeParsedTree);
    ExpectShapes({
        {"2 x 2", [] { return Node(KindMatrix, {List({Num(2), Num(2), Var('a'), Var('b'), Var('c'), Var('d')})}); },
         "matrix(a,b,c,d)", 2, 2},
        {"1 x 1", [] { return Node(KindMatrix, {List({Num(1), Num(1), Var('a')})}); }, "matrix(a)", 1, 1},
        {"not numbers", [] { return Node(KindMatrix, {List({Var('a'), Var('b'), Var('c')})}); },
         "matrix(,(a,b,c))", 1, 1},
        {"product is not the item count", [] { return Node(KindMatrix, {List({Num(2), Num(3), Var('a'), Var('b')})}); },
         "matrix(,(2,3,a,b))", 1, 1},
        {"zero rows", [] { return Node(KindMatrix, {List({Num(0), Num(2), Var('a'), Var('b')})}); },
         "matrix(,(0,2,a,b))", 1, 1},
        {"negative", [] { return Node(KindMatrix, {List({Num(-1), Num(-2), Var('a'), Var('b')})}); },
         "matrix(,(-1,-2,a,b))", 1, 1},
        {"NaN", [nan] { return Node(KindMatrix, {List({Num(nan), Num(1), Var('a')})}); }, "matrix(,(nan,1,a))", 1, 1},
        {"1e10", [] { return Node(KindMatrix, {List({Num(1e10), Num(1e-10), Var('a')})}); },
         "matrix(,(1e+10,1e-10,a))", 1, 1},
        {"not whole", [] { return Node(KindMatrix, {List({Num(1.5), Num(2), Var('a'), Var('b'), Var('c')})}); },
         "matrix(,(1.5,2,a,b,c))", 1, 1},
        {"counts only", [] { return Node(KindMatrix, {List({Num(1), Num(1)})}); }, "matrix(,(1,1))", 1, 1},
        {"one cell, no list", [] { return Node(KindMatrix, {Var('a')}); }, "matrix(a)", 1, 1},
    }, NormalizeParsedTree);
}

TEST_F(ParsedTreeNormalizationTest, NestedRowsOfOneOperatorFlatten)
{
    ExpectShapes({
        {"a + (b + c)", [] { return Node(KindSum, {Var('a'), Node(KindSum, {Var('b'), Var('c')})}); }, "+(a,b,c)"},
        {"((a + b) + c) + d",
         [] { return Node(KindSum, {Node(KindSum, {Node(KindSum, {Var('a'), Var('b')}), Var('c')}), Var('d')}); },
         "+(a,b,c,d)"},
        {"a (b c)", [] { return Node(KindProduct, {Var('a'), Node(KindProduct, {Var('b'), Var('c')})}); }, "*(a,b,c)"},
        {"a = (b = c)", [] { return Node(KindEquation, {Var('a'), Node(KindEquation, {Var('b'), Var('c')})}); },
         "=(a,b,c)"},
        {"lists", [] { return List({List({Var('a'), Var('b')}), List({Var('c'), List({Var('d'), Var('e')})})}); },
         ",(a,b,c,d,e)"},
        {"different kinds stay", [] { return Node(KindSum, {Var('a'), Node(KindProduct, {Var('b'), Node(KindSum, {Var('c'), Var('d')})})}); },
         "+(a,*(b,+(c,d)))"},
        {"not infix", [] { return Node(KindFraction, {Node(KindFraction, {Var('a'), Var('b')}), Var('c')}); },
         "/(/(a,b),c)"},
        {"under another node", [] { return MakeSin(Node(KindSum, {Var('a'), Node(KindSum, {Var('b'), Var('c')})})); },
         "sin(+(a,b,c))"},
    }, FlattenInfixOperators);
}

TEST_F(ParsedTreeNormalizationTest, FlatteningPastTheOperandLimitEnds)
{
    // 9,999 terms and a nested sum of three: the splice is refused and the
    // nested sum stays where it is.
    FormulaNode* wide = MakeNode(KindSum, kMaxFlattenedOperands);
    for (uint32_t i = 0; i < kMaxFlattenedOperands - 1; ++i) {
        wide->children[i] = Num(i);
        wide->children[i]->parent = wide;
    }
    FormulaNode* nested = Node(KindSum, {Var('a'), Var('b'), Var('c')});
    wide->children[kMaxFlattenedOperands - 1] = nested;
    nested->parent = wide;
    FlattenInfixOperators(wide);
    EXPECT_EQ(wide->childCount, kMaxFlattenedOperands);
    EXPECT_EQ(wide->children[kMaxFlattenedOperands - 1], nested);
    FreeTree(wide);

    // A left-nested chain as the reader builds it for a long sum: flattened
    // as far as the limit allows.
    FormulaNode* chain = Var('x');
    for (uint32_t i = 0; i < kMaxFlattenedOperands + 50; ++i)
        chain = Node(KindSum, {chain, Num(i)});
    FlattenInfixOperators(chain);
    EXPECT_TRUE(IsConsistent(chain));
    uint32_t leaves = 0;
    uint32_t sums = 0;
    for (PreorderWalk walk(chain); walk.Node(); walk.Next()) {
        if (walk.Node()->kind == KindSum) {
            ++sums;
            EXPECT_LE(walk.Node()->childCount, kMaxFlattenedOperands);
        } else {
            ++leaves;
        }
    }
    EXPECT_EQ(leaves, kMaxFlattenedOperands + 51);
    EXPECT_EQ(sums, 2u);  // the top terms and the one row that reached the limit
    FreeTree(chain);
}

}  // namespace
