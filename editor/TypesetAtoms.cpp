#include "editor/TypesetAtoms.h"

#include "CoreUtilities/WideString.h"
#include "editor/FormulaDrawingPort.h"
#include "editor/TypesetHandlers.h"
#include "editor/TypesetLayout.h"
#include "editor/TypesetMetrics.h"
#include "formula/EditorState.h"
#include "formula/NameRegistry.h"
#include "formula/NamedSymbolTable.h"

namespace {

constexpr uint8_t kTableFunctionMark = 2;

// What an atom shows: one glyph, or a text.
struct AtomLook {
    uint32_t glyph = 0;
    bool isText = false;
    std::u16string text;
};

void SetAtomBox(FormulaNode* node, float width)
{
    SetBox(node, width, Typeset.atomHeight, Typeset.atomDepth, 1);
}

float MeasureLook(const AtomLook& look)
{
    return look.isText ? MeasureFormulaText(look.text.c_str()) : MeasureFormulaGlyph(look.glyph);
}

void DrawLook(FormulaNode* node, const AtomLook& look, PortDC* dc)
{
    float x = BoxOf(node).absoluteLeft, y = BaselineOf(node);
    if (look.isText)
        DrawTextAt(look.text.c_str(), x, y, dc);
    else
        DrawGlyphAt(look.glyph, x, y, dc);
}

// Measures or draws the look with the style already set.
void TypesetLook(FormulaNode* node, int32_t phase, PortDC* dc, const AtomLook& look)
{
    if (phase == kMeasurePhase)
        SetAtomBox(node, MeasureLook(look));
    else if (phase == kDrawPhase)
        DrawLook(node, look, dc);
}

// Single characters are glyphs (in italic), names texts (upright); a name a
// table defines as a function is bold and upright.
AtomLook VariableLook(FormulaNode* node)
{
    AtomLook look;
    uint32_t code = node->payload.code & 0xFFFF;
    look.glyph = VariableGlyph(node);
    // Letters are italic, named symbols upright.
    bool italic = look.glyph && !NamedSymbolGlyph(code);
    if (!look.glyph) {
        look.isText = true;
        if (const char16_t* name = SymbolName(code))
            look.text = name;
    }
    if (BoxOf(node).flags & kTableFunctionMark)
        SetTypesetBold();
    else if (italic)
        SetTypesetItalic();
    return look;
}

bool StandsForCaret(const FormulaNode* node)
{
    const EditorState* state = GetCurrentEditorState();
    return state && state->current == node && state->editedSinceCaretMove;
}

}  // namespace

std::u16string QuoteText(const char16_t* text)
{
    std::u16string quoted(1, u'\u201C');
    if (text)
        quoted += text;
    quoted += u'\u201D';
    return quoted;
}

uint32_t NamedSymbolGlyph(uint32_t code)
{
    int index = NamedSymbolIndex(code);
    return index < 0 ? 0 : NamedSymbolTable[index].displayChar;
}

std::u16string NumberText(const FormulaNode* node)
{
    const NumberPayload* number = node->payload.number;
    if (!number)
        return std::u16string();
    size_t length = 0;
    while (length < kTypedNumberUnits && number->text[length])
        ++length;
    return std::u16string(number->text, length);
}

void TypesetNumber(FormulaNode* node, int32_t phase, PortDC* dc)
{
    AtomLook look;
    look.isText = true;
    look.text = NumberText(node);
    TypesetLook(node, phase, dc, look);
}

void TypesetPlaceholder(FormulaNode* node, int32_t phase, PortDC* dc)
{
    SetTypesetBold();
    if (phase == kDrawPhase && StandsForCaret(node))
        return;
    AtomLook look;
    look.glyph = u'?';
    TypesetLook(node, phase, dc, look);
}

void TypesetVariable(FormulaNode* node, int32_t phase, PortDC* dc)
{
    TypesetLook(node, phase, dc, VariableLook(node));
}

void TypesetText(FormulaNode* node, int32_t phase, PortDC* dc)
{
    AtomLook look;
    look.isText = true;
    look.text = QuoteText(node->Text());
    TypesetLook(node, phase, dc, look);
}

uint32_t VariableGlyph(const FormulaNode* node)
{
    uint32_t code = node->payload.code & 0xFFFF;
    if (uint32_t symbol = NamedSymbolGlyph(code))
        return symbol;
    if (code < 256)
        return code;
    const char16_t* name = SymbolName(code);
    return name && WideLength(name) == 1 ? name[0] : 0;
}
