#include "support/FormulaPrinter.h"

#include "formula/FormulaNode.h"
#include "formula/NameRegistry.h"
#include "formula/NamedSymbolTable.h"
#include "formula/NodeKindTable.h"

#include <charconv>
#include <cmath>

namespace {

// How tightly a node binds; a child that binds less tightly than its place
// asks for is put in brackets.
enum Level { kList = 1, kRelation, kSum, kProduct, kSign, kPower, kPostfix, kAtom };

bool IsNegativeNumber(const FormulaNode* node)
{
    return node->kind == KindNumber && node->payload.number && node->payload.number->value < 0;
}

Level LevelOf(const FormulaNode* node)
{
    switch (node->kind) {
    case KindComma:
        return kList;
    case KindEquation:
    case KindLess:
    case KindGreater:
        return kRelation;
    case KindSum:
        return kSum;
    case KindProduct:
    case KindFraction:
        return kProduct;
    case KindMinus:
        return kSign;
    case KindPower:
        return kPower;
    case KindFact:
    case KindPrime:
        return kPostfix;
    case KindNumber:
        return IsNegativeNumber(node) ? kSign : kAtom;
    default:
        return kAtom;
    }
}

std::string Narrow(const char16_t* text)
{
    std::string narrow;
    for (; text && *text; ++text)
        narrow += *text < 128 ? static_cast<char>(*text) : '?';
    return narrow;
}

std::string NumberText(double value)
{
    if (std::isnan(value))
        return "NaN";
    if (std::isinf(value))
        return value < 0 ? "-Infinity" : "Infinity";
    char text[40];
    auto end = std::to_chars(text, text + sizeof text, value, std::chars_format::general, 16).ptr;
    return std::string(text, end);
}

std::string VariableText(uint32_t code)
{
    if ((code >= 'A' && code <= 'Z') || (code >= 'a' && code <= 'z'))
        return std::string(1, static_cast<char>(code));
    if (code > 255)
        return "'" + Narrow(SymbolName(code)) + "'";
    int named = NamedSymbolIndex(code);
    if (named >= 0)
        return Narrow(NamedSymbolTable[named].name);
    return "#" + std::to_string(code);
}

std::string Print(const FormulaNode* node);

// The child, in brackets when it binds less tightly than minimum.
std::string Operand(const FormulaNode* child, Level minimum)
{
    std::string text = Print(child);
    return LevelOf(child) < minimum ? "(" + text + ")" : text;
}

std::string Joined(const FormulaNode* node, const char* separator, Level minimum)
{
    std::string text;
    for (uint32_t i = 0; i < node->childCount; ++i)
        text += (i ? separator : "") + Operand(node->children[i], minimum);
    return text;
}

std::string Call(const std::string& name, const FormulaNode* node)
{
    // A function of a list of arguments holds them as one comma list.
    if (node->childCount == 1 && node->children[0]->kind == KindComma)
        node = node->children[0];
    return name + "(" + Joined(node, ",", kRelation) + ")";
}

std::string Print(const FormulaNode* node)
{
    if (!node)
        return "null";
    switch (node->kind) {
    case KindNumber:
        return node->payload.number ? NumberText(node->payload.number->value) : "null";
    case KindVariable:
        return VariableText(node->payload.code);
    case KindBoundVariable:
        return "@" + VariableText(node->payload.code);
    case KindText:
        return "\"" + Narrow(node->Text()) + "\"";
    case KindPlaceholder:
        return "?";
    case KindComma:
        return Joined(node, ",", kRelation);
    case KindEquation:
        return Joined(node, "=", kSum);
    case KindLess:
        return Joined(node, "<", kSum);
    case KindGreater:
        return Joined(node, ">", kSum);
    case KindSum: {
        std::string text;
        for (uint32_t i = 0; i < node->childCount; ++i) {
            const FormulaNode* term = node->children[i];
            bool sign = i > 0 && term->kind == KindMinus && term->childCount == 1;
            if (sign)
                term = term->children[0];
            bool bracket = LevelOf(term) <= kSum || (i > 0 && LevelOf(term) == kSign);
            text += sign ? "-" : i ? "+" : "";
            text += bracket ? "(" + Print(term) + ")" : Print(term);
        }
        return text;
    }
    case KindProduct: {
        std::string text;
        for (uint32_t i = 0; i < node->childCount; ++i) {
            const FormulaNode* factor = node->children[i];
            bool bracket = LevelOf(factor) < kProduct || LevelOf(factor) == kSign || factor->kind == KindProduct ||
                (i > 0 && factor->kind == KindFraction);
            text += (i ? "*" : "") + (bracket ? "(" + Print(factor) + ")" : Print(factor));
        }
        return text;
    }
    case KindFraction: {
        if (node->childCount != 2)
            return Call("over", node);
        const FormulaNode* numerator = node->children[0];
        bool bracket = LevelOf(numerator) < kProduct || LevelOf(numerator) == kSign ||
            numerator->kind == KindFraction;
        std::string top = bracket ? "(" + Print(numerator) + ")" : Print(numerator);
        return top + "/" + Operand(node->children[1], kPower);
    }
    case KindMinus:
        return node->childCount == 1 ? "-" + Operand(node->children[0], kPower) : Call("minus", node);
    case KindPower:
        if (node->childCount != 2)
            return Call("power", node);
        return Operand(node->children[0], kAtom) + "^" + Operand(node->children[1], kAtom);
    case KindFact:
        return Operand(node->children[0], kAtom) + "!";
    case KindPrime:
        return Operand(node->children[0], kAtom) + "'";
    case KindSubscript:
        return Operand(node->children[0], kAtom) + "_" + Operand(node->children[1], kAtom);
    case KindParentheses:
        return "[" + Joined(node, ",", kList) + "]";
    case KindMatrix:
        if (node->payload.pair.high == 1)
            return Call("vector", node);
        return "matrix(" + std::to_string(node->payload.pair.low) + "," + std::to_string(node->payload.pair.high) +
            (node->childCount ? "," : "") + Joined(node, ",", kRelation) + ")";
    default:
        break;
    }
    if (const NodeKindEntry* entry = NodeKindEntryOf(node->kind); entry && entry->name)
        return Call(Narrow(entry->name), node);
    return Call("#" + std::to_string(node->kind), node);
}

}  // namespace

std::string PrintFormula(const FormulaNode* node)
{
    return Print(node);
}
