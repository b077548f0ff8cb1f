// Text blocks: the markup a box is written as and read from, pasted text
// made plain of what markup cannot carry, the box's height, the Text menu's
// sizes, and New Text Block in the equation pane.
#include "app/COndrelDoc.h"
#include "CoreUtilities/MemoryBudget.h"
#include "document/DocState.h"
#include "document/DocumentReader.h"
#include "document/DocumentWriter.h"
#include "editor/COndrelView.h"
#include "editor/COurEdit.h"
#include "editor/TextBlocks.h"
#include "formula/EditorState.h"
#include "formula/FormulaEngine.h"
#include "support/TestApp.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

std::string Written()
{
    int32_t length = 0;
    char* text = WriteDocumentText(GetDocState(), &length);
    std::string written = text ? std::string(text, static_cast<size_t>(length)) : "";
    BudgetFree(text);
    return written;
}

// The statement a text block is written as, from a written document.
std::string TextStatement(const std::string& document)
{
    size_t start = document.find("Text \"");
    if (start == std::string::npos)
        return "";
    size_t end = document.find("\";\r", start);
    return document.substr(start + 6, end - start - 6);
}

class TextBlocksTest : public testing::Test {
protected:
    void SetUp() override
    {
        TestApp();
        static const bool engine = InitFormulaEngine();
        ASSERT_TRUE(engine);
        ASSERT_TRUE(doc_.OnNewDocument());
        std::strcpy(GetDocState()->FontName, "Times New Roman");
        GetDocState()->FontSizes = 24;
    }
    void TearDown() override { GetDocState()->FreeLines(); }

    // A box in the document's face and size, as the reader makes one.
    std::unique_ptr<COurEdit> Box()
    {
        std::unique_ptr<COurEdit> box(NewTextBox());
        box->setParent(nullptr);
        SetTextBoxSelectionFace("Times New Roman", box.get());
        SetTextBoxSelectionSize(24, box.get());
        return box;
    }
    static void Type(COurEdit* box, const char* utf8) { ReplaceTextBoxSelection(utf8, std::strlen(utf8), true, box); }
    static std::string Markup(COurEdit* box) { return TextDocumentMarkup(box->document(), "Times New Roman", 24); }

    COndrelDoc doc_;
};

TEST_F(TextBlocksTest, MarkupMarksEveryChangeFromTheRunningFormat)
{
    struct Case {
        const char* name;
        void (*build)(COurEdit* box);
        const char* markup;
    };
    const Case cases[] = {
        {"a, <, then a bold b", [](COurEdit* b) { Type(b, "a<"); SetTextBoxBold(b, true); Type(b, "b"); },
         "a<<<B>b"},
        {"quotes doubled", [](COurEdit* b) { Type(b, "say \"hi\""); }, "say \"\"hi\"\""},
        {"the document's face and size take no marks", [](COurEdit* b) { Type(b, "plain"); }, "plain"},
        {"effects on and off",
         [](COurEdit* b) {
             SetTextBoxItalic(b, true);
             Type(b, "i");
             SetTextBoxUnderline(b, true);
             Type(b, "u");
             SetTextBoxItalic(b, false);
             SetTextBoxUnderline(b, false);
             Type(b, "x");
         },
         "<I>i<U>u</I></U>x"},
        {"sizes and faces",
         [](COurEdit* b) {
             SetTextBoxSelectionSize(12, b);
             Type(b, "s");
             SetTextBoxSelectionFace("Liberation Sans", b);
             SetTextBoxSelectionSize(24, b);
             Type(b, "f");
         },
         "<size=12>s<font=Liberation Sans><size=24>f"},
        {"a face cut to what a mark holds",
         [](COurEdit* b) {
             SetTextBoxSelectionFace("Odd>Face[2]\"With A Very Long Name Indeed", b);
             Type(b, "z");
         },
         "<font=OddFace2]With A Very Long Name >z"},
        {"characters beyond ASCII as UTF-8",
         [](COurEdit* b) { Type(b, "\xCF\x80 \xF0\x9D\x91\xA5 \xC3\xA9"); }, "\xCF\x80 \xF0\x9D\x91\xA5 \xC3\xA9"},
        {"paragraphs end with a carriage return",
         [](COurEdit* b) {
             Type(b, "one");
             QTextCursor c = b->textCursor();
             c.insertBlock();
             b->setTextCursor(c);
             Type(b, "two");
         },
         "one\rtwo"},
        {"a NUL from a file is dropped", [](COurEdit* b) { ReplaceTextBoxSelection("a\0b", 3, true, b); }, "ab"},
        {"Macintosh text", [](COurEdit* b) { ReplaceTextBoxSelection("caf\x8E \xB9", 6, false, b); },
         "caf\xC3\xA9 \xCF\x80"},
    };
    for (const Case& c : cases) {
        auto box = Box();
        c.build(box.get());
        EXPECT_EQ(Markup(box.get()), c.markup) << c.name;
    }
}

TEST_F(TextBlocksTest, StyledTextReadsBackAsWritten)
{
    const std::string markup = "Mixed <B>bold</B> <<tag> \"\"q\"\" \xCF\x80\xF0\x9D\x91\xA5\r"
                               "<font=Liberation Sans><size=36><I>it<U>u<size=9></I></U>small";
    const std::string file = "Vellumor 4;\rText \"" + markup + "\";\r";
    DocState* doc = GetDocState();
    doc->Reset(nullptr);
    ASSERT_TRUE(ReadDocumentText(doc, file.data(), file.size()));
    ASSERT_EQ(doc->Lines.count, 1);
    COurEdit* box = doc->Lines[0].textBox;
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->toPlainText(), QString::fromUtf8("Mixed bold <tag> \"q\" \xCF\x80\xF0\x9D\x91\xA5\nitusmall"));
    // The formats are the box's own, not only marks kept aside.
    QTextCursor cursor(box->document());
    cursor.setPosition(8);
    EXPECT_EQ(cursor.charFormat().fontWeight(), QFont::Bold);
    const std::string written = Written();
    EXPECT_EQ(TextStatement(written), markup);
    // And what was written reads again to the same text.
    doc->Reset(nullptr);
    ASSERT_TRUE(ReadDocumentText(doc, written.data(), written.size()));
    EXPECT_EQ(Written(), written);
}

TEST_F(TextBlocksTest, PastedTextKeepsOnlyFacesSizesAndEffects)
{
    auto box = Box();
    box->resize(300, 100);
    auto* data = new QMimeData;
    data->setHtml("<span style=\"color:#ff0000; background:#00ff00; vertical-align:super; letter-spacing:4px; "
                  "font-size:18pt; font-weight:bold; font-family:'Liberation Serif'\">hot</span>");
    data->setText("hot");
    QApplication::clipboard()->setMimeData(data);
    box->paste();
    EXPECT_EQ(box->toPlainText(), "hot");
    QTextCursor cursor(box->document());
    cursor.setPosition(1);
    const QTextCharFormat format = cursor.charFormat();
    EXPECT_FALSE(format.hasProperty(QTextFormat::ForegroundBrush));
    EXPECT_FALSE(format.hasProperty(QTextFormat::BackgroundBrush));
    EXPECT_FALSE(format.hasProperty(QTextFormat::FontLetterSpacing));
    EXPECT_EQ(format.verticalAlignment(), QTextCharFormat::AlignNormal);
    EXPECT_FALSE(format.hasProperty(QTextFormat::FontPointSize));
    EXPECT_GT(format.intProperty(QTextFormat::FontPixelSize), 18);
    EXPECT_EQ(Markup(box.get()).substr(0, 3), "<fo") << Markup(box.get());
    EXPECT_NE(Markup(box.get()).find("<B>hot"), std::string::npos);
    // Pictures are not text.
    auto* picture = new QMimeData;
    picture->setImageData(QImage(4, 4, QImage::Format_RGB32));
    QApplication::clipboard()->setMimeData(picture);
    EXPECT_FALSE(box->canPaste());
}

TEST_F(TextBlocksTest, BoxHeightFollowsItsText)
{
    auto box = Box();
    box->resize(200, 50);
    const int32_t empty = RequestHeight(box.get());
    Type(box.get(), "one line");
    const int32_t one = RequestHeight(box.get());
    EXPECT_EQ(box->requestedHeight, one);
    for (int i = 0; i < 4; ++i) {
        QTextCursor c = box->textCursor();
        c.insertBlock();
        box->setTextCursor(c);
        Type(box.get(), "more");
    }
    const int32_t five = RequestHeight(box.get());
    EXPECT_GT(five, one + 3 * 20);
    // Larger type needs more room; an emptied box shrinks back.
    box->selectAll();
    SetTextBoxSelectionSize(48, box.get());
    EXPECT_GT(RequestHeight(box.get()), five);
    box->clear();
    EXPECT_LE(RequestHeight(box.get()), empty + 30);
}

class TextBlockPaneTest : public TextBlocksTest {
protected:
    void SetUp() override
    {
        TextBlocksTest::SetUp();
        view_ = new COndrelView(nullptr);
        view_->resize(500, 400);
        view_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(view_));
    }
    void TearDown() override
    {
        TextBlocksTest::TearDown();
        delete view_;
    }
    COndrelView* view_ = nullptr;
};

TEST_F(TextBlockPaneTest, NewTextBlockGoesAfterTheCurrentLineOrFocusesTheOneThere)
{
    DocState* doc = GetDocState();
    doc->InsertEquationLine();
    doc->InsertEquationLine();
    ASSERT_EQ(doc->Lines.count, 3);
    doc->EndEditing();
    doc->currentLine = 0;
    doc->BeginEditingCurrentLine();
    view_->OnNewTextBlock();
    ASSERT_EQ(doc->Lines.count, 4);
    EXPECT_EQ(doc->Lines[1].kind, DocLineText);
    EXPECT_EQ(doc->currentLine, 1);
    EXPECT_EQ(doc->EditMode, EditTextOrCell);
    COurEdit* box = doc->Lines[1].textBox;
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(CurrentTextBox(), box);
    // The box is laid out in the pane, between the lines, and takes keys.
    view_->repaint();
    EXPECT_TRUE(box->isVisible());
    EXPECT_GT(box->y(), doc->Lines[0].formula->originV);
    EXPECT_LT(box->y() + box->height(), doc->Lines[2].formula->originV);
    // A press in the block makes its line the edited one.
    doc->EndEditing();
    QTest::mouseClick(box->viewport(), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(doc->currentLine, 1);
    EXPECT_EQ(doc->EditMode, EditTextOrCell);
    QTest::keyClicks(box, "Hello");
    EXPECT_EQ(box->toPlainText(), "Hello");
    EXPECT_EQ(doc->undo.kind, UndoTextBox);
    // Before the line after it (Shift), the block already there is edited.
    doc->EndEditing();
    doc->currentLine = 2;
    doc->BeginEditingCurrentLine();
    view_->OnNewTextBlock(true);
    EXPECT_EQ(doc->Lines.count, 4);
    EXPECT_EQ(doc->currentLine, 1);
    EXPECT_EQ(box->textCursor().selectedText(), "Hello");
    // Backspace in an emptied block removes it.
    QTest::keyClick(box, Qt::Key_Delete);
    ASSERT_TRUE(box->document()->isEmpty());
    QTest::keyClick(box, Qt::Key_Backspace);
    EXPECT_EQ(doc->Lines.count, 3);
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    // In an emptied document, before or after, the block is the only line.
    doc->FreeLines();
    view_->OnNewTextBlock(true);
    ASSERT_EQ(doc->Lines.count, 1);
    EXPECT_EQ(doc->Lines[0].kind, DocLineText);
    EXPECT_EQ(CurrentTextBox(), doc->Lines[0].textBox);
}

TEST_F(TextBlockPaneTest, TextMenuSizesAndEffectsApplyToTheSelection)
{
    DocState* doc = GetDocState();
    view_->OnNewTextBlock();
    COurEdit* box = CurrentTextBox();
    ASSERT_NE(box, nullptr);
    QTest::keyClicks(box, "word");
    box->selectAll();
    ToggleTextEffect(TextBold);
    EXPECT_EQ(GetSelectionFormat(box).effectsOn, TextBold);
    ToggleTextEffect(TextBold);
    EXPECT_EQ(GetSelectionFormat(box).effectsOff, 7);
    // A partly bold selection becomes bold throughout.
    QTextCursor part = box->textCursor();
    part.setPosition(0);
    part.setPosition(2, QTextCursor::KeepAnchor);
    box->setTextCursor(part);
    ToggleTextEffect(TextBold);
    box->selectAll();
    EXPECT_EQ(GetSelectionFormat(box).effectsOn, 0);
    ToggleTextEffect(TextBold);
    EXPECT_EQ(GetSelectionFormat(box).effectsOn, TextBold);
    SetPlainText();
    EXPECT_EQ(GetSelectionFormat(box).effectsOff, 7);
    // Ctrl+- stops at 6 pixels; Ctrl+= keeps growing.
    SetTextMenuSize(7);
    EXPECT_EQ(GetSelectionFormat(box).pixels, 7);
    QTest::keyClick(box, Qt::Key_Minus, Qt::ControlModifier);
    QTest::keyClick(box, Qt::Key_Minus, Qt::ControlModifier);
    EXPECT_EQ(GetSelectionFormat(box).pixels, 6);
    EXPECT_EQ(box->toPlainText(), "word");
    SetTextMenuSize(36);
    QTest::keyClick(box, Qt::Key_Equal, Qt::ControlModifier);
    EXPECT_EQ(GetSelectionFormat(box).pixels, 37);
    EXPECT_EQ(doc->EditMode, EditTextOrCell);
}

}  // namespace
