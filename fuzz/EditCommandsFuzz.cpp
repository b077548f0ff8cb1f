// Any sequence of edit commands at any places of a formula: the first byte
// picks a starting formula, then each three bytes select a node and a mode
// and run one command there (insertion, deletion, templates, the scrap,
// typing, caret and term moves). After each step the tree is well formed and
// the selection fits it; undoing every step gives well-formed trees; every
// block is given back.
#include "CoreUtilities/FailureRegister.h"
#include "CoreUtilities/MemoryBudget.h"
#include "document/DocState.h"
#include "document/DocumentReader.h"
#include "editor/EditorCommands.h"
#include "editor/FormulaScrap.h"
#include "editor/TypesetDriver.h"
#include "formula/CopyTree.h"
#include "formula/EditorState.h"
#include "formula/FormulaEngine.h"
#include "formula/FormulaNode.h"
#include "formula/NameRegistry.h"
#include "fuzz/FuzzApplication.h"
#include "fuzz/FuzzCheck.h"
#include "support/EditCommandDriver.h"
#include "support/EditTreeInvariants.h"
#include "support/TreeFixture.h"
#include "app/LayerServices.h"

#include <QApplication>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <iterator>
#include <vector>

namespace {

constexpr size_t kMaxBytes = 3 * 200 + 1;

const char* const kFormulas[] = {
    "y=2*x+1", "a*b+a*c=-(d*e)", "2*[x+y]*sqrt(z)*x^2*(a/b)", "x/y=sin(x)*[1/u]",
    "matrix(2,2,x+x,1,2,x^2)", "a*sum(k*a,k=1,3)+integral(x*a,x,0,1)", "\"text\"+'alpha'*3.25=max(a,b,c)",
    "function(optotal(x),x^2*sin(x))=y*(x+1)^3", "vector(1,2,3)-12.5e3", "abs(x)!+log(x,2)",
};

bool Start()
{
    MakeFuzzApplication("edit-commands-fuzz");
    DeleteFuzzApplicationAtExit();
    if (!InitFormulaEngine())
        return false;
    RegisterLayerServices();
    return true;
}

void Run(const uint8_t* data, size_t size)
{
    if (size == 0)
        return;
    DocState doc;
    EditorState state;
    state.document = &doc;
    state.root = ParseFormulaString(kFormulas[data[0] % std::size(kFormulas)]);
    if (!state.root)
        return;
    state.current = state.root;
    CurrentEditorStateScope scope(&state);
    PrepareTypesetting(nullptr, &doc);
    ResetEditorUndo();
    ResetCommandRepeat();
    for (size_t i = 1; i + 2 < size; i += 3) {
        ApplyEditStep(&state, data[i], data[i + 1], data[i + 2]);
        FuzzRequire(EditTreeProblem(state).empty(), "an edit leaves a well-formed tree and selection");
    }
    while (UndoLastEdit(&state))
        FuzzRequire(static_cast<bool>(IsConsistent(state.root)), "an undone tree is well formed");
    FreeTree(state.root);
    state.root = nullptr;
    ClearUndoSnapshots(&state);
    ClearFormulaScrap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static bool started = Start();
    if (!started)
        return 0;
    RunEditingInput([&] { Run(data, std::min(size, kMaxBytes)); });
    return 0;
}
