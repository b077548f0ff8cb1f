#include "editor/FormulaClipboard.h"

#include "editor/EditedText.h"
#include "editor/EditorCommands.h"
#include "editor/FormulaScrap.h"
#include "formula/EditorState.h"
#include "formula/FormulaNode.h"
#include "formula/NodeKindTable.h"
#include "support/EditTreeInvariants.h"
#include "support/TypesetFixture.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr int32_t kCut = 8704;
constexpr int32_t kCopy = 8705;
constexpr int32_t kPaste = 8706;

class FormulaClipboardTest : public TypesetTest {
protected:
    void SetUp() override
    {
        TypesetTest::SetUp();
        ClearFormulaScrap();
        QGuiApplication::clipboard()->clear();
    }
    void TearDown() override
    {
        ClearFormulaScrap();
        TypesetTest::TearDown();
    }
    void Command(int32_t code)
    {
        RunEditorCommand(code, 0, &state_, nullptr);
        EXPECT_TRUE(EditTreeInvariantsHold(state_)) << code;
    }
};

TEST_F(FormulaClipboardTest, CopyAndPasteRoundTripThroughTheSystemClipboard)
{
    Load("x^2+sin(y)/[a-b]");
    ASSERT_TRUE(CopyFormulaToClipboard(&state_));
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(data, nullptr);
    EXPECT_TRUE(data->hasFormat(kFormulaMimeType));
    EXPECT_TRUE(data->hasImage());
    // Formula copy puts no plain text beside its own format.
    EXPECT_FALSE(data->hasText());
    // Forget the scrap: the paste reads the clipboard.
    ClearFormulaScrap();
    Load("c");
    state_.mode = CaretAfter;
    ASSERT_TRUE(PasteFormulaFromClipboard(&state_));
    EXPECT_TRUE(EditTreeInvariantsHold(state_));
    EXPECT_EQ(Text(), "c*(x^2+sin(y)/(a-b))");
}

TEST_F(FormulaClipboardTest, PlainTextFromOtherProgramsIsReadAsAFormula)
{
    QGuiApplication::clipboard()->setText("2*x+1");
    EXPECT_TRUE(ClipboardCanPaste());
    Load("y");
    ASSERT_TRUE(PasteFormulaFromClipboard(&state_));
    EXPECT_EQ(Text(), "2*x+1");
    // Text that is no formula leaves the scrap: the last formula pastes again.
    QGuiApplication::clipboard()->setText("2*+)(");
    Load("z");
    PasteFormulaFromClipboard(&state_);
    EXPECT_EQ(Text(), "2*x+1");
    QGuiApplication::clipboard()->setText("1\t2\n3\t4");
    EXPECT_TRUE(ClipboardHasTableText());
}

TEST_F(FormulaClipboardTest, CopyAsTextWritesPlainLinearText)
{
    Load("[a+b]*c");
    ASSERT_TRUE(CopyFormulaAsText(&state_));
    EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), "(a+b)*c");
    // An operator gap has no text: the clipboard is left alone.
    Load("a+b");
    state_.mode = SelectionGap;
    state_.caret = 0;
    EXPECT_FALSE(CopyFormulaAsText(&state_));
}

TEST_F(FormulaClipboardTest, ScrapCommands)
{
    // The + of a + b copied, then pasted after c: c + □.
    Load("a+b");
    state_.mode = SelectionGap;
    state_.caret = 0;
    Command(kCopy);
    EXPECT_EQ(ScrapOperatorKind, KindSum);
    Load("c");
    state_.mode = CaretAfter;
    Command(kPaste);
    EXPECT_EQ(Text(), "c+?");
    // b + c pasted over the empty term of a + □: one flat sum, b, c selected.
    Load("b+c");
    Command(kCopy);
    Load("a");
    Command(KindSum);
    ASSERT_EQ(Text(), "a+?");
    Command(kPaste);
    EXPECT_EQ(Text(), "a+b+c");
    EXPECT_EQ(state_.mode, SelectionRun);
    EXPECT_EQ(state_.caret, 1);
    EXPECT_EQ(state_.anchor, 2);
    // Cut leaves an empty box where the node was.
    Load("x*y");
    Select("y");
    Command(kCut);
    EXPECT_EQ(Text(), "x");
    ASSERT_NE(FormulaScrap, nullptr);
}

TEST_F(FormulaClipboardTest, DigitsPasteIntoANumbersText)
{
    Load("12345");
    state_.mode = InNumber;
    state_.caret = 1;
    state_.anchor = 3;
    Command(kCopy);
    Load("678");
    state_.mode = InNumber;
    state_.caret = state_.anchor = 1;
    Command(kPaste);
    EXPECT_EQ(Text(), "62378");
    // Not into a number that would grow past its field.
    Load("1");
    SetNumberText(root_, u"1234567890123456789012");
    state_.mode = InNumber;
    state_.caret = state_.anchor = 3;
    Command(kPaste);
    EXPECT_EQ(TypedNumberText(root_), u"1234567890123456789012");
}

TEST_F(FormulaClipboardTest, HostileClipboardDataIsRefusedWhole)
{
    Load("q");
    Command(kCopy);
    const QByteArray hostile[] = {
        QByteArray(), QByteArray("\0\0\0", 3), QByteArray(2 << 20, 'x'), QByteArray(5000, '('),
        QByteArray("x+"), QByteArray("sin(", 4),
    };
    for (const QByteArray& bytes : hostile) {
        EXPECT_FALSE(FormulaScrapFromText(bytes)) << bytes.left(20).toStdString();
        ASSERT_NE(FormulaScrap, nullptr);
    }
    // What follows the terminating NUL is not read.
    EXPECT_TRUE(FormulaScrapFromText(QByteArray("a+b\0junk(", 9)));
}

TEST_F(FormulaClipboardTest, FormulaPictureShowsTheFormula)
{
    Load("x^2+1/y");
    QImage picture = RenderFormulaPicture(&state_);
    ASSERT_FALSE(picture.isNull());
    EXPECT_GT(picture.width(), 20);
    EXPECT_GT(picture.height(), 10);
    int ink = 0;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            ink += (picture.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF;
    EXPECT_GT(ink, 20);
    if (const char* dir = std::getenv("VL_PICTURE_DIR"))
        picture.save(QString(dir) + "/formula-picture.png");
}

}  // namespace
