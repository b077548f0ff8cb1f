#include "app/BenchmarkDriver.h"

#include "app/Benchmark.h"
#include "app/CMainFrame.h"
#include "app/DemoPlayer.h"

#include <QCoreApplication>
#include <QTimer>

#include <cstdio>

namespace {

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
    StartDemo(DemoBenchmark, 0);
    // The player runs the steps; the end is seen here.
    auto* watch = new QTimer(frame);
    QObject::connect(watch, &QTimer::timeout, frame, [watch, quitWhenDone] {
        if (IsBenchmarkRunning())
            return;
        watch->stop();
        watch->deleteLater();
        PrintReport();
        if (quitWhenDone)
            QCoreApplication::quit();
    });
    watch->start(100);
}
