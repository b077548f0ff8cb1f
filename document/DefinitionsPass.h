// The definitions pass of every analysis and the substitution of
// definitions into statements. The pass itself is DocState::CollectDefinitions.
#pragma once

#include "CoreUtilities/GrowArray.h"

#include <cstdint>

struct FormulaNode;

using TreeList = GrowArray<FormulaNode*>;

// Puts the definitions into the tree (the one at skip left out; -1 none):
// walks in pre-order, trying the definitions in order at each node, until a
// walk changes nothing. Both the walks and the substitutions of one walk
// are bounded by the number of definitions + 100, so a definition that
// grows with every substitution cannot keep it going.
void SubstituteDefinitions(int32_t skip, const TreeList& definitions, FormulaNode* tree);
// For a comma-list statement: the set of every later item var = {...} or
// var in {...} gets the definitions.
void SubstituteDefinitionsInSets(const TreeList& definitions, FormulaNode* statement);
// Frees every tree of the list and empties it.
void FreeTreeList(TreeList* list);
