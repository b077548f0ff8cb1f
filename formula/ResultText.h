// The short wide texts that show a constant value under an equation line and
// in the trace label: an interval, a complex number, a truth value and an
// interval of truth values. Numbers follow the document's display digits and
// the user's decimal separator.
//
// Each writer fills at most capacity units of the buffer, terminator
// included, and cuts what does not fit; the prefix (such as "= ") may be null.
#pragma once

#include "numerics/ComplexValue.h"

#include <cstddef>

// [lo, hi]; when lo > hi, the exterior of [hi, lo]:
// [- infinity, hi] union [lo, infinity].
void FormatIntervalText(double lo, double hi, const char16_t* prefix, char16_t* buffer, size_t capacity);

// 1 + 2i, 1 - i, " 2i"; the prefix and "not a number" when a part is NaN.
void FormatComplexText(char16_t* buffer, size_t capacity, const char16_t* prefix, ComplexValue value);

// "true" or "false".
void FormatBooleanText(bool flag, char16_t* buffer, size_t capacity);

// "false" when both ends are 0 or either is NaN; "[false, true]" when lo is 0
// and hi is not; "true" otherwise.
void FormatTruthIntervalText(double lo, double hi, char16_t* buffer, size_t capacity);
