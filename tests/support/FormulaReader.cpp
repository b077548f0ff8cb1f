#include "support/FormulaReader.h"

#include "formula/CopyTree.h"
#include "formula/FormulaNode.h"
#include "formula/NameRegistry.h"
#include "formula/NamedSymbolTable.h"
#include "formula/NodeKindTable.h"
#include "support/LinearText.h"
#include "support/TreeFixture.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <charconv>
#include <string>
#include <vector>

namespace {

class Reader {
public:
    explicit Reader(const char* text) : text_(text), at_(text) {}

    FormulaNode* Whole()
    {
        FormulaNode* tree = List();
        Blanks();
        if (tree && *at_)
            return Fail("text after the formula");
        return tree;
    }

private:
    FormulaNode* Fail(const char* why)
    {
        if (!failed_)
            ADD_FAILURE() << "cannot read \"" << text_ << "\" at " << (at_ - text_) << ": " << why;
        failed_ = true;
        return nullptr;
    }

    void Blanks()
    {
        while (*at_ == ' ')
            ++at_;
    }

    bool Take(char c)
    {
        Blanks();
        if (*at_ != c)
            return false;
        ++at_;
        return true;
    }

    static FormulaNode* Make(int32_t kind, const std::vector<FormulaNode*>& children)
    {
        FormulaNode* node = MakeNode(kind, static_cast<uint32_t>(children.size()));
        for (size_t i = 0; i < children.size(); ++i) {
            node->children[i] = children[i];
            children[i]->parent = node;
        }
        return node;
    }

    // Operands joined by one operator character make one node of the kind.
    template <typename Next>
    FormulaNode* Row(int32_t kind, char op, Next next)
    {
        std::vector<FormulaNode*> items{(this->*next)()};
        while (items.back() && Take(op))
            items.push_back((this->*next)());
        if (!items.back())
            return nullptr;
        return items.size() == 1 ? items[0] : Make(kind, items);
    }

    FormulaNode* List() { return Row(KindComma, ',', &Reader::Relation); }

    FormulaNode* Relation()
    {
        FormulaNode* left = Row(KindEquation, '=', &Reader::Sum);
        for (int32_t kind : {KindLess, KindGreater}) {
            if (left && Take(kind == KindLess ? '<' : '>')) {
                FormulaNode* right = Sum();
                return right ? Make(kind, {left, right}) : nullptr;
            }
        }
        return left;
    }

    FormulaNode* Sum()
    {
        std::vector<FormulaNode*> terms{Term()};
        for (;;) {
            if (!terms.back())
                return nullptr;
            if (Take('+')) {
                terms.push_back(Term());
            } else if (Take('-')) {
                FormulaNode* term = Term();
                terms.push_back(term ? Make(KindMinus, {term}) : nullptr);
            } else {
                break;
            }
        }
        return terms.size() == 1 ? terms[0] : Make(KindSum, terms);
    }

    FormulaNode* Term()
    {
        FormulaNode* left = Unary();
        std::vector<FormulaNode*> factors{left};
        for (;;) {
            if (!factors.back())
                return nullptr;
            if (Take('*')) {
                factors.push_back(Unary());
            } else if (Take('/')) {
                FormulaNode* numerator = factors.size() == 1 ? factors[0] : Make(KindProduct, factors);
                FormulaNode* denominator = Unary();
                if (!denominator)
                    return nullptr;
                factors = {Make(KindFraction, {numerator, denominator})};
            } else {
                break;
            }
        }
        return factors.size() == 1 ? factors[0] : Make(KindProduct, factors);
    }

    FormulaNode* Unary()
    {
        if (Take('-')) {
            FormulaNode* operand = Unary();
            return operand ? Make(KindMinus, {operand}) : nullptr;
        }
        return Power();
    }

    FormulaNode* Power()
    {
        FormulaNode* base = Postfix();
        if (base && Take('^')) {
            FormulaNode* exponent = Unary();
            return exponent ? Make(KindPower, {base, exponent}) : nullptr;
        }
        return base;
    }

    FormulaNode* Postfix()
    {
        FormulaNode* node = Atom();
        while (node) {
            if (Take('!'))
                node = Make(KindFact, {node});
            else if (Take('\''))
                node = Make(KindPrime, {node});
            else if (Take('_')) {
                FormulaNode* index = Atom();
                node = index ? Make(KindSubscript, {node, index}) : nullptr;
                if (node)
                    node->payload.pair = {0, 1};
            } else
                break;
        }
        return node;
    }

    // Arguments after the opening bracket, up to the closing one.
    bool Arguments(std::vector<FormulaNode*>& items)
    {
        if (Take(')'))
            return true;
        do {
            items.push_back(Relation());
            if (!items.back())
                return false;
        } while (Take(','));
        return Take(')') || Fail("')' expected");
    }

    FormulaNode* Number(bool negative)
    {
        const char* start = at_;
        while (std::isdigit(static_cast<unsigned char>(*at_)) || *at_ == '.')
            ++at_;
        if ((*at_ == 'e' || *at_ == 'E') &&
            (std::isdigit(static_cast<unsigned char>(at_[1])) ||
                ((at_[1] == '-' || at_[1] == '+') && std::isdigit(static_cast<unsigned char>(at_[2]))))) {
            at_ += 2;
            while (std::isdigit(static_cast<unsigned char>(*at_)))
                ++at_;
        }
        double value = 0;
        auto [end, error] = std::from_chars(start, at_, value);
        if (error != std::errc() || end != at_)
            return Fail("bad number");
        return Num(negative ? -value : value);
    }

    FormulaNode* Named(const std::string& name)
    {
        std::vector<FormulaNode*> items;
        if (Take('(')) {
            if (!Arguments(items))
                return nullptr;
            if (name == "vector" || name == "matrix") {
                bool vector = name == "vector";
                int16_t rows = static_cast<int16_t>(items.size());
                int16_t columns = 1;
                if (!vector) {
                    if (items.size() < 2)
                        return Fail("matrix(rows,columns,cells) expected");
                    rows = static_cast<int16_t>(items[0]->payload.number->value);
                    columns = static_cast<int16_t>(items[1]->payload.number->value);
                    FreeNode(items[0]);
                    FreeNode(items[1]);
                    items.erase(items.begin(), items.begin() + 2);
                }
                FormulaNode* node = Make(KindMatrix, items);
                node->payload.pair = {rows, columns};
                return node;
            }
            int32_t kind = KindFromName8(name.c_str());
            if (!kind)
                return Fail("unknown function");
            // The named functions of a list of arguments take it as one comma list.
            if (kind >= KindMod && kind <= KindSup && items.size() > 1)
                items = {Make(KindComma, items)};
            return Make(kind, items);
        }
        if (name == "NaN" || name == "Infinity")
            return Num(name == "NaN" ? NAN : INFINITY);
        uint32_t code = SymbolCodeFromName8(name.c_str());
        return code ? Var(code) : Fail("unknown name");
    }

    FormulaNode* Atom()
    {
        Blanks();
        char c = *at_;
        if (std::isdigit(static_cast<unsigned char>(c)) || c == '.')
            return Number(false);
        if (c == '~') {
            ++at_;
            return Number(true);
        }
        if (c == '(') {
            ++at_;
            FormulaNode* inner = List();
            return inner && (Take(')') || Fail("')' expected")) ? inner : nullptr;
        }
        if (c == '[') {
            ++at_;
            FormulaNode* inner = List();
            return inner && (Take(']') || Fail("']' expected")) ? Make(KindParentheses, {inner}) : nullptr;
        }
        if (c == '"') {
            std::u16string text;
            for (++at_; *at_ && *at_ != '"'; ++at_)
                text += static_cast<char16_t>(*at_);
            if (!*at_)
                return Fail("unended text");
            ++at_;
            return Txt(text.c_str());
        }
        if (c == '\'') {
            std::string name;
            for (++at_; *at_ && *at_ != '\''; ++at_)
                name += *at_;
            if (!*at_)
                return Fail("unended name");
            ++at_;
            return Var(InternSymbolName8(name.c_str()));
        }
        if (c == '#') {
            ++at_;
            uint32_t number = 0;
            auto [end, error] = std::from_chars(at_, at_ + std::char_traits<char>::length(at_), number);
            if (error != std::errc())
                return Fail("bad code");
            at_ = end;
            std::vector<FormulaNode*> items;
            if (!Take('('))
                return Var(number);
            return Arguments(items) ? Make(static_cast<int32_t>(number), items) : nullptr;
        }
        if (std::isalpha(static_cast<unsigned char>(c))) {
            std::string name;
            while (std::isalpha(static_cast<unsigned char>(*at_)))
                name += *at_++;
            return Named(name);
        }
        return Fail("unexpected character");
    }

    const char* text_;
    const char* at_;
    bool failed_ = false;
};

}  // namespace

FormulaNode* ReadFormula(const char* text)
{
    return Reader(text).Whole();
}

std::string TextAfter(const char* text, const std::function<void(FormulaNode*)>& operation)
{
    FormulaNode* tree = ReadFormula(text);
    if (!tree)
        return "unreadable";
    operation(tree);
    EXPECT_TRUE(IsConsistent(tree)) << text;
    std::string written = LinearText(tree);
    FreeTree(tree);
    return written;
}
