// How a table is drawn in the equation pane: its focus frame, computed
// columns shaded, the grid, the headers (texts in bold, formulas typeset)
// and the data cells of the shown rows; its selections; its header
// formulas laid out; and its own scroll bar windows.
#include "document/DataTable.h"
#include "editor/TableEditing.h"

#include "document/DocState.h"
#include "document/DocumentHooks.h"
#include "drawing/ClipRegionSaver.h"
#include "drawing/DrawingPort.h"
#include "editor/COndrelView.h"
#include "editor/EditorStateLife.h"
#include "editor/EquationViewServices.h"
#include "editor/LineWrapping.h"
#include "editor/TypesetDriver.h"
#include "formula/EditorState.h"
#include "formula/FormulaNode.h"
#include "platform/PortDC.h"
#include "platform/SystemFont.h"

#include <QScrollBar>
#include <QStyle>

#include <algorithm>

namespace {

constexpr ColorRef kGridGrey = 0x808080;
constexpr ColorRef kComputedShade = 0xE0E0E0;
// 0x98AACD in the window system's order.
constexpr ColorRef kFocusFrame = 0xCDAA98;
constexpr ColorRef kCellText = 0x000000;

void Line(PortDC* dc, int x0, int y0, int x1, int y1)
{
    dc->MoveTo(x0, y0);
    dc->LineTo(x1, y1);
}

void TextAtBaseline(PortDC* dc, int x, int y, const char16_t* text, FontHandle font)
{
    if (!text || !*text)
        return;
    FontHandle old = dc->SelectFont(font);
    const uint32_t align = dc->TextAlign();
    dc->SetTextAlign(kTextAlignBaseline);
    dc->SetBackgroundMode(BackgroundMode::Transparent);
    dc->SetTextColor(kCellText);
    dc->TextOut(x, y, text, static_cast<int32_t>(std::char_traits<char16_t>::length(text)));
    dc->SetTextAlign(align);
    dc->SelectFont(old);
}

ShortRect Rect(int32_t top, int32_t left, int32_t bottom, int32_t right)
{
    ShortRect r;
    SetShortRect(r, top, left, bottom, right);
    return r;
}

void FillClipped(PortDC* dc, ShortRect r, const ShortRect& clip, ColorRef colour)
{
    ShortRect inside;
    if (IntersectShortRects(r, clip, inside))
        dc->FillRect(inside, colour);
}

}  // namespace

void DataTable::Draw(int32_t currentRow, int32_t currentColumn, int32_t editMode, const IndexList* selection)
{
    PortDC* dc = GetPortDC();
    if (!dc)
        return;
    RemeasureColumns();
    UpdateScrollBars();
    const int32_t height = Height();
    const int32_t headerHeight = HeaderHeight();
    const int32_t shownWidth = VisibleWidth();

    // The focus frame around the table and its bars.
    if (owner && owner->documentReady && editMode != 0) {
        PortPen old = dc->SelectPen(PortPen{PenStyle::Solid, 4, kFocusFrame, true});
        const int32_t right = left + shownWidth + (rowScrollBar ? rowScrollBar->thickness + 1 : 1) + 2;
        const int32_t bottom = top + height + (columnScrollBar ? columnScrollBar->thickness : 1) + 2;
        dc->MoveTo(left - 2, top - 2);
        dc->LineTo(right, top - 2);
        dc->LineTo(right, bottom);
        dc->LineTo(left - 2, bottom);
        dc->LineTo(left - 2, top - 2);
        dc->SelectPen(old);
    }

    const ShortRect clip = VisibleRect();
    ClipRegionSaver saver(clip, true);
    PortPen oldPen = dc->SelectPen(PortPen{PenStyle::Solid, 1, kGridGrey, false});
    const int32_t first = FirstVisibleRow();
    const int32_t last = LastVisibleRow();
    const ShortRect pane = owner ? owner->equationPaneRect : clip;
    MutexLock hold(cellLock);
    int32_t x = left - ColumnPosition();
    for (int32_t i = 0; i < columns.count; ++i) {
        DataTableColumn* column = columns[i];
        const int32_t w = column->width;
        const bool selectedColumn = editMode == EditTableColumns && selection && IndexListContains(*selection, i);
        // 1. A computed column's data area is shaded, selected rows aside.
        if (IsComputedColumn(i)) {
            if (editMode == EditTableRows) {
                for (int32_t row = first, k = 0; row <= last; ++row, ++k) {
                    if (selection && IndexListContains(*selection, row))
                        continue;
                    const int32_t y = top + headerHeight + rowHeight * k;
                    FillClipped(dc, Rect(y, x, y + rowHeight, x + w), clip, kComputedShade);
                }
            } else if (!selectedColumn) {
                FillClipped(dc, Rect(top + headerHeight, x, top + height, x + w), clip, kComputedShade);
            }
        }
        // 2. The grid.
        dc->MoveTo(x + w, top);
        dc->LineTo(x + w, top + height);
        dc->LineTo(x, top + height);
        dc->LineTo(x, top);
        dc->LineTo(x + w, top);
        for (int32_t row = first; row <= last; ++row) {
            const int32_t y = RowTop(row) - 4;
            Line(dc, x, y, x + w, y);
        }
        // 3. The header.
        const bool editingHeader = editMode == EditTextOrCell && currentRow == 0 && currentColumn == i;
        if (column->headerFormula) {
            DrawFormulaState(column->headerFormula, GetEquationView(), dc);
        } else if (!editingHeader && column->cells.count > 0 && column->cells[0]) {
            const char16_t* text = column->cells[0];
            const int32_t textWidth = TableTextWidth(text, fontSize, true);
            TextAtBaseline(dc, x + (w - textWidth) / 2, top + headerAscent + 5, text, TableFont(fontSize, true));
        }
        // 4. The data cells of the shown rows.
        for (int32_t row = first, k = 0; row <= last && row < column->cells.count; ++row, ++k) {
            if (editMode == EditTextOrCell && row == currentRow && i == currentColumn)
                continue;
            const int32_t baseline = top + headerHeight + rowHeight * k + fontSize + 2;
            if (baseline < pane.top - rowHeight || baseline > pane.bottom + rowHeight)
                continue;
            TextAtBaseline(dc, x + 5, baseline, column->cells[row], TableFont(fontSize, false));
        }
        x += w;
    }
    dc->SelectPen(oldPen);
}

void DataTable::DrawColumnSelection(const IndexList& list)
{
    PortDC* dc = GetPortDC();
    if (!dc)
        return;
    const ShortRect clip = VisibleRect();
    const int32_t p = ColumnPosition();
    for (int32_t column : list) {
        if (column < 0 || column >= columns.count)
            continue;
        FillClipped(dc, Rect(top, ColumnLeft(column) - p, top + Height(), ColumnRight(column) - p), clip,
                    HighlightColor());
    }
}

void DataTable::DrawRowSelection(const IndexList& list)
{
    PortDC* dc = GetPortDC();
    if (!dc)
        return;
    const ShortRect clip = VisibleRect();
    const bool headerSelected = IndexListContains(list, 0);
    const int32_t headerBottom = top + HeaderHeight();
    for (int32_t row : list) {
        if (row < 0 || row >= RowCount() || (row > 0 && !IsCellVisible(row, FirstVisibleColumn())))
            continue;
        ShortRect r = CellTextRect(row, 0);
        int32_t rowTop = r.top - 4;
        if (!headerSelected)
            rowTop = std::max(rowTop, headerBottom);
        FillClipped(dc, Rect(rowTop, left, r.bottom - 4, left + VisibleWidth()), clip, HighlightColor());
    }
}

namespace {

void LayoutTableHeader(DocState* doc, EditorState* state, int32_t top, int32_t left, int32_t* width, int32_t* above,
                       int32_t* below)
{
    EditorState* saved = GetCurrentEditorState();
    state->originV = SaturateToShort(top);
    state->originH = SaturateToShort(left);
    state->wrapWidth = kNoWrapWidth;
    state->layoutValid = 0;
    state->document = doc;
    MakeEditorStateCurrent(state, GetEquationView());
    RelayoutFormula();
    *width = static_cast<int32_t>(GetFormulaWidth());
    const LayoutBox* box = state->root ? state->root->layoutBox : nullptr;
    *above = box ? static_cast<int32_t>(box->height + 0.5f) : 0;
    *below = box ? static_cast<int32_t>(box->depth + 0.5f) : 0;
    SetCurrentEditorState(saved);
    if (saved)
        MakeEditorStateCurrent(saved, GetEquationView());
}

WindowHandle CreateTableScrollBar(DataTable* table, bool vertical)
{
    QWidget* pane = GetEquationView();
    if (!pane)
        return nullptr;
    auto* bar = new QScrollBar(vertical ? Qt::Vertical : Qt::Horizontal, pane);
    bar->setPageStep(1);
    QObject::connect(bar, &QScrollBar::valueChanged, bar, [table, vertical](int value) {
        table->SetScrollPosition(vertical, value);
        RedrawEquationPane();
    });
    bar->show();
    return bar;
}

void SetTableScrollRange(WindowHandle bar, int32_t maximum, int32_t position)
{
    auto* b = qobject_cast<QScrollBar*>(bar);
    if (!b)
        return;
    QSignalBlocker quiet(b);
    b->setRange(0, std::max(maximum, 0));
    b->setValue(position);
}

}  // namespace

void RegisterTableDrawingHooks()
{
    DocumentHooks& hooks = GetDocumentHooks();
    hooks.layoutTableHeader = &LayoutTableHeader;
    hooks.createTableScrollBar = &CreateTableScrollBar;
    hooks.destroyTableScrollBar = [](WindowHandle bar) {
        // Its table is going: no more reports from it.
        bar->disconnect();
        bar->hide();
        bar->deleteLater();
    };
    hooks.setTableScrollRange = &SetTableScrollRange;
    // Placed without repainting: this runs inside the pane's layout, which
    // may be inside its paint.
    hooks.placeTableScrollBar = [](WindowHandle bar, int32_t x, int32_t y, int32_t length, bool vertical) {
        const int32_t thickness = bar->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, bar);
        if (vertical)
            bar->setGeometry(x, y, thickness, length);
        else
            bar->setGeometry(x, y, length, thickness);
        return thickness;
    };
}
