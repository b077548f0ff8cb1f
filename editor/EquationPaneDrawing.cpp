// How the equation pane's lines are drawn: each formula where the layout
// put it, its "= value" or slider value on the right, its status under it,
// and its colour swatch on the left.
#include "document/DocState.h"

#include "document/DataTable.h"
#include "document/DefinitionTests.h"
#include "document/DocumentHooks.h"
#include "drawing/ClipRegionSaver.h"
#include "drawing/DrawingPort.h"
#include "editor/COndrelView.h"
#include "editor/CaretGeometry.h"
#include "editor/ColorPalette.h"
#include "editor/EditorStateLife.h"
#include "editor/EquationViewServices.h"
#include "editor/LineWrapping.h"
#include "editor/TypesetDriver.h"
#include "formula/EditorState.h"
#include "formula/FormulaNode.h"
#include "formula/NodeKindTable.h"
#include "graphmodel/AGraphColor.h"
#include "platform/MessageText.h"
#include "platform/NumberText.h"
#include "platform/PortDC.h"
#include "platform/SystemFont.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr int32_t kMessageThinking = 26;
constexpr int32_t kMessageGraphing = 27;
constexpr int32_t kHiddenColour = 17;
constexpr int kPictureResource = 253;

WindowHandle PaneWindow()
{
    return GetEquationView();
}

// A font made once per face and size and kept while they stay the same.
class CachedFont {
public:
    FontHandle Get(const char* face, int32_t pixels)
    {
        if (font_ && pixels == pixels_ && std::strcmp(face, face_) == 0)
            return font_;
        if (font_)
            DeleteSystemFont(font_);
        std::strncpy(face_, face, sizeof face_ - 1);
        face_[sizeof face_ - 1] = 0;
        pixels_ = pixels;
        font_ = CreateSystemFont(FontSpec{face_, -pixels, 0, 400, false});
        return font_;
    }

private:
    FontHandle font_ = nullptr;
    char face_[256] = {};
    int32_t pixels_ = 0;
};

// Text at a baseline in a font and colour; the context's state is put back.
void DrawTextAt(PortDC* dc, int32_t x, int32_t baseline, const char16_t* text, FontHandle font, ColorRef colour)
{
    if (!dc || !text || !font)
        return;
    FontHandle previousFont = dc->SelectFont(font);
    ColorRef previousColour = dc->TextColor();
    uint32_t previousAlign = dc->TextAlign();
    dc->SetTextColor(colour);
    dc->SetTextAlign(kTextAlignBaseline);
    int32_t length = 0;
    while (text[length])
        ++length;
    dc->TextOut(x, baseline, text, length);
    dc->SetTextAlign(previousAlign);
    dc->SetTextColor(previousColour);
    dc->SelectFont(previousFont);
}

int32_t ValueTextSize(const DocState* doc)
{
    return static_cast<int32_t>(doc->MinimumLineHeight());
}

FontHandle ValueFont(const DocState* doc)
{
    static CachedFont font;
    return font.Get(doc->FontName, ValueTextSize(doc));
}

FontHandle StatusFont()
{
    static CachedFont font;
    return font.Get("Times New Roman", 12);
}

bool SwatchShown(const DocState* doc, const DocLine& line)
{
    if (line.kind != DocLineEquation || !line.formula)
        return false;
    if (doc->DrawGraph && (!line.graphs || line.graphs->count == 0))
        return false;
    return !(doc->printing && line.Color == kHiddenColour);
}

// The formula's extent after laying it out as the current state.
void MeasureLine(EditorState* state, int32_t& width, int32_t& height)
{
    MakeEditorStateCurrent(state, PaneWindow());
    RelayoutFormula();
    width = static_cast<int32_t>(GetFormulaWidth());
    height = static_cast<int32_t>(GetFormulaHeight());
}

}  // namespace

void DocState::GetSwatchRect(ShortRect* rect, int32_t index, bool atZero)
{
    *rect = ShortRect{0, 0, 0, 0};
    if (index < 0 || index >= Lines.count || !Lines[index].formula)
        return;
    EditorState* state = Lines[index].formula;
    int32_t centre = (atZero ? 0 : state->originV) + GetFormulaBoxHeight(state) / 2;
    SetShortRect(*rect, centre - 8, equationPaneRect.left + 8, centre + 8, equationPaneRect.left + 24);
}

void DocState::DrawLineSwatch(int32_t index, bool atZero)
{
    if (index < 0 || index >= Lines.count || !SwatchShown(this, Lines[index]))
        return;
    DocLine& line = Lines[index];
    ShortRect r;
    GetSwatchRect(&r, index, atZero);
    if (line.picture) {
        DrawBitmapResource(r, kPictureResource, false);
        PortFrameRect(r);
    } else {
        AGraphColor colour(nullptr, this);
        colour.SetColorCode(line.Color);
        colour.DrawSwatch(r);
    }
    // A shadow: the default colour outside, grey inside.
    PortSetDefaultColors();
    PortMoveTo(r.left + 2, r.bottom + 1);
    PortLineTo(r.right + 1, r.bottom + 1);
    PortLineTo(r.right + 1, r.top + 2);
    PortSetForeColor(0x808080);
    PortMoveTo(r.left + 2, r.bottom);
    PortLineTo(r.right, r.bottom);
    PortLineTo(r.right, r.top + 2);
    PortSetDefaultColors();
}

void GetResultTextRect(ShortRect* rect, DocLine* line)
{
    DocState* doc = GetDocState();
    EditorState* state = line->formula;
    int32_t left = state->originH + GetFormulaBoxWidth(state) + std::max(doc->FontSizes / 2, 25);
    SetShortRect(*rect, state->originV, left, state->originV + doc->FontSizes, left + 1);
}

void DrawResultText(DocLine* line, int32_t top, int32_t left)
{
    DocState* doc = GetDocState();
    PortDC* dc = GetPortDC();
    if (!dc || !line->formula)
        return;
    int32_t x = left + GetFormulaBoxWidth(line->formula) + std::max(doc->FontSizes / 2, 25);
    DrawTextAt(dc, x, top + ValueTextSize(doc), line->resultText, ValueFont(doc), dc->TextColor());
}

void DocState::DrawSliderValue(int32_t index)
{
    DocLine& line = Lines[index];
    EditorState* state = line.formula;
    const FormulaNode* root = state ? state->root : nullptr;
    if (!root || root->childCount < 1)
        return;
    const FormulaNode* variable = root->children[0];
    uint32_t code = variable->kind == KindVariable ? variable->payload.code : 0;
    if (code == GetSliderVariable())
        return;
    char16_t text[80];
    char16_t prefix[8] = {code >= 14 && code <= 254 ? static_cast<char16_t>(code) : u' ', u' ', u'=', u' ', 0};
    FormatNumberWithPrefix(text, 80, prefix, line.UpdateSliderValue());
    int32_t width = 0, height = 0;
    MeasureLine(state, width, height);
    int32_t size = ValueTextSize(this);
    int32_t x = state->originH + width + 40 + (printing ? 0 : 90);
    int32_t y = size / 2 + height / 2 + state->originV;
    DrawTextAt(GetPortDC(), x, y, text, ValueFont(this), GetPortDC() ? GetPortDC()->TextColor() : 0);
}

void DocState::DrawLines()
{
    PortDC* dc = GetPortDC();
    if (!dc)
        return;
    ClipRegionSaver clip(equationPaneRect, true);
    CompileUserFunctions();
    // Paper shows no selection.
    const bool editing = !printing && EditMode == EditFormula && currentLine >= 0 && currentLine < Lines.count;
    EditorState* current = editing ? CurrentFormula() : nullptr;
    const bool demo = GetDocumentHooks().isDemoRunning && GetDocumentHooks().isDemoRunning();
    DataTable* currentTable = !printing && currentLine >= 0 && currentLine < Lines.count &&
            Lines[currentLine].kind == DocLineTable
        ? Lines[currentLine].table
        : nullptr;
    // Selections first, so that the grid and the texts come on top.
    if (currentTable && EditMode == EditTableColumns)
        currentTable->DrawColumnSelection(tableSelection);
    else if (currentTable && EditMode == EditTableRows)
        currentTable->DrawRowSelection(tableSelection);
    // The band under the current table, where the pointer drags its edge.
    CurrentTableRect = ShortRect{0, 0, 0, 0};
    for (int32_t i = 0; i < Lines.count; ++i) {
        DocLine& line = Lines[i];
        if (line.kind == DocLineTable && line.table) {
            const bool active = line.table == currentTable && EditMode >= EditFormula && EditMode <= EditTableRows;
            if (active)
                CurrentTableRect = line.table->ScrollBarBand();
            if (active)
                line.table->Draw(currentTableRow, currentTableColumn, EditMode, &tableSelection);
            else
                line.table->Draw(-1, -1, EditNothing, nullptr);
            if (active && EditMode == EditTextOrCell && tableCellEditor &&
                line.table->IsCellVisible(currentTableRow, currentTableColumn))
                tableCellEditor->update();
            continue;
        }
        if (line.kind == DocLineText) {
            if (QWidget* box = GetDocumentHooks().textBoxWindow ? GetDocumentHooks().textBoxWindow(line.textBox)
                                                                : nullptr)
                box->update();
            continue;
        }
        if (line.kind != DocLineEquation || !line.formula)
            continue;
        EditorState* state = line.formula;
        int32_t width = 0, height = 0;
        MeasureLine(state, width, height);
        const int32_t top = state->originV;
        if (equationPaneRect.bottom >= top && top + height >= equationPaneRect.top) {
            // The highlight lies under the ink, so that the selection stays readable.
            if (state == current)
                DrawSelectionHighlight(dc);
            DrawFormulaState(state, PaneWindow(), dc);
        }
        if (line.HasResult(this) && !line.resultStale && line.resultText[0])
            DrawResultText(&line, top, state->originH);
        if (line.slider && IsSliderDefinition(state->root, this))
            DrawSliderValue(i);
        if (!demo && IsLineStatusShown(&line)) {
            int32_t code = line.status;
            if (IsLineInProgress(&line))
                code = kMessageThinking;
            else if (IsFirstIncompleteLine(&line))
                code = kMessageGraphing;
            DrawTextAt(dc, state->originH, top + height + 15, GetMessageText(code), StatusFont(),
                       RgbToColorRef(0xFF0000));
        }
    }
    for (int32_t i = 0; i < Lines.count; ++i)
        DrawLineSwatch(i, false);
    if (current)
        MakeEditorStateCurrent(current, PaneWindow());
    DrawOpenColorPalette();
    if (FrameRateMeterSwitch)
        DrawFrameRateMeter();
}
