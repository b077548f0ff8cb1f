// The shell's dialogs: Slider Values, 2D Range, the progress of long work
// and the demo controller's placement and speed.
#include "app/CDemoDialog.h"
#include "app/CDialog2dRange.h"
#include "app/CSliderDialog.h"
#include "app/CWaitDialog.h"
#include "app/ProgramButtons.h"
#include "platform/MessageBox.h"
#include "support/TestApp.h"

#include <QApplication>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {

class ShellDialogsTest : public testing::Test {
protected:
    void SetUp() override
    {
        TestApp();
        SetMessageBoxHook([this](const std::u16string& text, const std::u16string&, MessageBoxIcon, MessageBoxButtons) {
            messages_.push_back(QString::fromStdU16String(text));
            return true;
        });
    }
    void TearDown() override { SetMessageBoxHook({}); }
    QStringList messages_;
};

TEST_F(ShellDialogsTest, SliderValuesSwapAReversedRangeAndEnforceTheBounds)
{
    CSliderDialog dialog(nullptr);
    dialog.SetValues(10, 5, 2, QStringLiteral("t"));
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.Lowest(), 2);
    EXPECT_EQ(dialog.Highest(), 5);
    EXPECT_EQ(dialog.Field(1027)->text(), QStringLiteral("2"));
    EXPECT_EQ(dialog.Variable(), QStringLiteral("t"));

    // Each bad field keeps the dialog open with its message.
    const struct {
        int32_t field;
        const char* text;
    } refused[] = {{1033, "0"}, {1033, "501"}, {1033, "2.5"}, {1033, ""}, {1027, "-500.5"}, {1030, "x"}, {1030, "inf"}};
    for (const auto& r : refused) {
        CSliderDialog d(nullptr);
        d.Field(r.field)->setText(QString::fromUtf8(r.text));
        d.setResult(QDialog::Rejected);
        messages_.clear();
        d.accept();
        EXPECT_EQ(d.result(), QDialog::Rejected) << r.field << " " << r.text;
        EXPECT_EQ(messages_.size(), 1) << r.field << " " << r.text;
        EXPECT_EQ(d.Steps(), 1);
    }
    CSliderDialog edge(nullptr);
    edge.SetValues(500, -500, 500, QStringLiteral("n"));
    edge.accept();
    EXPECT_EQ(edge.result(), QDialog::Accepted);
}

TEST_F(ShellDialogsTest, VariableFieldTakesOneLetterOnly)
{
    CSliderDialog dialog(nullptr);
    QLineEdit* field = dialog.Field(1035);
    field->clear();
    QTest::keyClicks(field, "5");
    EXPECT_EQ(field->text(), QString());
    QTest::keyClicks(field, "ab");
    EXPECT_EQ(field->text(), QStringLiteral("a"));
    QTest::keyClick(field, Qt::Key_Backspace);
    QTest::keyClicks(field, "Z");
    EXPECT_EQ(field->text(), QStringLiteral("Z"));
}

TEST_F(ShellDialogsTest, RangeDialogStartsAtTensAndRefusesText)
{
    CDialog2dRange dialog(nullptr);
    EXPECT_EQ(dialog.Field(CDialog2dRange::Left)->text(), QStringLiteral("-10"));
    EXPECT_EQ(dialog.Field(CDialog2dRange::Below)->text(), QStringLiteral("10"));
    dialog.Field(CDialog2dRange::Right)->setText(QStringLiteral("ten"));
    dialog.accept();
    EXPECT_NE(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(messages_.size(), 1);
    dialog.Field(CDialog2dRange::Right)->setText(QStringLiteral("2.5"));
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.Values()[CDialog2dRange::Right], 2.5);
}

TEST_F(ShellDialogsTest, ProgressCancelStopsTheWorkAndEnablesTheWindow)
{
    QWidget mainWindow;
    mainWindow.show();
    bool keepGoing = true;
    int steps = 0;
    {
        CWaitDialog wait(&keepGoing, QString(), QString(), &mainWindow);
        EXPECT_EQ(wait.windowTitle(), QStringLiteral("Working"));
        EXPECT_FALSE(mainWindow.isEnabled());
        wait.SetProgress(150);
        EXPECT_EQ(wait.value(), 100);
        wait.SetProgress(-5);
        EXPECT_EQ(wait.value(), 0);
        auto* cancel = wait.findChild<QPushButton*>();
        ASSERT_NE(cancel, nullptr);
        // The work: a step, its progress, until the flag drops.
        for (; keepGoing && steps < 1000; ++steps) {
            if (steps == 3)
                QMetaObject::invokeMethod(cancel, "click", Qt::QueuedConnection);
            wait.SetProgress(steps / 10);
        }
        EXPECT_FALSE(keepGoing);
        EXPECT_LE(steps, 5);
        EXPECT_TRUE(mainWindow.isEnabled());
        EXPECT_FALSE(wait.isVisible());
    }
    EXPECT_TRUE(mainWindow.isEnabled());
}

TEST_F(ShellDialogsTest, ProgressSitsBelowThePaneOrAboveWhenNoRoom)
{
    const QRect work(0, 0, 1000, 800);
    const QSize dialog(200, 100);
    EXPECT_EQ(CWaitDialog::PlaceByPane(QRect(100, 100, 400, 300), dialog, work), QPoint(200, 408));
    EXPECT_EQ(CWaitDialog::PlaceByPane(QRect(100, 300, 400, 450), dialog, work), QPoint(200, 192));
}

TEST_F(ShellDialogsTest, DemoDialogMovesOrNarrowsTheFrameToFitBesideIt)
{
    const QRect work(0, 0, 1280, 1024);
    const struct {
        QRect frame;
        QRect placed;
    } cases[] = {
        {QRect(100, 50, 800, 600), QRect(100, 50, 800, 600)},  // fits as it is
        {QRect(600, 50, 800, 600), QRect(180, 50, 800, 600)},  // moved left by the overflow
        {QRect(100, 50, 1200, 600), QRect(0, 50, 980, 600)},   // wider than both: narrowed
    };
    for (const auto& c : cases) {
        CDemoDialog::Placement p = CDemoDialog::PlaceBesideFrame(c.frame, 300, work, work);
        EXPECT_EQ(p.frame, c.placed);
        EXPECT_EQ(p.dialog, QPoint(c.placed.right() + 1, c.placed.top()));
    }
    EXPECT_EQ(CDemoDialog::SpeedTicks(10), 0);
    EXPECT_EQ(CDemoDialog::SpeedTicks(5), 240);
    EXPECT_EQ(CDemoDialog::SpeedTicks(8), 96);
    EXPECT_EQ(CDemoDialog::SpeedTicks(0), static_cast<int32_t>(240 * std::exp(5.0)));
}

TEST_F(ShellDialogsTest, DemoDialogReportsTypePauseAndStop)
{
    CDemoDialog dialog(nullptr);
    dialog.show();
    dialog.SelectDemoType(9);
    EXPECT_EQ(dialog.SelectedDemoType(), 9);
    dialog.SelectDemoType(2);  // no such tour
    EXPECT_EQ(dialog.SelectedDemoType(), 0);
    QList<bool> paused;
    QObject::connect(&dialog, &CDemoDialog::UserInputChanged, [&](bool p) { paused << p; });
    dialog.Button(CDemoDialog::IdPause)->click();
    EXPECT_FALSE(dialog.Button(CDemoDialog::IdPlay)->isHidden());
    EXPECT_TRUE(dialog.Button(CDemoDialog::IdPause)->isHidden());
    dialog.Button(CDemoDialog::IdPlay)->click();
    EXPECT_EQ(paused, (QList<bool>{true, false}));
    int stops = 0;
    QObject::connect(&dialog, &CDemoDialog::StopRequested, [&] { ++stops; });
    dialog.SetCaption(QStringLiteral("A tour"));
    dialog.Button(CDemoDialog::IdStop)->click();
    EXPECT_EQ(stops, 1);
    EXPECT_FALSE(dialog.isVisible());
}

}  // namespace
