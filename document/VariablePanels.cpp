// The variables panel and the range panel: layout, drawing, hit geometry and
// the caret and selection of the edited cell.
#include "document/DocState.h"
#include "document/DocumentHooks.h"
#include "document/PanelCellText.h"
#include "drawing/ClipRegionSaver.h"
#include "drawing/DrawingPort.h"
#include "drawing/TextFont.h"
#include "formula/NameRegistry.h"
#include "platform/NumberText.h"
#include "platform/PortDC.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace {

TextFont& PanelFont()
{
    static TextFont* font = new TextFont("Times New Roman", 12, false, false);
    return *font;
}

float TextWidth(const char16_t* text, int32_t n)
{
    if (n <= 0)
        return 0;
    std::u16string part(text, static_cast<size_t>(n));
    return MeasureTextWidth(part.c_str(), PanelFont());
}

float CharWidth(char16_t c)
{
    const char16_t text[2] = {c, 0};
    return MeasureTextWidth(text, PanelFont());
}

int16_t ToX(float x)
{
    return SaturateToShort(static_cast<int32_t>(std::lround(x)));
}

void Redraw()
{
    if (GetDocumentHooks().redrawEquationPane)
        GetDocumentHooks().redrawEquationPane();
}

// The x of character n of a text that starts at column x.
int32_t MeasureFrom(int32_t column, const char16_t* text, int32_t n)
{
    n = std::clamp(n, 0, PanelTextLength(text));
    return column + static_cast<int32_t>(std::lround(TextWidth(text, n)));
}

// The text's length when x lies beyond its end less half its last
// character; else the first character whose middle lies right of x.
int32_t CaretFrom(int32_t column, const char16_t* text, int32_t x)
{
    const int32_t length = PanelTextLength(text);
    if (length == 0)
        return 0;
    const float end = column + TextWidth(text, length);
    if (x > end - CharWidth(text[length - 1]) / 2)
        return length;
    float left = static_cast<float>(column);
    for (int32_t i = 0; i < length; ++i) {
        const float w = CharWidth(text[i]);
        if (left + w / 2 > x)
            return i;
        left += w;
    }
    return length;
}

void FormatCellValue(char16_t* text, double value)
{
    FormatNumberWithPrefix(text, kPanelCellUnits, nullptr, value);
}

// The variable's name as the panel shows it.
std::u16string VariableLabel(uint32_t key)
{
    if (key < 256)
        return std::u16string(1, static_cast<char16_t>(key));
    const char16_t* name = SymbolName(key);
    return name ? std::u16string(name) : std::u16string();
}

void DrawAt(int32_t x, int32_t y, const char16_t* text)
{
    PortMoveTo(x, y);
    DrawTextAtPen(text, PanelFont(), GetPortDC());
}

ShortRect Union(const ShortRect& a, const ShortRect& b)
{
    if (IsShortRectEmpty(a))
        return b;
    if (IsShortRectEmpty(b))
        return a;
    return ShortRect{std::min(a.top, b.top), std::min(a.left, b.left), std::max(a.bottom, b.bottom),
                     std::max(a.right, b.right)};
}

}  // namespace

bool DocState::GetPanelsRect(ShortRect* rect) const
{
    if (HasNoPanelRows() || IsShortRectEmpty(equationPaneRect)) {
        *rect = ShortRect{0, 0, 0, 0};
        return false;
    }
    *rect = Union(panels.rangePanelRect, panels.valuePanelRect);
    return true;
}

int32_t DocState::PanelRowY(int32_t i) const
{
    return panels.rangePanelRect.bottom - i * panels.rowHeight - panels.descent - 2;
}

void DocState::LayoutVariablePanels()
{
    panelsNeedLayout = false;
    PanelBlock& p = panels;
    const int32_t rows = CountRangePanelRows();
    const int32_t variables = Variables ? std::min(Variables->count, kValueCells) : 0;
    if (rows == 0 && variables == 0) {
        p.rangePanelRect = p.valuePanelRect = ShortRect{0, 0, 0, 0};
        return;
    }
    const TextFont& font = PanelFont();
    p.ascent = static_cast<int32_t>(std::lround(font.Ascent()));
    p.descent = static_cast<int32_t>(std::lround(font.Descent()));
    p.rowHeight = p.ascent + p.descent;
    const float wW = CharWidth(u'w'), wColon = CharWidth(u':'), wSpace = CharWidth(u' '), wDot = CharWidth(u'.'),
                wEquals = CharWidth(u'=');

    const ShortRect& pane = equationPaneRect;
    const int32_t right = pane.right - 5;
    const int32_t leftAtFirst = right - (pane.right - pane.left) / 2 + 5;
    float a = 1, b = 0;
    for (PanelBlock::RangeRow& row : p.rangeRows) {
        if (!row.used)
            continue;
        for (int32_t side = 0; side < 2; ++side) {
            if (!row.edited[side])
                FormatCellValue(row.text[side], row.value[side]);
        }
        a = std::max(a, TextWidth(row.text[0], PanelTextLength(row.text[0])) + wW + wColon + wSpace);
        b = std::max(b, TextWidth(row.text[1], PanelTextLength(row.text[1])) + 3 * wDot + 2 * wSpace);
    }
    const int32_t left = std::max(leftAtFirst, right - static_cast<int32_t>(std::lround(a + b)));
    SetShortRect(p.rangePanelRect, pane.bottom - std::max(rows, variables) * p.rowHeight - 2, left, pane.bottom,
                 right);
    const float d = left + a + wSpace;
    int32_t k = rows;
    for (PanelBlock::RangeRow& row : p.rangeRows) {
        if (!row.used)
            continue;
        const int32_t y = PanelRowY(--k);
        const int32_t split = ToX(d + 1.5f * wDot);
        SetShortRect(row.cellRect[0], y - p.ascent, left, y + p.descent, split);
        SetShortRect(row.cellRect[1], y - p.ascent, split, y + p.descent, ToX(d + b));
    }

    if (variables > 0) {
        float widest = 0;
        for (int32_t i = 0; i < variables; ++i) {
            PanelBlock::ValueCell& cell = p.valueCells[i];
            if (!cell.edited)
                FormatCellValue(cell.text, cell.value);
            widest = std::max(widest, TextWidth(cell.text, PanelTextLength(cell.text)));
        }
        const int32_t valueRight = p.rangePanelRect.left;
        const int32_t valueLeft = valueRight - static_cast<int32_t>(std::lround(2 * wSpace + wW + wEquals + widest + 20));
        // At least the rows' own height, so that the panel holds its top cell.
        const int32_t pitch = std::max(13, p.rowHeight);
        SetShortRect(p.valuePanelRect, pane.bottom - pitch * variables - 2, valueLeft, pane.bottom, valueRight);
    } else {
        p.valuePanelRect = ShortRect{0, 0, 0, 0};
    }
    p.valueEqualsX = ToX(p.valuePanelRect.left + wW + wSpace);
    p.valueTextX = ToX(p.valueEqualsX + wEquals + wSpace);
    p.rangeLabelX = p.rangePanelRect.left;
    p.rangeColonX = ToX(p.rangeLabelX + wW);
    p.rangeMinX = ToX(p.rangeColonX + wColon + wSpace);
    p.rangeDotsX = ToX(d);
    p.rangeMaxX = ToX(d + 3 * wDot + wSpace);
    for (int32_t i = 0; i < variables; ++i) {
        const int32_t y = PanelRowY(variables - 1 - i);
        SetShortRect(p.valueCells[i].rect, y - p.ascent, p.valuePanelRect.left, y + p.descent,
                     p.valuePanelRect.right);
    }
}

void DocState::DrawVariablePanels()
{
    if (panelsNeedLayout)
        LayoutVariablePanels();
    PanelBlock& p = panels;
    const int32_t variables = Variables ? std::min(Variables->count, kValueCells) : 0;
    if (IsShortRectEmpty(p.rangePanelRect) || HasNoPanelRows())
        return;
    ClipRegionSaver clip(equationPaneRect);
    PortEraseRect(p.rangePanelRect);
    if (!IsShortRectEmpty(p.valuePanelRect))
        PortEraseRect(p.valuePanelRect);

    p.caretShown = false;
    if (documentReady && (EditMode == EditValueCell || EditMode == EditRangeCell)) {
        const bool value = EditMode == EditValueCell;
        const ShortRect cell = value ? p.valueCells[std::clamp(currentValueCell, 0, kValueCells - 1)].rect
                                     : p.rangeRows[std::clamp(currentRangeRow, 0, kRangeRows - 1)]
                                           .cellRect[currentRangeSide != 0];
        auto xOf = [&](int32_t n) {
            return value ? MeasureValueCell(currentValueCell, n) : MeasureRangeCell(currentRangeRow, currentRangeSide, n);
        };
        const int32_t start = std::min(panelCaret, panelAnchor), end = std::max(panelCaret, panelAnchor);
        ShortRect mark;
        if (start == end) {
            const int32_t x = xOf(start);
            SetShortRect(mark, cell.top - 1, x - 1, cell.bottom - 1, x);
            PortInvertRect(mark);
            p.caretShown = true;
        } else if (PortDC* dc = GetPortDC()) {
            SetShortRect(mark, cell.top - 1, xOf(start), cell.bottom - 1, xOf(end));
            dc->FillRect(mark, GetHighlightColor());
        }
    }

    PortSetDefaultColors();
    PortSetTransparentTextBack();
    PortSetBaselineTextAlign();
    const bool view4D = Graphs && Graphs->Shows4DView();
    int32_t k = CountRangePanelRows();
    for (int32_t r = 0; r < kRangeRows; ++r) {
        const PanelBlock::RangeRow& row = p.rangeRows[r];
        if (!row.used)
            continue;
        const int32_t y = PanelRowY(--k);
        char16_t label[3] = {RangeRowLetter(view4D, r), 0, 0};
        if (r >= 4 && r <= 6)
            label[1] = u'\'';
        DrawAt(p.rangeLabelX, y, label);
        DrawAt(p.rangeColonX, y, u": ");
        DrawTextAtPen(row.text[0], PanelFont(), GetPortDC());
        DrawAt(p.rangeDotsX, y, u"... ");
        DrawTextAtPen(row.text[1], PanelFont(), GetPortDC());
    }
    const float wW = CharWidth(u'w');
    for (int32_t i = 0; i < variables; ++i) {
        const int32_t y = PanelRowY(variables - 1 - i);
        const std::u16string label = VariableLabel(static_cast<uint32_t>((*Variables)[i].key));
        const float w = MeasureTextWidth(label.c_str(), PanelFont());
        DrawAt(p.valuePanelRect.left + static_cast<int32_t>(std::lround(wW - w)), y, label.c_str());
        DrawAt(p.valueEqualsX, y, u"= ");
        DrawTextAtPen(p.valueCells[i].text, PanelFont(), GetPortDC());
    }
}

int32_t DocState::MeasureRangeCell(int32_t row, int32_t side, int32_t n)
{
    row = std::clamp(row, 0, kRangeRows - 1);
    side = side != 0;
    return MeasureFrom(side ? panels.rangeMaxX : panels.rangeMinX, panels.rangeRows[row].text[side], n);
}

int32_t DocState::MeasureValueCell(int32_t cell, int32_t n)
{
    cell = std::clamp(cell, 0, kValueCells - 1);
    return MeasureFrom(panels.valueTextX, panels.valueCells[cell].text, n);
}

int32_t DocState::RangeCellCaretAt(int32_t row, int32_t side, int32_t x)
{
    row = std::clamp(row, 0, kRangeRows - 1);
    side = side != 0;
    return CaretFrom(side ? panels.rangeMaxX : panels.rangeMinX, panels.rangeRows[row].text[side], x);
}

int32_t DocState::ValueCellCaretAt(int32_t cell, int32_t x)
{
    cell = std::clamp(cell, 0, kValueCells - 1);
    return CaretFrom(panels.valueTextX, panels.valueCells[cell].text, x);
}

bool DocState::RangeCellAt(ShortPoint point, int32_t* row, int32_t* side) const
{
    for (int32_t r = 0; r < kRangeRows; ++r) {
        if (!panels.rangeRows[r].used)
            continue;
        for (int32_t s = 0; s < 2; ++s) {
            if (PointInShortRect(point, panels.rangeRows[r].cellRect[s])) {
                *row = r;
                *side = s;
                return true;
            }
        }
    }
    return false;
}

int32_t DocState::ValueCellAt(ShortPoint point) const
{
    const int32_t variables = Variables ? std::min(Variables->count, kValueCells) : 0;
    for (int32_t i = 0; i < variables; ++i) {
        if (PointInShortRect(point, panels.valueCells[i].rect))
            return i;
    }
    return -1;
}

// A double click selects the cell's whole text; a click puts the caret, and
// the anchor of a drag, at the character under it.
static void PlaceCellCaret(DocState& doc, const char16_t* text, int32_t column, ShortPoint point, bool doubleClick)
{
    if (doubleClick) {
        doc.panelCaret = 0;
        doc.panelAnchor = PanelTextLength(text);
    } else {
        doc.panelCaret = doc.panelAnchor = CaretFrom(column, text, point.h);
    }
    Redraw();
}

void DocState::BeginRangeCellEdit(int32_t row, int32_t side, ShortPoint point, bool doubleClick)
{
    currentRangeRow = std::clamp(row, 0, kRangeRows - 1);
    currentRangeSide = side != 0;
    EditMode = EditRangeCell;
    PlaceCellCaret(*this, panels.rangeRows[currentRangeRow].text[currentRangeSide],
                   currentRangeSide ? panels.rangeMaxX : panels.rangeMinX, point, doubleClick);
}

void DocState::BeginValueCellEdit(int32_t cell, ShortPoint point, bool doubleClick)
{
    currentValueCell = std::clamp(cell, 0, kValueCells - 1);
    EditMode = EditValueCell;
    PlaceCellCaret(*this, panels.valueCells[currentValueCell].text, panels.valueTextX, point, doubleClick);
}

bool DocState::DragSelectRangeCell(ShortPoint point)
{
    const int32_t at = RangeCellCaretAt(currentRangeRow, currentRangeSide, point.h);
    const bool changed = at != panelCaret;
    panelCaret = at;
    Redraw();
    return changed;
}

bool DocState::DragSelectValueCell(ShortPoint point)
{
    const int32_t at = ValueCellCaretAt(currentValueCell, point.h);
    const bool changed = at != panelCaret;
    panelCaret = at;
    Redraw();
    return changed;
}

bool DocState::HasCellSelection() const
{
    return (EditMode == EditValueCell || EditMode == EditRangeCell) && panelCaret != panelAnchor;
}

void DocState::SelectAllInField()
{
    switch (EditMode) {
    case EditFormula:
        if (GetDocumentHooks().selectEntireFormula && CurrentFormula())
            GetDocumentHooks().selectEntireFormula(CurrentFormula());
        RefreshEditState();
        break;
    case EditValueCell:
        panelCaret = 0;
        panelAnchor = PanelTextLength(panels.valueCells[std::clamp(currentValueCell, 0, kValueCells - 1)].text);
        Redraw();
        break;
    case EditRangeCell:
        panelCaret = 0;
        panelAnchor = PanelTextLength(
            panels.rangeRows[std::clamp(currentRangeRow, 0, kRangeRows - 1)].text[currentRangeSide != 0]);
        Redraw();
        break;
    default:
        // A text block's box selects its own text.
        break;
    }
}
