#include "app/CMainFrame.h"
#include "app/DemoPlayer.h"
#include "app/IdleTimer.h"
#include "CoreUtilities/FailureRegister.h"
#include "document/DocState.h"
#include "editor/EquationViewServices.h"
#include "graphs2d/GraphSet.h"
#include "platform/WindowTimer.h"

#include "support/TestApp.h"

#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <ctime>
#include <memory>
#include <thread>

namespace {

class SpinningGraphSet : public GraphSet {
public:
    bool IsSpinning() const override { return spinning; }
    bool spinning = false;
};

QApplication& App()
{
    return TestApp();
}

// Counts the firings of timers that belong to no window, as the idle timer
// of a document without a graph pane does.
class TimerFirings : public QObject {
public:
    TimerFirings() { App().installEventFilter(this); }
    ~TimerFirings() override { App().removeEventFilter(this); }
    bool eventFilter(QObject* receiver, QEvent* event) override
    {
        if (event->type() == QEvent::Timer && qobject_cast<QTimer*>(receiver) && !receiver->parent())
            ++count;
        return false;
    }
    int count = 0;
};

double ProcessCpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + t.tv_nsec * 1e-9;
}

// Runs the event loop for ms, re-applying the policy every 20 ms when given a
// document (with a timer that has a parent, so it is not counted).
void RunFor(int ms, DocState* doc = nullptr)
{
    QObject owner;
    QEventLoop loop;
    QTimer step(&owner);
    if (doc) {
        QObject::connect(&step, &QTimer::timeout, [doc] { UpdateIdleTimer(doc); });
        step.start(20);
    }
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

class IdleTimerTest : public testing::Test {
protected:
    void SetUp() override
    {
        App();
        doc_ = std::make_unique<DocState>();
        doc_->Graphs = &graphs_;
    }
    void TearDown() override
    {
        // The set is the test's, not the document's to free; a task state
        // the test made up is no task the document must wait for.
        doc_->Graphs = nullptr;
        doc_->TaskState = 0;
        KillWindowTimer(nullptr, kIdleTimerId);
        ResetFailureRegister();
        SetDemoMode(0);
        FrameRateMeterSwitch = 0;
        frame_.reset();
    }
    void MakeFrame(bool minimised)
    {
        frame_ = std::make_unique<CMainFrame>();
        if (minimised)
            frame_->showMinimized();
    }

    std::unique_ptr<DocState> doc_;
    SpinningGraphSet graphs_;
    std::unique_ptr<CMainFrame> frame_;
};

TEST_F(IdleTimerTest, PeriodFollowsThePendingWork)
{
    enum Frame { Shown, Minimised, NoFrame };
    struct Case {
        const char* name;
        Frame frame;
        bool failure, task, graphWork, spin, meter;
        int32_t demoMode;
        int32_t analysis, building;
        double period;
    };
    const Case cases[] = {
        {"nothing", Shown, false, false, false, false, false, 0, -1, 0, -1},
        {"graph work", Shown, false, false, true, false, false, 0, -1, 0, 0.5},
        {"failure and graph work", Shown, true, false, true, false, false, 0, -1, 0, 0.1},
        {"task running", Shown, false, true, false, false, false, 0, -1, 0, 0.1},
        {"spinning", Shown, false, false, false, true, false, 0, -1, 0, 0.01},
        {"spinning over a failure", Shown, true, false, false, true, false, 0, -1, 0, 0.01},
        {"spinning with the meter", Shown, false, false, false, true, true, 0, -1, 0, 0.001},
        {"meter alone", Shown, false, false, false, false, true, 0, -1, 0, -1},
        {"demonstration", Shown, false, false, false, false, false, 1, -1, 0, 0.01},
        {"benchmark", Shown, false, false, false, false, false, 4, -1, 0, 0.001},
        {"analysis", Shown, false, false, true, false, false, 0, 7, 0, 0.001},
        {"building", Shown, false, false, false, true, false, 0, -1, 2, 0.001},
        {"minimised spinning", Minimised, false, false, false, true, false, 0, -1, 0, -1},
        {"minimised analysis", Minimised, false, false, true, false, false, 0, 7, 0, 0.5},
        {"minimised building, failure", Minimised, true, false, false, false, false, 1, -1, 1, 0.1},
        {"no frame, building", NoFrame, false, false, false, false, false, 0, -1, 1, -1},
        {"no frame, task", NoFrame, false, true, false, true, false, 0, 7, 0, 0.1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.frame == NoFrame)
            frame_.reset();
        else
            MakeFrame(c.frame == Minimised);
        ResetFailureRegister();
        if (c.failure)
            PostFailure(49);
        doc_->TaskState = c.task ? 2 : 3;
        doc_->GraphWorkPending = c.graphWork;
        graphs_.spinning = c.spin;
        FrameRateMeterSwitch = c.meter;
        SetDemoMode(c.demoMode);
        doc_->AnalysisThread = c.analysis;
        doc_->GraphBuildPhase = c.building;
        EXPECT_EQ(ChooseIdleTimerPeriod(doc_.get()), c.period);
    }
    // No graph set: nothing spins.
    MakeFrame(false);
    doc_->Graphs = nullptr;
    doc_->AnalysisThread = -1;
    doc_->GraphBuildPhase = 0;
    doc_->TaskState = 0;
    doc_->GraphWorkPending = false;
    SetDemoMode(0);
    ResetFailureRegister();
    EXPECT_EQ(ChooseIdleTimerPeriod(doc_.get()), -1);
}

TEST_F(IdleTimerTest, AnUnchangedPeriodLeavesTheRunningTimerAlone)
{
    TimerFirings firings;
    doc_->TaskState = 2;
    UpdateIdleTimer(doc_.get());
    EXPECT_EQ(doc_->IdleTimerId, kIdleTimerId);
    EXPECT_EQ(doc_->IdleTimerPeriod, 0.1);
    EXPECT_EQ(WindowTimerPeriod(nullptr, kIdleTimerId), 100);
    // Re-applied every 20 ms, a restarted 100 ms timer would never fire.
    RunFor(450, doc_.get());
    EXPECT_GE(firings.count, 3);
    EXPECT_LE(firings.count, 5);

    // Nothing pending: the timer stops and stays off.
    doc_->TaskState = 3;
    UpdateIdleTimer(doc_.get());
    EXPECT_EQ(doc_->IdleTimerId, 0);
    EXPECT_EQ(doc_->IdleTimerPeriod, -1);
    EXPECT_EQ(WindowTimerPeriod(nullptr, kIdleTimerId), -1);
    int before = firings.count;
    RunFor(250, doc_.get());
    EXPECT_EQ(firings.count, before);
}

TEST_F(IdleTimerTest, RestartSoonRunsAt10MsOnlyUntilThePolicyIsAppliedAgain)
{
    RestartIdleTimerSoon(doc_.get());
    EXPECT_EQ(doc_->IdleTimerId, 0);
    EXPECT_EQ(WindowTimerPeriod(nullptr, kIdleTimerId), -1);

    doc_->TaskState = 2;
    UpdateIdleTimer(doc_.get());
    RestartIdleTimerSoon(doc_.get());
    EXPECT_EQ(WindowTimerPeriod(nullptr, kIdleTimerId), 10);
    EXPECT_EQ(doc_->IdleTimerPeriod, 0.01);
    // The work still asks for 100 ms, so the timer goes back to it.
    UpdateIdleTimer(doc_.get());
    EXPECT_EQ(WindowTimerPeriod(nullptr, kIdleTimerId), 100);
    EXPECT_EQ(doc_->IdleTimerId, kIdleTimerId);
}

// The last graph part can finish just after the tick that found all work
// done and stopped the timer: its redraw request must still be served.
TEST_F(IdleTimerTest, ARedrawRequestedAfterTheTimerStoppedStartsItAgain)
{
    doc_->DrawGraph = true;
    doc_->someGraphable = true;
    UpdateIdleTimer(doc_.get());
    ASSERT_EQ(WindowTimerPeriod(nullptr, kIdleTimerId), -1);

    doc_->RequestRedraw();
    EXPECT_EQ(ChooseIdleTimerPeriod(doc_.get()), 0.01);
    EXPECT_EQ(WindowTimerPeriod(nullptr, kIdleTimerId), 10);

    // Served, the policy stops the timer again.
    EXPECT_TRUE(doc_->TakeRedrawRequest());
    UpdateIdleTimer(doc_.get());
    EXPECT_EQ(WindowTimerPeriod(nullptr, kIdleTimerId), -1);

    // Graphs not drawn: a request waits without spinning the timer.
    doc_->DrawGraph = false;
    doc_->RequestRedraw();
    EXPECT_EQ(ChooseIdleTimerPeriod(doc_.get()), -1);
    EXPECT_EQ(WindowTimerPeriod(nullptr, kIdleTimerId), -1);
    doc_->TakeRedrawRequest();
}

TEST_F(IdleTimerTest, ScheduleWithoutAPositivePeriodNeverSpins)
{
    TimerFirings firings;
    ScheduleIdleTimer(doc_.get(), -1);
    EXPECT_EQ(doc_->IdleTimerId, kIdleTimerId);
    EXPECT_EQ(doc_->IdleTimerPeriod, 0);
    EXPECT_EQ(WindowTimerPeriod(nullptr, kIdleTimerId), 1);
    RunFor(200);
    EXPECT_GT(firings.count, 20);
    EXPECT_LE(firings.count, 220);
    int scheduled = firings.count;
    KillWindowTimer(nullptr, kIdleTimerId);

    // What a 0 ms timer would have done: fire on every pass of the loop.
    firings.count = 0;
    QTimer spinning;
    spinning.start(0);
    RunFor(200);
    spinning.stop();
    std::printf("firings in 200 ms: scheduled at 0 s %d, a raw 0 ms timer %d\n", scheduled, firings.count);
    EXPECT_GT(firings.count, 5 * scheduled);

    ScheduleIdleTimer(doc_.get(), 0.25);
    EXPECT_EQ(WindowTimerPeriod(nullptr, kIdleTimerId), 250);
    // Nothing is pending, so the policy stops even a scheduled timer.
    UpdateIdleTimer(doc_.get());
    EXPECT_EQ(doc_->IdleTimerId, 0);
}

TEST_F(IdleTimerTest, NothingPendingLeavesTheProcessIdle)
{
    MakeFrame(false);
    TimerFirings firings;
    UpdateIdleTimer(doc_.get());
    double cpu = ProcessCpuSeconds();
    RunFor(1000);
    cpu = ProcessCpuSeconds() - cpu;
    std::printf("processor time over 1 s with nothing pending: %.4f s\n", cpu);
    EXPECT_EQ(firings.count, 0);
    EXPECT_LT(cpu, 0.02);
}

// A procedure of the program's window timer moves the slider, as the
// animation does, while a worker evaluates with it (the thread sanitizer
// checks the two never race).
void StepSlider()
{
    DocState* doc = GetDocState();
    doc->SetSliderValue(doc->GetSliderValue() + 1);
}

TEST_F(IdleTimerTest, TimerProcedureMovesTheSliderWhileAWorkerReadsIt)
{
    DocState* doc = GetDocState();
    doc->SetSliderValue(0);
    std::atomic<bool> stop{false};
    double seen = 0;
    std::thread worker([&] {
        while (!stop.load())
            seen = std::max(seen, doc->GetSliderValue());
    });
    ASSERT_EQ(SetWindowTimer(nullptr, 7, 1, &StepSlider), 7);
    RunFor(100);
    KillWindowTimer(nullptr, 7);
    stop = true;
    worker.join();
    EXPECT_GT(doc->GetSliderValue(), 0);
    EXPECT_LE(seen, doc->GetSliderValue());
    doc->SetSliderValue(0);
}

}  // namespace
