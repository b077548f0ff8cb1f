#include "support/RandomFormula.h"

#include "formula/FormulaNode.h"
#include "formula/NodeKindTable.h"
#include "support/TreeFixture.h"

#include <algorithm>

FormulaNode* RandomFormula::Any(int depth)
{
    switch (Pick(depth > 0 ? 11 : 2)) {
    case 0: return Var("xyz"[Pick(3)]);
    case 1: return Num(Pick(5));
    case 2: return Node(KindSum, {Any(depth - 1), Any(depth - 1)});
    case 3: return Node(KindSum, {Any(depth - 1), Node(KindMinus, {Any(depth - 1)})});
    case 4: return Node(KindProduct, {Any(depth - 1), Any(depth - 1), Any(depth - 1)});
    case 5: return Node(KindProduct, {Any(depth - 1), Any(depth - 1)});
    case 6: return Node(KindFraction, {Any(depth - 1), NonZero(depth - 1)});
    case 7: return Node(KindPower, {Any(depth - 1), Num(Pick(6) - 2)});
    case 8: return Node(KindPower, {Positive(depth - 1), Node(KindFraction, {Num(1 + Pick(3)), Num(2 + Pick(2))})});
    case 9: return Node(Pick(2) ? KindSin : KindCos, {Any(std::min(depth - 1, 1))});
    default: return Node(Pick(2) ? KindSqrt : KindLn, {Positive(depth - 1)});
    }
}

int RandomFormula::Pick(int n)
{
    return std::uniform_int_distribution<int>(0, n - 1)(random_);
}

FormulaNode* RandomFormula::NonZero(int depth)
{
    FormulaNode* node = Any(depth);
    if (node->kind == KindNumber && node->payload.number->value == 0)
        node->payload.number->value = 3;
    return node;
}

FormulaNode* RandomFormula::Positive(int depth)
{
    switch (depth > 0 ? Pick(5) : Pick(2)) {
    case 0: return Var("xyz"[Pick(3)]);
    case 1: return Num(1 + Pick(4));
    case 2: return Node(KindSum, {Positive(depth - 1), Positive(depth - 1)});
    case 3: return Node(KindProduct, {Positive(depth - 1), Positive(depth - 1)});
    default: return Node(KindExp, {Any(depth - 1)});
    }
}
