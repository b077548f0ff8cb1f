#include "app/CMainFrame.h"
#include "app/CMathPaneSlider.h"
#include "app/COndrelApp.h"
#include "app/CVLSplitterWnd.h"
#include "editor/COndrelView.h"
#include "platform/MessageBox.h"

#include <QGuiApplication>
#include <QScreen>
#include <QSettings>
#include <QWindow>
#include <QTemporaryDir>
#include <QElapsedTimer>
#include <QSplitterHandle>
#include <QTest>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// One application object per process, so start-up, the frame, the splitter
// and exit run in one fixture against a private settings folder.
class MainFrameTest : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        settingsDir = new QTemporaryDir;
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir->path());
        static int argc = 1;
        static char name[] = "vellumor";
        static char* argv[] = {name, nullptr};
        app = new COndrelApp(argc, argv);
        SetMessageBoxHook([](const std::u16string& text, const std::u16string&, MessageBoxIcon,
                             MessageBoxButtons) {
            shown.push_back(text);
            return true;
        });
    }
    static void TearDownTestSuite()
    {
        SetMessageBoxHook(nullptr);
        delete app;
        delete settingsDir;
    }
    static QSettings Settings() { return QSettings(QStringLiteral("Kestrane"), QStringLiteral("Vellumor")); }
    // Lets the event loop run until the frame is on screen.
    static bool WaitShown(QWidget* w)
    {
        QElapsedTimer t;
        t.start();
        while (!w->isVisible() || !w->windowHandle() || !w->windowHandle()->isExposed()) {
            if (t.elapsed() > 5000)
                return false;
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        }
        QCoreApplication::processEvents();
        return true;
    }
    // Runs the idle work as the timer would, until it reports nothing more.
    static void RunIdleWork(CMainFrame* frame)
    {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < 5000) {
            QCoreApplication::processEvents();
            if (!frame->OnIdleWork() && !frame->IsDividerAnimationRunning())
                return;
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        }
    }

    static inline QTemporaryDir* settingsDir = nullptr;
    static inline COndrelApp* app = nullptr;
    static inline std::vector<std::u16string> shown;
};

TEST_F(MainFrameTest, AFailedStepEndsStartUpWithItsMessageAndExitsCleanly)
{
    struct Case {
        StartupStep step;
        const char16_t* message;  // nullptr: the step fails silently
    } cases[] = {
        {StartupStep::DocumentState, nullptr},
        {StartupStep::Preferences, nullptr},
        {StartupStep::FormulaEngine, nullptr},
        {StartupStep::Cursors, nullptr},
        {StartupStep::WorkerThreads, nullptr},
        {StartupStep::MainFrame,
         u"Could not launch application.\nTry closing other programs to increase available memory"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.step));
        shown.clear();
        COndrelApp::SetStartupStepHook([&](StartupStep s) { return s != c.step; });
        EXPECT_FALSE(app->InitInstance());
        EXPECT_EQ(app->ExitInstance(7), 7);
        EXPECT_EQ(app->MainFrame(), nullptr);
        for (QWidget* w : QApplication::topLevelWidgets())
            EXPECT_FALSE(w->isVisible());
        std::vector<std::u16string> expected;
        if (c.message)
            expected.push_back(c.message);
        EXPECT_EQ(shown, expected);
    }
    COndrelApp::SetStartupStepHook(nullptr);
}

TEST_F(MainFrameTest, FrameOpensAtItsStoredPlaceAndStoresItAgain)
{
    QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    {
        QSettings s = Settings();
        s.clear();
        s.setValue("FrameSizeX", 600);
        s.setValue("FrameSizeY", 450);
        s.setValue("FramePosX", area.left() + 30);
        s.setValue("FramePosY", area.top() + 40);
        s.setValue("EqnPaneSize", 90);
    }
    ASSERT_TRUE(app->InitInstance());
    CMainFrame* frame = app->MainFrame();
    ASSERT_TRUE(WaitShown(frame));
    EXPECT_EQ(frame->size(), QSize(600, 450));
    EXPECT_EQ(frame->pos(), QPoint(area.left() + 30, area.top() + 40));
    EXPECT_EQ(frame->Splitter()->FirstPaneExtent(), 90);
    // The next window opens 15 pixels further right and down.
    EXPECT_EQ(Settings().value("FramePosX").toInt(), area.left() + 45);

    frame->move(area.left() + 20, area.top() + 25);
    frame->resize(560, 420);
    QCoreApplication::processEvents();
    int extent = frame->Splitter()->FirstPaneExtent();
    app->ExitInstance(0);
    QSettings s = Settings();
    EXPECT_EQ(s.value("FrameSizeX").toInt(), 560);
    EXPECT_EQ(s.value("FrameSizeY").toInt(), 420);
    EXPECT_EQ(s.value("FramePosX").toInt(), area.left() + 20);
    EXPECT_EQ(s.value("FramePosY").toInt(), area.top() + 25);
    EXPECT_EQ(s.value("EqnPaneSize").toInt(), extent);

    // A position on no screen (a monitor since removed) is not used.
    s.setValue("FramePosX", 5000);
    s.setValue("FramePosY", 5000);
    s.sync();
    ASSERT_TRUE(app->InitInstance());
    frame = app->MainFrame();
    ASSERT_TRUE(WaitShown(frame));
    EXPECT_TRUE(area.intersects(frame->geometry())) << frame->geometry().x() << "," << frame->geometry().y();

    // A document's window rectangle from a monitor since detached lands on
    // this one; one as large as the work area maximises the frame.
    frame->RestoreWindowRect(QRect(area.right() + 2000, area.top() + 10, 560, 420));
    EXPECT_TRUE(area.contains(frame->frameGeometry())) << frame->frameGeometry().x();
    EXPECT_EQ(frame->size(), QSize(560, 420));
    frame->RestoreWindowRect(QRect(-5000, -5000, 9000, 9000));
    EXPECT_TRUE(frame->isMaximized());
    app->ExitInstance(0);
}

TEST_F(MainFrameTest, SplitterTurnsAndRevealsACollapsedPane)
{
    Settings().clear();
    ASSERT_TRUE(app->InitInstance());
    CMainFrame* frame = app->MainFrame();
    ASSERT_TRUE(WaitShown(frame));
    CVLSplitterWnd* splitter = frame->Splitter();

    // Turning keeps the equation pane's extent: 150 high becomes 150 wide.
    splitter->SetFirstPaneExtent(150);
    frame->ApplyPaneLayout(true);
    EXPECT_TRUE(splitter->IsSideBySide());
    EXPECT_EQ(splitter->FirstPaneExtent(), 150);
    EXPECT_EQ(frame->EquationView()->width(), 150);
    frame->ApplyPaneLayout(false);
    EXPECT_FALSE(splitter->IsSideBySide());
    EXPECT_EQ(frame->EquationView()->height(), 150);

    // A collapsed equation pane slides open to about a third, in steps of 15.
    EXPECT_TRUE(splitter->CollapseFirstPane(false));
    EXPECT_FALSE(splitter->CollapseFirstPane(false));
    EXPECT_FALSE(frame->IsMathPaneShown());
    int shared = splitter->SharedExtent();
    frame->RequestPaneRefresh(nullptr);
    RunIdleWork(frame);
    EXPECT_TRUE(frame->IsMathPaneShown());
    EXPECT_GE(splitter->FirstPaneExtent(), shared / 3);
    EXPECT_LE(splitter->FirstPaneExtent(), shared / 3 + 2 * 15);

    // A collapsed graph pane likewise, the divider moving back by 20.
    EXPECT_TRUE(splitter->CollapseSecondPane(false));
    EXPECT_FALSE(frame->IsGraphPaneShown());
    frame->RequestPaneRefresh(nullptr);
    RunIdleWork(frame);
    EXPECT_TRUE(frame->IsGraphPaneShown());
    EXPECT_LE(splitter->FirstPaneExtent(), shared / 3);
    EXPECT_GE(splitter->FirstPaneExtent(), shared / 3 - 2 * 20);

    // Both panes shown: nothing to reveal.
    frame->RequestPaneRefresh(nullptr);
    QCoreApplication::processEvents();
    EXPECT_FALSE(frame->IsDividerAnimationRunning());
    app->ExitInstance(0);
}

TEST_F(MainFrameTest, DividerDragIsLiveAndTracked)
{
    QWidget top;
    top.resize(300, 400);
    CVLSplitterWnd splitter(&top);
    splitter.addWidget(new QWidget);
    splitter.addWidget(new QWidget);
    splitter.resize(300, 400);
    top.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&top));
    splitter.ApplyStoredPaneSize(100);
    EXPECT_EQ(splitter.FirstPaneExtent(), 100);

    int steps = 0;
    bool trackedDuringDrag = false;
    splitter.SetDragStepHandler([&] {
        ++steps;
        trackedDuringDrag = splitter.IsTracking();
    });
    QSplitterHandle* bar = splitter.handle(1);
    QPoint middle = bar->rect().center();
    QTest::mousePress(bar, Qt::LeftButton, {}, middle);
    EXPECT_TRUE(splitter.IsTracking());
    QMouseEvent move(QEvent::MouseMove, QPointF(middle + QPoint(0, 40)), bar->mapToGlobal(QPointF(middle + QPoint(0, 40))),
                     Qt::LeftButton, Qt::LeftButton, {});
    QCoreApplication::sendEvent(bar, &move);
    QTest::mouseRelease(bar, Qt::LeftButton, {}, middle + QPoint(0, 40));
    EXPECT_FALSE(splitter.IsTracking());
    // The panes followed the divider while it moved, not only at the release.
    EXPECT_GE(steps, 1);
    EXPECT_TRUE(trackedDuringDrag);
    EXPECT_EQ(splitter.FirstPaneExtent(), 140);

    // Turning exchanges the first pane's width and height.
    splitter.SetSideBySide();
    EXPECT_EQ(splitter.FirstPaneExtent(), 140);
}

TEST_F(MainFrameTest, MathPaneSliderMovesItsPositionBeforeItsRange)
{
    QWidget parent;
    CMathPaneSlider slider(QRect(0, 0, 120, 20), &parent);
    EXPECT_EQ(slider.maximum(), 200);
    slider.setValue(150);
    std::vector<std::pair<int, int>> seen;  // (value, maximum) at each value change
    QObject::connect(&slider, &QSlider::valueChanged, [&](int v) { seen.emplace_back(v, slider.maximum()); });
    slider.SetRangeMax(100);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0], std::make_pair(100, 200));
    EXPECT_EQ(slider.maximum(), 100);
    EXPECT_EQ(slider.Steps(), 100);
    slider.SetRangeMax(150);
    EXPECT_EQ(slider.value(), 100);
}

}  // namespace
