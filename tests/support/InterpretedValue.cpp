#include "support/InterpretedValue.h"

#include "document/DocState.h"
#include "evaluation/CompiledFormula.h"
#include "formula/CopyTree.h"
#include "support/LinearText.h"

#include <cmath>
#include <random>

double InterpretAt(const FormulaNode* tree, double x, double y, double z)
{
    DocState doc;
    CompiledFormula formula(CopyTree(tree), &doc);
    CompileFormula(&formula);
    return formula.EvaluateAtUVXYZW(0, 0, x, y, z, 0);
}

::testing::AssertionResult SameInterpretedValues(const FormulaNode* before, const FormulaNode* after, double low,
    double high)
{
    std::mt19937 random(4321);
    std::uniform_real_distribution<double> value(low, high);
    for (int trial = 0; trial < 3; ++trial) {
        double x = value(random);
        double y = value(random);
        double z = value(random);
        double a = InterpretAt(before, x, y, z);
        double b = InterpretAt(after, x, y, z);
        bool same = (std::isnan(a) && std::isnan(b)) || a == b ||
            std::fabs(a - b) <= 1e-9 * std::max({1.0, std::fabs(a), std::fabs(b)});
        if (!same) {
            return ::testing::AssertionFailure() << LinearText(before) << " = " << a << " but " << LinearText(after)
                                                 << " = " << b << " at x=" << x << " y=" << y << " z=" << z;
        }
    }
    return ::testing::AssertionSuccess();
}
