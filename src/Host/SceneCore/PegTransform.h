#pragma once
// The matrix of a peg from its parts, all in drawing units and degrees:
// T(position) · T(pivot) · Rz · Ry · Rx · skew · scale · T(−pivot). Kept apart from the node so
// that tests and other nodes (the camera) build the same matrix.
#include "BaseCore/Matrix4x4.h"
#include "BaseCore/Point3d.h"
#include "BaseCore/Vector3d.h"

struct PegTransform {
  Math::Point3d position;
  Math::Point3d pivot;
  Math::Vector3d angles;  // about x, y, z
  double skew = 0.0;
  Math::Vector3d scale{1.0, 1.0, 1.0};

  Math::Matrix4x4 matrix() const;
};
