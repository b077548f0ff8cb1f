#include "editor/EditorCommands.h"
#include "editor/EditorKeyEvents.h"
#include "formula/EditorState.h"
#include "formula/FormulaNode.h"
#include "platform/NumberText.h"
#include "support/KeyTyping.h"
#include "support/TypesetFixture.h"

#include <QKeyEvent>
#include <gtest/gtest.h>

namespace {

class EditorKeysTest : public TypesetTest {
protected:
    void SetUp() override
    {
        TypesetTest::SetUp();
        SetFormula(MakePlaceholderNode());
    }
};

TEST_F(EditorKeysTest, KeysMapToTheirCommands)
{
    struct Case {
        uint32_t ch;
        uint32_t ch2;
        uint32_t flags;
        EditorCommandCode code;
    };
    const Case cases[] = {
        {8, 8, 0, 5641},               // Backspace
        {8, 8, kKeyShift, 5649},       // Shift+Backspace deletes to the right
        {127, 127, 0, 5649},
        {27, 27, 0, 8707},             // Escape clears only unmodified
        {27, 27, kKeyCtrl, 0},
        {'x', 'x', 0, 'x'},
        {'X', 'X', kKeyShift, 'X'},
        {'7', '7', 0, '7'},
        {'\\', '\\', 0, '\\'},
        {'.', '.', 0, '.'},
        {',', ',', 0, 6407},           // list separator under a point locale
        {'J', 'j', kKeyCtrl, 4174},    // Bessel J
        {'J', 'J', kKeyCtrl | kKeyShift, 4174},  // the second form ignores Shift
        {'G', 'g', kKeyCtrl, 4914},    // degree
        {'G', 'G', kKeyCtrl | kKeyShift, 4115},  // transpose
        {',', ',', kKeyCtrl | kKeyShift, 6409},
        {'.', '.', kKeyCtrl | kKeyShift, 6410},
        {'4', '4', kKeyCtrl | kKeyShift, 6339},
        {'4', '4', kKeyCtrl, 6408},
        {'R', 'r', kKeyCtrl, 4145},
        {'I', 'I', kKeyCtrl | kKeyShift, 6336},
        {kKeyLeft, kKeyLeft, 0, 5636},
        {kKeyRight, kKeyRight, kKeyShift, 5644},
        {kKeyUp, kKeyUp, kKeyCtrl, 8454},
        {kKeyRight, kKeyRight, kKeyCtrl | kKeyShift, 8449},
        {'\t', '\t', 0, 5632},
        {'\t', '\t', kKeyShift, 5646},
        {'\t', '\t', kKeyCtrl, 6305},
        {'(', '(', kKeyShift, 4155},
        {')', ')', kKeyShift, 5648},
        {'*', '*', kKeyShift, 4102},
        {'"', '"', kKeyShift, 4099},
        {'\'', '\'', 0, 4172},
        {0x03C0, 0x03C0, 0, 4882},     // π
        {0x2264, 0x2264, kKeyShift, 6409},
        {0x00E9, 0x00E9, 0, 6412},     // é: inserted as a character
        {0x0127, 0x0127, 0, 6412},     // ħ is no prime, whatever its low byte
        {' ', ' ', 0, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(KeyToEditorCommand(c.ch, c.ch2, c.flags), c.code) << c.ch << " " << c.flags;
}

TEST_F(EditorKeysTest, TextModePassesCharactersThrough)
{
    TypeKeys(&state_, "\"");
    ASSERT_EQ(state_.mode, InText);
    EXPECT_EQ(KeyToEditorCommand('+', '+', kKeyShift), '+');
    EXPECT_EQ(KeyToEditorCommand(',', ',', 0), ',');
    EXPECT_EQ(KeyToEditorCommand(' ', ' ', 0), 0);
    EXPECT_EQ(KeyToEditorCommand('"', '"', kKeyShift), 4099);
    EXPECT_EQ(KeyToEditorCommand(kKeyLeft, kKeyLeft, 0), 5636);
    TypeKeys(&state_, "a+b\"");
    EXPECT_EQ(std::u16string(state_.current->Text()), u"a+b");
    EXPECT_EQ(state_.mode, CaretAfter);
}

TEST_F(EditorKeysTest, CommaLocaleSwapsTheSeparators)
{
    char16_t saved = DecimalSeparator;
    DecimalSeparator = u',';
    EXPECT_EQ(KeyToEditorCommand(',', ',', 0), ',');
    EXPECT_EQ(KeyToEditorCommand(';', ';', 0), 6407);
    DecimalSeparator = saved;
}

TEST_F(EditorKeysTest, QtKeysBecomeEditorKeys)
{
    struct Case {
        int key;
        Qt::KeyboardModifiers modifiers;
        const char16_t* text;
        EditorCommandCode code;
    };
    const Case cases[] = {
        {Qt::Key_X, Qt::NoModifier, u"x", 'x'},
        {Qt::Key_X, Qt::ShiftModifier, u"X", 'X'},
        {Qt::Key_Left, Qt::NoModifier, u"", 5636},
        {Qt::Key_Left, Qt::ShiftModifier, u"", 5645},
        {Qt::Key_Right, Qt::ControlModifier | Qt::ShiftModifier, u"", 8449},
        {Qt::Key_Backspace, Qt::NoModifier, u"\b", 5641},
        {Qt::Key_Delete, Qt::NoModifier, u"\x7f", 5649},
        {Qt::Key_Tab, Qt::NoModifier, u"\t", 5632},
        {Qt::Key_Backtab, Qt::ShiftModifier, u"", 5646},
        {Qt::Key_Tab, Qt::ControlModifier, u"", 6305},
        {Qt::Key_J, Qt::ControlModifier, u"\n", 4174},
        {Qt::Key_J, Qt::ControlModifier | Qt::ShiftModifier, u"\n", 4174},
        {Qt::Key_G, Qt::ControlModifier | Qt::ShiftModifier, u"", 4115},
        {Qt::Key_Dollar, Qt::ControlModifier | Qt::ShiftModifier, u"", 6339},  // Ctrl+Shift+4
        {Qt::Key_Less, Qt::ControlModifier | Qt::ShiftModifier, u"", 6409},
        {Qt::Key_Minus, Qt::ControlModifier, u"", 6400},
        {Qt::Key_Plus, Qt::ShiftModifier, u"+", 4104},
        {Qt::Key_Escape, Qt::NoModifier, u"\x1b", 8707},
        {Qt::Key_unknown, Qt::NoModifier, u"\u03C0", 4882},
        {Qt::Key_unknown, Qt::NoModifier, u"\U0001D465", 6412},
    };
    for (const Case& c : cases) {
        QKeyEvent event(QEvent::KeyPress, c.key, c.modifiers, QString::fromUtf16(c.text));
        EditorKey key;
        ASSERT_TRUE(EditorKeyFromEvent(event, key)) << c.key;
        EXPECT_EQ(KeyToEditorCommand(key.ch, key.ch2, key.flags), c.code) << std::hex << c.key;
    }
    EditorKey key;
    EXPECT_FALSE(EditorKeyFromEvent(Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"), key));
    EXPECT_FALSE(EditorKeyFromEvent(Qt::Key_Shift, Qt::ShiftModifier, QString(), key));
}

TEST_F(EditorKeysTest, CaretMovesStartANewUndoStep)
{
    ResetEditorUndo();
    ClearUndoSnapshots(&state_);
    ResetCommandRepeat();
    TypeKeys(&state_, "ab");
    EXPECT_TRUE(state_.editedSinceCaretMove);
    EXPECT_FALSE(IsUndoSnapshotPending());
    TypeKeys(&state_, "<L>");
    EXPECT_FALSE(state_.editedSinceCaretMove);
    EXPECT_TRUE(IsUndoSnapshotPending());
    EXPECT_EQ(LastEditorCommand(), 0);  // a move forgets the repeat
    TypeKeys(&state_, "c");
    EXPECT_EQ(state_.undo.size(), 2u);
}

}  // namespace
