// Inverse and determinant of constant square matrices (LU with partial
// pivoting). Matrices are column-major with leading dimension n; complex
// values are (real, imaginary) pairs of doubles.
#pragma once

#include <cstdint>

bool InvertRealMatrix(int32_t n, double* matrix);
bool InvertComplexMatrix(int32_t n, double* matrix);
bool RealDeterminant(int32_t n, double* matrix, double* det);
bool ComplexDeterminant(int32_t n, double* matrix, double* det);
