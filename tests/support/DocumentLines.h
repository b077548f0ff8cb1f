// Lines put into a test's document.
#pragma once

#include <cstdint>

struct DocState;

// Appends the equation line name = value: a parameter definition, known
// to the document's parameter lookups at once.
void AppendParameterLine(DocState& doc, uint32_t name, double value);
// Appends an equation line of the formula text; false when it cannot.
bool AppendEquationLine(DocState& doc, const char* text);
// What graph building does for the variables panel: the free letters of
// every analysed statement, in line order.
void CollectFreeVariables(DocState& doc);
