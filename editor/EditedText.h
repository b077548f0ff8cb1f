// The string the caret moves in when it is inside an atom: a text node's
// text, a number's typed text or a multi-letter variable's name, with steps
// that keep surrogate pairs whole and positions clamped to the string.
#pragma once

#include <cstdint>
#include <string>

struct FormulaNode;

class EditedText {
public:
    explicit EditedText(const FormulaNode* node);

    int32_t Length() const { return static_cast<int32_t>(text_.size()); }
    const std::u16string& Text() const { return text_; }
    // One character to the right or left of p (a surrogate pair is one),
    // never past either end.
    int32_t StepRight(int32_t p) const;
    int32_t StepLeft(int32_t p) const;
    int32_t Clamp(int32_t p) const;
    // A variable with a registry name (code 256 and up).
    bool IsName() const { return isName_; }
    // Such a name beginning with a backslash: a command name being typed.
    bool IsCommandName() const { return isName_ && !text_.empty() && text_[0] == u'\\'; }

private:
    std::u16string text_;
    bool isName_ = false;
};

// A number's typed text, or its value written out when it has none.
std::u16string TypedNumberText(const FormulaNode* number);
// A number's typed text becomes the text (cut to the field) and its value is
// read from it again.
void SetNumberText(FormulaNode* number, const std::u16string& text);
// A text node's string becomes the text; false when memory ran out (the
// node is unchanged).
bool SetTextNodeText(FormulaNode* node, const std::u16string& text);
// The UTF-16 form of a code point.
std::u16string CodePointText(uint32_t codePoint);
