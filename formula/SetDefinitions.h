// Statements that stand for several: a variable given a set of values
// (x = {1, 2, ..., 5}) is analysed once per value, and a statement with
// plus-or-minus signs once in its plus form and once in its minus form.
#pragma once

struct DocState;
struct FormulaNode;

// The statement has a plus-or-minus sign or a set definition.
bool HasPlusMinusOrSetDefinition(FormulaNode* root);
// The statement's set definition, detached from its list with its range
// expanded; null when it has none.
FormulaNode* ExtractSetDefinition(DocState* doc, FormulaNode* root);
// The first item, from position 1 of a comma list on (item 0 never), that
// gives a variable or indexed variable a set: var = {set} or var in {set}.
// With extract its range is expanded and it is detached from the list (a
// list of two becomes its other item); without, nothing changes (and the
// document is not needed).
FormulaNode* FindSetDefinition(FormulaNode* root, bool extract, DocState* doc);
// A range typed with an ellipsis over constant ends becomes the list of its
// values when there are 1 to 199; otherwise it stays as typed. {a, b, ..., c}
// steps from a by b - a, in that direction, up to c and not past it;
// {a ... c} is the ascending list of the whole steps between the ends.
void ExpandRangeSet(FormulaNode* content, DocState* doc);

// Some node is plus-or-minus or minus-or-plus.
bool ContainsPlusMinus(const FormulaNode* root);
// Plus-or-minus becomes its operand and minus-or-plus a minus.
void ResolvePlusMinusAsPlus(FormulaNode* root);
// Plus-or-minus becomes a minus and minus-or-plus its operand.
void ResolvePlusMinusAsMinus(FormulaNode* root);
