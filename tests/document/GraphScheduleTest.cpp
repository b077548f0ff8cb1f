#include "CoreUtilities/Clock.h"
#include "CoreUtilities/CoopThread.h"
#include "CoreUtilities/ThreadStorage.h"
#include "document/DocState.h"
#include "document/DocumentGraphSet.h"
#include "document/DocumentHooks.h"
#include "document/DocumentServices.h"
#include "document/DocumentTask.h"
#include "document/GraphSchedule.h"
#include "formula/EditorState.h"
#include "graphmodel/GraphModelHooks.h"
#include "support/DocumentLines.h"
#include "support/FormulaReader.h"
#include "support/LinearText.h"
#include "support/TreeFixture.h"
#include "support/WaitUntil.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

// The clock the schedule reads, moved by the tests and the fake factory.
uint32_t FakeNow = 100000;
uint32_t FakeTicks()
{
    return FakeNow;
}

// The factory as the schedule sees it: notes each statement, spends the
// time it is told, and builds a row unless told to refuse with a reason.
struct FakeFactory {
    static inline std::vector<std::pair<int32_t, std::string>> calls;
    static inline uint32_t costMs = 0;
    static inline bool refuse = false;
    static inline int32_t rows = 0;
    static inline DocState* doc = nullptr;

    static int32_t Build(DocState* d, FormulaNode* statement, bool, bool, const TransformRecord*, double, double,
                         double, double, double, int32_t* message)
    {
        calls.emplace_back(d->buildingLine, LinearText(statement));
        FakeNow += costMs;
        if (refuse) {
            *message = 14;
            return -1;
        }
        return rows++;
    }
};

// A graph set whose completeness and busy state the test sets, counting
// the uploads the idle tick asks for.
class FakeSet : public DocumentGraphSet {
public:
    bool AreAllComplete() const override { return complete; }
    bool IsBusy() const override { return busy; }
    int32_t GetEquationStatus(int32_t) const override { return status; }
    bool complete = true;
    bool busy = false;
    int32_t status = 0;
};

int PaneRedraws = 0;
int ViewRedraws = 0;

class GraphScheduleTest : public TreeTest {
protected:
    static void SetUpTestSuite()
    {
        RegisterDocumentServices();
        StartWorkerThreads();
    }

    void SetUp() override
    {
        TreeTest::SetUp();
        ASSERT_TRUE(EnsureEvalFrame());
        saved_ = GetDocumentHooks();
        RegisterGraphModelHooks();
        DocumentHooks& hooks = GetDocumentHooks();
        hooks.buildEquationGraphs = &FakeFactory::Build;
        hooks.redrawGraphPane = [](DocState*) { ++PaneRedraws; };
        hooks.redrawGraphViews = [](DocState*, int32_t part) { ViewRedraws += part == 3; };
        FakeFactory::calls.clear();
        FakeFactory::costMs = 0;
        FakeFactory::refuse = false;
        FakeFactory::rows = 0;
        PaneRedraws = 0;
        ViewRedraws = 0;
        SetClockTickSource(&FakeTicks);
        ClockMilliseconds();  // the clock takes its base now
        doc.Variables = new ParameterValueList;
        doc.Parameters = new ParameterValueList;
        set = new FakeSet;
        doc.Graphs = set;
    }

    void TearDown() override
    {
        SetClockTickSource(nullptr);
        doc.FreeLines();
        for (ParameterValueList** list : {&doc.Variables, &doc.Parameters}) {
            if (*list)
                (*list)->Clear();
            delete *list;
            *list = nullptr;
        }
        GetDocumentHooks() = saved_;
        TreeTest::TearDown();
    }

    void AddLines(std::initializer_list<const char*> texts)
    {
        for (const char* text : texts)
            ASSERT_TRUE(AppendEquationLine(doc, text));
    }

    // Recompute, then slices until the pass and its value task have ended.
    void Analyse()
    {
        doc.Recompute();
        ASSERT_TRUE(WaitUntil([&] {
            CoopSliceOverrun = 0;
            RunCoopThreadSlice();
            return doc.AnalysisThread == NoCoopThread;
        }));
        ASSERT_TRUE(WaitUntil([&] { return !IsDocumentTaskPending(&doc); }));
    }

    std::vector<int32_t> LineRows(int32_t i)
    {
        std::vector<int32_t> rows;
        if (doc.Lines[i].graphs)
            rows.assign(doc.Lines[i].graphs->begin(), doc.Lines[i].graphs->end());
        return rows;
    }

    DocState doc;
    FakeSet* set = nullptr;

private:
    DocumentHooks saved_;
};

TEST_F(GraphScheduleTest, ABuildStopsAfterItsSecondAndResumesAtTheSameStatement)
{
    AddLines({"y=x", "y=plusorminus(x)", "y=3*x"});
    Analyse();
    ASSERT_EQ(doc.Lines[1].statements->count, 2);
    FakeFactory::costMs = 500;

    doc.BeginGraphing();
    EXPECT_EQ(doc.GraphBuildPhase, 1);
    doc.ComputeGraphsStep();
    // 0 ms: line 0; 500 ms: line 1's first statement; the second is left
    // for the next slice.
    ASSERT_EQ(FakeFactory::calls.size(), 2u);
    EXPECT_EQ(doc.GraphBuildPhase, 2);
    EXPECT_EQ(doc.buildingLine, 1);
    EXPECT_EQ(doc.buildingStatement, 1);
    EXPECT_FALSE(doc.DrawGraph);

    doc.ComputeGraphsStep();
    ASSERT_EQ(FakeFactory::calls.size(), 4u);
    EXPECT_EQ(FakeFactory::calls[2].first, 1);
    EXPECT_NE(FakeFactory::calls[1].second, FakeFactory::calls[2].second);
    EXPECT_EQ(FakeFactory::calls[3].first, 2);
    // The resumed line kept the row built before the pause.
    EXPECT_EQ(LineRows(1), (std::vector<int32_t>{1, 2}));
    EXPECT_EQ(doc.GraphBuildPhase, 0);
    EXPECT_TRUE(doc.DrawGraph);
    EXPECT_TRUE(doc.GraphWorkPending);
}

TEST_F(GraphScheduleTest, DrawGraphDuringTheAnalysisBuildsOnlyOnceItHasEnded)
{
    AddLines({"y=x"});
    doc.Recompute();
    doc.BeginGraphing();
    // Each step hands the analysis one slice; nothing is built before it ends.
    while (doc.AnalysisThread != NoCoopThread) {
        EXPECT_TRUE(FakeFactory::calls.empty());
        doc.ComputeGraphsStep();
    }
    ASSERT_TRUE(WaitUntil([&] {
        doc.ComputeGraphsStep();
        return doc.GraphBuildPhase == 0;
    }));
    EXPECT_EQ(FakeFactory::calls.size(), 1u);
    EXPECT_TRUE(doc.DrawGraph);
}

TEST_F(GraphScheduleTest, ReasonCodesOnlyForStatementsThatDependOnAVariable)
{
    AddLines({"2+3", "y=x"});
    Analyse();
    FakeFactory::refuse = true;
    doc.BeginGraphing();
    doc.ComputeGraphsStep();
    EXPECT_EQ(doc.GraphBuildPhase, 0);
    EXPECT_EQ(doc.Lines[0].status, 0);   // shows its value instead
    EXPECT_EQ(doc.Lines[1].status, 14);
    EXPECT_FALSE(doc.DrawGraph);
}

TEST_F(GraphScheduleTest, APatternColourIsResetForA2DCurve)
{
    AddLines({"y=x"});
    doc.Lines[0].Color = 12;
    Analyse();
    doc.BeginGraphing();
    // Idle work steps the build until it ends; a step may wait for the value
    // task first.
    ASSERT_TRUE(WaitUntil([&] {
        doc.ComputeGraphsStep();
        return doc.GraphBuildPhase == 0;
    }));
    EXPECT_EQ(doc.Lines[0].Color, 1);
}

TEST(GraphSchedulePacing, AnimationFramePeriodAndStepTable)
{
    struct Case {
        int32_t throttle;
        int32_t periodMs;
        int32_t since;
        bool due;
    };
    const Case cases[] = {
        {30, 33, 32, false}, {30, 33, 33, true}, {60, 16, 16, true}, {7, 142, 100, false},
        {0, 0, 0, true},     {-30, 0, 0, true},  {1, 1000, 999, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(AnimationFrameMilliseconds(c.throttle), c.periodMs) << c.throttle;
        EXPECT_EQ(AnimationStepDue(c.since, c.throttle), c.due) << c.throttle << " after " << c.since;
    }
}

TEST_F(GraphScheduleTest, RedrawsArePacedAtSixteenMillisecondsAndRequestsAreNotLost)
{
    doc.DrawGraph = true;
    doc.someGraphable = true;
    set->busy = true;
    set->complete = false;
    FakeNow += 1000;
    doc.IdleTick();  // a busy set draws its first frame at once
    ASSERT_EQ(PaneRedraws, 1);
    struct Step {
        uint32_t advanceMs;
        bool request;
        bool busy;
        int paneRedraws;  // after the tick
        int viewRedraws;  // the shown 2D views alone
        bool pending;     // a request left for a later tick
    };
    const Step steps[] = {
        {5, true, true, 1, 0, true},      // 5 ms after the frame: the request waits
        {5, false, true, 1, 0, true},     // 10 ms
        {6, false, true, 2, 0, false},    // 16 ms: drawn, the request served
        {20, false, false, 2, 0, false},  // complete and nothing asked: nothing drawn
        {1, true, false, 2, 1, false},    // complete: a request redraws the 2D views
        {1, true, false, 2, 2, false},    // at once, each time
    };
    int index = 0;
    for (const Step& s : steps) {
        FakeNow += s.advanceMs;
        set->busy = s.busy;
        set->complete = !s.busy;
        if (s.request)
            doc.RequestRedraw();
        doc.IdleTick();
        EXPECT_EQ(PaneRedraws, s.paneRedraws) << "step " << index;
        EXPECT_EQ(ViewRedraws, s.viewRedraws) << "step " << index;
        const bool pending = doc.TakeRedrawRequest();
        EXPECT_EQ(pending, s.pending) << "step " << index;
        if (pending)
            doc.RequestRedraw();
        ++index;
    }
}

TEST_F(GraphScheduleTest, LineStatusIsWrittenOnceAllGraphsAreComplete)
{
    AddLines({"y=x"});
    Analyse();
    doc.BeginGraphing();
    doc.ComputeGraphsStep();
    ASSERT_TRUE(doc.DrawGraph);
    set->status = 5;
    set->complete = false;
    doc.IdleTick();
    EXPECT_TRUE(doc.GraphWorkPending);
    set->complete = true;
    doc.IdleTick();
    EXPECT_FALSE(doc.GraphWorkPending);
    // The pane is hidden in the test: a hidden pane shows no graph status.
    EXPECT_EQ(doc.Lines[0].status, 0);
}

TEST(GraphSchedulePacing, TheFrameRateMeterNeedsFortyFrames)
{
    DocState doc;
    char16_t text[64] = {};
    for (int i = 0; i < kFrameTimeRingSize - 1; ++i)
        doc.RecordFrameTime(0.015625);
    EXPECT_FALSE(FrameRateMeterText(&doc, text, 64));
    doc.RecordFrameTime(0.015625);
    ASSERT_TRUE(FrameRateMeterText(&doc, text, 64));
    EXPECT_EQ(std::u16string(text), u"64");
    for (int i = 0; i < kFrameTimeRingSize; ++i)
        doc.RecordFrameTime(0.3);
    ASSERT_TRUE(FrameRateMeterText(&doc, text, 64));
    EXPECT_EQ(std::u16string(text), u"3.3");
}

}  // namespace
