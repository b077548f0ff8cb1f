#include "support/ClosedForm.h"

#include "support/InterpretedValue.h"
#include "support/LinearText.h"

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
