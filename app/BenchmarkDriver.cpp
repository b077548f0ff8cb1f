#include "app/BenchmarkDriver.h"

#include "app/Benchmark.h"
#include "app/CMainFrame.h"
#include "app/DemoPlayer.h"
#include "CoreUtilities/Clock.h"
#include "document/DocState.h"
#include "graphs2d/GraphSet.h"

#include <QCoreApplication>
#include <QTimer>

#include <cstdio>

namespace {

// The player's pacing of the benchmark's steps: the next step comes once
// the graphs are complete (or the animation swept once), or at a time.
struct Pacing {
    bool lineDone = true;
    uint32_t nextDue = 0;
};

void PrintReport()
{
    std::string report = GetBenchmarkReport();
    for (char& c : report)
        if (c == '\r')
            c = '\n';
    std::fputs(report.c_str(), stdout);
    std::fflush(stdout);
}

}  // namespace

void StartBenchmark(CMainFrame* frame, bool quitWhenDone)
{
    RunBenchmark(nullptr);
    SetDemoMode(4);
    auto* timer = new QTimer(frame);
    auto* pacing = new Pacing;
    QObject::connect(timer, &QTimer::timeout, frame, [frame, timer, pacing, quitWhenDone] {
        DocState* doc = GetDocState();
        const uint32_t now = ClockMilliseconds();
        if (!pacing->lineDone) {
            const bool complete = (!doc->Graphs || doc->Graphs->AreAllComplete()) && doc->IsAnimationIdle();
            if (complete || AnimationSweepDone) {
                pacing->lineDone = true;
                pacing->nextDue = now;
            }
            return;
        }
        if (now < pacing->nextDue)
            return;
        AnimationSweepDone = false;
        const BenchmarkNext next = RunBenchmark(frame);
        switch (next.wait) {
        case BenchmarkWait::GraphsDone:
            pacing->lineDone = false;
            break;
        case BenchmarkWait::Time:
            pacing->lineDone = true;
            pacing->nextDue = next.due;
            break;
        case BenchmarkWait::Finished:
            timer->stop();
            timer->deleteLater();
            delete pacing;
            PrintReport();
            if (quitWhenDone)
                QCoreApplication::quit();
            break;
        }
    });
    timer->start(1);
}
