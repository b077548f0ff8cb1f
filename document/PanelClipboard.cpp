// Paste, cut and copy in the edited cell of the variables or range panel.
#include "document/DocState.h"
#include "document/PanelCellText.h"

#include <algorithm>

namespace {

struct Selection {
    int32_t start, end;
};

Selection SelectionIn(const char16_t* text, int32_t caret, int32_t anchor)
{
    const int32_t length = PanelTextLength(text);
    return Selection{std::clamp(std::min(caret, anchor), 0, length), std::clamp(std::max(caret, anchor), 0, length)};
}

// Only as much of the pasted text as the cell has room for goes in.
void PasteOverSelection(char16_t* text, int32_t& caret, int32_t& anchor, const char* bytes)
{
    const Selection s = SelectionIn(text, caret, anchor);
    DeleteWideTextRange(s.start, text, s.end);
    const int32_t room = kPanelCellChars - PanelTextLength(text);
    caret = anchor = s.start + InsertBytesIntoWideText(room, text, s.start, bytes);
}

void DeleteSelection(char16_t* text, int32_t& caret, int32_t& anchor)
{
    const Selection s = SelectionIn(text, caret, anchor);
    DeleteWideTextRange(s.start, text, s.end);
    caret = anchor = s.start;
}

void CopySelection(const char16_t* text, int32_t caret, int32_t anchor, char* out, size_t capacity)
{
    const Selection s = SelectionIn(text, caret, anchor);
    CopyWideTextRange(text, s.start, s.end, out, capacity);
}

}  // namespace

// The cells' texts, for the edited cell of each panel.
static char16_t* RangeCellText(DocState& doc)
{
    return doc.panels.rangeRows[std::clamp(doc.currentRangeRow, 0, kRangeRows - 1)].text[doc.currentRangeSide != 0];
}

static char16_t* ValueCellText(DocState& doc)
{
    return doc.panels.valueCells[std::clamp(doc.currentValueCell, 0, kValueCells - 1)].text;
}

void DocState::InsertIntoRangeCell(const char* bytes)
{
    PasteOverSelection(RangeCellText(*this), panelCaret, panelAnchor, bytes);
    StoreRangeCell();
}

void DocState::InsertIntoValueCell(const char* bytes)
{
    PasteOverSelection(ValueCellText(*this), panelCaret, panelAnchor, bytes);
    StoreValueCell();
}

void DocState::DeleteRangeCellSelection()
{
    DeleteSelection(RangeCellText(*this), panelCaret, panelAnchor);
    StoreRangeCell();
}

void DocState::DeleteValueCellSelection()
{
    DeleteSelection(ValueCellText(*this), panelCaret, panelAnchor);
    StoreValueCell();
}

void DocState::CopyRangeFieldSelection(char* out, size_t capacity) const
{
    CopySelection(RangeCellText(const_cast<DocState&>(*this)), panelCaret, panelAnchor, out, capacity);
}

void DocState::CopyVariableFieldSelection(char* out, size_t capacity) const
{
    CopySelection(ValueCellText(const_cast<DocState&>(*this)), panelCaret, panelAnchor, out, capacity);
}
