#include "editor/EditedText.h"

#include "CoreUtilities/WideString.h"
#include "editor/TypesetAtoms.h"
#include "formula/EditorState.h"
#include "formula/FormulaNode.h"
#include "formula/NameRegistry.h"
#include "formula/NodeKindTable.h"
#include "platform/NumberText.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {

bool IsHighSurrogate(char16_t unit)
{
    return unit >= 0xD800 && unit <= 0xDBFF;
}

bool IsLowSurrogate(char16_t unit)
{
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

}  // namespace

EditedText::EditedText(const FormulaNode* node)
{
    if (!node)
        return;
    if (node->kind == KindText) {
        if (node->Text())
            text_ = node->Text();
    } else if (node->kind == KindNumber) {
        text_ = TypedNumberText(node);
    } else if (IsCommandNameVariable(node) || (node->kind == KindVariable && (node->payload.code & 0xFFFF) >= kFirstRegistryCode)) {
        if (const char16_t* name = SymbolName(node->payload.code))
            text_ = name;
        isName_ = true;
    }
}

int32_t EditedText::Clamp(int32_t p) const
{
    return std::clamp(p, 0, Length());
}

int32_t EditedText::StepRight(int32_t p) const
{
    p = Clamp(p);
    if (p >= Length())
        return p;
    if (IsHighSurrogate(text_[p]) && p + 1 < Length() && IsLowSurrogate(text_[p + 1]))
        return p + 2;
    return p + 1;
}

int32_t EditedText::StepLeft(int32_t p) const
{
    p = Clamp(p);
    if (p <= 0)
        return 0;
    if (p >= 2 && IsLowSurrogate(text_[p - 1]) && IsHighSurrogate(text_[p - 2]))
        return p - 2;
    return p - 1;
}

std::u16string TypedNumberText(const FormulaNode* number)
{
    std::u16string text = NumberText(number);
    if (text.empty() && number->payload.number) {
        char16_t buffer[kNumberTextUnits] = {};
        FormatNumberText(number->payload.number->value, buffer);
        text = buffer;
    }
    return text;
}

void SetNumberText(FormulaNode* number, const std::u16string& text)
{
    NumberPayload* payload = number->payload.number;
    if (!payload)
        return;
    size_t length = std::min<size_t>(text.size(), kTypedNumberUnits - 1);
    std::memcpy(payload->text, text.data(), length * sizeof(char16_t));
    std::fill(payload->text + length, payload->text + kTypedNumberUnits, u'\0');
    payload->value = ParseNumberText(payload->text);
}

bool SetTextNodeText(FormulaNode* node, const std::u16string& text)
{
    char16_t* copy = WideDuplicateN(text.c_str(), text.size());
    if (!copy)
        return false;
    std::free(node->children);
    node->children = reinterpret_cast<FormulaNode**>(copy);
    return true;
}

std::u16string CodePointText(uint32_t codePoint)
{
    if (codePoint > 0xFFFF && codePoint <= 0x10FFFF) {
        codePoint -= 0x10000;
        return {static_cast<char16_t>(0xD800 + (codePoint >> 10)), static_cast<char16_t>(0xDC00 + (codePoint & 0x3FF))};
    }
    return std::u16string(1, static_cast<char16_t>(codePoint));
}
