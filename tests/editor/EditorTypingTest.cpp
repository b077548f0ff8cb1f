#include "editor/EditorCommands.h"
#include "editor/TypesetAtoms.h"
#include "editor/Typing.h"
#include "formula/EditorState.h"
#include "formula/FormulaNode.h"
#include "formula/NameRegistry.h"
#include "formula/NodeKindTable.h"
#include "platform/NumberText.h"
#include "support/KeyTyping.h"
#include "support/LinearText.h"
#include "support/TypesetFixture.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class EditorTypingTest : public TypesetTest {
protected:
    void SetUp() override
    {
        TypesetTest::SetUp();
        Fresh();
    }

    void Fresh()
    {
        SetFormula(MakePlaceholderNode());
        ResetEditorUndo();
        ClearUndoSnapshots(&state_);
        ResetCommandRepeat();
    }

    std::string Typed(const std::string& keys)
    {
        Fresh();
        TypeKeys(&state_, keys);
        EXPECT_TRUE(IsLiveSelection(state_, root_)) << keys;
        return Text();
    }
};

TEST_F(EditorTypingTest, KeySequencesBuildTheirTrees)
{
    struct Case {
        const char* keys;
        const char* text;
    };
    const Case cases[] = {
        {"x", "x"},
        {"2x", "2*x"},
        {"ab", "a*b"},
        {"123", "123"},
        {"1.5", "1.5"},
        {"sin", "sin(?)"},
        {"sinx", "sin(x)"},
        {"bsin", "b*sin(?)"},     // only the last three letters spell the name
        {"asin", "asin(?)"},      // the longer name wins
        {"sinh", "sinh(?)"},      // h in the empty argument turns sin hyperbolic
        {"asinh", "asinh(?)"},
        {"cosh", "cosh(?)"},
        {"ln", "ln(?)"},
        {"exp", "exp(?)"},
        {"max", "max(?)"},
        {"pi", "pi"},
        {"2pi", "2*pi"},
        {"theta", "theta"},
        {"ldots", "l*d*o*t*s"},   // the ellipsis is not spelt out
        {"sqrt", "s*q*r*t"},
        {"x2", "x*2"},
        {"\\alpha\\", "'alpha'"},
        {"\\\\", "?"},            // an empty command name is nothing
        {"\"ab c\"", "\"abc\""},  // a space is no character of a text
        {"a\"hi\"", "a*\"hi\""},
        {"\"a\\b\"", "\"a\\b\""},  // a backslash in a text is text
        {"123<L><L>9", "1923"},    // the caret enters the number's text
        {"12<L>x", "1*x*2"},       // a letter splits the number
        {"x<L>2", "2*x"},
        {".5", "0.5"},
        {"sin<L>h", "sinh(?)"},
        {"x<U>y", "y"},            // a letter replaces the selection
    };
    for (const Case& c : cases)
        EXPECT_EQ(Typed(c.keys), c.text) << c.keys;
}

TEST_F(EditorTypingTest, NamedFunctionTakesTheFactorsAfterIt)
{
    // s i n typed before x y: both become the argument.
    EXPECT_EQ(Typed("xy<L><L>sin"), "sin(x*y)");
    // The caret waits before the argument.
    EXPECT_EQ(Selected(), "x");
    EXPECT_EQ(state_.mode, CaretBefore);
    // Before one factor: that factor alone.
    EXPECT_EQ(Typed("x<L>sin"), "sin(x)");
}

TEST_F(EditorTypingTest, MultiplicationMarkEndsTheLetterRun)
{
    Typed("as");
    state_.current->layoutBox->flags |= kExplicitProductMark;
    TypeKeys(&state_, "in");
    EXPECT_EQ(Text(), "a*s*i*n");
}

TEST_F(EditorTypingTest, NamesInUseAreRecognised)
{
    uint32_t code = InternSymbolName(u"rate");
    NoteNameInUse(code);
    EXPECT_EQ(Typed("2rate"), "2*'rate'");
    EXPECT_EQ(state_.current->payload.code, code);
    ClearNamesInUse();
}

TEST_F(EditorTypingTest, NumberTextLimits)
{
    auto typed = [this] { return NumberText(root_); };
    // 18 units take no more digits at either end, but do inside up to 24.
    std::u16string eighteen(18, u'7');
    Typed(std::string(18, '7') + "1");
    EXPECT_EQ(typed(), eighteen);
    Typed(std::string(18, '7') + "<L>123456");
    EXPECT_EQ(typed().size(), 24u);
    TypeKeys(&state_, "9");
    EXPECT_EQ(typed().size(), 24u);
    // The separator: once, and not into a text of more than 20 units.
    Typed("1.2.");
    EXPECT_EQ(typed(), u"1.2");
    Typed(std::string(18, '1') + ".");
    EXPECT_EQ(typed(), std::u16string(18, u'1') + u".");
    Typed(std::string(18, '1') + "<L>222.");
    EXPECT_EQ(typed(), std::u16string(17, u'1') + u"2221");
    Typed(std::string(16, '1') + "<L>..");
    EXPECT_EQ(typed(), std::u16string(15, u'1') + u"." + u"1");
}

TEST_F(EditorTypingTest, DecimalPointKeepsItsTypedText)
{
    struct Case {
        const char* keys;
        const char* formula;
        const char16_t* typed;  // the text of the number the caret is at
    };
    const Case cases[] = {
        {".", "0", u"0."},
        {"x.", "x*0", u"0."},
        {"5.", "5", u"5."},
        {"5<L>.", "0.5", u".5"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Typed(c.keys), c.formula) << c.keys;
        ASSERT_EQ(state_.current->kind, KindNumber) << c.keys;
        EXPECT_EQ(NumberText(state_.current), c.typed) << c.keys;
    }
}

TEST_F(EditorTypingTest, ValueFollowsTheTypedText)
{
    Typed("123<L><L>9");
    EXPECT_EQ(root_->payload.number->value, 1923);
    Typed("2.5");
    EXPECT_EQ(root_->payload.number->value, 2.5);
}

TEST_F(EditorTypingTest, CommaLocaleTypesTheDecimalPoint)
{
    char16_t saved = DecimalSeparator;
    DecimalSeparator = u',';
    EXPECT_EQ(KeyToEditorCommand(',', ',', 0), ',');
    EXPECT_EQ(Typed("1,5"), "1.5");
    EXPECT_EQ(root_->payload.number->value, 1.5);
    DecimalSeparator = saved;
}

TEST_F(EditorTypingTest, CharactersBeyondAsciiBecomeVariablesOrText)
{
    Fresh();
    RunEditorCommand(6412, 0xE9, &state_, nullptr);  // é
    EXPECT_EQ(state_.current->kind, KindVariable);
    EXPECT_GE(state_.current->payload.code, kFirstRegistryCode);
    // A character outside the 16-bit range is kept whole in a text.
    Typed("\"");
    RunEditorCommand(6412, 0x1D465, &state_, nullptr);
    RunEditorCommand(6412, 0xE9, &state_, nullptr);
    EXPECT_EQ(std::u16string(state_.current->Text()), u"\U0001D465\u00E9");
    EXPECT_EQ(state_.caret, 3);
    TypeKeys(&state_, "<L>");
    EXPECT_EQ(state_.caret, 2);
    TypeKeys(&state_, "<L>");
    EXPECT_EQ(state_.caret, 0);
}

TEST_F(EditorTypingTest, CommandNameTypedAfterAFactor)
{
    EXPECT_EQ(Typed("x\\beta\\"), "x*'beta'");
    // While the name is typed the caret stays inside it, at most at its end.
    Typed("\\ab<R><R>c");
    EXPECT_EQ(state_.mode, InIdentifier);
    EXPECT_EQ(std::u16string(SymbolName(state_.current->payload.code)), u"\\abc");
    EXPECT_EQ(state_.caret, 4);
}

TEST_F(EditorTypingTest, OneUndoStepPerRunOfTyping)
{
    Fresh();
    TypeKeys(&state_, "abc");
    EXPECT_EQ(state_.undo.size(), 1u);
    TypeKeys(&state_, "<L>d");
    EXPECT_EQ(state_.undo.size(), 2u);
    ASSERT_TRUE(UndoLastEdit(&state_));
    EXPECT_EQ(LinearText(FormulaRoot(state_.current)), "a*b*c");
}

TEST_F(EditorTypingTest, BackspaceRunIsOneStep)
{
    struct Case {
        const char* keys;
        size_t steps;
    };
    // Five Backspaces in a row are one step; Backspace, a letter, Backspace
    // three.
    const Case cases[] = {{"<BS><BS><BS><BS><BS>", 1}, {"<BS>x<BS>", 3}};
    for (const Case& c : cases) {
        Fresh();
        TypeKeys(&state_, "<R>");
        size_t before = state_.undo.size();
        TypeKeys(&state_, c.keys);
        EXPECT_EQ(state_.undo.size() - before, c.steps) << c.keys;
    }
}

}  // namespace
