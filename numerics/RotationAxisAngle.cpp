#include "numerics/RotationAxisAngle.h"

#include <algorithm>
#include <cmath>

namespace {

struct Quaternion {
    double w, x, y, z;
};

Quaternion Multiply(const Quaternion& a, const Quaternion& b)
{
    return {a.w * b.w - a.x * b.x - a.y * b.y - a.z * b.z, a.w * b.x + a.x * b.w + a.y * b.z - a.z * b.y,
            a.w * b.y - a.x * b.z + a.y * b.w + a.z * b.x, a.w * b.z + a.x * b.y - a.y * b.x + a.z * b.w};
}

Quaternion Unit(int i)
{
    Quaternion q{0, 0, 0, 0};
    double* parts[4] = {&q.w, &q.x, &q.y, &q.z};
    *parts[i] = 1;
    return q;
}

double Part(const Quaternion& q, int i)
{
    const double parts[4] = {q.w, q.x, q.y, q.z};
    return parts[i];
}

void QuaternionToAxisAngle(const double* q, double* axis, double* angle)
{
    double w = std::clamp(q[0], -1.0, 1.0);
    double length = std::sqrt(q[1] * q[1] + q[2] * q[2] + q[3] * q[3]);
    if (!(length > 1e-300)) {
        axis[0] = 0;
        axis[1] = 0;
        axis[2] = -1;
        *angle = 0;
        return;
    }
    for (int k = 0; k < 3; ++k)
        axis[k] = q[k + 1] / length;
    *angle = 2 * std::atan2(length, w);
}

}  // namespace

void RotationToAxisAngle3(const double* m, double* axis, double* angle)
{
    double cosine = std::clamp((m[0] + m[4] + m[8] - 1) / 2, -1.0, 1.0);
    *angle = std::acos(cosine);
    double v[3] = {m[7] - m[5], m[2] - m[6], m[3] - m[1]};
    double length = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    if (!(length > 1e-12)) {
        if (*angle < 1.5707963267948966) {
            axis[0] = 0;
            axis[1] = 0;
            axis[2] = -1;
            *angle = 0;
            return;
        }
        // A half turn: the axis from the diagonal of (m + I) / 2 = a a^T.
        int k = 0;
        for (int i = 1; i < 3; ++i) {
            if (m[4 * i] > m[4 * k])
                k = i;
        }
        for (int i = 0; i < 3; ++i)
            v[i] = (m[3 * i + k] + m[3 * k + i]) / 2 + (i == k ? 1 : 0);
        length = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
        if (!(length > 0)) {
            axis[0] = 0;
            axis[1] = 0;
            axis[2] = -1;
            return;
        }
    }
    for (int i = 0; i < 3; ++i)
        axis[i] = v[i] / length;
}

void RotationToAxisAngle4(const double* m, double axes[2][3], double angles[2])
{
    // x -> p x q is the sum over i, j of p_i q_j (e_i x e_j); those sixteen
    // maps are orthogonal with squared norm 4, so p_i q_j is a quarter of the
    // matrix's inner product with each.
    double outer[4][4];
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            double sum = 0;
            for (int column = 0; column < 4; ++column) {
                Quaternion image = Multiply(Multiply(Unit(i), Unit(column)), Unit(j));
                for (int row = 0; row < 4; ++row)
                    sum += m[4 * row + column] * Part(image, row);
            }
            outer[i][j] = sum / 4;
        }
    }
    // The largest entry names a row proportional to q and a column to p.
    int bi = 0, bj = 0;
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            if (std::fabs(outer[i][j]) > std::fabs(outer[bi][bj])) {
                bi = i;
                bj = j;
            }
        }
    }
    double p[4], q[4];
    double pLength = 0, qLength = 0;
    for (int k = 0; k < 4; ++k) {
        p[k] = outer[k][bj];
        q[k] = outer[bi][k];
        pLength += p[k] * p[k];
        qLength += q[k] * q[k];
    }
    pLength = std::sqrt(pLength);
    qLength = std::sqrt(qLength);
    if (!(pLength > 1e-300) || !(qLength > 1e-300)) {
        for (int k = 0; k < 2; ++k) {
            axes[k][0] = axes[k][1] = 0;
            axes[k][2] = -1;
            angles[k] = 0;
        }
        return;
    }
    // The sign of the pair is free; give p a non-negative real part and q
    // the sign that keeps their product.
    // The normalised row and column multiply to a non-negative entry.
    double flip = outer[bi][bj] < 0 ? -1 : 1;
    double pSign = p[0] < 0 ? -1 : 1;
    for (int k = 0; k < 4; ++k) {
        p[k] *= pSign / pLength;
        q[k] *= pSign * flip / qLength;
    }
    QuaternionToAxisAngle(p, axes[0], &angles[0]);
    QuaternionToAxisAngle(q, axes[1], &angles[1]);
}
