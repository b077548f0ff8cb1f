// Where a variable that names a table column stands: read row by row
// (pointwise), or inside something that runs over the table's rows.
#pragma once

struct DocState;
struct FormulaNode;

// Some variable of the subtree names a table column outside every aggregate
// context below the root's parent.
bool UsesTableColumnPointwise(const FormulaNode* root, const DocState* doc);
// From the node itself up to (not including) stop: an aggregate, a min or
// max over table data, an Interpolate of a table, a table-column element or
// a subscript.
bool IsInTableAggregateContext(const DocState* doc, const FormulaNode* node, const FormulaNode* stop);
// Interpolate over a list that starts with a table column: two items, or
// three when that column is the flagged first column of its table.
bool IsInterpolateOfTable(const FormulaNode* node, const DocState* doc);
// A min or max whose first argument reads a table column, so that it runs
// over the table's rows.
bool IsMinMaxOfTableData(const FormulaNode* node, const DocState* doc);

// The argument of a function node, looked at through one parentheses node;
// null for a node without children.
const FormulaNode* ArgumentThroughParentheses(const FormulaNode* node);
