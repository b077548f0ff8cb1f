#include "CoreUtilities/GraphWorkerPool.h"

#include "CoreUtilities/GraphJobTarget.h"
#include "CoreUtilities/SystemInfo.h"
#include "CoreUtilities/ThreadStorage.h"
#include "document/DocumentTask.h"
#include "support/WaitUntil.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace {

// The order in which parts ran, as "name part" entries.
class RunLog {
public:
    void Add(const std::string& entry)
    {
        std::lock_guard<std::mutex> hold(mutex_);
        entries_.push_back(entry);
    }
    std::vector<std::string> Entries()
    {
        std::lock_guard<std::mutex> hold(mutex_);
        return entries_;
    }

private:
    std::mutex mutex_;
    std::vector<std::string> entries_;
};

// A graph whose parts log themselves, may hold until released or stopped,
// and count as computed once they answer done.
class FakeGraph : public GraphJobTarget {
public:
    FakeGraph(std::string name, int32_t parts, RunLog* log = nullptr)
        : name_(std::move(name)), log_(log), done_(parts)
    {
    }

    int32_t ComputeChunk(int32_t part) override
    {
        frameCapacity.store(GetEvalFrameCapacity());
        if (log_)
            log_->Add(name_ + " " + std::to_string(part));
        running.fetch_add(1);
        int32_t result = GraphJobDone;
        while (held.load()) {
            if (stop.load()) {
                result = GraphJobStopped;
                break;
            }
            std::this_thread::yield();
        }
        if (nothingToDo)
            result = GraphJobNothingToDo;
        if (result == GraphJobDone)
            done_[part].store(true);
        running.fetch_sub(1);
        return result;
    }

    bool IsComplete() override
    {
        completeAsked.fetch_add(1);
        for (const std::atomic<bool>& part : done_) {
            if (!part.load())
                return false;
        }
        return true;
    }

    std::atomic<bool> held{false};
    std::atomic<bool> stop{false};
    std::atomic<int> running{0};
    std::atomic<int> completeAsked{0};
    std::atomic<uint32_t> frameCapacity{0};
    bool nothingToDo = false;

private:
    std::string name_;
    RunLog* log_;
    std::vector<std::atomic<bool>> done_;
};

// Owns a graph's job array and stops the graph the way graphs do on every
// path out: stop flag, cancel, wait.
struct GraphWithJobs {
    FakeGraph graph;
    GraphJob* jobs;
    int32_t count;

    GraphWithJobs(std::string name, int32_t parts, RunLog* log = nullptr)
        : graph(std::move(name), parts, log), jobs(NewGraphJobs(&graph, parts)), count(parts)
    {
    }
    ~GraphWithJobs()
    {
        Stop();
        DeleteGraphJobs(jobs);
    }
    void Stop()
    {
        graph.stop.store(true);
        CancelGraphJobs(&graph);
        for (int32_t i = 0; i < count; ++i)
            WaitForGraphJob(&jobs[i]);
    }
    GraphJob& operator[](int32_t i) { return jobs[i]; }
};

class GraphWorkerPool : public testing::Test {
protected:
    static void SetUpTestSuite() { StartWorkerThreads(); }
    void TearDown() override { RestartGraphWorkers(0); }

    // With one worker, a held part keeps the worker busy while the test
    // fills the queues behind it.
    void HoldTheOnlyWorker()
    {
        blocker.graph.held.store(true);
        EnqueueGraphJob(&blocker[0]);
        ASSERT_TRUE(WaitUntil([&] { return blocker.graph.running.load() == 1; }));
    }
    void ReleaseWorker() { blocker.graph.held.store(false); }

    static std::vector<std::string> Runs(std::initializer_list<const char*> entries)
    {
        return std::vector<std::string>(entries.begin(), entries.end());
    }

    RunLog log;
    GraphWithJobs blocker{"hold", 1, &log};
};

TEST_F(GraphWorkerPool, NewJobsAreIdlePartsOfTheirGraph)
{
    FakeGraph graph("g", 3);
    GraphJob* jobs = NewGraphJobs(&graph, 3);
    for (int32_t i = 0; i < 3; ++i) {
        EXPECT_EQ(jobs[i].graph, &graph);
        EXPECT_EQ(jobs[i].dependency, nullptr);
        EXPECT_EQ(jobs[i].part, i);
        EXPECT_EQ(jobs[i].state.load(), GraphJobIdle);
        EXPECT_TRUE(jobs[i].IsFinished());
        // A job never queued is waited for at once.
        WaitForGraphJob(&jobs[i]);
    }
    DeleteGraphJobs(jobs);
    EXPECT_EQ(NewGraphJobs(&graph, 0), nullptr);
}

TEST_F(GraphWorkerPool, FinalStateIsTheAnswerOfThePart)
{
    // Each part runs on a frame that holds every slot the programs need.
    RaiseEvalFrameSlots(GetEvalFrameSlots() + 3);
    GraphWithJobs done("done", 2);
    GraphWithJobs empty("empty", 1);
    empty.graph.nothingToDo = true;
    EnqueueGraphJobs(done.jobs, 2);
    EnqueueGraphJob(&empty[0]);
    for (GraphJob* job : {&done[0], &done[1], &empty[0]})
        WaitForGraphJob(job);
    EXPECT_EQ(done[0].state.load(), GraphJobDone);
    EXPECT_EQ(done[1].state.load(), GraphJobDone);
    EXPECT_TRUE(done.graph.IsComplete());
    EXPECT_GE(done.graph.frameCapacity.load(), GetEvalFrameSlots());
    EXPECT_EQ(empty[0].state.load(), GraphJobNothingToDo);

    // A finished job may be queued again.
    EnqueueGraphJob(&empty[0]);
    WaitForGraphJob(&empty[0]);
    EXPECT_EQ(empty[0].state.load(), GraphJobNothingToDo);
}

TEST_F(GraphWorkerPool, OneWorkerRunsJobsInTheOrderQueued)
{
    RestartGraphWorkers(1);
    HoldTheOnlyWorker();
    GraphWithJobs a("A", 2, &log);
    GraphWithJobs b("B", 1, &log);
    EnqueueGraphJobs(a.jobs, 2);
    EnqueueGraphJob(&b[0]);
    EXPECT_EQ(a[0].state.load(), GraphJobQueued);
    ReleaseWorker();
    WaitForGraphJob(&b[0]);
    WaitForGraphJob(&a[1]);
    EXPECT_EQ(log.Entries(), Runs({"hold 0", "A 0", "A 1", "B 0"}));
}

TEST_F(GraphWorkerPool, WorkerCountAndPartsFollowTheOverride)
{
    RestartGraphWorkers(3);
    EXPECT_EQ(GetProcessorCount(), 3);
    EXPECT_EQ(GetProcessorCount(), 3);
    // Three held parts all start: three workers run at once.
    GraphWithJobs wide("wide", 4);
    wide.graph.held.store(true);
    EnqueueGraphJobs(wide.jobs, 4);
    EXPECT_TRUE(WaitUntil([&] { return wide.graph.running.load() == 3; }));
    EXPECT_EQ(wide[3].state.load(), GraphJobQueued);
    wide.graph.held.store(false);
    for (int32_t i = 0; i < 4; ++i)
        WaitForGraphJob(&wide[i]);

    RestartGraphWorkers(1);
    GraphJob* one = NewGraphJobsPerProcessor(&wide.graph);
    EXPECT_EQ(one[0].part, 0);
    DeleteGraphJobs(one);
    EXPECT_EQ(GetProcessorCount(), 1);

    RestartGraphWorkers(0);
    EXPECT_EQ(GetProcessorCount(), SystemProcessorCount());
}

// A job of C waits for graph D, which has two parts.
struct DeferralCase : GraphWorkerPool {
    GraphWithJobs c{"C", 1, &log};
    GraphWithJobs d{"D", 2, &log};

    // C's job is offered, deferred, re-offered after D's first part and
    // deferred again.
    void DeferTwice()
    {
        RestartGraphWorkers(1);
        c[0].dependency = &d.graph;
        EnqueueGraphJob(&c[0]);
        EnqueueGraphJob(&d[0]);
        ASSERT_TRUE(WaitUntil([&] { return d.graph.completeAsked.load() == 2; }));
        WaitForGraphJob(&d[0]);
    }
};

TEST_F(DeferralCase, DeferredJobIsReofferedAfterEachPartAndRunsOnceComplete)
{
    DeferTwice();
    // No further part of D: C stays deferred.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(c[0].state.load(), GraphJobQueued);
    EXPECT_EQ(d.graph.completeAsked.load(), 2);

    EnqueueGraphJob(&d[1]);
    WaitForGraphJob(&c[0]);
    EXPECT_EQ(c[0].state.load(), GraphJobDone);
    EXPECT_EQ(d.graph.completeAsked.load(), 3);
    EXPECT_EQ(log.Entries(), Runs({"D 0", "D 1", "C 0"}));
}

TEST_F(DeferralCase, CancelRemovesADeferredJob)
{
    DeferTwice();
    CancelGraphJobs(&c.graph);
    EXPECT_EQ(c[0].state.load(), GraphJobStopped);
    EnqueueGraphJob(&d[1]);
    WaitForGraphJob(&d[1]);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(log.Entries(), Runs({"D 0", "D 1"}));
    EXPECT_EQ(c[0].state.load(), GraphJobStopped);
}

TEST_F(GraphWorkerPool, CancelTakesOneGraphOutOfBothQueues)
{
    RestartGraphWorkers(1);
    GraphWithJobs a("A", 3, &log);
    GraphWithJobs b("B", 3, &log);
    GraphWithJobs d("D", 1, &log);
    // A 0 and B 0 wait for D in the deferred queue.
    a[0].dependency = &d.graph;
    b[0].dependency = &d.graph;
    EnqueueGraphJob(&a[0]);
    EnqueueGraphJob(&b[0]);
    ASSERT_TRUE(WaitUntil([&] { return d.graph.completeAsked.load() == 2; }));
    HoldTheOnlyWorker();
    for (int32_t i = 1; i < 3; ++i) {
        EnqueueGraphJob(&a[i]);
        EnqueueGraphJob(&b[i]);
    }

    CancelGraphJobs(&a.graph);
    const auto start = std::chrono::steady_clock::now();
    for (int32_t i = 0; i < 3; ++i) {
        EXPECT_EQ(a[i].state.load(), GraphJobStopped);
        WaitForGraphJob(&a[i]);
    }
    EXPECT_LT(SecondsSince(start), 0.5);

    ReleaseWorker();
    WaitForGraphJob(&b[2]);
    EnqueueGraphJob(&d[0]);
    WaitForGraphJob(&b[0]);
    EXPECT_EQ(log.Entries(), Runs({"hold 0", "B 1", "B 2", "D 0", "B 0"}));
}

// The path every graph takes to stop, restart or go away, over and over,
// while parts run: stop flag, cancel, wait, free. The address sanitizer
// catches a job touched after its graph freed it.
TEST_F(GraphWorkerPool, StopCancelWaitFreeRepeated)
{
    RestartGraphWorkers(4);
    for (int round = 0; round < 300; ++round) {
        auto graph = std::make_unique<GraphWithJobs>("g", 8);
        const bool held = round % 2 == 0;
        graph->graph.held.store(held);
        EnqueueGraphJobs(graph->jobs, 8);
        // Now and then the stop comes while parts run for sure.
        if (held && round % 3 == 0) {
            EXPECT_TRUE(WaitUntil([&] { return graph->graph.running.load() > 0; }));
        }
        graph->Stop();
        for (int32_t i = 0; i < 8; ++i) {
            const int32_t state = (*graph)[i].state.load();
            EXPECT_TRUE(state == GraphJobDone || state == GraphJobStopped) << state;
        }
        EXPECT_EQ(graph->graph.running.load(), 0);
    }
}

TEST_F(GraphWorkerPool, RunningPartThatSeesItsStopEndsStopped)
{
    GraphWithJobs g("g", 1);
    g.graph.held.store(true);
    EnqueueGraphJob(&g[0]);
    ASSERT_TRUE(WaitUntil([&] { return g.graph.running.load() == 1; }));
    EXPECT_EQ(g[0].state.load(), GraphJobRunning);
    g.Stop();
    EXPECT_EQ(g[0].state.load(), GraphJobStopped);
}

TEST_F(GraphWorkerPool, QueuedJobsSurviveARestart)
{
    RestartGraphWorkers(1);
    HoldTheOnlyWorker();
    GraphWithJobs a("A", 2, &log);
    EnqueueGraphJobs(a.jobs, 2);
    // The stop waits for the running part; the queued ones wait for the
    // new workers.
    std::thread restart([] { RestartGraphWorkers(2); });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ReleaseWorker();
    restart.join();
    WaitForGraphJob(&a[0]);
    WaitForGraphJob(&a[1]);
    EXPECT_EQ(a[0].state.load(), GraphJobDone);
    EXPECT_EQ(a[1].state.load(), GraphJobDone);
}

}  // namespace
