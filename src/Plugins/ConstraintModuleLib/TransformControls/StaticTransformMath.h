#pragma once
// The static transformation's arithmetic, apart from the node: composing its matrix from a
// translation (drawing units), rotation angles (degrees, applied as given: the node passes its
// attributes negated), skews (degrees) and scales; and decomposing an incoming matrix back into
// those parts for a bake. Components below 1e-5 are taken as zero by the decomposition, and a
// matrix with a negative determinant gives a negative x scale with the x skew negated.
#include "HostInterface/HostMath.h"

struct StaticTransformParts {
  Math::Vector3d translation; // drawing units
  Math::Vector3d rotation;    // degrees about x, y, z
  Math::Vector3d scale{1, 1, 1};
  Math::Vector3d skew; // degrees: x, y, z
};

// T(t) · Rz · Ry · Rx · (skews that are not exactly 0) · S, the rotation matrices built from the
// angles exactly as given.
Math::Matrix4x4 composeStaticTransform(const Math::Vector3d& translation, const Math::Vector3d& scale,
                                       const Math::Vector3d& angles, const Math::Vector3d& skews);

// The parts a bake writes back; rotation angles come out as the attributes hold them.
StaticTransformParts decomposeForBake(const Math::Matrix4x4& m);
