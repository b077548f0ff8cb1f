#include "CoreUtilities/GrowArray.h"

#include <limits>

namespace {

constexpr int32_t kFirstCapacity = 16;

}  // namespace

GrownStorage GrowArrayStorage(void* storage, int32_t count, int32_t capacity, uint32_t elementSize)
{
    int64_t newCapacity = capacity == 0 ? kFirstCapacity : int64_t{capacity} * 2;
    uint64_t bytes = static_cast<uint64_t>(newCapacity) * elementSize;
    // The budget takes 32-bit sizes; a size past that would wrap to a small block.
    if (newCapacity > std::numeric_limits<int32_t>::max() || bytes > std::numeric_limits<uint32_t>::max())
        return {nullptr, capacity};
    void* grown = BudgetMalloc(static_cast<uint32_t>(bytes), false);
    if (!grown)
        return {nullptr, capacity};
    MoveBytes(grown, storage, static_cast<size_t>(count) * elementSize);
    BudgetFree(storage);
    return {grown, static_cast<int32_t>(newCapacity)};
}
