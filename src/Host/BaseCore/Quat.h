#pragma once

// A rotation as a quaternion (w, x, y, z), angles in radians. The product composes in
// application order: a * b is rotation a followed by b, the Hamilton product b·a, so
// matrix(a * b) == matrix(b) * matrix(a). Conversions normalise first, so any non-zero
// multiple of a quaternion is the same rotation; the zero quaternion is taken as the identity.

#include "BaseCore/Vector3d.h"

#include <iosfwd>

namespace Math {

class Matrix4x4;

struct Quat {
  double w = 1.0;
  double x = 0.0;
  double y = 0.0;
  double z = 0.0;

  Quat() = default;
  Quat(double qw, double qx, double qy, double qz) : w(qw), x(qx), y(qy), z(qz) {}

  // This rotation followed by q (the Hamilton product q·this).
  Quat operator*(const Quat& q) const;
  Quat& operator*=(const Quat& q);

  // A zero axis gives the identity.
  static Quat fromAxisAngle(double radians, const Vector3d& axis);
  // angle = 2 acos(w) of the normalised quaternion, in [0, 2 pi]; axis is unit length.
  // With no rotation (angle 0 or 2 pi) the axis is undefined and (1, 0, 0) is returned.
  void rotAxis(double& angleRadians, Vector3d& axis) const;
  void matrix(Matrix4x4& m) const;
  Matrix4x4 matrix() const;

  double norm() const;
  Quat normalized() const;
  Quat conjugate() const { return {w, -x, -y, -z}; }

  // Spherical interpolation along the shorter arc (b is negated when a . b < 0), from a at
  // t = 0 towards b at t = 1. Inputs are normalised first; below an angle of 1e-6 between
  // them the normalised linear interpolation stands in, where sin(angle) would lose precision.
  static Quat slerpMethod(const Quat& a, const Quat& b, double t);
  // The shares of the two ends in that interpolation at t, for ends `angle` apart (the linear
  // shares below 1e-6, whose blend the caller normalises).
  struct SlerpWeights {
    double a;
    double b;
  };
  static SlerpWeights slerpWeights(double angle, double t);

  bool operator==(const Quat& q) const { return w == q.w && x == q.x && y == q.y && z == q.z; }
  bool operator!=(const Quat& q) const { return !(*this == q); }
};

std::ostream& operator<<(std::ostream& os, const Quat& q);

} // namespace Math
