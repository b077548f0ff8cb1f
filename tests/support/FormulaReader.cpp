#include "support/FormulaReader.h"

#include "formula/CopyTree.h"
#include "formula/FormulaNode.h"
#include "formula/NameRegistry.h"
#include "formula/NamedSymbolTable.h"
#include "formula/NodeKindTable.h"
#include "support/LinearText.h"
#include "support/TreeFixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <charconv>
#include <string>
#include <vector>

namespace {

class Reader {
public:
    // A reader that reports a text it cannot read as a test failure.
    Reader(const char* text, bool reports) : text_(text), at_(text), reports_(reports) {}

    FormulaNode* Whole()
    {
        FormulaNode* tree = List();
        Blanks();
        if (tree && *at_)
            Fail("text after the formula");
        if (!failed_)
            return tree;
        // The pieces already linked are freed one by one, not as trees.
        for (FormulaNode* node : made_)
            FreeNode(node);
        return nullptr;
    }

private:
    FormulaNode* Fail(const char* why)
    {
        if (!failed_ && reports_)
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

    FormulaNode* Own(FormulaNode* node)
    {
        made_.push_back(node);
        return node;
    }

    void Drop(FormulaNode* node)
    {
        std::erase(made_, node);
        FreeNode(node);
    }

    FormulaNode* Make(int32_t kind, const std::vector<FormulaNode*>& children)
    {
        if (std::find(children.begin(), children.end(), nullptr) != children.end())
            return nullptr;
        FormulaNode* node = MakeNode(kind, static_cast<uint32_t>(children.size()));
        if (!node)
            return Fail("too many operands");
        Own(node);
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
        // Every nesting passes here; deeper text would outgrow the stack.
        if (depth_ > kMaxDepth)
            return Fail("nested too deeply");
        struct Level {
            int& depth;
            explicit Level(int& d) : depth(++d) {}
            ~Level() { --depth; }
        } level(depth_);
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
        return Own(Num(negative ? -value : value));
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
                    if (items.size() < 2 || items[0]->kind != KindNumber || items[1]->kind != KindNumber)
                        return Fail("matrix(rows,columns,cells) expected");
                    double r = items[0]->payload.number->value;
                    double c = items[1]->payload.number->value;
                    if (!(r >= 1 && c >= 1 && r * c == static_cast<double>(items.size() - 2)))
                        return Fail("rows x columns cells expected");
                    rows = static_cast<int16_t>(r);
                    columns = static_cast<int16_t>(c);
                    Drop(items[0]);
                    Drop(items[1]);
                    items.erase(items.begin(), items.begin() + 2);
                }
                FormulaNode* node = Make(KindMatrix, items);
                if (!node)
                    return nullptr;
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
            return Own(Num(name == "NaN" ? NAN : INFINITY));
        uint32_t code = SymbolCodeFromName8(name.c_str());
        return code ? Own(Var(code)) : Fail("unknown name");
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
            return Own(Txt(text.c_str()));
        }
        if (c == '\'') {
            std::string name;
            for (++at_; *at_ && *at_ != '\''; ++at_)
                name += *at_;
            if (!*at_)
                return Fail("unended name");
            ++at_;
            return Own(Var(InternSymbolName8(name.c_str())));
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
                return Own(Var(number));
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
    bool reports_;
    bool failed_ = false;
    // Every node made, for freeing them when the text turns out unreadable.
    std::vector<FormulaNode*> made_;
    static constexpr int kMaxDepth = 200;
    int depth_ = 0;
};

}  // namespace

FormulaNode* ReadFormula(const char* text)
{
    return Reader(text, true).Whole();
}

FormulaNode* ReadFormulaQuietly(const char* text)
{
    return Reader(text, false).Whole();
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
