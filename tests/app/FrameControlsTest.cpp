// The frame's small controls together: Slider Values reaches the document,
// the tool bar and the key palette; Show Keypad shows and hides the palette.
#include "app/CKeyPalette.h"
#include "app/CMainFrame.h"
#include "app/CNewGraphBar.h"
#include "app/CSliderDialog.h"
#include "app/CommandTable.h"
#include "app/ProgramButtons.h"
#include "document/DocState.h"
#include "support/TestApp.h"

#include <QApplication>
#include <QTimer>
#include <gtest/gtest.h>

#include <memory>

namespace {

TEST(FrameControlsTest, SliderValuesReachTheDocumentTheBarAndThePalette)
{
    TestApp();
    auto frame = std::make_unique<CMainFrame>();
    ASSERT_TRUE(frame->Create());
    QTimer::singleShot(0, [] {
        auto* dialog = qobject_cast<CSliderDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        dialog->Field(1027)->setText(QStringLiteral("5"));
        dialog->Field(1030)->setText(QStringLiteral("2"));
        dialog->Field(1033)->setText(QStringLiteral("20"));
        dialog->Field(1035)->setText(QStringLiteral("t"));
        dialog->accept();
    });
    frame->OnSliderValues();
    DocState* doc = GetDocState();
    EXPECT_EQ(doc->SliderMin, 2);
    EXPECT_EQ(doc->SliderMax, 5);
    EXPECT_EQ(doc->SliderSteps, 20);
    EXPECT_EQ(doc->SliderVariable, 't');
    EXPECT_EQ(frame->GraphBar()->SliderSteps(), 20);
    EXPECT_EQ(frame->GraphBar()->Button(CNewGraphBar::IdVariable)->text(), QStringLiteral("t"));
    EXPECT_EQ(frame->KeyPalette()->Key(10)->text(), QStringLiteral("t"));

    // Show Keypad toggles the palette, and its check follows.
    const bool shown = frame->IsKeyPaletteShown();
    frame->OnShowKeypad();
    EXPECT_NE(frame->IsKeyPaletteShown(), shown);
    EXPECT_EQ(CommandCheckState(32785, ReadCommandContext(frame.get())), shown ? CheckOff : CheckOn);
    frame->OnShowKeypad();
    EXPECT_EQ(frame->IsKeyPaletteShown(), shown);
    doc->SliderMin = 0;
    doc->SliderMax = 10;
    doc->SliderSteps = 100;
    doc->SliderVariable = 'n';
}

}  // namespace
