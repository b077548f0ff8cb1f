// The check that a compiled formula's results over boxes hold its values at
// points sampled in each box, over boxes of the plane drawn at random.
#pragma once

#include <cstdint>
#include <vector>

struct CompiledFormula;

// Boxes [x0, x0 + wx] x [y0, y0 + wy]: corners drawn in [lowest, highest],
// widths up to the listed ones.
struct BoxDraw {
    double lowest;
    double highest;
    std::vector<double> widths;
    int32_t boxes;
    uint64_t seed;
};

// The number of points checked (the corners and random inner points of each
// box, where the point value is defined); the test fails at the first point
// whose value the box result does not hold. Boxes with an undefined result
// are passed over.
int32_t CheckBoxesHoldPointValues(CompiledFormula* formula, const char* text, const BoxDraw& draw);
