// Tests of equation forms that the formula tree code and the graph model
// ask: colour statements and the use of the document's parameters.
#pragma once

struct DocState;
struct FormulaNode;

// The variable r as the first item of a column vector (r, g, b) that is a
// side of an equation: the red of a colour statement, not a radius.
bool IsColorRedComponent(const FormulaNode* node);
// An item of the column vector (r, g, b) or (h, s, v), or a factor of an
// item of the vector (dx, dy) or (dx, dy, dz): a component that substitutions
// leave alone.
bool IsColorStatement(const FormulaNode* node);
// Some variable of the subtree names a parameter that a parameter-definition
// line of the document defines.
bool UsesDefinedParameter(const FormulaNode* root, const DocState* doc);
