// Data pasted from the clipboard, as the private formula format and as
// text: the reader takes a formula or refuses the data whole, and a formula
// it takes pastes into a formula as a well-formed tree. Every block is given
// back.
#include "CoreUtilities/FailureRegister.h"
#include "CoreUtilities/MemoryBudget.h"
#include "app/LayerServices.h"
#include "document/DocState.h"
#include "editor/EditorCommands.h"
#include "editor/FormulaClipboard.h"
#include "editor/FormulaScrap.h"
#include "editor/TypesetDriver.h"
#include "formula/CopyTree.h"
#include "formula/EditorState.h"
#include "formula/FormulaEngine.h"
#include "formula/FormulaNode.h"
#include "formula/NameRegistry.h"
#include "fuzz/FuzzApplication.h"
#include "fuzz/FuzzCheck.h"
#include "support/EditTreeInvariants.h"
#include "support/TreeFixture.h"

#include <QApplication>
#include <QMimeData>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

constexpr size_t kMaxBytes = 4096;

bool Start()
{
    MakeFuzzApplication("formula-clipboard-fuzz");
    DeleteFuzzApplicationAtExit();
    if (!InitFormulaEngine())
        return false;
    RegisterLayerServices();
    return true;
}

void Run(const uint8_t* data, size_t size)
{
    // The first byte says how the data came: the private format or text.
    if (size == 0)
        return;
    QByteArray bytes(reinterpret_cast<const char*>(data + 1), static_cast<qsizetype>(size - 1));
    QMimeData mime;
    if (data[0] & 1)
        mime.setData(kFormulaMimeType, bytes);
    else
        mime.setText(QString::fromUtf8(bytes));
    if (!FormulaScrapFromMimeData(&mime))
        return;
    FuzzRequire(FormulaScrap && !FormulaScrap->parent, "a read formula is a whole tree");
    DocState doc;
    EditorState state;
    state.document = &doc;
    state.root = MakePlaceholderNode();
    state.current = state.root;
    CurrentEditorStateScope scope(&state);
    PrepareTypesetting(nullptr, &doc);
    ResetCommandRepeat();
    // Pasted twice: over the empty box, then after what was pasted.
    RunEditorCommand(8706, 0, &state, nullptr);
    FuzzRequire(EditTreeProblem(state).empty(), "a pasted formula is well formed");
    SetEditorSelection(state.root, CaretAfter);
    RunEditorCommand(8706, 0, &state, nullptr);
    FuzzRequire(EditTreeProblem(state).empty(), "a formula pasted beside another is well formed");
    ClearUndoSnapshots(&state);
    FreeTree(state.root);
    state.root = nullptr;
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
