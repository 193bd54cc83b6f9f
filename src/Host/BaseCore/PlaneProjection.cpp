#include "BaseCore/PlaneProjection.h"

#include <cmath>

namespace Math {

namespace {

// Below this, det(H) over the product of its column lengths (the sine-like volume of the three
// columns) means the plane is seen edge-on. Rounding leaves an exactly edge-on plane with a
// determinant near 1e-17 rather than 0, and inverting that would scatter view points to 1e16.
constexpr double kSingularVolume = 1e-12;

} // namespace

PlaneProjection::PlaneProjection(const Matrix4x4& modelToView, bool /*zPlane*/)
    : m_modelToView(modelToView), m_inverse{}, m_invertible(false) {
  // Rows 0, 1, 3 and columns 0, 1, 3: the plane's (x, y, 1) to homogeneous view (X, Y, w).
  const int rows[3] = {0, 1, 3};
  const int cols[3] = {0, 1, 3};
  double h[3][3];
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c)
      h[r][c] = modelToView(rows[r], cols[c]);

  double adj[3][3];
  adj[0][0] = h[1][1] * h[2][2] - h[1][2] * h[2][1];
  adj[0][1] = h[0][2] * h[2][1] - h[0][1] * h[2][2];
  adj[0][2] = h[0][1] * h[1][2] - h[0][2] * h[1][1];
  adj[1][0] = h[1][2] * h[2][0] - h[1][0] * h[2][2];
  adj[1][1] = h[0][0] * h[2][2] - h[0][2] * h[2][0];
  adj[1][2] = h[0][2] * h[1][0] - h[0][0] * h[1][2];
  adj[2][0] = h[1][0] * h[2][1] - h[1][1] * h[2][0];
  adj[2][1] = h[0][1] * h[2][0] - h[0][0] * h[2][1];
  adj[2][2] = h[0][0] * h[1][1] - h[0][1] * h[1][0];
  const double det = h[0][0] * adj[0][0] + h[0][1] * adj[1][0] + h[0][2] * adj[2][0];

  double volume = 1.0;
  for (int c = 0; c < 3; ++c)
    volume *= std::sqrt(h[0][c] * h[0][c] + h[1][c] * h[1][c] + h[2][c] * h[2][c]);

  if (!std::isfinite(det) || !std::isfinite(volume) || !(std::fabs(det) > kSingularVolume * volume))
    return;

  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c)
      m_inverse[r * 3 + c] = adj[r][c] / det;
  m_invertible = true;
}

bool PlaneProjection::getProjection(const Point3d& planePoint, Point3d& viewPoint) const {
  const Matrix4x4& m = m_modelToView;
  const double x = planePoint.x;
  const double y = planePoint.y;
  const double w = m(3, 0) * x + m(3, 1) * y + m(3, 3);
  if (w == 0.0 || !std::isfinite(w))
    return false;
  const Point3d r((m(0, 0) * x + m(0, 1) * y + m(0, 3)) / w, (m(1, 0) * x + m(1, 1) * y + m(1, 3)) / w,
                  (m(2, 0) * x + m(2, 1) * y + m(2, 3)) / w);
  if (!std::isfinite(r.x) || !std::isfinite(r.y) || !std::isfinite(r.z))
    return false;
  viewPoint = r;
  return true;
}

bool PlaneProjection::getInverseProjection(const Point2d& viewPoint, Point3d& planePoint) const {
  if (!m_invertible)
    return false;
  const double* n = m_inverse;
  const double X = viewPoint.x;
  const double Y = viewPoint.y;
  const double w = n[6] * X + n[7] * Y + n[8];
  // w = 0: the view point lies on the plane's horizon, the image of its points at infinity.
  if (w == 0.0 || !std::isfinite(w))
    return false;
  const double x = (n[0] * X + n[1] * Y + n[2]) / w;
  const double y = (n[3] * X + n[4] * Y + n[5]) / w;
  if (!std::isfinite(x) || !std::isfinite(y))
    return false;
  planePoint = Point3d(x, y, 0.0);
  return true;
}

bool PlaneProjection::getInverseProjection(const Point3d& viewPoint, Point3d& planePoint) const {
  return getInverseProjection(Point2d(viewPoint.x, viewPoint.y), planePoint);
}

} // namespace Math
