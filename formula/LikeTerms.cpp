#include "formula/LikeTerms.h"

#include "CoreUtilities/MemoryBudget.h"
#include "formula/CopyTree.h"
#include "formula/FormulaNode.h"
#include "formula/NodeKindTable.h"
#include "formula/NumberNodes.h"
#include "formula/Simplifier.h"
#include "formula/SimplifierSwitches.h"
#include "formula/TreeEquality.h"
#include "formula/TreeQuery.h"
#include "formula/TreeRewrite.h"
#include "formula/TreeSplice.h"
#include "formula/TreeWalk.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>
#include <vector>

namespace {

bool IsSign(const FormulaNode* node)
{
    return node->kind == KindMinus && node->childCount == 1;
}

const FormulaNode* WithoutSign(const FormulaNode* node)
{
    return IsSign(node) ? node->children[0] : node;
}

// Equal trees without a matrix; the root kinds are compared first, since
// most pairs of a long sum differ there.
bool SameShape(const FormulaNode* a, const FormulaNode* b)
{
    return a->kind == b->kind && a->childCount == b->childCount && TreesEqual(a, b) && !ContainsMatrix(a);
}

// The number a term counts: a leading number, negated under a minus; -1 for
// another minus; else 1.
double Coefficient(const FormulaNode* term)
{
    const FormulaNode* inner = WithoutSign(term);
    double value = IsLedByNumber(inner) ? NumberValue(inner->children[0]) : 1;
    return IsSign(term) ? -value : value;
}

}  // namespace

bool AreLikeTerms(const FormulaNode* t, const FormulaNode* u)
{
    t = WithoutSign(t);
    u = WithoutSign(u);
    bool tProduct = t->kind == KindProduct;
    bool uProduct = u->kind == KindProduct;
    if (tProduct && uProduct) {
        uint32_t ts = IsLedByNumber(t) ? 1 : 0;
        uint32_t us = IsLedByNumber(u) ? 1 : 0;
        if (t->childCount - ts != u->childCount - us)
            return false;
        for (uint32_t k = 0; k + ts < t->childCount; ++k) {
            if (!SameShape(t->children[ts + k], u->children[us + k]))
                return false;
        }
        return true;
    }
    if (tProduct || uProduct) {
        const FormulaNode* product = tProduct ? t : u;
        const FormulaNode* other = tProduct ? u : t;
        return product->childCount == 2 && IsNumberNode(product->children[0]) &&
            SameShape(product->children[1], other);
    }
    return SameShape(t, u);
}

namespace {

// The term takes the other's coefficient into its own.
void AddCoefficient(const FormulaNode* other, FormulaNode* term)
{
    double b = Coefficient(other);
    FormulaNode* inner = IsSign(term) ? term->children[0] : term;
    if (IsLedByNumber(inner)) {
        FormulaNode* c = inner->children[0];
        SetNumberValue(c, inner == term ? NumberValue(c) + b : NumberValue(c) - b);
    } else {
        PrependFactor(inner, MakeNumberNode(inner == term ? b + 1 : 1 - b));
    }
    NormalizeChildrenAndNode(term);
}

}  // namespace

void MergeLikeTerms(FormulaNode* sum, uint32_t i, uint32_t j)
{
    AddCoefficient(sum->children[i], sum->children[j]);
    DeleteOperand(sum, i);
}

namespace {

uint64_t Mix(uint64_t h, uint64_t v)
{
    h ^= v + 0x9E3779B97F4A7C15ull + (h << 6) + (h >> 2);
    return h;
}

// Equal trees (TreesEqual) hash alike.
uint64_t ShapeHash(const FormulaNode* root)
{
    uint64_t h = 0;
    for (PreorderWalk walk(const_cast<FormulaNode*>(root)); walk.Node(); walk.Next()) {
        const FormulaNode* node = walk.Node();
        h = Mix(h, static_cast<uint64_t>(node->kind) << 16 | node->childCount);
        if (node->kind == KindNumber && node->childCount == 0 && node->payload.number) {
            double value = node->payload.number->value;
            uint64_t bits = 0;
            if (value != 0)  // -0 equals 0
                std::memcpy(&bits, &value, sizeof bits);
            h = Mix(h, bits);
        } else if (node->kind == KindVariable || node->kind == KindBoundVariable) {
            h = Mix(h, node->payload.code);
        }
    }
    return h;
}

// Like terms (AreLikeTerms) hash alike: the term without its sign and
// leading number; a single factor left hashes as that factor alone.
uint64_t LikeHash(const FormulaNode* term)
{
    const FormulaNode* t = WithoutSign(term);
    if (t->kind != KindProduct)
        return ShapeHash(t);
    uint32_t first = IsLedByNumber(t) ? 1 : 0;
    if (t->childCount - first == 1)
        return ShapeHash(t->children[first]);
    uint64_t h = 0x51ED;
    for (uint32_t k = first; k < t->childCount; ++k)
        h = Mix(h, ShapeHash(t->children[k]));
    return h;
}

// Takes the terms marked gone out of the sum, keeping the order of the rest.
// When the shorter array cannot be had the gone terms stay (the abort flag
// is up and the work is thrown away).
void RemoveGoneTerms(FormulaNode* sum, const std::vector<bool>& gone)
{
    uint32_t count = sum->childCount;
    std::vector<FormulaNode*> dead;
    uint32_t kept = 0;
    for (uint32_t k = 0; k < count; ++k) {
        FormulaNode* term = sum->children[k];
        if (gone[k])
            dead.push_back(term);
        else
            sum->children[kept++] = term;
    }
    if (dead.empty())
        return;
    for (size_t k = 0; k < dead.size(); ++k)
        sum->children[kept + k] = dead[k];
    if (kept > 3 && count > 3)
        sum->childCount = static_cast<uint16_t>(kept);  // both arrays from the heap
    else if (!ResizeChildArray(sum, kept))
        return;
    for (FormulaNode* term : dead)
        FreeTree(term);
    if (sum->childCount == 1)
        CollapseToFirstChild(sum);
}

}  // namespace

// Each term merges into the next term like it, as a pairwise search would,
// but the search looks only at the terms of the same hash, and the merged
// terms leave the sum together at the end.
void CollectLikeTerms(FormulaNode* sum)
{
    uint32_t count = sum->childCount;
    std::vector<uint64_t> hashes(count);
    std::unordered_map<uint64_t, std::vector<uint32_t>> byHash;
    for (uint32_t k = 0; k < count; ++k) {
        hashes[k] = LikeHash(sum->children[k]);
        byHash[hashes[k]].push_back(k);
    }
    std::vector<bool> gone(count, false);
    for (uint32_t i = 0; i + 1u < count; ++i) {
        if (gone[i])
            continue;
        const std::vector<uint32_t>& candidates = byHash[hashes[i]];
        uint32_t j = count;
        for (auto at = std::upper_bound(candidates.begin(), candidates.end(), i); at != candidates.end(); ++at) {
            if (!gone[*at] && AreLikeTerms(sum->children[*at], sum->children[i])) {
                j = *at;
                break;
            }
        }
        if (j == count)
            continue;
        AddCoefficient(sum->children[i], sum->children[j]);
        gone[i] = true;
        // The merged term may have changed its shape (a zero coefficient).
        uint64_t now = LikeHash(sum->children[j]);
        if (now != hashes[j]) {
            hashes[j] = now;
            std::vector<uint32_t>& list = byHash[now];
            list.insert(std::upper_bound(list.begin(), list.end(), j), j);
        }
        if (ShouldAbortComputation())
            break;
    }
    RemoveGoneTerms(sum, gone);
    if (sum->kind != KindSum)
        return;
    SwitchSetting collecting(CollectLikeTermsFlag, 0);
    NormalizeNode(sum);
}
