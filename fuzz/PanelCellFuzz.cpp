// Clipboard text pasted into the panels' cells: the first two bytes place the
// selection, the rest is pasted into a range cell and a value cell, then
// copied out and evaluated. A cell never holds more than its characters,
// the caret stays inside the text, and what is copied is UTF-8 that fits.
#include "CoreUtilities/ThreadStorage.h"
#include "document/DocState.h"
#include "document/DocumentServices.h"
#include "document/PanelCellText.h"
#include "formula/FormulaEngine.h"
#include "fuzz/FuzzCheck.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

namespace {

constexpr size_t kMaxPaste = 512;

void CheckCell(DocState& doc, const char16_t* text, bool value)
{
    const int32_t length = PanelTextLength(text);
    FuzzRequire(text[length] == 0, "a cell ends within its characters");
    FuzzRequire(doc.panelCaret >= 0 && doc.panelCaret <= length, "the caret stays inside the text");
    FuzzRequire(doc.panelAnchor >= 0 && doc.panelAnchor <= length, "the anchor stays inside the text");
    char out[kPanelCopyBytes];
    doc.SelectAllInField();
    if (value)
        doc.CopyVariableFieldSelection(out, sizeof out);
    else
        doc.CopyRangeFieldSelection(out, sizeof out);
    FuzzRequire(std::strlen(out) < sizeof out, "the copy fits its buffer");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static bool started = InitFormulaEngine() && EnsureEvalFrame() && (RegisterDocumentServices(), true);
    if (!started || size < 2)
        return 0;
    std::string paste(reinterpret_cast<const char*>(data) + 2, std::min(size - 2, kMaxPaste));
    paste.resize(std::strlen(paste.c_str()));
    static DocState doc;
    doc.panels = PanelBlock{};
    doc.SetRangePanelRow(0, -1, 1);
    for (bool value : {false, true}) {
        doc.EditMode = value ? EditValueCell : EditRangeCell;
        doc.currentRangeRow = doc.currentValueCell = 0;
        doc.currentRangeSide = 1;
        char16_t* text = value ? doc.panels.valueCells[0].text : doc.panels.rangeRows[0].text[1];
        std::copy_n(u"12345", 6, text);
        doc.panelCaret = data[0] % 8;
        doc.panelAnchor = data[1] % 8;
        if (value)
            doc.InsertIntoValueCell(paste.c_str());
        else
            doc.InsertIntoRangeCell(paste.c_str());
        CheckCell(doc, text, value);
        EvaluateRangeCellText(text, &doc);
    }
    doc.EditMode = EditNothing;
    return 0;
}
