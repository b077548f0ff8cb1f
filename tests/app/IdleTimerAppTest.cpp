#include "app/COndrelApp.h"
#include "app/IdleTimer.h"
#include "document/DocState.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>
#include <gtest/gtest.h>

#include <cstdio>
#include <ctime>

namespace {

double ProcessCpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + t.tv_nsec * 1e-9;
}

// Counts the idle timer's firings: timers that belong to the graph pane.
class IdleTimerFirings : public QObject {
public:
    bool eventFilter(QObject* receiver, QEvent* event) override
    {
        if (event->type() == QEvent::Timer && qobject_cast<QTimer*>(receiver) &&
            receiver->parent() == GetDocState()->GraphPaneWindow)
            ++count;
        return false;
    }
    int count = 0;
};

// One application object per process: the whole run is one test.
TEST(IdleTimerAppTest, TheProgramSleepsUntilWorkIsPendingAndWakesAsItAsks)
{
    // The frame stores its place; keep that out of the user's settings.
    QTemporaryDir settingsDir;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir.path());
    int argc = 1;
    char name[] = "vellumor";
    char* argv[] = {name, nullptr};
    COndrelApp app(argc, argv);
    ASSERT_TRUE(app.InitInstance());
    DocState* doc = GetDocState();
    IdleTimerFirings firings;
    app.installEventFilter(&firings);

    double cpu = 0;
    int idleFirings = -1, workFirings = -1;
    int32_t idleId = -1, workId = -1, afterId = -1;
    double workPeriod = 0;
    DocumentGraphSet* heldGraphs = nullptr;
    // Each step starts the clock of the next, so that a slow start (first
    // paint, fonts, a sanitizer build) delays the whole sequence but never
    // squeezes its intervals. Precise timers: coarse ones may move by 5 %.
    auto after = [](int milliseconds, auto step) { QTimer::singleShot(milliseconds, Qt::PreciseTimer, step); };
    // A new document asks for one pass of graph work (half a second) first.
    after(1000, [&] {
        firings.count = 0;
        cpu = ProcessCpuSeconds();
        after(1000, [&] {
            cpu = ProcessCpuSeconds() - cpu;
            idleFirings = firings.count;
            idleId = doc->IdleTimerId;
            // Graph work turns the timer on at the next pass of the loop.
            // The document's empty graph set would finish it at once, so
            // the set is held aside while the work is pending.
            heldGraphs = doc->Graphs;
            doc->Graphs = nullptr;
            doc->GraphWorkPending = true;
            firings.count = 0;
            after(1150, [&] {
                workFirings = firings.count;
                workId = doc->IdleTimerId;
                workPeriod = doc->IdleTimerPeriod;
                doc->GraphWorkPending = false;
                doc->Graphs = heldGraphs;
                after(150, [&] {
                    afterId = doc->IdleTimerId;
                    app.quit();
                });
            });
        });
    });
    app.ExitInstance(app.exec());
    app.removeEventFilter(&firings);

    std::printf("with nothing pending: %d idle-timer firings and %.4f s of processor time in 1 s\n",
                idleFirings, cpu);
    EXPECT_EQ(idleFirings, 0);
    EXPECT_EQ(idleId, 0);
    EXPECT_LT(cpu, 0.02);
    EXPECT_EQ(workId, kIdleTimerId);
    EXPECT_EQ(workPeriod, 0.5);
    EXPECT_GE(workFirings, 1);
    EXPECT_LE(workFirings, 3);
    EXPECT_EQ(afterId, 0);
}

}  // namespace
