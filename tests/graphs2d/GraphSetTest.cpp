#include "graphs2d/GraphSet.h"
#include "graphs2d/GraphSetViewSettings.h"

#include "document/DocState.h"
#include "document/DocumentViewSettings.h"

#include "graphmodel/A3DGraphView.h"
#include "graphmodel/A4DGraphView.h"
#include "graphmodel/AGraphColor.h"
#include "graphmodel/RenderContext.h"
#include "graphs2d/A2DGraphView.h"
#include "support/BudgetRefusal.h"
#include "support/FakeGraphServices.h"
#include "support/StubPlot.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

namespace {

std::vector<std::string> Log;

// Views that note what reaches them under the names the test gives them.
template <typename Base>
class Recording : public Base {
public:
    template <typename... Args>
    explicit Recording(Args... args) : Base(args...)
    {
    }
    std::string name;
    void Note(const std::string& what) { Log.push_back(name + " " + what); }
    void Zoom(int32_t code) override { Note("zoom " + std::to_string(code)); }
    bool MouseDown(const ViewMouseEvent&) override
    {
        Note("down");
        return true;
    }
    void MouseMove(int32_t, int32_t) override { Note("move"); }
    void MouseUp(ShortPoint) override { Note("up"); }
    void Draw(uint8_t) override { Note("draw"); }
};

GraphViewMakers RecordingMakers()
{
    GraphViewMakers makers;
    makers.make2D = []() -> A2DGraphView* { return new Recording<A2DGraphView>(); };
    makers.make3D = []() -> A3DGraphView* { return new Recording<A3DGraphView>(new RenderContext); };
    makers.make4D = []() -> A4DGraphView* { return new Recording<A4DGraphView>(new RenderContext); };
    return makers;
}

class RecordingPlot : public StubPlot {
public:
    explicit RecordingPlot(int* deaths = nullptr) : deaths_(deaths) {}
    ~RecordingPlot() override
    {
        if (deaths_)
            ++*deaths_;
    }
    std::vector<std::pair<int32_t, double>> options;
    std::vector<uint32_t> changed;
    bool complete = true;
    int32_t status = 0;
    int restarts = 0;

    void SetOption(int32_t code, double value) override { options.push_back({code, value}); }
    bool IsComplete() override { return complete; }
    int32_t GetStatus() override { return status; }
    void Restart() override { ++restarts; }
    void VariableChanged(uint32_t code) override { changed.push_back(code); }

private:
    int* deaths_;
};

struct PanelRow {
    int32_t slot;
    double min, max;
    bool operator==(const PanelRow&) const = default;
};
std::vector<PanelRow> PanelRows;
int PanelClears = 0;

class GraphSetTest : public testing::Test {
protected:
    void SetUp() override
    {
        Log.clear();
        PanelRows.clear();
        PanelClears = 0;
        GraphServices services = GetGraphServices();
        services.setRangePanelRow = [](DocState*, int32_t slot, double min, double max) {
            PanelRows.push_back({slot, min, max});
        };
        services.clearRangePanel = [](DocState*) { ++PanelClears; };
        SetGraphServices(services);
        SetGraphViewMakers(RecordingMakers());
        set_ = std::make_unique<GraphSet>(ShortRect{0, 0, 100, 201}, nullptr, &doc_);
        SetGraphViewMakers(GraphViewMakers{});
        const char* names[] = {"2D1", "2D2", "3D1", "3D2", "4D"};
        AGraphView* views[] = {set_->views2D[0], set_->views2D[1], set_->views3D[0], set_->views3D[1], set_->view4D};
        for (int i = 0; i < 5; ++i)
            Name(views[i], names[i]);
        Log.clear();
    }
    void TearDown() override { set_.reset(); }

    static void Name(AGraphView* view, const char* name)
    {
        if (auto* v = dynamic_cast<Recording<A2DGraphView>*>(view))
            v->name = name;
        if (auto* v = dynamic_cast<Recording<A3DGraphView>*>(view))
            v->name = name;
        if (auto* v = dynamic_cast<Recording<A4DGraphView>*>(view))
            v->name = name;
    }

    void Show(AGraphView* active, AGraphView* second)
    {
        set_->active = active;
        set_->second = second;
        set_->LayoutViews();
        Log.clear();
    }
    void ShowTwo2D() { Show(set_->views2D[0], set_->views2D[1]); }
    void ShowTwo3D() { Show(set_->views3D[0], set_->views3D[1]); }

    std::vector<std::string> Taken()
    {
        std::vector<std::string> taken;
        taken.swap(Log);
        return taken;
    }

    FakeGraphServices services_;
    DocState doc_;
    std::unique_ptr<GraphSet> set_;
};

bool SameRect(const ShortRect& a, const ShortRect& b)
{
    return a.top == b.top && a.left == b.left && a.bottom == b.bottom && a.right == b.right;
}

std::string Text(const ShortRect& r)
{
    return std::to_string(r.top) + "," + std::to_string(r.left) + "," + std::to_string(r.bottom) + "," +
           std::to_string(r.right);
}

// A file's 2D view settings reach the views and come back from them; a
// value that could not draw leaves that setting of the view as it was.
TEST_F(GraphSetTest, ViewSettingsGoToTheTwoDimensionalViewsAndBack)
{
    doc_.Graphs = set_.get();
    RegisterViewSettingsHooks();
    DocumentViewSettings read;
    read.view2D[1].xMin = -5;
    read.view2D[1].yMin = 3;
    read.view2D[1].unitsX = 1;
    read.view2D[1].tickKindX = TickKind5;
    read.view2D[1].showGraphPaper = 0;
    read.view2D[0].unitsY = std::nan("");
    read.view2D[0].xMin = 7;
    read.view3D[0].zoom = 3;
    ASSERT_EQ(read.view2D[1].pictures.Push(PlacedPictureRecord{AllocPictureHandle(ShortRect{0, 0, 4, 4}), 1, 2}), 0);
    ApplyViewSettings(&doc_, &read);
    EXPECT_EQ(read.view2D[1].pictures.count, 0);
    const A2DGraphView& second = *set_->views2D[1];
    ASSERT_EQ(second.pictures.entries.count, 1);
    EXPECT_EQ(second.pictures.entries[0].y, 2);
    EXPECT_EQ(second.xMin, -5);
    EXPECT_EQ(second.yMin, 3);
    EXPECT_EQ(second.unitsX, 1);
    EXPECT_EQ(second.tickKindX, TickKind5);
    EXPECT_EQ(second.showGraphPaper, 0);
    EXPECT_EQ(set_->views2D[0]->xMin, 7);
    EXPECT_EQ(set_->views2D[0]->unitsY, 0.25);

    set_->views2D[0]->showAxes = 0;
    DocumentViewSettings written;
    GetViewSettings(&doc_, &written);
    EXPECT_EQ(written.view2D[1].xMin, -5);
    EXPECT_EQ(written.view2D[1].unitsX, 1);
    EXPECT_EQ(written.view2D[0].showAxes, 0);
    EXPECT_EQ(written.view2D[0].unitsY, 0.25);
    EXPECT_EQ(written.view3D[0].zoom, 3);
    // The written list borrows the view's picture.
    ASSERT_EQ(written.view2D[1].pictures.count, 1);
    EXPECT_EQ(written.view2D[1].pictures[0].picture, second.pictures.entries[0].picture);
    written.view2D[1].pictures = GrowArray<PlacedPictureRecord>{};

    GetDocumentViewHooks() = DocumentViewHooks{};
    ResetKeptViewSettings();
    doc_.Graphs = nullptr;
}

// The 3D views take the file's box, camera and spin; a box side with no
// room, a matrix that is not a rotation or a zero spin axis leave the
// view's own. The shown views decide which settings are written.
TEST_F(GraphSetTest, ViewSettingsGoToTheThreeDimensionalViewsAndBack)
{
    doc_.Graphs = set_.get();
    RegisterViewSettingsHooks();
    DocumentViewSettings read;
    View3DSettings& first = read.view3D[0];
    first.box[0] = {-1, 3};
    first.box[1] = {2, 2};
    first.t = {0, 5};
    first.showAxes = 0;
    const double turn[9] = {0, 1, 0, -1, 0, 0, 0, 0, 1};
    std::copy(turn, turn + 9, first.rotation);
    first.spinSpeed = 0.5;
    first.spinAxis[0] = 2, first.spinAxis[1] = 0, first.spinAxis[2] = 0;
    View3DSettings& other = read.view3D[1];
    std::fill(other.rotation, other.rotation + 9, 2.0);
    other.spinAxis[0] = other.spinAxis[1] = other.spinAxis[2] = 0;
    other.zoom = -1;
    ApplyViewSettings(&doc_, &read);

    const A3DGraphView& a = *set_->views3D[0];
    EXPECT_EQ(a.xMin, -1);
    EXPECT_EQ(a.xMax, 3);
    EXPECT_EQ(a.yMin, -2);
    EXPECT_EQ(a.tMax, 5);
    EXPECT_EQ(a.showAxes, 0);
    EXPECT_EQ(a.rotation[0][1], 1);
    EXPECT_EQ(a.spinSpeed, 0.5);
    EXPECT_EQ(a.spinAxis[0], 2);
    const A3DGraphView& b = *set_->views3D[1];
    EXPECT_EQ(b.zoom, 1.7330909743);
    EXPECT_NEAR(b.rotation[2][2], 0.86602540378443871, 1e-15);
    EXPECT_EQ(b.spinAxis[2], -1);

    ShowTwo3D();
    set_->equationGraphs.Push(EquationGraphs{});
    DocumentViewSettings written;
    GetViewSettings(&doc_, &written);
    EXPECT_EQ(written.active, ActiveFirst3D);
    EXPECT_EQ(written.second, SecondView3DShown);
    EXPECT_EQ(written.view3D[0].box[0].maximum, 3);
    EXPECT_EQ(written.view3D[0].rotation[1], 1);
    set_->equationGraphs.count = 0;

    GetDocumentViewHooks() = DocumentViewHooks{};
    ResetKeptViewSettings();
    doc_.Graphs = nullptr;
}

TEST_F(GraphSetTest, TwoViewsSplitThePaneWithATwelvePixelGap)
{
    struct Case {
        ShortRect layout;
        ShortRect active, second;
    };
    const Case cases[] = {
        // Odd width: the left view is the wider by one pixel.
        {{0, 0, 100, 201}, {8, 8, 90, 95}, {8, 107, 90, 193}},
        {{0, 0, 100, 200}, {8, 8, 90, 94}, {8, 106, 90, 192}},
        {{20, 10, 120, 211}, {28, 18, 110, 105}, {28, 117, 110, 203}},
        // Nothing to split: empty rectangles, never inverted.
        {{0, 50, 100, 50}, {8, 58, 90, 58}, {8, 56, 90, 56}},
        {{50, 0, 50, 200}, {40, 8, 40, 94}, {40, 106, 40, 192}},
        {{0, 0, 0, 0}, {-10, 8, -10, 8}, {-10, 6, -10, 6}},
    };
    for (bool threeD : {false, true}) {
        AGraphView* a = threeD ? static_cast<AGraphView*>(set_->views3D[0]) : set_->views2D[0];
        AGraphView* b = threeD ? static_cast<AGraphView*>(set_->views3D[1]) : set_->views2D[1];
        set_->active = a;
        set_->second = b;
        for (const Case& c : cases) {
            set_->SetLayoutRect(c.layout);
            EXPECT_TRUE(SameRect(a->rect, c.active)) << Text(c.layout) << " active " << Text(a->rect);
            EXPECT_TRUE(SameRect(b->rect, c.second)) << Text(c.layout) << " second " << Text(b->rect);
            EXPECT_TRUE(SameRect(set_->view4D->rect, c.layout));
            if (c.layout.right - c.layout.left > 16) {
                EXPECT_EQ(b->rect.left - a->rect.right, 12);
            }
        }
    }
    // One view fills the pane.
    Show(set_->views2D[0], nullptr);
    set_->SetLayoutRect(ShortRect{5, 6, 70, 81});
    for (AGraphView* v : {static_cast<AGraphView*>(set_->views2D[0]), static_cast<AGraphView*>(set_->views2D[1]),
                          static_cast<AGraphView*>(set_->views3D[0])})
        EXPECT_TRUE(SameRect(v->rect, ShortRect{5, 6, 70, 81}));
    ShortRect r;
    set_->GetViewRect(r, WhichSecond);
    EXPECT_TRUE(SameRect(r, ShortRect{5, 6, 70, 81}));
}

TEST_F(GraphSetTest, ZoomReachesTheShownViewsOrAllFive)
{
    using Expect = std::vector<std::string>;
    const Expect all6 = {"2D1 zoom 6", "2D2 zoom 6", "3D1 zoom 6", "3D2 zoom 6", "4D zoom 6"};
    ShowTwo2D();
    set_->Zoom(6, WhichBoth);
    EXPECT_EQ(Taken(), all6);
    set_->Zoom(0, WhichBoth);
    EXPECT_EQ(Taken(), (Expect{"2D1 zoom 0", "2D2 zoom 0"}));
    set_->Zoom(3, WhichActive);
    EXPECT_EQ(Taken(), (Expect{"2D1 zoom 3"}));
    set_->Zoom(4, WhichSecond);
    EXPECT_EQ(Taken(), (Expect{"2D2 zoom 4"}));
    set_->SetViewCodes(7);
    EXPECT_EQ(Taken().size(), 5u);

    ShowTwo3D();
    set_->Zoom(5, WhichBoth);
    EXPECT_EQ(Taken(), (Expect{"3D1 zoom 5", "3D2 zoom 5"}));

    Show(set_->views2D[0], nullptr);
    set_->Zoom(0, WhichBoth);
    EXPECT_EQ(Taken(), (Expect{"2D1 zoom 0"}));
    set_->Zoom(1, WhichSecond);
    EXPECT_TRUE(Taken().empty());
    set_->Zoom(6, WhichBoth);
    EXPECT_EQ(Taken(), all6);

    // Every zoom leaves graph work; all but the new-document reset are edits.
    services_.modified = 0;
    services_.workPending = 0;
    set_->Zoom(0, WhichBoth);
    set_->Zoom(7, WhichBoth);
    EXPECT_EQ(services_.modified, 1);
    EXPECT_EQ(services_.workPending, 2);
}

TEST_F(GraphSetTest, PressGoesToTheViewUnderItAndNothingElseIsCaptured)
{
    using Expect = std::vector<std::string>;
    ShowTwo2D();
    auto press = [&](int v, int h) { return set_->MouseDown(ViewMouseEvent{{int16_t(v), int16_t(h)}, 0, 0, 0, 0, 0}); };

    // Without a capture, moves and releases go nowhere.
    set_->MouseMove(3, 4);
    set_->MouseUp(ShortPoint{4, 3});
    EXPECT_TRUE(Taken().empty());

    EXPECT_TRUE(press(50, 50));
    EXPECT_EQ(set_->captured, set_->views2D[0]);
    set_->MouseMove(51, 60);
    set_->MouseUp(ShortPoint{60, 51});
    EXPECT_EQ(set_->captured, nullptr);
    EXPECT_EQ(Taken(), (Expect{"2D1 down", "2D1 move", "2D1 up"}));

    // The gap between the views, and below them: no view takes the press.
    for (auto [v, h] : {std::pair{50, 100}, std::pair{50, 95}, std::pair{50, 106}, std::pair{95, 50},
                        std::pair{4, 150}}) {
        EXPECT_FALSE(press(v, h)) << v << "," << h;
        EXPECT_EQ(set_->captured, nullptr);
    }
    EXPECT_TRUE(Taken().empty());

    EXPECT_TRUE(press(50, 107));
    EXPECT_EQ(set_->captured, set_->views2D[1]);
    set_->MouseUp(ShortPoint{50, 107});
    EXPECT_EQ(Taken(), (Expect{"2D2 down", "2D2 up"}));

    // Alone, the active view takes every press, inside it or not.
    Show(set_->views2D[0], nullptr);
    EXPECT_TRUE(press(150, 300));
    EXPECT_EQ(Taken(), (Expect{"2D1 down"}));
}

TEST_F(GraphSetTest, DrawingPartsSelectTheViews)
{
    using Expect = std::vector<std::string>;
    struct Case {
        int part;
        Expect drawn;
    };
    ShowTwo2D();
    for (const Case& c : {Case{0, {"2D1 draw"}}, Case{1, {"2D2 draw"}}, Case{3, {"2D1 draw", "2D2 draw"}},
                          Case{4, {}}, Case{9, {}}, Case{2, {}}}) {
        // Part 2 with two views needs the pane's device context; without a
        // port it gives up.
        set_->Draw(c.part, 1);
        EXPECT_EQ(Taken(), c.drawn) << c.part;
    }
    ShowTwo3D();
    for (const Case& c : {Case{4, {"3D1 draw", "3D2 draw"}}, Case{5, {}}, Case{3, {}}, Case{1, {"3D2 draw"}}}) {
        set_->Draw(c.part, 1);
        EXPECT_EQ(Taken(), c.drawn) << c.part;
    }
    Show(set_->view4D, nullptr);
    for (const Case& c : {Case{1, {"4D draw"}}, Case{2, {"4D draw"}}, Case{4, {"4D draw"}}, Case{9, {"4D draw"}}}) {
        set_->Draw(c.part, 1);
        EXPECT_EQ(Taken(), c.drawn) << c.part;
    }
    EXPECT_TRUE(set_->Shows4DView());
    EXPECT_TRUE(set_->Shows3DOr4DView());
    EXPECT_FALSE(set_->Shows2DView());
}

// A row with all four pairs: the main graph and its companion in the 2D
// views, two further companions in the 3D views.
class EquationTableTest : public GraphSetTest {
protected:
    void SetUp() override
    {
        GraphSetTest::SetUp();
        for (RecordingPlot*& p : plots_)
            p = new RecordingPlot(&deaths_);
        ASSERT_EQ(set_->AddGraph2D(plots_[0], 0), 0);
        ASSERT_EQ(set_->AddCompanion2D(plots_[1]), 0);
        ASSERT_EQ(set_->views3D[0]->graphs.Push(plots_[2]), 0);
        ASSERT_EQ(set_->views3D[1]->graphs.Push(plots_[3]), 0);
        set_->equationGraphs[0].pair[2] = GraphRef{set_->views3D[0], 0};
        set_->equationGraphs[0].pair[3] = GraphRef{set_->views3D[1], 0};
    }

    std::vector<double> LastOptions(int32_t code)
    {
        std::vector<double> values;
        for (RecordingPlot* p : plots_) {
            double last = -1;
            for (auto [c, v] : p->options) {
                if (c == code)
                    last = v;
            }
            values.push_back(last);
        }
        return values;
    }

    RecordingPlot* plots_[4] = {};
    int deaths_ = 0;
};

TEST_F(EquationTableTest, LineStylesReachEveryPairAndCompanionsStayDarkGrey)
{
    using Values = std::vector<double>;
    set_->SetEquationOption(0, OptionColor, 3);
    EXPECT_EQ(LastOptions(OptionColor), (Values{3, 3, 8, 8}));
    set_->SetEquationOption(0, OptionColor, 17);
    EXPECT_EQ(LastOptions(OptionColor), (Values{17, 17, 17, 17}));
    set_->SetEquationOption(0, OptionOpacity, 0.7);
    EXPECT_EQ(LastOptions(OptionOpacity), (Values{0.7, 0.7, 0.7, 0.7}));
    // Rows that do not exist reach nothing.
    for (int32_t i : {-1, 1, 1000})
        set_->SetEquationOption(i, OptionOpacity, 1);
    EXPECT_EQ(LastOptions(OptionOpacity), (Values{0.7, 0.7, 0.7, 0.7}));
}

TEST_F(EquationTableTest, QueriesAnswerForTheMainGraphAndDefaultOutsideTheTable)
{
    plots_[0]->status = 4;
    plots_[0]->complete = false;
    EXPECT_EQ(set_->GetEquationStatus(0), 4);
    EXPECT_FALSE(set_->IsEquationComplete(0));
    EXPECT_TRUE(set_->EquationHasResolution(0));
    for (int32_t i : {-1, 1, 99}) {
        EXPECT_EQ(set_->GetEquationStatus(i), 0);
        EXPECT_TRUE(set_->IsEquationComplete(i));
        EXPECT_FALSE(set_->EquationHasResolution(i));
    }
    const int32_t rows[] = {-1, 0};
    EXPECT_TRUE(set_->EquationHasResolution(rows, 2));
    EXPECT_FALSE(set_->EquationHasResolution(rows, 1));

    // A line's main graph: exactly one row, shown in the first 2D view.
    auto* spaceGraph = new RecordingPlot(&deaths_);
    ASSERT_EQ(set_->AddGraph3D(spaceGraph, 0), 0);
    GrowArray<int32_t> line;
    line.Push(0);
    EXPECT_TRUE(set_->IsLineMainGraph(&line, plots_[0]));
    EXPECT_FALSE(set_->IsLineMainGraph(&line, plots_[1]));
    EXPECT_FALSE(set_->IsLineMainGraph(nullptr, plots_[0]));
    line.Push(1);
    EXPECT_FALSE(set_->IsLineMainGraph(&line, plots_[0]));
    line.Clear();
    line.Push(1);
    EXPECT_FALSE(set_->IsLineMainGraph(&line, spaceGraph));
    line.Clear();
    line.Push(7);
    EXPECT_FALSE(set_->IsLineMainGraph(&line, plots_[0]));
    line.Clear();
}

TEST_F(EquationTableTest, RefusedMemoryAddsNoRowAndClearingDeletesEveryGraph)
{
    {
        // Fill the view's list to its capacity so that the next graph needs
        // more memory.
        A2DGraphView* view = set_->views2D[0];
        std::vector<RecordingPlot*> fillers;
        while (view->graphs.count < view->graphs.capacity) {
            fillers.push_back(new RecordingPlot(&deaths_));
            view->graphs.Push(fillers.back());
        }
        RecordingPlot refused;
        BudgetRefusal refusal;
        EXPECT_EQ(set_->AddGraph2D(&refused, 0), 1);
        EXPECT_EQ(set_->equationGraphs.count, 1);
        EXPECT_EQ(view->graphs[view->graphs.count - 1], fillers.back());
    }
    // A companion needs a row to belong to.
    set_->ClearAllGraphs();
    EXPECT_EQ(deaths_, 4 + 15);
    EXPECT_EQ(set_->equationGraphs.count, 0);
    EXPECT_EQ(PanelClears, 1);
    for (AGraphView* v : {static_cast<AGraphView*>(set_->views2D[0]), static_cast<AGraphView*>(set_->views3D[1])})
        EXPECT_TRUE(v->IsEmpty());
    RecordingPlot orphan;
    EXPECT_EQ(set_->AddCompanion2D(&orphan), 1);
    EXPECT_TRUE(set_->views2D[1]->IsEmpty());
}

TEST_F(EquationTableTest, VariableChangesReachEveryGraphAndClearTraces)
{
    set_->views2D[0]->trace.kind = 2;
    set_->AllVariableChanged(42);
    for (RecordingPlot* p : plots_)
        EXPECT_EQ(p->changed, std::vector<uint32_t>{42});
    EXPECT_EQ(set_->views2D[0]->trace.kind, TraceNothing);
}

TEST_F(GraphSetTest, RangeSlotsReachEveryHolder)
{
    GraphSet& s = *set_;
    s.SetRangeValue(10, true, 3);
    for (double tMax : {s.views2D[0]->tMax, s.views2D[1]->tMax, s.views3D[0]->tMax, s.views3D[1]->tMax,
                        s.view4D->tMax})
        EXPECT_EQ(tMax, 3);
    s.SetRangeValue(7, false, 0.5);
    EXPECT_EQ(s.views2D[1]->rMin, 0.5);
    EXPECT_EQ(s.views3D[1]->rMin, 0.5);
    s.SetRangeValue(9, true, 1);
    EXPECT_EQ(s.views3D[1]->phiMax, 1);
    s.SetRangeValue(5, false, -9);
    EXPECT_EQ(s.views3D[1]->yMin, -9);
    EXPECT_EQ(s.views3D[0]->yMin, -2);

    s.ReportRange(10);
    s.ReportRange(3);
    s.ReportRange(13);
    s.ReportRange(-1);
    EXPECT_EQ(PanelRows, (std::vector<PanelRow>{{10, 0, 3}, {3, 0, 0}, {13, 0, 0}, {-1, 0, 0}}));

    // Slot 3 has a range only in the 4D view, and slots 0-3 are then its.
    s.SetRangeValue(3, false, 5);
    EXPECT_EQ(s.view4D->wMin, -2);
    Show(s.view4D, nullptr);
    s.SetRangeValue(3, false, 5);
    s.SetRangeValue(0, true, 9);
    EXPECT_EQ(s.view4D->wMin, 5);
    EXPECT_EQ(s.view4D->xMax, 9);
    EXPECT_EQ(s.views3D[0]->xMax, 2);

    PanelRows.clear();
    s.MarkBoxRangesUsed(true);
    s.MarkRangeUsed(10);
    s.Mark4DRangesUsed();
    s.MarkRangeUsed(13);
    s.ReportUsedRanges();
    EXPECT_EQ(PanelRows, (std::vector<PanelRow>{
                             {0, -2, 9}, {1, -2, 2}, {2, -2, 2}, {3, 5, 2}, {4, -2, 2}, {5, -9, 2}, {6, -2, 2},
                             {10, 0, 3}}));
}

TEST_F(GraphSetTest, SpinFramesKeepTheDirection)
{
    GraphSet& s = *set_;
    const double pi = M_PI;
    ShowTwo3D();
    s.second = nullptr;
    double& speed = s.views3D[0]->spinSpeed;
    struct Case {
        double speed;
        int32_t frames, count;
        double step;
    };
    const Case cases[] = {
        {0.01, 0, 200, 0.01 * pi},
        {-0.01, 0, 200, -0.01 * pi},
        {0.8, 30, 30, 2 * pi / 30},
        {-0.8, 30, 30, -2 * pi / 30},
        {0.8, 0, 118, 0.8 / 15},
        {-0.8, 0, 118, -0.8 / 15},
        {0, 0, 0, 0},
        {0, 30, 30, 0},
    };
    for (const Case& c : cases) {
        speed = c.speed;
        EXPECT_EQ(s.SetSpinFrames(c.frames), c.count) << c.speed << " " << c.frames;
        EXPECT_DOUBLE_EQ(speed, c.step) << c.speed << " " << c.frames;
    }

    // The second view takes the count the first gave.
    ShowTwo3D();
    s.views3D[0]->spinSpeed = 0.8;
    s.views3D[1]->spinSpeed = -0.4;
    EXPECT_EQ(s.SetSpinFrames(0), 118);
    EXPECT_DOUBLE_EQ(s.views3D[1]->spinSpeed, -2 * pi / 118);

    Show(s.view4D, nullptr);
    s.view4D->spinStep1 = 0.01;
    s.view4D->spinStep2 = -0.02;
    EXPECT_EQ(s.SetSpinFrames(0), 200);
    EXPECT_DOUBLE_EQ(s.view4D->spinStep1, 0.01 * pi);
    EXPECT_DOUBLE_EQ(s.view4D->spinStep2, -0.01 * pi);
    s.view4D->spinStep1 = 0.8;
    s.view4D->spinStep2 = 0.4;
    EXPECT_EQ(s.SetSpinFrames(0), 118);
    EXPECT_DOUBLE_EQ(s.view4D->spinStep2, 0.4 / 15);

    Show(s.views2D[0], nullptr);
    EXPECT_EQ(s.SetSpinFrames(0), 0);
    EXPECT_EQ(s.SetSpinFrames(25), 25);
}

TEST_F(GraphSetTest, MeshesUploadOnlyForCompleteViewsUnlessForced)
{
    ShowTwo3D();
    auto* busy = new RecordingPlot;
    auto* done = new RecordingPlot;
    busy->complete = false;
    set_->views3D[0]->graphs.Push(busy);
    set_->views3D[1]->graphs.Push(done);
    using Options = std::vector<std::pair<int32_t, double>>;
    EXPECT_FALSE(set_->WaitAndUploadMeshes(0, false));
    EXPECT_TRUE(busy->options.empty());
    EXPECT_EQ(done->options, (Options{{5, 0}, {6, 0}}));
    EXPECT_FALSE(set_->WaitAndUploadMeshes(1, true));
    EXPECT_EQ(busy->options, (Options{{5, 0}, {6, 0}}));
    EXPECT_TRUE(set_->IsBusy());
    busy->complete = true;
    set_->views3D[0]->spinSpeed = set_->views3D[1]->spinSpeed = 0;
    EXPECT_TRUE(set_->WaitAndUploadMeshes(0, false));
    EXPECT_FALSE(set_->IsBusy());
}

TEST_F(GraphSetTest, RenderModeBelongsToTheShownSpaceViews)
{
    Show(set_->views2D[0], nullptr);
    EXPECT_EQ(set_->SetRenderMode(2), 2);
    EXPECT_EQ(set_->GetRenderMode(), 0);
    EXPECT_EQ(set_->views3D[0]->context->GetRequestedMode(), RenderModeAutomatic);
    ShowTwo3D();
    EXPECT_EQ(set_->SetRenderMode(1), RenderModeAutomatic);
    EXPECT_EQ(set_->GetRenderMode(), 1);
    EXPECT_EQ(set_->views3D[1]->context->GetRequestedMode(), 1);
    EXPECT_EQ(set_->view4D->context->GetRequestedMode(), RenderModeAutomatic);
    EXPECT_FALSE(set_->AnyShownViewSoftware());
}

TEST_F(GraphSetTest, ViewsTakeOverTheOtherViewsRanges)
{
    GraphSet& s = *set_;
    ShowTwo2D();
    auto* plot = new RecordingPlot;
    s.views2D[0]->graphs.Push(plot);
    s.views2D[1]->unitsX = 0.5;
    s.views2D[1]->xMin = -7;
    s.views2D[1]->tMax = 9;
    s.views2D[1]->tickKindY = TickKind5;
    s.CopyOtherRange(0);
    EXPECT_EQ(s.views2D[0]->unitsX, 0.5);
    EXPECT_EQ(s.views2D[0]->xMin, -7);
    EXPECT_EQ(s.views2D[0]->tMax, 9);
    EXPECT_EQ(s.views2D[0]->tickKindY, TickKind5);
    EXPECT_EQ(plot->restarts, 1);

    ShowTwo3D();
    auto* space = new RecordingPlot;
    s.views3D[1]->graphs.Push(space);
    s.views3D[0]->spinSpeed = 0.25;
    s.CopyOtherRange(1);
    EXPECT_EQ(space->restarts, 0);
    EXPECT_EQ(s.views3D[1]->spinSpeed, 0.25);
    s.views3D[0]->phiMax = 1;
    s.CopyOtherRange(1);
    EXPECT_EQ(space->restarts, 1);
    EXPECT_EQ(s.views3D[1]->phiMax, 1);
}

TEST_F(GraphSetTest, PicturesGoOnlyToAShownTwoDimensionalView)
{
    PictureHandle picture = NewPictureHandle(ShortRect{0, 0, 4, 4});
    ASSERT_NE(picture, nullptr);
    ShowTwo2D();
    ShortRect r;
    EXPECT_TRUE(set_->IsViewShown(SecondView2D, &r));
    EXPECT_TRUE(SameRect(r, set_->views2D[1]->rect));
    set_->DropPicture(SecondView2D, picture, ShortPoint{50, 150});
    set_->DropPicture(FirstView2D, picture, ShortPoint{50, 150});
    EXPECT_EQ(set_->views2D[1]->pictures.entries.count, 1);
    EXPECT_EQ(set_->views2D[0]->pictures.entries.count, 0);
    ShowTwo3D();
    EXPECT_FALSE(set_->IsViewShown(FirstView2D, &r));
    set_->DropPicture(FirstView2D, picture, ShortPoint{50, 50});
    EXPECT_EQ(set_->views2D[0]->pictures.entries.count, 0);
    FreeGlobalHandle(picture);
}

TEST(GraphSetMaking, AViewThatCannotBeMadeLeavesNone)
{
    static int made = 0;
    made = 0;
    GraphViewMakers makers;
    makers.make3D = []() -> A3DGraphView* {
        // The second 3D view is refused.
        return ++made == 2 ? nullptr : new A3DGraphView(new RenderContext);
    };
    SetGraphViewMakers(makers);
    EXPECT_EQ(NewGraphSet(ShortRect{0, 0, 10, 10}, nullptr, nullptr), nullptr);
    SetGraphViewMakers(GraphViewMakers{});
    GraphSet* plain = NewGraphSet(ShortRect{0, 0, 10, 10}, nullptr, nullptr);
    ASSERT_NE(plain, nullptr);
    EXPECT_EQ(plain->active, plain->views2D[0]);
    EXPECT_EQ(plain->second, nullptr);
    EXPECT_FALSE(plain->IsSpinning());
    delete plain;
}

}  // namespace
