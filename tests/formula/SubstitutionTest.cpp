#include "document/DocState.h"
#include "formula/CopyTree.h"
#include "formula/DerivativePasses.h"
#include "evaluation/CompiledFormula.h"
#include "evaluation/UserFunction.h"
#include "formula/EditorState.h"
#include "formula/FormulaNode.h"
#include "formula/FunctionDefinitions.h"
#include "formula/LoweringPasses.h"
#include "formula/MatrixPass.h"
#include "formula/NameRegistry.h"
#include "formula/NodeKindTable.h"
#include "formula/RewriteRules.h"
#include "formula/Simplifier.h"
#include "formula/Substitution.h"
#include "formula/SubtreeValue.h"
#include "formula/SymbolRename.h"
#include "formula/TreeQuery.h"
#include "formula/TreeWalk.h"
#include "formula/VectorOperators.h"
#include "support/ClosedForm.h"
#include "support/FormulaReader.h"
#include "support/InterpretedValue.h"
#include "support/LinearText.h"
#include "support/TreeFixture.h"
#include "support/TreeText.h"

#include <cmath>
#include <set>
#include <string>

namespace {

class SubstitutionTest : public TreeTest {
protected:
    void TearDown() override
    {
        FreeSubstitutionTable();
        TreeTest::TearDown();
    }
};

struct Case {
    const char* input;
    const char* expected;
};

// The text of the formula after the operation.
std::string After(const char* text, void (*operation)(FormulaNode*))
{
    return TextAfter(text, operation);
}

TEST_F(SubstitutionTest, Substitutions)
{
    const Case cases[] = {
        {"substitution(x^2+1,x=3)", "10"},
        // The base of a subscript is not the variable substituted.
        {"substitution(x_1+x,x=2)", "x_1+2"},
        {"substitution(x*y+y,x*y=z)", "z+y"},
        // Powers of products are not distributed after a substitution.
        {"substitution((x*y)^2,y=2)", "(2*x)^2"},
        {"substitution(substitution(x+y,x=y),y=1)", "2"},
        // E at two values: substitutions left for the next pass.
        {"substitution(x^2,x=1,2)", "substitution(x^2,x=2)-substitution(x^2,x=1)"},
        {"substitution(x^2,3,2)", "substitution(x^2,2)-substitution(x^2,3)"},
        {"substitution(x,3)", "substitution(x,3)"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(After(c.input, ExpandSubstitutions), c.expected) << c.input;

    FormulaNode* tree = ReadFormula("substitution(x^2,x=1,2)");
    ExpandSubstitutions(tree);
    ExpandSubstitutions(tree);
    EXPECT_EQ(LinearText(tree), "4-1");
    SimplifyTree(tree);
    EXPECT_EQ(LinearText(tree), "3");
    FreeTree(tree);
}

// A name declared by a summation or integral is that binder's own inside
// its scope; a substitution that would capture a name or needs an
// antiderivative stays pending.
TEST_F(SubstitutionTest, NamesBoundBySumsAndIntegralsAreNotSubstituted)
{
    ExpectRewritesAgree(
        {
            {"substitution(sum(k*x,k=1,3),k=2)", "sum(k*x,k=1,3)", [](double x, double) { return 6 * x; }},
            {"substitution(k+sum(k*x,k=1,3),k=2)", "sum(k*x,k=1,3)+2", [](double x, double) { return 6 * x + 2; }},
            {"substitution(sum(k*x,k=1,n),n=3)", "sum(k*x,k=1,3)", [](double x, double) { return 6 * x; }},
            {"substitution(sum(k*x,k=1,3),x=y)", "sum(k*y,k=1,3)", [](double, double y) { return 6 * y; }},
            {"substitution(sum(sum(k*j,j=1,k),k=1,3)*x,j=2)", "x*sum(sum(j*k,j=1,k),k=1,3)",
                [](double x, double) { return 25 * x; }},
            {"substitution(integral(t*x,t,0,1),t=5)", "integral(t*x,t,0,1)", nullptr},
            {"substitution(integral(t*x,t,0,x),x=2)", "integral(2*t,t,0,2)", nullptr},
            {"substitution(sum(k*x,k=1,3),x=k)", "substitution(sum(k*x,k=1,3),x=k)", nullptr},
            {"substitution(integral(x^2,x),x=1)", "substitution(integral(x^2,x),x=1)", nullptr},
        },
        ExpandSubstitutions, false);
}

// f(k) = the sum of k for k = 1 to 3: the index is the sum's own, so f(5)
// is 6 both as a rule and as a compiled function.
TEST_F(SubstitutionTest, AnIndexNamedLikeAParameterBelongsToItsSum)
{
    FormulaNode* definition = ReadFormula("function(f,k)=sum(k,k=1,3)");
    ASSERT_NE(definition, nullptr);
    BindFunctionParameters(definition);
    EXPECT_EQ(definition->children[0]->children[1]->kind, KindBoundVariable);
    EXPECT_EQ(LinearText(definition->children[1]), "sum(k,k=1,3)");

    FormulaNode* call = ReadFormula("function(f,5)");
    ASSERT_TRUE(ApplyEquationAsRule(call, definition));
    EXPECT_EQ(LinearText(call), "sum(k,k=1,3)");
    EXPECT_EQ(InterpretAt(call, 0, 0, 0), 6);
    FreeTree(call);

    DocState doc;
    doc.UserFunctions.Push(new UserFunction(definition, &doc));
    doc.CompileUserFunctions();
    {
        CompiledFormula formula(ReadFormula("function(f,5)+function(f,x)"), &doc);
        CompileFormula(&formula);
        EXPECT_EQ(formula.EvaluateAtXY(-2, 0), 12);
    }
    doc.UserFunctions.DeleteCompiledFormulas();
}

// A rule whose right side sums or integrates over a name that an argument
// holds: the argument's name stays free, so f(k) with f(x) = the sum of
// k x over k is 6 k, not the sum of k^2.
TEST_F(SubstitutionTest, RulesDoNotCaptureTheNamesOfTheirArguments)
{
    FormulaNode* definition = ReadFormula("function(f,x)=sum(k*x,k=1,3)+integral(x*t,t,0,1)");
    ASSERT_NE(definition, nullptr);
    BindFunctionParameters(definition);
    for (const char* argument : {"k", "t", "k*t"}) {
        SCOPED_TRACE(argument);
        std::string text = std::string("function(f,") + argument + ")";
        FormulaNode* call = ReadFormula(text.c_str());
        ASSERT_TRUE(ApplyEquationAsRule(call, definition));
        EXPECT_TRUE(IsConsistent(call));
        // Renamed indices leave the argument's name free: k and t are the
        // graph's x and y here.
        RenameSymbol(call, 'k', 'x');
        RenameSymbol(call, 't', 'y');
        LowerDefiniteIntegrals(call);
        double k = 1.5;
        double t = -0.5;
        double a = std::string(argument) == "k" ? k : std::string(argument) == "t" ? t : k * t;
        EXPECT_NEAR(InterpretAt(call, k, t, 0), 6.5 * a, 1e-9);
        FreeTree(call);
    }
    FreeTree(definition);
}

// The text of the subject (prefix notation) after the rule (prefix notation
// with bound variables ?code) is applied to it; "no match" when it is not.
std::string Rewritten(const char* rule, const char* subject)
{
    FormulaNode* equation = ParseTree(rule);
    FormulaNode* tree = ParseTree(subject);
    std::string result = ApplyEquationAsRule(tree, equation) ? TreeText(tree) : "no match";
    EXPECT_TRUE(IsConsistent(tree)) << subject;
    FreeTree(equation);
    FreeTree(tree);
    return result;
}

TEST_F(SubstitutionTest, Rules)
{
    const char* square = "(= (function f ?120) (power ?120 2))";
    EXPECT_EQ(Rewritten(square, "(function f 3)"), "9");
    // Not expanded.
    EXPECT_EQ(Rewritten(square, "(function f (+ a b))"), "(power (+ a b) 2)");
    EXPECT_EQ(Rewritten(square, "(function g 3)"), "no match");
    // A parameter met twice must match equal subtrees.
    const char* same = "(= (function g (, ?120 ?120)) 0)";
    EXPECT_EQ(Rewritten(same, "(function g (, 2 2))"), "0");
    EXPECT_EQ(Rewritten(same, "(function g (, 2 3))"), "no match");
    // Arguments that are themselves parameters are not substituted again:
    // f(y, x) with f(x, y) = x - y is y - x, not x - x.
    const char* difference = "(= (function f (, ?120 ?121)) (+ ?120 (minus ?121)))";
    EXPECT_EQ(Rewritten(difference, "(function f (, ?121 ?120))"), "(+ ?121 (minus ?120))");
    // Every side but the last is tried in order.
    EXPECT_EQ(Rewritten("(= (function h ?120) (function k ?120) (* 2 ?120))", "(function k 4)"), "8");
}

TEST_F(SubstitutionTest, MatchKeepsItsBindings)
{
    FormulaNode* pattern = ParseTree("(+ ?1000 (* ?1001 ?1000))");
    FormulaNode* subject = ParseTree("(+ (sin x) (* 3 (sin x)))");
    FreeSubstitutionTable();
    EXPECT_TRUE(MatchPattern(subject, pattern));
    EXPECT_EQ(TreeText(LookupBinding(1000)), "(sin x)");
    EXPECT_EQ(TreeText(LookupBinding(1001)), "3");
    EXPECT_EQ(LookupBinding(1002), nullptr);
    FreeTree(pattern);
    FreeTree(subject);
}

double ValueOfLowered(const char* text)
{
    FormulaNode* tree = ReadFormula(text);
    LowerDefiniteIntegrals(tree);
    EXPECT_TRUE(IsConsistent(tree)) << text;
    for (PreorderWalk walk(tree); walk.Node(); walk.Next())
        EXPECT_NE(walk.Node()->kind, KindIntegral) << text;
    DocState doc;
    double value = EvaluateSubtreeReal(tree, &doc);
    FreeTree(tree);
    return value;
}

TEST_F(SubstitutionTest, IntegralsAsWeightedSums)
{
    EXPECT_NEAR(ValueOfLowered("integral(x^2,x,0,1)"), 1.0 / 3, 1e-14);
    // Exact for polynomials of degree 3, whatever the bounds.
    EXPECT_NEAR(ValueOfLowered("integral(x^3-2*x+1,x,-1,2)"), 3.75, 1e-12);
    EXPECT_NEAR(ValueOfLowered("integral(t^3,t,2,-1)"), -3.75, 1e-12);
    // A smooth integrand to the rule's order h^4.
    EXPECT_NEAR(ValueOfLowered("integral(sin(x),x,0,pi)"), 2, 1e-10);
    EXPECT_NEAR(ValueOfLowered("integral(e^x,x,0,1)"), std::exp(1.0) - 1, 1e-12);
    // Nested integrals take distinct indices.
    EXPECT_NEAR(ValueOfLowered("integral(integral(x*y^2,x,0,1),y,0,3)"), 4.5, 1e-12);
    EXPECT_NEAR(ValueOfLowered("integral(y,y,0,integral(x,x,0,2))"), 2, 1e-12);
}

TEST_F(SubstitutionTest, LoweringIntegralsUsesNoNameCodes)
{
    uint32_t before = NextRegistryCode();
    for (int run = 0; run < 100; ++run) {
        FormulaNode* tree = ReadFormula("integral(integral(x*y,x,0,1),y,0,1)+integral(x,x,a,b)");
        LowerDefiniteIntegrals(tree);
        FreeTree(tree);
    }
    EXPECT_EQ(NextRegistryCode(), before + 1);
}

TEST_F(SubstitutionTest, SymbolicBoundsStaySymbolic)
{
    FormulaNode* tree = ReadFormula("integral(x,x,a,b)");
    LowerDefiniteIntegrals(tree);
    EXPECT_TRUE(ContainsSymbol(tree, 'a'));
    EXPECT_TRUE(ContainsSymbol(tree, 'b'));
    EXPECT_FALSE(ContainsSymbol(tree, 'x'));
    FreeTree(tree);
}

void LowerAndDifferentiate(FormulaNode* tree)
{
    ExpandVectorOperators(tree);
    EvaluateDerivatives(tree);
}

TEST_F(SubstitutionTest, LoweringPasses)
{
    const Case hats[] = {
        {"hat(x)", "vector(1,0,0)"},
        {"hat(z)+hat(y)", "vector(0,0,1)+vector(0,1,0)"},
        {"hat(vector(3,4,0))", "vector(3,4,0)/abs(vector(3,4,0))"},
    };
    for (const Case& c : hats)
        EXPECT_EQ(After(c.input, LowerUnitVectors), c.expected) << c.input;

    const Case colours[] = {
        {"'color'=x*y", "vector(h,s,v)=vector(x*y,1,1)"},
        {"1='color'", "1='color'"},
        {"('color'=x, y=2)", "vector(h,s,v)=vector(x,1,1),y=2"},
    };
    for (const Case& c : colours)
        EXPECT_EQ(After(c.input, LowerColorEquations), c.expected) << c.input;

    const Case operators[] = {
        {"grad(x^2*y)", "vector(2*x*y,x^2,0)"},
        {"div(vector(x*y,y^2,z))", "y+2*y+1"},
        {"div(vector(x^2,y))", "2*x+1"},
        {"div(x)", "div(x)"},
        {"curl(vector(-y,x,0))", "vector(0-0,0-0,1--1)"},
        {"curl(vector(x,y))", "curl(vector(x,y))"},
    };
    for (const Case& c : operators)
        EXPECT_EQ(After(c.input, LowerAndDifferentiate), c.expected) << c.input;
}

TEST_F(SubstitutionTest, SelectionCommandsActOnTheCurrentNodeOnly)
{
    DocState doc;
    FormulaNode* tree =
        ReadFormula("substitution(x+1,x=2)*substitution(x,x=3)+grad(x*y)+div(vector(x,y))+2*vector(a,b)");
    EditorState state;
    state.root = tree;
    state.document = &doc;
    state.layoutValid = 1;
    SetCurrentEditorState(&state);
    state.current = tree->children[0]->children[1];
    ExpandSubstitutionsInSelection();
    state.current = tree->children[2];
    ExpandVectorOperatorsInSelection();
    state.current = tree->children[3];
    MatrixPassOnSelection();
    SetCurrentEditorState(nullptr);
    EXPECT_EQ(LinearText(tree), "substitution(x+1,x=2)*3+grad(x*y)+function(oppartial(x),x)+function(oppartial(y),y)+"
                                "vector(2*a,2*b)");
    // Every command's edit asks for a new layout.
    EXPECT_EQ(state.layoutValid, 0);
    EXPECT_NE(tree->layoutBox, nullptr);
    FreeTree(tree);
}

}  // namespace
