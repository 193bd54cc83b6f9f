#pragma once
// The arithmetic of the multi-points constraint, free of any scene: the control point of one
// input, the node's settings, the convex hull of rest positions, the re-expression of current
// positions in one common space (the first input's frame, or its drawing plane as the camera sees
// it) and the fits that carry rest positions (R) onto current positions (Q) there. One point
// gives its own matrix, two a turn with a stretch along their line, three the affine map of one
// triangle onto the other, four or more a least-squares affine or projective map solved in
// single precision. Degenerate input never throws: two coincident or rigidly moved points give
// no result, a flat triangle goes through the scale guard, a rank-deficient system takes the
// minimum-norm solution.
#include <optional>
#include <vector>

#include "Core/TransformFunctions.h"
#include "HostInterface/HostMath.h"
#include "MultiPoints/PointConstraintMultiOptions.h"

namespace PointConstraintMulti {

struct ControlPoint {
  Math::Matrix4x4 matrix;     // composed matrix arriving at the input port
  Math::Point3d restPosition; // the input node's pivot, drawing units
  Math::Point3d position;     // where the pivot is now (matrix × restPosition, then re-expressed)
  unsigned int portIndex = 0;
};

// The node's settings at a frame.
struct MultiPointSettings {
  double activity = 1.0; // ACTIVE / 100 held to 0..1, times the first switch's value / 100 held alike
  Flatten_e flatten = Flatten_e::ALLOW;
  bool convexHull = false;  // only the points on the hull of the rest positions take part
  bool perspective = false; // four points or more may fit a projective map
};

// The vertices of the convex hull of the rest positions in the x-y plane (z ignored), counter-
// clockwise from the smallest x (then smallest y); collinear and repeated points are dropped.
// Lists of fewer than three points come back unchanged.
std::vector<ControlPoint> convexHull(std::vector<ControlPoint> points);

// Composes onto `out` the map that turns the rest direction R0→R1 onto Q0→Q1 and stretches
// along that line only, carrying R0 onto Q0. False (and `out` untouched) when either offset
// has zero length or the two offsets are equal.
bool fitTwoPoints(const Math::Point3d& r0, const Math::Point3d& r1, const Math::Point3d& q0, const Math::Point3d& q1,
                  Math::Matrix4x4& out);

// The matrix fitted to four or more points. With perspective, fits that leave some point's
// divisor at 0.2 or below are repeated with that divisor pinned, level by level (at most 100),
// while the pinned divisors still move by more than 0.01.
Math::Matrix4x4 fitPoints(const std::vector<ControlPoint>& points, bool perspective, unsigned int level = 0,
                          double previousChange = -1.0, const std::vector<double>* weights = nullptr);

// The points that take part in the fit: all of them, or from three points on with convexHull
// only those on the hull of their rest positions.
std::vector<ControlPoint> participatingPoints(std::vector<ControlPoint> points, const MultiPointSettings& s);

// Whether that many participating points are carried through the camera onto the first input's
// drawing plane (under PROJECT, and always from four points on) rather than into its frame.
bool projectsThroughCamera(std::size_t points, const MultiPointSettings& s);

// The node's fit of the participating points, `first` being the first point gathered (whose
// frame they are expressed in). The current positions are re-expressed (through `camera` when
// they are projected; without a camera they stay as they are and the fit is not put under the
// first input), moved from rest by the activity, and fitted by their number. Nothing when two
// points cannot be fitted.
std::optional<Math::Matrix4x4> fitMultiPoints(std::vector<ControlPoint> points, const ControlPoint& first,
                                              const MultiPointSettings& s, const CameraMatrices* camera);

} // namespace PointConstraintMulti
