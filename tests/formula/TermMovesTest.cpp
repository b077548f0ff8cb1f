#include "formula/CopyTree.h"
#include "formula/EditorState.h"
#include "formula/FormulaNode.h"
#include "formula/NodeKindTable.h"
#include "formula/TermMoves.h"
#include "support/EditorFixture.h"

#include <initializer_list>
#include <vector>

namespace {

constexpr int32_t kRight = 8448;
constexpr int32_t kShiftRight = 8449;
constexpr int32_t kToEnd = 8450;
constexpr int32_t kLeft = 8451;
constexpr int32_t kToFront = 8453;
constexpr int32_t kUp = 8454;
constexpr int32_t kDown = 8455;
constexpr int32_t kSwapLeft = 8456;

class TermMovesTest : public EditorTest {};

struct MoveCase {
    const char* input;
    const char* selected;
    int occurrence;
    std::vector<int32_t> codes;
    const char* expected;
    const char* selectedAfter;
};

TEST_F(TermMovesTest, MovesAlongListsAcrossEqualsAndThroughOperators)
{
    const MoveCase cases[] = {
        {"a+b+c", "b", 0, {kRight}, "a+c+b", "b"},
        {"a+b+c", "b", 0, {kLeft}, "b+a+c", "b"},
        {"a+b+c", "a", 0, {kToEnd}, "b+c+a", "a"},
        {"a+b+c", "c", 0, {kToFront}, "c+a+b", "c"},
        {"a+b+c", "c", 0, {kSwapLeft}, "a+c+b", "c"},
        // A term crosses the equals sign with its sign changed; the side that
        // receives it is not simplified.
        {"y=a+b", "b", 0, {kLeft, kLeft}, "y-b=a", "-b"},
        {"x+3=5", "3", 0, {kRight}, "x=-3+5", "-3"},
        {"x-a=5", "-a", 0, {kRight}, "x=a+5", "a"},
        // A factor crosses it as a divisor.
        {"2*x=y", "2", 0, {kRight}, "x*2=y", "2"},
        {"2*x=y", "2", 0, {kRight, kRight}, "x=1/2*y", "1/2"},
        // Out of a power, a fraction, a sum.
        {"x^3", "x", 0, {kRight}, "x^2*x", "x"},
        {"a/b", "a", 0, {kRight}, "1/b*a", "a"},
        {"a/b", "b", 0, {kRight}, "a*(1/b)", "1/b"},
        {"a*b+a*c", "a", 0, {kLeft}, "a*(b+c)", "a"},
        // Into the neighbour.
        {"2*[x+y]", "2", 0, {kShiftRight}, "2*x+2*y", "2"},
        {"3*x^2", "3", 0, {kShiftRight}, "(3^(1/2)*x)^2", "3^(1/2)"},
        {"x*x^2", "x", 0, {kShiftRight}, "x^3", "x"},
        // Between numerator and denominator.
        {"x/y", "x", 0, {kDown}, "1/(x^(-1)*y)", "x^(-1)"},
        {"x/y", "y", 0, {kUp}, "x*y^(-1)", "y^(-1)"},
        // A minus or parentheses parent widens the selection.
        {"y=-a", "a", 0, {kRight}, "y=-a", "-a"},
        // Nothing to do: the term is alone, or under a function.
        {"x", "x", 0, {kRight}, "x", "x"},
        {"sin(x)", "x", 0, {kRight, kUp, kDown}, "sin(x)", "x"},
    };
    for (const MoveCase& c : cases) {
        Load(c.input);
        ASSERT_TRUE(Select(c.selected, c.occurrence)) << c.input;
        for (int32_t code : c.codes)
            Run(code);
        EXPECT_EQ(Text(), c.expected) << c.input;
        EXPECT_EQ(Selected(), c.selectedAfter) << c.input;
    }
}

TEST_F(TermMovesTest, AFactorThatDependsOnTheIntegrationVariableStaysInside)
{
    for (const char* factor : {"x", "a"}) {
        SetFormula(Node(KindIntegral, {Node(KindProduct, {Var(factor[0]), Node(KindSin, {Var('x')})}), Var('x'),
            Num(0), Num(1)}));
        ASSERT_TRUE(Select(factor));
        Run(kLeft);
        if (factor[0] == 'x')
            EXPECT_EQ(Text(), "integral(x*sin(x),x,0,1)");
        else
            EXPECT_EQ(Text(), "a*integral(sin(x),x,0,1)");
        EXPECT_EQ(Selected(), factor);
    }
    EXPECT_TRUE(CanMoveSelectedTerm());

    // A summation's factor moves out unless it holds the index.
    for (const char* factor : {"k", "a"}) {
        SetFormula(BigOperator(KindSigma, Node(KindProduct, {Var('a'), Var('k')}), 'k', 1, 3));
        ASSERT_TRUE(Select(factor));
        Run(kLeft);
        Run(kLeft);
        EXPECT_EQ(Text(), factor[0] == 'k' ? "sum(k*a,k=1,3)" : "a*sum(k,k=1,3)");
    }
}

TEST_F(TermMovesTest, ARunOfMovesIsOneUndoStep)
{
    Load("a+b+c+d=y");
    Select("a");
    for (int i = 0; i < 3; ++i)
        Run(kRight);
    EXPECT_EQ(Text(), "b+c+d+a=y");
    Run(8192);
    Run(kLeft);
    Run(kLeft);
    ASSERT_EQ(state_.undo.size(), 3u);
    EXPECT_TRUE(UndoLastEdit(&state_));
    EXPECT_TRUE(IsLiveSelection(state_, root_));
    EXPECT_TRUE(UndoLastEdit(&state_));
    EXPECT_TRUE(UndoLastEdit(&state_));
    EXPECT_EQ(Text(), "a+b+c+d=y");
    EXPECT_EQ(Selected(), "a");
    EXPECT_TRUE(IsLiveSelection(state_, root_));
    EXPECT_FALSE(UndoLastEdit(&state_));
}

}  // namespace
