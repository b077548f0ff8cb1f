#include "support/TreeFixture.h"

#include "CoreUtilities/FailureRegister.h"
#include "CoreUtilities/MemoryBudget.h"
#include "CoreUtilities/WideString.h"
#include "formula/FormulaEngine.h"
#include "formula/FormulaNode.h"
#include "formula/NodeKindTable.h"
#include "formula/NodePoolSet.h"
#include "formula/TreeWalk.h"

#include <pthread.h>

#include <cstdio>

namespace {

struct ShortName {
    int32_t kind;
    const char* name;
};

constexpr ShortName kShortNames[] = {
    {KindSum, "+"},         {KindProduct, "*"},  {KindMinus, "-"},    {KindPower, "^"},
    {KindFraction, "/"},    {KindEquation, "="}, {KindComma, ","},    {KindParentheses, "()"},
    {KindApplication, "f"}, {KindLess, "<"},     {KindSubscript, "_"}, {KindPrime, "'"},
};

std::string KindName(int32_t kind)
{
    for (const ShortName& entry : kShortNames) {
        if (entry.kind == kind)
            return entry.name;
    }
    const NodeKindEntry* entry = NodeKindEntryOf(kind);
    if (entry && entry->name) {
        std::string name;
        for (const char16_t* unit = entry->name; *unit; ++unit)
            name += static_cast<char>(*unit);
        return name;
    }
    return std::to_string(kind);
}

}  // namespace

FormulaNode* Num(double value)
{
    return MakeNumberNode(value);
}

FormulaNode* Var(uint32_t code)
{
    return MakeVariableNode(code);
}

FormulaNode* Txt(const char16_t* text)
{
    FormulaNode* node = MakeNode(KindText, 0);
    node->children = reinterpret_cast<FormulaNode**>(WideDuplicateN(text, WideLength(text)));
    return node;
}

FormulaNode* Node(int32_t kind, std::initializer_list<FormulaNode*> children)
{
    FormulaNode* node = MakeNode(kind, static_cast<uint32_t>(children.size()));
    uint32_t i = 0;
    for (FormulaNode* child : children) {
        child->parent = node;
        node->children[i++] = child;
    }
    return node;
}

FormulaNode* Matrix(int16_t rows, int16_t columns, std::initializer_list<FormulaNode*> cells)
{
    FormulaNode* node = Node(KindMatrix, cells);
    node->payload.pair = {rows, columns};
    return node;
}

FormulaNode* BigOperator(int32_t kind, FormulaNode* body, uint32_t index, double from, double to)
{
    return Node(kind, {body, Node(KindEquation, {Var(index), Num(from)}), Num(to)});
}

FormulaNode* Chain(int32_t kind, uint32_t depth)
{
    FormulaNode* tree = Var('x');
    for (uint32_t i = 0; i < depth; ++i)
        tree = Node(kind, {tree});
    return tree;
}

std::string Describe(const FormulaNode* node)
{
    if (!node)
        return "null";
    switch (node->kind) {
    case KindNumber: {
        char text[32];
        std::snprintf(text, sizeof text, "%g", node->payload.number->value);
        return text;
    }
    case KindVariable:
        if (node->payload.code >= 'A' && node->payload.code <= 'z')
            return std::string(1, static_cast<char>(node->payload.code));
        return "#" + std::to_string(node->payload.code);
    case KindText: {
        std::string text = "\"";
        for (const char16_t* unit = node->Text(); unit && *unit; ++unit)
            text += static_cast<char>(*unit);
        return text + "\"";
    }
    default:
        break;
    }
    std::string text = KindName(node->kind) + "(";
    for (uint32_t i = 0; i < node->childCount; ++i)
        text += (i ? "," : "") + Describe(node->children[i]);
    return text + ")";
}

::testing::AssertionResult IsConsistent(const FormulaNode* root)
{
    if (root->parent)
        return ::testing::AssertionFailure() << "the root has a parent";
    for (PreorderWalk walk(const_cast<FormulaNode*>(root)); walk.Node(); walk.Next()) {
        const FormulaNode* node = walk.Node();
        for (uint32_t i = 0; i < node->childCount; ++i) {
            if (!node->children[i] || node->children[i]->parent != node)
                return ::testing::AssertionFailure() << "child " << i << " of " << Describe(node);
        }
    }
    return ::testing::AssertionSuccess();
}

std::vector<uint32_t> OutstandingBlocks()
{
    FlushNodePools();
    std::vector<uint32_t> counts;
    for (BlockPool& pool : CurrentNodePoolSet()->pools)
        counts.push_back(pool.BlocksOutstanding());
    return counts;
}

void RunOnSmallStack(const std::function<void()>& work)
{
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    // Enough for the sanitizers' frames, far too little for a recursion
    // 100,000 levels deep.
    pthread_attr_setstacksize(&attributes, 512 * 1024);
    pthread_t thread;
    auto body = [](void* argument) -> void* {
        (*static_cast<const std::function<void()>*>(argument))();
        return nullptr;
    };
    ASSERT_EQ(pthread_create(&thread, &attributes, body, const_cast<std::function<void()>*>(&work)), 0);
    pthread_join(thread, nullptr);
    pthread_attr_destroy(&attributes);
}

PoolsExhausted::PoolsExhausted() : shift_(HeapBudgetLimit() - MemoryBudgetCount() + 1.0)
{
    AdjustMemoryBudgetCount(shift_);
    for (BlockPool& pool : CurrentNodePoolSet()->pools) {
        taken_.emplace_back();
        while (void* block = pool.Allocate())
            taken_.back().push_back(block);
    }
}

PoolsExhausted::~PoolsExhausted()
{
    for (size_t i = 0; i < taken_.size(); ++i) {
        for (void* block : taken_[i])
            CurrentNodePoolSet()->pools[i].DeferFree(block);
    }
    AdjustMemoryBudgetCount(-shift_);
    AbortFlag = 0;
    ResetFailureRegister();
}

void TreeTest::SetUp()
{
    ASSERT_TRUE(InitFormulaEngine());
    before_ = OutstandingBlocks();
}

void TreeTest::TearDown()
{
    EXPECT_EQ(OutstandingBlocks(), before_) << "blocks were lost or freed twice";
}
