#include "document/DocumentTask.h"

#include "CoreUtilities/Condition.h"
#include "CoreUtilities/GraphWorkerPool.h"
#include "CoreUtilities/ThreadLocks.h"
#include "CoreUtilities/ThreadStorage.h"
#include "document/DocState.h"
#include "formula/FormulaEngine.h"
#include "formula/FormulaNode.h"
#include "formula/NodePoolSet.h"
#include "support/WaitUntil.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <random>
#include <thread>

namespace {

// A document whose task counts its runs and, while held, runs until
// released or aborted, like an interpreter polling DocumentTaskAbort.
struct FakeDoc : DocState {
    std::atomic<int> runs{0};
    std::atomic<bool> held{false};
    std::atomic<bool> running{false};
    std::atomic<bool> sawAbort{false};
    std::atomic<bool> onTaskThread{false};
    std::atomic<NodePoolSet*> pools{nullptr};
    std::atomic<bool> madeNode{false};
    // Written by the task and by the test after a cancel, without a lock:
    // the thread sanitizer checks that the cancel orders the two.
    int results = 0;
};

void FakeRefreshResults(DocState* state)
{
    auto* doc = static_cast<FakeDoc*>(state);
    doc->onTaskThread.store(IsDocumentTaskThread() && GetEvalFrame() != nullptr);
    // Trees made here come from the thread's own pools and go back to them.
    doc->pools.store(CurrentNodePoolSet());
    FormulaNode* node = MakeNumberNode(2.5);
    doc->madeNode.store(node != nullptr);
    FreeNode(node);
    doc->running.store(true);
    while (doc->held.load()) {
        if (DocumentTaskAbort.load()) {
            doc->sawAbort.store(true);
            break;
        }
        std::this_thread::yield();
    }
    ++doc->results;
    doc->runs.fetch_add(1);
    doc->running.store(false);
}

// Waits until the document's task has ended, as the document does: on its
// task signal, so that the document may be freed right after.
bool WaitForTaskEnd(FakeDoc& doc)
{
    MutexLock hold(doc.TaskLock);
    return TimedWaitCondition(timespec{5, 0}, doc.TaskSignal, doc.TaskLock,
                              [&] { return doc.TaskState.load() == DocumentTaskFinished; });
}

class DocumentTask : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        RaiseEvalFrameSlots(GetEvalFrameSlots() + 1);
        ASSERT_TRUE(InitFormulaEngine());
        StartWorkerThreads();
        SetDocumentTaskRoutine(&FakeRefreshResults);
    }
    static void TearDownTestSuite() { SetDocumentTaskRoutine(nullptr); }

    // Keeps the task thread busy with one document while the test queues others.
    void HoldTaskThread()
    {
        busy.held.store(true);
        EnqueueDocumentTask(&busy);
        ASSERT_TRUE(WaitUntil([&] { return busy.running.load(); }));
    }
    void ReleaseTaskThread()
    {
        busy.held.store(false);
        ASSERT_TRUE(WaitForTaskEnd(busy));
    }
    // Every document queued before this call has been taken and run.
    void DrainQueue()
    {
        FakeDoc marker;
        EnqueueDocumentTask(&marker);
        ASSERT_TRUE(WaitForTaskEnd(marker));
    }

    FakeDoc busy;
};

TEST_F(DocumentTask, QueuedTwiceBeforePickUpRunsOnce)
{
    HoldTaskThread();
    FakeDoc doc;
    EnqueueDocumentTask(&doc);
    EnqueueDocumentTask(&doc);
    // Queuing leaves the state alone.
    EXPECT_EQ(doc.TaskState.load(), DocumentTaskNone);
    ReleaseTaskThread();
    ASSERT_TRUE(WaitForTaskEnd(doc));
    DrainQueue();
    EXPECT_EQ(doc.runs.load(), 1);
    EXPECT_TRUE(doc.onTaskThread.load());
    EXPECT_TRUE(doc.madeNode.load());
    EXPECT_NE(doc.pools.load(), nullptr);
    EXPECT_NE(doc.pools.load(), CurrentNodePoolSet());
    EXPECT_FALSE(IsDocumentTaskThread());

    // Once taken, the document may be queued again for a fresh run.
    EnqueueDocumentTask(&doc);
    DrainQueue();
    EXPECT_EQ(doc.runs.load(), 2);
}

TEST_F(DocumentTask, CancellingAQueuedTaskReturnsAtOnceWithoutTheAbortFlag)
{
    HoldTaskThread();
    FakeDoc doc;
    EnqueueDocumentTask(&doc);
    const auto start = std::chrono::steady_clock::now();
    CancelDocumentTask(&doc);
    EXPECT_LT(SecondsSince(start), 0.5);
    EXPECT_FALSE(busy.sawAbort.load());
    EXPECT_EQ(doc.TaskState.load(), DocumentTaskNone);
    ReleaseTaskThread();
    DrainQueue();
    EXPECT_EQ(doc.runs.load(), 0);
    EXPECT_FALSE(busy.sawAbort.load());
}

TEST_F(DocumentTask, CancellingARunningTaskAbortsItAndWaitsForItsEnd)
{
    FakeDoc doc;
    doc.held.store(true);
    EnqueueDocumentTask(&doc);
    ASSERT_TRUE(WaitUntil([&] { return doc.running.load(); }));
    EXPECT_EQ(doc.TaskState.load(), DocumentTaskRunning);
    CancelDocumentTask(&doc);
    EXPECT_TRUE(doc.sawAbort.load());
    EXPECT_EQ(doc.TaskState.load(), DocumentTaskFinished);
    EXPECT_FALSE(doc.running.load());
    EXPECT_EQ(DocumentTaskAbort.load(), 0);
    // After the cancel the document changes what the task wrote.
    doc.results = 0;

    // A finished task is cancelled at once and leaves the flag alone.
    CancelDocumentTask(&doc);
    EXPECT_EQ(DocumentTaskAbort.load(), 0);
}

// Queue and cancel at random moments of the task; every cancel returns with
// no task of the document running, nothing deadlocks, and a document freed
// right after its cancel is never touched again (sanitizers watch both).
TEST_F(DocumentTask, EnqueueCancelAndFreeAtRandomMoments)
{
    std::mt19937 random(7);
    for (int round = 0; round < 300; ++round) {
        auto doc = std::make_unique<FakeDoc>();
        doc->held.store(round % 3 == 0);
        EnqueueDocumentTask(doc.get());
        if (round % 2 == 0)
            EnqueueDocumentTask(doc.get());
        std::this_thread::sleep_for(std::chrono::microseconds(random() % 300));
        CancelDocumentTask(doc.get());
        EXPECT_NE(doc->TaskState.load(), DocumentTaskRunning);
        EXPECT_FALSE(doc->running.load());
        doc->results += 1;
    }
    EXPECT_EQ(DocumentTaskAbort.load(), 0);
}

}  // namespace
