#include "TransformControls/TransformLimitMath.h"

#include "Core/MatrixValues.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "Core/Angles.h"
#include "Core/TransformFunctions.h"

namespace {

using namespace TransformLimit;

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
  // Without an inverse the step moves towards the identity (taken as it is, times 1).
  const double inv = invertible ? 1.0 / det : 1.0;
  if (!invertible)
    for (int row = 0; row < 3; ++row)
      for (int col = 0; col < 3; ++col)
        cof[row][col] = row == col ? 1.0 : 0.0;
  double change = 0.0;
#pragma GCC unroll 3
  for (int col = 0; col < 3; ++col) {
    double sum = 0.0;
#pragma GCC unroll 3
    for (int row = 0; row < 3; ++row) {
      const double invT = cof[row][col] * inv;
      double& v = q[4 * col + row];
      const double next = 0.5 * (v + invT);
      sum += std::fabs(v - next);
      v = next;
    }
    change = std::max(change, sum);
  }
  return change;
}

// blendTransforms(target, identity, t, origin, no offset, true, true): the identity's side is
// known (unmirrored, at the origin, unit axes, no turn or skew), so only the target is taken
// apart; the same operations in the same order otherwise.
Math::Matrix4x4 blendFromIdentity(const Math::Matrix4x4& target, double t) {
  if (isMirroredQuickly(target.values()))
    return blendTransforms(target, Math::Matrix4x4(), t, Math::Point3d(0, 0, 0), Math::Vector3d(0, 0, 0), true, true);
  double tx, ty, tz, sx, sy, angle, skew;
  target.extractParameters(false, false, 0.0, 0.0, tx, ty, tz, sx, sy, angle, skew);
  const auto lerp = [t](double a, double b) { return a + (b - a) * t; };
  MatrixValues out;
  out.translate(0.0, 0.0, 0.0);
  out.translate(lerp(0.0, tx), lerp(0.0, ty), lerp(0.0, tz));
  out.translate(0.0, 0.0, 0.0);
  const double turned = blendAngleFromZero(angle, t) * kDegToRad;
  out.rotateZ(std::cos(turned), std::sin(turned));
  out.skew(blendAngleFromZero(skew, t));
  double kx = lerp(1.0, sx);
  double ky = lerp(1.0, sy);
  if (kx == 0.0)
    kx = 0.0001;
  if (ky == 0.0)
    ky = 0.0001;
  out.scale(kx, ky, 1);
  out.translate(-0.0, -0.0, -0.0);
  sanitizeScale(out);
  return out.matrix();
}

// The turn about z by an angle whose cosine and sine are known (sin(−a) is −sin(a) exactly).
Math::Matrix4x4 turn(double c, double s) { return MatrixValues().rotateZ(c, s).matrix(); }

} // namespace

Math::Matrix4x4 inverseTimes(const double r[16], const double u[16]) {
  const Math::Matrix4x4 rotation(r);
  const Math::Matrix4x4 unscaled(u);
  if (rotation.isIdentity())
    return unscaled;
  // The host's Laplace expansion along the row pairs, values (row, col) of r named a<row><col>.
  const double a00 = r[0], a10 = r[1], a20 = r[2], a01 = r[4], a11 = r[5], a21 = r[6], a02 = r[8], a12 = r[9],
               a22 = r[10];
  constexpr double a30 = 0.0, a31 = 0.0, a32 = 0.0, a03 = 0.0, a13 = 0.0, a23 = 0.0, a33 = 1.0;
  const double s0 = a00 * a11 - a10 * a01;
  const double s1 = a00 * a12 - a10 * a02;
  const double s2 = a00 * a13 - a10 * a03;
  const double s3 = a01 * a12 - a11 * a02;
  const double s4 = a01 * a13 - a11 * a03;
  const double s5 = a02 * a13 - a12 * a03;
  const double c5 = a22 * a33 - a32 * a23;
  const double c4 = a21 * a33 - a31 * a23;
  const double c3 = a21 * a32 - a31 * a22;
  const double c2 = a20 * a33 - a30 * a23;
  const double c1 = a20 * a32 - a30 * a22;
  const double c0 = a20 * a31 - a30 * a21;
  const double det = s0 * c5 - s1 * c4 + s2 * c3 + s3 * c2 - s4 * c1 + s5 * c0;
  if (det == 0.0 || !std::isfinite(det))
    return unscaled;
  const double inv = 1.0 / det;
  double b[16]; // column order
  b[0] = (a11 * c5 - a12 * c4 + a13 * c3) * inv;
  b[4] = (-a01 * c5 + a02 * c4 - a03 * c3) * inv;
  b[8] = (a31 * s5 - a32 * s4 + a33 * s3) * inv;
  b[12] = (-a21 * s5 + a22 * s4 - a23 * s3) * inv;
  b[1] = (-a10 * c5 + a12 * c2 - a13 * c1) * inv;
  b[5] = (a00 * c5 - a02 * c2 + a03 * c1) * inv;
  b[9] = (-a30 * s5 + a32 * s2 - a33 * s1) * inv;
  b[13] = (a20 * s5 - a22 * s2 + a23 * s1) * inv;
  b[2] = (a10 * c4 - a11 * c2 + a13 * c0) * inv;
  b[6] = (-a00 * c4 + a01 * c2 - a03 * c0) * inv;
  b[10] = (a30 * s4 - a31 * s2 + a33 * s0) * inv;
  b[14] = (-a20 * s4 + a21 * s2 - a23 * s0) * inv;
  b[3] = (-a10 * c3 + a11 * c1 - a12 * c0) * inv;
  b[7] = (a00 * c3 - a01 * c1 + a02 * c0) * inv;
  b[11] = (-a30 * s3 + a31 * s1 - a32 * s0) * inv;
  b[15] = (a20 * s3 - a21 * s1 + a22 * s0) * inv;
  const Math::Matrix4x4 inverse(b);
  if (inverse.isIdentity())
    return unscaled;
  if (unscaled.isIdentity())
    return inverse;
  // The host's product, each value 0 + b0 u0 + b1 u1 + b2 u2 + b3 u3 added left to right, u's
  // last row (0, 0, 0, 1) and last column (0, 0, 0, 1) known.
  double p[16];
#pragma GCC unroll 4
  for (int col = 0; col < 4; ++col) {
    const double k0 = col < 3 ? u[4 * col] : 0.0, k1 = col < 3 ? u[4 * col + 1] : 0.0;
    const double k2 = col < 3 ? u[4 * col + 2] : 0.0, k3 = col < 3 ? 0.0 : 1.0;
#pragma GCC unroll 4
    for (int row = 0; row < 4; ++row)
      p[4 * col + row] = 0.0 + b[row] * k0 + b[4 + row] * k1 + b[8 + row] * k2 + b[12 + row] * k3;
  }
  return Math::Matrix4x4(p);
}

StretchParts decomposeStretch(const Math::Matrix4x4& m) {
  StretchParts r;
  double v[16];
  m.getValues(v);
  r.translation = Math::Vector3d(v[12], v[13], v[14]);
  v[3] = v[7] = v[11] = v[12] = v[13] = v[14] = 0.0;
  v[15] = 1.0;
  r.sx = std::sqrt(v[1] * v[1] + v[0] * v[0]);
  r.sy = (v[5] * v[0] - v[4] * v[1]) / r.sx;
  // The z axis keeps its length (its scale is taken as 1).
  for (int i = 0; i < 3; ++i) {
    v[i] /= r.sx;
    v[4 + i] /= r.sy;
  }
  // Copied value by value: v was just written so, and a block copy's wide reads of values still
  // on their way to memory wait for them.
  double qv[16];
#pragma GCC unroll 16
  for (int i = 0; i < 16; ++i)
    qv[i] = v[i];
  for (int i = 0; i < kPolarIterations; ++i)
    if (!(polarStep(qv) > kPolarTolerance))
      break;

  for (int i : {0, 5, 10})
    if (std::fabs(qv[i]) <= kMinDiagonal)
      qv[i] = kMinDiagonal;
  r.angle = std::acos(qv[0] / std::sqrt(qv[1] * qv[1] + qv[0] * qv[0]));
  if (!(qv[1] > 0.0))
    r.angle = -r.angle;
  r.stretch = inverseTimes(qv, v);
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

namespace {

// The input as seen from the reference frame, unmirrored when flips are allowed.
struct Unflipped {
  Math::Matrix4x4 local;     // L = F⁻¹ · in, kept invertible, then unmirrored
  Math::Vector3d d;          // the control's displacement under L (taken before unmirroring)
  double fx = 1.0, fy = 1.0; // the factors that mirror the result back
  bool flipped = false;
};

// The rotation kept and what the stretch keeps of the lean.
struct Lean {
  double theta = 0.0; // the rotation kept
  double delta = 0.0; // the rotation given up, about which scale and skew turn
  double cosDelta = 1.0, sinDelta = 0.0;
  Math::Matrix4x4 stretch;
};

// Unflip: takes the input and the reference frame; gives L, the control's displacement under it,
// and L unmirrored on the axis FLIPAXIS names when flips are allowed.
Unflipped unflip(const Math::Matrix4x4& in, const Math::Matrix4x4& reference, const LimitSettings& s) {
  const Math::Point3d& p = s.control;
  Unflipped u;
  u.local = reference.getInverse() * in;
  sanitizeScale(u.local);
  u.d = u.local * p - p;
  u.flipped = s.allowFlip && isMirroredQuickly(u.local.values());
  if (u.flipped) {
    const bool flipX =
        s.flipAxis == FlipAxisType_e::MINIMIZED ? u.local[0] <= 0.0 : s.flipAxis != FlipAxisType_e::FLIPY;
    (flipX ? u.fx : u.fy) = -1.0;
    u.local.scale(u.fx, u.fy, 1);
  }
  return u;
}

// Project: takes the control's displacement and the split L; gives the displacement the
// translation shares keep, taken as the camera sees it on the reference's drawing plane when
// flattening (PROJECT3DSCALE also scales L's axes by the camera's depth ratio).
Math::Vector3d project(Math::Vector3d d, StretchParts& parts, const Math::Matrix4x4& in,
                       const Math::Matrix4x4& reference, const LimitSettings& s, const CameraMatrices* camera) {
  const Math::Point3d& p = s.control;
  if (camera) {
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
      parts.sx *= depthRatio;
      parts.sy *= depthRatio;
    }
  }
  d = Math::Vector3d(d.x * s.tx, d.y * s.ty, d.z * s.tz);
  return d;
}

// Lean: takes the split L; settles both axes negative as a half turn more, moves the stretch's
// lean into (or out of) the rotation as SKEWTYPE says and takes the rotation and skew shares;
// gives the rotation kept, the part given up and the stretch the skew share keeps.
Lean lean(StretchParts& parts, const LimitSettings& s) {
  double& sigmaX = parts.sx;
  double& sigmaY = parts.sy;
  double theta = parts.angle;
  // Both axes negative past a quarter turn is the same as a half turn more with both positive.
  if (s.allowFlip && std::fabs(theta) > kHalfPi && sigmaY < 0.0 && sigmaX > 0.0) {
    sigmaX = -sigmaX;
    sigmaY = -sigmaY;
    theta = std::fmod(theta + kPi, kTwoPi);
    if (theta > kPi)
      theta -= kTwoPi;
  }
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
  Lean l;
  l.stretch = parts.stretch;
  // The stretch only enters the skew part, which is not built without a skew share.
  if (s.skew > 0.0) {
    l.stretch = MatrixValues(l.stretch).rotateZ(std::cos(leanAngle), std::sin(leanAngle)).matrix();
    if (s.skew != 1.0)
      l.stretch = blendFromIdentity(l.stretch, s.skew);
  }
  if (s.rot != 1.0)
    theta = theta * s.rot;
  l.theta = theta;
  l.delta = thetaFull - theta;
  l.cosDelta = std::cos(l.delta);
  l.sinDelta = std::sin(l.delta);
  return l;
}

// Scale: takes L's axis lengths and the rotation given up; gives the scale part, each axis keeping
// its share of its change (the mean of both when uniform), turned about the rotation given up so
// that it stays on the input's axes.
Math::Matrix4x4 scalePart(const StretchParts& parts, const Lean& l, const LimitSettings& s) {
  const double sigmaX = parts.sx, sigmaY = parts.sy;
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

  MatrixValues scale;
  if (s.rot != 1.0 && s.sx > 0.0) {
    scale.rotateZ(l.cosDelta, l.sinDelta).scale(kx, ky, 1).rotateZ(l.cosDelta, -l.sinDelta);
    if (s.skew < 1.0) {
      scale.set(1, scale[1] * s.skew);
      scale.set(4, scale[4] * s.skew);
    }
  } else {
    scale.scale(kx, ky, 1);
  }
  return scale.matrix();
}

// Skew: takes the stretch kept and the rotation given up; gives the skew part, the stretch turned
// the same way as the scale. With partial scale shares its diagonal takes them as the scale does,
// and then each axis is normalised: the skew part leans the axes and never changes their lengths.
Math::Matrix4x4 skewPart(const Lean& l, const LimitSettings& s) {
  if (!(s.skew > 0.0))
    return Math::Matrix4x4();
  Math::Matrix4x4 skew =
      MatrixValues(turn(l.cosDelta, l.sinDelta) * l.stretch).rotateZ(l.cosDelta, -l.sinDelta).matrix();
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
  return skew;
}

// Compose: takes the parts; gives the limited input in the world, its linear part faded towards
// L's rotation by the activity under SWITCHTYPE ACTIVE, about the control and mirrored back.
Math::Matrix4x4 compose(const Unflipped& u, const Math::Vector3d& d, const Lean& l, const Math::Matrix4x4& skew,
                        const Math::Matrix4x4& scale, const Math::Matrix4x4& reference, const LimitSettings& s) {
  const Math::Point3d& p = s.control;
  Math::Matrix4x4 linear =
      MatrixValues().rotateZ(std::cos(l.theta), std::sin(l.theta)).timesLinear(MatrixValues(skew)).matrix() * scale;
  if (s.activity != 1.0 && s.switchType == SwitchType_e::ACTIVE)
    linear = blendTransforms(linear, u.local.rotation(), s.activity, Math::Point3d(0, 0, 0), Math::Vector3d(0, 0, 0),
                             true, true);
  // The linear part has no translation: only its 3x3 enters.
  MatrixValues result;
  result.translate(d).translate(p.x, p.y, p.z).timesLinear(MatrixValues(linear));
  if (u.flipped)
    result.scale(u.fx, u.fy, 1);
  result.translate(-p.x, -p.y, -p.z);
  return reference * result.matrix();
}

bool isFinite(const Math::Matrix4x4& m) {
  return std::all_of(m.values(), m.values() + 16, [](double v) { return std::isfinite(v); });
}

} // namespace

std::optional<Math::Matrix4x4> limitTransform(const Math::Matrix4x4& in, const Math::Matrix4x4& reference,
                                              const LimitSettings& s, const CameraMatrices* camera) {
  const Unflipped u = unflip(in, reference, s);
  StretchParts parts = decomposeStretch(u.local);
  const Math::Vector3d d = project(u.d, parts, in, reference, s, camera);
  const Lean l = lean(parts, s);
  const Math::Matrix4x4 scale = scalePart(parts, l, s);
  const Math::Matrix4x4 skew = skewPart(l, s);
  const Math::Matrix4x4 result = compose(u, d, l, skew, scale, reference, s);
  if (!isFinite(result))
    return std::nullopt;
  return result;
}
