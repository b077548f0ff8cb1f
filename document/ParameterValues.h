// Where the values of a document's free letters come from: parameter and
// slider lines, the variables panel (the variables list, with the
// "Parameter" list remembering every value typed), and the tables.
#pragma once

#include "numerics/ComplexValue.h"

#include <cstdint>

struct DocState;
struct FormulaNode;
struct ParameterValue;
template <typename T>
struct GrowArray;

// The index of the entry with the key, or -1.
int32_t FindParameterValue(const GrowArray<ParameterValue>& list, uint32_t key);

// The value the interpreters read for a name they cannot place in a slot:
// the first parameter or slider line that defines it (as the analysis found
// them), else its table column at the data row, else 1.
ComplexValue DocumentParameterValue(uint32_t key, int32_t row, const DocState* doc);

// Every one-letter variable of the tree that the variables list holds
// becomes a number node of its value; summation indices, function names,
// table functions and subscript parts stay.
void SubstituteParameters(FormulaNode* tree, DocState* doc);
