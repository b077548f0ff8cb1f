// Lines put into a test's document.
#pragma once

#include <cstdint>

struct DocState;

// Appends the equation line name = value: a parameter definition, known
// to the document's parameter lookups at once.
void AppendParameterLine(DocState& doc, uint32_t name, double value);
