#pragma once
// The least-squares system behind the fit of four or more points, in single precision (Eigen):
// built from the control points and solved for its minimum-norm answer. Apart from the rest of
// the fit so that only the fit itself and what measures it see Eigen.
#include <Eigen/Dense>
#include <vector>

#include "MultiPoints/MultiPointFit.h"

namespace PointConstraintMulti {

// The least-squares system of four or more points: 15 unknowns h0..h14, two rows per point
// (x, y), a z row when some point leaves its rest z, and a row pinning each point's perspective
// divisor when weights are given.
struct FitSystem {
  Eigen::MatrixXf a;
  Eigen::VectorXf b;
  bool threeDimensional = false;
};
FitSystem buildFitSystem(const std::vector<ControlPoint>& points, bool perspective, const std::vector<double>* weights);
// The minimum-norm least-squares solution (singular value decomposition, thin U and V).
Eigen::VectorXf solveFitSystem(const FitSystem& system);

} // namespace PointConstraintMulti
