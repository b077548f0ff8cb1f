// An editor state over a formula read from text, for tests of the symbolic
// commands: select a node by its text, run a command, read the result, and
// check after each step that the tree is whole and the selection is live.
#pragma once

#include "document/DocState.h"
#include "formula/EditorState.h"
#include "support/TreeFixture.h"

#include <cstdint>
#include <string>
#include <vector>

struct FormulaNode;

// Formulas whose nodes, with every symbolic command, reach most rules.
const std::vector<const char*>& FormulasReachingMostRules();
// The codes of the symbolic commands.
const std::vector<int32_t>& SymbolicCommandCodes();

// The tree is whole (parent links, child counts and slots) and the state's
// current node is one of its nodes.
::testing::AssertionResult IsLiveSelection(const EditorState& state, const FormulaNode* root);

class EditorTest : public TreeTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // Reads the formula and selects its root; occurrence picks among equal
    // texts in pre-order when Select is called.
    void Load(const char* text);
    // The tree becomes the formula, selected whole.
    void SetFormula(FormulaNode* tree);
    // Selects the occurrence-th node (pre-order) whose text is the given one;
    // false when there is none.
    bool Select(const char* text, int occurrence = 0, int32_t mode = SelectionNode);
    // The command on the current selection, followed by the liveness check.
    void Run(int32_t code);
    std::string Text() const;
    std::string Selected() const;

    DocState doc_;
    EditorState state_;
    FormulaNode* root_ = nullptr;
};
