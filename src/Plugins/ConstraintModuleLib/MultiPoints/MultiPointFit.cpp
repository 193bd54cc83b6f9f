#include "MultiPoints/MultiPointFit.h"

#include <algorithm>
#include <cmath>

#include "Core/TransformFunctions.h"
#include "MultiPoints/FitSystem.h"

namespace PointConstraintMulti {

namespace {

// Twice the signed area of the triangle (a, b, p) in the x-y plane: positive when p lies to the
// left of a→b.
double cross(const ControlPoint& a, const ControlPoint& b, const ControlPoint& p) {
  const Math::Point3d& A = a.restPosition;
  const Math::Point3d& B = b.restPosition;
  const Math::Point3d& P = p.restPosition;
  return (B.x - A.x) * (P.y - A.y) - (B.y - A.y) * (P.x - A.x);
}

} // namespace

std::vector<ControlPoint> convexHull(std::vector<ControlPoint> points) {
  if (points.size() < 3)
    return points;
  std::sort(points.begin(), points.end(), [](const ControlPoint& a, const ControlPoint& b) {
    if (a.restPosition.x != b.restPosition.x)
      return a.restPosition.x < b.restPosition.x;
    return a.restPosition.y < b.restPosition.y;
  });
  std::vector<ControlPoint> chain;
  chain.reserve(points.size() + 1);
  for (const ControlPoint& p : points) {
    while (chain.size() >= 2 && cross(chain[chain.size() - 2], chain.back(), p) <= 0.0)
      chain.pop_back();
    chain.push_back(p);
  }
  // The upper chain may not eat into the lower one.
  const std::size_t t = chain.size() + 1;
  for (std::size_t i = points.size() - 1; i-- > 0;) {
    const ControlPoint& p = points[i];
    while (chain.size() >= t && cross(chain[chain.size() - 2], chain.back(), p) <= 0.0)
      chain.pop_back();
    chain.push_back(p);
  }
  // The last point closes the loop onto the first.
  chain.pop_back();
  return chain;
}

bool fitTwoPoints(const Math::Point3d& r0, const Math::Point3d& r1, const Math::Point3d& q0, const Math::Point3d& q1,
                  Math::Matrix4x4& out) {
  const Math::Vector3d d1 = r1 - r0;
  const Math::Vector3d d2 = q1 - q0;
  if (d1.length() == 0.0 || d2.length() == 0.0 || d1 == d2)
    return false;
  const Math::Vector3d z(0, 0, 1);
  const Math::Vector3d e1 = d1.getNormalized();
  const Math::Vector3d f1 = z.getCrossProduct(e1).getNormalized();
  // The rest basis keeps z itself as its third axis.
  const Math::Matrix4x4 b1(e1, f1, z, Math::Point3d(0, 0, 0));
  const Math::Vector3d e2 = d2.getNormalized();
  const Math::Vector3d f2 = z.getCrossProduct(e2).getNormalized();
  const Math::Vector3d g2 = e2.getCrossProduct(f2).getNormalized();
  const Math::Matrix4x4 b2(e2, f2, g2, Math::Point3d(0, 0, 0));
  const double s = d2.length() / d1.length();
  Math::Matrix4x4 b1Inverse = b1;
  try {
    b1Inverse.inverse();
  } catch (...) {
    b1Inverse = Math::Matrix4x4();
  }
  out.translate(Math::Vector3d(q0));
  out *= b2;
  out.scale(s, 1, 1);
  out *= b1Inverse;
  out.translate(-Math::Vector3d(r0));
  return true;
}

Math::Matrix4x4 fitPoints(const std::vector<ControlPoint>& points, bool perspective, unsigned int level,
                          double previousChange, const std::vector<double>* weights) {
  const FitSystem system = buildFitSystem(points, perspective, weights);
  const Eigen::VectorXf h = solveFitSystem(system);
  const bool z = system.threeDimensional;
  double values[16];
  for (int i = 0; i < 8; ++i)
    values[i] = static_cast<double>(h(i));
  for (int i = 8; i < 12; ++i)
    values[i] = z ? static_cast<double>(h(i)) : (i == 10 ? 1.0 : 0.0);
  for (int i = 12; i < 15; ++i)
    values[i] = static_cast<double>(h(i));
  values[15] = 1.0;
  const Math::Matrix4x4 fitted(values);
  if (!perspective)
    return fitted;

  // A divisor at or below 0.2 puts the point behind or too near the eye of the fitted map.
  std::vector<double> newWeights(points.size());
  bool someBad = false;
  double change = 0.0;
  for (std::size_t k = 0; k < points.size(); ++k) {
    const Math::Point3d& r = points[k].restPosition;
    double w = values[3] * r.x + values[7] * r.y;
    if (z)
      w += values[11] * r.z;
    w += 1.0;
    newWeights[k] = std::max(w, 0.2);
    if (w <= 0.2) {
      someBad = true;
      if (weights && k < weights->size())
        change = std::max(change, std::fabs((*weights)[k] - w));
    }
  }
  if (someBad && level < 100 && (!weights || level <= 1 || previousChange - change > 0.01))
    return fitPoints(points, perspective, level + 1, change, &newWeights);
  return fitted;
}

std::vector<ControlPoint> participatingPoints(std::vector<ControlPoint> points, const MultiPointSettings& s) {
  if (s.convexHull && points.size() >= 3)
    return convexHull(std::move(points));
  return points;
}

bool projectsThroughCamera(std::size_t points, const MultiPointSettings& s) {
  return s.flatten == Flatten_e::PROJECT || points > 3;
}

namespace {

// Takes the participating points and re-expresses their current positions, moved from rest by
// the activity; gives the matrix the fit is put under (the first input's, or the identity when
// projected points have no camera to go through, in which case they stay as they are).
Math::Matrix4x4 reexpress(std::vector<ControlPoint>& points, const ControlPoint& first, const MultiPointSettings& s,
                          const CameraMatrices* camera) {
  const double a = s.activity;
  const auto blend = [a](ControlPoint& p) {
    if (a != 1.0)
      p.position = p.restPosition + (p.position - p.restPosition) * a;
  };
  if (projectsThroughCamera(points.size(), s)) {
    if (!camera)
      return Math::Matrix4x4();
    for (ControlPoint& p : points) {
      if (p.matrix == first.matrix || p.position == first.position)
        p.position = p.restPosition;
      else
        p.position = projectToDrawingPlane(p.position, camera->view, camera->projection, first.matrix, nullptr);
      blend(p);
    }
    return first.matrix;
  }
  const Math::Matrix4x4 g = first.matrix.getInverse();
  for (ControlPoint& p : points) {
    p.position = g * p.position;
    blend(p);
  }
  return first.matrix;
}

// Takes the re-expressed points and the matrix to put the fit under; gives the fit by the
// number of points, or nothing when two points cannot be fitted.
std::optional<Math::Matrix4x4> fitByCount(const std::vector<ControlPoint>& points, Math::Matrix4x4 out,
                                          bool perspective) {
  switch (points.size()) {
  case 1:
    return points[0].matrix;
  case 2:
    if (!fitTwoPoints(points[0].restPosition, points[1].restPosition, points[0].position, points[1].position, out))
      return std::nullopt;
    return out;
  case 3:
    return out * triangleMap({points[0].restPosition, points[1].restPosition, points[2].restPosition},
                             {points[0].position, points[1].position, points[2].position}, Math::Vector3d(0, 0, 1));
  default:
    return out * fitPoints(points, perspective);
  }
}

} // namespace

std::optional<Math::Matrix4x4> fitMultiPoints(std::vector<ControlPoint> points, const ControlPoint& first,
                                              const MultiPointSettings& s, const CameraMatrices* camera) {
  const Math::Matrix4x4 under = reexpress(points, first, s, camera);
  return fitByCount(points, under, s.perspective);
}

} // namespace PointConstraintMulti
