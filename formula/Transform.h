// The Transform command: one identity applied to the selected term, chosen
// by its kind.
#pragma once

struct FormulaNode;

// The identity for the node's kind; shapes without one stay as they are.
void TransformNode(FormulaNode* node);
// Simplify, then TransformNode, on the current node.
void TransformSelection();
// The whole Transform command.
void TransformCommand();
