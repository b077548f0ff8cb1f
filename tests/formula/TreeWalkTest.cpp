#include "formula/CopyTree.h"
#include "formula/FormulaNode.h"
#include "formula/NodeKindTable.h"
#include "formula/TreeWalk.h"
#include "support/BudgetRefusal.h"
#include "support/TreeFixture.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using TreeWalkTest = TreeTest;

// +(*(a,b),-(c),d)
FormulaNode* Sample()
{
    return Node(KindSum, {Node(KindProduct, {Var('a'), Var('b')}), Node(KindMinus, {Var('c')}), Var('d')});
}

std::string Names(const std::vector<FormulaNode*>& nodes)
{
    std::string names;
    for (FormulaNode* node : nodes)
        names += node->kind == KindVariable ? Describe(node) : Describe(node).substr(0, 1);
    return names;
}

std::vector<FormulaNode*> PreorderBySteps(FormulaNode* root)
{
    std::vector<FormulaNode*> nodes;
    FormulaNode* last = LastInPreorder(root);
    for (FormulaNode* node = root;; node = NextInPreorder(node)) {
        nodes.push_back(node);
        if (node == last)
            return nodes;
    }
}

std::vector<FormulaNode*> PostorderBySteps(FormulaNode* root)
{
    std::vector<FormulaNode*> nodes;
    for (FormulaNode* node = FirstInPostorder(root);; node = NextInPostorder(node)) {
        nodes.push_back(node);
        if (node == root)
            return nodes;
    }
}

// Walks with the records; from the step given on, the budget refuses, so
// deeper positions are searched for instead of recorded.
template <typename Walk>
std::vector<FormulaNode*> ByWalk(FormulaNode* root, size_t refuseFrom = SIZE_MAX)
{
    std::vector<FormulaNode*> nodes;
    std::unique_ptr<BudgetRefusal> refusal;
    for (Walk walk(root); walk.Node(); walk.Next()) {
        if (nodes.size() == refuseFrom)
            refusal = std::make_unique<BudgetRefusal>();
        nodes.push_back(walk.Node());
    }
    return nodes;
}

TEST_F(TreeWalkTest, StepsAndWalkRecordsVisitTheSameOrder)
{
    FormulaNode* tree = Sample();
    EXPECT_EQ(Names(PreorderBySteps(tree)), "+*ab-cd");
    EXPECT_EQ(Names(PostorderBySteps(tree)), "ab*c-d+");
    EXPECT_EQ(ByWalk<PreorderWalk>(tree), PreorderBySteps(tree));
    EXPECT_EQ(ByWalk<PostorderWalk>(tree), PostorderBySteps(tree));

    // A subtree walk stays inside the subtree.
    FormulaNode* product = tree->children[0];
    EXPECT_EQ(Names(ByWalk<PreorderWalk>(product)), "*ab");
    EXPECT_EQ(Names(ByWalk<PostorderWalk>(product)), "ab*");
    EXPECT_EQ(NextAfterSubtree(product), tree->children[1]);
    EXPECT_EQ(NextAfterSubtree(tree->children[2]), nullptr);
    EXPECT_EQ(PreviousBeforeSubtree(tree->children[1]->children[0]), product);
    EXPECT_EQ(PreviousBeforeSubtree(product->children[0]), nullptr);
    EXPECT_EQ(IndexInParent(tree->children[2]), 2);
    EXPECT_EQ(IndexInParent(tree), -1);
    EXPECT_TRUE(IsChildAt(product, 0));
    EXPECT_FALSE(IsChildAt(product, 1));
    FreeTree(tree);
}

TEST_F(TreeWalkTest, WalksStayRightWhenTheBudgetRefusesTheirRecords)
{
    // Seventy levels with a sibling at each, so that the walk climbs back
    // through levels it recorded and levels it could not: the first levels
    // live in the walk itself, the next ones in budget memory that is
    // refused from the given step (the depth, on the way down) on.
    FormulaNode* tree = Var('x');
    for (int level = 0; level < 70; ++level)
        tree = Node(KindSum, {tree, Num(level)});
    for (size_t refuseFrom : {size_t(0), size_t(40), size_t(60), SIZE_MAX}) {
        SCOPED_TRACE(refuseFrom);
        EXPECT_EQ(ByWalk<PreorderWalk>(tree, refuseFrom), PreorderBySteps(tree));
        EXPECT_EQ(ByWalk<PostorderWalk>(tree, refuseFrom), PostorderBySteps(tree));
    }
    FreeTree(tree);
}

TEST_F(TreeWalkTest, SkipSubtreeGoesOnAfterTheCurrentNode)
{
    FormulaNode* tree = Sample();
    std::vector<FormulaNode*> visited;
    for (PreorderWalk walk(tree); walk.Node();) {
        visited.push_back(walk.Node());
        if (walk.Node()->kind == KindProduct)
            walk.SkipSubtree();
        else
            walk.Next();
    }
    EXPECT_EQ(Names(visited), "+*-cd");
    FreeTree(tree);
}

}  // namespace
