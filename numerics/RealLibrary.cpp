#include "numerics/RealLibrary.h"

#include "CoreUtilities/WideString.h"
#include "numerics/MathPolicy.h"
#include "numerics/TextIdentity.h"

#include <boost/math/special_functions/bessel.hpp>

#include <algorithm>
#include <cmath>

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kHalfPi = 1.5707963267948966;
constexpr double kSqrtTwoPi = 2.5066282746310007;
// Gamma(x + 1) is finite only below about 170.62.
constexpr double kFactorialOverflow = 171;

// The greatest common divisor of two finite whole numbers held as doubles:
// fmod is exact, so Euclid's steps lose nothing however large the numbers are.
double GcdOfWholeNumbers(double a, double b)
{
    a = std::fabs(a);
    b = std::fabs(b);
    while (b != 0) {
        double rest = std::fmod(a, b);
        a = b;
        b = rest;
    }
    return a;
}

// The Lanczos approximation of Gamma(a + 1) for a >= 0.
double LanczosFactorial(double a)
{
    if (a > kFactorialOverflow)
        return HUGE_VAL;  // beyond the range; the series would give inf x 0
    double t = a + 5.5;
    double series = 1.000000000190015 + 76.18009172947146 / (a + 1) - 86.50532032941678 / (a + 2) +
                    24.01409824083091 / (a + 3) - 1.231739572450155 / (a + 4) +
                    0.001208650973866179 / (a + 5) - 0.000005395239384953 / (a + 6);
    double power = std::pow(t, a + 0.5);
    if (std::isinf(power)) {
        // From about 142 the power alone overflows while the factorial does
        // not: split it around the exponential.
        double half = std::pow(t, (a + 0.5) / 2);
        return half * std::exp(-t) * half * kSqrtTwoPi * series;
    }
    return power * std::exp(-t) * kSqrtTwoPi * series;
}

double BinomialByProduct(double n, double k)
{
    if (n < k)
        return 0;
    double m = std::min(k, n - k);
    double big = std::max(k, n - k);
    double product = 1;
    for (double i = 1; i <= m; ++i)
        product *= (big + i) / i;
    return product;
}

// Stirling's form, for |n - k| >= 1000 with 0 < k < n.
double BinomialByStirling(double n, double k)
{
    double rest = n - k;
    double root = std::sqrt(n / (rest * (k * kTwoPi)));
    double value = root * std::pow(n / rest, n) * std::pow(rest / k, k);
    if (std::isnan(value)) {
        // One power overflowed while the other vanished: the logarithms give
        // the product (an overflow stays +infinity).
        value = root * std::exp(n * std::log(n / rest) + k * std::log(rest / k));
    }
    return value;
}

}  // namespace

double RealAcot(double x)
{
    if (x > 0)
        return std::atan(1 / x);
    if (x < 0)
        return std::atan(1 / x) + kPi;
    if (x == 0)
        return kHalfPi;
    return x;
}

double RealMod(double a, double b)
{
    return a - b * std::floor(a / b);
}

double RealFactorial(double x)
{
    if (x == 0)
        return 1;
    bool whole = IsWholeNumber(x);
    if (x > 0 && whole && x < 30) {
        double product = 1;
        for (double factor = 2; factor <= x; ++factor)
            product *= factor;
        return product;
    }
    if (x < 0 && whole)
        return NAN;
    double g = LanczosFactorial(std::fabs(x));
    if (x > 0 || std::isnan(x))
        return g;
    // Reflection for negative non-whole x.
    return kPi * x / (std::sin(kPi * x) * g);
}

double RationalPower(double base, double q, double p)
{
    double f = p / q;
    // Finite operands only: Euclid's steps never end on an infinity.
    if (base < 0 && std::isfinite(p) && std::isfinite(q) && IsWholeNumber(p) && IsWholeNumber(q)) {
        double g = GcdOfWholeNumbers(q, p);
        double reducedQ = q / g;
        if (IsWholeNumber(reducedQ) && !IsEvenWholeNumber(reducedQ)) {
            double magnitude = std::pow(-base, f);
            return IsEvenWholeNumber(p / g) ? magnitude : -magnitude;
        }
    }
    return std::pow(base, f);
}

double RealBinomial(double n, double k)
{
    if (n >= 0 && k >= 0 && IsWholeNumber(n) && IsWholeNumber(k)) {
        if (std::fabs(n - k) < 1000)
            return BinomialByProduct(n, k);
        // Stirling's form has no meaning at the edges: it gives +inf for
        // k = 0 and NaN for n < k.
        if (k == 0 || k == n)
            return 1;
        if (n < k)
            return 0;
        return BinomialByStirling(n, k);
    }
    return RealFactorial(n) / (RealFactorial(k) * RealFactorial(n - k));
}

double RealBesselJ(double order, double x)
{
    // The library takes the order for an int and recurses over it, one step
    // per unit: beyond a million orders cost seconds, and beyond the int
    // range the conversion is undefined.
    constexpr double kMaxOrder = 1e6;
    if (std::isnan(order) || std::isnan(x) || std::fabs(order) > kMaxOrder)
        return NAN;
    return boost::math::cyl_bessel_j(order, x, NoThrowPolicy());
}

double TextEquals(double a, double b)
{
    if (std::isnan(a) || std::isnan(b))
        return NAN;
    if (a != 0 && b != 0) {
        const char16_t* textA = TextOfIdentity(a);
        const char16_t* textB = TextOfIdentity(b);
        if (textA && textB)
            return WideEqual(textA, textB) ? 1 : 0;
    }
    return a == b ? 1 : 0;
}

ComplexValue TextEqualsComplex(ComplexValue a, ComplexValue b)
{
    double t = TextEquals(ComplexToReal(a), ComplexToReal(b));
    return std::isnan(t) ? ComplexValue{NAN, NAN} : ComplexValue{t, 0};
}

Interval TextEqualsInterval(Interval a, Interval b)
{
    double t = TextEquals(a.lo, b.lo);
    return {t, t};
}

ComplexInterval TextEqualsComplexInterval(ComplexInterval a, ComplexInterval b)
{
    auto realLow = [](const ComplexInterval& z) { return z.im.lo == 0 && z.im.hi == 0 ? z.re.lo : NAN; };
    double t = TextEquals(realLow(a), realLow(b));
    if (std::isnan(t))
        return {{NAN, NAN}, {NAN, NAN}};
    return {{t, t}, {0, 0}};
}
