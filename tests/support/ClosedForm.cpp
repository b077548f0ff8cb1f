#include "support/ClosedForm.h"

#include "formula/CopyTree.h"
#include "support/FormulaReader.h"
#include "support/InterpretedValue.h"
#include "support/LinearText.h"
#include "support/TreeFixture.h"

#include <algorithm>
#include <cmath>

::testing::AssertionResult AgreesWithClosedForm(const FormulaNode* tree, ClosedForm closed)
{
    for (double x : {-2.5, -1.25, -0.5, 0.75, 1.5, 3.0}) {
        for (double y : {-1.5, 0.5}) {
            double value = InterpretAt(tree, x, y, 0);
            double expected = closed(x, y);
            bool same = (std::isnan(value) && std::isnan(expected)) ||
                std::fabs(value - expected) <= 1e-9 * std::max({1.0, std::fabs(value), std::fabs(expected)});
            if (!same) {
                return ::testing::AssertionFailure() << LinearText(tree) << " = " << value << " but the closed form is "
                                                     << expected << " at x=" << x << " y=" << y;
            }
        }
    }
    return ::testing::AssertionSuccess();
}

void ExpectRewritesAgree(std::initializer_list<ClosedFormCase> cases, void (*operation)(FormulaNode*), bool inputToo)
{
    for (const ClosedFormCase& c : cases) {
        SCOPED_TRACE(c.input);
        FormulaNode* tree = ReadFormula(c.input);
        ASSERT_NE(tree, nullptr);
        if (c.closed && inputToo)
            EXPECT_TRUE(AgreesWithClosedForm(tree, c.closed));
        operation(tree);
        EXPECT_EQ(LinearText(tree), c.expected);
        EXPECT_TRUE(IsConsistent(tree));
        if (c.closed)
            EXPECT_TRUE(AgreesWithClosedForm(tree, c.closed));
        FreeTree(tree);
    }
}
