#include "evaluation/LinearForm.h"

#include "CoreUtilities/MemoryBudget.h"
#include "document/DocState.h"
#include "evaluation/CompiledFormula.h"
#include "formula/CopyTree.h"
#include "formula/FormulaEngine.h"
#include "formula/FormulaNode.h"
#include "support/FormulaReader.h"
#include "support/LinearText.h"
#include "support/TreeFixture.h"

#include <cmath>
#include <memory>

namespace {

class LinearFormTest : public TreeTest {
protected:
    std::unique_ptr<CompiledFormula> Formula(const char* text)
    {
        return std::make_unique<CompiledFormula>(ReadFormula(text), &doc);
    }

    DocState doc;
};

struct FormCase {
    const char* input;
    bool linear;
    LinearForm form;
};

TEST_F(LinearFormTest, LinearForms)
{
    const FormCase cases[] = {
        {"2*x+3*y-z+4", true, {2, 3, -1, 4}},
        {"2*(x+1)", true, {2, 0, 0, 2}},
        {"x/2", true, {0.5, 0, 0, 0}},
        {"-(x-y)/4+sin(pi/2)", true, {-0.25, 0.25, 0, 1}},
        {"z", true, {0, 0, 1, 0}},
        {"7", true, {0, 0, 0, 7}},
        // A parameter counts by its value (every name reads 1 here).
        {"a*x", true, {1, 0, 0, 0}},
        {"x*y", false, {}},
        {"1/x", false, {}},
        {"x/0", false, {}},
        {"sin(x)", false, {}},
        {"x^2", false, {}},
        {"t", false, {}},
        {"x+0/0", false, {}},
    };
    for (const FormCase& c : cases) {
        FormulaNode* tree = ReadFormula(c.input);
        LinearForm form{};
        EXPECT_EQ(ExtractLinearForm(tree, &doc, &form), c.linear) << c.input;
        EXPECT_EQ(IsLinearInXYZ(tree, &doc), c.linear) << c.input;
        if (c.linear) {
            EXPECT_DOUBLE_EQ(form.a, c.form.a) << c.input;
            EXPECT_DOUBLE_EQ(form.b, c.form.b) << c.input;
            EXPECT_DOUBLE_EQ(form.c, c.form.c) << c.input;
            EXPECT_DOUBLE_EQ(form.d, c.form.d) << c.input;
        }
        FreeTree(tree);
    }
}

TEST_F(LinearFormTest, HalfSpaces)
{
    const FormCase cases[] = {
        // 1 - x - y > 0
        {"x+y<1", true, {-1, -1, 0, 1}},
        {"x>2", true, {1, 0, 0, -2}},
        {"leq(2*z,x)", true, {1, 0, -2, 0}},
        {"geq(y,3*x-1)", true, {-3, 1, 0, 1}},
        {"x=2", false, {}},
        {"#4108(x,y,z)", false, {}},
        {"x*y<1", false, {}},
        {"x+1", false, {}},
    };
    for (const FormCase& c : cases) {
        auto formula = Formula(c.input);
        LinearForm form{};
        EXPECT_EQ(formula->GetLinearHalfSpace(&form), c.linear) << c.input;
        if (c.linear) {
            EXPECT_DOUBLE_EQ(form.a, c.form.a) << c.input;
            EXPECT_DOUBLE_EQ(form.b, c.form.b) << c.input;
            EXPECT_DOUBLE_EQ(form.c, c.form.c) << c.input;
            EXPECT_DOUBLE_EQ(form.d, c.form.d) << c.input;
        }
    }
}

TEST_F(LinearFormTest, Differentiability)
{
    for (const char* text : {"x!", "max(x,0)", "function(f,x)", "product(x,k=1,3)", "mod(x,2)", "arg(x)"})
        EXPECT_FALSE(Formula(text)->IsDifferentiable()) << text;
    for (const char* text : {"sin(x)^2", "sum(x^k,k=1,5)", "abs(x)+floor(y)", "branch(if(x,x<0),2)"})
        EXPECT_TRUE(Formula(text)->IsDifferentiable()) << text;
}

TEST_F(LinearFormTest, DerivativesAgreeWithFiniteDifferences)
{
    const char* texts[] = {"x^2", "sin(x*y)+x^3/(1+y^2)", "e^(x*z)-ln(x+y)", "sum(x^k/k,k=1,5)*y",
        "branch(if(x^2,x<1),2*x)", "sqrt(x^2+y^2+z^2)"};
    const double points[][3] = {{0.7, 1.3, 0.4}, {1.6, 0.9, -0.5}};
    for (const char* text : texts) {
        auto formula = Formula(text);
        for (uint32_t code : {'x', 'y', 'z'}) {
            std::unique_ptr<CompiledFormula> derivative(formula->MakeDerivative(code));
            ASSERT_NE(derivative, nullptr);
            CompileFormula(derivative.get());
            CompileFormula(formula.get());
            auto at = [&](const double* point) {
                return formula->EvaluateAtUVXYZW(0, 0, point[0], point[1], point[2], 0);
            };
            for (const auto& p : points) {
                const double h = 1e-5;
                double above[3] = {p[0], p[1], p[2]};
                double below[3] = {p[0], p[1], p[2]};
                above[code - 'x'] += h;
                below[code - 'x'] -= h;
                double difference = (at(above) - at(below)) / (2 * h);
                double exact = derivative->EvaluateAtUVXYZW(0, 0, p[0], p[1], p[2], 0);
                EXPECT_NEAR(exact, difference, 1e-6 * std::max(1.0, std::fabs(exact)))
                    << text << " by " << static_cast<char>(code) << " at " << p[0] << ", " << p[1] << ", " << p[2];
            }
        }
    }
    // x^2 by x is 2 x.
    std::unique_ptr<CompiledFormula> derivative(Formula("x^2")->MakeDerivative('x'));
    EXPECT_EQ(LinearText(derivative->tree), "2*x");
}

TEST_F(LinearFormTest, ADerivativeAfterAnAbortIsUndefined)
{
    auto formula = Formula("x^2");
    AbortFlag = 1;
    std::unique_ptr<CompiledFormula> derivative(formula->MakeDerivative('x'));
    AbortFlag = 0;
    CompileFormula(derivative.get());
    EXPECT_TRUE(std::isnan(derivative->EvaluateAtXY(1, 0)));
}

TEST_F(LinearFormTest, ComponentsOfFourComponentPoints)
{
    auto formula = Formula("(vector(x,1,2,3),vector(4,x*2,6,y),vector(1,2))");
    CompiledFormula** components = nullptr;
    int32_t count = 0;
    formula->MakeComponentFormulas4(&components, &count);
    ASSERT_EQ(count, 3);
    ASSERT_NE(components, nullptr);
    const double expected[] = {5, 1, 2, 3, 4, 10, 6, 7, 1, 2, NAN, NAN};
    for (int32_t i = 0; i < 4 * count; ++i) {
        double value = components[i]->EvaluateAtXY(5, 7);
        if (std::isnan(expected[i]))
            EXPECT_TRUE(std::isnan(value)) << i;
        else
            EXPECT_EQ(value, expected[i]) << i;
        delete components[i];
    }
    BudgetFree(components);
}

}  // namespace
