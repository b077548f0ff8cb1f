#include "editor/Typing.h"

#include "CoreUtilities/WideString.h"
#include "editor/EditedText.h"
#include "editor/EditorCommands.h"
#include "editor/TypesetAtoms.h"
#include "formula/CopyTree.h"
#include "formula/EditorState.h"
#include "formula/FormulaNode.h"
#include "formula/NameRegistry.h"
#include "formula/NamedSymbolTable.h"
#include "formula/NodeKindTable.h"
#include "formula/NumberNodes.h"
#include "formula/SymbolCodes.h"
#include "formula/TreeRewrite.h"
#include "formula/TreeSplice.h"
#include "formula/TreeWalk.h"
#include "platform/NumberText.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

// Limits of a number's typed text: digits at either end, inside it, and the
// separator.
constexpr int32_t kLongestEndEdit = 18;
constexpr int32_t kLongestInsideEdit = 24;
constexpr int32_t kLongestBeforeSeparator = 21;

EditorState* State()
{
    return GetCurrentEditorState();
}

bool IsLetter(uint32_t ch)
{
    return (ch >= 'A' && ch <= 'Z') || (ch >= 'a' && ch <= 'z');
}

bool IsTrigKind(int32_t kind)
{
    return kind >= KindSin && kind <= KindAsec;
}

uint8_t& MarkOf(FormulaNode* node)
{
    static uint8_t none = 0;
    node->EnsureLayoutBox();
    if (!node->layoutBox) {
        none = 0;
        return none;
    }
    return node->layoutBox->flags;
}

bool HasProductMark(const FormulaNode* node)
{
    return node->layoutBox && (node->layoutBox->flags & kExplicitProductMark);
}

void SetInside(EditorState* state, int32_t mode, int32_t position)
{
    state->mode = mode;
    state->caret = state->anchor = position;
}

bool InsertChildAt(FormulaNode* parent, uint32_t index, FormulaNode* child)
{
    uint32_t count = parent->childCount;
    if (count >= kMaxChildCount || !ResizeChildArray(parent, count + 1)) {
        FreeTree(child);
        return false;
    }
    for (uint32_t i = count; i > index; --i)
        parent->children[i] = parent->children[i - 1];
    parent->children[index] = child;
    child->parent = parent;
    return true;
}

// A new operand of the kind next to the node: in its parent when the parent
// has the kind, else the node becomes a two-operand node of the kind.
// Answers the new operand; null when memory ran out (nothing changed).
FormulaNode* OperandBeside(FormulaNode* node, FormulaNode* operand, int32_t kind, bool after)
{
    if (!operand)
        return nullptr;
    FormulaNode* parent = node->parent;
    if (parent && parent->kind == kind) {
        uint32_t index = static_cast<uint32_t>(IndexInParent(node)) + (after ? 1 : 0);
        return InsertChildAt(parent, index, operand) ? operand : nullptr;
    }
    if (!WrapInBinary(node, operand, after ? 1 : 0, kind))
        return nullptr;
    return operand;
}

FormulaNode* PlaceholderAfter(FormulaNode* node)
{
    return OperandBeside(node, MakePlaceholderNode(), KindProduct, true);
}

// A term before a unary minus, else a factor.
FormulaNode* PlaceholderBefore(FormulaNode* node)
{
    return OperandBeside(node, MakePlaceholderNode(), node->kind == KindMinus ? KindSum : KindProduct, false);
}

// The caret after parentheses under a sign or a function stands after the
// sign or function, so what is typed next multiplies the whole of it.
FormulaNode* LiftParentheses(FormulaNode* node)
{
    if (node->kind != KindParentheses)
        return node;
    while (node->parent && (node->parent->kind == KindMinus || IsNamedFunctionKind(node->parent->kind)))
        node = node->parent;
    return node;
}

void CollapseGap(EditorState* state)
{
    if (EditorOperations& ops = GetEditorOperations(); ops.removeGapOperator) {
        ops.removeGapOperator();
        return;
    }
    FormulaNode* current = state->current;
    if (SyntaxClassOf(current) == SyntaxClass::Prefix && current->childCount > 0)
        SetEditorSelection(current->children[0], CaretBefore);
    else if (state->caret >= 0 && state->caret < current->childCount)
        SetEditorSelection(current->children[state->caret], CaretAfter);
    else
        SetEditorSelection(current, SelectionNode);
}

void EraseRange(std::u16string& text, EditorState* state)
{
    int32_t length = static_cast<int32_t>(text.size());
    int32_t lo = std::clamp(std::min(state->caret, state->anchor), 0, length);
    int32_t hi = std::clamp(std::max(state->caret, state->anchor), 0, length);
    text.erase(static_cast<size_t>(lo), static_cast<size_t>(hi - lo));
    state->caret = state->anchor = lo;
}

// The number's text is cut at the caret; what follows becomes a number of
// its own after it. The caret stays between the two.
void SplitNumberAtCaret(EditorState* state)
{
    FormulaNode* number = state->current;
    std::u16string text = TypedNumberText(number);
    int32_t at = std::clamp(std::min(state->caret, state->anchor), 0, static_cast<int32_t>(text.size()));
    if (at <= 0) {
        SetEditorSelection(number, CaretBefore);
        return;
    }
    if (at >= static_cast<int32_t>(text.size())) {
        SetEditorSelection(number, CaretAfter);
        return;
    }
    FormulaNode* rest = MakeNumberNode(0);
    if (!rest)
        return;
    SetNumberText(rest, text.substr(static_cast<size_t>(at)));
    if (!OperandBeside(number, rest, KindProduct, true))
        return;
    // Made a product of, the number's record now holds the product.
    FormulaNode* left = rest->parent->children[IndexInParent(rest) - 1];
    SetNumberText(left, text.substr(0, static_cast<size_t>(at)));
    SetEditorSelection(left, CaretAfter);
}

// The empty box a typed atom goes into: the selection emptied, or a new
// operand at the caret. Null where nothing can be typed.
FormulaNode* SlotAtCaret()
{
    EditorState* state = State();
    for (int step = 0; step < 4; ++step) {
        FormulaNode* current = state->current;
        switch (state->mode) {
        case SelectionRun:
            GroupSelectedRange();
            continue;
        case SelectionNode: {
            if (current->kind == KindPlaceholder)
                return current;
            FormulaNode* box = MakePlaceholderNode();
            if (!box)
                return nullptr;
            ReplaceNode(box, current);
            return current;
        }
        case SelectionGap:
            CollapseGap(state);
            continue;
        case InNumber:
            SplitNumberAtCaret(state);
            if (state->mode == InNumber)
                return nullptr;
            continue;
        case CaretAfter:
            return PlaceholderAfter(LiftParentheses(current));
        case CaretBefore:
            return PlaceholderBefore(current);
        default:
            return nullptr;
        }
    }
    return nullptr;
}

uint32_t VariableCodeFor(uint32_t ch)
{
    if (IsLetter(ch) || (ch >= CodePi && ch <= CodeLdots))
        return ch;
    return InternSymbolName(CodePointText(ch).c_str());
}

std::u16string VariableName(const FormulaNode* node)
{
    uint32_t code = node->payload.code & 0xFFFF;
    if (code >= kFirstRegistryCode) {
        const char16_t* name = SymbolName(code);
        return name ? std::u16string(name) : std::u16string();
    }
    return std::u16string(1, static_cast<char16_t>(code));
}

// The letters typed last: the names of the variables of the product that
// end at the node, read backwards until a factor that is no unmarked
// variable; each name matched against them is one look at this text.
class LetterRun {
public:
    explicit LetterRun(const FormulaNode* node)
    {
        const FormulaNode* product = node->parent;
        if (!product || product->kind != KindProduct)
            return;
        for (int32_t i = IndexInParent(node); i >= 0; --i) {
            const FormulaNode* factor = product->children[i];
            if (factor->kind != KindVariable || HasProductMark(factor))
                break;
            std::u16string letters = VariableName(factor);
            if (letters.empty() || backwards_.size() + letters.size() > kLongestName)
                break;
            backwards_.append(letters.rbegin(), letters.rend());
            ends_.push_back(static_cast<int32_t>(backwards_.size()));
            firsts_.push_back(i);
        }
    }

    // The index of the factor where the name begins, or -1.
    int32_t Match(const char16_t* name) const
    {
        if (!name)
            return -1;
        size_t length = WideLength(name);
        if (length == 0 || length > backwards_.size())
            return -1;
        for (size_t k = 0; k < length; ++k) {
            if (backwards_[k] != name[length - 1 - k])
                return -1;
        }
        for (size_t j = 0; j < ends_.size(); ++j) {
            if (ends_[j] == static_cast<int32_t>(length))
                return firsts_[j];
        }
        return -1;
    }

private:
    // No name the editor recognises is longer.
    static constexpr size_t kLongestName = 256;
    std::u16string backwards_;
    std::vector<int32_t> ends_;
    std::vector<int32_t> firsts_;
};

// Factors first..last of the product give way to the replacement (their
// nodes are the caller's); a product left with one operand becomes it.
// Answers the node that now stands for the replacement.
FormulaNode* ReplaceFactors(FormulaNode* product, int32_t first, int32_t last, FormulaNode* replacement)
{
    std::vector<FormulaNode*> kept;
    for (int32_t i = 0; i < product->childCount; ++i) {
        if (i == first)
            kept.push_back(replacement);
        if (i < first || i > last)
            kept.push_back(product->children[i]);
    }
    if (kept.size() == 1) {
        TransplantNode(replacement, product);
        return product;
    }
    ResizeChildArray(product, static_cast<uint32_t>(kept.size()));
    for (size_t i = 0; i < kept.size(); ++i) {
        product->children[i] = kept[i];
        kept[i]->parent = product;
    }
    return replacement;
}

void FreeNodes(const std::vector<FormulaNode*>& nodes)
{
    for (FormulaNode* node : nodes)
        FreeTree(node);
}

std::vector<FormulaNode*> FactorRange(const FormulaNode* product, int32_t first, int32_t last)
{
    return std::vector<FormulaNode*>(product->children + first, product->children + last + 1);
}

// The letters first..last of the product become the function; what follows
// them is its argument.
void ConvertLettersToFunction(FormulaNode* product, int32_t first, int32_t last, int32_t kind)
{
    int32_t count = product->childCount;
    int32_t following = count - 1 - last;
    FormulaNode* function = MakeNode(kind, 1);
    if (!function)
        return;
    FormulaNode* argument = nullptr;
    if (following == 0) {
        argument = MakePlaceholderNode();
    } else if (following == 1) {
        argument = product->children[count - 1];
    } else {
        argument = MakeNode(KindProduct, static_cast<uint32_t>(following));
        if (argument) {
            for (int32_t i = 0; i < following; ++i) {
                argument->children[i] = product->children[last + 1 + i];
                argument->children[i]->parent = argument;
            }
        }
    }
    if (!argument) {
        FreeNode(function);
        return;
    }
    function->children[0] = argument;
    argument->parent = function;
    std::vector<FormulaNode*> letters = FactorRange(product, first, last);
    FormulaNode* placed = ReplaceFactors(product, first, count - 1, function);
    FreeNodes(letters);
    FormulaNode* inside = placed->children[0];
    SetEditorSelection(inside, inside->kind == KindPlaceholder ? SelectionNode : CaretBefore);
}

// The letters first..last of the product become the named symbol.
void ConvertLettersToSymbol(FormulaNode* product, int32_t first, int32_t last, uint32_t code)
{
    FormulaNode* symbol = MakeVariableNode(code);
    if (!symbol)
        return;
    std::vector<FormulaNode*> letters = FactorRange(product, first, last);
    FormulaNode* placed = ReplaceFactors(product, first, last, symbol);
    FreeNodes(letters);
    SetEditorSelection(placed, CaretAfter);
}

// The variable just typed takes the name the letters from factor first on
// spell; those letters go.
void MergeLettersIntoName(FormulaNode* node, int32_t first, uint32_t code)
{
    if (!code)
        return;
    FormulaNode* product = node->parent;
    int32_t last = IndexInParent(node);
    if (first < last) {
        std::vector<FormulaNode*> letters = FactorRange(product, first, last - 1);
        node = ReplaceFactors(product, first, last, node);
        FreeNodes(letters);
    }
    node->payload.code = code;
    SetEditorSelection(node, CaretAfter);
}

// The kinds whose names typing recognises, longer names before the shorter
// names they end with.
const std::vector<int32_t>& RecognisedKinds()
{
    static const std::vector<int32_t> kinds = [] {
        std::vector<int32_t> list;
        auto range = [&list](int32_t a, int32_t b) {
            for (int32_t k = a; k <= b; ++k)
                list.push_back(k);
        };
        range(KindAsin, KindAsec);
        range(KindAsinh, KindLog);
        range(KindSin, KindSec);
        range(KindSinh, KindSech);
        range(KindGrad, KindLap);
        range(KindFloor, KindCeil);
        range(KindLn, KindReal);
        for (int32_t k = KindReal + 1; k < kFirstTableKind + kNodeKindCount; ++k) {
            if (NodeKindEntryOf(k)->routine == TypesetRoutine::FunctionName)
                list.push_back(k);
        }
        return list;
    }();
    return kinds;
}

bool TryFunctionNames(FormulaNode* node, const LetterRun& run)
{
    for (int32_t kind : RecognisedKinds()) {
        int32_t first = run.Match(NodeKindEntryOf(kind)->name);
        if (first >= 0) {
            ConvertLettersToFunction(node->parent, first, IndexInParent(node), kind);
            return true;
        }
    }
    return false;
}

bool TrySymbolNames(FormulaNode* node, const LetterRun& run)
{
    // The ellipsis is not spelt out.
    for (int i = 0; i < 5; ++i) {
        int32_t first = run.Match(NamedSymbolTable[i].name);
        if (first < 0)
            continue;
        ConvertLettersToSymbol(node->parent, first, IndexInParent(node), NamedSymbolTable[i].code);
        return true;
    }
    return false;
}

bool TryKnownNames(FormulaNode* node, const LetterRun& run)
{
    const GrowArray<const char16_t*>& names = GetNamesInUse();
    for (int32_t n = 0; n < names.count; ++n) {
        const char16_t* name = names[n];
        if (!name || WideLength(name) < 2)
            continue;
        int32_t first = run.Match(name);
        if (first < 0)
            continue;
        MergeLettersIntoName(node, first, InternSymbolName(name));
        return true;
    }
    return false;
}

// The letter h typed before the argument of a trigonometric function, with
// only postfix marks and first operands between: the function turns
// hyperbolic.
bool MakeHyperbolicBefore(EditorState* state)
{
    for (FormulaNode* n = state->current; n->parent; n = n->parent) {
        FormulaNode* p = n->parent;
        if (IsTrigKind(p->kind)) {
            p->kind += KindSinh - KindSin;
            SetEditorSelection(p->children[0], CaretBefore);
            return true;
        }
        bool firstOperand = IndexInParent(n) == 0 &&
                            (SyntaxClassOf(p) == SyntaxClass::Infix || p->kind == KindPower);
        if (SyntaxClassOf(p) != SyntaxClass::Postfix && !firstOperand)
            return false;
    }
    return false;
}

// The f of "if" typed after an i: the i goes and the expression before the
// caret becomes the first operand of if.
bool MakeIfAfter(EditorState* state)
{
    EditorOperations& ops = GetEditorOperations();
    if (!ops.deleteLeft || !ops.insertOperatorNode)
        return false;
    ops.deleteLeft();
    FormulaNode* n = state->current;
    while (n->parent) {
        int32_t kind = n->parent->kind;
        if ((kind >= KindEquation && kind <= KindGeq) || kind == KindLeftParen || kind == KindBranch)
            break;
        n = n->parent;
    }
    SetEditorSelection(n, SelectionNode);
    ops.insertOperatorNode(KindIf);
    return true;
}

void StoreNumberEdit(FormulaNode* number, const std::u16string& text)
{
    SetNumberText(number, text);
}

bool SeparatorRefused(const FormulaNode* number, const std::u16string& text)
{
    double value = NumberValue(number);
    return static_cast<int32_t>(text.size()) > kLongestBeforeSeparator - 1 ||
           text.find(DecimalSeparator) != std::u16string::npos || std::isinf(value) || std::isnan(value);
}

}  // namespace

int32_t MatchTrailingLetters(const FormulaNode* node, const char16_t* name)
{
    return LetterRun(node).Match(name);
}

void RecogniseTypedName(FormulaNode* node)
{
    FormulaNode* parent = node->parent;
    if (!parent || node->kind != KindVariable)
        return;
    if (IsTrigKind(parent->kind) && IsVariable(node, 'h') && parent->childCount == 1) {
        parent->kind += KindSinh - KindSin;
        node->kind = KindPlaceholder;
        node->payload.code = 0;
        SetEditorSelection(node, SelectionNode);
        return;
    }
    if (parent->kind != KindProduct)
        return;
    LetterRun run(node);
    if (!TryFunctionNames(node, run) && !TrySymbolNames(node, run))
        TryKnownNames(node, run);
}

void InsertVariableAtCaret(uint32_t ch)
{
    EditorState* state = State();
    FormulaNode* box = state->current;
    if (!box || box->kind != KindPlaceholder)
        return;
    uint32_t code = VariableCodeFor(ch);
    if (!code)
        return;
    box->kind = KindVariable;
    box->payload.code = code;
    MarkOf(box) &= static_cast<uint8_t>(~3u);
    SetEditorSelection(box, CaretAfter);
    RecogniseTypedName(box);
}

void InsertLetter(uint32_t ch)
{
    EditorState* state = State();
    if (!state || !state->current)
        return;
    FormulaNode* current = state->current;
    if (state->mode == InIdentifier) {
        InsertIntoIdentifier(ch);
        return;
    }
    if (state->mode == CaretAfter && ch == 'f' && IsVariable(current, 'i') && MakeIfAfter(state))
        return;
    if (state->mode == CaretBefore && ch == 'h' && MakeHyperbolicBefore(state))
        return;
    FormulaNode* box = SlotAtCaret();
    if (!box)
        return;
    state->current = box;
    state->mode = SelectionNode;
    InsertVariableAtCaret(ch);
}

void ReplaceWithDigit(uint32_t ch)
{
    EditorState* state = State();
    FormulaNode* number = MakeNumberNode(static_cast<double>(ch) - '0');
    if (!number)
        return;
    char16_t buffer[kNumberTextUnits] = {};
    FormatNumberText(number->payload.number->value, buffer);
    SetNumberText(number, buffer);
    ReplaceNode(number, state->current);
    SetEditorSelection(state->current, CaretAfter);
}

void InsertDigit(uint32_t ch)
{
    EditorState* state = State();
    if (!state || !state->current)
        return;
    FormulaNode* current = state->current;
    std::u16string digit(1, static_cast<char16_t>(ch));
    if (current->kind == KindNumber && (state->mode == CaretAfter || state->mode == CaretBefore)) {
        std::u16string text = TypedNumberText(current);
        if (static_cast<int32_t>(text.size()) >= kLongestEndEdit)
            return;
        if (state->mode == CaretAfter) {
            StoreNumberEdit(current, text + digit);
        } else {
            StoreNumberEdit(current, digit + text);
            SetInside(state, InNumber, 1);
        }
        return;
    }
    if (state->mode == InNumber) {
        std::u16string text = TypedNumberText(current);
        EraseRange(text, state);
        if (static_cast<int32_t>(text.size()) >= kLongestInsideEdit)
            return;
        text.insert(static_cast<size_t>(state->caret), digit);
        StoreNumberEdit(current, text);
        SetInside(state, InNumber, state->caret + 1);
        return;
    }
    if (state->mode == InText || state->mode == InIdentifier || state->mode == SelectionCells)
        return;
    FormulaNode* box = SlotAtCaret();
    if (!box)
        return;
    state->current = box;
    state->mode = SelectionNode;
    ReplaceWithDigit(ch);
}

void InsertDecimalPoint()
{
    static bool repeating = false;
    EditorState* state = State();
    if (!state || !state->current)
        return;
    FormulaNode* current = state->current;
    std::u16string separator(1, DecimalSeparator);
    int32_t mode = state->mode;
    if (current->kind == KindNumber && (mode == CaretAfter || mode == CaretBefore || mode == InNumber)) {
        std::u16string text = TypedNumberText(current);
        if (mode == InNumber)
            EraseRange(text, state);
        if (SeparatorRefused(current, text))
            return;
        if (mode == CaretAfter) {
            // The value stays: "2." is still 2.
            double value = current->payload.number->value;
            StoreNumberEdit(current, text + separator);
            current->payload.number->value = value;
        } else if (mode == CaretBefore) {
            StoreNumberEdit(current, separator + text);
            SetInside(state, InNumber, 1);
        } else {
            text.insert(static_cast<size_t>(state->caret), separator);
            StoreNumberEdit(current, text);
            SetInside(state, InNumber, state->caret + 1);
        }
        return;
    }
    if (mode == SelectionNode && current->kind == KindPlaceholder) {
        FormulaNode* number = MakeNumberNode(0);
        if (!number)
            return;
        SetNumberText(number, u"0" + separator);
        number->payload.number->value = 0;
        ReplaceNode(number, current);
        SetEditorSelection(current, CaretAfter);
        return;
    }
    bool typesZeroFirst = mode == SelectionNode || mode == SelectionRun || mode == SelectionGap ||
                          mode == CaretAfter || mode == CaretBefore;
    if (!typesZeroFirst || repeating)
        return;
    repeating = true;
    DoEditorCommand('0');
    InsertDecimalPoint();
    repeating = false;
}

void BackslashCommand()
{
    EditorState* state = State();
    if (!state || !state->current)
        return;
    FormulaNode* current = state->current;
    if (IsCommandNameVariable(current)) {
        std::u16string name = VariableName(current);
        if (name.size() <= 1) {
            current->kind = KindPlaceholder;
            current->payload.code = 0;
        } else if (uint32_t code = InternSymbolName(name.c_str() + 1)) {
            current->payload.code = code;
        }
        SetEditorSelection(current, SelectionNode);
        return;
    }
    if (state->mode == InText || state->mode == SelectionCells)
        return;
    FormulaNode* box = current->kind == KindPlaceholder ? current : PlaceholderAfter(LiftParentheses(current));
    uint32_t code = InternSymbolName(u"\\");
    if (!box || !code)
        return;
    box->kind = KindVariable;
    box->payload.code = code;
    MarkOf(box) &= static_cast<uint8_t>(~3u);
    state->current = box;
    SetInside(state, InIdentifier, 1);
}

void InsertIntoText(uint32_t ch)
{
    EditorState* state = State();
    FormulaNode* current = state ? state->current : nullptr;
    if (!current || current->kind != KindText)
        return;
    std::u16string text = EditedText(current).Text();
    EraseRange(text, state);
    std::u16string inserted = CodePointText(ch);
    text.insert(static_cast<size_t>(state->caret), inserted);
    if (SetTextNodeText(current, text))
        SetInside(state, InText, state->caret + static_cast<int32_t>(inserted.size()));
}

void InsertIntoIdentifier(uint32_t ch)
{
    EditorState* state = State();
    FormulaNode* current = state ? state->current : nullptr;
    if (!current || current->kind != KindVariable)
        return;
    std::u16string name = VariableName(current);
    EraseRange(name, state);
    std::u16string inserted = CodePointText(ch);
    name.insert(static_cast<size_t>(state->caret), inserted);
    uint32_t code = InternSymbolName(name.c_str());
    if (!code)
        return;
    current->payload.code = code;
    // A name cut down to one letter is a plain variable again, with no
    // inside for a caret.
    if (EditedText(current).IsName())
        SetInside(state, InIdentifier, state->caret + static_cast<int32_t>(inserted.size()));
    else
        SetEditorSelection(current, CaretAfter);
}

void OpenTextAtCaret()
{
    EditorState* state = State();
    if (!state || !state->current)
        return;
    FormulaNode* box = SlotAtCaret();
    char16_t* empty = box ? WideDuplicateN(u"", 0) : nullptr;
    if (!empty)
        return;
    box->kind = KindText;
    box->children = reinterpret_cast<FormulaNode**>(empty);
    state->current = box;
    SetInside(state, InText, 0);
}

void MakeNameFromLetters()
{
    EditorState* state = State();
    if (!state || !state->current)
        return;
    FormulaNode* current = state->current;
    if (state->mode == CaretAfter && current->kind == KindVariable && current->parent &&
        current->parent->kind == KindProduct) {
        FormulaNode* product = current->parent;
        int32_t last = IndexInParent(current);
        int32_t first = last;
        while (first > 0 && product->children[first - 1]->kind == KindVariable &&
               !HasProductMark(product->children[first - 1]))
            --first;
        if (first == 0 && last == product->childCount - 1) {
            SetEditorSelection(product, SelectionNode);
        } else {
            state->current = product;
            state->mode = SelectionRun;
            state->caret = first;
            state->anchor = last;
            GroupSelectedRange();
        }
    } else if (state->mode == SelectionRun) {
        GroupSelectedRange();
    }
    FormulaNode* product = state->current;
    if (state->mode != SelectionNode || product->kind != KindProduct)
        return;
    std::u16string name;
    for (int32_t i = 0; i < product->childCount; ++i) {
        if (product->children[i]->kind != KindVariable)
            return;
        name += VariableName(product->children[i]);
    }
    uint32_t code = InternSymbolName(name.c_str());
    FormulaNode* variable = code ? MakeVariableNode(code) : nullptr;
    if (!variable)
        return;
    ReplaceNode(variable, product);
    SetEditorSelection(product, SelectionNode);
}
