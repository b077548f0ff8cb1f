// Powers of bases that can be negative: the simplifier rewrites a power only
// into a form with the same real value at every point, negative ones
// included, checked against the value written out with <cmath>.
#include "formula/CopyTree.h"
#include "formula/FormulaNode.h"
#include "formula/Simplifier.h"
#include "support/ClosedForm.h"
#include "support/FormulaReader.h"
#include "support/LinearText.h"
#include "support/TreeEvaluator.h"
#include "support/TreeFixture.h"

#include <cmath>

namespace {

class PowerRulesTest : public TreeTest {};

TEST_F(PowerRulesTest, RewrittenPowersKeepTheirValueAtNegativePoints)
{
    ExpectRewritesAgree(
        {
            // Even powers under roots: the absolute value, not the base.
            {"sqrt(x^2)", "abs(x)", [](double x, double) { return std::fabs(x); }},
            {"(x^2)^(3/2)", "abs(x)^3", [](double x, double) { return std::pow(std::fabs(x), 3); }},
            {"(x^4)^(1/2)", "x^2", [](double x, double) { return x * x; }},
            {"(x^2)^(1/3)", "abs(x)^(2/3)", [](double x, double) { return std::cbrt(x * x); }},
            {"sqrt(x^2,4)", "sqrt(abs(x))", [](double x, double) { return std::sqrt(std::fabs(x)); }},
            {"abs(x)^2", "x^2", [](double x, double) { return x * x; }},
            // Odd powers keep the sign through real odd roots.
            {"(x^3)^(1/3)", "x", [](double x, double) { return x; }},
            {"(x^3)^(2/3)", "x^2", [](double x, double) { return x * x; }},
            {"(x^(1/3))^3", "x", [](double x, double) { return x; }},
            // Not whole, m E not whole: the power stays.
            {"(x^(2/3))^(3/2)", "(x^(2/3))^(3/2)", [](double x, double) { return std::pow(std::cbrt(x * x), 1.5); }},
            {"(x^3)^(1/2)", "sqrt(x^3)", [](double x, double) { return std::sqrt(x * x * x); }},
            // Products and quotients with factors of unknown sign stay whole.
            {"sqrt(x/(x+1))", "sqrt(x/(x+1))", [](double x, double) { return std::sqrt(x / (x + 1)); }},
            {"sqrt(atan(x)/(x+x))", "sqrt(atan(x)/(2*x))",
                [](double x, double) { return std::sqrt(std::atan(x) / (2 * x)); }},
            {"(x*y)^(1/2)", "sqrt(x*y)", [](double x, double y) { return std::sqrt(x * y); }},
            {"(2*x)^(1/2)", "sqrt(2*x)", [](double x, double) { return std::sqrt(2 * x); }},
            {"(-x)^(1/2)", "sqrt(-x)", [](double x, double) { return std::sqrt(-x); }},
            // Whole exponents and factors that cannot be negative distribute.
            {"(x*y)^2", "x^2*y^2", [](double x, double y) { return x * x * y * y; }},
            {"(x/y)^3", "x^3/y^3", [](double x, double y) { return std::pow(x / y, 3); }},
            {"(-x)^3", "-x^3", [](double x, double) { return -x * x * x; }},
            {"(x^2*y^2)^(1/2)", "abs(x)*abs(y)", [](double x, double y) { return std::fabs(x * y); }},
            {"(x^2/(y^2+1))^(1/2)", "abs(x)/sqrt(y^2+1)",
                [](double x, double y) { return std::fabs(x) / std::sqrt(y * y + 1); }},
            {"(e^x)^(1/2)", "e^(x/2)", [](double x, double) { return std::exp(x / 2); }},
            {"(e^x*y^2)^(1/2)", "abs(y)*e^(x/2)", [](double x, double y) { return std::exp(x / 2) * std::fabs(y); }},
            {"(-8)^(1/3)", "(-1)^(1/3)*8^(1/3)", [](double, double) { return -2.0; }},
        },
        SimplifyAndCleanUp, true);
}

// With i about, an even power is no square of a real: sqrt((x+i)^2) is
// x+i for x > 0, not |x+i|. Only whole exponents are carried through such
// bases.
TEST_F(PowerRulesTest, ComplexBasesKeepTheirPowers)
{
    const struct {
        const char* input;
        const char* expected;
    } cases[] = {
        {"((x+i)^2)^(1/2)", "sqrt((x+i)^2)"},
        {"abs(x+i)^2", "abs(x+i)^2"},
        {"((x+i)^2*y^2)^(1/2)", "sqrt(y^2*(x+i)^2)"},
        {"((x+i)^2)^3", "(x+i)^6"},
    };
    for (const auto& c : cases) {
        FormulaNode* tree = ReadFormula(c.input);
        ASSERT_NE(tree, nullptr) << c.input;
        FormulaNode* before = CopyTree(tree);
        SimplifyAndCleanUp(tree);
        EXPECT_EQ(LinearText(tree), c.expected) << c.input;
        // The complex values at points of both signs.
        EXPECT_TRUE(SameValues(before, tree, -2.5, 2.5)) << c.input;
        FreeTree(before);
        FreeTree(tree);
    }
}

}  // namespace
