#include "DynamicSpring/SpringMath.h"

#include <algorithm>
#include <array>
#include <cmath>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "Core/Angles.h"
#include "Core/TransformFunctions.h"

namespace {

// Turns smaller than this (radians) count as no turn at all.
constexpr double kNoTurn = 0.0001;

double turnOf(const Math::Quat& q) {
  double angle = 0.0;
  Math::Vector3d axis;
  q.rotAxis(angle, axis);
  return angle;
}

bool finite(const Math::Quat& q) { return (q.w - q.w) + (q.x - q.x) + (q.y - q.y) + (q.z - q.z) == 0.0; }

// Whether a unit quaternion whose w is `w` turns by more than kNoTurn, 2 acos(w) as
// Math::Quat::rotAxis gives it. Only near the threshold is the arc cosine needed: a w up to
// 0.9999 turns by more than 0.028, one from 1 - 1e-12 by less than 0.000003.
bool turnsOf(double w) {
  const double c = std::clamp(w, -1.0, 1.0);
  if (c <= 0.9999)
    return true;
  if (c >= 1.0 - 1e-12)
    return false;
  // Near the threshold's own cosine the arc cosine moves 2e4 times faster than w: a w more than
  // 1e-13 away from it is more than 1e-9 rad from the threshold, far beyond any rounding.
  static const double edge = std::cos(kNoTurn / 2.0);
  if (c < edge - 1e-13 || c > edge + 1e-13)
    return c < edge;
  return std::fabs(2.0 * std::acos(c)) > kNoTurn;
}

// Math::Quat::slerpMethod(Math::Quat(), b, t) for a finite b, its angle given when it is known:
// from the identity the dot product is b's w, and the identity's share is added as it was.
Math::Quat slerpFromRest(const Math::Quat& unitB, double angleIfNear, double t) {
  Math::Quat q = unitB;
  double cosAngle = q.w;
  double angle = angleIfNear;
  if (cosAngle < 0.0) {
    q = Math::Quat(-q.w, -q.x, -q.y, -q.z);
    cosAngle = -cosAngle;
    angle = std::acos(std::min(cosAngle, 1.0));
  }
  const auto [wp, wq] = Math::Quat::slerpWeights(angle, t);
  const Math::Quat r(wp + wq * q.w, wp * 0.0 + wq * q.x, wp * 0.0 + wq * q.y, wp * 0.0 + wq * q.z);
  return angle >= 1e-6 ? r : r.normalized();
}

// The same for a b whose angle is not known yet.
Math::Quat slerpFromRest(const Math::Quat& b, double t) {
  if (!finite(b))
    return Math::Quat::slerpMethod(Math::Quat(), b, t);
  // A spring at rest carries no turn: the identity normalises to itself, at an angle of 0.
  if (b.w == 1.0 && b.x == 0.0 && b.y == 0.0 && b.z == 0.0)
    return slerpFromRest(b, 0.0, t);
  const Math::Quat q = b.normalized();
  return slerpFromRest(q, std::acos(std::min(q.w, 1.0)), t);
}

double halfRoot(double v) { return 0.5 * std::sqrt(std::max(0.0, v)); }

// The composition takes a dozen matrix products a frame. They are made on plain values, each
// exactly as the host's product makes it (the same sums in the same order, and the same short
// cut when a side is exactly the identity), without its temporaries.
using Values = std::array<double, 16>;

// The translation first, then the diagonal: most matrices differ from the identity there.
bool isIdentity(const Values& v) {
  return v[12] == 0.0 && v[13] == 0.0 && v[14] == 0.0 && v[0] == 1.0 && v[5] == 1.0 && v[10] == 1.0 && v[1] == 0.0 &&
         v[2] == 0.0 && v[4] == 0.0 && v[6] == 0.0 && v[8] == 0.0 && v[9] == 0.0 && v[3] == 0.0 && v[7] == 0.0 &&
         v[11] == 0.0 && v[15] == 1.0;
}

void multiply(Values& m, const Values& b) {
  if (isIdentity(m)) {
    m = b;
    return;
  }
  if (isIdentity(b))
    return;
  Values r;
  for (int col = 0; col < 16; col += 4)
    for (int row = 0; row < 4; ++row)
      r[col + row] =
          (((0.0 + m[row] * b[col]) + m[4 + row] * b[col + 1]) + m[8 + row] * b[col + 2]) + m[12 + row] * b[col + 3];
  m = r;
}

Values valuesOf(const Math::Matrix4x4& m) {
  Values v;
  std::copy(m.values(), m.values() + 16, v.begin());
  return v;
}

Values translation(double x, double y, double z) { return {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, x, y, z, 1}; }

// Matrix4x4::skew's factor.
Values skewing(double degrees) {
  const double a = degrees * kDegToRad;
  return {1, 0, 0, 0, std::sin(a), std::cos(a), 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
}

// The quarter turns a skew about another axis is made with: the plain skew is turned there by
// quarter turns about z (and first y). They are the same every time, so they are made once, by
// the host's own calls.
struct QuarterTurns {
  Values into, intoFromY, back, backToY;
  // Whether every value is 0, ±1, e (cos 90°, which rounds to about 6e-17, not 0) or f (the
  // y turn's e times the z turn's), where the worked-out side skews below expect them.
  bool expected = false;
};

bool expectedTurns(const QuarterTurns& q) {
  const double e = q.into[0], f = q.intoFromY[0];
  return e > 0.0 && e < 1e-15 && f > 0.0 && f < 1e-30 &&
         q.into == Values{e, 1, 0, 0, -1, e, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1} &&
         q.back == Values{e, -1, 0, 0, 1, e, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1} &&
         q.intoFromY == Values{f, 1, -e, 0, -e, e, 1, 0, 1, 0, e, 0, 0, 0, 0, 1} &&
         q.backToY == Values{e, 0, 1, 0, 0, 1, 0, 0, -1, 0, e, 0, 0, 0, 0, 1};
}

const QuarterTurns& quarterTurns() {
  static const QuarterTurns turns = [] {
    const Math::Vector3d y(0, 1, 0), z(0, 0, 1);
    QuarterTurns q{valuesOf(Math::Matrix4x4().rotateDegrees(90, z)),
                   valuesOf(Math::Matrix4x4().rotateDegrees(90, y).rotateDegrees(90, z)),
                   valuesOf(Math::Matrix4x4().rotateDegrees(-90, z)),
                   valuesOf(Math::Matrix4x4().rotateDegrees(-90, y))};
    q.expected = expectedTurns(q);
    return q;
  }();
  return turns;
}

Values sideSkew(double degrees, bool aboutY) {
  const QuarterTurns& q = quarterTurns();
  Values m = aboutY ? q.intoFromY : q.into;
  multiply(m, skewing(degrees));
  multiply(m, q.back);
  if (aboutY)
    multiply(m, q.backToY);
  return m;
}

// The composition as `multiply` makes it, product by product: the reference the short products
// below must match, and what answers when they cannot.
Values composedInFull(const SpringHistoryEntry& entry, const Math::Point3d& pivot) {
  Values m = translation(entry.translation.x, entry.translation.y, entry.translation.z);
  multiply(m, translation(pivot.x, pivot.y, pivot.z));
  multiply(m, valuesOf(entry.rotation.matrix()));
  if (entry.skew.x != 0.0)
    multiply(m, skewing(entry.skew.x));
  if (entry.skew.y != 0.0)
    multiply(m, sideSkew(entry.skew.y, false));
  if (entry.skew.z != 0.0)
    multiply(m, sideSkew(entry.skew.z, true));
  multiply(m, {entry.scale.x, 0, 0, 0, 0, entry.scale.y, 0, 0, 0, 0, entry.scale.z, 0, 0, 0, 0, 1});
  multiply(m, translation(-pivot.x, -pivot.y, -pivot.z));
  return m;
}

// Short products. Every matrix composed here is affine (last row exactly 0, 0, 0, 1), and each
// right-hand side has exact zeros where its kind puts them. With finite values a term against
// such a zero is itself a zero, and adding a zero to a sum started from +0 never changes it (the
// sum cannot become -0): leaving those terms out, and the factors that are exactly 1, gives
// `multiply`'s very bits. Only a value that is not finite could tell the difference (infinity
// times zero), and it carries through to the finished matrix, so a finished matrix that is not
// finite is made again in full. The identity short cuts stay as `multiply` takes them.

// A sum is finite only when every value is (one that overflows only sends the matrix the long way).
bool allFinite(const Values& v) {
  double sum = 0.0;
  for (int i = 0; i < 16; i += 4)
    sum += (v[i] + v[i + 1]) + (v[i + 2] + v[i + 3]);
  return sum - sum == 0.0;
}

bool isAffine(const double* v) { return v[3] == 0.0 && v[7] == 0.0 && v[11] == 0.0 && v[15] == 1.0; }

// Two rows of a column (values i and i + 1), worked on together where the processor can: each
// lane makes the same sums in the same order as one value of the plain product.
#if defined(__SSE2__)
struct Rows {
  __m128d v;
};
Rows load(const double* p) { return {_mm_loadu_pd(p)}; }
void store(double* p, Rows r) { _mm_storeu_pd(p, r.v); }
Rows operator*(Rows r, double s) { return {_mm_mul_pd(r.v, _mm_set1_pd(s))}; }
Rows operator+(Rows a, Rows b) { return {_mm_add_pd(a.v, b.v)}; }
Rows fromZero(Rows r) { return {_mm_add_pd(_mm_setzero_pd(), r.v)}; }
#else
struct Rows {
  double a, b;
};
Rows load(const double* p) { return {p[0], p[1]}; }
void store(double* p, Rows r) { p[0] = r.a, p[1] = r.b; }
Rows operator*(Rows r, double s) { return {r.a * s, r.b * s}; }
Rows operator+(Rows x, Rows y) { return {x.a + y.a, x.b + y.b}; }
Rows fromZero(Rows r) { return {0.0 + r.a, 0.0 + r.b}; }
#endif

// A product's last row when both sides are affine: the zeros summed from +0, and the one.
void lastRowAffine(Values& m) {
  m[3] = m[7] = m[11] = 0.0;
  m[15] = 1.0;
}

// m = m * T(x, y, z)
void timesTranslation(Values& m, double x, double y, double z) {
  if (isIdentity(m)) {
    m = translation(x, y, z);
    return;
  }
  if (x == 0.0 && y == 0.0 && z == 0.0)
    return;
  for (int h = 0; h < 4; h += 2) {
    const Rows a0 = load(&m[h]), a1 = load(&m[4 + h]), a2 = load(&m[8 + h]);
    store(&m[12 + h], ((fromZero(a0 * x) + a1 * y) + a2 * z) + load(&m[12 + h]));
    store(&m[h], fromZero(a0));
    store(&m[4 + h], fromZero(a1));
    store(&m[8 + h], fromZero(a2));
  }
  lastRowAffine(m);
}

// m = m * b, b affine without translation, neither side the identity.
void timesLinearOther(Values& m, const Values& b) {
  for (int h = 0; h < 4; h += 2) {
    const Rows a0 = load(&m[h]), a1 = load(&m[4 + h]), a2 = load(&m[8 + h]);
    for (int col = 0; col < 12; col += 4)
      store(&m[col + h], (fromZero(a0 * b[col]) + a1 * b[col + 1]) + a2 * b[col + 2]);
    store(&m[12 + h], fromZero(load(&m[12 + h])));
  }
  lastRowAffine(m);
}

// m = m * b, b affine without translation.
void timesLinear(Values& m, const Values& b) {
  if (isIdentity(m)) {
    m = b;
    return;
  }
  if (!isIdentity(b))
    timesLinearOther(m, b);
}

// m = m * K, K the skew whose values 4 and 5 are s and c, m not the identity.
void timesSkewOther(Values& m, double s, double c) {
  if (s == 0.0 && c == 1.0)
    return;
  for (int h = 0; h < 4; h += 2) {
    const Rows a0 = load(&m[h]), a1 = load(&m[4 + h]);
    store(&m[h], fromZero(a0));
    store(&m[4 + h], fromZero(a0 * s) + a1 * c);
    store(&m[8 + h], fromZero(load(&m[8 + h])));
    store(&m[12 + h], fromZero(load(&m[12 + h])));
  }
  lastRowAffine(m);
}

// m = m * K, K the skew whose values 4 and 5 are s and c.
void timesSkew(Values& m, double s, double c) {
  if (isIdentity(m))
    m = {1, 0, 0, 0, s, c, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  else
    timesSkewOther(m, s, c);
}

void timesSkew(Values& m, double degrees) {
  const double a = degrees * kDegToRad;
  timesSkew(m, std::sin(a), std::cos(a));
}

// m = m * S(x, y, z)
void timesScale(Values& m, double x, double y, double z) {
  if (isIdentity(m)) {
    m = {x, 0, 0, 0, 0, y, 0, 0, 0, 0, z, 0, 0, 0, 0, 1};
    return;
  }
  if (x == 1.0 && y == 1.0 && z == 1.0)
    return;
  for (int h = 0; h < 4; h += 2) {
    store(&m[h], fromZero(load(&m[h]) * x));
    store(&m[4 + h], fromZero(load(&m[4 + h]) * y));
    store(&m[8 + h], fromZero(load(&m[8 + h]) * z));
    store(&m[12 + h], fromZero(load(&m[12 + h])));
  }
  lastRowAffine(m);
}

// The side skews' products worked out on the quarter turns' values: each value is the sum the
// products make, with the terms left out that add a zero (to a sum started from +0, or to one
// that cannot be -0). For finite s and c; others make a matrix that is not finite either.
Values sideSkewAboutZ(double s, double c, double e) {
  const double p = (0.0 + e * s) + -c, q = (0.0 + s) + e * c; // into · K
  return {e * e + -p, e + -q, 0, 0, e + p * e, 1.0 + q * e, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
}

Values sideSkewAboutY(double s, double c, double e, double f) {
  const double p = (0.0 + f * s) + -e * c, q = (0.0 + s) + e * c, r = (0.0 + -e * s) + c; // into · K
  const double a0 = f * e + -p, a1 = e + -q, a2 = -e * e + -r;                            // · back
  return {(0.0 + a0 * e) + 1.0, 0.0 + a1 * e, (0.0 + a2 * e) + e,  0, f + p * e, 1.0 + q * e, -e + r * e, 0,
          (0.0 + -a0) + e,      0.0 + -a1,    (0.0 + -a2) + e * e, 0, 0,         0,           0,          1};
}

Values sideSkewShort(double degrees, bool aboutY) {
  const QuarterTurns& q = quarterTurns();
  if (q.expected) {
    const double a = degrees * kDegToRad, e = q.into[0];
    return aboutY ? sideSkewAboutY(std::sin(a), std::cos(a), e, q.intoFromY[0])
                  : sideSkewAboutZ(std::sin(a), std::cos(a), e);
  }
  // The quarter turns are never the identity, and the skew keeps their first column (whose y
  // value is 1): only the last product can meet the identity on its left.
  Values m = aboutY ? q.intoFromY : q.into;
  const double a = degrees * kDegToRad;
  timesSkewOther(m, std::sin(a), std::cos(a));
  timesLinearOther(m, q.back);
  if (aboutY)
    timesLinear(m, q.backToY);
  return m;
}

Values composedShort(const SpringHistoryEntry& entry, const Math::Point3d& pivot) {
  Values m = translation(entry.translation.x, entry.translation.y, entry.translation.z);
  timesTranslation(m, pivot.x, pivot.y, pivot.z);
  timesLinear(m, valuesOf(entry.rotation.matrix()));
  if (entry.skew.x != 0.0)
    timesSkew(m, entry.skew.x);
  if (entry.skew.y != 0.0)
    timesLinear(m, sideSkewShort(entry.skew.y, false));
  if (entry.skew.z != 0.0)
    timesLinear(m, sideSkewShort(entry.skew.z, true));
  timesScale(m, entry.scale.x, entry.scale.y, entry.scale.z);
  timesTranslation(m, -pivot.x, -pivot.y, -pivot.z);
  return m;
}

void decomposeValues(Values& v, Math::Vector3d& translation, Math::Vector3d& scale, Math::Quat& rotation,
                     Math::Vector3d& skew);
Values aboutPivotValues(const Math::Matrix4x4& m, const Math::Point3d& pivot);

Math::Matrix4x4 composedMatrix(const SpringHistoryEntry& entry, const Math::Point3d& pivot) {
  Values m = composedShort(entry, pivot);
  if (!allFinite(m))
    m = composedInFull(entry, pivot);
  return Math::Matrix4x4(m.data());
}

} // namespace

Math::Quat quatProduct(const Math::Quat& a, const Math::Quat& b) {
  return {a.w * b.w - (a.x * b.x + a.y * b.y + a.z * b.z), a.w * b.x + b.w * a.x + a.y * b.z - a.z * b.y,
          a.w * b.y + b.w * a.y + a.z * b.x - a.x * b.z, a.w * b.z + b.w * a.z + a.x * b.y - a.y * b.x};
}

void decomposeSpringMatrix(const Math::Matrix4x4& m, Math::Vector3d& translation, Math::Vector3d& scale,
                           Math::Quat& rotation, Math::Vector3d& skew) {
  Values v = valuesOf(m);
  decomposeValues(v, translation, scale, rotation, skew);
}

SpringTarget springTargetOf(const Math::Matrix4x4& m, const Math::Point3d& pivot) {
  SpringTarget t;
  Values v = aboutPivotValues(m, pivot);
  decomposeValues(v, t.translation, t.scale, t.rotation, t.skew);
  return t;
}

namespace {

// The decomposition of m's values, which it works on in place.
void decomposeValues(Values& v, Math::Vector3d& translation, Math::Vector3d& scale, Math::Quat& rotation,
                     Math::Vector3d& skew) {
  const bool mirrored = isMirroredQuickly(v.data());
  if (mirrored)
    Math::Matrix4x4(v.data()).scale(-1, 1, 1).getValues(v.data());
  for (int i : {0, 5, 10})
    if (v[i] == 0.0)
      v[i] = 0.0001;

  translation = Math::Vector3d(v[12], v[13], v[14]);
  Math::Vector3d r0(v[0], v[1], v[2]), r1(v[4], v[5], v[6]), r2(v[8], v[9], v[10]);
  double sx = r0.length(), sy = r1.length(), sz = r2.length();
  r0.normalize();
  double hxy = r0.getDotProduct(r1);
  r1 -= r0 * hxy;
  hxy /= r1.length();
  r1.normalize();
  double hxz = r0.getDotProduct(r2);
  r2 -= r0 * hxz;
  double hyz = r1.getDotProduct(r2);
  r2 -= r1 * hyz;
  const double len2 = r2.length();
  hxz /= len2;
  hyz /= len2;
  r2.normalize();

  if (r0.getDotProduct(r1.getCrossProduct(r2)) < 0.0) {
    sx = -sx;
    sy = -sy;
    sz = -sz;
    r0 = -r0;
    r1 = -r1;
    r2 = -r2;
  }

  rotation.w = halfRoot(1.0 + r0.x + r1.y + r2.z);
  rotation.x = halfRoot(1.0 + r0.x - r1.y - r2.z);
  rotation.y = halfRoot(1.0 - r0.x + r1.y - r2.z);
  rotation.z = halfRoot(1.0 - r0.x - r1.y + r2.z);
  if (r2.y > r1.z)
    rotation.x = -rotation.x;
  if (r0.z > r2.x)
    rotation.y = -rotation.y;
  if (r1.x > r0.y)
    rotation.z = -rotation.z;

  skew = Math::Vector3d(std::atan(hxy) / kPi * 180.0, std::atan(hxz) / kPi * 180.0, std::atan(hyz) / kPi * 180.0);
  scale = Math::Vector3d(mirrored ? -sx : sx, sy, sz);
}

} // namespace

Math::Matrix4x4 aboutPivot(const Math::Matrix4x4& m, const Math::Point3d& pivot) {
  return Math::Matrix4x4(aboutPivotValues(m, pivot).data());
}

namespace {

Values aboutPivotValues(const Math::Matrix4x4& m, const Math::Point3d& pivot) {
  const double* l = m.values();
  if (pivot.x != 0.0 || pivot.y != 0.0 || pivot.z != 0.0) {
    Values v = valuesOf(m);
    if (isAffine(l) && !isIdentity(v)) {
      // T(-pivot) * m: the translation's rows of zeros leave m's linear part as it is.
      const double p[3] = {pivot.x, pivot.y, pivot.z};
      for (int row = 0; row < 3; ++row) {
        for (int col = 0; col < 12; col += 4)
          v[col + row] = 0.0 + l[col + row];
        v[12 + row] = (0.0 + l[12 + row]) + -p[row];
      }
      lastRowAffine(v);
      timesTranslation(v, pivot.x, pivot.y, pivot.z);
      if (allFinite(v))
        return v;
    }
  }
  Values v = translation(-pivot.x, -pivot.y, -pivot.z);
  multiply(v, valuesOf(m));
  multiply(v, translation(pivot.x, pivot.y, pivot.z));
  return v;
}

} // namespace

Math::Matrix4x4 composeSpringMatrix(SpringHistoryEntry& entry, const Math::Point3d& pivot) {
  entry.result = composedMatrix(entry, pivot);
  return entry.result;
}

void advanceSpring(const SpringHistoryEntry& previous, const SpringTarget& target, const SpringGains& gains,
                   SpringHistoryEntry& next) {
  const Math::Vector3d& pv = previous.translationVelocity;
  const Math::Vector3d& it = gains.translationInertia;
  const Math::Vector3d& tt = gains.translationTension;
  next.translationVelocity = Math::Vector3d(it.x * pv.x, it.y * pv.y, it.z * pv.z) +
                             Math::Vector3d(tt.x * (target.translation.x - previous.translation.x),
                                            tt.y * (target.translation.y - previous.translation.y),
                                            tt.z * (target.translation.z - previous.translation.z));
  next.translation = previous.translation + next.translationVelocity;

  next.scaleVelocity =
      previous.scaleVelocity * gains.scaleInertia + (target.scale - previous.scale) * gains.scaleTension;
  next.scale = previous.scale + next.scaleVelocity;
  next.skewVelocity = previous.skewVelocity * gains.skewInertia + (target.skew - previous.skew) * gains.skewTension;
  next.skew = previous.skew + next.skewVelocity;

  // The turn still missing, taken in the scene's frame: the target after undoing the state.
  const Math::Quat& q = previous.rotation;
  const double n = q.w * q.w + q.x * q.x + q.y * q.y + q.z * q.z;
  const Math::Quat undo(q.w * n, -q.x * n, -q.y * n, -q.z * n);
  const Math::Quat missing = quatProduct(target.rotation, undo);
  Math::Quat omega, pull;
  if (finite(missing)) {
    // Its angle serves both the test and the pull (the pull's own when w is not negative).
    const Math::Quat u = missing.normalized();
    const double halfTurn = std::acos(std::clamp(u.w, -1.0, 1.0));
    if (std::fabs(2.0 * halfTurn) > kNoTurn)
      omega = slerpFromRest(previous.rotationVelocity, gains.rotateInertia);
    pull = slerpFromRest(u, halfTurn, gains.rotateTension);
  } else {
    if (!(std::fabs(turnOf(missing)) <= kNoTurn))
      omega = Math::Quat::slerpMethod(Math::Quat(), previous.rotationVelocity, gains.rotateInertia);
    pull = Math::Quat::slerpMethod(Math::Quat(), missing, gains.rotateTension);
  }
  if (finite(pull) ? turnsOf(pull.normalized().w) : std::fabs(turnOf(pull)) > kNoTurn)
    omega = omega * pull;
  next.rotation = q * omega;
  next.rotationVelocity = omega;
}

void settleSpring(const SpringTarget& target, double activity, SpringHistoryEntry& next) {
  if (activity != 1.0) {
    next.translation = target.translation + (next.translation - target.translation) * activity;
    next.scale = target.scale + (next.scale - target.scale) * activity;
    next.skew = target.skew + (next.skew - target.skew) * activity;
    next.rotation = Math::Quat::slerpMethod(target.rotation, next.rotation, activity);
    const double carried = std::sqrt(activity);
    next.translationVelocity *= carried;
    next.scaleVelocity *= carried;
    next.skewVelocity *= carried;
    next.rotationVelocity = Math::Quat::slerpMethod(Math::Quat(), next.rotationVelocity, carried);
  }
  // A factor of zero would make the output singular; only the factors near zero are lifted.
  for (double* s : {&next.scale.x, &next.scale.y, &next.scale.z})
    if (std::fabs(*s) < 0.0001)
      *s = 0.001;
}

SpringHistoryEntry nextSpringState(const SpringHistoryEntry& previous, const SpringTarget& target,
                                   const SpringSettings& s, const Math::Point3d& pivot) {
  SpringHistoryEntry next;
  if (previous.valid)
    advanceSpring(previous, target, s.gains, next);
  settleSpring(target, s.activity, next);
  if (s.update)
    next.result = composedMatrix(next, pivot);
  else
    next.result = previous.result;
  return next;
}

SpringHistoryEntry startSpringState(const SpringTarget& target, const Math::Point3d& pivot) {
  SpringHistoryEntry start;
  start.translation = target.translation;
  start.scale = target.scale;
  start.rotation = target.rotation;
  start.skew = target.skew;
  composeSpringMatrix(start, pivot);
  return start;
}
