#include "graphs2d/A2DGraph.h"

#include "CoreUtilities/GraphWorkerPool.h"
#include "document/DocumentTask.h"
#include "graphmodel/GraphServices.h"
#include "graphs2d/ImageCache.h"
#include "graphs2d/PlotJobs.h"
#include "graphs2d/ViewMapping.h"
#include "support/EvaluationFixture.h"
#include "support/FakeGraphServices.h"
#include "support/StubPlot.h"
#include "support/WaitUntil.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <thread>
#include <vector>

namespace {

// A plot computed in parts on the real pool. While held, a part waits until
// it is released or told to stop; a part may also run a formula, which only
// a stop of the formula ends.
class PartedPlot : public StubPlot {
public:
    PartedPlot(const ViewMapping* drawMapping, int32_t parts) : StubPlot(drawMapping), jobs(this, parts) {}
    ~PartedPlot() override { jobs.Stop(); }

    int32_t ComputeChunk(int32_t part) override
    {
        runs.fetch_add(1);
        running.fetch_add(1);
        while (hold.load() && !jobs.StopRequested())
            std::this_thread::yield();
        if (formula)
            formula->EvaluateAtXY(1, 0);
        running.fetch_sub(1);
        if (jobs.StopRequested())
            return GraphJobStopped;
        return jobs.FinishPart(part, mapping->doc);
    }
    bool IsComplete() override { return jobs.IsComplete(); }
    void Stop() override { jobs.Stop(); }
    void Restart() override
    {
        jobs.Stop();
        jobs.Start();
    }

    std::atomic<bool> hold{false};
    std::atomic<int> runs{0};
    std::atomic<int> running{0};
    CompiledFormula* formula = nullptr;
    PlotJobs jobs;
};

// A plot whose image is its slider value in every cell, filled by the
// parts, with the per-value image cache. It uses the slider variable n and
// the parameter a.
class CachedPlot : public StubPlot {
public:
    explicit CachedPlot(const ViewMapping* drawMapping) : StubPlot(drawMapping), jobs(this, 0)
    {
        cache.disabled = ShellIsBenchmarkRunning();
    }
    ~CachedPlot() override { jobs.Stop(); }

    int32_t ComputeChunk(int32_t part) override
    {
        const double value = mapping->doc->GetSliderValue();
        if (part == 0)
            computed[static_cast<int>(value)].fetch_add(1);
        for (int32_t cell = part; cell < kCells; cell += jobs.Parts())
            image[cell] = value;
        return jobs.FinishPart(part, mapping->doc);
    }
    bool IsComplete() override { return jobs.IsComplete(); }
    void Stop() override { jobs.Stop(); }
    void Restart() override
    {
        jobs.Stop();
        cache.Clear();
        std::fill(image, image + kCells, 0.0);
        jobs.Start();
    }
    void VariableChanged(uint32_t code) override
    {
        if (code != 'n' && code != 'a')
            return;
        DocState* doc = mapping->doc;
        if (code != doc->GetSliderVariable()) {
            Restart();
            return;
        }
        // Stopped first, so that no part writes over the image taken from
        // the cache.
        jobs.Stop();
        if (cache.Recall(doc->GetSliderValue(), image, sizeof image)) {
            jobs.MarkAllDone();
            DocRequestRedraw(doc);
            return;
        }
        std::fill(image, image + kCells, 0.0);
        jobs.Start();
    }
    void Draw() override
    {
        if (IsComplete())
            cache.Store(image, sizeof image);
    }

    static constexpr int32_t kCells = 64;
    double image[kCells] = {};
    std::atomic<int> computed[4] = {};
    ImageCache cache;
    PlotJobs jobs;
};

class PlotProtocol : public EvaluationTest {
protected:
    static void SetUpTestSuite() { StartWorkerThreads(); }

    void SetUp() override
    {
        EvaluationTest::SetUp();
        mapping.doc = &doc;
    }

    FakeGraphServices services;
    ViewMapping mapping;
};

TEST_F(PlotProtocol, OneAndManyPartsCompleteOnThePool)
{
    for (int32_t parts : {1, 0, 16}) {
        PartedPlot plot(&mapping, parts);
        EXPECT_FALSE(plot.IsComplete());
        FakeGraphServices::redraws = 0;
        plot.Restart();
        ASSERT_TRUE(WaitUntil([&] { return plot.IsComplete(); })) << parts;
        EXPECT_EQ(plot.runs.load(), plot.jobs.Parts());
        EXPECT_EQ(plot.jobs.Parts(), parts == 0 ? GetProcessorCount() : parts);
        // One redraw, when the last part is done.
        EXPECT_TRUE(WaitUntil([] { return FakeGraphServices::redraws.load() == 1; }));
        // A restart computes every part again.
        plot.Restart();
        ASSERT_TRUE(WaitUntil([&] { return plot.IsComplete(); }));
        EXPECT_EQ(plot.runs.load(), 2 * plot.jobs.Parts());
    }
}

TEST_F(PlotProtocol, AStopWhileQueuedMeansThePartNeverRuns)
{
    // Every worker held by a part of another plot.
    PartedPlot busy(&mapping, 0);
    busy.hold = true;
    busy.Restart();
    ASSERT_TRUE(WaitUntil([&] { return busy.running.load() == busy.jobs.Parts(); }));

    for (int32_t parts : {1, 0}) {
        PartedPlot waiting(&mapping, parts);
        waiting.Restart();
        waiting.Stop();
        EXPECT_FALSE(waiting.IsComplete());
        EXPECT_EQ(waiting.runs.load(), 0);
    }
    PartedPlot later(&mapping, 1);
    later.Restart();
    busy.hold = false;
    ASSERT_TRUE(WaitUntil([&] { return busy.IsComplete() && later.IsComplete(); }));
    EXPECT_EQ(later.runs.load(), 1);
}

TEST_F(PlotProtocol, AStopWhileRunningLeavesThePlotIncompleteUntilARestart)
{
    for (int32_t parts : {1, 3}) {
        PartedPlot plot(&mapping, parts);
        plot.hold = true;
        plot.Restart();
        ASSERT_TRUE(WaitUntil([&] { return plot.running.load() == parts; })) << parts;
        plot.Stop();
        // Stop returns once every part has answered.
        EXPECT_EQ(plot.running.load(), 0);
        EXPECT_FALSE(plot.IsComplete());
        plot.hold = false;
        plot.Restart();
        ASSERT_TRUE(WaitUntil([&] { return plot.IsComplete(); }));
        EXPECT_EQ(plot.runs.load(), 2 * parts);
    }
}

TEST_F(PlotProtocol, AStopEndsAPartInsideAFormula)
{
    // About 10^10 steps.
    CompiledFormula* endless = Compiled("(sum (sum (* j k x) (= k 1) 100000) (= j 1) 100000)");
    CompiledFormula* formulas[] = {endless};
    PartedPlot plot(&mapping, 1);
    plot.formula = endless;
    plot.jobs.SetFormulas(formulas, 1);
    plot.Restart();
    ASSERT_TRUE(WaitUntil([&] { return plot.running.load() == 1; }));
    plot.Stop();
    EXPECT_EQ(plot.running.load(), 0);
    EXPECT_FALSE(plot.IsComplete());
    EXPECT_TRUE(endless->IsStopRequested());
    // Starting again lowers the formula's stop request.
    plot.formula = nullptr;
    plot.Restart();
    EXPECT_FALSE(endless->IsStopRequested());
    ASSERT_TRUE(WaitUntil([&] { return plot.IsComplete(); }));
}

TEST_F(PlotProtocol, AnimationValuesSeenBeforeComeFromTheCache)
{
    CachedPlot plot(&mapping);
    auto show = [&](double value) {
        doc.SliderValue = value;
        plot.VariableChanged('n');
        EXPECT_TRUE(WaitUntil([&] { return plot.IsComplete(); }));
        plot.Draw();
        for (double cell : plot.image)
            EXPECT_EQ(cell, value);
    };
    show(1);
    show(2);
    show(1);
    EXPECT_EQ(plot.computed[1].load(), 1);
    EXPECT_EQ(plot.computed[2].load(), 1);
    EXPECT_EQ(plot.cache.Count(), 2);

    // Another variable: the cached images no longer match.
    plot.VariableChanged('a');
    EXPECT_EQ(plot.cache.Count(), 0);
    ASSERT_TRUE(WaitUntil([&] { return plot.IsComplete(); }));
    show(1);
    EXPECT_EQ(plot.computed[1].load(), 3);

    // A variable the plot does not use changes nothing.
    plot.VariableChanged('b');
    EXPECT_EQ(plot.cache.Count(), 1);
}

TEST_F(PlotProtocol, WithTheCacheOffEveryValueIsComputed)
{
    FakeGraphServices::benchmark = true;
    CachedPlot plot(&mapping);
    for (double value : {1.0, 2.0, 1.0}) {
        doc.SliderValue = value;
        plot.VariableChanged('n');
        ASSERT_TRUE(WaitUntil([&] { return plot.IsComplete(); }));
        plot.Draw();
    }
    EXPECT_EQ(plot.computed[1].load(), 2);
    EXPECT_EQ(plot.cache.Count(), 0);
}

TEST(ImageCache, LookupsAreByExactValue)
{
    ImageCache cache;
    const uint32_t image[4] = {1, 2, 3, 4};
    uint32_t out[4] = {};
    EXPECT_EQ(cache.Find(0.5), nullptr);
    EXPECT_FALSE(cache.Recall(0.5, out, sizeof out));
    EXPECT_TRUE(cache.storePending);
    cache.Store(image, sizeof image);
    EXPECT_FALSE(cache.storePending);
    EXPECT_NE(cache.Find(0.5), nullptr);
    EXPECT_EQ(cache.Find(0.5 + 1e-16), nullptr);
    EXPECT_TRUE(cache.Recall(0.5, out, sizeof out));
    EXPECT_EQ(out[3], 4u);
    // A block of another size is not copied, and caching stops.
    EXPECT_FALSE(cache.Recall(0.5, out, 8));
    EXPECT_TRUE(cache.disabled);
    cache.Clear();
    EXPECT_EQ(cache.Count(), 0);
}

}  // namespace
