// The "nice" levels of a contour plot: round numbers spaced by a round step
// (1, 1.5, 2, 2.5, ..., 9.5 or 10 times a power of ten), placed around the
// roundest number inside the sampled range of the function.
#pragma once

#include <cstdint>

constexpr int32_t kMaxContourLevels = 24;

// The number of levels a resolution in [0, 1] asks for: 4 to 24. Values
// outside [0, 1] are held to it and NaN counts as the middle, so that a
// stored resolution can never ask for more levels than a plot holds.
int32_t ContourLevelCount(double resolution);
// The number of fewest significant digits in [a, b] (a < b), the one
// nearest the middle when several have the same digits.
double NiceNumberBetween(double a, double b);
// x > 0 rounded to one significant digit, or to a half step between two
// such when one digit is off by a third of a digit or more.
double NiceStep(double x);
// n levels (1 to kMaxContourLevels) ascending into out, spread over [a, b];
// a level that lies at 0 is exactly 0. False, with out untouched, when the
// range is empty, not finite or too narrow to scale.
bool ChooseContourLevels(double a, double b, int32_t n, double* out);
