#include "CoreUtilities/SingleJob.h"

#include "CoreUtilities/GraphWorkerPool.h"
#include "CoreUtilities/ThreadLocks.h"
#include "CoreUtilities/ThreadStorage.h"
#include "document/DocumentTask.h"
#include "graphs2d/A2DGraphView.h"
#include "support/StubPlot.h"
#include "support/WaitUntil.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

// A plot that answers a fixed hit, optionally after a while; a slow one
// gives up when it sees the overdue flag, as the interpreters do.
class FakePlot : public StubPlot {
public:
    FakePlot(int priority, bool hit, double seconds = 0.0) : priority_(priority), hit_(hit), seconds_(seconds) {}

    int GetHitPriority() override { return priority_; }

    bool HitTest(double x, double y) override
    {
        ++tests;
        seenX = x;
        seenY = y;
        onJobThread = IsSingleJobThread() && GetEvalFrame() != nullptr;
        const Clock::time_point start = Clock::now();
        while (SecondsSince(start) < seconds_) {
            if (SingleJobOverdue.load()) {
                overdueSeen = Clock::now();
                sawOverdue = true;
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return hit_;
    }

    // Touched only on the single-job thread while the poster waits.
    int tests = 0;
    double seenX = 0.0;
    double seenY = 0.0;
    bool onJobThread = false;
    bool sawOverdue = false;
    Clock::time_point overdueSeen{};

private:
    int priority_;
    bool hit_;
    double seconds_;
};

class SingleJob : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        RaiseEvalFrameSlots(GetEvalFrameSlots() + 1);
        StartWorkerThreads();
    }

    FakePlot* Add(int priority, bool hit, double seconds = 0.0)
    {
        auto* plot = new FakePlot(priority, hit, seconds);
        view.graphs.Push(plot);
        return plot;
    }

    A2DGraphView view;
};

TEST_F(SingleJob, HitTestPassesGoFromPointsToCurvesToFills)
{
    struct Case {
        std::vector<std::pair<int, bool>> plots;  // priority, hit
        int found;                                // -1 for none
    };
    const Case cases[] = {
        {{{HitPriorityLast, true}, {HitPriorityNext, true}, {HitPriorityFirst, true}}, 2},
        {{{HitPriorityFirst, true}, {HitPriorityNext, true}, {HitPriorityLast, true}}, 0},
        {{{HitPriorityLast, true}, {HitPriorityNext, true}}, 1},
        {{{HitPriorityNext, true}, {HitPriorityNext, true}}, 1},  // the last one drawn wins
        {{{HitPriorityLast, true}, {HitPriorityFirst, false}}, 0},
        {{{HitPriorityNext, false}, {HitPriorityFirst, false}}, -1},
        {{}, -1},
    };
    for (const Case& c : cases) {
        A2DGraphView v;
        for (auto [priority, hit] : c.plots)
            v.graphs.Push(new FakePlot(priority, hit));
        v.tracedGraph = -1;
        EXPECT_EQ(v.HitTestGraphs({0, 0}), c.found >= 0);
        EXPECT_EQ(v.tracedGraph, c.found);
    }
    // The points pass alone finds no curve.
    Add(HitPriorityNext, true);
    EXPECT_FALSE(view.HitTestPoints({0, 0}));
    Add(HitPriorityFirst, true);
    EXPECT_TRUE(view.HitTestPoints({0, 0}));
    EXPECT_EQ(view.tracedGraph, 1);
}

TEST_F(SingleJob, HitTestRunsOnTheJobThreadAtTheWorldPointOfThePixel)
{
    view.screenMapping.originX = 100.0;
    view.screenMapping.originY = 50.0;
    view.screenMapping.unitsPerPixelX = 0.5;
    view.screenMapping.unitsPerPixelY = 0.25;
    FakePlot* plot = Add(HitPriorityNext, true, 0.05);
    view.tracedGraph = 7;
    EXPECT_TRUE(view.HitTestOnJobThread({10, 20}));
    EXPECT_EQ(view.tracedGraph, 0);
    EXPECT_TRUE(plot->onJobThread);
    EXPECT_FALSE(IsSingleJobThread());
    EXPECT_DOUBLE_EQ(plot->seenX, -40.0);
    EXPECT_DOUBLE_EQ(plot->seenY, 10.0);
    EXPECT_FALSE(plot->sawOverdue);
    EXPECT_EQ(SingleJobOverdue.load(), 0);
    EXPECT_FALSE(view.HitTestPointsOnJobThread({10, 20}));
}

// Wake-ups of the poster before the job ends, from any cause, must not
// mark the job overdue.
TEST_F(SingleJob, WakeUpsBeforeTheEndDoNotMakeAJobOverdue)
{
    FakePlot* plot = Add(HitPriorityNext, true, 0.4);
    std::atomic<bool> posted{true};
    std::thread waker([&] {
        while (posted.load()) {
            {
                MutexLock hold(DoneMutex);
                pthread_cond_broadcast(&DoneCondition);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    });
    const bool hit = view.HitTestOnJobThread({0, 0});
    posted.store(false);
    waker.join();
    EXPECT_TRUE(hit);
    EXPECT_FALSE(plot->sawOverdue);
    EXPECT_EQ(SingleJobOverdue.load(), 0);
}

// A job meant to take 3 s: the flag goes up between one and two seconds
// after posting, the job gives up, its hit is void, and the flag goes down.
TEST_F(SingleJob, SlowJobIsMarkedOverdueAndItsResultIsVoid)
{
    FakePlot* plot = Add(HitPriorityNext, true, 3.0);
    view.tracedGraph = 5;
    const Clock::time_point posted = Clock::now();
    const bool hit = view.HitTestOnJobThread({0, 0});
    const double returned = SecondsSince(posted);
    ASSERT_TRUE(plot->sawOverdue);
    const double overdue = std::chrono::duration<double>(plot->overdueSeen - posted).count();
    EXPECT_GE(overdue, 1.0);
    EXPECT_LE(overdue, 2.3);  // room for a loaded machine
    EXPECT_LT(returned, 2.8);
    EXPECT_FALSE(hit);
    EXPECT_EQ(view.tracedGraph, 5);
    EXPECT_EQ(SingleJobOverdue.load(), 0);

    // The next job starts afresh.
    FakePlot* quick = Add(HitPriorityFirst, true);
    EXPECT_TRUE(view.HitTestPointsOnJobThread({0, 0}));
    EXPECT_EQ(view.tracedGraph, 1);
    EXPECT_FALSE(quick->sawOverdue);
}

}  // namespace
