// The equation pane driven as a user drives it: clicks, typed keys, the
// wheel and the bar, focus moving away and back, and the layout and scroll
// extent the document gives it.
#include "app/COndrelDoc.h"
#include "CoreUtilities/GraphWorkerPool.h"
#include "CoreUtilities/MemoryBudget.h"
#include "document/DocLine.h"
#include "document/DocState.h"
#include "document/DocumentHooks.h"
#include "editor/COndrelView.h"
#include "editor/COurEdit.h"
#include "editor/EditorStateLife.h"
#include "editor/EquationPaneInput.h"
#include "editor/EquationViewServices.h"
#include "formula/EditorState.h"
#include "formula/CopyTree.h"
#include "formula/FormulaEngine.h"
#include "formula/FormulaNode.h"
#include "formula/NodeKindTable.h"
#include "formula/TreeWalk.h"
#include "editor/CaretGeometry.h"
#include "formula/LinearFormulaText.h"
#include "platform/MessageText.h"
#include "support/FormulaReader.h"
#include "support/TestApp.h"
#include "support/WaitUntil.h"

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QScrollBar>
#include <QTest>
#include <QTextEdit>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <gtest/gtest.h>

#include <string>

namespace {

std::string FormulaText(const EditorState* state)
{
    char* text = FormulaToText(GetEditorRoot(state), false);
    std::string s = text ? text : "";
    BudgetFree(text);
    return s;
}

class EquationPaneTest : public testing::Test {
protected:
    void SetUp() override
    {
        TestApp();
        static const bool engine = InitFormulaEngine();
        ASSERT_TRUE(engine);
        window_ = new QWidget;
        auto* layout = new QVBoxLayout(window_);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(0);
        view_ = new COndrelView(window_);
        other_ = new QLineEdit(window_);
        layout->addWidget(view_, 1);
        layout->addWidget(other_);
        ASSERT_TRUE(doc_.OnNewDocument());
        Resize(600, 300);
        window_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window_));
        window_->activateWindow();
        QApplication::setActiveWindow(window_);
        view_->setFocus();
        QApplication::processEvents();
        view_->repaint();
    }
    void TearDown() override
    {
        GetDocState()->FreeLines();
        delete window_;
    }

    void Resize(int width, int height)
    {
        view_->setFixedSize(width, height);
        window_->adjustSize();
        QApplication::processEvents();
    }
    DocState* Doc() { return GetDocState(); }
    EditorState* Line(int i) { return Doc()->Lines[i].formula; }
    // A click in the middle of the line's formula.
    void ClickLine(int i, Qt::KeyboardModifiers modifiers = {})
    {
        view_->repaint();
        const EditorState* s = Line(i);
        QTest::mouseClick(view_, Qt::LeftButton, modifiers, QPoint(s->originH + 4, s->originV + 4));
    }
    void Type(const char* keys)
    {
        QTest::keyClicks(view_, QString::fromLatin1(keys));
        view_->repaint();
    }
    void AddLines(int n)
    {
        for (int i = 0; i < n; ++i)
            Doc()->InsertEquationLine();
        view_->InvalidateLayout();
        view_->repaint();
    }

    COndrelDoc doc_;
    QWidget* window_ = nullptr;
    COndrelView* view_ = nullptr;
    QLineEdit* other_ = nullptr;
};

TEST_F(EquationPaneTest, KeysTypedReachTheCurrentLinesFormula)
{
    ClickLine(0);
    Type("2x");
    EXPECT_EQ(FormulaText(Line(0)), "2*x");
    // Arrows and more typing keep going to the same formula.
    QTest::keyClick(view_, Qt::Key_Left);
    Type("3");
    EXPECT_EQ(FormulaText(Line(0)), "23*x");
    // The typed formula is painted: ink right of the swatch, in the line's band.
    QImage shot = view_->grab().toImage();
    int ink = 0;
    for (int x = 45; x < 300; ++x)
        for (int y = Line(0)->originV; y < Line(0)->originV + 30; ++y)
            ink += qGray(shot.pixel(x, y)) < 128;
    EXPECT_GT(ink, 20);
}

TEST_F(EquationPaneTest, CaretShowsOnlyWhileThePaneHasTheFocus)
{
    ClickLine(0);
    Type("ab");
    ASSERT_TRUE(view_->hasFocus());
    EXPECT_TRUE(view_->IsCaretShown());
    QRect caret = view_->CaretRect();
    EXPECT_EQ(caret.width(), 1);
    EXPECT_GT(caret.height(), 5);
    other_->setFocus();
    QApplication::processEvents();
    EXPECT_FALSE(view_->IsCaretShown());
    view_->setFocus();
    QApplication::processEvents();
    EXPECT_TRUE(view_->IsCaretShown());
    // A selection drawn as a highlight has no caret.
    Doc()->BeginEditingCurrentLine();
    UpdateEquationCaret();
    EXPECT_FALSE(view_->IsCaretShown());
}

TEST_F(EquationPaneTest, WheelAndBarScrollByTheirSteps)
{
    AddLines(30);
    const int page = view_->height();
    ASSERT_GT(view_->ScrollLimit(), 2 * page);
    ASSERT_TRUE(view_->HasVerticalScrollBar());
    QScrollBar* bar = view_->VerticalScrollBar();
    view_->ScrollTo(0);
    bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(view_->ScrollPosition(), 10);
    bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(view_->ScrollPosition(), 10 + page);
    bar->triggerAction(QAbstractSlider::SliderSingleStepSub);
    EXPECT_EQ(view_->ScrollPosition(), page);
    bar->triggerAction(QAbstractSlider::SliderToMaximum);
    EXPECT_EQ(view_->ScrollPosition(), view_->ScrollLimit());

    struct Case {
        int lines;
        int start;
        int delta;
        int expected;
    };
    const Case cases[] = {
        {3, 0, -120, 30},         // one notch down: three lines of 10 pixels
        {3, 100, 120, 70},        // and up
        {3, 0, 120, 0},           // never above the top
        {1000, 0, -120, page},    // at most a page downwards per notch
    };
    for (const Case& c : cases) {
        QApplication::setWheelScrollLines(c.lines);
        view_->ScrollTo(c.start);
        QPoint centre(view_->width() / 2, view_->height() / 2);
        QWheelEvent wheel(centre, view_->mapToGlobal(centre), QPoint(), QPoint(0, c.delta), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(view_, &wheel);
        EXPECT_EQ(view_->ScrollPosition(), c.expected) << c.lines << " lines, delta " << c.delta;
    }
    QApplication::setWheelScrollLines(3);
    // Lines move up with the scroll.
    view_->ScrollTo(0);
    view_->repaint();
    int top = Line(0)->originV;
    view_->ScrollTo(40);
    view_->repaint();
    EXPECT_EQ(Line(0)->originV, top - 40);
}

TEST_F(EquationPaneTest, HintCaptionAppearsAtTheEndOfAnExponentAndGoes)
{
    // The exponent is typed with the operator keys once they are installed;
    // here the formula is read in with the caret after its exponent.
    EditorState* s = Line(0);
    FreeTree(s->root);
    s->root = ReadFormula("x^2");
    s->current = s->root->children[1];
    s->mode = CaretAfter;
    Doc()->Recompute();
    view_->InvalidateLayout();
    view_->repaint();
    EXPECT_EQ(std::u16string(Doc()->StatusHint), std::u16string(GetMessageText(28)));
    ShortRect hint = view_->HintCaptionRect();
    EXPECT_FALSE(IsShortRectEmpty(hint));
    EXPECT_EQ(hint.bottom, view_->height());
    EXPECT_EQ(hint.left, 7);
    QTest::keyClick(view_, Qt::Key_Right);
    view_->repaint();
    EXPECT_EQ(Doc()->StatusHint[0], 0);
    EXPECT_TRUE(IsShortRectEmpty(view_->HintCaptionRect()));
}

TEST_F(EquationPaneTest, WrapWidthHasAFloorOf300)
{
    struct Case {
        int width;
        float wrap;
    };
    for (Case c : {Case{362, 300}, Case{300, 300}, Case{200, 300}, Case{363, 301}, Case{600, 538}}) {
        Resize(c.width, 300);
        view_->repaint();
        EXPECT_EQ(Line(0)->wrapWidth, c.wrap) << "pane " << c.width;
    }
}

TEST_F(EquationPaneTest, TextBoxIsNeverNarrowerThan150)
{
    auto* edit = new COurEdit(view_);
    DocLine line;
    InitTextLine(&line);
    line.textBox = edit;
    ASSERT_TRUE(InsertDocLine(&Doc()->Lines, line, 1));
    for (int width : {600, 200, 100}) {
        Resize(width, 300);
        view_->InvalidateLayout();
        view_->repaint();
        EXPECT_GE(edit->width(), 150) << "pane " << width;
        EXPECT_EQ(edit->x(), 7);
    }
    Resize(600, 300);
    view_->InvalidateLayout();
    view_->repaint();
    EXPECT_GT(edit->width(), 150);
    Doc()->Lines[1].textBox = nullptr;
    delete edit;
}

TEST_F(EquationPaneTest, ScrollExtentFollowsTheLastLineAndItsStatus)
{
    view_->ScrollTo(0);
    view_->InvalidateLayout();
    view_->repaint();
    int plain = view_->ScrollExtent();
    EXPECT_EQ(plain, FormulaRectOf(Line(0)).rect.bottom + 15);
    Doc()->Lines[0].status = 5;
    view_->InvalidateLayout();
    view_->repaint();
    EXPECT_EQ(view_->ScrollExtent(), plain + 20);
    // A hidden line shows no status and takes no room for it.
    Doc()->Lines[0].Color = 17;
    view_->InvalidateLayout();
    view_->repaint();
    EXPECT_EQ(view_->ScrollExtent(), plain);
    Doc()->FreeLines();
    Doc()->LayoutLines();
    EXPECT_EQ(view_->ScrollExtent(), 0);
}

TEST_F(EquationPaneTest, SwatchTakesThePressBeforeTheFormula)
{
    ClickLine(0);
    Type("yx");
    AddLines(1);
    ASSERT_EQ(Doc()->currentLine, 1);
    view_->repaint();
    ShortRect swatch;
    Doc()->GetSwatchRect(&swatch, 0, false);
    ASSERT_FALSE(IsShortRectEmpty(swatch));
    QTest::mouseClick(view_, Qt::LeftButton, {}, QPoint(swatch.left + 8, swatch.top + 8));
    EXPECT_EQ(Doc()->currentLine, 1);
    ClickLine(0);
    EXPECT_EQ(Doc()->currentLine, 0);
    EXPECT_EQ(Doc()->EditMode, EditFormula);
    EXPECT_EQ(GetCurrentEditorState(), Line(0));
}

TEST_F(EquationPaneTest, BackspaceOnAnEmptyEquationRemovesItUnlessItIsTheLast)
{
    ClickLine(0);
    Type("y1");
    AddLines(1);
    ASSERT_EQ(Doc()->Lines.count, 2);
    QTest::keyClick(view_, Qt::Key_Backspace);
    ASSERT_EQ(Doc()->Lines.count, 1);
    EXPECT_EQ(Doc()->currentLine, 0);
    EXPECT_EQ(FormulaText(Line(0)), "y*1");
    // Emptied, the only line stays.
    for (int i = 0; i < 6; ++i)
        QTest::keyClick(view_, Qt::Key_Backspace);
    EXPECT_EQ(Doc()->Lines.count, 1);
}

TEST_F(EquationPaneTest, CtrlArrowsWalkTheLines)
{
    AddLines(2);
    ASSERT_EQ(Doc()->currentLine, 2);
    QTest::keyClick(view_, Qt::Key_Up, Qt::ControlModifier);
    EXPECT_EQ(Doc()->currentLine, 1);
    QTest::keyClick(view_, Qt::Key_Up, Qt::ControlModifier);
    QTest::keyClick(view_, Qt::Key_Up, Qt::ControlModifier);
    EXPECT_EQ(Doc()->currentLine, 0);
    QTest::keyClick(view_, Qt::Key_Down, Qt::ControlModifier);
    EXPECT_EQ(Doc()->currentLine, 1);
}

TEST_F(EquationPaneTest, HiddenKeysAndClearingTheDocument)
{
    ClickLine(0);
    const uint8_t meter = FrameRateMeterSwitch;
    QTest::keyClick(view_, Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_NE(FrameRateMeterSwitch, meter);
    QTest::keyClick(view_, Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(FrameRateMeterSwitch, meter);
    QTest::keyClick(view_, Qt::Key_Ampersand, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(Doc()->Lines[0].PlottingMode, 1);
    // '9' runs the graph workers on one processor, '0' on all of them again.
    const int32_t processors = GetProcessorCount();
    QTest::keyClick(view_, Qt::Key_ParenLeft, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(GetProcessorCount(), 1);
    QTest::keyClick(view_, Qt::Key_ParenRight, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(GetProcessorCount(), processors);
    // Without Shift the same key is no hidden key.
    QTest::keyClick(view_, Qt::Key_F, Qt::ControlModifier);
    EXPECT_EQ(FrameRateMeterSwitch, meter);

    Type("ab");
    AddLines(1);
    QTest::keyClick(view_, Qt::Key_Backspace, Qt::ControlModifier);
    ASSERT_EQ(Doc()->Lines.count, 1);
    EXPECT_EQ(GetEditorRoot(Line(0))->kind, KindPlaceholder);
    EXPECT_EQ(Doc()->undo.kind, UndoDocumentText);
    EXPECT_NE(Doc()->undo.snapshotText, nullptr);
}

TEST_F(EquationPaneTest, HiddenKeysTogglePaperAndMakeTheEquationItsFirstStatement)
{
    ClickLine(0);
    Type("2x");
    const int16_t background = Doc()->BackgroundType;
    QTest::keyClick(view_, Qt::Key_R, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_NE(Doc()->BackgroundType, background);
    QTest::keyClick(view_, Qt::Key_R, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(Doc()->BackgroundType, background);

    ASSERT_TRUE(WaitUntil([this] { return Doc()->analysisFinished; }));
    DocLine& line = Doc()->Lines[0];
    if (!line.statements)
        line.statements = new GrowArray<FormulaNode*>{};
    for (FormulaNode* tree : *line.statements)
        FreeTree(tree);
    line.statements->count = 0;
    ASSERT_EQ(line.statements->Push(ReadFormula("y=3")), 0);
    QTest::keyClick(view_, Qt::Key_V, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(FormulaText(Line(0)), "y=3");
    EXPECT_EQ(Doc()->undo.kind, UndoFormulaEdit);
    Doc()->Undo();
    EXPECT_EQ(FormulaText(Line(0)), "2*x");
}

// The pane point at a fraction across the box of the line's variable.
QPoint PointOnVariable(EditorState* s, char letter, float across)
{
    for (FormulaNode* n = GetEditorRoot(s); n; n = NextInPreorder(n)) {
        if (!IsVariable(n, static_cast<uint8_t>(letter)))
            continue;
        FloatRect r{0, 0, 0, 0};
        GetNodeBoxRect(n, r);
        return QPoint(s->originH + static_cast<int>(r.left + (r.right - r.left) * across),
                      s->originV + static_cast<int>((r.top + r.bottom) / 2));
    }
    ADD_FAILURE() << "no " << letter;
    return {};
}

void DragWithButtonHeld(QWidget* view, QPoint to)
{
    QMouseEvent move(QEvent::MouseMove, to, view->mapToGlobal(to), Qt::NoButton, Qt::LeftButton, {});
    QApplication::sendEvent(view, &move);
}

TEST_F(EquationPaneTest, PressInARangeCellStartsItsEditBeforeTheLines)
{
    ClickLine(0);
    Doc()->SetRangePanelRow(0, -2, 2);
    view_->repaint();
    for (int side = 0; side < 2; ++side) {
        SCOPED_TRACE(side);
        const ShortRect cell = Doc()->panels.rangeRows[0].cellRect[side];
        ASSERT_FALSE(IsShortRectEmpty(cell));
        QTest::mouseClick(view_, Qt::LeftButton, {}, QPoint((cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2));
        EXPECT_EQ(Doc()->EditMode, EditRangeCell);
        EXPECT_EQ(Doc()->currentRangeRow, 0);
        EXPECT_EQ(Doc()->currentRangeSide, side);
        EXPECT_EQ(GetCurrentEditorState(), nullptr);
    }
    // Select All takes the cell's whole text, which Ctrl+X cuts.
    SelectAllByEditMode();
    QTest::keyClick(view_, Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(Doc()->panels.rangeRows[0].text[1][0], u'\0');
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "2");
    ClickLine(0);
    EXPECT_EQ(Doc()->EditMode, EditFormula);
}

TEST_F(EquationPaneTest, DraggingAcrossTermsSelectsThem)
{
    ClickLine(0);
    Type("a+b+c");
    view_->repaint();
    QTest::mousePress(view_, Qt::LeftButton, {}, PointOnVariable(Line(0), 'a', 0.5f));
    DragWithButtonHeld(view_, PointOnVariable(Line(0), 'b', 0.5f));
    QTest::mouseRelease(view_, Qt::LeftButton, {}, PointOnVariable(Line(0), 'b', 0.5f));
    EXPECT_EQ(Line(0)->mode, SelectionRun);
    EXPECT_FALSE(CanDragSelectedTerm());
    // A click puts a caret back.
    QTest::mouseClick(view_, Qt::LeftButton, {}, PointOnVariable(Line(0), 'c', 0.9f));
    EXPECT_EQ(Line(0)->mode, CaretAfter);
}

TEST_F(EquationPaneTest, SelectedTermDraggedAcrossEqualsMovesToTheOtherSide)
{
    ClickLine(0);
    Type("a+b=c");
    view_->repaint();
    QTest::mouseDClick(view_, Qt::LeftButton, {}, PointOnVariable(Line(0), 'b', 0.5f));
    ASSERT_EQ(Line(0)->mode, SelectionNode);
    ASSERT_TRUE(CanDragSelectedTerm());
    EXPECT_FALSE(IsShortRectEmpty(GetSelectionRect()));
    const QPoint press = PointOnVariable(Line(0), 'b', 0.5f);
    const QPoint past = PointOnVariable(Line(0), 'c', 1.0f) + QPoint(20, 0);
    QTest::mousePress(view_, Qt::LeftButton, {}, press);
    for (int x = press.x(); x <= past.x(); x += 4)
        DragWithButtonHeld(view_, QPoint(x, press.y()));
    QTest::mouseRelease(view_, Qt::LeftButton, {}, past);
    const std::string now = FormulaText(Line(0));
    EXPECT_NE(now, "a+b=c");
    const size_t equals = now.find('=');
    ASSERT_NE(equals, std::string::npos) << now;
    EXPECT_EQ(now.substr(0, equals).find('b'), std::string::npos) << now;
    EXPECT_EQ(Doc()->undo.kind, UndoFormulaEdit);
}

TEST_F(EquationPaneTest, CopyAndPasteKeysCarryAFormulaBetweenLines)
{
    ClickLine(0);
    Type("2x+1");
    SelectAllByEditMode();
    QTest::keyClick(view_, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(FormulaText(Line(0)), "2*x+1");
    AddLines(1);
    ASSERT_EQ(Doc()->currentLine, 1);
    ASSERT_TRUE(view_->CanPaste());
    QTest::keyClick(view_, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(FormulaText(Line(1)), "2*x+1");
    // Cut takes the formula away and Undo brings it back.
    SelectAllByEditMode();
    QTest::keyClick(view_, Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(GetEditorRoot(Line(1))->kind, KindPlaceholder);
    Doc()->Undo();
    EXPECT_EQ(FormulaText(Line(1)), "2*x+1");
}

TEST(EquationPaneStateTest, RemovingTheOnlyLineLeavesNoCurrentLine)
{
    DocState doc;
    doc.Init(nullptr);
    ASSERT_NE(doc.InsertEquationLine(), nullptr);
    doc.EditMode = EditFormula;
    doc.currentLine = 0;
    doc.RemoveCurrentLine();
    EXPECT_EQ(doc.Lines.count, 0);
    EXPECT_EQ(doc.currentLine, -1);
    EXPECT_EQ(doc.EditMode, EditNothing);
}

}  // namespace
