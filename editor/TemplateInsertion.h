// Templates from the key palette and the keyboard: derivatives, roots,
// powers, subscripts, loops, integrals, matrices and vectors, put around the
// selection of the current formula; and the matrix row, column and limit
// slot commands. User-interface thread only.
#pragma once

#include <cstdint>

// The largest matrix the editor builds, in rows and in columns.
constexpr int32_t kLargestMatrixExtent = 100;

// Codes 6153-6411; a code without a template does nothing.
void InsertTemplate(int32_t code);
void AddMatrixRow();
void AddMatrixColumn();
void AddLimitSlot();
