#pragma once
// The two- and three-points constraints' arithmetic, apart from the nodes: everything that
// follows once the pegs' matrices, rest pivots and current positions and the settings at the
// frame are known. Points and matrices are in scene space and drawing units; ratios are fractions
// (the nodes divide their percentages by 100); angles in degrees. Degenerate segments are refused
// (no result); degenerate triangles are not, their frames are kept invertible instead.
#include <array>
#include <optional>

#include "Core/MatrixValues.h"
#include "HostInterface/HostMath.h"
#include "PointConstraints/PointConstraint2Options.h"
#include "PointConstraints/PointConstraint3Options.h"

namespace PointConstraintMath {

// The stretch r held to [dmin, dmax] (either ignored when 0 or less). With smoothing s > 0 it
// eases into the limits instead of stopping: below dmin from (1 − 0.9 s)·dmin down to a floor
// of (1 − 0.1 s)·dmin, above dmax (when dmax > 1) up to a ceiling of dmax + 0.1 s·dmax that
// it reaches at dmax + s·dmax.
double limitedStretch(double r, double s, double dmin, double dmax);

// The scale across the segment for a stretch r: (1/|r| − 1)·m + 1, so that m = 1 keeps the area
// and m = 0 the width; at least 0.0001, then held to [vmin, vmax] (either ignored when 0 or less).
double crossScale(double r, double m, double vmin, double vmax);

// The two-points node's settings at a frame, shares as fractions (the attributes / 100).
struct SegmentSettings {
  double activity = 1.0;   // ACTIVE modulated by a switch; below 1 blends towards the right peg
  double skew = 0.0;       // share of the turn added as skew, 0..1
  double volume = 0.75;    // the cross-scale modifier m (not clamped)
  double smoothing = 0.0;  // 0..1
  double balance = 0.0;    // share of the remaining gap to the secondary pivot, 0..1
  double stretchMin = 0.0; // stretch limits; 0 or less: none
  double stretchMax = 0.0;
  double volumeMax = 2.0; // cross-scale limits; 0 or less: none
  double volumeMin = 0.25;
  PointConstraint2::Flatten_e flatten = PointConstraint2::Flatten_e::ALLOW;
  PointConstraint2::Transform_e transform = PointConstraint2::Transform_e::TRANSLATE;
  PointConstraint2::PrimaryPort_e primaryPort = PointConstraint2::PrimaryPort_e::RIGHT;
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

// The rest segment p→q as the map reads it: p (in the plane z = 0 when flattened), the direction
// u0 = q − p and its length, the inverse of the rest frame (x along u0, z out of the drawing;
// the identity when that frame cannot be inverted) and the angle that inverse turns by (degrees).
// It changes only with the pegs' pivots and the primary's choice, so a node may keep it.
struct RestSegment {
  Math::Point3d p;
  Math::Vector3d u0;
  double length = 0.0;
  MatrixValues restInverse;
  double restAngle = 0.0;
};

// The rest segment from the primary's and the secondary's pivots; nothing when they coincide.
std::optional<RestSegment> restSegment(const Math::Point3d& restPrimary, const Math::Point3d& restSecondary,
                                       bool flatten);

// The node's output: the map carrying the rest segment p→q onto the current one (as seen from
// the primary's parent), stretched within the limits, squashed across by the volume rule,
// skewed, balanced, blended by the activity about the right pivot and put back under G.
// Nothing when the rest pivots coincide.
std::optional<Math::Matrix4x4> segmentMap(const SegmentPegs& pegs, const SegmentSettings& s);
// The same with the rest segment of the pegs' pivots already worked out.
Math::Matrix4x4 segmentMap(const SegmentPegs& pegs, const SegmentSettings& s, const RestSegment& rest);

// The three-points node's settings at a frame.
struct TriangleSettings {
  double activity = 1.0; // ACTIVE modulated by a switch; any other value than 1 blends (and extrapolates)
  PointConstraint3::Flatten_e flatten = PointConstraint3::Flatten_e::ALLOW;
  PointConstraint3::Transform_e transform = PointConstraint3::Transform_e::TRANSLATE;
  PointConstraint3::PrimaryPort_e primaryPort = PointConstraint3::PrimaryPort_e::RIGHT;
};

// The three pegs as the node found them, corners in the primary's order (primary first).
struct TrianglePegs {
  std::array<Math::Point3d, 3> rest;    // pivots in drawing units
  std::array<Math::Point3d, 3> current; // where they are now; the last two projected when asked
  Math::Matrix4x4 primaryMatrix;        // P
  Math::Matrix4x4 parent;               // G: the matrix arriving at the primary peg's main input
  Math::Matrix4x4 right;                // the right peg's matrix, what activity 0 gives
};

// The node's output for its transform type: the map of the rest triangle onto the current one
// (Transform and Local Transform work below G and take over the primary peg's own rotation about
// its pivot, after or before the map). An activity other than exactly 1 blends towards the right
// peg's matrix, extrapolating beyond 0..1. A degenerate triangle still gives a map (kept
// invertible), so there is always a result.
Math::Matrix4x4 triangleResult(const TrianglePegs& pegs, const TriangleSettings& s);
// The same with the rest triangle's frame inverted already (triangleRestInverse of pegs.rest;
// nothing when it cannot be inverted, which maps by the identity).
Math::Matrix4x4 triangleResult(const TrianglePegs& pegs, const TriangleSettings& s,
                               const std::optional<MatrixValues>& restInverse);

} // namespace PointConstraintMath
