#include "support/EditCommandDriver.h"

#include "editor/EditedText.h"
#include "editor/EditorCommands.h"
#include "formula/EditorState.h"
#include "formula/FormulaNode.h"
#include "formula/NodeKindTable.h"
#include "formula/TreeWalk.h"

#include <iterator>

namespace {

const int32_t kCommands[] = {
    5641, 5649, 8707, 8704, 8705, 8706, 8706,                                   // delete, clear, clipboard
    KindText, KindMatrix, KindProduct, KindSum, KindEquation, KindComma, KindLess, KindFact, KindPlusOrMinus,
    KindMinus, KindSin, KindLog, KindSqrt, KindGrad, KindOpTotal, KindSigma, KindIntegral, KindLeftParen,
    KindParentheses, KindAbs, KindFraction, KindPower, KindInterval, KindDot, KindCross, KindPrime, KindIf,
    KindBranch, KindMax, KindSet, KindSubstitution, KindApplication, KindChoice,
    6153, 6154, 6304, 6305, 6310, 6313, 6314, 6315, 6316, 6319, 6320, 6321, 6322, 6323, 6325, 6330, 6331, 6332,
    6333, 6335, 6336, 6337, 6341, 6400, 6401, 6402, 6405, 6407, 6408, 6411,      // templates
    'a', 'x', 's', '1', '7', '.',                                                // typing
    5632, 5633, 5634, 5635, 5636, 5644, 5645, 5646, 5648,                        // caret moves
    8449, 8452,                                                                  // term moves
};

const int32_t kModes[] = {SelectionNode, CaretAfter, CaretBefore, SelectionRun, SelectionGap,
                          SelectionCells, InNumber, InText, InIdentifier};

FormulaNode* NodeAt(FormulaNode* root, uint32_t index)
{
    uint32_t count = 0;
    for (PreorderWalk walk(root); walk.Node(); walk.Next())
        ++count;
    index %= count;
    for (PreorderWalk walk(root); walk.Node(); walk.Next()) {
        if (index-- == 0)
            return walk.Node();
    }
    return root;
}

void Select(EditorState* state, FormulaNode* node, uint8_t how)
{
    int32_t mode = kModes[how % std::size(kModes)];
    uint32_t a = how / 9u, b = how / 3u;
    int32_t count = node->childCount;
    SyntaxClass cls = SyntaxClassOf(node);
    state->current = node;
    state->caret = state->anchor = 0;
    switch (mode) {
    case SelectionRun:
        if (cls == SyntaxClass::Infix && count >= 2) {
            // A run, as a drag makes it, spans two operands or more.
            state->mode = SelectionRun;
            state->caret = static_cast<int32_t>(a % (count - 1));
            state->anchor = state->caret + 1 + static_cast<int32_t>(b % (count - 1 - state->caret));
            return;
        }
        break;
    case SelectionGap:
        if (cls == SyntaxClass::Infix && count >= 2) {
            state->mode = SelectionGap;
            state->caret = state->anchor = static_cast<int32_t>(a % (count - 1));
            return;
        }
        if (cls == SyntaxClass::Prefix && count == 1) {
            state->mode = SelectionGap;
            return;
        }
        break;
    case SelectionCells:
        if (node->kind == KindMatrix && count > 0) {
            state->mode = SelectionCells;
            state->caret = static_cast<int32_t>(a % count);
            state->anchor = static_cast<int32_t>(b % count);
            return;
        }
        break;
    case InNumber:
    case InText:
    case InIdentifier: {
        bool fits = (mode == InNumber && node->kind == KindNumber) || (mode == InText && node->kind == KindText) ||
                    (mode == InIdentifier && node->kind == KindVariable && EditedText(node).IsName());
        if (fits) {
            int32_t length = EditedText(node).Length();
            state->mode = mode;
            state->caret = static_cast<int32_t>(a % (length + 1));
            state->anchor = static_cast<int32_t>(b % (length + 1));
            return;
        }
        break;
    }
    case CaretAfter:
    case CaretBefore:
        SetEditorSelection(node, mode);
        return;
    default:
        break;
    }
    SetEditorSelection(node, SelectionNode);
}

}  // namespace

void ApplyEditStep(EditorState* state, uint8_t where, uint8_t how, uint8_t what)
{
    CurrentEditorStateScope scope(state);
    Select(state, NodeAt(state->root, where), how);
    RunEditorCommand(kCommands[what % std::size(kCommands)], 0, state, nullptr);
}
