#include "formula/LinearFormulaText.h"

#include "CoreUtilities/MemoryBudget.h"
#include "CoreUtilities/TextBufferStack.h"
#include "CoreUtilities/TextEncoding.h"
#include "CoreUtilities/WideString.h"
#include "formula/FormulaNode.h"
#include "formula/NamedSymbolTable.h"
#include "formula/NameRegistry.h"
#include "formula/NodeKindTable.h"
#include "formula/TreeWalk.h"
#include "platform/NumberText.h"

#include <cmath>

namespace {

constexpr int32_t kFormulaDigits = 16;

// How tightly the reader binds each written operator, loosest first; a node
// written as a name with an argument list, a bracket or a leaf is an atom.
enum GroupingLevel : int {
    kListLevel = 1,      // ,
    kRelationLevel = 2,  // = < >
    kTermLevel = 3,      // + and binary -
    kFactorLevel = 4,    // * /
    kSignLevel = 5,      // unary -
    kPowerLevel = 6,     // ^ (right to left)
    kPostfixLevel = 7,   // !
    kIndexLevel = 8,     // _
    kAtomLevel = 9,
};

int LevelOf(int32_t kind)
{
    switch (kind) {
    case KindComma: return kListLevel;
    case KindEquation: case KindLess: case KindGreater: return kRelationLevel;
    case KindSum: return kTermLevel;
    case KindProduct: case KindFraction: return kFactorLevel;
    case KindMinus: return kSignLevel;
    case KindPower: return kPowerLevel;
    case KindFact: return kPostfixLevel;
    case KindSubscript: return kIndexLevel;
    default: return kAtomLevel;
    }
}

// The character between the operands of an operator row; 0 for other kinds.
char RowSeparator(int32_t kind)
{
    switch (kind) {
    case KindProduct: return '*';
    case KindSum: return '+';
    case KindEquation: return '=';
    case KindComma: return ',';
    case KindLess: return '<';
    case KindGreater: return '>';
    case KindFraction: return '/';
    case KindPower: return '^';
    case KindSubscript: return '_';
    default: return 0;
    }
}

void PutAscii16(const char16_t* text)
{
    for (; *text; ++text)
        PutTextChar(static_cast<char>(*text));
}

// Numbers never depend on the user's locale: '.' as the point, exponents of
// at least three digits, and minus infinity keeps its sign.
void PutNumber(double x)
{
    if (std::isnan(x)) {
        PutTextString("NaN");
    } else if (std::isinf(x)) {
        PutTextString(x < 0 ? "-Infinity" : "Infinity");
    } else {
        char16_t text[kNumberTextUnits];
        FormatDouble(text, x, kFormulaDigits);
        PutAscii16(text);
    }
}

// UTF-8 in small pieces, so that no text needs a buffer of its own. A quote
// byte, when given, is doubled: the reader takes two for one inside a quoted
// text, so a quote in the text cannot end it early.
void PutWide(const char16_t* text, char quote)
{
    const char16_t* cursor = text;
    const char16_t* end = text + WideLength(text);
    while (cursor < end) {
        unsigned char piece[64];
        unsigned char* target = piece;
        Utf16ToUtf8Core(cursor, end, target, piece + sizeof piece);
        for (const unsigned char* byte = piece; byte < target; ++byte) {
            char c = static_cast<char>(*byte);
            if (quote && c == quote)
                PutTextChar(c);
            PutTextChar(c);
        }
    }
}

// Codes the grammar has no plain spelling for. The primed variables are
// written as the prime of the variable, which the analysis folds back into
// the same code; the spherical radius is the r the user typed.
struct SpelledCode {
    uint32_t code;
    const char* text;
};
constexpr SpelledCode kSpelledCodes[] = {
    {7, "r"},          {8, "prime(theta)"}, {9, "prime(phi)"}, {10, "prime(x)"},
    {11, "prime(y)"},  {12, "prime(z)"},    {13, "prime(r)"},
};

void PutQuotedName(const char16_t* name)
{
    PutTextChar('\'');
    PutWide(name, 0);
    PutTextChar('\'');
}

bool IsLetter(uint32_t code)
{
    return (code >= 'a' && code <= 'z') || (code >= 'A' && code <= 'Z');
}

bool IsNegativeNumber(const FormulaNode* node)
{
    return node->kind == KindNumber && node->payload.number && std::signbit(node->payload.number->value) &&
           !std::isnan(node->payload.number->value);
}

bool IsGrouped(const FormulaNode* child, uint32_t position)
{
    return NeedsGroupingParentheses(GroupingKind(child), position, child->parent->kind);
}

// What comes before the node's first child (or is the whole of a leaf).
void PutOpening(const FormulaNode* node, bool bracket)
{
    switch (node->kind) {
    case KindNumber:
        PutNumber(node->payload.number ? node->payload.number->value : NAN);
        return;
    case KindPlaceholder:
        PutTextChar('?');
        return;
    case KindVariable:
        PutVariableName(node->payload.code);
        return;
    case KindText:
        PutTextChar('"');
        if (node->Text())
            PutWide(node->Text(), '"');
        PutTextChar('"');
        return;
    case KindMinus:
        PutTextChar('-');
        return;
    case KindParentheses:
        PutTextChar(bracket ? '[' : '(');
        return;
    case KindMatrix:
        if (node->payload.pair.high == 1) {
            PutTextString("vector(");
        } else {
            PutTextString("matrix(");
            PutNumber(node->payload.pair.low);
            PutTextChar(',');
            PutNumber(node->payload.pair.high);
            if (node->childCount > 0)
                PutTextChar(',');
        }
        return;
    case KindFact:
        return;
    default:
        break;
    }
    if (RowSeparator(node->kind))
        return;
    const NodeKindEntry* entry = NodeKindEntryOf(node->kind);
    if (entry && entry->name)
        PutWide(entry->name, 0);
    else
        PutTextChar('?');
    PutTextChar('(');
}

void PutClosing(const FormulaNode* node, bool bracket)
{
    switch (node->kind) {
    case KindNumber: case KindPlaceholder: case KindVariable: case KindText: case KindMinus:
        return;
    case KindParentheses:
        PutTextChar(bracket ? ']' : ')');
        return;
    case KindFact:
        PutTextChar('!');
        return;
    default:
        if (!RowSeparator(node->kind))
            PutTextChar(')');
        return;
    }
}

// What stands between child position - 1 and child position.
void PutSeparator(const FormulaNode* node, uint32_t position)
{
    char separator = RowSeparator(node->kind);
    if (!separator) {
        separator = ',';
    } else if (node->kind == KindSum) {
        // A minus term brings its own '-'.
        const FormulaNode* term = node->children[position];
        if (GroupingKind(term) == KindMinus && !IsGrouped(term, position))
            return;
    }
    PutTextChar(separator);
}

void EnterNode(const FormulaNode* node, const FormulaNode* root, uint32_t position, bool bracket)
{
    if (node != root && IsGrouped(node, position))
        PutTextChar('(');
    PutOpening(node, bracket);
}

void LeaveNode(const FormulaNode* node, const FormulaNode* root, uint32_t position, bool bracket)
{
    PutClosing(node, bracket);
    if (node != root && IsGrouped(node, position))
        PutTextChar(')');
}

}  // namespace

void PutTextWide(const char16_t* text)
{
    if (text)
        PutWide(text, 0);
}

void PutVariableName(uint32_t code)
{
    if (code >= kFirstRegistryCode) {
        PutQuotedName(SymbolName(code));
    } else if (IsLetter(code)) {
        PutTextChar(static_cast<char>(code));
    } else if (int index = NamedSymbolIndex(code); index >= 0) {
        PutWide(NamedSymbolTable[index].name, 0);
    } else if (code == '\\') {
        PutTextString("'\\'");
    } else {
        for (const SpelledCode& spelled : kSpelledCodes) {
            if (spelled.code == code) {
                PutTextString(spelled.text);
                return;
            }
        }
        // A one-character name reads back as its own code; anything else
        // (nameless internal codes) is written as the registry names it.
        bool oneCharacter = code >= ' ' && code < 127 && code != '\'';
        const char16_t character[2] = {static_cast<char16_t>(code), 0};
        PutQuotedName(oneCharacter ? character : SymbolName(code));
    }
}

int32_t GroupingKind(const FormulaNode* node)
{
    return IsNegativeNumber(node) ? KindMinus : node->kind;
}

bool NeedsGroupingParentheses(int32_t childKind, uint32_t position, int32_t parentKind)
{
    const int child = LevelOf(childKind);
    switch (parentKind) {
    case KindEquation:
    case KindLess:
    case KindGreater:
        // A row of the same relation is one n-ary relation to the reader.
        return child < kRelationLevel || (child == kRelationLevel && childKind != parentKind);
    case KindSum:
        return child < kTermLevel;
    case KindProduct:
        // a*b/c would read as (a*b)/c.
        return child < kFactorLevel || (childKind == KindFraction && position >= 1);
    case KindFraction:
        return position == 0 ? child < kFactorLevel : child <= kFactorLevel;
    case KindMinus:
        return child < kSignLevel;
    case KindPower:
        return position == 0 ? child <= kPowerLevel : child < kPowerLevel;
    case KindFact:
        return child < kPostfixLevel;
    case KindSubscript:
        return child < kAtomLevel;
    default:
        // Lists, and arguments inside a name's parentheses.
        return false;
    }
}

void WriteFormulaText(const FormulaNode* root, bool bracket)
{
    if (!root)
        return;
    // Iterative, so that the depth of a tree never runs the stack out.
    ChildPath path;
    const FormulaNode* node = root;
    EnterNode(node, root, 0, bracket);
    bool entering = true;
    for (;;) {
        if (entering && node->childCount > 0 && node->children) {
            path.Descend(0);
            node = node->children[0];
            EnterNode(node, root, 0, bracket);
            continue;
        }
        if (node == root) {
            LeaveNode(node, root, 0, bracket);
            return;
        }
        const FormulaNode* parent = node->parent;
        uint32_t position = path.Position(node);
        LeaveNode(node, root, position, bracket);
        if (position + 1 < parent->childCount) {
            path.MoveTo(position + 1);
            PutSeparator(parent, position + 1);
            node = parent->children[position + 1];
            EnterNode(node, root, position + 1, bracket);
            entering = true;
        } else {
            path.Ascend();
            node = parent;
            entering = false;
        }
    }
}

char* FormulaToText(const FormulaNode* node, bool bracket)
{
    PushTextBuffer();
    WriteFormulaText(node, bracket);
    PutTextChar(0);
    return PopTextBuffer();
}
