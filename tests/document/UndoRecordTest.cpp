#include "CoreUtilities/CoopThread.h"
#include "CoreUtilities/MemoryBudget.h"
#include "CoreUtilities/ThreadStorage.h"
#include "document/DocState.h"
#include "document/DocumentHooks.h"
#include "document/DocumentServices.h"
#include "formula/CopyTree.h"
#include "formula/EditorState.h"
#include "formula/FormulaNode.h"
#include "support/DocumentLines.h"
#include "support/FormulaReader.h"
#include "support/LinearText.h"
#include "support/TestApp.h"
#include "support/TreeFixture.h"
#include "support/WaitUntil.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

// A document of equation lines whose first line is being edited.
class UndoRecordTest : public TreeTest {
protected:
    static void SetUpTestSuite() { TestApp(); }

    void SetUp() override
    {
        TreeTest::SetUp();
        ASSERT_TRUE(EnsureEvalFrame());
        RegisterDocumentServices();
        doc.Init(nullptr);
    }

    void TearDown() override
    {
        WaitForAnalysis();
        doc.FreeUndoRecord();
        doc.FreeLines();
        TreeTest::TearDown();
    }

    void WaitForAnalysis()
    {
        EXPECT_TRUE(WaitUntil([&] {
            CoopSliceOverrun = 0;
            RunCoopThreadSlice();
            return doc.AnalysisThread == NoCoopThread;
        }));
    }

    EditorState* Edit(int32_t line)
    {
        doc.EditMode = EditFormula;
        doc.currentLine = line;
        EditorState* state = doc.Lines[line].formula;
        SetCurrentEditorState(state);
        return state;
    }

    // The user's edit: the whole formula becomes the text.
    void Replace(EditorState* state, const char* text)
    {
        FreeTree(state->root);
        state->root = ReadFormula(text);
        state->current = state->root;
    }

    std::string Formula(int32_t line) { return LinearText(doc.Lines[line].formula->root); }

    DocState doc;
};

TEST_F(UndoRecordTest, UndoTwiceBringsTheEditBackWithTheCaret)
{
    ASSERT_TRUE(AppendEquationLine(doc, "y=x+1"));
    EditorState* state = Edit(0);
    // The caret on the 1: right side, second term.
    state->current = state->root->children[1]->children[1];
    state->mode = 1;
    state->caret = 1;
    doc.SaveUndoForEdit();
    EXPECT_EQ(doc.undo.kind, UndoFormulaEdit);
    EXPECT_EQ(doc.undo.caretPathLength, 2);
    Replace(state, "y=x+2");
    state->mode = 0;

    doc.Undo();
    EXPECT_EQ(Formula(0), "y=x+1");
    state = doc.Lines[0].formula;
    ASSERT_NE(state->current, nullptr);
    EXPECT_EQ(state->current, state->root->children[1]->children[1]);
    EXPECT_EQ(state->mode, 1);
    EXPECT_EQ(state->caret, 1);
    EXPECT_EQ(doc.EditMode, EditFormula);
    EXPECT_EQ(doc.currentLine, 0);
    WaitForAnalysis();

    // The second Undo undoes the first.
    doc.Undo();
    EXPECT_EQ(Formula(0), "y=x+2");
    EXPECT_EQ(doc.Lines[0].formula->current, doc.Lines[0].formula->root);
    doc.Undo();
    EXPECT_EQ(Formula(0), "y=x+1");
}

TEST_F(UndoRecordTest, ACaretAtTheRootSavesNoPath)
{
    ASSERT_TRUE(AppendEquationLine(doc, "a=2"));
    EditorState* state = Edit(0);
    state->current = state->root;
    doc.SaveUndoForEdit();
    EXPECT_EQ(doc.undo.caretPath, nullptr);
    Replace(state, "a=3");
    state->current = state->root->children[1];
    doc.Undo();
    EXPECT_EQ(Formula(0), "a=2");
    EXPECT_EQ(doc.Lines[0].formula->current, doc.Lines[0].formula->root);
}

TEST_F(UndoRecordTest, ARecordOfALineThatWentIsDropped)
{
    ASSERT_TRUE(AppendEquationLine(doc, "a=2"));
    Edit(0);
    doc.SaveUndoForEdit();
    doc.EditMode = EditNothing;
    doc.FreeLines();
    doc.Undo();
    EXPECT_EQ(doc.undo.kind, UndoNone);
    EXPECT_EQ(doc.undo.formula, nullptr);
}

TEST_F(UndoRecordTest, ADocumentSnapshotReadsBackAndKeepsTheDividerOfNow)
{
    ASSERT_TRUE(AppendEquationLine(doc, "y=x^2"));
    ASSERT_TRUE(AppendEquationLine(doc, "a=3"));
    doc.PaneDivider = 400;
    ASSERT_TRUE(doc.SaveUndoSnapshot());
    EXPECT_EQ(doc.undo.kind, UndoDocumentText);
    doc.EditMode = EditNothing;
    doc.FreeLines();
    ASSERT_TRUE(AppendEquationLine(doc, "z=1"));
    doc.PaneDivider = 250;

    doc.Undo();
    ASSERT_EQ(doc.Lines.count, 2);
    EXPECT_EQ(Formula(0), "y=x^2");
    EXPECT_EQ(Formula(1), "a=3");
    EXPECT_EQ(doc.PaneDivider, 250);
    EXPECT_EQ(doc.undo.kind, UndoNone);
    EXPECT_EQ(doc.undo.snapshotText, nullptr);
    EXPECT_EQ(doc.currentLine, 0);
}

// A snapshot that no longer reads loses neither the document nor itself.
TEST_F(UndoRecordTest, ASnapshotThatDoesNotReadBackKeepsTheData)
{
    ASSERT_TRUE(AppendEquationLine(doc, "y=x^2"));
    ASSERT_TRUE(AppendEquationLine(doc, "a=3"));
    const char damaged[] = "not a document";
    doc.undo.kind = UndoDocumentText;
    doc.undo.snapshotText = static_cast<char*>(BudgetMalloc(sizeof damaged, false));
    ASSERT_NE(doc.undo.snapshotText, nullptr);
    std::memcpy(doc.undo.snapshotText, damaged, sizeof damaged);

    doc.Undo();
    ASSERT_EQ(doc.Lines.count, 2);
    EXPECT_EQ(Formula(0), "y=x^2");
    EXPECT_EQ(Formula(1), "a=3");
    EXPECT_EQ(doc.undo.kind, UndoDocumentText);
    ASSERT_NE(doc.undo.snapshotText, nullptr);
    EXPECT_STREQ(doc.undo.snapshotText, damaged);
}

TEST_F(UndoRecordTest, ANewEquationLineDisablesUndo)
{
    ASSERT_TRUE(AppendEquationLine(doc, "a=2"));
    Edit(0);
    doc.SaveUndoForEdit();
    ASSERT_EQ(doc.undo.kind, UndoFormulaEdit);
    doc.InsertEquationLine();
    EXPECT_EQ(doc.undo.kind, UndoNone);
    doc.Undo();
    EXPECT_EQ(Formula(0), "a=2");
}

}  // namespace
