#include "editor/FormulaMouse.h"

#include "document/DocState.h"
#include "editor/CaretGeometry.h"
#include "editor/CaretMoves.h"
#include "editor/EditedText.h"
#include "editor/EditorCommands.h"
#include "editor/EditorStateLife.h"
#include "editor/EquationViewServices.h"
#include "editor/FormulaDrawingPort.h"
#include "editor/LineWrapping.h"
#include "editor/TypesetDriver.h"
#include "formula/EditorState.h"
#include "formula/FormulaNode.h"
#include "formula/NodeKindTable.h"
#include "formula/TreeWalk.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace {

// How far a dragged term must be pulled past the press point to move.
constexpr float kTermDragStep = 12.0f;
constexpr int32_t kMoveTermLeft = 8452;
constexpr int32_t kMoveTermRight = 8449;

struct MouseState {
    float pressV = 0, pressH = 0;
    float lastV = 0, lastH = 0;
    FloatRect dragRect{0, 0, 0, 0};
    bool termDragActive = false;
    bool termMoved = false;
    bool clickPlacedCaret = false;
};
MouseState mouse;

EditorState* State()
{
    return GetCurrentEditorState();
}

FloatRect BoxOf(const FormulaNode* node)
{
    FloatRect r{0, 0, 0, 0};
    GetNodeBoxRect(node, r);
    return r;
}

bool MovedAtMost(float v, float h, float fromV, float fromH, float by)
{
    return std::fabs(v - fromV) <= by && std::fabs(h - fromH) <= by;
}

// Pane point to formula coordinates.
void ToFormula(const EditorState* state, float& v, float& h)
{
    FloatPoint p{v - state->originV, h - state->originH};
    UnwrapPoint(p);
    v = p.y;
    h = p.x;
}

bool InRect(const FloatRect& r, float v, float h)
{
    return h >= r.left && h <= r.right && v >= r.top && v <= r.bottom;
}

// The selection's rectangle, laid out first.
FloatRect SelectionRect()
{
    FloatRect rect{0, 0, 0, 0}, extra;
    GetCaretRects(rect, extra);
    return rect;
}

// The string a click measures in: a text as displayed (with its quotation
// marks), a number's typed text, a name.
std::u16string DisplayedText(const FormulaNode* node)
{
    if (node->kind == KindText)
        return u"\"" + EditedText(node).Text() + u"\"";
    if (node->kind == KindNumber)
        return TypedNumberText(node);
    return EditedText(node).Text();
}

bool IsMultiLetterName(const FormulaNode* node)
{
    return node->kind == KindVariable && EditedText(node).IsName();
}

void SetInside(EditorState* state, FormulaNode* node, int32_t mode, int32_t position)
{
    state->current = node;
    state->mode = mode;
    state->caret = state->anchor = position;
}

bool IsSignKind(int32_t kind)
{
    return kind == KindPlusOrMinus || kind == KindMinusOrPlus || kind == KindMinus;
}

// Within one atom: characters. True when the drag was handled.
bool DragInsideAtom(EditorState* state, FormulaNode* a, FormulaNode* s, float h)
{
    if (a != s || a != state->current)
        return false;
    if (state->mode == InText && a->kind == KindText) {
        int32_t length = EditedText(a).Length();
        std::u16string shown = DisplayedText(a);
        state->anchor = std::clamp(CharIndexAt(a, h, shown.c_str()) - 1, 0, length);
        return true;
    }
    if (state->mode == InIdentifier && IsMultiLetterName(a)) {
        std::u16string name = DisplayedText(a);
        state->anchor = std::clamp(CharIndexAt(a, h, name.c_str()), 0, static_cast<int32_t>(name.size()));
        return true;
    }
    if (a->kind != KindNumber || !a->payload.number || !std::isfinite(a->payload.number->value))
        return false;
    std::u16string text = DisplayedText(a);
    int32_t length = static_cast<int32_t>(text.size());
    if (state->mode == CaretBefore)
        SetInside(state, a, InNumber, 0);
    else if (state->mode == CaretAfter)
        SetInside(state, a, InNumber, length);
    else if (state->mode != InNumber)
        return false;
    state->anchor = std::clamp(CharIndexAt(a, h, text.c_str()), 0, length);
    int32_t lo = std::min(state->caret, state->anchor), hi = std::max(state->caret, state->anchor);
    if (lo == 0 && hi == length && length > 0)
        SetEditorSelection(a, SelectionNode);
    else if (state->caret == length && state->anchor == length)
        SetEditorSelection(a, CaretAfter);
    return true;
}

bool BothInGap(const FormulaNode* node, int32_t i, float v, float h)
{
    FloatRect left = BoxOf(node->children[i]);
    FloatRect right = BoxOf(node->children[i + 1]);
    FloatRect whole = BoxOf(node);
    auto inGap = [&](float pv, float ph) {
        return ph >= left.right && ph <= right.left && pv >= whole.top && pv <= whole.bottom;
    };
    return inGap(mouse.pressV, mouse.pressH) && inGap(v, h);
}

void SelectStructurally(EditorState* state, FormulaNode* a, FormulaNode* s, float v, float h)
{
    FormulaNode* p = CommonAncestor(a, s);
    if (!p)
        return;
    if (p != a && p != s && p->kind == KindMatrix) {
        int32_t columns = p->payload.pair.high;
        int32_t i = ChildIndexToward(a, p), j = ChildIndexToward(s, p);
        if (columns <= 0 || i < 0 || j < 0)
            return;
        int32_t r0 = std::min(i / columns, j / columns), r1 = std::max(i / columns, j / columns);
        int32_t c0 = std::min(i % columns, j % columns), c1 = std::max(i % columns, j % columns);
        state->current = p;
        state->mode = SelectionCells;
        state->caret = r0 * columns + c0;
        state->anchor = r1 * columns + c1;
        return;
    }
    if (p != a && p != s && SyntaxClassOf(p) == SyntaxClass::Infix) {
        int32_t i = ChildIndexToward(a, p), j = ChildIndexToward(s, p);
        if (i > j)
            std::swap(i, j);
        if (i < 0)
            return;
        bool operatorOnly = j == i + 1 && p->kind != KindProduct && p->kind != KindBranch &&
                            !(p->kind == KindSum && IsSignKind(p->children[j]->kind)) && BothInGap(p, i, v, h);
        if (operatorOnly) {
            state->current = p;
            state->mode = SelectionGap;
            state->caret = state->anchor = i;
        } else if (i == 0 && j == p->childCount - 1) {
            SetEditorSelection(p, SelectionNode);
        } else {
            state->current = p;
            state->mode = SelectionRun;
            state->caret = i;
            state->anchor = j;
        }
        return;
    }
    FormulaNode* t = p->parent;
    if (t && t->kind != KindProduct && (SyntaxClassOf(t) == SyntaxClass::Infix || t->kind == KindDot ||
                                        t->kind == KindCross) &&
        p->kind != KindMinus) {
        int32_t gap = GapIndexAt(t, mouse.pressV, mouse.pressH);
        if (gap >= 0 && gap == GapIndexAt(t, v, h)) {
            state->current = t;
            state->mode = SelectionGap;
            state->caret = state->anchor = gap;
            return;
        }
    }
    if (a == s && SyntaxClassOf(p) == SyntaxClass::Prefix && p->childCount == 1 && p->kind != KindOpTotal &&
        p->kind != KindOpPartial) {
        float argumentLeft = BoxOf(p->children[0]).left;
        if (mouse.pressH < argumentLeft && h < argumentLeft) {
            state->current = p;
            state->mode = SelectionGap;
            state->caret = state->anchor = 0;
            return;
        }
    }
    SetEditorSelection(p, SelectionNode);
}

// A drag of the selected term: a move each time the pointer is pulled 12
// units past the press point, out of the term's rectangle.
bool TermDragStep(float v, float h)
{
    if (MovedAtMost(v, h, mouse.lastV, mouse.lastH, 1))
        return false;
    int32_t code = 0;
    if (h < mouse.dragRect.left && h < mouse.pressH - kTermDragStep)
        code = kMoveTermLeft;
    else if (h > mouse.dragRect.right && h > mouse.pressH + kTermDragStep)
        code = kMoveTermRight;
    if (!code) {
        mouse.lastV = v;
        mouse.lastH = h;
        return false;
    }
    DoEditorCommand(code);
    RelayoutFormula();
    mouse.pressV = mouse.lastV = v;
    mouse.pressH = mouse.lastH = h;
    mouse.dragRect = SelectionRect();
    return true;
}

void MouseSelectStart(float v, float h, bool extend, bool doubleClick, bool dragAllowed)
{
    EditorState* state = State();
    mouse.clickPlacedCaret = false;
    mouse.termMoved = false;
    ResetCommandRepeat();
    mouse.pressV = mouse.lastV = v;
    mouse.pressH = mouse.lastH = h;
    FloatRect selection = SelectionRect();
    if (extend) {
        FormulaNode* anchor = state->current;
        if (state->mode == SelectionRun) {
            int32_t far = selection.left < h ? std::min(state->caret, state->anchor) : std::max(state->caret, state->anchor);
            if (far >= 0 && far < state->current->childCount)
                anchor = state->current->children[far];
        }
        mouse.lastH += 2;
        DragSelectTo(v, h, anchor);
        return;
    }
    if (dragAllowed && CanDragSelectedTerm() && InRect(selection, v, h)) {
        mouse.dragRect = selection;
        mouse.termDragActive = true;
        return;
    }
    FormulaNode* hit = PlaceCaretAtPoint(v, h);
    if (doubleClick) {
        if (hit && hit->childCount > 0 && hit->kind != KindText) {
            mouse.lastH = h - 3;
            mouse.pressV = v;
            DragSelectTo(v, h + 2, hit);
        } else if (hit) {
            SetEditorSelection(hit, SelectionNode);
        }
        return;
    }
    mouse.clickPlacedCaret = true;
    DragSelectTo(v, h, hit);
}

}  // namespace

bool IsTermDragActive()
{
    return mouse.termDragActive;
}

bool TermMovedInDrag()
{
    return mouse.termMoved;
}

bool ClickPlacedCaret()
{
    return mouse.clickPlacedCaret;
}

bool PointInNodeBox(const FormulaNode* node, float v, float h)
{
    if (!node || !node->layoutBox)
        return false;
    return InRect(BoxOf(node), v, h);
}

FormulaNode* HitNode(float v, float h)
{
    EditorState* state = State();
    FormulaNode* node = state ? (state->root ? state->root : FormulaRoot(state->current)) : nullptr;
    if (!node || !PointInNodeBox(node, v, h))
        return node;
    for (int guard = 0; guard < 1 << 20; ++guard) {
        FormulaNode* inside = nullptr;
        if (node->kind != KindText) {
            for (int32_t i = node->childCount - 1; i >= 0 && !inside; --i) {
                if (PointInNodeBox(node->children[i], v, h))
                    inside = node->children[i];
            }
        }
        if (inside) {
            node = inside;
            continue;
        }
        if (SyntaxClassOf(node) != SyntaxClass::Infix || node->childCount == 0)
            return node;
        // Between the operands of a row: the nearer one.
        for (int32_t i = 0; i + 1 < node->childCount; ++i) {
            FloatRect here = BoxOf(node->children[i]);
            FloatRect next = BoxOf(node->children[i + 1]);
            if (here.left > h)
                return node->children[i];
            if (h < next.right)
                return h <= (here.right + next.left) / 2 ? node->children[i] : node->children[i + 1];
        }
        return node;
    }
    return node;
}

int32_t CharIndexAt(FormulaNode* node, float x, const char16_t* text)
{
    UseNodeMetrics(node);
    return TextCaretIndexAtX(text, x - BoxOf(node).left);
}

int32_t GapIndexAt(const FormulaNode* node, float v, float h)
{
    (void)v;
    for (int32_t i = 0; i + 1 < node->childCount; ++i) {
        if (h >= BoxOf(node->children[i]).right && h <= BoxOf(node->children[i + 1]).left)
            return i;
    }
    return -1;
}

FormulaNode* CommonAncestor(FormulaNode* a, FormulaNode* b)
{
    for (FormulaNode* x = a; x; x = x->parent) {
        for (FormulaNode* y = b; y; y = y->parent) {
            if (x == y)
                return x;
        }
    }
    return nullptr;
}

int32_t ChildIndexToward(const FormulaNode* node, const FormulaNode* ancestor)
{
    for (const FormulaNode* n = node; n; n = n->parent) {
        if (n->parent == ancestor)
            return IndexInParent(n);
    }
    return -1;
}

FormulaNode* PlaceCaretAtPoint(float v, float h)
{
    EditorState* state = State();
    FormulaNode* q = HitNode(v, h);
    if (!q)
        return nullptr;
    if (q->kind == KindPlaceholder) {
        SetEditorSelection(q, SelectionNode);
        return q;
    }
    FloatRect box = BoxOf(q);
    if (h <= box.left + (box.right - box.left) / 2) {
        state->current = q;
        state->mode = CaretBefore;
    } else if (IsNamedFunctionKind(q->kind) && q->childCount == 1 && BoxOf(q->children[0]).left > h) {
        SetEditorSelection(q->children[0], CaretBefore);
    } else {
        SetEditorSelection(q, CaretAfter);
    }
    if (q->kind == KindText) {
        std::u16string shown = DisplayedText(q);
        int32_t length = EditedText(q).Length();
        int32_t b = CharIndexAt(q, h, shown.c_str()) - 1;
        if (b < 0)
            SetEditorSelection(q, CaretBefore);
        else if (b > length)
            SetEditorSelection(q, CaretAfter);
        else
            SetInside(state, q, InText, b);
    } else if (q->kind == KindNumber && q->payload.number && std::isfinite(q->payload.number->value) &&
               TypedNumberText(q).size() > 1) {
        std::u16string text = DisplayedText(q);
        int32_t d = CharIndexAt(q, h, text.c_str());
        if (d <= 0)
            SetEditorSelection(q, CaretBefore);
        else if (d >= static_cast<int32_t>(text.size()))
            SetEditorSelection(q, CaretAfter);
        else
            SetInside(state, q, InNumber, d);
    } else if (IsMultiLetterName(q)) {
        std::u16string name = DisplayedText(q);
        int32_t length = static_cast<int32_t>(name.size());
        int32_t c = CharIndexAt(q, h, name.c_str());
        if (c <= 0) {
            state->current = q;
            state->mode = CaretBefore;
        } else if (c < length) {
            SetInside(state, q, InIdentifier, c);
        } else if (name[0] == u'\\') {
            // Inside a command name still being typed, never past its end.
            SetInside(state, q, InIdentifier, length);
        } else {
            SetEditorSelection(q, CaretAfter);
        }
    }
    return q;
}

void DragSelectTo(float v, float h, FormulaNode* anchorNode)
{
    EditorState* state = State();
    if (!state || !state->current || MovedAtMost(v, h, mouse.lastV, mouse.lastH, 1))
        return;
    if (mouse.termDragActive) {
        if (TermDragStep(v, h))
            mouse.termMoved = true;
        return;
    }
    FormulaNode* a = anchorNode ? anchorNode : HitNode(mouse.pressV, mouse.pressH);
    FormulaNode* s = HitNode(v, h);
    if (a && s && !DragInsideAtom(state, a, s, h))
        SelectStructurally(state, a, s, v, h);
    mouse.lastV = v;
    mouse.lastH = h;
}

void ExtendSelectionToPoint(float x, float y)
{
    EditorState* state = State();
    if (!state || !state->current)
        return;
    FormulaNode* anchor = state->current;
    if (state->mode == SelectionRun) {
        FloatRect run = SelectionRect();
        int32_t far = run.left < x ? std::min(state->caret, state->anchor) : std::max(state->caret, state->anchor);
        if (far >= 0 && far < anchor->childCount)
            anchor = anchor->children[far];
    }
    FloatRect box = BoxOf(anchor);
    mouse.pressV = (box.top + box.bottom) / 2;
    mouse.pressH = (box.left + box.right) / 2;
    // A keyboard step is never too small to count.
    mouse.lastV = mouse.lastH = -1e9f;
    mouse.termDragActive = false;
    DragSelectTo(y, x, anchor);
}

void FormulaMouseDown(ShortPoint point, bool extend, bool dragAllowed, EditorState* state, bool doubleClick,
                      WindowHandle window)
{
    if (!state)
        return;
    ActivateEditorState(state, window);
    RelayoutFormula();
    float v = point.v, h = point.h;
    ToFormula(state, v, h);
    // The pane's caret follows the selection once the mouse is released.
    state->editedSinceCaretMove = 0;
    MouseSelectStart(v, h, extend, doubleClick, dragAllowed);
}

void FormulaMouseDrag(uint32_t point)
{
    EditorState* state = State();
    if (!state)
        return;
    float v = static_cast<int16_t>(point & 0xFFFF);
    float h = static_cast<int16_t>(point >> 16);
    ToFormula(state, v, h);
    DragSelectTo(v, h, nullptr);
}

void FormulaMouseUp()
{
    MouseSelectEnd();
}

void MouseSelectEnd()
{
    EditorState* state = State();
    bool wasTermDrag = mouse.termDragActive;
    mouse.termDragActive = false;
    if (!state || !state->current)
        return;
    if (wasTermDrag) {
        if (!mouse.termMoved)
            PlaceCaretAtPoint(mouse.pressV, mouse.pressH);
        else if (state->document)
            state->document->Recompute();
    }
    SetEditorSelection(state->current, state->mode);
}
