#include "formula/SimplifierArithmetic.h"

#include <algorithm>
#include <numeric>

bool IsWholeValue(double value)
{
    // The range test comes first: converting NaN or a value int32 cannot hold
    // is undefined.
    if (!(value >= -2147483648.0 && value <= 2147483647.0))
        return false;
    return value == static_cast<double>(static_cast<int32_t>(value));
}

double GcdOfIntegers(double a, double b)
{
    if (!IsWholeValue(a) || !IsWholeValue(b))
        return 1;
    // In 64 bits, so that the magnitude of INT32_MIN is representable.
    return static_cast<double>(std::gcd(static_cast<int64_t>(a), static_cast<int64_t>(b)));
}

double PowerByWholeExponent(double x, int32_t n)
{
    double result = 1;
    while (n > 0) {
        while (n % 2 == 0) {
            n /= 2;
            x *= x;
        }
        result *= x;
        --n;
    }
    return result;
}

int64_t BinomialCoefficient(int32_t n, int32_t k)
{
    int64_t top = n;
    int64_t bottom = std::min<int64_t>(k, top - k);
    if (top <= 0 || bottom <= 0 || top < bottom)
        return top > 0 && bottom == 0 ? 1 : 0;
    if (bottom == 1)
        return top;
    int64_t numerator = 1;
    int64_t denominator = 1;
    for (; bottom > 0; --top, --bottom) {
        numerator *= top;
        denominator *= bottom;
        int64_t g = std::gcd(numerator, denominator);
        if (g > 1) {
            numerator /= g;
            denominator /= g;
        }
    }
    return numerator;
}
