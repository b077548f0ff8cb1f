// A keystroke in an equation of about 200 nodes, from the key to the formula
// laid out again: a digit typed at the end of the last number (whose text is
// put back now and then so that it never reaches its limit).
#include "editor/EditedText.h"
#include "editor/EditorCommands.h"
#include "editor/TypesetDriver.h"
#include "formula/CopyTree.h"
#include "formula/EditorState.h"
#include "formula/FormulaEngine.h"
#include "formula/FormulaNode.h"
#include "formula/NodeKindTable.h"
#include "bench/support/FormulaBenchStart.h"


#include <benchmark/benchmark.h>

#include <cstdlib>
#include <vector>

namespace {

constexpr int kTerms = 40;  // five nodes each: 3 x sin y

// y = 3 x sin y + 4 x sin y + ... + 7
FormulaNode* Equation(FormulaNode*& last)
{
    FormulaNode* sum = MakeSineTermSum(kTerms, 1);
    last = MakeNumberNode(7);
    sum->children[kTerms] = last;
    last->parent = sum;
    return AttachChildren(MakeNode(KindEquation, 2), {MakeVariableNode('y'), sum});
}

void KeystrokeToRelaidOutFormula(benchmark::State& state)
{
    StartOffscreenFormulaBench();
    EditorState editor;
    FormulaNode* last = nullptr;
    editor.root = Equation(last);
    editor.current = editor.root;
    CurrentEditorStateScope scope(&editor);
    PrepareTypesetting(nullptr);
    RelayoutFormula();
    int typed = 0;
    for (auto _ : state) {
        if (typed++ % 10 == 0) {
            SetNumberText(last, u"7");
            SetEditorSelection(last, CaretAfter);
        }
        HandleEditorKey('1', '1', 0, &editor, nullptr);
        RelayoutFormula();
    }
    FreeTree(editor.root);
}
BENCHMARK(KeystrokeToRelaidOutFormula)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);

}  // namespace
