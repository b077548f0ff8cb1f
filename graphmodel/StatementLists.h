// The items a statement carries after a comma: colour formulas, style
// options, start points and conditions. Whether they fit the statement's
// form decides whether it is graphed; when a line is not graphed, the
// reason shown under it (a MessageCode 14-25).
#pragma once

#include <cstdint>

struct DocState;
struct FormulaNode;

// Codes whose graphs can be drawn as tubes or balls of a given radius (bit
// 0x100 ignored).
bool FormTakesRadius(int32_t code);
// Codes whose builders take conditions as a formula of their own (bit 0x100
// ignored); fallback answers for the forms that take them only in space,
// where callers pass their 3D flag.
bool FormTakesCondition(int32_t code, bool fallback);

// A list whose first item (or first two, for the list forms) is the
// statement: arrows, and flows or fields with the set their lines start
// from.
bool IsMultiItemForm(const FormulaNode* list, const DocState* doc);
// A comma list with items to check: neither a list of 4D points nor a list
// form of exactly its own items.
bool HasExtraStatements(const FormulaNode* list, const DocState* doc);

// The statement's code when every item after it fits the form, else 0; bit
// 0x100 kept. A colour plot ignores an item of no known kind and the rest.
int32_t ClassifyStatementList(bool only4D, FormulaNode* tree, bool only3D, DocState* doc);

// The MessageCode (14-25) that says why the statement is not graphed; 14
// when no reason more specific applies.
int32_t GetUngraphableReason(FormulaNode* tree, bool only3D, bool only4D, DocState* doc);
