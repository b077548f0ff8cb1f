#include "CoreUtilities/MemoryBudget.h"
#include "numerics/MatrixInverse.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Matrices below are written row by row and turned column-major here.
std::vector<double> ColumnMajor(int n, std::vector<double> rows)
{
    std::vector<double> m(rows.size());
    for (int r = 0; r < n; ++r)
        for (int c = 0; c < n; ++c)
            m[c * n + r] = rows[r * n + c];
    return m;
}

TEST(MatrixInverseTest, RealInverse)
{
    struct Row {
        int n;
        std::vector<double> matrix, inverse;  // empty inverse: must fail
    } rows[] = {
        {2, {2, 0, 0, 4}, {0.5, 0, 0, 0.25}},
        {2, {1, 2, 3, 4}, {-2, 1, 1.5, -0.5}},
        {1, {5}, {0.2}},
        {2, {1, 2, 2, 4}, {}},         // singular
        {2, {kNaN, 0, 0, 1}, {}},      // an undefined element
        {2, {1e-310, 0, 0, 1}, {}},    // the inverse is not representable
        {0, {}, {}},
    };
    double before = MemoryBudgetCount();
    for (const Row& row : rows) {
        std::vector<double> m = ColumnMajor(row.n, row.matrix);
        std::vector<double> original = m;
        bool ok = InvertRealMatrix(row.n, m.data());
        ASSERT_EQ(ok, !row.inverse.empty()) << row.n;
        if (ok) {
            std::vector<double> expected = ColumnMajor(row.n, row.inverse);
            for (size_t i = 0; i < m.size(); ++i)
                EXPECT_NEAR(m[i], expected[i], 1e-15);
        }
    }
    EXPECT_EQ(MemoryBudgetCount(), before);
}

TEST(MatrixInverseTest, RealDeterminant)
{
    struct Row {
        int n;
        std::vector<double> matrix;
        bool ok;
        double det;
    } rows[] = {
        {2, {1, 2, 2, 4}, true, 0},
        {2, {0, 1, 1, 0}, true, -1},  // one row exchange
        {1, {5}, true, 5},
        {3, {2, 0, 1, 1, 3, 2, 1, 1, 2}, true, 6},
        {0, {}, true, 1},
        {2, {kNaN, 1, 1, 1}, false, 0},
    };
    for (const Row& row : rows) {
        std::vector<double> m = ColumnMajor(row.n, row.matrix);
        double det = 12345;
        EXPECT_EQ(RealDeterminant(row.n, m.data(), &det), row.ok);
        if (row.ok)
            EXPECT_NEAR(det, row.det, 1e-14);
        else
            EXPECT_EQ(det, 12345);
    }
}

TEST(MatrixInverseTest, Complex)
{
    // [[i, 0], [0, 2]]: inverse [[-i, 0], [0, 0.5]], determinant 2i.
    std::vector<double> m = {0, 1, 0, 0, 0, 0, 2, 0};
    std::vector<double> d = m;
    ASSERT_TRUE(InvertComplexMatrix(2, m.data()));
    std::vector<double> inverse = {0, -1, 0, 0, 0, 0, 0.5, 0};
    for (size_t i = 0; i < m.size(); ++i)
        EXPECT_NEAR(m[i], inverse[i], 1e-15);
    double det[2] = {};
    ASSERT_TRUE(ComplexDeterminant(2, d.data(), det));
    EXPECT_NEAR(det[0], 0, 1e-15);
    EXPECT_NEAR(det[1], 2, 1e-15);

    // [[0, 1], [1, 0]] complex: one exchange gives -1.
    std::vector<double> swap = {0, 0, 1, 0, 1, 0, 0, 0};
    ASSERT_TRUE(ComplexDeterminant(2, swap.data(), det));
    EXPECT_EQ(det[0], -1);

    // Singular complex matrices have no determinant and no inverse.
    std::vector<double> singular = {1, 1, 2, 2, 2, 2, 4, 4};
    std::vector<double> singular2 = singular;
    EXPECT_FALSE(ComplexDeterminant(2, singular.data(), det));
    EXPECT_FALSE(InvertComplexMatrix(2, singular2.data()));
}

}  // namespace
