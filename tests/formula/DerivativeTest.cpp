#include "CoreUtilities/CoopThread.h"
#include "CoreUtilities/MemoryBudget.h"
#include "formula/CopyTree.h"
#include "formula/Derivative.h"
#include "formula/DerivativePasses.h"
#include "formula/FormulaNode.h"
#include "formula/FunctionDefinitions.h"
#include "formula/NodeKindTable.h"
#include "formula/Simplifier.h"
#include "formula/SimplifierSwitches.h"
#include "formula/TreeWalk.h"
#include "support/ClosedForm.h"
#include "support/InterpretedValue.h"
#include "support/LinearText.h"
#include "support/RandomFormula.h"
#include "support/FormulaReader.h"
#include "support/TreeEvaluator.h"
#include "support/TreeFixture.h"

#include <atomic>
#include <cmath>
#include <string>

namespace {

class DerivativeTest : public TreeTest {};

// The text of the formula after the derivative passes, run as often as asked.
std::string Derived(const char* text, int runs = 1)
{
    FormulaNode* tree = ReadFormula(text);
    if (!tree)
        return "unreadable";
    for (int run = 0; run < runs; ++run)
        EvaluateDerivatives(tree);
    CleanUpSigns(tree);
    EXPECT_TRUE(IsConsistent(tree)) << text;
    std::string written = LinearText(tree);
    FreeTree(tree);
    return written;
}

struct Case {
    const char* input;
    const char* expected;
};

TEST_F(DerivativeTest, ExactForms)
{
    const Case cases[] = {
        {"function(optotal(x),x^3)", "3*x^2"},
        {"function(oppartial(x),x*y)", "y"},
        // y may depend on x: its derivative stays an operator application.
        {"function(optotal(x),x*y)", "x*function(optotal(x),y)+y"},
        // Numbers lead products: e^(2x) 2 is written 2 e^(2x).
        {"function(optotal(x),e^(2*x))", "2*e^(2*x)"},
        {"function(optotal(x),2^x)", "2^x*ln(2)"},
        {"function(optotal(x),sin(x^2))", "2*x*cos(x^2)"},
        {"function(optotal(x),ln(x))", "1/x"},
        {"function(optotal(x),log(x))", "0.4342944819032518/x"},
        {"function(optotal(x),abs(x))", "sgn(x)"},
        {"function(optotal(x),floor(x))", "0"},
        {"function(optotal(x),sgn(x)+ceil(x))", "0"},
        {"function(optotal(x),7)", "0"},
        {"function(optotal(x),pi*x+e+i)", "pi"},
        {"function(oppartial(x),x^y)", "y*x^(y-1)"},
        {"function(oppartial(x),y^x)", "y^x*ln(y)"},
        {"function(optotal(x),sqrt(x))", "1/(2*sqrt(x))"},
        {"function(optotal(x),x/(x+1))", "1/(x+1)^2"},
        {"function(optotal(x),-x^2)", "-(2*x)"},
        {"function(optotal(x),x^2+x)", "2*x+1"},
        // Underivable functions stay visible as d/dx of them.
        {"function(optotal(x),function(f,x))", "function(optotal(x),function(f,x))"},
        {"function(optotal(x),sin(x)+function(f,x))", "cos(x)+function(optotal(x),function(f,x))"},
        {"function(optotal(x),x^2*function(f,x))", "x^2*function(optotal(x),function(f,x))+2*x*function(f,x)"},
        // A point moving in time stays whole; other vectors go by cells.
        {"function(optotal(t),vector(x,y))", "function(optotal(t),vector(x,y))"},
        {"function(optotal(t),vector(x,y,z))", "function(optotal(t),vector(x,y,z))"},
        {"function(optotal(t),vector(x',y'))", "function(optotal(t),vector(prime(x),prime(y)))"},
        {"function(optotal(t),vector(t^2,3*t))", "vector(2*t,3)"},
        {"function(oppartial(x),y^2)", "0"},
        {"function(optotal(x),function(optotal(x),x^3))", "6*x"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Derived(c.input), c.expected) << c.input;
}

// Derivatives of powers of bases that can be negative and of summations
// over a bound index: exact forms, and their values at points of both signs
// against the derivative written out with <cmath>.
TEST_F(DerivativeTest, DerivativesHoldAtNegativePointsAndOverBoundIndices)
{
    ExpectRewritesAgree(
        {
            {"function(optotal(x),sqrt(x^2))", "x/abs(x)", [](double x, double) { return x > 0 ? 1.0 : -1.0; }},
            {"function(optotal(x),(x^2)^(3/2))", "3*abs(x)^3/x", [](double x, double) { return 3 * x * std::fabs(x); }},
            {"function(optotal(x),x^(1/3))", "x^(-(2/3))/3",
                [](double x, double) { return 1 / (3 * std::cbrt(x * x)); }},
            {"function(optotal(x),sqrt(x/(x+1)))", "1/(2*(x+1)^2*sqrt(x/(x+1)))",
                [](double x, double) { return 1 / (2 * std::sqrt(x / (x + 1)) * (x + 1) * (x + 1)); }},
            {"function(optotal(x),sqrt(atan(x)/(x+x)))", "(2*x/(x^2+1)-(2*atan(x)))/(8*x^2*sqrt(atan(x)/(2*x)))",
                [](double x, double) {
                    double g = std::atan(x) / (2 * x);
                    double dg = (x / (1 + x * x) - std::atan(x)) / (2 * x * x);
                    return dg / (2 * std::sqrt(g));
                }},
            // The index of a sum is no function of x.
            {"function(optotal(x),sum(x^k,k=1,3))", "sum(k*x^(k-1),k=1,3)",
                [](double x, double) { return 1 + 2 * x + 3 * x * x; }},
            {"function(oppartial(x),sum(x^k,k=1,3))", "sum(k*x^(k-1),k=1,3)",
                [](double x, double) { return 1 + 2 * x + 3 * x * x; }},
            {"function(optotal(x),sum(k*x^2,k=1,3))", "sum(2*k*x,k=1,3)", [](double x, double) { return 12 * x; }},
            {"sum(function(optotal(x),x^k),k=1,3)", "sum(k*x^(k-1),k=1,3)",
                [](double x, double) { return 1 + 2 * x + 3 * x * x; }},
            // By the index from inside the sum it is the variable; from outside
            // the sum does not depend on it.
            {"sum(function(oppartial(k),k^2*x),k=1,3)", "sum(2*k*x,k=1,3)", [](double x, double) { return 12 * x; }},
            {"function(oppartial(k),sum(k^2*x,k=1,3))", "sum(0,k=1,3)", [](double, double) { return 0.0; }},
        },
        [](FormulaNode* tree) {
            EvaluateDerivatives(tree);
            CleanUpSigns(tree);
        },
        false);
}

TEST_F(DerivativeTest, ParametersOfADefinitionAreConstants)
{
    // In f(t) = d/dx (t x) the parameter t does not change with x.
    FormulaNode* definition = ReadFormula("function(f,t)=function(optotal(x),t*x)");
    ASSERT_NE(definition, nullptr);
    BindFunctionParameters(definition);
    EvaluateDerivatives(definition->children[1]);
    EXPECT_EQ(definition->children[1]->kind, KindBoundVariable);
    FreeTree(definition);
}

// f'(x) against the central difference (f(x+h) - f(x-h)) / 2h.
void ExpectDerivativeNear(const char* text, double x, double y = 0.7)
{
    FormulaNode* f = ReadFormula(text);
    ASSERT_TRUE(f) << text;
    FormulaNode* derivative = CopyTree(f);
    // A total derivative keeps dy/dx, which has no value: with y about, the
    // partial one.
    FormulaNode* variable = Var('x');
    bool withY = std::string(text).find('y') != std::string::npos;
    Differentiate(derivative, withY ? KindPartialDerivative : KindTotalDerivative, variable);
    FreeTree(variable);
    const double h = 1e-5;
    TestPoint at{{'x', x}, {'y', y}};
    TestPoint above{{'x', x + h}, {'y', y}};
    TestPoint below{{'x', x - h}, {'y', y}};
    Complex slope = (EvaluateTree(f, above) - EvaluateTree(f, below)) / (2 * h);
    Complex exact = EvaluateTree(derivative, at);
    EXPECT_NEAR(exact.real(), slope.real(), 1e-6 * std::max(1.0, std::abs(slope)))
        << text << " -> " << LinearText(derivative) << " at " << x;
    EXPECT_NEAR(exact.imag(), slope.imag(), 1e-6 * std::max(1.0, std::abs(slope))) << text << " at " << x;
    FreeTree(f);
    FreeTree(derivative);
}

TEST_F(DerivativeTest, EveryRuleAgainstCentralDifferences)
{
    // Each function of an inner function F, so that the chain rule's w is
    // no plain x; the points lie in each function's real domain.
    struct Rule {
        const char* text;
        double points[3];
    };
    const Rule rules[] = {
        {"sin(x^2/2)", {0.3, 1.1, 2.0}},
        {"cos(x^2/2)", {0.3, 1.1, 2.0}},
        {"tan(x/2)", {0.3, 1.1, 2.0}},
        {"cot(x/2)", {0.3, 1.1, 2.0}},
        {"csc(x/2)", {0.3, 1.1, 2.0}},
        {"sec(x/2)", {0.3, 1.1, 2.0}},
        {"asin(x/3)", {-0.9, 0.3, 2.0}},
        {"acos(x/3)", {-0.9, 0.3, 2.0}},
        {"atan(x^2)", {-0.9, 0.3, 2.0}},
        {"acot(x^2)", {-0.9, 0.3, 2.0}},
        {"acsc(2*x)", {-1.5, 0.8, 2.0}},
        {"asec(2*x)", {-1.5, 0.8, 2.0}},
        {"sinh(x^2)", {-0.9, 0.3, 1.5}},
        {"cosh(x^2)", {-0.9, 0.3, 1.5}},
        {"tanh(x^2)", {-0.9, 0.3, 1.5}},
        {"coth(x^2)", {-0.9, 0.3, 1.5}},
        {"csch(x^2)", {-0.9, 0.3, 1.5}},
        {"sech(x^2)", {-0.9, 0.3, 1.5}},
        {"asinh(x^2)", {-0.9, 0.3, 1.5}},
        {"acosh(x^2+1)", {-0.9, 0.3, 1.5}},
        {"atanh(x/3)", {-0.9, 0.3, 2.0}},
        {"acoth(x+2)", {-0.5, 0.3, 2.0}},
        {"acsch(x^2)", {-0.9, 0.3, 1.5}},
        {"asech(x/3)", {0.3, 1.1, 2.5}},
        {"exp(x^2/2)", {-0.9, 0.3, 1.5}},
        {"ln(x^2+1)", {-0.9, 0.3, 1.5}},
        {"log(x^2+1)", {-0.9, 0.3, 1.5}},
        {"log(x^2+1,y+2)", {-0.9, 0.3, 1.5}},
        {"sqrt(x^2+1)", {-0.9, 0.3, 1.5}},
        {"sqrt(x^2+1,3)", {-0.9, 0.3, 1.5}},
        {"abs(x^3-1)", {-0.9, 0.3, 1.5}},
        {"-sin(x)", {-0.9, 0.3, 1.5}},
        // The power rules: e^L, M^n by the variable and by another M, M^L.
        {"e^(x^2)", {-0.9, 0.3, 1.5}},
        {"x^5", {-0.9, 0.3, 1.5}},
        {"x^(-2)", {-0.9, 0.3, 1.5}},
        {"(x^2+1)^3", {-0.9, 0.3, 1.5}},
        {"(x^2+1)^x", {-0.9, 0.3, 1.5}},
        {"x^x", {0.4, 1.1, 1.5}},
        {"2^sin(x)", {-0.9, 0.3, 1.5}},
        {"x^y", {0.4, 1.1, 1.5}},
        {"(x+1)^(y/2)", {0.4, 1.1, 1.5}},
        // Products, quotients and sums.
        {"x*sin(x)*e^x", {-0.9, 0.3, 1.5}},
        {"x^2*y*cos(x)", {-0.9, 0.3, 1.5}},
        {"sin(x)/(x^2+1)", {-0.9, 0.3, 1.5}},
        {"2/x-3*x+y", {-0.9, 0.3, 1.5}},
        {"x*ln(x)-x", {0.4, 1.1, 1.5}},
    };
    for (const Rule& rule : rules) {
        for (double x : rule.points)
            ExpectDerivativeNear(rule.text, x);
    }
}

TEST_F(DerivativeTest, RandomFormulasAgainstCentralDifferences)
{
    // Every rule in combination with the others, and with the simplifier.
    RandomFormula formulas(99);
    const double h = 1e-5;
    int compared = 0;
    for (int n = 0; n < 400; ++n) {
        FormulaNode* f = formulas.Any(3);
        FormulaNode* derivative = CopyTree(f);
        FormulaNode* x = Var('x');
        Differentiate(derivative, KindPartialDerivative, x);
        FreeTree(x);
        ASSERT_TRUE(IsConsistent(derivative));
        const double y = 1.3;
        const double z = 0.6;
        for (double at : {0.7, 1.9}) {
            Complex above = EvaluateTree(f, {{'x', at + h}, {'y', y}, {'z', z}});
            Complex below = EvaluateTree(f, {{'x', at - h}, {'y', y}, {'z', z}});
            Complex slope = (above - below) / (2 * h);
            if (!std::isfinite(slope.real()) || !std::isfinite(slope.imag()) || std::abs(slope) > 1e4)
                continue;
            Complex exact = EvaluateTree(derivative, {{'x', at}, {'y', y}, {'z', z}});
            EXPECT_NEAR(std::abs(exact - slope), 0, 1e-5 * std::max(1.0, std::abs(slope)))
                << LinearText(f) << " -> " << LinearText(derivative) << " at " << at;
            // The same by the interpreter that graphs the derivative.
            if (slope.imag() == 0) {
                EXPECT_NEAR(InterpretAt(derivative, at, y, z), slope.real(), 1e-5 * std::max(1.0, std::abs(slope)))
                    << LinearText(derivative) << " at " << at;
            }
            ++compared;
        }
        FreeTree(f);
        FreeTree(derivative);
    }
    EXPECT_GT(compared, 500);
}

TEST_F(DerivativeTest, PartialDerivativesHoldTheOtherVariablesFixed)
{
    for (const char* text : {"x^2*y^3", "sin(x*y)", "y^x", "x^y", "e^(x*y)/(y+1)", "ln(x)*ln(y)"}) {
        FormulaNode* f = ReadFormula(text);
        FormulaNode* partial = CopyTree(f);
        FormulaNode* x = Var('x');
        Differentiate(partial, KindPartialDerivative, x);
        FormulaNode* total = CopyTree(f);
        Differentiate(total, KindTotalDerivative, x);
        const double h = 1e-5;
        TestPoint at{{'x', 1.3}, {'y', 0.8}};
        Complex slope = (EvaluateTree(f, {{'x', 1.3 + h}, {'y', 0.8}}) - EvaluateTree(f, {{'x', 1.3 - h}, {'y', 0.8}})) /
            (2 * h);
        EXPECT_NEAR(EvaluateTree(partial, at).real(), slope.real(), 1e-6) << text << " -> " << LinearText(partial);
        // The total derivative keeps the derivative node of y by x.
        if (std::string(text).find('y') != std::string::npos) {
            EXPECT_NE(LinearText(total).find("?(y,x)"), std::string::npos) << LinearText(total);
        }
        FreeTree(x);
        FreeTree(f);
        FreeTree(partial);
        FreeTree(total);
    }
}

TEST_F(DerivativeTest, ByASubtree)
{
    FormulaNode* sine = ReadFormula("sin(x)");
    FormulaNode* square = ReadFormula("sin(x)^2+sin(x)");
    Differentiate(square, KindPartialDerivative, sine);
    EXPECT_EQ(LinearText(square), "2*sin(x)+1");
    FreeTree(square);
    FreeTree(sine);
}

TEST_F(DerivativeTest, OrdersTakeAllTheirDerivativesAtOnce)
{
    // The pipeline runs the passes at least four times on a statement; an
    // order is taken whole in the first run.
    EXPECT_EQ(Derived("function(optotal(x,2),x^5)", 4), "20*x^3");
    EXPECT_EQ(Derived("function(optotal(x,3),x^5)", 4), "60*x^2");
    EXPECT_EQ(Derived("function(optotal(x,1+1),x^5)", 4), "20*x^3");
    EXPECT_EQ(Derived("function(oppartial(x,2),x^3*y)", 4), "6*x*y");
    EXPECT_EQ(Derived("function(optotal(x,0),x^5)", 4), "x^5");
    EXPECT_EQ(Derived("function(optotal(x,7),x^5)", 4), "0");
    EXPECT_EQ(Derived("function(optotal(x,2),function(f,x))", 4),
        "function(optotal(x),function(optotal(x),function(f,x)))");
    // Orders that are no whole number stay as written.
    EXPECT_EQ(Derived("function(optotal(x,n),x^5)", 4), "function(optotal(x,n),x^5)");
    EXPECT_EQ(Derived("function(optotal(x,~1),x^5)", 4), "function(optotal(x,-1),x^5)");
    EXPECT_EQ(Derived("function(optotal(x,1/2),x^5)", 4), "function(optotal(x,1/2),x^5)");
    EXPECT_EQ(Derived("function(optotal(x,1000),x^5)", 4), "function(optotal(x,1000),x^5)");
}

TEST_F(DerivativeTest, KeepUnknownDerivativesKeepsPartialsOfOtherVariables)
{
    EXPECT_EQ(Derived("function(oppartial(x),y*z+x)"), "1");
    {
        SwitchSetting keep(KeepUnknownDerivatives, 1);
        EXPECT_EQ(Derived("function(oppartial(x),y)"), "function(oppartial(x),y)");
        EXPECT_EQ(Derived("function(oppartial(x),x*y)"), "x*function(oppartial(x),y)+y");
    }
    EXPECT_EQ(KeepUnknownDerivatives, 0);
}

TEST_F(DerivativeTest, AnAnalysisSuspendedWithChangedSwitchesLeavesTheUserThreadAlone)
{
    static std::atomic<bool> changed;
    changed = false;
    // The analysis changes the switches and is suspended at a yield.
    auto analysis = [](DocState*) {
        KeepUnknownDerivatives = 1;
        SortFactorsFlag = 0;
        changed = true;
        while (!AbortFlag)
            CoopYield();
    };
    int32_t id = StartCoopThread(analysis, nullptr);
    ASSERT_NE(id, NoCoopThread);
    RunCoopThreadSlice();
    ASSERT_TRUE(changed);
    // The user's Simplify on this thread: derivatives and order as always.
    EXPECT_EQ(Derived("function(oppartial(x),y+x*2*a)"), "2*a");
    FormulaNode* product = ReadFormula("x*2*a");
    SimplifyTree(product);
    EXPECT_EQ(LinearText(product), "2*a*x");
    FreeTree(product);
    StopCoopThread(id);
    EXPECT_EQ(AbortFlag, 0);
}

TEST_F(DerivativeTest, HasDerivativeApplication)
{
    for (auto [text, has] : {std::pair{"x+function(optotal(x),y)", true}, {"function(oppartial(t),y)", true},
             {"function(optotal(x,2),y)", false}, {"function(f,x)", false}, {"optotal(x)", false}}) {
        FormulaNode* tree = ReadFormula(text);
        EXPECT_EQ(HasDerivativeApplication(tree), has) << text;
        FreeTree(tree);
    }
}

TEST_F(DerivativeTest, DerivativesStopWhenComputationsMustStop)
{
    FormulaNode* tree = ReadFormula("x^2+sin(x)");
    FormulaNode* x = Var('x');
    AbortFlag = 1;
    Differentiate(tree, KindTotalDerivative, x);
    AbortFlag = 0;
    EXPECT_EQ(LinearText(tree), "inf");
    FreeTree(tree);
    FreeTree(x);
}

TEST_F(DerivativeTest, DeepFormulasStopBeforeTheStackRunsOut)
{
    RunOnSmallStack([] {
        FormulaNode* chain = Chain(KindMinus, 100000);
        FormulaNode* x = Var('x');
        Differentiate(chain, KindTotalDerivative, x);
        // The differentiation stopped somewhere down the chain, marked by inf.
        EXPECT_EQ(AbortFlag, 1);
        EXPECT_TRUE(IsConsistent(chain));
        bool marked = false;
        for (PreorderWalk walk(chain); walk.Node(); walk.Next())
            marked = marked || IsVariable(walk.Node(), 4);
        EXPECT_TRUE(marked);
        FreeTree(chain);
        FreeTree(x);
    });
    AbortFlag = 0;
}

}  // namespace
