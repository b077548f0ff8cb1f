#include "numerics/MatrixInverse.h"

#include "CoreUtilities/MemoryBudget.h"

#include <cmath>
#include <limits>

extern "C" {
void dgetrf_(const int* m, const int* n, double* a, const int* lda, int* ipiv, int* info);
void dgetri_(const int* n, double* a, const int* lda, const int* ipiv, double* work, const int* lwork,
             int* info);
void zgetrf_(const int* m, const int* n, double* a, const int* lda, int* ipiv, int* info);
void zgetri_(const int* n, double* a, const int* lda, const int* ipiv, double* work, const int* lwork,
             int* info);
}

namespace {

using Factorise = void (*)(const int*, const int*, double*, const int*, int*, int*);
using Invert = void (*)(const int*, double*, const int*, const int*, double*, const int*, int*);

// Requests that do not fit the budget's 32-bit sizes are refused outright.
void* AllocArray(int64_t count, int64_t elementBytes)
{
    int64_t bytes = count * elementBytes;
    if (count < 0 || bytes > std::numeric_limits<uint32_t>::max())
        return nullptr;
    return BudgetMalloc(static_cast<uint32_t>(bytes), false);
}

bool AllFinite(const double* values, int64_t count)
{
    for (int64_t i = 0; i < count; ++i) {
        if (!std::isfinite(values[i]))
            return false;
    }
    return true;
}

// values per element: 1 real, 2 complex.
bool InvertMatrix(int32_t n, double* matrix, int valuesPerElement, Factorise factorise, Invert invert)
{
    if (n < 1)
        return false;
    const int64_t elements = int64_t{n} * n;
    // A matrix with an undefined element has no inverse to show, even when the
    // factorisation does not notice.
    if (!AllFinite(matrix, elements * valuesPerElement))
        return false;
    auto* pivots = static_cast<int*>(AllocArray(n, sizeof(int)));
    if (!pivots)
        return false;
    bool inverted = false;
    int info = 0;
    factorise(&n, &n, matrix, &n, pivots, &info);
    if (info == 0 && elements <= std::numeric_limits<int>::max()) {
        auto* work = static_cast<double*>(AllocArray(elements, sizeof(double) * valuesPerElement));
        if (work) {
            const int lwork = static_cast<int>(elements);
            invert(&n, matrix, &n, pivots, work, &lwork, &info);
            inverted = info == 0 && AllFinite(matrix, elements * valuesPerElement);
            BudgetFree(work);
        }
    }
    BudgetFree(pivots);
    return inverted;
}

}  // namespace

bool InvertRealMatrix(int32_t n, double* matrix)
{
    return InvertMatrix(n, matrix, 1, dgetrf_, dgetri_);
}

bool InvertComplexMatrix(int32_t n, double* matrix)
{
    return InvertMatrix(n, matrix, 2, zgetrf_, zgetri_);
}

bool RealDeterminant(int32_t n, double* matrix, double* det)
{
    if (n < 1) {
        *det = 1;
        return true;
    }
    if (!AllFinite(matrix, int64_t{n} * n))
        return false;
    auto* pivots = static_cast<int*>(AllocArray(n, sizeof(int)));
    if (!pivots)
        return false;
    int info = 0;
    dgetrf_(&n, &n, matrix, &n, pivots, &info);
    bool written = false;
    if (info > 0) {  // a diagonal element of U is exactly zero
        *det = 0;
        written = true;
    } else if (info == 0) {
        double d = 1;
        for (int i = 0; i < n; ++i) {
            d *= matrix[int64_t{i} * n + i];
            if (pivots[i] != i + 1)
                d = -d;
        }
        written = std::isfinite(d);
        if (written)
            *det = d;
    }
    BudgetFree(pivots);
    return written;
}

bool ComplexDeterminant(int32_t n, double* matrix, double* det)
{
    if (n < 1) {
        det[0] = 1;
        det[1] = 0;
        return true;
    }
    if (!AllFinite(matrix, int64_t{n} * n * 2))
        return false;
    auto* pivots = static_cast<int*>(AllocArray(n, sizeof(int)));
    if (!pivots)
        return false;
    int info = 0;
    zgetrf_(&n, &n, matrix, &n, pivots, &info);
    bool written = false;
    if (info == 0) {
        double re = 1, im = 0;
        for (int i = 0; i < n; ++i) {
            const double* u = matrix + 2 * (int64_t{i} * n + i);
            double nextRe = re * u[0] - im * u[1];
            double nextIm = re * u[1] + im * u[0];
            re = nextRe;
            im = nextIm;
            if (pivots[i] != i + 1) {
                re = -re;
                im = -im;
            }
        }
        written = std::isfinite(re) && std::isfinite(im);
        if (written) {
            det[0] = re;
            det[1] = im;
        }
    }
    BudgetFree(pivots);
    return written;
}
