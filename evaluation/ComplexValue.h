// A complex number {re, im}; undefined when either part is NaN.
#pragma once

struct ComplexValue {
    double re;
    double im;
};
