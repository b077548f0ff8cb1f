// The key palette: what each button posts with the toggles, that a button
// types into the formula what its key would, and that keys typed at the
// palette still reach the formula.
#include "app/CKeyPalette.h"
#include "app/COndrelDoc.h"
#include "app/ProgramButtons.h"
#include "CoreUtilities/MemoryBudget.h"
#include "document/DocState.h"
#include "editor/COndrelView.h"
#include "editor/EditorStateLife.h"
#include "formula/EditorState.h"
#include "formula/FormulaEngine.h"
#include "formula/LinearFormulaText.h"
#include "support/TestApp.h"

#include <QApplication>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>
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

// Types each character as a key; those beyond ASCII as their text.
void TypeKeys(QWidget* widget, const QString& keys, Qt::KeyboardModifiers modifiers = {})
{
    for (QChar c : keys) {
        if (c.unicode() < 128) {
            QTest::keyClick(widget, c.toLatin1(), modifiers);
            continue;
        }
        QTest::sendKeyEvent(QTest::Press, widget, Qt::Key_unknown, QString(c), modifiers);
        QTest::sendKeyEvent(QTest::Release, widget, Qt::Key_unknown, QString(c), modifiers);
    }
}

class KeyPaletteTest : public testing::Test {
protected:
    void SetUp() override
    {
        TestApp();
        static const bool engine = InitFormulaEngine();
        ASSERT_TRUE(engine);
        window_ = new QWidget;
        auto* layout = new QVBoxLayout(window_);
        view_ = new COndrelView(window_);
        view_->setFixedSize(600, 200);
        layout->addWidget(view_);
        palette_ = new CKeyPalette(window_);
        ASSERT_TRUE(palette_->CreatePalette(QStringLiteral("Key Palette")));
        palette_->SetEditWindow(view_);
        QObject::connect(palette_, &CKeyPalette::KeyCommand, view_, &COndrelView::DoKeypadCommand);
        window_->show();
        palette_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window_));
    }
    void TearDown() override
    {
        GetDocState()->FreeLines();
        delete window_;
    }
    // A fresh document with its one line being edited.
    void Fresh()
    {
        GetDocState()->FreeLines();
        ASSERT_TRUE(doc_.OnNewDocument());
        view_->repaint();
        const EditorState* s = Line();
        QTest::mouseClick(view_, Qt::LeftButton, {}, QPoint(s->originH + 4, s->originV + 4));
    }
    EditorState* Line() { return GetDocState()->Lines[0].formula; }
    void Click(int32_t key)
    {
        QTest::mouseClick(palette_->Key(key), Qt::LeftButton);
        QApplication::processEvents();
    }

    COndrelDoc doc_;
    QWidget* window_ = nullptr;
    COndrelView* view_ = nullptr;
    CKeyPalette* palette_ = nullptr;
};

TEST_F(KeyPaletteTest, TogglesChangeWhatTheKeysShowAndPost)
{
    const struct {
        int32_t key;
        bool inverse, hyperbolic;
        const char* face;
        int32_t code;
    } cases[] = {
        {0, false, false, "x", 'x'},
        {3, true, true, "x!", 4114},
        {14, false, false, "x\u00B2", 6314},
        {14, true, false, "\u221Ax", 4145},
        {15, true, false, "\u221Bx", 6319},
        {16, true, false, "\u02B8\u221Ax", 6320},
        {17, true, false, "ln", 4167},
        {18, true, false, "log\u2082", 6321},
        {19, true, false, "log", 4144},
        {20, false, false, "sin", 4119},
        {20, true, false, "asin", 4125},
        {20, false, true, "sinh", 4131},
        {20, true, true, "asinh", 4137},
        {21, true, true, "acosh", 4138},
        {23, false, true, "csch", 4135},
        {25, true, false, "acot", 4128},
        {26, false, false, "Simplify", 8192},
        {29, false, false, "Isolate", 8214},
        {30, false, false, "Differentiate", 6322},
    };
    for (const auto& c : cases) {
        KeyPaletteKey k = KeyPaletteKeyAt(c.key, c.inverse, c.hyperbolic, 'n');
        EXPECT_EQ(k.face, QString::fromUtf8(c.face)) << c.key;
        EXPECT_EQ(k.code, c.code) << c.key;
    }
    EXPECT_EQ(KeyPaletteKeyAt(10, false, false, 't').code, 't');
    EXPECT_EQ(KeyPaletteKeyAt(31, false, false, 'n').code, 0);

    // Through the window: both toggles on, the sine key reads and posts asinh.
    QSignalSpy posted(palette_, &CKeyPalette::KeyCommand);
    Click(kKeyInverse);
    Click(kKeyHyperbolic);
    EXPECT_TRUE(palette_->Key(kKeyInverse)->isChecked());
    EXPECT_EQ(palette_->Key(20)->text(), QStringLiteral("asinh"));
    EXPECT_EQ(palette_->Key(14)->text(), QStringLiteral("\u221Ax"));
    Click(20);
    ASSERT_EQ(posted.count(), 1);
    EXPECT_EQ(posted.at(0).at(0).toInt(), 4137);
    palette_->SetAnimationVariableKeyText(QStringLiteral("t"));
    EXPECT_EQ(palette_->Key(10)->text(), QStringLiteral("t"));
}

TEST_F(KeyPaletteTest, EachButtonTypesWhatItsKeyWould)
{
    // Button, toggles, and the keys that type the same thing.
    const struct {
        int32_t key;
        bool inverse;
        const char* keys;
        Qt::KeyboardModifiers modifiers;
    } cases[] = {
        {0, false, "x", {}},      {1, false, "r", {}},   {2, false, "e", {}},
        {3, false, "!", {}},      {4, false, "y", {}},   {5, false, "\u03B8", {}},
        {6, false, "\u03C0", {}}, {7, false, "|", {}},   {8, false, "z", {}},
        {9, false, "\u03A6", {}}, {10, false, "n", {}},  {14, false, "@", {}},
        {15, false, "#", {}},     {16, false, "^", {}},  {14, true, "r", Qt::ControlModifier},
        {15, true, "\u221B", {}},
    };
    for (const auto& c : cases) {
        Fresh();
        TypeKeys(view_, QStringLiteral("2"));
        if (c.inverse != palette_->IsInverse())
            palette_->OnKeyInverse();
        Click(c.key);
        const std::string byPalette = FormulaText(Line());
        Fresh();
        TypeKeys(view_, QStringLiteral("2"));
        TypeKeys(view_, QString::fromUtf8(c.keys), c.modifiers);
        const std::string byKey = FormulaText(Line());
        EXPECT_EQ(byPalette, byKey) << c.key << " " << c.keys;
        EXPECT_NE(byPalette, "2") << c.key;
    }
}

TEST_F(KeyPaletteTest, KeysTypedAtThePaletteReachTheFormula)
{
    Fresh();
    Click(0);  // x, and the palette keeps the focus
    EXPECT_EQ(FormulaText(Line()), "x");
    QTest::keyClicks(palette_, "+3");
    QApplication::processEvents();
    EXPECT_EQ(FormulaText(Line()), "x+3");
}

TEST_F(KeyPaletteTest, StoredPositionOffTheScreenIsIgnored)
{
    const QSize screen(1024, 768);
    EXPECT_TRUE(CKeyPalette::IsStoredPositionUsable(100, 700, screen));
    EXPECT_FALSE(CKeyPalette::IsStoredPositionUsable(1024, 10, screen));
    EXPECT_FALSE(CKeyPalette::IsStoredPositionUsable(10, 5000, screen));
    EXPECT_FALSE(CKeyPalette::IsStoredPositionUsable(-5, 10, screen));
}

}  // namespace
