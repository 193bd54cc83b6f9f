#pragma once

// Relates the model's z = 0 plane to the view through a model-to-view matrix (e.g. a camera
// chain's compound matrix from frame 6 to 1): forwards with the full matrix, backwards with
// the inverse of the 3x3 homography it induces on the plane. Results on the plane have z = 0.
// An edge-on plane (singular homography) or a view point on the plane's horizon gives false.

#include "BaseCore/Matrix4x4.h"
#include "BaseCore/Point2d.h"
#include "BaseCore/Point3d.h"

namespace Math {

class PlaneProjection
{
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
