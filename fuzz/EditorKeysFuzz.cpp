// Any sequence of keys typed into an empty formula: each pair of bytes is a
// key (the modifier flags, the character; 0xFF takes the next two bytes as a
// character beyond ASCII). Now and then the formula is laid out and the
// caret measured. Afterwards the tree is well formed, the selection is one
// of its nodes with positions inside its text, and every block is back.
#include "CoreUtilities/FailureRegister.h"
#include "CoreUtilities/MemoryBudget.h"
#include "document/DocState.h"
#include "editor/CaretGeometry.h"
#include "editor/EditedText.h"
#include "editor/EditorCommands.h"
#include "editor/TypesetDriver.h"
#include "formula/CopyTree.h"
#include "formula/EditorState.h"
#include "formula/FormulaEngine.h"
#include "formula/FormulaNode.h"
#include "formula/NameRegistry.h"
#include "formula/TreeWalk.h"
#include "fuzz/FuzzApplication.h"
#include "fuzz/FuzzCheck.h"
#include "support/TreeFixture.h"

#include <QApplication>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

constexpr size_t kMaxBytes = 1024;

bool StartApplication()
{
    MakeFuzzApplication("editor-keys-fuzz");
    DeleteFuzzApplicationAtExit();
    return InitFormulaEngine();
}

bool SelectionIsInTree(const EditorState& state)
{
    for (PreorderWalk walk(state.root); walk.Node(); walk.Next()) {
        if (walk.Node() == state.current)
            return true;
    }
    return false;
}

bool PositionsInsideText(const EditorState& state)
{
    if (state.mode != InText && state.mode != InNumber && state.mode != InIdentifier)
        return true;
    int32_t length = EditedText(state.current).Length();
    return state.caret >= 0 && state.anchor >= 0 && state.caret <= length && state.anchor <= length;
}

void Run(const uint8_t* data, size_t size)
{
    DocState doc;
    EditorState state;
    state.root = MakePlaceholderNode();
    if (!state.root)
        return;
    state.current = state.root;
    CurrentEditorStateScope scope(&state);
    PrepareTypesetting(nullptr, &doc);
    ResetEditorUndo();
    ResetCommandRepeat();
    for (size_t i = 0; i + 1 < size; i += 2) {
        uint32_t flags = data[i] & 3;
        uint32_t ch = data[i + 1];
        if (data[i] == 0xFF && i + 2 < size) {
            ch = static_cast<uint32_t>(data[i + 1]) << 8 | data[i + 2];
            ++i;
        }
        uint32_t ch2 = !(flags & kKeyShift) && ch >= 'A' && ch <= 'Z' ? ch + 32 : ch;
        HandleEditorKey(ch, ch2, flags, &state, nullptr);
        FuzzRequire(SelectionIsInTree(state), "the selection is a node of the formula");
        FuzzRequire(PositionsInsideText(state), "the caret stays inside the text it is in");
        if (data[i] & 0x80) {
            FloatRect rect{0, 0, 0, 0}, extra;
            GetCaretRects(rect, extra);
        }
    }
    FuzzRequire(static_cast<bool>(IsConsistent(state.root)), "the edited tree is well formed");
    while (UndoLastEdit(&state))
        FuzzRequire(static_cast<bool>(IsConsistent(state.root)), "an undone tree is well formed");
    FreeTree(state.root);
    state.root = nullptr;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static bool started = StartApplication();
    if (!started)
        return 0;
    RunEditingInput([&] { Run(data, std::min(size, kMaxBytes)); });
    return 0;
}
