#include "formula/FormulaNode.h"
#include "formula/Isolate.h"
#include "formula/NodeKindTable.h"
#include "support/EditorFixture.h"
#include "support/LinearText.h"

namespace {

constexpr int32_t kIsolate = 8214;

class IsolateTest : public EditorTest {};

TEST_F(IsolateTest, SolvesForTheSelectedTerm)
{
    const struct {
        const char* input;
        const char* selected;
        const char* expected;
        const char* selectedAfter;
    } cases[] = {
        {"y=2*x+1", "x", "x=(y-1)/2", "x"},
        {"y=sin(x)", "x", "x=asin(y)", "x"},
        {"y=x^3", "x", "x=y^(1/3)", "x"},
        {"y=e^x", "x", "x=ln(y)", "x"},
        {"y=2^x", "x", "x=log(y,2)", "x"},
        {"y=log(x)", "x", "x=10^y", "x"},
        {"y=sqrt(x)", "x", "x=y^2", "x"},
        {"y=a/x", "x", "x=a/y", "x"},
        {"3=x", "x", "x=3", "x"},
        // A function application blocks the way: it is selected and moved left.
        {"y=function(f,x)", "x", "function(f,x)=y", "function(f,x)"},
    };
    for (const auto& c : cases) {
        Load(c.input);
        Select(c.selected);
        Run(kIsolate);
        EXPECT_EQ(Text(), c.expected) << c.input;
        EXPECT_EQ(Selected(), c.selectedAfter) << c.input;
        EXPECT_EQ(state_.current, root_->children[0]) << c.input;
    }
}

TEST_F(IsolateTest, RefusesWhatItCannotSolve)
{
    const struct {
        const char* input;
        const char* selected;
    } cases[] = {
        {"x=3", "x"},
        {"x+y=2=z", "x"},
        {"sin(x)+1", "x"},
    };
    for (const auto& c : cases) {
        Load(c.input);
        Select(c.selected);
        FormulaNode* before = state_.current;
        EXPECT_FALSE(IsolateCurrentNode()) << c.input;
        EXPECT_EQ(Text(), LinearText(root_)) << c.input;
        EXPECT_EQ(state_.current, before) << c.input;
        EXPECT_TRUE(IsLiveSelection(state_, root_));
    }
    Load("x=3");
    EXPECT_FALSE(IsolateCurrentNode());
}

TEST_F(IsolateTest, IsolateNodePutsTheCurrentStateBack)
{
    for (const char* text : {"y=2*x+1", "y=function(f,x)", "x=3", "x+1"}) {
        Load(text);
        Select("x");
        // A state of the caller's own stays current; its selection is not
        // touched by the temporary one.
        EditorState other;
        CurrentEditorStateScope scope(&other);
        FormulaNode* result = IsolateNode(state_.current);
        EXPECT_EQ(GetCurrentEditorState(), &other) << text;
        EXPECT_EQ(other.current, nullptr) << text;
        ASSERT_NE(result, nullptr) << text;
        state_.current = result;
        EXPECT_TRUE(IsLiveSelection(state_, root_)) << text;
    }
    Load("y=2*x+1");
    Select("x");
    FormulaNode* result = IsolateNode(state_.current);
    EXPECT_EQ(result, root_->children[0]);
    EXPECT_EQ(LinearText(result), "x");
}

}  // namespace
