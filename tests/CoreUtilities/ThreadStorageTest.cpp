#include "CoreUtilities/ThreadStorage.h"

#include "CoreUtilities/Condition.h"
#include "CoreUtilities/MemoryBudget.h"
#include "support/BudgetRefusal.h"

#include <gtest/gtest.h>

#include <cstring>
#include <thread>

namespace {

// Fills every byte the frame claims to hold; the address sanitizer catches a
// frame smaller than its capacity.
void FillFrame(unsigned char value)
{
    std::memset(GetEvalFrame(), value, size_t{GetEvalFrameCapacity()} * kEvalSlotBytes);
}

// Runs body on a thread of its own and waits for the thread to end.
template <typename Body>
void OnNewThread(Body body)
{
    std::thread(body).join();
}

// Two-step hand-over between the test and a second thread.
struct Gate {
    Mutex mutex;
    Condition condition;
    int step = 0;

    void Reach(int n)
    {
        MutexLock lock(mutex);
        step = n;
        condition.Broadcast();
    }
    void Await(int n)
    {
        MutexLock lock(mutex);
        while (step < n)
            condition.Wait(mutex);
    }
};

TEST(ThreadStorage, FrameOfAnotherThreadCatchesUpOnlyInItsOwnEnsure)
{
    RaiseEvalFrameSlots(GetEvalFrameSlots() + 4);
    const uint32_t before = GetEvalFrameSlots();
    Gate gate;
    void* workerFrame = nullptr;
    uint32_t capacityBeforeEnsure = 0;
    uint32_t capacityAfterEnsure = 0;
    std::thread worker([&] {
        EXPECT_EQ(GetEvalFrame(), nullptr);
        EXPECT_TRUE(EnsureEvalFrame());
        workerFrame = GetEvalFrame();
        EXPECT_EQ(GetEvalFrameCapacity(), before);
        gate.Reach(1);
        gate.Await(2);
        // The count was raised on the other thread; this frame is unchanged ...
        EXPECT_EQ(GetEvalFrame(), workerFrame);
        capacityBeforeEnsure = GetEvalFrameCapacity();
        // ... until this thread catches up.
        EXPECT_TRUE(EnsureEvalFrame());
        capacityAfterEnsure = GetEvalFrameCapacity();
        FillFrame(0x5a);
    });
    gate.Await(1);
    RaiseEvalFrameSlots(before + 12);
    EXPECT_EQ(GetEvalFrameSlots(), before + 12);
    EXPECT_EQ(GetEvalFrameCapacity(), before + 12);
    FillFrame(0xa5);
    gate.Reach(2);
    worker.join();
    EXPECT_EQ(capacityBeforeEnsure, before);
    EXPECT_EQ(capacityAfterEnsure, before + 12);
}

TEST(ThreadStorage, FrameBigEnoughIsKeptWithItsContents)
{
    RaiseEvalFrameSlots(GetEvalFrameSlots() + 3);
    void* frame = GetEvalFrame();
    const uint32_t slots = GetEvalFrameSlots();
    ASSERT_NE(frame, nullptr);
    FillFrame(0x33);
    // Neither a second ensure nor a raise that is not above the count re-allocates.
    EXPECT_TRUE(EnsureEvalFrame());
    RaiseEvalFrameSlots(slots);
    RaiseEvalFrameSlots(slots - 1);
    RaiseEvalFrameSlots(0);
    EXPECT_EQ(GetEvalFrameSlots(), slots);
    EXPECT_EQ(GetEvalFrame(), frame);
    EXPECT_EQ(GetEvalFrameCapacity(), slots);
    const auto* bytes = static_cast<const unsigned char*>(frame);
    for (size_t i = 0; i < size_t{slots} * kEvalSlotBytes; ++i)
        ASSERT_EQ(bytes[i], 0x33) << "byte " << i;
}

TEST(ThreadStorage, RaiseMakesCallersFrameFitEvenWhenAnotherThreadRaisedFirst)
{
    const uint32_t target = GetEvalFrameSlots() + 20;
    OnNewThread([&] { RaiseEvalFrameSlots(target); });
    OnNewThread([&] {
        // The count is already above what this thread asks for, but its own
        // frame must still hold the program it is about to run.
        RaiseEvalFrameSlots(target - 5);
        EXPECT_EQ(GetEvalFrameSlots(), target);
        EXPECT_GE(GetEvalFrameCapacity(), target - 5);
        FillFrame(1);
    });
}

TEST(ThreadStorage, ConcurrentRaisesKeepTheLargest)
{
    const uint32_t base = GetEvalFrameSlots();
    std::thread raisers[8];
    for (uint32_t t = 0; t < 8; ++t)
        raisers[t] = std::thread([=] {
            for (uint32_t n = 1; n <= 64; ++n)
                RaiseEvalFrameSlots(base + n * 8 - t);
        });
    for (auto& raiser : raisers)
        raiser.join();
    EXPECT_EQ(GetEvalFrameSlots(), base + 64 * 8);
}

TEST(ThreadStorage, ScratchBlockIsMadeOnceAndFreedAtThreadExit)
{
    const double before = MemoryBudgetCount();
    OnNewThread([&] {
        auto* first = static_cast<unsigned char*>(GetThreadScratch(16));
        ASSERT_NE(first, nullptr);
        for (int i = 0; i < 16; ++i)
            EXPECT_EQ(first[i], 0);
        EXPECT_EQ(MemoryBudgetCount() - before, 16.0);
        std::memset(first, 7, 16);
        // Same block, contents kept, for the same or a smaller size.
        EXPECT_EQ(GetThreadScratch(16), first);
        EXPECT_EQ(GetThreadScratch(8), first);
        EXPECT_EQ(first[15], 7);
        // A larger request never gets a block too small for it.
        EXPECT_EQ(GetThreadScratch(64), nullptr);
        EXPECT_EQ(GetThreadScratch(16), first);
        EXPECT_EQ(MemoryBudgetCount() - before, 16.0);
    });
    EXPECT_EQ(MemoryBudgetCount(), before);
}

TEST(ThreadStorage, ScratchRefusedByBudgetIsTriedAgain)
{
    const double before = MemoryBudgetCount();
    OnNewThread([&] {
        {
            BudgetRefusal refusal;
            EXPECT_EQ(GetThreadScratch(256), nullptr);
        }
        void* block = GetThreadScratch(256);
        EXPECT_NE(block, nullptr);
        EXPECT_EQ(GetThreadScratch(256), block);
    });
    EXPECT_EQ(MemoryBudgetCount(), before);
}

TEST(ThreadStorage, ManyThreadsFreeTheirStorageAtExit)
{
    // Leaks here show under the address sanitizer's leak check.
    const double before = MemoryBudgetCount();
    RaiseEvalFrameSlots(GetEvalFrameSlots() + 1);
    std::thread threads[16];
    for (auto& thread : threads)
        thread = std::thread([] {
            EXPECT_TRUE(EnsureEvalFrame());
            FillFrame(9);
            EXPECT_NE(GetThreadScratch(1000), nullptr);
        });
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(MemoryBudgetCount(), before);
}

TEST(ThreadStorage, MarksBelongToTheThreadThatSetThem)
{
    struct Seen {
        bool singleJob, documentTask;
    };
    Seen plain{}, singleJob{}, documentTask{};
    OnNewThread([&] { plain = {IsSingleJobThread(), IsDocumentTaskThread()}; });
    OnNewThread([&] {
        MarkSingleJobThread();
        MarkAnalysisThread();
        singleJob = {IsSingleJobThread(), IsDocumentTaskThread()};
    });
    OnNewThread([&] {
        MarkDocumentTaskThread();
        documentTask = {IsSingleJobThread(), IsDocumentTaskThread()};
    });
    EXPECT_FALSE(plain.singleJob || plain.documentTask);
    EXPECT_TRUE(singleJob.singleJob);
    EXPECT_FALSE(singleJob.documentTask);
    EXPECT_FALSE(documentTask.singleJob);
    EXPECT_TRUE(documentTask.documentTask);
    // The test's own thread stands for the user-interface thread.
    EXPECT_FALSE(IsSingleJobThread());
    EXPECT_FALSE(IsDocumentTaskThread());
}

}  // namespace
