// What every edit must leave: a tree whose links, child counts and shapes
// are whole, and a selection that names a node of it with positions that
// fit the selection's mode.
#pragma once

#include <string>

struct EditorState;
struct FormulaNode;

// Empty when the tree and the selection are well formed; else what is wrong.
std::string EditTreeProblem(const EditorState& state);
bool EditTreeInvariantsHold(const EditorState& state);
