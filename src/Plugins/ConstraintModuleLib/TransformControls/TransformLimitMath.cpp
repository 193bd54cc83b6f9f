#include "TransformControls/TransformLimitMath.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "Core/TransformFunctions.h"

namespace {

using namespace TransformLimit;

constexpr double kPi = 3.141592653589793;
constexpr double kHalfPi = 1.5707963267948966;
constexpr double kTwoPi = 6.283185307179586;
constexpr int kPolarIterations = 100;
// The iteration stops once a step moves no column by more than this (2^-52).
constexpr double kPolarTolerance = std::numeric_limits<double>::epsilon();
// Diagonal values of the rotation are kept at least this large before its angle is read.
constexpr double kMinDiagonal = 0.0001;

const Math::Vector3d kZAxis(0, 0, 1);

double sign(double v) { return v > 0.0 ? 1.0 : v < 0.0 ? -1.0 : 0.0; }

// One step of the polar iteration, q ← ½ (q + (qᵀ)⁻¹), on a matrix without translation whose
// last row and column are (0, 0, 0, 1): only its 3×3 part moves, and the inverse of its
// transpose is its cofactor matrix over its determinant (the identity when it has none, as
// the host's getInverse gives). Returns the largest column sum of absolute changes.
double polarStep(double q[16]) {
  const auto a = [q](int row, int col) { return q[4 * col + row]; };
  double cof[3][3] = {{a(1, 1) * a(2, 2) - a(1, 2) * a(2, 1), a(1, 2) * a(2, 0) - a(1, 0) * a(2, 2),
                       a(1, 0) * a(2, 1) - a(1, 1) * a(2, 0)},
                      {a(0, 2) * a(2, 1) - a(0, 1) * a(2, 2), a(0, 0) * a(2, 2) - a(0, 2) * a(2, 0),
                       a(0, 1) * a(2, 0) - a(0, 0) * a(2, 1)},
                      {a(0, 1) * a(1, 2) - a(0, 2) * a(1, 1), a(0, 2) * a(1, 0) - a(0, 0) * a(1, 2),
                       a(0, 0) * a(1, 1) - a(0, 1) * a(1, 0)}};
  const double det = a(0, 0) * cof[0][0] + a(0, 1) * cof[0][1] + a(0, 2) * cof[0][2];
  const bool invertible = det != 0.0 && std::isfinite(det);
  const double inv = invertible ? 1.0 / det : 0.0;
  double change = 0.0;
  for (int col = 0; col < 3; ++col) {
    double sum = 0.0;
    for (int row = 0; row < 3; ++row) {
      const double invT = invertible ? cof[row][col] * inv : (row == col ? 1.0 : 0.0);
      double& v = q[4 * col + row];
      const double next = 0.5 * (v + invT);
      sum += std::fabs(v - next);
      v = next;
    }
    change = std::max(change, sum);
  }
  return change;
}

Math::Matrix4x4 turn(double radians) {
  Math::Matrix4x4 r;
  r.rotateRadians(radians, kZAxis);
  return r;
}

} // namespace

StretchParts decomposeStretch(const Math::Matrix4x4& m) {
  StretchParts r;
  double v[16];
  m.getValues(v);
  r.translation = Math::Vector3d(v[12], v[13], v[14]);
  v[3] = v[7] = v[11] = v[12] = v[13] = v[14] = 0.0;
  v[15] = 1.0;
  r.sx = std::sqrt(v[1] * v[1] + v[0] * v[0]);
  r.sy = (v[5] * v[0] - v[4] * v[1]) / r.sx;
  const double sz = 1.0;
  for (int i = 0; i < 3; ++i) {
    v[i] /= r.sx;
    v[4 + i] /= r.sy;
    v[8 + i] /= sz;
  }
  const Math::Matrix4x4 unscaled(v);

  double qv[16];
  unscaled.getValues(qv);
  for (int i = 0; i < kPolarIterations; ++i)
    if (!(polarStep(qv) > kPolarTolerance))
      break;

  for (int i : {0, 5, 10})
    if (std::fabs(qv[i]) <= kMinDiagonal)
      qv[i] = kMinDiagonal;
  const Math::Matrix4x4 rotation(qv);
  r.angle = std::acos(qv[0] / std::sqrt(qv[1] * qv[1] + qv[0] * qv[0]));
  if (!(qv[1] > 0.0))
    r.angle = -r.angle;
  r.stretch = rotation.getInverse() * unscaled;
  r.skewA = std::atan2(r.stretch[1], r.stretch[0]);
  r.skewB = std::atan2(r.stretch[4], r.stretch[5]);
  return r;
}

bool LimitSettings::keepsEverything() const {
  return tx == 1.0 && ty == 1.0 && tz == 1.0 && sx == 1.0 && sy == 1.0 && rot == 1.0 && skew == 1.0 && allowFlip &&
         !uniformScale && flatten == Flatten_e::ALLOW;
}

void LimitSettings::applySwitch(double a) {
  activity = a;
  switch (switchType) {
  case SwitchType_e::TRANSLATE:
    tx *= a;
    ty *= a;
    tz *= a;
    break;
  case SwitchType_e::SCALE:
    sx *= a;
    sy *= a;
    break;
  case SwitchType_e::ROTATION:
    rot *= a;
    break;
  case SwitchType_e::SKEW:
    skew *= a;
    break;
  case SwitchType_e::SCALESKEW:
    skew *= a;
    sx *= a;
    sy *= a;
    break;
  case SwitchType_e::ACTIVE:
    break;
  }
}

double limitRatio(double percent) { return std::clamp(percent, 0.0, 100.0) / 100.0; }

Math::Matrix4x4 limitTransform(const Math::Matrix4x4& in, const Math::Matrix4x4& reference,
                               const Math::Point3d& control, const LimitSettings& s, const LimitCamera* camera) {
  const Math::Point3d& p = control;
  // The input as seen from the reference frame.
  Math::Matrix4x4 local = reference.getInverse() * in;
  sanitizeScale(local);
  Math::Vector3d d = local * p - p;

  // A mirrored input is unmirrored before it is split, and mirrored back at the end.
  double fx = 1.0, fy = 1.0;
  const bool flipped = s.allowFlip && isMirrored(local);
  if (flipped) {
    const bool flipX = s.flipAxis == FlipAxisType_e::MINIMIZED ? local[0] <= 0.0 : s.flipAxis != FlipAxisType_e::FLIPY;
    (flipX ? fx : fy) = -1.0;
    local.scale(fx, fy, 1);
  }

  const StretchParts parts = decomposeStretch(local);
  double sigmaX = parts.sx;
  double sigmaY = parts.sy;
  double theta = parts.angle;
  Math::Matrix4x4 stretch = parts.stretch;

  if (camera) {
    // The control's displacement as the camera sees it on the reference's drawing plane.
    const Math::Point3d moved = in * p;
    d = projectToDrawingPlane(moved, camera->view, camera->projection, reference, nullptr) - p;
    if (s.flatten == Flatten_e::PROJECT3DSCALE) {
      // Nearer the camera looks larger: scale by the ratio of the two depths' view widths.
      const double za = moved.z;
      const double zf = (reference * p).z;
      const Math::Matrix4x4 identity;
      const Math::Point3d qa =
          projectToView(Math::Point3d(1, 0, za), camera->view, camera->projection, identity, nullptr);
      const Math::Point3d qf =
          projectToView(Math::Point3d(1, 0, zf), camera->view, camera->projection, identity, nullptr);
      const double depthRatio = qa.x / qf.x;
      sigmaX *= depthRatio;
      sigmaY *= depthRatio;
    }
  }
  d = Math::Vector3d(d.x * s.tx, d.y * s.ty, d.z * s.tz);

  // Both axes negative past a quarter turn is the same as a half turn more with both positive.
  if (s.allowFlip && std::fabs(theta) > kHalfPi && sigmaY < 0.0 && sigmaX > 0.0) {
    sigmaX = -sigmaX;
    sigmaY = -sigmaY;
    theta = std::fmod(theta + kPi, kTwoPi);
    if (theta > kPi)
      theta -= kTwoPi;
  }

  // The stretch's lean is moved into the rotation (or out of it) before the shares are taken.
  const double thetaFull = theta;
  double leanAngle;
  switch (s.skewType) {
  case SkewType_e::SKEWAIM:
    theta = theta - parts.skewB * s.rot;
    leanAngle = parts.skewB;
    break;
  case SkewType_e::SKEWIGNORE:
    theta = theta + parts.skewA * s.rot;
    leanAngle = -parts.skewA;
    break;
  default:
    theta = theta + (parts.skewA - parts.skewB) * s.rot;
    leanAngle = -(parts.skewA - parts.skewB);
    break;
  }
  // The stretch only enters the skew part, which is not built without a skew share.
  if (s.skew > 0.0) {
    stretch = stretch * turn(leanAngle);
    if (s.skew != 1.0)
      stretch = blendTransforms(stretch, Math::Matrix4x4(), s.skew, Math::Point3d(0, 0, 0), Math::Vector3d(0, 0, 0),
                                true, true);
  }
  if (s.rot != 1.0)
    theta = theta * s.rot;
  const double delta = thetaFull - theta;

  const double gx = std::fabs(sigmaX) / sigmaX;
  const double gy = std::fabs(sigmaY) / sigmaY;
  double ux = sigmaX, uy = sigmaY;
  if (s.sx < 1.0 || s.sy < 1.0) {
    ux = (std::fabs(sigmaX) - 1.0) * s.sx + 1.0;
    uy = (std::fabs(sigmaY) - 1.0) * s.sy + 1.0;
  }
  if (s.uniformScale)
    ux = uy = (std::fabs(ux) + std::fabs(uy)) / 2.0;
  const double kx = s.allowFlip ? gx * std::fabs(ux) : std::fabs(ux);
  const double ky = s.allowFlip ? gy * std::fabs(uy) : std::fabs(uy);

  // Scale: about the part of the rotation that was given up, so it stays on the input's axes.
  Math::Matrix4x4 scale;
  if (s.rot != 1.0 && s.sx > 0.0) {
    scale.rotateRadians(delta, kZAxis);
    scale.scale(kx, ky, 1);
    scale.rotateRadians(-delta, kZAxis);
    if (s.skew < 1.0) {
      double v[16];
      scale.getValues(v);
      v[1] *= s.skew;
      v[4] *= s.skew;
      scale = Math::Matrix4x4(v);
    }
  } else {
    scale.scale(kx, ky, 1);
  }

  // Skew: the remaining stretch, turned the same way; its axes keep the scale shares' lengths.
  Math::Matrix4x4 skew;
  if (s.skew > 0.0) {
    skew.rotateRadians(delta, kZAxis);
    skew *= stretch;
    skew.rotateRadians(-delta, kZAxis);
    if (s.sx < 1.0 || s.sy < 1.0) {
      double v[16];
      skew.getValues(v);
      v[0] = sign(v[0]) * ((std::fabs(v[0]) - 1.0) * s.sx + 1.0);
      v[5] = sign(v[5]) * ((std::fabs(v[5]) - 1.0) * s.sy + 1.0);
      for (double* axis : {v, v + 4}) {
        const double length = std::sqrt(axis[0] * axis[0] + axis[1] * axis[1] + axis[2] * axis[2]);
        for (int i = 0; i < 3; ++i)
          axis[i] /= length;
      }
      skew = Math::Matrix4x4(v);
    }
  }

  Math::Matrix4x4 linear;
  linear.rotateRadians(theta, kZAxis);
  linear *= skew;
  linear *= scale;
  if (s.activity != 1.0 && s.switchType == SwitchType_e::ACTIVE)
    linear = blendTransforms(linear, local.rotation(), s.activity, Math::Point3d(0, 0, 0), Math::Vector3d(0, 0, 0),
                             true, true);

  Math::Matrix4x4 result;
  result.translate(d);
  result.translate(p.x, p.y, p.z);
  result *= linear;
  if (flipped)
    result.scale(fx, fy, 1);
  result.translate(-p.x, -p.y, -p.z);
  return Math::Matrix4x4() * reference * result;
}
