#include "CoreUtilities/ThreadStorage.h"

#include "CoreUtilities/FailureCodes.h"
#include "CoreUtilities/FailureRegister.h"
#include "CoreUtilities/MemoryBudget.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace thread_storage {

// Only ever raised; a worker sees a new value through the queue mutex it takes
// before running a job built for it.
constinit std::atomic<uint32_t> EvalFrameSlots{0};

// Plain thread-locals, so the readers on the evaluation path are single loads.
constinit thread_local void* Frame = nullptr;
constinit thread_local uint32_t FrameCapacity = 0;

}  // namespace thread_storage

using thread_storage::EvalFrameSlots;
using thread_storage::Frame;
using thread_storage::FrameCapacity;

namespace {

thread_local void* Scratch = nullptr;
thread_local uint32_t ScratchSize = 0;
thread_local bool SingleJobMark = false;
thread_local bool DocumentTaskMark = false;
thread_local bool AnalysisMark = false;

// Frees the thread's frame and scratch block when the thread ends. Made on
// first use only, so threads that never evaluate register nothing.
struct ThreadStorageRelease {
    bool armed = false;
    ~ThreadStorageRelease()
    {
        std::free(Frame);
        Frame = nullptr;
        FrameCapacity = 0;
        BudgetFree(Scratch);
        Scratch = nullptr;
        ScratchSize = 0;
    }
};
thread_local ThreadStorageRelease Release;

void ArmRelease()
{
    Release.armed = true;
}

}  // namespace

bool EnsureEvalFrame()
{
    uint32_t slots = EvalFrameSlots.load(std::memory_order_acquire);
    if (FrameCapacity >= slots)
        return true;
    ArmRelease();
    // A frame may grow between two programs of one batch (another thread
    // linked a larger batch meanwhile): the later program reads what the
    // earlier one stored, so the contents move along. New slots start
    // undefined in every cell type (NaN throughout). A refusal leaves no
    // frame at all: a frame smaller than the programs expect would be written
    // past its end.
    size_t oldBytes = static_cast<size_t>(FrameCapacity) * kEvalSlotBytes;
    size_t newBytes = static_cast<size_t>(slots) * kEvalSlotBytes;
    auto* fresh = static_cast<double*>(std::malloc(newBytes));
    if (fresh) {
        if (Frame)
            std::memcpy(fresh, Frame, oldBytes);
        std::fill(fresh + oldBytes / sizeof(double), fresh + newBytes / sizeof(double),
                  std::numeric_limits<double>::quiet_NaN());
    }
    std::free(Frame);
    Frame = fresh;
    FrameCapacity = fresh ? slots : 0;
    if (!fresh) {
        PostFailure(FailureOutOfMemory);
        return false;
    }
    return true;
}

void RaiseEvalFrameSlots(uint32_t n)
{
    // A maximum, so two threads raising at once never lower it.
    uint32_t current = EvalFrameSlots.load(std::memory_order_relaxed);
    while (n > current &&
           !EvalFrameSlots.compare_exchange_weak(current, n, std::memory_order_acq_rel, std::memory_order_relaxed)) {
    }
    // Even when another thread raised it first, the caller is about to run a
    // program that needs n slots here.
    EnsureEvalFrame();
}

void* GetEvalFrame()
{
    return Frame;
}

uint32_t GetEvalFrameCapacity()
{
    return FrameCapacity;
}

uint32_t GetEvalFrameSlots()
{
    return EvalFrameSlots.load(std::memory_order_acquire);
}

void* GetThreadScratch(uint32_t size)
{
    if (Scratch)
        return size <= ScratchSize ? Scratch : nullptr;
    ArmRelease();
    Scratch = BudgetMalloc(size, true);
    ScratchSize = Scratch ? size : 0;
    return Scratch;
}

void MarkSingleJobThread()
{
    SingleJobMark = true;
}

void MarkDocumentTaskThread()
{
    DocumentTaskMark = true;
}

void MarkAnalysisThread()
{
    AnalysisMark = true;
}

bool IsSingleJobThread()
{
    return SingleJobMark;
}

bool IsDocumentTaskThread()
{
    return DocumentTaskMark;
}
