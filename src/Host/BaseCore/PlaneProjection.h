#pragma once

// Relates the model's z = 0 plane to the view through a model-to-view matrix (a camera chain's
// frame 6 to 1 compound): forwards with the full matrix, back with the plane's 3x3 homography.
// An edge-on plane or a view point on the plane's horizon gives false; plane results have z = 0.

#include "BaseCore/Matrix4x4.h"
#include "BaseCore/Point2d.h"
#include "BaseCore/Point3d.h"

namespace Math {

class PlaneProjection {
public:
  // Only the z = 0 plane is supported; false is accepted and taken the same way.
  explicit PlaneProjection(const Matrix4x4& modelToView, bool zPlane = true);

  // planePoint's z is ignored (the point is taken on the plane); the view point keeps the depth.
  bool getProjection(const Point3d& planePoint, Point3d& viewPoint) const;
  bool getInverseProjection(const Point2d& viewPoint, Point3d& planePoint) const;
  // Uses x and y only.
  bool getInverseProjection(const Point3d& viewPoint, Point3d& planePoint) const;

private:
  Matrix4x4 m_modelToView;
  // Row order, H^-1 of the map (x, y, 1) -> (X w, Y w, w).
  double m_inverse[9];
  bool m_invertible;
};

} // namespace Math
