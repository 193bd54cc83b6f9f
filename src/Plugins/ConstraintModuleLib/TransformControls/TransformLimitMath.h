#pragma once
// The transformation limit's arithmetic, apart from the node: splitting a matrix into scale,
// rotation and the stretch left over, and keeping chosen shares (0 to 1) of an input's
// translation, scale, rotation and skew relative to a reference frame, about a control point.
// Matrices and points are in drawing units, angles in radians. Degenerate input (a zero axis)
// gives no result; the node then keeps its input.
#include <optional>

#include "Core/TransformFunctions.h"
#include "HostInterface/HostMath.h"
#include "TransformControls/TransformLimitOptions.h"

// m = T(translation) · Q · stretch · S(sx, sy, 1), where Q is the rotation nearest to the
// unscaled linear part (found by polar iteration) and `angle` its turn about z. sy is negative
// for a mirrored 2-D part. skewA and skewB are the angles of the stretch's x and y axes away
// from x and y.
struct StretchParts {
  Math::Vector3d translation;
  double sx = 1.0;
  double sy = 1.0;
  double angle = 0.0;
  double skewA = 0.0;
  double skewB = 0.0;
  Math::Matrix4x4 stretch;
};

StretchParts decomposeStretch(const Math::Matrix4x4& m);

// r⁻¹ · u for two matrices whose last row and column are (0, 0, 0, 1), as the host's getInverse()
// and product give it (the identity standing in for an r that cannot be inverted), bit for bit:
// the same sums, with the terms those zeros and ones make exact left to the compiler.
Math::Matrix4x4 inverseTimes(const double r[16], const double u[16]);

// What the node has read at a frame, switch effects applied: shares of each component in
// 0..1, the activity (0..1) that fades the whole result when `switchType` is ACTIVE, the
// options, and the control position the limits pivot about.
struct LimitSettings {
  double activity = 1.0;
  double tx = 1.0, ty = 1.0, tz = 1.0;
  double sx = 1.0, sy = 1.0;
  double rot = 1.0;
  double skew = 1.0;
  bool allowFlip = true;
  bool uniformScale = false;
  TransformLimit::Flatten_e flatten = TransformLimit::Flatten_e::ALLOW;
  TransformLimit::FlipAxisType_e flipAxis = TransformLimit::FlipAxisType_e::FLIPX;
  TransformLimit::SkewType_e skewType = TransformLimit::SkewType_e::SKEWOPTIMIZE;
  TransformLimit::SwitchType_e switchType = TransformLimit::SwitchType_e::ACTIVE;
  Math::Point3d control{0, 0, 0}; // POS in drawing units, in the space of what arrives at the main input

  // Every share whole, flips allowed, no uniform scale, no flattening: the input passes as it is.
  bool keepsEverything() const;
  // A switch's activity multiplies the shares that switchType names (ACTIVE: the activity itself).
  void applySwitch(double a);
};

// A percentage attribute as a share: held to 0..100, divided by 100.
double limitRatio(double percent);

// The input `in` limited relative to `reference` about the control; with a camera (when
// flattening) the control's displacement is taken as the camera sees it on the reference's
// drawing plane. The stages, in order: unflip, decompose, project, lean, scale, skew, compose.
// Nothing when the result is not finite.
std::optional<Math::Matrix4x4> limitTransform(const Math::Matrix4x4& in, const Math::Matrix4x4& reference,
                                              const LimitSettings& s, const CameraMatrices* camera);
