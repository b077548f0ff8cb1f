// Where every line of the equation pane goes: formulas one under another
// from the pane's top, wrapped to the pane's width, text blocks as boxes,
// and the extent the pane scrolls over.
#include "document/DocState.h"

#include "document/DataTable.h"
#include "document/DefinitionTests.h"
#include "document/DocumentHooks.h"
#include "editor/COndrelView.h"
#include "editor/EditorStateLife.h"
#include "editor/EquationViewServices.h"
#include "editor/LineWrapping.h"
#include "editor/TypesetDriver.h"
#include "formula/EditorState.h"

#include <algorithm>

namespace {

constexpr int32_t kFormulaLeft = 45;
constexpr int32_t kMinimumWrapWidth = 300;
constexpr int32_t kMinimumTextBoxWidth = 150;
constexpr int32_t kLineGap = 10;
constexpr int32_t kStatusHeight = 25;

WindowHandle PaneWindow()
{
    return GetEquationView();
}

}  // namespace

void DocState::LayoutLines()
{
    const ShortRect& pane = equationPaneRect;
    const int32_t x0 = pane.left + kFormulaLeft;
    // The right limit ignores the bar, so that its coming and going does not
    // wrap the formulas differently.
    const int32_t barWidth = GetVScrollBarWidth();
    const int32_t right = pane.right - 5 + (EquationViewHasVScrollBar() ? barWidth : 0);
    int32_t y = pane.top + 14;
    int32_t bottomOfLast = 0;
    bool lastStatus = false;
    EditorState* saved = GetCurrentEditorState();
    for (int32_t i = 0; i < Lines.count; ++i) {
        DocLine& line = Lines[i];
        lastStatus = false;
        switch (line.kind) {
        case DocLineEquation: {
            EditorState* state = line.formula;
            if (!state)
                break;
            state->originV = SaturateToShort(y);
            state->originH = SaturateToShort(x0);
            MakeEditorStateCurrent(state, PaneWindow());
            float wrap = static_cast<float>(std::max(right - x0 - 12, kMinimumWrapWidth));
            if (state->wrapWidth != wrap) {
                state->wrapWidth = wrap;
                state->layoutValid = 0;
            }
            RelayoutFormula();
            const int32_t height = static_cast<int32_t>(GetFormulaHeight());
            const int32_t width = static_cast<int32_t>(GetFormulaWidth());
            if (line.slider && IsSliderDefinition(state->root, this) && GetDocumentHooks().mathPaneSliderWindow)
                PlaceMathPaneSlider(GetDocumentHooks().mathPaneSliderWindow(line.slider), x0 + width + 20,
                                       y + height / 2 - 8);
            bottomOfLast = y + height;
            y += height + kLineGap;
            lastStatus = IsLineStatusShown(&line);
            if (lastStatus)
                y += kStatusHeight;
            break;
        }
        case DocLineText: {
            ShortRect visible;
            SetShortRect(visible, y, x0 - 38, pane.bottom + (y - pane.top), right - barWidth);
            ShortRect box = visible;
            if (ShortRectWidth(box) < kMinimumTextBoxWidth)
                box.right = SaturateToShort(box.left + kMinimumTextBoxWidth);
            PlaceTextBox(line.textBox, box, visible);
            const int32_t height = GetTextBoxHeight(line.textBox);
            bottomOfLast = y + height;
            y += height + kLineGap;
            break;
        }
        case DocLineTable: {
            DataTable* table = line.table;
            if (!table)
                break;
            table->SetVisibleWidth(right - x0 - 12);
            table->RemeasureColumns();
            table->SetOrigin(y, x0 - 32);
            bottomOfLast = y + table->Height();
            y += table->HeightWithScrollBar() + kLineGap;
            break;
        }
        default:
            break;
        }
    }
    int32_t extent = Lines.count == 0 ? 0 : bottomOfLast + (lastStatus ? 35 : 15);
    SetEquationPaneExtent(extent);
    if (EditMode == EditTextOrCell && currentLine >= 0 && currentLine < Lines.count &&
        Lines[currentLine].kind == DocLineTable)
        PlaceTableCellEditor();
    SetCurrentEditorState(saved);
    if (saved)
        MakeEditorStateCurrent(saved, PaneWindow());
    panelsNeedLayout = true;
}
