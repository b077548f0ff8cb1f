#include "CoreUtilities/CoopThread.h"
#include "CoreUtilities/ThreadStorage.h"
#include "document/DocState.h"
#include "document/DocumentHooks.h"
#include "document/DocumentServices.h"
#include "document/DocumentTask.h"
#include "document/PanelCellText.h"
#include "drawing/OffscreenSurface.h"
#include "formula/EditorState.h"
#include "formula/FormulaEngine.h"
#include "graphmodel/GraphModelHooks.h"
#include "support/DocumentLines.h"
#include "support/FormulaReader.h"
#include "support/PortFixture.h"
#include "support/TestApp.h"
#include "support/WaitUntil.h"

#include <QImage>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <numbers>
#include <string>
#include <vector>

namespace {

constexpr char16_t kPi = u'\u03C0';

std::u16string Text(const char16_t* text)
{
    return std::u16string(text);
}

// What the graph set was sent from the range panel.
struct SentRange {
    int32_t row, side;
    double value;
};
std::vector<SentRange> Sent;

// A document with a 600 x 400 equation pane whose panels can be edited,
// drawn into a port of the pane's size.
class VariablePanelsTest : public PortFixture {
protected:
    static void SetUpTestSuite()
    {
        TestApp();
        RegisterDocumentServices();
        StartWorkerThreads();
    }

    void SetUp() override
    {
        ASSERT_TRUE(InitFormulaEngine());
        ASSERT_TRUE(EnsureEvalFrame());
        saved_ = GetDocumentHooks();
        RegisterGraphModelHooks();
        GetDocumentHooks().setRangeValue = [](DocState*, int32_t row, int32_t side, double value) {
            Sent.push_back({row, side, value});
        };
        Sent.clear();
        doc.Variables = new ParameterValueList;
        doc.Parameters = new ParameterValueList;
        SetShortRect(doc.equationPaneRect, 0, 0, 400, 600);
        doc.documentReady = true;
        doc.EditMode = EditNothing;
    }

    void TearDown() override
    {
        doc.EditMode = EditNothing;
        doc.FreeLines();
        for (ParameterValueList** list : {&doc.Variables, &doc.Parameters}) {
            (*list)->Clear();
            delete *list;
            *list = nullptr;
        }
        GetDocumentHooks() = saved_;
        PortFixture::TearDown();
    }

    void AddLine(const char* text) { ASSERT_TRUE(AppendEquationLine(doc, text)); }

    void WaitForAnalysis()
    {
        EXPECT_TRUE(WaitUntil([&] {
            CoopSliceOverrun = 0;
            RunCoopThreadSlice();
            return doc.AnalysisThread == NoCoopThread;
        }));
    }

    // What graph building does for the variables panel.
    void BuildVariables() { CollectFreeVariables(doc); }

    // Rows x, y and t reported by the graph set, laid out.
    void ReportThreeRows()
    {
        doc.SetRangePanelRow(0, -2, 2);
        doc.SetRangePanelRow(1, -1.5, 1.5);
        doc.SetRangePanelRow(10, 0, 6.25);
        doc.LayoutVariablePanels();
    }

    void Type(const std::u16string& keys)
    {
        for (char16_t key : keys)
            doc.OnPanelKey(key);
    }

    const char16_t* RangeText(int32_t row, int32_t side) { return doc.panels.rangeRows[row].text[side]; }

    ShortPoint Centre(const ShortRect& r)
    {
        return ShortPoint{static_cast<int16_t>((r.top + r.bottom) / 2), static_cast<int16_t>((r.left + r.right) / 2)};
    }

    void SaveIfAsked(const char* name)
    {
        if (const char* folder = std::getenv("VL_SAVE_PICTURES")) {
            QImage image(reinterpret_cast<const uchar*>(surface_->memory), 600, 400, QImage::Format_RGB32);
            image.save(QString::fromUtf8(folder) + "/" + name);
        }
    }

    DocState doc;
    DocumentHooks saved_;
};

TEST_F(VariablePanelsTest, RangeCellTextsEvaluate)
{
    struct Case {
        std::u16string text;
        double value;
    };
    const Case cases[] = {
        {u"2\u03C0", 2 * std::numbers::pi},
        {u"2pi", 6.283185307179586},
        {u"pi/2", std::numbers::pi / 2},
        {u"-3", -3},
        {u"3*2+1", 7},
        {u"2.5", 2.5},
        {u"", 0},
        {u")(", 0},
        {u"2+", 0},
        {u"*/", 0},
    };
    for (const Case& c : cases)
        EXPECT_DOUBLE_EQ(EvaluateRangeCellText(c.text.c_str(), &doc), c.value) << std::string(c.text.begin(), c.text.end());
}

TEST_F(VariablePanelsTest, TypingIntoARangeCellSendsTheBoundAndCapsTheText)
{
    ReportThreeRows();
    EXPECT_EQ(Text(RangeText(0, 0)), u"-2");
    doc.BeginRangeCellEdit(0, 1, Centre(doc.panels.rangeRows[0].cellRect[1]), true);
    EXPECT_TRUE(doc.HasCellSelection());
    Type(u"2pi");
    EXPECT_EQ(Text(RangeText(0, 1)), u"2pi");
    ASSERT_FALSE(Sent.empty());
    EXPECT_EQ(Sent.back().row, 0);
    EXPECT_EQ(Sent.back().side, 1);
    EXPECT_DOUBLE_EQ(Sent.back().value, 6.283185307179586);
    EXPECT_DOUBLE_EQ(doc.panels.rangeRows[0].value[1], 6.283185307179586);
    EXPECT_TRUE(doc.panels.rangeRows[0].edited[1]);

    // Junk that does not parse, and keys a cell does not take.
    Type(u"+)");
    EXPECT_EQ(Sent.back().value, 0);
    Type(u"#X ");
    EXPECT_EQ(Text(RangeText(0, 1)), u"2pi+)");

    // Typing and pasting stop at 32 characters; the caret stays inside.
    for (int i = 0; i < 40; ++i)
        doc.OnPanelKey(u'7');
    EXPECT_EQ(PanelTextLength(RangeText(0, 1)), 32);
    EXPECT_EQ(RangeText(0, 1)[32], 0);
    EXPECT_EQ(doc.panelCaret, 32);
    doc.panelCaret = 0;
    doc.panelAnchor = 5;
    doc.InsertIntoRangeCell("1234567890");
    EXPECT_EQ(Text(RangeText(0, 1)), u"12345" + std::u16string(27, u'7'));
    EXPECT_EQ(doc.panelCaret, 5);
    EXPECT_EQ(doc.panelAnchor, 5);
}

TEST_F(VariablePanelsTest, PiCopiesAndPastesAsUtf8)
{
    ReportThreeRows();
    doc.BeginRangeCellEdit(1, 0, ShortPoint{0, 0}, true);
    doc.InsertIntoRangeCell("3\xCF\x80");
    EXPECT_EQ(Text(RangeText(1, 0)), u"3\u03C0");
    EXPECT_DOUBLE_EQ(doc.panels.rangeRows[1].value[0], 3 * std::numbers::pi);
    doc.SelectAllInField();
    char out[kPanelCopyBytes];
    doc.CopyRangeFieldSelection(out, sizeof out);
    EXPECT_STREQ(out, "3\xCF\x80");
    // Bytes that are no UTF-8 arrive one character each.
    doc.InsertIntoRangeCell("\xB5");
    EXPECT_EQ(Text(RangeText(1, 0)), u"\u00B5");
    // Cut leaves the caret where the selection began.
    doc.SelectAllInField();
    doc.DeleteRangeCellSelection();
    EXPECT_EQ(Text(RangeText(1, 0)), u"");
    EXPECT_FALSE(doc.HasCellSelection());
    doc.CopyRangeFieldSelection(out, sizeof out);
    EXPECT_STREQ(out, "");
}

TEST_F(VariablePanelsTest, TabWalksTheUsedRowsAndAnEmptiedCellBecomesZero)
{
    ReportThreeRows();
    doc.BeginRangeCellEdit(0, 0, ShortPoint{0, 0}, true);
    // Emptied, the cell stays empty while it is edited...
    doc.OnPanelKey(kPanelBackspace);
    EXPECT_EQ(Text(RangeText(0, 0)), u"");
    EXPECT_EQ(Sent.back().value, 0);

    struct Stop {
        int32_t row, side;
    };
    const Stop order[] = {{0, 1}, {1, 0}, {1, 1}, {10, 0}, {10, 1}, {0, 0}};
    for (const Stop& stop : order) {
        doc.OnPanelKey(kPanelTab);
        EXPECT_EQ(doc.currentRangeRow, stop.row);
        EXPECT_EQ(doc.currentRangeSide, stop.side);
        // ...whole text selected at each stop.
        EXPECT_EQ(std::min(doc.panelCaret, doc.panelAnchor), 0);
        EXPECT_EQ(std::max(doc.panelCaret, doc.panelAnchor), PanelTextLength(RangeText(stop.row, stop.side)));
    }
    // ...and turns into 0 once it is left.
    EXPECT_EQ(Text(RangeText(0, 0)), u"0");

    // Up and Down keep the side and stop at the ends.
    doc.OnPanelKey(kPanelUp);
    EXPECT_EQ(doc.currentRangeRow, 0);
    doc.OnPanelKey(kPanelDown);
    doc.OnPanelKey(kPanelDown);
    doc.OnPanelKey(kPanelDown);
    EXPECT_EQ(doc.currentRangeRow, 10);
    EXPECT_EQ(doc.currentRangeSide, 0);
    // Right off the end of a minimum goes to the maximum; Left off its start back.
    doc.OnPanelKey(kPanelRight);
    EXPECT_EQ(doc.currentRangeSide, 0);
    EXPECT_EQ(doc.panelCaret, 1);
    doc.OnPanelKey(kPanelRight);
    EXPECT_EQ(doc.currentRangeSide, 1);
    EXPECT_EQ(doc.panelCaret, 0);
    doc.OnPanelKey(kPanelLeft);
    EXPECT_EQ(doc.currentRangeSide, 0);
    EXPECT_EQ(doc.panelCaret, 1);
}

TEST_F(VariablePanelsTest, ValueCellsCycleAndAnEmptiedOneBecomesZero)
{
    AddLine("y=a*x+b");
    doc.Recompute();
    WaitForAnalysis();
    BuildVariables();
    ASSERT_EQ(doc.Variables->count, 2);
    doc.LayoutVariablePanels();
    doc.BeginValueCellEdit(0, ShortPoint{0, 0}, true);
    doc.OnPanelKey(kPanelBackspace);
    EXPECT_EQ(Text(doc.panels.valueCells[0].text), u"");
    doc.OnPanelKey(kPanelTab);
    EXPECT_EQ(doc.currentValueCell, 1);
    EXPECT_EQ(Text(doc.panels.valueCells[0].text), u"0");
    doc.OnPanelKey(kPanelTab);
    EXPECT_EQ(doc.currentValueCell, 0);
    WaitForAnalysis();
}

TEST_F(VariablePanelsTest, AValueTypedInThePanelSurvivesARecompute)
{
    AddLine("y=a*x");
    doc.Recompute();
    WaitForAnalysis();
    BuildVariables();
    doc.LayoutVariablePanels();
    EXPECT_EQ(Text(doc.panels.valueCells[0].text), u"1");
    doc.BeginValueCellEdit(0, Centre(doc.panels.valueCells[0].rect), true);
    Type(u"2.5");
    EXPECT_EQ(doc.GetVariableValue('a'), 2.5);
    // The key recomputed; the next build lists a with what was typed.
    WaitForAnalysis();
    doc.Recompute();
    WaitForAnalysis();
    BuildVariables();
    ASSERT_EQ(doc.Variables->count, 1);
    EXPECT_EQ((*doc.Variables)[0].value, 2.5);
    doc.LayoutVariablePanels();
    EXPECT_EQ(Text(doc.panels.valueCells[0].text), u"2.5");
}

TEST_F(VariablePanelsTest, PanelsLieAtTheBottomRightInRowsFromTheTop)
{
    AddLine("y=a*x+b");
    doc.Recompute();
    WaitForAnalysis();
    BuildVariables();
    ReportThreeRows();
    const PanelBlock& p = doc.panels;
    ASSERT_GT(p.rowHeight, 0);
    EXPECT_EQ(p.rowHeight, p.ascent + p.descent);
    EXPECT_EQ(p.rangePanelRect.right, 595);
    EXPECT_EQ(p.rangePanelRect.bottom, 400);
    EXPECT_EQ(p.rangePanelRect.top, 400 - 3 * p.rowHeight - 2);
    EXPECT_GE(p.rangePanelRect.left, 600 - 300);
    EXPECT_EQ(p.valuePanelRect.right, p.rangePanelRect.left);
    EXPECT_LT(p.valuePanelRect.left, p.valuePanelRect.right);
    // Rows in order from the top; the last one's baseline sits on the bottom.
    const int32_t used[] = {0, 1, 10};
    for (int32_t k = 0; k < 3; ++k) {
        const PanelBlock::RangeRow& row = p.rangeRows[used[k]];
        const int32_t baseline = doc.PanelRowY(2 - k);
        EXPECT_EQ(row.cellRect[0].top, baseline - p.ascent);
        EXPECT_EQ(row.cellRect[0].bottom, baseline + p.descent);
        EXPECT_EQ(row.cellRect[0].left, p.rangePanelRect.left);
        EXPECT_EQ(row.cellRect[0].right, row.cellRect[1].left);
        EXPECT_GT(row.cellRect[1].right, p.rangeMaxX);
    }
    EXPECT_EQ(doc.PanelRowY(0), 400 - p.descent - 2);
    EXPECT_LT(p.rangeLabelX, p.rangeColonX);
    EXPECT_LT(p.rangeColonX, p.rangeMinX);
    EXPECT_LT(p.rangeMinX, p.rangeDotsX);
    EXPECT_LT(p.rangeDotsX, p.rangeMaxX);
    EXPECT_LT(p.valueEqualsX, p.valueTextX);
    EXPECT_EQ(p.valueCells[1].rect.bottom, doc.PanelRowY(0) + p.descent);
    EXPECT_LT(p.valueCells[0].rect.top, p.valueCells[1].rect.top);
    // Each cell holds its own point and nothing else does.
    int32_t row = -1, side = -1;
    EXPECT_TRUE(doc.RangeCellAt(Centre(p.rangeRows[10].cellRect[1]), &row, &side));
    EXPECT_EQ(row, 10);
    EXPECT_EQ(side, 1);
    EXPECT_FALSE(doc.RangeCellAt(ShortPoint{10, 10}, &row, &side));
    EXPECT_EQ(doc.ValueCellAt(Centre(p.valueCells[1].rect)), 1);
    EXPECT_EQ(doc.ValueCellAt(ShortPoint{10, 10}), -1);
    ShortRect panels;
    EXPECT_TRUE(doc.GetPanelsRect(&panels));
    EXPECT_EQ(panels.left, p.valuePanelRect.left);
    EXPECT_EQ(panels.right, p.rangePanelRect.right);
}

TEST_F(VariablePanelsTest, AClickPlacesTheCaretAndADragSelects)
{
    doc.SetRangePanelRow(0, -12345, 2);
    doc.LayoutVariablePanels();
    const int32_t start = doc.MeasureRangeCell(0, 0, 0);
    EXPECT_EQ(start, doc.panels.rangeMinX);
    const int32_t x2 = doc.MeasureRangeCell(0, 0, 2), x3 = doc.MeasureRangeCell(0, 0, 3);
    EXPECT_GT(x3, x2);
    const int16_t y = doc.panels.rangeRows[0].cellRect[0].top;
    // Just left of the middle of character 2 is before it; right of it after.
    doc.BeginRangeCellEdit(0, 0, ShortPoint{y, static_cast<int16_t>(x2 + 1)}, false);
    EXPECT_EQ(doc.panelCaret, 2);
    EXPECT_FALSE(doc.HasCellSelection());
    EXPECT_TRUE(doc.DragSelectRangeCell(ShortPoint{y, 599}));
    EXPECT_EQ(doc.panelAnchor, 2);
    EXPECT_EQ(doc.panelCaret, 6);
    EXPECT_FALSE(doc.DragSelectRangeCell(ShortPoint{y, 599}));
    char out[kPanelCopyBytes];
    doc.CopyRangeFieldSelection(out, sizeof out);
    EXPECT_STREQ(out, "2345");
    EXPECT_EQ(doc.RangeCellCaretAt(0, 0, 0), 0);
}

TEST_F(VariablePanelsTest, NothingIsDrawnWithoutRowsOrVariables)
{
    MakePort(600, 400);
    doc.DrawVariablePanels();
    EXPECT_TRUE(IsShortRectEmpty(doc.panels.rangePanelRect));
    ShortRect panels;
    EXPECT_FALSE(doc.GetPanelsRect(&panels));
    for (int y = 0; y < 400; y += 3)
        for (int x = 0; x < 600; x += 3)
            ASSERT_EQ(Colour(x, y), 0xFFFFFFu);
}

TEST_F(VariablePanelsTest, DrawingShowsTheTextsAndTheCaret)
{
    AddLine("y=a*x+b");
    doc.Recompute();
    WaitForAnalysis();
    BuildVariables();
    ReportThreeRows();
    MakePort(600, 400, 0x808080);
    doc.BeginRangeCellEdit(1, 1, ShortPoint{0, 0}, false);
    doc.DrawVariablePanels();
    SaveIfAsked("panels-caret.png");
    EXPECT_TRUE(doc.panels.caretShown);
    const PanelBlock& p = doc.panels;
    // The panel was erased; dark ink lies on each row.
    EXPECT_EQ(Colour(p.rangePanelRect.right - 1, p.rangePanelRect.top + 1), 0xFFFFFFu);
    for (int32_t row : {0, 1, 10}) {
        bool ink = false;
        const ShortRect& r = p.rangeRows[row].cellRect[1];
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left + 2; x < r.right; ++x)
                ink = ink || Colour(x, y) < 0x404040;
        EXPECT_TRUE(ink) << row;
    }
    // The caret bar stands before the first character of y's maximum.
    const int32_t x = doc.MeasureRangeCell(1, 1, 0) - 1;
    const ShortRect& cell = p.rangeRows[1].cellRect[1];
    EXPECT_EQ(Colour(x, cell.top + 1), 0x000000u);
    EXPECT_EQ(Colour(x, cell.bottom - 3), 0x000000u);
    // Left of the panels the pane is untouched.
    EXPECT_EQ(Colour(p.valuePanelRect.left - 2, 399), 0x808080u);

    // A selection is painted in the highlight colour instead.
    doc.SelectAllInField();
    doc.DrawVariablePanels();
    SaveIfAsked("panels-selection.png");
    EXPECT_FALSE(doc.panels.caretShown);
}

}  // namespace
