#pragma once
// The two- and three-points constraints' arithmetic, apart from the nodes: everything that
// follows once the pegs' matrices, rest pivots and current positions are known. Points and
// matrices are in scene space and drawing units; ratios are fractions (the nodes divide their
// percentages by 100); angles in degrees. Degenerate segments are refused (false); degenerate
// triangles are not, their frames are kept invertible instead.
#include <array>

#include "HostInterface/HostMath.h"

namespace PointConstraintMath {

// The stretch r held to [dmin, dmax] (either ignored when 0 or less). With smoothing s > 0 it
// eases into the limits instead of stopping: below dmin from (1 − 0.9 s)·dmin down to a floor
// of (1 − 0.1 s)·dmin, above dmax (when dmax > 1) up to a ceiling of dmax + 0.1 s·dmax that
// it reaches at dmax + s·dmax.
double limitedStretch(double r, double s, double dmin, double dmax);

// The scale across the segment for a stretch r: (1/|r| − 1)·m + 1, so that m = 1 keeps the area
// and m = 0 the width; at least 0.0001, then held to [vmin, vmax] (either ignored when 0 or less).
double crossScale(double r, double m, double vmin, double vmax);

// The two-points node's options, as fractions.
struct SegmentOptions {
  enum Transform { eTranslate = 0, eTransform = 1, eLocalTransform = 2 };
  double skew = 0.0;       // share of the turn added as skew, 0..1
  double volume = 0.75;    // the cross-scale modifier m (not clamped)
  double smoothing = 0.0;  // 0..1
  double balance = 0.0;    // share of the remaining gap to the secondary pivot, 0..1
  double stretchMin = 0.0; // stretch limits; 0 or less: none
  double stretchMax = 0.0;
  double volumeMax = 2.0; // cross-scale limits; 0 or less: none
  double volumeMin = 0.25;
  bool flatten = false; // drop z from the pivots before aiming
  int transform = eTranslate;
  double activity = 1.0; // below 1 the result is blended towards the right peg's own matrix
};

// The two pegs as the node found them: the primary peg is followed, the secondary aimed at.
struct SegmentPegs {
  Math::Point3d restPrimary, restSecondary; // p and q: the pegs' pivots in drawing units
  Math::Point3d primary;                    // wp = P × p
  Math::Point3d secondary;                  // wq, projected onto the primary's plane when asked
  Math::Point3d secondaryUnprojected;       // wq as P × q gives it, for the balance
  Math::Matrix4x4 primaryMatrix;            // P
  Math::Matrix4x4 parent;                   // G, the matrix arriving at the primary peg
  Math::Matrix4x4 right;                    // the right peg's matrix (the node's in matrix)
  bool rightIsPrimary = true;
};

// The node's output: the map carrying the rest segment p→q onto the current one (as seen from
// the primary's parent), stretched within the limits, squashed across by the volume rule,
// skewed, balanced, blended by the activity about the right pivot and put back under G.
// False, with `out` untouched, when the rest pivots coincide.
bool segmentMap(const SegmentPegs& pegs, const SegmentOptions& options, Math::Matrix4x4& out);

// The affine map carrying the rest triangle p0 p1 p2 (its normal +z) onto c0 c1 c2 with normal
// n; the x and y terms of both frames are kept away from zero first, so it always exists (the
// identity if the rest frame still cannot be inverted).
Math::Matrix4x4 triangleMap(const std::array<Math::Point3d, 3>& rest, const std::array<Math::Point3d, 3>& current,
                            const Math::Vector3d& normal);

// The three pegs as the node found them, corners in the primary's order (primary first).
struct TrianglePegs {
  enum Transform { eTranslate = 0, eTransform = 1, eLocalTransform = 2 };
  std::array<Math::Point3d, 3> rest;    // pivots in drawing units
  std::array<Math::Point3d, 3> current; // where they are now; the last two projected when asked
  Math::Matrix4x4 primaryMatrix;        // P
  Math::Matrix4x4 parent;               // G: the matrix arriving at the primary peg's main input
  Math::Matrix4x4 right;                // the right peg's matrix, what activity 0 gives
};

// The node's output for a transform type (Transform and Local Transform work below G and take
// over the primary peg's own rotation about its pivot, after or before the map). An activity
// other than exactly 1 blends towards the right peg's matrix, extrapolating beyond 0..1.
Math::Matrix4x4 triangleResult(const TrianglePegs& pegs, int transform, double activity);

} // namespace PointConstraintMath
