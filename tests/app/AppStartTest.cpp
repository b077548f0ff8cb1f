#include "app/CGraphView.h"
#include "app/CMainFrame.h"
#include "app/COndrelApp.h"
#include "app/CVLSplitterWnd.h"
#include "CoreUtilities/FailureRegister.h"
#include "CoreUtilities/MemoryBudget.h"
#include "editor/COndrelView.h"
#include "platform/MessageBox.h"
#include "platform/MessageText.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

// One application object per process: the whole start, idle and exit path
// runs in a single test.
TEST(AppStartTest, StartsShowsPendingFailuresOnceAndQuits)
{
    setenv("LC_NUMERIC", "de_DE.UTF-8", 1);
    QTemporaryDir settingsDir;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir.path());
    std::vector<std::u16string> shown;
    bool allOnInterfaceThread = true;
    SetMessageBoxHook([&](const std::u16string& text, const std::u16string&, MessageBoxIcon,
                          MessageBoxButtons) {
        allOnInterfaceThread = allOnInterfaceThread && QThread::currentThread() == qApp->thread();
        shown.push_back(text);
        return true;
    });

    int argc = 1;
    char name[] = "vellumor";
    char* argv[] = {name, nullptr};
    COndrelApp app(argc, argv);
    EXPECT_LE(PhysicalMemoryBytes, 2147483648.0);
    EXPECT_GT(PhysicalMemoryBytes, 0.0);
    EXPECT_STREQ(std::setlocale(LC_NUMERIC, nullptr), "C");

    ASSERT_TRUE(app.InitInstance());
    CMainFrame* frame = app.MainFrame();
    ASSERT_NE(frame, nullptr);
    // The title carries the placeholder of the modified mark.
    EXPECT_EQ(frame->windowTitle().remove(QStringLiteral("[*]")), QStringLiteral("Untitled - Vellumor"));
    EXPECT_EQ(QCoreApplication::organizationName(), QStringLiteral("Kestrane"));
    CVLSplitterWnd* splitter = frame->Splitter();
    ASSERT_NE(splitter, nullptr);
    ASSERT_EQ(splitter->count(), 2);
    EXPECT_EQ(splitter->widget(0), frame->EquationView());
    EXPECT_EQ(splitter->widget(1), frame->GraphView());
    EXPECT_EQ(splitter->orientation(), Qt::Vertical);

    // A failure posted from anywhere is shown once by the idle work; a
    // transparency failure is re-armed so that it can be shown again.
    // The first ones come from a worker thread.
    std::thread worker([] {
        PostFailure(49);
        PostFailure(49);
    });
    worker.join();
    // Each step waits for the box of the one before, so that a slow start
    // (first paint, a sanitizer build) cannot reorder them.
    int stage = 0;
    QTimer steps;
    QObject::connect(&steps, &QTimer::timeout, [&] {
        if (stage == 0 && shown.size() == 1) {
            PostFailure(40);
            ++stage;
        } else if (stage == 1 && shown.size() == 2) {
            PostFailure(49);
            PostFailure(40);
            ++stage;
        } else if (stage == 2 && shown.size() == 3) {
            // A little longer, to see that nothing more is shown.
            ++stage;
            QTimer::singleShot(500, &app, &QCoreApplication::quit);
        }
    });
    steps.start(20);
    QTimer::singleShot(30000, &app, &QCoreApplication::quit);
    int code = app.ExitInstance(app.exec());
    SetMessageBoxHook(nullptr);

    EXPECT_EQ(code, 0);
    std::vector<std::u16string> expected = {u"Rendering error.", GetMessageText(40), GetMessageText(40)};
    EXPECT_EQ(shown, expected);
    EXPECT_TRUE(allOnInterfaceThread);
    EXPECT_EQ(app.MainFrame(), nullptr);
}

}  // namespace
