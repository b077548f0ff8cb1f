#include "support/TreeText.h"

#include "CoreUtilities/WideString.h"
#include "formula/CopyTree.h"
#include "formula/FormulaNode.h"
#include "formula/NameRegistry.h"
#include "formula/NamedSymbolTable.h"
#include "formula/NodeKindTable.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstring>
#include <vector>

namespace {

struct SymbolKind {
    const char* text;
    int32_t kind;
};

const SymbolKind SymbolKinds[] = {
    {"+", KindSum}, {"*", KindProduct}, {"=", KindEquation}, {",", KindComma}, {"<", KindLess}, {">", KindGreater},
};

std::u16string Widen(const std::string& text)
{
    return std::u16string(text.begin(), text.end());
}

std::string Narrow(const char16_t* text)
{
    std::string out;
    for (; *text; ++text)
        out += static_cast<char>(*text);
    return out;
}

struct Reader {
    const char* p;

    void SkipSpaces()
    {
        while (*p == ' ' || *p == '\n')
            ++p;
    }

    std::string Token()
    {
        SkipSpaces();
        const char* start = p;
        while (*p && *p != ' ' && *p != '(' && *p != ')' && *p != '\n')
            ++p;
        return std::string(start, p);
    }

    FormulaNode* Node()
    {
        SkipSpaces();
        if (*p == '(')
            return Composite();
        if (*p == '"') {
            const char* start = ++p;
            while (*p && *p != '"')
                ++p;
            if (!*p)
                return nullptr;
            std::u16string text = Widen(std::string(start, p++));
            FormulaNode* node = MakeNode(KindText, 0);
            node->children = reinterpret_cast<FormulaNode**>(WideDuplicateN(text.c_str(), text.size()));
            return node;
        }
        std::string token = Token();
        if (token.empty())
            return nullptr;
        if (token == "nan")
            return MakeNumberNode(std::nan(""));
        if (std::isdigit(static_cast<unsigned char>(token[0])) || token[0] == '.' ||
            (token.size() > 1 && token[0] == '-')) {
            double value = 0;
            auto result = std::from_chars(token.data(), token.data() + token.size(), value);
            return result.ptr == token.data() + token.size() ? MakeNumberNode(value) : nullptr;
        }
        if (token[0] == '%' || token[0] == '?') {
            uint32_t code = 0;
            std::from_chars(token.data() + 1, token.data() + token.size(), code);
            if (token[0] == '%')
                return MakeVariableNode(code);
            FormulaNode* node = MakeNode(KindBoundVariable, 0);
            node->payload.code = code;
            return node;
        }
        uint32_t code = SymbolCodeFromName8(token.c_str());
        return MakeVariableNode(code ? code : InternSymbolName8(token.c_str()));
    }

    FormulaNode* Composite()
    {
        ++p;
        std::string head = Token();
        int32_t kind = 0;
        for (const SymbolKind& symbol : SymbolKinds)
            if (head == symbol.text)
                kind = symbol.kind;
        if (!kind && head.size() > 1 && head[0] == '#')
            std::from_chars(head.data() + 1, head.data() + head.size(), kind);
        if (!kind)
            kind = KindFromName8(head.c_str());
        std::vector<FormulaNode*> children;
        for (;;) {
            SkipSpaces();
            if (*p == ')' || !*p)
                break;
            FormulaNode* child = Node();
            if (!child)
                break;
            children.push_back(child);
        }
        if (!kind || *p != ')') {
            for (FormulaNode* child : children)
                FreeTree(child);
            return nullptr;
        }
        ++p;
        FormulaNode* node = MakeNode(kind, static_cast<uint32_t>(children.size()));
        for (size_t i = 0; i < children.size(); ++i) {
            node->children[i] = children[i];
            children[i]->parent = node;
        }
        if (kind == KindSubscript) {
            node->payload.pair.low = 0;
            node->payload.pair.high = 1;
        }
        return node;
    }
};

std::string VariableText(uint32_t code)
{
    if (code < 128 && std::isalpha(static_cast<int>(code)))
        return std::string(1, static_cast<char>(code));
    int named = NamedSymbolIndex(code);
    if (named >= 0)
        return Narrow(NamedSymbolTable[named].name);
    if (code >= kFirstRegistryCode && code <= kLastRegistryCode)
        return Narrow(SymbolName(code));
    return "%" + std::to_string(code);
}

std::string KindName(int32_t kind)
{
    for (const SymbolKind& symbol : SymbolKinds)
        if (kind == symbol.kind)
            return symbol.text;
    const NodeKindEntry* entry = NodeKindEntryOf(kind);
    if (entry && entry->name)
        return Narrow(entry->name);
    return "#" + std::to_string(kind);
}

}  // namespace

FormulaNode* ParseTree(const char* text)
{
    Reader reader{text};
    FormulaNode* node = reader.Node();
    reader.SkipSpaces();
    if (node && *reader.p) {
        FreeTree(node);
        return nullptr;
    }
    return node;
}

std::string TreeText(const FormulaNode* node)
{
    switch (node->kind) {
    case KindNumber: {
        double value = node->payload.number->value;
        if (std::isnan(value))
            return "nan";
        char buffer[32];
        auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
        return std::string(buffer, result.ptr);
    }
    case KindVariable:
        return VariableText(node->payload.code);
    case KindBoundVariable:
        return "?" + std::to_string(node->payload.code);
    case KindText:
        return "\"" + Narrow(node->Text()) + "\"";
    default:
        break;
    }
    std::string out = "(" + KindName(node->kind);
    for (uint32_t i = 0; i < node->childCount; ++i)
        out += " " + TreeText(node->children[i]);
    return out + ")";
}
