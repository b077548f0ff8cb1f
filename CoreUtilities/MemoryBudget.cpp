#include "CoreUtilities/MemoryBudget.h"

#include "CoreUtilities/FailureCodes.h"
#include "CoreUtilities/FailureRegister.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <pthread.h>
#include <sys/resource.h>

double PhysicalMemoryBytes = 1000000000.0;
std::atomic<unsigned char> AbortFlag{0};
std::atomic<bool> RefusalPlanSet{false};

namespace {

constexpr double kMaxTotal = 2147483648.0;
constexpr double kHeapReserve = 314572800.0;    // 300 MiB
constexpr double kGlobalReserve = 419430400.0;  // 400 MiB
constexpr uint32_t kStackReserve = 65536;

// Signed and integral so that frees and allocations from many threads return
// the count to exactly zero.
std::atomic<int64_t> BudgetCount{0};

// Every block carries the size that was asked for, so a free gives back
// exactly what the allocation took (the C library rounds sizes up).
struct alignas(std::max_align_t) BlockHeader {
    uint64_t size;
};

std::atomic<int64_t> PlanCounted{0};
std::atomic<int64_t> PlanFirst{0};
std::atomic<bool> PlanEveryFromThen{false};
std::atomic<int64_t> PlanRefusals{0};

bool CountOverLimit(double limit)
{
    return static_cast<double>(BudgetCount.load(std::memory_order_relaxed)) > limit;
}

}  // namespace

struct GlobalBlock {
    uint32_t size;
    int lockCount;
    unsigned char* bytes;
};

void SetPhysicalMemoryTotal(double bytes)
{
    PhysicalMemoryBytes = std::min(bytes, kMaxTotal);
}

double HeapBudgetLimit()
{
    return std::max(PhysicalMemoryBytes - kHeapReserve, 0.75 * PhysicalMemoryBytes);
}

double GlobalBudgetLimit()
{
    return std::max(PhysicalMemoryBytes - kGlobalReserve, 0.5 * PhysicalMemoryBytes);
}

double MemoryBudgetCount()
{
    return static_cast<double>(BudgetCount.load(std::memory_order_relaxed));
}

void AdjustMemoryBudgetCount(double delta)
{
    BudgetCount.fetch_add(static_cast<int64_t>(delta), std::memory_order_relaxed);
}

void* BudgetMalloc(uint32_t size, bool zeroed)
{
    if (PlannedRefusal() || CountOverLimit(HeapBudgetLimit()))
        return nullptr;
    BudgetCount.fetch_add(size, std::memory_order_relaxed);
    size_t total = sizeof(BlockHeader) + size;
    void* raw = zeroed ? std::calloc(1, total) : std::malloc(total);
    if (!raw) {
        // A block the system could not give is not counted.
        BudgetCount.fetch_sub(size, std::memory_order_relaxed);
        return nullptr;
    }
    auto* header = static_cast<BlockHeader*>(raw);
    header->size = size;
    return header + 1;
}

void BudgetFree(void* block)
{
    if (!block)
        return;
    auto* header = static_cast<BlockHeader*>(block) - 1;
    BudgetCount.fetch_sub(static_cast<int64_t>(header->size), std::memory_order_relaxed);
    std::free(header);
}

GlobalHandle BudgetGlobalAlloc(uint32_t size)
{
    if (PlannedRefusal() || CountOverLimit(GlobalBudgetLimit()))
        return nullptr;
    BudgetCount.fetch_add(size, std::memory_order_relaxed);
    auto* block = static_cast<GlobalBlock*>(std::malloc(sizeof(GlobalBlock)));
    unsigned char* bytes = static_cast<unsigned char*>(std::calloc(1, size ? size : 1));
    if (!block || !bytes) {
        std::free(block);
        std::free(bytes);
        BudgetCount.fetch_sub(size, std::memory_order_relaxed);
        return nullptr;
    }
    block->size = size;
    block->lockCount = 0;
    block->bytes = bytes;
    return block;
}

GlobalHandle BudgetGlobalFree(GlobalHandle handle)
{
    if (!handle)
        return nullptr;
    BudgetCount.fetch_sub(handle->size, std::memory_order_relaxed);
    std::free(handle->bytes);
    std::free(handle);
    return nullptr;
}

void* LockGlobalHandle(GlobalHandle handle)
{
    if (!handle)
        return nullptr;
    ++handle->lockCount;
    return handle->bytes;
}

void UnlockGlobalHandle(GlobalHandle handle)
{
    if (handle && handle->lockCount > 0)
        --handle->lockCount;
}

uint32_t GlobalHandleSize(GlobalHandle handle)
{
    return handle ? handle->size : 0;
}

void ZeroBytes(void* dst, size_t count)
{
    if (count)
        std::memset(dst, 0, count);
}

void MoveBytes(void* dst, const void* src, size_t count)
{
    if (count)
        std::memmove(dst, src, count);
}

uintptr_t StackLowAddress()
{
    thread_local uintptr_t low = 0;
    if (low)
        return low;
    pthread_attr_t attr;
    void* addr = nullptr;
    size_t size = 0;
    if (pthread_getattr_np(pthread_self(), &attr) == 0) {
        pthread_attr_getstack(&attr, &addr, &size);
        pthread_attr_destroy(&attr);
    }
    uintptr_t high = reinterpret_cast<uintptr_t>(addr) + size;
    // The main thread's stack is reported from the resource limit, which may
    // be unlimited; never trust more than the limit or 8 MiB when it is.
    constexpr size_t kFallback = 8u << 20;
    rlimit limit{};
    if (getrlimit(RLIMIT_STACK, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
        size = std::min<size_t>(size, limit.rlim_cur);
    else
        size = std::min(size, kFallback);
    if (!addr) {
        high = reinterpret_cast<uintptr_t>(__builtin_frame_address(0));
        size = 64u << 10;
    }
    low = high - size;
    return low;
}

bool HasStackRoomAt(uint32_t bytes, uintptr_t frame)
{
    uintptr_t room = frame - StackLowAddress();
    return room > static_cast<uintptr_t>(bytes) + kStackReserve;
}

__attribute__((noinline)) bool HasStackRoom(uint32_t bytes)
{
    return HasStackRoomAt(bytes, reinterpret_cast<uintptr_t>(__builtin_frame_address(0)));
}

bool CheckStackRoom()
{
    if (HasStackRoom(0))
        return false;
    AbortFlag = 1;
    return true;
}

bool CheckMemoryBudget()
{
    if (AbortFlag)
        return true;
    if (CountOverLimit(HeapBudgetLimit())) {
        PostFailure(FailureOutOfMemory);
        AbortFlag = 1;
        return true;
    }
    return false;
}

bool ShouldAbortComputation()
{
    return AbortFlag || CheckStackRoom() || CheckMemoryBudget();
}

bool RecoverFromAbort()
{
    if (AbortFlag && !CountOverLimit(HeapBudgetLimit()))
        AbortFlag = 0;
    return !AbortFlag;
}

void PlanBudgetRefusals(int64_t first, bool everyFromThen)
{
    PlanCounted = 0;
    PlanRefusals = 0;
    PlanFirst = first;
    PlanEveryFromThen = everyFromThen;
    RefusalPlanSet = true;
}

void EndBudgetRefusals()
{
    RefusalPlanSet = false;
}

int64_t BudgetRefusalsMet()
{
    return PlanRefusals.load();
}

__attribute__((noinline)) void OnPlannedRefusal()
{
    asm volatile("");
}

bool TakePlannedRefusal()
{
    int64_t n = PlanCounted.fetch_add(1) + 1;
    if (n != PlanFirst.load() && !(PlanEveryFromThen.load() && n > PlanFirst.load()))
        return false;
    PlanRefusals.fetch_add(1);
    OnPlannedRefusal();
    return true;
}
