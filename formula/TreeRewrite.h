// Rewrites in place: the node keeps its record, so its parent's child array,
// the editor's current node and any other outside pointer to it stay valid;
// its kind, payload and children change, and its layout box stays with it.
//
// An operation that needs memory and cannot have it leaves the tree as it was
// (the node-memory failure protocol has run) and answers null or false; a
// subtree it was given to attach is then freed, since it was handed over.
#pragma once

#include <cstdint>

struct FormulaNode;

// A new node takes the node's kind, payload, children (re-parented to it) or
// text; the node is left with the new kind, no payload and count fresh slots
// for the caller to fill. Answers the new node, whose parent is the node.
FormulaNode* MoveContentToNewNode(FormulaNode* node, int32_t kind, uint32_t count);
// The node becomes a one-child node of the kind over its former content;
// answers that child.
FormulaNode* WrapInUnary(FormulaNode* node, int32_t kind);
// The node becomes a two-child node of the kind: its former content goes to
// child 1 - position and other to child position. Answers child 1.
FormulaNode* WrapInBinary(FormulaNode* node, FormulaNode* other, uint32_t position, int32_t kind);

FormulaNode* NegateInPlace(FormulaNode* node);
// node / other
FormulaNode* DivideInPlace(FormulaNode* node, FormulaNode* other);
// node ^ other
FormulaNode* RaiseInPlace(FormulaNode* node, FormulaNode* other);
// node + other
FormulaNode* AddToNode(FormulaNode* node, FormulaNode* other);
// other + node
FormulaNode* PrependTerm(FormulaNode* node, FormulaNode* other);
// 1 / node
FormulaNode* ReciprocalInPlace(FormulaNode* node);

// Other becomes the last operand of the node when it has the kind; else
// WrapInBinary with other second. False when nothing changed.
bool AppendOperand(FormulaNode* node, FormulaNode* other, int32_t kind);
bool AppendFactor(FormulaNode* node, FormulaNode* other);
// As AppendOperand, with other as the first operand.
bool PrependOperand(FormulaNode* node, FormulaNode* other, int32_t kind);
bool PrependFactor(FormulaNode* node, FormulaNode* other);

// The node becomes node | left = right.
FormulaNode* MakeSubstitutionInPlace(FormulaNode* node, FormulaNode* left, FormulaNode* right);

// The target's own child storage is freed and it takes the source's kind,
// payload and children (re-parented to it); the source's record and box are
// freed. The target keeps its parent and its layout box. The source must not
// be the child of any node but the target.
void TransplantNode(FormulaNode* source, FormulaNode* target);
// Frees every node below the target, then TransplantNode: the source's
// content stands in the target's place. A source inside the target's subtree
// is taken out first, so it survives.
void ReplaceNode(FormulaNode* source, FormulaNode* target);
// The node takes its child 0's content (parentheses, signs, wrappers); any
// other children are freed. Nothing happens to a node without children.
void CollapseToFirstChild(FormulaNode* node);

// Every parentheses node of the subtree is replaced by its content; nested
// parentheses collapse in one visit.
void StripParentheses(FormulaNode* root);
