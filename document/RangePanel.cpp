// The range panel's rows: what the graph set reports into them, and what the
// user types into their cells and sends back.
#include "document/DocState.h"
#include "document/DocumentHooks.h"
#include "document/DocumentReader.h"
#include "document/PanelCellText.h"
#include "formula/CopyTree.h"
#include "formula/SubtreeValue.h"
#include "platform/NumberText.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace {

constexpr char16_t kPi = u'\u03C0';
constexpr size_t kRangeFormulaUnits = 255;

void Redraw()
{
    if (GetDocumentHooks().redrawEquationPane)
        GetDocumentHooks().redrawEquationPane();
}

bool IsCellLetter(char16_t c)
{
    return (c >= u'a' && c <= u'z') || c == kPi;
}

bool IsDigit(char16_t c)
{
    return c >= u'0' && c <= u'9';
}

// The row used after (step 1) or before (step -1) the row, wrapping or not;
// the row itself when there is none.
int32_t NextUsedRow(const PanelBlock& p, int32_t row, int32_t step, bool wrap)
{
    for (int32_t k = 1; k <= kRangeRows; ++k) {
        int32_t r = row + step * k;
        if (wrap)
            r = (r % kRangeRows + kRangeRows) % kRangeRows;
        else if (r < 0 || r >= kRangeRows)
            break;
        if (p.rangeRows[r].used)
            return r;
    }
    return row;
}

}  // namespace

char16_t RangeRowLetter(bool view4DShown, int32_t row)
{
    static constexpr char16_t kLetters[kRangeRows] = {u'x', u'y', u'z', u'v', u'x', u'y', u'z',
                                                      u'r', u'\u03B8', u'\u03C6', u't', u'u', u'v'};
    if (row < 0 || row >= kRangeRows)
        return u'?';
    if (view4DShown && (row == 2 || row == 6))
        return u'u';
    return kLetters[row];
}

bool IsRangeCellChar(char16_t ch)
{
    return (ch >= u'a' && ch <= u'z') || ch == u'(' || ch == u')' || ch == u'*' || ch == u'+' || ch == u'-' ||
        ch == u'/' || ch == kPi;
}

double EvaluateRangeCellText(const char16_t* text, DocState* doc)
{
    // 2pi reads as 2*pi and x2 as x*2.
    std::u16string formula;
    const char16_t separator = GetLocaleDecimalSeparator();
    char16_t previous = 0;
    for (const char16_t* c = text; *c && formula.size() < kRangeFormulaUnits; ++c) {
        if ((IsDigit(previous) && IsCellLetter(*c)) || (IsCellLetter(previous) && IsDigit(*c)))
            formula += u'*';
        if (*c == kPi)
            formula += u"pi";
        else if (*c == separator)
            formula += u'.';
        else
            formula += *c;
        previous = *c;
    }
    if (formula.size() > kRangeFormulaUnits)
        formula.resize(kRangeFormulaUnits);
    FormulaNode* tree = ParseFormulaWideString(formula.c_str());
    if (!tree)
        return 0;
    const double value = EvaluateSubtreeReal(tree, doc);
    FreeTree(tree);
    return value;
}

void DocState::SetRangePanelRow(int32_t row, double minimum, double maximum)
{
    if (row < 0 || row >= kRangeRows)
        return;
    panels.rangeDigits = static_cast<int16_t>(DisplayDigits);
    PanelBlock::RangeRow& r = panels.rangeRows[row];
    r.used = true;
    r.value[0] = minimum;
    r.value[1] = maximum;
    panelsNeedLayout = true;
    Redraw();
}

void DocState::ResetRangePanel()
{
    // The t, u and v ranges keep what was typed into them.
    for (int32_t row = 0; row < 10; ++row)
        panels.rangeRows[row].edited[0] = panels.rangeRows[row].edited[1] = false;
    for (int32_t row = 0; row < kRangeRows; ++row) {
        if (panels.rangeRows[row].used && GetDocumentHooks().reportRange)
            GetDocumentHooks().reportRange(this, row);
    }
    for (PanelBlock::ValueCell& cell : panels.valueCells)
        cell.edited = false;
}

void DocState::ClearPanelEditedMarks()
{
    if (EditMode == EditValueCell || EditMode == EditRangeCell)
        return;
    for (PanelBlock::RangeRow& row : panels.rangeRows)
        row.used = row.edited[0] = row.edited[1] = false;
    for (PanelBlock::ValueCell& cell : panels.valueCells)
        cell.edited = false;
}

int32_t DocState::CountRangePanelRows() const
{
    return static_cast<int32_t>(std::count_if(std::begin(panels.rangeRows), std::end(panels.rangeRows),
                                              [](const PanelBlock::RangeRow& row) { return row.used; }));
}

void DocState::StoreRangeCell()
{
    const int32_t row = std::clamp(currentRangeRow, 0, kRangeRows - 1);
    const int32_t side = currentRangeSide != 0;
    PanelBlock::RangeRow& r = panels.rangeRows[row];
    double value = EvaluateRangeCellText(r.text[side], this);
    if (std::isnan(value))
        value = 0;
    if (GetDocumentHooks().setRangeValue)
        GetDocumentHooks().setRangeValue(this, row, side, value);
    r.value[side] = value;
    r.edited[side] = true;
    panelsNeedLayout = true;
    Redraw();
    StopGraphing();
}

void DocState::FillEmptyRangeCells()
{
    for (int32_t row = 0; row < kRangeRows; ++row) {
        PanelBlock::RangeRow& r = panels.rangeRows[row];
        if (!r.used)
            continue;
        for (int32_t side = 0; side < 2; ++side) {
            const bool edited = EditMode == EditRangeCell && row == currentRangeRow && side == currentRangeSide;
            if (r.text[side][0] == 0 && !edited) {
                r.text[side][0] = u'0';
                r.text[side][1] = 0;
                r.value[side] = 0;
            }
        }
    }
}

void DocState::OnRangeCellKey(char16_t ch)
{
    if (!IsPanelKey(ch) && !IsRangeCellChar(ch))
        return;
    const int32_t row = std::clamp(currentRangeRow, 0, kRangeRows - 1);
    const int32_t side = currentRangeSide != 0;
    char16_t* text = panels.rangeRows[row].text[side];
    const int32_t length = PanelTextLength(text);
    auto select = [&](int32_t nextRow, int32_t nextSide) {
        currentRangeRow = nextRow;
        currentRangeSide = nextSide;
        panelCaret = 0;
        panelAnchor = PanelTextLength(panels.rangeRows[nextRow].text[nextSide]);
    };
    const bool caretOnly = panelCaret == panelAnchor;
    switch (ch) {
    case kPanelTab:
        if (side == 0)
            select(row, 1);
        else
            select(NextUsedRow(panels, row, 1, true), 0);
        break;
    case kPanelUp:
    case kPanelDown:
        select(NextUsedRow(panels, row, ch == kPanelUp ? -1 : 1, false), side);
        break;
    case kPanelLeft:
        if (side == 1 && caretOnly && panelCaret == 0) {
            currentRangeSide = 0;
            panelCaret = panelAnchor = PanelTextLength(panels.rangeRows[row].text[0]);
        } else {
            MovePanelCaret(ch, panelCaret, panelAnchor, length);
        }
        break;
    case kPanelRight:
        if (side == 0 && caretOnly && panelCaret >= length) {
            currentRangeSide = 1;
            panelCaret = panelAnchor = 0;
        } else {
            MovePanelCaret(ch, panelCaret, panelAnchor, length);
        }
        break;
    default:
        if (GetDocumentHooks().setDocModified)
            GetDocumentHooks().setDocModified(true);
        EditPanelCellText(text, panelCaret, panelAnchor, ch);
        FillEmptyRangeCells();
        StoreRangeCell();
        break;
    }
    FillEmptyRangeCells();
    Redraw();
    StopGraphing();
}
