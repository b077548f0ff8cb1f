// Process-wide memory budget for engine data, and the abort flag that
// long computations poll.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

// Total physical memory in bytes, capped at 2^31; 1e9 until the application
// object is constructed.
extern double PhysicalMemoryBytes;

// Tells long computations to stop. Raised by a memory or stack shortage, it
// stays raised until the failure has been reported (RecoverFromAbort);
// StopCoopThread raises it for the length of a stop.
extern std::atomic<unsigned char> AbortFlag;

// Stores min(bytes, 2^31) as the budget's total.
void SetPhysicalMemoryTotal(double bytes);

double HeapBudgetLimit();
double GlobalBudgetLimit();
// Bytes handed out and not yet given back.
double MemoryBudgetCount();
// Moves the running count; only tests and accounting corrections use it.
void AdjustMemoryBudgetCount(double delta);

void* BudgetMalloc(uint32_t size, bool zeroed);
void BudgetFree(void* block);

// A movable, zero-initialised, lockable block: the form pictures travel in.
struct GlobalBlock;
using GlobalHandle = GlobalBlock*;

GlobalHandle BudgetGlobalAlloc(uint32_t size);
// Returns null, as the system call does on success.
GlobalHandle BudgetGlobalFree(GlobalHandle handle);
void* LockGlobalHandle(GlobalHandle handle);
void UnlockGlobalHandle(GlobalHandle handle);
uint32_t GlobalHandleSize(GlobalHandle handle);

void ZeroBytes(void* dst, size_t count);
void MoveBytes(void* dst, const void* src, size_t count);

// True when the calling thread's stack has more than bytes + 65,536 left.
bool HasStackRoom(uint32_t bytes);
// The test behind HasStackRoom for a given frame address.
bool HasStackRoomAt(uint32_t bytes, uintptr_t frame);
// Lowest address of the calling thread's stack, found once per thread.
uintptr_t StackLowAddress();
// True (and AbortFlag raised) when the stack is short.
bool CheckStackRoom();
// True when computations must stop; posts 36 when the count is over the limit.
bool CheckMemoryBudget();
bool ShouldAbortComputation();
// Lowers AbortFlag once the count is back within the heap limit; for the end
// of a failure that has been reported. Answers whether the flag is clear.
bool RecoverFromAbort();

// Refusals on purpose, for tests. While a plan is set, budgeted allocations
// (BudgetMalloc, BudgetGlobalAlloc and the blocks of the formula pools) are
// counted from 1: the first-th is refused, and with everyFromThen every one
// after it too. A refusal looks like any other (a null result).
void PlanBudgetRefusals(int64_t first, bool everyFromThen);
void EndBudgetRefusals();
// Refusals met since the plan was set.
int64_t BudgetRefusalsMet();
// Called on each planned refusal; does nothing (a place for a breakpoint).
void OnPlannedRefusal();

extern std::atomic<bool> RefusalPlanSet;
bool TakePlannedRefusal();
// True when the plan refuses this allocation; one predictable branch while no
// plan is set.
inline bool PlannedRefusal()
{
    return RefusalPlanSet.load(std::memory_order_relaxed) && TakePlannedRefusal();
}
