#pragma once
// A transformation as glTF nodes hold it: M = T · R · S, a translation, then a rotation (a unit
// quaternion), then a scale along the node's own axes, in whatever units the matrix uses.
// nearest() reads one off any 4 × 4 matrix: the perspective row is dropped, and the 3 × 3 part is
// split by polar decomposition into a rotation and a symmetric stretch whose diagonal is the
// scale; the stretch's off-diagonal part (a shear) is what a TRS cannot hold. A mirror is carried
// by a negative x scale, so that the rotation stays proper. A matrix without shear or perspective
// comes back exactly (to rounding); a singular one still gives a proper rotation.
#include "BaseCore/Matrix4x4.h"
#include "BaseCore/Quat.h"
#include "BaseCore/Vector3d.h"

struct TrsTransform {
  Math::Vector3d translation;
  Math::Quat rotation; // unit length
  Math::Vector3d scale{1.0, 1.0, 1.0};

  Math::Matrix4x4 matrix() const;

  // The 16 values (column order) of T(t) · R(q) · S(s); q is taken as it is, not normalised,
  // as a glTF reader takes it.
  static void compose(const double t[3], const double q[4], const double s[3], double out[16]);

  // The nearest TRS of m, as above. Of the quaternion and its negative (the same rotation), the
  // one nearer `near` is taken, so that quaternions frame after frame interpolate the short way
  // round; without `near`, the one with w >= 0.
  static TrsTransform nearest(const Math::Matrix4x4& m, const Math::Quat* near = nullptr);
};
