#include "support/BoxEnclosure.h"

#include "evaluation/CompiledFormula.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace {

// v lies in the set the result stands for (an exterior result included), up
// to the rounding of two different evaluation orders.
bool Holds(Interval box, double v)
{
    double tolerance = 1e-9 * (1 + std::fabs(v));
    if (IsExteriorInterval(box))
        return v <= box.hi + tolerance || v >= box.lo - tolerance;
    return box.lo - tolerance <= v && v <= box.hi + tolerance;
}

}  // namespace

int32_t CheckBoxesHoldPointValues(CompiledFormula* formula, const char* text, const BoxDraw& draw)
{
    std::mt19937_64 engine(draw.seed);
    std::uniform_real_distribution<double> corner(draw.lowest, draw.highest);
    std::uniform_real_distribution<double> unit(0, 1);
    size_t kinds = draw.widths.size();
    int32_t checked = 0;
    for (int32_t trial = 0; trial < draw.boxes; ++trial) {
        double wx = draw.widths[trial % kinds] * unit(engine);
        double wy = draw.widths[(trial / kinds) % kinds] * unit(engine);
        double x0 = corner(engine), y0 = corner(engine);
        Interval box = formula->EvaluateOverBoxXY(x0, x0 + wx, y0, y0 + wy);
        if (IsUndefinedInterval(box))
            continue;
        for (int i = 0; i < 9; ++i) {
            double x = i % 3 == 0 ? x0 : i % 3 == 1 ? x0 + wx : x0 + wx * unit(engine);
            double y = i / 3 == 0 ? y0 : i / 3 == 1 ? y0 + wy : y0 + wy * unit(engine);
            double v = formula->EvaluateAtXY(x, y);
            if (std::isnan(v))
                continue;
            ++checked;
            if (!Holds(box, v)) {
                ADD_FAILURE() << text << " over [" << x0 << ", " << x0 + wx << "] x [" << y0 << ", " << y0 + wy
                              << "] gives [" << box.lo << ", " << box.hi << "], missing f(" << x << ", " << y
                              << ") = " << v;
                return checked;
            }
        }
    }
    return checked;
}
