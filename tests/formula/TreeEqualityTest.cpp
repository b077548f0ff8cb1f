#include "formula/CopyTree.h"
#include "formula/FormulaNode.h"
#include "formula/NodeBuilders.h"
#include "formula/NodeKindTable.h"
#include "formula/TreeEquality.h"
#include "support/TreeFixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace {

using TreeEqualityTest = TreeTest;

FormulaNode* Bound(uint32_t code)
{
    FormulaNode* node = MakeNode(KindBoundVariable, 0);
    node->payload.code = code;
    return node;
}

FormulaNode* Typed(double value, const char16_t* text)
{
    FormulaNode* node = Num(value);
    std::memcpy(node->payload.number->text, text, (std::char_traits<char16_t>::length(text) + 1) * 2);
    return node;
}

struct EqualityCase {
    const char* what;
    FormulaNode* a;
    FormulaNode* b;
    bool equal;
};

TEST_F(TreeEqualityTest, ComparesWhatMakesTreesDifferent)
{
    FormulaNode* sample = Node(KindSum, {MakeSin(Var('x')), Txt(u"note"), Matrix(2, 1, {Num(1), Bound('k')})});
    const EqualityCase cases[] = {
        {"a tree and its copy", sample, CopyTree(sample), true},
        {"numbers by value, not typed text", Typed(2, u"2.0"), Typed(2, u"2"), true},
        {"NaN numbers", Num(NAN), Num(NAN), false},
        {"a copy holding NaN", MakeSum(Var('x'), Num(NAN)), MakeSum(Var('x'), Num(NAN)), false},
        {"child count", Node(KindSum, {Var('a'), Var('b')}), Node(KindSum, {Var('a'), Var('b'), Var('c')}), false},
        {"kind", MakeSin(Var('x')), MakeCos(Var('x')), false},
        {"variable code", Var('x'), Var('y'), false},
        {"bound and free variable", Bound('x'), Var('x'), false},
        {"texts", Txt(u"ab"), Txt(u"ac"), false},
        {"row and column of the same cells", Matrix(1, 3, {Num(1), Num(2), Num(3)}),
         Matrix(3, 1, {Num(1), Num(2), Num(3)}), false},
        {"same matrices", Matrix(1, 2, {Num(1), Var('a')}), Matrix(1, 2, {Num(1), Var('a')}), true},
        {"subscript form", MakeSubscript(Var('x'), Num(1)), Node(KindSubscript, {Var('x'), Num(1)}), false},
        {"deep difference", MakeSum(Var('a'), MakeSin(MakeProduct(Num(2), Var('b')))),
         MakeSum(Var('a'), MakeSin(MakeProduct(Num(2), Var('c')))), false},
    };
    for (const EqualityCase& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(TreesEqual(c.a, c.b), c.equal);
        EXPECT_EQ(TreesEqual(c.b, c.a), c.equal);
        if (c.a != sample)
            FreeTree(c.a);
        FreeTree(c.b);
    }
    EXPECT_FALSE(TreesEqual(sample, nullptr));
    EXPECT_FALSE(TreesEqual(nullptr, nullptr));
    FreeTree(sample);
}

}  // namespace
