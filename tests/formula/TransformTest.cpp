#include "formula/FormulaNode.h"
#include "formula/NodeKindTable.h"
#include "numerics/RealLibrary.h"
#include "support/EditorFixture.h"
#include "support/LinearText.h"

#include <cmath>

namespace {

constexpr int32_t kTransform = 8219;

class TransformTest : public EditorTest {};

TEST_F(TransformTest, AppliesTheIdentityOfTheSelectedKind)
{
    const struct {
        const char* input;
        const char* expected;
    } cases[] = {
        {"ln(a*b*c)", "ln(a)+ln(b)+ln(c)"},
        {"log(x^3)", "3*log(x)"},
        {"log(8,2)", "ln(8)/ln(2)"},
        {"5!", "120"},
        {"(~3)!", "(-3)!"},
        {"abs(matrix(2,2,1,2,3,4))", "-2"},
        {"abs(matrix(1,1,x))", "x"},
        {"x^3", "x^3"},
        {"ln(a+b)", "ln(a+b)"},
        {"abs(x)", "abs(x)"},
        {"substitution(y^2,y=3)", "9"},
        // A matrix power becomes a product that the matrix pass multiplies out.
        {"matrix(2,2,1,1,0,1)^2", "matrix(2,2,1,2,0,1)"},
    };
    for (const auto& c : cases) {
        Load(c.input);
        Run(kTransform);
        EXPECT_EQ(Text(), c.expected) << c.input;
    }
}

TEST_F(TransformTest, FactorialOfAFractionIsTheGammaValue)
{
    Load("0.5!");
    Run(kTransform);
    ASSERT_EQ(root_->kind, KindNumber);
    EXPECT_NEAR(root_->payload.number->value, std::tgamma(1.5), 1e-12);
}

TEST_F(TransformTest, ChoiceBecomesAQuotientOfFactorials)
{
    Load("choice(5,2)");
    Run(kTransform);
    EXPECT_EQ(Text(), "5!/12");
}

TEST_F(TransformTest, DefiniteIntegralBecomesItsBracket)
{
    SetFormula(Node(KindIntegral, {Var('x'), Var('x'), Num(0), Num(1)}));
    Run(kTransform);
    EXPECT_EQ(root_->kind, KindSubstitution);
    EXPECT_EQ(LinearText(root_->children[0]), "integral(x,x)");
    EXPECT_EQ(LinearText(root_->children[1]), "x=0");
    EXPECT_EQ(LinearText(root_->children[2]), "1");
    // The next Transform carries the bracket out.
    Run(kTransform);
    EXPECT_EQ(Text(), "substitution(integral(x,x),x=1)-substitution(integral(x,x),x=0)");
}

}  // namespace
