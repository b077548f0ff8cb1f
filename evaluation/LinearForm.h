// Linear forms a x + b y + c z + d of formulas: planes and half-spaces that
// the graphs draw exactly instead of sampling.
#pragma once

struct DocState;
struct FormulaNode;

struct LinearForm {
    double a;
    double b;
    double c;
    double d;
};

// True, with the form, when the tree is linear in x, y and z with finite
// coefficients (constants and the document's parameters by their values).
bool ExtractLinearForm(const FormulaNode* tree, DocState* doc, LinearForm* form);
// The tree is a plane's formula.
bool IsLinearInXYZ(const FormulaNode* tree, DocState* doc);
