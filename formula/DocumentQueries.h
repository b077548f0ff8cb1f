// What formula and compiler code asks of the open document, which lives in
// a layer above them and is known here only as an opaque DocState. The
// document registers its answers at start-up; a null document, or none
// registered, answers as an empty document: the slider drives n, and there
// are no user functions, table columns or parameter lines.
#pragma once

#include "CoreUtilities/GrowArray.h"

#include <cstdint>

struct DocState;
struct FormulaNode;

struct DocumentQueries {
    // The SymbolCode of the slider variable (a letter is its own code).
    uint32_t (*sliderVariable)(const DocState* doc) = nullptr;
    // The first user function whose head names the function as the node
    // does, or -1.
    int32_t (*findUserFunction)(const DocState* doc, const FormulaNode* name) = nullptr;
    // A table defines the name (a SymbolCode) as a function.
    bool (*isTableFunction)(const DocState* doc, uint32_t code) = nullptr;
    // The name is the flagged first column of its table.
    bool (*isFlaggedFirstColumn)(const DocState* doc, uint32_t code) = nullptr;
    // Rows of the table column named by the code; 0 for no column.
    int32_t (*tableColumnRowCount)(const DocState* doc, uint32_t code) = nullptr;
    // A parameter-definition line defines the key (a SymbolCode, or the
    // numbered key of x_k).
    bool (*definesParameter)(const DocState* doc, uint32_t key) = nullptr;
    // The names of the tables' columns, rebuilt first when they are stale.
    const GrowArray<const char16_t*>* (*tableColumnNames)(DocState* doc) = nullptr;
};

void SetDocumentQueries(const DocumentQueries& queries);

uint32_t DocSliderVariable(const DocState* doc);
int32_t DocFindUserFunction(const DocState* doc, const FormulaNode* name);
bool DocHasUserFunction(const DocState* doc, const FormulaNode* name);
bool DocIsTableFunction(const DocState* doc, uint32_t code);
bool DocIsFlaggedFirstColumn(const DocState* doc, uint32_t code);
int32_t DocTableColumnRowCount(const DocState* doc, uint32_t code);
bool DocDefinesParameter(const DocState* doc, uint32_t key);
const GrowArray<const char16_t*>& DocTableColumnNames(DocState* doc);
