#include "CoreUtilities/SmallNumerics.h"

#include <cmath>
#include <limits>

double* AllocDoubleArray(double*& out, int32_t count, bool zeroed)
{
    constexpr int32_t kMaxCount = static_cast<int32_t>(std::numeric_limits<uint32_t>::max() / sizeof(double));
    out = count >= 0 && count <= kMaxCount
              ? static_cast<double*>(BudgetMalloc(static_cast<uint32_t>(count) * sizeof(double), zeroed))
              : nullptr;
    return out;
}

double CeilDouble(double x)
{
    return std::ceil(x);
}
