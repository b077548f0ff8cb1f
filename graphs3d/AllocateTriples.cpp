#include "graphs3d/AllocateTriples.h"

#include "CoreUtilities/FailureCodes.h"
#include "CoreUtilities/FailureRegister.h"
#include "CoreUtilities/MemoryBudget.h"

#include <limits>

float* AllocateTriples(int64_t n, bool zeroed)
{
    constexpr int64_t kTripleBytes = 3 * sizeof(float);
    if (n <= 0)
        return nullptr;
    void* block = nullptr;
    if (n <= std::numeric_limits<uint32_t>::max() / kTripleBytes)
        block = BudgetMalloc(static_cast<uint32_t>(n * kTripleBytes), zeroed);
    if (!block)
        PostFailure(FailureOutOfMemory);
    return static_cast<float*>(block);
}
