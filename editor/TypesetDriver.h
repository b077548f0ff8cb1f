// Lays out the formula of the current editor state and draws it: the tree is
// normalised for display (long computed numbers split, missing parentheses
// inserted), every node gets a script level and a font size, the handlers
// measure bottom-up, every box is placed, and the lines are broken. Every
// edit, every change of the pane's width and every change of the document's
// font size or digits leads here. User-interface thread only.
#pragma once

#include "platform/WindowHandle.h"

#include <cstdint>

class PortDC;
struct DocState;
struct FormulaNode;

// Before a layout or drawing, and whenever a state becomes current: the
// display digits and the font sizes and face of the document (null: the
// process's document), or the table's size for a table header, and the
// window and the document in the current state.
void PrepareTypesetting(WindowHandle window, DocState* doc = nullptr);

// The metrics of the node's script level, plain style: for measuring within
// an atom as it was laid out.
void UseNodeMetrics(FormulaNode* node);
// Lays out the current state's formula, unless its layout is valid and its
// wrap width unchanged.
void RelayoutFormula();
// Draws a laid-out tree.
void DrawFormula(FormulaNode* root, PortDC* dc);

// The passes of a layout.
void MeasureFormula(FormulaNode* root);
// Measures again with full-size exponents when the formula is too wide.
void MeasureFormulaFitted(FormulaNode* root);
void PositionFormula();

void EnsureLayoutBoxes(FormulaNode* root);
// Clears the current state's layout-valid flag when a node has no box.
void CheckLayoutBoxes();

// Computed numbers (and typed text that no longer says the value) show the
// value at the display digits, as mantissa times ten to a power when long.
void SplitLongNumbers(FormulaNode* root);
// Wraps each child that needs parentheses in its parent into a parentheses
// node, which stays part of the formula.
void InsertNeededParentheses(FormulaNode* root);
bool NeedsParentheses(int32_t childKind, int32_t parentKind, uint32_t position, const FormulaNode* parent);
// Level 2 for the root; limits, scripts, bases and indices one more, up to 4.
void AssignScriptLevels(FormulaNode* root);
// Marks variables that the document's tables define as functions.
void MarkTableFunctionNames(FormulaNode* root, const DocState* doc);

// The root of the current state's formula; null without one.
FormulaNode* CurrentFormulaRoot();

// The next edit takes a fresh undo snapshot; the whole formula is selected.
void SelectEntireFormula();
