// A complex number {re, im}; undefined when either part is NaN, real when the
// imaginary part compares equal to 0 (so -0 counts), and true only when it is
// exactly 1 + 0i.
#pragma once

struct ComplexValue {
    double re;
    double im;
};

// A NaN imaginary part is not real.
inline bool IsRealComplex(ComplexValue z)
{
    return z.im == 0;
}

inline bool HasNaNPart(ComplexValue z)
{
    return z.re != z.re || z.im != z.im;
}

inline bool IsTrueComplex(ComplexValue z)
{
    return z.re == 1 && z.im == 0;
}

// The two truth values of complex arithmetic.
inline ComplexValue ComplexTruth(bool holds)
{
    return ComplexValue{holds ? 1.0 : 0.0, 0};
}
