// Whole-tree operations on a wide sum (16,384 terms a*x) and on a balanced
// tree: the walks that keep child positions against the same work done with
// the parent-link steps (which search each parent's array for the next
// sibling) and against plain recursive versions.
#include "formula/CopyTree.h"
#include "formula/FormulaEngine.h"
#include "formula/FormulaNode.h"
#include "formula/NodeKindTable.h"
#include "formula/NodePoolSet.h"
#include "formula/TreeEquality.h"
#include "formula/TreeWalk.h"

#include <benchmark/benchmark.h>

#include <cstring>

namespace {

FormulaNode* Attach(FormulaNode* parent, uint32_t i, FormulaNode* child)
{
    parent->children[i] = child;
    child->parent = parent;
    return child;
}

FormulaNode* Term(uint32_t i)
{
    FormulaNode* product = MakeNode(KindProduct, 2);
    Attach(product, 0, MakeNumberNode(i));
    Attach(product, 1, MakeVariableNode('x'));
    return product;
}

FormulaNode* WideSum(uint32_t terms)
{
    FormulaNode* root = MakeNode(KindSum, terms);
    for (uint32_t i = 0; i < terms; ++i)
        Attach(root, i, Term(i));
    return root;
}

// Sums of two down to the given depth, with terms at the leaves.
FormulaNode* Balanced(uint32_t depth)
{
    if (depth == 0)
        return Term(depth);
    FormulaNode* node = MakeNode(KindSum, 2);
    Attach(node, 0, Balanced(depth - 1));
    Attach(node, 1, Balanced(depth - 1));
    return node;
}

FormulaNode* Shape(benchmark::State& state)
{
    InitFormulaEngine();
    return state.range(0) ? WideSum(16384) : Balanced(14);
}

// The copy's node for the source's content; with fresh zeroed children when
// the copy is grown one level ahead.
void CopyContent(const FormulaNode* source, FormulaNode* copy, bool zeroedChildren = true)
{
    copy->kind = source->kind;
    copy->payload = source->payload;
    if (source->kind == KindNumber) {
        copy->payload.number = static_cast<NumberPayload*>((*CurrentNodePoolSet())[kNumberPayloadPool].Allocate());
        std::memcpy(copy->payload.number, source->payload.number, sizeof(NumberPayload));
        return;
    }
    if (source->childCount == 0)
        return;
    copy->children = AllocChildArray(source->childCount);
    copy->childCount = source->childCount;
    for (uint32_t i = 0; zeroedChildren && i < source->childCount; ++i) {
        copy->children[i] = AllocZeroedNode();
        copy->children[i]->parent = copy;
    }
}

// The copy as the parent-link steps make it.
FormulaNode* CopyBySteps(FormulaNode* root)
{
    FormulaNode* copyRoot = AllocZeroedNode();
    FormulaNode* last = LastInPreorder(root);
    for (FormulaNode *source = root, *copy = copyRoot;;) {
        CopyContent(source, copy);
        if (source == last)
            return copyRoot;
        source = NextInPreorder(source);
        copy = NextInPreorder(copy);
    }
}

FormulaNode* CopyRecursively(const FormulaNode* source)
{
    FormulaNode* copy = AllocZeroedNode();
    CopyContent(source, copy, false);
    for (uint32_t i = 0; i < source->childCount; ++i)
        Attach(copy, i, CopyRecursively(source->children[i]));
    return copy;
}

void FreeRecursively(FormulaNode* node)
{
    for (uint32_t i = 0; i < node->childCount; ++i)
        FreeRecursively(node->children[i]);
    FreeNode(node);
}

bool EqualRecursively(const FormulaNode* a, const FormulaNode* b)
{
    if (a->kind != b->kind || a->childCount != b->childCount)
        return false;
    if (a->kind == KindNumber)
        return a->payload.number->value == b->payload.number->value;
    if (a->kind == KindVariable && a->payload.code != b->payload.code)
        return false;
    for (uint32_t i = 0; i < a->childCount; ++i) {
        if (!EqualRecursively(a->children[i], b->children[i]))
            return false;
    }
    return true;
}

template <typename Copy, typename Free>
void CopyAndFree(benchmark::State& state, Copy copy, Free free)
{
    FormulaNode* root = Shape(state);
    for (auto _ : state) {
        FormulaNode* duplicate = copy(root);
        free(duplicate);
        FlushNodePools();
    }
    FreeTree(root);
    FlushNodePools();
}

void CopyTreeAndFree(benchmark::State& state)
{
    CopyAndFree(state, CopyTree, FreeTree);
}

void CopyByStepsAndFree(benchmark::State& state)
{
    CopyAndFree(state, CopyBySteps, FreeTree);
}

void CopyRecursivelyAndFree(benchmark::State& state)
{
    CopyAndFree(state, CopyRecursively, FreeRecursively);
}

template <typename Equal>
void Compare(benchmark::State& state, Equal equal)
{
    FormulaNode* root = Shape(state);
    FormulaNode* copy = CopyTree(root);
    for (auto _ : state)
        benchmark::DoNotOptimize(equal(root, copy));
    FreeTree(root);
    FreeTree(copy);
    FlushNodePools();
}

void TreesEqualWalk(benchmark::State& state)
{
    Compare(state, TreesEqual);
}

void TreesEqualRecursive(benchmark::State& state)
{
    Compare(state, EqualRecursively);
}

}  // namespace

// Argument 1: the wide sum; 0: the balanced tree.
BENCHMARK(CopyTreeAndFree)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);
BENCHMARK(CopyByStepsAndFree)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);
BENCHMARK(CopyRecursivelyAndFree)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);
BENCHMARK(TreesEqualWalk)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);
BENCHMARK(TreesEqualRecursive)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);
