#include "support/EditorFixture.h"

#include "editor/DoSymbolicCommand.h"
#include "formula/CopyTree.h"
#include "formula/FormulaNode.h"
#include "formula/TreeWalk.h"
#include "support/FormulaReader.h"
#include "support/LinearText.h"

::testing::AssertionResult IsLiveSelection(const EditorState& state, const FormulaNode* root)
{
    ::testing::AssertionResult whole = IsConsistent(root);
    if (!whole)
        return whole;
    bool found = false;
    for (PreorderWalk walk(const_cast<FormulaNode*>(root)); walk.Node(); walk.Next()) {
        const FormulaNode* node = walk.Node();
        if (node->childCount > 0 && !node->children)
            return ::testing::AssertionFailure() << "a node counts children it has no slots for";
        found = found || node == state.current;
    }
    if (!found)
        return ::testing::AssertionFailure() << "the selection is not a node of the formula";
    return ::testing::AssertionSuccess();
}

void EditorTest::SetUp()
{
    TreeTest::SetUp();
    state_.document = &doc_;
    SetCurrentEditorState(&state_);
}

void EditorTest::TearDown()
{
    SetCurrentEditorState(nullptr);
    for (EditorSnapshot& snapshot : state_.undo)
        FreeTree(snapshot.formula);
    state_.undo.clear();
    FreeTree(root_);
    root_ = nullptr;
    TreeTest::TearDown();
}

void EditorTest::Load(const char* text)
{
    FormulaNode* tree = ReadFormula(text);
    ASSERT_NE(tree, nullptr) << text;
    SetFormula(tree);
}

void EditorTest::SetFormula(FormulaNode* tree)
{
    FreeTree(root_);
    root_ = tree;
    state_.root = tree;
    state_.current = tree;
    state_.mode = SelectionNode;
    state_.previousCommand = 0;
}

bool EditorTest::Select(const char* text, int occurrence, int32_t mode)
{
    for (PreorderWalk walk(root_); walk.Node(); walk.Next()) {
        if (LinearText(walk.Node()) == text && occurrence-- == 0) {
            state_.current = walk.Node();
            state_.mode = mode;
            return true;
        }
    }
    ADD_FAILURE() << "no node " << text << " in " << Text();
    return false;
}

void EditorTest::Run(int32_t code)
{
    DoSymbolicCommand(code);
    EXPECT_TRUE(IsLiveSelection(state_, root_)) << "after command " << code;
}

std::string EditorTest::Text() const
{
    return LinearText(root_);
}

std::string EditorTest::Selected() const
{
    return state_.current ? LinearText(state_.current) : "<none>";
}
