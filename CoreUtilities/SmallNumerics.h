// Small numeric helpers used beside the budgeted arrays and by the
// interpreters: budgeted double arrays, minimum, maximum, ceiling, clamping.
#pragma once

#include "CoreUtilities/MemoryBudget.h"

#include <cstdint>

// Stores BudgetMalloc(count x 8) into out and answers it; null on refusal or a
// count that cannot be sized.
double* AllocDoubleArray(double*& out, int32_t count, bool zeroed);

template <typename T>
void FreeAndNull(T*& block)
{
    BudgetFree(block);
    block = nullptr;
}

// b only when b > a: a NaN b is never chosen, a NaN a is answered.
inline double MaxDouble(double a, double b)
{
    return b > a ? b : a;
}

// b only when b < a, with the same NaN rule as MaxDouble.
inline double MinDouble(double a, double b)
{
    return b < a ? b : a;
}

double CeilDouble(double x);

// The low test comes first, so low wins when low > high.
inline int32_t ClampInt(int32_t value, int32_t low, int32_t high)
{
    if (value < low)
        return low;
    if (value > high)
        return high;
    return value;
}
