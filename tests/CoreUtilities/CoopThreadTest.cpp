#include "CoreUtilities/CoopThread.h"

#include "CoreUtilities/Clock.h"
#include "CoreUtilities/MemoryBudget.h"
#include "document/DocState.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

std::atomic<uint32_t> FakeTicks{0};
uint32_t ReadFakeTicks()
{
    return FakeTicks.load();
}

// What a fake analysis sees and does. Plain fields on purpose: both threads
// touch them, and only the hand-over orders those touches (ThreadSanitizer
// checks that it does).
struct FakeAnalysis {
    int steps = 100;               // steps to run
    uint32_t stepMs = 5;           // fake-clock advance per step (0: real 5 ms sleeps)
    uint32_t firstStepMs = 0;      // a first step this long, when not 0
    int done = 0;                  // steps done
    bool ran = false;
    unsigned char abortAtStart = 0;
    bool sawAbort = false;
    pthread_t thread{};
    std::string threadName;
    int sharedWork = 0;            // written by both threads
};

FakeAnalysis Analysis;
std::atomic<int> Running{0};
std::atomic<int> MostRunning{0};

void EnterEngine()
{
    int now = ++Running;
    int most = MostRunning.load();
    while (now > most && !MostRunning.compare_exchange_weak(most, now)) {
    }
}

void LeaveEngine()
{
    --Running;
}

// Stands for the document's analysis: steps with a yield after each, polls
// AbortFlag, and clears the document's thread id as its last step.
void FakeAnalyseDocument(DocState* doc)
{
    FakeAnalysis& a = Analysis;
    a.ran = true;
    a.thread = pthread_self();
    char name[16] = {};
    pthread_getname_np(pthread_self(), name, sizeof name);
    a.threadName = name;
    a.abortAtStart = AbortFlag.load();
    while (a.done < a.steps) {
        if (AbortFlag.load()) {
            a.sawAbort = true;
            break;
        }
        EnterEngine();
        ++a.sharedWork;
        uint32_t ms = a.done == 0 && a.firstStepMs ? a.firstStepMs : a.stepMs;
        if (ms)
            FakeTicks += ms;
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        ++a.done;
        LeaveEngine();
        CoopYield();
    }
    doc->AnalysisThread = NoCoopThread;
}

class CoopThreadTest : public testing::Test {
protected:
    void SetUp() override
    {
        Analysis = FakeAnalysis{};
        Running = 0;
        MostRunning = 0;
        AbortFlag = 0;
        CoopSliceOverrun = 0;
    }

    void TearDown() override
    {
        StopCoopThread(doc.AnalysisThread);
        SetClockTickSource(nullptr);
        AbortFlag = 0;
        CoopSliceOverrun = 0;
    }

    // The fake clock reads `start` from now on.
    static void UseFakeClock(uint32_t start)
    {
        FakeTicks = 0;
        SetClockTickSource(&ReadFakeTicks);
        ClockMilliseconds();  // fixes the base at 0
        FakeTicks = start;
    }

    // What the document's idle work does: lower the overrun flag and give a
    // slice while the analysis runs; the steps each slice ran.
    std::vector<int> RunToEnd()
    {
        std::vector<int> perSlice;
        while (doc.AnalysisThread != NoCoopThread && perSlice.size() < 1000) {
            CoopSliceOverrun = 0;
            int before = Analysis.done;
            RunCoopThreadSlice();
            perSlice.push_back(Analysis.done - before);
            EnterEngine();
            ++Analysis.sharedWork;
            LeaveEngine();
        }
        return perSlice;
    }

    DocState doc;
};

TEST_F(CoopThreadTest, SliceEndsAtTheFirstYieldPastItsDeadlineAcrossTheWrap)
{
    // 5 ms steps: 33 of them end at 165 ms, still inside the 166 ms slice;
    // the 34th is past it. Starts put the deadline and the overrun limit
    // beyond the clock's wrap.
    for (uint32_t start : {1000u, 0xFFFFFFFFu - 50u, 0xFFFFFFFFu - 400u, 0xFFFFFFFFu - 169u}) {
        SetUp();
        UseFakeClock(start);
        doc.AnalysisThread = StartCoopThread(&FakeAnalyseDocument, &doc);
        ASSERT_GT(doc.AnalysisThread, 0);
        EXPECT_EQ(RunToEnd(), (std::vector<int>{34, 34, 32})) << start;
        EXPECT_EQ(CoopSliceOverrun, 0) << start;
        EXPECT_EQ(Analysis.sharedWork, 100 + 3);
        EXPECT_EQ(MostRunning, 1);
        EXPECT_EQ(Analysis.threadName, "UICoopThread");
        EXPECT_FALSE(pthread_equal(Analysis.thread, pthread_self()));
        TearDown();
    }
}

TEST_F(CoopThreadTest, RealClockSliceHandsBackJustAfter166Ms)
{
    using namespace std::chrono;
    Analysis.steps = 40;
    Analysis.stepMs = 0;  // real 5 ms sleeps
    doc.AnalysisThread = StartCoopThread(&FakeAnalyseDocument, &doc);
    auto start = steady_clock::now();
    RunCoopThreadSlice();
    auto ms = duration_cast<milliseconds>(steady_clock::now() - start).count();
    EXPECT_GE(ms, TicksToMilliseconds(10));
    EXPECT_LT(ms, TicksToMilliseconds(10) + 80);
    EXPECT_LT(Analysis.done, 40);
    RunToEnd();
    EXPECT_EQ(Analysis.done, 40);
    EXPECT_EQ(MostRunning, 1);
}

TEST_F(CoopThreadTest, LongStepRaisesOverrunAndHoldsBackTheNextSlice)
{
    const struct {
        uint32_t step;
        unsigned char overrun;
    } cases[] = {{666, 0}, {667, 1}, {5000, 1}};
    for (const auto& c : cases) {
        SetUp();
        UseFakeClock(0xFFFFFFFFu - 300u);
        Analysis.firstStepMs = c.step;
        doc.AnalysisThread = StartCoopThread(&FakeAnalyseDocument, &doc);
        RunCoopThreadSlice();
        EXPECT_EQ(Analysis.done, 1) << c.step;
        EXPECT_EQ(CoopSliceOverrun, c.overrun) << c.step;
        RunCoopThreadSlice();
        EXPECT_EQ(Analysis.done, c.overrun ? 1 : 35) << c.step;
        CoopSliceOverrun = 0;
        RunCoopThreadSlice();
        EXPECT_GT(Analysis.done, c.overrun ? 1 : 35) << c.step;
        TearDown();
    }
}

TEST_F(CoopThreadTest, SliceWithoutAThreadReturnsAtOnceAndCannotOverrun)
{
    UseFakeClock(5000);
    RunCoopThreadSlice();
    EXPECT_EQ(CoopSliceOverrun, 0);
    EXPECT_FALSE(Analysis.ran);
}

TEST_F(CoopThreadTest, StoppingAThreadThatNeverHadASliceRestoresAbortFlag)
{
    for (unsigned char before : {0, 1}) {
        SetUp();
        AbortFlag = before;
        int32_t id = StartCoopThread(&FakeAnalyseDocument, &doc);
        ASSERT_GT(id, 0);
        EXPECT_FALSE(Analysis.ran);
        StopCoopThread(id);
        EXPECT_TRUE(Analysis.ran);
        EXPECT_EQ(Analysis.abortAtStart, 1);
        EXPECT_EQ(Analysis.done, 0);
        EXPECT_EQ(AbortFlag.load(), before);
        TearDown();
    }
}

TEST_F(CoopThreadTest, StoppingReleasesAThreadWaitingInYield)
{
    UseFakeClock(1000);
    doc.AnalysisThread = StartCoopThread(&FakeAnalyseDocument, &doc);
    RunCoopThreadSlice();
    StopCoopThread(NoCoopThread);  // does nothing
    StopCoopThread(0);
    EXPECT_EQ(Analysis.done, 34);
    EXPECT_EQ(AbortFlag.load(), 0);
    StopCoopThread(doc.AnalysisThread);
    EXPECT_TRUE(Analysis.sawAbort);
    EXPECT_EQ(Analysis.done, 34);
    EXPECT_EQ(AbortFlag.load(), 0);
    EXPECT_EQ(doc.AnalysisThread, NoCoopThread);

    // The ended thread's id no longer stops anything, and a slice finds no thread.
    int32_t old = doc.AnalysisThread;
    RunCoopThreadSlice();
    StopCoopThread(old);
    EXPECT_EQ(AbortFlag.load(), 0);
}

TEST_F(CoopThreadTest, ANewStartStopsTheRecordedThreadFirst)
{
    UseFakeClock(1000);
    int32_t first = StartCoopThread(&FakeAnalyseDocument, &doc);
    RunCoopThreadSlice();
    EXPECT_EQ(Analysis.done, 34);
    doc.AnalysisThread = StartCoopThread(&FakeAnalyseDocument, &doc);
    EXPECT_TRUE(Analysis.sawAbort);
    EXPECT_NE(doc.AnalysisThread, first);
    Analysis.done = 0;
    RunToEnd();
    EXPECT_EQ(Analysis.done, 100);
    EXPECT_EQ(MostRunning, 1);
}

TEST_F(CoopThreadTest, YieldOnAnotherThreadReturnsAtOnce)
{
    UseFakeClock(1000);
    doc.AnalysisThread = StartCoopThread(&FakeAnalyseDocument, &doc);
    FakeTicks += 100000;  // far past any deadline
    CoopYield();          // the user-interface thread: waiting would never end
    std::thread other([] { CoopYield(); });
    other.join();
    EXPECT_FALSE(Analysis.ran);
}

TEST_F(CoopThreadTest, WithoutAThreadTheAnalysisRunsInTheCaller)
{
    UseFakeClock(1000);
    size_t saved = CoopThreadStackBytes;
    CoopThreadStackBytes = SIZE_MAX / 2;  // no system can give this stack
    doc.AnalysisThread = 7;
    int32_t id = StartCoopThread(&FakeAnalyseDocument, &doc);
    CoopThreadStackBytes = saved;
    EXPECT_EQ(id, NoCoopThread);
    EXPECT_EQ(Analysis.done, 100);
    EXPECT_TRUE(pthread_equal(Analysis.thread, pthread_self()));
    EXPECT_EQ(doc.AnalysisThread, NoCoopThread);
    RunCoopThreadSlice();
    EXPECT_EQ(CoopSliceOverrun, 0);
}

}  // namespace
