// The equation-form classifier: the shape of an analysed statement decides
// its FormCode, the kind of graph it becomes (1-80; 0 when it cannot be
// graphed). Bit 0x100 marks a statement written in the primed variables,
// which is graphed in the second view of the pair. The queries below answer
// from the code which views, colours and pictures a line's graphs take.
#pragma once

#include <cstdint>

class AGraphColor;
struct DocState;
struct FormulaNode;

// Set on a form found only after exchanging primed and unprimed variables.
constexpr int32_t kPrimedFormBit = 0x100;

// The ordered shape tests; the first that matches decides. only3D skips the
// forms that exist only in the plane.
int32_t ClassifyEquation(FormulaNode* tree, bool only3D, DocState* doc);
// The entry point of every caller: ClassifyEquation, retried on the primed
// exchange; only4D refuses all but the 4D forms; a statement that reads a
// table column row by row is graphable only as a data plot.
int32_t ClassifyEquationWithRewrite(FormulaNode* tree, bool only3D, bool only4D, DocState* doc);

// What the analysis stores for one statement.
struct StatementForm {
    int32_t code = 0;
    bool needs3D = false;
    bool is4D = false;
    bool graphable = false;
    bool primed = false;
    bool hasSymbolOrLabel = false;
};
// Classifies with both flags clear; a definition is graphable only when it
// defines a parameter or a subscripted graph variable.
StatementForm ClassifyForAnalysis(FormulaNode* tree, double xyType, DocState* doc);

// The form needs the 3D view: some forms always, the explicit surfaces and
// plane expressions only when the line's XYType asks for a surface.
bool NeedsThreeDView(int32_t code, double xyType);
bool IsSurfaceForm(FormulaNode* tree, bool only3D, bool only4D, DocState* doc);
// Every statement of a non-null list (an array of count trees).
bool AllSurfaceForms(FormulaNode* const* list, int32_t count, bool only3D, bool only4D, DocState* doc);
// A line picture applies to the form's graphs.
bool FormTakesPicture(FormulaNode* tree, bool only3D, bool only4D, DocState* doc);
bool IsPointOrDataForm(FormulaNode* tree, bool only3D, bool only4D, DocState* doc);
bool AllPointOrDataForms(FormulaNode* const* list, int32_t count, bool only3D, bool only4D, DocState* doc);
// Drawn as a solid in a 3D view; curves, fields and flows only when the
// statement gives them a radius.
bool IsSolidIn3D(FormulaNode* tree, DocState* doc);
bool AnySolidIn3D(FormulaNode* const* list, int32_t count, DocState* doc);
// The statement makes sense only in space (3D-only commands are enabled
// by it).
bool InvolvesThirdAxis(DocState* doc, FormulaNode* tree);
bool AnyEquationIs3D(FormulaNode* const* list, int32_t count, DocState* doc);

// (a, b, c) = three constant entries, a colour given by formulas, while the
// line's colour does not hide its graphs.
bool IsColorAssignment(const FormulaNode* eq, uint32_t a, uint32_t b, uint32_t c, const DocState* doc,
                       const AGraphColor* colour);

// Rotate(curve, axis [, a < x < b] [, constant]): a surface of revolution.
bool IsRotateSurface(const FormulaNode* tree, DocState* doc);
