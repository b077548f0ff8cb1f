#include "CoreUtilities/FailureRegister.h"
#include "CoreUtilities/MemoryBudget.h"

#include <gtest/gtest.h>

#include <pthread.h>
#include <random>
#include <thread>
#include <vector>

namespace {

constexpr double kTwoGiB = 2147483648.0;
constexpr double kOneGiB = 1073741824.0;

class MemoryBudgetTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_savedTotal = PhysicalMemoryBytes;
        m_savedCount = MemoryBudgetCount();
        AbortFlag = 0;
        ResetFailureRegister();
    }
    void TearDown() override
    {
        SetCountTo(m_savedCount);
        SetPhysicalMemoryTotal(m_savedTotal);
        AbortFlag = 0;
        ResetFailureRegister();
    }
    static void SetCountTo(double value) { AdjustMemoryBudgetCount(value - MemoryBudgetCount()); }

    double m_savedTotal = 0;
    double m_savedCount = 0;
};

TEST_F(MemoryBudgetTest, LimitsFollowTheTotal)
{
    struct Row {
        double total, heap, global;
    } rows[] = {
        {kTwoGiB, 1832910848.0, 1728053248.0},
        {kOneGiB, 805306368.0, 654311424.0},
        {1e9, 750000000.0, 580569600.0},
    };
    for (const Row& row : rows) {
        SetPhysicalMemoryTotal(row.total);
        EXPECT_EQ(HeapBudgetLimit(), row.heap) << row.total;
        EXPECT_EQ(GlobalBudgetLimit(), row.global) << row.total;
    }
    SetPhysicalMemoryTotal(16.0 * kOneGiB);
    EXPECT_EQ(PhysicalMemoryBytes, kTwoGiB);
}

TEST_F(MemoryBudgetTest, GrantsUpToTheLimitThenRefusesWithoutPosting)
{
    struct Row {
        double total;
        double count;
        uint32_t size;
        bool granted;
    } rows[] = {
        {kTwoGiB, 1832910848.0, 16, true},        // exactly at the limit
        {kTwoGiB, 1832910849.0, 16, false},       // one byte over
        {kTwoGiB, 1832910848.0 - 8, 1u << 20, true},  // larger than the room left
        {kOneGiB, 805306368.0, 1, true},
        {kOneGiB, 805306369.0, 1, false},
    };
    for (const Row& row : rows) {
        SetPhysicalMemoryTotal(row.total);
        SetCountTo(row.count);
        void* block = BudgetMalloc(row.size, true);
        EXPECT_EQ(block != nullptr, row.granted) << row.count;
        if (block) {
            EXPECT_EQ(MemoryBudgetCount(), row.count + row.size);
            BudgetFree(block);
        }
        EXPECT_EQ(MemoryBudgetCount(), row.count);
        EXPECT_EQ(AbortFlag.load(), 0);
        EXPECT_FALSE(IsFailurePending());
    }
}

TEST_F(MemoryBudgetTest, GlobalBlocksUseTheirOwnLimit)
{
    SetPhysicalMemoryTotal(kTwoGiB);
    SetCountTo(1728053248.0 + 1);
    EXPECT_EQ(BudgetGlobalAlloc(8), nullptr);
    SetCountTo(1728053248.0);
    GlobalHandle handle = BudgetGlobalAlloc(8);
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(GlobalHandleSize(handle), 8u);
    auto* bytes = static_cast<unsigned char*>(LockGlobalHandle(handle));
    ASSERT_NE(bytes, nullptr);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(bytes[i], 0);
    UnlockGlobalHandle(handle);
    EXPECT_EQ(BudgetGlobalFree(handle), nullptr);
    EXPECT_EQ(MemoryBudgetCount(), 1728053248.0);
}

TEST_F(MemoryBudgetTest, NullBlocksChangeNothing)
{
    double before = MemoryBudgetCount();
    BudgetFree(nullptr);
    EXPECT_EQ(BudgetGlobalFree(nullptr), nullptr);
    EXPECT_EQ(LockGlobalHandle(nullptr), nullptr);
    UnlockGlobalHandle(nullptr);
    EXPECT_EQ(MemoryBudgetCount(), before);
}

TEST_F(MemoryBudgetTest, CheckOverTheLimitPostsOutOfMemoryAndRaisesAbort)
{
    SetPhysicalMemoryTotal(kTwoGiB);
    SetCountTo(1832910848.0);
    EXPECT_FALSE(CheckMemoryBudget());
    EXPECT_FALSE(IsFailurePending());

    SetCountTo(1832910849.0);
    EXPECT_TRUE(CheckMemoryBudget());
    EXPECT_EQ(AbortFlag.load(), 1);
    EXPECT_EQ(TakePendingFailure(), 36);
}

TEST_F(MemoryBudgetTest, RaisedAbortStopsWithoutLookingFurther)
{
    SetPhysicalMemoryTotal(kTwoGiB);
    SetCountTo(1832910849.0);  // over the limit, but the flag answers first
    AbortFlag = 1;
    EXPECT_TRUE(ShouldAbortComputation());
    EXPECT_FALSE(IsFailurePending());

    AbortFlag = 0;
    SetCountTo(0);
    EXPECT_FALSE(ShouldAbortComputation());
}

TEST_F(MemoryBudgetTest, AbortIsLoweredOnlyWithMemoryBackWithinTheLimit)
{
    SetPhysicalMemoryTotal(kTwoGiB);
    SetCountTo(1832910849.0);
    AbortFlag = 1;
    EXPECT_FALSE(RecoverFromAbort());
    EXPECT_EQ(AbortFlag.load(), 1);
    SetCountTo(1832910848.0);
    EXPECT_TRUE(RecoverFromAbort());
    EXPECT_EQ(AbortFlag.load(), 0);
}

// The k-th budgeted allocation is refused (or every one from the k-th on),
// as an ordinary refusal: a null, nothing posted, the count untouched.
TEST_F(MemoryBudgetTest, PlannedRefusalsHitTheChosenAllocations)
{
    const struct {
        int64_t first;
        bool everyFromThen;
        std::vector<bool> granted;  // allocations 1, 2, 3 ...
    } cases[] = {
        {1, false, {false, true, true, true}},
        {3, false, {true, true, false, true}},
        {2, true, {true, false, false, false}},
        {9, false, {true, true, true, true}},
    };
    for (const auto& c : cases) {
        double before = MemoryBudgetCount();
        PlanBudgetRefusals(c.first, c.everyFromThen);
        int64_t refused = 0;
        for (size_t k = 0; k < c.granted.size(); ++k) {
            void* block = k % 2 ? BudgetMalloc(16, false) : static_cast<void*>(BudgetGlobalAlloc(16));
            EXPECT_EQ(block != nullptr, c.granted[k]) << c.first << " allocation " << k + 1;
            refused += block ? 0 : 1;
            if (k % 2)
                BudgetFree(block);
            else
                BudgetGlobalFree(static_cast<GlobalHandle>(block));
        }
        EndBudgetRefusals();
        EXPECT_EQ(BudgetRefusalsMet(), refused) << c.first;
        EXPECT_EQ(MemoryBudgetCount(), before) << c.first;
        EXPECT_EQ(AbortFlag.load(), 0);
        EXPECT_FALSE(IsFailurePending());
    }
    // Without a plan nothing is refused.
    void* block = BudgetMalloc(16, false);
    EXPECT_NE(block, nullptr);
    BudgetFree(block);
}

TEST_F(MemoryBudgetTest, ConcurrentAllocationsReturnTheCountToExactlyZero)
{
    SetPhysicalMemoryTotal(kTwoGiB);
    SetCountTo(0);
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([t] {
            std::mt19937 random(1234u + t);
            std::vector<void*> held;
            for (int i = 0; i < 20000; ++i) {
                // Odd sizes: the C library rounds them up, the budget must not.
                if (held.empty() || random() % 3 != 0) {
                    if (void* block = BudgetMalloc(1 + random() % 1000, (i & 1) != 0))
                        held.push_back(block);
                } else {
                    size_t k = random() % held.size();
                    BudgetFree(held[k]);
                    held[k] = held.back();
                    held.pop_back();
                }
            }
            for (void* block : held)
                BudgetFree(block);
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(MemoryBudgetCount(), 0.0);
}

TEST_F(MemoryBudgetTest, StackRoomBoundary)
{
    uintptr_t low = StackLowAddress();
    ASSERT_NE(low, 0u);
    EXPECT_FALSE(HasStackRoomAt(1000, low + 1000 + 65536));
    EXPECT_TRUE(HasStackRoomAt(1000, low + 1000 + 65537));
    EXPECT_TRUE(HasStackRoom(1000));
    EXPECT_FALSE(HasStackRoom(0xFFFFFFFFu));
    EXPECT_FALSE(CheckStackRoom());
    EXPECT_EQ(AbortFlag.load(), 0);
}

struct StackProbe {
    uintptr_t low = 0;
    uintptr_t frame = 0;
    bool roomForHalf = false;
    bool roomForAll = true;
};

void* ProbeStack(void* arg)
{
    auto* probe = static_cast<StackProbe*>(arg);
    probe->low = StackLowAddress();
    probe->frame = reinterpret_cast<uintptr_t>(__builtin_frame_address(0));
    uint32_t room = static_cast<uint32_t>(probe->frame - probe->low);
    probe->roomForHalf = HasStackRoom(room / 2 - 65536);
    probe->roomForAll = HasStackRoom(room - 65536);
    return nullptr;
}

TEST_F(MemoryBudgetTest, StackRoomOnAThreadOfKnownSize)
{
    constexpr size_t kStack = 1u << 20;
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    pthread_attr_setstacksize(&attr, kStack);
    StackProbe probe;
    pthread_t thread;
    ASSERT_EQ(pthread_create(&thread, &attr, ProbeStack, &probe), 0);
    pthread_join(thread, nullptr);
    pthread_attr_destroy(&attr);

    // The bound is the thread's real stack: the frame sits just below its top.
    ASSERT_GT(probe.frame, probe.low);
    EXPECT_LE(probe.frame - probe.low, kStack);
#if !defined(__SANITIZE_THREAD__)
    // (The thread sanitizer keeps a large part of every thread's stack for itself.)
    EXPECT_GT(probe.frame - probe.low, kStack - (64u << 10));
#endif
    EXPECT_TRUE(probe.roomForHalf);
    EXPECT_FALSE(probe.roomForAll);
}

TEST_F(MemoryBudgetTest, ByteHelpers)
{
    char text[] = "abcdef";
    MoveBytes(text + 1, text, 4);  // overlapping
    EXPECT_STREQ(text, "aabcdf");
    ZeroBytes(text + 3, 3);
    EXPECT_STREQ(text, "aab");
}

}  // namespace
