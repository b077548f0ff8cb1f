#include "editor/LineWrapping.h"

#include "CoreUtilities/MemoryBudget.h"
#include "editor/FormulaDrawingPort.h"
#include "editor/TypesetDriver.h"
#include "editor/TypesetLayout.h"
#include "formula/EditorState.h"
#include "formula/FormulaNode.h"
#include "formula/NodeKindTable.h"
#include "formula/TreeWalk.h"

#include <algorithm>
#include <limits>
#include <vector>

namespace {

// The right edges of the nodes a line may end after, in post-order.
float* Candidates = nullptr;
uint32_t CandidateCount = 0;

EditorState* WrappedState()
{
    EditorState* state = GetCurrentEditorState();
    return state && state->lineCount > 1 && static_cast<size_t>(state->lineCount) == state->lineBreaks.size()
               ? state
               : nullptr;
}

// Kinds whose whole subtree stays on one line.
bool CannotBreakInside(const FormulaNode* node)
{
    switch (node->kind) {
    case KindNumber: case KindPlaceholder: case KindText: case KindSubscript: case KindMatrix:
    case KindSubstitution: case KindSqrt: case KindOpTotal: case KindOpPartial: case KindSigma:
    case KindCapitalPi: case KindOverline: case KindChoice: case KindBranch:
        return true;
    case KindLog: case KindGrad:
        return node->childCount != 1;
    default:
        return false;
    }
}

// No break right after a lone variable or matrix on either side of "=".
bool MayEndLine(const FormulaNode* node)
{
    const FormulaNode* parent = node->parent;
    if (!parent || !BoxOf(const_cast<FormulaNode*>(parent)).wideMark)
        return false;
    return parent->kind != KindEquation || (node->kind != KindVariable && node->kind != KindMatrix);
}

float FormulaLineHeight()
{
    FormulaNode* root = CurrentFormulaRoot();
    if (!root)
        return 0;
    const LayoutBox& box = BoxOf(root);
    return box.height + box.depth;
}

float RootWidth()
{
    FormulaNode* root = CurrentFormulaRoot();
    return root ? BoxOf(root).width : 0;
}

// The index of the line (from 0) that holds x: the last whose start is at or
// before x, or, counting an x at a line start to the line before, strictly
// before it.
size_t LineIndexOf(const EditorState& state, float x, bool startsBelongBefore = false)
{
    const std::vector<LineBreak>& lines = state.lineBreaks;
    auto past = startsBelongBefore
                    ? std::lower_bound(lines.begin() + 1, lines.end(), x,
                                       [](const LineBreak& b, float v) { return b.xStart < v; })
                    : std::upper_bound(lines.begin() + 1, lines.end(), x,
                                       [](float v, const LineBreak& b) { return v < b.xStart; });
    return static_cast<size_t>(past - lines.begin()) - 1;
}

void ResetLines(EditorState& state)
{
    state.lineCount = 1;
    state.lineBreaks.assign(1, LineBreak{0, 0, 0});
    state.widestLine = RootWidth();
}

}  // namespace

void ComputeLineBreaks()
{
    EditorState* state = GetCurrentEditorState();
    if (!state)
        return;
    ResetLines(*state);
    ClearWideMarks();
    RecomputeLineBreaks();
}

void ClearWideMarks()
{
    FormulaNode* root = CurrentFormulaRoot();
    PreorderWalk walk(root);
    while (FormulaNode* node = walk.Node()) {
        if (!CannotBreakInside(node)) {
            walk.Next();
            continue;
        }
        for (PreorderWalk inner(node); inner.Node(); inner.Next())
            BoxOf(inner.Node()).wideMark = 0;
        walk.SkipSubtree();
    }
}

void RecomputeLineBreaks()
{
    EditorState* state = GetCurrentEditorState();
    if (!state || !CollectBreakCandidates())
        return;
    for (int32_t i = 1; i <= state->lineCount;) {
        if (LineWidth(i) > state->wrapWidth && BreakLine(i))
            continue;
        ++i;
    }
    FreeBreakCandidates();
}

bool BreakLine(int32_t line)
{
    EditorState* state = GetCurrentEditorState();
    if (!state || line < 1 || line > state->lineCount || CandidateCount == 0)
        return false;
    float start = state->lineBreaks[static_cast<size_t>(line - 1)].xStart;
    float limit = start + state->wrapWidth;
    uint32_t k = 0;
    while (k < CandidateCount && Candidates[k] < limit)
        ++k;
    if (k == 0 || k == CandidateCount)
        return false;
    float p = Candidates[k - 1];
    if (p > start) {
        AddLineBreak(p);
        return true;
    }
    // Nothing fits: the line runs over to the first place it can end.
    AddLineBreak(Candidates[k]);
    return false;
}

void AddLineBreak(float x)
{
    EditorState* state = GetCurrentEditorState();
    if (!state)
        return;
    std::vector<LineBreak>& lines = state->lineBreaks;
    auto at = std::lower_bound(lines.begin() + 1, lines.end(), x,
                               [](const LineBreak& b, float v) { return b.xStart < v; });
    lines.insert(at, LineBreak{x, 0, 0});
    state->lineCount = static_cast<int32_t>(lines.size());
    float height = FormulaLineHeight();
    float widest = 0;
    for (size_t j = 0; j < lines.size(); ++j) {
        lines[j].yOffset = static_cast<float>(j) * height;
        float end = j + 1 < lines.size() ? lines[j + 1].xStart : RootWidth();
        widest = std::max(widest, end - lines[j].xStart);
    }
    state->widestLine = widest;
}

bool CollectBreakCandidates()
{
    FreeBreakCandidates();
    FormulaNode* root = CurrentFormulaRoot();
    if (!root)
        return false;
    uint32_t count = 0;
    for (PostorderWalk walk(root); walk.Node(); walk.Next())
        count += MayEndLine(walk.Node()) ? 1 : 0;
    if (count == 0 || count > std::numeric_limits<uint32_t>::max() / sizeof(float))
        return false;
    Candidates = static_cast<float*>(BudgetMalloc(count * static_cast<uint32_t>(sizeof(float)), false));
    if (!Candidates)
        return false;
    for (PostorderWalk walk(root); walk.Node(); walk.Next()) {
        FormulaNode* node = walk.Node();
        if (MayEndLine(node)) {
            const LayoutBox& box = BoxOf(node);
            Candidates[CandidateCount++] = box.absoluteLeft + box.width;
        }
    }
    return true;
}

void FreeBreakCandidates()
{
    if (Candidates)
        BudgetFree(Candidates);
    Candidates = nullptr;
    CandidateCount = 0;
}

float LineWidth(int32_t line)
{
    EditorState* state = GetCurrentEditorState();
    if (!state || line < 1 || line > state->lineCount || static_cast<size_t>(line) > state->lineBreaks.size())
        return 0;
    float start = state->lineBreaks[static_cast<size_t>(line - 1)].xStart;
    float end = line < state->lineCount ? state->lineBreaks[static_cast<size_t>(line)].xStart : RootWidth();
    return end - start;
}

float WrappedX(float x)
{
    const EditorState* state = WrappedState();
    return state ? x - state->lineBreaks[LineIndexOf(*state, x)].xStart : x;
}

float WrappedYOffset(float x)
{
    const EditorState* state = WrappedState();
    return state ? state->lineBreaks[LineIndexOf(*state, x)].yOffset : 0;
}

void WrapMoveTo(float x, float y)
{
    FormulaMoveTo(WrappedX(x), y + WrappedYOffset(x));
}

void UnwrapPoint(FloatPoint& point)
{
    const EditorState* state = WrappedState();
    if (!state)
        return;
    const std::vector<LineBreak>& lines = state->lineBreaks;
    size_t line = lines.size() - 1;
    for (size_t i = 0; i + 1 < lines.size(); ++i) {
        if (lines[i + 1].yOffset >= point.y) {
            line = i;
            break;
        }
    }
    point.x += lines[line].xStart;
    point.y -= lines[line].yOffset;
}

void WrappedCaretPoints(float& x, float& top, float& bottom)
{
    float offset = WrappedYOffset(x);
    x = WrappedX(x);
    top += offset;
    bottom += offset;
}

void FillWrappedRect(const FloatRect& r, bool invert, PortDC* dc)
{
    const EditorState* state = WrappedState();
    if (!state) {
        FillFormulaRoundRect(r, invert, dc);
        return;
    }
    const std::vector<LineBreak>& lines = state->lineBreaks;
    // A right edge exactly at a break closes the line before it.
    size_t first = LineIndexOf(*state, r.left);
    size_t last = std::max(first, LineIndexOf(*state, r.right, true));
    auto piece = [&](size_t line, float left, float right, float top, float bottom) {
        FillFormulaRoundRect(FloatRect{top + lines[line].yOffset, left - lines[line].xStart,
                                       bottom + lines[line].yOffset, right - lines[line].xStart},
                             invert, dc);
    };
    if (first == last) {
        piece(first, r.left, r.right, r.top, r.bottom);
        return;
    }
    piece(first, r.left, lines[first].xStart + state->widestLine, r.top, r.bottom);
    float height = FormulaLineHeight();
    for (size_t line = first + 1; line < last; ++line)
        FillFormulaRoundRect(FloatRect{lines[line].yOffset, 0, lines[line].yOffset + height, state->widestLine},
                             invert, dc);
    piece(last, lines[last].xStart, r.right, r.top, r.bottom);
}

void DrawBracketPath(float x, float y, float c, float d, PortDC* dc)
{
    WrapMoveTo(x + c, y);
    const float steps[] = {0, -c, -d, 0, 0, c};
    FormulaPolylineBy(3, steps, dc);
}

void DrawCornerPath(float x, float y, float c, float d, PortDC* dc)
{
    WrapMoveTo(x + c, y);
    const float steps[] = {0, -c, -d, 0};
    FormulaPolylineBy(2, steps, dc);
}

float GetFormulaWidth()
{
    FormulaNode* root = CurrentFormulaRoot();
    if (!root || !root->layoutBox)
        return 0;
    const EditorState* state = WrappedState();
    return state ? state->wrapWidth : root->layoutBox->width;
}

float GetFormulaHeight()
{
    FormulaNode* root = CurrentFormulaRoot();
    if (!root || !root->layoutBox)
        return 0;
    const EditorState* state = GetCurrentEditorState();
    return (root->layoutBox->height + root->layoutBox->depth) * std::max(1, state->lineCount);
}
