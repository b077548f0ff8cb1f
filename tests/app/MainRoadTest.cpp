// The program as a user first meets it: started, a click in the equation
// pane, y = x^2 typed, Enter, and the curve drawn in the graph pane below.
#include "app/CGraphView.h"
#include "app/CMainFrame.h"
#include "app/COndrelApp.h"
#include "CoreUtilities/MemoryBudget.h"
#include "document/DocState.h"
#include "editor/COndrelView.h"
#include "editor/EditorCommands.h"
#include "editor/EditorStateLife.h"
#include "formula/EditorState.h"
#include "formula/LinearFormulaText.h"
#include "platform/MessageBox.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>
#include <gtest/gtest.h>

#include <string>

namespace {

void RunIdleWork(CMainFrame* frame, int milliseconds)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < milliseconds) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        frame->OnIdleWork();
    }
}

// Pixels that are neither the background nor grey: the curve's colour.
int ColouredPixels(const QImage& image)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            QColor c = image.pixelColor(x, y);
            n += std::max({c.red(), c.green(), c.blue()}) - std::min({c.red(), c.green(), c.blue()}) > 80;
        }
    return n;
}

TEST(MainRoadTest, TypedEquationIsTypesetAndGraphed)
{
    QTemporaryDir settings;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
    static int argc = 1;
    static char name[] = "vellumor";
    static char* argv[] = {name, nullptr};
    auto* app = new COndrelApp(argc, argv);
    SetMessageBoxHook([](const std::u16string&, const std::u16string&, MessageBoxIcon, MessageBoxButtons) {
        return true;
    });
    ASSERT_TRUE(app->InitInstance());
    CMainFrame* frame = app->MainFrame();
    frame->resize(800, 600);
    frame->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(frame));
    RunIdleWork(frame, 200);
    COndrelView* pane = frame->EquationView();
    ASSERT_GT(pane->height(), 40);
    QTest::mouseClick(pane, Qt::LeftButton, {}, QPoint(70, 25));
    QTest::keyClicks(pane, QStringLiteral("y=x^2"));
    DocState* doc = GetDocState();
    ASSERT_EQ(doc->currentLine, 0);
    char* text = FormulaToText(GetEditorRoot(doc->Lines[0].formula), false);
    EXPECT_STREQ(text, "y=x^2");
    BudgetFree(text);
    QTest::keyClick(pane, Qt::Key_Return);
    RunIdleWork(frame, 1500);
    EXPECT_TRUE(doc->DrawGraph);
    QImage graph = frame->GraphView()->grab().toImage();
    EXPECT_GT(ColouredPixels(graph), 100);
    if (const char* shot = std::getenv("VL_MAIN_ROAD_PNG"))
        frame->grab().save(QString::fromLocal8Bit(shot));
    app->ExitInstance(0);
    SetMessageBoxHook(nullptr);
    delete app;
}

}  // namespace
