// Demonstrations on a real display: the Curves tour draws its first curve
// with the demo dialog beside the frame, and the Basics tour moves the
// real pointer through its gestures. VL_DEMO_PNG names a folder to which
// the screen is saved at each step.
#include "app/CDemoDialog.h"
#include "app/CGraphView.h"
#include "app/CMainFrame.h"
#include "app/COndrelApp.h"
#include "app/DemoPlayer.h"
#include "app/ShellServices.h"
#include "document/DocState.h"
#include "platform/MessageBox.h"

#include <QCursor>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QScreen>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <functional>

namespace {

void RunFor(int milliseconds, const std::function<bool()>& until = nullptr)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < milliseconds && !(until && until())) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        TimerProc();
    }
}

void Shot(const char* name)
{
    if (const char* folder = std::getenv("VL_DEMO_PNG"))
        QGuiApplication::primaryScreen()->grabWindow(0).save(QDir(QString::fromLocal8Bit(folder)).filePath(
            QString::fromLatin1(name) + QStringLiteral(".png")));
}

int ColouredPixels(const QImage& image)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            n += std::max({c.red(), c.green(), c.blue()}) - std::min({c.red(), c.green(), c.blue()}) > 80;
        }
    return n;
}

// The example documents the build puts beside the program, beside the test.
bool CopyExamples(const QDir& from, const QDir& to)
{
    if (!QDir().mkpath(to.path()))
        return false;
    for (const QFileInfo& entry : from.entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot)) {
        const QString target = to.filePath(entry.fileName());
        if (entry.isDir() ? !CopyExamples(QDir(entry.filePath()), QDir(target))
                          : !QFile::exists(target) && !QFile::copy(entry.filePath(), target))
            return false;
    }
    return true;
}

TEST(DemoScreenGlTest, ToursDrawAndMoveThePointer)
{
    QTemporaryDir settings;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
    SetMessageBoxHook([](const std::u16string&, const std::u16string&, MessageBoxIcon, MessageBoxButtons) {
        return true;
    });
    static int argc = 1;
    static char name[] = "vellumor";
    static char* argv[] = {name, nullptr};
    auto* app = new COndrelApp(argc, argv);
    const QDir examples(QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("Examples")));
    const bool madeExamples = !examples.exists();
    ASSERT_TRUE(CopyExamples(QDir(QStringLiteral(QT_TESTCASE_SOURCEDIR "/../resources/Examples")), examples));
    ASSERT_TRUE(app->InitInstance());
    CMainFrame* frame = app->MainFrame();
    frame->setGeometry(20, 40, 640, 600);
    frame->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(frame));
    frame->activateWindow();
    RunFor(300);

    ASSERT_TRUE(frame->RunCommand(32822));
    RunFor(6000, [] { return GetDocState()->DrawGraph && GetDemoPlayerState().lineDone; });
    RunFor(500);
    Shot("curves");
    EXPECT_GT(ColouredPixels(frame->GraphView()->grab().toImage()), 100);
    ASSERT_NE(frame->DemoDialog(), nullptr);
    EXPECT_TRUE(frame->DemoDialog()->isVisible());
    EXPECT_GE(frame->DemoDialog()->geometry().left(), frame->geometry().right());

    frame->DemoDialog()->SetSpeedPosition(8);
    ASSERT_TRUE(frame->RunCommand(32821));
    frame->activateWindow();
    const QPoint before = QCursor::pos();
    int shots = 0;
    bool moved = false;
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 20000 && shots < 6) {
        RunFor(1500);
        moved = moved || QCursor::pos() != before;
        const char* names[] = {"basics1", "basics2", "basics3", "basics4", "basics5", "basics6"};
        Shot(names[shots++]);
    }
    EXPECT_TRUE(moved) << "the gestures move the real pointer";
    // The examples tour opens the documents beside the program.
    frame->DemoDialog()->SetSpeedPosition(10);
    ASSERT_TRUE(frame->RunCommand(34039));
    RunFor(8000, [] { return GetDemoPlayerState().currentType > ScriptCount + 1; });
    RunFor(3000, [] { return GetDemoPlayerState().lineDone; });
    Shot("examples");
    EXPECT_GT(GetDocState()->Lines.count, 0);
    frame->StopDemo();
    RunFor(200);
    Shot("stopped");
    EXPECT_FALSE(IsDemoRunning());
    app->ExitInstance(0);
    delete app;
    if (madeExamples)
        QDir(examples).removeRecursively();
    SetMessageBoxHook(nullptr);
}

}  // namespace
