#include "bench/support/FormulaBenchStart.h"

#include "formula/FormulaEngine.h"
#include "formula/FormulaNode.h"
#include "formula/NodeKindTable.h"

#include <QApplication>

#include <cstdlib>

void StartOffscreenFormulaBench()
{
    static bool started = [] {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        static int argc = 1;
        static char name[] = "formula-bench";
        static char* argv[] = {name, nullptr};
        new QApplication(argc, argv);
        return InitFormulaEngine();
    }();
    (void)started;
}

FormulaNode* AttachChildren(FormulaNode* parent, std::initializer_list<FormulaNode*> children)
{
    int i = 0;
    for (FormulaNode* child : children) {
        parent->children[i++] = child;
        child->parent = parent;
    }
    return parent;
}

FormulaNode* MakeSineTermSum(int terms, int extra)
{
    FormulaNode* sum = MakeNode(KindSum, terms + extra);
    for (int i = 0; i < terms; ++i) {
        FormulaNode* sine = AttachChildren(MakeNode(KindSin, 1), {MakeVariableNode('y')});
        FormulaNode* term =
            AttachChildren(MakeNode(KindProduct, 3), {MakeNumberNode(3 + i), MakeVariableNode('x'), sine});
        sum->children[i] = term;
        term->parent = sum;
    }
    return sum;
}
