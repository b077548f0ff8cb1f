#include "document/DocState.h"
#include "formula/CopyTree.h"
#include "formula/FormulaNode.h"
#include "formula/FunctionDefinitions.h"
#include "formula/NodeKindTable.h"
#include "formula/NumberNodes.h"
#include "formula/PrepareTreeForGraphing.h"
#include "formula/RewriteRules.h"
#include "formula/SetDefinitions.h"
#include "formula/TreeQuery.h"
#include "support/FormulaReader.h"
#include "support/LinearText.h"
#include "support/TreeFixture.h"
#include "support/TreeText.h"

#include <string>

namespace {

class PrepareTreeForGraphingTest : public TreeTest {
protected:
    void TearDown() override
    {
        FreeSubstitutionTable();
        TreeTest::TearDown();
    }

    // The text of the statement after the pipeline; unless once is set, a
    // second run must change nothing.
    std::string Prepared(const std::string& text, bool once = false)
    {
        FormulaNode* tree = ReadFormula(text.c_str());
        if (!tree)
            return "unreadable";
        PrepareTreeForGraphing(&doc, tree);
        EXPECT_TRUE(IsConsistent(tree)) << text;
        std::string written = LinearText(tree);
        // The analysis runs the pipeline twice on a statement: the second
        // run finds nothing left to do.
        if (!once) {
            PrepareTreeForGraphing(&doc, tree);
            EXPECT_EQ(LinearText(tree), written) << text;
        }
        FreeTree(tree);
        return written;
    }

    DocState doc;
};

struct Case {
    const char* input;
    const char* expected;
};

TEST_F(PrepareTreeForGraphingTest, RangesExpandToTheirValues)
{
    const Case cases[] = {
        {"set(1,2,ldots,5)", "set(1,2,3,4,5)"},
        // Two values give the step and its direction; the end bounds the
        // steps and is a value only when they land on it.
        {"set(1,3,ldots,10)", "set(1,3,5,7,9)"},
        {"set(10,8,ldots,1)", "set(10,8,6,4,2)"},
        {"set(10,8,ldots,2)", "set(10,8,6,4,2)"},
        {"set(1,0.5,ldots,~1)", "set(1,0.5,0,-0.5,-1)"},
        {"set(0,0.1,ldots,1)", "set(0,0.1,0.2,0.3,0.4,0.5,0.6000000000000001,0.7000000000000001,0.8,0.9,1)"},
        {"set(5,4,ldots,5)", "set(5)"},
        {"set(5,ldots,1)", "set(1,2,3,4,5)"},
        {"set(1*ldots*3)", "set(1,2,3)"},
        {"set(-(2*ldots*1))", "set(-2,-1,0,1)"},
        {"set(0,0.5,ldots*2)", "set(0,0.5,1,1.5,2)"},
        {"set(1,2*ldots*4)", "set(1,2,3,4)"},
        {"set(3,ldots,3)", "set(3)"},
        {"set(pi/2,pi,ldots,2*pi)", "set(1.570796326794897,3.141592653589793,4.71238898038469,6.283185307179586)"},
        // Left as typed: 201 values, a zero step, huge or undefined ends,
        // ends without values.
        {"set(0,0.5,ldots,100)", "set(0,0.5,ldots,100)"},
        {"set(1,1,ldots,5)", "set(1,1,ldots,5)"},
        {"set(1,3,ldots,0)", "set(1,3,ldots,0)"},
        {"set(10,8,ldots,20)", "set(10,8,ldots,20)"},
        {"set(0,ldots,1e300)", "set(0,ldots,1e+300)"},
        {"set(~1e300,ldots,1e300)", "set(-1e+300,ldots,1e+300)"},
        {"set(0,ldots,0/0)", "set(0,ldots,0/0)"},
        {"set(1,ldots,n)", "set(1,ldots,n)"},
        {"set(1,2,3)", "set(1,2,3)"},
    };
    for (const Case& c : cases) {
        FormulaNode* tree = ReadFormula(c.input);
        ExpandRangeSet(tree->children[0], &doc);
        EXPECT_EQ(LinearText(tree), c.expected) << c.input;
        EXPECT_TRUE(IsConsistent(tree)) << c.input;
        FreeTree(tree);
    }
}

TEST_F(PrepareTreeForGraphingTest, SetDefinitionsAreTakenFromTheList)
{
    FormulaNode* tree = ReadFormula("y=a*x,a=set(1,2,ldots,5)");
    EXPECT_TRUE(HasPlusMinusOrSetDefinition(tree));
    EXPECT_EQ(LinearText(tree), "y=a*x,a=set(1,2,ldots,5)");
    FormulaNode* definition = ExtractSetDefinition(&doc, tree);
    ASSERT_NE(definition, nullptr);
    EXPECT_EQ(LinearText(definition), "a=set(1,2,3,4,5)");
    EXPECT_EQ(LinearText(tree), "y=a*x");
    FreeTree(definition);
    FreeTree(tree);

    // Item 0 is never the set definition; a set of a non-variable is none.
    for (const char* text : {"a=set(1,2,3),y=a*x", "y=x,2=set(1,2)", "y=x"}) {
        tree = ReadFormula(text);
        EXPECT_FALSE(HasPlusMinusOrSetDefinition(tree)) << text;
        EXPECT_EQ(ExtractSetDefinition(&doc, tree), nullptr) << text;
        FreeTree(tree);
    }
    tree = ReadFormula("y=x,in(x_1,set(1,2)),z=2");
    definition = ExtractSetDefinition(&doc, tree);
    ASSERT_NE(definition, nullptr);
    EXPECT_EQ(LinearText(tree), "y=x,z=2");
    FreeTree(definition);
    FreeTree(tree);
}

TEST_F(PrepareTreeForGraphingTest, PlusMinusGivesThePlusFormFirst)
{
    FormulaNode* tree = ReadFormula("y=plusorminus(x)+minusorplus(1)");
    EXPECT_TRUE(ContainsPlusMinus(tree));
    EXPECT_TRUE(HasPlusMinusOrSetDefinition(tree));
    FormulaNode* plus = CopyTree(tree);
    FormulaNode* minus = CopyTree(tree);
    ResolvePlusMinusAsPlus(plus);
    ResolvePlusMinusAsMinus(minus);
    EXPECT_EQ(LinearText(plus), "y=x-1");
    EXPECT_EQ(LinearText(minus), "y=-x+1");
    EXPECT_FALSE(ContainsPlusMinus(plus));
    FreeTree(plus);
    FreeTree(minus);
    FreeTree(tree);
}

TEST_F(PrepareTreeForGraphingTest, ConstantsFoldAndBranchesPrune)
{
    const Case cases[] = {
        {"y=branch(if(1,0),if(2,1),if(3,1),4)", "y=2"},
        {"y=branch(if(1,0),if(2,1<0))", "y=NaN"},
        {"y=branch(if(1,2>3),5,6)", "y=5"},
        {"y=branch(if(x,x<0),if(2,1>0),3)", "y=branch(if(x,x<0),2)"},
        {"y=branch(if(x,x<0),0,3)", "y=branch(if(x,x<0),0,3)"},
        // Rational exponents, e as a base and index equations stay.
        {"y=x^(1/3)", "y=x^(1/3)"},
        {"y=x^-(1/3)", "y=x^(-(1/3))"},
        {"y=x^(2/6+1)", "y=x^1.333333333333333"},
        {"y=sin(pi/2)+x", "y=1+x"},
        {"y=e^x", "y=e^x"},
        {"y=e^2*x", "y=7.38905609893065*x"},
        {"y=sum(k*x,k=1+1,3)", "y=sum(k*x,k=2,3)"},
        // Applications, complex values, undefined values and lists stay.
        {"y=function(f,2)", "y=function(f,2)"},
        {"y=2*i+x", "y=2*i+x"},
        {"y=sqrt(-4)", "y=sqrt(-4)"},
        {"y=min(1,2)", "y=min(1,2)"},
        {"(1+1,x)", "2,x"},
        // Lowered before folding: vectors, derivatives and substitutions.
        {"y=abs(vector(3,4))*x", "y=5*x"},
        {"y=function(optotal(x),x^3)", "y=3*x^2"},
        {"y=substitution(x^2+1,x=3)+x", "y=10+x"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Prepared(c.input), c.expected) << c.input;
}

TEST_F(PrepareTreeForGraphingTest, PrimedVariablesFold)
{
    FormulaNode* tree = ReadFormula("y=x'+a'");
    PrepareTreeForGraphing(&doc, tree);
    EXPECT_EQ(TreeText(tree), "(= y (+ %10 (prime a)))");
    FreeTree(tree);
}

TEST_F(PrepareTreeForGraphingTest, AConstantIntegralFoldsToItsValue)
{
    FormulaNode* tree = ReadFormula("y=integral(x^2,x,0,1)");
    PrepareTreeForGraphing(&doc, tree);
    ASSERT_TRUE(IsNumberNode(tree->children[1])) << LinearText(tree);
    EXPECT_NEAR(NumberValue(tree->children[1]), 1.0 / 3, 1e-14);
    FreeTree(tree);
}

// An order that has a value only once the derivative below it has been
// taken and its matrix lowered: each level needs one more derivative run.
std::string DerivativeChain(int levels)
{
    std::string order = "Trace(function(optotal(x),vector(2*x)))";
    for (int level = 1; level < levels; ++level)
        order = "Trace(function(optotal(x," + order + "),vector(x^2)))";
    return "y=" + order;
}

TEST_F(PrepareTreeForGraphingTest, DerivativeAndMatrixPassesRunElevenTimesAtMost)
{
    // One derivative run before the pair, then eleven pairs: twelve levels.
    EXPECT_EQ(Prepared(DerivativeChain(12)), "y=2");
    std::string thirteen = Prepared(DerivativeChain(13), true);
    EXPECT_NE(thirteen.find("optotal"), std::string::npos) << thirteen;
    // A matrix that stays ends the loop too.
    EXPECT_EQ(Prepared("vector(x,y)=vector(t,function(optotal(t),t^2))"), "vector(x,y)=vector(t,2*t)");
}

TEST_F(PrepareTreeForGraphingTest, NestedListsFlattenAtTheTopOnly)
{
    const Case cases[] = {
        {"(a,b),c", "a,b,c"},
        {"((a,b),c),d", "a,b,c,d"},
        {"set([1,2],[3,4])", "set((1,2),(3,4))"},
        {"a,function(f,(b,c))", "a,function(f,b,c)"},
    };
    for (const Case& c : cases) {
        FormulaNode* tree = ReadFormula(c.input);
        FlattenNestedLists(tree);
        EXPECT_EQ(LinearText(tree), c.expected) << c.input;
        FreeTree(tree);
    }
}

TEST_F(PrepareTreeForGraphingTest, ListsOfMoreThanTenThousandItemsEnd)
{
    std::string text = "(1,2,3)";
    for (int i = 0; i < 10000; ++i)
        text += ",x";
    FormulaNode* tree = ReadFormula(text.c_str());
    // Splicing would pass the operand limit: the inner list stays nested.
    FlattenNestedLists(tree);
    EXPECT_EQ(tree->childCount, 10001);
    EXPECT_EQ(tree->children[0]->kind, KindComma);
    PrepareTreeForGraphing(&doc, tree);
    FlattenNestedLists(tree);
    EXPECT_EQ(tree->childCount, 10001);
    FreeTree(tree);
}

std::string Bound(const char* definition)
{
    FormulaNode* tree = ReadFormula(definition);
    BindFunctionParameters(tree);
    std::string text = TreeText(tree);
    FreeTree(tree);
    return text;
}

TEST_F(PrepareTreeForGraphingTest, FunctionParametersBecomeBoundVariables)
{
    EXPECT_EQ(Bound("function(f,(x,y))=x*y+a"), "(= (function f (, ?120 ?121)) (+ (* ?120 ?121) a))");
    // x_1 as a parameter: the bound variable of key 2 * 65536 + 120.
    EXPECT_EQ(Bound("function(g,x_1)=2*x_1+x_2"), "(= (function g ?131192) (+ (* 2 ?131192) (indexes x 2)))");
    // pi is no parameter; x in x_k of the body is the subscript's base.
    EXPECT_EQ(Bound("function(h,(pi,x))=pi*x+x_3"), "(= (function h (, pi ?120)) (+ (* pi ?120) (indexes x 3)))");
    EXPECT_EQ(Bound("y=x"), "(= y x)");

    FormulaNode* tree = ReadFormula("function(f,(x,y))=x*y");
    EXPECT_FALSE(IsUserFunctionHead(tree));
    BindFunctionParameters(tree);
    EXPECT_TRUE(IsUserFunctionHead(tree));
    // The body's parameters renamed to those of a call site.
    FormulaNode* targets = ParseTree("(, ?97 ?98)");
    RemapBoundVariables(tree->children[1], targets, tree->children[0]->children[1]);
    EXPECT_EQ(TreeText(tree->children[1]), "(* ?97 ?98)");
    FreeTree(targets);
    FreeTree(tree);
}

TEST_F(PrepareTreeForGraphingTest, DefinitionsAppliedToStatements)
{
    FormulaNode* rule = ReadFormula("r=5");
    FormulaNode* tree = ReadFormula("vector(r,g,b)=vector(x,y,r)");
    EXPECT_TRUE(ContainsSubtreeEqualTo(tree, rule));
    SubstituteEquation(tree, rule);
    EXPECT_EQ(LinearText(tree), "vector(r,g,b)=vector(x,y,5)");
    FreeTree(tree);
    tree = ReadFormula("vector(r,g,b)=vector(x,y,z)");
    EXPECT_FALSE(ContainsSubtreeEqualTo(tree, rule));
    FreeTree(tree);
    FreeTree(rule);

    // A rewritten subtree is not entered again: x = x + 1 applies once.
    rule = ReadFormula("x=x+1");
    tree = ReadFormula("y=x*x");
    SubstituteEquation(tree, rule);
    EXPECT_EQ(LinearText(tree), "y=(x+1)*(x+1)");
    FreeTree(tree);
    FreeTree(rule);
}

TEST_F(PrepareTreeForGraphingTest, PiecewiseBuilders)
{
    FormulaNode* branch = ReadFormula("3");
    PrependBranchPiece(MakeIfNode(ReadFormula("x<0"), ReadFormula("1")), branch);
    PrependBranchPiece(MakeIfNode(ReadFormula("x<~1"), ReadFormula("2")), branch);
    EXPECT_EQ(LinearText(branch), "branch(if(2,x<-1),if(1,x<0),3)");
    FreeTree(branch);

    FormulaNode* condition = AndConditions(ReadFormula("x>0"), nullptr);
    condition = AndConditions(ReadFormula("y>0"), condition);
    condition = AndConditions(ReadFormula("z>0"), condition);
    EXPECT_EQ(LinearText(condition), "And(x>0,y>0,z>0)");
    FreeTree(condition);

    FormulaNode* list = ReadFormula("(a,b)");
    FormulaNode* other = ReadFormula("(c,d)");
    FormulaNode* three = ReadFormula("(c,d,e)");
    FormulaNode* single = ReadFormula("c");
    EXPECT_TRUE(ListShapesMatch(list, other));
    EXPECT_FALSE(ListShapesMatch(list, three));
    EXPECT_FALSE(ListShapesMatch(list, single));
    EXPECT_TRUE(ListShapesMatch(single, single));
    for (FormulaNode* node : {list, other, three, single})
        FreeTree(node);

    FormulaNode* sum = ReadFormula("sum(k*x,k=1,n)");
    EXPECT_TRUE(IsSummationIndex(sum->children[0]->children[0]));
    EXPECT_FALSE(IsSummationIndex(sum->children[0]->children[1]));
    FreeTree(sum);
}

}  // namespace
