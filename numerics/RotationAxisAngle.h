// Rotations as spins: the axis and angle of a 3D rotation, and the two
// axis-angle pairs of a 4D rotation (its left and right quaternions).
#pragma once

// Row-major 3 x 3 rotation; a unit axis and the angle acos((trace - 1) / 2).
// The identity gives the axis (0, 0, -1) and the angle 0.
void RotationToAxisAngle3(const double* matrix, double* axis, double* angle);
// Row-major 4 x 4 rotation, written as x -> p x q for unit quaternions p and
// q; each quaternion as a 3D axis and an angle.
void RotationToAxisAngle4(const double* matrix, double axes[2][3], double angles[2]);
