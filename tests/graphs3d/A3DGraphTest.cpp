#include "graphs3d/A3DGraph.h"
#include "graphs3d/AllocateTriples.h"
#include "graphs3d/MeshPendingFlag.h"

#include "CoreUtilities/FailureRegister.h"
#include "CoreUtilities/GraphWorkerPool.h"
#include "CoreUtilities/MemoryBudget.h"
#include "graphmodel/GraphCodes.h"
#include "graphs2d/PlotJobs.h"
#include "support/BudgetRefusal.h"
#include "support/WaitUntil.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

// A graph of four parts that follows the 3D protocol: each part holds until
// released or told to stop; option 5 loads the finished "mesh" once.
class FakeGraph3D : public A3DGraph {
public:
    FakeGraph3D() : jobs(this, 4) { Start(); }
    ~FakeGraph3D() override { jobs.Stop(); }

    int32_t ComputeChunk(int32_t part) override
    {
        running.fetch_add(1);
        while (!released.load() && !jobs.StopRequested())
            std::this_thread::yield();
        running.fetch_sub(1);
        if (jobs.StopRequested()) {
            stopped.fetch_add(1);
            return GraphJobStopped;
        }
        return jobs.FinishPart(part, nullptr);
    }
    bool IsComplete() override { return jobs.IsComplete(); }
    int32_t GetStatus() override { return MessageNone; }
    void VariableChanged(uint32_t) override {}
    void SetOption(int32_t code, double) override
    {
        if (code == OptionUploadMesh && meshPending.TakeIfComplete(IsComplete()))
            ++loads;
    }
    void Restart() override
    {
        jobs.Stop();
        // Every part has returned: the results may be reset here.
        runningAtReset = running.load();
        stoppedAtReset = stopped.load();
        Start();
    }
    bool Draw() override { return true; }
    double GetExtent() override { return 0; }

    void Start()
    {
        meshPending.Arm();
        jobs.Start();
    }

    PlotJobs jobs;
    MeshPendingFlag meshPending;
    std::atomic<bool> released{false};
    std::atomic<int> running{0}, stopped{0};
    int runningAtReset = -1, stoppedAtReset = -1;
    int loads = 0;
};

class A3DGraphTest : public testing::Test {
protected:
    void SetUp() override
    {
        SetProcessorCountOverride(4);
        RestartGraphWorkers(4);
    }
    void TearDown() override { SetProcessorCountOverride(0); }
};

}  // namespace

TEST_F(A3DGraphTest, RestartWaitsForEveryRunningPartToStop)
{
    FakeGraph3D graph;
    ASSERT_TRUE(WaitUntil([&] { return graph.running.load() == 4; }));
    graph.Restart();
    EXPECT_EQ(graph.runningAtReset, 0);
    EXPECT_EQ(graph.stoppedAtReset, 4);
    EXPECT_FALSE(graph.IsComplete());

    // The restarted parts run again and finish when released.
    ASSERT_TRUE(WaitUntil([&] { return graph.running.load() == 4; }));
    graph.released = true;
    ASSERT_TRUE(WaitUntil([&] { return graph.IsComplete(); }));
}

TEST_F(A3DGraphTest, MeshLoadsOnceAndOnlyWhenComplete)
{
    FakeGraph3D graph;
    graph.SetOption(OptionUploadMesh, 0);
    EXPECT_EQ(graph.loads, 0);
    graph.released = true;
    ASSERT_TRUE(WaitUntil([&] { return graph.IsComplete(); }));
    graph.SetOption(OptionColor, 3);
    EXPECT_EQ(graph.loads, 0);
    graph.SetOption(OptionUploadMesh, 0);
    graph.SetOption(OptionUploadMesh, 0);
    EXPECT_EQ(graph.loads, 1);

    // A new computation loads its mesh once more.
    graph.Restart();
    ASSERT_TRUE(WaitUntil([&] { return graph.IsComplete(); }));
    graph.SetOption(OptionUploadMesh, 0);
    graph.SetOption(OptionUploadMesh, 0);
    EXPECT_EQ(graph.loads, 2);
}

TEST_F(A3DGraphTest, DefaultsOfTheBase)
{
    FakeGraph3D graph;
    graph.released = true;
    EXPECT_TRUE(graph.HasResolution());
    EXPECT_FALSE(graph.UsesGPUColorProgram());
    EXPECT_FALSE(graph.UsesHSVColorProgram());
    double bounds[6] = {7, 7, 7, 7, 7, 7};
    EXPECT_FALSE(graph.GetDataBounds(&bounds[0], &bounds[1], &bounds[2], &bounds[3], &bounds[4], &bounds[5]));
    for (double b : bounds)
        EXPECT_EQ(b, 7);
}

TEST_F(A3DGraphTest, TriplesComeFromTheBudget)
{
    ResetFailureRegister();
    float* triples = AllocateTriples(5, true);
    ASSERT_NE(triples, nullptr);
    for (int i = 0; i < 15; ++i)
        EXPECT_EQ(triples[i], 0.0f);
    BudgetFree(triples);
    EXPECT_EQ(AllocateTriples(0, true), nullptr);
    EXPECT_EQ(TakePendingFailure(), 0);

    // Too many for the budget's sizes, or a refusing budget: null and 36.
    EXPECT_EQ(AllocateTriples(int64_t(1) << 31, false), nullptr);
    EXPECT_EQ(TakePendingFailure(), 36);
    ResetFailureRegister();
    {
        BudgetRefusal refusal;
        EXPECT_EQ(AllocateTriples(10, false), nullptr);
    }
    EXPECT_EQ(TakePendingFailure(), 36);
    ResetFailureRegister();
}
