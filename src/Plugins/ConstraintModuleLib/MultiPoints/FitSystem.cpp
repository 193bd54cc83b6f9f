#include "MultiPoints/FitSystem.h"

#include <algorithm>
#include <cmath>

namespace PointConstraintMulti {

namespace {

// A point whose rest and current z differ makes the fit three-dimensional.
bool leavesRestPlane(const std::vector<ControlPoint>& points) {
  for (const ControlPoint& p : points)
    if (std::fabs(p.restPosition.z - p.position.z) > 0.00001)
      return true;
  return false;
}

} // namespace

FitSystem buildFitSystem(const std::vector<ControlPoint>& points, bool perspective,
                         const std::vector<double>* weights) {
  FitSystem system;
  system.threeDimensional = leavesRestPlane(points);
  const bool z = system.threeDimensional;
  const bool weighted = weights && perspective;
  const Eigen::Index rowsPerPoint = 2 + (z ? 1 : 0) + (weighted ? 1 : 0);
  const Eigen::Index n = static_cast<Eigen::Index>(points.size());
  system.a = Eigen::MatrixXf::Zero(rowsPerPoint * n, 15);
  system.b = Eigen::VectorXf::Zero(rowsPerPoint * n);
  Eigen::MatrixXf& a = system.a;
  Eigen::VectorXf& b = system.b;
  for (Eigen::Index k = 0; k < n; ++k) {
    const Math::Point3d& r = points[static_cast<std::size_t>(k)].restPosition;
    const Math::Point3d& q = points[static_cast<std::size_t>(k)].position;
    Eigen::Index row = k * rowsPerPoint;
    // One row per coordinate c of the current position: its rest terms in columns c, c + 4,
    // c + 8 and the translation in c + 12; perspective terms in 3, 7, 11.
    const auto coordinateRow = [&](int c, double target) {
      a(row, c) = static_cast<float>(r.x);
      a(row, c + 4) = static_cast<float>(r.y);
      if (z)
        a(row, c + 8) = static_cast<float>(r.z);
      a(row, c + 12) = 1.0f;
      if (perspective) {
        a(row, 3) = static_cast<float>(-r.x * target);
        a(row, 7) = static_cast<float>(-r.y * target);
        if (z)
          a(row, 11) = static_cast<float>(-r.z * target);
      }
      b(row) = static_cast<float>(target);
      ++row;
    };
    coordinateRow(0, q.x);
    coordinateRow(1, q.y);
    if (z)
      coordinateRow(2, q.z);
    if (weighted && static_cast<std::size_t>(k) < weights->size()) {
      a(row, 3) = static_cast<float>(r.x);
      a(row, 7) = static_cast<float>(r.y);
      if (z)
        a(row, 11) = static_cast<float>(r.z);
      b(row) = static_cast<float>((*weights)[static_cast<std::size_t>(k)] - 1.0);
    }
  }
  return system;
}

Eigen::VectorXf solveFitSystem(const FitSystem& system) {
  // Unknowns that no equation mentions (all-zero columns: no perspective, no z) come out 0 in
  // the minimum-norm answer, so the decomposition only sees the others. The rank threshold stays
  // the one of the full system, min(rows, 15) times epsilon of the largest singular value.
  const Eigen::MatrixXf& a = system.a;
  Eigen::Index used[15];
  Eigen::Index nUsed = 0;
  for (Eigen::Index c = 0; c < a.cols(); ++c)
    if (!a.col(c).isZero(0.0f))
      used[nUsed++] = c;
  Eigen::MatrixXf reduced(a.rows(), nUsed);
  for (Eigen::Index i = 0; i < nUsed; ++i)
    reduced.col(i) = a.col(used[i]);
  Eigen::JacobiSVD<Eigen::MatrixXf> svd(reduced, Eigen::ComputeThinU | Eigen::ComputeThinV);
  svd.setThreshold(static_cast<float>(std::min<Eigen::Index>(a.rows(), a.cols())) * Eigen::NumTraits<float>::epsilon());
  const Eigen::VectorXf solved = svd.solve(system.b);
  Eigen::VectorXf h = Eigen::VectorXf::Zero(a.cols());
  for (Eigen::Index i = 0; i < nUsed; ++i)
    h(used[i]) = solved(i);
  return h;
}

} // namespace PointConstraintMulti
