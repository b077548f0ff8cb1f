#include "support/EditorFixture.h"

#include "editor/DoSymbolicCommand.h"
#include "formula/CopyTree.h"
#include "formula/FormulaNode.h"
#include "formula/TreeWalk.h"
#include "support/FormulaReader.h"
#include "support/LinearText.h"

const std::vector<const char*>& FormulasReachingMostRules()
{
    static const std::vector<const char*> formulas = {
        "y=2*x+1",
        "a*b+a*c=-(d*e)",
        "2*[x+y]*sqrt(z)*x^2*(a/b)",
        "[a*b]^3+sqrt(a*b)+(c*d)/(e*f)",
        "x/y=sin(x)*[1/u]",
        "-(a*b)+c",
        "y=log(x,2)+ln(x)+e^x+2^x+sqrt(x,3)",
        "matrix(2,2,x+x,1,2,x^2)",
        "a*sum(k*a,k=1,3)+integral(x*a,x,0,1)",
        "function(optotal(x),x^2*sin(x))=y*(x+1)^3",
        "choice(5,k)+5!+abs(matrix(2,2,a,b,c,d))-ln(a*b)",
    };
    return formulas;
}

const std::vector<int32_t>& SymbolicCommandCodes()
{
    static const std::vector<int32_t> codes = {8192, 8194, 8199, 8214, 8219, 8448, 8449, 8450,
                                               8451, 8452, 8453, 8454, 8455, 8456, 8457};
    return codes;
}

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
