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
  Math::Vector3d angles; // about x, y, z
  double skew = 0.0;
  Math::Vector3d scale{1.0, 1.0, 1.0};

  // A turn as the matrix takes it: the cosine and sine of an angle given in degrees.
  struct Turn {
    double c = 1.0;
    double s = 0.0;
    static Turn of(double degrees);
  };
  // The turns of angles x, y, z and of the skew (in that order) where a caller knows them
  // already (bit i of `known` set: turn[i] is Turn::of that angle), say because the angle holds
  // at every frame.
  struct Turns {
    Turn turn[4];
    unsigned known = 0;
  };
  Math::Matrix4x4 matrix(const Turns* known = nullptr) const;
  // The same matrix as the product of the eight factors above, each a full 4x4 product: what
  // matrix() gives bit for bit, the slow way (matrix() itself takes it for parts beyond 1e30).
  Math::Matrix4x4 matrixByProducts() const;

  // The parts, pivot at the origin, whose matrix comes nearest to m: the rotation is the x axis's
  // direction with the y axis made orthogonal to it, a mirror is carried by a negative x scale,
  // skew is the y axis's lean towards x, and what a peg cannot express (a z axis sheared towards
  // the drawing plane, a perspective row) is dropped: compare matrix() with m to see how much.
  // Of the two sets of angles that give the same rotation, and of their turns by whole
  // multiples of 360 degrees, the one nearest `near`'s angles is taken (angles that change
  // smoothly over frames then never jump), the one with the y angle within ±90 without it.
  static PegTransform fromMatrix(const Math::Matrix4x4& m, const PegTransform* near = nullptr);
};
