#include "graphmodel/AGraphView.h"

#include "graphmodel/AGraph.h"
#include "graphmodel/GraphCodes.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// A graph whose completeness, status and resolution a test sets; it counts
// its restarts and notes its destruction.
class FakeGraph : public AGraph {
public:
    explicit FakeGraph(int* deleted = nullptr) : deleted_(deleted) {}
    ~FakeGraph() override
    {
        if (deleted_)
            ++*deleted_;
    }

    int32_t ComputeChunk(int32_t) override { return 5; }
    bool IsComplete() override { return complete; }
    int32_t GetStatus() override { return status; }
    void VariableChanged(uint32_t) override {}
    void SetOption(int32_t code, double value) override
    {
        if (code == OptionColor)
            color = value;
    }
    void Restart() override { ++restarts; }
    bool HasResolution() override { return resolution; }

    bool complete = true;
    int32_t status = MessageNone;
    bool resolution = true;
    double color = 1;
    int restarts = 0;

private:
    int* deleted_;
};

// A view with nothing of its own: only the shared bodies are tested.
class BareView : public AGraphView {
public:
    void Draw(uint8_t) override {}
    void Resized() override {}
    void Zoom(int32_t) override {}
    void Scroll(int32_t, int32_t) override {}
    void SetGraphOption(int32_t code, double value, int32_t i) override { graphs[i]->SetOption(code, value); }
    void GetAxisHitRegion(Region, int32_t) override {}
    void GetGraphHitRegion(Region, int32_t, ShortPoint) override {}
    void GetPictureRegion(Region) override {}
    bool MouseDown(const ViewMouseEvent&) override { return false; }
    void MouseUp(ShortPoint) override {}
    void MouseMove(int32_t, int32_t) override {}
    bool CanExtendRangesToData() override { return false; }
    void ExtendRangesToData() override {}
    void SetViewOption(int32_t, double) override {}

    FakeGraph* Add()
    {
        auto* graph = new FakeGraph(&deleted);
        graphs.Push(graph);
        return graph;
    }

    int deleted = 0;
};

TEST(AGraphView, AnEmptyViewIsEmptyAndComplete)
{
    BareView view;
    EXPECT_TRUE(view.IsEmpty());
    EXPECT_TRUE(view.AreAllGraphsComplete());
    EXPECT_FALSE(view.GraphHasResolution(0));
    EXPECT_FALSE(view.IsSpinning());
    EXPECT_FALSE(view.HasOwnWindow());
    const ShortPoint origin = view.GetOrigin();
    EXPECT_EQ(origin.h, 0);
    EXPECT_EQ(origin.v, 0);
}

TEST(AGraphView, SharedBodiesAskTheGraphByNumber)
{
    BareView view;
    FakeGraph* first = view.Add();
    FakeGraph* second = view.Add();
    second->status = MessageCurveOutsideRegion;
    second->resolution = false;
    EXPECT_FALSE(view.IsEmpty());
    EXPECT_EQ(view.GetGraphStatus(0), MessageNone);
    EXPECT_EQ(view.GetGraphStatus(1), MessageCurveOutsideRegion);
    EXPECT_TRUE(view.AreAllGraphsComplete());
    first->complete = false;
    EXPECT_FALSE(view.IsGraphComplete(0));
    EXPECT_TRUE(view.IsGraphComplete(1));
    EXPECT_FALSE(view.AreAllGraphsComplete());

    // Graph numbers outside the list answer false, never reach a graph.
    const struct {
        int32_t i;
        bool answer;
    } cases[] = {{-1, false}, {0, true}, {1, false}, {2, false}, {-32768, false}};
    for (const auto& c : cases)
        EXPECT_EQ(view.GraphHasResolution(c.i), c.answer) << c.i;

    view.RestartAllGraphs();
    EXPECT_EQ(first->restarts, 1);
    EXPECT_EQ(second->restarts, 1);
}

TEST(AGraphView, OptionsAGraphDoesNotUseLeaveItUnchanged)
{
    BareView view;
    FakeGraph* graph = view.Add();
    view.SetGraphOption(OptionVectorLength, 1, 0);
    view.SetGraphOption(OptionResolution, 0.3, 0);
    EXPECT_EQ(graph->color, 1);
    view.SetGraphOption(OptionColor, 3, 0);
    EXPECT_EQ(graph->color, 3);
}

TEST(AGraphView, TheViewDeletesItsGraphsOnce)
{
    int deleted = 0;
    {
        BareView view;
        view.graphs.Push(new FakeGraph(&deleted));
        view.graphs.Push(new FakeGraph(&deleted));
        DeleteGraphs(view.graphs);
        EXPECT_EQ(deleted, 2);
        EXPECT_TRUE(view.IsEmpty());
        view.graphs.Push(new FakeGraph(&deleted));
    }
    EXPECT_EQ(deleted, 3);
}

}  // namespace
